#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder of the user's own that nobody else may enter.
bool isPrivateFolder(const QString &path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
}

} // namespace

SingleInstance::SingleInstance(QString name, QObject *parent) : QObject(parent), m_name(std::move(name)) {}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close(); // removes the socket file
}

QString SingleInstance::socketFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime))
        return runtime;
    const QString folder = QDir(QDir::tempPath()).filePath(QStringLiteral("tolvane-%1").arg(::getuid()));
    const QByteArray encoded = QFile::encodeName(folder);
    if (::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    return isPrivateFolder(folder) ? folder : QString();
}

QString SingleInstance::socketPath() const
{
    const QString folder = socketFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(m_name);
}

bool SingleInstance::isListening() const { return m_server && m_server->isListening(); }

SingleInstance::Result SingleInstance::claim()
{
    if (isListening())
        return Result::Listening;
    const QString path = socketPath();
    if (path.isEmpty()) {
        m_error = QStringLiteral("No private folder for the socket \"%1\".").arg(m_name);
        return Result::Failed;
    }
    if (QFileInfo::exists(path)) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            probe.abort();
            return Result::AlreadyRunning;
        }
        // Nobody answers: a copy that ended without closing left it.
        QLocalServer::removeServer(path);
    }
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        m_error = server->errorString();
        const bool taken = server->serverError() == QAbstractSocket::AddressInUseError;
        delete server;
        return taken ? Result::AlreadyRunning : Result::Failed;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return Result::Listening;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (m_handler)
            m_handler(socket);
        else
            socket->disconnectFromServer();
    }
}
