// The stamp catalogue: the request table over every tag (factory, class,
// weight, size, machinable, the additional postage, the absent international
// values and the international values priced by rows and country rules of the
// test's own), the class menus per mailpiece with their priced titles, header
// defaults, enabling, repricing at the September 2014 date, and the sample
// stamp's symbol read back by dmtxread.
#include "stamps/TessaroCatalogue.h"
#include "stamps/TessaroTags.h"

#include "barcodes/indicia/QVDataMatrixBarcode.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"

#include "ConsoleCapture.h"
#include "RateLeafOverride.h"
#include "StampTestSupport.h"
#include "ViewTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>

using namespace tolvane::test;

namespace {

class TessaroCatalogueTest : public StampTest
{
protected:
    QDateTime clock = january2014();
    TessaroCatalogue catalogue{[this] { return clock; }};
};

// The price of a domestic value by the rate classes themselves.
Decimal domesticPrice(const QDateTime &date, const QString &rate, int weight, const QString &size, bool machinable)
{
    const QVUSPSRateClass *rateClass = QVUSPSRateClass::ratesForDate(date).rateClassWithName(rate);
    return rateClass->rateForWeight(weight, QStringLiteral("1"), size, machinable);
}

QStringList titles(const QList<TessaroMenuItem> &items)
{
    QStringList out;
    for (const TessaroMenuItem &item : items)
        out << (item.isSeparator ? QStringLiteral("-") : QStringLiteral("%1:%2").arg(item.tag).arg(item.title));
    return out;
}

// First-Class Mail International rows of the test's own (the built-in
// tables carry none): a weight, then an amount for each of the country
// groups 1 to 9, a zero row last. The amounts are fixture values, not USPS
// prices; each tells its shape, weight step and group apart: shape x 100 +
// step x 10 + group, in cents (the letter of step 1 for group 1 is $1.11).
template <size_t Steps> struct IntlRows {
    int32_t words[(Steps + 1) * 10] = {};
};

template <size_t Steps> constexpr IntlRows<Steps> intlRows(int32_t shape, const std::array<int32_t, Steps> &weights)
{
    IntlRows<Steps> rows;
    for (size_t step = 0; step < Steps; ++step) {
        rows.words[step * 10] = weights[step];
        for (int32_t group = 1; group <= 9; ++group)
            rows.words[step * 10 + size_t(group)] = shape * 100 + int32_t(step + 1) * 10 + group;
    }
    return rows;
}

// Letters by tenths of an ounce, flats and parcels by whole ounces.
constexpr auto kIntlLetters = intlRows<4>(kREShapeLetter, {10, 20, 30, 35});
constexpr auto kIntlFlats = intlRows<4>(kREShapeFlat, {1, 2, 3, 4});
constexpr auto kIntlParcels = intlRows<4>(kREShapeParcel, {1, 2, 3, 4});

} // namespace

