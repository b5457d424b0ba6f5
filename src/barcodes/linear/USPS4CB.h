#pragma once
// USPS Intelligent Mail barcode (4-state customer barcode) encoder after
// USPS-B-3200. Plain C++, no Qt.
//
// The bar string holds one letter per bar, left to right: 'F' full bar,
// 'A' ascender, 'D' descender, 'T' tracker.

#include <cstddef>

namespace tolvane {

inline constexpr int kUSPS4CBBarCount = 65;
inline constexpr int kUSPS4CBBigNumberSize = 13; // bytes, most significant first

// Return codes of USPS4CB, USPSVCB and Encode.
enum USPS4CBReturnCode : int {
    USPS4CB_SUCCESS = 0,
    USPS4CB_SELFTEST_FAILED = 1,
    USPS4CB_BAR_STRING_MISSING = 2,
    USPS4CB_BINARY_CONVERSION_FAILED = 3,
    USPS4CB_TABLE_INIT_FAILED = 4,
    USPS4CB_CODEWORD_CONVERSION_FAILED = 5,
    USPS4CB_CODEWORD_OUT_OF_RANGE = 6,
    USPS4CB_TRACKING_MISSING = 7,
    USPS4CB_ROUTING_MISSING = 8,
    USPS4CB_TRACKING_WRONG_LENGTH = 9,
    USPS4CB_TRACKING_NOT_DIGITS = 10,
    USPS4CB_TRACKING_SECOND_DIGIT = 11,
    USPS4CB_ROUTING_WRONG_LENGTH = 12,
    USPS4CB_ROUTING_NOT_DIGITS = 13,
};

// Encodes a 20-digit tracking code and a routing code of 0, 5, 9 or 11
// digits (cut at its first blank). On USPS4CB_SUCCESS the first 65 bytes of
// barString hold the bar letters (no terminating zero is written; the
// buffer must have room for at least 65 bytes). A null text or buffer counts
// as missing.
int USPS4CB(const char *trackingString, const char *routingString, char *barString);

// The same checks in another order (self-test first, then the missing
// arguments; the routing code is not cut at a blank), then Encode.
int USPSVCB(const char *trackingString, const char *routingString, char *barString);

// The encoding proper. The inputs are expected to be checked already; texts
// that are not digits of an allowed length still answer an error
// (USPS4CB_BINARY_CONVERSION_FAILED) rather than being read out of range.
int Encode(const char *trackingString, const char *routingString, char *barString);

// Whether the self-test has passed in this process; runs it when it has not.
bool EncoderSelfTest();
bool EncoderSelfTestedFlag();

// The N-of-13 tables (N = 5: 1,287 entries; N = 2: 78 entries), built once
// for the process. Null for another N or when building failed.
const int *GetNof13Table(int n);
// Fills a table of tableLength entries with the 13-bit values having n bits
// set, after USPS-B-3200; false when the table's two parts do not meet.
bool InitializeNof13Table(int *table, int n, int tableLength);

// 13-byte big-number operations (big-endian).
void MultiplyBytesByShort(unsigned char bytes[kUSPS4CBBigNumberSize], unsigned short multiplier);
void AddShortToBytes(unsigned char bytes[kUSPS4CBBigNumberSize], unsigned short addend);
// Divides in place and answers the remainder.
unsigned short DivideBytesByShort(unsigned char bytes[kUSPS4CBBigNumberSize], unsigned short divisor);

// CRC-11 frame check sequence (generator 0x0F35, start 0x7FF) over the 102
// low bits of the 13-byte value.
unsigned short GenerateFrameCheckSequence(const unsigned char bytes[kUSPS4CBBigNumberSize]);

// Bar-to-character mapping of USPS-B-3200: bar i has an ascender when bit
// BarTopCharacterShiftArray[i] of character BarTopCharacterIndexArray[i] is
// set, and a descender likewise from the bottom arrays.
extern const int BarTopCharacterIndexArray[kUSPS4CBBarCount];
extern const int BarTopCharacterShiftArray[kUSPS4CBBarCount];
extern const int BarBottomCharacterIndexArray[kUSPS4CBBarCount];
extern const int BarBottomCharacterShiftArray[kUSPS4CBBarCount];

} // namespace tolvane
