// QVPrintCommands: the Print, Test Print and Print Selected commands (the
// Option key, the ship-date questions, the stamp mode), the preview panel's
// sizes, titles, label-server cache and rebuilds, the part of a drawn
// customs form it shows (the label, not the sender's copy), the PDF outputs (Save,
// Open, Email) and batch printing with its report; QVEmailManager's command
// line and the outgoing-PDF folder.
#include "PrintFlowFakes.h"
#include "PrintingTestSupport.h"
#include "RecordingUrlOpener.h"
#include "ViewTestSupport.h"
#include "WatchedMailingLog.h"

#include "RecordingAutomation.h"

#include "platform/AutomationServices.h"
#include "platform/Paths.h"
#include "printing/flow/QVEmailManager.h"
#include "printing/flow/QVPreviewPanelWidget.h"
#include "printing/flow/QVPrintCommands.h"
#include "printing/flow/QVStampWindowPrinting.h"
#include "printing/customs/QVIntl2976ALabelController.h"
#include "printing/customs/QVIntl2976LabelController.h"
#include "printing/layouts/QVEnvelopeSizes.h"
#include "printing/setup/QVPrinterTypes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvane;
using namespace tolvane::test;

namespace {

// The window of the commands: batch mode, the Option key and every call.
class CommandWindow final : public Window
{
public:
    bool stampMode = false;
    bool optionDown = false;
    bool stealth = false;
    bool batchMode = false;
    QList<QVAddress> batch;
    // Addresses whose verification fails (by name).
    QStringList unverifiable;

    bool inStampPrintingMode() override { return stampMode; }
    bool useStealthPostageForCurrentShipment() override { return stealth; }
    bool optionKeyDown() override { return optionDown; }
    void setOptionKeyDown(bool down) override { optionDown = down; }
    void endEditing() override { calls << QStringLiteral("endEditing"); }
    bool inBatchMode() override { return batchMode; }
    QList<QVAddress> batchAddresses() override { return batch; }
    void leaveBatchPrint() override
    {
        batchMode = false;
        calls << QStringLiteral("leaveBatchPrint");
    }
    void newPackageWithAddressString(const QString &address, const QString &, const QString &, const QString &,
                                     const QString &, bool) override
    {
        // A new package: the address, and the weight and defaults of a new
        // piece.
        calls << QStringLiteral("newPackage ") + address.section(QLatin1Char('\n'), 0, 0);
        auto next = samplePriorityShipment();
        QVAddress to(next->objectForKey(QVShipmentToAddressKey).toMap());
        to.setName(address.section(QLatin1Char('\n'), 0, 0));
        next->setObject(to.plist(), QVShipmentToAddressKey);
        next->setTotalPrice(Decimal(795, -2));
        shipment = next;
    }
    bool standardizeTextBoxAddress(bool) override
    {
        const QString name = QVAddress(shipment->objectForKey(QVShipmentToAddressKey).toMap()).name();
        return !unverifiable.contains(name);
    }
    void reselectLastAddressBookRow() override { calls << QStringLiteral("reselectLastAddressBookRow"); }
    void updatePrinterSummaryText() override { calls << QStringLiteral("updatePrinterSummaryText"); }
};

class PanelView final : public QVPreviewPanelView
{
public:
    bool shown = false;
    QSizeF runSize;
    QList<QSizeF> resizes;
    QList<QImage> images;
    QPair<QString, QString> titles;

    void runSheet(const QSizeF &contentSize) override
    {
        shown = true;
        runSize = contentSize;
    }
    bool isSheetShown() const override { return shown; }
    void endSheet() override { shown = false; }
    void setImage(const QImage &image) override { images << image; }
    void setButtonTitles(const QString &print, const QString &testPrint) override { titles = {print, testPrint}; }
    void setOutputOption(int) override {}
    void resizeContent(const QSizeF &contentSize, bool) override { resizes << contentSize; }
};

class FakeEmail final : public QVEmailManager
{
public:
    QStringList attachments;
    QStringList existedWhenHandedOff;
    bool mailMessage(const QString &, const QString &, const QString &, const QString &, const QString &attachment,
                     bool, QString *) override
    {
        attachments << attachment;
        if (QFileInfo::exists(attachment))
            existedWhenHandedOff << attachment;
        return true;
    }
    QStringList senderAccountAddresses() override { return {}; }
};

QVAddress batchAddress(const QString &name)
{
    return QVAddress(sampleAddress(name, QStringLiteral("12 Harvard St"), QStringLiteral("Boston"),
                                   QStringLiteral("MA"), QStringLiteral("02134-1409")));
}

class PrintCommandsTest : public PrintFlowFakesTest
{
protected:
    void SetUp() override
    {
        window = commandWindow;
        PrintFlowFakesTest::SetUp();
        setStampWindowPrinting(stamps);
        setEmailManager(email);
        for (const QString &key : {QVSundayWarningKey, QVSaturdayWarningKey, QVHolidayWarningKey})
            defaults().setBool(false, key);
        commands.setPreviewPanelView(&view);
        QVPrintCommands::clearPreviewImageCache();
    }
    void TearDown() override
    {
        QVPrintCommands::clearPreviewImageCache();
        setStampWindowPrinting(nullptr);
        setEmailManager(nullptr);
        PrintFlowFakesTest::TearDown();
    }

