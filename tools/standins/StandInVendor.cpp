#include "StandInVendor.h"

#include "FakeLabelServers.h"
#include "FakePostageServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QUrlQuery>
#include <QtEndian>

using namespace tolvane::test;

namespace {

// Wire types of the postage server's transactions.
enum WireType : qint32 {
    ChangePassPhrase = 26,
    BuyPostage = 27,
    Status = 28,
    Reprint = 29,
    Indicium = 48,
    Refund = 51,
    ResetPassPhrase = 97,
};

constexpr quint32 kSuccess = 1;
constexpr quint32 kUnknownAccount = 101;
constexpr quint32 kWrongPassPhrase = 507;
// Refusals whose vendor code is not known.
constexpr quint32 kRefused = 0;

constexpr quint32 kStampIndiciumKind = 0x31016763;

const QByteArray kIndiciumMark = "TOLVANE DEMO TEST INDICIUM - NOT POSTAGE";

QByteArray spaceFilled(const QByteArray &text, int width) { return text.left(width).leftJustified(width, ' '); }

QByteArray xmlEscaped(const QString &text) { return text.toHtmlEscaped().toUtf8(); }

ScriptedReply xmlReply(const QByteArray &body)
{
    return ScriptedReply::text(200, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n" + body, "text/xml");
}

// The fields of a query (or form body): split at "&", "+" a space, percent
// escapes undone.
QMap<QString, QString> queryFields(const QByteArray &query)
{
    QMap<QString, QString> fields;
    for (const QByteArray &pair : query.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype equals = pair.indexOf('=');
        QByteArray name = equals < 0 ? pair : pair.left(equals);
        QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        name.replace('+', ' ');
        value.replace('+', ' ');
        fields.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return fields;
}

// The USPS abbreviations of the states, the District of Columbia, the
// territories and the armed forces' "states".
const QSet<QString> &stateAbbreviations()
{
    static const QSet<QString> states{"AL", "AK", "AZ", "AR", "CA", "CO", "CT", "DE", "DC", "FL", "GA", "HI", "ID",
                                      "IL", "IN", "IA", "KS", "KY", "LA", "ME", "MD", "MA", "MI", "MN", "MS", "MO",
                                      "MT", "NE", "NV", "NH", "NJ", "NM", "NY", "NC", "ND", "OH", "OK", "OR", "PA",
                                      "RI", "SC", "SD", "TN", "TX", "UT", "VT", "VA", "WA", "WV", "WI", "WY", "AS",
                                      "GU", "MP", "PR", "VI", "FM", "MH", "PW", "AA", "AE", "AP"};
    return states;
}

// The USPS check digit of a tracking number's digits (weights 3 and 1 from
// the right).
int checkDigit(const QByteArray &digits)
{
    int sum = 0;
    bool three = true;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        sum += (digits[i] - '0') * (three ? 3 : 1);
        three = !three;
    }
    return (10 - sum % 10) % 10;
}

} // namespace

QByteArray StandInVendor::groupsOfFour(const QByteArray &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); i += 4)
        out += (out.isEmpty() ? QByteArray() : QByteArray(" ")) + text.mid(i, 4);
    return out;
}

namespace {

// An address reply's value: the client percent-unescapes values and escapes
// "&" itself before it parses, so neither "%" nor "&" may stand raw.
QByteArray addressValue(const QString &text)
{
    QString cleaned = text;
    cleaned.remove(QLatin1Char('&'));
    return xmlEscaped(cleaned).replace('%', "%25");
}

} // namespace

void StandInVendor::addAccount(const QByteArray &number, const QByteArray &passPhrase, qint64 balanceMils)
{
    std::lock_guard lock(m_mutex);
    Account &account = m_accounts[number];
    account.number = number;
    account.passPhraseDigest = FakePostageServer::digestOfPassPhrase(passPhrase);
    account.descendingRegister = balanceMils;
    account.webPassword = "web-" + number;
    account.name = "Demo Account";
}

