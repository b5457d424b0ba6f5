// MasterController: return addresses. The saved list lives in the user
// default "fromAddressList" ({"names": nicknames, "values": address property
// lists}, parallel lists, rewritten whole on every change); "fromAddress"
// names the chosen source: a list index as decimal text, "me" (the address
// book's own card) or "tolvane" (the postage account's address). The
// pop-up, the add/edit sheet with its checks and its standardisation, and
// the pictures of each nickname in the application-support folder:
// "<nickname>-returnGraphic.tiff" and, for thermal labels,
// "<nickname>-returnGraphic.plist" ({"data": the EPL2 "GW" graphic command,
// "width": its width in dots plus 20}).
//
// Nicknames are typed text: in picture file names "%", "/", control
// characters and a leading "." are written as "%" and two hexadecimal
// digits, so that no name leaves the folder; ordinary nicknames keep their
// names, which the thermal layouts read.
#include "app/mainwindow/MasterController.h"

#include "barcodes/imaging/ImageConverter.h"
#include "model/ABAddressBook.h"
#include "model/QVAddressParsing.h"
#include "model/QVShipment.h"
#include "model/StringAdditions.h"
#include "model/VCard.h"
#include "model/Windows1252.h"
#include "platform/Paths.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kFromAddressListDefault = QStringLiteral("fromAddressList");
const QString kFromAddressDefault = QStringLiteral("fromAddress");
const QString kFromPhoneDefault = QStringLiteral("fromPhone");
const QString kKeepAlphabetizedDefault = QStringLiteral("fromAddressKeepAlphabetized");
const QString kUseFromAddressImageDefault = QStringLiteral("useFromAddressImage");
const QString kFromAddressImageDefault = QStringLiteral("fromAddressImage");
const QString kUppercaseAddressesDefault = QStringLiteral("uppercaseAddresses");
const QString kLastRunDefault = QStringLiteral("lastRun");
const QString kNamesKey = QStringLiteral("names");
const QString kValuesKey = QStringLiteral("values");
const QString kMe = QStringLiteral("me");
const QString kTolvane = QStringLiteral("tolvane");
const QString kAutomationNickname = QStringLiteral("x-automation");

// The pop-up's template: "me", the account address, a separator, then the
// fixed commands.
constexpr qsizetype kMeItem = 0;
constexpr qsizetype kAccountItem = 1;
constexpr qsizetype kFirstListItem = 3;
constexpr qsizetype kListItemTag = 100;

constexpr int kDeleteAnswer = 1;
constexpr int kCancelAnswer = 0;
constexpr int kEditAnswer = 1;

// The largest picture side before the thermal form is reduced (points).
constexpr double kThermalPictureSide = 150;

FormMenu fromMenuTemplate()
{
    FormMenu menu;
    menu.title = QStringLiteral("From");
    menu.items = {
        {0, QStringLiteral("My Card")},
        {1, QStringLiteral("Tolvane Account Address")},
        FormMenuItem::separatorItem(),
        {MasterController::AddReturnAddressTag, QStringLiteral("Add New Address…")},
        {MasterController::EditReturnAddressTag, QStringLiteral("Edit Current Address…")},
        {MasterController::DeleteReturnAddressTag, QStringLiteral("Delete Current Address")},
        {MasterController::ClearReturnAddressesTag, QStringLiteral("Clear List")},
    };
    return menu;
}

// The nickname as a file-name stem that stays in its folder.
QString pictureFileStem(const QString &nickname)
{
    QString stem;
    stem.reserve(nickname.size());
    for (qsizetype i = 0; i < nickname.size(); ++i) {
        const QChar c = nickname.at(i);
        const bool encode = c == QLatin1Char('%') || c == QLatin1Char('/') || c.unicode() < 0x20 ||
            c.unicode() == 0x7F || (i == 0 && c == QLatin1Char('.'));
        if (encode)
            stem += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            stem += c;
    }
    return stem;
}

