#include "printing/setup/QVPrinterSetupController.h"

#include "platform/Bundle.h"
#include "platform/Dialogs.h"
#include "platform/NotificationCenter.h"
#include "platform/PrintSystem.h"
#include "platform/UserDefaults.h"
#include "printing/PrintingServices.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "printing/thermal/QVZebraPrinter.h"
#include "printing/thermal/Zebra2844.h"

#include <QFile>
#include <QThread>
#include <QTimer>

namespace {

const QString kPrinterType = QStringLiteral("printerType");
const QString kPrinterLabel = QStringLiteral("printerLabel");
const QString kUseKIVOForEnvelopes = QStringLiteral("useKIVOForEnvelopes");
const QString kKivoSettings = QStringLiteral("kivoSettings");
const QString kDefaultLabel = QStringLiteral("defaultLabel");
const QString kPrinter = QStringLiteral("printer");
const QString kTray = QStringLiteral("tray");
const QString kDensity = QStringLiteral("density");
// The tray of a printer with one roll.
const QString kNoTray = QStringLiteral("0");
const QString kUpdatedPlainPaperPrintInfo = QStringLiteral("updatedPlainPaperPrintInfo");
const QString kOverrideFCMIPrintInfo = QStringLiteral("overrideFCMIPrintInfo");
const QString kOverride2976APrintInfo = QStringLiteral("override2976APrintInfo");

// The name of the queue stored with a purpose's print settings.
QString queueNameKey(const QString &purpose) { return QStringLiteral("p_%1_name").arg(purpose); }

// The Zebra printer's name when it is reached through no queue.
const QString kZebraThermalPrinter = QStringLiteral("Zebra Thermal Printer");

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

// The purpose's settings when none are stored.
PrintInfo defaultPrintInfo(const QString &key, const QVPrinterSetupController &controller)
{
    PrintInfo info;
    if (key == QVFCMIPrintInfoKey) {
        info = controller.plainPaperPrintInfoForKey(QVPlainPaperPrintInfoKey);
        info.orientation = PrintInfo::Orientation::Portrait;
        info.leftMargin = 0;
    } else {
        info = PrintInfo::sharedPrintInfo();
        info.leftMargin = info.rightMargin = info.topMargin = info.bottomMargin = 0;
        if (key == QVPlainPaperPrintInfoKey || key == QVEnvelopePrintInfoKey) {
            const bool envelope = key == QVEnvelopePrintInfoKey;
            info.orientation = envelope ? PrintInfo::Orientation::Landscape : PrintInfo::Orientation::Portrait;
            info.horizontalPagination = info.verticalPagination = PrintInfo::Pagination::Clip;
            info.horizontallyCentered = info.verticallyCentered = false;
            if (envelope)
                info.paperSize = QSizeF(612, 792);
            info.allPages = false;
            info.firstPage = 1;
            info.lastPage = 1;
            if (!envelope)
                info.copies = 1;
        } else {
            info.orientation = PrintInfo::Orientation::Portrait;
            info.horizontalPagination = info.verticalPagination = PrintInfo::Pagination::Fit;
            info.allPages = true;
            info.copies = 1;
        }
    }
    info.duplex = PrintInfo::Duplex::OneSided;
    return info;
}

} // namespace

struct QVPrinterSetupController::Observers {
    NotificationObserver serialPorts;
    NotificationObserver defaults;
    // Set while the controls are refreshed (the refresh itself stores
    // defaults).
    bool refreshing = false;
    // Set once the controls were first built (with the print queues).
    bool built = false;
};

QVPrinterSetupController::QVPrinterSetupController(QObject *parent)
    : QObject(parent), m_observers(std::make_unique<Observers>())
{
    const int tag = kivoTagForLabelType(kivoSettings().value(kDefaultLabel).toString());
    m_controls.stockTag = tag >= 0 ? tag : 0;
    // The print queues are asked for when the controls are first read, not
    // here: the controller is made at start-up, long before its window.
    m_observers->serialPorts = NotificationCenter::defaultCenter().addObserver(
        SXSerialPortListDidUpdateNotifiation, [this](const Notification &) { refreshBuiltControls(); });
    // Any change of the defaults rebuilds the size menus (on the
    // controller's thread).
    m_observers->defaults = NotificationCenter::defaultCenter().addObserver(
        NSUserDefaultsDidChangeNotification, [this](const Notification &) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    buildSizeMenus();
                    if (!m_observers->refreshing)
                        emit controlsChanged();
                },
                QThread::currentThread() == thread() ? Qt::DirectConnection : Qt::QueuedConnection);
        });
}

