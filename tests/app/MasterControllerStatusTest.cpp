// MasterController's return addresses (saved list, choices after a delete,
// the sheet's checks, the pictures and their thermal form) and its status
// texts (postage account box, print button, printer summary, the Option
// key, a new status reply of the postage account).
#include "model/ABAddressBook.h"
#include "platform/Paths.h"
#include "platform/PropertyList.h"
#include "platform/VCardFolder.h"

#include "MasterControllerFixture.h"
#include "RecordingDialogs.h"
#include "RecordingUrlOpener.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QImage>

using namespace master_test;
using namespace tolvane::test;

namespace {

class ReturnAddressTest : public MasterControllerTest
{
protected:
    void SetUp() override
    {
        MasterControllerTest::SetUp();
        postage->reply = MasterStatusReply{};
        postage->reply->balanceText = QStringLiteral("100.00");
        postage->reply->balance = *Decimal::parse(QStringLiteral("100.00"));
        postage->reply->licenseZIP5 = QStringLiteral("02134");
        start();
    }
    static QVAddress address(const QString &name)
    {
        QVAddress a;
        a.setName(name);
        a.setStreet(QStringLiteral("1 Main St"));
        a.setCity(QStringLiteral("Boston"));
        a.setState(QStringLiteral("MA"));
        a.setZIP(QStringLiteral("02134"));
        return a;
    }
    QString chosen() { return defaults().stringForKey(QStringLiteral("fromAddress")); }
    void fillSheet(const QString &nickname, const QString &phone)
    {
        ReturnAddressSheet &s = controller->returnAddressSheet();
        s.nickname.text = nickname;
        s.name.text = QStringLiteral("Ada");
        s.street.text = QStringLiteral("1 Main St");
        s.city.text = QStringLiteral("Boston");
        s.state.text = QStringLiteral("MA");
        s.zip.text = QStringLiteral("02134");
        s.phone.text = phone;
    }
    DialogsScope dialogs;
};

TEST_F(ReturnAddressTest, NicknamesAndTheChoiceAfterADelete)
{
    controller->addFromAddress(address(QStringLiteral("A")), QStringLiteral("office"));
    struct Case {
        QString nickname;
        bool accepted;
    } cases[] = {{QStringLiteral("Office"), true},   {QStringLiteral("me"), false},
                 {QStringLiteral("tolvane"), false}, {QStringLiteral("x-automation"), false},
                 {QStringLiteral("office"), false},  {QString(), false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.nickname.toStdString());
        controller->runAddFromAddressSheet();
        fillSheet(c.nickname, QString());
        EXPECT_EQ(controller->okFromAddressSheet(), c.accepted);
        if (!c.accepted)
            controller->cancelAddFromAddressSheet();
    }
    // The new address comes first and is chosen.
    EXPECT_EQ(defaults().dictionaryForKey(QStringLiteral("fromAddressList")).value(QStringLiteral("names")).toList(),
              (QVariantList{QStringLiteral("Office"), QStringLiteral("office")}));
    EXPECT_EQ(chosen(), QStringLiteral("0"));
    EXPECT_EQ(controller->fromAddress().name(), QStringLiteral("Ada"));

    controller->addFromAddress(address(QStringLiteral("C")), QStringLiteral("c"));
    controller->addFromAddress(address(QStringLiteral("D")), QStringLiteral("d"));
    // List now: d, c, Office, office. Deleting index 3 chooses 2.
    defaults().setString(QStringLiteral("3"), QStringLiteral("fromAddress"));
    dialogs->answers = {1, 1};
    controller->deleteFromAddress();
    EXPECT_EQ(chosen(), QStringLiteral("2"));
    EXPECT_EQ(controller->fromAddress().name(), QStringLiteral("Ada"));
    // Deleting index 0 chooses the account address.
    defaults().setString(QStringLiteral("0"), QStringLiteral("fromAddress"));
    controller->deleteFromAddress();
    EXPECT_EQ(chosen(), QStringLiteral("tolvane"));
}

// A picture kept by older versions as "returnGraphic.tiff" becomes the
// chosen return address's own picture at start, once: only up to "lastRun"
// 42, with "useFromAddressImage" on and a return address chosen.
TEST_F(ReturnAddressTest, AnOlderVersionsPictureBecomesTheChosenAddresssPicture)
{
    const QString support = applicationSupportDirectory();
    ASSERT_FALSE(support.isEmpty());
    QImage old(40, 20, QImage::Format_RGB32);
    old.fill(Qt::black);
    struct Case {
        const char *what;
        QVariant lastRun; // invalid: none stored
        bool useImage;
        QVariant chosen; // invalid: none stored
        bool oldPicture;
        QString upgraded; // the nickname that gets the picture, empty: none
    };
    const QVariantMap list{
        {QStringLiteral("names"), QStringList{QStringLiteral("shop"), QStringLiteral("home")}},
        {QStringLiteral("values"),
         QVariantList{address(QStringLiteral("Shop")).plist(), address(QStringLiteral("Home")).plist()}}};
    const Case cases[] = {
        {"never run", QVariant(), true, QStringLiteral("me"), true, QStringLiteral("me")},
        {"run 42", QStringLiteral("42"), true, QStringLiteral("1"), true, QStringLiteral("home")},
        {"the account address", QStringLiteral("12"), true, QStringLiteral("tolvane"), true, QStringLiteral("tolvane")},
        {"run 43", QStringLiteral("43"), true, QStringLiteral("me"), true, QString()},
        {"no picture in use", QVariant(), false, QStringLiteral("me"), true, QString()},
        {"nothing chosen", QVariant(), true, QVariant(), true, QString()},
        {"an index outside the list", QVariant(), true, QStringLiteral("5"), true, QString()},
        {"no old picture", QVariant(), true, QStringLiteral("me"), false, QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const char *nickname : {"me", "home", "shop", "tolvane"})
            QFile::remove(MasterController::imagePathForNickname(QLatin1String(nickname)));
        QFile::remove(QDir(support).filePath(QStringLiteral("returnGraphic.tiff")));
        if (c.oldPicture) {
            ASSERT_TRUE(old.save(QDir(support).filePath(QStringLiteral("returnGraphic.tiff")), "TIFF"));
        }
        defaults().setObject(list, QStringLiteral("fromAddressList"));
        defaults().setBool(c.useImage, QStringLiteral("useFromAddressImage"));
        if (c.lastRun.isValid())
            defaults().setObject(c.lastRun, QStringLiteral("lastRun"));
        else
            defaults().removeObjectForKey(QStringLiteral("lastRun"));
        if (c.chosen.isValid())
            defaults().setObject(c.chosen, QStringLiteral("fromAddress"));
        else
            defaults().removeObjectForKey(QStringLiteral("fromAddress"));
        controller.reset();
        start();
        for (const char *nickname : {"me", "home", "shop", "tolvane"}) {
            const bool upgraded = c.upgraded == QLatin1String(nickname);
            EXPECT_EQ(QFile::exists(MasterController::imagePathForNickname(QLatin1String(nickname))), upgraded)
                << nickname;
            if (upgraded) {
                EXPECT_EQ(MasterController::imageForNickname(QLatin1String(nickname)).size(), old.size());
            }
        }
    }
}

TEST_F(ReturnAddressTest, PhoneNumbersOfTheSheet)
{
    const struct {
        const char *phone;
        bool accepted;
    } cases[] = {{"(617) 555-0100", true}, {"555-0100", false}, {"", true}};
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.phone);
        controller->runAddFromAddressSheet();
        fillSheet(QStringLiteral("n%1").arg(n++), QString::fromLatin1(c.phone));
        EXPECT_EQ(controller->okFromAddressSheet(), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(dialogs->alerts.last().messageText, QStringLiteral("Invalid Phone Number."));
            controller->cancelAddFromAddressSheet();
        }
    }
}

