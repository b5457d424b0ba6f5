#pragma once
// Weight breaks of a mail class and shape (the weights at which its price
// steps, for weight menus) and the test whether a rate classification is
// registered for a class.
#include <cstdint>

// Writes the breaks (tenths of an ounce) into `out` (may be null). *count:
// in, the capacity of `out` (0 = unlimited); out, the number of breaks.
// Returns 0, -6 (not initialised), -7 (class without a list: count 0 and,
// with an array, out[0] = 0) or -5 (a negative capacity, or an array without
// a count: nothing is written to the array and the count becomes 0).
int32_t GetRateWeights2010(int32_t mailClass, int32_t shape, int32_t machinable, const char *country, int32_t *out,
                           int32_t *count, int32_t classification);
// The same with rate classification 0.
int32_t GetRateWeights(int32_t mailClass, int32_t shape, int32_t machinable, const char *country, int32_t *out,
                       int32_t *count);

// 1 when the classification is registered for the class in the table of
// `rateVersionKey` (with a leaf of exactly that shape when shape > 0).
int32_t IsValidRateClassificationForRateClassAndShape(int32_t classification, int32_t mailClass, int32_t rateVersionKey,
                                                      int32_t shape);
