#include "services/QVPostageServerAccount.h"

#include "platform/UserDefaults.h"
#include "services/QVRHOCommandCenter.h"

#include <mutex>

namespace {

// The postage-server client's own account and server.
class PostageClientAccount final : public QVPostageServerAccount
{
public:
    QString userid() override { return QVRHOCommandCenter::commandCenter()->userid(); }
    QString password() override { return QVRHOCommandCenter::commandCenter()->password(); }
    // A server on a private 192.168 network or a ".local" host.
    bool testServer() override { return QVRHOCommandCenter::commandCenter()->testServer(); }
    QString websiteServerName() override { return QVRHOCommandCenter::websiteServerName(); }
};

std::mutex g_accountMutex;

std::shared_ptr<QVPostageServerAccount> &registeredAccount()
{
    static std::shared_ptr<QVPostageServerAccount> account;
    return account;
}

} // namespace

void setPostageServerAccount(std::shared_ptr<QVPostageServerAccount> account)
{
    std::lock_guard lock(g_accountMutex);
    registeredAccount() = std::move(account);
}

std::shared_ptr<QVPostageServerAccount> postageServerAccount()
{
    static const std::shared_ptr<QVPostageServerAccount> none = std::make_shared<PostageClientAccount>();
    std::lock_guard lock(g_accountMutex);
    return registeredAccount() ? registeredAccount() : none;
}

QString customerDUNSNumber()
{
    return UserDefaults::standardUserDefaults().stringForKey(QVCustomerDUNSDefaultsKey).trimmed();
}
