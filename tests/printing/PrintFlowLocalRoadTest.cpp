// QVPrintFlow: the preflight checks, the balance, the choice of road, the
// local-indicium road and the actions after a printed piece, over a fake
// window, fake server clients and the fake mailing log.
#include "LabelPartsSupport.h"
#include "PrintFlowFakes.h"
#include "LabelTestSupport.h"
#include "PrintingTestSupport.h"
#include "PtyPair.h"
#include "WatchedMailingLog.h"

#include "RecordingAutomation.h"
#include "TestSupport.h"

#include "barcodes/indicia/QVBarcodeView.h"
#include "model/MailingLogServices.h"
#include "model/XMLConversion.h"
#include "platform/AutomationServices.h"
#include "printing/customs/QVPdfPages.h"
#include "printing/flow/QVPrintFlow.h"
#include "printing/flow/QVPrintFlowClients.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/setup/QVPrinterTypes.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVShipmentRHOExtras.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace tolvane;
using namespace tolvane::test;

namespace {

QByteArray pngOfSize(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return pngBytes(image);
}

class PrintFlowLocalRoadTest : public PrintFlowFakesTest
{
protected:
    void SetUp() override
    {
        PrintFlowFakesTest::SetUp();
        clients->formPage = pngOfSize(200, 100);
        pdfPath = dir.filePath(QStringLiteral("label.pdf"));
        flow.setPendingPrintInfoPropertiesForPDF(saveExtras(pdfPath));
    }

    // A First-Class letter without a package number: it carries a confirmation
    // number.
    std::shared_ptr<QVShipment> confirmedLetter()
    {
        auto letter = samplePriorityShipment();
        letter->setObject(QVUSPSFirstClassMail, QVUSPSShipmentRateClassKey);
        letter->setObject(QVUSPSLetterSize, QVUSPSShipmentSizeKey);
        letter->removeObjectForKey(QVUSPSShipmentPICKey);
        letter->removeObjectForKey(QVUSPSShipmentConfirmKey);
        letter->setTotalPrice(Decimal(49, -2));
        return letter;
    }

    QVLocalRoad road(const QString &labelType, bool test) const
    {
        QVLocalRoad road;
        road.labelType = labelType;
        road.test = test;
        return road;
    }

    QTemporaryDir dir;
    QString pdfPath;
    QVPrintFlow flow;
};

} // namespace

// ---- Preflight --------------------------------------------------------------------

