#pragma once
// The Glimra document that tolvanetool reads from its standard input.
//
// Bytes are read as they become available until the text read so far holds
// the closing root tag "</Glimra>" or the input ends (a read that returns no
// data, or fails). Whatever came in the same read after the tag goes along; no later
// read is made. Each read is searched for the tag only in its own bytes and
// the few before them that could begin the tag, so reading takes time in
// proportion to the document's length.
//
// A document longer than `limit` bytes (the program takes at most
// kRemoteArgumentLimit in one request) can never be handed on: reading stops
// as soon as more than `limit` bytes have come, and the result says so.
#include <QByteArray>

const QByteArray &glimraClosingRootTag();

struct DocumentInput {
    QByteArray document;
    bool tooLarge = false; // more than the limit came; `document` is incomplete
};

DocumentInput readDocument(int fd, qsizetype limit);