TEST_F(ReturnAddressTest, PicturesAndTheirThermalForm)
{
    const struct {
        QSize size;
        qint64 width, height;
    } cases[] = {{{600, 300}, 150, 75}, {{100, 100}, 100, 100}};
    for (const auto &c : cases) {
        QImage image(c.size, QImage::Format_RGB32);
        image.fill(Qt::black);
        MasterController::saveFromAddressImage(image, QStringLiteral("logo"));
        EXPECT_EQ(MasterController::imageForNickname(QStringLiteral("logo")).size(), c.size);
        const std::optional<QVariant> plist =
            readPropertyListFile(MasterController::imagePlistPathForNickname(QStringLiteral("logo")));
        ASSERT_TRUE(plist);
        const QVariantMap map = plist->toMap();
        const QByteArray header = QStringLiteral("GW14,360,%1,%2\n").arg((c.width + 7) / 8).arg(c.height).toLatin1();
        const QByteArray data = map.value(QStringLiteral("data")).toByteArray();
        EXPECT_TRUE(data.startsWith(header));
        EXPECT_EQ(data.size(), header.size() + (c.width + 7) / 8 * c.height + 1);
        EXPECT_EQ(map.value(QStringLiteral("width")).toString(), QString::number(c.width + 20));
    }
    // Typed nicknames never leave the support folder; ordinary ones keep
    // their names.
    EXPECT_EQ(QFileInfo(MasterController::imagePathForNickname(QStringLiteral("logo"))).fileName(),
              QStringLiteral("logo-returnGraphic.tiff"));
    for (const QString &nickname : {QStringLiteral("../x"), QStringLiteral(".."), QStringLiteral("a/b")}) {
        const QString path = MasterController::imagePathForNickname(nickname);
        EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(applicationSupportDirectory()).absolutePath())
            << path.toStdString();
    }
}

