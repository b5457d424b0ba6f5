// The stand-in label server and partner label service of make run
// (tools/standins), driven by the program's own label-server clients with
// the stand-ins' settings: labels priced and charged to the account as a
// piece with a tracking number, their images decoded by ZXingReader and
// dmtxread, number-only and test labels charged nothing, refunds by piece
// and by number credited once, the account codes and the refusals, the
// partner's own account, and the control road's failures.
#include "model/QVShipment.h"
#include "platform/Decimal.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/LabelServerXML.h"
#include "services/QVBRKLabelServerCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "rates/QVShipmentUSPS.h"
#include "services/QVShipmentVLS.h"

#include "../services/LabelServerTestSupport.h"
#include "BarcodeTools.h"
#include "LocalHttpServer.h"
#include "StandInFixture.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class StandInLabelServerTest : public StandInFixture
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StandInFixture::SetUp());
        labels = QVRHOLabelServerCommandCenter::commandCenter();
        labels->setRequestTimeoutMilliseconds(10000);
        partner = QVBRKLabelServerCommandCenter::commandCenter();
        partner->setRequestTimeoutMilliseconds(10000);
    }

    static QByteArray demoNumber() { return StandInServers::demoAccountNumber().toLatin1(); }

    // A domestic Priority Mail piece of the size (postage on).
    static QVShipment piece(const QString &rateClass, const QString &size)
    {
        QVariantMap values = domesticShipmentDictionary();
        values.insert(QStringLiteral("QVUSPSShipmentRateClassKey"), rateClass);
        values.insert(QStringLiteral("QVUSPSShipmentSizeKey"), size);
        return QVShipment(values);
    }
    static QVShipment mediumBox() { return piece(QVUSPSPriorityMailFlatBoxRate, QVUSPSFlatRateBoxSize); }

    static QString text(const QVXMLDocument &reply, const QString &xpath)
    {
        return qv_stringForAnyPrefixXPath(reply, xpath);
    }

    int control(const QString &pathAndQuery)
    {
        HttpRequest request;
        request.url = QUrl(servers.frontBaseUrl() + pathAndQuery);
        request.method = "POST";
        request.timeoutMilliseconds = 10000;
        const std::optional<HttpResponse> reply = sendHttpRequest(request);
        return reply ? reply->statusCode : -1;
    }

    std::shared_ptr<QVRHOLabelServerCommandCenter> labels;
    std::shared_ptr<QVBRKLabelServerCommandCenter> partner;
};

TEST_F(StandInLabelServerTest, ALabelIsChargedAsAPieceWithATrackingNumberAndCopiesIntoTheShipment)
{
    const qint64 before = demo().descendingRegister;
    QVShipment shipment = mediumBox();
    const auto reply =
        labels->labelForShipment(shipment, false, {{QVLabelTypeAttributeKey, QStringLiteral("QVPlainPaperLabel")}});
    ASSERT_TRUE(reply) << labels->lastErrorDescription().toStdString();
    ASSERT_EQ(text(*reply, QStringLiteral("//*:Status")), QStringLiteral("0"))
        << text(*reply, QStringLiteral("//*:ErrorMessage")).toStdString();

    // The Medium Flat Rate Box at its retail price of 7 September 2014.
    EXPECT_EQ(VLSPriceFromReply(*reply), *Decimal::parse(QStringLiteral("12.65")));
    const StandInVendor::Account account = demo();
    EXPECT_EQ(account.descendingRegister, before - 12650);
    EXPECT_EQ(account.ascendingRegister, 12650);
    EXPECT_EQ(account.controlRegister(), before);
    ASSERT_EQ(account.pieces.size(), 1);
    const StandInVendor::Piece stored = account.pieces.first();
    EXPECT_EQ(stored.amountMils, 12650);
    EXPECT_EQ(stored.toZip5, QByteArray("97201"));

    takeValuesFromVLSLabelResponse(shipment, *reply);
    const QString pic = shipment.objectForKey(QStringLiteral("QVUSPSShipmentPICKey")).toString();
    EXPECT_EQ(pic.toLatin1(), stored.trackingNumber);
    EXPECT_EQ(pic.size(), 22);
    EXPECT_EQ(shipment.objectForKey(QStringLiteral("QVUSPSShipmentBarcodeNumberKey")).toString(),
              QStringLiteral("42097201") + pic);
    EXPECT_EQ(shipment.objectForKey(QStringLiteral("QVUSPSShipmentRHOPieceCountKey")).toString(),
              QString::number(stored.number));
    EXPECT_EQ(shipment.totalPrice(), *Decimal::parse(QStringLiteral("12.65")));
    EXPECT_EQ(*Decimal::parse(text(*reply, QStringLiteral("//*:PostageBalance"))),
              Decimal::fromMils(account.descendingRegister));
    EXPECT_EQ(shipment.objectForKey(QStringLiteral("QVUSPSShipmentRHOBalanceKey")).toString(),
              QLatin1Char('$') + text(*reply, QStringLiteral("//*:PostageBalance")));

    // The label: the tracking barcode and the test indicium decode.
    if (!haveProgram(QStringLiteral("ZXingReader")) || !haveProgram(QStringLiteral("dmtxread")))
        GTEST_SKIP() << "ZXingReader or dmtxread is missing";
    QTemporaryDir folder;
    const QString png = folder.filePath(QStringLiteral("label.png"));
    QFile file(png);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromBase64(text(*reply, QStringLiteral("//*:Base64LabelImage")).toLatin1()));
    file.close();
    QByteArray out;
    QString error;
    ASSERT_TRUE(runTool(QStringLiteral("ZXingReader"), {png}, &out, &error)) << error.toStdString();
    EXPECT_TRUE(out.contains("42097201" + stored.trackingNumber)) << out.toStdString();
    ASSERT_TRUE(runTool(QStringLiteral("dmtxread"), {QStringLiteral("-N1"), png}, &out, &error)) << error.toStdString();
    EXPECT_EQ(out, stored.indicium);
    EXPECT_TRUE(out.startsWith("TOLVANE DEMO TEST INDICIUM - NOT POSTAGE"));
}

