// The windows that show what USPS Web Tools says, counting the requests at
// the local Web Tools stand-in: the APO/FPO restrictions window (one window
// and one request per open ZIP, a new one after closing), the international
// information window (fetches once per named country, again after a failed
// fetch but not after a good one, only records while hidden, keeps an
// error's description when the topic changes); the insurance agreement,
// which counts as accepted only when the account service answered; and the
// Express Mail terms, printed to a PDF read back with pdftotext.
#include "app/windows/QVAPORestrictionsController.h"
#include "app/windows/QVIntlFloaterController.h"
#include "app/windows/QVTermsWindows.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include "AccountInformationClientSetup.h"
#include "BarcodeTools.h"
#include "FakeAccountInformationServer.h"
#include "FakeUSPSWebToolsServer.h"
#include "RecordingDialogs.h"
#include "RecordingUrlOpener.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class WebToolsWindowsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
        ASSERT_TRUE(server.isListening());
        UserDefaults::standardUserDefaults().setString(server.host(), QVUSPSWebToolsServerDefaultsKey);
        QVUSPSCommandCenter::commandCenter()->setRequestTimeoutMilliseconds(10000);
        QVIntlFloaterController::resetForTesting();
    }
    void TearDown() override
    {
        QVAPORestrictionsController::closeAllForTesting();
        QVIntlFloaterController::resetForTesting();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
    }

    int requests(const QByteArray &api) const
    {
        int count = 0;
        for (const USPSWebToolsRequest &request : server.received())
            count += request.api == api ? 1 : 0;
        return count;
    }

    FakeUSPSWebToolsServer server;
};

TEST_F(WebToolsWindowsTest, OneRestrictionsWindowAndRequestPerOpenZIP)
{
    server.setReply("RateV4",
                    "<RateV4Response><Package ID=\"0\"><Restrictions>No aerosols.</Restrictions>"
                    "</Package></RateV4Response>");
    const auto first = QVAPORestrictionsController::showWindowForZIP(QStringLiteral("09001"));
    EXPECT_EQ(requests("RateV4"), 1);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Restrictions for 09001"));
    EXPECT_EQ(first->window()->windowTitle(), QStringLiteral("Restrictions for 09001"));
    EXPECT_EQ(first->text(), QStringLiteral("No aerosols."));
    EXPECT_TRUE(first->window()->isVisible());

    EXPECT_EQ(QVAPORestrictionsController::showWindowForZIP(QStringLiteral("09001")), first);
    EXPECT_EQ(requests("RateV4"), 1);

    const auto second = QVAPORestrictionsController::showWindowForZIP(QStringLiteral("96601"));
    EXPECT_NE(second, first);
    EXPECT_EQ(requests("RateV4"), 2);
    EXPECT_EQ(QVAPORestrictionsController::openControllers().size(), 2);

    first->window()->close();
    EXPECT_FALSE(QVAPORestrictionsController::openControllers().contains(QStringLiteral("09001")));
    const auto again = QVAPORestrictionsController::showWindowForZIP(QStringLiteral("09001"));
    EXPECT_NE(again, first);
    EXPECT_EQ(requests("RateV4"), 3);

    // A failure leaves the window's own text.
    server.setErrorReply("RateV4", "-2147219401", "Invalid ZIP");
    const auto failed = QVAPORestrictionsController::showWindowForZIP(QStringLiteral("00000"));
    EXPECT_EQ(requests("RateV4"), 4);
    EXPECT_FALSE(failed->text().contains(QStringLiteral("Invalid ZIP")));
    EXPECT_FALSE(failed->text().isEmpty());
}

