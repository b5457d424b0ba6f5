// MasterController: the print flow and its commands, and the controller as
// the printing layer's main window (QVMainWindowHost).
//
// With `ownPrintFlow` (the application's controller) the environment's
// printing side is wrapped so that its print command runs the print
// commands and a change of the printing defaults reaches an open preview as
// well; every other question still goes to the printing side given. The
// controller then registers itself as the main window the printing layer
// asks for (mainWindowHost()); once it is gone the printing layer finds no
// window.
#include "app/mainwindow/MasterController.h"

#include "app/shell/QVMenus.h"
#include "model/QVShipment.h"
#include "printing/flow/QVPrintCommands.h"
#include "printing/flow/QVPrintFlow.h"
#include "printing/flow/QVPrintFlowServices.h"

#include <QWidget>

using tolvane::QVPrintCommands;
using tolvane::QVPrintFlow;

namespace {

// The printing side given to the controller, with the Print command and the
// printing defaults' change going to the controller's print commands.
class CommandPrinting final : public MasterPrinting
{
public:
    CommandPrinting(std::shared_ptr<MasterPrinting> inner, std::shared_ptr<QVPrintFlow> flow,
                    std::shared_ptr<QVPrintCommands> commands)
        : m_inner(std::move(inner)), m_flow(std::move(flow)), m_commands(std::move(commands))
    {}

    void runCustomsSheet(std::shared_ptr<QVShipment> shipment, std::function<void()> didEnd) override
    {
        m_inner->runCustomsSheet(std::move(shipment), std::move(didEnd));
    }
    QString printerNameForPlainPaperInfo(const QString &key) override
    {
        return m_inner->printerNameForPlainPaperInfo(key);
    }
    void printingDefaultsChanged() override
    {
        m_inner->printingDefaultsChanged();
        m_commands->printingDefaultsChanged();
    }
    QString printerTypeForEnvelope(bool envelope) override { return m_inner->printerTypeForEnvelope(envelope); }
    QString labelTypeForEnvelope(bool envelope) override { return m_inner->labelTypeForEnvelope(envelope); }
    QString printerNameForPrinterType(const QString &printerType, const QString &labelType,
                                      const QString &plainPaperInfoKey) override
    {
        return m_inner->printerNameForPrinterType(printerType, labelType, plainPaperInfoKey);
    }
    QString currentEnvelopeSummaryString() override { return m_inner->currentEnvelopeSummaryString(); }
    QString currentPostcardSummaryString() override { return m_inner->currentPostcardSummaryString(); }
    void printTheLabel() override { m_commands->printTheLabel(); }

private:
    std::shared_ptr<MasterPrinting> m_inner;
    // The commands work on the flow: both are kept.
    std::shared_ptr<QVPrintFlow> m_flow;
    std::shared_ptr<QVPrintCommands> m_commands;
};

// The controller as the printing layer asks for the main window.
class ControllerWindowHost final : public QVMainWindowHost
{
public:
    explicit ControllerWindowHost(MasterController &controller) : m_c(controller) {}