QString picturePath(const QString &nickname, const QString &suffix)
{
    const QString folder = applicationSupportDirectory();
    if (folder.isEmpty() || nickname.isEmpty())
        return QString();
    return QDir(folder).filePath(pictureFileStem(nickname) + suffix);
}

std::optional<qsizetype> listIndex(const QString &text)
{
    bool ok = false;
    const qsizetype index = text.toLongLong(&ok);
    if (!ok || index < 0)
        return std::nullopt;
    return index;
}

Alert editAlert(const QString &message, const QString &informative)
{
    Alert alert = alertWithText(message, informative);
    alert.buttons = {{QStringLiteral("Edit"), kEditAnswer}};
    alert.cancelAnswer = kEditAnswer;
    return alert;
}

Alert deleteAlert(const QString &message, const QString &informative)
{
    Alert alert = alertWithText(message, informative);
    alert.buttons = {{QStringLiteral("Delete"), kDeleteAnswer}, {QStringLiteral("Cancel"), kCancelAnswer}};
    alert.cancelAnswer = kCancelAnswer;
    return alert;
}

} // namespace

// ---- The saved list ------------------------------------------------------------------

QStringList MasterController::fromNames() const
{
    QStringList names;
    for (const QVariant &name : defaults().dictionaryForKey(kFromAddressListDefault).value(kNamesKey).toList())
        names.append(name.toString());
    return names;
}

QVariantList MasterController::fromValues() const
{
    return defaults().dictionaryForKey(kFromAddressListDefault).value(kValuesKey).toList();
}

void MasterController::storeFromList(const QStringList &names, const QVariantList &values)
{
    QVariantList nameList;
    for (const QString &name : names)
        nameList.append(name);
    defaults().setObject(QVariantMap{{kNamesKey, nameList}, {kValuesKey, values}}, kFromAddressListDefault);
}

void MasterController::addFromAddress(const QVAddress &address, const QString &nickname)
{
    QStringList names = fromNames();
    QVariantList values = fromValues();
    if (names.contains(nickname))
        return;
    names.prepend(nickname);
    values.prepend(address.plist());
    storeFromList(names, values);
    defaults().setString(QStringLiteral("0"), kFromAddressDefault);
    setUpFromPopup();
}

void MasterController::replaceFromAddress(const QVAddress &address, const QString &nickname, qsizetype index)
{
    QStringList names = fromNames();
    QVariantList values = fromValues();
    if (index < 0 || index >= names.size() || index >= values.size())
        return;
    names[index] = nickname;
    values[index] = address.plist();
    storeFromList(names, values);
    defaults().setString(QString::number(index), kFromAddressDefault);
    setUpFromPopup();
}

void MasterController::addOrReplaceFromAddress(const QVAddress &address, const QString &nickname)
{
    const qsizetype index = fromNames().indexOf(nickname);
    if (index >= 0)
        replaceFromAddress(address, nickname, index);
    else
        addFromAddress(address, nickname);
}

bool MasterController::setFromAddressToNickname(const QString &nickname)
{
    const qsizetype index = fromNames().indexOf(nickname);
    if (index < 0)
        return false;
    defaults().setString(QString::number(index), kFromAddressDefault);
    setUpFromPopup();
    return true;
}

void MasterController::clearFromList()
{
    const int answer = runAlert(deleteAlert(QStringLiteral("Are you sure you want to delete the entire from address "
                                                           "list?"),
                                            QStringLiteral("You will lose all of your custom from addresses.")));
    if (answer == kDeleteAnswer) {
        storeFromList({}, {});
        const QString chosen = defaults().stringForKey(kFromAddressDefault);
        if (chosen != kMe && chosen != kTolvane)
            defaults().setString(kMe, kFromAddressDefault);
    }
    setUpFromPopup();
}

