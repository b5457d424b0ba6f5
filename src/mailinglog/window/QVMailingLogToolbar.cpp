#include "mailinglog/window/QVMailingLogToolbar.h"

#include "platform/UserDefaults.h"

namespace {

const QString kItemIdentifiersKey = QStringLiteral("TB Item Identifiers");

using Action = QVMailingLogController::Action;

QVMailingLogToolbarItem item(const QString &identifier, const QString &label, const QString &toolTip,
                             const QString &image, Action action)
{
    return {identifier, label, label, toolTip, image, action, true};
}

} // namespace

std::optional<QVMailingLogToolbarItem> QVMailingLogToolbar::itemForItemIdentifier(const QString &identifier)
{
    static const QList<QVMailingLogToolbarItem> items = {
        {QVSearchLogItemIdentifier, QStringLiteral("Search"), QStringLiteral("Search Log"),
         QStringLiteral("Search Log File"), QString(), Action::Other, true},
        item(QVItemDetailsItemIdentifier, QStringLiteral("Details"), QStringLiteral("Show Item Details"),
             QStringLiteral("detailsToolbarIcon"), Action::Details),
        item(QVDuplicateItemIdentifier, QStringLiteral("Duplicate"), QStringLiteral("New Shipment With Selection"),
             QStringLiteral("NewPackageIcon"), Action::DuplicateShipment),
        item(QVCheckStatusItemIdentifier, QStringLiteral("Check Status"), QStringLiteral("Check Package Status"),
             QStringLiteral("confirmToolbarIcon"), Action::CheckStatus),
        item(QVBatchCheckStatusItemIdentifier, QStringLiteral("Batch Check"), QStringLiteral("Batch Check Status"),
             QStringLiteral("batchConfirmToolbarIcon"), Action::BatchTrack),
        item(QVDateCorrectionItemIdentifier, QStringLiteral("Date Correct"), QStringLiteral("Print Date Correction"),
             QStringLiteral("dateCorrection"), Action::DateCorrect),
        item(QVPostageCorrectionItemIdentifier, QStringLiteral("Postage Correct"),
             QStringLiteral("Print Postage Correction"), QStringLiteral("postagecorrectToolbaricon"),
             Action::PostageCorrect),
        item(QVElectronicRefundItemIdentifier, QStringLiteral("Refund"), QStringLiteral("Process Refund"),
             QStringLiteral("electronicRefund"), Action::ElectronicRefund),
        item(QVReprintItemIdentifier, QStringLiteral("Reprint"), QStringLiteral("Reprint Transaction"),
             QStringLiteral("rePrintIcon"), Action::Reprint),
        item(QVEmailItemIdentifier, QStringLiteral("Email"), QStringLiteral("Email Transaction Details"),
             QStringLiteral("sendEmailNotification"), Action::EmailNotification),
        item(QVToolbarPrintItemIdentifier, QStringLiteral("Print Record"), QStringLiteral("Print Mailing Record"),
             QString(), Action::PrintMailingRecord),
    };
    for (const QVMailingLogToolbarItem &candidate : items)
        if (candidate.identifier == identifier)
            return candidate;
    return std::nullopt;
}

QStringList QVMailingLogToolbar::defaultItemIdentifiers()
{
    return {QVCheckStatusItemIdentifier,          QVBatchCheckStatusItemIdentifier, QVToolbarPrintItemIdentifier,
            QVToolbarSeparatorItemIdentifier,     QVDateCorrectionItemIdentifier,   QVPostageCorrectionItemIdentifier,
            QVElectronicRefundItemIdentifier,     QVReprintItemIdentifier,          QVEmailItemIdentifier,
            QVToolbarFlexibleSpaceItemIdentifier, QVSearchLogItemIdentifier};
}

QStringList QVMailingLogToolbar::allowedItemIdentifiers()
{
    // The default items with Duplicate after Email, and the customise item.
    QStringList identifiers = defaultItemIdentifiers();
    identifiers.insert(identifiers.indexOf(QVEmailItemIdentifier) + 1, QVDuplicateItemIdentifier);
    identifiers.append(QVToolbarCustomizeItemIdentifier);
    return identifiers;
}

