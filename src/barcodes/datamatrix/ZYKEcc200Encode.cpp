// ECC 200 data encodation: input escapes, compaction over the six
// encodation modes with our own look-ahead, size choice and pads.
#include "barcodes/datamatrix/ZYKDataMatrixInternal.h"

#include <stdlib.h>
#include <string.h>

namespace {

enum Mode { ASCII = 0, C40 = 1, TEXT = 2, X12 = 3, EDIFACT = 4, BASE256 = 5, END = 6 };

enum : uint16_t {
    FNC1 = 256,
    STRUCTURED_APPEND = 257,
    READER_PROGRAMMING = 258,
    UPPER_SHIFT = 259,
    MACRO_05 = 260,
    MACRO_06 = 261,
    AIAG_05 = 262,
    AIAG_06 = 263,
    PAD = 264,
    ECI = 265,
    END_OF_DATA = 266
};

enum : uint8_t {
    F_C40 = 0x01,
    F_TEXT = 0x02,
    F_X12 = 0x04,
    F_DIGIT = 0x08,
    F_EDIFACT = 0x10,
    F_EXTENDED = 0x20,
    F_FUNCTION = 0x40,
    F_END = 0x80
};

// Room for the values, the end mark and a few more end marks so that
// look-ups one or two past the end stay inside.
constexpr int kValueRoom = ZYK_MAX_INPUT_VALUES + 8;

struct DataTypeTable {
    uint8_t flags[272];
    constexpr DataTypeTable() : flags()
    {
        for (int v = 0; v < 272; ++v) {
            uint8_t f = 0;
            const bool digit = v >= '0' && v <= '9';
            const bool upper = v >= 'A' && v <= 'Z';
            const bool lower = v >= 'a' && v <= 'z';
            if (v == ' ' || digit || upper || v == FNC1 || v == UPPER_SHIFT)
                f |= F_C40;
            if (v == ' ' || digit || lower || v == FNC1 || v == UPPER_SHIFT)
                f |= F_TEXT;
            if (v == 13 || v == ' ' || v == '*' || v == '>' || digit || upper)
                f |= F_X12;
            if (digit)
                f |= F_DIGIT;
            if (v >= 32 && v <= 94)
                f |= F_EDIFACT;
            if (v >= 128 && v <= 255)
                f |= F_EXTENDED;
            if (v >= 256 && v <= 265)
                f |= F_FUNCTION;
            if (v == END_OF_DATA)
                f = F_END;
            flags[v] = f;
        }
    }
};

// C40 set of ISO/IEC 16022: an entry of 192 or more is basic value
// entry - 192, else shift (entry / 64) + 1 with value entry % 64. Indexed by
// the character, or by value - 128 for the function values.
struct C40Table {
    uint8_t entry[132];
    constexpr C40Table() : entry()
    {
        for (int ch = 0; ch < 132; ++ch) {
            int e = 0xFF;
            if (ch < 32)
                e = ch; // shift 1
            else if (ch == ' ')
                e = 192 + 3;
            else if (ch >= '0' && ch <= '9')
                e = 192 + 4 + (ch - '0');
            else if (ch >= 'A' && ch <= 'Z')
                e = 192 + 14 + (ch - 'A');
            else if (ch >= 33 && ch <= 47)
                e = 64 + (ch - 33); // shift 2
            else if (ch >= 58 && ch <= 64)
                e = 64 + 15 + (ch - 58);
            else if (ch >= 91 && ch <= 95)
                e = 64 + 22 + (ch - 91);
            else if (ch >= 96 && ch <= 127)
                e = 128 + (ch - 96); // shift 3
            else if (ch == FNC1 - 128)
                e = 64 + 27;
            else if (ch == UPPER_SHIFT - 128)
                e = 64 + 30;
            entry[ch] = (uint8_t)e;
        }
    }
};

} // namespace

extern "C" {
const DataTypeTable kDataTypes;
const uint8_t *const RSCMPCMN_DATA_TYPE_LOOK_UP = kDataTypes.flags;
const C40Table kC40;
const uint8_t *const RSCMPCMN_C40_DATA_LOOK_UP = kC40.entry;
}

