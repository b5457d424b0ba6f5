// Code 128 (ISO/IEC 15417) and GS1-128 encoder.
#include "barcodes/linear/Code128.h"

#include <cstdint>
#include <cstring>

namespace tolvane {

const unsigned char c128_bp[kC128SymbolCount][9] = {
    // set A, set B, set C, bar, space, bar, space, bar, space
    {32, 32, 0, 2, 1, 2, 2, 2, 2},     // 0
    {33, 33, 1, 2, 2, 2, 1, 2, 2},     // 1
    {34, 34, 2, 2, 2, 2, 2, 2, 1},     // 2
    {35, 35, 3, 1, 2, 1, 2, 2, 3},     // 3
    {36, 36, 4, 1, 2, 1, 3, 2, 2},     // 4
    {37, 37, 5, 1, 3, 1, 2, 2, 2},     // 5
    {38, 38, 6, 1, 2, 2, 2, 1, 3},     // 6
    {39, 39, 7, 1, 2, 2, 3, 1, 2},     // 7
    {40, 40, 8, 1, 3, 2, 2, 1, 2},     // 8
    {41, 41, 9, 2, 2, 1, 2, 1, 3},     // 9
    {42, 42, 10, 2, 2, 1, 3, 1, 2},    // 10
    {43, 43, 11, 2, 3, 1, 2, 1, 2},    // 11
    {44, 44, 12, 1, 1, 2, 2, 3, 2},    // 12
    {45, 45, 13, 1, 2, 2, 1, 3, 2},    // 13
    {46, 46, 14, 1, 2, 2, 2, 3, 1},    // 14
    {47, 47, 15, 1, 1, 3, 2, 2, 2},    // 15
    {48, 48, 16, 1, 2, 3, 1, 2, 2},    // 16
    {49, 49, 17, 1, 2, 3, 2, 2, 1},    // 17
    {50, 50, 18, 2, 2, 3, 2, 1, 1},    // 18
    {51, 51, 19, 2, 2, 1, 1, 3, 2},    // 19
    {52, 52, 20, 2, 2, 1, 2, 3, 1},    // 20
    {53, 53, 21, 2, 1, 3, 2, 1, 2},    // 21
    {54, 54, 22, 2, 2, 3, 1, 1, 2},    // 22
    {55, 55, 23, 3, 1, 2, 1, 3, 1},    // 23
    {56, 56, 24, 3, 1, 1, 2, 2, 2},    // 24
    {57, 57, 25, 3, 2, 1, 1, 2, 2},    // 25
    {58, 58, 26, 3, 2, 1, 2, 2, 1},    // 26
    {59, 59, 27, 3, 1, 2, 2, 1, 2},    // 27
    {60, 60, 28, 3, 2, 2, 1, 1, 2},    // 28
    {61, 61, 29, 3, 2, 2, 2, 1, 1},    // 29
    {62, 62, 30, 2, 1, 2, 1, 2, 3},    // 30
    {63, 63, 31, 2, 1, 2, 3, 2, 1},    // 31
    {64, 64, 32, 2, 3, 2, 1, 2, 1},    // 32
    {65, 65, 33, 1, 1, 1, 3, 2, 3},    // 33
    {66, 66, 34, 1, 3, 1, 1, 2, 3},    // 34
    {67, 67, 35, 1, 3, 1, 3, 2, 1},    // 35
    {68, 68, 36, 1, 1, 2, 3, 1, 3},    // 36
    {69, 69, 37, 1, 3, 2, 1, 1, 3},    // 37
    {70, 70, 38, 1, 3, 2, 3, 1, 1},    // 38
    {71, 71, 39, 2, 1, 1, 3, 1, 3},    // 39
    {72, 72, 40, 2, 3, 1, 1, 1, 3},    // 40
    {73, 73, 41, 2, 3, 1, 3, 1, 1},    // 41
    {74, 74, 42, 1, 1, 2, 1, 3, 3},    // 42
    {75, 75, 43, 1, 1, 2, 3, 3, 1},    // 43
    {76, 76, 44, 1, 3, 2, 1, 3, 1},    // 44
    {77, 77, 45, 1, 1, 3, 1, 2, 3},    // 45
    {78, 78, 46, 1, 1, 3, 3, 2, 1},    // 46
    {79, 79, 47, 1, 3, 3, 1, 2, 1},    // 47
    {80, 80, 48, 3, 1, 3, 1, 2, 1},    // 48
    {81, 81, 49, 2, 1, 1, 3, 3, 1},    // 49
    {82, 82, 50, 2, 3, 1, 1, 3, 1},    // 50
    {83, 83, 51, 2, 1, 3, 1, 1, 3},    // 51
    {84, 84, 52, 2, 1, 3, 3, 1, 1},    // 52
    {85, 85, 53, 2, 1, 3, 1, 3, 1},    // 53
    {86, 86, 54, 3, 1, 1, 1, 2, 3},    // 54
    {87, 87, 55, 3, 1, 1, 3, 2, 1},    // 55
    {88, 88, 56, 3, 3, 1, 1, 2, 1},    // 56
    {89, 89, 57, 3, 1, 2, 1, 1, 3},    // 57
    {90, 90, 58, 3, 1, 2, 3, 1, 1},    // 58
    {91, 91, 59, 3, 3, 2, 1, 1, 1},    // 59
    {92, 92, 60, 3, 1, 4, 1, 1, 1},    // 60
    {93, 93, 61, 2, 2, 1, 4, 1, 1},    // 61
    {94, 94, 62, 4, 3, 1, 1, 1, 1},    // 62
    {95, 95, 63, 1, 1, 1, 2, 2, 4},    // 63
    {0, 96, 64, 1, 1, 1, 4, 2, 2},     // 64
    {1, 97, 65, 1, 2, 1, 1, 2, 4},     // 65
    {2, 98, 66, 1, 2, 1, 4, 2, 1},     // 66
    {3, 99, 67, 1, 4, 1, 1, 2, 2},     // 67
    {4, 100, 68, 1, 4, 1, 2, 2, 1},    // 68
    {5, 101, 69, 1, 1, 2, 2, 1, 4},    // 69
    {6, 102, 70, 1, 1, 2, 4, 1, 2},    // 70
    {7, 103, 71, 1, 2, 2, 1, 1, 4},    // 71
    {8, 104, 72, 1, 2, 2, 4, 1, 1},    // 72
    {9, 105, 73, 1, 4, 2, 1, 1, 2},    // 73
    {10, 106, 74, 1, 4, 2, 2, 1, 1},   // 74
    {11, 107, 75, 2, 4, 1, 2, 1, 1},   // 75
    {12, 108, 76, 2, 2, 1, 1, 1, 4},   // 76
    {13, 109, 77, 4, 1, 3, 1, 1, 1},   // 77
    {14, 110, 78, 2, 4, 1, 1, 1, 2},   // 78
    {15, 111, 79, 1, 3, 4, 1, 1, 1},   // 79
    {16, 112, 80, 1, 1, 1, 2, 4, 2},   // 80
    {17, 113, 81, 1, 2, 1, 1, 4, 2},   // 81
    {18, 114, 82, 1, 2, 1, 2, 4, 1},   // 82
    {19, 115, 83, 1, 1, 4, 2, 1, 2},   // 83
    {20, 116, 84, 1, 2, 4, 1, 1, 2},   // 84
    {21, 117, 85, 1, 2, 4, 2, 1, 1},   // 85
    {22, 118, 86, 4, 1, 1, 2, 1, 2},   // 86
    {23, 119, 87, 4, 2, 1, 1, 1, 2},   // 87
    {24, 120, 88, 4, 2, 1, 2, 1, 1},   // 88
    {25, 121, 89, 2, 1, 2, 1, 4, 1},   // 89
    {26, 122, 90, 2, 1, 4, 1, 2, 1},   // 90
    {27, 123, 91, 4, 1, 2, 1, 2, 1},   // 91
    {28, 124, 92, 1, 1, 1, 1, 4, 3},   // 92
    {29, 125, 93, 1, 1, 1, 3, 4, 1},   // 93
    {30, 126, 94, 1, 3, 1, 1, 4, 1},   // 94
    {31, 127, 95, 1, 1, 4, 1, 1, 3},   // 95
    {128, 128, 96, 1, 1, 4, 3, 1, 1},  // 96 FNC3
    {129, 129, 97, 4, 1, 1, 1, 1, 3},  // 97 FNC2
    {130, 130, 98, 4, 1, 1, 3, 1, 1},  // 98 SHIFT
    {131, 131, 99, 1, 1, 3, 1, 4, 1},  // 99 CODE C
    {132, 132, 132, 1, 1, 4, 1, 3, 1}, // 100 CODE B
    {133, 133, 133, 3, 1, 1, 1, 4, 1}, // 101 CODE A
    {134, 134, 134, 4, 1, 1, 1, 3, 1}, // 102 FNC1
    {135, 135, 135, 2, 1, 1, 4, 1, 2}, // 103 START A
    {136, 136, 136, 2, 1, 1, 2, 1, 4}, // 104 START B
    {137, 137, 137, 2, 1, 1, 2, 3, 2}, // 105 START C
};

const unsigned char c128_stop[7] = {2, 3, 3, 1, 1, 1, 2};

namespace {

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

unsigned char at(std::string_view text, std::size_t p) { return static_cast<unsigned char>(text[p]); }

// Application Identifiers of the GS1 General Specifications with their
// variable-length flag. A trailing "x" stands for the AI's last digit.
struct GS1Identifier {
    const char *ai;
    bool variable;
};

const GS1Identifier gs1ids[] = {
    {"00", false},   {"01", false},   {"02", false},   {"10", true},    {"11", false},   {"12", false},
    {"13", false},   {"15", false},   {"17", false},   {"20", false},   {"21", true},    {"22", true},
    {"23", true},    {"240", true},   {"241", true},   {"250", true},   {"251", true},   {"253", true},
    {"254", true},   {"30", false},   {"310x", false}, {"311x", false}, {"312x", false}, {"313x", false},
    {"314x", false}, {"315x", false}, {"316x", false}, {"320x", false}, {"321x", false}, {"322x", false},
    {"323x", false}, {"324x", false}, {"325x", false}, {"326x", false}, {"327x", false}, {"328x", false},
    {"329x", false}, {"330x", false}, {"331x", false}, {"332x", false}, {"333x", false}, {"334x", false},
    {"335x", false}, {"336x", false}, {"337x", false}, {"340x", false}, {"341x", false}, {"342x", false},
    {"343x", false}, {"344x", false}, {"345x", false}, {"346x", false}, {"347x", false}, {"348x", false},
    {"349x", false}, {"350x", false}, {"351x", false}, {"352x", false}, {"353x", false}, {"354x", false},
    {"355x", false}, {"356x", false}, {"360x", false}, {"361x", false}, {"362x", false}, {"363x", false},
    {"364x", false}, {"365x", false}, {"366x", false}, {"367x", false}, {"368x", false}, {"369x", false},
    {"37", true},    {"390x", true},  {"391x", true},  {"392x", true},  {"393x", true},  {"400", true},
    {"401", true},   {"402", true},   {"403", true},   {"410", false},  {"411", false},  {"412", false},
    {"413", false},  {"414", false},  {"415", false},  {"420", true},   {"421", true},   {"422", true},
    {"423", true},   {"424", true},   {"425", true},   {"426", true},   {"7001", true},  {"7002", true},
    {"7030", true},  {"7031", true},  {"7032", true},  {"7033", true},  {"7034", true},  {"7035", true},
    {"7036", true},  {"7037", true},  {"7038", true},  {"7039", true},  {"8001", true},  {"8002", true},
    {"8003", true},  {"8004", true},  {"8005", true},  {"8006", true},  {"8007", true},  {"8008", true},
    {"8018", true},  {"8020", true},  {"90", true},    {"91", true},    {"92", true},    {"93", true},
    {"94", true},    {"95", true},    {"96", true},    {"97", true},    {"98", true},    {"99", true},
};

const GS1Identifier *findIdentifier(std::string_view ai)
{
    for (const auto &id : gs1ids) {
        if (ai == id.ai)
            return &id;
    }
    return nullptr;
}

} // namespace

std::size_t lookahead_digits(std::string_view text, std::size_t p)
{
    std::size_t n = 0;
    while (p + n < text.size() && isDigit(at(text, p + n)))
        ++n;
    return n;
}

std::size_t lookahead_controlchar(std::string_view text, std::size_t p)
{
    std::size_t n = 0;
    while (p + n < text.size() && at(text, p + n) < 32)
        ++n;
    return n;
}

std::size_t lookahead_smallcaps(std::string_view text, std::size_t p)
{
    std::size_t n = 0;
    while (p + n < text.size() && at(text, p + n) >= 96 && at(text, p + n) <= 126)
        ++n;
    return n;
}

namespace {

// Look-up tables made once from c128_bp: the symbol value of each code in
// sets A, B and C (the first row that holds it, -1 for none), and the module
// string of each symbol value and of the stop pattern.
struct Tables {
    int8_t value[3][256];
    char modules[kC128SymbolCount][11];
    char stop[13];

