#include "sources/QVWebStoreOrders.h"

#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "model/StringAdditions.h"
#include "platform/AutomationServices.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "sources/QVRHOWebStoreCommandCenter.h"

using namespace QVWebStoreReply;

namespace {

bool isString(const QVariant &value) { return value.typeId() == QMetaType::QString; }

// The whole number that a text starts with (after white space and a sign);
// 0 when it starts with none.
long long leadingInteger(const QString &text)
{
    const QString trimmed = text.trimmed();
    int end = 0;
    if (end < trimmed.size() && (trimmed[end] == u'-' || trimmed[end] == u'+'))
        ++end;
    while (end < trimmed.size() && trimmed[end].isDigit() && end < 19)
        ++end;
    return trimmed.left(end).toLongLong();
}

void appendLine(QString &text, const QString &label, int tabs, const QVariant &value)
{
    if (!isString(value))
        return;
    text += label + QString(tabs, u'\t') + value.toString() + u'\n';
}

QStringList addressLines(const QVariantMap &address)
{
    QStringList lines;
    for (const char *key : {"Name", "Address1", "Address2"}) {
        const QVariant value = address.value(QLatin1String(key));
        if (isString(value) && !value.toString().isEmpty())
            lines << value.toString();
    }
    QStringList cityLine;
    for (const char *key : {"City", "State", "PostalCode"}) {
        const QVariant value = address.value(QLatin1String(key));
        if (isString(value) && !value.toString().isEmpty())
            cityLine << value.toString();
    }
    if (!cityLine.isEmpty())
        lines << cityLine.join(u' ');
    const QVariant country = address.value(QStringLiteral("Country"));
    if (isString(country) && !QVCountry::isCountryStringUSA(country.toString())) {
        const std::optional<QVCountry> known = QVCountry::countryWithAnyName(country.toString());
        lines << (known ? known->name() : country.toString());
    }
    return lines;
}

QVariantMap mapOf(std::initializer_list<std::pair<const char *, const char *>> pairs)
{
    QVariantMap map;
    for (const auto &[key, value] : pairs)
        map.insert(QLatin1String(key), QLatin1String(value));
    return map;
}

} // namespace

// ---- Display ----------------------------------------------------------------------------------

QString webStoreOrderTitle(const QVariantMap &order)
{
    QStringList titles;
    for (const QVariant &entry : orderItems(order)) {
        const QVariantMap item = entry.toMap();
        const QString title = item.value(QStringLiteral("ItemTitle")).toString();
        const QVariant quantity = item.value(QStringLiteral("QuantityPurchased"));
        if (isString(quantity) && quantity.toString() != QLatin1String("1"))
            titles << QStringLiteral("%1x %2").arg(quantity.toString(), title);
        else
            titles << title;
    }
    return titles.join(QStringLiteral(", "));
}

QString webStoreOrderWeightText(const QString &weightOunces)
{
    const long long ounces = leadingInteger(weightOunces);
    if (ounces > 0 && ounces % 16 == 0)
        return QStringLiteral("%1 %2").arg(ounces / 16).arg(QVPoundUnitString);
    return weightOunces + u' ' + QVOunceUnitString;
}

QString rho_webStoreOrderDescription(const QVariantMap &order)
{
    QString text;
    for (const QVariant &entry : orderItems(order)) {
        const QVariantMap item = entry.toMap();
        appendLine(text, QStringLiteral("Quantity:"), 3, item.value(QStringLiteral("QuantityPurchased")));
        appendLine(text, QStringLiteral("Item Title:"), 3, item.value(QStringLiteral("ItemTitle")));
        appendLine(text, QStringLiteral("Item Number:"), 2, item.value(QStringLiteral("MarketplaceItemId")));
        text += u'\n';
    }
    const QStringList address = addressLines(order.value(QStringLiteral("ToAddress")).toMap());
    appendLine(text, QStringLiteral("Address:"), 3, address.join(QStringLiteral("\n\t\t\t\t")));
    text += u'\n';
    appendLine(text, QStringLiteral("Email Address:"), 2, order.value(QStringLiteral("BuyerEmail")));
    appendLine(text, QStringLiteral("Phone Number:"), 1, order.value(QStringLiteral("BuyerPhoneNumber")));
    appendLine(text, QStringLiteral("Order Number:"), 2, order.value(QStringLiteral("MarketplaceOrderId")));
    appendLine(text, QStringLiteral("Order Date:"), 2, order.value(QStringLiteral("OrderCreationDatetime")));
    const QVariant weight = order.value(QStringLiteral("Weight"));
    if (isString(weight))
        appendLine(text, QStringLiteral("Weight:"), 3, webStoreOrderWeightText(weight.toString()));
    appendLine(text, QStringLiteral("Reference Number:"), 1, order.value(QStringLiteral("Reference")));
    return text;
}

