// Envelope and postcard sizes: the built-in lists of the bundle, the user's
// custom sizes, selection by tag, summary and menu texts, and custom size
// texts that are not sizes.
#include "PrintingTestSupport.h"

#include "platform/Bundle.h"
#include "printing/layouts/QVEnvelopeSizes.h"

#include <QImage>
#include <QSet>

using namespace tolvane;

namespace {

class EnvelopeSizesTest : public PrintingTest
{
protected:
    void setCustomSizes(const QVariantList &sizes) { defaults().setObject(sizes, QVEnvelopeSizesKey); }

    QVariantList fourCustomSizes()
    {
        return {QVEnvelopeSizes::entry(QStringLiteral("Card"), QSizeF(5, 3.5)),
                QVEnvelopeSizes::entry(QStringLiteral("Wide"), QSizeF(11, 6.125)),
                QVEnvelopeSizes::entry(QStringLiteral("Invitation"), QSizeF(7, 5)),
                QVEnvelopeSizes::entry(QStringLiteral("Fourth"), QSizeF(8.25, 4.5))};
    }
};

} // namespace

TEST_F(EnvelopeSizesTest, BuiltinListsAreStandardSizesInsideTheCustomSizeLimits)
{
    const QVariantList envelopes = QVEnvelopeSizes::builtinEnvelopeSizes();
    const QVariantList postcards = QVEnvelopeSizes::builtinPostcardSizes();
    ASSERT_GE(envelopes.size(), 2);
    ASSERT_GE(postcards.size(), 1);
    bool sawNo10 = false;
    for (const QVariantList &list : {envelopes, postcards}) {
        for (const QVariant &item : list) {
            const QVEnvelopeSize entry = QVEnvelopeSizes::entryFromVariant(item);
            SCOPED_TRACE(item.toMap().value(QStringLiteral("name")).toString().toStdString());
            ASSERT_FALSE(entry.isNull());
            EXPECT_FALSE(entry.name.isEmpty());
            // Width is the long side; the set-up window's limits hold.
            EXPECT_GE(entry.size.width(), 5.0);
            EXPECT_LE(entry.size.width(), 11.0);
            EXPECT_GE(entry.size.height(), 3.5);
            EXPECT_LE(entry.size.height(), 6.125);
            EXPECT_GT(entry.size.width(), entry.size.height());
            sawNo10 = sawNo10 || (entry.name == QStringLiteral("No. 10") && entry.size == QSizeF(9.5, 4.125));
        }
    }
    EXPECT_TRUE(sawNo10);
    // The registered default selects a business envelope and a 4 x 6 card.
    EXPECT_EQ(QVEnvelopeSizes::currentEnvelope().name, QStringLiteral("No. 10"));
    EXPECT_EQ(QVEnvelopeSizes::currentPostcardSize(), QSizeF(6, 4));
}

TEST_F(EnvelopeSizesTest, TagsSelectBuiltinOrCustomEntriesOrNothing)
{
    setCustomSizes(fourCustomSizes());
    const QVEnvelopeSize firstBuiltin =
        QVEnvelopeSizes::entryFromVariant(QVEnvelopeSizes::builtinEnvelopeSizes().constFirst());
    const qint64 lastBuiltinTag = 100 + QVEnvelopeSizes::builtinEnvelopeSizes().size() - 1;
    const QVEnvelopeSize lastBuiltin =
        QVEnvelopeSizes::entryFromVariant(QVEnvelopeSizes::builtinEnvelopeSizes().constLast());
    const struct {
        qint64 tag;
        QString name;
        QSizeF size;
    } cases[] = {
        {203, QStringLiteral("Fourth"), QSizeF(8.25, 4.5)},
        {200, QStringLiteral("Card"), QSizeF(5, 3.5)},
        {100, firstBuiltin.name, firstBuiltin.size},
        {lastBuiltinTag, lastBuiltin.name, lastBuiltin.size},
        {lastBuiltinTag + 1, QString(), QSizeF(0, 0)},
        {204, QString(), QSizeF(0, 0)},
        {99, QString(), QSizeF(0, 0)},
        {0, QString(), QSizeF(0, 0)},
        {-5, QString(), QSizeF(0, 0)},
        {1000000, QString(), QSizeF(0, 0)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tag);
        defaults().setInteger(c.tag, QVSelectedEnvelopeSizeKey);
        const QVEnvelopeSize entry = QVEnvelopeSizes::currentEnvelope();
        EXPECT_EQ(entry.name, c.name);
        EXPECT_EQ(entry.size, c.size);
        EXPECT_EQ(QVEnvelopeSizes::currentEnvelopeSize(), c.size);
    }
    // Postcards have no custom list: every tag from 200 up is nothing.
    for (const qint64 tag : {200, 203}) {
        defaults().setInteger(tag, QVSelectedPostcardSizeKey);
        EXPECT_EQ(QVEnvelopeSizes::currentPostcardSize(), QSizeF(0, 0));
        EXPECT_EQ(QVEnvelopeSizes::currentPostcardSummaryString(), QStringLiteral("(0\" x 0\")"));
    }
    defaults().setInteger(100, QVSelectedPostcardSizeKey);
    EXPECT_FALSE(QVEnvelopeSizes::currentPostcard().isNull());
}

