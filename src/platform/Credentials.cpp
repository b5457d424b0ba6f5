#include "platform/Credentials.h"

#include "platform/ServiceSlot.h"

QString ProtectionSpace::key() const
{
    return QStringLiteral("%1://%2:%3/%4 %5").arg(protocol, host).arg(port).arg(realm, authenticationMethod);
}

bool InMemoryCredentialStore::setDefaultCredential(const URLCredential &credential, const ProtectionSpace &space,
                                                   QString *error)
{
    if (error)
        error->clear();
    m_credentials.insert(space.key(), credential);
    return true;
}

std::optional<URLCredential> InMemoryCredentialStore::defaultCredential(const ProtectionSpace &space, QString *error)
{
    if (error)
        error->clear();
    const auto found = m_credentials.constFind(space.key());
    if (found == m_credentials.constEnd())
        return std::nullopt;
    return *found;
}

bool InMemoryCredentialStore::removeCredential(const ProtectionSpace &space, QString *error)
{
    if (error)
        error->clear();
    m_credentials.remove(space.key());
    return true;
}

bool InMemoryCredentialStore::unlockStore(int *errorCode)
{
    ++m_unlockRequests;
    if (errorCode)
        *errorCode = m_unlockRefusal;
    return m_unlockRefusal == 0;
}

namespace {

using CredentialStoreSlot = ServiceSlot<CredentialStore, KeychainCredentialStore>;

} // namespace

void setCredentialStore(std::shared_ptr<CredentialStore> store)
{
    CredentialStoreSlot::shared().registered = std::move(store);
}

std::shared_ptr<CredentialStore> credentialStore() { return CredentialStoreSlot::shared().current(); }
