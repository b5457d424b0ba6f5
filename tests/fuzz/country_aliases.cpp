// The country-alias reader ("country-aliases.txt") on any file; names are
// then looked up through the aliases it read.
#include "FuzzSupport.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool initialized = [] {
        InitializeRE("", "01/27/2014");
        return LoadCountry2013FileAtPath(TOLVANE_COUNTRY_FILE) == 1;
    }();
    if (!initialized)
        return 0;
    if (LoadCountryAliasFileAtPath(tolvane::fuzz::inputFile(data, size)) != 1)
        return 0;
    // The first name of the input, and a few fixed ones.
    const std::string text(reinterpret_cast<const char *>(data), size);
    const std::string first = text.substr(0, text.find_first_of("\t\r\n"));
    for (const char *name : {first.c_str(), "UK", "Great Britain", "ca", "XX", ""}) {
        char code[2] = {0, 0};
        const CountryInfo *record = nullptr;
        (void)GetCountryCodeForName(name, code, &record);
        (void)GetCountryInfoForCountryName(name);
    }
    return 0;
}
