// The main window's favorites and toolbar beyond the form: the controller
// applies a favorite to its own shipment and refuses one of the wrong kind;
// the favorites pull-down follows the store (Ctrl+Alt+1 to 8), its add
// sheet keeps a refused nickname open and stores an accepted one, and "Edit
// Favorites…" brings the preferences window up on its Favorites pane; the
// drawer and the Print command go through the controller; in the stamps
// edition the stamp window's mode changes show Quick Stamps in roll mode
// only and the mode items go to the stamp window; every named picture of
// the toolbar, the mailpiece menu and the vCard views is an authored
// bundle picture.
#include "MasterControllerFixture.h"

#include "app/mainwindow/MasterMailpieceMenu.h"
#include "app/mainwindow/MasterWindow.h"
#include "app/preferences/QVAddFavoriteSheet.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/preferences/QVFavorites.h"
#include "app/preferences/QVFavoritesTableModel.h"
#include "app/preferences/QVPreferencesRegistration.h"
#include "app/preferences/QVPreferencesWindow.h"
#include "app/preferences/QVShipmentFavorites.h"
#include "app/shell/QVWindowControllers.h"
#include "app/shell/ShellWindows.h"
#include "mailinglog/window/QVMailingLogToolbar.h"
#include "platform/Bundle.h"
#include "printing/flow/QVPreviewPanel.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClassNames.h"
#include "widgets/DKActionButton.h"

#include "RecordingDialogs.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QToolBar>

using namespace master_test;

namespace {

QVariantMap favorite(const QString &nickname, const QString &rateClass, const QString &weight)
{
    return {{QVFavoriteNicknameKey, nickname},
            {QVFavoriteShipmentKey,
             QVariantMap{{QVUSPSShipmentRateClassKey, rateClass},
                         {QVUSPSShipmentSizeKey, QVUSPSRegularSize},
                         {QVShipmentWeightUnitKey, QStringLiteral("lb")},
                         {QVShipmentWeightNumberKey, weight}}}};
}

class MasterWindowFavoritesTest : public MasterControllerTest
{
protected:
    void SetUp() override
    {
        MasterControllerTest::SetUp();
        QFile::remove(QVShipmentFavorites::favoritesPath());
        QVShipmentFavorites::resetCacheForTesting();
    }
    void TearDown() override
    {
        window.reset();
        QFile::remove(QVShipmentFavorites::favoritesPath());
        QVShipmentFavorites::resetCacheForTesting();
        MasterControllerTest::TearDown();
    }
    void open(MasterWindowEnvironment environment = {})
    {
        start();
        sendTo(QStringLiteral("10001"));
        window = std::make_unique<MasterWindow>(*controller, std::move(environment));
        window->resize(1100, 760);
        window->show();
        QApplication::processEvents();
    }
    // The favorites menu's actions, without separators.
    QList<QAction *> menuActions() const
    {
        QList<QAction *> actions;
        for (QAction *action : window->favoritesMenu()->actions())
            if (!action->isSeparator())
                actions.append(action);
        return actions;
    }
    QAction *menuAction(const QString &title) const
    {
        for (QAction *action : menuActions())
            if (action->text() == title)
                return action;
        return nullptr;
    }

    tolvane::test::DialogsScope dialogs;
    std::unique_ptr<MasterWindow> window;
};

} // namespace

