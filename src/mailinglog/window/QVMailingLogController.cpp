#include "mailinglog/window/QVMailingLogController.h"

#include "mailinglog/LogEntryTexts.h"
#include "mailinglog/QVMailingLogExportController.h"
#include "mailinglog/window/QVBatchTrackController.h"
#include "mailinglog/window/QVMailingLogWindowServices.h"
#include "model/QVLabelArchive.h"
#include "model/StringAdditions.h"
#include "platform/Decimal.h"
#include "platform/Dialogs.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "rates/QVShipmentLabelFields.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "services/LabelServerXML.h"
#include "services/QVBRKLabelServerCommandCenter.h"
#include "services/QVShipmentRHOExtras.h"
#include "sources/GTMHTTPFetcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <QUrlQuery>
#include <QtDebug>

namespace {

const QString kPurchase = QStringLiteral("Purchase");
const QString kCorrection = QStringLiteral("Correction");
const QString kStamp = QStringLiteral("Stamp");
const QString kTessaro = QStringLiteral("Tessaro");
const QString kEllipsis = QString(QChar(0x2026));
constexpr qint64 kRefundAgeSeconds = 2592000;

struct Column {
    QString identifier;
    QString title;
};

const QList<Column> &columns()
{
    static const QList<Column> list = {
        {QVShipmentDeliveryStatusKey, QStringLiteral("Status")},
        {QVShipmentPrintDateKey, QStringLiteral("Printed")},
        {QVShipmentToAddressKey, QStringLiteral("Recipient")},
        {QVUSPSShipmentRateClassKey, QStringLiteral("Class")},
        {QVUSPSShipmentPICKey, QStringLiteral("Tracking Number")},
        {QVShipmentPriceKey, QStringLiteral("Total")},
        {QVShipmentWeightNumberKey, QStringLiteral("Weight")},
        {QVUSPSShipmentConfirmationServiceKey, QStringLiteral("Services")},
        {QVShipmentDescriptionKey, QStringLiteral("Description")},
        {QVShipmentShipDateKey, QStringLiteral("Ship Date")},
        {QVShipmentInvoiceNumberKey, QStringLiteral("Invoice")},
        {QVShipmentCostCenterKey, QStringLiteral("Cost Center")},
        {QVUSPSShipmentPostageKey, QStringLiteral("Postage")},
        {QVUSPSShipmentInsurancePriceKey, QStringLiteral("Insurance")},
        {QVShipmentValueKey, QStringLiteral("Value")},
        {QVUSPSShipmentZoneKey, QStringLiteral("Zone")},
        {QVUSPSShipmentSizeKey, QStringLiteral("Size")},
        {QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("Customs Number")},
        {QVUSPSShipmentConfirmKey, QStringLiteral("Confirmation")},
        {QVUSPSShipmentRHOPieceCountKey, QStringLiteral("Piece")},
        {QVUSPSShipmentRHOBalanceKey, QStringLiteral("Balance")},
        {QVUSPSShipmentRHOWebStoreNameKey, QStringLiteral("Web Store")},
    };
    return list;
}

QString text(const QVShipment &shipment, const QString &key) { return shipment.objectForKey(key).toString(); }

// The transaction type, read only when the postage-enabled flag is on.
QString enabledType(const QVShipment &shipment)
{
    if (!shipment.objectForKey(QVUSPSShipmentPostageEnabledKey).toBool())
        return {};
    return text(shipment, QVUSPSShipmentRHOTransactionTypeKey);
}

// The tracking id: the PIC, else the customs barcode number.
QString trackingID(const QVShipment &shipment)
{
    const QString pic = text(shipment, QVUSPSShipmentPICKey);
    return pic.isEmpty() ? text(shipment, QVUSPSShipmentCustomsBarcodeNumberKey) : pic;
}

QString withoutWhiteSpace(QString value)
{
    static const QRegularExpression space(QStringLiteral("\\s"));
    return value.remove(space);
}

qint64 pieceCount(const QVShipment &shipment)
{
    bool ok = false;
    const qint64 count = shipment.objectForKey(QVUSPSShipmentRHOPieceCountKey).toLongLong(&ok);
    return ok ? count : 0;
}

QString siteSetting(const QString &key, const QString &builtIn)
{
    const QString value = UserDefaults::standardUserDefaults().stringForKey(key).trimmed();
    return value.isEmpty() ? builtIn : value;
}

QUrl pageURL(const QString &host, const QString &path, const QString &key, const QString &value)
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    url.setPath(path);
    QUrlQuery query;
    query.addQueryItem(key, QString::fromLatin1(QUrl::toPercentEncoding(value)));
    url.setQuery(query);
    return url;
}

void showAlert(const QString &message, const QString &informative)
{
    Alert alert = alertWithText(message, informative);
    alert.buttons = {{QStringLiteral("OK"), 1}};
    alert.cancelAnswer = 1;
    runAlert(alert);
}

} // namespace

QVMailingLogController::QVMailingLogController(QVMailingLog *log) : m_log(log ? log : QVMailingLog::sharedMailingLog())
{}

