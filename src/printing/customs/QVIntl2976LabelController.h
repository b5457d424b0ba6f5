#pragma once
// The customs declaration PS Form 2976 (CN 22) that First-Class Mail
// International and Priority Mail International pieces carry: the layout
// "Intl2976", printed on plain paper (the label on the upper half of a US
// Letter page, the customs instructions and the record of the mailing on the
// lower half when asked for, QVIntl2976View) or, on the maker's 4 x 6 in
// stock (label type QVKIVO8836105Label), the label alone.
//
// Built on the 2976-A (QVIntl2976ALabelController): the same placeholders,
// address fitting, barcodes and overlays, with these differences: the second
// return address is Helvetica 7 points and the second delivery address plain
// Helvetica 8 points; the pictures follow the class and the piece's size; a
// declaration of returned goods or merchandise ticks "Other" with the words
// "returned goods" or "merchandise" (the CN 22 has no boxes of their own).
//
// Print settings: on 8836105 stock (unless the user default
// "overrideFCMIPrintInfo" is on) the label printer's 4 x 6 settings;
// otherwise the plain-paper settings of printInfoKey() with no left margin,
// portrait. The 4 x 6 view is printed whenever the stock is 8836105.
#include "printing/customs/QVIntl2976ALabelController.h"

#include <QPair>

namespace tolvane {

class QVIntl2976View;

class QVIntl2976LabelController : public QVIntl2976ALabelController
{
public:
    // Loads the layout "Intl2976".
    QVIntl2976LabelController();

    static std::unique_ptr<QVIntl2976LabelController>
    intl2976ControllerWithShipment(std::shared_ptr<QVShipment> shipment);

    // The label picture and the lower part's picture of a rate class and
    // piece size (empty names for classes without a 2976 label).
    static QPair<QString, QString> imageNamesForShipment(const QVShipment &shipment);

    // "fcmiPrintInfo" with "overrideFCMIPrintInfo" on, else
    // "plainPaperPrintInfo".
    QString printInfoKey() const override;
    PrintInfo printInfo() const override;
    QWidget *printView() const override;
    void setStringsWithDictionary(const QVariantMap &values) override;

    void setLabelImage(const QVLayoutImage &image);
    void setMailingRecordImage(const QVLayoutImage &image);
    QVImageView *labelImageView() const { return outlets().labelImageView; }
    QVImageView *mailingRecordImageView() const { return m_mailingRecordImageView; }
    QWidget *fourBySixLabelView() const { return m_fourBySixLabelView; }
    QVIntl2976View *intl2976View() const;

private:
    QVImageView *m_mailingRecordImageView = nullptr;
    QWidget *m_fourBySixLabelView = nullptr;
};

} // namespace tolvane
