#include "automation/QVGlimraAutomation.h"

#include "automation/GlimraText.h"
#include "model/MailingLogServices.h"
#include "model/NumericFormatters.h"
#include "model/QVShipment.h"
#include "model/StringAdditions.h"
#include "model/XMLConversion.h"
#include "model/XMLDocument.h"
#include "platform/BoundedFileRead.h"
#include "platform/Decimal.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "services/QVShipmentRHOExtras.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>
#include <QtDebug>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <stdexcept>

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

const QString kGlimra = QStringLiteral("Glimra");
const QString kPackage = QStringLiteral("Package");

// Ends automation mode when the document's processing ends, on every path.
class AutomationScope
{
public:
    explicit AutomationScope(std::shared_ptr<QVPrintFlowHost> delegate) : m_delegate(std::move(delegate)) {}
    ~AutomationScope()
    {
        if (m_delegate)
            m_delegate->setAutomation(false);
    }
    AutomationScope(const AutomationScope &) = delete;
    AutomationScope &operator=(const AutomationScope &) = delete;

private:
    std::shared_ptr<QVPrintFlowHost> m_delegate;
};

QString replyText(const QStringList &elements)
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    if (elements.isEmpty())
        return text + QStringLiteral("<Glimra/>\n");
    return text + QStringLiteral("<Glimra>") + elements.join(QString()) + QStringLiteral("</Glimra>\n");
}

// A reply of one failure reason (a document that could not be read).
QString failureReply(const QString &reason)
{
    QVXMLDocument document = qv_documentWithRootName(kGlimra);
    QVXMLNode root = document.rootElement();
    root.addChildElement(QStringLiteral("Status"), QStringLiteral("Failure"));
    root.addChildElement(QStringLiteral("FailureReason"), reason);
    return QString::fromUtf8(document.xmlData());
}

QString moneyText(const QVariant &value, const QString &fallback)
{
    if (value.canConvert<Decimal>() && value.typeId() == qMetaTypeId<Decimal>())
        return twoDigitDollarFormatter().stringFromNumber(value.value<Decimal>());
    const QString text = value.toString();
    return text.isEmpty() ? fallback : text;
}

QString recipientsOf(const QVariantMap &root)
{
    QVariantList packages;
    const QVariant entry = root.value(kPackage);
    if (entry.typeId() == QMetaType::QVariantList)
        packages = entry.toList();
    else if (entry.isValid())
        packages << entry;
    QStringList names;
    for (const QVariant &package : packages) {
        const QVariantMap map = package.toMap();
        QStringList parts;
        for (const char *key :
             {"ToName", "ToCompany", "ToAddress", "ToAddress1", "ToCity", "ToState", "ToPostalCode", "ToCountry"}) {
            const QString value = glimraText(map, QString::fromLatin1(key)).value_or(QString()).simplified();
            if (!value.isEmpty())
                parts << value;
        }
        if (!parts.isEmpty())
            names << parts.join(QStringLiteral(", "));
    }
    return names.isEmpty() ? QStringLiteral("none given") : names.join(QStringLiteral("; "));
}

} // namespace

QVAutomationAccount QVAutomationAccount::program()
{
    QVAutomationAccount account;
    account.postageBuy = [](qint64 mils) -> std::optional<QVAutomationPurchase> {
        const std::shared_ptr<QVRHOResponse> reply = QVRHOCommandCenter::commandCenter()->postageBuy(mils);
        if (!reply)
            return std::nullopt;
        return QVAutomationPurchase{reply->returnCode(), qint64(reply->serialNumber()), reply->meterID(),
                                    reply->balanceString()};
    };
    account.lastValidBalanceText = [] {
        const std::shared_ptr<QVRHOResponse> status = QVRHOCommandCenter::commandCenter()->lastValidStatusResponse();
        return status ? status->balanceString() : QString();
    };
    return account;
}

// One document being processed.
struct QVGlimraAutomation::Document {
    std::shared_ptr<QVPrintFlowHost> delegate;
    bool automation = false;
    bool test = false;
    bool testPrint = true;
    QString outputPath;
    QString callbackURL;
    QString callbackMethod;
    QVariantMap root;
    QStringList elements;
    bool stopped = false;
    OutputWriter writer;