    // A First-Class letter, printed as an envelope on plain paper.
    void useLetter()
    {
        window->shipment->setObject(QVUSPSFirstClassMail, QVUSPSShipmentRateClassKey);
        window->shipment->setObject(QVUSPSLetterSize, QVUSPSShipmentSizeKey);
        window->shipment->removeObjectForKey(QVUSPSShipmentPICKey);
        window->shipment->setTotalPrice(Decimal(49, -2));
    }

    QString recipientName() const
    {
        return QVAddress(window->shipment->objectForKey(QVShipmentToAddressKey).toMap()).name();
    }

    QTemporaryDir dir;
    std::shared_ptr<CommandWindow> commandWindow = std::make_shared<CommandWindow>();
    std::shared_ptr<RecordingStampWindow> stamps = std::make_shared<RecordingStampWindow>();
    std::shared_ptr<FakeEmail> email = std::make_shared<FakeEmail>();
    UrlOpenerScope opener;
    PanelView view;
    QVPrintFlow flow;
    QVPrintCommands commands{flow};
};

} // namespace

// ---- The commands ------------------------------------------------------------------------

TEST_F(PrintCommandsTest, OptionInvertsThePreviewSettingForOnePrintOnly)
{
    struct Case {
        bool preference; // what the user chose
        bool option;     // Option held: the window stored the inverse
        bool previews;
    };
    for (const Case c :
         {Case{false, true, true}, Case{true, true, false}, Case{false, false, false}, Case{true, false, true}}) {
        SCOPED_TRACE(testing::Message() << "preference " << c.preference << " option " << c.option);
        view = PanelView();
        printers->jobs.clear();
        commandWindow->optionDown = c.option;
        defaults().setBool(c.option ? !c.preference : c.preference, QVPreviewOnPrintKey);
        commands.printTheLabel();
        EXPECT_EQ(view.shown, c.previews);
        EXPECT_EQ(printers->jobs.size(), c.previews ? 0 : 1);
        EXPECT_EQ(defaults().boolForKey(QVPreviewOnPrintKey), c.preference);
        EXPECT_FALSE(commandWindow->optionDown);
        commands.labelPreviewSheetDidEnd();
    }
    EXPECT_EQ(commandWindow->calls.first(), QStringLiteral("endEditing"));
}

