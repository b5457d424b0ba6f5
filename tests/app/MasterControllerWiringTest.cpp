// The real objects behind the main-window controller's interfaces read the
// shared clients and reach the application delegate.
#include "app/MasterControllerWiring.h"

#include "app/QVURLHandler.h"
#include "app/QVXController.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVRHOCommandCenter.h"

#include "LaunchFakes.h"
#include "RecordingDialogs.h"

#include <gtest/gtest.h>

TEST(MasterControllerWiringTest, AccountInformationComesFromTheClientsLastReply)
{
    auto client = QVRHOAccountInformationCommandCenter::commandCenter();
    const QVariantMap saved = client->lastResponse();
    const std::shared_ptr<MasterAccountInformation> account = makeMasterAccountInformation();

    client->setLastResponse({{QStringLiteral("DateAdvance"), QStringLiteral("3")},
                             {QStringLiteral("CanUseStandardPost"), QStringLiteral("true")}});
    EXPECT_EQ(account->dateAdvance(), 3);
    EXPECT_TRUE(account->standardPost());
    client->setLastResponse({{QStringLiteral("DateAdvance"), QStringLiteral("0")}});
    EXPECT_EQ(account->dateAdvance(), 0);
    EXPECT_FALSE(account->standardPost());
    client->setLastResponse(saved);
}

TEST(MasterControllerWiringTest, PostageStatusIsTheClientsLastValidReply)
{
    ASSERT_EQ(QVRHOCommandCenter::commandCenter()->lastValidStatusResponse(), nullptr);
    EXPECT_FALSE(makeMasterPostageStatus()->hasLastValidStatusResponse());
}

TEST(MasterControllerWiringTest, PrintingPassesTheSheetAndTheDefaultsChange)
{
    int sheets = 0;
    int changes = 0;
    std::function<void()> end;
    const auto printing = makeMasterPrinting(
        [&](std::shared_ptr<QVShipment>, std::function<void()> didEnd) {
            ++sheets;
            end = std::move(didEnd);
        },
        [&] { ++changes; });
    bool ended = false;
    printing->runCustomsSheet(nullptr, [&] { ended = true; });
    printing->printingDefaultsChanged();
    EXPECT_EQ(sheets, 1);
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(end);
    end();
    EXPECT_TRUE(ended);
    // Without a window nothing happens.
    const auto bare = makeMasterPrinting({}, {});
    bare->runCustomsSheet(nullptr, [] {});
    bare->printingDefaultsChanged();
}

namespace {

// The URL handler's main window: only loaded.
class LoadedWindowHost final : public QVURLHandlerHost
{
public:
    bool hasMainWindow() override { return true; }
    void checkForUpdates() override {}
    void newPackageWithAddressString(const QString &, const QString &) override {}
    void setCurrentShipmentProperty(const QVariant &, const QString &) override {}
    void setPendingCallbackURL(const std::optional<QUrl> &) override {}
    void highlightRow(quint32) override {}
    void showMainWindow() override {}
    bool processVCardFile(const QString &) override { return false; }
    bool openURLInBrowser(const QUrl &) override { return false; }
    void activateApplication() override {}
};

class LabelsRecordingHost final : public QVPrintFlowHost
{
public:
    int labelsShown = 0;
    void setProgressTextString(const QString &) override {}
    void hideProgressPanel() override {}
    bool isAutomation() override { return false; }
    void showLabels() override { ++labelsShown; }
};

} // namespace

// The delegate behind the window: its automation flag both ways, its labels
// mode, and the program's own URLs through its root object to the URL
// handler, which asks before it prints.
TEST(MasterControllerWiringTest, ShellSetsAutomationShowsLabelsAndHandsURLsToTheURLHandler)
{
    using namespace tolvane::test;
    DialogsScope dialogs;
    const auto scheduler = std::make_shared<FakeScheduler>();
    QVXController delegate(QVXControllerHooks{}, scheduler);
    const std::shared_ptr<MasterShell> shell = makeMasterShell(delegate, {});

    shell->setAutomation(true);
    EXPECT_TRUE(delegate.isAutomation());
    EXPECT_TRUE(shell->isAutomation());
    shell->setAutomation(false);
    EXPECT_FALSE(delegate.isAutomation());

    const auto host = std::make_shared<LabelsRecordingHost>();
    setPrintFlowHost(host);
    shell->showLabels();
    EXPECT_EQ(host->labelsShown, 1);
    setPrintFlowHost(nullptr);

    // Before the root object is served the URL goes nowhere.
    const QString url = QStringLiteral("tolvane://print?ToName=Ada");
    shell->handleApplicationURL(url);
    scheduler->advance(0);
    EXPECT_TRUE(dialogs->alerts.isEmpty());

    LoadedWindowHost window;
    QVURLHandler handler(window, scheduler);
    QStringList requests;
    delegate.remoteRequests().setHandler([&](const RemoteFrame &request) {
        requests << request.method + QLatin1Char(' ') + request.argument;
        return handler.answerRemoteRequest(request);
    });
    dialogs->answers = {0};
    shell->handleApplicationURL(url);
    EXPECT_EQ(requests, QStringList{QStringLiteral("openURL: ") + url});
    // Carried out on the next pass of the event loop, after the question
    // (declined here: nothing is printed).
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    scheduler->advance(0);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Print postage for a link?"));
}