    void setCurrentShipmentProperty(const QVariant &value, const QString &key) override
    {
        m_c.setCurrentShipmentProperty(value, key);
    }
    void removeCurrentShipmentPropertyForKey(const QString &key) override
    {
        m_c.removeCurrentShipmentPropertyForKey(key);
    }
    QVariant currentShipmentPropertyForKey(const QString &key) override
    {
        return m_c.currentShipmentPropertyForKey(key);
    }
    void setToAddress(const QVAddress &address) override { m_c.setToAddress(address); }
    void setToPhoneNumberString(const QString &phone) override { m_c.setToPhoneNumberString(present(phone)); }
    void setToEmailAddressString(const QString &email) override { m_c.setToEmailAddressString(present(email)); }
    bool isExpressMail() override { return m_c.isExpressMail(); }
    void updateFromAddress() override { m_c.updateFromAddress(); }
    bool setFromAddressToNickname(const QString &nickname) override { return m_c.setFromAddressToNickname(nickname); }
    void addOrReplaceFromAddress(const QVAddress &address, const QString &nickname) override
    {
        m_c.addOrReplaceFromAddress(address, nickname);
    }
    // The controller verifies for itself: no empty-address alert.
    bool standardizeTextBoxAddress(bool forPrinting) override
    {
        return m_c.standardizeTextBoxAddress(true, forPrinting);
    }
    void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone,
                                     const QString &description, const QString &referenceID, bool focus) override
    {
        m_c.newPackageWithAddressString(address, email, phone, description, referenceID, focus);
    }
    void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone,
                                     bool focus) override
    {
        m_c.newPackageWithAddressString(address, email, phone, std::nullopt, std::nullopt, focus);
    }
    bool inBatchMode() override { return m_c.inBatchMode(); }
    void enterBatchPrintWithAddresses(const QList<QVAddress> &addresses) override
    {
        m_c.enterBatchPrintWithAddresses(addresses);
    }
    void showMasterWindow() override
    {
        if (QWidget *window = m_c.windowWidget()) {
            window->show();
            window->raise();
            window->activateWindow();
        }
    }

    std::shared_ptr<QVShipment> currentShipment() override { return m_c.currentShipment(); }
    bool usePostageForCurrentShipment() override { return m_c.usePostageForCurrentShipment(); }
    bool useStealthPostageForCurrentShipment() override { return m_c.useStealthPostageForCurrentShipment(); }
    bool insuranceChecked() override { return m_c.form().isOn(FormControl::UseInsurance); }
    QString estimatedDeliveryText() override { return m_c.form().text(FormControl::RateEstimated); }
    QString toEmailAddressString() override { return m_c.form().text(FormControl::ToEmail); }
    QVariantMap expressOptionsDictionary() override { return m_c.expressOptionsDictionary(); }
    bool preflightBatch() override { return m_c.preflightBatch(); }
    bool hasAttachedSheet() override { return m_c.hasAttachedSheet() || previewSheetIsAttached(); }
    bool previewSheetIsAttached() override
    {
        const tolvane::QVPreviewPanelView *view = m_c.printCommands().previewPanel().view();
        return view && view->isSheetShown();
    }
    void closeSheet() override
    {
        if (const Alert *sheet = m_c.attachedSheet())
            m_c.endSheet(sheet->cancelAnswer);
        if (m_c.returnAddressSheetIsOpen())
            m_c.cancelAddFromAddressSheet();
        endPreviewSheet();
    }
    void endPreviewSheet() override { m_c.printCommands().labelPreviewSheetDidEnd(); }
    void showCustomsFormSheet() override { m_c.showCustomsFormSheet(); }
    void runEditFromAddressSheet() override
    {
        m_c.runEditFromAddressSheet();
        m_c.windowUpdate();
    }
    void focusToEmailField() override { m_c.form().makeFirstResponder(FormControl::ToEmail); }
    void focusDestinationAddress() override { m_c.form().makeFirstResponder(FormControl::ToAddress); }
    void prepareEmailNotification() override { m_c.prepareEmailNotification(); }
    void setCurrentPICCode(const QString &pic) override { m_c.setCurrentPICCode(pic); }
    void copyConfirmationNumber() override { m_c.copyConfirmationNumber(); }
    void clearAllFields() override { m_c.clearAllFields(); }
    void setShipmentDefaults() override { m_c.setShipmentDefaults(); }
    void updateWindow() override { m_c.windowUpdate(); }

    bool inStampPrintingMode() override { return m_c.inStampPrintingMode(); }
    void endEditing() override { m_c.endEditing(); }
    bool optionKeyDown() override { return m_c.optionKeyDown(); }
    void setOptionKeyDown(bool down) override { m_c.setOptionKeyDown(down); }
    QList<QVAddress> batchAddresses() override { return m_c.batchAddresses(); }
    void leaveBatchPrint() override { m_c.leaveBatchPrint(); }
    void displayWindow() override { m_c.displayWindow(); }
    void reselectLastAddressBookRow() override
    {
        if (m_c.hooks().reselectLastAddressBookRow)
            m_c.hooks().reselectLastAddressBookRow();
    }
    void updatePrinterSummaryText() override { m_c.updatePrinterSummaryText(); }
    QWidget *sheetParentWindow() override { return m_c.windowWidget(); }

    void setDestinationText(const QString &text) override { m_c.setDestinationText(text); }
    // Set as the program sets them: the box alone, no action of its own
    // (the services they stand for are the package's business).
    void setExpressMailBox(ExpressMailBox box, bool on) override { m_c.form().checkBox(control(box)).on = on; }
    bool expressMailBox(ExpressMailBox box) override { return m_c.form().isOn(control(box)); }
    void updatePricing() override
    {
        if (const std::shared_ptr<QVShipment> shipment = m_c.currentShipment())
            shipment->_updatePricing();
    }
    bool printLabelAsATest(bool test) override { return m_c.printFlow().printLabelAsATest(test); }
    bool lastShipmentErrored() override { return m_c.printFlow().lastShipmentErrored(); }
    void setLastShipmentErrored(bool errored) override { m_c.printFlow().setLastShipmentErrored(errored); }
    QString addressCorrectionErrorDescription() override { return m_c.addressCorrectionErrorDescription(); }

