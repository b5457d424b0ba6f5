#include "rateengine/RateOptionalServices.h"

#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateInternal.h"
#include "rateengine/RateTables.h"
#include "rateengine/RateWeights.h"

#include <algorithm>
#include <climits>

namespace {

using tolvane::rates::CeilDiv;
using tolvane::rates::ClampToInt32;
using tolvane::rates::EqualsIgnoringCaseAscii;
using tolvane::rates::IsOneOf;

// What a missing structure reads as: one zero row, so every fee from it is 0.
const int32_t kNullStructWords[4] = {0, 0, 0, 0};

RateArray nullStruct() { return MakeRateArray(kNullStructWords, RateRowForm::StructureRows, "NULLSTRUCT"); }

// A negotiated classification (10 and above) that the optional-service table
// does not carry for this id is priced as Commercial Plus.
void adjustOptionalServiceClassification(int32_t id, int32_t *classification)
{
    if (*classification > 9 &&
        !IsValidRateClassificationForRateClassAndShape(*classification, id, kOptionalServiceTableKey, 0))
        *classification = kRECommercialPlus;
}

bool isStructure(const RateArray &a) { return a.isForm(RateRowForm::StructureRows, 3); }

// The value of one id at the given classification (each look-up starts from
// the caller's classification).
int32_t serviceValue(int32_t id, int32_t classification)
{
    return GetOptionalServiceRateInternalInt(id, &classification);
}

RateArray serviceStructure(int32_t id, int32_t classification)
{
    return GetOptionalServiceRateInternalOSSTRUCT(id, &classification);
}

// Base fee of the first row whose limit (dollars) is at least the value;
// above the last row, the last row's base. *rowIndex gets the row used.
int64_t stepFee(const RateArray &s, int64_t valueCents, int32_t *rowIndex = nullptr)
{
    int64_t fee = 0;
    int32_t used = -1;
    for (int32_t row = 0; row < s.rowCount(); ++row) {
        const int32_t base = s.at(row, 1);
        if (base <= 0)
            break;
        fee = base;
        used = row;
        if (int64_t(s.at(row, 0)) * 100 >= valueCents)
            break;
    }
    if (rowIndex)
        *rowIndex = used;
    return fee;
}

// Per-unit rule: at each row the fee is base + (units - previous limit /
// divisor) x fee per unit; the walk stops at the first row whose limit
// (dollars) covers the value, or before a row whose base is 0 or less.
int64_t perUnitFee(const RateArray &s, int64_t valueCents, int64_t units, int32_t limitDivisor)
{
    int64_t fee = 0;
    int32_t previousLimit = 0;
    for (int32_t row = 0; row < s.rowCount(); ++row) {
        const int32_t limit = s.at(row, 0);
        const int32_t base = s.at(row, 1);
        if (base <= 0)
            break;
        fee = base + (units - previousLimit / limitDivisor) * int64_t(s.at(row, 2));
        if (int64_t(limit) * 100 >= valueCents)
            break;
        previousLimit = limit;
    }
    return fee;
}

bool isCanadaCode(const char *code) { return EqualsIgnoringCaseAscii(std::string_view(code, 2), "CA"); }

bool countryIsCanada(const char *country)
{
    char code[2] = {0, 0};
    if (!country || GetCountryCodeForName(country, code, nullptr) != kRESuccess)
        return false;
    return isCanadaCode(code);
}

int32_t pmeiIndemnityLimit(const char *country)
{
    const CountryInfo *rec = (country && *country) ? GetCountryInfoForCountryName(country) : nullptr;
    return rec ? ClampToInt32(int64_t(rec->value(kCountryFieldPMEIIndemnityLimit)) * 100) : 0;
}

bool equalsUnitedStates(const char *country)
{
    return EqualsIgnoringCaseAscii(country, "US") || EqualsIgnoringCaseAscii(country, "UNITED STATES");
}

int32_t insuranceFee(int32_t services, int32_t mailClass, int32_t value, const char *country, int32_t classification,
                     int32_t minimumValue)
{
    if (minimumValue > 0 && value <= minimumValue)
        return 0;
    int64_t v = value;
    if (mailClass == kREExpressIntl)
        v = std::min<int64_t>(v, pmeiIndemnityLimit(country));
    else if (mailClass == kREPriorityIntl)
        v = std::min<int64_t>(v, GetCountryPMIIndemnityLimit(country));
    if (v <= 0)
        return 0;
    const int64_t units = CeilDiv(v, 10000);
    const bool intl = IsIntlClass(mailClass);

    if (mailClass == kREGlobalExpressGuaranteed) {
        if (v <= serviceValue(kOSRegisteredStructure, classification) ||
            v > serviceValue(kOSGXGMaxInsurance, classification))
            return 0;
        return ClampToInt32((units - 1) * serviceValue(kOSGXGInsurancePer100, classification));
    }
    if (mailClass == kREExpressIntl) {
        if (v <= serviceValue(kOSPMEIMinInsurance, classification) ||
            v > serviceValue(kOSPMEIMaxInsurance, classification))
            return 0;
        return ClampToInt32(stepFee(serviceStructure(kOSPMEIInsuranceStructure, classification), v));
    }
    if (mailClass == kREPriorityIntl)
        return ClampToInt32(perUnitFee(serviceStructure(kOSPMIInsuranceStructure, classification), v, units, 100));
    if (intl)
        return 0;

    v = std::min<int64_t>(v, 500000);
    if (mailClass == kREExpress || (services & kSSExpressInsurance)) {
        if (v <= serviceValue(kOSExpressIncludedInsurance, classification))
            return 0;
        return ClampToInt32(
            perUnitFee(serviceStructure(kOSExpressInsuranceStructure, classification), v, CeilDiv(v, 50000), 500));
    }
    const int64_t fee =
        perUnitFee(serviceStructure(kOSDomesticInsuranceStructure, classification), v, CeilDiv(v, 10000), 100);
    if (countryIsCanada(country))
        return 0;
    return ClampToInt32(fee);
}

void registerLeaf(int slot, int32_t classKey, int32_t classification, const char *arrayName)
{
    const RateArray a = FindBuiltInRateArray(arrayName);
    if (a)
        RegisterRate2(slot, classKey, kREShapeDefault, classification, a, 0);
}

} // namespace

