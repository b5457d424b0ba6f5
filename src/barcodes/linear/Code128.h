#pragma once
// Code 128 (ISO/IEC 15417) and GS1-128 encoder.
//
// The encoder turns a text into a module string: one character per module,
// '1' for a bar module and '0' for a space module, start character, data,
// check character and stop pattern included (no quiet zone). Plain C++, no Qt.
//
// Texts may carry escapes: "~" followed by three decimal digits gives the byte
// of that value (1 to 127), "~999" gives FNC1. Bytes of 128 or more in the
// text, and characters that the current code set cannot hold, are refused.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

// Symbol table: one row per symbol value 0 to 105; the set A character, the
// set B character, the set C character, then the six element widths (bar,
// space, bar, space, bar, space; 11 modules).
inline constexpr int kC128SymbolCount = 106;
extern const unsigned char c128_bp[kC128SymbolCount][9];
// Stop pattern: bar, space, bar, space, bar, space, bar (13 modules).
extern const unsigned char c128_stop[7];

// Internal codes (symbol value + 32) of the special symbols.
inline constexpr unsigned char C128_FNC3 = 128;
inline constexpr unsigned char C128_FNC2 = 129;
inline constexpr unsigned char C128_SHIFT = 130;
inline constexpr unsigned char C128_CODEC = 131;
inline constexpr unsigned char C128_CODEB = 132;
inline constexpr unsigned char C128_CODEA = 133;
inline constexpr unsigned char C128_FNC1 = 134;
inline constexpr unsigned char C128_STARTA = 135;
inline constexpr unsigned char C128_STARTB = 136;
inline constexpr unsigned char C128_STARTC = 137;

// Symbol values of the special symbols.
inline constexpr int C128_VALUE_SHIFT = 98;
inline constexpr int C128_VALUE_CODEC = 99;
inline constexpr int C128_VALUE_CODEB = 100;
inline constexpr int C128_VALUE_CODEA = 101;
inline constexpr int C128_VALUE_FNC1 = 102;
inline constexpr int C128_VALUE_STARTA = 103;
inline constexpr int C128_VALUE_STARTB = 104;
inline constexpr int C128_VALUE_STARTC = 105;

// Longest text accepted, counted after escape processing.
inline constexpr std::size_t kC128MaxTextLength = 100;

enum class C128Set { A, B, C };

// Entry points. Each answers the module string, or nothing for a missing or
// empty text, a text longer than 100 characters after escapes, or a text
// with a character the encoder refuses.
std::optional<std::string> _bitpattern_c128(std::string_view text);    // plain Code 128
std::optional<std::string> _bitpattern_c128c(std::string_view text);   // GS1-128: FNC1 after the start
std::optional<std::string> _bitpattern_c128gs1(std::string_view text); // GS1-128 from "(AI)data" text

// Escape processing. The answer holds bytes 1 to 127 and C128_FNC1; nothing
// when the text holds a byte of 128 or more.
std::optional<std::string> processTilde(std::string_view text);

// Parenthesised Application Identifiers to plain text with "~999" (FNC1)
// after each variable-length AI that another AI follows.
std::string processParens(std::string_view text);

// Whether an Application Identifier has variable-length data.
bool isVariableField(std::string_view ai);

// Symbol values of a processed text: start, (FNC1,) data, check character.
// Nothing for an empty or too long text or a character without a table row.
std::optional<std::vector<int>> getCodewords(std::string_view processed, bool leadingFNC1);

// Module string of a processed text (codewords, then modules and stop).
std::optional<std::string> getPattern(std::string_view processed, bool leadingFNC1);

// Module string of a list of symbol values, stop pattern appended; nothing
// for a value outside 0 to 105.
std::optional<std::string> modulesFromCodewords(const std::vector<int> &values);

// Lengths of the runs at position p: digits; characters below 32;
// characters 96 to 126.
std::size_t lookahead_digits(std::string_view text, std::size_t p);
std::size_t lookahead_controlchar(std::string_view text, std::size_t p);
std::size_t lookahead_smallcaps(std::string_view text, std::size_t p);

// Symbol value of a character (or internal code) in set A or B; -1 when the
// set has no row for it.
int codewordFromSetA(unsigned char c);
int codewordFromSetB(unsigned char c);

// Row of c128_bp whose column for the set holds the code; -1 when none does.
int indexFromCodeword(unsigned char code, C128Set set);

// Check character: (start value + sum of position x value) mod 103.
int calculateChecksum(const std::vector<int> &values);

} // namespace tolvane
