#include "rateengine/ServiceClass.h"

#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateInternal.h"

#include <string_view>

namespace {

using tolvane::rates::EqualsIgnoringCaseAscii;

constexpr uint32_t kMachinable = 0x4000;
constexpr uint32_t kNotMachinable = 0x8000;

uint32_t classGroup(int32_t mailClass)
{
    switch (mailClass) {
    case 1:
    case 22:
        return 1;
    case 3:
        return 2;
    case 2:
    case 44:
    case 46:
        return 3;
    case 21:
        return 5;
    case 6:
    case 23:
    case 24:
    case 25:
    case 43:
    case 45:
        return 6;
    case 28:
    case 29:
    case 30:
    case 36:
    case 38:
    case 39:
    case 42:
    case 47:
    case 49:
        return 7;
    case 48:
        return 8;
    default:
        return 0; // 7 and 35 included
    }
}

uint32_t domesticLevel(int32_t mailClass, int32_t shape, int32_t rateClassification)
{
    if (rateClassification == 1)
        return 2;
    if (rateClassification == 2)
        return 3;
    if (rateClassification >= 10)
        return 4;
    if (mailClass == 1 && shape == 1 && giRateTable >= 16)
        return 5;
    return 1;
}

uint32_t internationalLevel(int32_t rateClassification)
{
    if (rateClassification == 1)
        return 4;
    if (rateClassification == 2)
        return 8;
    if (rateClassification >= 10)
        return 6;
    return 2;
}

uint32_t priorityMailSubCode(int32_t shape)
{
    switch (shape) {
    case 1:
        return 0x880000;
    case 2:
        return 0x900000;
    case 5:
        return 0x080000;
    case 6:
        return 0x180000;
    case 7:
        return 0x800000;
    case 8:
        return 0x200000;
    case 9:
        return 0x100000;
    case 10:
        return 0x380000;
    case 11:
        return 0x300000;
    case 12:
        return 0x700000;
    case 13:
        return 0x780000;
    case 14:
        return 0x480000;
    case 15:
        return 0x500000;
    case 16:
        return 0x400000;
    case 17:
        return 0x580000;
    case 20:
        return 0xa80000;
    case 21:
        return 0xa00000;
    case 101:
        return 0xb80000;
    case 102:
        return 0xb00000;
    case 103:
        return 0xc00000;
    case 104:
        return 0xc80000;
    default:
        return 0x980000; // 3, 4, 18, 19 and any other
    }
}

uint32_t expressSubCode(int32_t shape)
{
    switch (shape) {
    case 1:
        return 0x700000;
    case 2:
        return 0x800000;
    case 5:
        return 0x100000;
    case 6:
        return 0x300000;
    case 10:
        return 0xa00000;
    case 11:
        return 0x600000;
    default:
        return 0x900000;
    }
}

uint32_t internationalClassSubCode(int32_t mailClass)
{
    switch (mailClass) {
    case 28:
        return 0x200000;
    case 30:
        return 0x400000;
    case 38:
        return 0x1c00000;
    case 39:
    case 49:
        return 0x1e00000;
    case 47:
        return 0x1a00000;
    case 35:
    case 36:
    case 42:
        return 0x600000;
    default:
        return 0; // 29
    }
}

uint32_t internationalShapeSubCode(int32_t shape)
{
    switch (shape) {
    case 1:
        return 0x180000;
    case 2:
        return 0x1a0000;
    case 5:
    case 15:
    case 17:
        return 0x020000;
    case 6:
        return 0x060000;
    case 8:
    case 20:
        return 0x080000;
    case 9:
        return 0x040000;
    case 10:
        return 0x100000;
    case 11:
        return 0x0a0000;
    case 12:
        return 0x400; // regional-rate box letters A, B, C
    case 13:
        return 0x800;
    case 21:
        return 0xc00;
    case 14:
        return 0x0e0000;
    case 16:
        return 0x0c0000;
    case 18:
        return 0x120000;
    case 19:
        return 0x140000;
    default:
        return 0x1c0000; // 3, 4, 7 and any other
    }
}

uint32_t internationalKey(int32_t mailClass, int32_t shape, int32_t priceGroup, int32_t rateClassification)
{
    uint32_t key = classGroup(mailClass) << 28 | internationalLevel(rateClassification) << 24;
    if (mailClass == 42 && shape == 3) {
        key |= 0x800000 | 0x1c0000; // First-Class Package International Service
    } else {
        key |= internationalClassSubCode(mailClass);
        if (mailClass != 36)
            key |= internationalShapeSubCode(shape);
    }
    if (priceGroup >= 1 && priceGroup <= 17)
        key |= static_cast<uint32_t>(priceGroup) << 12;
    return key;
}

uint32_t machinableBits(int32_t machinable) { return machinable ? kMachinable : kNotMachinable; }

bool isCanadaOrMexico(const char *country)
{
    if (!country || !*country)
        return false;
    char code[3] = {0, 0, 0};
    if (GetCountryCodeForName(country, code, nullptr) != 0)
        return false;
    const std::string_view letters(code, 2);
    return EqualsIgnoringCaseAscii(letters, "CA") || EqualsIgnoringCaseAscii(letters, "MX");
}

// One of three price columns (classification 0, 1, 2); any other gives 0.
int32_t column(int32_t rateClassification, int32_t retail, int32_t base, int32_t plus)
{
    switch (rateClassification) {
    case 0:
        return retail;
    case 1:
        return base;
    case 2:
        return plus;
    default:
        return 0;
    }
}

} // namespace

