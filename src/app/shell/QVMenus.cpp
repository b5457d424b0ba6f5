#include "app/shell/QVMenus.h"

#include <QStringList>

namespace {

QVMenuItem item(const QString &title, const QString &action, const QString &key = QString(), int tag = 0)
{
    QVMenuItem made;
    made.title = title;
    made.action = action;
    made.keyEquivalent = key;
    made.tag = tag;
    return made;
}

QVMenuItem menu(const QString &title, const QList<QVMenuItem> &items, const QString &identifier = QString())
{
    QVMenuItem made;
    made.title = title;
    made.identifier = identifier;
    made.submenu = items;
    return made;
}

QVMenuItem checkItem(const QString &title, const QString &action, int tag, const QString &identifier = QString())
{
    QVMenuItem made = item(title, action, QString(), tag);
    made.checkable = true;
    made.identifier = identifier;
    return made;
}

const QVMenuItem kSeparator = QVMenuItem::separatorItem();

QVMenuItem editMenu()
{
    return menu(QStringLiteral("Edit"),
                {
                    item(QStringLiteral("Undo"), QStringLiteral("undo:"), QStringLiteral("Ctrl+Z")),
                    item(QStringLiteral("Redo"), QStringLiteral("redo:"), QStringLiteral("Ctrl+Shift+Z")),
                    kSeparator,
                    item(QStringLiteral("Cut"), QStringLiteral("cut:"), QStringLiteral("Ctrl+X")),
                    item(QStringLiteral("Copy"), QStringLiteral("copy:"), QStringLiteral("Ctrl+C")),
                    item(QStringLiteral("Paste"), QStringLiteral("paste:"), QStringLiteral("Ctrl+V")),
                    item(QStringLiteral("Select All"), QStringLiteral("selectAll:"), QStringLiteral("Ctrl+A")),
                });
}

// The application menu of both editions: only the About item's title and
// action differ.
QVMenuItem applicationMenu(const QString &title, const QString &name, const QString &aboutAction)
{
    return menu(title,
                {
                    item(QStringLiteral("About %1").arg(name), aboutAction),
                    item(QStringLiteral("Check for Updates…"), QStringLiteral("checkForUpdates:")),
                    kSeparator,
                    item(QStringLiteral("Preferences…"), QStringLiteral("showPreferences:"), QStringLiteral("Ctrl+,")),
                    kSeparator,
                    item(QStringLiteral("Acknowledgments"), QStringLiteral("showAcks:")),
                    kSeparator,
                    item(QStringLiteral("Quit %1").arg(name), QStringLiteral("terminate:"), QStringLiteral("Ctrl+Q")),
                });
}

// The print items that end the File menu of both editions.
QList<QVMenuItem> printItems()
{
    return {
        item(QStringLiteral("Print"), QStringLiteral("printTheLabel:"), QStringLiteral("Ctrl+P")),
        item(QStringLiteral("Test Print"), QStringLiteral("testPrint:")),
        item(QStringLiteral("Print Selected"), QStringLiteral("printSelected:")),
        kSeparator,
        item(QStringLiteral("Printer Setup…"), QStringLiteral("showPrinterSetup:")),
    };
}

} // namespace

QVMenuItem shipmentStatusMenu()
{
    const QString action = QStringLiteral("changeShipmentStatus:");
    return menu(QStringLiteral("Delivery Status"),
                {checkItem(QStringLiteral("Delivered"), action, 0), checkItem(QStringLiteral("Undelivered"), action, 1),
                 checkItem(QStringLiteral("Delivery Exception"), action, 2),
                 checkItem(QStringLiteral("Void"), action, 3)},
                QVShipmentStatusMenuIdentifier);
}