QVPrinterSetupController::~QVPrinterSetupController() = default;

void QVPrinterSetupController::showAlert(const QString &message, const QString &informative)
{
    Alert alert;
    alert.messageText = message;
    alert.informativeText = informative;
    alert.buttons = {{QStringLiteral("OK"), 1}};
    alert.cancelAnswer = 1;
    runAlert(alert);
}

std::shared_ptr<QVPrinterSetupController> QVPrinterSetupController::sharedController()
{
    static const std::shared_ptr<QVPrinterSetupController> controller = std::make_shared<QVPrinterSetupController>();
    return controller;
}

QString QVPrinterSetupController::printerTypeForEnvelope(bool envelope) const
{
    if (envelope)
        return defaults().boolForKey(kUseKIVOForEnvelopes) ? QVKIVOTagwrightPrinter : QVPlainPaperPrinter;
    return defaults().stringForKey(kPrinterType);
}

QString QVPrinterSetupController::labelTypeForEnvelope(bool envelope)
{
    if (envelope) {
        if (!defaults().boolForKey(kUseKIVOForEnvelopes))
            return QVPlainPaperLabel;
        const QString defaultLabel = kivoSettings().value(kDefaultLabel).toString();
        if (!defaultLabel.isEmpty())
            return defaultLabel;
        return kivoLabelTypeForTag(m_controls.stockTag);
    }
    if (defaults().stringForKey(kPrinterType) != QVZebra2844Printer)
        return defaults().stringForKey(kPrinterLabel);
    // A Zebra printer's labels follow its command language.
    if (defaults().boolForKey(QStringLiteral("advancedZebraPath"))) {
        const auto printer = QVZebraPrinter::defaultZebraPrinter();
        return printer && printer->programmingLanguage() == 1 ? QVZPLIILabel : QVEPL2Label;
    }
    const auto attributes = Zebra2844::printerAttributes();
    return attributes && attributes->value(QStringLiteral("programmingLanguage")).toString() == QLatin1String("ZPL")
        ? QVZPLIILabel
        : QVEPL2Label;
}

std::optional<QString> QVPrinterSetupController::printerNameForPrinterType(const QString &printerType,
                                                                           const QString &labelType,
                                                                           const QString &plainPaperInfoKey)
{
    if (printerType == QVPlainPaperPrinter)
        return plainPaperPrintInfoForKey(plainPaperInfoKey).printerName;
    if (printerType == QVKIVOTagwrightPrinter) {
        const QString stored = kivoSetting(labelType, kPrinter).toString();
        if (!stored.isEmpty())
            return stored;
        const QStringList printers = KIVONewTagwright::printerList();
        const QString first = printers.isEmpty() ? QStringLiteral("") : printers.first();
        // Stored only into a stock that already has its dictionary.
        QVariantMap settings = kivoSettings();
        if (settings.value(labelType).typeId() == QMetaType::QVariantMap) {
            QVariantMap stock = settings.value(labelType).toMap();
            stock.insert(kPrinter, first);
            settings.insert(labelType, stock);
            defaults().setObject(settings, kKivoSettings);
        }
        return first;
    }
    if (printerType == QVZebra2844Printer) {
        if (defaults().boolForKey(QStringLiteral("zebraUseSerial")))
            return kZebraThermalPrinter;
        if (defaults().boolForKey(QStringLiteral("advancedZebraPath"))) {
            const auto printer = QVZebraPrinter::defaultZebraPrinter();
            return printer ? printer->name() : QStringLiteral("");
        }
        return kZebraThermalPrinter;
    }
    return std::nullopt;
}

std::optional<QString> QVPrinterSetupController::printerName()
{
    return printerNameForPrinterType(defaults().stringForKey(kPrinterType), defaults().stringForKey(kPrinterLabel),
                                     QVPlainPaperPrintInfoKey);
}