TEST_F(PrintCommandsTest, ASaturdayHolidayAsksTwiceSaturdayFirstAndCancelAtEitherStops)
{
    // 25 December 2021, Christmas Day, was a Saturday.
    commandWindow->shipment->setObject(QDateTime(QDate(2021, 12, 25), QTime(9, 0)), QVShipmentShipDateKey);
    defaults().setBool(true, QVSaturdayWarningKey);
    defaults().setBool(true, QVHolidayWarningKey);
    defaults().setBool(true, QVSundayWarningKey);
    defaults().setBool(false, QVPreviewOnPrintKey);
    struct Case {
        QList<int> answers;
        int alerts;
        bool printed;
    };
    for (const Case &c : {Case{{0}, 1, false}, Case{{1, 0}, 2, false}, Case{{1, 1}, 2, true}}) {
        SCOPED_TRACE(testing::Message() << "answers " << c.answers.size());
        dialogs->alerts.clear();
        dialogs->answers = c.answers;
        printers->jobs.clear();
        commands.printTheLabel();
        ASSERT_EQ(dialogs->alerts.size(), c.alerts);
        EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Your shipment is scheduled for Saturday."));
        EXPECT_EQ(dialogs->alerts[0].buttons.first().title, QStringLiteral("Prepare Label"));
        if (c.alerts == 2) {
            EXPECT_EQ(dialogs->alerts[1].messageText, QStringLiteral("Your shipment is scheduled for a USPS holiday."));
            EXPECT_EQ(dialogs->alerts[1].informativeText,
                      QStringLiteral("You have set Tolvane to date your shipment for Christmas Day 2021. Is this "
                                     "correct?"));
        }
        EXPECT_EQ(printers->jobs.size(), c.printed ? 1 : 0);
    }

    // A Sunday asks its own question; an ordinary Wednesday none.
    dialogs->alerts.clear();
    EXPECT_FALSE(commands.shipDateWarningsAllowPrint(QDateTime(QDate(2021, 12, 26), QTime(9, 0))));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Your shipment is scheduled for Sunday."));
    dialogs->alerts.clear();
    EXPECT_TRUE(commands.shipDateWarningsAllowPrint(QDateTime(QDate(2021, 12, 22), QTime(9, 0))));
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(PrintCommandsTest, InTheStampModeTheCommandsGoToTheStampWindow)
{
    commands.printSelected();
    EXPECT_TRUE(stamps->calls.isEmpty());
    commandWindow->stampMode = true;
    commands.printTheLabel();
    commands.testPrint();
    commands.printSelected();
    EXPECT_EQ(
        stamps->calls,
        (QStringList{QStringLiteral("printSheet"), QStringLiteral("testPrint"), QStringLiteral("printSelected")}));
    EXPECT_TRUE(printers->jobs.isEmpty());
    EXPECT_TRUE(commandWindow->calls.isEmpty());
}

// ---- The preview ------------------------------------------------------------------------

TEST_F(PrintCommandsTest, PanelSizesFollowTheImage)
{
    struct Case {
        QSizeF image;
        bool half;
        bool wide;
        QSizeF expected;
    };
    const QSizeF panel = QVPreviewPanelController::kPanelContentSize;
    for (const Case &c : {Case{{300, 100}, false, false, {550, 380}}, Case{{300, 100}, true, false, {440, 380}},
                          Case{{684, 400}, false, false, {934, 455}}, Case{{288, 432}, false, false, panel},
                          Case{{288, 432}, false, true, {538, 487}}}) {
        SCOPED_TRACE(testing::Message() << c.image.width() << "x" << c.image.height() << " half " << c.half);
        defaults().setBool(c.half, QVHalfSizeEnvelopePreviewsKey);
        EXPECT_EQ(QVPreviewPanelController::contentSizeForImage(c.image, c.wide), c.expected);
    }
}

TEST_F(PrintCommandsTest, APlainLabelPreviewUsesThePanelSizeAndAnEnvelopeItsOwn)
{
    ASSERT_TRUE(commands.preparePreviewLabelController());
    const QImage label = commands.labelPreviewImage();
    ASSERT_FALSE(label.isNull());
    commands.runLabelPreviewSheetWithImage(label);
    EXPECT_EQ(view.runSize, QVPreviewPanelController::kPanelContentSize);
    EXPECT_EQ(view.titles,
              (QPair<QString, QString>{QStringLiteral("Print Label"), QStringLiteral("Test Print Label")}));
    commands.labelPreviewSheetDidEnd();
    EXPECT_FALSE(commands.hasPreviewLabelController());

    useLetter();
    ASSERT_TRUE(commands.preparePreviewLabelController());
    const QImage envelope = commands.labelPreviewImage();
    ASSERT_FALSE(envelope.isNull());
    commands.runLabelPreviewSheetWithImage(envelope);
    EXPECT_EQ(view.runSize, NewSizeForEnvelopesFromSize(envelope.deviceIndependentSize()));
    // The envelope sits on its face, which is larger than the envelope.
    const QSizeF points = QVEnvelopeSizes::currentEnvelopeSize() * 72;
    EXPECT_NEAR(envelope.deviceIndependentSize().width(), points.width() * 1.05, 1);
    EXPECT_NEAR(envelope.deviceIndependentSize().height(), points.height() * 1.2, 1);
}

TEST_F(PrintCommandsTest, CustomsFormPreviewsComeFromTheLabelServerOnTheirStock)
{
    QStringList askedTypes;
    commands.setLabelServerPreview([&askedTypes](const QVShipment &, const QString &labelType, bool) {
        askedTypes << labelType;
        QImage image(612, 396, QImage::Format_RGB32);
        image.fill(Qt::white);
        return std::optional<QImage>(image);
    });
    defaults().setString(QVZebra2844Printer, QStringLiteral("printerType"));
    defaults().setString(QVEPL2Label, QStringLiteral("printerLabel"));
    struct Case {
        QString form;
        bool override2976A;
        QString labelType;
    };
    for (const Case &c : {Case{QVUSPSShipment2976APMICustomsFormType, false, QVEPL2Label},
                          Case{QVUSPSShipment2976APMICustomsFormType, true, QVPlainPaperLabel},
                          Case{QVUSPSShipment2976PMICustomsFormType, true, QVEPL2Label}}) {
        SCOPED_TRACE(c.form.toStdString());
        askedTypes.clear();
        QVPrintCommands::clearPreviewImageCache();
        defaults().setBool(c.override2976A, QVOverride2976APrintInfoKey);
        commandWindow->shipment = abroadShipment(c.form);
        commandWindow->shipment->setObject(QStringLiteral("RDC"), QVUSPSShipmentRDCKey);
        const QVariantMap before = commandWindow->shipment->dictionary();
        ASSERT_TRUE(commands.preparePreviewLabelController());
        const QImage image = commands.labelPreviewImage();
        EXPECT_EQ(askedTypes, QStringList{c.labelType});
        commands.runLabelPreviewSheetWithImage(image);
        EXPECT_EQ(view.runSize, QSizeF(862, 451));
        // The sample numbers went into a copy only.
        EXPECT_EQ(commandWindow->shipment->dictionary(), before);
        commands.labelPreviewSheetDidEnd();
    }
}

TEST_F(PrintCommandsTest, ADrawnCustomsFormPreviewShowsTheLabelNotTheSendersCopy)
{
    for (const bool form2976 : {true, false}) {
        SCOPED_TRACE(form2976 ? "2976" : "2976-A");
        auto shipment =
            abroadShipment(form2976 ? QVUSPSShipment2976PMICustomsFormType : QVUSPSShipment2976APMICustomsFormType);
        shipment->setObject(QVPreviewSampleCustomsNumber, QVUSPSShipmentCustomsBarcodeNumberKey);
        const std::unique_ptr<QVIntl2976ALabelController> form = form2976
            ? std::unique_ptr<QVIntl2976ALabelController>(
                  QVIntl2976LabelController::intl2976ControllerWithShipment(shipment))
            : QVIntl2976ALabelController::intl2976AControllerWithShipment(shipment);
        QWidget *page = form->labelView();
        const auto placeOf = [page](const char *name) {
            const QWidget *child = page->findChild<QWidget *>(QString::fromLatin1(name));
            return child ? QRectF(QPointF(child->mapTo(page, QPoint())), QSizeF(child->size())) : QRectF();
        };
        // The label part of the layout (the 4 x 6 label; the upper half of
        // a 2976-A page) and the sender's copy below it.
        const QRectF label = placeOf(form2976 ? "fourBySixLabelView" : "voidView1");
        const QRectF sendersCopy = placeOf("voidView2");
        // A mark of the label that the sender's copy lacks: the whole 4 x 6
        // label; the paid-online line of a 2976-A page.
        const char *markName = form2976 ? "fourBySixLabelView" : "paidOnline";
        QWidget *markView = page->findChild<QWidget *>(QString::fromLatin1(markName));
        const QRectF mark = placeOf(markName);
        ASSERT_TRUE(markView);
        ASSERT_FALSE(label.isEmpty());
        ASSERT_FALSE(sendersCopy.isEmpty());

        const QRectF crop = QVPrintCommands::customsFormPreviewRect(form2976);
        EXPECT_LE(crop.top(), label.top());
        EXPECT_GE(crop.bottom(), label.bottom());
        EXPECT_FALSE(crop.intersects(sendersCopy));
        EXPECT_LE(crop.top(), mark.top());
        EXPECT_GE(crop.bottom(), mark.bottom());

        // Drawn as the preview draws it, the picture shows at the mark's
        // place what the mark draws on its own.
        constexpr int scale = 3;
        const auto darkShare = [&](const QRectF &area) {
            QImage picture((area.size() * scale).toSize(), QImage::Format_RGB32);
            picture.fill(Qt::white);
            {
                QPainter painter(&picture);
                painter.scale(scale, scale);
                page->render(&painter, QPoint(), QRegion(area.toAlignedRect()), QWidget::DrawChildren);
            }
            QImage alone((mark.size() * scale).toSize(), QImage::Format_RGB32);
            alone.fill(Qt::white);
            {
                QPainter painter(&alone);
                painter.scale(scale, scale);
                markView->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
            }
            const QPoint offset = ((mark.topLeft() - area.topLeft()) * scale).toPoint();
            int dark = 0;
            int matched = 0;
            for (int y = 0; y < alone.height(); ++y)
                for (int x = 0; x < alone.width(); ++x) {
                    if (qGray(alone.pixel(x, y)) >= 128)
                        continue;
                    ++dark;
                    const QPoint at = offset + QPoint(x, y);
                    if (picture.rect().contains(at) && qGray(picture.pixel(at)) < 128)
                        ++matched;
                }
            return dark > 0 ? double(matched) / dark : 0.0;
        };
        EXPECT_GT(darkShare(crop), 0.95);
        // The same place a half page lower (the sender's copy) does not.
        EXPECT_LT(darkShare(crop.translated(0, 396)), 0.8);
    }
}

TEST_F(PrintCommandsTest, ButtonTitlesNameThePieceAndTheOutput)
{
    using Piece = QVPreviewPanelController::Piece;
    struct Case {
        int output;
        Piece piece;
        QString print;
        QString test;
    };
    for (const Case &c :
         {Case{0, Piece::Label, QStringLiteral("Print Label"), QStringLiteral("Test Print Label")},
          Case{0, Piece::Envelope, QStringLiteral("Print Envelope"), QStringLiteral("Test Print Envelope")},
          Case{2, Piece::Envelope, QStringLiteral("Save Envelope…"), QStringLiteral("Test Save Envelope…")},
          Case{1, Piece::Postcard, QStringLiteral("Open Postcard"), QStringLiteral("Test Open Postcard")},
          Case{3, Piece::Label, QStringLiteral("Email Label"), QStringLiteral("Test Email Label")}}) {
        SCOPED_TRACE(c.print.toStdString());
        EXPECT_EQ(QVPreviewPanelController::buttonTitles(c.output, c.piece),
                  (QPair<QString, QString>{c.print, c.test}));
    }

    // A letter on plain paper is an envelope; the pop-up retitles at once.
    useLetter();
    ASSERT_TRUE(commands.preparePreviewLabelController());
    commands.runLabelPreviewSheetWithImage(commands.labelPreviewImage());
    EXPECT_EQ(view.titles.first, QStringLiteral("Print Envelope"));
    commands.previewOutputOptionChanged(QVPreviewOutputSave);
    EXPECT_EQ(view.titles.first, QStringLiteral("Save Envelope…"));
    // The printer set-up item keeps the output.
    commands.previewOutputOptionChanged(QVPreviewPrinterSetupTag);
    EXPECT_EQ(commands.previewPanel().outputOption(), int(QVPreviewOutputSave));
}

TEST_F(PrintCommandsTest, AnUnchangedLabelServerPreviewIsAskedForOnce)
{
    defaults().setBool(true, QVUseVLSForEverythingDomesticKey);
    int asked = 0;
    commands.setLabelServerPreview([&asked](const QVShipment &, const QString &labelType, bool) {
        ++asked;
        QImage image(288, 432, QImage::Format_RGB32);
        image.fill(labelType == QVPlainPaperLabel ? Qt::white : Qt::gray);
        return std::optional<QImage>(image);
    });
    EXPECT_FALSE(commands.labelPreviewImage().isNull());
    EXPECT_FALSE(commands.labelPreviewImage().isNull());
    EXPECT_EQ(asked, 1);
    // Another recipient is another label.
    QVAddress to(commandWindow->shipment->objectForKey(QVShipmentToAddressKey).toMap());
    to.setName(QStringLiteral("Someone Else"));
    commandWindow->shipment->setObject(to.plist(), QVShipmentToAddressKey);
    EXPECT_FALSE(commands.labelPreviewImage().isNull());
    EXPECT_EQ(asked, 2);
}

TEST_F(PrintCommandsTest, AnOpenEnvelopePreviewIsRebuiltWhenItsSettingsChange)
{
    useLetter();
    ASSERT_TRUE(commands.preparePreviewLabelController());
    commands.runLabelPreviewSheetWithImage(commands.labelPreviewImage());
    const qsizetype before = view.images.size();
    commands.printingDefaultsChanged();
    EXPECT_EQ(view.images.size(), before); // nothing changed: nothing rebuilt

    defaults().setBool(!defaults().boolForKey(QVEnvelopeAlignPostageLeftKey), QVEnvelopeAlignPostageLeftKey);
    commands.printingDefaultsChanged();
    ASSERT_GT(view.images.size(), before);
    EXPECT_FALSE(view.images.last().isNull());
    const qsizetype afterAlign = view.images.size();
    commands.printingDefaultsChanged();
    EXPECT_EQ(view.images.size(), afterAlign);

    // Another envelope size: a new picture of another size, the panel resized.
    const QSizeF oldSize = view.images.last().deviceIndependentSize();
    const qint64 selected = defaults().objectForKey(QVSelectedEnvelopeSizeKey).toLongLong();
    defaults().setObject(selected == QVEnvelopeSizes::kBuiltinTagBase ? QVEnvelopeSizes::kBuiltinTagBase + 1
                                                                      : QVEnvelopeSizes::kBuiltinTagBase,
                         QVSelectedEnvelopeSizeKey);
    commands.printingDefaultsChanged();
    ASSERT_GT(view.images.size(), afterAlign);
    EXPECT_NE(view.images.last().deviceIndependentSize(), oldSize);
    ASSERT_FALSE(view.resizes.isEmpty());
    EXPECT_EQ(view.resizes.last(), NewSizeForEnvelopesFromSize(view.images.last().deviceIndependentSize()));
}

TEST_F(PrintCommandsTest, AnOpenLabelPreviewIsRebuiltWhenThePieceWouldPrintOtherwise)
{
    ASSERT_TRUE(commands.preparePreviewLabelController());
    commands.runLabelPreviewSheetWithImage(commands.labelPreviewImage());
    const qsizetype before = view.images.size();
    commands.printingDefaultsChanged();
    EXPECT_EQ(view.images.size(), before);

    // Another label stock, then hidden postage: each a new picture; a
    // second call without a change none.
    const auto rebuilds = [this](const std::function<void()> &change) {
        const qsizetype count = view.images.size();
        change();
        commands.printingDefaultsChanged();
        const bool rebuilt = view.images.size() > count && !view.images.last().isNull();
        const qsizetype after = view.images.size();
        commands.printingDefaultsChanged();
        EXPECT_EQ(view.images.size(), after);
        return rebuilt;
    };
    EXPECT_TRUE(rebuilds([this] { defaults().setString(QVKIVO51207Label, QStringLiteral("printerLabel")); }));
    EXPECT_TRUE(rebuilds([this] { commandWindow->stealth = true; }));
    // A closed panel is left alone.
    commands.labelPreviewSheetDidEnd();
    EXPECT_FALSE(rebuilds([this] { defaults().setString(QVPlainPaperLabel, QStringLiteral("printerLabel")); }));
}

// ---- The outputs ---------------------------------------------------------------------------

TEST_F(PrintCommandsTest, SaveCancelledPrintsNothingAndLeavesNoPendingSettings)
{
    flow.setPendingPrintInfoPropertiesForPDF(saveExtras(dir.filePath(QStringLiteral("stale.pdf"))));
    EXPECT_FALSE(commands.runPDFLabelWithOutputOption(QVPreviewOutputSave, false));
    EXPECT_EQ(dialogs->savePanels.size(), 1);
    EXPECT_TRUE(printers->jobs.isEmpty());
    EXPECT_TRUE(log->log.records.isEmpty());
    EXPECT_TRUE(clients->requests.isEmpty());
    EXPECT_TRUE(flow.pendingPrintInfoPropertiesForPDF().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("stale.pdf"))));
}

