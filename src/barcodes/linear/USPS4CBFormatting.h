#pragma once
// Feeding the Intelligent Mail encoder from a text.

#include <QByteArray>
#include <QString>

namespace tolvane {

// The text's first 20 characters are the tracking code, the rest (possibly
// empty) the routing code. Answers the 65 bar letters and a zero byte (66
// bytes), or a null QByteArray for a text shorter than 20 characters or one
// the encoder refuses (its return code goes to the console).
QByteArray dataByEncodingConfirmNumber(const QString &text);

} // namespace tolvane