// ---------------------------------------------------------------------------
// Registration. The sets before January 2014 carry no values of their own in
// this build: they only claim the slot, so the 105 table stays empty.

void RegisterJan2011OptionalServiceRates(int slot, int32_t key) { SetRateTableSlotKey(slot, key); }

void RegisterApr2011OptionalServiceRates(int slot, int32_t key)
{
    RegisterJan2011OptionalServiceRates(slot, key);
    SetRateTableSlotKey(slot, key);
}

void RegisterJan2012OptionalServiceRates(int slot, int32_t key)
{
    RegisterApr2011OptionalServiceRates(slot, key);
    SetRateTableSlotKey(slot, key);
}

void RegisterJan2013OptionalServiceRates(int slot, int32_t key)
{
    RegisterJan2012OptionalServiceRates(slot, key);
    SetRateTableSlotKey(slot, key);
}

void RegisterJan2014OptionalServiceRates(int slot, int32_t key)
{
    RegisterJan2013OptionalServiceRates(slot, key);
    SetRateTableSlotKey(slot, key);
    static const struct {
        int32_t id;
        const char *array;
    } leaves[] = {
        {kOSCertified, "OSRATE_JAN2014_CERTIFIED"},
        {kOSReturnReceipt, "OSRATE_JAN2014_RETURNRECEIPT"},
        {kOSElectronicReturnReceipt, "OSRATE_JAN2014_ELECTRONICRETURNRECEIPT"},
        {kOSRestrictedDelivery, "OSRATE_JAN2014_RESTRICTEDDELIVERY"},
        {kOSDeliveryConfirmation, "OSRATE_JAN2014_DELCON"},
        {kOSDeliveryConfirmationOther, "OSRATE_JAN2014_DELCON_OTHER"},
        {kOSSignatureConfirmation, "OSRATE_JAN2014_SIGCON"},
        {kOSCODRegistered, "OSRATE_JAN2014_COD_REGISTERED"},
        {kOSIntlRegistered, "OSRATE_JAN2014_INTL_REGISTERED"},
        {kOSGXGMaxInsurance, "OSRATE_JAN2014_GXG_MAXINSURANCE"},
        {kOSGXGInsurancePer100, "OSRATE_JAN2014_GXG_INSURANCE"},
        {kOSPMEIMinInsurance, "OSRATE_JAN2014_PMEI_MININSURANCE"},
        {kOSPMEIMaxInsurance, "OSRATE_JAN2014_PMEI_MAXINSURANCE"},
        {kOSExpressIncludedInsurance, "OSRATE_JAN2014_EXPRESS_INCLUDEDINSURANCE"},
        {kOSDomesticInsuranceStructure, "InsureDomesticJan2014"},
        {kOSAdultSignature, "OSRATE_JAN2014_ADULTSIG"},
        {kOSAdultSignatureRestricted, "OSRATE_JAN2014_ADULTSIG_RESTRICTED"},
        {kOSIntlDeliveryConfirmation, "OSRATE_JAN2014_INTL_DELCON"},
        {kOSIntlReturnReceipt, "OSRATE_JAN2014_INTL_RETURNRECEIPT"},
        {kOSExpress1030, "OSRATE_JAN2014_EXPRESS_1030"},
        {kOSLiveAnimalPerPound, "OSRATE_JAN2014_LIVEANIMAL"},
        {kOSCODMoneyOrderOver500, "OSRATE_JAN2014_COD_MONEYORDER_OVER500"},
        {kOSCODMoneyOrder, "OSRATE_JAN2014_COD_MONEYORDER"},
    };
    for (const auto &leaf : leaves)
        registerLeaf(slot, leaf.id, kRERetail, leaf.array);
}

