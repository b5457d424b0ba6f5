// The update feed's reader: items, versions, our own properties, refusal of
// hostile feeds, and the strict readers of the holiday list and of the
// minimum version to print.
#include "app/shell/Appcast.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kFeed = R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
  <channel>
    <title>Tolvane for Mac</title>
    <item>
      <title>Version 2.0</title>
      <link>https://example.invalid/2.0.html</link>
      <enclosure url="https://example.invalid/2.0.zip" sparkle:version="400" sparkle:shortVersionString="2.0"/>
      <tolvane:minimumToPrint>380</tolvane:minimumToPrint>
    </item>
    <item>
      <title>Version 2.1</title>
      <sparkle:version>412</sparkle:version>
      <enclosure url="https://example.invalid/2.1.zip" sparkle:version="999" sparkle:shortVersionString="2.1"/>
      <tolvane:holidays><![CDATA[<plist version="1.0"><dict><key>2014-12-25</key><string>Christmas Day</string></dict></plist>]]></tolvane:holidays>
    </item>
  </channel>
  <item><title>outside the channel</title></item>
</rss>
)";

} // namespace

TEST(Appcast, ReadsItemsVersionsAndOwnProperties)
{
    QString error;
    const auto items = readAppcast(kFeed, &error);
    ASSERT_TRUE(items) << error.toStdString();
    ASSERT_EQ(items->size(), 2);
    const AppcastItem &first = items->at(0);
    EXPECT_EQ(first.title, QStringLiteral("Version 2.0"));
    EXPECT_EQ(first.link, QStringLiteral("https://example.invalid/2.0.html"));
    EXPECT_EQ(first.enclosureURL, QStringLiteral("https://example.invalid/2.0.zip"));
    EXPECT_EQ(first.version, QStringLiteral("400"));
    EXPECT_EQ(first.shortVersionString, QStringLiteral("2.0"));
    EXPECT_EQ(first.properties.value(QVAppcastMinimumToPrintKey), QStringLiteral("380"));
    const AppcastItem &second = items->at(1);
    // The element wins over the enclosure's attribute.
    EXPECT_EQ(second.version, QStringLiteral("412"));
    EXPECT_TRUE(second.link.isEmpty());
    const auto holidays = readHolidayList(second.properties.value(QVAppcastHolidaysKey), &error);
    ASSERT_TRUE(holidays) << error.toStdString();
    EXPECT_EQ(holidays->value(QStringLiteral("2014-12-25")), QVariant(QStringLiteral("Christmas Day")));
}

TEST(Appcast, RefusesHostileOrBrokenFeeds)
{
    const QByteArray deep = QByteArray("<rss><channel><item>") + QByteArray("<a>").repeated(40) +
        QByteArray("</a>").repeated(40) + "</item></channel></rss>";
    QByteArray manyAttributes = "<rss><channel><item><enclosure";
    for (int i = 0; i < 300; ++i)
        manyAttributes += " a" + QByteArray::number(i) + "=\"x\"";
    manyAttributes += "/></item></channel></rss>";
    const struct {
        const char *name;
        QByteArray feed;
    } cases[] = {
        {"not XML", "this is not a feed"},
        {"truncated", kFeed.left(kFeed.size() / 2)},
        {"document type",
         "<!DOCTYPE rss [<!ENTITY x \"y\">]><rss><channel><item><title>&x;</title></item></channel></rss>"},
        {"too deep", deep},
        {"too many attributes", manyAttributes},
        {"too large", QByteArray(kAppcastMaximumSize + 1, ' ')},
    };
    for (const auto &c : cases) {
        QString error;
        EXPECT_FALSE(readAppcast(c.feed, &error)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
    }
    // An empty channel is a feed without items.
    const auto empty = readAppcast("<rss><channel/></rss>");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isEmpty());
}

TEST(Appcast, HolidayListMustBeADictionaryOfTexts)
{
    const struct {
        const char *name;
        const char *text;
        bool accepted;
    } cases[] = {
        {"dictionary of texts", "<plist><dict><key>a</key><string>New Year</string></dict></plist>", true},
        {"empty dictionary", "<plist><dict/></plist>", true},
        {"array", "<plist><array><string>x</string></array></plist>", false},
        {"text", "<plist><string>x</string></plist>", false},
        {"a number inside", "<plist><dict><key>a</key><integer>1</integer></dict></plist>", false},
        {"a dictionary inside", "<plist><dict><key>a</key><dict/></dict></plist>", false},
        {"not a property list", "Christmas", false},
    };
    for (const auto &c : cases) {
        QString error;
        const auto list = readHolidayList(QString::fromUtf8(c.text), &error);
        EXPECT_EQ(list.has_value(), c.accepted) << c.name;
        EXPECT_EQ(error.isEmpty(), c.accepted) << c.name;
    }
}

TEST(Appcast, MinimumToPrintMustBeAPlainUnsignedNumber)
{
    const struct {
        const char *text;
        std::optional<quint32> value;
    } cases[] = {
        {"380", 380u},
        {" 380\n", 380u},
        {"0", 0u},
        {"4294967295", 4294967295u},
        {"4294967296", {}},
        {"-1", {}},
        {"+3", {}},
        {"2.0", {}},
        {"0x10", {}},
        {"", {}},
        {"12 3", {}},
        {"٣", {}},
        {"99999999999999999999", {}},
    };
    for (const auto &c : cases) {
        QString error;
        EXPECT_EQ(readMinimumToPrint(QString::fromUtf8(c.text), &error), c.value) << c.text;
        EXPECT_EQ(error.isEmpty(), c.value.has_value()) << c.text;
    }
}

TEST(Appcast, VersionsCompareByTheirParts)
{
    const struct {
        const char *a;
        const char *b;
        int order;
    } cases[] = {
        {"412", "400", 1},   {"400", "400", 0},
        {"99", "100", -1},   {"1.10", "1.9", 1},
        {"1.0", "1.0b1", 1}, {"1.0b2", "1.0b1", 1},
        {"1.0.1", "1.0", 1}, {"2.1B3", "2.1", -1},
        {"0010", "10", 0},   {"123456789012345678901", "123456789012345678900", 1},
        {"", "1", -1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(compareFeedVersions(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.order) << c.a << " " << c.b;
        EXPECT_EQ(compareFeedVersions(QString::fromUtf8(c.b), QString::fromUtf8(c.a)), -c.order) << c.b << " " << c.a;
    }
}
