#pragma once
// A shipping label on the maker's label stock (51207, 51204, 51203, 72019)
// printed through the label printer's own driver (QVKIVOLabelLayout for the
// layout and its rules).
//
// Print settings of the stock: the queue the printer set-up names for
// QVKIVOTagwrightPrinter and the stock, the stock's paper name and size, no
// margins, landscape, clipped both ways, not centred, page 1 only, one copy,
// scale 1; then the driver settings: the density stored in the user default
// "kivoSettings" under "<label type>.density" (2, "Normal", when absent) and,
// on a two-roll (DualSwift) printer only, the roll under "<label
// type>.tray": "aLft" the left roll, anything else the right one.
//
// A label type without a layout prints nothing and answers false.
#include "platform/PrintInfo.h"
#include "printing/layouts/QVKIVOLabelLayout.h"

#include <QVariantMap>

namespace tolvane {

class QVKIVOLabelController : public QVKIVOLabelLayout
{
public:
    // The label type from the printer set-up and its stock's layout.
    QVKIVOLabelController();
    // A given label type (for the printer set-up's own uses and tests).
    explicit QVKIVOLabelController(const QString &labelType);

    // Every text empty, no indicium, no barcode picture, VOID off.
    static std::unique_ptr<QVKIVOLabelController> blankKIVOController();
    // Filled from the shipment; the top custom field from its choice.
    static std::unique_ptr<QVKIVOLabelController> KIVOControllerWithShipment(std::shared_ptr<QVShipment> shipment);

    // Top custom field = the shipment's stringForTopCustomField.
    void syncCustomFields();

    bool testPrint() const { return m_testPrint; }
    void setTestPrint(bool testPrint) { m_testPrint = testPrint; }
    bool international() const { return m_international; }
    void setInternational(bool international) { m_international = international; }

    // The stock's print settings (without driver settings).
    PrintInfo kivoPrintInfo() const;
    // The settings the label is printed with (driver settings and extras
    // included).
    PrintInfo printInfoWithExtras(const QVariantMap &extras) const;
    // Prints under the job title "Tolvane Label"; true when the print
    // operation ran.
    bool printLabelWithPrintInfoExtras(const QVariantMap &extras = QVariantMap());

private:
    void blank();

    bool m_testPrint = false;
};

} // namespace tolvane
