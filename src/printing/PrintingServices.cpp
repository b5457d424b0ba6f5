#include "printing/PrintingServices.h"

#include "model/NumericFormatters.h"
#include "model/QVShipment.h"
#include "platform/NotificationCenter.h"
#include "platform/ServiceSlot.h"
#include "printing/flow/QVPrintFlowServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtDebug>

#include <sys/stat.h>

namespace {

class NoAccountAnswer final : public QVPrintingAccountServices
{
public:
    bool tw310ValidForKIVOStamps() override { return false; }
};

bool isCharacterDevice(const QString &path)
{
    struct stat info {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}

class DeviceFolderPortList final : public QVPrintingSerialPortList
{
public:
    QList<QVPrintingSerialPort> ports() override
    {
        if (!m_scanned) {
            m_ports = scan();
            m_scanned = true;
        }
        return m_ports;
    }

    std::optional<QVPrintingSerialPort> objectWithBSDPath(const QString &path) override
    {
        if (!isCharacterDevice(path))
            return std::nullopt;
        return QVPrintingSerialPort{path, QFileInfo(path).fileName()};
    }

    void rescan() override
    {
        const QList<QVPrintingSerialPort> found = scan();
        const bool changed = !m_scanned || paths(found) != paths(m_ports);
        m_ports = found;
        m_scanned = true;
        if (changed)
            NotificationCenter::defaultCenter().post(SXSerialPortListDidUpdateNotifiation,
                                                     static_cast<QVPrintingSerialPortList *>(this));
    }

private:
    static QStringList paths(const QList<QVPrintingSerialPort> &ports)
    {
        QStringList result;
        for (const QVPrintingSerialPort &port : ports)
            result << port.bsdPath;
        return result;
    }

    static QList<QVPrintingSerialPort> scan()
    {
        QList<QVPrintingSerialPort> found;
        const auto add = [&found](const QString &folder, const QStringList &patterns) {
            const QDir dir(folder);
            for (const QString &name : dir.entryList(patterns, QDir::System | QDir::Files, QDir::Name)) {
                const QString path = dir.filePath(name);
                if (isCharacterDevice(path))
                    found.append({path, name});
            }
        };
        add(QStringLiteral("/dev"), {QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")});
        add(QStringLiteral("/dev/usb"), {QStringLiteral("lp*")});
        return found;
    }

    QList<QVPrintingSerialPort> m_ports;
    bool m_scanned = false;
};

// The shell's stand-in before the application registers its own.
class NoShell final : public QVPrintingShellServices
{
public:
    // The version check is the delegate's, the one the print flow asks.
    bool validateVersionForPrinting() override { return printFlowHost()->validateVersionForPrinting(); }
    void refreshTolvaneStatus() override { qInfo("No application shell: the status is not refreshed."); }
    bool inBatchMode() override { return false; }
    QStringList batchAddresses() override { return {}; }
    void setShipmentDefaults() override { qInfo("No application shell: the shipment defaults stay."); }
    void newPackageWithAddressString(const QString &, const QString &, const QString &, const QString &) override
    {
        qInfo("No application shell: no new shipment is started.");
    }
};

using ShellSlot = ServiceSlot<QVPrintingShellServices, NoShell>;

class NoWebStore final : public QVPrintingWebStoreServices
{
public:
    void completeSales(const QString &, const QStringList &, const QString &) override {}
};

using WebStoreSlot = ServiceSlot<QVPrintingWebStoreServices, NoWebStore>;
using PostageSlot = ServiceSlot<QVPrintingPostageServices, QVPrintingPostageServices>;
using AccountSlot = ServiceSlot<QVPrintingAccountServices, NoAccountAnswer>;
using PortSlot = ServiceSlot<QVPrintingSerialPortList, DeviceFolderPortList>;

} // namespace

void setPrintingWebStoreServices(std::shared_ptr<QVPrintingWebStoreServices> services)
{
    WebStoreSlot::shared().registered = std::move(services);
}

std::shared_ptr<QVPrintingWebStoreServices> printingWebStoreServices() { return WebStoreSlot::shared().current(); }

void setPrintingAccountServices(std::shared_ptr<QVPrintingAccountServices> services)
{
    AccountSlot::shared().registered = std::move(services);
}

std::shared_ptr<QVPrintingAccountServices> printingAccountServices() { return AccountSlot::shared().current(); }

void setPrintingShellServices(std::shared_ptr<QVPrintingShellServices> shell)
{
    ShellSlot::shared().registered = std::move(shell);
}

std::shared_ptr<QVPrintingShellServices> printingShellServices() { return ShellSlot::shared().current(); }

void setSerialPortList(std::shared_ptr<QVPrintingSerialPortList> list)
{
    PortSlot::shared().registered = std::move(list);
}

std::shared_ptr<QVPrintingSerialPortList> serialPortList() { return PortSlot::shared().current(); }

QString QVPrintingPostageServices::meterID() { return QString(); }

QString QVPrintingPostageServices::tolvaneMailedFromString(const QVShipment &shipment)
{
    return QStringLiteral("Mailed from ZIP ") + shipment.mailedFromZIP5().value_or(QString());
}

QString QVPrintingPostageServices::tolvaneDateString(const QVShipment &shipment)
{
    return QLocale::c().toString(shipment.shipCalendarDate(), QStringLiteral("MMM dd yyyy")).toUpper();
}

QString QVPrintingPostageServices::tolvaneStealthString(const QVShipment &shipment)
{
    return tolvaneDollarClassString(shipment);
}

QString QVPrintingPostageServices::tolvanePostageString(const QVShipment &shipment)
{
    const QString three = threeDigitDollarFormatter().stringFromNumber(shipment.totalPrice());
    // "$###0.00#": a third decimal only when it is not zero.
    return QLatin1Char('$') + (three.endsWith(QLatin1Char('0')) ? three.chopped(1) : three);
}

QString QVPrintingPostageServices::tolvaneDollarClassString(const QVShipment &shipment)
{
    return shipment.objectForKey(QVUSPSShipmentRateClassKey).toString().toUpper();
}

int QVPrintingPostageServices::tolvaneRateClassification(const QVShipment &shipment)
{
    return shipment.objectForKey(QVUSPSShipmentRateClassificationKey).toInt();
}

QString QVPrintingPostageServices::tolvaneDiscountString(const QVShipment &shipment)
{
    const int classification = tolvaneRateClassification(shipment);
    if (classification == 1)
        return QStringLiteral("Commercial Base Pricing");
    if (classification >= 2)
        return QStringLiteral("Commercial Plus Pricing");
    return QString();
}

void setPrintingPostageServices(std::shared_ptr<QVPrintingPostageServices> services)
{
    PostageSlot::shared().registered = std::move(services);
}

std::shared_ptr<QVPrintingPostageServices> printingPostageServices() { return PostageSlot::shared().current(); }
