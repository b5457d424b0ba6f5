#pragma once
// The vendor that the stand-in servers play: postage accounts and what the
// vendor's services answer from them. It is written from the wire formats
// (request documents, reply records and element names) and shares no code
// with the program's clients. Every answer is computed here; the servers of
// StandInServers only carry the bytes.
//
// Postage accounts (the postage server's sealed transactions):
//   - an account holds its pass phrase's digest, the descending register
//     (the balance), the ascending register (postage used), the control
//     register (always their sum), the piece counter, the status letter and
//     the web-site password, all in mils where money;
//   - status (28) answers the account; buy postage (27) adds to the balance;
//     an indicium (48) charges its postage, counts a piece and answers the
//     demo's test indicium; a refund (51) credits a piece once; a reprint
//     (29) answers a piece's indicium again, with its amount, its
//     destination ZIP5 and its date to the minute, and charges nothing;
//     a pass-phrase change (26) takes the new digest; a reset (97) answers
//     the account;
//   - an unknown account number is refused with return code 101, a wrong
//     pass phrase with 507; every other refusal (too small a balance, a
//     piece the account does not have, a second refund) with return code 0,
//     since the vendor's own codes for them are not known. A refusal carries
//     the return code and the server's clock only: no account data.
//   - receipts ("ConfirmReceipt" documents) are kept with their piece.
//
// The label server's refund of a piece (a "RefundRequest" document with the
// account's number and pass phrase and one piece number) refunds it as the
// postage server's refund does: the piece is credited at once, once. It
// answers a "RefundResponse" whose "RefundStatus" is "APPROVED", or "DENIED"
// with the reason in "RefundStatusMessage" (an unknown account, a wrong pass
// phrase, a piece the account does not have or one refunded already).
//
// The demo's test indicium (98 bytes, not postage): bytes 0-44 the text
// "TOLVANE DEMO TEST INDICIUM - NOT POSTAGE", space-filled; 45-48 the rate
// category "0000"; 49-52 the piece number (little-endian); 53-97 the text
// "ACCT <account> PIECE <piece> MILS <amount>", space-filled. A 2D symbol
// made from it decodes to readable text that says what it is.
//
// Address correction (both routes): a last address line "CITY ST ZIP5" or
// "CITY ST ZIP5-ZIP4" with a known state or military abbreviation, after a
// street line that begins with a house number or a box ("PO BOX", "PSC",
// "UNIT", "CMR"), is a confirmed match (return code 31); a street line and a
// last line that ends in a ZIP5 but is otherwise not well formed is an
// inexact match (22); anything else is refused with return code 0 (the
// vendor's refusal codes are not known).
//
// Tracking (USPS Web Tools' "TrackV2", both the summary "TrackRequest" and
// the detailed "TrackFieldRequest"): a number the stand-ins issued answers
// that the shipping information was sent and the item is awaited (a piece
// printed here is never mailed), any other number an "Error" whose
// "Description" says it is not known.
//
// Label numbers: 22-digit tracking numbers ending in their check digit,
// counted per stand-in run; BarcodeNumber is "420", the destination ZIP5 and
// the tracking number. Zone charts: every origin has one (the origin's own
// three-digit area zone 1, the other areas by the distance of their first
// digit, zones 2 to 8). Account information: retail pricing (discount level
// 0) and the Priority Mail groups whose retail prices the program knows.
// Country rules: the program's own country file, once per client version.
//
// The label server (the vendor's XML documents in one form field; its
// supplemental service for refunds by number and SCAN forms) and the partner
// label service (the same documents in SOAP 1.1 envelopes, with accounts of
// its own): StandInVendorLabels.cpp. Every request is checked against its
// account (AccountID and PassPhrase); a label is priced from its MailClass
// and MailpieceShape (the Priority Mail flat-rate pieces at their retail
// prices of 7 September 2014, the only prices the stand-in knows), charged to
// the account as a piece with a tracking number, and answered with a label
// in the ImageFormat asked (a PNG of the tracking barcode and the demo's test
// indicium in a Data Matrix; EPL2 or ZPL II commands), the label texts, the
// final postage and the balance. A request without ImageFormat asks for a
// number only and is charged nothing, as is a test label. Refunds credit a
// piece once. Refusals: Status 101 for an unknown account, 507 for a wrong
// pass phrase; every other refusal (a piece without a known price, too small
// a balance, a document the path does not take, a piece the account does
// not have) Status -1 with a message that says why, since the vendor's own
// codes for them are not known.
//
// The control road (only when enabled), for tests:
//   GET  /standins/control/account?number=N        the account as JSON
//   POST /standins/control/account?number=N&...    changes (or makes) it:
//        balance=MILS, ascending=MILS, pieces=N, status=LETTER,
//        passPhrase=TEXT, webPassword=TEXT
//   POST /standins/control/fail-next?service=S[&code=N|&http=N]
//        the next reply of service S (postage, receipt, address, numbers,
//        zones, account, labelserver, partner) fails: the postage server's
//        with a refusal of return code N, or else with an empty body; the
//        label server's and the partner's with a reply of Status N, or else
//        HTTP status N (default 500) and an empty body; the others' with
//        HTTP status N (default 500) and an empty body.
// Replies: 200 with JSON, 400 with the reason, 404 for an unknown account.
#include "LocalHttpServer.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