TEST_F(MasterWindowFavoritesTest, TheControllerAppliesAFavoriteAndRefusesOneOfTheWrongKind)
{
    start();
    sendTo(QStringLiteral("10001"));
    ASSERT_TRUE(QVShipmentFavorites::setFavorites({favorite(QStringLiteral("Books"), QVUSPSMediaMail, "2"),
                                                   favorite(QStringLiteral("Abroad"), QVUSPSIntlAirMBag, "11")}));
    ASSERT_NE(stored(QVUSPSShipmentRateClassKey), QVUSPSMediaMail);

    EXPECT_TRUE(controller->chooseFavorite(0));
    settle();
    EXPECT_EQ(stored(QVUSPSShipmentRateClassKey), QVUSPSMediaMail);
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("2"));
    EXPECT_EQ(form().popUp(FormControl::MailClass).selectedTag(), classTag(QVUSPSMediaMail));
    EXPECT_EQ(form().text(FormControl::RateEstimated), QStringLiteral("--"));
    EXPECT_TRUE(dialogs->alerts.isEmpty());

    // An international favorite on this domestic address changes nothing.
    EXPECT_FALSE(controller->chooseFavorite(1));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Invalid favorite."));
    EXPECT_EQ(stored(QVUSPSShipmentRateClassKey), QVUSPSMediaMail);
    EXPECT_FALSE(controller->chooseFavorite(2));

    // The settings a new favorite takes, described as this window shows them.
    const QVariantMap settings = controller->favoriteSettingsToPull();
    EXPECT_EQ(settings.value(QVUSPSShipmentRateClassKey).toString(), QVUSPSMediaMail);
    const QString description = controller->favoriteDescription(settings);
    EXPECT_TRUE(description.contains(QStringLiteral("2 lb"))) << description.toStdString();
    EXPECT_TRUE(description.endsWith(QLatin1Char('.')));
}