std::optional<StandInVendor::Account> StandInVendor::account(const QByteArray &number) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_accounts.constFind(number);
    if (it == m_accounts.cend())
        return std::nullopt;
    return *it;
}

QByteArray StandInVendor::testIndicium(const QByteArray &account, quint32 piece, qint64 amountMils)
{
    QByteArray number(4, '\0');
    qToLittleEndian(piece, number.data());
    return spaceFilled(kIndiciumMark, 45) + "0000" + number +
        spaceFilled("ACCT " + account + " PIECE " + QByteArray::number(piece) + " MILS " +
                        QByteArray::number(amountMils),
                    45);
}

quint32 StandInVendor::nextTransactionID() { return ++m_transactionID; }

QByteArray StandInVendor::nextTrackingNumber()
{
    ++m_trackingSerial;
    const QByteArray digits = "9400100" + QByteArray::number(m_trackingSerial).rightJustified(14, '0');
    const QByteArray number = digits + QByteArray::number(checkDigit(digits));
    m_trackingNumbers.insert(number);
    return number;
}

QByteArray StandInVendor::refusal(quint32 code) const
{
    FakePostageReply reply;
    reply.returnCode = code;
    reply.softwareModel.clear();
    reply.softwareVendor.clear();
    reply.accountStatus.clear();
    const QDateTime now = QDateTime::currentDateTime();
    reply.timestamp = quint32(now.toSecsSinceEpoch());
    reply.returnDateTime = now.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    return reply.bytes();
}

QByteArray StandInVendor::accountReply(const Account &account) const
{
    FakePostageReply reply;
    reply.returnCode = kSuccess;
    reply.accountStatus = account.status;
    reply.serialNumber = account.number.toUInt();
    reply.ascendingRegister = account.ascendingRegister;
    reply.controlRegister = account.controlRegister();
    reply.descendingRegister = account.descendingRegister;
    reply.pieceCount = account.pieceCount;
    const QDateTime now = QDateTime::currentDateTime();
    reply.timestamp = quint32(now.toSecsSinceEpoch());
    reply.returnDateTime = now.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    reply.licenseZIP5 = LicenseZIP5;
    reply.licenseCity = "WASHINGTON";
    reply.licenseState = "DC";
    reply.name = account.name;
    // A Mac account ("S", third) whose e-mail address the vendor reaches
    // ("Y", fourth: "N" and "U" would warn at every start).
    reply.flags = "NNSY";
    reply.webPassword = account.webPassword;
    return reply.bytes();
}

