#include "services/QVCommandCenter.h"

#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "services/LogRedaction.h"
#include "services/QVCertificateRule.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QtDebug>

#include <cxxabi.h>

#include <cstdlib>
#include <unordered_map>

namespace {

struct SharedInstances {
    // Held while an instance is made, so that no class is ever made twice;
    // recursive, because a client's constructor may ask for another client.
    std::recursive_mutex mutex;
    std::unordered_map<std::type_index, std::shared_ptr<QVCommandCenter>> table;
};

SharedInstances &sharedInstances()
{
    static SharedInstances instances;
    return instances;
}

// Entries of all clients go through one lock, so that two threads never
// interleave inside one file.
std::mutex g_logMutex;

} // namespace

QVCommandCenter::QVCommandCenter() { installCertificateRule(); }

QVCommandCenter::~QVCommandCenter() = default;

std::shared_ptr<QVCommandCenter>
QVCommandCenter::sharedInstance(std::type_index type, const std::function<std::shared_ptr<QVCommandCenter>()> &make)
{
    SharedInstances &instances = sharedInstances();
    std::lock_guard lock(instances.mutex);
    auto found = instances.table.find(type);
    if (found != instances.table.end())
        return found->second;
    std::shared_ptr<QVCommandCenter> made = make();
    auto [entry, inserted] = instances.table.emplace(type, std::move(made));
    return entry->second;
}

void QVCommandCenter::resetSharedInstancesForTesting()
{
    std::unordered_map<std::type_index, std::shared_ptr<QVCommandCenter>> forgotten;
    {
        std::lock_guard lock(sharedInstances().mutex);
        forgotten.swap(sharedInstances().table);
    }
}

QString QVCommandCenter::className() const
{
    const char *mangled = typeid(*this).name();
    int status = 0;
    char *demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    QString name = QString::fromUtf8(status == 0 && demangled ? demangled : mangled);
    std::free(demangled);
    const qsizetype colons = name.lastIndexOf(QStringLiteral("::"));
    return colons < 0 ? name : name.mid(colons + 2);
}

QString QVCommandCenter::server() const
{
    std::lock_guard lock(m_mutex);
    return m_server;
}

void QVCommandCenter::setServer(const QString &server)
{
    std::lock_guard lock(m_mutex);
    m_server = server;
}

QString QVCommandCenter::path() const
{
    std::lock_guard lock(m_mutex);
    return m_path;
}

void QVCommandCenter::setPath(const QString &path)
{
    std::lock_guard lock(m_mutex);
    m_path = path;
}

QString QVCommandCenter::userid() const
{
    std::lock_guard lock(m_mutex);
    return m_userid;
}

void QVCommandCenter::setUserid(const QString &userid)
{
    std::lock_guard lock(m_mutex);
    m_userid = userid;
}

QString QVCommandCenter::password() const
{
    std::lock_guard lock(m_mutex);
    return m_password;
}

void QVCommandCenter::setPassword(const QString &password)
{
    std::lock_guard lock(m_mutex);
    m_password = password;
}

void QVCommandCenter::setUseridAndPassword(const QString &userid, const QString &password)
{
    setUserid(userid);
    setPassword(password);
}

QString QVCommandCenter::lastErrorDescription() const
{
    std::lock_guard lock(m_mutex);
    return m_lastErrorDescription;
}

void QVCommandCenter::setLastErrorDescription(const QString &description)
{
    std::lock_guard lock(m_mutex);
    m_lastErrorDescription = description;
}

QString QVCommandCenter::lastErrorCode() const
{
    std::lock_guard lock(m_mutex);
    return m_lastErrorCode;
}

void QVCommandCenter::setLastErrorCode(const QString &code)
{
    std::lock_guard lock(m_mutex);
    m_lastErrorCode = code;
}

void QVCommandCenter::setLastError(const QString &code, const QString &description)
{
    std::lock_guard lock(m_mutex);
    m_lastErrorCode = code;
    m_lastErrorDescription = description;
}

void QVCommandCenter::takeLogFlagsFromDefaults(const QString &fileModeKey)
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    bool console = false;
    bool file = false;
    if (!fileModeKey.isEmpty()) {
        const QString mode = defaults.stringForKey(fileModeKey);
        console = mode == QLatin1String("console");
        file = console || mode == QLatin1String("file");
    }
    if (defaults.boolForKey(QVLogDebugInfoDefaultsKey))
        console = true;
    setLogToConsole(console);
    setLogToFile(file);
}

// ---- Debug log ------------------------------------------------------------

QString QVCommandCenter::logFilePath() const
{
    const QString folder = applicationSupportDirectory();
    if (folder.isEmpty())
        return QString();
    return QDir(folder).filePath(className() + QStringLiteral(".txt"));
}

std::unique_ptr<QFile> QVCommandCenter::logFile() const
{
    const QString path = logFilePath();
    if (path.isEmpty())
        return nullptr;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
        qWarning("The log file %s could not be opened: %s", qPrintable(path), qPrintable(file->errorString()));
        return nullptr;
    }
    return file;
}

QString QVCommandCenter::messageForLog(const QString &message) const
{
    return stringByRemovingSecrets(message, secretFieldNames());
}

void QVCommandCenter::log(const QString &message) const
{
    const bool console = logToConsole();
    const bool file = logToFile();
    if (!console && !file)
        return;
    const QString text = messageForLog(message);
    if (console)
        qInfo().noquote() << text;
    if (file) {
        const QString date = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
        const QByteArray entry = QStringLiteral("\n--\n%1\n--\n").arg(date).toUtf8() + text.toUtf8();
        std::lock_guard lock(g_logMutex);
        if (std::unique_ptr<QFile> handle = logFile())
            handle->write(entry);
    }
}

void QVCommandCenter::debugLog(const QString &message) const
{
    if (UserDefaults::standardUserDefaults().boolForKey(QVLogDebugInfoDefaultsKey))
        qInfo().noquote() << messageForLog(message);
}
