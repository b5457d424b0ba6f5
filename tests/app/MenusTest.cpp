// The menus as data, the web-page actions (the URLs a UrlOpener receives),
// the window openers over fake window controllers, and the Qt menu bar made
// from the menus.
#include "app/shell/QVMenuBar.h"
#include "app/shell/QVMenus.h"
#include "app/windows/QVWebPages.h"
#include "app/shell/QVWindowControllers.h"
#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOCommandCenter.h"

#include "FakePostageServer.h"
#include "RecordingUrlOpener.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class MenusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
        registerWebPageActions(actions);
    }
    void TearDown() override
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
    }
    UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

    // The URL that the action hands to the opener; empty when none.
    QUrl opened(const QString &action)
    {
        opener->opened.clear();
        EXPECT_TRUE(actions.perform(action)) << action.toStdString();
        return opener->opened.isEmpty() ? QUrl() : opener->opened.last();
    }

    // A valid status of account 1234567 with the web password "pw&1" and the
    // account kind of the flags.
    static void giveStatus(const QByteArray &flags = "NNSNN")
    {
        FakePostageReply reply;
        reply.flags = flags;
        reply.webPassword = "pw&1";
        const auto response = QVRHOResponse::responseWithData(reply.bytes());
        ASSERT_TRUE(response);
        const auto client = QVRHOCommandCenter::commandCenter();
        client->setUserid(QStringLiteral("1234567"));
        client->setLastValidStatusResponse(response);
    }

    QVMenuActions actions;
    UrlOpenerScope opener;
};

class FakeWindow : public QVWindowController
{
public:
    int shown = 0;
    int centred = 0;
    QString autosaveName;
    QStringList performed;
    void showWindow() override { ++shown; }
    void centerWindow() override { ++centred; }
    QString frameAutosaveName() const override { return autosaveName; }
    void setFrameAutosaveName(const QString &name) override { autosaveName = name; }
    bool performAction(const QString &action) override
    {
        performed << action;
        return true;
    }
};

} // namespace