TEST_F(PrintFlowLocalRoadTest, PreflightLimitsSizeAndAddressLines)
{
    struct Case {
        const char *name;
        std::function<void(QVShipment &)> edit;
        QString labelType;
        bool override2976A;
        bool passes;
    };
    const auto dimensions = [](int length, int width, int height) {
        return [=](QVShipment &s) {
            s.setObject(length, QVShipmentLengthMeasurementKey);
            s.setObject(width, QVShipmentWidthMeasurementKey);
            s.setObject(height, QVShipmentHeightMeasurementKey);
        };
    };
    const auto lines = [this](int count, const QString &formType) {
        return [=, this](QVShipment &s) {
            QStringList streets;
            for (int i = 1; i <= count - 2; ++i) // the name and country lines beside these
                streets << QStringLiteral("Line %1").arg(i);
            s = *abroadShipment(formType, streets);
        };
    };
    const auto longLine = [this](int length) {
        return [=, this](QVShipment &s) {
            s = *abroadShipment(QVUSPSShipment2976ACustomsFormType,
                                {QString(length, QLatin1Char('x')), QStringLiteral("75001 PARIS")});
        };
    };
    const QList<Case> cases{
        {"length plus girth 130 in", dimensions(5000, 2000, 2000), QVPlainPaperLabel, false, true},
        {"length plus girth 130.01 in", dimensions(5001, 2000, 2000), QVPlainPaperLabel, false, false},
        {"2976-A on Zebra, 5 lines", lines(5, QVUSPSShipment2976ACustomsFormType), QVEPL2Label, false, true},
        {"2976-A on Zebra, 6 lines", lines(6, QVUSPSShipment2976ACustomsFormType), QVEPL2Label, false, false},
        {"2976-A overridden, 7 lines", lines(7, QVUSPSShipment2976ACustomsFormType), QVEPL2Label, true, true},
        {"2976-A overridden, 8 lines", lines(8, QVUSPSShipment2976ACustomsFormType), QVEPL2Label, true, false},
        {"domestic without customs, long lines",
         [](QVShipment &s) {
             QVAddress to = s.toAddress();
             to.setStreet(QString(60, QLatin1Char('y')) + QStringLiteral("\nA\nB\nC\nD\nE\nF"));
             s.setObject(to.plist(), QVShipmentToAddressKey);
         },
         QVPlainPaperLabel, false, true},
        {"international line of 47", longLine(47), QVPlainPaperLabel, false, true},
        {"international line of 48", longLine(48), QVPlainPaperLabel, false, false},
        {"certified letter on plain paper",
         [this](QVShipment &s) {
             s = *confirmedLetter();
             s.setObject(QStringList{QVUSPSCertifiedMailService}, QVUSPSShipmentOptionalServicesKey);
         },
         QVPlainPaperLabel, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        window->shipment = samplePriorityShipment();
        window->shipment->setTotalPrice(Decimal(795, -2));
        c.edit(*window->shipment);
        defaults().setString(c.labelType == QVEPL2Label ? QVZebra2844Printer : QVPlainPaperPrinter,
                             QStringLiteral("printerType"));
        defaults().setString(c.labelType, QStringLiteral("printerLabel"));
        defaults().setBool(c.override2976A, QVOverride2976APrintInfoKey);
        dialogs->alerts.clear();
        flow.setCurrentShipmentIsGo(false);
        EXPECT_EQ(flow.preflightCurrentShipment(), c.passes);
        EXPECT_EQ(flow.currentShipmentIsGo(), c.passes);
        EXPECT_EQ(dialogs->alerts.isEmpty(), c.passes);
    }
}

TEST_F(PrintFlowLocalRoadTest, TheCountryLineIsNeverMeasured)
{
    window->shipment = abroadShipment(QVUSPSShipment2976ACustomsFormType,
                                      {QString(47, QLatin1Char('x')), QStringLiteral("75001 PARIS")});
    QVAddress to = window->shipment->toAddress();
    to.setCountry(QString(60, QLatin1Char('Z')));
    window->shipment->setObject(to.plist(), QVShipmentToAddressKey);
    ASSERT_TRUE(to.formattedAddress().endsWith(QString(60, QLatin1Char('Z'))));
    EXPECT_TRUE(flow.preflightCurrentAddress());
}

TEST_F(PrintFlowLocalRoadTest, PreflightAlertsSayWhyAndOfferTheirWayOut)
{
    struct Case {
        const char *name;
        std::function<void()> arrange;
        int answer;
        QString message;
        QString informativeStart;
        QStringList buttons;
        QStringList hostCalls;
        QStringList windowCalls;
    };
    const QList<Case> cases{
        {"package on 51204 stock",
         [this] {
             defaults().setString(QVKIVOTagwrightPrinter, QStringLiteral("printerType"));
             defaults().setString(QVKIVO51204Label, QStringLiteral("printerLabel"));
         },
         0,
         QStringLiteral("Incompatible labels."),
         QStringLiteral("You can only use Kivo 51207 or 8836105"),
         {QStringLiteral("OK"), QStringLiteral("Printer Setup")},
         {QStringLiteral("showPrinterSetup")},
         {}},
        {"Express without a phone",
         [this] {
             window->shipment->setObject(QVUSPSExpressMail, QVUSPSShipmentRateClassKey);
             QVariantMap from = window->shipment->fromAddress().plist();
             from.remove(QVAddressPhoneKey);
             window->shipment->setObject(from, QVShipmentFromAddressKey);
         },
         1,
         QStringLiteral("Priority Mail Express requires your phone number."),
         QStringLiteral("USPS regulations require your phone number"),
         {QStringLiteral("Edit Address"), QStringLiteral("Cancel")},
         {},
         {QStringLiteral("closeSheet"), QStringLiteral("runEditFromAddressSheet")}},
        {"too large",
         [this] {
             window->shipment->setObject(9000, QVShipmentLengthMeasurementKey);
             window->shipment->setObject(2000, QVShipmentWidthMeasurementKey);
             window->shipment->setObject(2000, QVShipmentHeightMeasurementKey);
         },
         0,
         QStringLiteral("Package too large."),
         QStringLiteral("The maximum length plus girth of a package mailed with the USPS is 130 inches."),
         {},
         {},
         {}},
        {"account not set up",
         [this] { clients->accountStatus = QStringLiteral("V"); },
         0,
         QStringLiteral("Your postage account has not been set up."),
         QStringLiteral("Your passphrase has not been changed from its initial setting"),
         {},
         {QStringLiteral("showTolvaneWizard")},
         {}},
        {"no printer",
         [this] { printers->queueList.clear(); },
         0,
         QStringLiteral("No printers installed."),
         QStringLiteral("You must have at least one printer installed"),
         {},
         {},
         {}},
        {"package information missing",
         [this] {
             // No ZIP: a price of zero is then no sign of an unpriced piece.
             QVariantMap to = window->shipment->objectForKey(QVShipmentToAddressKey).toMap();
             to.remove(QVAddressZIP5Key);
             window->shipment->setObject(to, QVShipmentToAddressKey);
             window->shipment->setTotalPrice(Decimal::zero());
         },
         0,
         QStringLiteral("Package information missing."),
         QStringLiteral("You must provide valid package information"),
         {},
         {},
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        window->shipment = samplePriorityShipment();
        window->shipment->setTotalPrice(Decimal(795, -2));
        window->calls.clear();
        host->calls.clear();
        clients->accountStatus = QStringLiteral("A");
        printers->queueList = {PrintQueue{QStringLiteral("office"), QStringLiteral("Office")}};
        defaults().setString(QVPlainPaperPrinter, QStringLiteral("printerType"));
        defaults().setString(QVPlainPaperLabel, QStringLiteral("printerLabel"));
        c.arrange();
        dialogs->alerts.clear();
        dialogs->answers = {c.answer};
        EXPECT_FALSE(flow.preflightCurrentShipment());
        EXPECT_FALSE(flow.currentShipmentIsGo());
        ASSERT_EQ(dialogs->alerts.size(), 1);
        EXPECT_EQ(dialogs->alerts.first().messageText, c.message);
        EXPECT_TRUE(dialogs->alerts.first().informativeText.startsWith(c.informativeStart))
            << dialogs->alerts.first().informativeText.toStdString();
        QStringList buttons;
        for (const AlertButton &button : dialogs->alerts.first().buttons)
            buttons << button.title;
        EXPECT_EQ(buttons, c.buttons);
        EXPECT_EQ(host->calls, c.hostCalls);
        EXPECT_EQ(window->calls, c.windowCalls);
    }

    // In automation, missing package information says nothing.
    dialogs->alerts.clear();
    host->automation = true;
    window->shipment->setTotalPrice(Decimal::zero());
    EXPECT_FALSE(flow.preflightCurrentShipment());
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(PrintFlowLocalRoadTest, ALineTooLongIsTheFailureReasonInAutomation)
{
    window->shipment = abroadShipment(QVUSPSShipment2976ACustomsFormType,
                                      {QString(48, QLatin1Char('x')), QStringLiteral("75001 PARIS")});
    host->automation = true;
    EXPECT_FALSE(flow.preflightCurrentAddress());
    EXPECT_EQ(automation->reason,
              QStringLiteral("Error - Your recipient address contains lines longer than 47 "
                             "characters. These extra characters will prevent your label from "
                             "printing."));
    host->automation = false;
    EXPECT_FALSE(flow.preflightCurrentAddress());
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Shipment address too long."));
    EXPECT_EQ(window->calls, QStringList{QStringLiteral("focusDestinationAddress")});
}

// ---- Balance --------------------------------------------------------------------------

TEST_F(PrintFlowLocalRoadTest, TheBalanceMustCoverTheTotal)
{
    struct Case {
        const char *name;
        std::optional<Decimal> balance;
        std::optional<Decimal> afterRefresh;
        bool automation;
        QList<int> answers;
        bool printed;
        int alerts;
        QString reason;
    };
    const QList<Case> cases{
        {"equal", Decimal(795, -2), std::nullopt, false, {}, true, 0, QString()},
        {"a cent short, cancelled", Decimal(794, -2), std::nullopt, false, {0}, false, 1, QString()},
        {"a cent short, in automation",
         Decimal(794, -2),
         std::nullopt,
         true,
         {},
         false,
         0,
         QStringLiteral("Error - Insufficient funds")},
        {"a cent short, postage bought", Decimal(794, -2), std::nullopt, false, {1}, true, 1, QString()},
        {"no status, refreshed", std::nullopt, Decimal(10), false, {}, true, 0, QString()},
        {"no status at all",
         std::nullopt,
         std::nullopt,
         true,
         {},
         false,
         0,
         QStringLiteral("Error -12 - Your postage balance could not be read from the postage server. The server is "
                        "not answering.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        clients->requests.clear();
        clients->balance = c.balance;
        clients->balanceAfterRefresh = c.afterRefresh;
        host->automation = c.automation;
        host->onBuyPostage = [this] { clients->balance = Decimal(50); };
        automation->reason.clear();
        dialogs->alerts.clear();
        dialogs->answers = c.answers;
        log->log.records.clear();
        flow.setLastShipmentErrored(false);
        QFile::remove(pdfPath);
        EXPECT_EQ(flow.printLabelAsATest(false), c.printed);
        EXPECT_EQ(flow.lastShipmentErrored(), !c.printed);
        EXPECT_EQ(dialogs->alerts.size(), c.alerts);
        if (c.alerts) {
            EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Insufficient funds"));
            EXPECT_EQ(dialogs->alerts.first().buttons.first().title, QStringLiteral("Buy Postage"));
        }
        EXPECT_EQ(automation->reason, c.reason);
        EXPECT_EQ(clients->requests.contains(QStringLiteral("indicium")), c.printed);
        EXPECT_EQ(log->log.records.size(), c.printed ? 1 : 0);
        EXPECT_EQ(QFileInfo::exists(pdfPath), c.printed);
    }
}

TEST_F(PrintFlowLocalRoadTest, APieceWithoutAPriceBuysNothingAndSaysThePriceIsNotKnown)
{
    struct Case {
        const char *name;
        std::optional<Decimal> total;
        std::optional<Decimal> postage; // the tables' postage; none when not priced at all
        bool automation;
    };
    const QList<Case> cases{
        {"a total of zero", Decimal::zero(), std::nullopt, false},
        {"a total that is not a number", Decimal::notANumber(), std::nullopt, false},
        {"a postage of zero with fees", Decimal(285, -2), Decimal::zero(), false},
        {"a total of zero, in automation", Decimal::zero(), Decimal::zero(), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        clients->requests.clear();
        clients->balance = Decimal(100);
        host->automation = c.automation;
        automation->reason.clear();
        dialogs->alerts.clear();
        log->log.records.clear();
        flow.setLastShipmentErrored(false);
        QFile::remove(pdfPath);
        window->shipment->setTotalPrice(*c.total);
        if (c.postage)
            window->shipment->setObject(QVariant::fromValue(*c.postage), QVUSPSShipmentPostageKey, false);
        else
            window->shipment->removeObjectForKey(QVUSPSShipmentPostageKey);
        EXPECT_FALSE(flow.printLabelAsATest(false));
        EXPECT_TRUE(flow.lastShipmentErrored());
        EXPECT_FALSE(clients->requests.contains(QStringLiteral("indicium")));
        EXPECT_TRUE(log->log.records.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(pdfPath));
        EXPECT_TRUE(host->calls.isEmpty()) << "no buy-postage panel for a piece without a price";
        if (c.automation) {
            EXPECT_TRUE(dialogs->alerts.isEmpty());
            EXPECT_TRUE(automation->reason.contains(QStringLiteral("postage of this piece is not known")))
                << automation->reason.toStdString();
        } else {
            ASSERT_EQ(dialogs->alerts.size(), 1);
            EXPECT_TRUE(
                dialogs->alerts.first().informativeText.contains(QStringLiteral("postage of this piece is not known")));
        }
    }
    // A price the tables give prints.
    window->shipment->setTotalPrice(Decimal(795, -2));
    window->shipment->setObject(QVariant::fromValue(Decimal(795, -2)), QVUSPSShipmentPostageKey, false);
    host->automation = false;
    dialogs->alerts.clear();
    EXPECT_TRUE(flow.printLabelAsATest(false));
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    // A piece whose address is not complete is still missing its package
    // information, whatever its price.
    QVariantMap partial = window->shipment->objectForKey(QVShipmentToAddressKey).toMap();
    partial.remove(QVAddressZIP5Key);
    window->shipment->setObject(partial, QVShipmentToAddressKey);
    window->shipment->setTotalPrice(Decimal::zero());
    EXPECT_FALSE(flow.printLabelAsATest(false));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Package information missing."));
}

// ---- Road ----------------------------------------------------------------------------------

TEST_F(PrintFlowLocalRoadTest, TheRoadFollowsTheMailClassAndServices)
{
    auto certifiedLetter = confirmedLetter();
    certifiedLetter->setObject(QStringList{QVUSPSCertifiedMailService}, QVUSPSShipmentOptionalServicesKey);
    auto certifiedFlat = certifiedLetter->copy();
    certifiedFlat->setObject(QVUSPSLargeEnvelopeSize, QVUSPSShipmentSizeKey);
    auto holdForPickup = samplePriorityShipment();
    holdForPickup->setObject(QStringList{QVUSPSHoldForPickupService}, QVUSPSShipmentOptionalServicesKey);
    auto express = samplePriorityShipment();
    express->setObject(QVUSPSExpressMail, QVUSPSShipmentRateClassKey);
    struct Case {
        const char *name;
        std::shared_ptr<QVShipment> shipment;
        bool usePostage;
        bool briskoOne;
        bool local;
    };
    const QList<Case> cases{
        {"certified letter", certifiedLetter, true, false, true},
        {"certified flat", certifiedFlat, true, false, false},
        {"hold for pickup", holdForPickup, true, false, false},
        {"express", express, true, false, false},
        {"priority package", samplePriorityShipment(), true, false, true},
        {"partner may ship it", samplePriorityShipment(), true, true, false},
        {"international form", abroadShipment(QVUSPSShipment2976APMICustomsFormType), true, false, false},
        {"GEM form", abroadShipment(QVUSPSShipmentGEMCustomsFormType), true, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QVPrintFlow::takesLocalRoad(*c.shipment, c.usePostage, c.briskoOne), c.local);
    }
    defaults().setBool(true, QVUseVLSForEverythingDomesticKey);
    EXPECT_FALSE(QVPrintFlow::takesLocalRoad(*certifiedLetter, true, false));

    const QVariantMap pdf = saveExtras(pdfPath);
    EXPECT_EQ(QVPrintFlow::labelTypeForOutput(QVEPL2Label, pdf), QVPlainPaperLabel);
    EXPECT_EQ(QVPrintFlow::labelTypeForOutput(QVZPLIILabel, pdf), QVPlainPaperLabel);
    EXPECT_EQ(QVPrintFlow::labelTypeForOutput(QVEPL2Label, {}), QVEPL2Label);
    EXPECT_EQ(QVPrintFlow::labelTypeForOutput(QVKIVO51207Label, pdf), QVKIVO51207Label);
}

// ---- The local road ----------------------------------------------------------------------

TEST_F(PrintFlowLocalRoadTest, NumbersOfLettersFollowTheStockAndTheSource)
{
    struct Case {
        const char *name;
        QString labelType;
        bool fromLabelServer;
        std::optional<QString> confirm;
        QByteArray labelServerReply;
        QStringList requests;
        QString confirmKey; // empty: none stored
    };
    const QString twentyTwo = QStringLiteral("9400100000000000000017");
    const QList<Case> cases{
        {"72019 stock", QVKIVO72019Label, false, twentyTwo, {}, {QStringLiteral("indicium")}, QString()},
        {"label-number service",
         QVPlainPaperLabel,
         false,
         twentyTwo,
         {},
         {QStringLiteral("confirmNumber"), QStringLiteral("indicium")},
         twentyTwo.left(20)},
        {"label server, long number",
         QVPlainPaperLabel,
         true,
         std::nullopt,
         "<R><Status>0</Status><TrackingNumber>9400100000000000000017</TrackingNumber></R>",
         {QStringLiteral("labelServerNumber"), QStringLiteral("indicium")},
         twentyTwo.left(20)},
        {"label server, short number",
         QVPlainPaperLabel,
         true,
         std::nullopt,
         "<R><Status>0</Status><TrackingNumber>9400100000000000001</TrackingNumber></R>",
         {QStringLiteral("labelServerNumber"), QStringLiteral("indicium")},
         QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        clients->requests.clear();
        clients->confirm = c.confirm;
        clients->labelServerReply = c.labelServerReply;
        const bool kivo = c.labelType != QVPlainPaperLabel;
        defaults().setString(kivo ? QVKIVOTagwrightPrinter : QVPlainPaperPrinter, QStringLiteral("printerType"));
        defaults().setString(c.labelType, QStringLiteral("printerLabel"));
        QVLocalRoad r = road(c.labelType, false);
        r.numbersFromLabelServer = c.fromLabelServer;
        auto letter = confirmedLetter();
        ASSERT_TRUE(flow.printLocalIndicium(letter, r));
        EXPECT_EQ(clients->requests, c.requests);
        EXPECT_EQ(shipmentText(*letter, QVUSPSShipmentConfirmKey), c.confirmKey);
        EXPECT_FALSE(letter->objectForKey(QVUSPSShipmentPICKey).isValid());
    }
}

TEST_F(PrintFlowLocalRoadTest, CustomsFormsPrintTheirPagesAndInstructionsOnlyWhenAsked)
{
    struct Case {
        QString formType;
        bool instructions;
        QStringList requests;
        int pages; // customs form pages printed; 0: none
    };
    const QList<Case> cases{
        {QVUSPSShipmentGEMCustomsFormType, true, {QStringLiteral("indicium")}, 0},
        {QVUSPSShipment2976ACustomsFormType, false, {QStringLiteral("cp72"), QStringLiteral("indicium")}, 2},
        {QVUSPSShipment2976ACustomsFormType, true, {QStringLiteral("cp72"), QStringLiteral("indicium")}, 3},
        {QVUSPSShipment2976CustomsFormType, false, {QStringLiteral("cn22"), QStringLiteral("indicium")}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.formType + (c.instructions ? " with" : " without") + " instructions").toStdString());
        clients->requests.clear();
        printers->jobs.clear();
        defaults().setBool(c.instructions, QVPrintCustomsInstructionsKey);
        auto shipment = abroadShipment(c.formType);
        ASSERT_TRUE(flow.printLocalIndicium(shipment, road(QVPlainPaperLabel, false)));
        EXPECT_EQ(clients->requests, c.requests);
        ASSERT_EQ(printers->jobs.size(), c.pages ? 1 : 0);
        if (c.pages) {
            EXPECT_EQ(shipmentText(*shipment, QVUSPSShipmentCustomsBarcodeNumberKey), QStringLiteral("CP123456789US"));
            const auto pdf = QVPdfPages::fromData(printers->jobs.first().document);
            ASSERT_TRUE(pdf);
            EXPECT_EQ(pdf->pageCount(), c.pages);
        }
    }
}

TEST_F(PrintFlowLocalRoadTest, ATestPrintAsksNoServerAndChangesNothing)
{
    window->shipment = confirmedLetter();
    const QVariantMap before = window->shipment->dictionary();
    ASSERT_TRUE(flow.printLabelAsATest(true))
        << (dialogs->alerts.isEmpty() ? std::string() : dialogs->alerts.first().informativeText.toStdString());
    EXPECT_TRUE(clients->requests.isEmpty());
    EXPECT_TRUE(log->log.records.isEmpty());
    EXPECT_TRUE(host->calls.isEmpty()); // no balance refresh
    EXPECT_TRUE(window->calls.isEmpty());
    EXPECT_EQ(window->shipment->dictionary(), before);
    ASSERT_TRUE(flow.lastPrintCopy());
    EXPECT_EQ(shipmentText(*flow.lastPrintCopy(), QVUSPSShipmentConfirmKey), QVSampleConfirmNumber);
    EXPECT_TRUE(QFileInfo::exists(pdfPath));
    EXPECT_FALSE(flow.lastShipmentErrored());
}

TEST_F(PrintFlowLocalRoadTest, ThePaidPieceIsLoggedBeforeItsIndiciumIsDrawn)
{
    // An indicium no PDF417 symbol can hold: bought, logged, then not drawn.
    clients->indicium = QByteArray(4000, 'x');
    QStringList order;
    clients->onIndicium = [&] { order << QStringLiteral("bought"); };
    log->onWrite = [&](const QVShipment &) { order << QStringLiteral("logged"); };
    auto shipment = samplePriorityShipment();
    shipment->setTotalPrice(Decimal(795, -2));
    EXPECT_FALSE(flow.printLocalIndicium(shipment, road(QVPlainPaperLabel, false)));
    EXPECT_EQ(order, (QStringList{QStringLiteral("bought"), QStringLiteral("logged")}));
    EXPECT_TRUE(flow.lastShipmentErrored());
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_TRUE(dialogs->alerts.first().informativeText.contains(QStringLiteral("the piece logged")));
    EXPECT_FALSE(QFileInfo::exists(pdfPath));

    // A refused purchase logs nothing.
    clients->refuseIndicium = true;
    log->log.records.clear();
    EXPECT_FALSE(flow.printLocalIndicium(samplePriorityShipment(), road(QVPlainPaperLabel, false)));
    EXPECT_TRUE(log->log.records.isEmpty());
    EXPECT_TRUE(dialogs->alerts.last().informativeText.endsWith(QStringLiteral("Error -12\n\nThe server is not "
                                                                               "answering.")));

    // A refusal whose code has no known text is said all the same.
    clients->error = {QStringLiteral("101"), QString()};
    const qsizetype shown = dialogs->alerts.size();
    EXPECT_FALSE(flow.printLocalIndicium(samplePriorityShipment(), road(QVPlainPaperLabel, false)));
    ASSERT_EQ(dialogs->alerts.size(), shown + 1);
    EXPECT_TRUE(dialogs->alerts.last().informativeText.contains(QStringLiteral("Error 101")));
    EXPECT_TRUE(log->log.records.isEmpty());

    // An empty reply leaves the client no error to give: the failure is said
    // all the same, never taken for the user's cancel.
    clients->error = {};
    EXPECT_FALSE(flow.printLocalIndicium(samplePriorityShipment(), road(QVPlainPaperLabel, false)));
    ASSERT_EQ(dialogs->alerts.size(), shown + 2);
    EXPECT_TRUE(dialogs->alerts.last().informativeText.endsWith(QStringLiteral("The server sent no usable reply.")))
        << dialogs->alerts.last().informativeText.toStdString();
    EXPECT_TRUE(log->log.records.isEmpty());
}

TEST_F(PrintFlowLocalRoadTest, ALabelTypeWithoutLayoutIsAnErrorAndSkipsTheAfterPrintActions)
{
    defaults().setString(QStringLiteral("QVUnknownLabel"), QStringLiteral("printerLabel"));
    flow.setCurrentShipmentIsGo(true);
    automation->callbacks.clear();
    flow.setPendingCallbackURL(QUrl(QStringLiteral("http://127.0.0.1:9/done")));
    EXPECT_FALSE(flow.printLabelAsATest(false));
    EXPECT_TRUE(flow.lastShipmentErrored());
    EXPECT_TRUE(clients->requests.isEmpty());
    EXPECT_TRUE(automation->callbacks.isEmpty());
    EXPECT_TRUE(window->calls.isEmpty());
    EXPECT_EQ(dialogs->alerts.size(), 1);
}

// ---- After printing ----------------------------------------------------------------------

TEST_F(PrintFlowLocalRoadTest, TheCallbackCarriesThePackageInItsOrder)
{
    auto copy = samplePriorityShipment();
    copy->setObject(QStringLiteral("8.95"), QVShipmentPriceKey);
    copy->setObject(QStringLiteral("77"), QVUSPSShipmentRHOPieceCountKey);
    copy->setObject(QDateTime(QDate(2014, 3, 5), QTime(14, 7, 9)), QVShipmentPrintDateKey);
    copy->setObject(QDateTime(QDate(2014, 3, 6), QTime(9, 0)), QVShipmentShipDateKey);
    copy->setObject(QStringLiteral("INV-1"), QVShipmentInvoiceNumberKey);
    copy->setObject(QVUSPSShipmentTolvaneInsuranceType, QVUSPSShipmentInsuranceTypeKey);
    copy->setObject(QStringLiteral("1.65"), QVUSPSShipmentInsurancePriceKey);
    copy->setObject(QStringLiteral("Fragile"), QStringLiteral("RubberStamp2"));
    const QString xml = QVPrintFlow::callbackPackageXML(*copy, QStringLiteral("grace@example.com"));
    QStringList names;
    QXmlStreamReader reader(xml);
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && ++depth == 2)
            names << reader.name().toString();
        else if (reader.isEndElement())
            --depth;
    }
    ASSERT_FALSE(reader.hasError());
    EXPECT_EQ(names,
              (QStringList{"Status", "PIC", "FinalPostage", "TransactionID", "TransactionDateTime", "PostmarkDate",
                           "ReferenceID", "Description", "WeightOz", "Zone", "InsuranceFee", "RubberStamp2", "ToEMail",
                           "ToAddress", "ToName"}));

    window->email = QStringLiteral("grace@example.com");
    flow.setPendingCallbackURL(QUrl(QStringLiteral("http://127.0.0.1:9/done")));
    flow.afterPrint(*copy, false, true);
    ASSERT_EQ(automation->callbacks.size(), 1);
    const QVariantMap pairs = automation->callbacks.first().pairs;
    EXPECT_EQ(automation->callbacks.first().url, QStringLiteral("http://127.0.0.1:9/done"));
    EXPECT_EQ(automation->callbacks.first().method, QStringLiteral("GET"));
    EXPECT_EQ(pairs.value(QStringLiteral("Status")).toString(), QStringLiteral("Success"));
    EXPECT_EQ(pairs.value(QStringLiteral("PIC")).toString(), QStringLiteral("9205590100130471010801"));
    EXPECT_EQ(pairs.value(QStringLiteral("FinalPostage")).toString(), QStringLiteral("8.95"));
    EXPECT_EQ(pairs.value(QStringLiteral("TransactionID")).toString(), QStringLiteral("77"));
    EXPECT_EQ(pairs.value(QStringLiteral("TransactionDateTime")).toString(), QStringLiteral("20140305140709"));
    EXPECT_EQ(pairs.value(QStringLiteral("PostmarkDate")).toString(), QStringLiteral("20140306"));
    EXPECT_EQ(pairs.value(QStringLiteral("InsuranceFee")).toString(), QStringLiteral("1.65"));
    EXPECT_EQ(pairs.value(QStringLiteral("ToName")).toString(), QStringLiteral("Grace Receiver"));
    EXPECT_FALSE(flow.pendingCallbackURL());
    EXPECT_EQ(host->calls, QStringList{QStringLiteral("refreshTolvaneStatus")});
}

namespace {
class RecordingWebStore final : public QVPrintingWebStoreServices
{
public:
    QStringList calls;
    void completeSales(const QString &store, const QStringList &orders, const QString &number) override
    {
        calls << QStringLiteral("complete %1 %2 %3").arg(store, orders.join(QLatin1Char(',')), number);
    }
    void removeOrderWithId(const QString &order) override { calls << QStringLiteral("remove ") + order; }
};
} // namespace

TEST_F(PrintFlowLocalRoadTest, WebStoreOrdersAreCompletedRemovedAndTheFormCleared)
{
    auto webStore = std::make_shared<RecordingWebStore>();
    setPrintingWebStoreServices(webStore);
    auto copy = samplePriorityShipment();
    copy->setObject(QStringList{QStringLiteral("A-1"), QStringLiteral("A-2")},
                    QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey);
    copy->setObject(QStringLiteral("store-9"), QVUSPSShipmentRHOWebStoreIdKey);
    defaults().setBool(true, QVClearDimensionsAfterPrintKey);
    flow.setCurrentShipmentIsGo(true);
    flow.afterPrint(*copy, false, true);
    setPrintingWebStoreServices(nullptr);
    EXPECT_EQ(webStore->calls,
              (QStringList{QStringLiteral("complete store-9 A-1,A-2 9205590100130471010801"),
                           QStringLiteral("remove A-1"), QStringLiteral("remove A-2")}));
    EXPECT_EQ(window->calls,
              (QStringList{QStringLiteral("setCurrentPICCode 9205590100130471010801"),
                           QStringLiteral("remove ") + QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey,
                           QStringLiteral("remove ") + QVUSPSShipmentRHOWebStoreIdKey,
                           QStringLiteral("remove ") + QVUSPSShipmentRHOWebStoreNameKey,
                           QStringLiteral("setShipmentDefaults"), QStringLiteral("showMasterWindow"),
                           QStringLiteral("newPackage focus=1"), QStringLiteral("clearAllFields"),
                           QStringLiteral("set ") + QVShipmentRectangularKey,
                           QStringLiteral("set ") + QVUSPSShipmentMachinableKey}));
    EXPECT_FALSE(flow.currentShipmentIsGo());
    EXPECT_TRUE(clients->requests.isEmpty());
}

TEST_F(PrintFlowLocalRoadTest, APieceWithoutPostageIsReportedAndTheTestPrintOnlyClearsTheError)
{
    auto copy = samplePriorityShipment();
    flow.setLastShipmentErrored(true);
    flow.afterPrint(*copy, true, true);
    EXPECT_FALSE(flow.lastShipmentErrored());
    EXPECT_TRUE(window->calls.isEmpty());

    flow.afterPrint(*copy, false, false);
    EXPECT_EQ(clients->requests, QStringList{QStringLiteral("receipt")});
    EXPECT_TRUE(host->calls.isEmpty()); // no balance refresh without postage
}

TEST_F(PrintFlowLocalRoadTest, AZebraLabelIsLoggedBeforeItsStreamGoesOut)
{
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    setSerialPortList(nullptr);
    defaults().setBool(true, QStringLiteral("zebraUseSerial"));
    defaults().setString(pty.slavePath(), QStringLiteral("zebraSerialPath"));
    flow.setPendingPrintInfoPropertiesForPDF({});
    bool loggedFirst = false;
    log->onWrite = [&](const QVShipment &) { loggedFirst = pty.read(50).isEmpty(); };
    auto shipment = samplePriorityShipment();
    shipment->setTotalPrice(Decimal(795, -2));
    ASSERT_TRUE(flow.printLocalIndicium(shipment, road(QVEPL2Label, false)));
    EXPECT_TRUE(loggedFirst);
    EXPECT_TRUE(pty.read(400).contains("P1"));
    EXPECT_EQ(clients->requests, (QStringList{QStringLiteral("domesticNumber"), QStringLiteral("indicium")}));
    ASSERT_EQ(log->log.records.size(), 1);
    EXPECT_EQ(log->log.records.first().value(QVUSPSShipmentRHOPieceCountKey).toString(), QStringLiteral("77"));
}

TEST_F(PrintFlowLocalRoadTest, ThePostPrintProgramRunsAndAFailureIsShown)
{
    struct Case {
        const char *name;
        QByteArray script; // empty: no such file
        bool automationOnly;
        QString alert; // empty: none
    };
    const QList<Case> cases{
        {"succeeds", "#!/bin/sh\nexit 0\n", false, QString()},
        {"fails", "#!/bin/sh\necho broken pipe\nexit 3\n", false, QStringLiteral("The post-print script failed.")},
        {"missing", QByteArray(), false, QStringLiteral("The post-print script could not be loaded.")},
        {"for automation only", "#!/bin/sh\nexit 3\n", true, QString()},
    };
    defaults().setBool(true, QVUseScriptPostProcessKey);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("post-%1.sh").arg(c.name));
        if (!c.script.isEmpty()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.script);
            file.close();
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        defaults().setString(path, QVScriptPostProcessKey);
        defaults().setBool(c.automationOnly, QVPostProcessScriptAutomationOnlyKey);
        dialogs->alerts.clear();
        flow.afterPrint(*samplePriorityShipment(), false, true);
        if (c.alert.isEmpty()) {
            EXPECT_TRUE(dialogs->alerts.isEmpty());
        } else {
            ASSERT_EQ(dialogs->alerts.size(), 1);
            EXPECT_EQ(dialogs->alerts.first().messageText, c.alert);
            EXPECT_TRUE(dialogs->alerts.first().informativeText.contains(path));
        }
    }
}
