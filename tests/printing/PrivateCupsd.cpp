#include "PrivateCupsd.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QThread>

#include <cups/cups.h>

#include <arpa/inet.h>
#include <cerrno>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const kCupsd = "/usr/sbin/cupsd";
const char *const kLpadmin = "/usr/sbin/lpadmin";
constexpr int kStartWaitMs = 20000;

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

qint64 now() { return QDateTime::currentMSecsSinceEpoch(); }

// A PPD that gives the queue its make and model and takes raw data and PDF
// unchanged.
QByteArray smallPpd(const QString &makeAndModel)
{
    const QByteArray model = makeAndModel.toLatin1();
    return "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
           "*LanguageEncoding: ISOLatin1\n*PCFileName: \"SMALL.PPD\"\n*Manufacturer: \"Test\"\n"
           "*Product: \"(Test)\"\n*ModelName: \"" +
        model + "\"\n*ShortNickName: \"" + model + "\"\n*NickName: \"" + model +
        "\"\n*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: False\n"
        "*DefaultColorSpace: Gray\n*FileSystem: False\n*Throughput: \"1\"\n*LandscapeOrientation: Plus90\n"
        "*TTRasterizer: Type42\n*cupsVersion: 2.4\n*cupsFilter: \"application/pdf 0 -\"\n"
        "*OpenUI *PageSize/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
        "*DefaultPageSize: Letter\n*PageSize Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
        "*CloseUI: *PageSize\n*OpenUI *PageRegion: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n"
        "*DefaultPageRegion: Letter\n*PageRegion Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
        "*CloseUI: *PageRegion\n*DefaultImageableArea: Letter\n*ImageableArea Letter/US Letter: \"0 0 612 792\"\n"
        "*DefaultPaperDimension: Letter\n*PaperDimension Letter/US Letter: \"612 792\"\n";
}

// The folder of the scheduler: under /tmp, since the scheduler's children run
// as another user who cannot enter the test run's private temporary folder,
// and a deeper path could make the socket's path too long for a unix socket.
QString folderTemplate() { return QStringLiteral("/tmp/tolvane-cupsd-XXXXXX"); }

} // namespace

// ---- LoopbackPrinter -----------------------------------------------------------

LoopbackPrinter::LoopbackPrinter()
{
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(m_socket, 8) != 0 ||
        ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(m_socket);
        m_socket = -1;
        return;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { run(); });
}

LoopbackPrinter::~LoopbackPrinter()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_socket >= 0)
        ::close(m_socket);
}

void LoopbackPrinter::run()
{
    while (!m_stop) {
        pollfd waiting{m_socket, POLLIN, 0};
        if (::poll(&waiting, 1, 100) <= 0)
            continue;
        const int connection = ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        QByteArray data;
        while (!m_stop) {
            pollfd readable{connection, POLLIN, 0};
            if (::poll(&readable, 1, 100) <= 0)
                continue;
            char buffer[65536];
            const ssize_t n = ::read(connection, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            data.append(buffer, n);
        }
        ::close(connection);
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_received.append(data);
    }
}

QList<QByteArray> LoopbackPrinter::received() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

bool LoopbackPrinter::waitForJobs(int count, int timeoutMs) const
{
    const qint64 deadline = now() + timeoutMs;
    while (received().size() < count) {
        if (now() > deadline)
            return false;
        QThread::msleep(20);
    }
    return true;
}

// ---- PrivateCupsd ----------------------------------------------------------------

PrivateCupsd::PrivateCupsd() : m_dir(folderTemplate()) {}

PrivateCupsd::~PrivateCupsd()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    if (m_hadServer)
        qputenv("CUPS_SERVER", m_previousServer);
    else
        qunsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);
}

QString PrivateCupsd::path(const QString &name) const { return QDir(m_dir.path()).filePath(name); }

QString PrivateCupsd::socketPath() const { return path(QStringLiteral("cups.sock")); }