#include <mutex>
#include <optional>

namespace tolvane::test {
struct FakePostageRequest;
struct XmlElement;
enum class LabelOperation;
} // namespace tolvane::test

class StandInVendor
{
public:
    using Reply = tolvane::test::ScriptedReply;
    using Request = tolvane::test::RecordedRequest;
    // The label server's operations (LabelServerRequests.h).
    using LabelOperation = tolvane::test::LabelOperation;

    static constexpr const char *ReceiptPath = "/VPOServer/receiptHttpAdapter.aspx";
    static constexpr const char *ZoneChartPath = "/isapi/zone.dll";
    static constexpr const char *AccountControlPath = "/standins/control/account";
    static constexpr const char *FailNextControlPath = "/standins/control/fail-next";
    static constexpr const char *AccountPagePath = "/Account/Login/";

    struct Piece {
        quint32 number = 0;
        qint64 amountMils = 0;
        QByteArray toZip5;
        QByteArray indicium;
        QByteArray trackingNumber;
        bool stamp = false;
        bool refunded = false;
        int reprints = 0;
        int receipts = 0;
        QDateTime created;
    };

    struct Account {
        QByteArray number;
        QByteArray passPhraseDigest;
        qint64 descendingRegister = 0;
        qint64 ascendingRegister = 0;
        quint32 pieceCount = 0;
        QByteArray status = "A";
        QByteArray webPassword;
        QByteArray name;
        QMap<quint32, Piece> pieces;
        quint32 transactions = 0;
        qint64 controlRegister() const { return descendingRegister + ascendingRegister; }
    };

    // An account of the partner label service: its own password and
    // balance, and the labels it bought.
    struct PartnerAccount {
        QByteArray id;
        QByteArray password;
        qint64 balanceMils = 0;
        quint32 pieceCount = 0;
        QMap<quint32, Piece> pieces;
    };

    // The demo account's licence: its city, state and ZIP5.
    static constexpr const char *LicenseZIP5 = "20260";
    // The partner label service's namespace in the demo.
    static constexpr const char *PartnerNamespace = "https://partner.invalid/2010/06";
    static constexpr const char *PartnerServicePath = "/Services/EwsLabelService.svc";
    // The label server's paths.
    static const QList<QByteArray> &labelServerPaths();
    static constexpr const char *SupplementalPath = "/VLS/VLSServices.cfc";

    void addAccount(const QByteArray &number, const QByteArray &passPhrase, qint64 balanceMils);
    std::optional<Account> account(const QByteArray &number) const;
    void addPartnerAccount(const QByteArray &id, const QByteArray &password, qint64 balanceMils);
    std::optional<PartnerAccount> partnerAccount(const QByteArray &id) const;

    // The services' answers.
    QByteArray postageReply(const tolvane::test::FakePostageRequest &request);
    Reply receipt(const Request &request);
    QByteArray track(const tolvane::test::XmlElement &request);
    Reply addressCorrection(const Request &request);
    Reply labelNumber(const Request &request);
    Reply confirmNumber(const Request &request);
    Reply zoneChart(const Request &request);
    Reply accountInformation(const Request &request);
    Reply countryRules(const Request &request);
    Reply insuranceAgreement(const Request &request);
    Reply labelServer(const Request &request);
    Reply labelSupplemental(const Request &request);
    Reply partner(const Request &request);
    // The vendor's web site signed in by the account's number and web
    // password ("SerialNumber", "AccountPW"): with "ManageStores" the web
    // store manager (the demo's stores), else the account's page; a wrong
    // pair is refused (403).
    Reply accountPage(const Request &request);
    Reply control(const Request &request);

    // The next reply of the service fails as the control road asked; the
    // failure is used up. Nothing when none is pending.
    std::optional<Reply> takeFailure(const QString &service);

    // The text of the program's own country file (read once).
    static QByteArray countryFile();

private:
    QByteArray refusal(quint32 code) const;
    QByteArray accountReply(const Account &account) const;
    quint32 nextTransactionID();
    QByteArray nextTrackingNumber();

    struct Failure {
        std::optional<quint32> code;
        int httpStatus = 0;
    };
    struct LabelAnswer;
    // The reply to one label-server document; the caller holds the lock.
    LabelAnswer labelAnswer(LabelOperation operation, const tolvane::test::XmlElement &document, bool partner,
                            const std::optional<Failure> &failure);
    // The demo's test indicium of a piece.
    static QByteArray testIndicium(const QByteArray &account, quint32 piece, qint64 amountMils);
    // A tracking number as displayed: groups of four digits.
    static QByteArray groupsOfFour(const QByteArray &text);
    std::optional<Failure> takeFailureLocked(const QString &service);

    mutable std::mutex m_mutex;
    QMap<QByteArray, Account> m_accounts;
    QMap<QByteArray, PartnerAccount> m_partnerAccounts;
    QMap<QString, Failure> m_failures;
    quint32 m_transactionID = 1000;
    quint64 m_trackingSerial = 0;
    QSet<QByteArray> m_trackingNumbers;
};