QVMailingLogController::~QVMailingLogController() = default;

// ---- Columns -------------------------------------------------------------------

QStringList QVMailingLogController::columnIdentifiers()
{
    QStringList list;
    for (const Column &column : columns())
        list << column.identifier;
    return list;
}

QString QVMailingLogController::columnTitle(const QString &identifier)
{
    for (const Column &column : columns())
        if (column.identifier == identifier)
            return column.title;
    return {};
}

bool QVMailingLogController::discardForeignColumnLayout()
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    const QVariant saved = defaults.objectForKey(QVMailingLogTableColumnsDefaultsKey);
    if (saved.typeId() != QMetaType::QVariantList && saved.typeId() != QMetaType::QStringList)
        return false;
    if (saved.toList().size() == columns().size())
        return false;
    defaults.removeObjectForKey(QVMailingLogTableColumnsDefaultsKey);
    return true;
}

// ---- Set-up --------------------------------------------------------------------

void QVMailingLogController::windowDidLoad()
{
    discardForeignColumnLayout();
    if (m_log) {
        m_selectedRow.reset();
        if (numberOfRows() > 0)
            m_selectedRow = 0;
        m_wantsFront = true;
        tableViewSelectionDidChange();
        m_willChange = NotificationCenter::defaultCenter().addObserver(
            QVMailingLogWillChangeNotification, NotificationObject(m_log),
            [this](const Notification &) { mailingLogWillChange(); });
        m_didChange = NotificationCenter::defaultCenter().addObserver(
            QVMailingLogDidChangeNotification, NotificationObject(m_log),
            [this](const Notification &) { mailingLogChanged(); });
    }
    updateLogCount();
}

// ---- Table ---------------------------------------------------------------------

qsizetype QVMailingLogController::numberOfRows() const { return m_log ? m_log->itemsInDisplayLog() : 0; }

std::shared_ptr<QVShipment> QVMailingLogController::shipmentAtRow(qsizetype row) const
{
    const qsizetype count = numberOfRows();
    if (row < 0 || row >= count)
        return nullptr;
    return m_log->shipmentAtSortedIndex(count - 1 - row);
}

QVariant QVMailingLogController::objectValue(const QString &column, qsizetype row) const
{
    const std::shared_ptr<QVShipment> shipment = shipmentAtRow(row);
    if (!shipment)
        return {};
    if (column == QVShipmentDeliveryStatusKey)
        return statusImageName(*shipment);
    return objectValueForShipment(*shipment, column);
}

QString QVMailingLogController::weightText(const QVShipment &shipment)
{
    const int tenths = weightInTenthOunces(shipment);
    if (tenths == 35)
        return QStringLiteral("3.5 oz");
    if (tenths > 0 && tenths % 160 == 0)
        return QStringLiteral("%1 lb").arg(tenths / 160);
    const QVariant number = shipment.objectForKey(QVShipmentWeightNumberKey);
    if (number.isNull() || !number.isValid())
        return {};
    return QStringLiteral("%1 %2").arg(number.toString(), text(shipment, QVShipmentWeightUnitKey));
}

QString QVMailingLogController::statusImageName(const QVShipment &shipment)
{
    const QString storedType = text(shipment, QVUSPSShipmentRHOTransactionTypeKey);
    if (storedType == kCorrection || storedType == kPurchase)
        return QStringLiteral("purchase");
    if (shipment.objectForKey(QVShipmentVoidKey).toBool())
        return QStringLiteral("voided");
    const QString status = text(shipment, QVShipmentDeliveryStatusKey);
    if (status == QVShipmentUndeliveredStatus)
        return QStringLiteral("undelivered");
    if (status == QVShipmentDeliveredStatus)
        return QStringLiteral("delivered");
    if (status == QVShipmentDeliveryExceptionStatus)
        return QStringLiteral("deliveryexception");
    return QStringLiteral("empty");
}

