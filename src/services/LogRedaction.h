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
// - the same for the fields named in `secretFields` (a client whose request
//   carries a secret in a field of another name, matched whole, in any
//   letter case).
// A secret is found by its place in the request, never by searching for its
// text: a short pass phrase ("x") would otherwise be cut out of every word
// that holds it ("VpoHttpAdapter.aspx") and so be given away.
#include <QString>
#include <QStringList>

inline const QString QVRemovedSecretText = QStringLiteral("(removed)");

QString stringByRemovingSecrets(const QString &text, const QStringList &secretFields = {});
