// The country value type over the rate engine's country table: domestic
// names, look-up by any name, the cached name lists and their reset on
// QVCountryListDidChangeNotification, and the classes offered for a size.
#include "model/QVCountry.h"

#include "platform/NotificationCenter.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::string fixture(const char *name) { return std::string(TOLVANE_TEST_DATA_DIR) + "/" + name; }

std::string shipped(const char *name) { return std::string(TOLVANE_SOURCE_DIR) + "/resources/" + name; }

void loadTable(const char *countries)
{
    ASSERT_EQ(LoadCountry2013FileAtPath(fixture(countries).c_str()), 1);
    NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
}

class QVCountryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitializeRE("", "01/27/2014");
        ASSERT_EQ(LoadCountryAliasFileAtPath(fixture("country-name-aliases.txt").c_str()), 1);
        loadTable("country-names.dat");
        setInternationalRateProvider(nullptr);
    }
    void TearDown() override
    {
        // Other tests of this executable see the shipped table again.
        setInternationalRateProvider(nullptr);
        LoadCountry2013FileAtPath(shipped("country2013.dat").c_str());
        LoadCountryAliasFileAtPath(shipped("country-aliases.txt").c_str());
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
    }
};

TEST(QVCountryDomesticNames, TextsNamingTheUnitedStatesOrDomesticTerritories)
{
    const struct {
        const char *text;
        bool domestic;
    } cases[] = {
        {"U.S.A.", true},
        {"United States of America", true},
        {"united states", true},
        {"Puerto Rico", true},
        {"GUAM", true},
        {"us", true},
        {" U S ", true},
        {"Federated States of Micronesia", true},
        {"Marshall Islands", true},
        {"Northern Mariana Islands", true},
        {"Palau", true},
        {"Virgin Islands", true},
        {"United Kingdom", false},
        {"U.S. Virgin Islands", false}, // reads usvirginislands
        {"Canada", false},
        {"", false},
        {"America", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(QVCountry::isCountryStringUSA(QString::fromUtf8(c.text)), c.domestic) << c.text;
}

TEST(QVCountryDomesticNames, LongTextsAreReadWhole)
{
    // 200,000 characters of punctuation around a domestic name, and around a
    // foreign one.
    const QString filler(100000, QLatin1Char('.'));
    EXPECT_TRUE(QVCountry::isCountryStringUSA(filler + QStringLiteral("U.S.A.") + filler));
    EXPECT_FALSE(QVCountry::isCountryStringUSA(filler + QStringLiteral("Canada") + filler));
}

TEST_F(QVCountryTest, AnyFormOfANameOrAnAliasFindsTheCountry)
{
    const struct {
        const char *text;
        const char *name;
    } cases[] = {
        {"St.  Lucia", "SAINT LUCIA"}, // dot and double space: "St Lucia", an alias
        {"  st lucia\t", "SAINT LUCIA"},
        {"S\xC3\xA2int L\xC3\xBA"
         "cia",
         "SAINT LUCIA"}, // accented letters reduced to ASCII
        {"saint lucia", "SAINT LUCIA"},
        {"LC", "SAINT LUCIA"}, // the code
        {"france", "FRANCE"},
        {"Deutschland", "GERMANY"},
    };
    for (const auto &c : cases) {
        const auto country = QVCountry::countryWithAnyName(QString::fromUtf8(c.text));
        ASSERT_TRUE(country.has_value()) << c.text;
        EXPECT_EQ(country->name(), QLatin1String(c.name)) << c.text;
    }
    const auto lucia = QVCountry::countryWithAnyName(QStringLiteral("St. Lucia"));
    ASSERT_TRUE(lucia);
    EXPECT_EQ(lucia->countryCode(), QStringLiteral("LC"));
    EXPECT_EQ(lucia->twoLetterCountryCode(), QStringLiteral("LC"));
    EXPECT_EQ(lucia->zipString(), QStringLiteral("0"));
    EXPECT_EQ(lucia->rateName(), QStringLiteral("Saint Lucia"));
}

TEST_F(QVCountryTest, DomesticAndUnknownNamesGiveNoCountry)
{
    for (const char *text : {"United States", "USA", "UNITED STATES", "US", "Puerto Rico", "Atlantis", "",
                             "United States Minor Outlying Islands"})
        EXPECT_FALSE(QVCountry::countryWithAnyName(QString::fromUtf8(text)).has_value()) << text;
}

TEST_F(QVCountryTest, CountryWithNameNeedsAListedName)
{
    const auto france = QVCountry::countryWithName(QStringLiteral("  france \n"));
    ASSERT_TRUE(france);
    EXPECT_EQ(france->name(), QStringLiteral("FRANCE"));
    EXPECT_EQ(france->rateName(), QStringLiteral("France")); // the table's own case
    EXPECT_EQ(france->countryCode(), QStringLiteral("FR"));

    EXPECT_FALSE(QVCountry::countryWithName(QStringLiteral("UNITED STATES")));
    EXPECT_FALSE(QVCountry::countryWithName(QStringLiteral("ST LUCIA"))); // an alias, not a listed name
    EXPECT_FALSE(QVCountry::countryWithName(QString()));
    EXPECT_FALSE(QVCountry::countryWithName(QStringLiteral("")));
    EXPECT_FALSE(QVCountry::countryWithName(QString(5000, QLatin1Char('A'))));
}

TEST_F(QVCountryTest, NameListsLeaveOutTheUnitedStatesAndDisplayNamesAreCapitalizedAndUnique)
{
    EXPECT_EQ(QVCountry::allCountryNames(),
              (QStringList{"SAINT LUCIA", "FRANCE", "GUINEA-BISSAU", "GERMANY", "GERMANY", "CANADA"}));
    EXPECT_EQ(QVCountry::displayNames(), (QStringList{"Canada", "France", "Germany", "Guinea-Bissau", "Saint Lucia"}));
}

TEST_F(QVCountryTest, CachedListsAreDroppedWhenTheCountryListChanges)
{
    const QStringList before = QVCountry::allCountryNames();
    ASSERT_TRUE(before.contains(QStringLiteral("FRANCE")));
    ASSERT_TRUE(QVCountry::displayNames().contains(QStringLiteral("France")));

    // A new table alone leaves the cached lists as they were ...
    ASSERT_EQ(LoadCountry2013FileAtPath(fixture("country-names-replacement.dat").c_str()), 1);
    EXPECT_EQ(QVCountry::allCountryNames(), before);
    EXPECT_TRUE(QVCountry::displayNames().contains(QStringLiteral("France")));

    // ... until the change is announced (by any sender).
    int sender = 0;
    NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification, &sender);
    EXPECT_EQ(QVCountry::allCountryNames(), (QStringList{"JAPAN", "MEXICO"}));
    EXPECT_EQ(QVCountry::displayNames(), (QStringList{"Japan", "Mexico"}));
    EXPECT_FALSE(QVCountry::countryWithName(QStringLiteral("FRANCE")));
    ASSERT_TRUE(QVCountry::countryWithName(QStringLiteral("mexico")));
    EXPECT_EQ(QVCountry::countryWithName(QStringLiteral("mexico"))->rateName(), QStringLiteral("Mexico"));
}

TEST_F(QVCountryTest, CountriesMadeBeforeAResetKeepTheirTexts)
{
    const auto france = QVCountry::countryWithName(QStringLiteral("FRANCE"));
    ASSERT_TRUE(france);
    loadTable("country-names-replacement.dat");
    EXPECT_EQ(france->name(), QStringLiteral("FRANCE"));
    EXPECT_EQ(france->countryCode(), QStringLiteral("FR"));
    EXPECT_EQ(france->rateName(), QStringLiteral("France"));
}

TEST_F(QVCountryTest, NoListIsKeptWhileTheEngineIsNotInitialised)
{
    ResetRateEngineInitializedFlagForTests();
    QVCountry::resetCountryList();
    EXPECT_TRUE(QVCountry::allCountryNames().isEmpty());
    EXPECT_TRUE(QVCountry::displayNames().isEmpty());
    EXPECT_FALSE(QVCountry::countryWithName(QStringLiteral("FRANCE")));

    InitializeRE("", "01/27/2014");
    EXPECT_TRUE(QVCountry::allCountryNames().contains(QStringLiteral("FRANCE")));
    EXPECT_TRUE(QVCountry::displayNames().contains(QStringLiteral("France")));
}

TEST_F(QVCountryTest, ListsBuiltFromSeveralThreadsAtOnceAreWhole)
{
    const QStringList expected = QVCountry::allCountryNames();
    std::vector<QStringList> seen(8);
    std::vector<std::thread> threads;
    for (int round = 0; round < 20; ++round) {
        threads.clear();
        for (std::size_t i = 0; i < seen.size(); ++i)
            threads.emplace_back([&seen, i] {
                if (i % 2 == 0)
                    QVCountry::resetCountryList();
                seen[i] = QVCountry::allCountryNames();
            });
        for (auto &t : threads)
            t.join();
        for (const auto &names : seen)
            ASSERT_EQ(names, expected);
    }
}

// Answers a fixed list and records what it was asked.
class FakeIntlRates : public QVInternationalRateProvider
{
public:
    QStringList availableRateClassesForSize(const QVCountry &country, const QString &size) override
    {
        asked.append(country.name() + QLatin1Char('/') + size);
        return answer;
    }
    QStringList answer;
    QStringList asked;
};

TEST_F(QVCountryTest, LettersAndPostcardsGoByFirstClassMailInternationalAlone)
{
    auto fake = std::make_shared<FakeIntlRates>();
    fake->answer = {QStringLiteral("QVUSPSIntlPriorityMailIntl")};
    const auto france = QVCountry::countryWithName(QStringLiteral("FRANCE"));
    ASSERT_TRUE(france);

    // Without the rate classes: letters and postcards still go, nothing else.
    for (const char *size : {"QVUSPSLetterSize", "QVUSPSPostcardSize"})
        EXPECT_EQ(france->availableRateClassesForSize(QLatin1String(size)),
                  QStringList{QStringLiteral("QVUSPSIntlFirstClassMailIntl")});
    EXPECT_TRUE(france->availableRateClassesForSize(QStringLiteral("QVUSPSRegularSize")).isEmpty());

    setInternationalRateProvider(fake);
    EXPECT_EQ(france->availableRateClassesForSize(QStringLiteral("QVUSPSLetterSize")),
              QStringList{QStringLiteral("QVUSPSIntlFirstClassMailIntl")});
    EXPECT_TRUE(fake->asked.isEmpty()); // no price asked for letters
    EXPECT_EQ(france->availableRateClassesForSize(QStringLiteral("QVUSPSRegularSize")), fake->answer);
    EXPECT_EQ(fake->asked, QStringList{QStringLiteral("FRANCE/QVUSPSRegularSize")});
}

} // namespace