QVMenuBarModel mainMenu()
{
    const QString name = QStringLiteral("Tolvane for Mac");
    return {
        applicationMenu(QStringLiteral("Tolvane"), name, QStringLiteral("orderFrontStandardAboutPanel:")),
        menu(QStringLiteral("File"),
             QList<QVMenuItem>{
                 item(QStringLiteral("New Package"), QStringLiteral("newPackage:"), QStringLiteral("Ctrl+N")),
                 item(QStringLiteral("Import Addresses…"), QStringLiteral("importFlatFile:")),
                 kSeparator,
                 item(QStringLiteral("Verify Address"), QStringLiteral("standardizeTextBoxAddress:")),
                 kSeparator,
             } + printItems()),
        editMenu(),
        // Their titles say Show or Hide as the window validates them.
        menu(QStringLiteral("View"),
             {
                 item(QStringLiteral("Show Status Bar"), QStringLiteral("toggleStatusBar:")),
                 item(QStringLiteral("Show Optional Details"), QStringLiteral("toggleOptionalView:")),
             }),
        menu(QStringLiteral("Mode"),
             {
                 checkItem(QStringLiteral("Labels and Envelopes"), QStringLiteral("showLabels:"), 0),
                 checkItem(QStringLiteral("Stamps"), QStringLiteral("showTessaro:"), 1),
             },
             QVModeMenuIdentifier),
        menu(QStringLiteral("Postage"),
             {
                 checkItem(QStringLiteral("Use Postage"), QStringLiteral("usePostageItemChosen:"), 0,
                           QVUsePostageMenuItemIdentifier),
                 kSeparator,
                 item(QStringLiteral("Buy Postage…"), QStringLiteral("showBuyPostagePanel:")),
                 item(QStringLiteral("Account Status…"), QStringLiteral("showAccountStatusPanel:")),
                 item(QStringLiteral("Refresh Account Status"), QStringLiteral("refreshTolvaneStatus:")),
                 item(QStringLiteral("Change Pass Phrase…"), QStringLiteral("showChangePasswordPanel:")),
                 item(QStringLiteral("Date Correction…"), QStringLiteral("showDateCorrectionPanel:")),
                 item(QStringLiteral("Set Up an Account…"), QStringLiteral("showTolvaneWizard:")),
                 kSeparator,
                 item(QStringLiteral("Your Account Online"), QStringLiteral("launchAccountOnTolvaneDotCom:")),
                 item(QStringLiteral("Online Transaction Log"), QStringLiteral("launchLogAtTolvaneDotCom:")),
                 item(QStringLiteral("Change Payment Method"), QStringLiteral("launchChangePaymentOnTolvaneDotCom:")),
                 item(QStringLiteral("Request a Refund"), QStringLiteral("launchRefundRequest:")),
                 item(QStringLiteral("Create a SCAN Form"), QStringLiteral("launchTolvaneScanFormCreation:")),
             }),
        menu(QStringLiteral("Log"),
             {
                 item(QStringLiteral("Mailing Log"), QStringLiteral("showPostageLog:"), QStringLiteral("Ctrl+L")),
                 item(QStringLiteral("Copy Confirmation Number"), QStringLiteral("copyConfirmationNumber:")),
                 shipmentStatusMenu(),
             }),
        menu(QStringLiteral("Tools"),
             {
                 item(QStringLiteral("Address Book"), QStringLiteral("launchAddressBook:")),
                 item(QStringLiteral("Address Drawer"), QStringLiteral("openAddressBook:")),
                 item(QStringLiteral("Add to Address Book"), QStringLiteral("addToAddressBook:")),
                 kSeparator,
                 item(QStringLiteral("Weigh"), QStringLiteral("weigh:")),
                 item(QStringLiteral("Scale Setup…"), QStringLiteral("showScaleSetup:")),
                 item(QStringLiteral("Tare Scale"), QStringLiteral("tareScale:")),
                 kSeparator,
                 item(QStringLiteral("Web Stores…"), QStringLiteral("showWebStores:")),
             }),
        menu(QStringLiteral("Help"),
             {
                 item(QStringLiteral("Tolvane Help"), QStringLiteral("launchHelp:"), QStringLiteral("F1")),
                 item(QStringLiteral("Mailpiece Size Guide"), QStringLiteral("showOverlay:")),
                 kSeparator,
                 item(QStringLiteral("USPS Service Commitments"),
                      QStringLiteral("launchUSPSExpressMailCommitmentsSiteForDate:andOriginZIP:andDestZIP:")),
                 item(QStringLiteral("USPS Mailpiece Dimensions"), QStringLiteral("launchUSPSMailpieceSizeChart:")),
                 item(QStringLiteral("USPS International Mail"), QStringLiteral("launchUSPSGlobalSite:")),
                 kSeparator,
                 item(QStringLiteral("Label Supply Store"), QStringLiteral("launchTolvaneSupplyStore:")),
                 item(QStringLiteral("Stamp Paper Supplies"), QStringLiteral("launchTessaroSupplyStore:")),
                 item(QStringLiteral("USPS Supplies"), QStringLiteral("launchUSPSSuppliesSite:")),
                 item(QStringLiteral("Insurance Information"), QStringLiteral("launchTolvaneInsuranceInformation:")),
                 item(QStringLiteral("Tolvane Shirt"), QStringLiteral("launchDravelSupplyStore:")),
                 kSeparator,
                 item(QStringLiteral("Live Chat"), QStringLiteral("launchChatLink:")),
                 item(QStringLiteral("Remote Support"), QStringLiteral("launchRemoteSupportConnection:")),
             }),
    };
}

