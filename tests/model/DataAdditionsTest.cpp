#include "model/DataAdditions.h"

#include <gtest/gtest.h>

namespace {

QByteArray bytes(std::initializer_list<unsigned char> values)
{
    QByteArray data;
    for (unsigned char v : values)
        data.append(char(v));
    return data;
}

TEST(DataAdditions, HexStringToBytes)
{
    struct Case {
        QString text;
        QByteArray data;
    };
    const Case cases[] = {
        {QStringLiteral("abc"), bytes({0x0a, 0xbc})},
        {QStringLiteral("0XFF"), bytes({0xff})},
        {QStringLiteral("0xff"), bytes({0xff})},
        {QStringLiteral("   0x1f"), bytes({0x1f})},
        {QStringLiteral("\t\n0102"), bytes({0x01, 0x02})},
        {QString(), QByteArray()},
        {QStringLiteral("   "), QByteArray()},
        {QStringLiteral("0x"), QByteArray()},
        {QStringLiteral("DEADbeef"), bytes({0xde, 0xad, 0xbe, 0xef})},
    };
    for (const Case &c : cases) {
        QString error;
        const auto data = dataWithHexString(c.text, &error);
        ASSERT_TRUE(data.has_value()) << c.text.toStdString() << ": " << error.toStdString();
        EXPECT_EQ(*data, c.data) << c.text.toStdString();
    }
}

TEST(DataAdditions, BadHexDigitIsReportedNotRaised)
{
    struct Case {
        QString text;
        QString reason;
    };
    const Case cases[] = {
        // White space between digits is a bad digit.
        {QStringLiteral("12 3"), QStringLiteral("Attempt to interpret a string containing ' ' as a hexidecimal value")},
        {QStringLiteral("0x1g"), QStringLiteral("Attempt to interpret a string containing 'g' as a hexidecimal value")},
        {QStringLiteral("abc "), QStringLiteral("Attempt to interpret a string containing ' ' as a hexidecimal value")},
        {QStringLiteral("Z"), QStringLiteral("Attempt to interpret a string containing 'Z' as a hexidecimal value")},
    };
    for (const Case &c : cases) {
        QString error;
        EXPECT_FALSE(dataWithHexString(c.text, &error).has_value()) << c.text.toStdString();
        EXPECT_EQ(error, c.reason);
    }
    // A unit whose low eight bits look like a digit is still not a digit.
    EXPECT_FALSE(dataWithHexString(QString(QChar(0x0161)) + QLatin1Char('1')).has_value());
    EXPECT_EQ(IllegalHexDigit, QStringLiteral("IllegalHexDigit"));
}

TEST(DataAdditions, BytesToHexText)
{
    const QByteArray data = bytes({0x01, 0xab});
    EXPECT_EQ(lowercaseHexString(data), QStringLiteral("0x01ab"));
    EXPECT_EQ(unadornedLowercaseHexString(data), QStringLiteral("01ab"));
    EXPECT_EQ(lowercaseHexStringWithPrefix(bytes({0x00, 0xff, 0x10}), QStringLiteral("#")), QStringLiteral("#00ff10"));
    EXPECT_EQ(lowercaseHexString(QByteArray()), QStringLiteral("0x"));

    // Round trip through both directions.
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    EXPECT_EQ(dataWithHexString(unadornedLowercaseHexString(all)), all);
}

TEST(DataAdditions, Base64)
{
    EXPECT_EQ(dataWithBase64String(QStringLiteral("Zm9vYmFy")), QByteArray("foobar"));
    EXPECT_EQ(dataWithBase64String(QStringLiteral("YWJj\n")), QByteArray("abc"));
}

TEST(DataAdditions, Digests)
{
    // FIPS 180 test vectors ("abc" and the empty message).
    struct Case {
        QByteArray data;
        const char *sha1;
        const char *sha256;
    };
    const Case cases[] = {
        {QByteArray("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d",
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {QByteArray(), "da39a3ee5e6b4b0d3255bfef95601890afd80709",
         "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {QByteArray("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    };
    for (const Case &c : cases) {
        const QByteArray sha1 = rho_sha1Signature(c.data);
        EXPECT_EQ(sha1.size(), 20);
        EXPECT_EQ(unadornedLowercaseHexString(sha1), QLatin1String(c.sha1));
        const QByteArray sha256 = rho_sha256Signature(c.data);
        EXPECT_EQ(sha256.size(), 32);
        EXPECT_EQ(unadornedLowercaseHexString(sha256), QLatin1String(c.sha256));
    }
}

TEST(DataAdditions, Dictionaries)
{
    const QVariantMap map{{QStringLiteral("a"), 1},
                          {QStringLiteral("b"), 2},
                          {QStringLiteral("c"), 1},
                          {QStringLiteral("n"), nullObject()}};

    EXPECT_EQ(objectForKey(map, QStringLiteral("b"), 9), QVariant(2));
    EXPECT_EQ(objectForKey(map, QStringLiteral("z"), 9), QVariant(9));
    EXPECT_FALSE(objectForKey(map, QStringLiteral("z"), QVariant()).isValid());
    // A stored null object is a value.
    EXPECT_TRUE(isNullObject(objectForKey(map, QStringLiteral("n"), 9)));

    // The value 1 is stored under "a" and "c"; the map's order reaches "a" first.
    EXPECT_EQ(keyForObjectEqualTo(map, 1), QStringLiteral("a"));
    EXPECT_EQ(keyForObjectEqualTo(map, 2), QStringLiteral("b"));
    EXPECT_FALSE(keyForObjectEqualTo(map, 3).has_value());

    const QVariantMap other{{QStringLiteral("b"), 20}, {QStringLiteral("c"), nullObject()}, {QStringLiteral("d"), 4}};
    const QVariantMap merged = dictionaryByAddingObjectsFromDictionary(map, other);
    const QVariantMap expected{{QStringLiteral("a"), 1},
                               {QStringLiteral("b"), 20},
                               {QStringLiteral("d"), 4},
                               {QStringLiteral("n"), nullObject()}};
    EXPECT_EQ(merged, expected);
    EXPECT_EQ(dictionaryByAddingObjectsFromDictionary(map, QVariantMap()), map);
}

TEST(DataAdditions, Dates)
{
    const QDateTime earlier(QDate(2014, 1, 26), QTime(12, 0), Qt::UTC);
    const QDateTime later = earlier.addSecs(1);
    EXPECT_TRUE(isAfterDate(later, earlier));
    EXPECT_FALSE(isAfterDate(earlier, later));
    EXPECT_TRUE(isBeforeDate(earlier, later));
    EXPECT_FALSE(isBeforeDate(later, earlier));
    EXPECT_FALSE(isAfterDate(earlier, earlier));
    EXPECT_FALSE(isBeforeDate(earlier, earlier));
}

} // namespace
