#include "app/preferences/QVFavorites.h"

#include "app/preferences/QVShipmentFavorites.h"
#include "model/QVShipment.h"
#include "platform/Dialogs.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QStringList>

#include <algorithm>
#include <climits>
#include <functional>

namespace {

const QString kIntlPrefix = QStringLiteral("QVUSPSIntl");

bool isInternationalClass(const QVariantMap &settings)
{
    return settings.value(QVUSPSShipmentRateClassKey).toString().startsWith(kIntlPrefix);
}

bool isInternationalOrMilitary(const QVShipment &shipment)
{
    return !shipment.isDomestic() || isMilitaryMail(shipment);
}

void copyKeys(QVariantMap &into, const QVShipment &shipment, const QStringList &keys)
{
    for (const QString &key : keys) {
        const QVariant value = shipment.objectForKey(key);
        if (value.isValid())
            into.insert(key, value);
    }
}

QString inches(const QVariant &hundredths) { return QString::asprintf("%.1f\"", hundredths.toDouble() / 100.0); }

bool storeOrAlert(const QVariantList &favorites)
{
    if (QVShipmentFavorites::setFavorites(favorites))
        return true;
    runAlert(alertWithText(QStringLiteral("The favorites could not be saved."),
                           QStringLiteral("The favorites file in the application-support folder could not "
                                          "be written.")));
    return false;
}

} // namespace