QVariant QVMailingLogController::objectValueForShipment(const QVShipment &shipment, const QString &column)
{
    const QString type = enabledType(shipment);
    if (column == QVShipmentToAddressKey) {
        if (type == kPurchase)
            return QString();
        return shipment.isReplyPostage() ? shipment.fromAddress().formattedAddressOnOneLine()
                                         : shipment.toAddress().formattedAddressOnOneLine();
    }
    if (column == QVShipmentDescriptionKey) {
        if (type == kTessaro) {
            const qint64 count = shipment.objectForKey(QVUSPSShipmentRHOTessaroCountKey).toLongLong();
            return QStringLiteral("%1 Zevavored Azozudu Print%2")
                .arg(count)
                .arg(count >= 2 ? QStringLiteral("s") : QString());
        }
        return text(shipment, QVShipmentDescriptionKey);
    }
    if (column == QVUSPSShipmentRateClassKey) {
        if (!type.isEmpty() && type != kStamp)
            return type == kTessaro ? QStringLiteral("Zevavored Azozudu") : type;
        const QString rateClass = text(shipment, QVUSPSShipmentRateClassKey);
        if (!shipment.isDomestic())
            return QVUSPSIntlRateClass::casualNameForRateClassName(rateClass);
        // The display names are the same in every rate year.
        const QString name = QVUSPSRateClass::casualNameForRateClassName(rateClass);
        return shipment.isReplyPostage() && !name.isEmpty() ? QStringLiteral("Reply ") + name : name;
    }
    if (column == QVUSPSShipmentPICKey) {
        if (!isTrackableUsingUSPS(shipment))
            return QString();
        const QString pic = text(shipment, QVUSPSShipmentPICKey);
        if (!pic.isEmpty())
            return uspsLogPIC(pic);
        return text(shipment, QVUSPSShipmentCustomsBarcodeNumberKey);
    }
    if (column == QVShipmentPriceKey)
        return QVariant::fromValue(shipment.totalPrice());
    if (column == QVUSPSShipmentConfirmationServiceKey) {
        QStringList names;
        const QVariant confirmation = shipment.objectForKey(QVUSPSShipmentConfirmationServiceKey);
        if (confirmation.typeId() == QMetaType::QString)
            names << QVUSPSRateClass::casualNameForServiceName(confirmation.toString());
        const QVariant optional = shipment.objectForKey(QVUSPSShipmentOptionalServicesKey);
        if (optional.typeId() == QMetaType::QVariantList || optional.typeId() == QMetaType::QStringList)
            for (const QVariant &service : optional.toList())
                names << QVUSPSRateClass::casualNameForServiceName(service.toString());
        names.removeAll(QString());
        return names.join(QStringLiteral(", "));
    }
    if (column == QVShipmentWeightNumberKey)
        return weightText(shipment);
    const QVariant value = shipment.objectForKey(column);
    return value.isValid() ? value : QVariant(QString());
}

// ---- Selection -------------------------------------------------------------------

void QVMailingLogController::selectRow(std::optional<qsizetype> row)
{
    m_selectionChangedManually = true;
    if (row && (*row < 0 || *row >= numberOfRows()))
        row.reset();
    m_selectedRow = row;
    tableViewSelectionDidChange();
}

qsizetype QVMailingLogController::mailingLogIndexForCurrentlySelectedRow() const
{
    const qsizetype count = numberOfRows();
    return m_selectedRow ? count - 1 - *m_selectedRow : count;
}

std::shared_ptr<QVShipment> QVMailingLogController::shipmentAtCurrentlySelectedRow() const
{
    return m_selectedRow ? shipmentAtRow(*m_selectedRow) : nullptr;
}

void QVMailingLogController::highlightRow(quint64 displayIndex, bool makeFirstResponder)
{
    const qsizetype count = numberOfRows();
    if (displayIndex >= quint64(count))
        return;
    m_selectedRow = count - 1 - qsizetype(displayIndex);
    if (makeFirstResponder)
        m_wantsFront = true;
}

bool QVMailingLogController::takeWantsFront()
{
    const bool wants = m_wantsFront;
    m_wantsFront = false;
    return wants;
}

void QVMailingLogController::tableViewSelectionDidChange()
{
    const std::shared_ptr<QVShipment> shipment = shipmentAtCurrentlySelectedRow();
    m_previewText = shipment ? logEntryText(*shipment) : QString();
    updateStatusMenu();
}

void QVMailingLogController::updateLogCount()
{
    const qsizetype count = numberOfRows();
    m_logCountText = QStringLiteral("%1 item%2.").arg(count).arg(count > 1 ? QStringLiteral("s") : QString());
}

void QVMailingLogController::updateStatusMenu()
{
    m_statusMenuTag.reset();
    if (const std::shared_ptr<QVShipment> shipment = shipmentAtCurrentlySelectedRow()) {
        const QString status = text(*shipment, QVShipmentDeliveryStatusKey);
        if (shipment->objectForKey(QVShipmentVoidKey).toBool())
            m_statusMenuTag = VoidTag;
        else if (status == QVShipmentDeliveredStatus)
            m_statusMenuTag = DeliveredTag;
        else if (status == QVShipmentUndeliveredStatus)
            m_statusMenuTag = UndeliveredTag;
        else if (status == QVShipmentDeliveryExceptionStatus)
            m_statusMenuTag = DeliveryExceptionTag;
    }
    printFlowHost()->setShipmentStatusMenuState(m_statusMenuTag);
}

void QVMailingLogController::mailingLogWillChange()
{
    m_selectedShipment = shipmentAtCurrentlySelectedRow();
    m_selectedIndex = quint64(mailingLogIndexForCurrentlySelectedRow());
}

void QVMailingLogController::mailingLogChanged() { reloadTable(); }

void QVMailingLogController::reloadTable()
{
    if (!m_log)
        return;
    quint64 index = m_selectedShipment ? m_log->sortedIndexForShipment(m_selectedShipment.get()) : QVMailingLogNotFound;
    if (index == QVMailingLogNotFound || !m_selectionChangedManually)
        index = m_selectedIndex;
    m_selectedRow.reset();
    highlightRow(index, false);
    tableViewSelectionDidChange();
    updateLogCount();
    if (m_reloadHandler)
        m_reloadHandler();
}

