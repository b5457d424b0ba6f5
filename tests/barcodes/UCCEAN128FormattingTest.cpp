// Preparation of tracking, confirmation and customs numbers.
#include "barcodes/linear/UCCEAN128Formatting.h"

#include "barcodes/linear/Code128.h"
#include "model/StringAdditions.h"

#include "ConsoleCapture.h"

#include <QStringList>
#include <QtGlobal>
#include <gtest/gtest.h>

using namespace tolvane;

using tolvane::test::ConsoleCapture;

TEST(UCCEAN128Formatting, CustomsNumberIsUnchanged)
{
    EXPECT_EQ(stringByEncodingCustomsBarcodeNumber(QStringLiteral("CP 123 456 789 US")),
              QStringLiteral("CP 123 456 789 US"));
}

TEST(UCCEAN128Formatting, ExpressMailNumber)
{
    EXPECT_EQ(stringByEncodingUSPSExpressMailTrackingNumber(QStringLiteral("EA 123 456\t789 US")),
              QStringLiteral("EA123456789US"));
    EXPECT_EQ(stringByEncodingUSPSExpressMailTrackingNumber(QStringLiteral("42012345*9470 1234")),
              QStringLiteral("42012345~9999470 1234"));
}

TEST(UCCEAN128Formatting, ExpressMailNumberLosesTheProgramsWhiteSpace)
{
    // White space is what the shared text operation removes everywhere else
    // (blanks, tabs and the other space separators); line terminators are
    // not white space there and stay.
    const QString texts[] = {
        QStringLiteral("EA\u00a0123\u2003456\t789 US"),
        QStringLiteral("EA123\n456789US"),
        QStringLiteral("EA123456789US\r\n"),
    };
    for (const QString &text : texts)
        EXPECT_EQ(stringByEncodingUSPSExpressMailTrackingNumber(text), stringByRemovingWhitespace(text))
            << text.toStdString();
    EXPECT_EQ(stringByEncodingUSPSExpressMailTrackingNumber(texts[0]), QStringLiteral("EA123456789US"));
}

TEST(UCCEAN128Formatting, ConfirmationNumbers)
{
    struct {
        const char *number;
        const char *expected;
    } cases[] = {
        {"420123459405511899223344556677", "42012345~9999405511899223344556677"},
        {"42012345*9405511899223344556677", "42012345~9999405511899223344556677"},
        {"*1*", "~9991~999"},
        {"9405511899223344556677", "9405511899223344556677"},
        {"4201234594", "42012345~99994"}, // shortest "420" number
    };
    for (const auto &c : cases) {
        ConsoleCapture console;
        EXPECT_EQ(stringByEncodingUSPSConfirmationNumber(QString::fromLatin1(c.number)),
                  QString::fromLatin1(c.expected))
            << c.number;
        EXPECT_TRUE(console.lines().isEmpty()) << c.number;
    }
}

TEST(UCCEAN128Formatting, BadConfirmationNumbersGiveEmptyTextAndConsoleLine)
{
    const char *bad[] = {
        "12345",         // neither "420" nor "9"
        "",              //
        "420",           // no ZIP Code
        "4201234",       // ZIP Code cut short
        "42012345",      // nothing after the ZIP Code
        "420123459",     // one character after it
        "420ABCDE94055", // ZIP Code not digits
        "4201 2345940551",
    };
    for (const char *number : bad) {
        ConsoleCapture console;
        EXPECT_EQ(stringByEncodingUSPSConfirmationNumber(QString::fromLatin1(number)), QString()) << number;
        ASSERT_EQ(console.lines().size(), 1) << number;
        EXPECT_EQ(console.lines().first(),
                  QStringLiteral("bad conf number passed to stringByEncodingUSPSConfirmationNumber: ") +
                      QString::fromLatin1(number));
    }
}

TEST(UCCEAN128Formatting, PreparedPackageNumberEncodesWithFNC1AfterTheZIP)
{
    const QString prepared = stringByEncodingUSPSConfirmationNumber(QStringLiteral("420123459405511899223344556677"));
    const auto processed = processTilde(prepared.toStdString());
    ASSERT_TRUE(processed.has_value());
    const auto values = getCodewords(*processed, true);
    ASSERT_TRUE(values.has_value());
    const std::vector<int> start = {105, 102, 42, 1, 23, 45, 102, 94, 5};
    EXPECT_EQ(std::vector<int>(values->begin(), values->begin() + 9), start);
}
