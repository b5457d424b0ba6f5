#pragma once
// The generated mail-category table (built from mailcategory.tsv by
// gen_mailcategory.py). Keys of class groups 2, 3 and 6 are stored with their
// zone field cleared; entries are sorted by key as a signed 32-bit number.
#include <cstddef>
#include <cstdint>

struct MailCategoryEntry {
    std::int32_t key;                // service-class key, zone folded
    std::uint16_t code;              // without the two option bits
    std::uint16_t premiumCode;       // with the premium service (0x8000) only
    std::uint16_t holdForPickupCode; // with Hold For Pickup (0x80000)
};

extern const MailCategoryEntry gMailCategoryTable[];
extern const std::size_t gMailCategoryTableCount;