TEST_F(PrintCommandsTest, SaveWritesThePDFAtTheChosenPathWithTheAddresses)
{
    if (!haveProgram(QStringLiteral("pdftotext")))
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QString path = dir.filePath(QStringLiteral("chosen.pdf"));
    dialogs->savePaths = {path};
    ASSERT_TRUE(commands.runPDFLabelWithOutputOption(QVPreviewOutputSave, true));
    ASSERT_EQ(dialogs->savePanels.size(), 1);
    EXPECT_EQ(dialogs->savePanels[0].allowedExtensions, QStringList{QStringLiteral("pdf")});
    EXPECT_TRUE(dialogs->savePanels[0].suggestedFileName.startsWith(QStringLiteral("Grace Receiver ")));
    EXPECT_TRUE(printers->jobs.isEmpty());
    const QString text = pdfText(path);
    for (const char *line : {"Grace Receiver", "12 Harvard St", "BOSTON", "Ada Sender", "1600 Blake St"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line), Qt::CaseInsensitive)) << line << "\n" << text.toStdString();
    EXPECT_TRUE(flow.pendingPrintInfoPropertiesForPDF().isEmpty());
}

TEST_F(PrintCommandsTest, EmailHandsAnExistingPDFToTheMailProgramAndKeepsIt)
{
    ASSERT_TRUE(commands.runPDFLabelWithOutputOption(QVPreviewOutputEmail, true));
    ASSERT_EQ(email->attachments.size(), 1);
    const QString attachment = email->attachments.first();
    EXPECT_EQ(email->existedWhenHandedOff, email->attachments);
    EXPECT_TRUE(QFileInfo::exists(attachment));
    EXPECT_EQ(QFileInfo(attachment).absolutePath(), QFileInfo(outgoingPDFFolder()).absoluteFilePath());
    EXPECT_TRUE(attachment.endsWith(QStringLiteral(".pdf")));
    EXPECT_TRUE(printers->jobs.isEmpty());

    // Open keeps its file there too and hands it to the desktop.
    ASSERT_TRUE(commands.runPDFLabelWithOutputOption(QVPreviewOutputOpen, true));
    ASSERT_EQ(opener->opened.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(opener->opened.first().toLocalFile()));
    EXPECT_NE(opener->opened.first().toLocalFile(), attachment);

    // A print that failed hands nothing to the mail program.
    clients->refuseIndicium = true;
    EXPECT_FALSE(commands.runPDFLabelWithOutputOption(QVPreviewOutputEmail, false));
    EXPECT_EQ(email->attachments.size(), 1);
    dialogs->alerts.clear();

    // A mail program that fails is told in an "Error" alert.
    class Failing final : public QVEmailManager
    {
    public:
        bool mailMessage(const QString &, const QString &, const QString &, const QString &, const QString &, bool,
                         QString *error) override
        {
            *error = QStringLiteral("No mail program is set up.");
            return false;
        }
        QStringList senderAccountAddresses() override { return {}; }
    };
    setEmailManager(std::make_shared<Failing>());
    commands.runPDFLabelWithOutputOption(QVPreviewOutputEmail, true);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Error"));
    EXPECT_EQ(dialogs->alerts[0].informativeText, QStringLiteral("No mail program is set up."));
}

