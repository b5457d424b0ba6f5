#pragma once
// PS Form 2976-A for domestic pieces to military and territory addresses
// that carry a package number (the pieces eligible for domestic integrated
// customs forms): the layout "Domestic2976A", built on the 2976-A
// (QVIntl2976ALabelController) with domestic pictures, a mail-class text and
// the shipment's electronic-service texts. Priority Mail uses the pages
// "pm-cp72-1-outline" and "pm-cp72-2-outline", every other class
// "generic-cp72-1-outline" and "generic-cp72-2-outline"; there is never an
// instructions page. Both barcodes: module height 0.5 in, width 0.013 in.
//
// Placeholders added to the 2976-A's: "eServiceText", "electronicRateText"
// and "mailClass" (the text of mailClassMap() for the rate class; none for
// classes not in it, so Priority Mail prints no mail-class text). When the
// user default "cp72OverlayImagePath" is set, the descriptions of rows 3 to
// 5 become the three lines of the certificate for gifts and personal items
// of government personnel.
#include "printing/customs/QVIntl2976ALabelController.h"

namespace tolvane {

class QVDomestic2976ALabelController : public QVIntl2976ALabelController
{
public:
    // Loads the layout "Domestic2976A".
    QVDomestic2976ALabelController();

    static std::unique_ptr<QVDomestic2976ALabelController>
    domestic2976AControllerWithShipment(std::shared_ptr<QVShipment> shipment);

    // Rate class to the mail-class text of the form.
    static const QVariantMap &mailClassMap();

    void setStringsWithDictionary(const QVariantMap &values) override;
};

} // namespace tolvane
