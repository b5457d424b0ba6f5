// The rate text file: further (negotiated) price sets loaded into the
// registry. Directives, one a line, inside a section opened by a line whose
// leading number is 1:
//   C n   classification of the following blocks (170 or more; a block
//         before the first "C" line is refused, so that a file never
//         replaces the built-in price levels)
//   R n   mail class
//   S n   shape: a block of price rows follows on the next lines
//   O n   optional service n: one value on the next line (cents; stored as
//         mils when n is 1000 or more)
// Lines beginning with '%' are comments.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "rateengine/RateInternal.h"
#include "rateengine/RateRegistry.h"
#include "rateengine/RateTables.h"

namespace {

using tolvane::rates::IsOneOf;

constexpr size_t kMaxLine = 2047;

struct BlockLayout {
    int32_t rows = 0;
    int32_t valuesPerRow = 0; // values per row in the file
    int32_t storedWidth = 0;  // words per row as stored
    RateRowForm form = RateRowForm::Unknown;
    int32_t classKey = 0;            // class registered under
    int32_t shapeKey = 0;            // shape registered under
    std::vector<int32_t> alsoShapes; // further shapes of the same array
    const char *fallback = nullptr;  // zero row for shapes without a leaf
    std::vector<int32_t> fallbackShapes;
};

// The block that class `mailClass`, shape `shape` reads; false for a class
// the file cannot carry.
bool layoutFor(int32_t mailClass, int32_t shape, BlockLayout &b)
{
    b = BlockLayout{};
    b.classKey = mailClass;
    b.shapeKey = shape;
    switch (mailClass) {
    case 1:
        b.rows = 16;
        b.valuesPerRow = 9;
        b.form = RateRowForm::ZonedRows;
        break;
    case 2:
        if (IsOneOf(shape, {5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 21, 201})) {
            b.rows = 1;
            b.valuesPerRow = 9;
            b.form = RateRowForm::OneZonedRow;
            b.fallback = "DOMESTIC2014FlatRateFallBack";
            b.fallbackShapes = {5, 6, 9, 8, 20, 10, 14, 15, 16, 17, 11, 12, 13, 21, 201};
            if (shape == 5)
                b.alsoShapes = {14, 15, 16, 17};
            if (shape == 8)
                b.alsoShapes = {20};
        } else if (shape >= 101 && shape <= 104) {
            b.rows = 2;
            b.valuesPerRow = 9;
            b.form = RateRowForm::ZonedRows;
        } else if (shape == 202) {
            b.rows = 5;
            b.valuesPerRow = 9;
            b.form = RateRowForm::CubicRows;
            b.classKey = 202;
            b.shapeKey = 0;
        } else if (shape == 203) {
            b.rows = 105;
            b.valuesPerRow = 10;
            b.form = RateRowForm::CubicTierRows;
            b.classKey = 203;
            b.shapeKey = 0;
        } else {
            b.rows = 71;
            b.valuesPerRow = 9;
            b.form = RateRowForm::ZonedRows;
        }
        break;
    case 3:
        if (IsOneOf(shape, {5, 6, 10, 11})) {
            b.rows = 1;
            b.valuesPerRow = 9;
            b.form = RateRowForm::OneZonedRow;
            b.fallback = "DOMESTIC2014FlatRateFallBack";
            b.fallbackShapes = {5, 10, 11, 6};
        } else {
            b.rows = 71;
            b.valuesPerRow = 9;
            b.form = RateRowForm::ZonedRows;
        }
        break;
    case 28:
        b.valuesPerRow = 18;
        b.form = RateRowForm::IntlGroupRows;
        if (shape == 5 || shape == 6) {
            b.rows = 1;
            b.fallback = "EMIFlatRateGEPSFallBack_17Groups";
            b.fallbackShapes = {5, 10, 6, 11};
        } else {
            b.rows = 71;
        }
        break;
    case 29:
        b.rows = 71;
        b.valuesPerRow = 9;
        b.form = RateRowForm::GXGRows;
        break;
    case 30:
        b.valuesPerRow = 18;
        b.form = RateRowForm::IntlGroupRows;
        if (shape == 5 || shape == 6 || (shape >= 8 && shape <= 21)) {
            b.rows = 1;
            b.fallback = "PMIFlatRateGEPSFallBack_17Groups";
            b.fallbackShapes = {5, 14, 15, 16, 17, 11, 10, 9, 18, 19, 6, 8, 20};
        } else {
            b.rows = 70;
        }
        break;
    case 42:
        b.rows = 22;
        b.valuesPerRow = 10;
        b.form = RateRowForm::FirstClassIntlRows;
        break;
    case 44:
    case 46:
        b.rows = 1;
        b.valuesPerRow = 9;
        b.form = RateRowForm::OneZonedRow;
        break;
    case 48:
        b.rows = 70;
        b.valuesPerRow = 2;
        b.form = RateRowForm::ZonedRows;
        b.storedWidth = 9;
        break;
    default:
        return false;
    }
    if (b.storedWidth == 0)
        b.storedWidth = b.valuesPerRow;
    return true;
}

bool skippable(const std::string &line) { return line.empty() || line[0] == '\n' || line[0] == '\r' || line[0] == '%'; }

// Decimal numbers of a line; false when the line has no leading number.
bool numbersOf(const std::string &line, std::vector<long> &numbers)
{
    numbers.clear();
    const char *p = line.c_str();
    for (;;) {
        char *end = nullptr;
        errno = 0;
        const long value = std::strtol(p, &end, 10);
        if (end == p)
            break;
        numbers.push_back(value);
        p = end;
    }
    return !numbers.empty();
}

bool leadingNumber(const char *text, long *value)
{
    char *end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text)
        return false;
    *value = v;
    return true;
}

