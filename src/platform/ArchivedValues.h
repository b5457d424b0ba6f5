#pragma once
// Fonts and colours kept in the user defaults: the one form in which the
// preferences store them and the layouts read them back.
//
// A font is the data of a binary property list dictionary: "family" (text),
// "pointSize" (real, points), "bold" and "italic" (booleans). A colour is the
// same kind of dictionary with "red", "green", "blue" and "alpha" (reals
// from 0 to 1). Anything else (no value, other data, a damaged list, a size
// that is not above 0, a component outside 0 to 1) reads as nothing, so the
// caller keeps its own font or colour.
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QString>
#include <QVariant>

#include <optional>

class UserDefaults;

QByteArray archivedDataWithFont(const QFont &font);
std::optional<QFont> fontWithArchivedData(const QVariant &value);
QByteArray archivedDataWithColor(const QColor &color);
std::optional<QColor> colorWithArchivedData(const QVariant &value);

// The font / colour stored under the key of the defaults.
std::optional<QFont> fontForDefaultsKey(const UserDefaults &defaults, const QString &key);
std::optional<QColor> colorForDefaultsKey(const UserDefaults &defaults, const QString &key);
