#include "app/mainwindow/MasterToolbar.h"

#include "app/shell/QVPrintingModes.h"
#include "platform/UserDefaults.h"

namespace {

const QString kConfigurationKeyPrefix = QStringLiteral("NSToolbar Configuration ");

} // namespace

MasterToolbar::MasterToolbar(bool stampsEdition) : m_stampsEdition(stampsEdition)
{
    m_items = defaultItemIdentifiers();
}

QString MasterToolbar::identifier() const
{
    return m_stampsEdition ? QVKivoStampsToolbarIdentifier : QVDashboardToolbarIdentifier;
}

std::optional<ToolbarItemEntry> MasterToolbar::itemForIdentifier(const QString &identifier) const
{
    using namespace ToolbarItem;
    const auto item = [&](const QString &label, const QString &palette, const QString &toolTip, const QString &image,
                          ToolbarTarget target, const QString &action) {
        return ToolbarItemEntry{identifier, label, palette, toolTip, image, target, action, false};
    };
    const ToolbarTarget chain = ToolbarTarget::ResponderChain;
    if (identifier == NewPackage)
        return item(QStringLiteral("New Label"), QStringLiteral("New Label"),
                    QStringLiteral("Create a new label for mailing."), QStringLiteral("NewPackageIcon"),
                    ToolbarTarget::Controller, QStringLiteral("newPackage:"));
    if (identifier == PostageLog)
        return item(QStringLiteral("Mailing Log"), QStringLiteral("Mailing Log"),
                    QStringLiteral("View a history of your shipments."), QStringLiteral("PostageLogIcon"), chain,
                    QStringLiteral("showPostageLog:"));
    if (identifier == WebStore) {
        ToolbarItemEntry entry = item(QStringLiteral("Web Stores"), QStringLiteral("Web Stores"),
                                      QStringLiteral("View orders from your web stores."),
                                      QStringLiteral("buysupplies-nobrand"), chain, QStringLiteral("showWebStores:"));
        entry.isButtonView = true;
        return entry;
    }
    if (identifier == ChoosePrinter)
        return item(QStringLiteral("Printer Setup"), QStringLiteral("Printer Setup"),
                    QStringLiteral("Setup the type of printer you'll be using."), QStringLiteral("SelectPrinterIcon"),
                    chain, QStringLiteral("showPrinterSetup:"));
    if (identifier == BuyPostage)
        return item(QStringLiteral("Buy Postage"), QStringLiteral("Buy Postage"),
                    QStringLiteral("Buy Tolvane Internet Postage."),
                    m_stampsEdition ? QStringLiteral("kivo_BuyPostageIcon") : QStringLiteral("BuyPostageIcon"), chain,
                    QStringLiteral("showBuyPostagePanel:"));
    if (identifier == SetupTolvane)
        return item(QStringLiteral("Tolvane Account"), QStringLiteral("Tolvane Account Status"),
                    QStringLiteral("View your Tolvane Account Status."),
                    m_stampsEdition ? QStringLiteral("kivo_TolvaneAccountIcon") : QStringLiteral("TolvaneAccountIcon"),
                    chain,
                    m_stampsEdition ? QStringLiteral("launchAccountOnTolvaneDotCom:")
                                    : QStringLiteral("showAccountStatusPanel:"));
    if (identifier == BuySupplies)
        return item(QStringLiteral("Buy Labels"), QStringLiteral("Buy Labels"),
                    QStringLiteral("Purchase Zevavored Azozudu labels."), QStringLiteral("buysupplies-nobrand"), chain,
                    QStringLiteral("launchTessaroSupplyStore:"));
    if (identifier == QuickStamps)
        return item(QStringLiteral("Quick Stamps"), QStringLiteral("Quick Stamps"),
                    QStringLiteral("Open quick stamp window."), QStringLiteral("quickstamp"), chain,
                    QStringLiteral("showKIVOQuickStamps:"));
    if (identifier == TessaroMode)
        return item(QStringLiteral("Zevavored Azozudu"), QStringLiteral("Print Mode"),
                    QStringLiteral("Switch Printing Modes"), QStringLiteral("pellmarkmode"), chain,
                    QStringLiteral("swapMainViews:"));
    if (identifier == RollMode)
        return item(QStringLiteral("Rolls"), QStringLiteral("Rolls"), QStringLiteral("Switch to Rolls"),
                    QStringLiteral("ZPM-roll-mode.png"), ToolbarTarget::StampWindow, QStringLiteral("chooseKIVO:"));
    if (identifier == SheetMode)
        return item(QStringLiteral("Sheets"), QStringLiteral("Sheets"), QStringLiteral("Switch to Sheets"),
                    QStringLiteral("ZPMsheet-mode.png"), ToolbarTarget::StampWindow, QStringLiteral("chooseSheet:"));
    if (identifier == ZeroScale)
        return item(QStringLiteral("Zero Scale"), QStringLiteral("Zero Scale"), QStringLiteral("Set USB Scale to Zero"),
                    QStringLiteral("scale__tolvane_zero_vector"), chain, QStringLiteral("tareScale:"));
    if (identifier == AddressBook)
        return item(QStringLiteral("Addresses"), QStringLiteral("Addresses"), QStringLiteral("Show Address Book"),
                    QStringLiteral("people"), ToolbarTarget::Controller, QStringLiteral("toggleAddressDrawer:"));
    return std::nullopt;
}