TEST_F(StandInLabelServerTest, NumberOnlyTestAndPostageFreeLabelsChargeNothing)
{
    const struct {
        const char *what;
        bool test;
        QVariantMap attributes;
        bool postage;
        bool image;
    } cases[] = {
        {"number only", false, {{QVNumberOnlyAttributeKey, true}}, true, false},
        {"test label", true, {{QVLabelTypeAttributeKey, QStringLiteral("QVPlainPaperLabel")}}, true, true},
        {"preview", true, {{QVPreviewLabelAttributeKey, true}}, true, true},
        {"label without postage", false, {{QVLabelTypeAttributeKey, QStringLiteral("QVEPL2Label")}}, false, true},
    };
    const qint64 before = demo().descendingRegister;
    QStringList numbers;
    for (const auto &c : cases) {
        QVShipment shipment = mediumBox();
        shipment.setObject(c.postage, QStringLiteral("QVUSPSShipmentPostageEnabledKey"));
        const auto reply = labels->labelForShipment(shipment, c.test, c.attributes);
        ASSERT_TRUE(reply) << c.what;
        EXPECT_EQ(text(*reply, QStringLiteral("//*:Status")), QStringLiteral("0")) << c.what;
        EXPECT_EQ(text(*reply, QStringLiteral("//*:Base64LabelImage")).isEmpty(), !c.image) << c.what;
        EXPECT_TRUE(text(*reply, QStringLiteral("//*:Indicium")).isEmpty()) << c.what;
        numbers << text(*reply, QStringLiteral("//*:TrackingNumber"));
    }
    EXPECT_EQ(demo().descendingRegister, before);
    EXPECT_TRUE(demo().pieces.isEmpty());
    numbers.removeDuplicates();
    EXPECT_EQ(numbers.size(), 4) << "every label has a tracking number of its own";
}

TEST_F(StandInLabelServerTest, RefusalsCarryTheirStatusAndChargeNothing)
{
    const qint64 before = demo().descendingRegister;
    struct Case {
        const char *what;
        std::function<void()> arrange;
        QVShipment shipment;
        QString status;
    };
    const QList<Case> cases{
        {"a piece without a known price", [] {}, piece(QVUSPSPriorityMail, QVUSPSRegularSize), QStringLiteral("-1")},
        {"too small a balance",
         [this] { ASSERT_EQ(control(QStringLiteral("/standins/control/account?number=7000001&balance=5000")), 200); },
         mediumBox(), QStringLiteral("-1")},
        {"a wrong pass phrase",
         [this] { postage->setUseridAndPassword(StandInServers::demoAccountNumber(), QStringLiteral("not it")); },
         mediumBox(), QStringLiteral("507")},
        {"an unknown account",
         [this] { postage->setUseridAndPassword(QStringLiteral("7999999"), StandInServers::demoPassPhrase()); },
         mediumBox(), QStringLiteral("101")},
    };
    for (const Case &c : cases) {
        c.arrange();
        const auto reply = labels->labelForShipment(c.shipment, false, {});
        ASSERT_TRUE(reply) << c.what;
        EXPECT_EQ(text(*reply, QStringLiteral("//*:Status")), c.status) << c.what;
        EXPECT_FALSE(text(*reply, QStringLiteral("//*:ErrorMessage")).isEmpty()) << c.what;
        EXPECT_TRUE(text(*reply, QStringLiteral("//*:TrackingNumber")).isEmpty()) << c.what;
        EXPECT_TRUE(text(*reply, QStringLiteral("//*:Base64LabelImage")).isEmpty()) << c.what;
    }
    EXPECT_TRUE(demo().pieces.isEmpty());
    EXPECT_EQ(demo().ascendingRegister, 0);
    EXPECT_NE(before, 5000);
}

