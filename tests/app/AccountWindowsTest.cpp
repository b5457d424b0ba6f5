// The Qt views of the account panels, the stamps edition's preferences and
// about box, and their registration with the program's window controllers:
// each view shows its controller's state, its controls reach the
// controller, and the sheets sit window-modal on their window. Every window
// is saved as a PNG in the build folder for a look.
#include "AccountPanelsFixture.h"

#include "app/account/AccountWindowsRegistration.h"
#include "app/windows/KIVOWindows.h"
#include "app/shell/LaunchServices.h"
#include "app/shell/QVXControllerActions.h"
#include "app/account/TolvaneAccountPanels.h"
#include "app/account/TolvaneGUIController.h"
#include "app/account/TolvaneWizardController.h"
#include "platform/Bundle.h"
#include "printing/setup/QVPrinterTypes.h"
#include "services/QVRHOResponse.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace tolvane::test;

namespace {

QString shotPath(const QString &name) { return QStringLiteral(TOLVANE_BINARY_DIR "/tests/app/") + name; }

void saveShot(QWidget *window, const QString &name)
{
    QApplication::processEvents();
    EXPECT_TRUE(window->grab().toImage().save(shotPath(name))) << qPrintable(name);
}

// Types the text as key presses, as a user would (textEdited follows).
void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(edit, &erase);
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
}

QPushButton *buttonTitled(QWidget *window, const QString &title)
{
    for (QPushButton *button : window->findChildren<QPushButton *>())
        if (button->text().remove(QLatin1Char('&')) == title)
            return button;
    ADD_FAILURE() << "no button " << qPrintable(title);
    return nullptr;
}

void click(QWidget *window, const QString &title)
{
    if (QPushButton *button = buttonTitled(window, title))
        button->click();
}