TEST_F(MasterWindowFavoritesTest, TheMenuFollowsTheStoreAndTheSheetAddsAFavorite)
{
    QVariantList nine;
    for (int i = 1; i <= 9; ++i)
        nine.append(favorite(QStringLiteral("Favorite %1").arg(i), QVUSPSPriorityMail, QString::number(i)));
    ASSERT_TRUE(QVShipmentFavorites::setFavorites(nine));
    QVMenuActions actions;
    QVWindowControllers windows;
    registerPreferencesWindow(windows, actions, {});
    MasterWindowEnvironment environment;
    environment.actions = &actions;
    open(environment);

    ASSERT_TRUE(window->favoritesButton());
    EXPECT_EQ(window->favoritesButton()->objectName(), QStringLiteral("favoritesButton"));
    QList<QAction *> items = menuActions();
    ASSERT_EQ(items.size(), 11);
    EXPECT_EQ(items.first()->text(), QStringLiteral("Favorite 1"));
    EXPECT_EQ(items.first()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+1")));
    EXPECT_EQ(items.at(7)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+8")));
    EXPECT_TRUE(items.at(8)->shortcut().isEmpty());
    EXPECT_EQ(items.at(9)->text(), QStringLiteral("Add Favorite…"));
    // The key equivalents work while the menu is closed.
    EXPECT_TRUE(window->actions().contains(items.first()));

    // Choosing the third favorite applies it.
    items.at(2)->trigger();
    settle();
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("3"));

    // The sheet: an empty nickname is refused and the sheet stays open.
    menuAction(QStringLiteral("Add Favorite…"))->trigger();
    QVAddFavoriteSheet *sheet = window->addFavoriteSheet();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(sheet->descriptionText()->text().contains(QStringLiteral("3 lb")))
        << sheet->descriptionText()->text().toStdString();
    sheet->okButton()->click();
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Empty Nickname"));
    EXPECT_EQ(window->addFavoriteSheet(), sheet);
    // A nickname in use is refused; one differing in case is taken.
    sheet->nicknameField()->setText(QStringLiteral("Favorite 9"));
    sheet->okButton()->click();
    ASSERT_EQ(dialogs->alerts.size(), 2);
    EXPECT_EQ(dialogs->alerts.last().messageText, QStringLiteral("Duplicate Nickname"));
    sheet->nicknameField()->setText(QStringLiteral("favorite 9"));
    sheet->okButton()->click();
    QApplication::processEvents();
    EXPECT_EQ(dialogs->alerts.size(), 2);
    EXPECT_FALSE(window->addFavoriteSheet());
    const QVariantList all = QVShipmentFavorites::allFavorites();
    ASSERT_EQ(all.size(), 10);
    EXPECT_EQ(all.last().toMap().value(QVFavoriteShipmentKey).toMap().value(QVShipmentWeightNumberKey).toString(),
              QStringLiteral("3"));
    // The menu was rebuilt: the tenth favorite has no key.
    items = menuActions();
    ASSERT_EQ(items.size(), 12);
    EXPECT_EQ(items.at(9)->text(), QStringLiteral("favorite 9"));
    EXPECT_TRUE(items.at(9)->shortcut().isEmpty());

    // "Edit Favorites…" shows the preferences on the Favorites pane.
    menuAction(QStringLiteral("Edit Favorites…"))->trigger();
    QApplication::processEvents();
    ASSERT_TRUE(windows.exists(QVPreferencesControllerName));
    auto *shown = dynamic_cast<QVWidgetWindowController *>(windows.controller(QVPreferencesControllerName).get());
    ASSERT_TRUE(shown);
    auto *prefs = dynamic_cast<QVPreferencesWindow *>(shown->window());
    ASSERT_TRUE(prefs);
    EXPECT_TRUE(prefs->isVisible());
    EXPECT_EQ(prefs->controller().currentPane(), QVPreferencesController::Pane::Favorites);
    EXPECT_EQ(prefs->windowTitle(), QStringLiteral("Favorites Preferences"));
    EXPECT_EQ(prefs->favoritesTable()->model()->rowCount(), 10);
    prefs->close();
    // The window goes before the actions it was given.
    window.reset();
}

TEST_F(MasterWindowFavoritesTest, TheDrawerAndThePrintCommandGoThroughTheController)
{
    open();
    EXPECT_FALSE(window->addressDrawer()->isVisible());
    controller->toggleAddressDrawer();
    EXPECT_TRUE(window->addressDrawer()->isVisible());
    controller->toggleAddressDrawer();
    EXPECT_FALSE(window->addressDrawer()->isVisible());

    // Print commits the field being typed in first, then prints.
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    auto *reference = static_cast<QLineEdit *>(window->widget(FormControl::ReferenceID));
    reference->setFocus();
    reference->setText(QStringLiteral("PO-9"));
    static_cast<QPushButton *>(window->widget(FormControl::MainPrintButton))->click();
    EXPECT_EQ(printing->prints, 1);
    EXPECT_EQ(form().text(FormControl::ReferenceID), QStringLiteral("PO-9"));
}

// The PDF button's menu sends the preview's outputs with their tags, after
// committing the field being typed in.
TEST_F(MasterWindowFavoritesTest, ThePDFButtonOffersThePreviewsOutputs)
{
    QVMenuActions actions;
    QList<int> outputs;
    actions.setHandler(QStringLiteral("runPDFLabel:"), [&outputs](const QVMenuItem &item) { outputs << item.tag; });
    MasterWindowEnvironment environment;
    environment.actions = &actions;
    open(environment);
    auto *pdf = static_cast<QPushButton *>(window->widget(FormControl::MainPDFButton));
    ASSERT_TRUE(pdf && pdf->menu());
    QStringList titles;
    for (QAction *item : pdf->menu()->actions())
        titles << item->text();
    EXPECT_EQ(titles,
              (QStringList{QStringLiteral("Open PDF"), QStringLiteral("Save PDF…"), QStringLiteral("Email PDF…")}));
    auto *reference = static_cast<QLineEdit *>(window->widget(FormControl::ReferenceID));
    reference->setFocus();
    reference->setText(QStringLiteral("PO-10"));
    for (QAction *item : pdf->menu()->actions())
        item->trigger();
    EXPECT_EQ(outputs,
              (QList<int>{tolvane::QVPreviewOutputOpen, tolvane::QVPreviewOutputSave, tolvane::QVPreviewOutputEmail}));
    EXPECT_EQ(form().text(FormControl::ReferenceID), QStringLiteral("PO-10"));
}

TEST_F(MasterWindowFavoritesTest, TheStampWindowsModeSwitchesQuickStampsAndItsItemsGoToTheStampWindow)
{
    int mode = 2;
    QStringList sent;
    MasterWindowEnvironment environment;
    environment.stampsEdition = true;
    environment.stampMode = [&mode] { return mode; };
    environment.stampWindowAction = [&sent](const QString &action) { sent.append(action); };
    open(environment);
    // The mode is read once the event loop runs: roll mode shows Quick
    // Stamps at index 3.
    EXPECT_EQ(window->toolbarModel().items().indexOf(ToolbarItem::QuickStamps), 3);
    ASSERT_TRUE(window->toolbarAction(ToolbarItem::QuickStamps));
    EXPECT_TRUE(window->toolbarAction(ToolbarItem::RollMode)->isChecked());
    EXPECT_FALSE(window->toolbarAction(ToolbarItem::SheetMode)->isChecked());

    NotificationCenter::defaultCenter().post(QVStampWindowModeDidChangeNotification,
                                             NotificationObject(std::make_shared<int>(1)));
    EXPECT_FALSE(window->toolbarModel().items().contains(ToolbarItem::QuickStamps));
    EXPECT_FALSE(window->toolbarAction(ToolbarItem::QuickStamps));
    EXPECT_TRUE(window->toolbarAction(ToolbarItem::SheetMode)->isChecked());
    EXPECT_FALSE(window->toolbarAction(ToolbarItem::RollMode)->isChecked());

    window->toolbarAction(ToolbarItem::RollMode)->trigger();
    window->toolbarAction(ToolbarItem::SheetMode)->trigger();
    EXPECT_EQ(sent, (QStringList{QStringLiteral("chooseKIVO:"), QStringLiteral("chooseSheet:")}));
}

TEST(WindowPictures, EveryNamedPictureIsAnAuthoredBundlePicture)
{
    QStringList names;
    for (const bool stamps : {false, true}) {
        const MasterToolbar toolbar(stamps);
        for (const QString &identifier : toolbar.allowedItemIdentifiers())
            if (const std::optional<ToolbarItemEntry> item = toolbar.itemForIdentifier(identifier))
                names.append(item->imageName);
    }
    names << QStringLiteral("packagemode") << QStringLiteral("SingleCard") << QStringLiteral("ActionMenu");
    for (const MailpieceMenuEntry &entry : mailpieceMenuEntries())
        names.append(entry.imageName);
    for (const QVPreferencesController::PaneItem &item : QVPreferencesController::toolbarItems())
        names.append(item.imageName);
    // The mailing log's toolbar items, Details too (the platform's and the
    // search field have no picture of their own).
    const QStringList logItems = QVMailingLogToolbar::allowedItemIdentifiers() << QVItemDetailsItemIdentifier;
    int logPictures = 0;
    for (const QString &identifier : logItems)
        if (const std::optional<QVMailingLogToolbarItem> item = QVMailingLogToolbar::itemForItemIdentifier(identifier);
            item && !item->imageName.isEmpty()) {
            names.append(item->imageName);
            ++logPictures;
        }
    EXPECT_GE(logPictures, 9);
    names.removeDuplicates();
    EXPECT_GE(names.size(), 36);
    for (QString name : std::as_const(names)) {
        if (name.endsWith(QLatin1String(".png")))
            name.chop(4);
        const QString path = Bundle::pathForResource(name, QStringLiteral("png"));
        ASSERT_FALSE(path.isEmpty()) << name.toStdString();
        const QImage image(path);
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_TRUE(image.hasAlphaChannel()) << name.toStdString();
        // Drawn, not empty: some pixels are opaque, the corners are not all.
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 200 ? 1 : 0;
        EXPECT_GT(opaque, image.width() * image.height() / 8) << name.toStdString();
        EXPECT_LT(opaque, image.width() * image.height()) << name.toStdString();
    }
    EXPECT_EQ(QImage(Bundle::pathForResource(QStringLiteral("ActionMenu"), QStringLiteral("png"))).size(),
              QSize(24, 16));
}

TEST_F(MasterWindowFavoritesTest, TheStampsToolbarStartsFromTheStampWindowsStoredMode)
{
    // Rolls only when stored as rolls; anything else opens on sheets.
    const QList<QPair<QVariant, int>> cases = {{QVariant(), 1}, {qint64(2), 2}, {qint64(1), 1}, {qint64(7), 1}};
    for (const auto &[stored, mode] : cases) {
        if (stored.isValid())
            defaults().setObject(stored, QStringLiteral("tessaroMode"));
        else
            defaults().removeObjectForKey(QStringLiteral("tessaroMode"));
        EXPECT_EQ(storedStampWindowMode(), mode) << stored.toString().toStdString();
    }
    defaults().setInteger(2, QStringLiteral("tessaroMode"));
    MasterWindowEnvironment environment;
    environment.stampsEdition = true;
    environment.stampMode = storedStampWindowMode;
    open(environment);
    EXPECT_TRUE(window->toolbarModel().items().contains(ToolbarItem::QuickStamps));
}