TEST_F(PrintCommandsTest, TheTestPrintButtonIgnoresPendingPDFSettingsAndPrintsAVoidSample)
{
    if (!haveProgram(QStringLiteral("pdftotext")))
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QString stale = dir.filePath(QStringLiteral("stale.pdf"));
    flow.setPendingPrintInfoPropertiesForPDF(saveExtras(stale));
    commands.testPrintPreviewSheet();
    EXPECT_FALSE(QFileInfo::exists(stale));
    ASSERT_EQ(printers->jobs.size(), 1);
    EXPECT_TRUE(clients->requests.isEmpty()); // nothing bought
    EXPECT_TRUE(log->log.records.isEmpty());
    const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
    QFile file(printed);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(printers->jobs.first().document);
    file.close();
    // The void mark runs across the label: its letters come out one a line.
    QString text = pdfText(printed, QStringLiteral("-raw"));
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    EXPECT_TRUE(text.contains(QStringLiteral("VOID-DONOTMAIL"))) << text.toStdString();
}

TEST_F(PrintCommandsTest, ProposedFileNamesHoldNoPathSeparator)
{
    QVAddress to(commandWindow->shipment->objectForKey(QVShipmentToAddressKey).toMap());
    to.setName(QStringLiteral("A/B Company"));
    commandWindow->shipment->setObject(to.plist(), QVShipmentToAddressKey);
    commands.runPDFLabelWithOutputOption(QVPreviewOutputSave, true);
    ASSERT_EQ(dialogs->savePanels.size(), 1);
    const QString proposed = dialogs->savePanels[0].suggestedFileName;
    EXPECT_FALSE(proposed.contains(QLatin1Char('/')));
    EXPECT_TRUE(proposed.startsWith(QStringLiteral("A-B Company "))) << proposed.toStdString();

    ASSERT_TRUE(commands.runPDFLabelWithOutputOption(QVPreviewOutputEmail, true));
    ASSERT_EQ(email->attachments.size(), 1);
    EXPECT_EQ(QFileInfo(email->attachments[0]).absolutePath(), QFileInfo(outgoingPDFFolder()).absoluteFilePath());

    struct Case {
        QString name;
        QString safe;
    };
    for (const Case &c : {Case{QStringLiteral("A/B: C\\D"), QStringLiteral("A-B- C-D")},
                          Case{QStringLiteral("../etc"), QStringLiteral("-etc")},
                          Case{QStringLiteral("Tab\there"), QStringLiteral("Tab-here")},
                          Case{QStringLiteral(" . "), QStringLiteral("Tolvane Label")}})
        EXPECT_EQ(safePDFBaseName(c.name), c.safe) << c.name.toStdString();
}

