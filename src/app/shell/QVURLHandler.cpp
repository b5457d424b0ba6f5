#include "app/shell/QVURLHandler.h"

#include "app/shell/LaunchServices.h"
#include "app/account/QVAccountStatus.h"
#include "app/windows/QVWebPages.h"
#include "model/MailingLogServices.h"
#include "model/QVShipment.h"
#include "model/XMLDocument.h"
#include "platform/AutomationServices.h"
#include "platform/Decimal.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include <QDebug>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrlQuery>

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

bool isStampsEdition() { return defaults().boolForKey(QStringLiteral("kivoStampsVersion")); }

QString pair(const QVariantMap &pairs, const QString &key) { return pairs.value(key).toString(); }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Every "%XY" decoded; nothing for a broken escape or bytes that are not
// UTF-8.
std::optional<QString> percentDecoded(const QString &text)
{
    const QByteArray raw = text.toUtf8();
    QByteArray bytes;
    bytes.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) != '%') {
            bytes.append(raw.at(i));
            continue;
        }
        if (i + 2 >= raw.size())
            return std::nullopt;
        const int high = hexValue(raw.at(i + 1));
        const int low = hexValue(raw.at(i + 2));
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.append(char(high * 16 + low));
        i += 2;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return decoded;
}

// A value a link puts into a question, shown on one line: control and
// other invisible characters (line and paragraph breaks, direction marks)
// are shown as escapes, and a long value is shortened, so that a link can
// neither add lines of its own to the question nor push its real parts out
// of sight.
QString oneLine(const QString &text, qsizetype maximum = 80)
{
    QString shown;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            shown += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            shown += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            shown += QStringLiteral("\\t");
        else if (!c.isPrint() || c.category() == QChar::Other_Format)
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    if (shown.size() > maximum)
        shown = shown.left(maximum - 1) + QChar(0x2026);
    return shown;
}

QString hostOf(const QString &url)
{
    const QString host = QUrl(url).host();
    return host.isEmpty() ? QStringLiteral("none") : oneLine(host);
}

// Asks the user before a URL spends or takes back money; true to go on.
bool userAllows(const QString &message, const QString &informative, const QString &goAhead)
{
    Alert alert = alertWithText(message, informative);
    alert.buttons = {{goAhead, 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    return runAlert(alert) == 1;
}

QString recipientOf(const QVariantMap &package)
{
    QStringList parts;
    for (const char *key : {"ToName", "ToFirm", "ToCompany", "ToAddress", "ToAddress1", "ToAddress2", "ToCity",
                            "ToState", "ToZip5", "ToPostalCode", "ToCountry"}) {
        const QString value = pair(package, QLatin1String(key)).trimmed();
        if (!value.isEmpty())
            parts << value;
    }
    return parts.isEmpty() ? QStringLiteral("none given") : oneLine(parts.join(QStringLiteral(", ")), 160);
}

} // namespace

QVApplicationURL parseApplicationURL(const QString &text)
{
    QVApplicationURL url;
    const qsizetype schemeEnd = text.indexOf(QLatin1String("://"));
    if (schemeEnd < 0)
        return url;
    QString rest = text.mid(schemeEnd + 3);
    const qsizetype fragment = rest.indexOf(QLatin1Char('#'));
    if (fragment >= 0)
        rest.truncate(fragment);
    qsizetype hostEnd = rest.size();
    for (const QChar end : {QLatin1Char('/'), QLatin1Char('?')}) {
        const qsizetype at = rest.indexOf(end);
        if (at >= 0 && at < hostEnd)
            hostEnd = at;
    }
    url.command = rest.left(hostEnd);
    const qsizetype queryStart = rest.indexOf(QLatin1Char('?'));
    if (queryStart < 0)
        return url;
    for (const QString &item : rest.mid(queryStart + 1).split(QLatin1Char(';'))) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const std::optional<QString> key = percentDecoded(item.left(equals));
        const std::optional<QString> value = percentDecoded(item.mid(equals + 1));
        if (!key || !value)
            continue;
        url.pairs.insert(*key, *value);
    }
    return url;
}

const QStringList &printRootKeys()
{
    static const QStringList keys{
        QStringLiteral("OutputFile"),      QStringLiteral("Prompt"),           QStringLiteral("Test"),
        QStringLiteral("CallbackURL"),     QStringLiteral("CallbackMethod"),   QStringLiteral("QVTestPrint"),
        QStringLiteral("QVTempNoPostage"), QStringLiteral("QVPostageEnabled"), QStringLiteral("QVAPOMismatchDetection"),
    };
    return keys;
}