// Runs the check inside the modal session that the call opens, then ends
// the session if the check left it running.
void insideModal(const std::function<void()> &open, const std::function<void(QWidget *modal)> &check)
{
    bool checked = false;
    QTimer::singleShot(0, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            ADD_FAILURE() << "no modal window";
            return;
        }
        checked = true;
        check(modal);
        if (QDialog *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    open();
    EXPECT_TRUE(checked);
}

class AccountViewsTest : public AccountPanelsTest
{
protected:
    void SetUp() override
    {
        AccountPanelsTest::SetUp();
        panels.setView(&view);
        mainWindow.setWindowTitle(QStringLiteral("Mailing Log"));
        mainWindow.resize(400, 300);
        mainWindow.show();
        view.setWindow(TolvanePanelWindow::Other, &mainWindow);
    }
    void TearDown() override
    {
        panels.setView(nullptr);
        AccountPanelsTest::TearDown();
    }
    TolvaneGUIController panels;
    TolvaneAccountPanelsView view{panels};
    QWidget mainWindow;
};

TEST_F(AccountViewsTest, StatusAndBuyPanelsShowTheAccountAndBuyTheChosenAmount)
{
    signIn(455000);
    panels.tolvaneStatusDidChange(client->lastValidStatusResponse());
    panels.showAccountStatusPanel();
    QDialog *status = view.statusPanel();
    ASSERT_TRUE(status->isVisible());
    const QString text = status->findChild<QLabel *>(QStringLiteral("statusText"))->text();
    EXPECT_EQ(text + QLatin1Char('\n'), panels.statusText());
    EXPECT_TRUE(text.contains(QStringLiteral("SAN FRANCISCO CA 94107"))) << qPrintable(text);
    saveShot(status, QStringLiteral("account-status-panel.png"));

    // The panel's button opens the buy panel, modal; the amounts within the
    // limits are offered and the chosen one is bought.
    server.queueReplies(kBuyWire, {statusReply(480000)});
    insideModal([&] { click(status, QStringLiteral("Buy Postage…")); },
                [&](QWidget *modal) {
                    ASSERT_EQ(modal, view.buyPanel());
                    EXPECT_TRUE(panels.buyPanel().open);
                    auto *amounts = modal->findChild<QComboBox *>();
                    QStringList offered;
                    for (int i = 0; i < amounts->count(); ++i)
                        offered << amounts->itemText(i);
                    EXPECT_EQ(offered, (QStringList{QStringLiteral("$10.00"), QStringLiteral("$25.00")}));
                    bool balanceShown = false;
                    for (QLabel *label : modal->findChildren<QLabel *>())
                        balanceShown |= label->text() == panels.buyPanel().balance;
                    EXPECT_TRUE(balanceShown) << qPrintable(panels.buyPanel().balance);
                    amounts->setCurrentIndex(1);
                    EXPECT_EQ(panels.buyPanel().selectedAmount, 1);
                    saveShot(modal, QStringLiteral("buy-postage-panel.png"));
                    click(modal, panels.buyPanel().buyButtonTitle);
                    // A successful purchase ends the modal session itself.
                    EXPECT_FALSE(modal->isVisible());
                });
    EXPECT_EQ(requestsOf(kBuyWire), 1);
    EXPECT_EQ(alertTexts(), QStringList{QStringLiteral("Postage Purchase Complete")});
    ASSERT_EQ(log->records.size(), 1);
    EXPECT_EQ(log->records.first().value(QVShipmentPriceKey).toString(), QStringLiteral("25.00"));
    EXPECT_FALSE(panels.buyPanel().open);

    // Closing the buy panel tells the controller.
    insideModal([&] { panels.showBuyPostagePanel(); }, [](QWidget *) {});
    EXPECT_FALSE(panels.buyPanel().open);
    EXPECT_EQ(requestsOf(kBuyWire), 1);
}

TEST_F(AccountViewsTest, TheSignInPanelShowsTheStoredAccountAndSignsInOrQuitsWhenClosed)
{
    defaults().setString(server.baseUrl(), QVRHOServerDefaultsKey);
    defaults().setString(kAccount, QVRHOUserDefaultsKey);
    struct Case {
        QString passPhrase;
        bool signedIn;
    };
    for (const Case &c : {Case{QStringLiteral("not it"), false}, Case{kPassPhrase, true}}) {
        SCOPED_TRACE(qPrintable(c.passPhrase));
        dialogs->alerts.clear();
        host->calls.clear();
        server.queueReplies(kStatusWire, {statusReply()});
        insideModal([&] { panels.awakeFromNib(); },
                    [&](QWidget *modal) {
                        ASSERT_EQ(modal, view.signInPanel());
                        EXPECT_EQ(modal->windowModality(), Qt::ApplicationModal);
                        const QList<QLineEdit *> fields = modal->findChildren<QLineEdit *>();
                        ASSERT_EQ(fields.size(), 3); // server, account, pass phrase
                        EXPECT_EQ(fields.at(0)->text(), server.baseUrl());
                        EXPECT_EQ(fields.at(1)->text(), kAccount);
                        EXPECT_EQ(fields.at(2)->echoMode(), QLineEdit::Password);
                        typeInto(fields.at(2), c.passPhrase);
                        if (c.signedIn)
                            saveShot(modal, QStringLiteral("sign-in-panel.png"));
                        click(modal, QStringLiteral("OK"));
                        // A refusal keeps the panel; closing it then quits.
                        EXPECT_EQ(modal->isVisible(), !c.signedIn);
                    });
        EXPECT_EQ(alertTexts().isEmpty(), c.signedIn) << qPrintable(alertTexts().join(" | "));
        EXPECT_EQ(host->called(QStringLiteral("terminate")), !c.signedIn);
        EXPECT_EQ(client->lastValidStatusResponse() != nullptr, c.signedIn);
        EXPECT_FALSE(panels.signInPanel().open);
    }
    EXPECT_EQ(client->password(), kPassPhrase);
}

TEST_F(AccountViewsTest, TheChangeSheetShowsTheKeepPassPhraseBoxAndStoresItWithTheChange)
{
    signIn();
    QString passPhrase = kPassPhrase;
    for (const bool stored : {false, true}) {
        SCOPED_TRACE(stored ? "kept" : "not kept");
        defaults().setBool(stored, QVRHOSavePasswordDefaultsKey);
        panels.showChangePasswordPanel(TolvanePanelWindow::Other);
        QDialog *sheet = view.changeSheet();
        ASSERT_TRUE(sheet->isVisible());
        const QList<QCheckBox *> boxes = sheet->findChildren<QCheckBox *>();
        ASSERT_EQ(boxes.size(), 1);
        QCheckBox *keep = boxes.first();
        EXPECT_EQ(keep->isChecked(), stored);
        if (!stored)
            saveShot(sheet, QStringLiteral("change-pass-phrase-sheet.png"));
        // The user turns the box over and changes the pass phrase.
        keep->click();
        EXPECT_EQ(panels.changePassPhraseSheet().savePassPhrase, !stored);
        const QList<QLineEdit *> fields = sheet->findChildren<QLineEdit *>();
        ASSERT_EQ(fields.size(), 3); // current, new, confirmation
        const QString next = passPhrase + QStringLiteral("!");
        typeInto(fields.at(0), passPhrase);
        typeInto(fields.at(1), next);
        typeInto(fields.at(2), next);
        server.queueReplies(kChangeWire, {FakePostageReply()});
        click(sheet, QStringLiteral("OK"));
        EXPECT_FALSE(sheet->isVisible());
        EXPECT_EQ(defaults().boolForKey(QVRHOSavePasswordDefaultsKey), !stored);
        EXPECT_EQ(client->password(), next);
        passPhrase = next;
    }
    EXPECT_EQ(requestsOf(kChangeWire), 2);
}

TEST_F(AccountViewsTest, PostageCorrectionSheetSitsOnItsWindowAndSendsItsButtons)
{
    signIn(5000); // $5.00
    defaults().setString(QVPlainPaperLabel, QStringLiteral("printerLabel"));
    defaults().setString(QVPlainPaperPrinter, QStringLiteral("printerType"));
    QVShipment piece;
    piece.setObject(QStringLiteral("9405511899223197428090"), QVUSPSShipmentPICKey);
    struct Case {
        QString amount;
        QString button;
        QString alert; // empty: none
        bool stays;
        int prints;
    };
    const QList<Case> cases = {
        {QStringLiteral("0"), QStringLiteral("Test Print"), QStringLiteral("Invalid correction amount."), true, 0},
        {QStringLiteral("5.01"), QStringLiteral("Print"), QStringLiteral("Insufficient funds"), true, 0},
        {QStringLiteral("5.00"), QStringLiteral("Test Print"), QString(), true, 1},
        {QStringLiteral("5.00"), QStringLiteral("Print"), QString(), false, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.amount + " " + c.button));
        dialogs->alerts.clear();
        printing->prints.clear();
        panels.showPostageCorrectionSheetForShipment(piece, TolvanePanelWindow::Other);
        QDialog *sheet = view.postageCorrectionSheet();
        ASSERT_TRUE(sheet->isVisible());
        EXPECT_EQ(sheet->parentWidget(), &mainWindow);
        EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
        auto *amount = sheet->findChild<QLineEdit *>();
        EXPECT_EQ(amount->text(), panels.postageCorrectionSheet().amount);
        typeInto(amount, c.amount);
        EXPECT_EQ(panels.postageCorrectionSheet().amount, c.amount);
        if (c.amount == QLatin1String("5.00") && c.button == QLatin1String("Test Print"))
            saveShot(sheet, QStringLiteral("postage-correction-sheet.png"));
        click(sheet, c.button);
        EXPECT_EQ(alertTexts(), c.alert.isEmpty() ? QStringList() : QStringList{c.alert});
        EXPECT_EQ(sheet->isVisible(), c.stays);
        EXPECT_EQ(panels.postageCorrectionSheet().open, c.stays);
        EXPECT_EQ(printing->prints.size(), c.prints);
        if (c.stays)
            click(sheet, QStringLiteral("Cancel"));
        EXPECT_FALSE(sheet->isVisible());
        EXPECT_FALSE(panels.postageCorrectionSheet().open);
    }
    // Only the real print bought and logged.
    EXPECT_EQ(requestsOf(kIndiciumWire), 1);
    EXPECT_EQ(log->records.size(), 1);
}

