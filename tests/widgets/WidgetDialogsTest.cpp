// WidgetDialogs: the Qt Widgets dialogs answer what the user did in them
// (message boxes with their buttons and suppression box, the save panel, the
// page set-up with its accessory), driven here as a user would, offscreen.
#include "widgets/WidgetDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace tolvane;

namespace {

// Calls `act` with the modal dialog once it is shown (polled from the event
// loop the dialog runs).
void whenModalShows(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act]() {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

QAbstractButton *buttonTitled(QWidget *dialog, const QString &title)
{
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
        if (button->text() == title)
            return button;
    }
    return nullptr;
}

Alert threeButtonAlert()
{
    Alert alert;
    alert.messageText = QStringLiteral("Your mailing log exceeds 2500 entries.");
    alert.informativeText = QStringLiteral("Choose Archive Log.");
    alert.buttons = {{QStringLiteral("Archive Log"), 1}, {QStringLiteral("Later"), 5}, {QStringLiteral("Not Now"), 0}};
    alert.cancelAnswer = 0;
    return alert;
}

class AccessoryThatWidensTheLeftMargin : public PageSetupAccessory
{
public:
    PrintInfo info;
    int calls = 0;
    PrintInfo accessoryPrintInfo() const override { return info; }
    void setAccessoryPrintInfo(const PrintInfo &printInfo) override
    {
        ++calls;
        info = printInfo;
        info.leftMargin = 10;
    }
};

} // namespace

TEST(WidgetDialogs, MessageBoxShowsTheAlertAndAnswersThePressedButton)
{
    struct Case {
        QString press;
        int answer;
    };
    for (const Case &c : {Case{QStringLiteral("Archive Log"), 1}, Case{QStringLiteral("Later"), 5},
                          Case{QStringLiteral("Not Now"), 0}}) {
        QString shownText, shownInformative;
        bool hadCheckBox = true;
        whenModalShows([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            ASSERT_NE(box, nullptr);
            shownText = box->text();
            shownInformative = box->informativeText();
            hadCheckBox = box->checkBox() != nullptr;
            EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("Archive Log"));
            EXPECT_EQ(box->escapeButton()->text(), QStringLiteral("Not Now"));
            buttonTitled(box, c.press)->click();
        });
        EXPECT_EQ(WidgetDialogs().runAlert(threeButtonAlert()), c.answer) << c.press.toStdString();
        EXPECT_EQ(shownText, QStringLiteral("Your mailing log exceeds 2500 entries."));
        EXPECT_EQ(shownInformative, QStringLiteral("Choose Archive Log."));
        EXPECT_FALSE(hadCheckBox);
    }
}

TEST(WidgetDialogs, AlertTextsAreShownAsTheyAreNeverAsMarkup)
{
    Alert alert;
    alert.messageText = QStringLiteral("<b>ACME & Co</b>");
    alert.informativeText = QStringLiteral("<img src=\"x\"> <a href=\"https://example.test\">1 Main St</a>");
    std::unique_ptr<QMessageBox> box(makeMessageBox(alert, nullptr));
    box->show();
    int labels = 0;
    for (QLabel *label : box->findChildren<QLabel *>()) {
        if (label->text() != alert.messageText && label->text() != alert.informativeText)
            continue;
        ++labels;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
    }
    EXPECT_EQ(labels, 2);
    // For a look at an alert as the user sees it.
    EXPECT_TRUE(box->grab().save(QStringLiteral(TOLVANE_BINARY_DIR "/tests/widgets/alert.png")));
}

TEST(WidgetDialogs, TheIconFollowsTheAlertStyle)
{
    const std::pair<Alert::Style, QMessageBox::Icon> cases[] = {
        {Alert::Style::Warning, QMessageBox::Warning},
        {Alert::Style::Informational, QMessageBox::Information},
    };
    for (const auto &[style, icon] : cases) {
        Alert alert = alertWithText(QStringLiteral("Postage Purchase Complete"), QString());
        alert.style = style;
        std::unique_ptr<QMessageBox> box(makeMessageBox(alert, nullptr));
        EXPECT_EQ(box->icon(), icon) << int(style);
    }
    // An alert is a warning unless its maker says otherwise.
    EXPECT_EQ(alertWithText(QStringLiteral("x"), QStringLiteral("y")).style, Alert::Style::Warning);
}

