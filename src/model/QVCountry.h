#pragma once
// A destination country: one entry of the rate engine's country table, which
// is loaded from the country rules file and its alias list and can be
// replaced while the program runs.
//
// QVCountry turns whatever a user, an address book, a web-store order or an
// XML request calls a country into one table entry, tells whether a country
// text means the United States (domestic mail), lists the country names for
// menus and tells which international rate classes can carry a piece of a
// given size to the country.
//
// A country is an immutable value. The class keeps two cached lists (the
// upper-case country names and the sorted display names), built on first use
// from the engine's table under one class-wide recursive lock and dropped on
// QVCountryListDidChangeNotification (posted through the default
// NotificationCenter after a new country table has been loaded).
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

inline const QString QVCountryListDidChangeNotification = QStringLiteral("QVCountryListDidChangeNotification");

class QVCountry;

// The international rate classes, which live in a higher layer, as the
// country needs them. The rate layer registers the real provider at
// start-up (installInternationalRateProvider() in rates/QVUSPSIntlRateClass.h);
// tests may register fakes.
class QVInternationalRateProvider
{
public:
    virtual ~QVInternationalRateProvider() = default;

    // Names of the international rate classes that price a 1-ounce piece of
    // the size (a piece-size name constant) to the country above zero, in the
    // order of the menu; empty when none does.
    virtual QStringList availableRateClassesForSize(const QVCountry &country, const QString &size) = 0;
};

// Registers the provider (nullptr removes it) and answers the registered one.
void setInternationalRateProvider(std::shared_ptr<QVInternationalRateProvider> provider);
std::shared_ptr<QVInternationalRateProvider> internationalRateProvider();

class QVCountry
{
public:
    // Whether the text names the United States or a territory served as
    // domestic mail: the text lower-cased and stripped of every character that
    // is not a lower-case letter is one of "unitedstates", "unitedstatesofamerica", "usa",
    // "us", "puertorico", "federatedstatesofmicronesia", "guam",
    // "marshallislands", "northernmarianaislands", "palau", "virginislands".
    static bool isCountryStringUSA(const QString &text);

    // The country for any form of its name or an alias (reduced to ASCII,
    // dots read as spaces, runs of white space collapsed); nothing for a
    // domestic name and for a name the table does not know.
    static std::optional<QVCountry> countryWithAnyName(const QString &text);

    // The country whose name (upper-cased and trimmed) is in the country-name
    // list; nothing otherwise.
    static std::optional<QVCountry> countryWithName(const QString &name);

    // The table's names, upper case, in table order, without the United
    // States (names containing "UNITED STATES") and empty names. Cached.
    static QStringList allCountryNames();
    // The table's own names, capitalized, without duplicates, sorted for
    // display. Cached.
    static QStringList displayNames();
    // Drops both cached lists; the next request rebuilds them.
    static void resetCountryList();

    // The country's name as listed in allCountryNames() (upper case).
    QString name() const { return m_name; }
    // The country code of the table.
    QString countryCode() const { return m_countryCode; }
    // The postal-code text the table reports ("0" for every country).
    QString zipString() const { return m_zip; }
    // The name in the table's own case: used for rating and, capitalized,
    // for display.
    QString rateName() const { return m_rateName; }
    // The first two characters of the code when it is longer, else the code.
    QString twoLetterCountryCode() const;

    // Names of the international rate classes that can carry a piece of the
    // size to the country: First-Class Mail International alone for letters
    // and postcards; otherwise the candidates for the size whose 1-ounce
    // price is above zero (empty when no rate provider is registered).
    QStringList availableRateClassesForSize(const QString &size) const;

    friend bool operator==(const QVCountry &a, const QVCountry &b)
    {
        return a.m_name == b.m_name && a.m_countryCode == b.m_countryCode && a.m_zip == b.m_zip &&
            a.m_rateName == b.m_rateName;
    }

private:
    QVCountry() = default;
    static std::optional<QVCountry> initWithName(const QString &name);

    QString m_name;
    QString m_countryCode;
    QString m_zip;
    QString m_rateName;
};