void RegisterJan2012TolvaneInsuranceRates(int slot, int32_t key)
{
    SetRateTableSlotKey(slot, key);
    // Per level, in the order 2005, 2004, 2002, 2003; only the standard,
    // not-tracked structure is part of this build.
    registerLeaf(slot, kTIDomesticNotTracked, kTolvaneCoverageStandard, "TOLVANE_INSURANCE_JAN2012_STANDARD");
}

void RegisterJan2010TolvaneInsuranceRates(int slot, int32_t key) { SetRateTableSlotKey(slot, key); }

// ---------------------------------------------------------------------------
// Leaves.

int32_t GetOptionalServiceRateInternalInt(int32_t id, int32_t *classification)
{
    int32_t local = 0;
    int32_t *c = classification ? classification : &local;
    adjustOptionalServiceClassification(id, c);
    const RateArray a = GetOptionalServiceRateInternal(id, c);
    return a ? a.word(0) : 0;
}

RateArray GetOptionalServiceRateInternalOSSTRUCT(int32_t id, int32_t *classification)
{
    int32_t local = 0;
    int32_t *c = classification ? classification : &local;
    adjustOptionalServiceClassification(id, c);
    const RateArray a = GetOptionalServiceRateInternal(id, c);
    return isStructure(a) ? a : nullStruct();
}

// ---------------------------------------------------------------------------
// One service.