void MasterController::deleteFromAddress()
{
    QStringList names = fromNames();
    QVariantList values = fromValues();
    const std::optional<qsizetype> index = listIndex(defaults().stringForKey(kFromAddressDefault));
    if (!index || *index >= names.size() || *index >= values.size())
        return;
    const QString nickname = names.at(*index);
    const int answer = runAlert(deleteAlert(QStringLiteral("Are you sure you want to delete the current From Address?"),
                                            QStringLiteral("You will lose the address named %1.").arg(nickname)));
    if (answer == kDeleteAnswer) {
        names.removeAt(*index);
        values.removeAt(*index);
        storeFromList(names, values);
        defaults().setString(!names.isEmpty() && *index != 0 ? QString::number(*index - 1) : kTolvane,
                             kFromAddressDefault);
        deleteFromAddressImageForNickname(nickname);
    }
    setUpFromPopup();
}

// ---- The pop-up and the return address ---------------------------------------------------

void MasterController::setUpFromPopup()
{
    FormPopUp &popUp = m_form.popUp(FormControl::FromPopup);
    popUp.setMenu(fromMenuTemplate());
    popUp.selectedIndex = -1;
    m_fromAddressMap.clear();

    const QStringList names = fromNames();
    QStringList shown = names;
    if (defaults().boolForKey(kKeepAlphabetizedDefault)) {
        std::sort(shown.begin(), shown.end(), [](const QString &a, const QString &b) {
            return QString::localeAwareCompare(a.toLower(), b.toLower()) < 0;
        });
    }
    qsizetype at = kFirstListItem;
    for (const QString &name : std::as_const(shown)) {
        if (popUp.menu.indexOfTitle(name) >= 0)
            continue;
        const qsizetype index = names.indexOf(name);
        popUp.menu.items.insert(at, FormMenuItem{kListItemTag + index, name});
        m_fromAddressMap.insert(at, index);
        ++at;
    }
    if (!names.isEmpty())
        popUp.menu.items.insert(at, FormMenuItem::separatorItem());

    const QString chosen = defaults().stringForKey(kFromAddressDefault);
    qsizetype selected = kMeItem;
    if (chosen == kTolvane) {
        selected = kAccountItem;
    } else if (const std::optional<qsizetype> index = listIndex(chosen)) {
        for (auto it = m_fromAddressMap.cbegin(); it != m_fromAddressMap.cend(); ++it) {
            if (it.value() == *index)
                selected = it.key();
        }
    }
    popUp.selectItemAtIndex(selected);
    updateFromAddress();
}

void MasterController::fromAddressAction(qsizetype itemIndex)
{
    const FormPopUp &popUp = m_form.popUp(FormControl::FromPopup);
    if (itemIndex < 0 || itemIndex >= popUp.count())
        defaults().removeObjectForKey(kFromAddressDefault);
    else if (itemIndex == kMeItem)
        defaults().setString(kMe, kFromAddressDefault);
    else if (itemIndex == kAccountItem)
        defaults().setString(kTolvane, kFromAddressDefault);
    else if (m_fromAddressMap.contains(itemIndex))
        defaults().setString(QString::number(m_fromAddressMap.value(itemIndex)), kFromAddressDefault);
    updateFromAddress();
}

void MasterController::updateFromAddressWithMeCard()
{
    if (defaults().stringForKey(kFromAddressDefault) == kMe)
        updateFromAddress();
}