TEST_F(EnvelopeSizesTest, SummaryAndMenuTitleNameTheEntryThenHeightThenWidth)
{
    setCustomSizes({QVEnvelopeSizes::entry(QStringLiteral("Business"), QSizeF(9.5, 4.125))});
    defaults().setInteger(200, QVSelectedEnvelopeSizeKey);
    EXPECT_EQ(QVEnvelopeSizes::currentEnvelopeSummaryString(), QStringLiteral("Business (4.125\" x 9.5\")"));
    EXPECT_EQ(QVEnvelopeSizes::menuTitle(QVEnvelopeSizes::currentEnvelope()),
              QStringLiteral("Business - 4.125\" x 9.5\""));
    defaults().setInteger(99, QVSelectedEnvelopeSizeKey);
    EXPECT_EQ(QVEnvelopeSizes::currentEnvelopeSummaryString(), QStringLiteral("(0\" x 0\")"));
}

TEST_F(EnvelopeSizesTest, MalformedCustomSizeIsNoSize)
{
    const QVariant texts[] = {
        QStringLiteral(""),
        QStringLiteral("9.5 x 4.125"),
        QStringLiteral("{9.5}"),
        QStringLiteral("{9.5, 4.125"),
        QStringLiteral("{9.5, 4.125, 3}"),
        QStringLiteral("{a, b}"),
        QStringLiteral("{nan, 4}"),
        QStringLiteral("{inf, 4}"),
        QStringLiteral("{1e400, 4}"),
        QStringLiteral("{-9.5, 4.125}"),
        QStringLiteral("{0, 0}"),
        QStringLiteral("{9.5, 0}"),
        QStringLiteral("{101, 4}"),
        QStringLiteral("{1e-200, 4}"),
        QStringLiteral("{9.5, 0.009}"),
        QVariant(qint64(12)),
        QVariant(QVariantList{9.5, 4.125}),
    };
    for (const QVariant &text : texts) {
        SCOPED_TRACE(text.toString().toStdString());
        setCustomSizes({QVariantMap{{QVEnvelopeSizeNameKey, QStringLiteral("Broken")}, {QVEnvelopeSizeSizeKey, text}},
                        QVariant(QStringLiteral("not an entry"))});
        for (const qint64 tag : {200, 201}) {
            defaults().setInteger(tag, QVSelectedEnvelopeSizeKey);
            EXPECT_TRUE(QVEnvelopeSizes::currentEnvelope().name.isEmpty());
            EXPECT_EQ(QVEnvelopeSizes::currentEnvelopeSize(), QSizeF(0, 0));
            EXPECT_EQ(QVEnvelopeSizes::currentEnvelopeSummaryString(), QStringLiteral("(0\" x 0\")"));
        }
    }
}