TEST_F(WebToolsWindowsTest, TheFloaterFetchesOncePerCountryAndAfterFailures)
{
    QVIntlFloaterController &floater = QVIntlFloaterController::intlFloater();
    int progress = 0;
    floater.showProgress = [&](const QString &text) {
        ++progress;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Waiting For Response")));
    };
    server.setReply("IntlRate",
                    "<IntlRateResponse><Package ID=\"0\"><Prohibitions>Coins.</Prohibitions>"
                    "<Restrictions>Medicines.</Restrictions></Package></IntlRateResponse>");
    floater.showWindow();
    EXPECT_EQ(requests("IntlRate"), 0); // the first show waits for the country
    floater.viewCountry(QStringLiteral("Canada"));
    EXPECT_EQ(requests("IntlRate"), 1);
    EXPECT_EQ(progress, 1);
    EXPECT_EQ(floater.currCountry(), QStringLiteral("CANADA"));
    EXPECT_EQ(floater.text(), QStringLiteral("Coins."));
    floater.showField(QStringLiteral("Restrictions"));
    EXPECT_EQ(floater.text(), QStringLiteral("Medicines."));
    floater.showField(QStringLiteral("ExpressMail"));
    EXPECT_EQ(floater.text(), QString());
    floater.viewCountry(QStringLiteral("canada"));
    EXPECT_EQ(requests("IntlRate"), 1);
    // Shown again with a good reply held: nothing fetched.
    floater.showWindow();
    EXPECT_EQ(requests("IntlRate"), 1);

    // Hidden: the country is only recorded.
    floater.window()->hide();
    EXPECT_FALSE(floater.isWindowVisible());
    server.setErrorReply("IntlRate", "-1", "Service down");
    floater.viewCountry(QStringLiteral("France"));
    EXPECT_EQ(floater.currCountry(), QStringLiteral("FRANCE"));
    EXPECT_EQ(requests("IntlRate"), 1);
    floater.showWindow();
    EXPECT_EQ(requests("IntlRate"), 2);
    EXPECT_FALSE(floater.currDictionary());
    EXPECT_TRUE(floater.text().contains(QStringLiteral("Service down"))) << floater.text().toStdString();
    // After a failed fetch, showing again fetches again.
    server.setReply("IntlRate",
                    "<IntlRateResponse><Package ID=\"0\"><Error><Number>-3</Number>"
                    "<Description>Country not served.</Description></Error></Package>"
                    "</IntlRateResponse>");
    floater.showWindow();
    EXPECT_EQ(requests("IntlRate"), 3);
    EXPECT_EQ(floater.text(), QStringLiteral("Country not served."));
    // Another topic leaves the description in place.
    floater.fieldChange(2);
    EXPECT_EQ(floater.text(), QStringLiteral("Country not served."));

    // The main window's notification names the next country.
    server.setReply("IntlRate",
                    "<IntlRateResponse><Package ID=\"0\"><Observations>Fine.</Observations>"
                    "</Package></IntlRateResponse>");
    NotificationCenter::defaultCenter().post(QStringLiteral("QVDidValidateInternationalAddressNotification"), nullptr,
                                             {{QStringLiteral("country"), QStringLiteral("Japan")}});
    EXPECT_EQ(requests("IntlRate"), 4);
    EXPECT_EQ(floater.text(), QStringLiteral("Fine."));
    floater.showWindow();
    EXPECT_EQ(requests("IntlRate"), 4);
}

class InsuranceAgreementTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isListening());
        client = connectAccountInformationClient(server, QStringLiteral("secret"));
    }
    void TearDown() override { disconnectAccountInformationClient(); }

    FakeAccountInformationServer server;
    std::shared_ptr<QVRHOAccountInformationCommandCenter> client;
    DialogsScope dialogs;
};

TEST_F(InsuranceAgreementTest, AcceptedOnlyWhenTheServiceAnswered)
{
    QVTolvaneInsuranceAgreementController agreement;
    server.http().setReply(kInsuranceAgreementPath, ScriptedReply::text(500, "Server Error"));
    EXPECT_EQ(agreement.agree(), 0);
    EXPECT_FALSE(client->insuranceAgreement());
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_TRUE(dialogs->alerts.first().informativeText.contains(QStringLiteral("500")));
    const auto sent = server.lastDocument(kInsuranceAgreementPath);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->childText(QStringLiteral("AccountNumber")), QStringLiteral("1234567"));

    // No server at all: no reply either.
    UserDefaults::standardUserDefaults().setString(QStringLiteral("127.0.0.1:1"), QStringLiteral("labelServiceServer"));
    EXPECT_EQ(agreement.agree(), 0);
    EXPECT_FALSE(client->insuranceAgreement());
    EXPECT_EQ(dialogs->alerts.size(), 2);

    UserDefaults::standardUserDefaults().setString(server.host(), QStringLiteral("labelServiceServer"));
    server.http().setReply(kInsuranceAgreementPath, ScriptedReply::text(200, "<ok/>"));
    EXPECT_EQ(agreement.agree(), 1);
    EXPECT_TRUE(client->insuranceAgreement());
    EXPECT_EQ(dialogs->alerts.size(), 2);
}

