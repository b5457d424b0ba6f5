#pragma once
// What the vendor's other clients read of the postage-server client: the
// account number and pass phrase in use, whether the postage server is a
// test server, and the vendor web-site host. The postage-server client
// registers itself here when it is made; tests register fakes. Until then
// the account is empty, the server is not a test server, and the web-site
// host is the user default "tolvaneWebSite" (as the postage-server client
// answers it).
//
// Safe from any thread (the receipt thread reads the account for the vendor
// headers).
#include <QString>

#include <memory>

class QVPostageServerAccount
{
public:
    virtual ~QVPostageServerAccount() = default;

    // The account number (user id).
    virtual QString userid() = 0;
    // The account's pass phrase.
    virtual QString password() = 0;
    // The postage server in use is a test server.
    virtual bool testServer() = 0;
    // The vendor web-site host.
    virtual QString websiteServerName() = 0;
};

// Registers the account source (nullptr removes it).
void setPostageServerAccount(std::shared_ptr<QVPostageServerAccount> account);
std::shared_ptr<QVPostageServerAccount> postageServerAccount();