// ---- Enabling ----------------------------------------------------------------------

bool QVMailingLogController::validateAction(Action action) const
{
    const std::shared_ptr<QVShipment> entry = shipmentAtCurrentlySelectedRow();
    const QString type = entry ? enabledType(*entry) : QString();
    switch (action) {
    case Action::Details:
        return entry != nullptr;
    case Action::CheckStatus:
        return entry && (isTrackableUsingUSPS(*entry) || isTrackableUsingTolvane(*entry));
    case Action::DateCorrect:
    case Action::PostageCorrect:
        return entry && entry->objectForKey(QVUSPSShipmentPostageEnabledKey).toBool() && type != kPurchase;
    case Action::PrintMailingRecord:
        return entry && !trackingID(*entry).isEmpty();
    case Action::ElectronicRefund:
        return entry && isEligbileForRefund(*entry);
    case Action::Reprint:
        return entry && isEligbileForReprint(*entry);
    case Action::BatchTrack:
        return m_log != nullptr;
    case Action::ChangeShipmentStatus:
    case Action::DuplicateShipment:
    case Action::EmailNotification:
        return entry && type != kPurchase;
    case Action::MarkShipmentAsVoid:
    case Action::Other:
        return true;
    }
    return true;
}

// ---- Searching and sorting -------------------------------------------------------------

void QVMailingLogController::filter(const QString &filterText)
{
    if (!m_log)
        return;
    m_selectionChangedManually = true;
    mailingLogWillChange();
    m_log->filterWithString(filterText);
}

bool QVMailingLogController::findName(const QString &name)
{
    if (name.isEmpty() || !m_log)
        return false;
    const quint64 index = m_log->findNextMatchingName(name);
    if (index == QVMailingLogNotFound)
        return false;
    highlightRow(index);
    tableViewSelectionDidChange();
    return true;
}

void QVMailingLogController::sortByColumn(const QString &column)
{
    if (!m_log)
        return;
    const std::shared_ptr<QVShipment> selected = shipmentAtCurrentlySelectedRow();
    // Sorting posts a change; the entry is found again below.
    const bool manual = m_selectionChangedManually;
    m_selectionChangedManually = true;
    mailingLogWillChange();
    m_log->sortUsingShipmentKey(column);
    m_selectionChangedManually = manual;
    if (selected) {
        const quint64 index = m_log->sortedIndexForShipment(selected.get());
        if (index != QVMailingLogNotFound) {
            m_selectedRow.reset();
            highlightRow(index, false);
        }
    }
    tableViewSelectionDidChange();
    if (m_reloadHandler)
        m_reloadHandler();
}

void QVMailingLogController::doubleClickHeader(const QString &column)
{
    if (!m_log)
        return;
    mailingLogWillChange();
    m_log->sortUsingShipmentKey(column);
}

// ---- Entry actions ---------------------------------------------------------------------

std::optional<int> QVMailingLogController::details()
{
    const std::shared_ptr<QVShipment> entry = shipmentAtCurrentlySelectedRow();
    if (!entry)
        return std::nullopt;
    for (auto it = m_logEntryWindows.cbegin(); it != m_logEntryWindows.cend(); ++it)
        if (*it.value() == *entry)
            return it.key();
    const int window = m_nextWindow++;
    m_logEntryWindows.insert(window, entry);
    return window;
}

void QVMailingLogController::detailsWindowClosed(int window) { m_logEntryWindows.remove(window); }

std::shared_ptr<QVShipment> QVMailingLogController::detailsShipment(int window) const
{
    return m_logEntryWindows.value(window);
}

void QVMailingLogController::emailNotification()
{
    if (const std::shared_ptr<QVShipment> entry = shipmentAtCurrentlySelectedRow())
        sendEmailNotification(*entry);
}

void QVMailingLogController::duplicateShipment()
{
    const std::shared_ptr<QVShipment> entry = shipmentAtCurrentlySelectedRow();
    if (!entry)
        return;
    const std::shared_ptr<QVMainWindowHost> mainWindow = mainWindowHost();
    if (!mainWindow) {
        qWarning().noquote() << "The main window is not there to take the duplicate.";
        return;
    }
    const QVAddress to = entry->toAddress();
    mainWindow->newPackageWithAddressString(to.formattedAddress(), to.email(), to.phone(), true);
    mainWindow->showMasterWindow();
}

void QVMailingLogController::dateCorrect() { printFlowHost()->showDateCorrectionSheet(); }

void QVMailingLogController::postageCorrect()
{
    if (const std::shared_ptr<QVShipment> entry = shipmentAtCurrentlySelectedRow())
        printFlowHost()->showPostageCorrectionSheetForShipment(*entry);
}

QVMailingLogExportController &QVMailingLogController::exportController()
{
    if (!m_exportController)
        m_exportController = std::make_unique<QVMailingLogExportController>(m_log);
    return *m_exportController;
}