TEST(TermsWindows, TextsPointToThePublishedTermsOnTheSetHosts)
{
    UserDefaults::resetStandardUserDefaults();
    UserDefaults::standardUserDefaults().setString(QStringLiteral("usps.example.test"), QStringLiteral("uspsWebSite"));
    UserDefaults::standardUserDefaults().setString(QStringLiteral("vendor.example.test"),
                                                   QStringLiteral("tolvaneWebSite"));
    const QString express = QVExpressMailTerms().termsHTML();
    EXPECT_TRUE(express.contains(QStringLiteral("https://usps.example.test/"))) << express.toStdString();
    EXPECT_FALSE(express.contains(QStringLiteral("<%")));
    const QString insurance = QVTolvaneInsuranceAgreementController().termsHTML();
    EXPECT_TRUE(insurance.contains(QStringLiteral("https://vendor.example.test/Account/LogIn/?InsuranceAgreement")));

    UrlOpenerScope opener;
    EXPECT_TRUE(QVTolvaneInsuranceAgreementController().viewTerms());
    ASSERT_EQ(opener->opened.size(), 1);
    EXPECT_EQ(opener->opened.first(),
              QUrl(QStringLiteral("https://vendor.example.test/Account/LogIn/?InsuranceAgreement")));

    EXPECT_FALSE(QVExpressMailTerms::alwaysAgree());
    QVExpressMailTerms terms;
    EXPECT_EQ(terms.agree(false), 1);
    EXPECT_FALSE(QVExpressMailTerms::alwaysAgree());
    EXPECT_EQ(terms.agree(true), 1);
    EXPECT_TRUE(QVExpressMailTerms::alwaysAgree());
    UserDefaults::resetStandardUserDefaults();
}

TEST(TermsWindows, PrintTermsPrintsTheTermsTextThroughThePrintPanelsSettings)
{
    UserDefaults::resetStandardUserDefaults();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath(QStringLiteral("terms.pdf"));
    PrintInfo info;
    info.jobDisposition = PrintInfo::JobDisposition::Save;
    info.savePath = dir.filePath(QStringLiteral("stored.pdf"));
    QVPrinterSetupController::sharedController()->setPlainPaperPrintInfo(info);
    DialogsScope dialogs;
    QVExpressMailTerms terms;

    // A cancelled panel prints nothing.
    EXPECT_FALSE(terms.printTerms());
    ASSERT_EQ(dialogs->pageSetups.size(), 1);
    EXPECT_EQ(dialogs->pageSetups.first().savePath, info.savePath);
    EXPECT_FALSE(QFile::exists(info.savePath));

    // What the panel chose prints the terms.
    dialogs->onPageSetup = [&](const PrintInfo &shown, PageSetupAccessory *) {
        PrintInfo chosen = shown;
        chosen.savePath = pdf;
        return std::optional<PrintInfo>(chosen);
    };
    EXPECT_TRUE(terms.printTerms());
    ASSERT_TRUE(QFile::exists(pdf));
    QByteArray out;
    ASSERT_TRUE(runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}, &out)) << "pdftotext is needed";
    const QString printed = QString::fromUtf8(out).simplified();
    EXPECT_TRUE(printed.contains(QStringLiteral("Priority Mail Express"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("that you have read the published terms"))) << printed.toStdString();
    UserDefaults::resetStandardUserDefaults();
}

} // namespace
