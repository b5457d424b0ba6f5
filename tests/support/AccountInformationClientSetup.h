#pragma once
// Points the shared account-information client at a fake account-information
// service: fresh shared clients and user defaults, the test certificate
// authority, the service's host as "labelServiceServer" and the account's
// credentials. `disconnectAccountInformationClient` undoes it.
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"

#include "FakeAccountInformationServer.h"

#include <memory>

namespace tolvane::test {

inline std::shared_ptr<QVRHOAccountInformationCommandCenter>
connectAccountInformationClient(const FakeAccountInformationServer &server, const QString &passPhrase)
{
    QVCommandCenter::resetSharedInstancesForTesting();
    UserDefaults::resetStandardUserDefaults();
    setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
    UserDefaults::standardUserDefaults().setString(server.host(), QStringLiteral("labelServiceServer"));
    auto client = QVRHOAccountInformationCommandCenter::commandCenter();
    client->setRequestTimeoutMilliseconds(10000);
    client->setCredentialsSource([passPhrase] { return QVAccountCredentials{QStringLiteral("1234567"), passPhrase}; });
    return client;
}

inline void disconnectAccountInformationClient()
{
    setHttpCAFile(QString());
    UserDefaults::resetStandardUserDefaults();
    QVCommandCenter::resetSharedInstancesForTesting();
}

} // namespace tolvane::test