TEST_F(ReturnAddressTest, TheMeCardsPictureIsThePictureOfMe)
{
    QTemporaryDir cards;
    defaults().setString(cards.path(), VCardFolderDefaultsKey);
    defaults().setString(QStringLiteral("me.vcf"), VCardFolderMeCardDefaultsKey);
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "PNG"));
    const auto writeCard = [&cards](const QByteArray &photo) {
        QFile file(QDir(cards.path()).filePath(QStringLiteral("me.vcf")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lovelace;Ada;;;\r\nFN:Ada Lovelace\r\n"
                   "ADR;TYPE=WORK:;;1 Main St;Boston;MA;02134;\r\n" +
                   photo + "END:VCARD\r\n");
    };
    const QString me = QStringLiteral("me");

    writeCard("PHOTO;ENCODING=b;TYPE=PNG:" + png.toBase64() + "\r\n");
    defaults().setString(me, QStringLiteral("fromAddress"));
    controller->updateFromAddress();
    EXPECT_EQ(MasterController::imageForNickname(me).size(), QSize(20, 10));
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("useFromAddressImage")));
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("fromAddressImage")), MasterController::imagePathForNickname(me));
    EXPECT_TRUE(QFileInfo::exists(MasterController::imagePlistPathForNickname(me)));

    // The card loses its picture: so does "me".
    writeCard(QByteArray());
    controller->updateFromAddress();
    EXPECT_TRUE(MasterController::imageForNickname(me).isNull());
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("useFromAddressImage")));
    EXPECT_FALSE(QFileInfo::exists(MasterController::imagePlistPathForNickname(me)));
}