QVBatchTrackController &QVMailingLogController::batchTrackController()
{
    if (!m_batchTrackController)
        m_batchTrackController = std::make_unique<QVBatchTrackController>(m_log);
    return *m_batchTrackController;
}

// ---- Archive and restore ------------------------------------------------------------------

void QVMailingLogController::prepareArchive(const QDateTime &now)
{
    const std::optional<QDateTime> oldest = m_log ? m_log->oldestDate() : std::nullopt;
    m_archiveBegin = QDateTime(oldest ? oldest->date() : now.date(), QTime(0, 0));
    QDateTime end = now.addMonths(-2);
    if (end.date() < m_archiveBegin.date())
        end = now;
    m_archiveEnd = end;
}

void QVMailingLogController::setArchiveDates(const QDateTime &begin, const QDateTime &end)
{
    m_archiveBegin = begin;
    m_archiveEnd = end;
}

bool QVMailingLogController::archive()
{
    if (!m_log)
        return false;
    SavePanel panel;
    panel.title = QStringLiteral("Archive Mailing Log");
    panel.allowedExtensions = {QStringLiteral("plist")};
    const std::optional<QString> path = runSavePanel(panel);
    if (!path)
        return false;
    const std::shared_ptr<QVPrintFlowHost> host = printFlowHost();
    host->setProgressTextString(QStringLiteral("Archiving Mailing Log") + kEllipsis);
    QString error;
    const std::optional<QByteArray> data = m_log->dataValueWithBeginDate(m_archiveBegin, m_archiveEnd, false, &error);
    bool written = false;
    if (data) {
        QSaveFile file(*path);
        written = file.open(QIODevice::WriteOnly) && file.write(*data) == data->size() && file.commit();
        if (!written)
            error = file.errorString();
    }
    host->hideProgressPanel();
    if (written && m_log->dataValueWithBeginDate(m_archiveBegin, m_archiveEnd, true, &error))
        return true;
    if (written) {
        // The archive file is there but the log could not be rewritten: the
        // entries stay in the log and the file is a copy.
        showAlert(QStringLiteral("The mailing log could not be saved."), error);
        return false;
    }
    showAlert(QStringLiteral("The archive could not be written."), error);
    return false;
}

bool QVMailingLogController::restoreLog()
{
    if (!m_log)
        return false;
    OpenPanelWithChoices panel;
    panel.panel.allowedExtensions = {QStringLiteral("plist")};
    panel.choices = {PanelChoice{QStringLiteral("Restore"),
                                 {QStringLiteral("Add to the current log"), QStringLiteral("Replace the current log")},
                                 0}};
    const std::optional<OpenPanelResult> result = runOpenPanelWithChoices(panel);
    if (!result)
        return false;
    const bool prepend = result->choices.isEmpty() || result->choices.first().selected == 0;
    QFile file(result->path);
    QString error;
    if (file.open(QIODevice::ReadOnly) && m_log->restoreFromData(file.readAll(), prepend, &error))
        return true;
    showAlert(QStringLiteral("Restore Failed."),
              QStringLiteral("The file you selected is not a valid mailing log file. Please select a file created "
                             "via the Archive command. Log files that have been exported to text files cannot be "
                             "restored using this method."));
    return false;
}

// ---- Tracking ------------------------------------------------------------------------------

QUrl QVMailingLogController::uspsTrackingPageURL(const QString &trackingNumber)
{
    return pageURL(siteSetting(QVUSPSTrackingSiteDefaultsKey, QVUSPSTrackingSiteBuiltIn),
                   QStringLiteral("/go/TrackConfirmAction"), QStringLiteral("qtc_tLabels1"),
                   withoutWhiteSpace(uspsLogPIC(trackingNumber)));
}

QUrl QVMailingLogController::vendorStatusPageURL(const QString &confirmationNumber)
{
    return pageURL(siteSetting(QVVendorStatusSiteDefaultsKey, QVVendorStatusSiteBuiltIn), QStringLiteral("/Status/"),
                   QStringLiteral("PIC"), withoutWhiteSpace(uspsLogPIC(confirmationNumber)));
}

