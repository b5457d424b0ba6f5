#pragma once
// The service-class key: one 32-bit number that describes a mail piece to the
// postage server and to the mail-category table (mail class, price level,
// shape, zone or international price group, and a few service options packed
// into bit fields), and the 4-digit Intelligent Mail service code of the
// indicium.
//
// Layout of the key (fields ORed; a field a class does not use is 0):
//   bits 28-31  class group
//   bits 24-27  rate level
//   bits 19-23  class and shape sub-code (domestic); 17-24 (international)
//   bits 15-18  zone 1-9 (Priority Mail, Critical Mail)
//   bits 16-19  zone 1-9 (Express, Parcel Post, Media, Library, Parcel Select,
//               Standard Post)
//   bits 12-16  international price group 1-17
//   bits 10-11  regional-rate box letter (international)
//   bit 6, 10-15 service options (domestic)
// Keys of class group 8 (Metro Post) are negative as signed numbers.
//
// Pure functions apart from reading the current rate version (giRateTable).
#include <cstdint>

// Builds the key. `weight` is the weight in whole ounces, or the cubic tier
// (1-5) when `cubic` is non-zero; `zone` is the domestic zone (1-9) or, for an
// international class, the destination's price group (1-17, GetCountryGroup);
// for Metro Post it only counts as zero or non-zero. Flags count when
// non-zero. The three unnamed arguments are not used.
int32_t GetServiceClassRE2014(int32_t mailClass, int32_t shape, int32_t weight, int32_t zone, int32_t /*unused*/,
                              int32_t /*unused*/, int32_t machinable, int32_t /*unused*/, int32_t rateClassification,
                              int32_t military, int32_t cubic, int32_t returnService);

// Older entry points: the same leading arguments, 0 for what they lack.
int32_t GetServiceClassRE(int32_t mailClass, int32_t shape, int32_t weight, int32_t zone, int32_t /*unused*/,
                          int32_t /*unused*/, int32_t machinable, int32_t /*unused*/);
int32_t GetServiceClassRE2009(int32_t mailClass, int32_t shape, int32_t weight, int32_t zone, int32_t /*unused*/,
                              int32_t /*unused*/, int32_t machinable, int32_t /*unused*/, int32_t rateClassification);
int32_t GetServiceClassRE2010(int32_t mailClass, int32_t shape, int32_t weight, int32_t zone, int32_t /*unused*/,
                              int32_t /*unused*/, int32_t machinable, int32_t /*unused*/, int32_t rateClassification,
                              int32_t military, int32_t cubic);
int32_t GetServiceClassRE2011(int32_t mailClass, int32_t shape, int32_t weight, int32_t zone, int32_t /*unused*/,
                              int32_t /*unused*/, int32_t machinable, int32_t /*unused*/, int32_t rateClassification,
                              int32_t military, int32_t cubic);

// The Intelligent Mail service code of a class and shape under rate
// classification 0, 1 or 2 (any other classification gives 0 where the code
// depends on it); 0 when the piece has none. The country (a code, name or
// alias; may be null) counts only for Priority Mail Express International and
// Priority Mail International, whose codes differ for Canada and Mexico.
int32_t GetIntelligentMailCode2009(int32_t mailClass, int32_t shape, int32_t /*unused*/, int32_t rateClassification,
                                   const char *country);

// The same with classification 0 and no country.
uint16_t GetIntelligentMailCode(int32_t mailClass, int32_t shape, int32_t unused);