QVURLHandler::QVURLHandler(QVURLHandlerHost &host, std::shared_ptr<Scheduler> scheduler,
                           std::shared_ptr<QVPostageAccount> account)
    : m_host(host), m_scheduler(std::move(scheduler)), m_account(std::move(account)),
      m_alive(std::make_shared<bool>(true))
{}

std::shared_ptr<QVPostageAccount> QVURLHandler::account()
{
    if (!m_account)
        m_account = rhoPostageAccount();
    return m_account;
}

void QVURLHandler::later(std::function<void()> call)
{
    if (!m_scheduler)
        return;
    m_scheduler->callAfter(0, [alive = std::weak_ptr<bool>(m_alive), call = std::move(call)] {
        if (alive.lock())
            call();
    });
}

void QVURLHandler::handleURL(const QString &text)
{
    const QVApplicationURL url = parseApplicationURL(text);
    if (defaults().boolForKey(QVURLLoggingKey)) {
        const qsizetype query = text.indexOf(QLatin1Char('?'));
        qInfo().noquote() << QStringLiteral("host is: %1").arg(url.command);
        qInfo().noquote() << QStringLiteral("query is: %1").arg(query < 0 ? QString() : text.mid(query + 1));
    }
    if (!m_host.hasMainWindow()) {
        later([this, text] { handleURL(text); });
        return;
    }
    carryOut(url);
}

void QVURLHandler::carryOut(const QVApplicationURL &url)
{
    if (url.command == QLatin1String("updateMe")) {
        m_host.checkForUpdates();
        return;
    }
    if (isStampsEdition())
        return;
    if (url.command == QLatin1String("newShipment")) {
        newShipment(url.pairs);
        m_host.showMainWindow();
    } else if (url.command == QLatin1String("newShipment2")) {
        newShipment2(url.pairs);
        m_host.showMainWindow();
    } else if (url.command == QLatin1String("print")) {
        print(url.pairs);
    } else if (url.command == QLatin1String("highlightShipment")) {
        highlightShipment(url.pairs);
    } else if (url.command == QLatin1String("trackShipment")) {
        trackShipment(url.pairs);
    } else if (url.command == QLatin1String("refund")) {
        refund(url.pairs);
    }
}

void QVURLHandler::newShipment(const QVariantMap &pairs)
{
    m_host.newPackageWithAddressString(pair(pairs, QStringLiteral("address")), pair(pairs, QStringLiteral("email")));
    const std::pair<const char *, QString> texts[] = {{"referenceID", QVShipmentInvoiceNumberKey},
                                                      {"costCenter", QVShipmentCostCenterKey},
                                                      {"description", QVShipmentDescriptionKey}};
    for (const auto &[name, key] : texts) {
        const QString value = pair(pairs, QLatin1String(name));
        if (!value.isEmpty())
            m_host.setCurrentShipmentProperty(value, key);
    }
    QString value = pair(pairs, QStringLiteral("value"));
    if (value.startsWith(QLatin1Char('$')))
        value.remove(0, 1);
    if (value.isEmpty())
        return;
    // A value that is not a number is not stored.
    if (const std::optional<Decimal> number = Decimal::parse(value))
        m_host.setCurrentShipmentProperty(QVariant::fromValue(*number), QVShipmentValueKey);
    else
        qWarning().noquote() << QStringLiteral("newShipment: the value \"%1\" is not a number.").arg(value);
}

void QVURLHandler::newShipment2(const QVariantMap &pairs)
{
    const QString postage = pair(pairs, QStringLiteral("QVPostageEnabled"));
    if (postage == QLatin1String("YES"))
        defaults().setBool(true, QVUsePostageKey);
    else if (postage == QLatin1String("NO"))
        defaults().setBool(false, QVUsePostageKey);
    const QString callback = pair(pairs, QStringLiteral("CallbackURL"));
    m_host.setPendingCallbackURL(pairs.contains(QStringLiteral("CallbackURL")) ? std::optional<QUrl>(QUrl(callback))
                                                                               : std::nullopt);
    automationServices()->processPackage(pairs);
}

