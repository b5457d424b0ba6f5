// The main window's toolbar on plain state: the two editions' lists, who
// may customise, the Web Store item for users of older builds, Quick Stamps
// only in roll mode, the mode item's look and the items' validation.
#include "app/mainwindow/MasterToolbar.h"

#include "app/shell/QVPrintingModes.h"
#include "platform/UserDefaults.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ToolbarItem;

TEST(MasterToolbar, OnlyTheFullApplicationCanBeCustomisedAndSavesItsItems)
{
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("defaults.ini")));

    MasterToolbar stamps(true);
    EXPECT_EQ(stamps.identifier(), QStringLiteral("KivoStampsToolbarIdentifier"));
    EXPECT_FALSE(stamps.allowsUserCustomization());
    EXPECT_FALSE(stamps.autosavesConfiguration());

    MasterToolbar full(false);
    EXPECT_EQ(full.identifier(), QStringLiteral("Dashboard Toolbar Identifier"));
    EXPECT_TRUE(full.allowsUserCustomization());
    full.setItems({NewPackage, ZeroScale, QuickStamps, QStringLiteral("nonsense"), Separator, AddressBook});
    EXPECT_EQ(full.items(), QStringList({NewPackage, ZeroScale, Separator, AddressBook}));
    full.saveConfiguration(defaults);

    MasterToolbar reloaded(false);
    reloaded.loadConfiguration(defaults);
    EXPECT_EQ(reloaded.items(), full.items());
    // The stamps edition keeps its defaults whatever was saved.
    stamps.setItems({BuyPostage});
    stamps.saveConfiguration(defaults);
    MasterToolbar stampsReloaded(true);
    stampsReloaded.loadConfiguration(defaults);
    EXPECT_EQ(stampsReloaded.items(), stampsReloaded.defaultItemIdentifiers());
}

TEST(MasterToolbar, AnOlderBuildGetsTheWebStoreItemAtTheEnd)
{
    struct Case {
        std::optional<qint64> lastRun;
        bool added;
    };
    for (const Case &c : {Case{359, true}, Case{12, true}, Case{360, false}, Case{std::nullopt, false}}) {
        MasterToolbar toolbar(false);
        toolbar.setItems({NewPackage, PostageLog});
        EXPECT_EQ(toolbar.addWebStoreItemForLastRun(c.lastRun), c.added) << c.lastRun.value_or(-1);
        EXPECT_EQ(toolbar.items().endsWith(WebStore), c.added);
        // Never twice.
        EXPECT_FALSE(toolbar.addWebStoreItemForLastRun(c.lastRun));
        EXPECT_EQ(toolbar.items().count(WebStore), c.added ? 1 : 0);
    }
    MasterToolbar stamps(true);
    EXPECT_FALSE(stamps.addWebStoreItemForLastRun(100));
}

TEST(MasterToolbar, QuickStampsOnlyInRollMode)
{
    MasterToolbar stamps(true);
    stamps.enableQuickStamps(2);
    ASSERT_GT(stamps.items().size(), 3);
    EXPECT_EQ(stamps.items().at(3), QuickStamps);
    EXPECT_EQ(stamps.selectedItem(), RollMode);
    stamps.enableQuickStamps(2);
    EXPECT_EQ(stamps.items().count(QuickStamps), 1);
    stamps.enableQuickStamps(1);
    EXPECT_FALSE(stamps.items().contains(QuickStamps));
    EXPECT_EQ(stamps.selectedItem(), SheetMode);

    MasterToolbar full(false);
    full.enableQuickStamps(2);
    EXPECT_FALSE(full.items().contains(QuickStamps));
}

TEST(MasterToolbar, ItemsTheModeItemAndValidation)
{
    MasterToolbar full(false);
    MasterToolbar stamps(true);
    EXPECT_FALSE(full.itemForIdentifier(QStringLiteral("nonsense")));
    EXPECT_FALSE(full.itemForIdentifier(Separator));
    const auto buyFull = full.itemForIdentifier(BuyPostage);
    const auto buyStamps = stamps.itemForIdentifier(BuyPostage);
    ASSERT_TRUE(buyFull && buyStamps);
    EXPECT_EQ(buyFull->imageName, QStringLiteral("BuyPostageIcon"));
    EXPECT_EQ(buyStamps->imageName, QStringLiteral("kivo_BuyPostageIcon"));
    EXPECT_EQ(stamps.itemForIdentifier(SetupTolvane)->action, QStringLiteral("launchAccountOnTolvaneDotCom:"));
    EXPECT_EQ(full.itemForIdentifier(SetupTolvane)->action, QStringLiteral("showAccountStatusPanel:"));
    EXPECT_EQ(full.itemForIdentifier(AddressBook)->target, ToolbarTarget::Controller);
    EXPECT_TRUE(full.itemForIdentifier(WebStore)->isButtonView);
    // Every default item is allowed.
    for (const MasterToolbar *toolbar : {&full, &stamps})
        for (const QString &item : toolbar->defaultItemIdentifiers())
            EXPECT_TRUE(toolbar->allowedItemIdentifiers().contains(item)) << item.toStdString();

    EXPECT_EQ(MasterToolbar::modeLookForMode(QVStandardPrintingMode)->imageName, QStringLiteral("pellmarkmode"));
    EXPECT_EQ(MasterToolbar::modeLookForMode(QVTessaroPrintingMode)->label, QStringLiteral("Standard"));
    EXPECT_FALSE(MasterToolbar::modeLookForMode(QStringLiteral("other")));

    struct Case {
        QString item;
        bool standardMode;
        int scaleType;
        bool enabled;
    };
    const Case cases[] = {
        {ZeroScale, true, 2, true},       {ZeroScale, true, 1, false},
        {ZeroScale, true, 0, false},      {ChoosePrinter, true, 0, true},
        {ChoosePrinter, false, 0, false}, {AddressBook, false, 2, false},
        {NewPackage, false, 0, true},     {WebStore, false, 0, true},
        {TessaroMode, false, 0, true},    {QStringLiteral("x"), true, 2, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MasterToolbar::validateItem(c.item, {c.standardMode, c.scaleType}), c.enabled)
            << c.item.toStdString() << " " << c.standardMode << " " << c.scaleType;
}