QByteArray StandInVendor::postageReply(const FakePostageRequest &request)
{
    std::lock_guard lock(m_mutex);
    if (const auto failure = m_failures.take(QStringLiteral("postage")); failure.httpStatus || failure.code)
        return failure.code ? refusal(*failure.code) : QByteArray();

    const auto found = m_accounts.find(QByteArray::number(request.accountNumber));
    if (found == m_accounts.end())
        return refusal(kUnknownAccount);
    Account &account = *found;
    if (request.passPhraseDigest != account.passPhraseDigest)
        return refusal(kWrongPassPhrase);
    ++account.transactions;

    switch (request.wireType) {
    case Status:
    case ResetPassPhrase:
        return accountReply(account);
    case ChangePassPhrase:
        account.passPhraseDigest = request.newPassPhraseDigest;
        account.status = "A";
        return accountReply(account);
    case BuyPostage: {
        if (request.amountMils <= 0)
            return refusal(kRefused);
        account.descendingRegister += request.amountMils;
        QByteArray reply = accountReply(account);
        qToLittleEndian(nextTransactionID(), reply.data() + 576);
        qToLittleEndian(quint32(request.amountMils), reply.data() + 580);
        return reply;
    }
    case Indicium: {
        const qint64 amount = request.indiciumAmountMils;
        if (amount > account.descendingRegister)
            return refusal(kRefused);
        Piece piece;
        piece.number = ++account.pieceCount;
        piece.amountMils = amount;
        piece.stamp = request.indiciumKind == kStampIndiciumKind;
        if (request.zip > 0)
            piece.toZip5 = QByteArray::number(request.zip).rightJustified(11, '0').left(5);
        piece.created = QDateTime::currentDateTime();
        piece.indicium = testIndicium(account.number, piece.number, amount);
        account.descendingRegister -= amount;
        account.ascendingRegister += amount;
        account.pieces.insert(piece.number, piece);
        QByteArray reply = accountReply(account);
        qToLittleEndian(nextTransactionID(), reply.data() + 576);
        qToLittleEndian(quint32(amount), reply.data() + 580);
        reply.replace(584, 98, piece.indicium);
        return reply;
    }
    case Refund: {
        const auto piece = account.pieces.find(request.outerParameter);
        if (piece == account.pieces.end() || piece->refunded)
            return refusal(kRefused);
        piece->refunded = true;
        account.descendingRegister += piece->amountMils;
        QByteArray reply = accountReply(account);
        qToLittleEndian(nextTransactionID(), reply.data() + 576);
        qToLittleEndian(quint32(piece->amountMils), reply.data() + 580);
        return reply;
    }
    case Reprint: {
        const auto piece = account.pieces.find(request.outerParameter);
        if (piece == account.pieces.end() || piece->refunded)
            return refusal(kRefused);
        ++piece->reprints;
        Account shown = account;
        shown.pieceCount = piece->number;
        QByteArray reply = accountReply(shown);
        // A reprint answers the piece's date to the minute and its ZIP5.
        const QByteArray minute = piece->created.toString(QStringLiteral("yyyyMMddHHmm")).toLatin1();
        reply.replace(56, 15, minute.leftJustified(15, '\0'));
        qToLittleEndian(nextTransactionID(), reply.data() + 576);
        qToLittleEndian(quint32(piece->amountMils), reply.data() + 580);
        reply.replace(584, 98, piece->indicium);
        reply.replace(944, 20, piece->toZip5.leftJustified(20, '\0'));
        return reply;
    }
    default:
        return refusal(kRefused);
    }
}

StandInVendor::Reply StandInVendor::receipt(const Request &request)
{
    const QString xml = queryFields(request.query()).value(QStringLiteral("XML"));
    const std::optional<XmlElement> document = readXmlElement(xml.toUtf8());
    if (!document || document->name != QLatin1String("ConfirmReceipt"))
        return Reply::text(400, "not a ConfirmReceipt document");
    std::lock_guard lock(m_mutex);
    const auto account = m_accounts.find(document->childText(QStringLiteral("AccntID")).toLatin1());
    if (account == m_accounts.end())
        return Reply::text(404, "unknown account");
    const auto piece = account->pieces.find(document->childText(QStringLiteral("PieceID")).toUInt());
    if (piece == account->pieces.end())
        return Reply::text(404, "unknown piece");
    ++piece->receipts;
    return Reply::text(200, "OK");
}