PrintInfo QVPrinterSetupController::plainPaperPrintInfoForKey(const QString &key) const
{
    const QByteArray stored = defaults().dataForKey(key);
    if (!stored.isEmpty()) {
        QString error;
        if (std::optional<PrintInfo> info = PrintInfo::fromData(stored, &error)) {
            if (key != QVPlainPaperPrintInfoKey && key != QVEnvelopePrintInfoKey)
                info->horizontalPagination = info->verticalPagination = PrintInfo::Pagination::Fit;
            const QString queue = defaults().stringForKey(queueNameKey(key));
            if (!queue.isEmpty() && printSystem()->queue(queue))
                info->printerName = queue;
            // Settings of older versions were kept in landscape with a
            // half-sheet margin; they are read in portrait until stored again.
            if (key == QVPlainPaperPrintInfoKey && !defaults().boolForKey(kUpdatedPlainPaperPrintInfo) &&
                info->orientation == PrintInfo::Orientation::Landscape &&
                (info->leftMargin == 36 || info->leftMargin == 432)) {
                info->orientation = PrintInfo::Orientation::Portrait;
                info->leftMargin = 0;
            }
            return *info;
        }
        qWarning("The stored print settings \"%s\" are damaged and were replaced by the defaults: %s", qPrintable(key),
                 qPrintable(error));
    }
    return defaultPrintInfo(key, *this);
}

void QVPrinterSetupController::setPlainPaperPrintInfo(const std::optional<PrintInfo> &printInfo, const QString &key)
{
    if (printInfo) {
        defaults().setObject(printInfo->data(), key);
        defaults().setObject(printInfo->printerName, queueNameKey(key));
        if (key == QVPlainPaperPrintInfoKey)
            defaults().setBool(true, kUpdatedPlainPaperPrintInfo);
    } else {
        defaults().removeObjectForKey(key);
        defaults().removeObjectForKey(queueNameKey(key));
    }
    readFromDefaults();
}

void QVPrinterSetupController::setPrinterTypeWithTypeString(const QString &printerType)
{
    if (printerType == QVPlainPaperPrinter)
        setPrinterType(PrinterTypeChoice::PlainPaper);
    else if (printerType == QVKIVOTagwrightPrinter)
        setPrinterType(PrinterTypeChoice::LabelPrinter);
    else if (printerType == QVZebra2844Printer)
        setPrinterType(PrinterTypeChoice::Zebra);
}

void QVPrinterSetupController::setPrinterType(PrinterTypeChoice choice)
{
    switch (choice) {
    case PrinterTypeChoice::PlainPaper:
        defaults().setString(QVPlainPaperPrinter, kPrinterType);
        defaults().setString(QVPlainPaperLabel, kPrinterLabel);
        break;
    case PrinterTypeChoice::LabelPrinter:
    case PrinterTypeChoice::StockChoice:
        chooseLabelPrinter(kivoLabelTypeForTag(m_controls.stockTag));
        break;
    case PrinterTypeChoice::Zebra:
        if (!Zebra2844::printerAvailable()) {
            m_controls.zebraToolsSheetOpen = true;
            showAlert(QStringLiteral("Zebra printer unavailable."),
                      QStringLiteral("Tolvane was unable to find a Zebra 2844 thermal printer attached to this "
                                     "computer. Please configure your printer connection."));
        }
        defaults().setString(QVZebra2844Printer, kPrinterType);
        defaults().setString(QVEPL2Label, kPrinterLabel);
        break;
    }
    scheduleRefresh();
}

void QVPrinterSetupController::chooseLabelPrinter(const QString &label)
{
    if (!KIVONewTagwright::printerAvailable()) {
        showAlert(QStringLiteral("KIVO printer unavailable."),
                  QStringLiteral("This functionality requires a KIVO Tagwright and the latest KIVO driver software (") +
                      minimumDriverVersion() +
                      QStringLiteral(" or greater). If you have these items, please make sure your printer can be "
                                     "used from other applications and try again."));
        return;
    }
    if (!label.isNull())
        defaults().setString(label, kPrinterLabel);
    defaults().setString(QVKIVOTagwrightPrinter, kPrinterType);
    QVariantMap settings = kivoSettings();
    settings.insert(kDefaultLabel, defaults().stringForKey(kPrinterLabel));
    defaults().setObject(settings, kKivoSettings);
}

