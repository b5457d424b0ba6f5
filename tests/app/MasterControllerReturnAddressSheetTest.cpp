// MasterController's return-address sheet with the real address-correction
// client against the fake address-correction service (its requests counted
// and read): the Standardize button (what goes to the service, which return
// code fills the fields, the "Could Not Standardize" alerts) and a vCard
// dropped on the sheet (its address, phone and picture).
#include "AddressCorrectionFixture.h"
#include "RecordingDialogs.h"

#include <QBuffer>

using namespace master_test;
using namespace tolvane::test;

namespace {

class ReturnAddressSheetTest : public AddressCorrectionTest
{
protected:
    void SetUp() override
    {
        AddressCorrectionTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(useAddressCorrectionService());
        start();
        controller->runAddFromAddressSheet();
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

    DialogsScope dialogs;
};

TEST_F(ReturnAddressSheetTest, StandardizeSendsTheAddressWithoutTheNameUpperCasedAndAConfirmedMatchFillsTheFields)
{
    const QString confirmed = QStringLiteral("<AddrLine1>1 MAIN ST</AddrLine1><AddrLine2>STE 12</AddrLine2>"
                                             "<City>BOSTON</City><State>MA</State><ZIP5>02134</ZIP5><ZIP4>1234</ZIP4>");
    struct Case {
        const char *what;
        QByteArray reply; // null: an empty reply
        bool filled;
        QString reason; // the client's description in the alert
    } cases[] = {
        {"a full match", ("<ReturnCode>31</ReturnCode>" + confirmed).toUtf8(), true, QString()},
        // 32 confirms the address as well.
        {"a confirmed match", ("<ReturnCode>32</ReturnCode>" + confirmed).toUtf8(), true, QString()},
        {"an unknown address", QByteArray("<ReturnCode>11</ReturnCode>"), false, QString()},
        {"no answer", QByteArray(), false, QStringLiteral("Addrelle response was empty.")},
    };
    // The setting for the destination box does not apply here.
    defaults().setBool(false, QStringLiteral("uppercaseAddresses"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        dialogs->alerts.clear();
        if (c.reply.isNull())
            service.setRawReply(QByteArray(""));
        else
            service.setResponseElements(c.reply);
        typeAddress(QStringLiteral("Acme"), QString());
        const qsizetype before = service.received().size();
        controller->standardizeFromAddress();
        EXPECT_EQ(service.received().size() - before, 1);
        // The name stays home and the text goes upper-cased. (The client
        // takes the first of three lines without a digit for a name, so the
        // company is no address line here; with the name in front it
        // would be.)
        EXPECT_EQ(sentLines(), (QStringList{QStringLiteral("1 MAIN ST"), QStringLiteral("BOSTON MA 02134")}));
        const ReturnAddressSheet &s = sheet();
        EXPECT_FALSE(s.progressRunning);
        EXPECT_EQ(s.name.text, QStringLiteral("Ada Lovelace"));
        EXPECT_EQ(s.phone.text, QStringLiteral("617-555-0100"));
        EXPECT_EQ(s.company.text, QStringLiteral("Acme"));
        if (c.filled) {
            EXPECT_TRUE(dialogs->alerts.isEmpty()) << qPrintable(alertTexts().join(" | "));
            EXPECT_EQ(s.suiteApt.text, QStringLiteral("STE 12"));
            EXPECT_EQ(s.street.text, QStringLiteral("1 MAIN ST"));
            EXPECT_EQ(s.city.text, QStringLiteral("BOSTON"));
            EXPECT_EQ(s.state.text, QStringLiteral("MA"));
            EXPECT_EQ(s.zip.text, QStringLiteral("02134-1234"));
        } else {
            ASSERT_EQ(alertTexts(), QStringList{QStringLiteral("Could Not Standardize")});
            EXPECT_EQ(dialogs->alerts.first().informativeText,
                      QStringLiteral("We could not standardize this address because:\n\n%1\n\nYou can still use this "
                                     "address as your return address, however undeliverable mail may take longer to "
                                     "be returned to you.")
                          .arg(c.reason));
            EXPECT_EQ(s.suiteApt.text, QString());
            EXPECT_EQ(s.street.text, QStringLiteral("1 Main St"));
            EXPECT_EQ(s.city.text, QStringLiteral("Boston"));
            EXPECT_EQ(s.state.text, QStringLiteral("ma"));
            EXPECT_EQ(s.zip.text, QStringLiteral("02134"));
        }
    }

    // A suite of digits only goes as a suite number.
    dialogs->alerts.clear();
    service.setResponseElements(("<ReturnCode>31</ReturnCode>" + confirmed).toUtf8());
    typeAddress(QString(), QStringLiteral("12"));
    controller->standardizeFromAddress();
    EXPECT_EQ(sentLines(),
              (QStringList{QStringLiteral("STE 12"), QStringLiteral("1 MAIN ST"), QStringLiteral("BOSTON MA 02134")}));
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    EXPECT_EQ(sheet().suiteApt.text, QStringLiteral("STE 12"));
    EXPECT_EQ(sheet().company.text, QString());
    EXPECT_EQ(service.received().size(), 5);
}

TEST_F(ReturnAddressSheetTest, StandardizeWithOnlyANameAsksForAnAddressAndSendsNothing)
{
    sheet().name.text = QStringLiteral("Ada Lovelace");
    sheet().phone.text = QStringLiteral("617-555-0100");
    controller->standardizeFromAddress();
    EXPECT_TRUE(service.received().isEmpty());
    EXPECT_FALSE(sheet().progressRunning);
    ASSERT_EQ(alertTexts(), QStringList{QStringLiteral("Could Not Standardize")});
    EXPECT_EQ(dialogs->alerts.first().informativeText,
              QStringLiteral("You must enter at least part of an address before it can be standardized."));
    EXPECT_EQ(sheet().name.text, QStringLiteral("Ada Lovelace"));
}

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