TEST_F(AccountViewsTest, DateCorrectionSheetPrintsTheChosenDay)
{
    signIn();
    defaults().setString(QVPlainPaperLabel, QStringLiteral("printerLabel"));
    panels.showDateCorrectionSheetOnWindow(TolvanePanelWindow::AccountStatus);
    QDialog *sheet = view.dateCorrectionSheet();
    ASSERT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->parentWidget(), view.statusPanel());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    auto *days = sheet->findChild<QComboBox *>();
    QStringList titles;
    for (int i = 0; i < days->count(); ++i)
        titles << days->itemText(i);
    EXPECT_EQ(titles, panels.dateCorrectionSheet().dayTitles);
    days->setCurrentIndex(2);
    EXPECT_EQ(panels.dateCorrectionSheet().selectedDay, 2);
    saveShot(sheet, QStringLiteral("date-correction-sheet.png"));
    click(sheet, QStringLiteral("Print"));
    ASSERT_EQ(printing->prints.size(), 1);
    EXPECT_EQ(printing->prints.first().date, QDate::currentDate().addDays(2));
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_FALSE(panels.dateCorrectionSheet().open);
    // Cancel closes without printing.
    panels.showDateCorrectionSheetOnWindow(TolvanePanelWindow::Other);
    EXPECT_EQ(sheet->parentWidget(), &mainWindow);
    click(sheet, QStringLiteral("Cancel"));
    EXPECT_FALSE(panels.dateCorrectionSheet().open);
    EXPECT_EQ(printing->prints.size(), 1);
}