TEST(WidgetDialogs, SuppressionBoxStateIsAnswered)
{
    for (const bool check : {true, false}) {
        Alert alert = threeButtonAlert();
        alert.showsSuppressionButton = true;
        QString boxTitle;
        whenModalShows([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            ASSERT_NE(box->checkBox(), nullptr);
            boxTitle = box->checkBox()->text();
            box->checkBox()->setChecked(check);
            buttonTitled(box, QStringLiteral("Not Now"))->click();
        });
        const AlertOutcome outcome = WidgetDialogs().runAlertWithSuppression(alert);
        EXPECT_EQ(outcome.answer, 0);
        EXPECT_EQ(outcome.suppressionChecked, check);
        EXPECT_EQ(boxTitle, QStringLiteral("Do not show this message again"));
    }
}

TEST(WidgetDialogs, AlertWithoutButtonsHasOneOkAndEscapeCancels)
{
    Alert alert;
    alert.messageText = QStringLiteral("Done.");
    alert.cancelAnswer = -1;
    whenModalShows([](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        EXPECT_EQ(box->buttons().size(), 1);
        buttonTitled(box, QStringLiteral("OK"))->click();
    });
    EXPECT_EQ(WidgetDialogs().runAlert(alert), 1);

    whenModalShows([](QWidget *modal) { modal->close(); });
    EXPECT_EQ(WidgetDialogs().runAlert(threeButtonAlert()), 0); // closed: the escape button's answer
}

