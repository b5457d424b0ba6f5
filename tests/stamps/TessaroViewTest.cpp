// The stamp window's Qt view over the "Tessaro" layout: the pop-ups, the
// matrices, the count field, the pricing texts and the mode switch as the
// controller has them, and screenshots of both modes (written as PNG files
// to look at).
#include "stamps/TessaroView.h"

#include "stamps/QVMatrix.h"
#include "stamps/TessaroMailpiecePopUp.h"
#include "stamps/TessaroTags.h"

#include "FakePrintSystem.h"
#include "RecordingDialogs.h"
#include "RecordingUrlOpener.h"
#include "StampTestSupport.h"
#include "TessaroTestHost.h"
#include "ViewTestSupport.h"

#include <QCheckBox>
#include <QFile>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QAbstractItemView>
#include <QStandardItemModel>

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class TessaroViewTest : public StampTest
{
protected:
    void SetUp() override
    {
        StampTest::SetUp();
        setDialogs(dialogs);
        host->printer = true;
        host->status = statusReply(4242, 125500);
        UserDefaults::standardUserDefaults().setBool(true, ShowStatusBarOnMasterControlDefaultsKey);
    }
    void TearDown() override
    {
        setDialogs(nullptr);
        StampTest::TearDown();
    }

    // The view's screenshot, kept under the test output folder.
    static QImage screenshot(QWidget &view, const QString &name)
    {
        const QImage image = view.grab().toImage();
        image.save(outputPath(name));
        return image;
    }

    std::shared_ptr<RecordingDialogs> dialogs = std::make_shared<RecordingDialogs>();
    std::shared_ptr<TessaroTestHost> host = std::make_shared<TessaroTestHost>();
    TessaroController controller{host, [] { return september2014(); }};
};

} // namespace

TEST_F(TessaroViewTest, SheetModeShowsTheControllersState)
{
    TessaroView view(controller);
    ASSERT_EQ(controller.currentMode(), TessaroController::SheetMode);
    EXPECT_EQ(view.size(), controller.contentSize().toSize());

    QComboBox *mailpiece = view.mailpiecePopup();
    ASSERT_EQ(mailpiece->count(), 8);
    EXPECT_EQ(mailpiece->currentData().toInt(), tessaro::FirstClassLetter);
    EXPECT_EQ(mailpiece->currentText(), QStringLiteral("First-Class Letter"));

    QComboBox *rate = view.sheetRatePopup();
    ASSERT_EQ(rate->count(), controller.classMenuItems().size());
    EXPECT_EQ(rate->currentIndex(), controller.selectedClassIndex());
    EXPECT_TRUE(rate->currentText().endsWith(QStringLiteral("1 oz. ($0.48)")));
    auto *model = qobject_cast<QStandardItemModel *>(rate->model());
    ASSERT_TRUE(model);
    EXPECT_FALSE(model->item(2)->isEnabled()) << "the header";
    EXPECT_TRUE(model->item(0)->isEnabled()) << "Blank";

    EXPECT_EQ(view.part<QStackedWidget>("tabView")->currentWidget()->objectName(), QStringLiteral("sheet2000"));
    EXPECT_EQ(view.stamp2000Matrix()->cellAt(0).stampAmount(), QStringLiteral(".48"));
    EXPECT_EQ(view.part<QLabel>("sheetBalance")->text(), QStringLiteral("$125.50"));
    EXPECT_EQ(view.part<QLabel>("sheetTotal")->text(), QStringLiteral("$11.52"));
    EXPECT_EQ(view.part<QLabel>("statusTextLine")->text(), QStringLiteral("Account 4242   Active   Balance $125.50"));
    EXPECT_EQ(view.part<QPushButton>("printLiveSheetButton")->text(), QStringLiteral("Print\u2026"));

    // Picking cells and a value.
    emit view.stamp2000Matrix()->selectionChanged({0, 1});
    EXPECT_EQ(controller.selectedCellIndices(), (QList<int>{0, 1}));
    const int priority = int(mailpiece->findData(tessaro::PriorityMailEnvelope));
    emit mailpiece->activated(priority);
    EXPECT_EQ(controller.stamps()[0], controller.catalogue().requestForTag(203));
    EXPECT_EQ(view.stamp2000Matrix()->cellAt(0).stampAmount(), QStringLiteral("5.75"));
    EXPECT_EQ(view.stamp2000Matrix()->selectedCells(), (QList<int>{0, 1}));
    EXPECT_EQ(view.part<QLabel>("sheetStampsSummary")->text(), QStringLiteral("24 stamps, $22.06 total."));

    // A typed count beyond 99 shows 99.
    auto *count = view.part<QLineEdit>("sheetCountField");
    count->setText(QStringLiteral("150"));
    emit count->textEdited(QStringLiteral("150"));
    EXPECT_EQ(count->text(), QStringLiteral("99"));
    EXPECT_EQ(controller.sheetCount(), 99);

    const QImage image = screenshot(view, QStringLiteral("tessaro-sheets.png"));
    EXPECT_EQ(image.size(), view.size() * view.devicePixelRatio());
}

