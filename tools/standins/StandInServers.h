#pragma once
// The project's own stand-ins for the vendor's servers, for trying the
// application on a computer from which no vendor server can be reached
// (make run). They are the loopback servers the tests use (tests/support),
// with one demo postage account (and one demo account at the partner label
// service) whose numbers and pass phrases exist only in this program.
//
// The label server, the label-number service, the account information and
// the vendor's web site (its supplemental service) share one host in the
// application's settings ("labelServiceServer", "tolvaneWebSite"), so one
// HTTPS front server takes their paths; the web site's account pages (the
// web store manager) are the vendor's own (StandInVendor::accountPage). The
// postage server and the zone-chart service have hosts of their own (plain
// HTTP), as have the partner label service (HTTPS) and USPS Web Tools (both).
//
// The vendor's answers (accounts, indicia, receipts, address correction on
// both routes, labels, label and confirm numbers, zone charts, account
// information, country rules and the partner's labels) come from one
// StandInVendor, which the postage server, the front server, the partner's
// server and the zone-chart server ask. The front server also
// carries the address correction's older direct route and, when enabled,
// the control road of StandInVendor.h.
#include <QString>
#include <QVariantMap>

#include <memory>

class StandInVendor;

class StandInServers
{
public:
    struct Options {
        // Serve the control road (tests only).
        bool controlRoad = false;
    };

    StandInServers() : StandInServers(Options{}) {}
    explicit StandInServers(Options options);
    ~StandInServers();
    StandInServers(const StandInServers &) = delete;
    StandInServers &operator=(const StandInServers &) = delete;

    // Whether every server listens; else why not.
    bool isReady() const;
    QString errorString() const;

    // The application's settings that point it at the stand-ins and name
    // the demo account.
    QVariantMap settings() const;
    // The certificate authority of the HTTPS stand-ins (the application
    // trusts it through TOLVANE_TEST_CA_FILE).
    QString certificateAuthorityFile() const;

    static QString demoAccountNumber();
    static QString demoPassPhrase();
    // The demo's account at the partner label service.
    static QString demoPartnerAccount();

    // A line per server for the console.
    QStringList description() const;

    // The vendor the servers play (its accounts and pieces).
    StandInVendor &vendor();
    // "https://127.0.0.1:<port>" of the front server (the control road's).
    QString frontBaseUrl() const;

private:
    struct Servers;
    std::unique_ptr<Servers> m;
};
