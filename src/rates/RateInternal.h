#pragma once
// Small helpers shared by the rate-engine sources; not part of the engine's
// interface.
#include <algorithm>
#include <cstdint>
#include <initializer_list>

namespace tolvane::rates {

// True when `value` is one of `list`.
inline bool IsOneOf(int32_t value, std::initializer_list<int32_t> list)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

} // namespace tolvane::rates