TEST_F(TessaroCatalogueTest, DomesticValuesByClassWeightSizeAndMachinable)
{
    struct Case {
        int tag;
        const QString &rate;
        int weight; // native units
        quint32 ounces;
        const QString &size;
        bool machinable;
    };
    QList<Case> cases{
        {100, QVUSPSFirstClassMail, 1, 1, QVUSPSLetterSize, true},
        {101, QVUSPSFirstClassMail, 1, 1, QVUSPSLetterSize, false},
        {102, QVUSPSFirstClassMail, 2, 2, QVUSPSLetterSize, true},
        {103, QVUSPSFirstClassMail, 3, 3, QVUSPSLetterSize, true},
        {104, QVUSPSFirstClassMail, 4, 4, QVUSPSLetterSize, true},
        {114, QVUSPSFirstClassMail, 1, 1, QVUSPSPostcardSize, true},
        {201, QVUSPSPriorityMail, 1, 1, QVUSPSRegularSize, true},
        {202, QVUSPSPriorityMail, 2, 2, QVUSPSFlatRateBoxSize, true},
        {203, QVUSPSPriorityMail, 2, 2, QVUSPSFlatRateEnvelopeSize, true},
        {204, QVUSPSPriorityMail, 2, 2, QVUSPSLargeFlatRateBoxSize, true},
        {205, QVUSPSPriorityMail, 2, 2, QVUSPSSmallFlatRateBoxSize, true},
        {206, QVUSPSPriorityMail, 2, 2, QVUSPSFlatRateLegalEnvelopeSize, true},
        {301, QVUSPSMediaMail, 1, 16, QVUSPSRegularSize, true},
        {302, QVUSPSMediaMail, 2, 32, QVUSPSRegularSize, true},
        {303, QVUSPSMediaMail, 3, 48, QVUSPSRegularSize, true},
        {501, QVUSPSExpressMail, 17, 17, QVUSPSFlatRateEnvelopeSize, true},
        {502, QVUSPSExpressMail, 17, 17, QVUSPSFlatRateLegalEnvelopeSize, true},
        {503, QVUSPSExpressMail, 2, 2, QVUSPSFlatRateBoxSize, true},
    };
    for (int ounces = 1; ounces <= 13; ++ounces) {
        cases.append({119 + ounces, QVUSPSFirstClassMail, ounces, quint32(ounces), QVUSPSLargeEnvelopeSize, true});
        cases.append({139 + ounces, QVUSPSFirstClassMail, ounces, quint32(ounces), QVUSPSRegularSize, true});
    }
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tag);
        ASSERT_TRUE(catalogue.hasRequestForTag(c.tag));
        const TessaroStamp request = catalogue.requestForTag(c.tag);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->mailClass(), c.rate);
        EXPECT_EQ(request->weightInOunces(), c.ounces);
        EXPECT_EQ(request->size(), c.size);
        EXPECT_FALSE(request->isInternational());
        EXPECT_EQ(request->zone(), 1);
        EXPECT_EQ(request->postage(), domesticPrice(clock, c.rate, c.weight, c.size, c.machinable));
    }
    // The oversized letter is the non-machinable price, dearer than 100.
    EXPECT_LT(catalogue.requestForTag(100)->postage(), catalogue.requestForTag(101)->postage());
    // The metered letter price of 2014.
    EXPECT_EQ(catalogue.requestForTag(100)->postage(), Decimal::fromString(QStringLiteral("0.48")));
    // The "3.5 oz." letter weighs 4 ounces.
    EXPECT_EQ(catalogue.requestForTag(104)->weightInOunces(), 4u);
}

TEST_F(TessaroCatalogueTest, BlankAdditionalPostageAndTagsWithoutEntries)
{
    ASSERT_TRUE(catalogue.hasRequestForTag(tessaro::BlankTag));
    EXPECT_FALSE(catalogue.requestForTag(tessaro::BlankTag));

    const TessaroStamp additional = catalogue.requestForTag(tessaro::AdditionalPostageTag);
    ASSERT_TRUE(additional);
    EXPECT_EQ(additional->postage(), Decimal::fromString(QStringLiteral("0.02")));
    EXPECT_EQ(additional->amountMils(), std::optional<quint32>(20));
    EXPECT_EQ(additional->mailClass(), QVUSPSFirstClassMail);
    EXPECT_EQ(additional->size(), QVUSPSLetterSize);
    EXPECT_EQ(additional->weightInOunces(), 1u);

    // Unknown tags, the custom amount and headers have no entry: a blank.
    for (int tag : {1, 16, 99, 105, 999, tessaro::CustomAmountTag}) {
        EXPECT_FALSE(catalogue.hasRequestForTag(tag)) << tag;
        EXPECT_FALSE(catalogue.requestForTag(tag)) << tag;
    }
}

