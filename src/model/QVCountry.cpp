#include "model/QVCountry.h"

#include "model/StringAdditions.h"
#include "model/TemplateSubstitution.h"
#include "platform/NotificationCenter.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"

#include <QSet>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// The stored name constants of the piece sizes and of First-Class Mail
// International (their texts are their names); the rate classes own them.
const QString kLetterSize = QStringLiteral("QVUSPSLetterSize");
const QString kPostcardSize = QStringLiteral("QVUSPSPostcardSize");
const QString kFirstClassMailIntl = QStringLiteral("QVUSPSIntlFirstClassMailIntl");

// Class-wide state. Building, reading and dropping the two cached lists run
// under the one recursive lock; it also keeps two walks of the engine's
// country table (whose cursor lives in the engine) from interleaving.
struct CountryClassState {
    std::recursive_mutex lock;
    std::optional<QStringList> countryNames;
    std::optional<QStringList> displayNames;
    NotificationObserver listObserver;
};

CountryClassState &classState()
{
    static CountryClassState state;
    return state;
}

// Keeps the class registered for QVCountryListDidChangeNotification (any
// sender). Called under the class lock by every class-side operation that
// uses the caches; registers again when the observer was removed.
void observeCountryListChanges(CountryClassState &state)
{
    if (state.listObserver.isActive())
        return;
    state.listObserver = NotificationCenter::defaultCenter().addObserver(
        QVCountryListDidChangeNotification, [](const Notification &) { QVCountry::resetCountryList(); });
}

std::mutex &providerLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<QVInternationalRateProvider> &providerSlot()
{
    static std::shared_ptr<QVInternationalRateProvider> provider;
    return provider;
}

const QSet<QString> &domesticNames()
{
    static const QSet<QString> names = {
        QStringLiteral("unitedstates"),
        QStringLiteral("unitedstatesofamerica"),
        QStringLiteral("usa"),
        QStringLiteral("us"),
        QStringLiteral("puertorico"),
        QStringLiteral("federatedstatesofmicronesia"),
        QStringLiteral("guam"),
        QStringLiteral("marshallislands"),
        QStringLiteral("northernmarianaislands"),
        QStringLiteral("palau"),
        QStringLiteral("virginislands"),
    };
    return names;
}

// Every word capitalized, the rest lower case. A word begins after any
// character that is neither a letter, a digit nor an apostrophe, so
// "GUINEA-BISSAU" reads "Guinea-Bissau" and "COTE D'IVOIRE" "Cote D'ivoire".
QString capitalized(const QString &text)
{
    QString result;
    result.reserve(text.size());
    bool startOfWord = true;
    for (const QChar c : text) {
        if (c.isLetter()) {
            result.append(startOfWord ? c.toUpper() : c.toLower());
            startOfWord = false;
        } else {
            result.append(c);
            startOfWord = !(c.isDigit() || c == QLatin1Char('\''));
        }
    }
    return result;
}

// A text as a NUL-terminated name buffer of the engine; nothing when it does
// not fit.
std::optional<std::vector<char>> nameBuffer(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    if (std::size_t(utf8.size()) > kCountryNameMaxLength)
        return std::nullopt;
    std::vector<char> buffer(kCountryNameBufferSize, '\0');
    std::copy(utf8.cbegin(), utf8.cend(), buffer.begin());
    return buffer;
}

} // namespace

void setInternationalRateProvider(std::shared_ptr<QVInternationalRateProvider> provider)
{
    std::lock_guard guard(providerLock());
    providerSlot() = std::move(provider);
}

std::shared_ptr<QVInternationalRateProvider> internationalRateProvider()
{
    std::lock_guard guard(providerLock());
    return providerSlot();
}

bool QVCountry::isCountryStringUSA(const QString &text)
{
    const CharacterSet lowercaseLetters([](char16_t c) { return QChar(c).isLower(); });
    const QString letters = stringByReplacingCharactersInSet(text.toLower(), lowercaseLetters.invertedSet(), QString());
    return domesticNames().contains(letters);
}