// ---- Batch printing ---------------------------------------------------------------------------

TEST_F(PrintCommandsTest, ABatchPrintsTheVerifiedAddressesAndReportsTheOthers)
{
    commandWindow->batchMode = true;
    commandWindow->batch = {batchAddress(QStringLiteral("Ann One")), batchAddress(QStringLiteral("Nobody Known")),
                            batchAddress(QStringLiteral("Cy Three"))};
    commandWindow->unverifiable = {QStringLiteral("Nobody Known")};
    commandWindow->shipment->setObject(QStringLiteral("22"), QVShipmentWeightNumberKey);
    for (const QString &key : {QVUseServiceStandardsKey, QVClearDimensionsAfterPrintKey, QVClearCustomsAfterPrintKey})
        defaults().setBool(true, key);
    defaults().setBool(false, QVPreviewOnPrintKey);
    // Print Batch, then View Addresses.
    dialogs->answers = {1, 1};
    QStringList weights;
    log->onWrite = [&](const QVShipment &piece) {
        weights << piece.objectForKey(QVShipmentWeightNumberKey).toString();
        for (const QString &key :
             {QVUseServiceStandardsKey, QVClearDimensionsAfterPrintKey, QVClearCustomsAfterPrintKey})
            EXPECT_FALSE(defaults().boolForKey(key)) << key.toStdString();
    };

    commands.printTheLabel();

    ASSERT_EQ(dialogs->alerts.size(), 2);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Batch Print"));
    EXPECT_TRUE(
        dialogs->alerts[0].informativeText.startsWith(QStringLiteral("You have selected to print 3 addresses")));
    EXPECT_EQ(log->log.records.size(), 2);
    EXPECT_EQ(printers->jobs.size(), 2);
    EXPECT_EQ(weights, (QStringList{QStringLiteral("22"), QStringLiteral("22")}));
    EXPECT_EQ(dialogs->alerts[1].messageText, QStringLiteral("1 of your batch could not be printed."));
    EXPECT_EQ(dialogs->alerts[1].informativeText,
              QStringLiteral("This is usually because the addresses could not verify."));
    EXPECT_TRUE(std::any_of(dialogs->alerts[1].buttons.cbegin(), dialogs->alerts[1].buttons.cend(),
                            [](const AlertButton &b) { return b.title == QStringLiteral("View Addresses"); }));

    // Batch mode was left before the first item.
    const qsizetype left = commandWindow->calls.indexOf(QStringLiteral("leaveBatchPrint"));
    ASSERT_GE(left, 0);
    EXPECT_LT(left, commandWindow->calls.indexOf(QStringLiteral("newPackage Ann One")));
    // The settings and the weight are back.
    for (const QString &key : {QVUseServiceStandardsKey, QVClearDimensionsAfterPrintKey, QVClearCustomsAfterPrintKey})
        EXPECT_TRUE(defaults().boolForKey(key)) << key.toStdString();
    EXPECT_EQ(commandWindow->shipment->objectForKey(QVShipmentWeightNumberKey).toString(), QStringLiteral("22"));

    // The report: UTF-8, each address followed by an empty line, opened.
    const QString report = QDir(applicationSupportDirectory()).filePath(QStringLiteral("tolvane-badaddresses.txt"));
    ASSERT_EQ(opener->opened.size(), 1);
    EXPECT_EQ(opener->opened[0].toLocalFile(), report);
    QFile file(report);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              batchAddress(QStringLiteral("Nobody Known")).formattedAddress() + QStringLiteral("\n\n"));
}