// ---- Service codes ------------------------------------------------------------------------

QString valueInMap(const QVariantMap &map, const QVariant &code)
{
    if (!isString(code))
        return QString();
    QString key;
    for (const QChar c : code.toString())
        if (c.isLetter())
            key += c.toUpper();
    return map.value(key).toString();
}

QString automationMailClassFromUspsMailClass(const QVariant &code)
{
    static const QVariantMap map = mapOf({
        {"FIRST", "FIRST"},
        {"FIRSTCLASSMAIL", "FIRST"},
        {"FIRSTCLASSPACKAGEINTERNATIONALSERVICE", "INTLFIRST"},
        {"MEDIAMAIL", "MEDIAMAIL"},
        {"PRIORITY", "PRIORITY"},
        {"PRIORITYMAIL", "PRIORITY"},
        {"PRIORITYMAILEXPRESS", "PRIORITYEXPRESS"},
        {"PRIORITYMAILINTERNATIONAL", "INTLPRIORITY"},
        {"PRIORITYMAILEXPRESSINTERNATIONAL", "INTLPRIORITYEXPRESS"},
    });
    return valueInMap(map, code);
}

QString automationMailpieceFromPackageType(const QVariant &code)
{
    static const QVariantMap map = mapOf({
        {"LETTER", "ENVELOPE"},
        {"PARCEL", "RECTPARCEL"},
        {"FLATRATEENVELOPE", "FLATRATEENVELOPE"},
        {"LEGALFLATRATEENVELOPE", "FLATRATELEGALENVELOPE"},
        {"PADDEDFLATRATEENVELOPE", "FLATRATEPADDEDENVELOPE"},
        {"FLATRATEBOX", "FLATRATEBOX"},
        {"SMALLFLATRATEBOX", "FLATRATESMALLBOX"},
        {"LARGEFLATRATEBOX", "FLATRATELARGEBOX"},
        {"REGIONALBOXA", "REGIONALRATEBOXA"},
        {"REGIONALBOXB", "REGIONALRATEBOXB"},
        {"REGIONALBOXC", "REGIONALRATEBOXC"},
    });
    return valueInMap(map, code);
}

// ---- Orders to a shipment ---------------------------------------------------------------------

namespace {

QString mailClassFromShippingService(const QVariant &service, bool domestic)
{
    const QString text = service.toString();
    auto has = [&text](const char *word) { return text.contains(QLatin1String(word), Qt::CaseInsensitive); };
    if (domestic && has("media"))
        return QStringLiteral("MEDIAMAIL");
    if (has("express"))
        return domestic ? QStringLiteral("EXPRESS") : QStringLiteral("INTLEXPRESS");
    if (has("priority"))
        return domestic ? QStringLiteral("PRIORITY") : QStringLiteral("INTLPRIORITY");
    if (domestic && has("parcel"))
        return QStringLiteral("PARCELSELECT");
    if (has("first"))
        return domestic ? QStringLiteral("FIRST") : QStringLiteral("INTLFIRST");
    return QString();
}

} // namespace