void QVURLHandler::print(const QVariantMap &pairs)
{
    QVariantMap root;
    QVariantMap package;
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it)
        (printRootKeys().contains(it.key()) ? root : package).insert(it.key(), it.value());
    const QString output = pair(root, QStringLiteral("OutputFile"));
    const QString informative =
        QStringLiteral("A link asks Tolvane to buy postage from your account and print it (the command "
                       "\"print\").\n\nRecipient: %1\nOutput file: %2\nResults sent to: %3\n\nPrint only if you "
                       "started this yourself.")
            .arg(recipientOf(package), output.isEmpty() ? QStringLiteral("none") : oneLine(output),
                 hostOf(pair(root, QStringLiteral("CallbackURL"))));
    if (!userAllows(QStringLiteral("Print postage for a link?"), informative, QStringLiteral("Print")))
        return;
    root.insert(QStringLiteral("Package"), package);
    automationServices()->processXMLCommandDictionary({{QStringLiteral("Glimra"), root}});
}

void QVURLHandler::highlightShipment(const QVariantMap &pairs)
{
    const QString pic = pair(pairs, QStringLiteral("PIC"));
    std::optional<quint32> row;
    if (!pic.isEmpty()) {
        row = sharedMailingLog()->sortedIndexForPIC(pic);
    } else if (const QString text = pair(pairs, QStringLiteral("row")); !text.isEmpty()) {
        bool ok = false;
        const uint number = text.toUInt(&ok);
        if (ok)
            row = number;
    }
    if (row)
        m_host.highlightRow(*row);
}

void QVURLHandler::trackShipment(const QVariantMap &pairs)
{
    const QString pic = pair(pairs, QStringLiteral("PIC"));
    if (pic.isEmpty())
        return;
    const auto log = sharedMailingLog();
    const std::optional<quint32> index = log->indexForPIC(pic);
    if (!index)
        return;
    if (const std::optional<QString> result = log->trackShipmentAtIndex(*index))
        qInfo().noquote() << *result;
}

void QVURLHandler::refund(const QVariantMap &pairs)
{
    const QString pic = pair(pairs, QStringLiteral("PIC"));
    const QString callback = pair(pairs, QStringLiteral("CallbackURL"));
    bool refunded = false;
    if (!pic.isEmpty()) {
        const auto log = sharedMailingLog();
        const std::optional<quint32> index = log->indexForPIC(pic);
        const std::shared_ptr<QVShipment> shipment = index ? log->shipmentAtIndex(*index) : nullptr;
        const qint64 pieceCount =
            shipment ? qint64(shipment->objectForKey(QVUSPSShipmentRHOPieceCountKey).toULongLong()) : 0;
        if (shipment && pieceCount != 0) {
            const bool allowed =
                userAllows(QStringLiteral("Refund postage for a link?"),
                           QStringLiteral("A link asks Tolvane to refund the piece %1 (the command \"refund\"); its "
                                          "postage is voided in your mailing log.\n\nResults sent to: %2\n\nRefund "
                                          "only if you started this yourself.")
                               .arg(oneLine(pic), hostOf(callback)),
                           QStringLiteral("Refund"));
            if (allowed) {
                const std::optional<QVPostageReply> reply = account()->electronicRefund(pieceCount);
                if (reply && reply->returnCode == 1) {
                    log->setVoidStatus(1, *shipment);
                    refunded = true;
                }
            }
        }
    }
    if (!callback.isEmpty())
        automationServices()->callbackPairs(
            {{QStringLiteral("PIC"), pic},
             {QStringLiteral("Status"), refunded ? QStringLiteral("Success") : QStringLiteral("Failure")}},
            callback, QStringLiteral("GET"));
}

namespace {

// Whether the file is taken, and as Glimra XML (else as a vCard).
std::optional<bool> openedFileKind(const QString &path)
{
    if (isStampsEdition())
        return std::nullopt;
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("xml"))
        return true;
    if (extension == QLatin1String("vcf") || extension == QLatin1String("vcard"))
        return false;
    return std::nullopt;
}

} // namespace

bool QVURLHandler::openFile(const QString &path)
{
    const std::optional<bool> xml = openedFileKind(path);
    if (!xml)
        return false;
    openLater(path, *xml);
    return true;
}

void QVURLHandler::openLater(const QString &path, bool xml)
{
    if (!m_host.hasMainWindow()) {
        later([this, path, xml] { openLater(path, xml); });
        return;
    }
    // An opened file may come from anywhere: the automation asks the user
    // first, whatever the document says.
    if (xml)
        automationServices()->processOpenedXMLFileAtURL(QUrl::fromLocalFile(path));
    else
        m_host.processVCardFile(path);
}

