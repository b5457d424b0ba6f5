#pragma once
// Domestic rate query: prices one USPS domestic piece in mils.
//
// Arguments of GetDomesticRate2014, in order: mail class, shape, zone (0-9;
// 0-2 use the zones 1-2 column, 0 reads " Local"), intra-BMC flag (passed
// on), weight (in/out, tenths of an ounce: the weight charged; when a cubic
// price replaced the weight price, the first value of its cubic row: the
// tier of a tier row, the weight in ounces of a weight-and-tier row), height,
// width, length (hundredths of an inch, 0 = not given), oversize, machinable
// and balloon (in/out flags), price (out, mils), stealth text (buffer of
// kStealthTextSize bytes or null), destination state (two letters, may be
// empty or null), Priority Mail Express premium-service flag, rate
// classification (in/out: the one used), cubic (in: cubic pricing accepted;
// out: applied), tray entry (Priority Mail trays: 0 facility, else DDU) and
// the lower-rate check (1 compares an account price with commercial plus).
// Returns a rate-engine status code (RateEngine.h).
#include <cstdint>

int32_t GetDomesticRate2014(int32_t mailClass, int32_t shape, int32_t zone, int32_t intraBMC, int32_t *weight,
                            int32_t height, int32_t width, int32_t length, int32_t *oversize, int32_t *machinable,
                            int32_t *balloon, int32_t *price, char *stealth, const char *state, int32_t premiumService,
                            int32_t *classification, int32_t *cubic, int32_t trayEntry, int32_t lowerRateCheck);

// The first 17 arguments; tray entry 0 and lower-rate check 1.
int32_t GetDomesticRate2012(int32_t mailClass, int32_t shape, int32_t zone, int32_t intraBMC, int32_t *weight,
                            int32_t height, int32_t width, int32_t length, int32_t *oversize, int32_t *machinable,
                            int32_t *balloon, int32_t *price, char *stealth, const char *state, int32_t premiumService,
                            int32_t *classification, int32_t *cubic);
int32_t GetDomesticRate2010(int32_t mailClass, int32_t shape, int32_t zone, int32_t intraBMC, int32_t *weight,
                            int32_t height, int32_t width, int32_t length, int32_t *oversize, int32_t *machinable,
                            int32_t *balloon, int32_t *price, char *stealth, const char *state, int32_t premiumService,
                            int32_t *classification, int32_t *cubic);
// As GetDomesticRate2010 with the classification by value and no cubic pricing.
int32_t GetDomesticRate2009(int32_t mailClass, int32_t shape, int32_t zone, int32_t intraBMC, int32_t *weight,
                            int32_t height, int32_t width, int32_t length, int32_t *oversize, int32_t *machinable,
                            int32_t *balloon, int32_t *price, char *stealth, const char *state, int32_t premiumService,
                            int32_t classification);
// As GetDomesticRate2009; a non-zero `commercial` flag is classification 1.
int32_t GetDomesticRate(int32_t mailClass, int32_t shape, int32_t zone, int32_t intraBMC, int32_t *weight,
                        int32_t height, int32_t width, int32_t length, int32_t *oversize, int32_t *machinable,
                        int32_t *balloon, int32_t *price, char *stealth, const char *state, int32_t premiumService,
                        int32_t commercial);

// Shapes 5, 10, 11 and 14-17.
bool IsFlatRateEnvelope(int32_t shape);
// Shapes 6, 8, 9 and 18-20.
bool IsFlatRateBox(int32_t shape);
