#include "rateengine/ServiceClassInfo.h"

#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"

#include <cstring>

namespace {

// The display name of a class and shape, or null for a class without one.
const char *mailClassName(int32_t mailClass, int32_t shape)
{
    switch (mailClass) {
    case 1:
        return shape == 7 ? "Postcard" : "First-Class";
    case 2:
        switch (shape) {
        case 5:
            return "Priority Mail Flat Rate Env.";
        case 6:
            return "Priority Mail Medium Flat Rate Box";
        case 8:
            return "Priority Mail Large Flat Rate Box";
        case 9:
            return "Priority Mail Small Flat Rate Box";
        case 10:
            return "Priority Mail Flat Rate Padded Envelope";
        case 20:
            return "Priority Mail Large Flat Rate Board Game Box";
        default:
            return "Priority Mail";
        }
    case 3:
        switch (shape) {
        case 5:
            return "Priority Mail Express Flat Rate Env.";
        case 6:
            return "Priority Mail Express Flat Rate Box";
        default:
            return "Priority Mail Express";
        }
    case 6:
        return "Parcel Post";
    case 7:
        return "Permit: First Class Presort";
    case 8:
        return "Permit: Standard Class Presort";
    case 9:
        return "Permit: Non-Profit Presort";
    case 10:
        return "Permit: First Class US Gov't G10";
    case 14:
        return "Business Reply Mail";
    case 15:
        return "Business Reply Label";
    case 16:
        return "Business Reply Card";
    case 17:
        return "International Business Reply";
    case 18:
        return "Courtesy Reply";
    case 21:
        return "Presorted, Standard";
    case 22:
        return "Presorted, First-Class";
    case 23:
        return "Bound Printed Matter";
    case 24:
        return "Media Mail";
    case 25:
        return "Library Mail";
    case 28:
        return shape == 6 ? "Priority Mail Express Intl Flat Rate Box" : "Priority Mail Express International";
    case 29:
        return "Global Express Guaranteed";
    case 30:
        switch (shape) {
        case 5:
            return "Priority Mail Intl Flat Rate Envelope";
        case 6:
            return "Priority Mail Intl Medium Flat Rate Box";
        case 8:
            return "Priority Mail Intl Large Flat Rate Box";
        case 9:
            return "Priority Mail Intl Small Flat Rate Box";
        case 12:
            return "Priority Mail Intl Regional Rate Box A";
        case 13:
            return "Priority Mail Intl Regional Rate Box B";
        case 21:
            return "Priority Mail Intl Regional Rate Box C";
        case 20:
            return "Priority Mail Intl Large Flat Rate Board Game Box";
        default:
            return "Priority Mail International";
        }
    case 36:
        return "International, M-Bags";
    case 38:
        return "IPA";
    case 39:
        return "ISAL";
    case 42:
        return "First-Class International";
    case 43:
        return "Parcel Select";
    case 44:
    case 46:
        return shape == 1 ? "Critical Mail Letter" : shape == 2 ? "Critical Mail Flat" : "Critical Mail";
    case 45:
        return "Standard Post";
    case 47:
        return "Consolidator - International";
    case 49:
        return "Commercial e-Packet";
    default:
        return nullptr; // 35 and 48 included
    }
}

// Copies text into buffer, cut to size - 1 bytes and terminated.
void copyName(char *buffer, std::size_t size, const char *text)
{
    if (!buffer || size == 0)
        return;
    std::size_t length = std::strlen(text);
    if (length >= size)
        length = size - 1;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

// The zeroed scratch area in which a decoded name is assembled.
class NameBuilder
{
public:
    NameBuilder() { std::memset(text_, 0, sizeof text_); }
    void set(const char *text)
    {
        text_[0] = '\0';
        append(text);
    }
    void append(const char *text)
    {
        const std::size_t used = std::strlen(text_);
        std::strncat(text_ + used, text, sizeof text_ - 1 - used);
    }
    const char *text() const { return text_; }

private:
    char text_[kServiceClassNameSize];
};

// Copies the decoded name into the caller's buffer (when given); success.
int32_t finish(const NameBuilder &builder, char *name)
{
    copyName(name, kServiceClassNameSize, builder.text());
    return kRESuccess;
}

// Group 3 (Priority Mail and Critical Mail) of the current layout.
void decodePriorityMail(uint32_t key, NameBuilder &builder, int32_t &mailClass, int32_t &shape)
{
    const bool returnService = key & 0x40;
    mailClass = 2;
    builder.set(returnService ? "Priority Mail Return" : "Priority Mail");
    switch (key & 0xf80000) {
    case 0x080000:
        builder.append(", Flat Rate Env");
        shape = 5;
        break;
    case 0x100000:
        builder.append(", Small Flat Rate Box");
        shape = 9;
        break;
    case 0x180000:
        builder.append(", Medium Flat Rate Box");
        shape = 6;
        break;
    case 0x200000:
        builder.append(", Large Flat Rate Box");
        shape = 8;
        break;
    case 0x380000:
        builder.append(", Flat Rate Padded Env");
        shape = 10;
        break;
    case 0x400000:
        builder.append(", Flat Rate Env");
        shape = 16;
        break;
    case 0x480000:
    case 0x500000:
    case 0x580000:
        builder.append(", Flat Rate Env");
        shape = 10;
        break;
    case 0x600000:
        builder.set(returnService ? "Critical Mail Return, Flats" : "Critical Mail, Flats");
        mailClass = 44;
        shape = 2;
        break;
    case 0x680000:
        builder.set(returnService ? "Critical Mail Return, Letter" : "Critical Mail, Letter");
        mailClass = 44;
        shape = 1;
        break;
    case 0x700000:
        builder.append(", Regional Rate Box A");
        shape = 12;
        break;
    case 0x780000:
        builder.append(", Regional Rate Box B");
        shape = 13;
        break;
    case 0xa00000:
        builder.append(", Regional Rate Box C");
        shape = 21;
        break;
    case 0x800000:
        builder.append(", Postcard");
        shape = 7;
        break;
    case 0x880000:
        builder.append(", Letter");
        shape = 1;
        break;
    case 0x900000:
        builder.append(", Flats");
        shape = 2;
        break;
    case 0xa80000:
        builder.append(", Large Flat Rate Board Game Box");
        shape = 20;
        break;
    case 0xb00000:
        builder.set("PMOD Full Tray Box");
        shape = 102;
        break;
    case 0xb80000:
        builder.set("PMOD Half Tray Box");
        shape = 101;
        break;
    case 0xc00000:
        builder.set("PMOD EMM Tray Box");
        shape = 103;
        break;
    case 0xc80000:
        builder.set("PMOD Flat Tub Tray Box");
        shape = 104;
        break;
    default:
        shape = 3;
        break;
    }
}

// Group 7 (international) of the current layout.
void decodeInternational(uint32_t key, NameBuilder &builder, int32_t &mailClass, int32_t &shape)
{
    // Classes whose piece may be a postcard; they keep the shape otherwise.
    struct PostcardClass {
        uint32_t subCode;
        const char *name;
        int32_t mailClass;
    };
    static constexpr PostcardClass kPostcardClasses[] = {
        {0x600000, "First-Class International", 42},
        {0x800000, "First-Class Package Int'l Service", 42},
        {0x1a00000, "Cons. Int'l", 47},
        {0x1c00000, "IPA", 38},
        {0x1e00000, "ISAL", 39},
    };
    const uint32_t classSubCode = key & 0x1e00000;
    switch (classSubCode) {
    case 0:
        builder.set("Global Express Guar.");
        mailClass = 29;
        shape = 3;
        break;
    case 0x200000:
        builder.set("Priority Mail Express International");
        mailClass = 28;
        shape = 3;
        if (key & 0x80) {
            builder.append(", Flat Rate Env");
            shape = 5;
        }
        break;
    case 0x400000:
        builder.set("Priority Mail International");
        mailClass = 30;
        shape = 3;
        break;
    default:
        builder.set("International");
        for (const PostcardClass &entry : kPostcardClasses) {
            if (classSubCode == entry.subCode) {
                builder.set(entry.name);
                mailClass = entry.mailClass;
                if (((key >> 4) & 7) == 4) {
                    builder.append(", Postcard");
                    shape = 7;
                }
                break;
            }
        }
        break;
    }

    struct ShapeSuffix {
        uint32_t subCode;
        const char *suffix;
        int32_t shape;
    };
    static constexpr ShapeSuffix kShapes[] = {
        {0x020000, ", Flat Rate Env", 5},
        {0x040000, ", Small Flat Rate Box", 9},
        {0x060000, ", Medium Flat Rate Box", 6},
        {0x080000, ", Large Flat Rate Box", 8},
        {0x0a0000, ", Legal Flat Rate Env", 11},
        {0x0c0000, ", Small Flat Rate Env", 16},
        {0x0e0000, ", Gift Flat Rate Env", 14},
        {0x100000, ", Padded Flat Rate Env", 10},
        {0x120000, ", DVD Flat Rate Box", 18},
        {0x140000, ", Video Flat Rate Box", 19},
        {0x160000, ", Large Flat Rate Board Game Box", 20},
        {0x180000, ", Letter", 1},
        {0x1a0000, ", Flats", 2},
        {0x1c0000, ", Parcel", 3},
    };
    for (const ShapeSuffix &entry : kShapes) {
        if ((key & 0x1e0000) == entry.subCode) {
            builder.append(entry.suffix);
            shape = entry.shape;
            break;
        }
    }

    switch (key & 0xc00) {
    case 0x400:
        builder.append(", Regional Rate Box A");
        shape = 12;
        break;
    case 0x800:
        builder.append(", Regional Rate Box B");
        shape = 13;
        break;
    case 0xc00:
        builder.append(", Regional Rate Box C");
        shape = 21;
        break;
    default:
        break;
    }
}

} // namespace

int32_t MailClassInfo(int32_t mailClass, int32_t shape, const char *country, char *name)
{
    if (!gbInitialized)
        return kRENotInitialized;
    const char *text = mailClassName(mailClass, shape);
    if (!text)
        return kREUnknownClass;
    copyName(name, kMailClassInfoNameSize, text);

    if (!IsIntlClass(mailClass))
        return kRESuccess;
    if (!country || std::strlen(country) < 2)
        return kRENoCountry;
    if (mailClass == 38 || mailClass == 39 || mailClass == 49)
        return kRESuccess;
    return GetCountryGroup(mailClass, shape, country) == 0 ? kREClassNotOffered : kRESuccess;
}

int32_t TranslateServiceClassV3(int32_t serviceClass, int32_t *mailClass, int32_t *shape, char *name)
{
    const auto key = static_cast<uint32_t>(serviceClass);
    int32_t outClass = mailClass ? *mailClass : 0;
    int32_t outShape = 1;
    if (shape)
        *shape = outShape;

    NameBuilder builder;
    switch (key >> 28) {
    case 1:
        outClass = 1;
        builder.set(key & 0x4000 ? "First-Class Return" : "First-Class");
        switch (key & 0xf00000) {
        case 0x100000:
            builder.append(", Postcard");
            outShape = 7;
            break;
        case 0x200000:
            builder.append(", Letter");
            outShape = 1;
            break;
        case 0x400000:
            builder.append(", Flats");
            outShape = 2;
            break;
        case 0x600000:
            builder.append(", Parcel");
            outShape = 3;
            break;
        case 0x700000:
            builder.append(", Package");
            outShape = 3;
            break;
        default:
            break;
        }
        break;
    case 2:
        outClass = 3;
        builder.set(key & 0x2000 ? "Priority Mail Express Return" : "Priority Mail Express");
        switch (key & 0xf00000) {
        case 0x100000:
            builder.append(", Flat Rate Env");
            outShape = 5;
            break;
        case 0x300000:
            builder.append(", Medium Flat Rate Box");
            outShape = 6;
            break;
        case 0x500000:
            outShape = 3;
            break;
        case 0x600000:
            builder.append(", Legal Flat Rate Env");
            outShape = 5;
            break;
        case 0x700000:
            builder.append(", Letter");
            outShape = 5;
            break;
        case 0x800000:
            builder.append(", Flats");
            outShape = 5;
            break;
        case 0x900000:
            builder.append(", Parcel");
            outShape = 3;
            break;
        case 0xa00000:
            builder.append(", Flat Rate Padded Env");
            outShape = 5;
            break;
        default:
            break;
        }
        break;
    case 3:
        decodePriorityMail(key, builder, outClass, outShape);
        break;
    case 5:
        outClass = 21;
        builder.set("Standard");
        switch (key & 0xf00000) {
        case 0x100000:
            builder.append(", Letter");
            outShape = 5;
            break;
        case 0x200000:
            builder.append(", Flat");
            outShape = 5;
            break;
        case 0x300000:
            builder.append(", Parcel");
            outShape = 3;
            break;
        default:
            outShape = 3;
            break;
        }
        break;
    case 6:
        outShape = 3;
        switch (key & 0xf00000) {
        case 0x100000:
            builder.set("Media Mail");
            outClass = 24;
            break;
        case 0x200000:
            builder.set("Library Mail");
            outClass = 25;
            break;
        case 0x300000:
            builder.set("Parcel Select");
            outClass = 43;
            break;
        case 0x500000:
            builder.set("Bound Printed Matter");
            outClass = 23;
            break;
        case 0x600000:
            builder.set("Ground Return");
            outClass = 43;
            break;
        case 0x800000:
            builder.set("Standard Post");
            outClass = 6;
            break;
        default:
            builder.set("Parcel Post");
            outClass = 6;
            break;
        }
        break;
    case 7:
        decodeInternational(key, builder, outClass, outShape);
        break;
    case 8:
        outClass = 48;
        outShape = 3;
        builder.set(((key >> 18) & 7) == 1 ? "Metro Post, Same Day" : "Metro Post, Next Day");
        break;
    default: // 0, 4 and 9-15 name no class
        return kREUnknownClass;
    }

    if (mailClass)
        *mailClass = outClass;
    if (shape)
        *shape = outShape;
    return finish(builder, name);
}

int32_t TranslateServiceClass(int32_t serviceClass, int32_t *mailClass, int32_t *shape, char *name)
{
    const auto key = static_cast<uint32_t>(serviceClass);
    const uint32_t group = (key >> 28) & 7; // bit 31 is not part of the group
    const uint32_t kind = (key >> 4) & 7;
    const bool flatRate = key & 0x80;
    int32_t outClass = mailClass ? *mailClass : 0;
    int32_t outShape = 1;
    if (shape)
        *shape = outShape;

    NameBuilder builder;
    switch (group) {
    case 1:
        outClass = 1;
        builder.set("First-Class");
        if (kind == 4) {
            builder.append(", Postcard");
            outShape = 7;
        }
        break;
    case 2:
        outClass = 3;
        builder.set("Priority Mail Express");
        if (flatRate) {
            if (kind == 5) {
                builder.append(", Medium Flat Rate BOX");
                outShape = 6;
            } else {
                builder.append(", Flat Rate Env");
                outShape = 5;
            }
        }
        break;
    case 3:
        outClass = 2;
        builder.set("Priority Mail");
        if (flatRate) {
            if (kind == 7) {
                builder.append(", Small Flat Rate BOX");
                outShape = 9;
            } else if (kind == 6) {
                builder.append(", Large Flat Rate BOX");
                outShape = 8;
            } else if (kind == 5) {
                builder.append(", Medium Flat Rate BOX");
                outShape = 6;
            } else if (((key >> 8) & 7) == 2) {
                builder.append(", Flat Rate Padded Env");
                outShape = 10;
            } else {
                builder.append(", Flat Rate Env");
                outShape = 5;
            }
        }
        break;
    case 5:
        outClass = 21;
        builder.set("Standard");
        break;
    case 6:
        outShape = 3;
        switch ((key >> 8) & 0xf) {
        case 5:
            builder.set("Parcel Select");
            outClass = 43;
            break;
        case 6:
            builder.set("Bound Printed Matter");
            outClass = 23;
            break;
        case 9:
            builder.set("Media Mail");
            outClass = 24;
            break;
        case 10:
            builder.set("Library Mail");
            outClass = 25;
            break;
        default:
            builder.set("Parcel Post");
            outClass = 6;
            break;
        }
        break;
    case 7:
        switch (key & 0xf) {
        case 1:
            builder.set("Global Express Guar.");
            outClass = 29;
            outShape = 3;
            break;
        case 2:
            builder.set("Priority Mail Express International");
            outClass = 28;
            outShape = 3;
            if (flatRate) {
                if (kind == 5) {
                    builder.set("Priority Mail Express Intl, Flat Rate Box");
                    outShape = 6;
                } else {
                    builder.append(", Flat Rate Env");
                    outShape = 5;
                }
            }
            break;
        case 3:
            builder.set("Priority Mail International");
            outClass = 30;
            outShape = 3;
            if (flatRate) {
                if (kind == 7) {
                    builder.set("Priority Mail Intl, Small Flat Rate Box");
                    outShape = 9;
                } else if (kind == 6) {
                    builder.set("Priority Mail Intl, Large Flat Rate Box");
                    outShape = 8;
                } else if (kind == 5) {
                    builder.set("Priority Mail Intl, Medium Flat Rate Box");
                    outShape = 6;
                } else {
                    builder.set("Priority Mail Intl, Flat Rate Env");
                    outShape = 5;
                }
            }
            break;
        case 4:
            builder.set("First-Class International");
            outClass = 42;
            if (kind == 4) {
                builder.append(", Postcard");
                outShape = 7;
            }
            break;
        case 6:
            builder.set("First-Class International, Postcard");
            outClass = 42;
            outShape = 7;
            break;
        case 9:
            builder.set("International, M-Bag");
            outClass = 36;
            outShape = 4;
            break;
        default:
            builder.set("International");
            break;
        }
        break;
    default: // 0 and 4
        return kREUnknownClass;
    }

    // First-Class and Standard keys carry a presort level in bits 24-27.
    if (group == 1 || group == 5) {
        switch ((key >> 24) & 0xf) {
        case 3:
            builder.append(", Basic Presort");
            break;
        case 4:
            builder.append(", 3-Digit Presort");
            break;
        case 5:
            builder.append(", 5-Digit Presort");
            break;
        case 6:
            builder.append(", Carrier Route Presort");
            break;
        default:
            break;
        }
    }

    if (mailClass)
        *mailClass = outClass;
    if (shape)
        *shape = outShape;
    return finish(builder, name);
}
