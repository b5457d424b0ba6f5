#include "services/QVPostageServerAccount.h"

#include "platform/UserDefaults.h"

#include <mutex>

namespace {

class NoPostageServerAccount final : public QVPostageServerAccount
{
public:
    QString userid() override { return QString(); }
    QString password() override { return QString(); }
    bool testServer() override { return false; }
    QString websiteServerName() override
    {
        return UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("tolvaneWebSite"));
    }
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
    static const std::shared_ptr<QVPostageServerAccount> none = std::make_shared<NoPostageServerAccount>();
    std::lock_guard lock(g_accountMutex);
    return registeredAccount() ? registeredAccount() : none;
}