    Tables()
    {
        for (int column = 0; column < 3; ++column) {
            for (int code = 0; code < 256; ++code)
                value[column][code] = -1;
            for (int row = kC128SymbolCount - 1; row >= 0; --row)
                value[column][c128_bp[row][column]] = static_cast<int8_t>(row);
        }
        for (int row = 0; row < kC128SymbolCount; ++row) {
            char *out = modules[row];
            for (int e = 0; e < 6; ++e)
                for (int w = 0; w < c128_bp[row][3 + e]; ++w)
                    *out++ = e % 2 == 0 ? '1' : '0';
        }
        char *out = stop;
        for (int e = 0; e < 7; ++e)
            for (int w = 0; w < c128_stop[e]; ++w)
                *out++ = e % 2 == 0 ? '1' : '0';
    }
};

const Tables tables;

int valueInSet(unsigned char code, C128Set set)
{
    return tables.value[set == C128Set::A ? 0 : set == C128Set::B ? 1 : 2][code];
}

// More symbol values than a text of at most 100 characters can take (a
// character adds at most a value, a shift and a latch).
constexpr std::size_t kMaxValues = 3 * kC128MaxTextLength + 4;

// Symbol values of a processed text into values (room for kMaxValues);
// answers their number, 0 for an empty or too long text or a character
// without a table row.
std::size_t codewordsInto(std::string_view s, bool leadingFNC1, int *values)
{
    const std::size_t n = s.size();
    if (n == 0 || n > kC128MaxTextLength)
        return 0;
    // Length of the digit run from each position on.
    unsigned char digitRun[kC128MaxTextLength + 1];
    digitRun[n] = 0;
    for (std::size_t i = n; i-- > 0;) {
        const unsigned char c = at(s, i);
        if (c >= 128 && c != C128_FNC1)
            return 0;
        digitRun[i] = isDigit(c) ? static_cast<unsigned char>(digitRun[i + 1] + 1) : 0;
    }
    auto isControl = [&](std::size_t p) { return p < n && at(s, p) < 32; };
    auto isSmall = [&](std::size_t p) { return p < n && at(s, p) >= 96 && at(s, p) <= 126; };

    std::size_t count = 0;
    C128Set set = C128Set::B;
    int start = C128_VALUE_STARTB;
    if (digitRun[0] >= 4) {
        set = C128Set::C;
        start = C128_VALUE_STARTC;
    }
    if (at(s, 0) < 32) {
        set = C128Set::A;
        start = C128_VALUE_STARTA;
    }
    values[count++] = start;
    if (leadingFNC1)
        values[count++] = C128_VALUE_FNC1;

    std::size_t p = 0;
    while (p < n) {
        if (at(s, p) == C128_FNC1) {
            values[count++] = C128_VALUE_FNC1;
            if (++p >= n)
                break;
        }
        const std::size_t digits = digitRun[p];
        switch (set) {
        case C128Set::C:
            if (digits < 4) {
                if (at(s, p) < 32) {
                    values[count++] = C128_VALUE_CODEA;
                    set = C128Set::A;
                } else {
                    values[count++] = C128_VALUE_CODEB;
                    set = C128Set::B;
                }
            } else {
                for (std::size_t k = 0; k + 1 < digits; k += 2) {
                    values[count++] = (at(s, p) - '0') * 10 + (at(s, p + 1) - '0');
                    p += 2;
                }
            }
            break;
        case C128Set::A:
        case C128Set::B: {
            if (digits > 4) {
                values[count++] = C128_VALUE_CODEC;
                set = C128Set::C;
                break;
            }
            // Set A shifts or latches to B for lower-case runs, set B to A
            // for control characters.
            const bool inA = set == C128Set::A;
            const C128Set other = inA ? C128Set::B : C128Set::A;
            auto inOther = [&](std::size_t q) { return inA ? isSmall(q) : isControl(q); };
            const int value = valueInSet(at(s, p), set);
            if (value < 0)
                return 0;
            values[count++] = value;
            if (inOther(p + 1) && !inOther(p + 2)) {
                values[count++] = C128_VALUE_SHIFT;
                values[count++] = valueInSet(at(s, p + 1), other);
                p += 2;
            } else {
                p += 1;
            }
            if (inOther(p) && inOther(p + 1)) {
                values[count++] = inA ? C128_VALUE_CODEB : C128_VALUE_CODEA;
                set = other;
            }
            break;
        }
        }
    }
    long sum = values[0];
    for (std::size_t i = 1; i < count; ++i)
        sum += static_cast<long>(i) * values[i];
    values[count++] = static_cast<int>(sum % 103);
    return count;
}

// Module string of count symbol values (each 0 to 105), stop appended.
std::string modulesOf(const int *values, std::size_t count)
{
    std::string modules(count * 11 + 13, '\0');
    char *out = modules.data();
    for (std::size_t i = 0; i < count; ++i, out += 11)
        std::memcpy(out, tables.modules[values[i]], 11);
    std::memcpy(out, tables.stop, 13);
    return modules;
}

// Escape processing into out (room for capacity bytes); answers the length,
// or -1 for a byte of 128 or more, or for more than capacity bytes.
long tildeInto(std::string_view text, char *out, std::size_t capacity)
{
    std::size_t length = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = at(text, i);
        if (c >= 128)
            return -1; // no code set holds it
        char produced = 0;
        bool produces = true;
        if (c == '~' && i + 3 < text.size()) {
            int number = 0;
            for (std::size_t k = 1; k <= 3 && isDigit(at(text, i + k)); ++k)
                number = number * 10 + (at(text, i + k) - '0');
            for (std::size_t k = 1; k <= 3; ++k) {
                if (at(text, i + k) >= 128)
                    return -1;
            }
            if (number >= 1 && number <= 127)
                produced = static_cast<char>(number);
            else if (number == 999)
                produced = static_cast<char>(C128_FNC1);
            else
                produces = false;
            i += 4;
        } else {
            produced = static_cast<char>(c);
            ++i;
        }
        if (!produces)
            continue;
        if (length >= capacity)
            return -1;
        out[length++] = produced;
    }
    return static_cast<long>(length);
}

} // namespace