int32_t GetServiceClassRE2014(int32_t mailClass, int32_t shape, int32_t weight, int32_t zone, int32_t, int32_t,
                              int32_t machinable, int32_t, int32_t rateClassification, int32_t military, int32_t cubic,
                              int32_t returnService)
{
    if (IsIntlClass(mailClass))
        return static_cast<int32_t>(internationalKey(mailClass, shape, zone, rateClassification));

    if (mailClass == 48) {
        const uint32_t key =
            0x80000000u | (weight < 401 ? 0x06200000u : 0x06400000u) | (zone != 0 ? 0x80000u : 0x40000u);
        return static_cast<int32_t>(key);
    }

    uint32_t key = classGroup(mailClass) << 28 | domesticLevel(mailClass, shape, rateClassification) << 24;
    int zoneShift = 0; // 0: the class carries no zone

    switch (mailClass) {
    case 1:
    case 7:
    case 22:
        switch (shape) {
        case 1:
            key |= 0x280000;
            break;
        case 2:
            key |= 0x480000;
            break;
        case 7:
            key |= 0x180000;
            break;
        case 3:
        case 4:
            key |= rateClassification == 0 ? 0x600000 : 0x700000;
            break;
        default:
            key |= 0x700000;
            break;
        }
        if (returnService)
            key |= 0x4000;
        break;
    case 2:
        key |= priorityMailSubCode(shape);
        if (cubic) {
            if (weight >= 1 && weight <= 5)
                key |= static_cast<uint32_t>(weight) << 11;
        } else if (weight == 8 && rateClassification > 1 && (shape == 3 || shape == 4)) {
            key |= 0x3000;
        }
        if (military)
            key |= 0x400;
        if (returnService)
            key |= 0x40;
        zoneShift = 15;
        break;
    case 3:
        key |= expressSubCode(shape);
        if (returnService)
            key |= 0x2000;
        zoneShift = 16;
        break;
    case 6:
        key |= machinableBits(machinable);
        zoneShift = 16;
        break;
    case 23:
        key |= 0x500000 | machinableBits(machinable);
        break;
    case 24:
        key |= 0x100000 | machinableBits(machinable);
        zoneShift = 16;
        break;
    case 25:
        key |= 0x200000 | machinableBits(machinable);
        zoneShift = 16;
        break;
    case 43:
        key |= (returnService ? 0x602000 : 0x302000) | machinableBits(machinable);
        zoneShift = 16;
        break;
    case 45:
        key |= 0x800000 | machinableBits(machinable);
        zoneShift = 16;
        break;
    case 44:
    case 46:
        key |= shape == 1 ? 0x680000 : shape == 2 ? 0x600000 : 0;
        if (returnService)
            key |= 0x40;
        zoneShift = 15;
        break;
    default: // 21 and every class of group 0
        key |= shape == 1 ? 0x100000 : shape == 2 ? 0x200000 : 0x300000;
        break;
    }

    if (zoneShift && zone >= 1 && zone <= 9)
        key |= static_cast<uint32_t>(zone) << zoneShift;
    return static_cast<int32_t>(key);
}

