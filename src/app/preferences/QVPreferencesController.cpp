#include "app/preferences/QVPreferencesController.h"

#include "platform/ArchivedValues.h"
#include "platform/Bundle.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace {

const QString kUsePostage = QStringLiteral("usePostage");
const QString kFirstClassPounds = QStringLiteral("usePoundsForFirstClass");
const QString kOtherClassesPounds = QStringLiteral("usePoundsForOtherClasses");
const QString kConfServer = QStringLiteral("confirmationServicesServer");
const QString kReformatZIP = QStringLiteral("reformatZIP");
const QString kUppercase = QStringLiteral("uppercaseAddresses");
const QString kLabelFilter = QStringLiteral("abLabelFilter");
const QString kDisplayOrder = QStringLiteral("abDisplayOrder");
const QString kSortOrder = QStringLiteral("abSortOrder");
const QString kToFont = QStringLiteral("toAddressFont");
const QString kFromFont = QStringLiteral("fromAddressFont");
const QString kToColor = QStringLiteral("toAddressColor");
const QString kFromColor = QStringLiteral("fromAddressColor");
const QString kTopField = QStringLiteral("topCustomField");
const QString kBottomField = QStringLiteral("bottomCustomField");
const QString kUseImage = QStringLiteral("useFromAddressImage");
const QString kImagePath = QStringLiteral("fromAddressImage");
const QString kZebraWidth = QStringLiteral("fromAddressImageZebraWidth");
const QString kScript = QStringLiteral("scriptPostProcess");
const QString kUseScript = QStringLiteral("useScriptPostProcess");
// The address-book labels of the vCard folder (model/Person.h).
const QStringList kLabels = {QStringLiteral("home"), QStringLiteral("work"), QStringLiteral("other")};
constexpr double kThermalImageSide = 150.0;

QString fontKey(QVPreferencesController::AddressFont which)
{
    return which == QVPreferencesController::AddressFont::ToAddress ? kToFont : kFromFont;
}

QString colorKey(QVPreferencesController::AddressFont which)
{
    return which == QVPreferencesController::AddressFont::ToAddress ? kToColor : kFromColor;
}

QFont helvetica(double points)
{
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(points);
    return font;
}

