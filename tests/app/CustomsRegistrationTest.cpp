// The customs sheet's services once the application registered them: the
// Restrictions button reaches the main window's service summary, the signing
// name is the account holder of the postage server's last valid status, the
// sheet is ended by the host, and Preview Form asks USPS Web Tools for the
// sample (certification) form and keeps no copy of it.
#include "app/shell/CustomsRegistration.h"
#include "platform/HttpClient.h"
#include "rateengine/RateCountries.h"
#include "printing/customs/QVCustomsDialogView.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include "FakePostageServer.h"
#include "FakeUSPSWebToolsServer.h"
#include "MasterPeersFixture.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QDir>
#include <QVBoxLayout>

using namespace master_test;
using namespace tolvane::test;

namespace {

class CustomsRegistrationTest : public MasterPeersTest
{
protected:
    void SetUp() override
    {
        MasterPeersTest::SetUp();
        ASSERT_EQ(LoadCountry2013FileAtPath(TOLVANE_SOURCE_DIR "/resources/country2013.dat"), 1);
        QVCommandCenter::resetSharedInstancesForTesting();
        QDir(confs()).removeRecursively();
    }
    void TearDown() override
    {
        unregisterCustomsServices();
        setHttpCAFile(QString());
        QDir(confs()).removeRecursively();
        QVCommandCenter::resetSharedInstancesForTesting();
        MasterPeersTest::TearDown();
    }
    void registerOverController()
    {
        registerCustomsServices([this] { return controller.get(); });
    }
    static QString confs() { return QDir(supportDir()).filePath(QVUSPSCustomsFormsFolderName); }

    // A gift of one book to Ottawa.
    static QVShipment giftToCanada()
    {
        QVAddress to;
        to.setName(QStringLiteral("Bob Receiver"));
        to.setCountry(QStringLiteral("Canada"));
        QVShipment shipment;
        shipment.setObject(to.plist(), QVShipmentToAddressKey);
        shipment.setObject(QVUSPSIntlFirstClassMailIntl, QVUSPSShipmentRateClassKey);
        shipment.setObject(QVUSPSShipmentCustomsFormGiftContentType, QVUSPSShipmentCustomsFormContentTypeKey);
        shipment.setObject(QVariantList{QVariantMap{{QVShipmentItemDescriptionKey, QStringLiteral("Book")},
                                                    {QVShipmentItemQuantityKey, QStringLiteral("1")},
                                                    {QVShipmentItemValueKey, QStringLiteral("9.50")}}},
                           QVShipmentItemsKey);
        return shipment;
    }
};

TEST_F(CustomsRegistrationTest, RestrictionsReachTheMainWindowsServiceSummary)
{
    start();
    registerOverController();
    sendTo(QString(), QStringLiteral("CANADA"));
    customsDialogHost()->serviceSummary(*controller->currentShipment());
    sendTo(QStringLiteral("10001"));
    customsDialogHost()->serviceSummary(*controller->currentShipment());
    EXPECT_EQ(handOvers->calls, QStringList{QStringLiteral("international CANADA")});

    // Without a main window there is nothing to show (and nothing breaks).
    registerCustomsServices([]() -> MasterController * { return nullptr; });
    sendTo(QString(), QStringLiteral("CANADA"));
    customsDialogHost()->serviceSummary(*controller->currentShipment());
    EXPECT_EQ(handOvers->calls.size(), 1);
}

TEST_F(CustomsRegistrationTest, TheSigningNameIsTheAccountHolderOfTheLastValidStatus)
{
    registerOverController();
    EXPECT_EQ(customsDialogHost()->accountHolderName(), QString());

    FakePostageReply reply;
    reply.name = "Ada Lovelace";
    const auto status = QVRHOResponse::responseWithData(reply.bytes());
    ASSERT_TRUE(status);
    QVRHOCommandCenter::commandCenter()->setLastValidStatusResponse(status);
    EXPECT_EQ(customsDialogHost()->accountHolderName(), QStringLiteral("Ada Lovelace"));

    // A failed status leaves no valid one.
    QVRHOCommandCenter::commandCenter()->setLastValidStatusResponse(nullptr);
    EXPECT_EQ(customsDialogHost()->accountHolderName(), QString());
}

TEST_F(CustomsRegistrationTest, TheHostEndsTheOpenCustomsSheet)
{
    registerOverController();
    QWidget parent;
    parent.show();
    auto *sheet = new QDialog(&parent);
    sheet->setWindowModality(Qt::WindowModal);
    auto *layout = new QVBoxLayout(sheet);
    layout->addWidget(new tolvane::QVCustomsDialogView(
        std::make_shared<tolvane::QVCustomsDialogController>(std::make_shared<QVShipment>(giftToCanada())), sheet));
    QDialog other(&parent);
    other.setWindowModality(Qt::WindowModal);
    sheet->show();
    other.show();

    customsDialogHost()->closeSheet();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), int(QDialog::Rejected));
    EXPECT_TRUE(other.isVisible());    // not a customs sheet
    customsDialogHost()->closeSheet(); // none open: nothing happens
}