TEST_F(StandInLabelServerTest, RefundsCreditAPieceOnceByNumberOrByTrackingNumber)
{
    const qint64 before = demo().descendingRegister;
    QStringList tracking;
    for (int i = 0; i < 2; ++i) {
        const auto reply = labels->labelForShipment(mediumBox(), false, {});
        ASSERT_TRUE(reply);
        ASSERT_EQ(text(*reply, QStringLiteral("//*:Status")), QStringLiteral("0"));
        tracking << text(*reply, QStringLiteral("//*:TrackingNumber"));
    }
    ASSERT_EQ(demo().descendingRegister, before - 2 * 12650);

    const auto first = labels->electronicRefundPieceCount(1);
    ASSERT_TRUE(first);
    EXPECT_EQ(text(*first, QStringLiteral("//*:RefundStatus")), QStringLiteral("APPROVED"));
    const auto again = labels->electronicRefundPieceCount(1);
    ASSERT_TRUE(again);
    EXPECT_EQ(text(*again, QStringLiteral("//*:RefundStatus")), QStringLiteral("DENIED"));
    EXPECT_FALSE(text(*again, QStringLiteral("//*:RefundStatusMessage")).isEmpty());
    const auto unknown = labels->electronicRefundPieceCount(99);
    ASSERT_TRUE(unknown);
    EXPECT_EQ(text(*unknown, QStringLiteral("//*:RefundStatus")), QStringLiteral("DENIED"));

    const auto byNumber = labels->electronicRefundTrackingNumber(tracking[1]);
    ASSERT_TRUE(byNumber) << labels->lastErrorDescription().toStdString();
    EXPECT_EQ(text(*byNumber, QStringLiteral("//*:IsApproved")), QStringLiteral("YES"));
    const auto byNumberAgain = labels->electronicRefundTrackingNumber(tracking[1]);
    ASSERT_TRUE(byNumberAgain);
    EXPECT_EQ(text(*byNumberAgain, QStringLiteral("//*:IsApproved")), QStringLiteral("NO"));

    EXPECT_EQ(demo().descendingRegister, before);
    EXPECT_EQ(demo().ascendingRegister, 0);
}

TEST_F(StandInLabelServerTest, ThePartnerKeepsItsOwnAccount)
{
    const qint64 vendorBefore = demo().descendingRegister;
    const QByteArray account = StandInServers::demoPartnerAccount().toLatin1();
    const qint64 before = servers.vendor().partnerAccount(account)->balanceMils;

    const auto status = partner->accountStatus();
    ASSERT_TRUE(status) << partner->lastErrorDescription().toStdString();
    EXPECT_EQ(text(*status, QStringLiteral("//*:Status")), QStringLiteral("0"));
    EXPECT_EQ(*Decimal::parse(text(*status, QStringLiteral("//*:PostageBalance"))), Decimal::fromMils(before));

    const auto bought = partner->postageBuyForAmount(*Decimal::parse(QStringLiteral("20")));
    ASSERT_TRUE(bought);
    EXPECT_EQ(text(*bought, QStringLiteral("//*:Status")), QStringLiteral("0"));
    EXPECT_EQ(servers.vendor().partnerAccount(account)->balanceMils, before + 20000);

    const auto quote = partner->rateRequestForShipment(mediumBox());
    ASSERT_TRUE(quote);
    EXPECT_EQ(VLSPriceFromReply(*quote), *Decimal::parse(QStringLiteral("12.65")));
    const auto label = partner->labelForShipment(mediumBox(), false, {});
    ASSERT_TRUE(label);
    ASSERT_EQ(text(*label, QStringLiteral("//*:Status")), QStringLiteral("0"))
        << text(*label, QStringLiteral("//*:ErrorMessage")).toStdString();
    EXPECT_EQ(servers.vendor().partnerAccount(account)->balanceMils, before + 20000 - 12650);
    const auto refund = partner->electronicRefundTrackingNumber(text(*label, QStringLiteral("//*:TrackingNumber")));
    ASSERT_TRUE(refund) << partner->lastErrorDescription().toStdString();
    EXPECT_EQ(text(*refund, QStringLiteral("//*:IsApproved")), QStringLiteral("YES"));
    EXPECT_EQ(servers.vendor().partnerAccount(account)->balanceMils, before + 20000);
    // The vendor's own account is not touched.
    EXPECT_EQ(demo().descendingRegister, vendorBefore);
    EXPECT_TRUE(demo().pieces.isEmpty());

    UserDefaults::standardUserDefaults().setString(QStringLiteral("wrong"), QStringLiteral("BRKPassword"));
    const auto refused = partner->accountStatus();
    ASSERT_TRUE(refused);
    EXPECT_EQ(text(*refused, QStringLiteral("//*:Status")), QStringLiteral("507"));
    EXPECT_TRUE(text(*refused, QStringLiteral("//*:PostageBalance")).isEmpty());
}

