#pragma once
// Which HTTPS hosts may present any certificate: only the hosts of the
// vendor's development domain, so that development servers with their own
// certificates can be used. Every other host, and every public host, gets the
// normal certificate check.
//
// The development domain is empty unless configured (setDevelopmentDomain(),
// or else the environment variable TOLVANE_DEVELOPMENT_DOMAIN); while it is
// empty no host is exempt. A host counts as inside the domain when it equals
// the domain or ends with "." and the domain, without regard to case; a
// domain without an inner dot (a bare top-level name) exempts nothing.
#include <QString>

bool allowsAnyHTTPSCertificateForHost(const QString &host);

void setDevelopmentDomain(const QString &domain);
QString developmentDomain();

// Makes the platform's HTTP client consult allowsAnyHTTPSCertificateForHost
// (every client does so when it is made).
void installCertificateRule();