int32_t GetOptionalServiceRate2014(int32_t services, int32_t mailClass, int32_t value, const char *country,
                                   int32_t classification, int32_t minimumValue, int32_t selector, int32_t weight)
{
    const bool intl = IsIntlClass(mailClass);
    auto val = [classification](int32_t id) { return serviceValue(id, classification); };

    if (services & kSSCertified)
        return val(kOSCertified);
    if (services & kSSReturnReceipt)
        return val(intl ? kOSIntlReturnReceipt : kOSReturnReceipt);
    if (services & kSSElectronicReturnReceipt)
        return val(kOSElectronicReturnReceipt);
    if (services & kSSExpressPremium)
        return val(kOSExpressPremium);
    if (services & kSSExpress1030)
        return val(kOSExpress1030);
    if ((services & kSSLiveAnimal) && (mailClass == kREPriority || mailClass == kREExpress) && selector >= 5)
        return ClampToInt32(int64_t(val(kOSLiveAnimalPerPound)) * CeilDiv(std::max(weight, 0), 160));
    if (services & kSSCODMoneyOrder)
        return val(value <= 50000 ? kOSCODMoneyOrder : kOSCODMoneyOrderOver500);
    if (services & kSSAdultSignature)
        return val(kOSAdultSignature);
    if (services & kSSAdultSignatureRestricted)
        return val(kOSAdultSignatureRestricted);
    if (services & kSSRestrictedDelivery)
        return val(kOSRestrictedDelivery);
    if (services & kSSDeliveryConfirmation) {
        if (intl)
            return val(kOSIntlDeliveryConfirmation);
        if (IsOneOf(mailClass,
                    {kREFirstClass, kREPriority, kREParcelSelect, kRECriticalMail, kREStandardPost, kREMetroPost}))
            return val(kOSDeliveryConfirmation);
        return val(kOSDeliveryConfirmationOther);
    }
    if (services & kSSSignatureConfirmation) {
        if (intl)
            return 0;
        if (selector == 9) {
            const int32_t v = val(kOSSignatureConfirmationSelector9);
            if (v > 0)
                return v;
        }
        return val(kOSSignatureConfirmation);
    }
    if (services & kSSCOD) {
        if (services & kSSRegistered)
            return val(kOSCODRegistered);
        return ClampToInt32(stepFee(serviceStructure(kOSCODStructure, classification), value));
    }
    if (services & kSSRegistered) {
        if (intl)
            return val(kOSIntlRegistered);
        const RateArray s = serviceStructure(kOSRegisteredStructure, classification);
        int32_t row = -1;
        const int64_t base = stepFee(s, value, &row);
        if (row < 0)
            return 0;
        const int32_t perUnit = s.at(row, 2);
        if (perUnit <= 0)
            return ClampToInt32(base);
        const int64_t previousLimit = row > 0 ? s.at(row - 1, 0) : 0;
        const int64_t dollars = CeilDiv(std::max(value, 0), 100);
        return ClampToInt32(base + CeilDiv(dollars - previousLimit, 1000) * perUnit);
    }
    if (services & (kSSInsurance | kSSExpressInsurance))
        return insuranceFee(services, mailClass, value, country, classification, minimumValue);
    return 0;
}

int32_t GetOptionalServiceRate(int32_t services, int32_t mailClass, int32_t value, const char *country)
{
    return GetOptionalServiceRate2014(services, mailClass, value, country, kRERetail, 0, 0, 0);
}

int32_t GetOptionalServiceRate2012(int32_t services, int32_t mailClass, int32_t value, const char *country,
                                   int32_t classification)
{
    return GetOptionalServiceRate2014(services, mailClass, value, country, classification, 0, 0, 0);
}

int32_t GetOptionalServiceRate2013(int32_t services, int32_t mailClass, int32_t value, const char *country,
                                   int32_t classification)
{
    return GetOptionalServiceRate2014(services, mailClass, value, country, classification, 0, 0, 0);
}

// ---------------------------------------------------------------------------
// Several services.

