#pragma once
// The scripting commands on the user's session bus: other programs of the
// user (scripts, gdbus, dbus-send) process a Glimra XML file, read the
// current balance and track a piece, as QVXApp answers them.
//
//   service   com.tolvane.Tolvane
//   object    /Tolvane
//   interface com.tolvane.Tolvane.Scripting
//     ProcessXMLFile(s path) -> s   the reply document, or a message
//                                   ("Invalid file for reading: …", "Not
//                                   available"); a document that was not
//                                   carried out answers the error
//                                   com.tolvane.Tolvane.Error.NotCarriedOut
//     CurrentBalance() -> s         "1,234.50", or "unknown"
//     Track(s number) -> as         the tracking texts
//
// The bus is the user's own, as the single-instance socket is: no question
// is asked of the user. A command runs on the main thread and answers when
// it is done (a printed document may take longer than a caller's default
// time-out of 25 seconds; give a longer one).
#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

inline const QString QVScriptingBusService = QStringLiteral("com.tolvane.Tolvane");
inline const QString QVScriptingBusPath = QStringLiteral("/Tolvane");
inline const QString QVScriptingBusInterface = QStringLiteral("com.tolvane.Tolvane.Scripting");
inline const QString QVScriptingNotCarriedOutError = QStringLiteral("com.tolvane.Tolvane.Error.NotCarriedOut");

class QVScriptingBus : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.tolvane.Tolvane.Scripting")

public:
    explicit QVScriptingBus(QObject *parent = nullptr) : QObject(parent) {}
    // Leaves the bus.
    ~QVScriptingBus() override;
    QVScriptingBus(const QVScriptingBus &) = delete;
    QVScriptingBus &operator=(const QVScriptingBus &) = delete;

    // Offers the object and takes the service name on the connection; false
    // (the reason on the console, nothing offered) when the connection is
    // down or the name is another's.
    bool registerOn(const QDBusConnection &connection);

public slots:
    Q_SCRIPTABLE QString ProcessXMLFile(const QString &path);
    Q_SCRIPTABLE QString CurrentBalance();
    Q_SCRIPTABLE QStringList Track(const QString &trackingNumber);

private:
    std::optional<QDBusConnection> m_connection;
};
