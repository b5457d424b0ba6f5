#pragma once
// One running copy per user: the first copy listens on a local socket of a
// fixed name that only its user may reach; a later copy finds the name taken
// (its connection is answered) and must quit.
//
// The socket lives in the user's runtime folder ($XDG_RUNTIME_DIR), else in a
// folder "tolvane-<uid>" of the temporary location that the user owns with
// mode 0700 (made when missing; refused when another user owns it or others
// may enter it). A socket left behind by a copy that crashed is found by a
// failed connection and removed, so it never blocks a start.
//
// The server stays open for the life of the object; connections that arrive
// are handed to the connection handler (the program's remote interface), or
// closed when there is none.
#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

// The name the running copy is known by.
inline const QString QVSingleInstanceName = QStringLiteral("zarururizevize2");

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Result {
        Listening,      // this is the one running copy
        AlreadyRunning, // another copy answers on the name
        Failed          // no socket could be made (see errorString())
    };

    explicit SingleInstance(QString name = QVSingleInstanceName, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The folder that holds the socket (see above); empty when none is
    // usable.
    static QString socketFolder();
    // The socket's full path; empty when there is no usable folder.
    QString socketPath() const;

    // Claims the name.
    Result claim();
    bool isListening() const;
    QString errorString() const { return m_error; }

    void setConnectionHandler(std::function<void(QLocalSocket *)> handler) { m_handler = std::move(handler); }

private:
    void acceptConnections();

    QString m_name;
    QLocalServer *m_server = nullptr;
    QString m_error;
    std::function<void(QLocalSocket *)> m_handler;
};
