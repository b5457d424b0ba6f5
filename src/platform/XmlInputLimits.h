#pragma once
// A check run over XML that comes from outside (server replies, automation
// requests, property-list files) before any XML reader sees it.
//
// Qt's stream reader and libxml2 look for a repeated attribute by comparing
// each attribute of an element with every one before it, so one element with
// 100,000 attributes keeps them busy for many seconds. This scan counts the
// attributes of every start tag in one pass over the bytes and refuses a
// document in which an element carries more than the limit; it does not
// otherwise judge the document (the reader still does that).
#include <QByteArray>
#include <QString>

#include <optional>

// The most attributes one element of outside XML may carry. Replies and
// requests use a handful; 256 keeps the readers' work per element small.
inline constexpr int kXmlMaximumAttributes = 256;

// Nothing when every element carries at most `maximum` attributes; else the
// error text "The XML element <name> carries more than N attributes." The
// document may be UTF-8 (or any ASCII-compatible encoding) or, with a
// byte-order mark or a leading NUL byte, UTF-16 or UTF-32.
std::optional<QString> xmlAttributeLimitError(const QByteArray &xml, int maximum = kXmlMaximumAttributes);
