// USPS Intelligent Mail barcode encoder after USPS-B-3200.
#include "barcodes/linear/USPS4CB.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

namespace tolvane {

// Bar-to-character mapping (USPS-B-3200, bar to character table).
const int BarTopCharacterIndexArray[kUSPS4CBBarCount] = {
    4, 0, 2, 6, 3, 5, 1, 9, 8, 7, 1, 2, 0, 6, 4, 8, 2, 9, 5, 3, 0, 1, 3, 7, 4, 6, 8, 9, 2, 0, 5, 1, 9,
    4, 3, 8, 6, 7, 1, 2, 4, 3, 9, 5, 7, 8, 3, 0, 2, 1, 4, 0, 9, 1, 7, 0, 2, 4, 6, 3, 7, 1, 9, 5, 8};
const int BarTopCharacterShiftArray[kUSPS4CBBarCount] = {
    3, 0, 8,  11, 1, 12, 8, 11, 10, 6, 4, 12, 2, 7, 9, 6, 7, 9, 2,  8, 4, 0, 12, 7, 10, 9, 0, 7, 10, 5, 7, 9, 6,
    8, 2, 12, 1,  4, 2,  0, 1,  5,  4, 6, 12, 1, 0, 9, 4, 7, 5, 10, 2, 6, 9, 11, 2, 12, 6, 7, 5, 11, 0, 3, 2};
const int BarBottomCharacterIndexArray[kUSPS4CBBarCount] = {
    7, 1, 9, 5, 8, 0, 2, 4, 6, 3, 5, 8, 9, 7, 3, 0, 6, 1, 7, 4, 6, 8, 9, 2, 5, 1, 7, 5, 4, 3, 8, 7, 6,
    0, 2, 5, 4, 9, 3, 0, 1, 6, 8, 2, 0, 4, 5, 9, 6, 7, 5, 2, 6, 3, 8, 5, 1, 9, 8, 7, 4, 0, 2, 6, 3};
const int BarBottomCharacterShiftArray[kUSPS4CBBarCount] = {
    2, 10, 12, 5,  9, 1, 5, 4, 3,  9, 11, 5, 10, 1,  6, 3, 4, 1, 10, 0,  2,  11, 8, 6, 1, 12, 3, 8, 6,  4, 4, 11, 0,
    6, 1,  9,  11, 5, 3, 7, 3, 10, 7, 11, 8, 2,  10, 3, 5, 8, 0, 3,  12, 11, 8,  4, 5, 1, 3,  0, 7, 12, 9, 8, 10};

namespace {

constexpr int kTable5Length = 1287;
constexpr int kTable2Length = 78;

struct Nof13Tables {
    int table5[kTable5Length] = {};
    int table2[kTable2Length] = {};
    bool initialised5 = false;
    bool initialised2 = false;
};

const Nof13Tables &nof13Tables()
{
    // Built once, on first use, for the life of the process.
    static const Nof13Tables tables = [] {
        Nof13Tables t;
        t.initialised5 = InitializeNof13Table(t.table5, 5, kTable5Length);
        t.initialised2 = InitializeNof13Table(t.table2, 2, kTable2Length);
        return t;
    }();
    return tables;
}

std::atomic<bool> g_selfTested{false};

int reverse13(int value)
{
    int reversed = 0;
    for (int bit = 0; bit < 13; ++bit) {
        reversed = (reversed << 1) | (value & 1);
        value >>= 1;
    }
    return reversed;
}

int bitCount(int value)
{
    int count = 0;
    for (; value; value >>= 1)
        count += value & 1;
    return count;
}

bool allDigits(const char *text, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

bool validRoutingLength(std::size_t length) { return length == 0 || length == 5 || length == 9 || length == 11; }

int encodeChecked(const char *tracking, const char *routing, std::size_t routingLength, char *barString)
{
    // 1. Routing code to a number.
    std::uint64_t routingValue = 0;
    for (std::size_t i = 0; i < routingLength; ++i)
        routingValue = routingValue * 10 + static_cast<unsigned>(routing[i] - '0');
    if (routingLength == 5)
        routingValue += 1;
    else if (routingLength == 9)
        routingValue += 100000ULL + 1;
    else if (routingLength == 11)
        routingValue += 1000000000ULL + 100000ULL + 1;

    // 2. Binary value.
    unsigned char value[kUSPS4CBBigNumberSize] = {};
    for (int i = 0; i < 8; ++i)
        value[kUSPS4CBBigNumberSize - 1 - i] = static_cast<unsigned char>(routingValue >> (8 * i));
    MultiplyBytesByShort(value, 10);
    AddShortToBytes(value, static_cast<unsigned short>(tracking[0] - '0'));
    MultiplyBytesByShort(value, 5);
    AddShortToBytes(value, static_cast<unsigned short>(tracking[1] - '0'));
    for (int i = 2; i < 20; ++i) {
        MultiplyBytesByShort(value, 10);
        AddShortToBytes(value, static_cast<unsigned short>(tracking[i] - '0'));
    }
    if (value[0] & 0xC0)
        return USPS4CB_BINARY_CONVERSION_FAILED; // more than 102 bits

    // 3. Frame check sequence.
    const unsigned short fcs = GenerateFrameCheckSequence(value);

    // 4. Codewords A (0) to J (9).
    int codewords[10] = {};
    codewords[9] = DivideBytesByShort(value, 636);
    for (int i = 8; i >= 1; --i)
        codewords[i] = DivideBytesByShort(value, 1365);
    for (int i = 0; i < kUSPS4CBBigNumberSize - 2; ++i) {
        if (value[i] != 0)
            return USPS4CB_CODEWORD_CONVERSION_FAILED;
    }
    codewords[0] = (value[kUSPS4CBBigNumberSize - 2] << 8) | value[kUSPS4CBBigNumberSize - 1];
    if (codewords[0] > 658)
        return USPS4CB_CODEWORD_CONVERSION_FAILED;
    codewords[9] *= 2;
    if (fcs & 0x400)
        codewords[0] += 659;

    // 5. Characters.
    const int *table5 = GetNof13Table(5);
    const int *table2 = GetNof13Table(2);
    if (!table5 || !table2)
        return USPS4CB_TABLE_INIT_FAILED;
    int characters[10] = {};
    for (int i = 0; i < 10; ++i) {
        const int codeword = codewords[i];
        if (codeword < kTable5Length)
            characters[i] = table5[codeword];
        else if (codeword - kTable5Length < kTable2Length)
            characters[i] = table2[codeword - kTable5Length];
        else
            return USPS4CB_CODEWORD_OUT_OF_RANGE;
        if (fcs & (1 << i))
            characters[i] = ~characters[i] & 0x1FFF;
    }

    // 6. Bars: barString is written only here, once nothing can fail.
    for (int i = 0; i < kUSPS4CBBarCount; ++i) {
        const bool top = (characters[BarTopCharacterIndexArray[i]] >> BarTopCharacterShiftArray[i]) & 1;
        const bool bottom = (characters[BarBottomCharacterIndexArray[i]] >> BarBottomCharacterShiftArray[i]) & 1;
        barString[i] = top ? (bottom ? 'F' : 'A') : (bottom ? 'D' : 'T');
    }
    return USPS4CB_SUCCESS;
}

struct SelfTestVector {
    const char *routing;
    const char *bars;
};

// USPS-B-3200 examples for the tracking code "01234567094987654321".
const SelfTestVector kSelfTestVectors[] = {
    {"", "ATTFATTDTTADTAATTDTDTATTDAFDDFADFDFTFFFFFTATFAAAATDFFTDAADFTFDTDT"},
    {"01234", "DTTAFADDTTFTDTFTFDTDDADADAFADFATDDFTAAAFDTTADFAAATDFDTDFADDDTDFFT"},
    {"012345678", "ADFTTAFDTTTTFATTADTAAATFTFTATDAAAFDDADATATDTDTTDFDTDATADADTDFFTFA"},
    {"01234567891", "AADTFFDFTDADTAADAATFDTDDAAADDTDTTDAFADADDDTFFFDDTTTADFAAADFTDAADA"},
};

} // namespace

bool InitializeNof13Table(int *table, int n, int tableLength)
{
    if (!table || tableLength <= 0)
        return false;
    int lower = 0;
    int upper = tableLength - 1;
    for (int count = 0; count < 8192; ++count) {
        if (bitCount(count) != n)
            continue;
        const int reverse = reverse13(count);
        if (reverse < count)
            continue;
        if (reverse == count) {
            if (upper < lower)
                return false;
            table[upper--] = count;
        } else {
            if (lower + 1 > upper)
                return false;
            table[lower++] = count;
            table[lower++] = reverse;
        }
    }
    return lower == upper + 1;
}

const int *GetNof13Table(int n)
{
    const Nof13Tables &tables = nof13Tables();
    if (n == 5)
        return tables.initialised5 ? tables.table5 : nullptr;
    if (n == 2)
        return tables.initialised2 ? tables.table2 : nullptr;
    return nullptr;
}

void MultiplyBytesByShort(unsigned char bytes[kUSPS4CBBigNumberSize], unsigned short multiplier)
{
    unsigned long carry = 0;
    for (int i = kUSPS4CBBigNumberSize - 1; i >= 0; --i) {
        const unsigned long product = static_cast<unsigned long>(bytes[i]) * multiplier + carry;
        bytes[i] = static_cast<unsigned char>(product & 0xFF);
        carry = product >> 8;
    }
}

void AddShortToBytes(unsigned char bytes[kUSPS4CBBigNumberSize], unsigned short addend)
{
    unsigned long carry = addend;
    for (int i = kUSPS4CBBigNumberSize - 1; i >= 0 && carry; --i) {
        const unsigned long sum = bytes[i] + carry;
        bytes[i] = static_cast<unsigned char>(sum & 0xFF);
        carry = sum >> 8;
    }
}

unsigned short DivideBytesByShort(unsigned char bytes[kUSPS4CBBigNumberSize], unsigned short divisor)
{
    if (divisor == 0)
        return 0;
    unsigned long remainder = 0;
    for (int i = 0; i < kUSPS4CBBigNumberSize; ++i) {
        const unsigned long current = (remainder << 8) | bytes[i];
        bytes[i] = static_cast<unsigned char>(current / divisor);
        remainder = current % divisor;
    }
    return static_cast<unsigned short>(remainder);
}

unsigned short GenerateFrameCheckSequence(const unsigned char bytes[kUSPS4CBBigNumberSize])
{
    const unsigned short generator = 0x0F35;
    unsigned short fcs = 0x07FF;
    for (int index = 0; index < kUSPS4CBBigNumberSize; ++index) {
        // The first byte takes part with its 6 low bits only.
        const int skipped = index == 0 ? 2 : 0;
        unsigned short data = static_cast<unsigned short>(bytes[index] << (3 + skipped));
        for (int bit = skipped; bit < 8; ++bit) {
            fcs = ((fcs ^ data) & 0x400) ? static_cast<unsigned short>((fcs << 1) ^ generator)
                                         : static_cast<unsigned short>(fcs << 1);
            fcs &= 0x7FF;
            data <<= 1;
        }
    }
    return fcs;
}

int Encode(const char *trackingString, const char *routingString, char *barString)
{
    if (!barString)
        return USPS4CB_BAR_STRING_MISSING;
    if (!trackingString || !routingString)
        return USPS4CB_BINARY_CONVERSION_FAILED;
    const std::size_t trackingLength = std::strlen(trackingString);
    const std::size_t routingLength = std::strlen(routingString);
    if (trackingLength != 20 || !allDigits(trackingString, 20) || !validRoutingLength(routingLength) ||
        !allDigits(routingString, routingLength))
        return USPS4CB_BINARY_CONVERSION_FAILED;
    return encodeChecked(trackingString, routingString, routingLength, barString);
}

bool EncoderSelfTestedFlag() { return g_selfTested.load(); }

bool EncoderSelfTest()
{
    if (g_selfTested.load())
        return true;
    for (const SelfTestVector &vector : kSelfTestVectors) {
        char bars[kUSPS4CBBarCount + 1] = {};
        if (Encode("01234567094987654321", vector.routing, bars) != USPS4CB_SUCCESS)
            return false;
        if (std::memcmp(bars, vector.bars, kUSPS4CBBarCount) != 0)
            return false;
    }
    g_selfTested.store(true);
    return true;
}

namespace {

int checkAndEncode(const char *tracking, std::size_t routingLength, const char *routing, char *barString)
{
    if (std::strlen(tracking) != 20)
        return USPS4CB_TRACKING_WRONG_LENGTH;
    if (!allDigits(tracking, 20))
        return USPS4CB_TRACKING_NOT_DIGITS;
    if (tracking[1] > '4')
        return USPS4CB_TRACKING_SECOND_DIGIT;
    if (!validRoutingLength(routingLength))
        return USPS4CB_ROUTING_WRONG_LENGTH;
    if (!allDigits(routing, routingLength))
        return USPS4CB_ROUTING_NOT_DIGITS;
    return encodeChecked(tracking, routing, routingLength, barString);
}

} // namespace

int USPS4CB(const char *trackingString, const char *routingString, char *barString)
{
    if (!trackingString)
        return USPS4CB_TRACKING_MISSING;
    if (!routingString)
        return USPS4CB_ROUTING_MISSING;
    if (!barString)
        return USPS4CB_BAR_STRING_MISSING;
    // The routing code ends at its first blank.
    const char *blank = std::strchr(routingString, ' ');
    const std::size_t routingLength =
        blank ? static_cast<std::size_t>(blank - routingString) : std::strlen(routingString);
    if (!EncoderSelfTest())
        return USPS4CB_SELFTEST_FAILED;
    return checkAndEncode(trackingString, routingLength, routingString, barString);
}

int USPSVCB(const char *trackingString, const char *routingString, char *barString)
{
    if (!EncoderSelfTest())
        return USPS4CB_SELFTEST_FAILED;
    if (!trackingString)
        return USPS4CB_TRACKING_MISSING;
    if (!routingString)
        return USPS4CB_ROUTING_MISSING;
    if (!barString)
        return USPS4CB_BAR_STRING_MISSING;
    return checkAndEncode(trackingString, std::strlen(routingString), routingString, barString);
}

} // namespace tolvane
