#pragma once
// The main window's print commands: Print, Test Print, Print Selected and
// the live print without preview; the preview panel (the label drawn with a
// sample indicium, or the label server's preview, before anything is paid);
// the PDF outputs (Open, Save, Email) through the print operation's job
// dispositions; and batch printing, one label per address of the batch.
//
// The main window owns one beside its QVPrintFlow and forwards its commands;
// the window itself is reached through QVMainWindowHost
// (QVPrintFlowServices.h), the stamp window through QVStampWindowPrinting,
// the mail program through QVEmailManager. Alerts and the save panel go
// through the dialogs interface. Main thread only.
#include "model/QVShipment.h"
#include "printing/flow/QVPreviewPanel.h"

#include <QDateTime>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace tolvane {

class QVPrintFlow;
struct QVPreviewLabel;

// User defaults of the print command and of batch printing.
inline const QString QVPreviewOnPrintKey = QStringLiteral("previewOnPrint");
inline const QString QVSundayWarningKey = QStringLiteral("sundayWarning");
inline const QString QVSaturdayWarningKey = QStringLiteral("saturdayWarning");
inline const QString QVHolidayWarningKey = QStringLiteral("holidayWarning");
inline const QString QVEnvelopeAlignPostageLeftKey = QStringLiteral("envelopeAlignPostageLeft");
// The list of the batch's failures in the support folder.
inline const QString QVBadAddressesFileName = QStringLiteral("tolvane-badaddresses.txt");

// The sample numbers written into the preview copy of a shipment.
inline const QString QVPreviewSamplePIC = QStringLiteral("EC549999780US");
inline const QString QVPreviewSampleCustomsNumber = QStringLiteral("CJ050000136US");

class QVPrintCommands
{
public:
    explicit QVPrintCommands(QVPrintFlow &flow);
    ~QVPrintCommands();
    QVPrintCommands(const QVPrintCommands &) = delete;
    QVPrintCommands &operator=(const QVPrintCommands &) = delete;

    // ---- The commands
    // Print: preflight, the ship-date warnings, then the batch, the preview
    // or the live print.
    void printTheLabel();
    void testPrint();
    void printSelected();
    void printLiveLabelNoPreview();
    // The Sunday, Saturday and holiday questions for the ship date, each
    // when its user default is on; false when one was answered "Cancel".
    bool shipDateWarningsAllowPrint(const QDateTime &shipDate);

    // ---- The preview
    // Builds the preview layout of the current shipment (sample indicium and
    // numbers); false when there is none for it.
    bool preparePreviewLabelController();
    bool hasPreviewLabelController() const { return m_preview != nullptr; }
    // The label server's picture or the preview layout's drawing; null when
    // none could be had.
    QImage labelPreviewImage();
    // The part of a customs form's page (top-left origin, points) that its
    // preview shows: around the label of a 2976 form, the upper half (the
    // label) of a 2976-A page.
    static QRectF customsFormPreviewRect(bool form2976);
    // Shows the panel (a null image drops the preview layout).
    void runLabelPreviewSheetWithImage(const QImage &image);
    void labelPreviewSheetDidEnd();
    void updatePreviewLabelImage();
    // The pop-up: an output is stored; the printer set-up item opens the
    // set-up and keeps the stored output.
    void previewOutputOptionChanged(int tag);
    void showPrinterSetupFromPreviewPanel();
    void changePreviewFrameSize(double factor);
    // The printing settings changed: an open preview is retitled and, when
    // the piece would now be drawn otherwise, rebuilt.
    void printingDefaultsChanged();
    QVPreviewPanelController &previewPanel() { return m_panel; }
    // The panel on screen (null: the Qt panel, made on first use).
    void setPreviewPanelView(QVPreviewPanelView *view);

    // The label server's preview of a shipment; replaceable for tests.
    using LabelServerPreview =
        std::function<std::optional<QImage>(const QVShipment &shipment, const QString &labelType, bool briskoOne)>;
    void setLabelServerPreview(LabelServerPreview preview) { m_labelServerPreview = std::move(preview); }
    // Forgets the picture kept from the last label-server preview.
    static void clearPreviewImageCache();

    // ---- The outputs
    // One output (QVPreviewOutput) of the current shipment; true when it was
    // printed.
    bool runPDFLabelWithOutputOption(int output, bool test);
    // Preflight, then the output, not a test.
    void runPDFLabel(int output);
    // The panel's Print and Test Print buttons.
    void printLiveLabelPreviewSheet();
    void testPrintPreviewSheet();

    // ---- Batch printing
    // The sheet "Batch Print"; its answer runs the batch.
    void runBatchSheet();
    // 1 prints, -1 test-prints, 0 ends.
    void batchSheetDidEnd(int code);
    // The failure list of the last batch: addresses and reasons.
    QStringList lastBatchFailures() const { return m_batchFailures; }
    // Writes the list (each entry followed by "\n\n", UTF-8) to the support
    // folder's "tolvane-badaddresses.txt"; its path, empty on failure.
    static QString writeBadAddresses(const QStringList &failures);

private:
    bool previewIsWide() const;
    QImage renderPreviewLabel() const;
    bool previewNeedsRebuild() const;
    bool envelopePreviewChanged() const;
    QVPreviewPanelView *panelView();

    QVPrintFlow &m_flow;
    std::unique_ptr<QVPreviewLabel> m_preview;
    QVPreviewPanelController m_panel;
    QVPreviewPanelView *m_view = nullptr;
    std::unique_ptr<QVPreviewPanelView> m_ownView;
    LabelServerPreview m_labelServerPreview;
    QStringList m_batchFailures;
};

} // namespace tolvane
