// The country file loader ("country2013.dat", replaced by the postage
// vendor's server) on any file; the countries it read are then looked up.
#include "FuzzSupport.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool initialized = (InitializeRE("", "01/27/2014"), true);
    (void)initialized;
    if (LoadCountry2013FileAtPath(tolvane::fuzz::inputFile(data, size)) != 1)
        return 0;
    for (const char *name : {"CA", "Canada", "FIRST LAND", "GB", "aa", ""}) {
        char code[2] = {0, 0};
        const CountryInfo *record = nullptr;
        (void)GetCountryCodeForName(name, code, &record);
        (void)GetCountryInfoForCountryName(name);
        for (const int32_t mailClass : {kREExpressIntl, kREGlobalExpressGuaranteed, kREPriorityIntl})
            for (const int32_t shape : {1, 5, 6, 8, 20}) {
                (void)GetCountryGroup(mailClass, shape, name);
                (void)GetCountryMaxWeight(mailClass, shape, name);
            }
        (void)GetCountryPMIIndemnityLimit(name);
    }
    return 0;
}