TEST_F(PrintCommandsTest, ACancelledBatchPrintsNothingAndStaysInBatchMode)
{
    commandWindow->batchMode = true;
    commandWindow->batch = {batchAddress(QStringLiteral("Ann One"))};
    dialogs->answers = {0};
    commands.printTheLabel();
    EXPECT_EQ(dialogs->alerts.size(), 1);
    EXPECT_TRUE(commandWindow->batchMode);
    EXPECT_TRUE(printers->jobs.isEmpty());
    // The failure list keeps any text as UTF-8.
    const QString path = QVPrintCommands::writeBadAddresses({QStringLiteral("Zoë Ünal\n1 Straße")});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QStringLiteral("Zoë Ünal\n1 Straße\n\n").toUtf8());
}

// ---- Mail hand-off and the outgoing folder -----------------------------------------------------

TEST_F(PrintCommandsTest, XdgEmailGetsTheMessageFieldsAndAFailureIsAnError)
{
    const QString record = dir.filePath(QStringLiteral("args.txt"));
    const QString script = dir.filePath(QStringLiteral("fake-xdg-email"));
    QFile stub(script);
    ASSERT_TRUE(stub.open(QIODevice::WriteOnly));
    stub.write(
        QStringLiteral(
            "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1'\n[ \"$1\" != fail ] || exit 4\nexit 0\n")
            .arg(record)
            .toUtf8());
    stub.close();
    stub.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString attachment = dir.filePath(QStringLiteral("label.pdf"));
    QFile pdf(attachment);
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write("%PDF-1.4\n");
    pdf.close();

    QVXdgEmailManager manager(script);
    QString error;
    ASSERT_TRUE(manager.mailMessage(QStringLiteral("Your label"), QString(), QStringLiteral("me@example.com"),
                                    QStringLiteral("you@example.com"), attachment, false, &error))
        << error.toStdString();
    QFile out(record);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(out.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              (QStringList{QStringLiteral("--utf8"), QStringLiteral("--subject"), QStringLiteral("Your label"),
                           QStringLiteral("--attach"), attachment, QStringLiteral("you@example.com")}));
    EXPECT_TRUE(manager.senderAccountAddresses().isEmpty());

    // A missing attachment, a failing program and a missing program fail.
    EXPECT_FALSE(manager.mailMessage({}, {}, {}, {}, dir.filePath(QStringLiteral("gone.pdf")), false, &error));
    QVXdgEmailManager failing(QStringLiteral("/bin/false"));
    EXPECT_FALSE(failing.mailMessage({}, {}, {}, {}, {}, false, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("exit code 1"))) << error.toStdString();
    QVXdgEmailManager missing(dir.filePath(QStringLiteral("no-such-program")));
    EXPECT_FALSE(missing.mailMessage({}, {}, {}, {}, {}, false, &error));
    // A recipient that looks like an option is not passed as one.
    EXPECT_FALSE(
        QVXdgEmailManager::argumentsFor({}, {}, QStringLiteral("--help"), {}).contains(QStringLiteral("--help")));
}