int32_t GetServiceClassRE(int32_t mailClass, int32_t shape, int32_t weight, int32_t zone, int32_t unused1,
                          int32_t unused2, int32_t machinable, int32_t unused3)
{
    return GetServiceClassRE2014(mailClass, shape, weight, zone, unused1, unused2, machinable, unused3, 0, 0, 0, 0);
}

int32_t GetServiceClassRE2009(int32_t mailClass, int32_t shape, int32_t weight, int32_t zone, int32_t unused1,
                              int32_t unused2, int32_t machinable, int32_t unused3, int32_t rateClassification)
{
    return GetServiceClassRE2014(mailClass, shape, weight, zone, unused1, unused2, machinable, unused3,
                                 rateClassification, 0, 0, 0);
}

int32_t GetServiceClassRE2010(int32_t mailClass, int32_t shape, int32_t weight, int32_t zone, int32_t unused1,
                              int32_t unused2, int32_t machinable, int32_t unused3, int32_t rateClassification,
                              int32_t military, int32_t cubic)
{
    return GetServiceClassRE2014(mailClass, shape, weight, zone, unused1, unused2, machinable, unused3,
                                 rateClassification, military, cubic, 0);
}

int32_t GetServiceClassRE2011(int32_t mailClass, int32_t shape, int32_t weight, int32_t zone, int32_t unused1,
                              int32_t unused2, int32_t machinable, int32_t unused3, int32_t rateClassification,
                              int32_t military, int32_t cubic)
{
    return GetServiceClassRE2014(mailClass, shape, weight, zone, unused1, unused2, machinable, unused3,
                                 rateClassification, military, cubic, 0);
}

int32_t GetIntelligentMailCode2009(int32_t mailClass, int32_t shape, int32_t, int32_t rateClassification,
                                   const char *country)
{
    const int32_t c = rateClassification;
    switch (mailClass) {
    case 1:
        switch (shape) {
        case 1:
            return 1101;
        case 2:
            return 1102;
        case 3:
            return 1103;
        case 7:
            return 1104;
        default:
            return 0;
        }
    case 2:
        switch (shape) {
        case 5:
            return column(c, 7620, 7520, 7420);
        case 6:
            return column(c, 7630, 7530, 7430);
        case 8:
        case 20:
            return column(c, 7631, 7531, 7431);
        case 9:
            return column(c, 7629, 7529, 7429);
        case 11:
            return column(c, 7714, 7712, 7713);
        default:
            return column(c, 7600, 7500, 7400);
        }
    case 3:
        switch (shape) {
        case 10:
        case 11:
            return column(c, 7204, 7201, 7203);
        case 5:
            return column(c, 7100, 7000, 7006);
        default:
            return column(c, 7103, 7003, 7008);
        }
    case 6:
    case 45:
        return 4110;
    case 23:
        return shape == 2 ? 4210 : shape == 3 ? 4211 : 0;
    case 24:
        return 4310;
    case 25:
        return 4410;
    case 28:
        switch (shape) {
        case 10:
        case 11:
            return isCanadaOrMexico(country) ? column(c, 8014, 8013, 0) : column(c, 8016, 8015, 0);
        case 5:
            return isCanadaOrMexico(country) ? column(c, 8112, 8012, 0) : column(c, 8110, 8010, 0);
        default:
            return column(c, 8111, 8011, 0);
        }
    case 30:
        switch (shape) {
        case 5:
            return isCanadaOrMexico(country) ? column(c, 8127, 8027, 0) : column(c, 8120, 8020, 0);
        case 6:
            return isCanadaOrMexico(country) ? column(c, 8128, 8028, 0) : column(c, 8121, 8021, 0);
        case 8:
        case 20:
            return column(c, 8230, 8220, 0);
        case 9:
            return isCanadaOrMexico(country) ? column(c, 8126, 8026, 0) : column(c, 8125, 8025, 0);
        case 11:
            return isCanadaOrMexico(country) ? column(c, 8014, 8013, 0) : column(c, 8016, 8015, 0);
        default:
            return column(c, 8122, 8022, 0);
        }
    case 42:
        switch (shape) {
        case 1:
            return 8031;
        case 2:
            return 8032;
        case 3:
            return 8033;
        case 7:
            return 8030;
        default:
            return 0;
        }
    default:
        return 0;
    }
}

uint16_t GetIntelligentMailCode(int32_t mailClass, int32_t shape, int32_t unused)
{
    return static_cast<uint16_t>(GetIntelligentMailCode2009(mailClass, shape, unused, 0, ""));
}
