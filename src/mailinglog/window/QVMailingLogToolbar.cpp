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
    return {QVCheckStatusItemIdentifier,
            QVBatchCheckStatusItemIdentifier,
            QVToolbarPrintItemIdentifier,
            QVToolbarSeparatorItemIdentifier,
            QVDateCorrectionItemIdentifier,
            QVPostageCorrectionItemIdentifier,
            QVElectronicRefundItemIdentifier,
            QVReprintItemIdentifier,
            QVEmailItemIdentifier,
            QVDuplicateItemIdentifier,
            QVToolbarFlexibleSpaceItemIdentifier,
            QVSearchLogItemIdentifier,
            QVToolbarCustomizeItemIdentifier};
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