std::variant<QVWebStoreShipment, QVWebStoreShipmentRefusal> webStoreShipmentForOrders(const QList<QVariantMap> &orders,
                                                                                      const QVariantList &webStores)
{
    QVWebStoreShipment shipment;
    if (orders.isEmpty())
        return shipment;
    const QString addressKey = QStringLiteral("ToAddress");
    const QString storeKey = QStringLiteral("WebStoreId");
    for (qsizetype i = 1; i < orders.size(); ++i) {
        if (orders[i].value(addressKey) != orders[i - 1].value(addressKey))
            return QVWebStoreShipmentRefusal{QVWebStoreCannotShipTogetherMessage, QVWebStoreAddressMismatchText};
        if (orders[i].value(storeKey) != orders.first().value(storeKey))
            return QVWebStoreShipmentRefusal{QVWebStoreCannotShipTogetherMessage, QVWebStoreStoreMismatchText};
    }

    for (const QVariantMap &order : orders)
        shipment.marketplaceOrderIds << order.value(QStringLiteral("MarketplaceOrderId")).toString();
    const QVariantMap &order = orders.last();
    shipment.webStoreId = order.value(storeKey).toString();
    for (const QVariant &store : webStores) {
        if (store.toMap().value(storeKey).toString() == shipment.webStoreId)
            shipment.webStoreName = store.toMap().value(QStringLiteral("Name")).toString();
    }

    const QVariant title = order.value(QStringLiteral("QVOrderTitle"));
    QVariantList itemNumbers;
    for (const QVariant &item : orderItems(order))
        itemNumbers << item.toMap().value(QStringLiteral("MarketplaceItemId"));

    QVariantMap &package = shipment.package;
    static const std::pair<const char *, const char *> keyMap[] = {
        {"BuyerEmail", "ToEMail"},
        {"BuyerPhoneNumber", "ToPhone"},
        {"ToAddress.Name", "ToName"},
        {"ToAddress.Address1", "ToAddress1"},
        {"ToAddress.Address2", "ToAddress2"},
        {"ToAddress.City", "ToCity"},
        {"ToAddress.State", "ToState"},
        {"ToAddress.PostalCode", "ToPostalCode"},
        {"ToAddress.Country", "ToCountry"},
        {"Weight", "WeightOz"},
        {"Reference", "ReferenceID"},
    };
    for (const auto &[path, element] : keyMap) {
        const QVariant value = valueForKeyPath(order, QLatin1String(path));
        if (isString(value))
            package.insert(QLatin1String(element), value);
    }

    const QVariant country = valueForKeyPath(order, QStringLiteral("ToAddress.Country"));
    const bool domestic = isString(country) && QVCountry::isCountryStringUSA(country.toString());

    const QString mailpiece =
        automationMailpieceFromPackageType(valueForKeyPath(order, QStringLiteral("UspsShippingMethod.PackageType")));
    if (!mailpiece.isEmpty())
        package.insert(QStringLiteral("PackageType"), mailpiece);

    QString mailClass = automationMailClassFromUspsMailClass(
        valueForKeyPath(order, QStringLiteral("UspsShippingMethod.UspsMailClass")));
    if (mailClass.isEmpty())
        mailClass = mailClassFromShippingService(order.value(QStringLiteral("ShippingService")), domestic);
    if (mailClass == QLatin1String("FIRST") &&
        leadingInteger(package.value(QStringLiteral("WeightOz")).toString()) > 13)
        package.insert(QStringLiteral("MailClass"), QStringLiteral("PARCELSELECT"));
    else if (!mailClass.isEmpty())
        package.insert(QStringLiteral("MailClass"), mailClass);

    if (isString(title) && !title.toString().isEmpty())
        package.insert(QStringLiteral("Description"), title);
    if (!itemNumbers.isEmpty() && !package.contains(QStringLiteral("ReferenceID")))
        package.insert(QStringLiteral("ReferenceID"), componentsJoinedByComma(itemNumbers));
    return shipment;
}

bool processWebStoreShipment(const QVWebStoreShipment &shipment)
{
    const bool accepted = automationServices()->processPackage(shipment.package);
    const std::shared_ptr<QVMainWindowHost> host = mainWindowHost();
    if (!host)
        return false;
    host->updateWindow();
    if (accepted) {
        QVariantList orderIds;
        for (const QString &orderId : shipment.marketplaceOrderIds)
            orderIds << orderId;
        host->setCurrentShipmentProperty(orderIds, QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey);
        host->setCurrentShipmentProperty(shipment.webStoreId, QVUSPSShipmentRHOWebStoreIdKey);
        host->setCurrentShipmentProperty(shipment.webStoreName, QVUSPSShipmentRHOWebStoreNameKey);
    } else {
        host->removeCurrentShipmentPropertyForKey(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey);
        host->removeCurrentShipmentPropertyForKey(QVUSPSShipmentRHOWebStoreIdKey);
        host->removeCurrentShipmentPropertyForKey(QVUSPSShipmentRHOWebStoreNameKey);
    }
    host->showMasterWindow();
    return accepted;
}