TEST_F(TessaroViewTest, RollModeShowsTheRollStampAndTheSmallerWindow)
{
    TessaroView view(controller);
    const QSize sheets = view.size();
    view.part<QPushButton>("switcherRollsButton")->click();
    ASSERT_EQ(controller.currentMode(), TessaroController::RollMode);
    EXPECT_EQ(view.part<QStackedWidget>("tabView")->currentWidget()->objectName(), QStringLiteral("kivo"));
    EXPECT_EQ(view.height(), sheets.height() - 75);
    EXPECT_FALSE(view.part<QWidget>("referenceIDView")->isVisibleTo(&view));
    EXPECT_FALSE(view.part<QWidget>("sheetBox")->isVisibleTo(&view));
    EXPECT_TRUE(view.part<QWidget>("weighButton")->isVisibleTo(&view));
    // The guide serves both modes.
    EXPECT_TRUE(view.part<QWidget>("guideMeButton")->isVisibleTo(&view));
    EXPECT_TRUE(view.rect().contains(view.part<QWidget>("guideMeButton")->geometry()));
    EXPECT_EQ(view.part<QLabel>("kivoDollarAmount")->text(), QStringLiteral("$0.480"));
    EXPECT_EQ(view.part<QLabel>("kivoMailClass")->text(), QStringLiteral("FIRST-CLASS"));
    EXPECT_EQ(view.part<QPushButton>("printLiveSheetButton")->text(), QStringLiteral("Print"));
    EXPECT_EQ(view.sheetRatePopup()->count(), controller.classMenuItems().size());
    EXPECT_NE(view.sheetRatePopup()->itemText(0), QStringLiteral("Blank"));
    screenshot(view, QStringLiteral("tessaro-rolls.png"));

    view.part<QPushButton>("switcherSheetsButton")->click();
    EXPECT_EQ(controller.currentSheetType(), TessaroController::Sheet24);
    EXPECT_EQ(view.size(), sheets);
}

TEST_F(TessaroViewTest, TheOpenMailpiecePopUpShowsLargePicturesAndRichTitles)
{
    TessaroView view(controller);
    view.show();
    auto *popUp = qobject_cast<TessaroMailpiecePopUp *>(view.mailpiecePopup());
    ASSERT_TRUE(popUp);
    EXPECT_EQ(
        popUp->itemData(1, TessaroMailpiecePopUp::RichTitleRole).toString(),
        QStringLiteral("<b>First-Class Letter</b><br/><span style=\"color:#606060\">Letters up to 3.5 oz.</span>"));
    EXPECT_EQ(popUp->itemData(1, TessaroMailpiecePopUp::LargePictureRole).value<QImage>().size(), QSize(32, 32));
    EXPECT_EQ(popUp->iconSize(), QSize(16, 16));

    const QModelIndex index = popUp->model()->index(1, 0);
    QStyleOptionViewItem option;
    option.font = popUp->font();
    const QSize closed = popUp->itemDelegate()->sizeHint(option, index);
    popUp->showPopup();
    EXPECT_TRUE(popUp->showsLargeItems());
    const QSize open = popUp->itemDelegate()->sizeHint(option, index);
    EXPECT_GE(open.height(), TessaroMailpiecePopUp::LargePictureSize + 8);
    EXPECT_GT(open.height(), closed.height());
    if (QWidget *list = popUp->view()->window())
        list->grab().save(outputPath(QStringLiteral("tessaro-mailpiece-popup.png")));
    popUp->hidePopup();
    EXPECT_FALSE(popUp->showsLargeItems());
    EXPECT_EQ(popUp->itemDelegate()->sizeHint(option, index), closed);
}