TEST_F(MenusTest, WebPagesOpenTheirURLs)
{
    const struct {
        const char *action;
        const char *url;
    } cases[] = {
        {"launchUSPSExpressMailCommitmentsSiteForDate:andOriginZIP:andDestZIP:",
         "https://postcalc.usps.com/servicecommitments.aspx"},
        {"launchUSPSMailpieceSizeChart:", "https://postcalc.usps.com/MailpieceDimensions.asp"},
        {"launchUSPSGlobalSite:", "https://www.usps.com/international/"},
        {"launchUSPSSuppliesSite:", "https://www.tolvane.invalid/ShopUSPS/"},
        {"launchTolvaneInsuranceInformation:", "https://www.tolvane.invalid/Pricing/Insurance/"},
        {"launchChatLink:", "https://www.tolvane.invalid/support/live-chat"},
        {"launchDravelSupplyStore:", "https://store.merchandise.invalid/tolvane-shirt"},
        {"launchRemoteSupportConnection:", "https://remote-support.invalid/"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(opened(QString::fromUtf8(c.action)), QUrl(QString::fromUtf8(c.url))) << c.action;

    // The hosts are settings.
    defaults().setString(QStringLiteral("calc.example.invalid"), QVUSPSPostageCalculatorServerDefaultsKey);
    defaults().setString(QStringLiteral("usps.example.invalid"), QVUSPSWebSiteDefaultsKey);
    defaults().setString(QStringLiteral("vendor.example.invalid:8443"), QVVendorWebSiteDefaultsKey);
    defaults().setString(QStringLiteral("http://127.0.0.1:9/shirt"), QVMerchandiseStoreURLDefaultsKey);
    EXPECT_EQ(opened(QStringLiteral("launchUSPSMailpieceSizeChart:")),
              QUrl(QStringLiteral("https://calc.example.invalid/MailpieceDimensions.asp")));
    EXPECT_EQ(opened(QStringLiteral("launchUSPSGlobalSite:")),
              QUrl(QStringLiteral("https://usps.example.invalid/international/")));
    EXPECT_EQ(opened(QStringLiteral("launchChatLink:")),
              QUrl(QStringLiteral("https://vendor.example.invalid:8443/support/live-chat")));
    EXPECT_EQ(opened(QStringLiteral("launchDravelSupplyStore:")), QUrl(QStringLiteral("http://127.0.0.1:9/shirt")));

    // A setting that does not make a web address opens nothing.
    for (const char *host : {"evil.example/other?x=", "two words", "a#b"}) {
        defaults().setString(QString::fromUtf8(host), QVUSPSWebSiteDefaultsKey);
        EXPECT_TRUE(opened(QStringLiteral("launchUSPSGlobalSite:")).isEmpty()) << host;
    }
    defaults().setString(QStringLiteral("file:///etc/passwd"), QVRemoteSupportURLDefaultsKey);
    EXPECT_TRUE(opened(QStringLiteral("launchRemoteSupportConnection:")).isEmpty());
}

TEST_F(MenusTest, AccountPagesNeedAValidStatus)
{
    defaults().setString(QStringLiteral("vendor.example.invalid"), QVVendorWebSiteDefaultsKey);
    const char *accountActions[] = {
        "launchTolvaneSupplyStore:",     "launchTessaroSupplyStore:",      "launchLogAtTolvaneDotCom:",
        "launchAccountOnTolvaneDotCom:", "launchTolvaneScanFormCreation:", "launchChangePaymentOnTolvaneDotCom:",
        "launchRefundRequest:"};
    for (const char *action : accountActions)
        EXPECT_TRUE(opened(QString::fromUtf8(action)).isEmpty()) << action;

    giveStatus();
    const struct {
        const char *action;
        const char *path;
        const char *marker;
    } cases[] = {
        {"launchTolvaneSupplyStore:", "/Store/", "Store=Mac"},
        {"launchTessaroSupplyStore:", "/Store/", "RedirectPostage=Yes"},
        {"launchLogAtTolvaneDotCom:", "/Account/LogIn/", "AccountTrans=Yes"},
        {"launchAccountOnTolvaneDotCom:", "/Account/LogIn/", "SerialNumber=1234567"},
        {"launchTolvaneScanFormCreation:", "/Account/Login/", "ScanForm"},
        {"launchChangePaymentOnTolvaneDotCom:", "/Account/LogIn/", "ChangePayment=Yes"},
        {"launchRefundRequest:", "/Account/LogIn/", "RefundRequest=Yes"},
    };
    for (const auto &c : cases) {
        const QUrl url = opened(QString::fromUtf8(c.action));
        EXPECT_EQ(url.host(), QStringLiteral("vendor.example.invalid")) << c.action;
        EXPECT_EQ(url.path(), QString::fromUtf8(c.path)) << c.action;
        EXPECT_TRUE(url.query().contains(QString::fromUtf8(c.marker)))
            << c.action << " " << url.toString().toStdString();
    }
}

TEST_F(MenusTest, HelpFilesAndFolders)
{
    // The stamps-only edition's help is online, by account kind.
    defaults().setBool(true, QStringLiteral("kivoStampsVersion"));
    EXPECT_EQ(opened(QStringLiteral("launchHelp:")),
              QUrl(QStringLiteral("https://www.tolvane.invalid/KIVOStampsForMacHelp/")));
    giveStatus("NNENN");
    ASSERT_TRUE(QVRHOCommandCenter::commandCenter()->lastValidStatusResponse()->isZPMAccount());
    EXPECT_EQ(opened(QStringLiteral("launchHelp:")),
              QUrl(QStringLiteral("https://www.tolvane.invalid/ZevavoredAzozuduForMacHelp/")));

    // The standard edition's help is the bundled help book.
    defaults().removeObjectForKey(QStringLiteral("kivoStampsVersion"));
    const QUrl book = opened(QStringLiteral("launchHelp:"));
    ASSERT_TRUE(book.isLocalFile()) << book.toString().toStdString();
    EXPECT_TRUE(book.toLocalFile().endsWith(QStringLiteral("/Tolvane Help/TolvaneHelp.html")));

    // The acknowledgments are a bundled page.
    const QUrl acks = opened(QStringLiteral("showAcks:"));
    ASSERT_TRUE(acks.isLocalFile());
    EXPECT_EQ(QFileInfo(acks.toLocalFile()).fileName(), QStringLiteral("Acknowledgments.html"));

    // The address book is the folder of vCards, made when missing.
    const QString folder = QDir(supportDir()).filePath(QStringLiteral("vcards"));
    defaults().setString(folder, QVAddressBookFolderDefaultsKey);
    EXPECT_EQ(opened(QStringLiteral("launchAddressBook:")), QUrl::fromLocalFile(folder));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    defaults().removeObjectForKey(QVAddressBookFolderDefaultsKey);
    EXPECT_EQ(opened(QStringLiteral("launchAddressBook:")),
              QUrl::fromLocalFile(QDir(supportDir()).filePath(QStringLiteral("Address Book"))));
}

TEST_F(MenusTest, MenusAsData)
{
    QVMenuBarModel main = mainMenu();
    // Every web page has its item.
    const QStringList sent = menuActions(main);
    for (const QString &action : webPageActions())
        EXPECT_TRUE(sent.contains(action)) << action.toStdString();
    for (const char *action : {"checkForUpdates:", "showPreferences:", "showPostageLog:", "showPrinterSetup:",
                               "showScaleSetup:", "tareScale:", "showWebStores:", "newPackage:", "importFlatFile:"})
        EXPECT_TRUE(sent.contains(QString::fromUtf8(action))) << action;

    QVMenuItem *mode = findMenuItem(main, QVModeMenuIdentifier);
    ASSERT_TRUE(mode);
    ASSERT_EQ(mode->submenu.size(), 2);
    EXPECT_EQ(mode->submenu[0].action, QStringLiteral("showLabels:"));
    EXPECT_EQ(mode->submenu[1].tag, 1);
    checkOnlyItemWithTag(*mode, 1);
    EXPECT_FALSE(mode->submenu[0].checked);
    EXPECT_TRUE(mode->submenu[1].checked);
    ASSERT_TRUE(findMenuItem(main, QVUsePostageMenuItemIdentifier));
    EXPECT_TRUE(findMenuItem(main, QVUsePostageMenuItemIdentifier)->checkable);

    QVMenuItem *status = findMenuItem(main, QVShipmentStatusMenuIdentifier);
    ASSERT_TRUE(status);
    ASSERT_EQ(status->submenu.size(), 4);
    for (int tag = 0; tag < 4; ++tag) {
        EXPECT_EQ(status->submenu[tag].tag, tag);
        EXPECT_EQ(status->submenu[tag].action, QStringLiteral("changeShipmentStatus:"));
    }
    checkOnlyItemWithTag(*status, std::nullopt);
    for (const QVMenuItem &item : status->submenu)
        EXPECT_FALSE(item.checked);
    EXPECT_EQ(findMenuItemWithAction(main, QStringLiteral("changeShipmentStatus:"), 2)->title,
              QStringLiteral("Delivery Exception"));

    // The stamps-only edition's menu names the program in its items only.
    QVMenuBarModel kivo = kivoMenu(QStringLiteral("KIVO Stamps"));
    EXPECT_EQ(kivo[0].title, QStringLiteral("KIVO Stamps"));
    // The placeholder is replaced in the items of every menu, never in the
    // other menus' own titles.
    QVMenuBarModel placeholders{QVMenuItem{}, QVMenuItem{}};
    placeholders[1].title = QVBundleNamePlaceholder;
    placeholders[1].submenu = {QVMenuItem{}};
    placeholders[1].submenu[0].title = QStringLiteral("About kCFBundleNameKey");
    replaceBundleNamePlaceholder(placeholders, QStringLiteral("X"));
    EXPECT_EQ(placeholders[1].title, QVBundleNamePlaceholder);
    EXPECT_EQ(placeholders[1].submenu[0].title, QStringLiteral("About X"));
    EXPECT_EQ(findMenuItemWithAction(kivo, QStringLiteral("terminate:"))->title, QStringLiteral("Quit KIVO Stamps"));
    EXPECT_EQ(findMenuItemWithAction(kivo, QStringLiteral("launchHelp:"))->title, QStringLiteral("KIVO Stamps Help"));
    EXPECT_FALSE(menuActions(kivo).contains(QStringLiteral("showLabels:")));
    // Its about item opens the edition's own about box.
    EXPECT_EQ(kivo[0].submenu[0].action, QStringLiteral("orderKIVOAboutPanel:"));
    EXPECT_EQ(main[0].submenu[0].action, QStringLiteral("orderFrontStandardAboutPanel:"));
}

TEST_F(MenusTest, WindowsAreMadeOnFirstUseAndKept)
{
    QVWindowControllers windows;
    bool stampMode = false;
    registerWindowActions(actions, windows, [&stampMode] { return stampMode; });
    QMap<QString, int> made;
    QMap<QString, std::shared_ptr<FakeWindow>> fakes;
    for (const QString &name :
         {QVPreferencesControllerName, QVKIVOPreferencesControllerName, QVPrinterSetupControllerName,
          QVMailingLogControllerName, QVScaleSetupControllerName, QVMasterControllerName}) {
        fakes[name] = std::make_shared<FakeWindow>();
        windows.registerFactory(name, [&made, &fakes, name] {
            ++made[name];
            return fakes[name];
        });
    }
    // Without a factory nothing happens.
    EXPECT_TRUE(actions.perform(QStringLiteral("showWebStores:")));
    EXPECT_FALSE(windows.exists(QVWebStoreControllerName));

    // A second showPreferences: shows the same window.
    EXPECT_FALSE(windows.exists(QVPreferencesControllerName));
    actions.perform(QStringLiteral("showPreferences:"));
    actions.perform(QStringLiteral("showPreferences:"));
    EXPECT_EQ(made[QVPreferencesControllerName], 1);
    EXPECT_EQ(fakes[QVPreferencesControllerName]->shown, 2);
    defaults().setBool(true, QStringLiteral("kivoStampsVersion"));
    actions.perform(QStringLiteral("showPreferences:"));
    EXPECT_EQ(fakes[QVKIVOPreferencesControllerName]->shown, 1);
    defaults().removeObjectForKey(QStringLiteral("kivoStampsVersion"));

    // Printer set-up: nothing in the stamp mode; the first time it gets its
    // autosave name and is centred (no saved frame), later only shown.
    stampMode = true;
    actions.perform(QStringLiteral("showPrinterSetup:"));
    EXPECT_FALSE(windows.exists(QVPrinterSetupControllerName));
    stampMode = false;
    actions.perform(QStringLiteral("showPrinterSetup:"));
    actions.perform(QStringLiteral("showPrinterSetup:"));
    const auto &setup = fakes[QVPrinterSetupControllerName];
    EXPECT_EQ(setup->autosaveName, QStringLiteral("printerSetupPanel"));
    EXPECT_EQ(setup->centred, 1);
    EXPECT_EQ(setup->shown, 2);

    // The mailing log keeps a saved frame.
    fakes[QVMailingLogControllerName]->autosaveName = QStringLiteral("mailingLog");
    defaults().setString(QStringLiteral("{{0, 0}, {600, 400}}"), QStringLiteral("NSWindow Frame mailingLog"));
    actions.perform(QStringLiteral("showPostageLog:"));
    EXPECT_EQ(fakes[QVMailingLogControllerName]->centred, 0);
    EXPECT_EQ(fakes[QVMailingLogControllerName]->shown, 1);

    // Forwarded actions.
    actions.perform(QStringLiteral("tareScale:"));
    actions.perform(QStringLiteral("newPackage:"));
    actions.perform(QStringLiteral("importFlatFile:"));
    actions.perform(QStringLiteral("changeFont:"));
    EXPECT_EQ(fakes[QVScaleSetupControllerName]->performed, QStringList{QStringLiteral("tareScale:")});
    EXPECT_EQ(fakes[QVMasterControllerName]->performed,
              (QStringList{QStringLiteral("newPackage:"), QStringLiteral("addressBookImport:")}));
    EXPECT_EQ(fakes[QVPreferencesControllerName]->performed, QStringList{QStringLiteral("changeFont:")});
}

TEST_F(MenusTest, QtMenuBarSendsTheItemsActions)
{
    QMenuBar bar;
    QVMenuBarModel model = mainMenu();
    checkOnlyItemWithTag(*findMenuItem(model, QVModeMenuIdentifier), 0);
    QList<int> statusTags;
    actions.setHandler(QStringLiteral("changeShipmentStatus:"),
                       [&statusTags](const QVMenuItem &sender) { statusTags << sender.tag; });
    QVMenuBar menus(&bar, model, actions);
    EXPECT_EQ(bar.actions().size(), model.size());
    EXPECT_EQ(bar.actions()[0]->text(), QStringLiteral("Tolvane"));

    QAction *global = menus.actionFor(QStringLiteral("launchUSPSGlobalSite:"));
    ASSERT_TRUE(global);
    EXPECT_TRUE(global->isEnabled());
    global->trigger();
    ASSERT_EQ(opener->opened.size(), 1);
    EXPECT_EQ(opener->opened[0], QUrl(QStringLiteral("https://www.usps.com/international/")));

    // The sender's tag reaches the handler.
    menus.actionFor(QStringLiteral("changeShipmentStatus:"), 2)->trigger();
    EXPECT_EQ(statusTags, QList<int>{2});
    ASSERT_TRUE(menus.menuFor(QVShipmentStatusMenuIdentifier));
    EXPECT_EQ(menus.menuFor(QVShipmentStatusMenuIdentifier)->actions().size(), 4);

    // No handler: disabled until one comes.
    QAction *labels = menus.actionFor(QStringLiteral("showLabels:"));
    ASSERT_TRUE(labels);
    EXPECT_FALSE(labels->isEnabled());
    EXPECT_TRUE(labels->isChecked());
    EXPECT_FALSE(menus.actionFor(QStringLiteral("showTessaro:"))->isChecked());
    actions.setHandler(QStringLiteral("showLabels:"), [](const QVMenuItem &) {});
    menus.updateEnabledStates();
    EXPECT_TRUE(labels->isEnabled());
    // A check mark follows the model, not the click.
    checkOnlyItemWithTag(*findMenuItem(menus.model(), QVModeMenuIdentifier), 1);
    menus.updateCheckMarks();
    EXPECT_FALSE(labels->isChecked());
    labels->trigger();
    EXPECT_FALSE(labels->isChecked());
    EXPECT_EQ(menus.actionFor(QStringLiteral("showPreferences:"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));

    // A validator may refuse an item that has a handler and retitle it; it
    // is told the top-level menu's title, and never makes an item without a
    // handler enabled.
    QStringList asked;
    actions.setValidator([&asked](const QVMenuItem &item, const QString &menuTitle) -> QVMenuItemValidation {
        if (item.action != QLatin1String("showLabels:"))
            return {true, std::nullopt};
        asked << menuTitle;
        return {false, QStringLiteral("Labels Refused")};
    });
    menus.updateEnabledStates();
    EXPECT_EQ(asked, QStringList{QStringLiteral("Mode")});
    EXPECT_FALSE(labels->isEnabled());
    EXPECT_EQ(labels->text(), QStringLiteral("Labels Refused"));
    EXPECT_TRUE(global->isEnabled());
    EXPECT_FALSE(menus.actionFor(QStringLiteral("showTessaro:"))->isEnabled());
    actions.setValidator({});
    menus.updateEnabledStates();
    EXPECT_TRUE(labels->isEnabled());
}

// The Edit menu acts on the field that has the focus: a plain text field, or
// the text field of an editable combo box or a spin box, which hold the
// focus for it. A focused control without text is left alone.
TEST_F(MenusTest, EditItemsReachTheFocusedField)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *field = new QLineEdit(QStringLiteral("Ada Lovelace"));
    auto *weight = new QComboBox;
    weight->setEditable(true);
    weight->addItem(QStringLiteral("1 oz"));
    auto *count = new QSpinBox;
    count->setRange(1, 999);
    count->setValue(42);
    auto *button = new QPushButton(QStringLiteral("Print"));
    for (QWidget *widget : QList<QWidget *>{field, weight, count, button})
        layout->addWidget(widget);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);

    QMenuBar bar;
    registerStandardActions(actions);
    QVMenuBar menus(&bar, mainMenu(), actions);
    const auto choose = [&menus](const char *action) {
        QAction *item = menus.actionFor(QString::fromLatin1(action));
        ASSERT_TRUE(item) << action;
        EXPECT_TRUE(item->isEnabled()) << action;
        item->trigger();
    };
    QClipboard *clipboard = QGuiApplication::clipboard();

    const struct {
        QWidget *focused;
        QLineEdit *text;
        QString shown;
    } cases[] = {
        {field, field, QStringLiteral("Ada Lovelace")},
        {weight, weight->lineEdit(), QStringLiteral("1 oz")},
        {count, count->findChild<QLineEdit *>(), QStringLiteral("42")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        ASSERT_TRUE(c.text);
        c.focused->setFocus();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), c.focused);
        c.text->deselect();
        clipboard->setText(QStringLiteral("before"));

        choose("selectAll:");
        EXPECT_EQ(c.text->selectedText(), c.shown);
        choose("copy:");
        EXPECT_EQ(clipboard->text(), c.shown);
        choose("cut:");
        EXPECT_TRUE(c.text->text().isEmpty());
        clipboard->setText(c.shown + QStringLiteral("7"));
        choose("paste:");
        EXPECT_EQ(c.text->text(), c.shown + QStringLiteral("7"));
        choose("undo:");
        EXPECT_TRUE(c.text->text().isEmpty());
        choose("redo:");
        EXPECT_EQ(c.text->text(), c.shown + QStringLiteral("7"));
    }

    // A button has no text to edit: the clipboard and the fields stay.
    button->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), button);
    clipboard->setText(QStringLiteral("kept"));
    choose("selectAll:");
    choose("copy:");
    choose("cut:");
    EXPECT_EQ(clipboard->text(), QStringLiteral("kept"));
    EXPECT_EQ(field->text(), QStringLiteral("Ada Lovelace7"));
}