private:
    // The window's check box of the Priority Mail Express option (the
    // signature box is the one the window calls its waiver box).
    static FormControl control(ExpressMailBox box)
    {
        switch (box) {
        case ExpressMailBox::SignatureRequired:
            return FormControl::ExpressWaiverOfSignature;
        case ExpressMailBox::SaturdayDelivery:
            return FormControl::ExpressSaturday;
        case ExpressMailBox::SundayDelivery:
            return FormControl::ExpressSunday;
        case ExpressMailBox::HolidayDelivery:
            return FormControl::ExpressHoliday;
        }
        return FormControl::ExpressHoliday;
    }

    // A null text is none (left as it is).
    static std::optional<QString> present(const QString &text)
    {
        return text.isNull() ? std::nullopt : std::optional<QString>(text);
    }

    MasterController &m_c;
};

} // namespace

void MasterController::setUpPrinting()
{
    m_printFlow = std::make_shared<QVPrintFlow>();
    m_printCommands = std::make_shared<QVPrintCommands>(*m_printFlow);
    if (!m_env.ownPrintFlow)
        return;
    m_env.printing = std::make_shared<CommandPrinting>(m_env.printing, m_printFlow, m_printCommands);
    m_windowHost = std::make_shared<ControllerWindowHost>(*this);
    setMainWindowHostProvider([host = std::weak_ptr<QVMainWindowHost>(m_windowHost)] { return host.lock(); });
}

QUrl MasterController::pendingCallbackURL() const { return m_printFlow->pendingCallbackURL().value_or(QUrl()); }

void MasterController::setPendingCallbackURL(const QUrl &url)
{
    m_printFlow->setPendingCallbackURL(url.isEmpty() ? std::nullopt : std::optional<QUrl>(url));
}

void MasterController::setView(MasterView *view)
{
    // The commands' own panel is a child of the window it was made on: it
    // is let go while that window still lives, and made again on the next.
    if (view != m_view && m_printCommands)
        m_printCommands->setPreviewPanelView(nullptr);
    m_view = view;
}

void MasterController::testPrint()
{
    if (!m_env.ownPrintFlow)
        return;
    if (m_view)
        m_view->commitEditing();
    m_printCommands->testPrint();
}

void MasterController::printSelected()
{
    if (m_env.ownPrintFlow)
        m_printCommands->printSelected();
}

void MasterController::runPDFLabel(int output)
{
    if (!m_env.ownPrintFlow)
        return;
    if (m_view)
        m_view->commitEditing();
    m_printCommands->runPDFLabel(output);
}

void MasterController::registerPrintActions(QVMenuActions &actions)
{
    std::weak_ptr<int> alive = m_alive;
    const auto whileAlive = [this, alive](void (MasterController::*command)()) {
        return [this, alive, command](const QVMenuItem &) {
            if (!alive.expired())
                (this->*command)();
        };
    };
    actions.setHandler(QStringLiteral("printTheLabel:"), whileAlive(&MasterController::printTheLabel));
    actions.setHandler(QStringLiteral("testPrint:"), whileAlive(&MasterController::testPrint));
    actions.setHandler(QStringLiteral("printSelected:"), whileAlive(&MasterController::printSelected));
    actions.setHandler(QStringLiteral("runPDFLabel:"), [this, alive](const QVMenuItem &item) {
        if (!alive.expired())
            runPDFLabel(item.tag);
    });
}

void MasterController::endEditing()
{
    if (m_view)
        m_view->commitEditing();
    m_form.makeFirstResponder(std::nullopt);
}

void MasterController::setOptionKeyDown(bool down)
{
    m_optionKeyDown = down;
    m_printMenuModifiers = down ? (QVCommandKeyMask | QVOptionKeyMask) : QVCommandKeyMask;
}

void MasterController::displayWindow()
{
    windowDidUpdate();
    if (m_view)
        m_view->displayNow(FormControl::ToAddress);
}

bool MasterController::inStampPrintingMode() const { return !m_env.shell->isStandardPrintingMode(); }

QWidget *MasterController::windowWidget() const
{
    // The window on screen is a widget that is also the controller's view.
    return dynamic_cast<QWidget *>(m_view);
}