TEST_F(EnvelopeSizesTest, SizeTextsReadAndWrite)
{
    const struct {
        QString text;
        QSizeF size;
    } readable[] = {
        {QStringLiteral("{9.5, 4.125}"), QSizeF(9.5, 4.125)},
        {QStringLiteral("{11,6.125}"), QSizeF(11, 6.125)},
        {QStringLiteral("  { 5 , 3.5 } "), QSizeF(5, 3.5)},
        {QStringLiteral("{.5, 1e1}"), QSizeF(0.5, 10)},
        {QStringLiteral("{100, 100}"), QSizeF(100, 100)},
        {QStringLiteral("{0.01, 1.234567}"), QSizeF(0.01, 1.234567)},
    };
    for (const auto &c : readable) {
        SCOPED_TRACE(c.text.toStdString());
        const std::optional<QSizeF> size = QVEnvelopeSizes::sizeFromString(c.text);
        ASSERT_TRUE(size);
        EXPECT_EQ(*size, c.size);
        EXPECT_EQ(QVEnvelopeSizes::sizeFromString(QVEnvelopeSizes::stringFromSize(*size)), size);
    }
    EXPECT_EQ(QVEnvelopeSizes::stringFromSize(QSizeF(9.5, 4.125)), QStringLiteral("{9.5, 4.125}"));
    EXPECT_EQ(QVEnvelopeSizes::stringFromSize(QSizeF(5, 3.5)), QStringLiteral("{5, 3.5}"));
    EXPECT_EQ(QVEnvelopeSizes::plainDecimal(6.125), QStringLiteral("6.125"));
    EXPECT_EQ(QVEnvelopeSizes::plainDecimal(11), QStringLiteral("11"));
    EXPECT_EQ(QVEnvelopeSizes::plainDecimal(0), QStringLiteral("0"));
}

TEST_F(EnvelopeSizesTest, EveryEnvelopeFeedPictureIsInTheBundle)
{
    // feed-direction-facing-tray, "-noreturn" for the printed side up
    // without a return address.
    const QStringList feeds = {QStringLiteral("left"), QStringLiteral("center"), QStringLiteral("right")};
    const QStringList directions = {QStringLiteral("lef"), QStringLiteral("ref")};
    const QStringList facings = {QStringLiteral("up"), QStringLiteral("down")};
    const QStringList trays = {QStringLiteral("top"), QStringLiteral("front")};
    QSet<QByteArray> drawings;
    int count = 0;
    for (const QString &feed : feeds)
        for (const QString &direction : directions)
            for (const QString &facing : facings)
                for (const QString &tray : trays)
                    for (const bool noreturn : {false, true}) {
                        if (noreturn && facing != QLatin1String("up"))
                            continue;
                        const QString name = QStringList{feed, direction, facing, tray}.join(QLatin1Char('-')) +
                            (noreturn ? QStringLiteral("-noreturn") : QString());
                        SCOPED_TRACE(name.toStdString());
                        const QString path = Bundle::pathForResource(name, QStringLiteral("png"));
                        ASSERT_FALSE(path.isEmpty());
                        const QImage image(path);
                        ASSERT_FALSE(image.isNull());
                        EXPECT_EQ(image.size(), QSize(180, 180));
                        drawings.insert(
                            QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
                        ++count;
                    }
    EXPECT_EQ(count, 36);
    // Every setting shows: no two pictures are the same.
    EXPECT_EQ(drawings.size(), 36);
}

TEST_F(EnvelopeSizesTest, EveryEnvelopeAndCustomsKeyHasARegisteredDefault)
{
    // Each window and layout reads these before the user has ever chosen:
    // a key without a registered value would read as "off", 0 or no text.
    const char *keys[] = {"envelopePrintReturnAddress",
                          "envelopeAlignPostageLeft",
                          "rightAlignEnvelopeAddresses",
                          "useFromAddressImage",
                          "fromAddressImage",
                          "envelopeFeed",
                          "envelopeFacing",
                          "envelopeTrayLocation",
                          "envelopeDirection",
                          "envelopeGiantRotate",
                          "selectedEnvelopeSize",
                          "selectedPostcardSize",
                          "signatureImagePath",
                          "printCustomsInstructions"};
    QString error;
    const auto registered = Bundle::propertyListForResource(QStringLiteral("QVDefaults"), &error);
    ASSERT_TRUE(registered.has_value()) << error.toStdString();
    const QVariantMap map = registered->toMap();
    for (const char *key : keys) {
        SCOPED_TRACE(key);
        EXPECT_TRUE(map.contains(QString::fromLatin1(key)));
        EXPECT_TRUE(defaults().objectForKey(QString::fromLatin1(key)).isValid());
    }
    // No signature until the user names a picture; the customs forms print
    // without their instructions page until the user asks for it.
    EXPECT_TRUE(defaults().stringForKey(QStringLiteral("signatureImagePath")).isEmpty());
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("printCustomsInstructions")));
}