// Editing "me" is editing the user's own card: its file opens in the
// desktop's program for vCards, and no sheet comes up.
TEST_F(ReturnAddressTest, EditingMeOpensTheMeCardsFile)
{
    QTemporaryDir cards;
    defaults().setString(cards.path(), VCardFolderDefaultsKey);
    defaults().setString(QStringLiteral("me.vcf"), VCardFolderMeCardDefaultsKey);
    QFile file(QDir(cards.path()).filePath(QStringLiteral("me.vcf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lovelace;Ada;;;\r\nFN:Ada Lovelace\r\n"
               "ADR;TYPE=WORK:;;1 Main St;Boston;MA;02134;\r\nEND:VCARD\r\n");
    file.close();
    UrlOpenerScope opener;
    defaults().setString(QStringLiteral("me"), QStringLiteral("fromAddress"));
    controller->runEditFromAddressSheet();
    EXPECT_FALSE(controller->returnAddressSheetIsOpen());
    ASSERT_EQ(opener->opened.size(), 1);
    EXPECT_EQ(opener->opened.first(), QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    EXPECT_EQ(chosen(), QStringLiteral("me"));
}

TEST_F(ReturnAddressTest, EditingMeWithoutAnOwnCardOpensTheSheetForANewAddress)
{
    // No vCard folder and no own card: nothing to open, so the sheet for a
    // new return address opens instead of nothing at all.
    // The same when nothing was ever chosen: the pop-up shows "My Card".
    ASSERT_FALSE(ABAddressBook::sharedAddressBook().me());
    for (const QString &choice : {QStringLiteral("me"), QString()}) {
        SCOPED_TRACE(choice.isEmpty() ? "nothing chosen" : "me");
        if (choice.isEmpty())
            defaults().removeObjectForKey(QStringLiteral("fromAddress"));
        else
            defaults().setString(choice, QStringLiteral("fromAddress"));
        controller->setUpFromPopup();
        EXPECT_EQ(form().popUp(FormControl::FromPopup).selectedIndex, 0);
        controller->runEditFromAddressSheet();
        ASSERT_TRUE(controller->returnAddressSheetIsOpen());
        const ReturnAddressSheet &s = controller->returnAddressSheet();
        EXPECT_FALSE(s.editing);
        EXPECT_TRUE(s.nickname.text.isEmpty());
        EXPECT_EQ(s.focus, QStringLiteral("nickname"));
        EXPECT_EQ(chosen(), choice);
        controller->cancelAddFromAddressSheet();
    }
}

TEST_F(ReturnAddressTest, EditingTheAccountAddressChangesOnlyPhoneAndPicture)
{
    controller->addFromAddress(address(QStringLiteral("A")), QStringLiteral("office"));
    QImage officeLogo(10, 10, QImage::Format_RGB32);
    officeLogo.fill(Qt::black);
    MasterController::saveFromAddressImage(officeLogo, QStringLiteral("office"));
    const QVariant list = defaults().objectForKey(QStringLiteral("fromAddressList"));
    defaults().setString(QStringLiteral("tolvane"), QStringLiteral("fromAddress"));
    controller->setUpFromPopup();
    controller->runEditFromAddressSheet();
    ASSERT_TRUE(controller->returnAddressSheetIsOpen());
    ReturnAddressSheet &s = controller->returnAddressSheet();
    EXPECT_TRUE(s.warningShown);
    EXPECT_FALSE(s.street.enabled);
    s.name.text = QStringLiteral("Ada");
    s.street.text = QStringLiteral("1 Main St");
    s.city.text = QStringLiteral("Boston");
    s.state.text = QStringLiteral("MA");
    s.zip.text = QStringLiteral("02134");
    s.phone.text = QStringLiteral("617-555-0100");
    controller->addFromImageDrop(officeLogo);
    ASSERT_TRUE(controller->okFromAddressSheet());
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("fromPhone")), QStringLiteral("617-555-0100"));
    EXPECT_EQ(defaults().objectForKey(QStringLiteral("fromAddressList")), list);
    EXPECT_FALSE(MasterController::imageForNickname(QStringLiteral("tolvane")).isNull());
    EXPECT_FALSE(MasterController::imageForNickname(QStringLiteral("office")).isNull())
        << "another entry's picture stays";
}

TEST_F(ReturnAddressTest, PostageAccountBox)
{
    defaults().setBool(true, QStringLiteral("usePostage"));
    storeQuietly({{QVUSPSShipmentPostageKey, QVariant::fromValue(*Decimal::parse(QStringLiteral("5.00")))},
                  {QVUSPSShipmentOriginalPostageKey, QVariant::fromValue(*Decimal::parse(QStringLiteral("5.50")))},
                  {QVUSPSShipmentPostageEnabledKey, true},
                  {QVShipmentPriceKey, QVariant::fromValue(*Decimal::parse(QStringLiteral("5.00")))}});
    controller->updatePostageAccountBox();
    // Money always shows two decimals.
    EXPECT_EQ(form().text(FormControl::RatePostage), QStringLiteral("5.50"));
    EXPECT_EQ(form().text(FormControl::RateSavings), QStringLiteral("-0.50"));
    EXPECT_EQ(form().text(FormControl::RateTotalPostage), QStringLiteral("5.00"));
    EXPECT_EQ(form().text(FormControl::PreviewPostageDebitAmount), QStringLiteral("5.00"));
    EXPECT_EQ(form().text(FormControl::TolvaneEndingBalance), QStringLiteral("95.00"));
    EXPECT_EQ(form().text(FormControl::PreviewEndingBalance), QStringLiteral("95.00"));
    EXPECT_EQ(form().text(FormControl::TolvaneBalance), QStringLiteral("100.00"));

    // Without an undiscounted postage there is no saving; fractions of a
    // cent round to the cent.
    storeQuietly({{QVUSPSShipmentOriginalPostageKey, QVariant::fromValue(Decimal::zero())},
                  {QVUSPSShipmentPostageKey, QVariant::fromValue(*Decimal::parse(QStringLiteral("12.345")))}});
    controller->updatePostageAccountBox();
    EXPECT_EQ(form().text(FormControl::RatePostage), QStringLiteral("12.35"));
    EXPECT_EQ(form().text(FormControl::RateSavings), QStringLiteral("0.00"));

    storeQuietly({{QVUSPSShipmentPostageEnabledKey, false}});
    controller->updatePostageAccountBox();
    EXPECT_EQ(form().text(FormControl::RateTotalPostage), QStringLiteral("0.00"));
    EXPECT_EQ(form().text(FormControl::PreviewEndingBalance), QStringLiteral("100.00"));
}

TEST_F(ReturnAddressTest, ARefusedRequestKeepsTheLastKnownBalanceOfTheSameAccountOnly)
{
    defaults().setBool(true, QStringLiteral("usePostage"));
    storeQuietly({{QVUSPSShipmentPostageEnabledKey, true},
                  {QVShipmentPriceKey, QVariant::fromValue(*Decimal::parse(QStringLiteral("5.00")))}});
    postage->reply->serialNumber = 7000001;
    postage->reply->balanceText = QStringLiteral("87.35");
    postage->reply->balance = *Decimal::parse(QStringLiteral("87.35"));
    postage->account = QStringLiteral("7000001");
    controller->updatePostageAccountBox();
    controller->updateStatusTextLine();
    const QString statusLine = form().text(FormControl::StatusTextLine);
    ASSERT_TRUE(statusLine.contains(QStringLiteral("87.35"))) << statusLine.toStdString();

    // A refused status (the client's last valid reply is gone): the window
    // keeps what it knew of the account.
    const struct {
        const char *what;
        QString account;
        QString balance;
        QString ending;
    } cases[] = {
        {"the same account", QStringLiteral("7000001"), QStringLiteral("87.35"), QStringLiteral("82.35")},
        {"another account", QStringLiteral("7000002"), QStringLiteral("0.00"), QStringLiteral("-5.00")},
        {"no account", QString(), QStringLiteral("0.00"), QStringLiteral("-5.00")},
    };
    postage->reply.reset();
    for (const auto &c : cases) {
        postage->account = c.account;
        controller->updatePostageAccountBox();
        controller->updateStatusTextLine();
        EXPECT_EQ(form().text(FormControl::TolvaneBalance), c.balance) << c.what;
        EXPECT_EQ(form().text(FormControl::PreviewCurrentBalance), c.balance) << c.what;
        EXPECT_EQ(form().text(FormControl::TolvaneEndingBalance), c.ending) << c.what;
        EXPECT_EQ(form().text(FormControl::StatusTextLine).contains(QStringLiteral("87.35")),
                  c.balance == QLatin1String("87.35"))
            << c.what;
    }

    // A new valid reply replaces what was known.
    postage->account = QStringLiteral("7000001");
    postage->reply = MasterStatusReply{};
    postage->reply->serialNumber = 7000001;
    postage->reply->balanceText = QStringLiteral("60.00");
    postage->reply->balance = *Decimal::parse(QStringLiteral("60.00"));
    controller->updatePostageAccountBox();
    postage->reply.reset();
    controller->updatePostageAccountBox();
    EXPECT_EQ(form().text(FormControl::TolvaneBalance), QStringLiteral("60.00"));
}

TEST_F(ReturnAddressTest, PrintButtonAndPrinterSummary)
{
    // A letter on the label printer: its title stays "Print Label".
    printing->printerType = QVKIVOTagwrightPrinter;
    printing->labelType = QVKIVO51207Label;
    defaults().setObject(QVariantMap{{QVKIVO51207Label, QVariantMap{{QStringLiteral("tray"), QStringLiteral("aLft")}}}},
                         QStringLiteral("kivoSettings"));
    storeQuietly({{QVUSPSShipmentSizeKey, QVUSPSLetterSize}});
    EXPECT_EQ(controller->printItemTitleForCurrentMode(), QStringLiteral("Print Label"));
    EXPECT_EQ(controller->printerSummaryText(),
              QStringLiteral("Office Laser (envelopePrintInfo)\nLeft Roll\n51207 3-Part Label"));

    // A postcard on plain paper with the preview.
    printing->printerType = QVPlainPaperPrinter;
    printing->labelType = QVPlainPaperLabel;
    defaults().setBool(true, QStringLiteral("previewOnPrint"));
    storeQuietly({{QVUSPSShipmentSizeKey, QVUSPSPostcardSize}});
    EXPECT_EQ(controller->printItemTitleForCurrentMode(), QStringLiteral("Prepare Postcard for Printing…"));

    // Option inverts the preview only while held; quitting restores it.
    controller->myFlagsChanged(QVOptionKeyMask);
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("previewOnPrint")));
    EXPECT_EQ(controller->printMenuKeyModifiers(), QVCommandKeyMask | QVOptionKeyMask);
    controller->myFlagsChanged(0);
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("previewOnPrint")));
    EXPECT_EQ(controller->printMenuKeyModifiers(), QVCommandKeyMask);
    controller->myFlagsChanged(QVOptionKeyMask);
    controller->appIsQuitting();
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("previewOnPrint")));
}