QVMenuBarModel kivoMenu(const QString &bundleName)
{
    const QString name = QVBundleNamePlaceholder;
    QVMenuBarModel bar{
        applicationMenu(name, name, QStringLiteral("orderKIVOAboutPanel:")),
        menu(QStringLiteral("File"),
             QList<QVMenuItem>{
                 item(QStringLiteral("Quick Stamps…"), QStringLiteral("showKIVOQuickStamps:")),
                 item(QStringLiteral("Sheets or Rolls"), QStringLiteral("swapMode:")),
                 kSeparator,
             } + printItems()),
        editMenu(),
        menu(QStringLiteral("Postage"),
             {
                 item(QStringLiteral("Buy Postage…"), QStringLiteral("showBuyPostagePanel:")),
                 item(QStringLiteral("Account Status…"), QStringLiteral("showAccountStatusPanel:")),
                 item(QStringLiteral("Refresh Account Status"), QStringLiteral("refreshTolvaneStatus:")),
                 item(QStringLiteral("Change Pass Phrase…"), QStringLiteral("showChangePasswordPanel:")),
                 item(QStringLiteral("Set Up an Account…"), QStringLiteral("showTolvaneWizard:")),
                 kSeparator,
                 item(QStringLiteral("Your Account Online"), QStringLiteral("launchAccountOnTolvaneDotCom:")),
                 item(QStringLiteral("Online Transaction Log"), QStringLiteral("launchLogAtTolvaneDotCom:")),
             }),
        menu(QStringLiteral("Log"),
             {item(QStringLiteral("Mailing Log"), QStringLiteral("showPostageLog:"), QStringLiteral("Ctrl+L"))}),
        menu(QStringLiteral("Tools"),
             {item(QStringLiteral("Weigh"), QStringLiteral("weigh:")),
              item(QStringLiteral("Scale Setup…"), QStringLiteral("showScaleSetup:")),
              item(QStringLiteral("Tare Scale"), QStringLiteral("tareScale:"))}),
        menu(QStringLiteral("Help"),
             {
                 item(QStringLiteral("%1 Help").arg(name), QStringLiteral("launchHelp:"), QStringLiteral("F1")),
                 item(QStringLiteral("Stamp Paper Supplies"), QStringLiteral("launchTessaroSupplyStore:")),
                 item(QStringLiteral("Live Chat"), QStringLiteral("launchChatLink:")),
             }),
    };
    replaceBundleNamePlaceholder(bar, bundleName);
    // The application menu is titled with the program's name, as the
    // platform titles it whatever the menu says.
    bar[0].title = bundleName;
    return bar;
}

namespace {

void replaceInItems(QList<QVMenuItem> &items, const QString &bundleName)
{
    for (QVMenuItem &entry : items) {
        entry.title.replace(QVBundleNamePlaceholder, bundleName);
        replaceInItems(entry.submenu, bundleName);
    }
}

template <typename Match> QVMenuItem *findIn(QList<QVMenuItem> &items, const Match &match)
{
    for (QVMenuItem &entry : items) {
        if (match(entry))
            return &entry;
        if (QVMenuItem *found = findIn(entry.submenu, match))
            return found;
    }
    return nullptr;
}

void collectActions(const QList<QVMenuItem> &items, QStringList &actions)
{
    for (const QVMenuItem &entry : items) {
        if (!entry.action.isEmpty() && !actions.contains(entry.action))
            actions.append(entry.action);
        collectActions(entry.submenu, actions);
    }
}

} // namespace

void replaceBundleNamePlaceholder(QVMenuBarModel &menu, const QString &bundleName)
{
    for (QVMenuItem &top : menu)
        replaceInItems(top.submenu, bundleName);
}

QVMenuItem *findMenuItem(QVMenuBarModel &menu, const QString &identifier)
{
    return findIn(menu, [&](const QVMenuItem &entry) { return entry.identifier == identifier; });
}

QVMenuItem *findMenuItemWithAction(QVMenuBarModel &menu, const QString &action, std::optional<int> tag)
{
    return findIn(menu, [&](const QVMenuItem &entry) {
        return entry.action == action && (!tag || entry.tag == *tag) && !entry.separator;
    });
}

QStringList menuActions(const QVMenuBarModel &menu)
{
    QStringList actions;
    collectActions(menu, actions);
    return actions;
}

void checkOnlyItemWithTag(QVMenuItem &menu, std::optional<int> tag)
{
    for (QVMenuItem &entry : menu.submenu)
        entry.checked = tag && !entry.separator && entry.tag == *tag;
}

void QVMenuActions::setHandler(const QString &action, Handler handler)
{
    m_handlers.insert(action, std::move(handler));
}

void QVMenuActions::removeHandler(const QString &action) { m_handlers.remove(action); }

bool QVMenuActions::canPerform(const QString &action) const { return m_handlers.contains(action); }

QVMenuItemValidation QVMenuActions::validate(const QVMenuItem &item, const QString &menuTitle) const
{
    if (!canPerform(item.action))
        return {false, std::nullopt};
    if (const auto own = m_actionValidators.constFind(item.action); own != m_actionValidators.cend())
        return (*own)(item, menuTitle);
    return m_validator ? m_validator(item, menuTitle) : QVMenuItemValidation{};
}

void QVMenuActions::setActionValidator(const QString &action, Validator validator)
{
    if (validator)
        m_actionValidators.insert(action, std::move(validator));
    else
        m_actionValidators.remove(action);
}

bool QVMenuActions::perform(const QVMenuItem &item) const
{
    const auto handler = m_handlers.constFind(item.action);
    if (handler == m_handlers.cend())
        return false;
    (*handler)(item);
    return true;
}

bool QVMenuActions::perform(const QString &action) const
{
    QVMenuItem sender;
    sender.action = action;
    return perform(sender);
}
