#pragma once
// Text to Windows-1252 bytes by a table of our own (Latin-1 and the 27
// characters Windows-1252 keeps at 0x80-0x9F), so the bytes of a label never
// depend on the text codecs the Qt build carries. The conversion never fails:
// each character the code page lacks (C1 controls, characters beyond it, a
// whole surrogate pair) becomes one "?".
#include <QByteArray>
#include <QString>

namespace tolvane {

QByteArray windows1252Data(const QString &text);
// Whether every character of the text has a Windows-1252 byte.
bool canConvertToWindows1252(const QString &text);

} // namespace tolvane