void MasterController::updateFromAddress()
{
    m_form.makeFirstResponder(std::nullopt);
    const QString chosen = defaults().stringForKey(kFromAddressDefault);
    std::optional<QString> nickname;
    if (chosen == kMe) {
        std::optional<QVAddress> address;
        QImage picture;
        if (const std::optional<Person> me = ABAddressBook::sharedAddressBook().me()) {
            address = addressWithABPerson(*me);
            picture = vCardPicture(me->imageData());
        }
        setFromAddress(address.value_or(QVAddress()));
        // The card's picture is the picture of "me" (written when it changed;
        // a card that lost its picture loses the files).
        if (picture != m_meImage) {
            m_meImage = picture;
            saveFromAddressImage(picture, kMe);
        }
        nickname = kMe;
    } else if (chosen == kTolvane) {
        const std::optional<MasterStatusReply> reply = m_env.postageStatus->lastValidStatusResponse();
        if (!reply) {
            defaults().setString(kMe, kFromAddressDefault);
            setUpFromPopup();
            return;
        }
        if (!m_accountAddress || reply->physicalAddress != m_accountAddressText) {
            m_accountAddressText = reply->physicalAddress;
            std::optional<QVAddress> standardized;
            if (m_env.addressCorrection)
                standardized = m_env.addressCorrection->standardizedAddressWithString(m_accountAddressText, true);
            m_accountAddress = standardized.value_or(QVAddress());
        }
        QVAddress address = *m_accountAddress;
        address.setName(reply->name.toUpper());
        address.setPhone(defaults().stringForKey(kFromPhoneDefault));
        setFromAddress(address);
        nickname = kTolvane;
    } else if (const std::optional<qsizetype> index = listIndex(chosen)) {
        const QVariantList values = fromValues();
        const QStringList names = fromNames();
        if (*index < values.size() && *index < names.size()) {
            setFromAddress(QVAddress::addressWithDictionary(values.at(*index).toMap()));
            nickname = names.at(*index);
        }
    }

    const QImage image = nickname ? imageForNickname(*nickname) : QImage();
    // Written only when they change: every write tells the whole window.
    if (defaults().boolForKey(kUseFromAddressImageDefault) != !image.isNull())
        defaults().setBool(!image.isNull(), kUseFromAddressImageDefault);
    if (!image.isNull() && defaults().stringForKey(kFromAddressImageDefault) != imagePathForNickname(*nickname))
        defaults().setString(imagePathForNickname(*nickname), kFromAddressImageDefault);
    m_fromImage = image;
}

void MasterController::setFromAddress(const QVAddress &address)
{
    QVAddress chosen = address;
    if (m_currentShipment->isReplyPostage() && m_env.addressCorrection) {
        std::optional<QVAddress> standardized = m_env.addressCorrection->standardizedAddressWithString(
            address.formattedAddress(), defaults().boolForKey(kUppercaseAddressesDefault));
        const int code = int(longLongValue(m_env.addressCorrection->lastErrorCode()));
        if (code != 22 && code != 25 && code != 31 && code != 32) {
            if (!m_env.shell->isAutomation())
                runAlert(alertWithText(QStringLiteral("Couldn't verify your return address."),
                                       QStringLiteral("Reply postage could not be turned on because your return "
                                                      "address does not validate.")));
            setCurrentShipmentProperty(false, QVUSPSShipmentReplyPostageKey);
        }
        if (standardized) {
            standardized->setPhone(address.phone());
            standardized->setEmail(address.email());
            chosen = *standardized;
        }
    }
    m_from = chosen;
    if (m_from.phone().isEmpty())
        m_from.setPhone(defaults().stringForKey(kFromPhoneDefault));
    setCurrentShipmentProperty(m_from.plist(), QVShipmentFromAddressKey);
    m_form.setText(FormControl::FromDisplay, m_from.formattedAddress());
}

// ---- The add/edit sheet ---------------------------------------------------------------------

void MasterController::fillSheetFields(const QVAddress &address)
{
    m_fromSheet.name.text = address.name();
    m_fromSheet.phone.text = address.phone();
    fillSheetAddressFields(address);
}

void MasterController::fillSheetAddressFields(const QVAddress &address)
{
    ReturnAddressSheet &s = m_fromSheet;
    s.company.text = address.company();
    s.suiteApt.text = address.suiteApt();
    s.street.text = address.street();
    s.city.text = address.city();
    s.state.text = address.state();
    s.zip.text = address.formattedZIP();
}

QVAddress MasterController::addressFromSheet() const
{
    const ReturnAddressSheet &s = m_fromSheet;
    QVAddress address;
    address.setName(s.name.text);
    address.setCompany(s.company.text);
    address.setSuiteApt(s.suiteApt.text);
    address.setStreet(s.street.text);
    address.setCity(s.city.text);
    address.setState(s.state.text);
    address.setZIP(s.zip.text);
    address.setPhone(s.phone.text);
    return address;
}

void MasterController::showTolvaneWarning(bool show) { m_fromSheet.warningShown = show; }