bool writeAtomically(const QString &path, const std::function<bool(QSaveFile &)> &write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(file)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

QVPreferencesController::QVPreferencesController(UserDefaults &defaults,
                                                 std::function<int(const QString &, bool)> infoAlert,
                                                 QVImageConverterFactory converter)
    : m_defaults(defaults), m_infoAlert(std::move(infoAlert)), m_converter(std::move(converter))
{
    readFromDefaults();
    m_observer = NotificationCenter::defaultCenter().addObserver(NSUserDefaultsDidChangeNotification,
                                                                 NotificationObject(&m_defaults),
                                                                 [this](const Notification &) { readFromDefaults(); });
}

// ---- Panes --------------------------------------------------------------------------

const QList<QVPreferencesController::PaneItem> &QVPreferencesController::toolbarItems()
{
    static const QList<PaneItem> items = {
        {QStringLiteral("General Prefs Item Identifier"), QStringLiteral("General"),
         QStringLiteral("pref_general_toolbar"), Pane::General, QStringLiteral("General Preferences")},
        {QStringLiteral("Shipment Prefs Item Identifier"), QStringLiteral("Shipment"),
         QStringLiteral("shipment_preference"), Pane::Shipment, QStringLiteral("Shipment Preferences")},
        {QStringLiteral("Mailpiece Prefs Item Identifier"), QStringLiteral("Mailpiece"),
         QStringLiteral("detailsToolbarIcon"), Pane::Mailpiece, QStringLiteral("Mailpiece Preferences")},
        {QStringLiteral("Email Prefs Item Identifier"), QStringLiteral("Email"),
         QStringLiteral("sendEmailNotification"), Pane::Email, QStringLiteral("Email Preferences")},
        {QStringLiteral("Address Book Item Identifier"), QStringLiteral("Address Book"), QStringLiteral("people"),
         Pane::AddressBook, QStringLiteral("Address Book Preferences")},
        {QStringLiteral("Favorites Item Identifier"), QStringLiteral("Favorites"), QStringLiteral("favorites-heart-32"),
         Pane::Favorites, QStringLiteral("Favorites Preferences")},
    };
    return items;
}

const QVPreferencesController::PaneItem &QVPreferencesController::itemForPane(Pane pane)
{
    static const PaneItem advanced{QStringLiteral("Advanced Prefs  Item Identifier"), QStringLiteral("Advanced"),
                                   QString(), Pane::Advanced, QString()};
    static const PaneItem date{QStringLiteral("Date Prefs Item Identifier"), QStringLiteral("Date"), QString(),
                               Pane::Date, QString()};
    for (const PaneItem &item : toolbarItems()) {
        if (item.pane == pane)
            return item;
    }
    return pane == Pane::Date ? date : advanced;
}

bool QVPreferencesController::switchToPane(Pane pane)
{
    if (pane == m_pane)
        return false;
    m_pane = pane;
    changed();
    return true;
}

QRect QVPreferencesController::frameForPaneSwitch(const QRect &windowFrame, int currentContentHeight,
                                                  const QSize &newView)
{
    // The window's height changes by the difference of the contents; the
    // top edge stays where it is.
    return QRect(windowFrame.x(), windowFrame.y(), newView.width(),
                 windowFrame.height() - currentContentHeight + newView.height());
}

// ---- State --------------------------------------------------------------------------

const QStringList &QVPreferencesController::checkBoxKeys()
{
    static const QStringList keys = {
        kUsePostage,
        QStringLiteral("useStealth"),
        QStringLiteral("useServiceStandards"),
        QStringLiteral("clearCustomsAfterPrint"),
        QStringLiteral("clearDestinationAddressAfterPrint"),
        QStringLiteral("clearInsuranceAfterPrint"),
        QStringLiteral("clearDimensionsAfterPrint"),
        QStringLiteral("copyConfirmationNumberAfterPrint"),
        QStringLiteral("prepareEmailAfterPrint"),
        QStringLiteral("renameProcessedXMLFiles"),
        QStringLiteral("previewOnPrint"),
        QStringLiteral("clearDescriptionOnNewShipment"),
        QStringLiteral("sortImportedFileByName"),
        kUseImage,
        kUseScript,
        QStringLiteral("sundayWarning"),
        QStringLiteral("saturdayWarning"),
        QStringLiteral("holidayWarning"),
    };
    return keys;
}

const QStringList &QVPreferencesController::tagKeys()
{
    static const QStringList keys = {kFirstClassPounds, kOtherClassesPounds, kConfServer,   kReformatZIP,
                                     kUppercase,        kLabelFilter,        kDisplayOrder, kSortOrder};
    return keys;
}

const QStringList &QVPreferencesController::customFieldItems()
{
    static const QStringList items = {QStringLiteral("None"), QStringLiteral("Description"),
                                      QStringLiteral("Reference ID"), QStringLiteral("RubberStamp1"),
                                      QStringLiteral("RubberStamp2")};
    return items;
}

QFont QVPreferencesController::font(AddressFont which) const
{
    return fontForDefaultsKey(m_defaults, fontKey(which)).value_or(helvetica(which == AddressFont::ToAddress ? 12 : 9));
}

QString QVPreferencesController::fontName(AddressFont which) const
{
    const std::optional<QFont> stored = fontForDefaultsKey(m_defaults, fontKey(which));
    return stored ? QStringLiteral("%1 %2").arg(stored->family()).arg(stored->pointSizeF()) : QString();
}

QColor QVPreferencesController::color(AddressFont which) const
{
    return colorForDefaultsKey(m_defaults, colorKey(which)).value_or(QColor(Qt::black));
}

QString QVPreferencesController::customField(bool top) const
{
    const QString stored = m_defaults.stringForKey(top ? kTopField : kBottomField);
    return customFieldItems().contains(stored) ? stored : customFieldItems().first();
}

double QVPreferencesController::toAddressLineSpacing() const
{
    return m_defaults.doubleForKey(QStringLiteral("toAddressLineSpacing"));
}

QImage QVPreferencesController::returnAddressImage() const
{
    const QString path = m_defaults.stringForKey(kImagePath);
    return path.isEmpty() ? QImage() : QImage(path);
}

void QVPreferencesController::readFromDefaults()
{
    for (const QString &key : checkBoxKeys())
        m_checks.insert(key, m_defaults.boolForKey(key));
    m_tags.insert(kFirstClassPounds, m_defaults.boolForKey(kFirstClassPounds) ? 1 : 0);
    m_tags.insert(kOtherClassesPounds, m_defaults.boolForKey(kOtherClassesPounds) ? 1 : 0);
    m_tags.insert(kConfServer, m_defaults.stringForKey(kConfServer) == QLatin1String("usps") ? 1 : 0);
    m_tags.insert(kReformatZIP, m_defaults.boolForKey(kReformatZIP) ? 0 : 1);
    m_tags.insert(kUppercase, m_defaults.boolForKey(kUppercase) ? 0 : 1);
    const QString label = m_defaults.stringForKey(kLabelFilter);
    if (label.isEmpty())
        m_tags.insert(kLabelFilter, 99);
    else if (kLabels.contains(label))
        m_tags.insert(kLabelFilter, int(kLabels.indexOf(label)));
    m_tags.insert(kDisplayOrder, m_defaults.stringForKey(kDisplayOrder) == QLatin1String("FL") ? 0 : 1);
    m_tags.insert(kSortOrder, m_defaults.stringForKey(kSortOrder) == QLatin1String("F") ? 0 : 1);
    m_emailSubject = m_defaults.stringForKey(QStringLiteral("emailNotificationSubject"));
    m_emailBody = m_defaults.stringForKey(QStringLiteral("emailNotificationBody"));
    m_scriptName = QFileInfo(m_defaults.stringForKey(kScript)).fileName();
    changed();
}

void QVPreferencesController::changed()
{
    if (stateChanged)
        stateChanged();
}

// ---- Actions ------------------------------------------------------------------------

void QVPreferencesController::setCheckBox(const QString &key, bool on)
{
    if (!checkBoxKeys().contains(key))
        return;
    m_defaults.setBool(on, key);
    if (key == kUsePostage && !on && m_infoAlert)
        m_infoAlert(QStringLiteral("usePostageReminder"), true);
}

void QVPreferencesController::setTag(const QString &key, int tag)
{
    if (key == kFirstClassPounds || key == kOtherClassesPounds) {
        m_defaults.setBool(tag == 1, key);
        NotificationCenter::defaultCenter().post(QVWeightUnitDefaultChangedNotificationName, this);
    } else if (key == kConfServer) {
        m_defaults.setString(tag == 1 ? QStringLiteral("usps") : QStringLiteral("tolvane"), key);
    } else if (key == kReformatZIP || key == kUppercase) {
        m_defaults.setBool(tag == 0, key);
    } else if (key == kLabelFilter) {
        if (tag == 99)
            m_defaults.removeObjectForKey(key);
        else if (tag >= 0 && tag < kLabels.size())
            m_defaults.setString(kLabels.at(tag), key);
    } else if (key == kDisplayOrder && (tag == 0 || tag == 1)) {
        m_defaults.setString(tag == 0 ? QStringLiteral("FL") : QStringLiteral("LF"), key);
    } else if (key == kSortOrder && (tag == 0 || tag == 1)) {
        m_defaults.setString(tag == 0 ? QStringLiteral("F") : QStringLiteral("L"), key);
    }
}

void QVPreferencesController::resetReminderAlerts()
{
    const std::optional<QVariant> alerts = Bundle::propertyListForResource(QStringLiteral("InfoAlerts"));
    if (!alerts || alerts->typeId() != QMetaType::QVariantMap)
        return;
    const QStringList keys = alerts->toMap().keys();
    for (const QString &key : keys)
        m_defaults.removeObjectForKey(key);
}

void QVPreferencesController::resetToDefaults()
{
    m_defaults.setObject(archivedDataWithFont(helvetica(12)), kToFont);
    m_defaults.setObject(archivedDataWithFont(helvetica(9)), kFromFont);
    m_defaults.setObject(archivedDataWithColor(Qt::black), kToColor);
    m_defaults.setObject(archivedDataWithColor(Qt::black), kFromColor);
    m_defaults.removeObjectForKey(kTopField);
    m_defaults.removeObjectForKey(kBottomField);
}

void QVPreferencesController::changeCustomField(bool top, const QString &title)
{
    m_defaults.setString(title, top ? kTopField : kBottomField);
}

void QVPreferencesController::changeToAddressLineSpacing(double spacing)
{
    m_defaults.setDouble(spacing, QStringLiteral("toAddressLineSpacing"));
}

void QVPreferencesController::changeFont(AddressFont which, const QFont &font)
{
    m_defaults.setObject(archivedDataWithFont(font), fontKey(which));
}

void QVPreferencesController::changeColor(AddressFont which, const QColor &color)
{
    m_defaults.setObject(archivedDataWithColor(color), colorKey(which));
}

void QVPreferencesController::useReturnAddressImage(bool on) { m_defaults.setBool(on, kUseImage); }

bool QVPreferencesController::imageDrop(const QImage &image)
{
    if (image.isNull())
        return false;
    const QString folder = applicationSupportDirectory();
    if (folder.isEmpty())
        return false;
    const QString tiffPath = QDir(folder).filePath(QVReturnGraphicTIFFName);
    if (!writeAtomically(tiffPath, [&image](QSaveFile &file) { return QImageWriter(&file, "tiff").write(image); })) {
        runAlert(alertWithText(QStringLiteral("The image could not be saved."),
                               QStringLiteral("The file %1 could not be written.").arg(tiffPath)));
        return false;
    }
    m_defaults.setString(tiffPath, kImagePath);
    m_defaults.setBool(true, kUseImage);

    const std::unique_ptr<QVImageConverting> converter = m_converter ? m_converter() : nullptr;
    if (!converter)
        return false;
    converter->setImage(image);
    if (const std::optional<QSizeF> fitted = sizeFittingSquare(converter->imageSize(), kThermalImageSide))
        converter->setTargetSize(*fitted);
    const std::optional<QByteArray> bitmap = converter->imageData();
    if (!bitmap)
        return false;
    m_defaults.setString(QString::number(converter->width() + 20), kZebraWidth);
    QByteArray graphic =
        QStringLiteral("GW14,360,%1,%2\n").arg(converter->bytesPerRow()).arg(converter->height()).toLatin1();
    graphic += *bitmap;
    graphic += '\n';
    const QString epl2Path = QDir(folder).filePath(QVReturnGraphicEPL2Name);
    if (!writeAtomically(epl2Path, [&graphic](QSaveFile &file) { return file.write(graphic) == graphic.size(); })) {
        runAlert(alertWithText(QStringLiteral("The image could not be saved."),
                               QStringLiteral("The file %1 could not be written.").arg(epl2Path)));
        return false;
    }
    return true;
}

void QVPreferencesController::browseForImages()
{
    const std::optional<QString> path =
        runOpenPanel({QStringLiteral("Choose an Image"),
                      {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("tif"),
                       QStringLiteral("tiff"), QStringLiteral("gif"), QStringLiteral("bmp")}});
    if (!path)
        return;
    const QImage image(*path);
    if (image.isNull()) {
        runAlert(alertWithText(QStringLiteral("The image could not be read."),
                               QStringLiteral("The file %1 is not an image this program can read.").arg(*path)));
        return;
    }
    imageDrop(image);
}

void QVPreferencesController::emailSubjectChanged(const QString &subject)
{
    m_defaults.setString(subject, QStringLiteral("emailNotificationSubject"));
}

void QVPreferencesController::emailBodyDidEndEditing(const QString &body)
{
    m_defaults.setString(body, QStringLiteral("emailNotificationBody"));
}

void QVPreferencesController::chooseScriptFile()
{
    if (const std::optional<QString> path = runOpenPanel({QStringLiteral("Choose a Script"), {}}))
        takeScriptFile(*path);
}

bool QVPreferencesController::takeScriptFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isExecutable()) {
        const QString brief = !info.exists() ? QStringLiteral("The script does not exist.")
            : !info.isFile()                 ? QStringLiteral("The script is not a file.")
                                             : QStringLiteral("The script is not executable.");
        runAlert(alertWithText(brief,
                               QStringLiteral("%1 cannot be run after printing: choose a file that exists, "
                                              "is a regular file and may be executed (chmod +x).")
                                   .arg(path)));
        return false;
    }
    m_defaults.setString(info.absoluteFilePath(), kScript);
    m_defaults.setBool(true, kUseScript);
    return true;
}

void QVPreferencesController::userChangedUseScript(bool on) { m_defaults.setBool(on, kUseScript); }