TEST_F(TessaroCatalogueTest, InternationalValuesThatTheEngineCannotPriceHaveNoEntry)
{
    // The built-in tables carry no First-Class Mail International prices.
    ConsoleCapture console;
    ASSERT_EQ(QVUSPSIntlRateClass::intlRateWithName(QVUSPSIntlFirstClassMailIntl,
                                                    QVCountry::countryWithName(QStringLiteral("CANADA")))
                  ->rateForWeightInOunces(1, QVUSPSLetterSize, false, false, clock, nullptr, nullptr),
              Decimal::zero());
    for (int tag = 401; tag <= 408; ++tag) {
        EXPECT_FALSE(catalogue.hasRequestForTag(tag)) << tag;
        EXPECT_FALSE(catalogue.requestForTag(tag)) << tag;
    }
    // Their menu items show the title alone.
    const auto letters = catalogue.classMenus().value(tessaro::FirstClassLetter);
    EXPECT_EQ(letters.last().tag, 402);
    EXPECT_EQ(letters.last().title, QStringLiteral("1 oz."));
}

TEST_F(TessaroCatalogueTest, InternationalValuesByCountryWeightAndSize)
{
    // Country rules of the test's own: the three destinations with First-Class
    // Mail International groups (7, 8, 9) and parcel groups (4, 5, 6) that
    // differ, so that every amount shows the country and the group it took.
    // Fixture values, not USPS groups.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString rules = dir.filePath(QStringLiteral("countries.dat"));
    {
        QFile file(rules);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const auto &[code, name, group, parcelGroup] :
             {std::tuple{"CA", "CANADA", 7, 4}, std::tuple{"MX", "MEXICO", 8, 5}, std::tuple{"JP", "JAPAN", 9, 6}}) {
            QStringList fields(50, QStringLiteral("0"));
            fields[0] = QString::fromLatin1(code);
            fields[1] = QString::fromLatin1(name);
            fields[30] = QStringLiteral("Y");
            fields[31] = QString::number(group);
            fields[32] = QStringLiteral("Y");
            fields[33] = QString::number(parcelGroup);
            file.write(fields.join(QLatin1Char('\t')).toLatin1() + '\n');
        }
    }
    ASSERT_EQ(LoadCountry2013FileAtPath(QFile::encodeName(rules).constData()), 1);
    struct ShippedCountries {
        ~ShippedCountries()
        {
            LoadCountry2013FileAtPath((std::string(TOLVANE_SOURCE_DIR) + "/resources/country2013.dat").c_str());
        }
    } shippedAfterwards;
    const ScopedRateLeaf letters(
        kREFirstClassIntl, kREShapeLetter, 0,
        MakeRateArray(kIntlLetters.words, RateRowForm::FirstClassIntlRows, "test letters", 10));
    const ScopedRateLeaf flats(kREFirstClassIntl, kREShapeFlat, 0,
                               MakeRateArray(kIntlFlats.words, RateRowForm::FirstClassIntlRows, "test flats", 10));
    const ScopedRateLeaf parcels(
        kREFirstClassIntl, kREShapeParcel, 0,
        MakeRateArray(kIntlParcels.words, RateRowForm::FirstClassIntlRows, "test parcels", 10));

    struct Case {
        int tag;
        quint32 ounces;
        const QString &size;
        qint32 zone; // the country's group
        const char *postage;
    } cases[] = {
        {401, 1, QVUSPSLetterSize, 7, "1.17"},        // Canada
        {402, 1, QVUSPSLetterSize, 9, "1.19"},        // Japan
        {403, 1, QVUSPSLargeEnvelopeSize, 7, "2.17"}, // Canada
        {404, 1, QVUSPSLargeEnvelopeSize, 9, "2.19"}, // Japan
        {405, 1, QVUSPSRegularSize, 7, "3.14"},       // Canada, parcel group 4
        {406, 1, QVUSPSRegularSize, 9, "3.16"},       // Japan, parcel group 6
        {407, 1, QVUSPSLetterSize, 8, "1.18"},        // Mexico
        // The "2 oz." parcel to Canada: the 2-oz step, not 405's 1 oz.
        {408, 2, QVUSPSRegularSize, 7, "3.24"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tag);
        ASSERT_TRUE(catalogue.hasRequestForTag(c.tag));
        const TessaroStamp request = catalogue.requestForTag(c.tag);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->mailClass(), QVUSPSIntlFirstClassMailIntl);
        EXPECT_TRUE(request->isInternational());
        EXPECT_EQ(request->weightInOunces(), c.ounces);
        EXPECT_EQ(request->size(), c.size);
        EXPECT_EQ(request->zone(), c.zone);
        EXPECT_EQ(request->postage(), Decimal::fromString(QString::fromLatin1(c.postage)));
        EXPECT_EQ(catalogue.keyForStamp(request), c.tag);
    }

    // Priced values carry their price in the menus; 402 is one request with
    // one price in the postcard and letter menus.
    const auto &menus = catalogue.classMenus();
    EXPECT_EQ(menus.value(tessaro::Postcard).last().title, QStringLiteral("International Postcard ($1.19)"));
    EXPECT_EQ(menus.value(tessaro::FirstClassLetter).last().title, QStringLiteral("1 oz. ($1.19)"));
    EXPECT_EQ(menus.value(tessaro::FirstClassFlat).last().title, QStringLiteral("1 oz. ($2.17)"));
    const QList<TessaroMenuItem> parcelItems = menus.value(tessaro::FirstClassParcel);
    ASSERT_GE(parcelItems.size(), 2);
    EXPECT_EQ(parcelItems[parcelItems.size() - 2].title, QStringLiteral("1 oz. ($3.14)"));
    EXPECT_EQ(parcelItems.last().title, QStringLiteral("2 oz. ($3.24)"));
}