void QVMailingLogController::checkStatus()
{
    const std::shared_ptr<QVShipment> entry = shipmentAtCurrentlySelectedRow();
    if (!entry)
        return;
    const std::shared_ptr<QVPrintFlowHost> host = printFlowHost();
    const QString id = trackingID(*entry);
    if (id.isEmpty()) {
        const QString confirmation = text(*entry, QVUSPSShipmentConfirmKey);
        if (isTrackableUsingTolvane(*entry) && !confirmation.isEmpty())
            host->launchURL(vendorStatusPageURL(confirmation));
        return;
    }

    const std::shared_ptr<QVMailingLogWindowServices> services = mailingLogWindowServices();
    host->setProgressTextString(QStringLiteral("Waiting For Response") + kEllipsis);
    QString message;
    const std::optional<QVariantMap> reply = services->trackResponseForID(id);
    const QVariantMap trackInfo = reply
        ? reply->value(QStringLiteral("TrackResponse")).toMap().value(QStringLiteral("TrackInfo")).toMap()
        : QVariantMap();
    if (reply && trackInfo.contains(QStringLiteral("Error"))) {
        const QVariantMap error = trackInfo.value(QStringLiteral("Error")).toMap();
        message = QStringLiteral("%1\n\n%2")
                      .arg(error.value(QStringLiteral("Number")).toString(),
                           error.value(QStringLiteral("Description")).toString());
    } else if (reply && !trackInfo.isEmpty()) {
        const QVariant summary = trackInfo.value(QStringLiteral("TrackSummary"));
        message = summary.typeId() == QMetaType::QVariantMap ? summary.toMap().value(QStringLiteral("Event")).toString()
                                                             : summary.toString();
        const QString stored = text(*entry, QVShipmentDeliveryStatusKey);
        if (stored != QVShipmentDeliveredStatus) {
            const std::optional<QVariantMap> detailed = services->trackFieldResponseForID(id);
            const QVariantMap detailedInfo = detailed
                ? detailed->value(QStringLiteral("TrackResponse")).toMap().value(QStringLiteral("TrackInfo")).toMap()
                : QVariantMap();
            if (!detailedInfo.isEmpty() && !detailedInfo.contains(QStringLiteral("Error"))) {
                const QString event = detailedInfo.value(QStringLiteral("TrackSummary"))
                                          .toMap()
                                          .value(QStringLiteral("Event"))
                                          .toString();
                const QString status = deliveryStatusForTrackEvent(event);
                if (status != stored) {
                    const std::shared_ptr<QVShipment> changed = entry->copy();
                    changed->setObject(status, QVShipmentDeliveryStatusKey);
                    replaceOrTell(*entry, *changed);
                }
            }
        }
    } else {
        message = services->uspsLastErrorDescription();
    }
    host->hideProgressPanel();
    if (const std::optional<qsizetype> index = m_log->sortedIndexForPIC(id))
        highlightRow(quint64(*index));
    tableViewSelectionDidChange();

    Alert alert = alertWithText(QStringLiteral("Track/Confirm Results"), message);
    alert.buttons = {{QStringLiteral("OK"), 1}, {QStringLiteral("Track/Confirm in Browser"), 0}};
    alert.cancelAnswer = 1;
    if (runAlert(alert) == 0)
        host->launchURL(uspsTrackingPageURL(id));
}

// ---- Status and void --------------------------------------------------------------------------

bool QVMailingLogController::replaceOrTell(const QVShipment &oldShipment, const QVShipment &newShipment)
{
    if (m_log->replaceShipment(oldShipment, newShipment))
        return true;
    showAlert(QStringLiteral("The mailing log could not be saved."),
              QStringLiteral("The change to the entry was not stored. Check that the support folder can be written "
                             "and try again."));
    return false;
}

void QVMailingLogController::changeShipmentStatus(int tag)
{
    const std::shared_ptr<QVShipment> entry = shipmentAtCurrentlySelectedRow();
    if (!entry)
        return;
    const std::shared_ptr<QVShipment> changed = entry->copy();
    switch (tag) {
    case DeliveredTag:
        changed->setObject(QVShipmentDeliveredStatus, QVShipmentDeliveryStatusKey);
        changed->setObject(false, QVShipmentVoidKey);
        break;
    case UndeliveredTag:
        changed->setObject(QVShipmentUndeliveredStatus, QVShipmentDeliveryStatusKey);
        changed->setObject(false, QVShipmentVoidKey);
        break;
    case DeliveryExceptionTag:
        changed->setObject(QVShipmentDeliveryExceptionStatus, QVShipmentDeliveryStatusKey);
        changed->setObject(false, QVShipmentVoidKey);
        break;
    case VoidTag:
        changed->setObject(true, QVShipmentVoidKey);
        break;
    default:
        changed->setObject(false, QVShipmentVoidKey);
        break;
    }
    replaceOrTell(*entry, *changed);
}

void QVMailingLogController::markShipmentAsVoid()
{
    if (const std::shared_ptr<QVShipment> entry = shipmentAtCurrentlySelectedRow())
        setVoidStatus(!entry->objectForKey(QVShipmentVoidKey).toBool(), *entry);
}

bool QVMailingLogController::setVoidStatus(bool flag, const QVShipment &shipment)
{
    const std::shared_ptr<QVShipment> changed = shipment.copy();
    changed->setObject(flag, QVShipmentVoidKey);
    const bool stored = replaceOrTell(shipment, *changed);
    if (flag && isTolvaneWebStoreOrder(shipment))
        revertSales(shipment);
    return stored;
}

void QVMailingLogController::revertSales(const QVShipment &shipment)
{
    const HttpRequest request = mailingLogWindowServices()->revertSalesRequest(
        text(shipment, QVUSPSShipmentRHOWebStoreIdKey), trackingID(shipment));
    const std::shared_ptr<GTMHTTPFetcher> fetcher = GTMHTTPFetcher::fetcherWithRequest(request);
    fetcher->setRetryEnabled(true);
    fetcher->beginFetch([](GTMHTTPFetcher &, const QByteArray &data, const std::optional<GTMFetcherError> &error) {
        if (error)
            qWarning().noquote() << error->localizedDescription();
        if (!data.isEmpty() && UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("logDebugInfo"))) {
            if (const std::optional<QVXMLDocument> document = QVXMLDocument::fromData(data))
                qInfo().noquote() << qv_prettyXMLString(*document);
        }
    });
}

