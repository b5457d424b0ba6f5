// MasterController's return-address sheet with the real address-correction
// client against the fake address-correction service (its requests counted
// and read): a vCard dropped on the sheet (its address, phone and picture).
#include "app/MasterControllerWiring.h"
#include "platform/HttpClient.h"
#include "services/QVCommandCenter.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/usps/QVGLZCommandCenter.h"

#include "FakeAddressCorrectionServer.h"
#include "MasterControllerFixture.h"
#include "RecordingDialogs.h"

#include <QBuffer>

using namespace master_test;
using namespace tolvane::test;

namespace {

class SheetAccount final : public QVPostageServerAccount
{
public:
    QString userid() override { return QStringLiteral("1234567"); }
    QString password() override { return QStringLiteral("secret"); }
    bool testServer() override { return false; }
    QString websiteServerName() override { return QString(); }
};

class ReturnAddressSheetTest : public MasterControllerTest
{
protected:
    void SetUp() override
    {
        MasterControllerTest::SetUp();
        QVCommandCenter::resetSharedInstancesForTesting();
        QVGLZCommandCenter::setGLZAPIForTesting(std::nullopt);
        setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
        setPostageServerAccount(std::make_shared<SheetAccount>());
        ASSERT_TRUE(service.isListening());
        defaults().setString(service.host(), QVLabelServiceServerDefaultsKey);
        defaults().setString(QStringLiteral("7654321"), QVTolvaneUserDefaultsKey);
        QVGLZCommandCenter::commandCenter()->setRequestTimeoutMilliseconds(10000);
        addressCorrection = makeMasterAddressCorrection();
        start();
        controller->runAddFromAddressSheet();
    }
    void TearDown() override
    {
        controller.reset();
        setPostageServerAccount(nullptr);
        setHttpCAFile(QString());
        QVCommandCenter::resetSharedInstancesForTesting();
        MasterControllerTest::TearDown();
    }
    ReturnAddressSheet &sheet() { return controller->returnAddressSheet(); }
    void typeAddress(const QString &company, const QString &suite)
    {
        ReturnAddressSheet &s = sheet();
        s.name.text = QStringLiteral("Ada Lovelace");
        s.company.text = company;
        s.suiteApt.text = suite;
        s.street.text = QStringLiteral("1 Main St");
        s.city.text = QStringLiteral("Boston");
        s.state.text = QStringLiteral("ma");
        s.zip.text = QStringLiteral("02134");
        s.phone.text = QStringLiteral("617-555-0100");
    }
    // The address lines of the newest request, in order.
    QStringList sentLines() const
    {
        QStringList lines;
        const std::optional<AddressCorrectionRequest> last = service.lastReceived();
        if (!last)
            return lines;
        for (int i = 0; i < 4; ++i) {
            const QString line = last->fields.value(QStringLiteral("ADDRESS%1").arg(i));
            if (!line.isEmpty())
                lines << line;
        }
        return lines;
    }
    QStringList alertTexts() const
    {
        QStringList texts;
        for (const Alert &alert : dialogs->alerts)
            texts << alert.messageText;
        return texts;
    }

    FakeAddressCorrectionServer service;
    DialogsScope dialogs;
};

TEST_F(ReturnAddressSheetTest, ADroppedCardFillsTheSheetAndPutsItsPictureInTheWell)
{
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "PNG"));
    const auto card = [](const QByteArray &photo) {
        return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lovelace;Ada;;;\r\nFN:Ada Lovelace\r\nORG:Acme\r\n"
               "TEL;TYPE=WORK:(617) 555-0100\r\nADR;TYPE=WORK:;;1 Main St;Boston;MA;02134;\r\n" +
            photo + "END:VCARD\r\n";
    };

    controller->addFromVCardDrag(card("PHOTO;ENCODING=b;TYPE=PNG:" + png.toBase64() + "\r\n"));
    const ReturnAddressSheet &s = sheet();
    EXPECT_EQ(s.name.text, QStringLiteral("Ada Lovelace"));
    EXPECT_EQ(s.company.text, QStringLiteral("Acme"));
    EXPECT_EQ(s.street.text, QStringLiteral("1 Main St"));
    EXPECT_EQ(s.city.text, QStringLiteral("Boston"));
    EXPECT_EQ(s.zip.text, QStringLiteral("02134"));
    EXPECT_EQ(s.phone.text, QStringLiteral("6175550100"));
    EXPECT_EQ(s.image.size(), QSize(20, 10));
    EXPECT_EQ(s.image.pixelColor(0, 0), QColor(Qt::darkBlue));
    EXPECT_TRUE(s.noneEnabled);

    // A card without a picture takes the old one out of the well.
    controller->addFromVCardDrag(card(QByteArray()));
    EXPECT_TRUE(s.image.isNull());
    EXPECT_FALSE(s.noneEnabled);

    // Data that is no card changes nothing.
    controller->addFromImageDrop(picture);
    controller->addFromVCardDrag(QByteArray("not a card"));
    EXPECT_EQ(s.image.size(), QSize(20, 10));
    EXPECT_TRUE(s.noneEnabled);
    EXPECT_EQ(s.name.text, QStringLiteral("Ada Lovelace"));
    EXPECT_TRUE(service.received().isEmpty());
}

} // namespace
