// Code 39 (ISO/IEC 16388) encoder.
#include "barcodes/linear/Code39.h"

namespace tolvane {

const unsigned char c39_bp[kC39SymbolCount][10] = {
    {'0', 0, 0, 0, 1, 1, 0, 1, 0, 0}, {'1', 1, 0, 0, 1, 0, 0, 0, 0, 1}, {'2', 0, 0, 1, 1, 0, 0, 0, 0, 1},
    {'3', 1, 0, 1, 1, 0, 0, 0, 0, 0}, {'4', 0, 0, 0, 1, 1, 0, 0, 0, 1}, {'5', 1, 0, 0, 1, 1, 0, 0, 0, 0},
    {'6', 0, 0, 1, 1, 1, 0, 0, 0, 0}, {'7', 0, 0, 0, 1, 0, 0, 1, 0, 1}, {'8', 1, 0, 0, 1, 0, 0, 1, 0, 0},
    {'9', 0, 0, 1, 1, 0, 0, 1, 0, 0}, {'A', 1, 0, 0, 0, 0, 1, 0, 0, 1}, {'B', 0, 0, 1, 0, 0, 1, 0, 0, 1},
    {'C', 1, 0, 1, 0, 0, 1, 0, 0, 0}, {'D', 0, 0, 0, 0, 1, 1, 0, 0, 1}, {'E', 1, 0, 0, 0, 1, 1, 0, 0, 0},
    {'F', 0, 0, 1, 0, 1, 1, 0, 0, 0}, {'G', 0, 0, 0, 0, 0, 1, 1, 0, 1}, {'H', 1, 0, 0, 0, 0, 1, 1, 0, 0},
    {'I', 0, 0, 1, 0, 0, 1, 1, 0, 0}, {'J', 0, 0, 0, 0, 1, 1, 1, 0, 0}, {'K', 1, 0, 0, 0, 0, 0, 0, 1, 1},
    {'L', 0, 0, 1, 0, 0, 0, 0, 1, 1}, {'M', 1, 0, 1, 0, 0, 0, 0, 1, 0}, {'N', 0, 0, 0, 0, 1, 0, 0, 1, 1},
    {'O', 1, 0, 0, 0, 1, 0, 0, 1, 0}, {'P', 0, 0, 1, 0, 1, 0, 0, 1, 0}, {'Q', 0, 0, 0, 0, 0, 0, 1, 1, 1},
    {'R', 1, 0, 0, 0, 0, 0, 1, 1, 0}, {'S', 0, 0, 1, 0, 0, 0, 1, 1, 0}, {'T', 0, 0, 0, 0, 1, 0, 1, 1, 0},
    {'U', 1, 1, 0, 0, 0, 0, 0, 0, 1}, {'V', 0, 1, 1, 0, 0, 0, 0, 0, 1}, {'W', 1, 1, 1, 0, 0, 0, 0, 0, 0},
    {'X', 0, 1, 0, 0, 1, 0, 0, 0, 1}, {'Y', 1, 1, 0, 0, 1, 0, 0, 0, 0}, {'Z', 0, 1, 1, 0, 1, 0, 0, 0, 0},
    {'-', 0, 1, 0, 0, 0, 0, 1, 0, 1}, {'.', 1, 1, 0, 0, 0, 0, 1, 0, 0}, {' ', 0, 1, 1, 0, 0, 0, 1, 0, 0},
    {'*', 0, 1, 0, 0, 1, 0, 1, 0, 0}, {'$', 0, 1, 0, 1, 0, 1, 0, 0, 0}, {'/', 0, 1, 0, 1, 0, 0, 0, 1, 0},
    {'+', 0, 1, 0, 0, 0, 1, 0, 1, 0}, {'%', 0, 0, 0, 1, 0, 1, 0, 1, 0},
};

int c39RowForCharacter(unsigned char c)
{
    for (int row = 0; row < kC39SymbolCount; ++row) {
        if (c39_bp[row][0] == c)
            return row;
    }
    return -1;
}

std::optional<std::string> _bitpattern_c39(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    std::string framed;
    framed.reserve(text.size() + 2);
    framed.push_back('*');
    for (char c : text) {
        if (c == '*')
            return std::nullopt; // would end the symbol early
        framed.push_back(c);
    }
    framed.push_back('*');

    std::string pattern;
    pattern.reserve(framed.size() * 9);
    for (char c : framed) {
        const int row = c39RowForCharacter(static_cast<unsigned char>(c));
        if (row < 0)
            return std::nullopt;
        for (int e = 1; e <= 9; ++e)
            pattern.push_back(c39_bp[row][e] ? '1' : '0');
    }
    return pattern;
}

} // namespace tolvane
