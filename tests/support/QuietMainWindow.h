#pragma once
// A main window for tests that keeps a shipment of its own and quietly does
// nothing else: the shipment's properties are read and written on it (and it
// is the window's current shipment), its mail class says whether it is
// Priority Mail Express, no return address is known by a nickname, the
// destination box's address is accepted, and new packages, batch prints and
// bringing the window up change nothing. A fake that records calls or
// answers otherwise derives from it and overrides only what its test looks
// at. Header-only, so that the fuzz targets can use it without the test
// libraries.
#include "model/QVShipment.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "rates/QVShipmentUSPS.h"

#include <memory>

namespace tolvane::test {

class QuietMainWindow : public QVMainWindowHost
{
public:
    explicit QuietMainWindow(std::shared_ptr<QVShipment> windowShipment = std::make_shared<QVShipment>(QVariantMap()))
        : shipment(std::move(windowShipment))
    {}

    std::shared_ptr<QVShipment> shipment;

    void setCurrentShipmentProperty(const QVariant &value, const QString &key) override
    {
        shipment->setObject(value, key);
    }
    void removeCurrentShipmentPropertyForKey(const QString &key) override { shipment->removeObjectForKey(key); }
    QVariant currentShipmentPropertyForKey(const QString &key) override { return shipment->objectForKey(key); }
    void setToAddress(const QVAddress &) override {}
    void setToPhoneNumberString(const QString &) override {}
    void setToEmailAddressString(const QString &) override {}
    bool isExpressMail() override { return ::isExpressMail(*shipment); }
    void updateFromAddress() override {}
    bool setFromAddressToNickname(const QString &) override { return false; }
    void addOrReplaceFromAddress(const QVAddress &, const QString &) override {}
    bool standardizeTextBoxAddress(bool) override { return true; }
    void newPackageWithAddressString(const QString &, const QString &, const QString &, const QString &,
                                     const QString &, bool) override
    {}
    void newPackageWithAddressString(const QString &, const QString &, const QString &, bool) override {}
    bool inBatchMode() override { return false; }
    void enterBatchPrintWithAddresses(const QList<QVAddress> &) override {}
    void showMasterWindow() override {}
    std::shared_ptr<QVShipment> currentShipment() override { return shipment; }
};

} // namespace tolvane::test