void QVPrinterSetupController::chooseStock(int tag)
{
    // The choice holds only the five stocks; any other tag selects none and
    // leaves the stored label.
    const QString label = kivoLabelTypeForTag(tag);
    if (!label.isNull())
        m_controls.stockTag = tag;
    chooseLabelPrinter(label);
    scheduleRefresh();
}

void QVPrinterSetupController::setUseKIVOForEnvelopes(bool on) { defaults().setBool(on, kUseKIVOForEnvelopes); }

void QVPrinterSetupController::setFCMIChoice(int tag)
{
    defaults().setBool(tag != 0, kOverrideFCMIPrintInfo);
    readFromDefaults();
}

void QVPrinterSetupController::set2976AChoice(int tag)
{
    defaults().setBool(tag != 0, kOverride2976APrintInfo);
    readFromDefaults();
}

QVariantMap QVPrinterSetupController::kivoSettings() const { return defaults().dictionaryForKey(kKivoSettings); }

QVariant QVPrinterSetupController::kivoSetting(const QString &labelType, const QString &key) const
{
    return kivoSettings().value(labelType).toMap().value(key);
}

QString QVPrinterSetupController::minimumDriverVersion()
{
    QFile file(Bundle::pathForResource(QStringLiteral("KIVOMinimumDriverVersion"), QStringLiteral("txt")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.read(256)).trimmed();
}

const QVPrinterSetupControls &QVPrinterSetupController::controls() const
{
    // Built on the first read; the controller's state is the controls
    // themselves, so building them is not a change seen from outside.
    if (!m_observers->built)
        const_cast<QVPrinterSetupController *>(this)->refreshControls();
    return m_controls;
}

void QVPrinterSetupController::readFromDefaults()
{
    if (QThread::currentThread() == thread())
        refreshBuiltControls();
    else
        QMetaObject::invokeMethod(this, &QVPrinterSetupController::refreshBuiltControls, Qt::BlockingQueuedConnection);
}

void QVPrinterSetupController::scheduleRefresh()
{
    QTimer::singleShot(0, this, &QVPrinterSetupController::refreshBuiltControls);
}

void QVPrinterSetupController::refreshBuiltControls()
{
    // Controls nobody has read yet are built from the defaults when they are.
    if (m_observers->built)
        refreshControls();
}

void QVPrinterSetupController::listZebraQueues()
{
    // The stored queue is kept even when it is missing now (the sheet's
    // queue tab chooses another).
    m_controls.zebraPrinters = QVZebraPrinter::allPrinters();
    m_controls.zebraQueues.clear();
    for (const QVariantMap &queue : std::as_const(m_controls.zebraPrinters)) {
        m_controls.zebraQueues << queue.value(QVZebraPrinterNameKey).toString();
        if (queue.value(QVZebraPrinterIDKey).toString() ==
            defaults().stringForKey(QStringLiteral("advancedZebraPathPrinterID")))
            m_controls.zebraPrinterName = queue.value(QVZebraPrinterIDKey).toString();
    }
}

void QVPrinterSetupController::refreshControls()
{
    if (!m_observers->built) {
        m_observers->built = true;
        listZebraQueues();
    }
    m_observers->refreshing = true;
    QVPrinterSetupControls &c = m_controls;
    // Everything type-dependent starts off.
    c.kivoToolsEnabled = c.zebraToolsEnabled = c.plainPaperButtonsEnabled = c.stockChoiceEnabled = false;
    c.useKIVOForEnvelopes = defaults().boolForKey(kUseKIVOForEnvelopes);
    c.useKIVOForEnvelopesEnabled = KIVONewTagwright::printerAvailable();

    c.plainPaperQueueName = plainPaperPrintInfoForKey(QVPlainPaperPrintInfoKey).printerName;
    c.mailingRecordQueueName = plainPaperPrintInfoForKey(QVMailingRecordPaperInfoKey).printerName;
    c.envelopeQueueName = plainPaperPrintInfoForKey(QVEnvelopePrintInfoKey).printerName;
    refreshCustomsForms(labelTypeForEnvelope(false));

    c.stockPrinterNames = QStringList(kivoLabelTypes().size());
    c.printerType = defaults().stringForKey(kPrinterType);
    c.printerChoice = -1;
    if (c.printerType == QVPlainPaperPrinter) {
        c.printerChoice = 0;
        c.plainPaperButtonsEnabled = true;
    } else if (c.printerType == QVKIVOTagwrightPrinter) {
        c.printerChoice = 1;
        c.kivoToolsEnabled = c.stockChoiceEnabled = true;
        const int tag = kivoTagForLabelType(defaults().stringForKey(kPrinterLabel));
        if (tag >= 0)
            c.stockTag = tag;
        refreshStockPrinterNames();
    } else if (c.printerType == QVZebra2844Printer) {
        c.printerChoice = 2;
        c.zebraToolsEnabled = true;
        refreshZebraControls();
    }
    rebuildSerialRows();
    refreshEnvelopeControls();
    buildSizeMenus();
    m_observers->refreshing = false;
    emit controlsChanged();
}

QString QVPrinterSetupController::thermalQueueName(const QString &labelType)
{
    if (labelType == QVKIVO8836105Label)
        return printerNameForPrinterType(QVKIVOTagwrightPrinter, labelType, QString()).value_or(QString());
    return printerNameForPrinterType(QVZebra2844Printer, labelType, QString()).value_or(QString());
}

void QVPrinterSetupController::refreshCustomsForms(const QString &labelType)
{
    QVPrinterSetupControls &c = m_controls;
    const bool thermal = labelType == QVEPL2Label || labelType == QVZPLIILabel || labelType == QVKIVO8836105Label;
    const QString thermalName = thermal ? thermalQueueName(labelType) : QString();

    // The First-Class customs form goes where the labels go, or to its own
    // queue.
    c.fcmiFirstChoiceTitle = thermal ? thermalName : plainPaperPrintInfoForKey(QVFCMIPrintInfoKey).printerName;
    const bool fcmiOwn = defaults().boolForKey(kOverrideFCMIPrintInfo);
    c.fcmiChoiceTag = fcmiOwn ? 1 : 0;
    c.fcmiQueueName = fcmiOwn ? plainPaperPrintInfoForKey(QVFCMIPrintInfoKey).printerName : QString();
    c.fcmiButtonsEnabled = fcmiOwn;

    // The 2976-A goes to the thermal printer of 4 x 6 labels unless told
    // otherwise; with any other label it has its own settings.
    const QString gemQueue = plainPaperPrintInfoForKey(QVGEMPrintInfoKey).printerName;
    if (thermal) {
        c.form2976AFirstChoiceTitle = thermalName;
        c.form2976AFirstChoiceEnabled = true;
        const bool own = defaults().boolForKey(kOverride2976APrintInfo);
        c.form2976AChoiceTag = own ? 1 : 0;
        c.form2976AButtonsEnabled = own;
        c.gemQueueName = own ? gemQueue : QString();
    } else {
        c.form2976AFirstChoiceTitle = QStringLiteral("Thermal Printer");
        c.form2976AFirstChoiceEnabled = false;
        c.form2976AChoiceTag = 1;
        c.form2976AButtonsEnabled = true;
        c.gemQueueName = gemQueue;
    }
}

void QVPrinterSetupController::refreshStockPrinterNames()
{
    for (int tag = 0; tag < kivoLabelTypes().size(); ++tag) {
        const QString &stock = kivoLabelTypes().at(tag);
        // A stock without its dictionary gets one, so that the printer found
        // for it is stored.
        QVariantMap settings = kivoSettings();
        if (settings.value(stock).typeId() != QMetaType::QVariantMap) {
            settings.insert(stock, QVariantMap());
            defaults().setObject(settings, kKivoSettings);
        }
        const QString queue = printerNameForPrinterType(QVKIVOTagwrightPrinter, stock, QString()).value_or(QString());
        const QString tray = kivoSetting(stock, kTray).toString();
        QString roll;
        if (!tray.isEmpty() && tray != kNoTray)
            roll = tray == KIVOPaperTrayLeft ? QStringLiteral("Left") : QStringLiteral("Right");
        else if (KIVONewTagwright::isDualSwift(queue))
            roll = QStringLiteral("Right");
        m_controls.stockPrinterNames[tag] = roll.isEmpty() ? queue : QStringLiteral("%1, %2 Roll").arg(queue, roll);
    }
}
