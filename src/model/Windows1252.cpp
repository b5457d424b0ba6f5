#include "model/Windows1252.h"

#include <array>
#include <optional>

namespace tolvane {
namespace {

// The characters of the bytes 0x80 to 0x9F; 0 where the code page has none.
constexpr std::array<char16_t, 32> highControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

std::optional<char> byteFor(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (size_t i = 0; i < highControls.size(); ++i) {
        if (highControls[i] != 0 && highControls[i] == c)
            return char(0x80 + i);
    }
    return std::nullopt;
}

} // namespace

QByteArray windows1252Data(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i; // one replacement for the whole character
        bytes.append(byteFor(c).value_or('?'));
    }
    return bytes;
}

std::optional<char16_t> windows1252Character(unsigned char byte)
{
    if (byte < 0x80 || byte >= 0xA0)
        return char16_t(byte);
    const char16_t c = highControls[byte - 0x80];
    if (c == 0)
        return std::nullopt;
    return c;
}

std::optional<QString> windows1252String(const QByteArray &data)
{
    QString text(data.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char b : data) {
        const std::optional<char16_t> c = windows1252Character(static_cast<unsigned char>(b));
        if (!c)
            return std::nullopt;
        *out++ = QChar(*c);
    }
    return text;
}

bool canConvertToWindows1252(const QString &text)
{
    for (const QChar c : text) {
        if (!byteFor(c.unicode()))
            return false;
    }
    return true;
}

} // namespace tolvane