namespace {

inline uint8_t flagsOf(uint16_t v) { return v < 272 ? RSCMPCMN_DATA_TYPE_LOOK_UP[v] : 0; }

inline int roundUp12(int v) { return (v + 11) / 12 * 12; }

// ---------------------------------------------------------------------------
// Compactor state

struct Compactor {
    const uint16_t *values = nullptr;
    int i = 0;             // next value
    uint8_t *cw = nullptr; // codeword buffer (RSCMN_CODEWORD_BUFFER)
    int pos = 0;           // codewords written
    bool overflow = false;
    ZYK_UINT16 error = ZYK_OK;
    // Lone EDIFACT unlatch codewords (124), for the end-of-symbol repair.
    int lastEdifactUnlatch = -1;

    void emit(int codeword)
    {
        if (pos < RSCMN_CODEWORD_BUFFER)
            cw[pos] = (uint8_t)codeword;
        else
            overflow = true;
        ++pos;
    }
    bool stopped() const { return overflow || error != ZYK_OK; }

    // Ends a C40, Text, X12 or EDIFACT segment with its unlatch codeword. A
    // segment that wrote nothing after its latch takes the latch back
    // instead: a latch and an unlatch with nothing between carry nothing,
    // and some readers misread them.
    void unlatch(int latchPos, int codeword)
    {
        if (pos == latchPos + 1 && pos <= RSCMN_CODEWORD_BUFFER) {
            pos = latchPos;
            return;
        }
        emit(codeword);
    }

    uint16_t at(int index) const { return values[index]; }
    bool isEnd(int index) const { return values[index] == END_OF_DATA; }

    int findBestCompaction(int segmentStart, int index, int current) const;
    int asciiSegment(bool forceFirst);
    int textSegment(int mode);
    int x12Segment();
    int edifactSegment();
    int base256Segment(bool initial);

    int asciiCost(int from, int to) const;
    void writeAscii(int from, int to);
    void writeAsciiValue(uint16_t v);

