#pragma once
// Optional-service (special-service) fees, USPS insurance and the vendor's
// parcel insurance.
//
// Fees are answered in mils; values (declared, insured) are passed in cents.
// A fee whose table or leaf is missing is 0, never an error.
#include <cstdint>

#include "rateengine/RateRegistry.h"

// Special-service bits of the fee functions (the country flags of the country
// table use the same numbers).
enum SpecialServiceBit : int32_t {
    kSSRegistered = 0x1,
    kSSInsurance = 0x2,
    kSSCertified = 0x4,
    kSSRestrictedDelivery = 0x8,
    kSSReturnReceipt = 0x80,
    kSSDeliveryConfirmation = 0x200,
    kSSExpressInsurance = 0x400,
    kSSCOD = 0x800,
    kSSSignatureConfirmation = 0x2000,
    kSSElectronicReturnReceipt = 0x4000,
    kSSExpressPremium = 0x8000,
    kSSAdultSignature = 0x20000,
    kSSAdultSignatureRestricted = 0x40000,
    kSSExpress1030 = 0x100000,
    kSSLiveAnimal = 0x200000,
    kSSCODMoneyOrder = 0x400000,
};

// Optional-service identifiers (class keys of the 106 table).
enum OptionalServiceId : int32_t {
    kOSCertified = 1000,
    kOSReturnReceipt = 1001,
    kOSElectronicReturnReceipt = 1002,
    kOSRestrictedDelivery = 1003,
    kOSDeliveryConfirmation = 1004,
    kOSExpressPremium = 1005,
    kOSDeliveryConfirmationOther = 1006,
    kOSSignatureConfirmation = 1007,
    kOSCODRegistered = 1008,
    kOSCODStructure = 1009,
    kOSIntlRegistered = 1010,
    kOSRegisteredStructure = 1011,
    kOSGXGMaxInsurance = 1012,
    kOSGXGInsurancePer100 = 1013,
    kOSPMEIMinInsurance = 1014,
    kOSPMEIMaxInsurance = 1015,
    kOSPMIInsuranceStructure = 1016,
    kOSPMEIInsuranceStructure = 1017,
    kOSExpressInsuranceStructure = 1018,
    kOSExpressIncludedInsurance = 1019,
    kOSDomesticInsuranceStructure = 1020,
    kOSCanadaMaxValue = 1021,
    kOSCanadaFee = 1022,
    kOSAdultSignature = 1023,
    kOSAdultSignatureRestricted = 1024,
    kOSIntlDeliveryConfirmation = 1025,
    kOSIntlReturnReceipt = 1026,
    kOSExpress1030 = 1027,
    kOSLiveAnimalPerPound = 1028,
    kOSSignatureConfirmationSelector9 = 1029,
    kOSCODMoneyOrderOver500 = 1030,
    kOSCODMoneyOrder = 1031,
};

// Vendor-insurance keys (class keys of the 202 table) and coverage levels
// (the classification of that table).
enum TolvaneInsuranceKey : int32_t {
    kTIIntlNotTracked = 2002,     // per $100, single value
    kTIIntlTracked = 2003,        // per $100, single value
    kTIDomesticTracked = 2004,    // structure
    kTIDomesticNotTracked = 2005, // structure (also Canada)
};
inline constexpr int32_t kTolvaneCoverageStandard = 10;
inline constexpr int32_t kTolvaneCoveragePremium = 20;
inline constexpr int32_t kTolvaneCoveragePro = 30;

// Registration into the registry (called by InitializeRateTable). Each older
// set is run first by the newer one on the same slot.
void RegisterJan2011OptionalServiceRates(int slot, int32_t key);
void RegisterApr2011OptionalServiceRates(int slot, int32_t key);
void RegisterJan2012OptionalServiceRates(int slot, int32_t key);
void RegisterJan2013OptionalServiceRates(int slot, int32_t key);
void RegisterJan2014OptionalServiceRates(int slot, int32_t key);
void RegisterJan2012TolvaneInsuranceRates(int slot, int32_t key);
// The January 2010 vendor-insurance set; not part of the start-up set.
void RegisterJan2010TolvaneInsuranceRates(int slot, int32_t key);

// Leaves of the 106 table. A classification above 9 without a leaf for the
// id is replaced by 2 (in the caller's variable too) before the look-up.
int32_t GetOptionalServiceRateInternalInt(int32_t id, int32_t *classification);
// The id's structure (rows of limit $, base fee, fee per unit), or the zero
// structure when absent.
RateArray GetOptionalServiceRateInternalOSSTRUCT(int32_t id, int32_t *classification);

// The fee in mils of one service (one bit of `services`).
int32_t GetOptionalServiceRate2014(int32_t services, int32_t mailClass, int32_t value, const char *country,
                                   int32_t classification, int32_t minimumValue, int32_t selector, int32_t weight);
int32_t GetOptionalServiceRate(int32_t services, int32_t mailClass, int32_t value, const char *country);
int32_t GetOptionalServiceRate2012(int32_t services, int32_t mailClass, int32_t value, const char *country,
                                   int32_t classification);
int32_t GetOptionalServiceRate2013(int32_t services, int32_t mailClass, int32_t value, const char *country,
                                   int32_t classification);

// The total fee of several services. *services keeps only the services that
// were priced. -6 when the engine is not initialised, else 0.
int32_t GetOptionalServiceFee2014(int32_t *services, int32_t mailClass, int32_t value, const char *country,
                                  int32_t *total, int32_t classification, int32_t minimumValue, int32_t selector,
                                  int32_t weight);
int32_t GetOptionalServiceFee(int32_t *services, int32_t mailClass, int32_t value, const char *country, int32_t *total);
int32_t GetOptionalServiceFee2012(int32_t *services, int32_t mailClass, int32_t value, const char *country,
                                  int32_t *total, int32_t classification);
int32_t GetOptionalServiceFee2013(int32_t *services, int32_t mailClass, int32_t value, const char *country,
                                  int32_t *total, int32_t classification);

// 1 when the service is offered with the international class to the country.
int32_t GetOptionalServiceAvailability(int32_t service, int32_t mailClass, int32_t shape, const char *country);

// Highest insurable value in cents.
int32_t GetMaxUSPSInsurance(int32_t mailClass, const char *country, int32_t classification);
// Highest value of the vendor insurance, whole dollars (10000).
int32_t GetMaxTolvaneInsurance();

// Vendor parcel insurance in mils: coverage 1 is premium (level 20), any
// other selector standard (level 10).
int32_t GetTolvaneInsuranceFee(int32_t mailClass, int32_t value, int32_t coverage, int32_t tracked, int32_t military,
                               const char *country);
int32_t GetTolvaneInsuranceFee2010(int32_t mailClass, int32_t value, int32_t level, int32_t tracked, int32_t military,
                                   const char *country);
int32_t GetTolvaneInsuranceRateInternal(int32_t key, int32_t *level);
RateArray GetTolvaneInsuranceRateStructureInternal(int32_t key, int32_t *level);

// ceil((dollars - 100) / 100) x $1.00 plus $2.35 (international) or $1.95.
int32_t GetFiremanInsuranceFee(int32_t mailClass, int32_t value);
