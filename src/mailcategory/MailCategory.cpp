#include "mailcategory/MailCategory.h"

#include "mailcategory/MailCategoryTable.h"

#include <algorithm>

namespace {

constexpr int kMaxZone = 9;

// The zone does not change the category of class groups 2 and 6 (zone in
// bits 16-19) nor of group 3 (bits 15-18); the table keeps those keys at
// zone 0. Answers false for a zone of 10-15, which no key carries.
bool foldZone(std::uint32_t &key)
{
    int shift = 0;
    switch (key >> 28) {
    case 2:
    case 6:
        shift = 16;
        break;
    case 3:
        shift = 15;
        break;
    default:
        return true;
    }
    const std::uint32_t mask = 0xfu << shift;
    if (static_cast<int>((key & mask) >> shift) > kMaxZone)
        return false;
    key &= ~mask;
    return true;
}

} // namespace

std::uint16_t GetMailCategory(std::int32_t serviceClass, std::int32_t optionalServices)
{
    auto key = static_cast<std::uint32_t>(serviceClass);
    if (!foldZone(key))
        return 0;
    const auto wanted = static_cast<std::int32_t>(key);

    const MailCategoryEntry *begin = gMailCategoryTable;
    const MailCategoryEntry *end = gMailCategoryTable + gMailCategoryTableCount;
    const MailCategoryEntry *found = std::lower_bound(
        begin, end, wanted, [](const MailCategoryEntry &entry, std::int32_t k) { return entry.key < k; });
    if (found == end || found->key != wanted)
        return 0;

    if (optionalServices & kMailCategoryHoldForPickupBit)
        return found->holdForPickupCode;
    if (optionalServices & kMailCategoryPremiumServiceBit)
        return found->premiumCode;
    return found->code;
}