// The print box names the printer, or says there is none; its pop-up shows
// the print item, selected and on one line.
TEST_F(ReturnAddressTest, ThePrintItemNamesThePrinterOnOneLineOrSaysThereIsNone)
{
    storeQuietly({{QVUSPSShipmentSizeKey, QVUSPSLetterSize}});
    struct Case {
        const char *printer;
        const char *summary;
        const char *item;
    };
    const Case cases[] = {
        {"Office Laser", "Office Laser (envelopePrintInfo)\n#10 Envelope (9.5 x 4.125 in)",
         "Print to Office Laser (envelopePrintInfo), #10 Envelope (9.5 x 4.125 in)"},
        {"", "No printer\n#10 Envelope (9.5 x 4.125 in)", "No printer"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.printer);
        printing->printerName = QString::fromUtf8(c.printer);
        controller->updatePrinterSummaryText();
        EXPECT_EQ(form().text(FormControl::PreviewPrinterSummary), QString::fromUtf8(c.summary));
        const FormPopUp &options = form().popUp(FormControl::PreviewPrinterOptions);
        ASSERT_TRUE(options.selectedItem());
        EXPECT_EQ(options.selectedTag(), 0);
        EXPECT_EQ(options.selectedItem()->title, QString::fromUtf8(c.item));
    }
}

TEST_F(ReturnAddressTest, ANewLicenceZIPRepricesFromIt)
{
    sendTo(QStringLiteral("10001"));
    postage->reply->licenseZIP5 = QStringLiteral("94105");
    controller->tolvaneStatusDidChange(postage->reply);
    settle();
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("mailedFromZIP5")), QStringLiteral("94105"));
    EXPECT_EQ(stored(QVUSPSShipmentMailedFromZIP5Key), QStringLiteral("94105"));
    EXPECT_TRUE(form().text(FormControl::StatusTextLine).contains(QStringLiteral("100.00")));
}

} // namespace