void MasterController::runAddFromAddressSheet()
{
    m_fromSheet = ReturnAddressSheet();
    showTolvaneWarning(false);
    m_fromSheet.focus = QStringLiteral("nickname");
    m_fromSheetOpen = true;
}

void MasterController::runEditFromAddressSheet()
{
    const QString chosen = defaults().stringForKey(kFromAddressDefault);
    // The pop-up shows "My Card" for "me" and for a choice that is neither
    // the account address nor a listed one (none made yet): both edit it.
    if (chosen == kMe || (chosen != kTolvane && !listIndex(chosen))) {
        if (const std::optional<Person> me = ABAddressBook::sharedAddressBook().me()) {
            ABAddressBook::sharedAddressBook().openRecordForEditing(me->uniqueId());
            setUpFromPopup();
            return;
        }
        // No own card to edit: the sheet for a new return address, so that
        // a user asked to edit the return address (a phone number for a
        // customs form) has somewhere to give it.
        runAddFromAddressSheet();
        return;
    }
    m_fromSheet = ReturnAddressSheet();
    ReturnAddressSheet &s = m_fromSheet;
    s.editing = true;
    if (chosen == kTolvane) {
        showTolvaneWarning(true);
        s.nickname.text = kTolvane;
        for (FormField *field : {&s.nickname, &s.name, &s.company, &s.suiteApt, &s.street, &s.city, &s.state, &s.zip})
            field->enabled = false;
        s.standardizeEnabled = false;
        s.acceptsDrags = false;
        fillSheetFields(m_from);
    } else {
        const std::optional<qsizetype> index = listIndex(chosen);
        const QStringList names = fromNames();
        const QVariantList values = fromValues();
        if (!index || *index >= names.size() || *index >= values.size())
            return;
        showTolvaneWarning(false);
        s.nickname.text = names.at(*index);
        fillSheetFields(QVAddress::addressWithDictionary(values.at(*index).toMap()));
    }
    s.image = imageForNickname(s.nickname.text);
    s.noneEnabled = !s.image.isNull();
    s.focus = QStringLiteral("name");
    m_fromSheetOpen = true;
}

void MasterController::cancelAddFromAddressSheet() { endFromSheet(); }

void MasterController::endFromSheet()
{
    m_fromSheetOpen = false;
    setUpFromPopup();
    ReturnAddressSheet &s = m_fromSheet;
    s.standardizeEnabled = false;
    s.acceptsDrags = true;
    for (FormField *field :
         {&s.nickname, &s.name, &s.company, &s.suiteApt, &s.street, &s.city, &s.state, &s.zip, &s.phone}) {
        field->text.clear();
        field->enabled = true;
    }
}

bool MasterController::okFromAddressSheet()
{
    ReturnAddressSheet &s = m_fromSheet;
    const bool editing = s.editing;
    const QStringList names = fromNames();
    const QStringList allNames = names + QStringList{kMe, kTolvane};
    const QString chosen = defaults().stringForKey(kFromAddressDefault);
    const bool special = chosen == kMe || chosen == kTolvane;
    const std::optional<qsizetype> index = special ? std::nullopt : listIndex(chosen);
    // The special sources keep their own names (never a saved entry's).
    const QString oldNickname = special ? chosen : (index && *index < names.size() ? names.at(*index) : QString());
    const QString nickname = s.nickname.text;

    if (nickname.isEmpty()) {
        runAlert(
            editAlert(QStringLiteral("Empty Nickname."), QStringLiteral("Please enter a nickname for this address.")));
        s.focus = QStringLiteral("nickname");
        return false;
    }
    const bool duplicate = editing ? (!special && allNames.contains(nickname) && nickname != oldNickname)
                                   : (allNames.contains(nickname) || nickname == kAutomationNickname);
    if (duplicate) {
        runAlert(editAlert(QStringLiteral("Duplicate Nickname."),
                           QStringLiteral("This nickname is already in use. Please enter a unique name for this "
                                          "address.")));
        s.focus = QStringLiteral("nickname");
        return false;
    }
    if ((s.name.text.isEmpty() && s.company.text.isEmpty()) || s.street.text.isEmpty() || s.city.text.isEmpty() ||
        s.state.text.isEmpty() || s.zip.text.isEmpty()) {
        runAlert(editAlert(QStringLiteral("Incomplete Address."),
                           QStringLiteral("Please enter a complete return address including name or company and "
                                          "mailing address.")));
        return false;
    }
    const QVAddress address = addressFromSheet();
    const QString digits = address.phoneWithNoPunctuation();
    if (!digits.isEmpty() && digits.size() <= 9) {
        runAlert(editAlert(QStringLiteral("Invalid Phone Number."),
                           QStringLiteral("Please enter a complete phone number with area code.")));
        s.focus = QStringLiteral("phone");
        return false;
    }

    if (!editing) {
        addFromAddress(address, nickname);
    } else if (chosen == kTolvane) {
        defaults().setString(s.phone.text, kFromPhoneDefault);
    } else if (index) {
        replaceFromAddress(address, nickname, *index);
    }
    if (editing && oldNickname != nickname)
        deleteFromAddressImageForNickname(oldNickname);
    saveFromAddressImage(s.image, nickname);
    endFromSheet();
    return true;
}