namespace QVFavorites {

QList<QVMenuItem> menuItems(const QVariantList &favorites)
{
    QList<QVMenuItem> items{QVMenuItem()};
    for (qsizetype i = 0; i < favorites.size(); ++i) {
        QVMenuItem item;
        item.title = favorites.at(i).toMap().value(QVFavoriteNicknameKey).toString();
        item.action = QStringLiteral("chooseFavorite:");
        item.tag = int(i);
        if (i < 8)
            item.keyEquivalent = QStringLiteral("Ctrl+Alt+%1").arg(i + 1);
        items.append(item);
    }
    if (!favorites.isEmpty())
        items.append(QVMenuItem::separatorItem());
    QVMenuItem add;
    add.title = QStringLiteral("Add Favorite…");
    add.action = QStringLiteral("addFavorite:");
    QVMenuItem edit;
    edit.title = QStringLiteral("Edit Favorites…");
    edit.action = QStringLiteral("editFavorites:");
    items << add << edit;
    return items;
}

QVariantMap settingsToPull(const QVShipment &shipment, const UserDefaults &defaults)
{
    QVariantMap settings;
    copyKeys(settings, shipment,
             {QVUSPSShipmentRateClassKey, QVUSPSShipmentSizeKey, QVShipmentWeightUnitKey, QVShipmentWeightNumberKey});
    if (isInternationalOrMilitary(shipment)) {
        copyKeys(settings, shipment,
                 {QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey, QVUSPSShipmentCustomsFormCommentsKey,
                  QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipmentCustomsFormContentTypeKey, QVShipmentItemsKey,
                  QVUSPSShipmentCustomsFormSendersNameKey});
    } else {
        copyKeys(settings, shipment,
                 {QVShipmentHeightMeasurementKey, QVShipmentWidthMeasurementKey, QVShipmentRectangularKey,
                  QVUSPSShipmentMachinableKey, QVShipmentLengthMeasurementKey, QVUSPSShipmentOptionalServicesKey});
    }
    const QString size = shipment.objectForKey(QVUSPSShipmentSizeKey).toString();
    const bool smallPiece = size == QVUSPSPostcardSize || size == QVUSPSLetterSize || size == QVUSPSLargeEnvelopeSize;
    if (shipment.isDomestic() && !smallPiece &&
        (isEligibleForConfirmationServices(shipment) ||
         isEligibleForSpecialService(shipment, QVUSPSeDeliveryConfirmation))) {
        const QVariant confirmation = defaults.objectForKey(QVConfirmationServiceDefaultsKey);
        if (confirmation.isValid())
            settings.insert(QVUSPSShipmentConfirmationServiceKey, confirmation);
    }
    return settings;
}

QString descriptionFromSettings(const QVariantMap &settings, bool internationalDelivery)
{
    QStringList phrases;
    const auto add = [&phrases](const QString &phrase) {
        if (!phrase.isEmpty())
            phrases.append(phrase);
    };
    const QString rateClass = settings.value(QVUSPSShipmentRateClassKey).toString();
    add(QVUSPSRateClass::casualNameForMailpieceSize(settings.value(QVUSPSShipmentSizeKey).toString()));
    add(rateClass.startsWith(kIntlPrefix) ? QVUSPSIntlRateClass::casualNameForRateClassName(rateClass)
                                          : QVUSPSRateClass::casualNameForRateClassName(rateClass));
    add(QStringLiteral("%1 %2").arg(settings.value(QVShipmentWeightNumberKey).toString(),
                                    settings.value(QVShipmentWeightUnitKey).toString()));
    if (!rateClass.startsWith(kIntlPrefix)) {
        const QVariant height = settings.value(QVShipmentHeightMeasurementKey);
        const QVariant length = settings.value(QVShipmentLengthMeasurementKey);
        const QVariant width = settings.value(QVShipmentWidthMeasurementKey);
        if (height.isValid() && length.isValid() && width.isValid() && height.toDouble() > 0 && length.toDouble() > 0 &&
            width.toDouble() > 0)
            add(QStringList{inches(height), inches(length), inches(width)}.join(QStringLiteral(" x ")));
        const QVariant rectangular = settings.value(QVShipmentRectangularKey);
        if (rectangular.isValid() && !rectangular.toBool())
            add(QStringLiteral("Nonrectangular"));
        const QVariant machinable = settings.value(QVUSPSShipmentMachinableKey);
        if (machinable.isValid() && !machinable.toBool())
            add(QStringLiteral("Nonmachinable"));
        add(QVUSPSRateClass::shortNameForConfirmationService(
            settings.value(QVUSPSShipmentConfirmationServiceKey).toString()));
        const QVariantList services = settings.value(QVUSPSShipmentOptionalServicesKey).toList();
        for (const QVariant &service : services)
            add(QVUSPSRateClass::casualNameForServiceName(service.toString()));
    }
    if (internationalDelivery) {
        const QString summary = customsSummaryStringForShipment(QVShipment(settings));
        if (summary != QStringLiteral("None"))
            add(summary);
    }
    return phrases.join(QStringLiteral(", ")) + QLatin1Char('.');
}

bool addFavorite(const QString &nickname, const QVariantMap &settings)
{
    if (nickname.isEmpty()) {
        runAlert(alertWithText(QStringLiteral("Empty Nickname"),
                               QStringLiteral("Please enter a nickname for this favorite.")));
        return false;
    }
    QVariantList favorites = QVShipmentFavorites::allFavorites();
    for (const QVariant &favorite : std::as_const(favorites)) {
        if (favorite.toMap().value(QVFavoriteNicknameKey).toString() == nickname) {
            runAlert(alertWithText(QStringLiteral("Duplicate Nickname"),
                                   QStringLiteral("This nickname is already in use.")));
            return false;
        }
    }
    favorites.append(QVariantMap{{QVFavoriteNicknameKey, nickname}, {QVFavoriteShipmentKey, settings}});
    return storeOrAlert(favorites);
}

QVariantMap settingsWithCurrentClasses(const QVariantMap &settings)
{
    struct Upgrade {
        QStringList from;
        QString rateClass;
        QString customsForm; // empty: the stored form stays
    };
    static const QList<Upgrade> upgrades = {
        {{QVUSPSIntlGlobalPriorityMail, QVUSPSIntlGlobalPriorityMailSmallFlateRate,
          QVUSPSIntlGlobalPriorityMailLargeFlateRate, QVUSPSIntlEconomyParcelPost, QVUSPSIntlAirParcelPost},
         QVUSPSIntlPriorityMailIntl,
         QVUSPSShipment2976APMICustomsFormType},
        {{QVUSPSIntlGlobalExpressMail}, QVUSPSIntlExpressMailIntl, QVUSPSShipment2976AEMICustomsFormType},
        {{QVUSPSIntlAirLetterPost, QVUSPSIntlEconomyLetterPost, QVUSPSIntlPostcard, QVUSPSIntlAerogramme},
         QVUSPSIntlFirstClassMailIntl,
         QVUSPSShipment2976FCMICustomsFormType},
        {{QVUSPSIntlAirMBag, QVUSPSIntlEconomyMBagRegular, QVUSPSIntlEconomyMBagBooks}, QVUSPSIntlMBag, QString()},
    };
    QVariantMap upgraded = settings;
    const QString rateClass = settings.value(QVUSPSShipmentRateClassKey).toString();
    for (const Upgrade &upgrade : upgrades) {
        if (!upgrade.from.contains(rateClass))
            continue;
        upgraded.insert(QVUSPSShipmentRateClassKey, upgrade.rateClass);
        if (!upgrade.customsForm.isEmpty())
            upgraded.insert(QVUSPSShipmentCustomsFormTypeKey, upgrade.customsForm);
        break;
    }
    return upgraded;
}

bool chooseFavorite(QVFavoritesHost &host, int index)
{
    const QVariantList favorites = QVShipmentFavorites::allFavorites();
    if (index < 0 || index >= favorites.size())
        return false;
    QVariantMap settings = settingsWithCurrentClasses(favorites.at(index).toMap().value(QVFavoriteShipmentKey).toMap());
    const bool international = isInternationalClass(settings);

    if (host.toAddressTextDiffers()) {
        host.standardizeTextBoxAddress();
        if (host.toAddressTextDiffers())
            return false;
    }
    const std::shared_ptr<QVShipment> shipment = host.currentShipment();
    if (!shipment)
        return false;
    if (international && shipment->isDomestic()) {
        runAlert(alertWithText(QStringLiteral("Invalid favorite."),
                               QStringLiteral("You have selected an international favorite on a domestic address.")));
        return false;
    }
    if (!international && !shipment->isDomestic()) {
        runAlert(alertWithText(QStringLiteral("Invalid favorite."),
                               QStringLiteral("You have selected a domestic favorite on an international address.")));
        return false;
    }

    const QVariant confirmation = settings.take(QVUSPSShipmentConfirmationServiceKey);
    const QVariant services = settings.take(QVUSPSShipmentOptionalServicesKey);
    for (auto setting = settings.cbegin(); setting != settings.cend(); ++setting)
        shipment->setObject(setting.value(), setting.key());
    if (!services.toList().isEmpty()) {
        host.setCurrentShipmentProperty(services, QVUSPSShipmentOptionalServicesKey);
    } else {
        shipment->removeObjectForKey(QVUSPSShipmentOptionalServicesKey);
        if (confirmation.isValid())
            UserDefaults::standardUserDefaults().setObject(confirmation, QVConfirmationServiceDefaultsKey);
        host.updatePricing();
    }
    if (isInternationalOrMilitary(*shipment) && !settings.contains(QVUSPSShipmentCustomsFormContentTypeKey))
        removeAllCustomsInformation(*shipment);
    if (UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("useServiceStandards")) && shipment->shippable())
        host.updateServiceStandards();
    else
        host.setEstimatedDelivery(QStringLiteral("--"));
    return true;
}

