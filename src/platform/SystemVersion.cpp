#include "platform/SystemVersion.h"

#include <QFile>
#include <QList>
#include <QRegularExpression>

#include <mutex>

namespace {

struct State {
    std::mutex mutex;
    std::shared_ptr<SystemVersionSource> source;
    uint32_t cached = 0;
    bool computed = false;
};

State &state()
{
    static State s;
    return s;
}

QString unquoted(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

QString versionIdFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // An os-release file is a few hundred bytes; read no more than a little.
    const QByteArray content = file.read(64 * 1024);
    for (const QByteArray &line : content.split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (text.startsWith(QLatin1String("VERSION_ID=")))
            return unquoted(text.mid(int(qstrlen("VERSION_ID="))));
    }
    return QString();
}

// Two decimal digits as binary-coded decimal; nothing above 99.
std::optional<uint32_t> bcd(uint32_t value)
{
    if (value > 99)
        return std::nullopt;
    return ((value / 10) << 4) | (value % 10);
}

} // namespace

OsReleaseVersionSource::OsReleaseVersionSource(QString path) : m_path(std::move(path)) {}

std::optional<QList<uint32_t>> OsReleaseVersionSource::componentsOfVersionId(const QString &versionId)
{
    static const QRegularExpression leading(QStringLiteral("^(\\d{1,9})(?:\\.(\\d{1,9}))?(?:\\.(\\d{1,9}))?"));
    const QRegularExpressionMatch match = leading.match(versionId.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    QList<uint32_t> components;
    for (int i = 1; i <= 3; ++i)
        components.append(match.captured(i).isEmpty() ? 0u : match.captured(i).toUInt());
    return components;
}

std::optional<uint32_t> OsReleaseVersionSource::component(Component which)
{
    QString versionId;
    if (!m_path.isEmpty()) {
        versionId = versionIdFromFile(m_path);
    } else {
        versionId = versionIdFromFile(QStringLiteral("/etc/os-release"));
        if (versionId.isEmpty())
            versionId = versionIdFromFile(QStringLiteral("/usr/lib/os-release"));
    }
    const auto components = componentsOfVersionId(versionId);
    if (!components)
        return std::nullopt;
    return components->at(int(which));
}

void setSystemVersionSource(std::shared_ptr<SystemVersionSource> source)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.source = std::move(source);
    s.cached = 0;
    s.computed = false;
}

uint32_t GetSystemVersionBCD()
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    if (s.computed)
        return s.cached;
    if (!s.source)
        s.source = std::make_shared<OsReleaseVersionSource>();
    using C = SystemVersionSource::Component;
    const auto major = s.source->component(C::Major);
    const auto minor = s.source->component(C::Minor);
    const auto bugfix = s.source->component(C::Bugfix);
    std::optional<uint32_t> majorBCD, minorBCD, bugfixBCD;
    if (major && minor && bugfix) {
        majorBCD = bcd(*major);
        minorBCD = bcd(*minor);
        bugfixBCD = bcd(*bugfix);
    }
    if (majorBCD && minorBCD && bugfixBCD) {
        s.cached = (*majorBCD << 16) | (*minorBCD << 8) | *bugfixBCD;
        s.computed = true;
        return s.cached;
    }
    if (const auto packed = s.source->packedVersion()) {
        const uint32_t v = *packed;
        s.cached = ((v << 4) & 0xF00) | (v & 0xF) | ((v << 8) & 0xFF0000);
        s.computed = true;
    }
    return s.cached;
}
