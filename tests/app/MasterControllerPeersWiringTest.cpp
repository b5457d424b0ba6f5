// The real objects behind the main-window controller's interfaces to the
// parts beside the window: the stamp window's calls, the desktop clipboard,
// the service-commitments page and the recipient notice through the URL
// opener, and the scale set-up with no scale configured.
#include "app/mainwindow/MasterControllerPeersWiring.h"
#include "devices/setup/QVScaleSetupController.h"
#include "model/MailingLogServices.h"
#include "model/StringAdditions.h"

#include "MasterControllerFixture.h"
#include "RecordingUrlOpener.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace master_test;
using namespace tolvane::test;

namespace {

// A mailing log whose newest piece is the test's (nothing else is asked).
class OnePieceLog final : public QVMailingLogServices
{
public:
    std::shared_ptr<QVShipment> last;
    quint32 itemsInLog() override { return last ? 1 : 0; }
    std::shared_ptr<QVShipment> lastShipment() override { return last; }
    std::shared_ptr<QVShipment> shipmentAtIndex(quint32) override { return last; }
    std::optional<quint32> indexForPIC(const QString &) override { return std::nullopt; }
    std::optional<quint32> sortedIndexForPIC(const QString &) override { return std::nullopt; }
    std::optional<QString> trackShipmentAtIndex(quint32) override { return std::nullopt; }
    bool writeShipmentToLog(const QVShipment &) override { return false; }
    void setVoidStatus(int, const QVShipment &) override {}
};

class PeersWiringTest : public MasterControllerTest
{
protected:
    void SetUp() override
    {
        MasterControllerTest::SetUp();
        QVScaleSetupController::resetSharedController();
        setMailingLog(log);
        configure = [this](MasterControllerEnvironment &env) {
            installMasterControllerPeers(env, {[this] { ++scaleSetups; }, [this] { ++imports; }, {}});
        };
        start();
    }
    void TearDown() override
    {
        setMailingLog(nullptr);
        MasterControllerTest::TearDown();
    }
    std::shared_ptr<OnePieceLog> log = std::make_shared<OnePieceLog>();
    UrlOpenerScope opener;
    int scaleSetups = 0;
    int imports = 0;
};

TEST_F(PeersWiringTest, TheStampWindowsCallsAnswerZeroUntilGiven)
{
    const std::shared_ptr<MasterStampWindow> none = makeMasterStampWindow({});
    none->rateUp();
    EXPECT_EQ(none->currentMode(), 0);
    EXPECT_EQ(none->selectedCellCount(), 0);

    QStringList calls;
    MasterStampWindowCalls given;
    given.rateUp = [&] { calls.append(QStringLiteral("up")); };
    given.sheetCountDown = [&] { calls.append(QStringLiteral("sheets down")); };
    given.currentMode = [] { return 2; };
    const std::shared_ptr<MasterStampWindow> window = makeMasterStampWindow(given);
    window->rateUp();
    window->sheetCountDown();
    window->rateDown();
    EXPECT_EQ(calls, (QStringList{QStringLiteral("up"), QStringLiteral("sheets down")}));
    EXPECT_EQ(window->currentMode(), 2);
}

TEST_F(PeersWiringTest, TheLabelNumberGoesToTheDesktopClipboard)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    controller->copyConfirmationNumber();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before")) << "no number, nothing copied";
    const QString number = QStringLiteral("9400111899223100000000");
    controller->setCurrentPICCode(number);
    controller->copyConfirmationNumber();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), uspsLogPIC(number));
}

TEST_F(PeersWiringTest, PagesAndNoticesGoThroughTheURLOpener)
{
    controller->launchUSPSExpressMailCommitmentsSite();
    ASSERT_EQ(opener->opened.size(), 1);
    EXPECT_EQ(opener->opened[0].path(), QStringLiteral("/servicecommitments.aspx"));

    // An empty log sends no notice; its newest piece sends one to its
    // recipient.
    controller->prepareEmailNotification();
    EXPECT_EQ(opener->opened.size(), 1);
    log->last = std::make_shared<QVShipment>();
    QVAddress to;
    to.setName(QStringLiteral("Ada Lovelace"));
    to.setEmail(QStringLiteral("ada@example.com"));
    log->last->setObject(to.plist(), QVShipmentToAddressKey, false);
    controller->prepareEmailNotification();
    ASSERT_EQ(opener->opened.size(), 2);
    EXPECT_EQ(opener->opened[1].scheme(), QStringLiteral("mailto"));
    EXPECT_TRUE(opener->opened[1].toString().startsWith(QStringLiteral("mailto:ada@example.com?")));

    controller->addressBookImport();
    EXPECT_EQ(imports, 1);
}

TEST_F(PeersWiringTest, WithoutAConfiguredScaleWeighingOpensTheSetUp)
{
    typeWeight(QStringLiteral("2"));
    const QString before = stored(QVShipmentWeightNumberKey);
    controller->weigh();
    settle();
    EXPECT_EQ(scaleSetups, 1);
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), before);
}

} // namespace