TEST_F(AccountViewsTest, StampsPreferencesVerifyOnlyChangedCredentialsAndPutTheForcedSheetOnTheirWindow)
{
    signIn();
    KIVOPreferencesController preferences(panels);
    KIVOPreferencesWindow window(preferences);
    preferences.setView(&window);
    const int statusRequests = requestsOf(kStatusWire);
    insideModal([&] { preferences.showWindow(); },
                [&](QWidget *modal) {
                    ASSERT_EQ(modal, &window);
                    const QList<QLineEdit *> fields = window.findChildren<QLineEdit *>();
                    ASSERT_EQ(fields.size(), 2);
                    EXPECT_EQ(fields.at(0)->text(), kAccount);
                    EXPECT_EQ(fields.at(1)->text(), kPassPhrase);
                    EXPECT_EQ(fields.at(1)->echoMode(), QLineEdit::Password);
                    for (QCheckBox *box : window.findChildren<QCheckBox *>())
                        if (box->text().startsWith(QStringLiteral("Remind")))
                            box->setChecked(true);
                    window.findChild<QComboBox *>()->setCurrentIndex(2);
                    saveShot(&window, QStringLiteral("stamps-preferences.png"));
                    click(&window, QStringLiteral("OK"));
                    EXPECT_FALSE(window.isVisible());
                });
    EXPECT_EQ(requestsOf(kStatusWire), statusRequests);
    EXPECT_FALSE(defaults().boolForKey(KIVOStampsThresholdReminderKey));
    EXPECT_EQ(defaults().stringForKey(KIVOStampsThresholdKey),
              QString::number(KIVOPreferencesController::thresholdItems().at(2).tag));

    // A changed pass phrase is verified; the refusal keeps the window with
    // the fields as typed, and closing it tells the controller.
    insideModal([&] { preferences.showWindow(); },
                [&](QWidget *) {
                    QLineEdit *passPhrase = window.findChildren<QLineEdit *>().at(1);
                    typeInto(passPhrase, QStringLiteral("wrong one"));
                    click(&window, QStringLiteral("OK"));
                    EXPECT_TRUE(window.isVisible());
                    EXPECT_EQ(passPhrase->text(), QStringLiteral("wrong one"));
                });
    EXPECT_EQ(requestsOf(kStatusWire), statusRequests + 1);
    EXPECT_EQ(alertTexts(), QStringList{QStringLiteral("The Pass Phrase you entered was not correct.")});
    EXPECT_FALSE(preferences.state().open);
    EXPECT_EQ(client->password(), kPassPhrase);

    // Keeping the pass phrase switched on verifies again; a new account
    // gets the forced change sheet on this window, which stays.
    view.setWindow(TolvanePanelWindow::StampsPreferences, &window);
    server.queueReplies(kStatusWire, {statusReply(100000, "S", "V")});
    insideModal([&] { preferences.showWindow(); },
                [&](QWidget *) {
                    for (QCheckBox *box : window.findChildren<QCheckBox *>())
                        if (box->text() == QLatin1String("Remember pass phrase"))
                            box->setChecked(true);
                    click(&window, QStringLiteral("OK"));
                    QDialog *sheet = view.changeSheet();
                    EXPECT_TRUE(sheet->isVisible());
                    EXPECT_EQ(sheet->parentWidget(), &window);
                    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
                    EXPECT_TRUE(window.isVisible());
                    click(sheet, QStringLiteral("Cancel"));
                    EXPECT_FALSE(sheet->isVisible());
                });
    EXPECT_EQ(requestsOf(kStatusWire), statusRequests + 2);
    preferences.setView(nullptr);
}