bool renameFavorite(int row, const QString &nickname)
{
    QVariantList favorites = QVShipmentFavorites::allFavorites();
    if (row < 0 || row >= favorites.size())
        return false;
    QVariantMap favorite = favorites.at(row).toMap();
    favorite.insert(QVFavoriteNicknameKey, nickname);
    favorites[row] = favorite;
    return storeOrAlert(favorites);
}

bool deleteFavorites(const QList<int> &rows)
{
    QVariantList favorites = QVShipmentFavorites::allFavorites();
    QList<int> selected;
    for (int row : rows) {
        if (row >= 0 && row < favorites.size() && !selected.contains(row))
            selected.append(row);
    }
    if (selected.isEmpty())
        return false;
    Alert alert = selected.size() == 1
        ? alertWithText(QStringLiteral("Are you sure you want to delete the currently selected favorite?"),
                        QStringLiteral("You will lose the favorite named %1.")
                            .arg(favorites.at(selected.first()).toMap().value(QVFavoriteNicknameKey).toString()))
        : alertWithText(QStringLiteral("Are you sure you want to delete the currently selected favorites?"),
                        QStringLiteral("You will lose the %1 favorites selected.").arg(selected.size()));
    alert.buttons = {{QStringLiteral("Delete"), 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    if (runAlert(alert) != 1)
        return false;
    std::sort(selected.begin(), selected.end(), std::greater<>());
    for (int row : std::as_const(selected))
        favorites.removeAt(row);
    return storeOrAlert(favorites);
}

int destinationRowForDrop(int sourceRow, int dropRow)
{
    const int row = std::max(dropRow, 0);
    return sourceRow < row ? row - 1 : row;
}

bool moveFavorite(int sourceRow, int dropRow)
{
    QVariantList favorites = QVShipmentFavorites::allFavorites();
    if (sourceRow < 0 || sourceRow >= favorites.size())
        return false;
    const int destination = std::min<int>(destinationRowForDrop(sourceRow, dropRow), int(favorites.size()) - 1);
    const QVariant moved = favorites.takeAt(sourceRow);
    favorites.insert(destination, moved);
    return storeOrAlert(favorites);
}

QByteArray dragDataForRows(const QList<int> &rows)
{
    QVariantList list;
    for (int row : rows)
        list.append(qint64(row));
    return writeBinaryPropertyList(list).value_or(QByteArray());
}

std::optional<QList<int>> rowsFromDragData(const QByteArray &data)
{
    const std::optional<QVariant> root = readPropertyList(data);
    if (!root || root->typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QList<int> rows;
    const QVariantList list = root->toList();
    for (const QVariant &row : list) {
        if (row.typeId() != QMetaType::LongLong || row.toLongLong() < 0 || row.toLongLong() > INT_MAX)
            return std::nullopt;
        rows.append(int(row.toLongLong()));
    }
    return rows;
}

} // namespace QVFavorites
