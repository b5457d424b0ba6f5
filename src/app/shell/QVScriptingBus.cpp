#include "app/shell/QVScriptingBus.h"

#include "app/shell/QVXApp.h"

#include <QDBusError>
#include <QtDebug>

QVScriptingBus::~QVScriptingBus()
{
    if (m_connection) {
        m_connection->unregisterService(QVScriptingBusService);
        m_connection->unregisterObject(QVScriptingBusPath);
    }
}

bool QVScriptingBus::registerOn(const QDBusConnection &connection)
{
    QDBusConnection bus = connection;
    if (!bus.isConnected()) {
        qWarning().noquote() << QStringLiteral("No session bus: the scripting commands are not offered.");
        return false;
    }
    if (!bus.registerObject(QVScriptingBusPath, this, QDBusConnection::ExportScriptableSlots)) {
        qWarning().noquote()
            << QStringLiteral("The scripting object could not be offered: %1").arg(bus.lastError().message());
        return false;
    }
    if (!bus.registerService(QVScriptingBusService)) {
        qWarning().noquote() << QStringLiteral("The session bus name %1 could not be taken: %2")
                                    .arg(QVScriptingBusService, bus.lastError().message());
        bus.unregisterObject(QVScriptingBusPath);
        return false;
    }
    m_connection = bus;
    return true;
}

QString QVScriptingBus::ProcessXMLFile(const QString &path)
{
    const std::optional<QString> reply = QVXApp::handleProcessXMLFileScriptCommand(path);
    if (!reply && calledFromDBus())
        sendErrorReply(QVScriptingNotCarriedOutError, QStringLiteral("The file was not carried out."));
    return reply.value_or(QString());
}

QString QVScriptingBus::CurrentBalance() { return QVXApp::handleCurrentBalanceCommand(); }

QStringList QVScriptingBus::Track(const QString &trackingNumber)
{
    return QVXApp::handleTrackScriptCommand(trackingNumber);
}
