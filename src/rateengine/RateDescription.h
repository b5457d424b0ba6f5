#pragma once
// Rate description ("stealth") text: the one line that postage-hidden labels
// print instead of the amount. The rate queries fill a caller's buffer of
// kStealthTextSize bytes; the texts are at most 89 characters, so the buffer
// always keeps its final zero byte.
#include <cstddef>
#include <cstdint>

inline constexpr size_t kStealthTextSize = 90;

// What a finished domestic query used.
struct DomesticRateTextInput {
    int32_t mailClass = 0;
    int32_t shape = 0;
    int32_t zone = 0;        // pricing zone; 0 is shown as " Local"
    int32_t weight = 0;      // charged weight, tenths of an ounce
    int32_t entryWeight = 0; // weight the caller asked for
    bool oversize = false;
    bool machinable = true;
    bool balloon = false;
    bool dimensionalWeight = false;
    bool cubic = false;     // cubic pricing applied
    int32_t cubicTier = 0;  // 1-5
    int32_t cubicSide1 = 0; // soft pack (shape 22): the two longest sides,
    int32_t cubicSide2 = 0; //   hundredths of an inch
    int32_t classification = 0;
    bool premiumService = false; // Priority Mail Express premium service
    int32_t trayEntry = 0;       // 0: " Facility Rate", else " DDU Rate"
};

// Clears `buffer` (kStealthTextSize bytes) and writes the domestic text.
// A null buffer is left alone.
void FormatDomesticRateText(char *buffer, const DomesticRateTextInput &in);

// Clears `buffer` (kStealthTextSize bytes) and writes the international text
// for class, shape, charged weight and machinable flag.
void FormatIntlRateText(char *buffer, int32_t mailClass, int32_t shape, int32_t weight, bool machinable);
