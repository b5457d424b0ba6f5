// Keys built for mail pieces find the categories of those pieces.
#include "rateengine/RateEngine.h"
#include "rateengine/ServiceClass.h"
#include "mailcategory/MailCategory.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct Piece {
    const char *what;
    int32_t mailClass, shape, weight, zone, machinable, rateClassification, cubic, returnService;
    uint16_t category;
};

TEST(ServiceClassMailCategory, BuiltKeysFindTheirCategories)
{
    SetRateVersion("09/07/2014");
    const Piece pieces[] = {
        {"First-Class letter", 1, 1, 1, 0, 1, 0, 0, 0, 1110},
        {"First-Class letter, Commercial Base", 1, 1, 1, 0, 1, 1, 0, 0, 1111},
        {"First-Class flat", 1, 2, 3, 0, 1, 0, 0, 0, 1102},
        {"First-Class postcard", 1, 7, 1, 0, 1, 0, 0, 0, 1104},
        {"First-Class parcel, retail", 1, 3, 5, 0, 1, 0, 0, 0, 1103},
        {"First-Class parcel, Commercial Base", 1, 3, 5, 0, 1, 1, 0, 0, 1231},
        {"Priority Mail parcel, zone 1", 2, 3, 20, 1, 1, 0, 0, 0, 7600},
        {"Priority Mail parcel, zone 9", 2, 3, 20, 9, 1, 0, 0, 0, 7600},
        {"Priority Mail parcel, Commercial Base", 2, 3, 20, 5, 1, 1, 0, 0, 7500},
        {"Priority Mail parcel, Commercial Plus", 2, 3, 20, 5, 1, 2, 0, 0, 7400},
        {"Priority Mail parcel, Commercial Plus, 8 oz", 2, 3, 8, 5, 1, 2, 0, 0, 7800},
        {"Priority Mail parcel, Commercial Plus, cubic tier 3", 2, 3, 3, 5, 1, 2, 1, 0, 7403},
        {"Priority Mail parcel, return service", 2, 3, 20, 5, 1, 0, 0, 1, 7555},
        {"Priority Mail flat-rate envelope", 2, 5, 20, 7, 1, 0, 0, 0, 7620},
        {"Priority Mail Express letter", 3, 1, 5, 2, 1, 0, 0, 0, 7103},
        {"Priority Mail Express parcel, return service", 3, 3, 20, 4, 1, 0, 0, 1, 7309},
        {"Priority Mail Express flat-rate envelope, Commercial Plus", 3, 5, 20, 8, 1, 2, 0, 0, 7006},
        {"Parcel Post, machinable", 6, 3, 50, 4, 1, 0, 0, 0, 4110},
        {"Parcel Select return, machinable", 43, 3, 50, 4, 1, 0, 0, 1, 4730},
        {"Standard Post, machinable", 45, 3, 50, 4, 1, 0, 0, 0, 4120},
        {"presorted Standard letter", 21, 1, 1, 0, 1, 0, 0, 0, 6000},
        {"Priority Mail International parcel, Canada's group", 30, 3, 20, 1, 1, 0, 0, 0, 8122},
        {"Priority Mail International flat-rate envelope", 30, 5, 20, 1, 1, 0, 0, 0, 8127},
        {"First-Class Package International Service", 42, 3, 20, 1, 1, 0, 0, 0, 8033},
        {"Metro Post, light, no zone", 48, 3, 100, 0, 1, 0, 0, 0, 9000},
        {"Priority Mail parcel, zone 10", 2, 3, 20, 10, 1, 0, 0, 0, 7600}, // the zone is left out
    };
    for (const Piece &p : pieces) {
        SCOPED_TRACE(p.what);
        const int32_t key = GetServiceClassRE2014(p.mailClass, p.shape, p.weight, p.zone, 0, 0, p.machinable, 0,
                                                  p.rateClassification, 0, p.cubic, p.returnService);
        EXPECT_EQ(GetMailCategory(key, 0), p.category);
    }
    // A stamp: the First-Class letter built through the stamp entry point.
    EXPECT_EQ(GetMailCategory(GetServiceClassRE(1, 1, 1, 0, 0, 0, 1, 0), 0), 1110);
    // Hold For Pickup on a Priority Mail Express letter.
    EXPECT_EQ(GetMailCategory(GetServiceClassRE2014(3, 1, 5, 2, 0, 0, 1, 0, 0, 0, 0, 0), 0x80000), 7101);
}

} // namespace