    void writeOutput() const
    {
        if (!outputPath.isEmpty() && writer && !writer(outputPath, replyText(elements).toUtf8()))
            qWarning().noquote() << QStringLiteral("The reply could not be written to %1.").arg(outputPath);
    }
};

namespace {

QVPackageEnvironment withReasonSetter(QVPackageEnvironment environment, QVAutomationServices *automation)
{
    environment.setFailureReason = [automation](const QString &reason) { automation->setFailureReason(reason); };
    return environment;
}

} // namespace

QVGlimraAutomation::QVGlimraAutomation(QVPackageEnvironment environment, QVAutomationAccount account)
    : m_processor(withReasonSetter(environment, this)), m_env(withReasonSetter(environment, this)),
      m_account(std::move(account)), m_callbacks(std::make_unique<QVAutomationCallbacks>())
{}

QVGlimraAutomation::~QVGlimraAutomation() = default;

bool QVGlimraAutomation::callbackPairs(const QVariantMap &pairs, const QString &url, const QString &method)
{
    return m_callbacks->callbackPairs(pairs, url, method);
}

bool QVGlimraAutomation::processPackage(const QVariantMap &package)
{
    m_failureReason.clear();
    return m_processor.processPackage(package);
}

std::optional<QString> QVGlimraAutomation::processXML(const QString &document)
{
    if (document.isEmpty())
        return std::nullopt;
    return processXMLData(document.toUtf8());
}

std::optional<QString> QVGlimraAutomation::readDocument(const QByteArray &bytes, QVariantMap *plist)
{
    auto quoted = [&bytes] {
        QString text = QString::fromUtf8(bytes.left(kQuotedCharacters * 4)).left(kQuotedCharacters);
        return text;
    };
    auto reason = [&](const QString &description) {
        return QStringLiteral("Unable to parse string as XML content, error description: %1, xml: %2")
            .arg(description, quoted());
    };
    if (bytes.size() > kMaximumDocumentBytes)
        return reason(QStringLiteral("the document is larger than %1 bytes").arg(kMaximumDocumentBytes));
    QStringDecoder decoder(QStringDecoder::Utf8);
    (void)decoder.decode(bytes);
    if (decoder.hasError())
        return reason(QStringLiteral("the document is not valid UTF-8 text"));
    if (bytes.contains('\0'))
        return reason(QStringLiteral("the document holds a NUL character"));
    QVXMLLimits limits;
    limits.maximumBytes = kMaximumDocumentBytes;
    QVXMLParserDelegate parser(bytes, limits);
    if (!parser.parse())
        return reason(parser.lastError().value_or(QStringLiteral("the document is not well-formed")));
    *plist = parser.plist();
    return std::nullopt;
}

std::optional<QString> QVGlimraAutomation::processXMLData(const QByteArray &document)
{
    if (document.isEmpty())
        return std::nullopt;
    QString failure;
    try {
        QVariantMap plist;
        if (const std::optional<QString> error = readDocument(document, &plist))
            failure = *error;
        else
            return processXMLCommandDictionary(plist);
    } catch (const std::exception &exception) {
        failure = QString::fromUtf8(exception.what());
    }
    if (const auto delegate = m_env.delegate ? m_env.delegate() : nullptr)
        delegate->setAutomation(false);
    runAlert(alertWithText(QStringLiteral("Error parsing XML"), QStringLiteral("Couldn't process XML.")));
    return failureReply(failure);
}

QVAutomationReply QVGlimraAutomation::processXMLFileAtURL(const QUrl &file)
{
    if (!file.isLocalFile())
        return std::nullopt;
    const QString path = file.toLocalFile();
    const QFileInfo info(path);
    // Opened without blocking and read only when it is a regular file (a
    // FIFO, a folder or a device named by a caller never holds up the main
    // thread); one byte over the document limit is read, so that a larger
    // file gets the limit's reason in its reply.
    QString error;
    const std::optional<QByteArray> bytes = readRegularFileStart(path, kMaximumDocumentBytes + 1, &error);
    if (!bytes) {
        qWarning().noquote() << QStringLiteral("%1 could not be read: %2").arg(path, error);
        return std::nullopt;
    }
    const std::optional<QString> reply = processXMLData(*bytes);
    if (defaults().boolForKey(QVRenameProcessedXMLFilesKey)) {
        const QString renamed = info.dir().filePath(info.completeBaseName() + QStringLiteral(".BAK"));
        if (!QFileInfo::exists(renamed))
            QFile::rename(path, renamed);
    }
    return reply;
}

