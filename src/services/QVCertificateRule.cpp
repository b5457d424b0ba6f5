#include "services/QVCertificateRule.h"

#include "platform/HttpClient.h"

#include <mutex>
#include <optional>

namespace {

std::mutex g_mutex;
std::optional<QString> g_domain;

} // namespace

void setDevelopmentDomain(const QString &domain)
{
    std::lock_guard lock(g_mutex);
    g_domain = domain;
}

QString developmentDomain()
{
    std::lock_guard lock(g_mutex);
    return g_domain ? *g_domain : qEnvironmentVariable("TOLVANE_DEVELOPMENT_DOMAIN");
}

bool allowsAnyHTTPSCertificateForHost(const QString &host)
{
    QString domain = developmentDomain().trimmed().toLower();
    while (domain.startsWith(QLatin1Char('.')))
        domain.remove(0, 1);
    while (domain.endsWith(QLatin1Char('.')))
        domain.chop(1);
    if (domain.isEmpty() || !domain.contains(QLatin1Char('.')))
        return false;
    QString name = host.trimmed().toLower();
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return name == domain || name.endsWith(QLatin1Char('.') + domain);
}

void installCertificateRule() { setHttpCertificateExemptionRule(&allowsAnyHTTPSCertificateForHost); }