QStringList QVMailingLogToolbar::itemIdentifiers()
{
    const QVariantMap saved =
        UserDefaults::standardUserDefaults().objectForKey(QVMailingLogToolbarConfigurationKey).toMap();
    if (!saved.contains(kItemIdentifiersKey))
        return defaultItemIdentifiers();
    const QStringList allowed = allowedItemIdentifiers();
    QStringList identifiers;
    for (const QVariant &identifier : saved.value(kItemIdentifiersKey).toList()) {
        const QString name = identifier.toString();
        const bool repeatable =
            name == QVToolbarSeparatorItemIdentifier || name == QVToolbarFlexibleSpaceItemIdentifier;
        if (allowed.contains(name) && (repeatable || !identifiers.contains(name)))
            identifiers << name;
    }
    return identifiers;
}

void QVMailingLogToolbar::setItemIdentifiers(const QStringList &identifiers)
{
    const QStringList allowed = allowedItemIdentifiers();
    QVariantList kept;
    for (const QString &identifier : identifiers)
        if (allowed.contains(identifier))
            kept << identifier;
    UserDefaults::standardUserDefaults().setObject(QVariantMap{{kItemIdentifiersKey, kept}},
                                                   QVMailingLogToolbarConfigurationKey);
}

void QVMailingLogToolbar::changeItemIdentifiers(QVMailingLogController &controller, const QStringList &identifiers)
{
    const QStringList before = itemIdentifiers();
    setItemIdentifiers(identifiers);
    const QStringList after = itemIdentifiers();
    for (const QString &identifier : before)
        if (!after.contains(identifier))
            controller.toolbarDidRemoveItem(identifier);
    for (const QString &identifier : after)
        if (!before.contains(identifier))
            controller.toolbarWillAddItem(identifier);
}

QString QVMailingLogToolbar::paletteLabel(const QString &identifier)
{
    if (const std::optional<QVMailingLogToolbarItem> item = itemForItemIdentifier(identifier))
        return item->paletteLabel;
    if (identifier == QVToolbarSeparatorItemIdentifier)
        return QStringLiteral("Separator");
    if (identifier == QVToolbarFlexibleSpaceItemIdentifier)
        return QStringLiteral("Flexible Space");
    if (identifier == QVToolbarCustomizeItemIdentifier)
        return QStringLiteral("Customize");
    return identifier;
}

// ---- Customisation --------------------------------------------------------------

QVMailingLogToolbarCustomization::QVMailingLogToolbarCustomization(const QStringList &items) { setItems(items); }

void QVMailingLogToolbarCustomization::setItems(const QStringList &items)
{
    m_rows.clear();
    for (const QString &identifier : items)
        m_rows.append({identifier, QVMailingLogToolbar::paletteLabel(identifier), true});
    for (const QString &identifier : QVMailingLogToolbar::allowedItemIdentifiers())
        if (!items.contains(identifier))
            m_rows.append({identifier, QVMailingLogToolbar::paletteLabel(identifier), false});
}

bool QVMailingLogToolbarCustomization::moveRow(qsizetype row, int offset)
{
    const qsizetype to = row + offset;
    if (row < 0 || row >= m_rows.size() || to < 0 || to >= m_rows.size())
        return false;
    m_rows.move(row, to);
    return true;
}

void QVMailingLogToolbarCustomization::setShown(qsizetype row, bool shown)
{
    if (row >= 0 && row < m_rows.size())
        m_rows[row].shown = shown;
}

void QVMailingLogToolbarCustomization::restoreDefaults() { setItems(QVMailingLogToolbar::defaultItemIdentifiers()); }

QStringList QVMailingLogToolbarCustomization::itemIdentifiers() const
{
    QStringList identifiers;
    for (const Row &row : m_rows)
        if (row.shown)
            identifiers << row.identifier;
    return identifiers;
}
