#pragma once
// vCard files to and from Person cards.
//
// Reading understands vCard 3.0 (RFC 2426) and the vCard 2.1 files older
// programs still write: folded lines (a line break followed by a space or a
// tab; in 2.1 that space or tab is part of the text), CRLF, LF or CR line ends, the escapes "\\", "\,", "\;" and "\n",
// property groups ("item1.ADR"), TYPE parameters in both forms
// (TYPE=HOME,WORK / TYPE=HOME;TYPE=PREF and the bare HOME;PREF of 2.1),
// quoted-printable values with soft line breaks and a CHARSET (UTF-8,
// US-ASCII, ISO-8859-1, Windows-1252), UTF-8 text with or without a byte
// order mark, UTF-16 files with a byte order mark, and several cards in one
// file. Properties read: N, FN, ORG, TITLE, ADR, TEL, EMAIL, X-ABUID (else
// UID), X-ABADR (the country code of the address in the same group) and
// CATEGORIES (the groups the card belongs to; written back when there are
// any); other properties are skipped.
//
// Data from outside is checked whole before any card is answered: a damaged
// card (text outside BEGIN:VCARD / END:VCARD, a card that is never closed, a
// line without ":", a bad property or parameter name, a bad quoted-printable
// escape, text that is not valid in its character set, a NUL character, a
// missing or unknown VERSION) or data beyond the limits below gives no card
// at all and an error text naming the line.
//
// Writing produces vCard 3.0 in UTF-8 with CRLF line ends, lines folded so
// that no line is longer than 75 octets (never inside a UTF-8 sequence).
#include "model/Person.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

// Limits on data from outside.
inline constexpr qsizetype kVCardMaximumDataSize = 16 * 1024 * 1024; // bytes
inline constexpr qsizetype kVCardMaximumLineCount = 1000000;         // physical lines
inline constexpr qsizetype kVCardMaximumCardCount = 10000;
inline constexpr qsizetype kVCardMaximumPropertyCount = 10000; // per card

// The bytes of a vCard file opened or dropped by the user: a regular file of
// at most kVCardMaximumDataSize bytes, read without blocking; nothing (the
// reason in *error) for a FIFO, a device, a folder or a larger file, which
// are refused without being read.
std::optional<QByteArray> vCardFileData(const QString &path, QString *error = nullptr);

// A card's picture (Person::imageData()) decoded with an allocation limit of
// kVCardMaximumPictureAllocation bytes: a picture whose header asks for more
// memory, or that does not decode, gives a null image.
inline constexpr int kVCardMaximumPictureAllocation = 64; // megabytes
QImage vCardPicture(const QByteArray &imageData);

// Every card of the data, in order. Nothing (with `error` set, when given)
// when the data holds no card or anything in it is damaged. A card without
// UID or X-ABUID gets a new identifier, or, when `uniqueIdBase` is given,
// the id "<uniqueIdBase>:<position of the card in the data, from 0>", so
// that reading the same file again gives the same ids.
std::optional<QList<Person>> peopleWithVCardRepresentation(const QByteArray &data, QString *error = nullptr,
                                                           const QString &uniqueIdBase = QString());

// The first card of the data (the whole data is checked as above).
std::optional<Person> personWithVCardRepresentation(const QByteArray &data, QString *error = nullptr);

// The vCard 3.0 form of the card / of the cards one after another.
//
// Labels: kABHomeLabel, kABWorkLabel, kABOtherLabel and kABPhoneMobileLabel
// become the types HOME, WORK, OTHER and CELL (the fax labels HOME,FAX /
// WORK,FAX, main MAIN, pager PAGER); any other label made only of letters,
// digits and "-" is written as a type of its own (and read back in lower
// case; "fax" alone included) unless it names a kind of value rather than
// its owner (PREF, VOICE, INTERNET, POSTAL, ...); other labels are not
// written, and such an entry reads back as
// kABOtherLabel. The primary entry of each multi-value carries PREF. When
// reading, PREF marks the primary entry; without one the first entry is
// primary. An entry without a type that names its owner reads as
// kABOtherLabel.
QByteArray vCardRepresentation(const Person &person);
QByteArray vCardRepresentation(const QList<Person> &people);