QUrl QVURLHandler::trackConfirmURL(const QString &text)
{
    QString host = defaults().stringForKey(QVUSPSWebSiteDefaultsKey).trimmed();
    if (host.isEmpty())
        host = QVUSPSWebSiteBuiltIn;
    QString number = text;
    number.remove(QRegularExpression(QStringLiteral("\\s")));
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    url.setPath(QStringLiteral("/PTSInternetWeb/InterLabelInquiry.do"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("origTrackNum"), QString::fromLatin1(QUrl::toPercentEncoding(number)));
    url.setQuery(query);
    return url;
}

QString QVURLHandler::trackConfirmInBrowser(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("Error: Pasteboard doesn't contain a string.");
    if (!m_host.openURLInBrowser(trackConfirmURL(text)))
        return QStringLiteral("Error: Couldn't track/confirm %1.").arg(text);
    return QString();
}

QString QVURLHandler::newShipmentWithAddress(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("Error: Pasteboard doesn't contain a string.");
    m_host.newPackageWithAddressString(text, QString());
    m_host.activateApplication();
    return QString();
}

RemoteFrame QVURLHandler::answerRemoteRequest(const RemoteFrame &request)
{
    const QString &method = request.method;
    const QString &argument = request.argument;
    auto answer = [](bool ok, const QString &text) {
        return RemoteFrame{ok ? RemoteAnswerOK : RemoteAnswerError, text};
    };
    if (method == QLatin1String("processXML:")) {
        const std::optional<QString> result = automationServices()->processXML(argument);
        return answer(result.has_value(), result.value_or(QStringLiteral("The document was not carried out.")));
    }
    if (method == QLatin1String("processXMLFileAtURL:")) {
        const QUrl file(argument);
        if (!file.isLocalFile())
            return answer(false, QStringLiteral("Not a file URL."));
        // Its status only (nothing opened here): the caller learns why a
        // FIFO, a folder or a device is not read.
        const QFileInfo info(file.toLocalFile());
        if (!info.isFile() || !info.isReadable())
            return answer(false, QStringLiteral("Invalid file for reading: %1").arg(file.toLocalFile()));
        const bool done = automationServices()->processXMLFileAtURL(file);
        return answer(done, done ? QString() : QStringLiteral("The file was not carried out."));
    }
    if (method == QLatin1String("openURL:")) {
        if (QUrl(argument).scheme().compare(QLatin1String("tolvane"), Qt::CaseInsensitive) != 0)
            return answer(false, QStringLiteral("Not a tolvane: URL."));
        // A URL that the desktop handed to a second copy (or to this one at
        // its start): it may come from any web page, so it is asked about
        // like any other. Answered at once; carried out on the next pass of
        // the event loop, so that the caller never waits for what the URL
        // starts.
        later([this, argument] { handleURL(argument); });
        return answer(true, QString());
    }
    if (method == QLatin1String("openFile:")) {
        const std::optional<bool> xml =
            QFileInfo(argument).isAbsolute() ? openedFileKind(argument) : std::optional<bool>();
        if (!xml)
            return answer(false, QStringLiteral("The file was not taken."));
        later([this, argument, xml] { openLater(argument, *xml); });
        return answer(true, QString());
    }
    if (method == QLatin1String("trackConfirmInBrowser:") || method == QLatin1String("newShipmentWithAddress:")) {
        if (isStampsEdition())
            return answer(false, QStringLiteral("This edition offers no services."));
        const QString error = method == QLatin1String("trackConfirmInBrowser:") ? trackConfirmInBrowser(argument)
                                                                                : newShipmentWithAddress(argument);
        return answer(error.isEmpty(), error);
    }
    if (method == QLatin1String("trackResponseForID:")) {
        if (argument.trimmed().isEmpty())
            return answer(false, QStringLiteral("No tracking number."));
        return answer(true, m_host.trackResponseDescription(argument));
    }
    return answer(false, QStringLiteral("Unknown method %1.").arg(method));
}

QString QVURLHandlerHost::trackResponseDescription(const QString &trackingNumber)
{
    const std::optional<QVariantMap> response =
        QVUSPSCommandCenter::commandCenter()->trackResponseForID(trackingNumber);
    return response ? qv_descriptionOfValue(*response) : QStringLiteral("(null)");
}
