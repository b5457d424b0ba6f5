#pragma once
// Comma-separated text read as rows of fields, as spreadsheets and address
// programs write it.
//
// The scanner skips nothing on its own. The characters that matter are the
// comma, the double quote and the line terminators (LF, CR, VT, FF, NEL,
// U+2028, U+2029):
// - a run of line terminators outside quotes ends the row (the run is taken
//   whole, so blank lines give no rows and CR LF is one break); inside
//   quotes it belongs to the field;
// - inside quotes, two double quotes give one; any other double quote
//   switches between inside and outside quotes and adds nothing (anywhere in
//   a field, not only at its start);
// - a comma inside quotes belongs to the field; outside quotes it ends the
//   field, and the next one starts after any blanks and tabs that follow it
//   (blanks before a comma stay in the field).
// Every row has at least one field; the empty text gives no rows.
#include <QList>
#include <QString>
#include <QStringList>

QList<QStringList> csvRows(const QString &text);