TEST_F(TessaroCatalogueTest, EqualStampsFindTheirTagAndOthersCountAsCustomAmounts)
{
    for (int tag : {100, 101, 104, 123, 203, 303, 901})
        EXPECT_EQ(catalogue.keyForStamp(catalogue.requestForTag(tag)), tag);
    EXPECT_EQ(catalogue.keyForStamp(nullptr), tessaro::BlankTag);
    // An equal request made elsewhere is found too.
    const auto copy = QVRHOStampIndiciumRequest::stampRequestWithRate(QVUSPSFirstClassMail, 2, QVUSPSLetterSize, true,
                                                                      QVUSPSRateClass::ratesForDate(clock));
    EXPECT_EQ(catalogue.keyForStamp(copy), 102);
    const auto custom = std::make_shared<QVRHOStampIndiciumRequest>(
        Decimal::fromString(QStringLiteral("0.33")), QVUSPSFirstClassMail, 1, QVUSPSLetterSize, false, 1, true);
    EXPECT_EQ(catalogue.keyForStamp(custom), tessaro::CustomAmountTag);
}

TEST_F(TessaroCatalogueTest, ClassMenusPerMailpiece)
{
    const auto &menus = catalogue.classMenus();
    ASSERT_EQ(menus.keys(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    const auto price = [this](int tag) {
        return QStringLiteral(" (%1)").arg(TessaroCatalogue::postageString(catalogue.requestForTag(tag)->postage()));
    };
    EXPECT_EQ(titles(menus.value(1)),
              (QStringList{"1:Postcard", "114:Postcard" + price(114), "402:International Postcard"}));
    EXPECT_EQ(titles(menus.value(2)),
              (QStringList{"2:First-Class Letter", "100:1 oz." + price(100), "101:1 oz. Oversized" + price(101),
                           "102:2 oz." + price(102), "103:3 oz." + price(103), "104:3.5 oz." + price(104),
                           "901:Additional Postage ($0.02)", "-", "10:First-Class International", "402:1 oz."}));
    EXPECT_EQ(titles(menus.value(5)),
              (QStringList{"8:Priority Mail", "203:Flat Rate Envelope" + price(203),
                           "206:Legal Flat Rate Envelope" + price(206), "-", "9:Priority Mail Express",
                           "501:Flat Rate Envelope" + price(501), "502:Legal Flat Rate Envelope" + price(502)}));
    EXPECT_EQ(titles(menus.value(6)),
              (QStringList{"7:Priority Mail", "202:Medium Flat Rate Box" + price(202), "-", "16:Priority Mail Express",
                           "503:Flat Rate Box" + price(503)}));
    EXPECT_EQ(titles(menus.value(7)), (QStringList{"11:Priority Mail", "204:Large Flat Rate Box" + price(204)}));
    EXPECT_EQ(titles(menus.value(8)), (QStringList{"15:Priority Mail", "205:Small Flat Rate Box" + price(205)}));

    // Flats and parcels: 13 weights each, then the international group.
    for (const auto &[mailpiece, header, first, intlHeader, intl] :
         {std::tuple{3, 3, 120, 12, QList<int>{403}}, std::tuple{4, 4, 140, 13, QList<int>{405, 408}}}) {
        const QList<TessaroMenuItem> items = menus.value(mailpiece);
        ASSERT_EQ(items.size(), 1 + 13 + 1 + 1 + intl.size()) << mailpiece;
        EXPECT_EQ(items[0].tag, header);
        EXPECT_EQ(items[0].indentationLevel, 0);
        for (int ounces = 1; ounces <= 13; ++ounces) {
            EXPECT_EQ(items[ounces].tag, first + ounces - 1);
            EXPECT_EQ(items[ounces].title, QStringLiteral("%1 oz.").arg(ounces) + price(first + ounces - 1));
            EXPECT_EQ(items[ounces].indentationLevel, 1);
        }
        EXPECT_TRUE(items[14].isSeparator);
        EXPECT_EQ(items[14].tag, tessaro::MenuSeparatorTag);
        EXPECT_EQ(items[15].tag, intlHeader);
        for (qsizetype i = 0; i < intl.size(); ++i)
            EXPECT_EQ(items[16 + i].tag, intl[i]);
    }
    EXPECT_EQ(menus.value(4).last().title, QStringLiteral("2 oz."));

    // No Media Mail and none of 201, 401, 404, 406, 407 in any menu.
    for (const auto &items : menus)
        for (const TessaroMenuItem &item : items)
            for (int tag : {201, 301, 302, 303, 401, 404, 406, 407})
                EXPECT_NE(item.tag, tag);
}

TEST_F(TessaroCatalogueTest, InternationalPostcardIsOneValueInTwoMenus)
{
    const auto postcard = catalogue.classMenus().value(tessaro::Postcard).last();
    const auto letter = catalogue.classMenus().value(tessaro::FirstClassLetter).last();
    EXPECT_EQ(postcard.tag, 402);
    EXPECT_EQ(letter.tag, 402);
    EXPECT_EQ(postcard.title.mid(QStringLiteral("International Postcard").size()),
              letter.title.mid(QStringLiteral("1 oz.").size()));
    EXPECT_EQ(catalogue.mailpieceForClassTag(402), tessaro::Postcard);
}

TEST_F(TessaroCatalogueTest, MailpieceOfAClassTag)
{
    const struct {
        int tag;
        int mailpiece;
    } cases[] = {{114, 1}, {100, 2}, {901, 2}, {10, 2},  {123, 3}, {403, 3}, {152, 4},  {408, 4}, {206, 5},
                 {501, 5}, {503, 6}, {204, 7}, {205, 8}, {0, 4},   {201, 4}, {1001, 4}, {999, 4}};
    for (const auto &c : cases)
        EXPECT_EQ(catalogue.mailpieceForClassTag(c.tag), c.mailpiece) << c.tag;
}

TEST_F(TessaroCatalogueTest, HeaderDefaultsAndEnabling)
{
    const QList<QPair<int, int>> defaults{{1, 114}, {2, 100}, {3, 120},  {4, 140},   {5, 201},    {6, 201},  {7, 202},
                                          {8, 203}, {9, 501}, {10, 401}, {14, 401},  {11, 204},   {12, 403}, {13, 405},
                                          {15, 15}, {16, 16}, {0, 0},    {100, 100}, {1001, 1001}};
    for (const auto &[header, tag] : defaults)
        EXPECT_EQ(TessaroCatalogue::classTagForHeaderTag(header), tag) << header;

    for (int tag = 1; tag <= 16; ++tag) {
        EXPECT_FALSE(TessaroCatalogue::validateClassMenuItem(tag, false)) << tag;
        EXPECT_FALSE(TessaroCatalogue::validateClassMenuItem(tag, true)) << tag;
    }
    for (int tag : {1000, 1999})
        EXPECT_FALSE(TessaroCatalogue::validateClassMenuItem(tag, false)) << tag;
    EXPECT_TRUE(TessaroCatalogue::validateClassMenuItem(tessaro::BlankTag, false));
    EXPECT_FALSE(TessaroCatalogue::validateClassMenuItem(tessaro::BlankTag, true));
    for (int tag : {17, 100, 408, 901, 999, 1001, 9999})
        EXPECT_TRUE(TessaroCatalogue::validateClassMenuItem(tag, true)) << tag;
}

TEST_F(TessaroCatalogueTest, ResetPricesEveryValueWithTheRatesThenInForce)
{
    const TessaroStamp before = catalogue.requestForTag(203);
    const QString titleBefore = catalogue.classMenus().value(tessaro::PriorityMailEnvelope).at(1).title;
    EXPECT_EQ(before->postage(), Decimal::fromString(QStringLiteral("5.60")));

    // Nothing changes until the catalogue is reset.
    clock = september2014();
    EXPECT_EQ(catalogue.requestForTag(203), before);
    EXPECT_EQ(catalogue.classMenus().value(tessaro::PriorityMailEnvelope).at(1).title, titleBefore);

    catalogue.reset();
    EXPECT_EQ(catalogue.requestForTag(203)->postage(), Decimal::fromString(QStringLiteral("5.75")));
    EXPECT_EQ(catalogue.requestForTag(204)->postage(), Decimal::fromString(QStringLiteral("17.90")));
    for (const auto &items : catalogue.classMenus())
        for (const TessaroMenuItem &item : items) {
            const TessaroStamp request = catalogue.requestForTag(item.tag);
            if (item.isSeparator || item.indentationLevel == 0 || !request)
                continue;
            EXPECT_TRUE(
                item.title.endsWith(QStringLiteral(" (%1)").arg(TessaroCatalogue::postageString(request->postage()))))
                << item.title.toStdString();
            if (request->mailClass() != QVUSPSMediaMail && item.tag != tessaro::AdditionalPostageTag) {
                EXPECT_EQ(request->postage(),
                          domesticPrice(clock, request->mailClass(), int(request->weightInOunces()), request->size(),
                                        item.tag != 101))
                    << item.tag;
            }
        }
    EXPECT_EQ(catalogue.classMenus().value(tessaro::PriorityMailEnvelope).at(1).title,
              QStringLiteral("Flat Rate Envelope ($5.75)"));
}

TEST(TessaroSampleBarcode, TheSampleSymbolIsMadeOnceAndReadsBackAsItsTwentyBytes)
{
    const QByteArray bytes = TessaroCatalogue::sampleBarcodeBytes();
    ASSERT_EQ(bytes.size(), 20);
    EXPECT_EQ(bytes.toHex().toUpper(), QByteArray("FFC0F400007189A2077201000000000000000000"));
    const auto symbol = TessaroCatalogue::sampleBarcode();
    ASSERT_TRUE(symbol);
    EXPECT_EQ(TessaroCatalogue::sampleBarcode(), symbol);
    EXPECT_EQ(symbol->matrix()->rows, 12);
    EXPECT_EQ(symbol->matrix()->columns, 36);
    if (!haveProgram(QStringLiteral("dmtxread")))
        GTEST_SKIP() << "dmtxread missing";
    const QString png = outputPath(QStringLiteral("tessaro-sample-symbol.png"));
    ASSERT_TRUE(writeModuleGridPng(
        12, 36, [&](int r, int c) { return symbol->cell(r + 1, c + 1); }, png, 8, 8, 4, 4));
    QByteArray out;
    int exitCode = 0;
    ASSERT_TRUE(runTool(QStringLiteral("dmtxread"), {QStringLiteral("-N1"), png}, &out, nullptr, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(out.toHex(), bytes.toHex());
}