TEST_F(AccountViewsTest, TheAboutBoxIsOneWindowAndANewOneAfterClosing)
{
    KIVOAboutBoxController::setViewFactory(makeKIVOAboutBoxView);
    for (const bool zpm : {false, true}) {
        SCOPED_TRACE(zpm ? "zpm" : "stamps");
        defaults().setBool(zpm, QStringLiteral("zpmVersion"));
        KIVOAboutBoxController::showWindow();
        QPointer<KIVOAboutBoxWindow> first = currentKIVOAboutBoxWindow();
        ASSERT_TRUE(first);
        EXPECT_TRUE(first->isVisible());
        const KIVOAboutBoxState &state = KIVOAboutBoxController::current()->state();
        EXPECT_EQ(first->productName()->text(), state.productName);
        EXPECT_TRUE(first->version()->text().contains(KIVOAboutBoxController::versionString()));
        // The edition's picture is the bundle's drawing.
        const QImage drawn(Bundle::pathForResource(state.imageName, QStringLiteral("png")));
        ASSERT_FALSE(drawn.isNull()) << qPrintable(state.imageName);
        EXPECT_EQ(first->picture()->pixmap().size(), drawn.size());
        saveShot(first, zpm ? QStringLiteral("about-box-zpm.png") : QStringLiteral("about-box.png"));

        KIVOAboutBoxController::showWindow();
        EXPECT_EQ(currentKIVOAboutBoxWindow(), first.data());
        first->QWidget::close();
        EXPECT_FALSE(KIVOAboutBoxController::current());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(first);
        KIVOAboutBoxController::showWindow();
        ASSERT_TRUE(currentKIVOAboutBoxWindow());
        EXPECT_TRUE(currentKIVOAboutBoxWindow()->isVisible());
        currentKIVOAboutBoxWindow()->QWidget::close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_FALSE(KIVOAboutBoxController::current());
    KIVOAboutBoxController::setViewFactory({});
}

QWidget *visibleWindowTitled(const QString &title)
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowTitle() == title)
            return window;
    return nullptr;
}

class StatusHost : public QVAccountStatusHost
{
public:
    void showProgress(const QString &) override {}
    void hideProgress() override {}
    bool isAutomation() override { return false; }
    void refreshAccountInformation() override {}
    void launchAccountOnTolvaneDotCom() override {}
};

class AccountWindowsRegistrationTest : public AccountPanelsTest
{
protected:
    void TearDown() override
    {
        KIVOAboutBoxController::setViewFactory({});
        AccountPanelsTest::TearDown();
    }
    StatusHost statusHost;
    QVAccountStatus accountStatus{rhoPostageAccount(), statusHost};
    QVWindowControllers windows;
};