// ---- Refunds -------------------------------------------------------------------------------------

bool QVMailingLogController::isEligbileForRefund(const QVShipment &shipment, const QDateTime &now)
{
    (void)now;
    if (shipment.objectForKey(QVShipmentVoidKey).toBool())
        return false;
    if (wasShippedBriskoOne(shipment))
        return true;
    if (pieceCount(shipment) == 0)
        return false;
    return text(shipment, QVUSPSShipmentRHOTransactionTypeKey) == kStamp;
}

bool QVMailingLogController::isEligibleForElectronicRefund(const QVShipment &shipment, const QDateTime &now)
{
    if (!isEligbileForRefund(shipment, now))
        return false;
    if (wasShippedBriskoOne(shipment))
        return true;
    if (text(shipment, QVUSPSShipmentPICKey).isEmpty() && text(shipment, QVUSPSShipmentConfirmKey).isEmpty() &&
        !isEligibleForIntlDiscount(shipment))
        return false;
    const QDateTime printed = shipment.objectForKey(QVShipmentPrintDateKey).toDateTime();
    return printed.isValid() && now.secsTo(printed) >= -kRefundAgeSeconds;
}

void QVMailingLogController::electronicRefund(const QDateTime &now)
{
    const std::shared_ptr<QVShipment> entry = shipmentAtCurrentlySelectedRow();
    if (!entry)
        return;
    // A piece the log marks void was refunded (or voided) already: asking
    // again, here or on the refund page, would ask for its postage twice.
    if (entry->objectForKey(QVShipmentVoidKey).toBool()) {
        showAlert(QStringLiteral("This piece has already been refunded."),
                  QStringLiteral("The mailing log marks this piece void, so its refund is not requested again."));
        return;
    }
    const std::shared_ptr<QVPrintFlowHost> host = printFlowHost();
    if (!isEligibleForElectronicRefund(*entry, now)) {
        host->launchRefundRequest();
        return;
    }
    const QString extra = isTolvaneWebStoreOrder(*entry)
        ? QStringLiteral("\n\nThis order will also be marked as unshipped in %1.")
              .arg(text(*entry, QVUSPSShipmentRHOWebStoreNameKey))
        : QString();
    Alert confirm = alertWithText(
        QStringLiteral("Electronic Refund Request"),
        QStringLiteral("Electronic Refund Requests should ONLY be used when an item fails to print correctly or will "
                       "be destroyed and NOT mailed.\n\nYou must be absolutely certain that you do not mail the item "
                       "flagged for refund.\n\nThe filing of false, fictitious or fraudulent refund requests for the "
                       "return of U.S. postage is punishable under the criminal laws of the United States. 18 U.S.C. "
                       "\u00A71001") +
            extra);
    confirm.buttons = {{QStringLiteral("Process Refund"), 1}, {QStringLiteral("Cancel"), 0}};
    confirm.cancelAnswer = 0;
    if (runAlert(confirm) != 1)
        return;

    const quint64 displayIndex = m_log->sortedIndexForShipment(entry.get());
    const QString number = trackingID(*entry);
    const std::shared_ptr<QVMailingLogWindowServices> services = mailingLogWindowServices();
    if (wasShippedBriskoOne(*entry)) {
        const std::optional<QVXMLDocument> reply = services->electronicRefundTrackingNumber(number);
        if (!reply) {
            showAlert(QStringLiteral("Could not complete transaction."),
                      services->labelServerLastErrorDescription(true));
            return;
        }
        if (qv_stringForAnyPrefixXPath(*reply, QStringLiteral("//*:IsApproved")) != QLatin1String("YES")) {
            showAlert(qv_stringForAnyPrefixXPath(*reply, QStringLiteral("//*:ErrorMsg")), QString());
            return;
        }
    } else {
        const std::optional<QVXMLDocument> reply = services->electronicRefundPieceCount(unsigned(pieceCount(*entry)));
        const QString status =
            reply ? qv_stringForAnyPrefixXPath(*reply, QStringLiteral("//*:RefundStatus")).toUpper() : QString();
        if (status != QLatin1String("APPROVED")) {
            const QString message = reply
                ? qv_stringForAnyPrefixXPath(*reply, QStringLiteral("//*:RefundStatusMessage"))
                : services->labelServerLastErrorDescription(false);
            Alert refused = alertWithText(QStringLiteral("Could not complete transaction."), message);
            refused.buttons = {{QStringLiteral("OK"), 1}, {QStringLiteral("Refund in Browser"), 0}};
            refused.cancelAnswer = 1;
            if (runAlert(refused) == 0)
                host->launchRefundRequest();
            return;
        }
    }
    setVoidStatus(true, *entry);
    showAlert(QStringLiteral("Electronic Refund Request Accepted"),
              QStringLiteral("Your electronic refund request has been accepted. The postage for this item will be "
                             "refunded to your postage account two weeks after the original printing date."));
    if (displayIndex != QVMailingLogNotFound) {
        highlightRow(displayIndex);
        tableViewSelectionDidChange();
    }
}

