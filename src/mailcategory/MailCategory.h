#pragma once
// Mail-category codes: the vendor's four-digit category of a mail piece,
// looked up by its service-class key and optional-service mask.
#include <cstdint>

// Optional-service bits that change the category; all others are ignored.
inline constexpr std::int32_t kMailCategoryPremiumServiceBit = 0x8000; // Priority Mail Express premium service
inline constexpr std::int32_t kMailCategoryHoldForPickupBit = 0x80000; // Hold For Pickup (wins over the premium bit)

// The mail-category code of a service-class key (see ServiceClass.h) under
// the given optional-service mask, or 0 when the key has no category.
// Pure, allocation-free, logarithmic in the table size.
std::uint16_t GetMailCategory(std::int32_t serviceClass, std::int32_t optionalServices);