int slotIndexOf(int32_t key)
{
    RateTableSlot *slot = FindRateTableSlot(gRateTables, key);
    return slot ? static_cast<int>(slot - gRateTables) : -1;
}

} // namespace

int32_t RegisterRateFileAtPath(const char *path)
{
    std::FILE *file = path ? std::fopen(path, "r") : nullptr;
    if (!file) {
        std::printf("error: %i\n", errno);
        return 0;
    }
    std::vector<std::string> lines;
    char buffer[kMaxLine + 1];
    while (std::fgets(buffer, sizeof buffer, file)) {
        std::string line(buffer);
        // A longer line is cut at 2047 characters; the rest of it is dropped.
        if (line.size() == kMaxLine && line.back() != '\n') {
            int ch;
            while ((ch = std::fgetc(file)) != EOF && ch != '\n') {}
        }
        lines.push_back(std::move(line));
    }
    std::fclose(file);

    const int priceSlot = slotIndexOf(giRateTable);
    const int serviceSlot = slotIndexOf(kOptionalServiceTableKey);

    bool inSection = false;
    bool lastSectionWell = false;
    int32_t classification = -1, mailClass = 0;
    std::vector<long> numbers;
    auto endSection = [&](bool well) {
        inSection = false;
        lastSectionWell = well;
    };

    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string &line = lines[i];
        if (!inSection) {
            if (!line.empty() && line[0] == '%')
                continue;
            long leading = 0;
            if (leadingNumber(line.c_str(), &leading) && leading == 1) {
                inSection = true;
                lastSectionWell = true;
                classification = -1; // no block before a valid "C" line
                mailClass = 0;
            }
            continue;
        }
        if (skippable(line))
            continue;
        const char directive = line[0];
        long n = 0;
        const bool hasNumber = leadingNumber(line.c_str() + 1, &n);
        if (directive == 'C') {
            if (!hasNumber || n < 170) {
                endSection(false);
                continue;
            }
            classification = static_cast<int32_t>(n);
        } else if (directive == 'R') {
            if (!hasNumber) {
                endSection(false);
                continue;
            }
            mailClass = static_cast<int32_t>(n);
        } else if (directive == 'O') {
            // One value on the next line that is not skipped.
            size_t j = i + 1;
            while (j < lines.size() && skippable(lines[j]))
                ++j;
            if (!hasNumber || classification < 0 || serviceSlot < 0 || j >= lines.size() ||
                !numbersOf(lines[j], numbers)) {
                i = j;
                endSection(false);
                continue;
            }
            i = j;
            const int32_t id = static_cast<int32_t>(n);
            int32_t *words = new int32_t[1]{static_cast<int32_t>(id >= 1000 ? numbers[0] * 10 : numbers[0])};
            RegisterRate2(serviceSlot, id, 0, classification, RateArray{words, 1, 1, RateRowForm::SingleValue, nullptr},
                          1);
        } else if (directive == 'S') {
            BlockLayout b;
            if (!hasNumber || classification < 0 || priceSlot < 0 ||
                !layoutFor(mailClass, static_cast<int32_t>(n), b)) {
                endSection(false);
                continue;
            }
            const bool zeroRow = b.form == RateRowForm::ZonedRows || b.form == RateRowForm::CubicRows ||
                b.form == RateRowForm::CubicTierRows || b.form == RateRowForm::GXGRows ||
                b.form == RateRowForm::FirstClassIntlRows || (b.form == RateRowForm::IntlGroupRows && b.rows > 1);
            const int32_t storedRows = b.rows + (zeroRow ? 1 : 0);
            std::vector<int32_t> words(static_cast<size_t>(storedRows) * b.storedWidth, 0);
            // Rows follow, the numbers of each line in turn, until the block is full.
            int32_t row = 0;
            bool complete = false;
            size_t j = i + 1;
            std::vector<long> values;
            for (; j < lines.size() && !complete; ++j) {
                if (skippable(lines[j]))
                    continue;
                if (!numbersOf(lines[j], numbers))
                    break;
                values.insert(values.end(), numbers.begin(), numbers.end());
                while (static_cast<int32_t>(values.size()) >= b.valuesPerRow && row < b.rows) {
                    int32_t *out = &words[static_cast<size_t>(row) * b.storedWidth];
                    if (b.valuesPerRow == 2 && b.storedWidth == 9) {
                        out[0] = static_cast<int32_t>(values[0]);
                        for (int k = 1; k < 9; ++k)
                            out[k] = static_cast<int32_t>(values[1]);
                    } else {
                        for (int k = 0; k < b.valuesPerRow; ++k)
                            out[k] = static_cast<int32_t>(values[k]);
                    }
                    values.erase(values.begin(), values.begin() + b.valuesPerRow);
                    ++row;
                }
                if (row == b.rows)
                    complete = true;
            }
            i = j - 1;
            if (!complete) {
                // The line that ended the block early ends the section too.
                if (j < lines.size())
                    i = j;
                endSection(false);
                continue;
            }
            if (b.fallback) {
                const RateArray zero = FindBuiltInRateArray(b.fallback);
                for (int32_t shape : b.fallbackShapes)
                    if (!HasExactRateLeaf(&gRateTables[priceSlot], b.classKey, classification, shape))
                        RegisterRate2(priceSlot, b.classKey, shape, classification, zero, 0);
            }
            int32_t *owned = new int32_t[words.size()];
            std::memcpy(owned, words.data(), words.size() * sizeof(int32_t));
            const RateArray array{owned, static_cast<int32_t>(words.size()), b.storedWidth, b.form, nullptr};
            RegisterRate2(priceSlot, b.classKey, b.shapeKey, classification, array, 1);
            for (int32_t shape : b.alsoShapes)
                RegisterRate2(priceSlot, b.classKey, shape, classification, array, 1);
        } else {
            endSection(false);
            continue;
        }
    }
    return lastSectionWell ? 1 : 0;
}
