#include "rateengine/RateDescription.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "rateengine/RateEngine.h"
#include "rateengine/RateTables.h"

namespace {

void store(char *buffer, const std::string &text)
{
    std::memset(buffer, 0, kStealthTextSize);
    std::memcpy(buffer, text.data(), std::min(text.size(), kStealthTextSize - 1));
}

std::string weightText(int32_t weight)
{
    char buffer[kFormatWeightBufferSize];
    FormatWeight(weight, buffer, sizeof buffer);
    return buffer;
}

bool isEnvelopeShape(int32_t shape) { return shape == 5 || (shape >= 14 && shape <= 17); }

const char *priorityFixedText(int32_t shape)
{
    if (isEnvelopeShape(shape))
        return "Flat Rate Envelope, Priority Mail";
    switch (shape) {
    case 6:
        return "Medium Flat Rate Box, Priority Mail";
    case 8:
        return "Large Flat Rate Box, Priority Mail";
    case 9:
        return "Small Flat Rate Box, Priority Mail";
    case 10:
        return "Flat Rate Padded Envelope, Priority Mail";
    case 11:
        return "Legal Flat Rate Envelope, Priority Mail";
    case 12:
        return "Regional Rate Box A, Priority Mail";
    case 13:
        return "Regional Rate Box B, Priority Mail";
    case 21:
        return "Regional Rate Box C, Priority Mail";
    case 20:
        return "Large Flat Rate Board Game Box, Priority Mail";
    default:
        return nullptr;
    }
}

const char *expressFixedText(int32_t shape, bool premium)
{
    if (isEnvelopeShape(shape))
        return premium ? "Flat Rate Envelope, PM Express Premium" : "Flat Rate Envelope, PM Express";
    switch (shape) {
    case 6:
        return premium ? "Flat Rate Box, PM Express Premium" : "Flat Rate Box, PM Express";
    case 10:
        return premium ? "Flat Rate Padded Envelope, PM Express Premium" : "Flat Rate Padded Envelope, PM Express";
    case 11:
        return "Legal Flat Rate Envelope, PM Express";
    default:
        return nullptr;
    }
}

} // namespace

void FormatDomesticRateText(char *buffer, const DomesticRateTextInput &in)
{
    if (!buffer)
        return;
    const int32_t balloonLimit = BalloonWeightPounds() * 160;
    const bool balloonRate = in.balloon && in.weight <= balloonLimit;

    const char *fixed = nullptr;
    if (in.mailClass == kREPriority)
        fixed = priorityFixedText(in.shape);
    else if (in.mailClass == kREExpress)
        fixed = expressFixedText(in.shape, in.premiumService);
    if (fixed) {
        store(buffer, fixed);
        return;
    }

    // The weight word.
    std::string text;
    const int32_t c = in.mailClass;
    char scratch[64];
    if (in.oversize && (c == kREParcelPost || c == kREParcelSelect || c == kREStandardPost)) {
        text = "OVERSIZE";
    } else if (in.cubic) {
        if (in.shape == kREShapeSoftPack)
            std::snprintf(scratch, sizeof scratch, "Cubic .%i0 - %iL + %iW", in.cubicTier, in.cubicSide1 / 100,
                          in.cubicSide2 / 100);
        else
            std::snprintf(scratch, sizeof scratch, "Cubic .%i0", in.cubicTier);
        text = scratch;
    } else if (c == kREPriority && in.weight == 80) {
        text = "1/2 lb";
    } else {
        text = weightText(balloonRate ? in.entryWeight : in.weight);
    }

    // The class word.
    switch (c) {
    case kREFirstClass:
        switch (in.shape) {
        case kREShapeLetter:
            text += " First-Class Letter Rate";
            break;
        case kREShapeFlat:
            text += " First-Class Flats Rate";
            break;
        case kREShapePostcard:
            text += " Postcard Rate";
            break;
        case kREShapeParcel:
        case kREShapeNonRectangular:
            text += in.classification >= 1 ? " First-Class Package Rate" : " First-Class Parcel Rate";
            break;
        default:
            text += " First-Class Rate";
            break;
        }
        break;
    case kREPriority:
        switch (in.shape) {
        case kREShapeHalfTray:
            text = "Half Tray Box, PMOD";
            break;
        case kREShapeFullTray:
            text = "Full Tray Box, PMOD";
            break;
        case kREShapeEMMTray:
            text = "EMM Tray Box, PMOD";
            break;
        case kREShapeFlatTub:
            text = "Flat Tub Tray Box, PMOD";
            break;
        case kREShapeSack:
            text += " Sack PMOD";
            break;
        default:
            text += " Priority Mail Rate";
            break;
        }
        if (in.shape >= kREShapeHalfTray && in.shape <= kREShapeFlatTub)
            text += in.trayEntry ? " DDU Rate" : " Facility Rate";
        break;
    case kREExpress:
        if (in.shape == kREShapeSack)
            text += " Sack EMOD";
        else
            text += in.premiumService ? " PM Express Premium Service" : " PM Express Rate";
        break;
    case kREParcelPost:
        text += " Parcel Post Rate";
        break;
    case kREBoundPrintedMatter:
        text += " Bound Printed Matter Rate";
        break;
    case kREMediaMail:
        text += " Media Mail Rate";
        break;
    case kRELibraryMail:
        text += " Library Mail Rate";
        break;
    case kREParcelSelect:
        text += " Parcel Select NPS Rate";
        break;
    case kREStandardPost:
        text += " Standard Post Rate";
        break;
    case kREMetroPost:
        text += " Metro Post";
        break;
    case kRECriticalMail:
    case kRECriticalMailSignature:
        if (in.shape == kREShapeLetter)
            text = "Critical Mail Letter Rate";
        else if (in.shape == kREShapeFlat)
            text = "Critical Mail Flats Rate";
        break;
    default:
        break;
    }

    // The zone.
    if (c == kREPriority || c == kREExpress || c == kREParcelPost || c == kREBoundPrintedMatter ||
        c == kREParcelSelect || c == kREStandardPost) {
        if (in.zone == 0) {
            text += " Local";
        } else {
            std::snprintf(scratch, sizeof scratch, " Zone %01u", static_cast<unsigned>(in.zone));
            text += scratch;
        }
    }

    // Closing marks.
    if (c == kREFirstClass || c == kREParcelPost || c == kREParcelSelect || c == kREStandardPost) {
        if (balloonRate)
            text += " 20 LB RATE";
        else if (!in.machinable && !in.oversize)
            text += " NON-MACH";
    } else if (c == kREPriority) {
        if (balloonRate)
            text += " 20 LB RATE";
        else if (in.dimensionalWeight)
            text += " DIM WEIGHT";
    }
    store(buffer, text);
}

