#include "model/StringAdditions.h"

#include "model/DataAdditions.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <atomic>
#include <limits>
#include <thread>
#include <vector>

namespace {

TEST(StringAdditions, EmptyStringAndContainment)
{
    EXPECT_TRUE(isEmptyString(QString()));
    EXPECT_TRUE(isEmptyString(QStringLiteral("")));
    EXPECT_TRUE(isEmptyString(std::optional<QString>()));
    EXPECT_FALSE(isEmptyString(QStringLiteral(" ")));

    // A missing or empty needle is always contained, also in an empty text.
    EXPECT_TRUE(qv_containsString(QString(), QString()));
    EXPECT_TRUE(qv_containsString(QString(), QStringLiteral("")));
    EXPECT_TRUE(qv_containsString(QStringLiteral("abc"), QString()));
    EXPECT_TRUE(qv_containsString(QStringLiteral("abc"), QStringLiteral("bc")));
    EXPECT_FALSE(qv_containsString(QStringLiteral("abc"), QStringLiteral("BC")));
    EXPECT_FALSE(qv_containsString(QString(), QStringLiteral("a")));
    EXPECT_TRUE(qv_containsCaseInsensitiveString(QStringLiteral("abc"), QStringLiteral("BC")));
}

TEST(StringAdditions, LineSeparators)
{
    struct Case {
        QString text;
        QStringList lines;
    };
    const Case cases[] = {
        {QStringLiteral("a\r\nb\n"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a\n\nb"), {QStringLiteral("a"), QString(""), QStringLiteral("b")}},
        {QString(), {}},
        {QStringLiteral("one"), {QStringLiteral("one")}},
        {QStringLiteral("a\rb\u0085c\u2028d\u2029e"),
         {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("e")}},
        {QStringLiteral("\n"), {QString("")}},
        {QStringLiteral("a\r\r\nb"), {QStringLiteral("a"), QString(""), QStringLiteral("b")}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(componentsSeparatedByLineSeparators(c.text), c.lines) << c.text.toStdString();
}

TEST(StringAdditions, UspsLogPIC)
{
    // 22 digits: "420", a ZIP and a 14-digit number.
    EXPECT_EQ(uspsLogPIC(QStringLiteral("4209021091234567890123")), QStringLiteral("91234567890123"));
    EXPECT_EQ(uspsLogPIC(QStringLiteral("9400111899223344556677")), QStringLiteral("9400111899223344556677"));
    // Too short to carry a routing prefix: nothing is read past the end.
    EXPECT_EQ(uspsLogPIC(QStringLiteral("420")), QStringLiteral("420"));
    EXPECT_EQ(uspsLogPIC(QStringLiteral("4201234")), QStringLiteral("4201234"));
    EXPECT_EQ(uspsLogPIC(QStringLiteral("42012345")), QString(""));
}

TEST(StringAdditions, SmallPieces)
{
    EXPECT_EQ(stringWithInt(-5), QStringLiteral("-5"));
    EXPECT_EQ(stringWithInt(0), QStringLiteral("0"));
    EXPECT_EQ(horizontalEllipsisString(), QString(QChar(0x2026)));
    EXPECT_EQ(withEllipsis(QStringLiteral("Wait")), QStringLiteral("Wait\u2026"));
    EXPECT_EQ(stringValue(QStringLiteral("x")), QStringLiteral("x"));

    const CharacterSet digits = CharacterSet::decimalDigitCharacterSet();
    EXPECT_TRUE(containsCharacterInSet(QStringLiteral("ab3"), digits));
    EXPECT_FALSE(containsCharacterInSet(QStringLiteral("abc"), digits));
    EXPECT_TRUE(prefixContainsCharacterInSet(QStringLiteral("3ab"), digits));
    EXPECT_FALSE(prefixContainsCharacterInSet(QStringLiteral("a3"), digits));
    EXPECT_FALSE(prefixContainsCharacterInSet(QString(), digits));

    EXPECT_EQ(safeSubstringToIndex(QStringLiteral("abcdef"), 3), QStringLiteral("abc"));
    EXPECT_EQ(safeSubstringToIndex(QStringLiteral("abc"), 3), QStringLiteral("abc"));
    EXPECT_EQ(safeSubstringToIndex(QStringLiteral("abc"), 10), QStringLiteral("abc"));

    EXPECT_EQ(substringStartingWithString(QStringLiteral("key=value"), QStringLiteral("=")), QStringLiteral("=value"));
    EXPECT_EQ(substringStartingAfterString(QStringLiteral("key=value"), QStringLiteral("=")), QStringLiteral("value"));
    EXPECT_EQ(substringStartingAfterString(QStringLiteral("key="), QStringLiteral("=")), QString(""));
    EXPECT_FALSE(substringStartingWithString(QStringLiteral("key"), QStringLiteral("=")));
    EXPECT_FALSE(substringStartingAfterString(QStringLiteral("key"), QStringLiteral("=")));
}

TEST(StringAdditions, NumericCompare)
{
    EXPECT_LT(numericCompare(QStringLiteral("a2"), QStringLiteral("a10")), 0);
    EXPECT_GT(numericCompare(QStringLiteral("a10"), QStringLiteral("a2")), 0);
    EXPECT_EQ(numericCompare(QStringLiteral("a10"), QStringLiteral("a10")), 0);
    EXPECT_LT(numericCompare(QStringLiteral("a"), QStringLiteral("b")), 0);
    EXPECT_LT(numericCompare(QStringLiteral("a"), QStringLiteral("ab")), 0);
    EXPECT_LT(numericCompare(QStringLiteral("x9y"), QStringLiteral("x10a")), 0);
}

TEST(StringAdditions, PaddingAndSpaces)
{
    EXPECT_EQ(stringByPaddingToLength(QStringLiteral("abc"), 5), QStringLiteral("abc  "));
    EXPECT_EQ(stringByPaddingToLength(QStringLiteral("abc"), 2), QStringLiteral("ab"));
    EXPECT_EQ(stringByPaddingToLength(QStringLiteral("abc"), 3), QStringLiteral("abc"));

    EXPECT_EQ(spacesOfLength(3), QStringLiteral("   "));
    const QString hundred = spacesOfLength(100);
    EXPECT_EQ(hundred, QString(100, QLatin1Char(' ')));
    // Grown only by doubling from 16 (16, 32, 64, 128, ...): 128 or more.
    const qsizetype grown = stringadditions_detail::spacesBufferLength();
    EXPECT_GE(grown, 128);
    EXPECT_EQ(grown % 16, 0);
    EXPECT_EQ((grown / 16) & (grown / 16 - 1), 0) << grown;
    EXPECT_EQ(spacesOfLength(0), QString());
}

TEST(StringAdditions, SpacesFromManyThreads)
{
    // Threads growing and reading the shared buffer at once each get exact runs.
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int n = 1; n < 3000; n += 7 + t) {
                const QString run = spacesOfLength(n);
                if (run.size() != n || run.count(QLatin1Char(' ')) != n)
                    ++wrong;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(StringAdditions, SeparatingSubstrings)
{
    const QString digits = QStringLiteral("1234567");
    const QString comma = QStringLiteral(",");
    EXPECT_EQ(stringBySeparatingSubstringsOfLength(digits, 3, comma, true), QStringLiteral("123,456,7"));
    EXPECT_EQ(stringBySeparatingSubstringsOfLength(digits, 3, comma, false), QStringLiteral("1,234,567"));
    EXPECT_EQ(stringBySeparatingSubstringsOfLength(QStringLiteral("123456"), 3, comma, false),
              QStringLiteral("123,456"));
    EXPECT_EQ(stringBySeparatingSubstringsOfLength(QStringLiteral("123"), 3, comma, false), QStringLiteral("123"));
    EXPECT_EQ(stringBySeparatingSubstringsOfLength(QString(), 0, comma, false), QString());
    try {
        stringBySeparatingSubstringsOfLength(digits, 0, comma, true);
        FAIL() << "a zero group length must be refused";
    } catch (const InvalidArgumentException &e) {
        EXPECT_TRUE(e.reason().endsWith(QStringLiteral("substringLength must be non-zero.")));
    }
}

TEST(StringAdditions, Whitespace)
{
    EXPECT_EQ(stringByCollapsingWhitespace(QStringLiteral(" a \t\n b ")), QStringLiteral(" a b "));
    EXPECT_EQ(stringByRemovingWhitespace(QStringLiteral(" a\tb \nc")), QStringLiteral("ab\nc"));
}

TEST(StringAdditions, MutableOperations)
{
    QString text = QStringLiteral("a");
    appendStrings(text, {QStringLiteral("b"), QStringLiteral("c")});
    EXPECT_EQ(text, QStringLiteral("abc"));
    appendStrings(text, {QString(), QStringLiteral("d")});
    EXPECT_EQ(text, QStringLiteral("abc"));

    QString s = QStringLiteral("a-b-c");
    EXPECT_TRUE(replaceAllOccurrencesOfString(s, QStringLiteral("-"), QStringLiteral("+")));
    EXPECT_EQ(s, QStringLiteral("a+b+c"));
    EXPECT_FALSE(replaceAllOccurrencesOfString(s, QStringLiteral("-"), QStringLiteral("+")));
    EXPECT_EQ(s, QStringLiteral("a+b+c"));
}

TEST(StringAdditions, BoolValue)
{
    for (const char *yes : {"yes", "Y", "y", "TRUE", "true", "1", "YES"})
        EXPECT_TRUE(boolValue(QString::fromLatin1(yes))) << yes;
    for (const char *no : {"0", "no", "01", "", "yes please", "2", "T", " 1"})
        EXPECT_FALSE(boolValue(QString::fromLatin1(no))) << no;
}

TEST(StringAdditions, IntegerValues)
{
    EXPECT_EQ(unsignedIntValue(QStringLiteral("42abc")), 42u);
    EXPECT_EQ(unsignedIntValue(QStringLiteral("abc")), 0u);
    EXPECT_EQ(unsignedIntValue(QStringLiteral("  7")), 7u);
    EXPECT_EQ(unsignedIntValue(QStringLiteral("99999999999")), 4294967295u);

    EXPECT_EQ(longLongValue(QStringLiteral("  -123x")), -123);
    EXPECT_EQ(longLongValue(QStringLiteral("+5")), 5);
    EXPECT_EQ(longLongValue(QStringLiteral("x5")), 0);
    EXPECT_EQ(longLongValue(QStringLiteral("99999999999999999999")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(longLongValue(QStringLiteral("-99999999999999999999")), std::numeric_limits<qint64>::min());
    EXPECT_EQ(longLongValue(QStringLiteral("-9223372036854775808")), std::numeric_limits<qint64>::min());
    EXPECT_EQ(maxIntegerValue(QStringLiteral("12")), 12);

    EXPECT_EQ(unsignedLongLongValue(QStringLiteral("18446744073709551615")), std::numeric_limits<quint64>::max());
    EXPECT_EQ(unsignedLongLongValue(QStringLiteral("99999999999999999999")), std::numeric_limits<quint64>::max());
    EXPECT_EQ(unsignedLongLongValue(QStringLiteral("-1")), std::numeric_limits<quint64>::max());
    EXPECT_EQ(maxUnsignedIntegerValue(QStringLiteral("-2")), std::numeric_limits<std::uintmax_t>::max() - 1);

    EXPECT_EQ(numberValue(QStringLiteral("17 apples")).toLongLong(), 17);
    EXPECT_EQ(arrayValue(QStringLiteral("x")), QVariantList{QStringLiteral("x")});
}

TEST(StringAdditions, HexValue)
{
    struct Case {
        QString text;
        quint32 value;
    };
    const Case cases[] = {
        {QStringLiteral("0x1F"), 31},
        {QStringLiteral(" 1f"), 31},
        {QStringLiteral("0X1F"), 0},
        {QStringLiteral("12G"), 0},
        {QString(), 0},
        {QStringLiteral("DE AD"), 0xDEAD},
        {QStringLiteral("123456789"), 0x23456789}, // low 32 bits
        // A 41st character is never read: the "G" would make the value 0.
        {QString(40, QLatin1Char('0')) + QLatin1Char('G'), 0},
        {QString(39, QLatin1Char('0')) + QStringLiteral("1G"), 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(hexValue(c.text), c.value) << c.text.toStdString();
}

TEST(StringAdditions, DataConversions)
{
    EXPECT_EQ(stringWithData(QByteArray("abc"), StringEncoding::ASCII), QStringLiteral("abc"));
    EXPECT_FALSE(stringWithData(QByteArray("\xE9", 1), StringEncoding::ASCII));
    EXPECT_EQ(stringWithData(QByteArray("\xE9", 1), StringEncoding::ISOLatin1), QStringLiteral("\u00E9"));
    EXPECT_EQ(stringWithData(QByteArray("\xC3\xA9"), StringEncoding::UTF8), QStringLiteral("\u00E9"));
    EXPECT_FALSE(stringWithData(QByteArray("\xC3("), StringEncoding::UTF8));
    // A character cut off at the end of the data is not valid UTF-8 either.
    EXPECT_FALSE(stringWithData(QByteArray("abc\xC3"), StringEncoding::UTF8));
    EXPECT_FALSE(stringWithData(QByteArray("\xE4\xB8"), StringEncoding::UTF8));
    EXPECT_EQ(stringWithData(QByteArray("\xFF\xFE"
                                        "a\0",
                                        4),
                             StringEncoding::UTF16),
              QStringLiteral("a"));
    EXPECT_EQ(stringWithData(QByteArray("\0a", 2), StringEncoding::UTF16), QStringLiteral("a"));
    EXPECT_FALSE(stringWithData(QByteArray("\0a\0", 3), StringEncoding::UTF16));

    EXPECT_EQ(dataValue(QStringLiteral("Caf\u00E9 \u4E2D")), QByteArray("Cafe ?"));
}

// Mac OS Roman against glibc's own "MACINTOSH" table, byte by byte: the two
// agree everywhere but at 0xF0, the maker's logo, which glibc puts at U+E01E
// and the Mac at U+F8FF, and at 0xC6, which glibc reads as the Greek capital
// delta U+0394 and the Mac as the increment sign U+2206.
TEST(StringAdditions, MacOSRomanAgreesWithIconv)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const std::optional<QString> text = stringWithData(all, StringEncoding::MacOSRoman);
    ASSERT_TRUE(text);
    ASSERT_EQ(text->size(), 256);

    iconv_t cd = iconv_open("UTF-16LE", "MACINTOSH");
    ASSERT_NE(cd, iconv_t(-1));
    for (int b = 0; b < 256; ++b) {
        char in = char(b);
        char16_t out[2] = {};
        char *inPtr = &in;
        auto *outPtr = reinterpret_cast<char *>(out);
        size_t inLeft = 1, outLeft = sizeof out;
        ASSERT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), size_t(-1)) << b;
        const char16_t expected = b == 0xF0 ? u'\uF8FF' : b == 0xC6 ? u'\u2206' : out[0];
        EXPECT_EQ(text->at(b).unicode(), expected) << "byte " << b;
    }
    iconv_close(cd);

    // A scale reading: carriage returns stay as they are.
    EXPECT_EQ(stringWithData(QByteArray("  +00165\r\xA5"), StringEncoding::MacOSRoman),
              QStringLiteral("  +00165\r\u2022"));
}

// Windows-1252 against glibc's "CP1252" table, byte by byte: every byte glibc
// maps decodes to the same character, and the five bytes glibc leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) make the whole decoding fail.
TEST(StringAdditions, Windows1252AgreesWithIconv)
{
    iconv_t cd = iconv_open("UTF-16LE", "CP1252");
    ASSERT_NE(cd, iconv_t(-1));
    int undefined = 0;
    for (int b = 0; b < 256; ++b) {
        char in = char(b);
        char16_t out[2] = {};
        char *inPtr = &in;
        auto *outPtr = reinterpret_cast<char *>(out);
        size_t inLeft = 1, outLeft = sizeof out;
        const bool mapped = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1);
        const std::optional<QString> text = stringWithData(QByteArray(1, char(b)), StringEncoding::Windows1252);
        if (!mapped) {
            ++undefined;
            EXPECT_FALSE(text) << "byte " << b;
        } else {
            ASSERT_TRUE(text) << "byte " << b;
            EXPECT_EQ(text->at(0).unicode(), out[0]) << "byte " << b;
        }
    }
    iconv_close(cd);
    EXPECT_EQ(undefined, 5);
    EXPECT_EQ(stringWithData(QByteArray("Caf\xE9 \x80"), StringEncoding::Windows1252),
              QStringLiteral("Caf\u00e9 \u20ac"));
    EXPECT_FALSE(stringWithData(QByteArray("Caf\xE9 \x81"), StringEncoding::Windows1252));
}

TEST(StringAdditions, DecodeBase64)
{
    // RFC 4648 section 10 test vectors.
    struct Case {
        const char *text;
        const char *bytes;
    };
    const Case cases[] = {
        {"", ""},
        {"Zg==", "f"},
        {"Zm8=", "fo"},
        {"Zm9v", "foo"},
        {"Zm9vYg==", "foob"},
        {"Zm9vYmE=", "fooba"},
        {"Zm9vYmFy", "foobar"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(decodeBase64(QString::fromLatin1(c.text)), QByteArray(c.bytes)) << c.text;

    // Text with line breaks is decoded line by line.
    EXPECT_EQ(decodeBase64(QStringLiteral("Zm9v\nYmFy\n")), QByteArray("foobar"));
    // Longer than one read chunk.
    const QByteArray big(10000, 'x');
    EXPECT_EQ(decodeBase64(QString::fromLatin1(big.toBase64())), big);
    // Not Base64 at all.
    EXPECT_TRUE(decodeBase64(QStringLiteral("!!!!")).isEmpty());
}

TEST(StringAdditions, DecodeBase64WithWhiteSpaceAndNoFinalLineBreak)
{
    // RFC 4648 "foobar" and a 300-byte block: white space around or inside
    // the text, or lines ended by CR alone, must not lose the bytes.
    QByteArray block;
    for (int i = 0; i < 300; ++i)
        block.append(char(i * 7));
    const QString encoded = QString::fromLatin1(block.toBase64());
    QString crLines = encoded;
    crLines.insert(152, QLatin1Char('\r')).insert(76, QLatin1Char('\r'));

    struct Case {
        QString text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {QStringLiteral("Zm9v YmFy"), QByteArray("foobar")},
        {QStringLiteral("Zm9vYmFy "), QByteArray("foobar")},
        {QStringLiteral(" Zm9vYmFy"), QByteArray("foobar")},
        {QStringLiteral("Zm9v\tYmFy"), QByteArray("foobar")},
        {QStringLiteral("Zm9v\rYmFy"), QByteArray("foobar")},
        {encoded + QLatin1Char('\t'), block},
        {crLines, block},
    };
    for (const Case &c : cases)
        EXPECT_EQ(decodeBase64(c.text), c.bytes) << c.text.toStdString();
}

TEST(StringAdditions, DecodeBase64LinesOfAnyLength)
{
    // Label images: 6,000 bytes encoded on one line with a final line break,
    // and the same block in lines of 76 ended by CR LF.
    QByteArray block;
    for (int i = 0; i < 6000; ++i)
        block.append(char(i * 31 + i / 256));
    const QByteArray encoded = block.toBase64();
    QByteArray crlfLines;
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        crlfLines += encoded.mid(i, 76) + "\r\n";
    const QByteArray big(100000, '\xA5');
    for (const auto &[text, bytes] :
         {std::pair{QString::fromLatin1(encoded + '\n'), block}, std::pair{QString::fromLatin1(crlfLines), block},
          std::pair{QString::fromLatin1(big.toBase64() + "\n"), big}}) {
        QString error = QStringLiteral("stale");
        const QByteArray decoded = decodeBase64(text, &error);
        EXPECT_EQ(decoded.size(), bytes.size());
        EXPECT_EQ(decoded, bytes);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
}

TEST(StringAdditions, DecodeBase64RefusesWhatIsNotBase64)
{
    // Never a shorter result: an error and no bytes at all.
    const char *const texts[] = {
        "!!!!",     "Zm9v!mFy\n",  "Zm9v\n!!!!\n", "Zm9vYmFy\nZm9v!", "Zm9vY\n",     "Zm9vY", "Zm9=YmFy",
        "Zg==Zg==", "Zm9vYmFy\n=", "-_-_",         "Zm9v\u00e9",      "Zm9vYmFy\nZ",
    };
    for (const char *text : texts) {
        QString error;
        const QByteArray decoded = decodeBase64(QString::fromUtf8(text), &error);
        EXPECT_TRUE(decoded.isEmpty()) << text << " gave " << decoded.size() << " bytes";
        EXPECT_TRUE(error.startsWith(QStringLiteral("The text is not Base64 data: "))) << text;
        QString dataError;
        EXPECT_TRUE(dataWithBase64String(QString::fromUtf8(text), &dataError).isEmpty()) << text;
        EXPECT_EQ(dataError, error) << text;
    }
}

TEST(StringAdditions, DecimalValues)
{
    EXPECT_EQ(decimalValue(QStringLiteral("5.6")), Decimal(56, -1));
    EXPECT_EQ(decimalValue(QStringLiteral("-0.48")), Decimal(-48, -2));
    EXPECT_EQ(decimalNumberValue(QStringLiteral("12")), Decimal(12));
    for (const char *text : {"", "abc", "12abc"})
        EXPECT_TRUE(decimalValue(QString::fromLatin1(text)).isNaN()) << text;
}

TEST(StringAdditions, DictionaryValue)
{
    QString error;
    const auto map =
        dictionaryValue(QStringLiteral("{ Name = \"Ann Lee\"; ZIP = 02134; list = (a, \"b c\", ); data = <0fa1 ff>;\n"
                                       "  /* nested */ inner = { k = v; }; // end\n esc = \"a\\\"b\\n\"; }"),
                        &error);
    ASSERT_TRUE(map.has_value()) << error.toStdString();
    EXPECT_EQ(map->value(QStringLiteral("Name")), QVariant(QStringLiteral("Ann Lee")));
    EXPECT_EQ(map->value(QStringLiteral("ZIP")), QVariant(QStringLiteral("02134")));
    EXPECT_EQ(map->value(QStringLiteral("list")), QVariant(QVariantList{QStringLiteral("a"), QStringLiteral("b c")}));
    EXPECT_EQ(map->value(QStringLiteral("data")), QVariant(QByteArray("\x0f\xa1\xff")));
    EXPECT_EQ(map->value(QStringLiteral("inner")).toMap().value(QStringLiteral("k")), QVariant(QStringLiteral("v")));
    EXPECT_EQ(map->value(QStringLiteral("esc")), QVariant(QStringLiteral("a\"b\n")));

    const auto xml =
        dictionaryValue(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                       "<plist version=\"1.0\"><dict><key>a</key><integer>3</integer></dict></plist>"));
    ASSERT_TRUE(xml.has_value());
    EXPECT_EQ(xml->value(QStringLiteral("a")).toLongLong(), 3);

    for (const char *bad :
         {"", "(a, b)", "{ a = b }", "{ a = ; }", "{ a = \"b; }", "{ a = <0g>; }", "{ a = b; } extra", "plain"}) {
        QString why;
        EXPECT_FALSE(dictionaryValue(QString::fromLatin1(bad), &why).has_value()) << bad;
        EXPECT_FALSE(why.isEmpty()) << bad;
    }
    // Deep nesting is refused, not followed.
    EXPECT_FALSE(dictionaryValue(QString(100000, QLatin1Char('{'))).has_value());
}

TEST(StringAdditions, Lists)
{
    EXPECT_EQ(componentsJoinedByComma(QStringList{QStringLiteral("a"), QStringLiteral("b")}), QStringLiteral("a, b"));
    EXPECT_EQ(componentsJoinedByComma(QVariantList{1, QStringLiteral("b")}), QStringLiteral("1, b"));
    EXPECT_EQ(qv_reversedArray(QList<int>{1, 2, 3}), (QList<int>{3, 2, 1}));
    EXPECT_EQ(arrayByRemovingObject(QList<int>{1, 2, 1, 3, 1}, 1), (QList<int>{2, 3}));
    EXPECT_EQ(arrayByRemovingObject(QList<int>{2, 3}, 1), (QList<int>{2, 3}));

    QVariantList list;
    qv_addObject(list, QVariant(), QStringLiteral("default"));
    qv_addObject(list, QStringLiteral("x"), QStringLiteral("default"));
    EXPECT_EQ(list, (QVariantList{QStringLiteral("default"), QStringLiteral("x")}));
}

} // namespace