int indexFromCodeword(unsigned char code, C128Set set) { return valueInSet(code, set); }

int codewordFromSetA(unsigned char c) { return indexFromCodeword(c, C128Set::A); }

int codewordFromSetB(unsigned char c) { return indexFromCodeword(c, C128Set::B); }

int calculateChecksum(const std::vector<int> &values)
{
    if (values.empty())
        return 0;
    long sum = values[0];
    for (std::size_t i = 1; i < values.size(); ++i)
        sum += static_cast<long>(i) * values[i];
    return static_cast<int>(sum % 103);
}

std::optional<std::string> processTilde(std::string_view text)
{
    std::string out(text.size(), '\0');
    const long length = tildeInto(text, out.data(), out.size());
    if (length < 0)
        return std::nullopt;
    out.resize(static_cast<std::size_t>(length));
    return out;
}

bool isVariableField(std::string_view ai)
{
    // An AI listed on its own wins; otherwise a 4-digit AI is looked up
    // through its family entry ("3103" -> "310x").
    if (const GS1Identifier *id = findIdentifier(ai))
        return id->variable;
    if (ai.size() == 4) {
        std::string family(ai.substr(0, 3));
        family.push_back('x');
        if (const GS1Identifier *id = findIdentifier(family))
            return id->variable;
    }
    return false;
}