std::optional<QVCountry> QVCountry::countryWithAnyName(const QString &text)
{
    if (isCountryStringUSA(text))
        return std::nullopt;
    QString ascii = QString::fromLatin1(dataValue(text));
    ascii.replace(QLatin1Char('.'), QLatin1Char(' '));
    const QString cleaned = ascii.simplified();
    const QByteArray utf8 = cleaned.toUtf8();
    const CountryInfo *record = GetCountryInfoForCountryName(utf8.constData());
    if (!record)
        return std::nullopt;
    return countryWithName(QString::fromUtf8(record->name.data(), qsizetype(record->name.size())));
}

std::optional<QVCountry> QVCountry::countryWithName(const QString &name) { return initWithName(name); }

std::optional<QVCountry> QVCountry::initWithName(const QString &name)
{
    if (name.isNull())
        return std::nullopt;
    const QString upper = stringByRemovingSurroundingWhitespace(name.toUpper());
    std::lock_guard guard(classState().lock);
    if (!allCountryNames().contains(upper))
        return std::nullopt;
    auto nameBytes = nameBuffer(upper);
    if (!nameBytes)
        return std::nullopt;
    char code[3] = {0, 0, 0};
    std::vector<char> rateName(kCountryNameBufferSize, '\0');
    char zone[2] = {0, 0};
    // A table replaced since the list was built may no longer know the name.
    if (GetCountryInfo(nameBytes->data(), code, rateName.data(), zone) != kRESuccess)
        return std::nullopt;
    QVCountry country;
    country.m_name = upper;
    country.m_countryCode = QString::fromUtf8(code, qsizetype(qstrnlen(code, sizeof code)));
    country.m_zip = QString::fromUtf8(zone, qsizetype(qstrnlen(zone, sizeof zone)));
    country.m_rateName = QString::fromUtf8(rateName.data());
    return country;
}

QStringList QVCountry::allCountryNames()
{
    CountryClassState &state = classState();
    std::lock_guard guard(state.lock);
    observeCountryListChanges(state);
    if (state.countryNames)
        return *state.countryNames;
    QStringList names;
    std::vector<char> name(kCountryNameBufferSize, '\0');
    char code[3] = {0, 0, 0};
    char zone[2] = {0, 0};
    int32_t status;
    while ((status = GetCountryList(name.data(), code, zone)) == kRESuccess) {
        const QString trimmed = QString::fromUtf8(name.data()).trimmed();
        if (trimmed.isEmpty())
            continue;
        const QString upper = trimmed.toUpper();
        if (upper.contains(QLatin1String("UNITED STATES")))
            continue;
        names.append(upper);
    }
    // Before the engine is initialised there is no table to list: answer the
    // empty list without keeping it, so the names appear once the table is
    // loaded.
    if (status == kRENotInitialized)
        return names;
    state.countryNames = names;
    return names;
}

QStringList QVCountry::displayNames()
{
    CountryClassState &state = classState();
    std::lock_guard guard(state.lock);
    observeCountryListChanges(state);
    if (state.displayNames)
        return *state.displayNames;
    const QStringList names = allCountryNames();
    QSet<QString> unique;
    for (const QString &name : names) {
        if (const auto country = initWithName(name))
            unique.insert(capitalized(country->rateName()));
    }
    QStringList display(unique.cbegin(), unique.cend());
    std::sort(display.begin(), display.end(),
              [](const QString &a, const QString &b) { return QString::localeAwareCompare(a, b) < 0; });
    // Cached only together with a cached name list (see allCountryNames).
    if (state.countryNames)
        state.displayNames = display;
    return display;
}

void QVCountry::resetCountryList()
{
    CountryClassState &state = classState();
    std::lock_guard guard(state.lock);
    observeCountryListChanges(state);
    state.countryNames.reset();
    state.displayNames.reset();
}

QString QVCountry::twoLetterCountryCode() const
{
    return m_countryCode.size() > 2 ? m_countryCode.left(2) : m_countryCode;
}

QStringList QVCountry::availableRateClassesForSize(const QString &size) const
{
    if (size == kLetterSize || size == kPostcardSize)
        return {kFirstClassMailIntl};
    if (const auto provider = internationalRateProvider())
        return provider->availableRateClassesForSize(*this, size);
    return {};
}
