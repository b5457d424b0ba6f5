#pragma once
// Takes secrets out of a text before a debug log writes it.
//
// Removed, in any letter case:
// - XML elements whose name holds "password", "passphrase" or "passwd" (with
//   any prefix or namespace, as PassPhrase, WebPassword, ns:NewPassPhrase),
//   whole, also in their percent-escaped ("%3CPassPhrase%3E...") and
//   entity-escaped ("&lt;PassPhrase&gt;...") forms;
// - the value of any field so named, written as name=value, name: value or
//   "name": "value" (query strings, form bodies, header lines, attributes,
//   dictionary descriptions): it becomes "(removed)";
// - every occurrence of each given secret (the account's pass phrase), also
//   percent-escaped or entity-escaped: it becomes "(removed)".
#include <QString>
#include <QStringList>

inline const QString QVRemovedSecretText = QStringLiteral("(removed)");

QString stringByRemovingSecrets(const QString &text, const QStringList &secrets = {});