void MasterController::standardizeFromAddress()
{
    ReturnAddressSheet &s = m_fromSheet;
    s.progressRunning = true;
    QVAddress address = addressFromSheet();
    const QString suite = address.suiteApt();
    if (!suite.isEmpty() && std::all_of(suite.cbegin(), suite.cend(), [](QChar c) { return c.isDigit(); }))
        address.setSuiteApt(QStringLiteral("STE ") + suite);
    if (address.formattedAddressWithoutName().trimmed().isEmpty()) {
        s.progressRunning = false;
        runAlert(alertWithText(QStringLiteral("Could Not Standardize"),
                               QStringLiteral("You must enter at least part of an address before it can be "
                                              "standardized.")));
        return;
    }
    // The service gets the address without the name, always upper-cased;
    // what it answers overwrites the fields it names.
    if (m_env.addressCorrection) {
        if (const std::optional<QVAddress> result =
                m_env.addressCorrection->standardizedAddressWithString(address.formattedAddressWithoutName(), true))
            address.setValuesForKeysWithDictionary(result->plist());
    }
    s.progressRunning = false;
    const int code = m_env.addressCorrection ? int(longLongValue(m_env.addressCorrection->lastErrorCode())) : 0;
    // 31 and 32 both confirm the address (32 is a confirmed match too) and
    // fill the sheet (name and phone stay as typed); any other code tells
    // why and leaves the fields.
    if (code == 31 || code == 32) {
        fillSheetAddressFields(address);
        return;
    }
    const QString reason = m_env.addressCorrection ? m_env.addressCorrection->lastErrorDescription() : QString();
    runAlert(alertWithText(QStringLiteral("Could Not Standardize"),
                           QStringLiteral("We could not standardize this address because:\n\n%1\n\nYou can still use "
                                          "this address as your return address, however undeliverable mail may take "
                                          "longer to be returned to you.")
                               .arg(reason)));
}

void MasterController::addFromVCardDrag(const QByteArray &vCard)
{
    const std::optional<Person> person = personWithVCardRepresentation(vCard);
    if (!person)
        return;
    const QVAddress address = addressWithABPerson(*person).value_or(QVAddress());
    ReturnAddressSheet &s = m_fromSheet;
    fillSheetFields(address);
    s.phone.text = address.phoneWithNoPunctuation();
    // The card's picture goes into the well ("none" can clear it).
    s.image = vCardPicture(person->imageData());
    s.noneEnabled = !s.image.isNull();
}

void MasterController::addFromImageDrop(const QImage &image)
{
    m_fromSheet.image = image;
    m_fromSheet.noneEnabled = !image.isNull();
}

void MasterController::addFromClearImage()
{
    m_fromSheet.image = QImage();
    m_fromSheet.noneEnabled = false;
}