QStringList MasterToolbar::defaultItemIdentifiers() const
{
    using namespace ToolbarItem;
    if (m_stampsEdition)
        return {BuyPostage, BuySupplies, SetupTolvane, FlexibleSpace, RollMode, SheetMode};
    return {NewPackage, BuyPostage,    Separator, PostageLog,    AddressBook,
            Separator,  ChoosePrinter, WebStore,  FlexibleSpace, TessaroMode};
}

QStringList MasterToolbar::allowedItemIdentifiers() const
{
    using namespace ToolbarItem;
    if (m_stampsEdition)
        return {BuyPostage, SetupTolvane, BuySupplies,   QuickStamps, RollMode,
                SheetMode,  Customize,    FlexibleSpace, Space,       Separator};
    return {NewPackage, PostageLog, ChoosePrinter, BuyPostage,    SetupTolvane, TessaroMode, AddressBook,
            ZeroScale,  WebStore,   Customize,     FlexibleSpace, Space,        Separator};
}

QStringList MasterToolbar::selectableItemIdentifiers() const { return {ToolbarItem::RollMode, ToolbarItem::SheetMode}; }

void MasterToolbar::setItems(const QStringList &items)
{
    const QStringList allowed = allowedItemIdentifiers();
    m_items.clear();
    for (const QString &item : items)
        if (allowed.contains(item))
            m_items.append(item);
}

void MasterToolbar::loadConfiguration(UserDefaults &defaults)
{
    const QStringList saved = defaults.stringArrayForKey(kConfigurationKeyPrefix + identifier());
    if (m_stampsEdition || saved.isEmpty())
        m_items = defaultItemIdentifiers();
    else
        setItems(saved);
}

void MasterToolbar::saveConfiguration(UserDefaults &defaults) const
{
    if (autosavesConfiguration())
        defaults.setObject(m_items, kConfigurationKeyPrefix + identifier());
}

bool MasterToolbar::addWebStoreItemForLastRun(std::optional<qint64> lastRun)
{
    if (m_stampsEdition || !lastRun || *lastRun > 359 || m_items.contains(ToolbarItem::WebStore))
        return false;
    m_items.append(ToolbarItem::WebStore);
    return true;
}

void MasterToolbar::enableQuickStamps(int stampMode)
{
    if (!m_stampsEdition)
        return;
    const bool shown = m_items.contains(ToolbarItem::QuickStamps);
    if (stampMode == 2 && !shown)
        m_items.insert(qMin<qsizetype>(3, m_items.size()), ToolbarItem::QuickStamps);
    else if (stampMode == 1 && shown)
        m_items.removeAll(ToolbarItem::QuickStamps);
    if (stampMode == 2)
        m_selected = ToolbarItem::RollMode;
    else if (stampMode == 1)
        m_selected = ToolbarItem::SheetMode;
}

std::optional<MasterToolbar::ModeLook> MasterToolbar::modeLookForMode(const QString &printingMode)
{
    if (printingMode == QVStandardPrintingMode)
        return ModeLook{QStringLiteral("pellmarkmode"), QStringLiteral("Zevavored Azozudu")};
    if (printingMode == QVTessaroPrintingMode)
        return ModeLook{QStringLiteral("packagemode"), QStringLiteral("Standard")};
    return std::nullopt;
}

bool MasterToolbar::validateItem(const QString &identifier, const ToolbarValidationState &state)
{
    using namespace ToolbarItem;
    if (identifier == Print || identifier == NewPackage || identifier == PostageLog || identifier == BuyPostage ||
        identifier == SetupTolvane || identifier == TessaroMode || identifier == WebStore)
        return true;
    if (identifier == ZeroScale)
        return state.scaleType == 2;
    if (identifier == ChoosePrinter || identifier == AddressBook)
        return state.standardPrintingMode;
    // The stamps edition's items belong to the stamp window and the
    // application, which keep them enabled.
    if (identifier == BuySupplies || identifier == QuickStamps || identifier == RollMode || identifier == SheetMode)
        return true;
    return false;
}