TEST_F(AccountWindowsRegistrationTest, TheFactoriesMakeTheAccountWindows)
{
    registerAccountWindows(windows, accountStatus);
    ASSERT_TRUE(windows.hasFactory(QVAccountPanelsControllerName));
    ASSERT_TRUE(windows.hasFactory(QVKIVOPreferencesControllerName));

    // The launch makes the panels, which runs the start-up sign-in: no
    // stored account, so the wizard is asked for. The delegate's actions
    // reach the panels.
    QVDelegateActionHooks actions;
    QVXControllerHooks launch;
    joinAccountActions(actions, launch, windows);
    EXPECT_FALSE(windows.exists(QVAccountPanelsControllerName));
    launch.createAccountPanels();
    EXPECT_TRUE(windows.exists(QVAccountPanelsControllerName));
    EXPECT_EQ(host->calls, QStringList{QStringLiteral("showTolvaneWizard")});
    actions.showAccountStatusPanel();
    QWidget *status = visibleWindowTitled(QStringLiteral("Account Status"));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->findChild<QLabel *>(QStringLiteral("statusText"))->text(), QStringLiteral("Status not loaded"));
    actions.showChangePasswordPanel();
    EXPECT_TRUE(visibleWindowTitled(QStringLiteral("Change Pass Phrase")));
    actions.showDateCorrectionPanel();
    EXPECT_TRUE(visibleWindowTitled(QStringLiteral("Date Correction")));
    EXPECT_FALSE(windows.controller(QVAccountPanelsControllerName)->performAction(QStringLiteral("showPostageLog:")));
    EXPECT_EQ(host->calls.size(), 1);

    // The wizard of the status refresh, application-modal; closing it
    // without an account ends the program.
    defaults().setBool(true, QVRHOStampsVersionDefaultsKey);
    insideModal([&] { accountStatus.showTolvaneWizard(); },
                [&](QWidget *modal) {
                    EXPECT_EQ(modal->windowTitle(), QStringLiteral("Kivo Stamps Powered by Tolvane"));
                    EXPECT_EQ(modal->windowModality(), Qt::ApplicationModal);
                    // The server's whole address shows in its field.
                    const QList<QLineEdit *> fields = modal->findChildren<QLineEdit *>();
                    ASSERT_FALSE(fields.isEmpty());
                    QLineEdit *server = fields.first();
                    modal->layout()->activate();
                    EXPECT_TRUE(server->text().startsWith(QLatin1String("http")));
                    EXPECT_LE(server->fontMetrics().horizontalAdvance(server->text()) + 8, server->width())
                        << server->text().toStdString();
                    saveShot(modal, QStringLiteral("account-wizard-stamps.png"));
                });
    EXPECT_TRUE(host->called(QStringLiteral("terminate")));
    EXPECT_FALSE(accountStatus.wizard());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The stamps edition's preferences, modal.
    const std::shared_ptr<QVWindowController> preferences = windows.controller(QVKIVOPreferencesControllerName);
    ASSERT_TRUE(preferences);
    insideModal([&] { preferences->showWindow(); },
                [](QWidget *modal) { EXPECT_EQ(modal->windowTitle(), QStringLiteral("Preferences")); });

    // The about box.
    KIVOAboutBoxController::showWindow();
    ASSERT_TRUE(currentKIVOAboutBoxWindow());
    currentKIVOAboutBoxWindow()->QWidget::close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(AccountWindowsRegistrationTest, ANewAccountGetsTheForcedSheetOnTheWizard)
{
    registerAccountWindows(windows, accountStatus);
    // A new account with nothing on it yet: step 2 offers to buy postage.
    server.queueReplies(kStatusWire, {statusReply(0, "S", "V")});
    QPointer<QWidget> wizard;
    insideModal([&] { accountStatus.showTolvaneWizard(); },
                [&](QWidget *modal) {
                    wizard = modal;
                    const QList<QLineEdit *> fields = modal->findChildren<QLineEdit *>();
                    ASSERT_EQ(fields.size(), 3); // server, account, pass phrase
                    typeInto(fields.at(1), kAccount);
                    typeInto(fields.at(2), kPassPhrase);
                    click(modal, QStringLiteral("Next"));
                    host->runLater();
                    QDialog *sheet = nullptr;
                    for (QDialog *dialog : modal->findChildren<QDialog *>())
                        if (dialog->windowTitle() == QLatin1String("Change Pass Phrase"))
                            sheet = dialog;
                    ASSERT_TRUE(sheet);
                    EXPECT_TRUE(sheet->isVisible());
                    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
                    saveShot(modal, QStringLiteral("account-wizard-step2.png"));
                    QPushButton *buy = nullptr;
                    for (QPushButton *button : modal->findChildren<QPushButton *>())
                        if (button->text() == QStringLiteral("Buy Postage…"))
                            buy = button;
                    ASSERT_TRUE(buy);
                    EXPECT_TRUE(buy->isVisible());
                    click(sheet, QStringLiteral("Cancel"));
                    EXPECT_FALSE(sheet->isVisible());
                    EXPECT_NE(sheet->parentWidget(), modal);
                    click(modal, QStringLiteral("Finish"));
                });
    EXPECT_EQ(requestsOf(kStatusWire), 1);
    EXPECT_FALSE(host->called(QStringLiteral("terminate")));
    EXPECT_FALSE(accountStatus.wizard());
    // The released wizard's window goes once its close is over.
    EXPECT_TRUE(wizard);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(wizard);
}

} // namespace