std::string processParens(std::string_view text)
{
    std::string out;
    bool previousVariable = false;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '(') {
            const std::size_t close = text.find(')', i + 1);
            if (close != std::string_view::npos) {
                const std::size_t length = close - i - 1;
                if (length >= 1 && length <= 4) {
                    const std::string_view ai = text.substr(i + 1, length);
                    if (previousVariable)
                        out += "~999";
                    out.append(ai);
                    previousVariable = isVariableField(ai);
                    i = close + 1;
                    continue;
                }
            }
        }
        out.push_back(text[i]);
        ++i;
    }
    return out;
}

std::optional<std::vector<int>> getCodewords(std::string_view s, bool leadingFNC1)
{
    int values[kMaxValues];
    const std::size_t count = codewordsInto(s, leadingFNC1, values);
    if (count == 0)
        return std::nullopt;
    return std::vector<int>(values, values + count);
}

std::optional<std::string> modulesFromCodewords(const std::vector<int> &values)
{
    for (int value : values) {
        if (value < 0 || value >= kC128SymbolCount)
            return std::nullopt;
    }
    return modulesOf(values.data(), values.size());
}

std::optional<std::string> getPattern(std::string_view processed, bool leadingFNC1)
{
    int values[kMaxValues];
    const std::size_t count = codewordsInto(processed, leadingFNC1, values);
    if (count == 0)
        return std::nullopt;
    return modulesOf(values, count);
}

namespace {

// Escapes, symbol values and modules on the stack: the module string is the
// only allocation.
std::optional<std::string> encode(std::string_view text, bool leadingFNC1)
{
    if (text.empty())
        return std::nullopt;
    char processed[kC128MaxTextLength];
    const long length = tildeInto(text, processed, sizeof processed);
    if (length < 0)
        return std::nullopt;
    return getPattern(std::string_view(processed, static_cast<std::size_t>(length)), leadingFNC1);
}

} // namespace

std::optional<std::string> _bitpattern_c128(std::string_view text) { return encode(text, false); }

std::optional<std::string> _bitpattern_c128c(std::string_view text) { return encode(text, true); }

std::optional<std::string> _bitpattern_c128gs1(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    return encode(processParens(text), true);
}

} // namespace tolvane
