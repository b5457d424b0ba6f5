#include "services/usps/QVGLZCommandCenter.h"

#include "model/QVCountry.h"
#include "model/StringAdditions.h"
#include "model/TemplateSubstitution.h"
#include "model/XMLConversion.h"
#include "model/XMLDocument.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include <QHash>
#include <QRegularExpression>
#include <QUrl>
#include <QtDebug>

#include <stdexcept>

namespace {

struct GLZTemplates {
    std::optional<QVariantMap> loaded;
    std::optional<QVariantMap> overridden;
    bool missingForTesting = false;
};

GLZTemplates &templates()
{
    static GLZTemplates list;
    return list;
}

// Neither alphanumeric, nor white space or a line break, nor punctuation;
// and the no-break space.
bool isBadCharacter(QChar c)
{
    if (c == QChar(0x00A0))
        return true;
    return !(c.isLetterOrNumber() || c.isSpace() || c.isPunct());
}

bool isZIPCharacter(QChar c) { return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-'); }

template <typename Keep> QString trimmedWhile(const QString &text, Keep keepTrimming)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && keepTrimming(text[begin]))
        ++begin;
    while (end > begin && keepTrimming(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool isLineTerminator(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == 0x0B || u == 0x0C || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QStringList linesOf(const QString &text)
{
    QStringList lines;
    QString current;
    for (QChar c : text) {
        if (isLineTerminator(c)) {
            lines << current;
            current.clear();
        } else {
            current += c;
        }
    }
    lines << current;
    QStringList kept;
    for (const QString &line : lines) {
        const QString simplified = line.simplified();
        if (!simplified.isEmpty())
            kept << simplified;
    }
    return kept;
}

// Every character but the unreserved ones escaped, as a query value.
QString queryValue(const QString &text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); }

// The request text made into a URL query: characters that may not stand in
// a URL are escaped; "&", "=", "/", "?" and the escapes of the values stay.
QString urlEscaped(const QString &text)
{
    static const QByteArray kept = "-._~!$&'()*+,;=:@/?%";
    static const char hex[] = "0123456789ABCDEF";
    QString escaped;
    for (char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
            kept.contains(c)) {
            escaped += QLatin1Char(c);
        } else {
            escaped += QLatin1Char('%');
            escaped += QLatin1Char(hex[byte >> 4]);
            escaped += QLatin1Char(hex[byte & 0xF]);
        }
    }
    return escaped;
}

QString plainASCII(const QString &line)
{
    QString text = line;
    text.replace(QChar(0x2019), QLatin1Char('\'')).replace(QChar(0x2018), QLatin1Char('\''));
    text.replace(QChar(0x201C), QLatin1Char('"')).replace(QChar(0x201D), QLatin1Char('"'));
    return QString::fromLatin1(dataValue(text));
}

void setAddressProperty(QVAddress &address, const QString &property, const QString &value)
{
    static const QHash<QString, void (QVAddress::*)(const QString &)> setters = {
        {QStringLiteral("name"), &QVAddress::setName},
        {QStringLiteral("firstName"), &QVAddress::setFirstName},
        {QStringLiteral("lastName"), &QVAddress::setLastName},
        {QStringLiteral("company"), &QVAddress::setCompany},
        {QStringLiteral("suiteApt"), &QVAddress::setSuiteApt},
        {QStringLiteral("street"), &QVAddress::setStreet},
        {QStringLiteral("city"), &QVAddress::setCity},
        {QStringLiteral("state"), &QVAddress::setState},
        {QStringLiteral("ZIP5"), &QVAddress::setZIP5},
        {QStringLiteral("ZIP4"), &QVAddress::setZIP4},
        {QStringLiteral("ZIP2"), &QVAddress::setZIP2},
        {QStringLiteral("country"), &QVAddress::setCountry},
        {QStringLiteral("phone"), &QVAddress::setPhone},
        {QStringLiteral("email"), &QVAddress::setEmail},
        {QStringLiteral("residentialIndicator"), &QVAddress::setResidentialIndicator},
        {QStringLiteral("USPSCarrierRoute"), &QVAddress::setUSPSCarrierRoute},
    };
    const auto setter = setters.constFind(property);
    if (setter != setters.cend())
        (address.**setter)(value);
    else if (!property.isEmpty())
        address.setObject(value, property);
}

QString tidiedStreet(const QString &street)
{
    QString text = street.trimmed();
    for (const auto &[from, to] : {std::pair{"Lenfant", "L'Enfant"},
                                   {"Usps", "USPS"},
                                   {"Po Box", "PO Box"},
                                   {"Pmb ", "PMB "},
                                   {" Sw ", " SW "},
                                   {" Se ", " SE "},
                                   {" Nw ", " NW "},
                                   {" Ne ", " NE "},
                                   {"Us ", "US "}})
        text.replace(QLatin1String(from), QLatin1String(to));
    if (text.startsWith(QLatin1String("Rr ")))
        text.replace(0, 2, QStringLiteral("RR"));
    static const QRegularExpression direction(QStringLiteral("\\s[SN][ew]$"));
    if (direction.match(text).hasMatch())
        text[text.size() - 1] = text[text.size() - 1].toUpper();
    return text;
}

} // namespace

// What the typed text gave besides the lines that are sent.
struct QVGLZCommandCenter::Typed {
    QStringList lines; // the lines left after name and company
    bool military = false;
    QString militaryCity;
    QString zip5;
    QString zip4;
    QString name;
    QString company;
};

QString betterCapitalizedString(const QString &text)
{
    QStringList words = capitalizedWords(text).split(QLatin1Char(' '));
    for (QString &word : words) {
        if (!word.isEmpty() && word.front().isDigit())
            word = word.toLower();
    }
    return words.join(QLatin1Char(' '));
}

std::optional<QString> plainTextOfHTML(const QByteArray &html)
{
    QString text = QString::fromUtf8(html);
    if (!text.contains(QLatin1Char('<')))
        return std::nullopt;
    static const QRegularExpression hidden(QStringLiteral("<(script|style)\\b[^>]*>.*?</\\1\\s*>"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    text.remove(hidden).remove(comment).replace(tag, QStringLiteral(" "));
    for (const auto &[entity, character] : {std::pair{"&lt;", "<"},
                                            {"&gt;", ">"},
                                            {"&quot;", "\""},
                                            {"&apos;", "'"},
                                            {"&#39;", "'"},
                                            {"&nbsp;", " "},
                                            {"&amp;", "&"}})
        text.replace(QLatin1String(entity), QLatin1String(character));
    return text.simplified();
}

QVGLZCommandCenter::QVGLZCommandCenter()
{
    // The placeholders of the account: both are replaced before every
    // request, so they never reach the service.
    setPath(QVGLZPath);
    setUseridAndPassword(QStringLiteral("tolvane"), QStringLiteral("x"));
    takeLogFlagsFromDefaults(QVGLZLoggingDefaultsKey);
}

std::optional<QVariantMap> QVGLZCommandCenter::GLZAPI()
{
    GLZTemplates &list = templates();
    if (list.missingForTesting)
        return std::nullopt;
    if (list.overridden)
        return list.overridden;
    if (!list.loaded) {
        const auto plist = Bundle::propertyListForResource(QStringLiteral("GLZAPI"));
        if (plist && plist->typeId() == QMetaType::QVariantMap)
            list.loaded = plist->toMap();
        else
            qWarning().noquote() << QStringLiteral("couldn't load the GLZAPI");
    }
    return list.loaded;
}

void QVGLZCommandCenter::setGLZAPIForTesting(const std::optional<QVariantMap> &dictionary, bool missing)
{
    templates().overridden = dictionary;
    templates().missingForTesting = missing;
}

bool QVGLZCommandCenter::standardizeAddress(QVAddress &address)
{
    const auto standardized = standardizedAddressWithString(address.formattedAddressWithoutName(), true);
    if (!standardized)
        return false;
    address.setValuesForKeysWithDictionary(standardized->plist());
    return true;
}

std::optional<QVAddress> QVGLZCommandCenter::standardizedAddressWithString(const QString &text, bool uppercase)
{
    setLastError(QString(), QString());
    if (text.isEmpty())
        return std::nullopt;
    const auto api = GLZAPI();
    if (!api) {
        setLastErrorDescription(QStringLiteral("couldn't load the GLZAPI"));
        return std::nullopt;
    }
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    setUserid(QStringLiteral("%1 (%2)").arg(Bundle::version(), Bundle::bundleVersion()));
    setPassword(defaults.stringForKey(QVTolvaneUserDefaultsKey));
    setUsesSSL(true);
    const QString configuredServer = defaults.stringForKey(QVGLZServerAddressDefaultsKey);
    if (!configuredServer.isEmpty())
        setServer(configuredServer);

    // The lines.
    QString cleaned = text;
    for (QChar &c : cleaned) {
        if (isBadCharacter(c))
            c = QLatin1Char(' ');
    }
    if (uppercase)
        cleaned = cleaned.toUpper();
    Typed typed;
    QStringList lines = linesOf(cleaned);
    if (!lines.isEmpty() && QVCountry::isCountryStringUSA(lines.last()))
        lines.removeLast();
    if (lines.isEmpty())
        return std::nullopt;

    // ZIP and military detection.
    const QString last = lines.last();
    QString zipText;
    if (defaults.boolForKey(QVReformatZIPDefaultsKey)) {
        if (trimmedWhile(last, isZIPCharacter).isEmpty()) {
            lines.removeLast();
            if (lines.isEmpty())
                lines << last;
            else
                lines.last() += QLatin1Char(' ') + last;
            zipText = last;
        }
    } else {
        zipText = trimmedWhile(last, [](QChar c) { return !isZIPCharacter(c); });
        typed.military = QStringList{QStringLiteral("APO"), QStringLiteral("FPO"), QStringLiteral("DPO")}.contains(
            last.toUpper().trimmed().left(3));
    }
    if (zipText.size() <= 4) {
        const QString padded = zipText.rightJustified(5, QLatin1Char('0'));
        if (!zipText.isEmpty())
            lines.last().replace(zipText, padded);
        zipText = padded;
    }
    if (typed.military) {
        const QStringList words = last.split(QLatin1Char(' '));
        if (words.size() >= 2)
            typed.militaryCity = trimmedWhile(words.first(), [](QChar c) { return !c.isLetter(); });
    }
    if (zipText.size() >= 6) {
        typed.zip5 = zipText.left(5);
        if (zipText.size() >= 9)
            typed.zip4 = trimmedWhile(zipText.mid(5), [](QChar c) { return !c.isDigit(); });
    } else {
        typed.zip5 = zipText;
    }

    // Name and company.
    if (lines.size() == 3 && !lines.first().contains(QRegularExpression(QStringLiteral("\\d")))) {
        typed.name = lines.takeFirst();
    } else if (lines.size() >= 4) {
        typed.name = lines.takeFirst();
        if (lines.size() >= 4)
            typed.company = lines.takeFirst();
    }
    typed.lines = lines;

    // The request.
    QVariantMap placeholders;
    int number = 3;
    for (auto line = lines.crbegin(); line != lines.crend() && number >= 0; ++line, --number)
        placeholders.insert(QStringLiteral("ADDRESS%1").arg(number), queryValue(plainASCII(*line)));
    placeholders.insert(QStringLiteral("USER"), queryValue(userid()));
    placeholders.insert(QStringLiteral("SERIAL"), queryValue(password()));
    const bool v1 = defaults.boolForKey(QVGLZUseV1DefaultsKey);
    const QString requestTemplate =
        uspsValueForKeyPath(*api, v1 ? QStringLiteral("ZIP1.request") : QStringLiteral("ZIP1.request2")).toString();
    const QString request = stringByReplacingKeysInDictionary(requestTemplate, placeholders, QStringLiteral("<%"),
                                                              QStringLiteral("%>"), true);
    log(QStringLiteral("Request: ") + request);

    QString host = v1 ? server() : QVRHOLabelServerCommandCenter::commandCenter()->server();
    if (host.isEmpty()) {
        setLastError(
            QStringLiteral("-1"),
            v1 ? QStringLiteral("No address-correction server is set (user default \"%1\").")
                     .arg(QVGLZServerAddressDefaultsKey)
               : QStringLiteral("No label server is set (user default \"%1\").").arg(QVLabelServiceServerDefaultsKey));
        return std::nullopt;
    }
    const QString url = v1 ? QStringLiteral("http%1://%2%3?%4")
                                 .arg(usingSSL() ? QStringLiteral("s") : QString(), host, path(), urlEscaped(request))
                           : QStringLiteral("https://%1%2?%3").arg(host, QVGLZServicePath, urlEscaped(request));
    log(QStringLiteral("URL: ") + url);

    // The vendor headers only: the postage account's pass phrase is for the
    // postage server alone.
    QVHeaderDictionary headers =
        QVRHOLabelServerCommandCenter::commandCenter()->additionalHeaderDictionaryForShipment(nullptr);
    headers.remove(QStringLiteral("Tolvane-Account-Passphrase"));
    const auto reply = getURL(QUrl(url, QUrl::StrictMode), headers);
    if (!reply)
        return std::nullopt;
    return addressFromReply(*reply, uppercase, typed);
}

std::optional<QVAddress> QVGLZCommandCenter::addressFromReply(const QByteArray &reply, bool uppercase)
{
    return addressFromReply(reply, uppercase, Typed{});
}

std::optional<QVAddress> QVGLZCommandCenter::addressFromReply(const QByteArray &reply, bool uppercase,
                                                              const Typed &typed)
{
    setLastError(QString(), QString());
    const auto api = GLZAPI();
    if (!api) {
        setLastErrorDescription(QStringLiteral("couldn't load the GLZAPI"));
        return std::nullopt;
    }
    QString text = QString::fromLatin1(reply);
    text.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    if (text.isEmpty()) {
        setLastErrorDescription(QStringLiteral("Addrelle response was empty."));
        return std::nullopt;
    }
    QVariantMap plist;
    try {
        plist = rho_propertyListFromXMLFormat(text.toLatin1());
    } catch (const std::exception &exception) {
        const QString reason = QString::fromUtf8(exception.what());
        qInfo().noquote() << QStringLiteral("GLZ replied with: %1").arg(text);
        qInfo().noquote() << QStringLiteral("Error: %1").arg(reason);
        setLastErrorDescription(reason);
        return std::nullopt;
    }
    const QVariant element = plist.value(QStringLiteral("Addrelle_Response"));
    if (element.typeId() != QMetaType::QVariantMap) {
        // A page without text says nothing: the reply itself is shown then.
        const auto page = plainTextOfHTML(reply);
        setLastErrorDescription(page && !page->isEmpty() ? *page : text);
        return std::nullopt;
    }
    const QVariantMap response = element.toMap();
    log(qv_descriptionOfValue(response));
    const QString code = uspsReplyText(response.value(QStringLiteral("ReturnCode")));
    setLastError(code, uspsValueForKeyPath(*api, QStringLiteral("returnCodeValues")).toMap().value(code).toString());

    QVAddress address;
    const QVariantMap responseMap = uspsValueForKeyPath(*api, QStringLiteral("ZIP1.responseMap")).toMap();
    for (auto pair = responseMap.cbegin(); pair != responseMap.cend(); ++pair) {
        const QVariant value = response.value(pair.key());
        if (!value.isValid())
            continue;
        QString property;
        if (value.typeId() == QMetaType::QString) {
            property = QUrl::fromPercentEncoding(value.toString().toUtf8());
            if (!uppercase)
                property = betterCapitalizedString(property.toLower());
        } else {
            property = uspsReplyText(value);
        }
        setAddressProperty(address, pair.value().toString(), property);
    }

    const QVariant lastLine = response.value(QStringLiteral("AddrLineLast"));
    if ((address.city().isEmpty() || address.state().isEmpty()) && lastLine.typeId() == QMetaType::QString) {
        QStringList words = lastLine.toString().split(QLatin1Char(' '));
        if (words.size() >= 3) {
            address.setZIP5(words.takeLast());
            address.setState(words.takeLast());
            const QString city = words.join(QLatin1Char(' '));
            address.setCity(uppercase ? city : capitalizedWords(city.toLower()));
        }
    }

    if (typed.military && !typed.lines.isEmpty() &&
        UserDefaults::standardUserDefaults().boolForKey(QVPreserveDomesticAddressLinesForAPODefaultsKey)) {
        QStringList kept = typed.lines.mid(0, typed.lines.size() - 1);
        while (kept.size() < 3)
            kept << QStringLiteral("");
        address.setSuiteApt(kept[0]);
        address.setStreet(kept[1]);
        address.setCompany(kept[2]);
        if (address.street().isEmpty()) {
            address.setStreet(address.suiteApt());
            address.setSuiteApt(QString(QLatin1String("")));
        }
        if (!typed.zip5.isEmpty()) {
            if (const auto found = QVUSPSCommandCenter::commandCenter()->cityAndStateForZIP(typed.zip5)) {
                address.setCity(uspsReplyText(found->value(QStringLiteral("City"))));
                address.setState(uspsReplyText(found->value(QStringLiteral("State"))));
                address.setZIP5(uspsReplyText(found->value(QStringLiteral("Zip5"))));
                if (!typed.zip4.isEmpty())
                    address.setZIP4(typed.zip4);
                setLastErrorCode(QStringLiteral("31"));
            }
        }
    }

    if (!typed.name.isEmpty())
        address.setName(typed.name);
    if (!typed.company.isEmpty())
        address.setCompany(typed.company);

    if (typed.military && UserDefaults::standardUserDefaults().boolForKey(QVErrorOnZIPMismatchDefaultsKey)) {
        if (!typed.zip5.isEmpty() && typed.zip5 != address.ZIP5()) {
            const QString mismatch = QStringLiteral("ZIP code mismatch: %1 vs %2")
                                         .arg(typed.zip5, uspsReplyText(response.value(QStringLiteral("ZIP5"))));
            log(mismatch);
            setLastError(QStringLiteral("-1"), mismatch);
        }
        if (!typed.militaryCity.isEmpty() && typed.militaryCity.compare(address.city(), Qt::CaseInsensitive) != 0) {
            const QString mismatch = QStringLiteral("City mismatch: %1 vs %2").arg(typed.militaryCity, address.city());
            log(mismatch);
            setLastError(QStringLiteral("-1"), mismatch);
        }
    }

    address.setCountry(QStringLiteral("United States"));
    if (!uppercase) {
        address.setStreet(tidiedStreet(address.street()));
        if (typed.military)
            address.setCity(address.city().toUpper());
        address.setState(address.state().toUpper());
    }
    return address;
}
