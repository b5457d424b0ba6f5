#pragma once
// The fixture of the customs tests: the printing fixture (fresh defaults,
// recorded alerts) with the shipped country table, a fake main window and a
// fake USPS customs-form client registered, and shipments of the kinds the
// customs dialog and forms tell apart.
#include "PrintingTestSupport.h"

#include "model/QVAddress.h"
#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "printing/customs/QVCustomsServices.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QFile>

class FakeCustomsHost final : public QVCustomsDialogHost
{
public:
    int summaries = 0;
    int closes = 0;
    QString name;

    void serviceSummary(const QVShipment &) override { ++summaries; }
    void closeSheet() override { ++closes; }
    QString accountHolderName() override { return name; }
};

class FakeCustomsForms final : public QVCustomsFormServices
{
public:
    int cn22 = 0;
    int cp72 = 0;

    bool sampleCN22Form(const QVShipment &) override { return ++cn22 > 0; }
    bool sampleCP72Form(const QVShipment &) override { return ++cp72 > 0; }
};

class CustomsTest : public PrintingTest
{
protected:
    void SetUp() override
    {
        PrintingTest::SetUp();
        InitializeRE("", "01/27/2014");
        ASSERT_EQ(LoadCountry2013FileAtPath(
                      QFile::encodeName(Bundle::pathForResource(QStringLiteral("country2013"), QStringLiteral("dat")))
                          .constData()),
                  1);
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
        setCustomsDialogHost(host);
        setCustomsFormServices(forms);
    }
    void TearDown() override
    {
        setCustomsDialogHost(nullptr);
        setCustomsFormServices(nullptr);
        PrintingTest::TearDown();
    }

    // An international piece of the class (and size) to Canada.
    static std::shared_ptr<QVShipment> intlPiece(const QString &rateClass, const QString &size = QVUSPSRegularSize)
    {
        auto shipment = std::make_shared<QVShipment>();
        QVAddress to;
        to.setName(QStringLiteral("Grace Hopper"));
        to.setStreet(QStringLiteral("1 Rue"));
        to.setCity(QStringLiteral("Ottawa"));
        to.setCountry(QStringLiteral("Canada"));
        shipment->setObject(to.plist(), QVShipmentToAddressKey);
        shipment->setObject(rateClass, QVUSPSShipmentRateClassKey);
        shipment->setObject(size, QVUSPSShipmentSizeKey);
        return shipment;
    }

    // A domestic piece of the class to the ZIP and state (a Priority Mail
    // piece to an APO carries a PIC and so takes the integrated forms).
    static std::shared_ptr<QVShipment> domesticPiece(const QString &rateClass, const QString &zip5,
                                                     const QString &state)
    {
        auto shipment = std::make_shared<QVShipment>();
        QVAddress to;
        to.setName(QStringLiteral("Ada Lovelace"));
        to.setStreet(QStringLiteral("Unit 2050 Box 4190"));
        to.setCity(state == QStringLiteral("AE") ? QStringLiteral("APO") : QStringLiteral("New York"));
        to.setState(state);
        to.setZIP5(zip5);
        shipment->setObject(to.plist(), QVShipmentToAddressKey);
        shipment->setObject(rateClass, QVUSPSShipmentRateClassKey);
        shipment->setObject(QVUSPSRegularSize, QVUSPSShipmentSizeKey);
        return shipment;
    }

    // An item dictionary as the dialog stores it.
    static QVariantMap item(const QString &quantity, const QString &value, const QString &ounces,
                            const QString &description, const QString &country = QStringLiteral("United States"))
    {
        return {{QVShipmentItemQuantityKey, quantity},       {QVShipmentItemValueKey, value},
                {QVShipmentItemWeightNumberKey, ounces},     {QVShipmentItemWeightUnitKey, QStringLiteral("oz")},
                {QVShipmentItemDescriptionKey, description}, {QVShipmentItemCountryOfOriginKey, country},
                {QVShipmentItemHSTariffNumberKey, QString()}};
    }

    std::shared_ptr<FakeCustomsHost> host = std::make_shared<FakeCustomsHost>();
    std::shared_ptr<FakeCustomsForms> forms = std::make_shared<FakeCustomsForms>();
};