void FormatIntlRateText(char *buffer, int32_t mailClass, int32_t shape, int32_t weight, bool machinable)
{
    if (!buffer)
        return;
    const bool envelope = isEnvelopeShape(shape) || shape == 10 || shape == 11;
    if (mailClass == kREExpressIntl) {
        if (envelope)
            return store(buffer, "Flat Rate Envelope, PM Express Intl");
        if (shape == 6)
            return store(buffer, "Flat Rate Box, PM Express Intl");
    } else if (mailClass == kREPriorityIntl) {
        if (envelope)
            return store(buffer, "Flat Rate Envelope, Priority Mail Intl");
        switch (shape) {
        case 6:
            return store(buffer, "Medium Flat Rate Box, Priority Mail Intl");
        case 8:
        case 20:
            return store(buffer, "Large Flat Rate Box, Priority Mail Intl");
        case 9:
            return store(buffer, "Small Flat Rate Box, Priority Mail Intl");
        case 12:
            return store(buffer, "Regional Rate Box A, Priority Mail Intl");
        case 13:
            return store(buffer, "Regional Rate Box B, Priority Mail Intl");
        case 21:
            return store(buffer, "Regional Rate Box C, Priority Mail Intl");
        case 18:
            return store(buffer, "DVD Flat Rate Box, Priority Mail Intl");
        case 19:
            return store(buffer, "Large Video Flat Rate Box, Priority Mail Intl");
        default:
            break;
        }
    } else if (envelope || shape == 6) {
        return store(buffer, "");
    }

    std::string text = weightText(weight);
    switch (mailClass) {
    case kREFirstClassIntl:
        switch (shape) {
        case kREShapeLetter:
            text += " First-Class Intl Letter Rate";
            if (!machinable)
                text += " NON-MACH";
            break;
        case kREShapeFlat:
            text += " First-Class Intl Flats Rate";
            break;
        case kREShapePostcard:
            text += " First-Class Intl Postcard Rate";
            break;
        case kREShapeParcel:
        case kREShapeNonRectangular:
            text += " First-Class Intl Parcel Rate";
            break;
        default:
            text += " First-Class Intl Rate";
            break;
        }
        break;
    case kREExpressIntl:
        text += " PM Express Intl Rate";
        break;
    case kREGlobalExpressGuaranteed:
        text += " GXG Intl Rate";
        break;
    case kREPriorityIntl:
        text += " Priority Mail Intl Rate";
        break;
    case kREMBags:
        text += " M-Bag Intl Rate";
        break;
    default:
        break;
    }
    store(buffer, text);
}
