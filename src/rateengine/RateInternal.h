#pragma once
// Small helpers shared by the rate-engine sources; not part of the engine's
// interface.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace tolvane::rates {

// True when `value` is one of `list`.
inline bool IsOneOf(int32_t value, std::initializer_list<int32_t> list)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// True when `value` is one of the constants `Values`: the same answer as
// IsOneOf, as comparisons the compiler can turn into one bit test.
template <int32_t... Values> constexpr bool IsAnyOf(int32_t value) { return ((value == Values) || ...); }

// a / b rounded up, for a divisor above 0: 0 stays 0 and a negative `a`
// rounds towards zero (the true ceiling in both cases).
constexpr int64_t CeilDiv(int64_t a, int64_t b) { return a >= 0 ? (a + b - 1) / b : -((-a) / b); }

// A side in whole inches, floor((hundredths + 50) / 100), held at most at a
// mile (63,360 in): sides beyond it reach every cap and refusal that a mile
// does, and the product of three such sides (times 1,000) stays inside 64
// bits.
constexpr int64_t WholeInchesOfSide(int32_t hundredths)
{
    return std::min<int64_t>((int64_t(hundredths) + 50) / 100, 63360);
}

// The value limited to the range of int32_t.
constexpr int32_t ClampToInt32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Equal texts when ASCII letters are compared without regard to case; every
// other byte must match exactly (no locale is consulted).
constexpr bool EqualsIgnoringCaseAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

} // namespace tolvane::rates