void MasterController::addFromBrowseForImages()
{
    QStringList extensions;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        extensions.append(QString::fromLatin1(format));
    const std::optional<QString> path = runOpenPanel(OpenPanel{QStringLiteral("Choose a Picture"), extensions});
    if (!path)
        return;
    addFromImageDrop(QImage(*path));
}

// ---- Pictures ----------------------------------------------------------------------------------

QString MasterController::imagePathForNickname(const QString &nickname)
{
    return picturePath(nickname, QStringLiteral("-returnGraphic.tiff"));
}

QString MasterController::imagePlistPathForNickname(const QString &nickname)
{
    return picturePath(nickname, QStringLiteral("-returnGraphic.plist"));
}

QImage MasterController::imageForNickname(const QString &nickname)
{
    const QString path = imagePathForNickname(nickname);
    return path.isEmpty() ? QImage() : QImage(path);
}

void MasterController::saveFromAddressImage(const QImage &image, const QString &nickname)
{
    if (image.isNull()) {
        deleteFromAddressImageForNickname(nickname);
        return;
    }
    const QString tiffPath = imagePathForNickname(nickname);
    const QString plistPath = imagePlistPathForNickname(nickname);
    if (tiffPath.isEmpty() || plistPath.isEmpty())
        return;
    QSaveFile file(tiffPath);
    if (file.open(QIODevice::WriteOnly)) {
        QImageWriter writer(&file, "tiff");
        if (writer.write(image))
            file.commit();
        else
            file.cancelWriting();
    }

    tolvane::ImageConverter converter;
    converter.setImage(image);
    const QSizeF size = converter.imageSize();
    if (size.width() > kThermalPictureSide || size.height() > kThermalPictureSide) {
        const double ratio = size.width() / size.height();
        converter.setTargetSize(ratio <= 1 ? QSizeF(kThermalPictureSide * ratio, kThermalPictureSide)
                                           : QSizeF(kThermalPictureSide, kThermalPictureSide / ratio));
    }
    const std::optional<QByteArray> bitmap = converter.imageData();
    if (!bitmap)
        return;
    QByteArray data = tolvane::windows1252Data(
        QStringLiteral("GW14,360,%1,%2\n").arg(converter.bytesPerRow()).arg(converter.height()));
    data += *bitmap;
    data += '\n';
    const QVariantMap plist{{QStringLiteral("data"), data},
                            {QStringLiteral("width"), QString::number(converter.width() + 20)}};
    writePropertyListFile(plistPath, plist, PropertyListFormat::Xml);
}

void MasterController::deleteFromAddressImageForNickname(const QString &nickname)
{
    for (const QString &path : {imagePathForNickname(nickname), imagePlistPathForNickname(nickname)}) {
        const QFileInfo info(path);
        if (!path.isEmpty() && info.exists() && !info.isDir())
            QFile::remove(path);
    }
}

void MasterController::upgradeReturnAddressImage(bool usedFromAddressImage)
{
    UserDefaults &d = defaults();
    const QVariant lastRun = d.objectForKey(kLastRunDefault);
    if (lastRun.isValid() && longLongValue(lastRun.toString()) > 42)
        return;
    if (!usedFromAddressImage)
        return;
    const QVariant chosenValue = d.objectForKey(kFromAddressDefault);
    if (!chosenValue.isValid())
        return;
    const QString chosen = chosenValue.toString();
    QString nickname;
    if (chosen == kMe || chosen == kTolvane) {
        nickname = chosen;
    } else {
        const std::optional<qsizetype> index = listIndex(chosen);
        const QStringList names = fromNames();
        if (!index || *index >= names.size() || *index >= fromValues().size())
            return;
        nickname = names.at(*index);
    }
    const QString folder = applicationSupportDirectory();
    if (folder.isEmpty())
        return;
    // Without the old picture there is nothing to move (and nothing of the
    // nickname's is deleted).
    const QImage image(QDir(folder).filePath(QStringLiteral("returnGraphic.tiff")));
    if (image.isNull())
        return;
    saveFromAddressImage(image, nickname);
    updateFromAddress();
}
