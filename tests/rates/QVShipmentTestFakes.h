#pragma once
// Stand-ins for the services that shipment pricing and the label texts ask:
// the zone chart, the label server, the printer set-up and the desktop's URL
// handler. The account-information stand-in is FakeAccountInformation. Also
// the small builders of shipment records that these tests share.
#include "QVUSPSRateClassFakes.h"
#include "model/ClientServices.h"
#include "model/QVAddress.h"
#include "model/QVShipment.h"
#include "model/ServiceHooks.h"
#include "platform/UrlOpener.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class FakeZoneServices final : public QVUSPSAddressServices
{
public:
    QString zone = QStringLiteral("4");
    std::vector<std::pair<QString, QString>> questions;

    QString zoneFromOriginZIP(const QString &origin, const QString &destination) override
    {
        questions.emplace_back(origin, destination);
        return zone;
    }
    std::optional<QVAddress> addressByStandardizingAddress(const QVAddress &) override { return std::nullopt; }
};

class FakeLabelServer final : public QVLabelServerServices
{
public:
    Decimal price;
    int calls = 0;

    Decimal VLSPrice(const QVShipment &) override
    {
        ++calls;
        return price;
    }
};

class FakePrinterSetup final : public QVPrinterSetupServices
{
public:
    QString envelopeLabelType = QVPlainPaperLabel;
    QString otherLabelType = QVPlainPaperLabel;
    QList<bool> questions;

    QString labelTypeForEnvelope(bool envelope) override
    {
        questions.append(envelope);
        return envelope ? envelopeLabelType : otherLabelType;
    }
};

class RecordingUrlOpener final : public UrlOpener
{
public:
    struct Opened {
        QUrl url;
        bool inBackground;
    };
    QList<Opened> opened;
    bool answer = true;

    bool openUrl(const QUrl &url, bool inBackground) override
    {
        opened.append({url, inBackground});
        return answer;
    }
};

// Stores the special services as the record keeps them (an array of texts).
inline void setServices(QVShipment &shipment, const QStringList &services)
{
    QVariantList list;
    for (const QString &service : services)
        list.append(service);
    shipment.setObject(list, QVUSPSShipmentOptionalServicesKey);
}

// A domestic address dictionary (the property-list form the record keeps).
inline QVariantMap domesticAddress(const QString &zip5, const QString &state = QStringLiteral("NY"),
                                   const QString &city = QStringLiteral("New York"))
{
    QVAddress address;
    address.setName(QStringLiteral("Ada Lovelace"));
    address.setStreet(QStringLiteral("1 Main St"));
    address.setCity(city);
    address.setState(state);
    if (!zip5.isEmpty())
        address.setZIP5(zip5);
    return address.plist();
}

inline QVariantMap foreignAddress(const QString &country)
{
    QVAddress address;
    address.setName(QStringLiteral("Grace Hopper"));
    address.setStreet(QStringLiteral("1 Rue"));
    address.setCity(QStringLiteral("Ottawa"));
    address.setCountry(country);
    return address.plist();
}
