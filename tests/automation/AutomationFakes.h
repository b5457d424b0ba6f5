#pragma once
// The surroundings of the XML automation in its tests: a main window that
// keeps a real shipment and records every call, the delegate
// (RecordingAppHost), the dialogs, the URL opener and the mailing log, and a
// postage account that records the mils it is asked to buy.
#include "FakeMailingLog.h"
#include "QuietMainWindow.h"
#include "RecordingAppHost.h"
#include "RecordingDialogs.h"
#include "RecordingUrlOpener.h"

#include "automation/QVGlimraAutomation.h"
#include "model/MailingLogServices.h"
#include "model/QVShipment.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QMap>
#include <QStringList>

#include <functional>
#include <memory>

namespace tolvane::test {

class FakeMainWindow : public QuietMainWindow
{
public:
    QStringList calls;
    QStringList destinationTexts;
    QString phone;
    QString email;
    QMap<int, bool> boxes;
    QMap<QString, QVAddress> returnAddresses;
    QString selectedReturnAddress;
    bool standardizes = true;
    QString addressError;
    bool errored = false;
    bool insurance = false;
    // Plays the print flow: answers whether the piece printed (it may set
    // `errored` or write to the log first).
    std::function<bool(bool test)> onPrint = [](bool) { return true; };
    QList<bool> prints;
    // usePostage as each print saw it.
    QList<bool> usePostageAtPrint;

    void removeCurrentShipmentPropertyForKey(const QString &key) override
    {
        calls << QStringLiteral("remove ") + key;
        shipment->removeObjectForKey(key);
    }
    void setToAddress(const QVAddress &address) override
    {
        shipment->setObject(address.plist(), QVShipmentToAddressKey);
    }
    void setToPhoneNumberString(const QString &text) override { phone = text; }
    void setToEmailAddressString(const QString &text) override { email = text; }
    void updateFromAddress() override { calls << QStringLiteral("updateFromAddress"); }
    bool setFromAddressToNickname(const QString &nickname) override
    {
        if (!returnAddresses.contains(nickname))
            return false;
        selectedReturnAddress = nickname;
        return true;
    }
    void addOrReplaceFromAddress(const QVAddress &address, const QString &nickname) override
    {
        returnAddresses.insert(nickname, address);
        selectedReturnAddress = nickname;
    }
    bool standardizeTextBoxAddress(bool forPrinting) override
    {
        calls << QStringLiteral("standardize:%1").arg(forPrinting ? 1 : 0);
        return standardizes;
    }
    bool insuranceChecked() override { return insurance; }
    QString toEmailAddressString() override { return email; }
    void endEditing() override { calls << QStringLiteral("endEditing"); }
    void setDestinationText(const QString &text) override { destinationTexts << text; }
    void setExpressMailBox(ExpressMailBox box, bool on) override { boxes.insert(int(box), on); }
    bool expressMailBox(ExpressMailBox box) override { return boxes.value(int(box)); }
    void updatePricing() override { calls << QStringLiteral("updatePricing"); }
    bool printLabelAsATest(bool test) override
    {
        prints << test;
        usePostageAtPrint << UserDefaults::standardUserDefaults().boolForKey(QVUsePostageDefaultsKey);
        return onPrint(test);
    }
    bool lastShipmentErrored() override { return errored; }
    void setLastShipmentErrored(bool value) override { errored = value; }
    QString addressCorrectionErrorDescription() override { return addressError; }
};

// Registers the fakes for one test and builds the automation over them.
class AutomationWorld
{
public:
    std::shared_ptr<FakeMainWindow> window = std::make_shared<FakeMainWindow>();
    std::shared_ptr<RecordingAppHost> delegate = std::make_shared<RecordingAppHost>();
    std::shared_ptr<FakeMailingLog> log = std::make_shared<FakeMailingLog>();
    DialogsScope dialogs;
    UrlOpenerScope opener;
    std::optional<int> scale;
    QList<qint64> boughtMils;
    QVAutomationPurchase purchaseReply{1, 4711, QStringLiteral("M0012345"), QStringLiteral("$1,234.56")};
    QString statusBalance = QStringLiteral("$88.10");
    // Whether automation mode was on at each print.
    QList<bool> automationAtPrint;
    std::unique_ptr<QVGlimraAutomation> automation;

    AutomationWorld()
    {
        setMailingLog(log);
        QVPackageEnvironment environment;
        environment.window = [this] { return std::static_pointer_cast<QVMainWindowHost>(window); };
        environment.delegate = [this] { return std::static_pointer_cast<QVPrintFlowHost>(delegate); };
        environment.scaleOunces = [this] { return scale; };
        environment.allowedSize = [](const QString &size) { return size != QVUSPSFlatRatePaddedEnvelopeSize; };
        QVAutomationAccount account;
        account.postageBuy = [this](qint64 mils) -> std::optional<QVAutomationPurchase> {
            boughtMils << mils;
            return purchaseReply;
        };
        account.lastValidBalanceText = [this] { return statusBalance; };
        automation = std::make_unique<QVGlimraAutomation>(environment, account);
        UserDefaults::standardUserDefaults().setBool(true, QVUsePostageDefaultsKey);
    }
    ~AutomationWorld()
    {
        automation.reset();
        setMailingLog(nullptr);
        for (const QString &key :
             {QVUsePostageDefaultsKey, QVRenameProcessedXMLFilesKey, QVDontPrintForOnePackageAndPromptIsYesKey,
              QStringLiteral("errorOnZIPMismatch"), QStringLiteral("confirmationService"),
              QStringLiteral("useInsurance"), QStringLiteral("useStealth"), QStringLiteral("printCustomsSendersCopy")})
            UserDefaults::standardUserDefaults().removeObjectForKey(key);
    }
    AutomationWorld(const AutomationWorld &) = delete;
    AutomationWorld &operator=(const AutomationWorld &) = delete;

    QString process(const QString &xml) { return automation->processXML(xml).value_or(QStringLiteral("<nil/>")); }
};

} // namespace tolvane::test
