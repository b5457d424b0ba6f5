#pragma once
// What the address drawer asks of the main window. The drawer asks for the
// host on every use (the main window may come and go); without one, nothing
// is passed on. The application registers a provider that answers its
// main-window controller; tests register a fake that records the calls.
#include "model/QVAddress.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QVAddressBookHost
{
public:
    virtual ~QVAddressBookHost() = default;

    virtual bool inBatchMode() = 0;
    // Starts a new shipment to the address text; `focus` asks for the
    // keyboard focus in the destination.
    virtual void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone,
                                             const QString &description, const QString &referenceID, bool focus) = 0;
    virtual void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone,
                                             bool focus) = 0;
    // Batch printing, one label per address.
    virtual void enterBatchPrintWithAddresses(const QList<QVAddress> &addresses) = 0;
};

using QVAddressBookHostProvider = std::function<std::shared_ptr<QVAddressBookHost>()>;

// Registers the provider (an empty one: no host).
void setAddressBookHostProvider(QVAddressBookHostProvider provider);
// The host now, or nullptr.
std::shared_ptr<QVAddressBookHost> addressBookHost();