int32_t GetOptionalServiceFee2014(int32_t *services, int32_t mailClass, int32_t value, const char *country,
                                  int32_t *total, int32_t classification, int32_t minimumValue, int32_t selector,
                                  int32_t weight)
{
    if (!gbInitialized)
        return kRENotInitialized;
    if (!services || *services == 0)
        return kRESuccess;
    const bool intl = IsIntlClass(mailClass);
    int32_t request = *services;
    int32_t priced = 0;
    int64_t sum = 0;
    auto price = [&](int32_t bits) {
        return GetOptionalServiceRate2014(bits, mailClass, value, country, classification, minimumValue, selector,
                                          weight);
    };
    auto classIn = [mailClass](std::initializer_list<int32_t> set) { return IsOneOf(mailClass, set); };

    if (intl) {
        request &= ~kSSCOD;
    } else if (request & kSSSignatureConfirmation) {
        sum = price(kSSSignatureConfirmation);
        priced |= kSSSignatureConfirmation;
    } else if (request & kSSDeliveryConfirmation) {
        sum = price(kSSDeliveryConfirmation);
        priced |= kSSDeliveryConfirmation;
    }

    // Each requested service is priced when the class allows it, else dropped.
    auto step = [&](int32_t bit, bool allowed, int32_t pricedBits) {
        if (!(request & bit))
            return;
        if (!allowed) {
            request &= ~bit;
            return;
        }
        sum += price(pricedBits);
        priced |= bit;
    };
    step(kSSCertified, intl || classIn({kREFirstClass, kREPriority}), kSSCertified);
    const bool returnReceiptClass = intl ||
        classIn({kREFirstClass, kREPriority, kREExpress, kREParcelPost, kREBoundPrintedMatter, kREMediaMail,
                 kRELibraryMail, kREParcelSelect, kREStandardPost});
    step(kSSReturnReceipt, returnReceiptClass, kSSReturnReceipt);
    step(kSSElectronicReturnReceipt, returnReceiptClass, kSSElectronicReturnReceipt);
    step(kSSRestrictedDelivery,
         classIn({kREFirstClass, kREPriority, kREParcelPost, kREBoundPrintedMatter, kREMediaMail, kREParcelSelect,
                  kREStandardPost}) &&
             (request & (kSSRegistered | kSSInsurance | kSSExpressInsurance | kSSCOD | kSSCertified)),
         kSSRestrictedDelivery);
    step(kSSRegistered, intl || classIn({kREFirstClass, kREPriority}), kSSRegistered);
    if (request & (kSSInsurance | kSSExpressInsurance)) {
        sum += price(kSSInsurance);
        priced |= request & (kSSInsurance | kSSExpressInsurance);
    }
    step(kSSCOD,
         classIn({kREFirstClass, kREPriority, kREExpress, kREParcelPost, kREBoundPrintedMatter, kREMediaMail,
                  kREParcelSelect, kREStandardPost}),
         (request & kSSRegistered) ? (kSSCOD | kSSRegistered) : kSSCOD);
    step(kSSExpressPremium, mailClass == kREExpress, kSSExpressPremium);
    step(kSSExpress1030, mailClass == kREExpress, kSSExpress1030);
    step(kSSLiveAnimal, classIn({kREPriority, kREExpress}), kSSLiveAnimal);
    if (request & kSSAdultSignature) {
        sum += price(kSSAdultSignature);
        priced |= kSSAdultSignature;
    } else if (request & kSSAdultSignatureRestricted) {
        sum += price(kSSAdultSignatureRestricted);
        priced |= kSSAdultSignatureRestricted;
    }

    *services = priced;
    if (total)
        *total = ClampToInt32(sum);
    return kRESuccess;
}

int32_t GetOptionalServiceFee(int32_t *services, int32_t mailClass, int32_t value, const char *country, int32_t *total)
{
    return GetOptionalServiceFee2014(services, mailClass, value, country, total, kRERetail, 0, 0, 0);
}

int32_t GetOptionalServiceFee2012(int32_t *services, int32_t mailClass, int32_t value, const char *country,
                                  int32_t *total, int32_t classification)
{
    return GetOptionalServiceFee2014(services, mailClass, value, country, total, classification, 0, 0, 0);
}

int32_t GetOptionalServiceFee2013(int32_t *services, int32_t mailClass, int32_t value, const char *country,
                                  int32_t *total, int32_t classification)
{
    return GetOptionalServiceFee2014(services, mailClass, value, country, total, classification, 0, 0, 0);
}

// ---------------------------------------------------------------------------
// Availability and limits.

int32_t GetOptionalServiceAvailability(int32_t service, int32_t mailClass, int32_t shape, const char *country)
{
    if (!IsIntlClass(mailClass) || !country || !*country)
        return 0;
    const CountryInfo *rec = GetCountryInfoForCountryName(country);
    if (!rec)
        return 0;
    auto flag = [rec](CountryField f) { return rec->value(f) ? 1 : 0; };
    switch (service) {
    case kSSRegistered:
        return flag(kCountryFieldRegistered);
    case kSSInsurance:
        if (mailClass == kREExpressIntl)
            return flag(kCountryFieldPMEIInsurance);
        if (mailClass == kREGlobalExpressGuaranteed)
            return flag(kCountryFieldGXGInsurance);
        if (mailClass == kREPriorityIntl)
            return flag(kCountryFieldPMIInsurance);
        return 0;
    case kSSCertified:
        return flag(kCountryFieldCertified);
    case kSSRestrictedDelivery:
        return flag(kCountryFieldRestrictedDelivery);
    case kSSReturnReceipt:
        return flag(kCountryFieldReturnReceipt);
    case kSSDeliveryConfirmation:
        if (mailClass == kREFirstClassIntl && shape == kREShapeParcel)
            return flag(kCountryFieldFCMIParcelDeliveryConfirmation);
        if (mailClass == kREPriorityIntl && (IsOneOf(shape, {5, 9, 10, 11}) || (shape >= 15 && shape <= 19)))
            return flag(kCountryFieldPMIFlatRateDeliveryConfirmation);
        return 0;
    case kSSCOD:
        return flag(kCountryFieldCOD);
    default:
        return 0;
    }
}

