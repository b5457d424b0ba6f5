#pragma once
// What the vendor's other clients read of the postage-server client: the
// account number and pass phrase in use, whether the postage server is a
// test server, and the vendor web-site host. Unless something else is
// registered (tests register fakes), the answers are the postage-server
// client's (QVRHOCommandCenter): its user id and pass phrase, a test server
// when the host of its server begins with "192.168" or ends with ".local",
// and the web-site host of the user default "tolvaneWebSite".
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

// The user default of the sender's D-U-N-S number.
inline const QString QVCustomerDUNSDefaultsKey = QStringLiteral("customerDUNS");

// The sender's D-U-N-S number, sent as "CustomerDUNS" (confirm numbers of
// the label-number service) and "CustomerRefNo" (USPS Web Tools customs
// forms, labels and confirmation numbers): the user default "customerDUNS"
// without surrounding white space; empty only while it is not set.
QString customerDUNSNumber();

// Registers the account source (nullptr removes it).
void setPostageServerAccount(std::shared_ptr<QVPostageServerAccount> account);
std::shared_ptr<QVPostageServerAccount> postageServerAccount();