TEST_F(CustomsRegistrationTest, TheSheetRunsOnItsWindowAndTellsItsEnd)
{
    registerOverController();
    QWidget parent;
    parent.show();
    int ended = 0;
    runCustomsSheet(&parent, std::make_shared<QVShipment>(giftToCanada()), [&ended] { ++ended; });
    auto *sheet = parent.findChild<QDialog *>();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    auto *cancel = sheet->findChild<QPushButton *>(QStringLiteral("cancelButton"));
    ASSERT_TRUE(cancel);
    EXPECT_EQ(ended, 0);
    cancel->click();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(sheet->isVisible());
    QPointer<QDialog> gone(sheet);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
}

TEST_F(CustomsRegistrationTest, PreviewFormAsksForTheSampleFormAndKeepsNoCopy)
{
    FakeUSPSWebToolsServer server;
    ASSERT_TRUE(server.isListening());
    setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
    defaults().setString(server.host(), QVUSPSWebToolsServerDefaultsKey);
    defaults().setString(server.secureHost(), QVUSPSWebToolsSecureServerDefaultsKey);
    QVCommandCenter::resetSharedInstancesForTesting();
    registerOverController();

    const QByteArray pdf = QByteArray("%PDF sample").toBase64();
    struct Case {
        bool cn22;
        QByteArray api;
        QByteArray reply;
    } cases[] = {
        {true, "CustomsCN22V2Certify",
         "<CustomsCN22V2CertifyResponse><CustomsBarcodeNumber>LC1</CustomsBarcodeNumber><CN22V2FormImage>" + pdf +
             "</CN22V2FormImage></CustomsCN22V2CertifyResponse>"},
        {false, "CustomsCP72V3Certify",
         "<CustomsCP72V3CertifyResponse><CustomsBarcodeNumber>CP1</CustomsBarcodeNumber><CP72V3Page1Image>" + pdf +
             "</CP72V3Page1Image></CustomsCP72V3CertifyResponse>"},
    };
    const QVShipment gift = giftToCanada();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.api.toStdString());
        const auto ask = [&] {
            return c.cn22 ? customsFormServices()->sampleCN22Form(gift) : customsFormServices()->sampleCP72Form(gift);
        };
        server.setReply(c.api, c.reply);
        const int before = server.receivedCount();
        EXPECT_TRUE(ask());
        ASSERT_EQ(server.receivedCount(), before + 1);
        EXPECT_EQ(server.lastReceived()->api, c.api);
        EXPECT_FALSE(QDir(confs()).exists());

        // The service's error is no form.
        server.setErrorReply(c.api, "-2147219401", "Invalid destination.");
        EXPECT_FALSE(ask());
    }
}

} // namespace