    // Writes three C40, Text or X12 set values as their two codewords.
    void emitTriple(int s1, int s2, int s3)
    {
        const int value = 1600 * s1 + 40 * s2 + s3 + 1;
        emit(value / 256);
        emit(value % 256);
    }
    bool lastCodewordInAscii(int from, int to);
    int afterTriple(int segmentStart, int latchPos, int mode);
    int unlatchToAscii(int latchPos, int np, const int *pendingSource);
};

// Answer of afterTriple when the segment goes on in its mode.
constexpr int kStayInMode = -1;

// The look-ahead: which mode to go on in from value index on. Counts are in
// twelfths of a codeword.
int Compactor::findBestCompaction(int segmentStart, int index, int current) const
{
    int a, c, t, x, e, b;
    if (current == ASCII) {
        a = 0;
        c = 12;
        t = 12;
        x = 12;
        e = 12;
        b = 13;
    } else if (current == BASE256) {
        a = 12;
        c = 24;
        t = 24;
        x = 24;
        e = 24;
        b = 0;
    } else {
        a = 12;
        c = 24;
        t = 24;
        x = 24;
        e = 24;
        b = 24;
        if (current == C40)
            c = 0;
        if (current == TEXT)
            t = 0;
        if (current == X12)
            x = 0;
        if (current == EDIFACT)
            e = 0;
    }

    int n = 0;
    for (int j = index;; ++j) {
        const uint16_t v = values[j];
        const uint8_t f = flagsOf(v);
        if (v == END_OF_DATA) {
            a = roundUp12(a);
            c = roundUp12(c);
            t = roundUp12(t);
            x = roundUp12(x);
            e = roundUp12(e);
            if (a <= c && a <= t && a <= x && a <= e && a <= b)
                return ASCII;
            if (t < a && t < c && t < x && t < e && t < b)
                return TEXT;
            if (x < a && x < c && x < t && x < e && x < b)
                return X12;
            if (e < a && e < c && e < t && e < x && e < b)
                return EDIFACT;
            if (b < a && b < c && b < t && b < x && b < e)
                return BASE256;
            return C40;
        }
        if ((f & F_FUNCTION) && v != FNC1)
            return ASCII;
        ++n;

        if (f & F_DIGIT) {
            a += 6;
        } else {
            a = roundUp12(a) + 12;
            if (f & F_EXTENDED)
                a += 12;
        }
        c += (f & F_C40) ? 8 : 16;
        if (f & F_EXTENDED)
            c += 16;
        t += (f & F_TEXT) ? 8 : 16;
        if (f & F_EXTENDED)
            t += 16;
        x += (f & F_X12) ? 8 : 40;
        if (f & F_EXTENDED)
            x += 12;
        e += (f & F_EDIFACT) ? 9 : 39;
        if (f & F_EXTENDED)
            e += 12;
        b += (v == FNC1) ? 48 : 12;

        if (n < 4)
            continue;
        if (a + 12 <= c && a + 12 <= t && a + 12 <= x && a + 12 <= e && a + 12 <= b)
            return ASCII;
        if (t + 12 < a && t + 12 < c && t + 12 < x && t + 12 < e && t + 12 < b)
            return TEXT;
        if (x + 12 < a && x + 12 < c && x + 12 < t && x + 12 < e && x + 12 < b)
            return X12;
        if (e + 9 < a && e + 9 < c && e + 9 < t && e + 9 < x && e + 9 < b)
            return EDIFACT;
        if (b + 12 <= a && b + 12 < c && b + 12 < t && b + 12 < x && b + 12 < e)
            return BASE256;
        if (c + 12 < t && c + 12 < a && c + 12 < e && c + 12 < b) {
            if (c != x)
                return C40;
            for (int s = segmentStart;; ++s) {
                const uint8_t sf = flagsOf(values[s]);
                if (!(sf & F_X12))
                    return C40;
                if (!(sf & F_C40))
                    return X12;
            }
        }
    }
}

// ASCII codewords that values [from, to) take (digit pairs count once); -1
// when one of them is not a plain character or FNC1.
int Compactor::asciiCost(int from, int to) const
{
    int cost = 0;
    for (int j = from; j < to;) {
        const uint16_t v = values[j];
        if (v > 127 && v != FNC1)
            return -1;
        if ((flagsOf(v) & F_DIGIT) && j + 1 < to && (flagsOf(values[j + 1]) & F_DIGIT))
            j += 2;
        else
            j += 1;
        ++cost;
    }
    return cost;
}

void Compactor::writeAsciiValue(uint16_t v)
{
    if (v == FNC1)
        emit(232);
    else
        emit(v + 1);
}

// Writes values [from, to) in ASCII (only data bytes and FNC1).
void Compactor::writeAscii(int from, int to)
{
    for (int j = from; j < to;) {
        const uint16_t v = values[j];
        if ((flagsOf(v) & F_DIGIT) && j + 1 < to && (flagsOf(values[j + 1]) & F_DIGIT)) {
            emit(130 + (v - '0') * 10 + (values[j + 1] - '0'));
            j += 2;
            continue;
        }
        if (flagsOf(v) & F_EXTENDED) {
            emit(235);
            emit(v - 128 + 1);
        } else {
            writeAsciiValue(v);
        }
        j += 1;
    }
}

int Compactor::asciiSegment(bool forceFirst)
{
    const int segmentStart = i;
    const int segmentCw = pos;
    bool force = forceFirst;
    while (!stopped()) {
        const uint16_t v = values[i];
        if (v == END_OF_DATA)
            return END;
        const uint8_t f = flagsOf(v);
        if ((f & F_DIGIT) && (flagsOf(values[i + 1]) & F_DIGIT)) {
            emit(130 + (v - '0') * 10 + (values[i + 1] - '0'));
            i += 2;
            force = false;
            continue;
        }
        if (!force) {
            const int mode = findBestCompaction(segmentStart, i, ASCII);
            if (mode != ASCII)
                return mode;
        }
        force = false;

        if (f & F_EXTENDED) {
            emit(235);
            emit(v - 128 + 1);
            ++i;
            continue;
        }
        if (f & F_FUNCTION) {
            switch (v) {
            case FNC1: {
                const int inSegment = pos - segmentCw;
                const bool second = inSegment == 1;
                const bool sixthAfterAppend = inSegment == 5 && cw[segmentCw] == 233;
                if (second || sixthAfterAppend) {
                    const int prev = cw[pos - 1];
                    const bool allowed =
                        (prev >= 66 && prev <= 91) || (prev >= 98 && prev <= 123) || (prev >= 131 && prev <= 229);
                    if (!allowed) {
                        error = ZYK_ERR_NOT_SUPPORTED;
                        return END;
                    }
                }
                emit(232);
                ++i;
                break;
            }
            case STRUCTURED_APPEND:
                emit(233);
                emit(values[i + 1]);
                emit(values[i + 2]);
                emit(values[i + 3]);
                i += 4;
                break;
            case READER_PROGRAMMING:
                emit(234);
                ++i;
                break;
            case UPPER_SHIFT:
                emit(235);
                ++i;
                break;
            case MACRO_05:
                emit(236);
                ++i;
                break;
            case MACRO_06:
                emit(237);
                ++i;
                break;
            case AIAG_05:
                emit(242);
                ++i;
                break;
            case AIAG_06:
                emit(243);
                ++i;
                break;
            case PAD:
                emit(129);
                ++i;
                break;
            case ECI: {
                const uint16_t first = values[i + 1];
                const int extra = first <= 127 ? 1 : (first <= 191 ? 2 : 3);
                emit(241);
                for (int k = 1; k <= extra; ++k)
                    emit(values[i + k]);
                i += 1 + extra;
                break;
            }
            default:
                error = ZYK_ERR_NOT_SUPPORTED;
                return END;
            }
            continue;
        }
        emit(v + 1);
        ++i;
    }
    return END;
}

// Set values of one character in C40 or Text; returns how many (1 to 4),
// 0 for a value the set cannot carry.
int setValues(uint16_t v, int mode, uint8_t out[4])
{
    int n = 0;
    if (v >= 128 && v <= 255) {
        out[n++] = 1;  // shift 2
        out[n++] = 30; // upper shift
        v = (uint16_t)(v - 128);
    }
    int index;
    if (v < 128) {
        if (mode == TEXT) {
            if (v >= 'a' && v <= 'z')
                v = (uint16_t)(v - 32);
            else if (v >= 'A' && v <= 'Z')
                v = (uint16_t)(v + 32);
        }
        index = v;
    } else if (v == FNC1 || v == UPPER_SHIFT) {
        index = v - 128;
    } else {
        return 0;
    }
    const uint8_t e = RSCMPCMN_C40_DATA_LOOK_UP[index];
    if (e >= 192) {
        out[n++] = (uint8_t)(e - 192);
    } else {
        out[n++] = (uint8_t)(e / 64);
        out[n++] = (uint8_t)(e % 64);
    }
    return n;
}

// Writes values [from, to) in ASCII when they take exactly the one codeword
// left in the symbol (no unlatch needed there).
bool Compactor::lastCodewordInAscii(int from, int to)
{
    if (!at_end((ZYK_UINT16)(pos + 1)) || asciiCost(from, to) != 1)
        return false;
    writeAscii(from, to);
    return true;
}

// After a complete triple of a C40, Text or X12 segment, at a character
// boundary: a last value that fills the symbol exactly is written in ASCII
// without unlatch, and a look-ahead that leaves the mode ends the segment.
// Answers the next mode, or kStayInMode.
int Compactor::afterTriple(int segmentStart, int latchPos, int mode)
{
    if (values[i] == END_OF_DATA)
        return kStayInMode;
    if (values[i + 1] == END_OF_DATA && lastCodewordInAscii(i, i + 1)) {
        ++i;
        return END;
    }
    if (findBestCompaction(segmentStart, i, mode) != mode) {
        unlatch(latchPos, 254);
        return ASCII;
    }
    return kStayInMode;
}

// Ends a C40, Text or X12 segment for ASCII: the np values of a partly
// filled triple are read again from the first of them.
int Compactor::unlatchToAscii(int latchPos, int np, const int *pendingSource)
{
    unlatch(latchPos, 254);
    if (np > 0)
        i = pendingSource[0];
    return ASCII;
}

int Compactor::textSegment(int mode)
{
    const int latchPos = pos;
    emit(mode == TEXT ? 239 : 230);
    const int segmentStart = i;
    uint8_t pending[3];
    int pendingSource[3];
    int np = 0;
    // The last place where a triple ended together with a character (the
    // codeword count and the next value), and the character of the last
    // set value written.
    int boundaryPos = pos;
    int boundaryIndex = i;
    int lastWrittenSource = -1;

    // Ends the segment for ASCII with np values pending. When the first of
    // them belongs to a character whose first set values (a shift) went into
    // the last triple, that triple would end on a lone shift: the segment is
    // cut back to the last triple that ended with a character, and the
    // characters after it up to value i are written in ASCII here.
    auto endForAscii = [&]() {
        if (np > 0 && pendingSource[0] == lastWrittenSource) {
            if (pos <= RSCMN_CODEWORD_BUFFER)
                pos = boundaryPos;
            unlatch(latchPos, 254);
            writeAscii(boundaryIndex, i);
            return values[i] == END_OF_DATA ? (int)END : (int)ASCII;
        }
        return unlatchToAscii(latchPos, np, pendingSource);
    };

    while (!stopped()) {
        const uint16_t v = values[i];
        if (v == END_OF_DATA) {
            if (np == 0) {
                if (!at_end((ZYK_UINT16)pos))
                    unlatch(latchPos, 254);
                return END;
            }
            if (np == 2 && at_end((ZYK_UINT16)(pos + 2))) {
                emitTriple(pending[0], pending[1], 0);
                return END;
            }
            // One set value left, a whole character, and one codeword before
            // the symbol end: that character in ASCII without unlatch.
            if (np == 1 && pendingSource[0] != lastWrittenSource && lastCodewordInAscii(pendingSource[0], i))
                return END;
            return endForAscii();
        }
        uint8_t sv[4];
        const int count = setValues(v, mode, sv);
        if (count == 0) {
            // A function value the set cannot carry ends the segment.
            return endForAscii();
        }
        for (int k = 0; k < count; ++k) {
            pending[np] = sv[k];
            pendingSource[np] = i;
            if (++np == 3) {
                emitTriple(pending[0], pending[1], pending[2]);
                lastWrittenSource = i;
                np = 0;
            }
        }
        ++i;
        if (np != 0)
            continue;
        boundaryPos = pos;
        boundaryIndex = i;
        const int next = afterTriple(segmentStart, latchPos, mode);
        if (next != kStayInMode)
            return next;
    }
    return END;
}

int x12Value(uint16_t v)
{
    if (v == 13)
        return 0;
    if (v == '*')
        return 1;
    if (v == '>')
        return 2;
    if (v == ' ')
        return 3;
    if (v >= '0' && v <= '9')
        return v - '0' + 4;
    return v - 'A' + 14;
}

int Compactor::x12Segment()
{
    const int latchPos = pos;
    emit(238);
    const int segmentStart = i;
    int pending[3];
    int pendingSource[3];
    int np = 0;
    while (!stopped()) {
        const uint16_t v = values[i];
        if (v == END_OF_DATA) {
            if (np == 0 && at_end((ZYK_UINT16)pos))
                return END;
            if (np == 1 && lastCodewordInAscii(pendingSource[0], i))
                return END;
            return unlatchToAscii(latchPos, np, pendingSource);
        }
        if (!(flagsOf(v) & F_X12)) {
            return unlatchToAscii(latchPos, np, pendingSource);
        }
        pending[np] = x12Value(v);
        pendingSource[np] = i;
        ++np;
        ++i;
        if (np < 3)
            continue;
        emitTriple(pending[0], pending[1], pending[2]);
        np = 0;
        const int next = afterTriple(segmentStart, latchPos, X12);
        if (next != kStayInMode)
            return next;
    }
    return END;
}

int Compactor::edifactSegment()
{
    const int latchPos = pos;
    emit(240);
    const int segmentStart = i;
    int pending[4];
    int pendingSource[4];
    int np = 0;

    auto emitGroup = [&](int v0, int v1, int v2, int v3) {
        const uint32_t bits = ((uint32_t)v0 << 18) | ((uint32_t)v1 << 12) | ((uint32_t)v2 << 6) | (uint32_t)v3;
        emit((int)((bits >> 16) & 0xFF));
        emit((int)((bits >> 8) & 0xFF));
        emit((int)(bits & 0xFF));
    };
    auto loneUnlatch = [&]() {
        const int at = pos;
        unlatch(latchPos, 124);
        if (pos > at)
            lastEdifactUnlatch = at;
    };

    while (!stopped()) {
        if (np == 0) {
            // One or two values left that fill the symbol exactly in ASCII.
            int remaining = 0;
            while (remaining < 3 && values[i + remaining] != END_OF_DATA)
                ++remaining;
            if (remaining == 1 || remaining == 2) {
                const int cost = asciiCost(i, i + remaining);
                if (cost > 0 && at_end((ZYK_UINT16)(pos + cost))) {
                    writeAscii(i, i + remaining);
                    i += remaining;
                    return END;
                }
            }
        }
        const uint16_t v = values[i];
        if (v == END_OF_DATA) {
            if (np == 3) {
                emitGroup(pending[0], pending[1], pending[2], 31);
                return END;
            }
            if (np == 0 && at_end((ZYK_UINT16)pos))
                return END;
            loneUnlatch();
            if (np > 0)
                i = pendingSource[0];
            return np > 0 ? ASCII : END;
        }
        if (!(flagsOf(v) & F_EDIFACT)) {
            if (np == 3) {
                emitGroup(pending[0], pending[1], pending[2], 31);
            } else {
                loneUnlatch();
                if (np > 0)
                    i = pendingSource[0];
            }
            return ASCII;
        }
        pending[np] = v & 0x3F;
        pendingSource[np] = i;
        ++np;
        ++i;
        if (np == 3) {
            if (findBestCompaction(segmentStart, i, EDIFACT) != EDIFACT) {
                emitGroup(pending[0], pending[1], pending[2], 31);
                return ASCII;
            }
        } else if (np == 4) {
            emitGroup(pending[0], pending[1], pending[2], pending[3]);
            np = 0;
        }
    }
    return END;
}

int Compactor::base256Segment(bool initial)
{
    (void)initial;
    const int segmentStart = i;
    const int latchPos = pos;
    int count = 0;
    bool dataEnded = false;
    while (!stopped()) {
        const uint16_t v = values[i];
        if (v == END_OF_DATA) {
            dataEnded = true;
            break;
        }
        if (flagsOf(v) & F_FUNCTION)
            break;
        if (findBestCompaction(segmentStart, i, BASE256) != BASE256)
            break;
        if (count == 0) {
            emit(231);
            emit(0); // length, filled in below
        }
        emit(v & 0xFF);
        ++count;
        ++i;
    }
    if (stopped())
        return END;
    if (count == 0)
        return dataEnded ? END : ASCII; // no field: nothing was written

    if (dataEnded && at_end((ZYK_UINT16)pos)) {
        cw[latchPos + 1] = 0;
    } else if (count < 250) {
        cw[latchPos + 1] = (uint8_t)count;
    } else {
        emit(0); // make room for the second length byte
        if (stopped())
            return END;
        memmove(&cw[latchPos + 3], &cw[latchPos + 2], (size_t)count);
        cw[latchPos + 1] = (uint8_t)(count / 250 + 249);
        cw[latchPos + 2] = (uint8_t)(count % 250);
    }
    // 255-state randomising of the length and data bytes.
    for (int k = latchPos + 1; k < pos; ++k) {
        const int p = k + 1;
        const int pseudo = ((149 * p) % 255) + 1;
        cw[k] = (uint8_t)((cw[k] + pseudo) % 256);
    }
    return dataEnded ? END : ASCII;
}

} // namespace

