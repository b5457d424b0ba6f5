// The postage server's reply reader on any bytes: every field and derived
// text of a reply that is accepted, its short indicium, and the archived
// form read back.
#include "FuzzSupport.h"
#include "services/QVRHOResponse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString error;
    const auto response = QVRHOResponse::responseWithData(tolvane::fuzz::bytesOf(data, size), &error);
    if (!response)
        return 0;
    (void)response->version();
    (void)response->returnCode();
    (void)response->meterID();
    (void)response->accountStatusWord();
    (void)response->ascendingRegister();
    (void)response->controlRegister();
    (void)response->balanceString();
    (void)response->balanceStringWithDollarSign(false);
    (void)response->piececount();
    (void)response->timestamp();
    (void)response->returnDateTime();
    (void)response->returnDateTimeReprint();
    (void)response->displayPOLicense();
    (void)response->licenseZIP5();
    (void)response->licenseCity();
    (void)response->licenseState();
    (void)response->name();
    (void)response->email();
    (void)response->physicalAddress();
    (void)response->ccTypeWord();
    (void)response->transactionID();
    (void)response->transactionAmountMils();
    (void)response->clientVersion();
    (void)response->textMessage();
    (void)response->referenceID();
    (void)response->escapedTolvaneDotComPassword();
    (void)response->isMacAccount();
    (void)response->shortIndicium();
    const auto restored = QVRHOResponse::initWithCoder(response->encodeWithCoder(), &error);
    if (!restored || restored->data() != response->data())
        std::abort();
    return 0;
}