TEST_F(TessaroViewTest, ThePrintButtonsRunThePrintFlow)
{
    const auto printers = std::make_shared<FakePrintSystem>();
    printers->add(QStringLiteral("office"), QStringLiteral("Laser Office 5000"));
    setPrintSystem(printers);
    host->printPanelAnswer = [](const PrintInfo &info) {
        PrintInfo chosen = info;
        chosen.printerName = QStringLiteral("office");
        return std::optional<PrintInfo>(chosen);
    };
    TessaroView view(controller);

    // Test Print: a sample sheet, no confirmation, nothing bought.
    view.part<QPushButton>("printSampleSheetButton")->click();
    EXPECT_EQ(printers->jobs.size(), 1);
    EXPECT_TRUE(host->alerts.isEmpty());

    // Print asks for the confirmation first; declined, nothing is printed.
    host->answers = {0};
    view.part<QPushButton>("printLiveSheetButton")->click();
    ASSERT_EQ(host->alerts.size(), 1);
    EXPECT_TRUE(host->alerts.first().startsWith(QStringLiteral("tessaroSheetReminder|")));
    EXPECT_EQ(printers->jobs.size(), 1);
    setPrintSystem(nullptr);
}

// The help button beside the mailpiece pop-up belongs to the maker's
// edition: it opens the bundled page on postage rates in the user's own
// program; the other edition shows no button and opens nothing.
TEST_F(TessaroViewTest, TheMakersEditionsMailpieceHelpOpensThePageOnPostageRates)
{
    struct Case {
        bool makerEdition;
        const char *screenshot;
    };
    for (const Case &edition : {Case{true, "tessaro-maker-mailpiece-help.png"}, Case{false, nullptr}}) {
        SCOPED_TRACE(edition.makerEdition ? "maker's edition" : "other edition");
        UserDefaults::standardUserDefaults().setBool(edition.makerEdition, QVRHOStampsVersionDefaultsKey);
        UrlOpenerScope urls;
        TessaroController window{host, [] { return september2014(); }};
        TessaroView view(window);
        view.show();
        auto *help = view.part<QToolButton>("mailpieceHelpButton");
        ASSERT_TRUE(help);
        EXPECT_EQ(help->isVisibleTo(&view), edition.makerEdition);
        if (!edition.makerEdition) {
            // The pop-up keeps the whole row.
            EXPECT_EQ(view.mailpiecePopup()->geometry().right(), help->geometry().right());
            EXPECT_FALSE(window.kivoStampsMailpieceHelp());
            EXPECT_TRUE(urls->opened.isEmpty());
            continue;
        }
        // Beside the pop-up, not over it.
        EXPECT_FALSE(view.mailpiecePopup()->geometry().intersects(help->geometry()));
        screenshot(view, QString::fromLatin1(edition.screenshot));
        help->click();
        ASSERT_EQ(urls->opened.size(), 1);
        const QUrl page = urls->opened.first();
        ASSERT_TRUE(page.isLocalFile());
        EXPECT_TRUE(page.toLocalFile().endsWith(QStringLiteral("/WebHelp/About_Postage_Rates.htm")));
        QFile file(page.toLocalFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().contains("<title>About Postage Rates</title>"));
    }
}

// With no label printer installed, the roll printer pop-up says so rather
// than showing blank.
TEST_F(TessaroViewTest, TheRollPrinterPopUpSaysWhenThereIsNoPrinter)
{
    setPrintSystem(std::make_shared<FakePrintSystem>());
    TessaroView view(controller);
    view.part<QPushButton>("switcherRollsButton")->click();
    ASSERT_EQ(controller.currentMode(), TessaroController::RollMode);
    auto *printer = view.part<QComboBox>("kivoPrinterPopup");
    ASSERT_TRUE(printer);
    EXPECT_TRUE(controller.kivoPrinterItems().isEmpty());
    EXPECT_EQ(printer->count(), 0);
    EXPECT_EQ(printer->placeholderText(), QStringLiteral("No printer"));
    screenshot(view, QStringLiteral("tessaro-rolls-no-printer.png"));
    setPrintSystem(nullptr);
}