TEST_F(PrintCommandsTest, OutgoingPDFsOfEarlierRunsAreRemovedAtStart)
{
    const QDir folder(outgoingPDFFolder());
    ASSERT_TRUE(folder.exists());
    const QString old = folder.filePath(QStringLiteral("old.pdf"));
    const QString fresh = folder.filePath(QStringLiteral("fresh.pdf"));
    for (const QString &path : {old, fresh}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4\n");
    }
    QFile oldFile(old);
    ASSERT_TRUE(oldFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(oldFile.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime));
    oldFile.close();
    removeOldOutgoingPDFs();
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_TRUE(QFileInfo::exists(fresh));
}

// ---- The panel on screen ------------------------------------------------------------------------

TEST_F(PrintCommandsTest, ThePanelShowsTheEnvelopeOnItsFace)
{
    useLetter();
    QVPrintCommands onScreen(flow);
    ASSERT_TRUE(onScreen.preparePreviewLabelController());
    const QImage image = onScreen.labelPreviewImage();
    onScreen.runLabelPreviewSheetWithImage(image);
    onScreen.previewOutputOptionChanged(QVPreviewOutputSave);
    auto *panel = qobject_cast<QVPreviewPanelWidget *>(QApplication::activeModalWidget());
    QWidget *shown = panel;
    if (!shown) {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (qobject_cast<QVPreviewPanelWidget *>(top) && top->isVisible())
                shown = top;
        }
    }
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->size(), NewSizeForEnvelopesFromSize(image.deviceIndependentSize()).toSize());
    const QList<QPushButton *> buttons = shown->findChildren<QPushButton *>();
    QStringList titles;
    for (const QPushButton *button : buttons)
        titles << button->text();
    EXPECT_TRUE(titles.contains(QStringLiteral("Save Envelope…")));
    EXPECT_TRUE(titles.contains(QStringLiteral("Test Save Envelope…")));
    QApplication::processEvents(); // the layout takes the new titles
    const QString png = outputPath(QStringLiteral("PreviewPanel.png"));
    EXPECT_TRUE(shown->grab().save(png));
    // Escape (or the close box) ends the sheet as Cancel does.
    ASSERT_TRUE(onScreen.hasPreviewLabelController());
    static_cast<QDialog *>(shown)->reject();
    EXPECT_FALSE(shown->isVisible());
    EXPECT_FALSE(onScreen.hasPreviewLabelController());
}
