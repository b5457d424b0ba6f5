#pragma once
// The update feed ("appcast"): an RSS 2.0 document whose items each describe
// one published version of the program, and the two values of our own that
// the feed carries besides (the USPS holiday list and the lowest build
// number that may still print).
//
// An item is read from these elements (prefixes as written in the feed; the
// reader does not resolve namespaces, so an undeclared prefix is no error):
//   title, link, description             the item's texts;
//   enclosure                            its attributes "url",
//                                        "sparkle:version" and
//                                        "sparkle:shortVersionString";
//   sparkle:version,
//   sparkle:shortVersionString           elements that win over the
//                                        enclosure's attributes;
//   any other prefixed child             kept by its qualified name with its
//                                        text ("tolvane:holidays",
//                                        "tolvane:minimumToPrint").
// Only "item" elements inside "channel" inside "rss" count.
//
// The feed comes from outside: it is refused whole (nothing and an error
// text) when it is larger than kAppcastMaximumSize, nests deeper than
// kAppcastMaximumDepth, gives an element more than the attribute limit, or
// is not well-formed XML; no DTD or entity is resolved.
//
// The two values are read as strictly as this:
//   holidays        a property list (XML or binary) whose root is a
//                   dictionary and every value a string; anything else is
//                   refused with the reason;
//   minimumToPrint  a plain unsigned decimal integer that fits 32 bits,
//                   spaces around it allowed; anything else ("-1", "+3",
//                   "2.0", "0x10", "", "4294967296") is refused.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariantMap>

#include <optional>

inline constexpr qsizetype kAppcastMaximumSize = 4 * 1024 * 1024;
inline constexpr int kAppcastMaximumDepth = 32;

inline const QString QVAppcastHolidaysKey = QStringLiteral("tolvane:holidays");
inline const QString QVAppcastMinimumToPrintKey = QStringLiteral("tolvane:minimumToPrint");

struct AppcastItem {
    QString title;
    QString link;
    QString description;
    QString enclosureURL;
    // The build number ("sparkle:version") and the version shown to people.
    QString version;
    QString shortVersionString;
    // Prefixed child elements by qualified name, with their text.
    QMap<QString, QString> properties;

    bool operator==(const AppcastItem &) const = default;
};

// The items of the feed in document order; nothing (and the reason) when the
// feed is refused.
std::optional<QList<AppcastItem>> readAppcast(const QByteArray &feed, QString *error = nullptr);

// The holiday list of the property-list text; nothing and the reason when it
// is not a dictionary of strings.
std::optional<QVariantMap> readHolidayList(const QString &text, QString *error = nullptr);

// The lowest build number allowed to print; nothing and the reason when the
// text is not a plain unsigned 32-bit integer.
std::optional<quint32> readMinimumToPrint(const QString &text, QString *error = nullptr);

// Compares two version texts as the update feed's versions are compared:
// split into runs of digits, runs of letters and the separators between
// them; runs of digits compare by value, others as text; a version that has
// more parts after an equal start is the newer unless its next part is
// letters ("1.0" > "1.0b1"). Answers <0, 0 or >0.
int compareFeedVersions(const QString &a, const QString &b);
