// Code 39 encoder: framing, refusals and decoding by independent readers.
#include "barcodes/linear/Code39.h"

#include "LinearBarcodeSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace tolvane;

namespace {

void expectDecodes(const std::string &pattern, const QByteArray &expected, const QString &name)
{
    const QString png = tolvane::test::writeModulesPng(tolvane::test::code39Modules(pattern), name);
    const auto zbar = tolvane::test::decodeWithZbar(png);
    EXPECT_TRUE(zbar.found) << name.toStdString() << ": " << zbar.diagnostics.toStdString();
    EXPECT_EQ(zbar.count, 1) << name.toStdString();
    EXPECT_EQ(zbar.symbology, QStringLiteral("CODE-39")) << name.toStdString();
    EXPECT_EQ(zbar.bytes, expected) << name.toStdString();
    const auto zxing = tolvane::test::decodeWithZXing(png);
    EXPECT_TRUE(zxing.found) << name.toStdString() << ": " << zxing.diagnostics.toStdString();
    EXPECT_EQ(zxing.count, 1) << name.toStdString();
    EXPECT_EQ(zxing.symbology, QStringLiteral("Code39")) << name.toStdString();
    EXPECT_EQ(zxing.bytes, expected) << name.toStdString();
}

} // namespace

TEST(Code39, ExpressMailNumberIsFifteenCharactersFramedByStars)
{
    const auto pattern = _bitpattern_c39("EA123456789US");
    ASSERT_TRUE(pattern.has_value());
    ASSERT_EQ(pattern->size(), 15u * 9u);
    // Start and stop character "*": narrow bar, wide space, narrow bar,
    // narrow space, wide bar, narrow space, wide bar, narrow space, narrow bar.
    EXPECT_EQ(pattern->substr(0, 9), "010010100");
    EXPECT_EQ(pattern->substr(14 * 9), "010010100");
    // Every character has three wide elements of nine.
    for (std::size_t i = 0; i < pattern->size(); i += 9)
        EXPECT_EQ(std::count(pattern->begin() + i, pattern->begin() + i + 9, '1'), 3) << i / 9;
    expectDecodes(*pattern, "EA123456789US", QStringLiteral("c39-express"));
}

TEST(Code39, EveryCharacterOfTheSetDecodes)
{
    // Split so that no text mixes "$", "/", "+" or "%" with a letter after
    // it (readers may take such pairs as full-ASCII escapes).
    const char *texts[] = {"0123456789", "ABCDEFGHIJKLM", "NOPQRSTUVWXYZ", "A-B.C D", "1$2/3+4%5"};
    int index = 0;
    for (const char *text : texts) {
        const auto pattern = _bitpattern_c39(text);
        ASSERT_TRUE(pattern.has_value()) << text;
        EXPECT_EQ(pattern->size(), (std::strlen(text) + 2) * 9) << text;
        expectDecodes(*pattern, text, QStringLiteral("c39-%1").arg(index++));
    }
}

TEST(Code39, BlankIsTheCode39Blank)
{
    const auto pattern = _bitpattern_c39(" ");
    ASSERT_TRUE(pattern.has_value());
    EXPECT_EQ(pattern->substr(9, 9), "011000100");
}

TEST(Code39, CharactersOutsideTheSetAreRefused)
{
    for (const char *text : {"", "ea123456789us", "EA~1", "EA\xc3\x89", "A*B", "\x7f"})
        EXPECT_FALSE(_bitpattern_c39(text).has_value()) << text;
    EXPECT_EQ(c39RowForCharacter('a'), -1);
    EXPECT_EQ(c39RowForCharacter(200), -1);
}
