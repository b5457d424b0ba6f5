#pragma once
// A stamp-window host for tests: a label printer present or not, the
// account's status reply, and a record of the information alerts, supply
// store visits and the maker edition's mode menu title.
#include "services/QVRHOResponse.h"
#include "stamps/TessaroHost.h"

#include "platform/Dialogs.h"
#include "services/QVRHOCommandCenter.h"

#include <QByteArray>
#include <QStringList>

#include <cstring>
#include <functional>
#include <optional>

namespace tolvane::test {

class TessaroTestHost : public TessaroHost
{
public:
    bool printer = false;
    std::shared_ptr<QVRHOResponse> status;
    QStringList alerts;
    int answer = 1;
    // Answers of the next information alerts, before `answer`.
    QList<int> answers;
    QVariantList alertArguments;
    int storeVisits = 0;
    QString modeMenuTitle;

    int infoAlertForKey(const QString &key, const QString &defaultButton, const QString &alternateButton,
                        bool remindBox, const QVariantList &arguments = {}) override
    {
        alerts << QStringLiteral("%1|%2|%3|%4").arg(key, defaultButton, alternateButton).arg(remindBox);
        alertArguments << QVariant(arguments);
        return answers.isEmpty() ? answer : answers.takeFirst();
    }
    void launchTessaroSupplyStore() override { ++storeVisits; }
    bool printerAvailable() override { return printer; }
    std::shared_ptr<QVRHOResponse> lastValidStatusResponse() override { return status; }
    QString addJunkToWindowTitle(const QString &title) override { return title + QStringLiteral(" [test]"); }
    void setKivoStampsModeMenuItemTitle(const QString &title) override { modeMenuTitle = title; }

    // Printing: the postage client, the progress texts shown (in order), the
    // print panels asked for and what they answer, the buy-postage panel
    // (which may raise the balance), the wizard and the status refreshes.
    std::shared_ptr<QVRHOCommandCenter> client;
    QStringList progressTexts;
    bool progressShown = false;
    QList<PrintInfo> printPanels;
    std::function<std::optional<PrintInfo>(const PrintInfo &)> printPanelAnswer;
    std::function<void()> onBuyPostage;
    // Called with the bar's value each time the progress is shown.
    std::function<void(int value)> onProgress;
    int buyPostagePanels = 0;
    int wizards = 0;
    int refreshes = 0;

    std::shared_ptr<QVRHOCommandCenter> postageClient() override { return client; }
    void showProgress(const QString &title, const QString &text, int value, int maximum) override
    {
        (void)title;
        progressShown = true;
        progressTexts << QStringLiteral("%1 [%2/%3]").arg(text).arg(value).arg(maximum);
        if (onProgress)
            onProgress(value);
    }
    void hideProgress() override { progressShown = false; }
    std::optional<PrintInfo> runPrintPanel(const PrintInfo &printInfo, PageSetupAccessory *accessory) override
    {
        (void)accessory;
        printPanels << printInfo;
        return printPanelAnswer ? printPanelAnswer(printInfo) : std::nullopt;
    }
    void showBuyPostagePanel() override
    {
        ++buyPostagePanels;
        if (onBuyPostage)
            onBuyPostage();
    }
    void showTolvaneWizard() override { ++wizards; }
    void refreshTolvaneStatus() override { ++refreshes; }
};

// A status reply of the postage server: model "1M", status "A", the serial
// number, the balance in mils and the flags (the third flag "E" marks a
// Zevavored Azozudu account).
inline std::shared_ptr<QVRHOResponse> statusReply(quint32 serial, qint64 balanceMils, const char *flags = "SSSS")
{
    QByteArray record(QVRHOResponse::RecordLength, '\0');
    const auto put = [&record](int offset, const void *bytes, size_t length) {
        std::memcpy(record.data() + offset, bytes, length);
    };
    const quint32 one = 1;
    put(4, &one, 4);
    put(8, "1M", 2);
    put(16, "A", 1);
    put(20, &serial, 4);
    put(40, &balanceMils, 8);
    put(547, flags, std::strlen(flags));
    return QVRHOResponse::responseWithData(record);
}

} // namespace tolvane::test