int32_t GetMaxUSPSInsurance(int32_t mailClass, const char *country, int32_t classification)
{
    switch (mailClass) {
    case kREExpressIntl:
        return pmeiIndemnityLimit(country);
    case kREGlobalExpressGuaranteed:
        return serviceValue(kOSGXGMaxInsurance, classification);
    case kREPriorityIntl:
        return GetCountryPMIIndemnityLimit(country);
    default:
        return IsIntlClass(mailClass) ? 0 : 500000;
    }
}

int32_t GetMaxTolvaneInsurance() { return 10000; }

// ---------------------------------------------------------------------------
// Vendor parcel insurance.

int32_t GetTolvaneInsuranceRateInternal(int32_t key, int32_t *level)
{
    int32_t local = kTolvaneCoverageStandard;
    int32_t *l = level ? level : &local;
    const RateArray a = GetRateReallyInternal(gRateTables, kTolvaneInsuranceTableKey, key, kREShapeDefault, l);
    return a ? a.word(0) : 0;
}

RateArray GetTolvaneInsuranceRateStructureInternal(int32_t key, int32_t *level)
{
    int32_t local = kTolvaneCoverageStandard;
    int32_t *l = level ? level : &local;
    if (*l > kTolvaneCoveragePro &&
        !IsValidRateClassificationForRateClassAndShape(*l, key, kTolvaneInsuranceTableKey, 0))
        *l = kTolvaneCoveragePro;
    const RateArray a = GetRateReallyInternal(gRateTables, kTolvaneInsuranceTableKey, key, kREShapeDefault, l);
    return isStructure(a) ? a : nullStruct();
}

int32_t GetTolvaneInsuranceFee2010(int32_t mailClass, int32_t value, int32_t level, int32_t tracked, int32_t military,
                                   const char *country)
{
    // Registers the empty list when none is set yet.
    IsCountryCodeBanned(BannedList::TolvaneInsurance, nullptr);

    bool canada = false;
    if (country && *country && !equalsUnitedStates(country)) {
        const CountryInfo *rec = GetCountryInfoForCountryName(country);
        if (!rec || IsCountryCodeBanned(BannedList::TolvaneInsurance, rec->code))
            return 0;
        canada = isCanadaCode(rec->code);
    }
    if (value <= 0)
        return 0;
    const int64_t v = std::min<int64_t>(value, 1000000);
    const int64_t units = CeilDiv(v, 10000);
    if ((IsIntlClass(mailClass) && !canada) || military) {
        int32_t l = level;
        const int32_t perHundred = GetTolvaneInsuranceRateInternal(tracked ? kTIIntlTracked : kTIIntlNotTracked, &l);
        return ClampToInt32(units * perHundred);
    }
    int32_t l = level;
    const RateArray s =
        GetTolvaneInsuranceRateStructureInternal((tracked && !canada) ? kTIDomesticTracked : kTIDomesticNotTracked, &l);
    return ClampToInt32(perUnitFee(s, v, units, 100));
}

int32_t GetTolvaneInsuranceFee(int32_t mailClass, int32_t value, int32_t coverage, int32_t tracked, int32_t military,
                               const char *country)
{
    return GetTolvaneInsuranceFee2010(mailClass, value,
                                      coverage == 1 ? kTolvaneCoveragePremium : kTolvaneCoverageStandard, tracked,
                                      military, country);
}

int32_t GetFiremanInsuranceFee(int32_t mailClass, int32_t value)
{
    if (value <= 0)
        return 0;
    const int64_t over = int64_t(value) - 10000;
    const int64_t units = over > 0 ? CeilDiv(over, 10000) : 0;
    return ClampToInt32(units * 1000 + (IsIntlClass(mailClass) ? 2350 : 1950));
}