std::optional<QStringList> QVMailingLogController::refundFileLines(const QByteArray &data)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString textValue = decoder(data);
    if (decoder.hasError())
        return std::nullopt;
    static const QRegularExpression terminator(QStringLiteral("\r\n|[\n\r\u2028\u2029\u0085]"));
    QStringList lines = textValue.split(terminator);
    // Blank lines at the end name no piece (an editor's final break, or a
    // "\r\n" cut after its "\r").
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void QVMailingLogController::importFlatPICFileForRefunding()
{
    if (!m_log)
        return;
    const std::optional<QString> path = runOpenPanel(OpenPanel{});
    if (!path)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        showAlert(QStringLiteral("The refund file could not be read."), file.errorString());
        return;
    }
    const std::optional<QStringList> lines = refundFileLines(file.readAll());
    if (!lines) {
        showAlert(QStringLiteral("The refund file could not be read."),
                  QStringLiteral("The file is not UTF-8 text with one tracking number a line."));
        return;
    }

    // Each piece once: lines that find no entry, repeat a piece, name a void
    // piece or one without a piece count are left out before asking.
    QList<qsizetype> pieces;
    QSet<qsizetype> seen;
    int notFound = 0;
    int skipped = 0;
    for (const QString &line : *lines) {
        if (line.isEmpty())
            continue;
        const std::optional<qsizetype> index = m_log->indexForPIC(line);
        if (!index) {
            ++notFound;
            continue;
        }
        if (seen.contains(*index))
            continue;
        seen.insert(*index);
        const std::shared_ptr<QVShipment> entry = m_log->shipmentAtIndex(*index);
        if (!entry || entry->objectForKey(QVShipmentVoidKey).toBool() || pieceCount(*entry) == 0) {
            ++skipped;
            continue;
        }
        pieces.append(*index);
    }

    int refunded = 0;
    QStringList refusals;
    if (!pieces.isEmpty()) {
        Alert ask = alertWithText(
            QStringLiteral("Refund Postage"),
            QStringLiteral("Ask the postage server to refund %1 piece%2 from the file \"%3\"? Each refunded piece is "
                           "marked void in the mailing log.")
                .arg(pieces.size())
                .arg(pieces.size() > 1 ? QStringLiteral("s") : QString())
                .arg(QFileInfo(*path).fileName()));
        ask.buttons = {{QStringLiteral("Process Refund"), 1}, {QStringLiteral("Cancel"), 0}};
        ask.cancelAnswer = 0;
        if (runAlert(ask) != 1)
            return;
        const std::shared_ptr<QVMailingLogWindowServices> services = mailingLogWindowServices();
        for (const qsizetype index : pieces) {
            const std::shared_ptr<QVShipment> entry = m_log->shipmentAtIndex(index);
            if (!entry)
                continue;
            const QVPostageRefundOutcome outcome = services->postageElectronicRefund(pieceCount(*entry));
            const QString name = uspsLogPIC(trackingID(*entry));
            if (!outcome.accepted) {
                refusals << QStringLiteral("%1: %2").arg(
                    name,
                    outcome.message.isEmpty() ? QStringLiteral("no answer from the postage server") : outcome.message);
                continue;
            }
            ++refunded;
            setVoidStatus(true, *entry);
        }
    }

    QStringList summary;
    summary << QStringLiteral("Refunded: %1").arg(refunded);
    summary << QStringLiteral("Refused: %1").arg(refusals.size());
    for (const QString &refusal : refusals)
        summary << QStringLiteral("  ") + refusal;
    summary << QStringLiteral("Not found in the log: %1").arg(notFound);
    summary << QStringLiteral("Void or without a piece count: %1").arg(skipped);
    showAlert(QStringLiteral("Refund File"), summary.join(QLatin1Char('\n')));
}

// ---- Label archive ---------------------------------------------------------------------------------

std::optional<QString> QVMailingLogController::fileURLforPersistentShipment(const QVShipment &shipment)
{
    const std::optional<QString> name = labelArchiveFileName(shipment);
    if (!name || name->isEmpty() || name->startsWith(QLatin1Char('.')) || name->contains(QLatin1Char('/')) ||
        name->contains(QChar(0)))
        return std::nullopt;
    const QString folder = printFlowHost()->labelArchiveFolder();
    if (folder.isEmpty())
        return std::nullopt;
    return QDir(folder).filePath(*name);
}

std::optional<QVariantMap> QVMailingLogController::dictionaryForPersistentShipment(const QVShipment &shipment)
{
    const std::optional<QString> path = fileURLforPersistentShipment(shipment);
    if (!path)
        return std::nullopt;
    const std::optional<QVariant> plist = readPropertyListFile(*path);
    if (!plist || plist->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return plist->toMap();
}
