#pragma once
// Permanent URL credentials: a user name and a password kept for a
// protection space (the host, port and scheme of a server, a realm and an
// authentication method), as the postage-server client keeps the account
// number and pass phrase when the user asks it to.
//
// The credential store is one injectable object. Unless something else is
// registered, the answers come from the desktop's secret store through
// QtKeychain (the Secret Service on Linux). When no secret store is running
// (or it refuses), an operation fails with a clear error text and nothing is
// stored anywhere else: a password never reaches a plain file. Tests register
// InMemoryCredentialStore.
//
// A store is used from the main thread.
#include <QMap>
#include <QString>

#include <memory>
#include <optional>

// The authentication method of a credential entered in a web form.
inline const QString ProtectionSpaceAuthenticationMethodHTMLForm = QStringLiteral("NSURLAuthenticationMethodHTMLForm");

struct ProtectionSpace {
    QString host;
    int port = 0;
    QString protocol; // the URL scheme, "https"
    QString realm;    // empty for none
    QString authenticationMethod;

    // The text that names the space in a store:
    // "<protocol>://<host>:<port>/<realm> <method>".
    QString key() const;
    friend bool operator==(const ProtectionSpace &, const ProtectionSpace &) = default;
};

struct URLCredential {
    QString user;
    QString password;
    friend bool operator==(const URLCredential &, const URLCredential &) = default;
};

class CredentialStore
{
public:
    virtual ~CredentialStore() = default;

    // Keeps the credential for the space, replacing the one kept before.
    // False (with the reason in *error) when it could not be kept.
    virtual bool setDefaultCredential(const URLCredential &credential, const ProtectionSpace &space,
                                      QString *error = nullptr) = 0;
    // The credential kept for the space; nothing when none is kept or the
    // store cannot be read (the reason in *error, empty when none is kept).
    virtual std::optional<URLCredential> defaultCredential(const ProtectionSpace &space, QString *error = nullptr) = 0;
    // Forgets the space's credential; true when none is kept afterwards.
    virtual bool removeCredential(const ProtectionSpace &space, QString *error = nullptr) = 0;
    // Makes sure the store is unlocked before a pass phrase is kept in it,
    // asking the user when the store needs it. False, with the store's
    // error number in *errorCode, when it stays locked. A store that unlocks
    // itself on first use (the Secret Service prompts then) answers true.
    virtual bool unlockStore(int *errorCode = nullptr)
    {
        if (errorCode)
            *errorCode = 0;
        return true;
    }
};

// Credentials in memory only, for tests.
class InMemoryCredentialStore final : public CredentialStore
{
public:
    bool setDefaultCredential(const URLCredential &credential, const ProtectionSpace &space,
                              QString *error = nullptr) override;
    std::optional<URLCredential> defaultCredential(const ProtectionSpace &space, QString *error = nullptr) override;
    bool removeCredential(const ProtectionSpace &space, QString *error = nullptr) override;
    // Answers as setUnlockRefusal() said: true unless a refusal code is set.
    bool unlockStore(int *errorCode = nullptr) override;
    // A code other than 0 makes every unlock fail with it; 0 unlocks again.
    void setUnlockRefusal(int code) { m_unlockRefusal = code; }
    // How often unlockStore() was asked.
    int unlockRequests() const { return m_unlockRequests; }

    // Everything kept, by the spaces' keys.
    QMap<QString, URLCredential> credentials() const { return m_credentials; }

private:
    QMap<QString, URLCredential> m_credentials;
    int m_unlockRefusal = 0;
    int m_unlockRequests = 0;
};

// The desktop's secret store through QtKeychain, under the service name
// "Tolvane"; each credential is one entry named by its space's key.
class KeychainCredentialStore final : public CredentialStore
{
public:
    bool setDefaultCredential(const URLCredential &credential, const ProtectionSpace &space,
                              QString *error = nullptr) override;
    std::optional<URLCredential> defaultCredential(const ProtectionSpace &space, QString *error = nullptr) override;
    bool removeCredential(const ProtectionSpace &space, QString *error = nullptr) override;
};

// Registers the store (nullptr brings back the keychain store).
void setCredentialStore(std::shared_ptr<CredentialStore> store);
std::shared_ptr<CredentialStore> credentialStore();