QVAutomationReply QVGlimraAutomation::processOpenedXMLFileAtURL(const QUrl &file)
{
    if (!file.isLocalFile())
        return std::nullopt;
    const QString path = file.toLocalFile();
    // What the document asks, for the question; a document that cannot be
    // read is asked about all the same (its reply names the fault).
    QVariantMap root;
    if (const std::optional<QByteArray> bytes = readRegularFileStart(path, kMaximumDocumentBytes + 1)) {
        QVariantMap plist;
        if (!readDocument(*bytes, &plist))
            root = plist.value(kGlimra).toMap();
    }
    const QString output = glimraText(root, QStringLiteral("OutputFile")).value_or(QString());
    const QString callback = glimraText(root, QStringLiteral("CallbackURL")).value_or(QString());
    const QString host = QUrl(callback).host();
    QString informative =
        QStringLiteral("A file opened with Tolvane (%1) asks it to buy postage from your account and print it.\n\n"
                       "Recipient: %2\nOutput file: %3\nResults sent to: %4\n\nPrint only if you started this "
                       "yourself.")
            .arg(QFileInfo(path).fileName(), recipientsOf(root), output.isEmpty() ? QStringLiteral("none") : output,
                 host.isEmpty() ? QStringLiteral("none") : host);
    const QVariantMap purchase = root.value(QStringLiteral("Purchase")).toMap();
    if (const std::optional<QString> amount = glimraText(purchase, QStringLiteral("Amount")))
        informative += QStringLiteral("\n\nPostage bought: $%1").arg(*amount);
    Alert alert = alertWithText(QStringLiteral("Print postage for a file?"), informative);
    alert.buttons = {{QStringLiteral("Print"), 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    if (runAlert(alert) != 1)
        return std::nullopt;
    return processXMLFileAtURL(file);
}

std::optional<QString> QVGlimraAutomation::processXMLCommandDictionary(const QVariantMap &command)
{
    const auto it = command.constFind(kGlimra);
    if (it == command.cend())
        return std::nullopt;
    return processRoot(it->toMap());
}

QString QVGlimraAutomation::standardizedOutputPath(const QString &text)
{
    QString path = text;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    if (!QDir::isAbsolutePath(path))
        return QString();
    return QDir::cleanPath(path);
}

bool QVGlimraAutomation::writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    const QByteArray target = QFile::encodeName(path);
    struct stat existing {};
    mode_t mode = 0644;
    if (::lstat(target.constData(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode))
            return false;
        mode = existing.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }
    const QFileInfo info(path);
    struct stat folder {};
    if (::stat(QFile::encodeName(info.absolutePath()).constData(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        return false;
    QByteArray temporary =
        QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, mode) == 0;
    for (qsizetype written = 0; ok && written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        written += n > 0 ? n : 0;
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ::rename(temporary.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}

std::optional<QString> QVGlimraAutomation::processRoot(const QVariantMap &root)
{
    Document document;
    document.writer = m_outputWriter;
    document.delegate = m_env.delegate ? m_env.delegate() : nullptr;
    document.root = root;
    document.automation = glimraIs(root, QStringLiteral("Prompt"), QStringLiteral("NO"));
    if (document.delegate)
        document.delegate->setAutomation(document.automation);
    const AutomationScope scope(document.delegate);

    const QVariant test = root.value(QStringLiteral("Test"));
    document.test = test.isValid() && !test.isNull() && !glimraIs(root, QStringLiteral("Test"), QStringLiteral("NO"));
    document.testPrint = !glimraIs(root, QStringLiteral("QVTestPrint"), QStringLiteral("NO"));
    document.outputPath = standardizedOutputPath(glimraText(root, QStringLiteral("OutputFile")).value_or(QString()));
    document.callbackURL = glimraText(root, QStringLiteral("CallbackURL")).value_or(QString());
    document.callbackMethod = glimraText(root, QStringLiteral("CallbackMethod")).value_or(QStringLiteral("BROWSER"));

    const QVariant purchaseEntry = root.value(QStringLiteral("Purchase"));
    if (purchaseEntry.typeId() == QMetaType::QVariantMap &&
        glimraText(purchaseEntry.toMap(), QStringLiteral("Amount"))) {
        return purchase(document, purchaseEntry.toMap());
    }

    QVariantList packages;
    const QVariant entry = root.value(kPackage);
    if (entry.typeId() == QMetaType::QVariantList)
        packages = entry.toList();
    else if (entry.isValid() && !entry.isNull())
        packages << entry;
    const bool doNotPrint = packages.size() == 1 && !document.automation &&
        defaults().boolForKey(QVDontPrintForOnePackageAndPromptIsYesKey);

    const std::shared_ptr<QVMainWindowHost> window = m_env.window ? m_env.window() : nullptr;
    if (window)
        window->setLastShipmentErrored(false);
    for (const QVariant &package : packages) {
        processOnePackage(document, package, doNotPrint);
        if (document.stopped)
            break;
    }
    if (const std::shared_ptr<QVMainWindowHost> after = m_env.window ? m_env.window() : nullptr) {
        for (const QString &key : {QVShipmentCostCenterKey, QVShipmentRubberStamp1Key, QVShipmentRubberStamp2Key,
                                   QVUSPSShipmentCustomsInvoiceNumberKey, QVUSPSShipmentCustomsLicenseNumberKey,
                                   QVUSPSShipmentCustomsCertificateNumberKey})
            after->removeCurrentShipmentPropertyForKey(key);
    }
    return replyText(document.elements);
}

QString QVGlimraAutomation::purchase(Document &document, const QVariantMap &purchase)
{
    const QString amountText = *glimraText(purchase, QStringLiteral("Amount"));
    QString status = QStringLiteral("Failure");
    QString balance;
    QString reason;
    const std::optional<Decimal> amount = Decimal::parse(amountText);
    const std::optional<qint64> mils = amount ? amount->toMils() : std::nullopt;
    if (document.test) {
        reason = QStringLiteral("A test document buys no postage.");
    } else if (!amount || amount->sign() <= 0 || amount->rounded(3, Decimal::RoundingMode::Down) != *amount || !mils ||
               *mils > std::numeric_limits<qint32>::max()) {
        reason = QStringLiteral("The amount \"%1\" is not a positive number of dollars with at most three decimals "
                                "that can be bought at once.")
                     .arg(amountText);
    } else if (!m_account.postageBuy) {
        reason = QStringLiteral("There is no postage account.");
    } else if (const std::optional<QVAutomationPurchase> reply = m_account.postageBuy(*mils);
               reply && reply->returnCode == 1) {
        const QString price = twoDigitDollarFormatter().stringFromNumber(Decimal::fromMils(*mils));
        if (const auto log = sharedMailingLog())
            log->writeShipmentToLog(purchaseRecord(reply->serialNumber, reply->meterID, reply->balanceText, price,
                                                   QDateTime::currentDateTime()));
        balance = removeCrapFromBalanceString(reply->balanceText);
        status = QStringLiteral("Success");
        if (document.delegate)
            document.delegate->refreshTolvaneStatus();
    }
    QVXMLDocument reply = qv_documentWithRootName(QStringLiteral("Purchase"));
    QVXMLNode element = reply.rootElement();
    element.addChildElement(QStringLiteral("Status"), status);
    if (status == QLatin1String("Success"))
        element.addChildElement(QStringLiteral("Balance"), balance);
    element.addChildElement(QStringLiteral("Amount"), amountText);
    if (!reason.isEmpty())
        element.addChildElement(QStringLiteral("FailureReason"), reason);
    document.elements << element.xmlString();
    document.writeOutput();
    return replyText(document.elements);
}

void QVGlimraAutomation::processOnePackage(Document &document, const QVariant &entry, bool doNotPrint)
{
    const std::shared_ptr<QVMainWindowHost> window = m_env.window ? m_env.window() : nullptr;
    if (window && window->lastShipmentErrored()) {
        document.stopped = true;
        return;
    }
    m_failureReason.clear();
    const QVariantMap package = entry.toMap();
    const QString id = glimraText(package, QStringLiteral("ID")).value_or(QString());

    // An international piece needs its customs declaration certified.
    const QString mailClass = glimraUpper(glimraText(package, QStringLiteral("MailClass")).value_or(QString()));
    const bool refused = mailClass.startsWith(QLatin1String("INTL")) &&
        !glimraIs(package, QStringLiteral("CustomsFormType"), QStringLiteral("NONE")) &&
        !glimraIs(package, QStringLiteral("CustomsCertify"), QStringLiteral("TRUE"));
    bool applied = false;
    int weight = 0;
    if (entry.typeId() != QMetaType::QVariantMap) {
        m_failureReason = QStringLiteral("The package holds no fields.");
    } else if (!refused) {
        applied = m_processor.processPackage(package);
        weight = m_processor.packageWeight();
    }

    // Postage switches.
    UserDefaults &settings = defaults();
    // "usePostage" switched off for this package only comes back on after
    // it, also when the package ends in an exception.
    struct PostageRestore {
        bool active = false;
        ~PostageRestore()
        {
            if (active)
                defaults().setBool(true, QVUsePostageDefaultsKey);
        }
    } restorePostage;
    if (glimraIs(document.root, QStringLiteral("QVTempNoPostage"), QStringLiteral("YES"))) {
        if (settings.boolForKey(QVUsePostageDefaultsKey)) {
            settings.setBool(false, QVUsePostageDefaultsKey);
            restorePostage.active = true;
        }
    } else if (glimraIs(document.root, QStringLiteral("QVPostageEnabled"), QStringLiteral("NO"))) {
        settings.setBool(false, QVUsePostageDefaultsKey);
    } else if (glimraIs(document.root, QStringLiteral("QVPostageEnabled"), QStringLiteral("YES"))) {
        settings.setBool(true, QVUsePostageDefaultsKey);
    }
    if (glimraIs(document.root, QStringLiteral("QVAPOMismatchDetection"), QStringLiteral("YES")))
        settings.setBool(true, QStringLiteral("errorOnZIPMismatch"));
    else if (glimraIs(document.root, QStringLiteral("QVAPOMismatchDetection"), QStringLiteral("NO")))
        settings.setBool(false, QStringLiteral("errorOnZIPMismatch"));

    // The print; a print that reports no success fails the package and ends
    // the document even when the flow set no error.
    bool failed = !applied;
    bool printed = false;
    std::shared_ptr<QVShipment> logged;
    if (applied && window && !doNotPrint && (!document.test || document.testPrint)) {
        const auto log = sharedMailingLog();
        const quint32 before = log ? log->itemsInLog() : 0;
        printed = window->printLabelAsATest(document.test);
        if (!printed || window->lastShipmentErrored()) {
            failed = true;
            document.stopped = true;
            if (m_failureReason.isEmpty())
                m_failureReason = QStringLiteral("The piece was not printed.");
        } else if (!document.test && log) {
            // The newest postage print that this print wrote.
            for (quint32 index = log->itemsInLog(); index > before; --index) {
                const std::shared_ptr<QVShipment> candidate = log->shipmentAtIndex(index - 1);
                if (!candidate)
                    continue;
                const QVariant type = candidate->objectForKey(QVUSPSShipmentRHOTransactionTypeKey);
                if (!type.isValid() || type.toString() == QVUSPSShipmentRHOStampTransaction) {
                    logged = candidate;
                    break;
                }
            }
        }
    }

    QVXMLDocument reply = qv_documentWithRootName(kPackage);
    QVXMLNode element = reply.rootElement();
    if (!id.isEmpty())
        element.setAttribute(QStringLiteral("ID"), id);
    if (failed) {
        // Only this package's own texts: the window may still hold another's.
        for (const char *key : {"ReferenceID", "Description"}) {
            const QString text = glimraText(package, QString::fromLatin1(key)).value_or(QString());
            if (!text.isEmpty())
                element.addChildElement(QString::fromLatin1(key), text);
        }
        element.addChildElement(QStringLiteral("Status"), QStringLiteral("Failure"));
        const QString reason = refused ? QStringLiteral("Missing CustomsCertify tag.") : m_failureReason;
        if (!reason.isEmpty())
            element.addChildElement(QStringLiteral("FailureReason"), reason);
        if (weight > 0)
            element.addChildElement(QStringLiteral("WeightOz"), QString::number(weight));
    } else {
        const std::shared_ptr<QVShipment> current = window ? window->currentShipment() : nullptr;
        const QVShipment described = logged ? *logged : current ? *current : QVShipment(QVariantMap());
        auto add = [&element](const QString &name, const QString &text) { element.addChildElement(name, text); };
        const bool fromLog = logged != nullptr;
        add(QStringLiteral("Status"), QStringLiteral("Success"));
        const QString pic = shipmentText(described, QVUSPSShipmentPICKey);
        if (fromLog || shouldContainPIC(described))
            add(QStringLiteral("PIC"), pic.isEmpty() ? QString() : uspsLogPIC(pic));
        if (const QString retail = shipmentText(described, QVUSPSShipmentOriginalPostageKey); !retail.isEmpty())
            add(QStringLiteral("RetailPostage"), retail);
        add(QStringLiteral("FinalPostage"),
            moneyText(described.objectForKey(QVShipmentPriceKey), QStringLiteral("0.00")));
        const QString balance = removeCrapFromBalanceString(
            fromLog ? moneyText(described.objectForKey(QVUSPSShipmentRHOBalanceKey), QStringLiteral("0.00"))
                    : (m_account.lastValidBalanceText ? m_account.lastValidBalanceText() : QString()));
        add(QStringLiteral("Balance"), balance);
        add(QStringLiteral("PostageBalance"), balance);
        const QString transaction = shipmentText(described, QVUSPSShipmentRHOPieceCountKey);
        add(QStringLiteral("TransactionID"), transaction.isEmpty() ? QStringLiteral("0") : transaction);
        const QDateTime printDate =
            fromLog ? described.objectForKey(QVShipmentPrintDateKey).toDateTime() : QDateTime::currentDateTime();
        add(QStringLiteral("TransactionDateTime"), printDate.toString(QStringLiteral("yyyyMMddHHmmss")));
        add(QStringLiteral("PostmarkDate"), described.shipCalendarDate().toString(QStringLiteral("yyyyMMdd")));
        for (const auto &[name, key] : {std::pair{QStringLiteral("ReferenceID"), QVShipmentInvoiceNumberKey},
                                        std::pair{QStringLiteral("Description"), QVShipmentDescriptionKey}}) {
            const QString text = shipmentText(described, key);
            if (!document.test || !text.isEmpty())
                add(name, text);
        }
        add(QStringLiteral("WeightOz"), prettyWeightInOunces(described));
        add(QStringLiteral("Zone"), zoneNumberString(described));
        if (fromLog) {
            const QString type = shipmentText(described, QVUSPSShipmentInsuranceTypeKey);
            if (!type.isEmpty() && type != QVUSPSShipmentNoInsuranceType)
                add(QStringLiteral("InsuranceFee"),
                    moneyText(described.objectForKey(QVUSPSShipmentInsurancePriceKey), QStringLiteral("0.00")));
        } else if (window && window->insuranceChecked()) {
            add(QStringLiteral("InsuranceFee"),
                twoDigitDollarFormatter().stringFromNumber(tolvaneInsuranceCost(described)));
        }
        for (const QString &key : {QVShipmentRubberStamp1Key, QVShipmentRubberStamp2Key}) {
            if (described.objectForKey(key).isValid())
                add(key == QVShipmentRubberStamp1Key ? QStringLiteral("RubberStamp1") : QStringLiteral("RubberStamp2"),
                    shipmentText(described, key));
        }
        if (const QString customs = shipmentText(described, QVUSPSShipmentCustomsBarcodeNumberKey); !customs.isEmpty())
            add(QStringLiteral("CustomsNumber"), customs);
        if (const QString email = window ? window->toEmailAddressString() : QString(); !email.isEmpty())
            add(QStringLiteral("ToEMail"), email);
        const QVAddress to = described.toAddress();
        if (const QString lines = to.formattedAddress(); !lines.isEmpty())
            add(QStringLiteral("ToAddress"), lines);
        if (!to.name().isEmpty())
            add(QStringLiteral("ToName"), to.name());
    }
    const QString elementXML = element.xmlString();

    if (!document.callbackURL.isEmpty()) {
        const std::optional<QVariantMap> plist = rho_propertyListFromXMLFormatNoExceptions(elementXML);
        const QVariantMap pairs = plist ? plist->value(kPackage).toMap() : QVariantMap();
        m_callbacks->callbackPairs(pairs, document.callbackURL, document.callbackMethod);
    }
    document.elements << elementXML;
    document.writeOutput();
}