extern "C" {

static int readNumber(const unsigned char *text, size_t *at, int maxChars)
{
    char buffer[8];
    int n = 0;
    while (n < maxChars && text[*at] != 0) {
        buffer[n++] = (char)text[*at];
        ++*at;
    }
    buffer[n] = 0;
    return atoi(buffer);
}

ZYK_UINT16 rscmpenc_input_string_to_intermediate_value(const unsigned char *text, uint16_t *values, ZYK_UINT16 *count)
{
    int n = 0;
    auto push = [&](int v) -> bool {
        if (n >= ZYK_MAX_INPUT_VALUES)
            return false;
        values[n++] = (uint16_t)v;
        return true;
    };
    size_t at = 0;
    ZYK_UINT16 rc = ZYK_OK;
    while (text[at] != 0 && rc == ZYK_OK) {
        const unsigned char ch = text[at];
        if (ch != '~') {
            if (!push(ch))
                rc = ZYK_ERR_DATA_TOO_LONG;
            ++at;
            continue;
        }
        const bool first = at == 0;
        const unsigned char e = text[at + 1];
        if (e == 0) {
            rc = ZYK_ERR_BAD_CHARACTER;
            break;
        }
        at += 2;
        bool ok = true;
        switch (e) {
        case '1':
            ok = push(FNC1);
            break;
        case '2': {
            if (!first) {
                rc = ZYK_ERR_BAD_CHARACTER;
                break;
            }
            ok = push(STRUCTURED_APPEND);
            for (int k = 0; k < 3 && ok && rc == ZYK_OK; ++k) {
                const int number = readNumber(text, &at, 3);
                if (number < 1 || number > 254)
                    rc = ZYK_ERR_BAD_CHARACTER;
                else
                    ok = push(number);
            }
            break;
        }
        case '3':
        case '5':
        case '6':
        case '8':
        case '9': {
            if (!first) {
                rc = ZYK_ERR_BAD_CHARACTER;
                break;
            }
            const int value = e == '3' ? READER_PROGRAMMING
                : e == '5'             ? MACRO_05
                : e == '6'             ? MACRO_06
                : e == '8'             ? AIAG_05
                                       : AIAG_06;
            ok = push(value);
            break;
        }
        case '7': {
            const long number = readNumber(text, &at, 6);
            if (number < 0 || number > 999999) {
                rc = ZYK_ERR_BAD_CHARACTER;
                break;
            }
            ok = push(ECI);
            if (number <= 126) {
                ok = ok && push((int)number + 1);
            } else if (number <= 16382) {
                ok = ok && push((int)((number - 127) / 254 + 128));
                ok = ok && push((int)((number - 127) % 254 + 1));
            } else {
                const long m = number - 16383;
                ok = ok && push((int)(m / 64516 + 192));
                ok = ok && push((int)((m / 254) % 254 + 1));
                ok = ok && push((int)(m % 254 + 1));
            }
            break;
        }
        case 'd': {
            const int number = readNumber(text, &at, 3);
            if (number < 0 || number > 255) {
                rc = ZYK_ERR_BAD_CHARACTER;
                break;
            }
            ok = push(number);
            break;
        }
        case '~':
            ok = push('~');
            break;
        default:
            if (e >= '@' && e <= '_')
                ok = push(e - 64);
            else
                rc = ZYK_ERR_BAD_CHARACTER;
            break;
        }
        if (!ok && rc == ZYK_OK)
            rc = ZYK_ERR_DATA_TOO_LONG;
    }
    for (int k = 0; k < 8; ++k)
        values[n + k] = END_OF_DATA;
    if (count)
        *count = (ZYK_UINT16)n;
    return rc;
}

ZYK_UINT16 rscmpenc_compact_values(const uint16_t *values, uint8_t *codewords, ZYK_UINT16 *count)
{
    Compactor c;
    c.values = values;
    c.cw = codewords;

    // Encoding starts in Base 256; with no field kept it goes on in ASCII.
    int mode = c.base256Segment(true);
    // A leading function value (FNC1 too) is codeword 1, written in ASCII
    // without consulting the look-ahead.
    bool force = mode == ASCII && c.i == 0 && (flagsOf(values[0]) & F_FUNCTION) != 0;
    while (mode != END && !c.stopped()) {
        if (mode == ASCII) {
            mode = c.asciiSegment(force);
            force = false;
            continue;
        }
        const int start = c.i;
        switch (mode) {
        case C40:
            mode = c.textSegment(C40);
            break;
        case TEXT:
            mode = c.textSegment(TEXT);
            break;
        case X12:
            mode = c.x12Segment();
            break;
        case EDIFACT:
            mode = c.edifactSegment();
            break;
        case BASE256:
            mode = c.base256Segment(false);
            break;
        default:
            c.error = ZYK_ERR_NOT_SUPPORTED;
            mode = END;
            break;
        }
        // A segment that consumed nothing must not be chosen again at once.
        force = c.i == start;
    }
    if (c.error != ZYK_OK)
        return c.error;
    if (c.overflow)
        return ZYK_ERR_DATA_TOO_LONG;

    // A lone EDIFACT unlatch in the last two codewords of the symbol would be
    // read as ASCII: there the return to ASCII is implied, so it is dropped.
    if (c.lastEdifactUnlatch >= 0 && c.lastEdifactUnlatch < c.pos &&
        find_matrix_size((ZYK_UINT16)c.pos, 0, 0) == ZYK_OK) {
        const int capacity = RSCMN_DATA_SYMBOLS[expected_matrix_size];
        if (capacity - c.lastEdifactUnlatch <= 2) {
            memmove(&codewords[c.lastEdifactUnlatch], &codewords[c.lastEdifactUnlatch + 1],
                    (size_t)(c.pos - c.lastEdifactUnlatch - 1));
            --c.pos;
        }
    }
    *count = (ZYK_UINT16)c.pos;
    return ZYK_OK;
}

static uint8_t g_codewords[RSCMN_CODEWORD_BUFFER];
static uint16_t g_values[kValueRoom];

ZYK_UINT16 rscmpenc_compress(const unsigned char *text, ZYK_UINT16 rows, ZYK_UINT16 columns, uint8_t *codewords,
                             ZYK_UINT16 *count, ZYK_UINT16 *size_index)
{
    ZYK_UINT16 valueCount = 0;
    ZYK_UINT16 rc = rscmpenc_input_string_to_intermediate_value(text, g_values, &valueCount);
    if (rc != ZYK_OK)
        return rc;
    rc = rscmn_begin_size_selection(rows, columns);
    if (rc != ZYK_OK)
        return rc;

    ZYK_UINT16 used = 0;
    rc = rscmpenc_compact_values(g_values, g_codewords, &used);
    if (rc != ZYK_OK)
        return rc;
    rc = find_matrix_size(used, rows, columns);
    if (rc != ZYK_OK)
        return rc;
    const int capacity = RSCMN_DATA_SYMBOLS[expected_matrix_size];
    if (used > capacity)
        return ZYK_ERR_DATA_TOO_LONG;

    memcpy(codewords, g_codewords, used);
    // Pads: 129, then the 253-state randomised pads.
    for (int k = used; k < capacity; ++k) {
        if (k == used) {
            codewords[k] = 129;
        } else {
            const int p = k + 1;
            int pad = 129 + ((149 * p) % 253) + 1;
            if (pad > 254)
                pad -= 254;
            codewords[k] = (uint8_t)pad;
        }
    }
    *count = (ZYK_UINT16)capacity;
    *size_index = expected_matrix_size;
    return ZYK_OK;
}

} // extern "C"
