#pragma once
// International rate query: the postage of one USPS international piece for a
// destination country.
//
// Weight in tenths of an ounce (in/out: the weight charged), dimensions in
// hundredths of an inch (0 = not given), price out in mils. The stealth
// buffer (kIntlStealthTextSize bytes, or null) is cleared on entry and
// receives a one-line description of the rate on success.
#include <cstdint>

#include "rateengine/RateDescription.h"

struct CountryInfo;

// The buffer that FormatIntlRateText fills.
inline constexpr int kIntlStealthTextSize = static_cast<int>(kStealthTextSize);

int32_t GetIntlRate2010(const char *country, int32_t mailClass, int32_t shape, int32_t *weight, int32_t height,
                        int32_t width, int32_t length, int32_t *machinable, int32_t *classification, int32_t *price,
                        char *stealth);
// The same with the classification passed by value.
int32_t GetIntlRate2009(const char *country, int32_t mailClass, int32_t shape, int32_t *weight, int32_t height,
                        int32_t width, int32_t length, int32_t *machinable, int32_t classification, int32_t *price,
                        char *stealth);
// The same with the classification as a flag: non-zero is 1 (commercial base).
int32_t GetIntlRate(const char *country, int32_t mailClass, int32_t shape, int32_t *weight, int32_t height,
                    int32_t width, int32_t length, int32_t *machinable, int32_t commercial, int32_t *price,
                    char *stealth);

// True when the piece fits the class's limits for the country (always true
// when a dimension is 0 or less).
bool ValidDimensionsForClassAndCountry(int32_t height, int32_t width, int32_t length, int32_t mailClass,
                                       const CountryInfo *country);

// True for the reseller contract classifications priced as commercial base
// above 44 lb in price group 2.
bool IsResellerGEPS(int32_t classification);
