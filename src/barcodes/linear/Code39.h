#pragma once
// Code 39 (ISO/IEC 16388) encoder. Plain C++, no Qt.
//
// The pattern holds nine characters per symbol character, one per element
// (bar, space, bar, space, bar, space, bar, space, bar): '1' for a wide
// element, '0' for a narrow one. The text is framed by the start/stop
// character "*"; no check character is added and no escapes are processed.
// The narrow inter-character gap is not part of the pattern: a renderer adds
// it after every symbol character.

#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

// The Code 39 character set: the character, then its nine element flags
// (1 = wide). Rows: 0 to 9, A to Z, "-", ".", blank, "*", "$", "/", "+", "%".
inline constexpr int kC39SymbolCount = 44;
extern const unsigned char c39_bp[kC39SymbolCount][10];

// Row of c39_bp for a character; -1 when the character set has none.
int c39RowForCharacter(unsigned char c);

// Element pattern of "*" + text + "*"; nothing for an empty text or one
// holding a character outside the Code 39 set (lower-case letters, bytes of
// 128 or more, or a "*", which is reserved for start and stop).
std::optional<std::string> _bitpattern_c39(std::string_view text);

} // namespace tolvane
