#pragma once
// Fakes of the application delegate and the main window for tests: they
// record every call (in `calls`, as "name" or "name:argument") and answer
// from fields the test sets. AppHostScope registers both while it lives and
// removes them afterwards.
#include "printing/flow/QVPrintFlowServices.h"

#include "model/QVShipment.h"

#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

namespace tolvane::test {

class RecordingAppHost : public QVPrintFlowHost
{
public:
    QStringList calls;
    QList<QUrl> launchedURLs;
    QStringList progressTexts;
    bool automation = false;
    bool progressShown = false;
    QString supportFolder;
    QString labelFolder;
    int infoAlertAnswer = 1;
    // The status menu's switched-on tag after the last update (nothing:
    // every item off); `statusMenuUpdates` counts the updates.
    std::optional<int> statusMenuTag;
    int statusMenuUpdates = 0;
    QList<QVariantMap> postageCorrections;

    void setProgressTextString(const QString &text) override
    {
        calls << QStringLiteral("setProgressTextString:") + text;
        progressTexts << text;
        progressShown = true;
    }
    void hideProgressPanel() override
    {
        calls << QStringLiteral("hideProgressPanel");
        progressShown = false;
    }
    bool isAutomation() override { return automation; }
    void setAutomation(bool on) override
    {
        calls << QStringLiteral("setAutomation:%1").arg(on ? 1 : 0);
        automation = on;
    }
    void showLabels() override { calls << QStringLiteral("showLabels"); }
    void refreshTolvaneStatus() override { calls << QStringLiteral("refreshTolvaneStatus"); }
    void launchURL(const QUrl &url) override
    {
        calls << QStringLiteral("launchURL:") + url.toString();
        launchedURLs << url;
    }
    void launchRefundRequest() override { calls << QStringLiteral("launchRefundRequest"); }
    void launchTessaroSupplyStore() override { calls << QStringLiteral("launchTessaroSupplyStore"); }
    QString appSupportFolderPath() override { return supportFolder; }
    QString labelArchiveFolder() override { return labelFolder; }
    void setShipmentStatusMenuState(std::optional<int> tag) override
    {
        statusMenuTag = tag;
        ++statusMenuUpdates;
    }
    int infoAlertForKey(const QString &key, const QString &, const QString &, bool) override
    {
        calls << QStringLiteral("infoAlertForKey:") + key;
        return infoAlertAnswer;
    }
    void showDateCorrectionSheet() override { calls << QStringLiteral("showDateCorrectionSheet"); }
    void showPostageCorrectionSheetForShipment(const QVShipment &shipment) override
    {
        calls << QStringLiteral("showPostageCorrectionSheetForShipment");
        postageCorrections << shipment.plist();
    }
    void showBuyPostagePanel() override { calls << QStringLiteral("showBuyPostagePanel"); }
    void showTolvaneWizard() override { calls << QStringLiteral("showTolvaneWizard"); }
    void showWebStores() override { calls << QStringLiteral("showWebStores"); }
    void showScaleSetup() override { calls << QStringLiteral("showScaleSetup"); }
    void showAboutBox() override { calls << QStringLiteral("showAboutBox"); }
};

class RecordingMainWindow : public QVMainWindowHost
{
public:
    QStringList calls;
    QVariantMap currentShipment;
    bool batchMode = false;
    bool expressMail = false;
    bool standardizeAnswer = true;
    QStringList nicknames;

    void setCurrentShipmentProperty(const QVariant &value, const QString &key) override
    {
        calls << QStringLiteral("setCurrentShipmentProperty:") + key;
        currentShipment.insert(key, value);
    }
    void removeCurrentShipmentPropertyForKey(const QString &key) override
    {
        calls << QStringLiteral("removeCurrentShipmentPropertyForKey:") + key;
        currentShipment.remove(key);
    }
    QVariant currentShipmentPropertyForKey(const QString &key) override { return currentShipment.value(key); }
    void setToAddress(const QVAddress &address) override
    {
        calls << QStringLiteral("setToAddress:") + address.formattedAddressOnOneLine();
    }
    void setToPhoneNumberString(const QString &phone) override { calls << QStringLiteral("setToPhone:") + phone; }
    void setToEmailAddressString(const QString &email) override { calls << QStringLiteral("setToEmail:") + email; }
    bool isExpressMail() override { return expressMail; }
    void updateFromAddress() override { calls << QStringLiteral("updateFromAddress"); }
    bool setFromAddressToNickname(const QString &nickname) override
    {
        calls << QStringLiteral("setFromAddressToNickname:") + nickname;
        return nicknames.contains(nickname);
    }
    void addOrReplaceFromAddress(const QVAddress &, const QString &nickname) override
    {
        calls << QStringLiteral("addOrReplaceFromAddress:") + nickname;
        if (!nicknames.contains(nickname))
            nicknames.prepend(nickname);
    }
    bool standardizeTextBoxAddress(bool forPrinting) override
    {
        calls << QStringLiteral("standardizeTextBoxAddress:%1").arg(forPrinting ? 1 : 0);
        return standardizeAnswer;
    }
    void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone,
                                     const QString &description, const QString &referenceID, bool focus) override
    {
        calls << QStringLiteral("newPackage:%1|%2|%3|%4|%5|%6")
                     .arg(address, email, phone, description, referenceID,
                          focus ? QStringLiteral("focus") : QStringLiteral("nofocus"));
    }
    void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone,
                                     bool focus) override
    {
        calls << QStringLiteral("newPackage:%1|%2|%3|%4")
                     .arg(address, email, phone, focus ? QStringLiteral("focus") : QStringLiteral("nofocus"));
    }
    bool inBatchMode() override { return batchMode; }
    void enterBatchPrintWithAddresses(const QList<QVAddress> &addresses) override
    {
        calls << QStringLiteral("enterBatchPrintWithAddresses:%1").arg(addresses.size());
        batchMode = true;
    }
    void showMasterWindow() override { calls << QStringLiteral("showMasterWindow"); }
};

class AppHostScope
{
public:
    AppHostScope() : host(std::make_shared<RecordingAppHost>()), mainWindow(std::make_shared<RecordingMainWindow>())
    {
        setPrintFlowHost(host);
        std::weak_ptr<RecordingMainWindow> weak = mainWindow;
        setMainWindowHostProvider([weak]() -> std::shared_ptr<QVMainWindowHost> { return weak.lock(); });
    }
    ~AppHostScope()
    {
        setPrintFlowHost(nullptr);
        setMainWindowHostProvider({});
    }
    AppHostScope(const AppHostScope &) = delete;
    AppHostScope &operator=(const AppHostScope &) = delete;

    std::shared_ptr<RecordingAppHost> host;
    std::shared_ptr<RecordingMainWindow> mainWindow;
};

} // namespace tolvane::test