TEST_F(StandInLabelServerTest, TheControlRoadFailsTheNextLabelServerAndPartnerReply)
{
    ASSERT_EQ(control(QStringLiteral("/standins/control/fail-next?service=labelserver&code=12")), 200);
    const auto refused = labels->labelForShipment(mediumBox(), false, {});
    ASSERT_TRUE(refused);
    EXPECT_EQ(text(*refused, QStringLiteral("//*:Status")), QStringLiteral("12"));
    EXPECT_TRUE(demo().pieces.isEmpty());

    ASSERT_EQ(control(QStringLiteral("/standins/control/fail-next?service=labelserver&http=503")), 200);
    EXPECT_FALSE(labels->rateRequestForShipment(mediumBox()));
    // Used up: the next request is answered.
    const auto quote = labels->rateRequestForShipment(mediumBox());
    ASSERT_TRUE(quote);
    EXPECT_EQ(text(*quote, QStringLiteral("//*:Status")), QStringLiteral("0"));

    ASSERT_EQ(control(QStringLiteral("/standins/control/fail-next?service=partner")), 200);
    EXPECT_FALSE(partner->accountStatus());
    const auto status = partner->accountStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(text(*status, QStringLiteral("//*:Status")), QStringLiteral("0"));
}

// A piece with an integrated customs form, as the print flow asks for it:
// the label server answers the parts of a finished label, each a drawable
// PNG that carries the piece's barcode. An APO piece (its form goes as a
// PS Form 2976, the one a domestic piece takes) is charged once and comes
// as the label, with the test indicium, beside the filled CN 22; an
// international piece with a PS Form 2976-A (without postage: no price is
// known for it) as the label, the two pages of the CP 72 and the sender's
// copy.
TEST_F(StandInLabelServerTest, AnIntegratedCustomsFormComesAsTheLabelAndTheFilledFormInParts)
{
    if (!haveProgram(QStringLiteral("ZXingReader")) || !haveProgram(QStringLiteral("dmtxread")))
        GTEST_SKIP() << "ZXingReader or dmtxread is missing";
    struct Case {
        QString formType;
        bool military;
        int parts;
    };
    for (const Case &c :
         {Case{QVUSPSShipment2976CustomsFormType, true, 1}, Case{QVUSPSShipment2976ACustomsFormType, true, 1},
          Case{QVUSPSShipment2976APMICustomsFormType, false, 4}}) {
        SCOPED_TRACE(c.formType.toStdString());
        QVariantMap values = domesticShipmentDictionary();
        if (c.military) {
            values.insert(QVShipmentToAddressKey,
                          addressMap({{QVAddressNameKey, QStringLiteral("SGT John Doe")},
                                      {QVAddressStreetKey, QStringLiteral("PSC 1234 Box 5678")},
                                      {QVAddressCityKey, QStringLiteral("APO")},
                                      {QVAddressStateKey, QStringLiteral("AE")},
                                      {QVAddressZIP5Key, QStringLiteral("09012")}}));
            values.insert(QStringLiteral("QVUSPSShipmentRateClassKey"), QVUSPSPriorityMailFlatBoxRate);
            values.insert(QStringLiteral("QVUSPSShipmentSizeKey"), QVUSPSFlatRateBoxSize);
        } else {
            values.insert(QVShipmentToAddressKey,
                          addressMap({{QVAddressNameKey, QStringLiteral("Jane Empfänger")},
                                      {QVAddressStreetKey, QStringLiteral("Hauptstrasse 1")},
                                      {QVAddressCityKey, QStringLiteral("Berlin")},
                                      {QVAddressZIP5Key, QStringLiteral("10115")},
                                      {QVAddressCountryKey, QStringLiteral("Germany")}}));
            values.insert(QStringLiteral("QVUSPSShipmentRateClassKey"), QStringLiteral("QVUSPSIntlPriorityMailIntl"));
            values.insert(QStringLiteral("QVUSPSShipmentPostageEnabledKey"), false);
        }
        values.insert(QVUSPSShipmentCustomsFormTypeKey, c.formType);
        values.insert(QVUSPSShipmentCustomsFormSendersNameKey, QStringLiteral("Ann Sender"));
        values.insert(QVShipmentItemsKey,
                      QVariantList{QVariantMap{
                          {QVShipmentItemDescriptionKey, QStringLiteral("Books")},
                          {QVShipmentItemQuantityKey, QStringLiteral("2")},
                          {QVShipmentItemValueKey, QStringLiteral("20.00")},
                          {QVShipmentItemWeightNumberKey, QStringLiteral("8")},
                          {QVShipmentItemWeightUnitKey, QStringLiteral("oz")},
                          {QVShipmentItemCountryOfOriginKey, QStringLiteral("United States")},
                      }});
        const QVShipment shipment(values);
        ASSERT_EQ(shipment.isDomestic(), c.military);
        if (c.military) {
            ASSERT_TRUE(isEligibleForDomesticIntegratedCustomsForms(shipment));
        }
        const int piecesBefore = int(demo().pieces.size());
        const auto reply =
            labels->labelForShipment(shipment, false, {{QVLabelTypeAttributeKey, QStringLiteral("QVPlainPaperLabel")}});
        ASSERT_TRUE(reply) << labels->lastErrorDescription().toStdString();
        ASSERT_EQ(text(*reply, QStringLiteral("//*:Status")), QStringLiteral("0"))
            << text(*reply, QStringLiteral("//*:ErrorMessage")).toStdString();
        const StandInVendor::Account account = demo();
        ASSERT_EQ(int(account.pieces.size()), piecesBefore + (c.military ? 1 : 0));
        const StandInVendor::Piece stored = c.military ? account.pieces.last() : StandInVendor::Piece{};
        if (c.military) {
            EXPECT_EQ(stored.amountMils, 12650);
        }
        const QByteArray barcode = text(*reply, QStringLiteral("//*:BarcodeNumber")).toLatin1();
        EXPECT_TRUE(barcode.endsWith(text(*reply, QStringLiteral("//*:TrackingNumber")).toLatin1()));
        if (c.military) {
            EXPECT_EQ(barcode, "42009012" + stored.trackingNumber);
        }

        const std::optional<XmlElement> document = readXmlElement(reply->xmlData());
        ASSERT_TRUE(document);
        EXPECT_FALSE(document->find(QStringLiteral("Base64LabelImage")));
        const XmlElement *label = document->find(QStringLiteral("Label"));
        ASSERT_TRUE(label);
        ASSERT_EQ(label->childCount(QStringLiteral("Image")), c.parts);
        QTemporaryDir folder;
        for (int i = 0; i < c.parts; ++i) {
            SCOPED_TRACE(i + 1);
            const XmlElement &part = label->children.at(i);
            EXPECT_EQ(part.attributes.value(QStringLiteral("PartNumber")), QString::number(i + 1));
            const QImage image = QImage::fromData(QByteArray::fromBase64(part.text.toLatin1()), "PNG");
            ASSERT_FALSE(image.isNull());
            // The label beside the CN 22 holds the barcode twice: each half
            // is read alone (ZXingReader stops on two equal symbols).
            QList<QImage> pieces{image};
            if (c.parts == 1)
                pieces = {image.copy(0, 0, image.width() / 2, image.height()),
                          image.copy(image.width() / 2, 0, image.width() - image.width() / 2, image.height())};
            for (int p = 0; p < pieces.size(); ++p) {
                const QString png = folder.filePath(QStringLiteral("part-%1-%2.png").arg(i + 1).arg(p));
                ASSERT_TRUE(pieces[p].save(png));
                QByteArray out;
                QString error;
                ASSERT_TRUE(runTool(QStringLiteral("ZXingReader"), {png}, &out, &error)) << error.toStdString();
                EXPECT_TRUE(out.contains(barcode)) << out.toStdString();
                if (c.military && i == 0 && p == 0) {
                    ASSERT_TRUE(runTool(QStringLiteral("dmtxread"), {QStringLiteral("-N1"), png}, &out, &error))
                        << error.toStdString();
                    EXPECT_EQ(out, stored.indicium);
                }
            }
        }
    }
}

} // namespace