bool PrivateCupsd::start(QString *error)
{
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no folder for the scheduler");
        return false;
    }
    if (!QFile::exists(QLatin1String(kCupsd)) || !QFile::exists(QLatin1String(kLpadmin))) {
        *error = QStringLiteral("cupsd or lpadmin is not installed (scripts/setup.sh installs them)");
        return false;
    }
    // The scheduler's children run as another user: they must reach the
    // folder.
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    for (const char *folder : {"spool", "spool/tmp", "cache", "state", "log", "ppd"})
        QDir(m_dir.path()).mkpath(QLatin1String(folder));

    QByteArray user = "lp";
    QByteArray groupName = "lp";
    QByteArray systemGroup = "root";
    if (::geteuid() != 0) {
        const passwd *me = ::getpwuid(::geteuid());
        const group *mine = ::getgrgid(::getegid());
        user = me ? QByteArray(me->pw_name) : QByteArray::number(::geteuid());
        groupName = systemGroup = mine ? QByteArray(mine->gr_name) : QByteArray::number(::getegid());
    }
    const QByteArray root = QFile::encodeName(m_dir.path());
    const QByteArray socket = QFile::encodeName(socketPath());
    const QByteArray conf = "Listen " + socket +
        "\nLogLevel warn\nPreserveJobHistory Yes\nPreserveJobFiles No\nBrowsing No\n"
        "WebInterface No\nDefaultAuthType None\nJobRetryLimit 0\n"
        "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
        "<Policy default>\n  <Limit All>\n    Order deny,allow\n    Allow all\n  </Limit>\n"
        "</Policy>\n";
    const QByteArray files = "User " + user + "\nGroup " + groupName + "\nSystemGroup " + systemGroup +
        "\nServerRoot " + root + "\nRequestRoot " + root + "/spool\nTempDir " + root + "/spool/tmp\nCacheDir " + root +
        "/cache\nStateDir " + root + "/state\nErrorLog " + root + "/log/error_log\nAccessLog " + root +
        "/log/access_log\nPageLog " + root +
        "/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\nFileDevice No\n";
    if (!writeFile(path(QStringLiteral("cupsd.conf")), conf) ||
        !writeFile(path(QStringLiteral("cups-files.conf")), files)) {
        *error = QStringLiteral("the scheduler's configuration could not be written");
        return false;
    }

    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QLatin1String(kCupsd),
                    {QStringLiteral("-f"), QStringLiteral("-c"), path(QStringLiteral("cupsd.conf")),
                     QStringLiteral("-s"), path(QStringLiteral("cups-files.conf"))});
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("cupsd did not start: ") + m_process.errorString();
        return false;
    }

    m_hadServer = qEnvironmentVariableIsSet("CUPS_SERVER");
    m_previousServer = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", socket);
    cupsSetServer(socket.constData());

    const qint64 deadline = now() + kStartWaitMs;
    while (now() < deadline) {
        if (m_process.state() == QProcess::NotRunning) {
            *error = QStringLiteral("cupsd ended: ") + QString::fromLocal8Bit(m_process.readAll());
            return false;
        }
        if (http_t *http =
                httpConnect2(socket.constData(), 0, nullptr, AF_LOCAL, HTTP_ENCRYPTION_NEVER, 1, 1000, nullptr)) {
            httpClose(http);
            return true;
        }
        QThread::msleep(50);
    }
    *error = QStringLiteral("cupsd did not answer within %1 ms").arg(kStartWaitMs);
    return false;
}

bool PrivateCupsd::addQueue(const QString &name, const QString &makeAndModel, const QString &deviceUri, QString *error)
{
    const QString ppd = path(QStringLiteral("small-%1.ppd").arg(name));
    if (!writeFile(ppd, smallPpd(makeAndModel))) {
        *error = QStringLiteral("the PPD could not be written");
        return false;
    }
    QProcess lpadmin;
    lpadmin.setProcessChannelMode(QProcess::MergedChannels);
    lpadmin.start(QLatin1String(kLpadmin),
                  {QStringLiteral("-h"), socketPath(), QStringLiteral("-p"), name, QStringLiteral("-E"),
                   QStringLiteral("-v"), deviceUri, QStringLiteral("-P"), ppd});
    if (!lpadmin.waitForFinished(20000) || lpadmin.exitStatus() != QProcess::NormalExit || lpadmin.exitCode() != 0) {
        *error = QStringLiteral("lpadmin failed: ") + QString::fromLocal8Bit(lpadmin.readAll());
        return false;
    }
    return true;
}

QVariantMap PrivateCupsd::jobAttributes(int jobId)
{
    QVariantMap attributes;
    http_t *http = httpConnect2(QFile::encodeName(socketPath()).constData(), 0, nullptr, AF_LOCAL,
                                HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    if (!http)
        return attributes;
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = "ipp://localhost/jobs/" + QByteArray::number(jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    if (ipp_t *response = cupsDoRequest(http, request, "/")) {
        for (ipp_attribute_t *attribute = ippFirstAttribute(response); attribute;
             attribute = ippNextAttribute(response)) {
            if (!ippGetName(attribute) || ippGetGroupTag(attribute) != IPP_TAG_JOB)
                continue;
            char text[1024];
            ippAttributeString(attribute, text, sizeof text);
            attributes.insert(QString::fromUtf8(ippGetName(attribute)), QString::fromUtf8(text));
        }
        ippDelete(response);
    }
    httpClose(http);
    return attributes;
}

bool PrivateCupsd::waitForCompletion(int jobId, int timeoutMs)
{
    const qint64 deadline = now() + timeoutMs;
    while (now() < deadline) {
        const QString state = jobAttributes(jobId).value(QStringLiteral("job-state")).toString();
        if (state == QLatin1String("completed"))
            return true;
        if (state == QLatin1String("canceled") || state == QLatin1String("aborted"))
            return false;
        QThread::msleep(50);
    }
    return false;
}