TEST(WidgetDialogs, SavePanelAnswersTheChosenPathWithItsExtension)
{
    QTemporaryDir folder;
    const QString typed = folder.filePath(QStringLiteral("Mailing Log"));
    QString shownTitle;
    whenModalShows([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        shownTitle = dialog->windowTitle();
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), QStringLiteral("Log.xml")); // the suggested name
        dialog->setDirectory(folder.path());
        name->setText(QStringLiteral("Mailing Log"));
        static_cast<QDialog *>(dialog)->accept();
    });
    const auto path = WidgetDialogs().runSavePanel(
        {QStringLiteral("Export Log"), QStringLiteral("Log.xml"), {QStringLiteral("xml"), QStringLiteral("txt")}});
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, typed + QStringLiteral(".xml"));
    EXPECT_EQ(shownTitle, QStringLiteral("Export Log"));

    whenModalShows([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
    EXPECT_EQ(WidgetDialogs().runSavePanel({QStringLiteral("Export"), QStringLiteral("a.xml"), {}}), std::nullopt);
}

TEST(WidgetDialogs, SavePanelExtensionRule)
{
    const QStringList xml{QStringLiteral("xml"), QStringLiteral("txt")};
    EXPECT_EQ(savePanelPathWithExtension(QStringLiteral("/a/log"), xml), QStringLiteral("/a/log.xml"));
    EXPECT_EQ(savePanelPathWithExtension(QStringLiteral("/a/log.TXT"), xml), QStringLiteral("/a/log.TXT"));
    EXPECT_EQ(savePanelPathWithExtension(QStringLiteral("/a/log.csv"), xml), QStringLiteral("/a/log.csv.xml"));
    EXPECT_EQ(savePanelPathWithExtension(QStringLiteral("/a/log"), {}), QStringLiteral("/a/log"));
}

TEST(WidgetDialogs, PrintInfoRoundTripsThroughThePrinter)
{
    PrintInfo info;
    info.paperName = QStringLiteral("Envelope #10");
    info.paperSize = QSizeF(684, 297); // kept in landscape form
    info.orientation = PrintInfo::Orientation::Landscape;
    info.leftMargin = 18;
    info.topMargin = 9;
    info.rightMargin = 27;
    info.bottomMargin = 36;
    info.copies = 3;
    QPrinter printer(QPrinter::HighResolution);
    applyPrintInfoToPrinter(info, printer);
    const PrintInfo back = printInfoFromPrinter(printer, info);
    EXPECT_EQ(back.paperSize, QSizeF(297, 684)); // the portrait size
    EXPECT_EQ(back.orientation, PrintInfo::Orientation::Landscape);
    EXPECT_DOUBLE_EQ(back.leftMargin, 18);
    EXPECT_DOUBLE_EQ(back.topMargin, 9);
    EXPECT_DOUBLE_EQ(back.rightMargin, 27);
    EXPECT_DOUBLE_EQ(back.bottomMargin, 36);
    EXPECT_EQ(back.copies, 3);
}

TEST(WidgetDialogs, PageSetupGoesThroughTheAccessoryAndCancelChangesNothing)
{
    PrintInfo info;
    AccessoryThatWidensTheLeftMargin accessory;
    whenModalShows([](QWidget *modal) {
        ASSERT_NE(qobject_cast<QPageSetupDialog *>(modal), nullptr);
        qobject_cast<QDialog *>(modal)->accept();
    });
    const auto chosen = WidgetDialogs().runPageSetup(info, &accessory);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_DOUBLE_EQ(chosen->leftMargin, 10); // the accessory had the last word
    EXPECT_EQ(chosen->paperSize, QSizeF(612, 792));
    EXPECT_EQ(accessory.calls, 2);

    whenModalShows([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
    EXPECT_EQ(WidgetDialogs().runPageSetup(info, nullptr), std::nullopt);
}

TEST(WidgetDialogs, PrintPanelOffersThePrinterOnlyAndCancelChangesNothing)
{
    PrintInfo info;
    info.leftMargin = 18;
    for (const bool print : {true, false}) {
        bool wasPrintDialog = false;
        bool offersRangeOrPaper = true;
        whenModalShows([&](QWidget *modal) {
            auto *dialog = qobject_cast<QPrintDialog *>(modal);
            wasPrintDialog = dialog != nullptr;
            if (!dialog) {
                modal->close();
                return;
            }
            offersRangeOrPaper = dialog->testOption(QAbstractPrintDialog::PrintPageRange) ||
                dialog->testOption(QAbstractPrintDialog::PrintShowPageSize) ||
                dialog->testOption(QAbstractPrintDialog::PrintToFile);
            if (print)
                dialog->accept();
            else
                dialog->reject();
        });
        const std::optional<PrintInfo> chosen = WidgetDialogs().runPrintPanel(info, nullptr);
        EXPECT_TRUE(wasPrintDialog);
        EXPECT_FALSE(offersRangeOrPaper);
        EXPECT_EQ(chosen.has_value(), print);
        if (chosen) {
            // The paper and margins stay the caller's.
            EXPECT_EQ(chosen->paperSize, QSizeF(612, 792));
            EXPECT_DOUBLE_EQ(chosen->leftMargin, 18);
        }
    }
}

TEST(WidgetDialogs, OpenPanelChoicesFollowTheSelectedFile)
{
    OpenPanelWithChoices panel;
    panel.panel.title = QStringLiteral("Import");
    panel.choices = {{QStringLiteral("Format:"), {QStringLiteral("Tab"), QStringLiteral("Comma")}, 0},
                     {QStringLiteral("First row:"), {QStringLiteral("Titles"), QStringLiteral("Address")}, 1}};
    QStringList selected;
    panel.selectionDidChange = [&selected](const QString &path, QList<PanelChoice> &choices) {
        selected << path;
        choices[0].selected = path.endsWith(QStringLiteral(".csv")) ? 1 : 0;
    };
    std::unique_ptr<QFileDialog> dialog(makeOpenPanelWithChoices(panel, nullptr));
    EXPECT_EQ(choicesOf(*dialog, panel.choices)[0].selected, 0);
    EXPECT_EQ(choicesOf(*dialog, panel.choices)[1].selected, 1);
    const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel *l) { return l->text() == "First row:"; }));

    Q_EMIT dialog->currentChanged(QStringLiteral("/tmp/people.csv"));
    EXPECT_EQ(selected, QStringList{"/tmp/people.csv"});
    EXPECT_EQ(choicesOf(*dialog, panel.choices)[0].selected, 1);
    EXPECT_EQ(choicesOf(*dialog, panel.choices)[1].selected, 1);
    Q_EMIT dialog->currentChanged(QStringLiteral("/tmp/people.txt"));
    EXPECT_EQ(choicesOf(*dialog, panel.choices)[0].selected, 0);
}
