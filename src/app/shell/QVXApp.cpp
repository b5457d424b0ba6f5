#include "app/shell/QVXApp.h"

#include "app/shell/QVXController.h"
#include "automation/QVGlimraAutomation.h"
#include "model/MailingLogServices.h"
#include "model/XMLDocument.h"
#include "platform/AutomationServices.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include <QFileInfo>
#include <QUrl>
#include <QtDebug>

#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace {

bool isStampsEdition() { return UserDefaults::standardUserDefaults().boolForKey(QVStampsEditionKey); }

QString demangled(const char *name)
{
    int status = 0;
    const std::unique_ptr<char, void (*)(void *)> readable(abi::__cxa_demangle(name, nullptr, nullptr, &status),
                                                           std::free);
    return QString::fromUtf8(status == 0 && readable ? readable.get() : name);
}

// A tracking value as text: a text itself, anything else described.
QString textOf(const QVariant &value)
{
    return value.typeId() == QMetaType::QString ? value.toString() : qv_descriptionOfValue(value);
}

} // namespace

QVXApp::QVXApp(int &argc, char **argv) : QApplication(argc, argv) {}

bool QVXApp::notify(QObject *receiver, QEvent *event)
{
    return deliverReportingExceptions([&] { return QApplication::notify(receiver, event); });
}

void QVXApp::reportException(const std::exception_ptr &exception)
{
    try {
        QString name;
        QString reason = QStringLiteral("(null)");
        try {
            std::rethrow_exception(exception);
        } catch (const std::exception &caught) {
            name = demangled(typeid(caught).name());
            reason = QString::fromUtf8(caught.what());
        } catch (...) {
            const std::type_info *type = abi::__cxa_current_exception_type();
            name = type ? demangled(type->name()) : QStringLiteral("unknown exception");
        }
        if (!UserDefaults::standardUserDefaults().boolForKey(QVDebugExceptionsKey)) {
            qWarning().noquote() << QStringLiteral("%1: %2").arg(name, reason);
            return;
        }
        const QString description =
            QStringLiteral("%1\nReason: %2\nUser Info: %3").arg(name, reason, QStringLiteral("(null)"));
        qWarning().noquote() << QStringLiteral("Exception raised:\n%1").arg(description);
    } catch (...) {
        // Nothing raised while reporting goes further.
    }
}

bool QVXApp::deliverReportingExceptions(const std::function<bool()> &deliver)
{
    try {
        return deliver();
    } catch (...) {
        reportException(std::current_exception());
        return false;
    }
}

std::optional<QString> QVXApp::handleProcessXMLFileScriptCommand(const QString &file)
{
    if (isStampsEdition())
        return QVScriptingNotAvailable;
    const QString path = QVGlimraAutomation::standardizedOutputPath(file);
    // Asked of the file's status only: nothing is opened here, so a FIFO or
    // a device never holds the program up.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable())
        return QStringLiteral("Invalid file for reading: %1").arg(path.isEmpty() ? file : path);
    return automationServices()->processXMLFileAtURL(QUrl::fromLocalFile(path));
}

QString QVXApp::handleCurrentBalanceCommand()
{
    if (const std::shared_ptr<QVRHOResponse> status = QVRHOCommandCenter::commandCenter()->lastValidStatusResponse())
        return status->balanceStringWithDollarSign(false);
    return QStringLiteral("unknown");
}

QStringList QVXApp::handleTrackScriptCommand(const QString &trackingNumber)
{
    if (isStampsEdition())
        return {QVScriptingNotAvailable};
    const std::shared_ptr<QVUSPSCommandCenter> usps = QVUSPSCommandCenter::commandCenter();
    const std::optional<QVariantMap> response = usps->trackResponseForID(trackingNumber);
    QStringList result;
    QVariantMap info;
    if (response && response->contains(QStringLiteral("Error"))) {
        result << textOf(response->value(QStringLiteral("Error")).toMap().value(QStringLiteral("Description")));
    } else if (const QVariant found = response
                   ? response->value(QStringLiteral("TrackResponse")).toMap().value(QStringLiteral("TrackInfo"))
                   : QVariant();
               found.isValid()) {
        info = found.typeId() == QMetaType::QVariantList ? found.toList().value(0).toMap() : found.toMap();
        const QVariant summary = info.value(QStringLiteral("TrackSummary"));
        if (summary.isValid()) {
            result << textOf(summary);
            const std::shared_ptr<QVMailingLogServices> log = sharedMailingLog();
            if (const std::optional<quint32> index = log->indexForPIC(trackingNumber)) {
                if (const std::optional<QString> error = log->trackShipmentAtIndex(*index))
                    qWarning().noquote() << *error;
            }
        } else if (info.contains(QStringLiteral("Error"))) {
            // USPS answers a number it does not know with an error inside
            // the number's tracking info.
            result << textOf(info.value(QStringLiteral("Error")).toMap().value(QStringLiteral("Description")));
        }
    } else if (const QString error = usps->lastErrorDescription(); !error.isEmpty()) {
        result << error;
    }
    const QVariant details = info.value(QStringLiteral("TrackDetail"));
    if (details.typeId() == QMetaType::QVariantList) {
        for (const QVariant &detail : details.toList())
            result << textOf(detail);
    } else if (details.isValid()) {
        result << textOf(details);
    }
    return result;
}