QByteArray StandInVendor::track(const XmlElement &request)
{
    const bool detailed = request.name == QLatin1String("TrackFieldRequest");
    const QByteArray event = "Pre-Shipment Info Sent to USPS, USPS Awaiting Item";
    const QDateTime now = QDateTime::currentDateTime();
    QByteArray body = "<TrackResponse>";
    std::lock_guard lock(m_mutex);
    for (const XmlElement &id : request.children) {
        if (id.name != QLatin1String("TrackID"))
            continue;
        const QByteArray number = id.attributes.value(QStringLiteral("ID")).trimmed().toLatin1();
        body += "<TrackInfo ID=\"" + xmlEscaped(QString::fromLatin1(number)) + "\">";
        if (!m_trackingNumbers.contains(number)) {
            body += "<Error><Description>The Postal Service could not locate the tracking information for "
                    "your request.</Description></Error></TrackInfo>";
            continue;
        }
        if (detailed)
            body += "<TrackSummary><EventTime>" + now.toString(QStringLiteral("h:mm ap")).toLatin1() +
                "</EventTime><EventDate>" + now.toString(QStringLiteral("MMMM d, yyyy")).toLatin1() +
                "</EventDate><Event>" + event + "</Event></TrackSummary>";
        else
            body += "<TrackSummary>Shipping information for " + number +
                " was sent to USPS; the item has not been handed to USPS yet (" + event + ").</TrackSummary>";
        body += "</TrackInfo>";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body + "</TrackResponse>";
}

StandInVendor::Reply StandInVendor::addressCorrection(const Request &request)
{
    const QMap<QString, QString> fields = queryFields(request.query());
    QStringList lines;
    for (int i = 0; i < 4; ++i) {
        const QString line = fields.value(QStringLiteral("ADDRESS%1").arg(i)).simplified().toUpper();
        if (!line.isEmpty())
            lines << line;
    }
    static const QRegularExpression lastLinePattern(
        QStringLiteral("^(?:(.*\\S)\\s+)?([A-Z]{2})\\s+(\\d{5})(?:-?(\\d{4}))?$"));
    static const QRegularExpression zipAtEnd(QStringLiteral("(\\d{5})(?:-(\\d{4}))?$"));
    static const QRegularExpression streetPattern(QStringLiteral("^(\\d+\\S*\\s+\\S|(PO BOX|PSC|UNIT|CMR)\\s+\\d)"));

    // The street is the nearest line above the last that has a house number
    // or a box (else the line just above the last); a line next to it that
    // has none is the suite or apartment.
    const QString last = lines.value(lines.size() - 1);
    qsizetype streetIndex = lines.size() - 2;
    for (qsizetype i = lines.size() - 2; i >= 0; --i) {
        if (streetPattern.match(lines[i]).hasMatch()) {
            streetIndex = i;
            break;
        }
    }
    const QString street = streetIndex >= 0 ? lines[streetIndex] : QString();
    QString suite;
    for (const qsizetype i : {streetIndex + 1, streetIndex - 1}) {
        if (streetIndex >= 0 && i >= 0 && i < lines.size() - 1)
            suite = lines[i];
        if (!suite.isEmpty())
            break;
    }
    const QRegularExpressionMatch parts = lastLinePattern.match(last);
    const QRegularExpressionMatch zip = zipAtEnd.match(last);

    QString code;
    QString city;
    QString state;
    QString zip5;
    QString zip4;
    if (parts.hasMatch() && !parts.captured(1).isEmpty() && stateAbbreviations().contains(parts.captured(2)) &&
        parts.captured(3) != QLatin1String("00000") && streetPattern.match(street).hasMatch()) {
        code = QStringLiteral("31");
        city = parts.captured(1);
        state = parts.captured(2);
        zip5 = parts.captured(3);
        zip4 = parts.captured(4);
    } else if (!street.isEmpty() && zip.hasMatch() && zip.captured(1) != QLatin1String("00000")) {
        code = QStringLiteral("22");
        zip5 = zip.captured(1);
        zip4 = zip.captured(2);
        if (parts.hasMatch()) {
            city = parts.captured(1);
            state = parts.captured(2);
        }
    } else {
        code = QStringLiteral("0");
    }

    QByteArray body = "<Addrelle_Response><ReturnCode>" + code.toLatin1() + "</ReturnCode>";
    if (code != QLatin1String("0")) {
        const QString lastLine = QStringList{city, state, zip4.isEmpty() ? zip5 : zip5 + QLatin1Char('-') + zip4}
                                     .join(QLatin1Char(' '))
                                     .simplified();
        body += "<AddrLine1>" + addressValue(street) + "</AddrLine1><AddrLine2>" + addressValue(suite) +
            "</AddrLine2><City>" + addressValue(city) + "</City><State>" + addressValue(state) + "</State><ZIP5>" +
            zip5.toLatin1() + "</ZIP5><ZIP4>" + zip4.toLatin1() + "</ZIP4><AddrLineLast>" + addressValue(lastLine) +
            "</AddrLineLast>";
    }
    body += "</Addrelle_Response>";
    return xmlReply(body);
}

StandInVendor::Reply StandInVendor::labelNumber(const Request &request)
{
    std::optional<QByteArray> form;
    for (const char *field :
         {"picNumberRequestXML", "expressMailNumberRequestXml", "internationalPicNumberRequestXml"}) {
        if ((form = formFieldValue(request.body, field)))
            break;
    }
    const std::optional<XmlElement> document = form ? readXmlElement(*form) : std::nullopt;
    if (!document)
        return Reply::text(400, "no label-number request document");
    const QByteArray zip5 = document->childText(QStringLiteral("ToPostalCode")).left(5).toLatin1();
    QByteArray number;
    {
        std::lock_guard lock(m_mutex);
        number = nextTrackingNumber();
    }
    const bool routed = zip5.size() == 5 && zip5.toUInt() > 0;
    return xmlReply("<LabelNumberResponse><Status>0</Status><LabelNumber>" + number + "</LabelNumber><BarcodeNumber>" +
                    (routed ? "420" + zip5 : QByteArray()) + number + "</BarcodeNumber><DisplayLabelNumber>" +
                    groupsOfFour(number) +
                    "</DisplayLabelNumber><Banner>USPS TRACKING #</Banner></LabelNumberResponse>");
}

StandInVendor::Reply StandInVendor::confirmNumber(const Request &request)
{
    const QString xml = queryFields(request.query()).value(QStringLiteral("xmlInput"));
    const std::optional<XmlElement> document = readXmlElement(xml.toUtf8());
    if (!document || document->name != QLatin1String("ConfirmRequest"))
        return Reply::text(400, "not a ConfirmRequest document");
    QByteArray number;
    {
        std::lock_guard lock(m_mutex);
        number = nextTrackingNumber();
    }
    return xmlReply("<ConfirmResponse><ConfirmItem ID=\"TfM\"><ConfirmNumber>" + number +
                    "</ConfirmNumber></ConfirmItem></ConfirmResponse>");
}

StandInVendor::Reply StandInVendor::zoneChart(const Request &request)
{
    const QByteArray origin = QByteArray::fromPercentEncoding(request.query()).trimmed().left(5);
    if (origin.isEmpty())
        return Reply::text(200, "09072014", "text/html");
    bool ok = false;
    const int originNumber = origin.toInt(&ok);
    if (origin.size() != 5 || !ok)
        return Reply::text(200, "", "text/html");
    // The origin's own three-digit area first: a lookup takes the lowest
    // zone that holds the destination.
    const int area = originNumber / 100;
    QByteArray page = QByteArray::number(area * 100).rightJustified(5, '0') + " " +
        QByteArray::number(area * 100 + 99).rightJustified(5, '0') + " 1<br>";
    const int originDigit = originNumber / 10000;
    for (int digit = 0; digit < 10; ++digit) {
        const int zone = qMin(8, 2 + qAbs(digit - originDigit));
        page += QByteArray::number(digit * 10000).rightJustified(5, '0') + " " +
            QByteArray::number(digit * 10000 + 9999).rightJustified(5, '0') + " " + QByteArray::number(zone) + "<br>";
    }
    return Reply::text(200, page + "</body></html>", "text/html");
}

StandInVendor::Reply StandInVendor::accountInformation(const Request &)
{
    // Retail pricing everywhere: the program knows the retail prices.
    return xmlReply("<AccountInformationResponse><Status>0</Status><PMDiscount>0</PMDiscount>"
                    "<PMIDiscount>0</PMIDiscount><FCPISDiscount>0</FCPISDiscount><EMDiscount>0</EMDiscount>"
                    "<EMIDiscount>0</EMIDiscount><DateAdvance>7</DateAdvance>"
                    "<FirstClass><Parcels><DiscountLevel>0</DiscountLevel></Parcels></FirstClass>"
                    "<PriorityMail><RegionalRateBox>FALSE</RegionalRateBox>"
                    "<FlatRatePaddedEnvelope>TRUE</FlatRatePaddedEnvelope><CubicPricing>FALSE</CubicPricing>"
                    "<Flats><DiscountLevel>0</DiscountLevel></Flats><Parcels><DiscountLevel>0</DiscountLevel>"
                    "</Parcels></PriorityMail>"
                    "<ExpressMail><Flats><DiscountLevel>0</DiscountLevel></Flats><Parcels><DiscountLevel>0"
                    "</DiscountLevel></Parcels></ExpressMail>"
                    "<InsuranceAgreement>TRUE</InsuranceAgreement></AccountInformationResponse>");
}

QByteArray StandInVendor::countryFile()
{
    static const QByteArray text = [] {
        QFile file(QStringLiteral(TOLVANE_STANDINS_COUNTRY_FILE));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return text;
}

StandInVendor::Reply StandInVendor::countryRules(const Request &request)
{
    const QMap<QString, QString> fields = queryFields(request.query());
    const int clientVersion = fields.value(QStringLiteral("clientVersion")).toInt();
    const QByteArray listings = clientVersion >= 1 || countryFile().isEmpty()
        ? QByteArray("UpToDate")
        : QString::fromLatin1(countryFile()).toHtmlEscaped().toLatin1();
    return xmlReply("<CountryRulesResponse><CountryListings>" + listings +
                    "</CountryListings><ServerVersion>1</ServerVersion></CountryRulesResponse>");
}

StandInVendor::Reply StandInVendor::insuranceAgreement(const Request &) { return xmlReply("<Result>OK</Result>"); }

StandInVendor::Reply StandInVendor::accountPage(const Request &request)
{
    const QMap<QString, QString> fields = queryFields(request.query());
    const QByteArray number = fields.value(QStringLiteral("SerialNumber")).toLatin1();
    std::lock_guard lock(m_mutex);
    const auto it = m_accounts.constFind(number);
    if (it == m_accounts.cend() || it->webPassword.isEmpty() ||
        it->webPassword != fields.value(QStringLiteral("AccountPW")).toLatin1())
        return Reply::text(403,
                           "<html><head><title>Sign-in refused</title></head><body><p>The account number or "
                           "password is not valid.</p></body></html>",
                           "text/html");
    const QByteArray page = fields.contains(QStringLiteral("ManageStores"))
        ? "<h1>Web Store Manager</h1><p>Stores connected to account " + number +
            ":</p><ul><li>Demo Shop (Demo Marketplace)</li><li>Demo Cards (Demo Marketplace)</li></ul>"
            "<p>The demo connects no other store.</p>"
        : "<h1>Your Account</h1><p>Account " + number + ", " + it->name + ".</p>";
    return Reply::text(200, "<html><head><title>Demo Vendor</title></head><body>" + page + "</body></html>",
                       "text/html");
}

std::optional<StandInVendor::Reply> StandInVendor::takeFailure(const QString &service)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_failures.find(service);
    if (it == m_failures.end())
        return std::nullopt;
    Reply reply;
    reply.status = it->httpStatus ? it->httpStatus : 500;
    m_failures.erase(it);
    return reply;
}

StandInVendor::Reply StandInVendor::control(const Request &request)
{
    const QMap<QString, QString> fields = queryFields(request.query());
    std::lock_guard lock(m_mutex);
    if (request.path() == FailNextControlPath) {
        static const QSet<QString> services{QStringLiteral("postage"),     QStringLiteral("receipt"),
                                            QStringLiteral("address"),     QStringLiteral("numbers"),
                                            QStringLiteral("zones"),       QStringLiteral("account"),
                                            QStringLiteral("labelserver"), QStringLiteral("partner")};
        const QString service = fields.value(QStringLiteral("service"));
        if (request.method != "POST" || !services.contains(service))
            return Reply::text(400,
                               "POST with service=postage|receipt|address|numbers|zones|account|labelserver|partner");
        Failure failure;
        if (fields.contains(QStringLiteral("code")))
            failure.code = fields.value(QStringLiteral("code")).toUInt();
        failure.httpStatus = fields.value(QStringLiteral("http")).toInt();
        if (!failure.code && failure.httpStatus == 0 && service != QLatin1String("postage"))
            failure.httpStatus = 500;
        if (!failure.code && failure.httpStatus == 0)
            failure.httpStatus = -1; // the postage server's empty body
        m_failures.insert(service, failure);
        return Reply::text(200, "{}", "application/json");
    }

    const QByteArray number = fields.value(QStringLiteral("number")).toLatin1();
    if (number.isEmpty() || number.toUInt() == 0)
        return Reply::text(400, "number=ACCOUNT is needed");
    if (request.method == "POST") {
        Account &account = m_accounts[number];
        if (account.number.isEmpty()) {
            account.number = number;
            account.webPassword = "web-" + number;
            account.name = "Demo Account";
        }
        bool ok = true;
        auto number64 = [&](const QString &key, qint64 &target) {
            if (fields.contains(key))
                target = fields.value(key).toLongLong(&ok);
        };
        number64(QStringLiteral("balance"), account.descendingRegister);
        number64(QStringLiteral("ascending"), account.ascendingRegister);
        if (fields.contains(QStringLiteral("pieces")))
            account.pieceCount = fields.value(QStringLiteral("pieces")).toUInt(&ok);
        if (fields.contains(QStringLiteral("status")))
            account.status = fields.value(QStringLiteral("status")).toLatin1().left(1);
        if (fields.contains(QStringLiteral("passPhrase")))
            account.passPhraseDigest =
                FakePostageServer::digestOfPassPhrase(fields.value(QStringLiteral("passPhrase")).toLatin1());
        if (fields.contains(QStringLiteral("webPassword")))
            account.webPassword = fields.value(QStringLiteral("webPassword")).toLatin1();
        if (!ok)
            return Reply::text(400, "a value is not a number");
    }
    const auto found = m_accounts.constFind(number);
    if (found == m_accounts.cend())
        return Reply::text(404, "unknown account");
    QJsonArray pieces;
    for (const Piece &piece : found->pieces)
        pieces.append(QJsonObject{{QStringLiteral("number"), qint64(piece.number)},
                                  {QStringLiteral("amountMils"), piece.amountMils},
                                  {QStringLiteral("toZip5"), QString::fromLatin1(piece.toZip5)},
                                  {QStringLiteral("stamp"), piece.stamp},
                                  {QStringLiteral("refunded"), piece.refunded},
                                  {QStringLiteral("reprints"), piece.reprints},
                                  {QStringLiteral("receipts"), piece.receipts}});
    const QJsonObject object{{QStringLiteral("number"), QString::fromLatin1(found->number)},
                             {QStringLiteral("balanceMils"), found->descendingRegister},
                             {QStringLiteral("ascendingMils"), found->ascendingRegister},
                             {QStringLiteral("controlMils"), found->controlRegister()},
                             {QStringLiteral("pieceCount"), qint64(found->pieceCount)},
                             {QStringLiteral("status"), QString::fromLatin1(found->status)},
                             {QStringLiteral("pieces"), pieces}};
    return Reply::text(200, QJsonDocument(object).toJson(QJsonDocument::Compact), "application/json");
}
