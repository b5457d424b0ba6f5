#pragma once
// Windows-1252 by a table of our own (Latin-1 and the 27 characters the code
// page keeps at 0x80-0x9F), so that neither a label's bytes nor the reading
// of a file depends on the text codecs the Qt build carries.
//
// Writing never fails: each character the code page lacks (C1 controls,
// characters beyond it, a whole surrogate pair) becomes one "?". Reading
// refuses the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D); every other byte is a character.
#include <QByteArray>
#include <QString>

#include <optional>

namespace tolvane {

QByteArray windows1252Data(const QString &text);
// Whether every character of the text has a Windows-1252 byte.
bool canConvertToWindows1252(const QString &text);

// The character of a byte; nothing for the five undefined bytes.
std::optional<char16_t> windows1252Character(unsigned char byte);
// The text of the bytes; nothing when one of them is undefined.
std::optional<QString> windows1252String(const QByteArray &data);

} // namespace tolvane
