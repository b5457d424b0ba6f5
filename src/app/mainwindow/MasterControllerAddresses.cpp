// MasterController: the entry points that start a new shipment, the
// destination box (standardisation through the address-correction client,
// the inexact-match and error sheets, the destination setter, its status
// text and the vCard drag view), the batch preflight and the sheets of the
// main window.
#include "app/mainwindow/MasterController.h"

#include "model/ABAddressBook.h"
#include "model/QVAddressParsing.h"
#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "model/StringAdditions.h"
#include "model/VCard.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "sources/QVAddressBookController.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kUppercaseAddressesDefault = QStringLiteral("uppercaseAddresses");
const QString kUseServiceStandardsDefault = QStringLiteral("useServiceStandards");
const QString kApplicationURLPrefix = QStringLiteral("tolvane://");
// A block of an outside e-mail program's settings pasted in place of an
// address begins with this tag (a setting; built in: the tag of the
// "x-eudora-setting" links); the program's published list of its settings
// is the page of the second setting (none built in: without it the alert
// offers no button to it).
const QString kEmailSettingsTagDefault = QStringLiteral("emailProgramSettingsTag");
const QString kEmailSettingsTagBuiltIn = QStringLiteral("<x-eudora-setting:");
const QString kEmailSettingsListDefault = QStringLiteral("emailProgramSettingsListURL");
// The outside map site's search page.
const QString kMapSearchURL = QStringLiteral("https://maps.google.com/maps");

// Answers of a sheet's buttons: the default button and the other one.
constexpr int kDefaultAnswer = 1;
constexpr int kAlternateAnswer = 0;

// The largest vCard file read as a new shipment.
constexpr qint64 kMaximumVCardFileSize = 16 * 1024 * 1024;

bool isASCII(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// The line in ASCII: letters decomposed and their combining marks dropped
// ("é" becomes "e"), then every character still outside ASCII lost ("?").
QString asciiLine(const QString &line)
{
    if (isASCII(line))
        return line;
    const QString decomposed = line.normalized(QString::NormalizationForm_KD);
    QString result;
    result.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
            category == QChar::Mark_Enclosing)
            continue;
        if (c.isLowSurrogate())
            continue;
        result.append(c.unicode() < 0x80 ? c : QLatin1Char('?'));
    }
    return result;
}

// The primary value of a multi-value, else its last one; nothing when it
// holds none.
std::optional<QString> primaryOrLast(const ABMultiStringValue &values)
{
    if (values.isEmpty())
        return std::nullopt;
    qsizetype index = values.primaryIndex();
    if (index < 0)
        index = values.count() - 1;
    const QString value = values.valueAtIndex(index);
    return value.isNull() ? QString(QLatin1String("")) : value;
}

bool isEmailProgramSettings(UserDefaults &defaults, const QString &typed)
{
    const QVariant stored = defaults.objectForKey(kEmailSettingsTagDefault);
    const QString tag = stored.isValid() ? stored.toString() : kEmailSettingsTagBuiltIn;
    return !tag.isEmpty() && typed.trimmed().startsWith(tag, Qt::CaseInsensitive);
}

void refuseEmailProgramSettings(UserDefaults &defaults)
{
    const QUrl list(defaults.stringForKey(kEmailSettingsListDefault), QUrl::StrictMode);
    const bool offersList =
        list.isValid() && (list.scheme() == QLatin1String("https") || list.scheme() == QLatin1String("http"));
    Alert alert = alertWithText(QStringLiteral("E-mail Program Settings Are Not Supported"),
                                QStringLiteral("The text in the address box holds settings of an e-mail program, not "
                                               "an address. Tolvane does not support such settings; enter the "
                                               "recipient's address instead."));
    alert.buttons = {{QStringLiteral("OK"), kDefaultAnswer}};
    alert.cancelAnswer = kDefaultAnswer;
    if (offersList)
        alert.buttons.append({QStringLiteral("Show Settings List"), kAlternateAnswer});
    if (runAlert(alert) == kAlternateAnswer && offersList)
        openUrl(list);
}

} // namespace

// ---- Sheets on the main window ------------------------------------------------------

bool MasterController::hasAttachedSheet() const
{
    return m_sheet.has_value() || m_fromSheetOpen || (m_view && m_view->hasAttachedSheet());
}

void MasterController::beginSheet(const Alert &alert, std::function<void(int)> didEnd)
{
    m_sheet = PendingSheet{alert, std::move(didEnd)};
    if (m_view)
        m_view->sheetDidBegin();
}

void MasterController::endSheet(int answer)
{
    if (!m_sheet)
        return;
    const std::function<void(int)> didEnd = std::move(m_sheet->didEnd);
    m_sheet.reset();
    if (didEnd)
        didEnd(answer);
}

// ---- New shipments -------------------------------------------------------------------

void MasterController::newPackageWithAddressString(const QString &address, const std::optional<QString> &email,
                                                   const std::optional<QString> &phone,
                                                   const std::optional<QString> &description,
                                                   const std::optional<QString> &referenceID, bool focus)
{
    m_env.shell->showLabels();
    m_currentShipmentIsGo = false;
    if (focus) {
        if (m_view)
            m_view->commitEditing();
        m_form.makeFirstResponder(std::nullopt);
    }
    leaveBatchPrint();
    run(m_env.hooks.validateInsuranceCheckbox);
    setToAddress(QVAddress());
    FormField &box = m_form.field(FormControl::ToAddress);
    box.enabled = true;
    box.text = address;
    setToEmailAddressString(email);
    setToPhoneNumberString(phone);
    if (description)
        setCurrentShipmentProperty(*description, QVShipmentDescriptionKey);
    if (referenceID)
        setCurrentShipmentProperty(*referenceID, QVShipmentInvoiceNumberKey);
    windowUpdate();
    if (focus)
        m_form.makeFirstResponder(FormControl::ToAddress);
}

bool MasterController::newPackageWithVCard(const QByteArray &data)
{
    const std::optional<Person> person = personWithVCardRepresentation(data);
    if (!person)
        return false;
    newPackageWithAddressString(qv_formattedAddressString(*person), primaryOrLast(person->emails()),
                                primaryOrLast(person->phones()), std::nullopt, std::nullopt, true);
    return true;
}

bool MasterController::processVCardFileAtURL(const QString &path)
{
    // A regular file only, read without blocking: a FIFO or a device named
    // by a link or the socket is refused unread.
    const std::optional<QByteArray> data = vCardFileData(path);
    if (!data || data->size() > kMaximumVCardFileSize)
        return false;
    return newPackageWithVCard(*data);
}

void MasterController::newPackage()
{
    clearAllFields();
    run(m_env.hooks.deselectAddressBookTable);
    newPackageWithAddressString(QString(QLatin1String("")), QString(QLatin1String("")), QString(QLatin1String("")),
                                std::nullopt, std::nullopt, true);
    setPendingCallbackURL(QUrl());
}

void MasterController::setToAddressString(const QString &text)
{
    m_form.setText(FormControl::ToAddress, text);
    setToAddress(QVAddress());
}

void MasterController::setToPhoneNumberString(const std::optional<QString> &text)
{
    if (text)
        m_form.setText(FormControl::ToPhone, *text);
}

void MasterController::setToEmailAddressString(const std::optional<QString> &text)
{
    if (text)
        m_form.setText(FormControl::ToEmail, *text);
}

void MasterController::vCardDrag(const Person &person)
{
    setToEmailAddressString(primaryOrLast(person.emails()));
    setToPhoneNumberString(primaryOrLast(person.phones()));
}

void MasterController::mapIt()
{
    QUrl url(kMapSearchURL);
    url.setQuery(QStringLiteral("q=") +
                     QString::fromLatin1(QUrl::toPercentEncoding(m_to.formattedAddressOnOneLineWithoutName())),
                 QUrl::StrictMode);
    openUrl(url);
}

void MasterController::addToAddressBook()
{
    if (!m_form.field(FormControl::DragView).enabled || hasAttachedSheet())
        return;
    const std::optional<Person> person = personWithVCardRepresentation(m_dragVCard);
    if (!person)
        return;
    QStringList names;
    for (const QString &part : {person->firstName(), person->middleName(), person->lastName()}) {
        if (!part.isEmpty())
            names.append(part);
    }
    Alert alert =
        alertWithText(QStringLiteral("Add %1 to your Address Book?").arg(names.join(QLatin1Char(' '))), QString());
    alert.buttons = {{QStringLiteral("OK"), kDefaultAnswer}, {QStringLiteral("Cancel"), kAlternateAnswer}};
    alert.cancelAnswer = kAlternateAnswer;
    beginSheet(alert, [person = *person](int answer) {
        if (answer == kDefaultAnswer)
            ABAddressBook::sharedAddressBook().addRecord(person);
    });
}

// ---- Batch mode --------------------------------------------------------------------------

// Entering and leaving batch mode: MasterControllerWeight.cpp.

bool MasterController::preflightBatch()
{
    if (m_currentShipment->shippable())
        return true;
    const auto isDomestic = [](const QVAddress &address) {
        QString country = address.country();
        country.remove(QRegularExpression(QStringLiteral("\\s")));
        return country.isEmpty() || QVCountry::isCountryStringUSA(country);
    };
    if (!m_batchAddresses.isEmpty()) {
        const bool firstDomestic = isDomestic(m_batchAddresses.first());
        for (const QVAddress &address : std::as_const(m_batchAddresses)) {
            if (isDomestic(address) != firstDomestic) {
                Alert alert = alertWithText(QStringLiteral("Invalid mix of domestic and international addresses"),
                                            QStringLiteral("All addresses in a batch print job must have the same "
                                                           "destination of either domestic or international "
                                                           "addresses."));
                beginSheet(alert, {});
                return false;
            }
        }
    }
    const bool wasAutomation = m_env.shell->isAutomation();
    m_env.shell->setAutomation(true);
    const bool standardized = !m_batchAddresses.isEmpty() &&
        standardizeAddressString(m_batchAddresses.first().formattedAddress(), true, false);
    m_env.shell->setAutomation(wasAutomation);
    if (standardized && m_currentShipment->shippable())
        return true;
    beginSheet(alertWithText(QStringLiteral("Address Verification Error"),
                             QStringLiteral("The first address in your batch could not be verified.")),
               {});
    return false;
}

// ---- The destination box -------------------------------------------------------------------

bool MasterController::standardizeTextBoxAddress(bool senderIsController)
{
    if (m_batchMode)
        return preflightBatch();
    return standardizeTextBoxAddress(senderIsController, false);
}

bool MasterController::standardizeTextBoxAddress(bool senderIsController, bool forPrinting)
{
    if (m_form.firstResponder == FormControl::ToAddress) {
        if (m_view)
            m_view->commitEditing();
        m_form.makeFirstResponder(std::nullopt);
    }
    return standardizeAddressString(m_form.text(FormControl::ToAddress), senderIsController, forPrinting);
}

bool MasterController::standardizeSuccess(bool forPrinting)
{
    if (!forPrinting)
        m_form.makeFirstResponder(FormControl::Weight);
    return true;
}

bool MasterController::standardizeAddressString(const QString &typed, bool senderIsController, bool forPrinting)
{
    // 1. Nothing typed.
    if (isEmptyString(typed)) {
        if (!senderIsController)
            runAlert(alertWithText(QStringLiteral("Empty Address"),
                                   QStringLiteral("You must enter a valid destination address.")));
        setToAddress(QVAddress());
        return false;
    }
    // 2. The destination as it stands.
    if (typed.trimmed() == m_to.formattedAddress())
        return true;
    // 3. An e-mail program's settings are no address.
    if (isEmailProgramSettings(defaults(), typed)) {
        refuseEmailProgramSettings(defaults());
        return false;
    }
    // 4. The program's own URLs go to its own handler (which asks first),
    // never to the desktop.
    if (typed.startsWith(kApplicationURLPrefix)) {
        const QUrl url(typed.trimmed(), QUrl::StrictMode);
        if (url.isValid()) {
            // The text itself: a URL's host (the command) loses its case.
            m_env.shell->handleApplicationURL(typed.trimmed());
            return true;
        }
    }

    UserDefaults &d = defaults();
    const bool uppercase = d.boolForKey(kUppercaseAddressesDefault);
    const QString text = uppercase ? typed.toUpper() : typed;

    // 4. The lines.
    QStringList lines;
    for (const QString &line : text.split(QRegularExpression(QStringLiteral("\\r\\n|[\\n\\r\\x{2028}\\x{2029}]")))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines.append(trimmed);
    }
    if (lines.size() < 2)
        return false;

    // 5. ASCII lines; a Japanese destination must be ASCII already.
    const QString candidate = lines.last().toUpper();
    if (candidate == QStringLiteral("JAPAN")) {
        for (const QString &line : std::as_const(lines)) {
            if (!isASCII(line))
                return false;
        }
    } else {
        for (QString &line : lines)
            line = asciiLine(line);
    }

    // 6. International: the last line names a country.
    const std::optional<QVCountry> country = QVCountry::countryWithAnyName(candidate);
    const QString countryName = country ? country->rateName().toUpper() : QString();
    if (!countryName.isEmpty()) {
        QVAddress address;
        address.setCountry(countryName);
        lines.removeLast();
        if (!lines.isEmpty())
            address.setName(lines.takeFirst());
        address.setInternationalAddressLines(lines);
        addEmailAndPhoneToAddress(address);
        setCurrentShipmentProperty(false, QVUSPSShipmentReplyPostageKey);
        setToAddress(address);
        if (!m_currentShipment->shippable()) {
            // The piece has no price to that country (the rate tables have
            // none for its class, size and weight): the user is told why the
            // address is refused rather than seeing only "Invalid".
            if (!m_env.shell->isAutomation())
                beginSheet(alertWithText(QStringLiteral("No Price for This Piece"),
                                         QStringLiteral("Tolvane knows no price for this piece to %1, so it cannot be "
                                                        "mailed with postage from Tolvane. Choose another mailpiece "
                                                        "or weight and verify the address again.")
                                             .arg(countryName)),
                           [this](int answer) { validatedAddressSheetDidEnd(answer, std::nullopt); });
            setToAddress(QVAddress());
            return false;
        }
        resetWeightMenuForNewRateClass();
        return standardizeSuccess(forPrinting);
    }

    // 7. Domestic: the address-correction service decides.
    if (!m_env.addressCorrection) {
        setToAddress(QVAddress());
        return false;
    }
    std::optional<QVAddress> result =
        m_env.addressCorrection->standardizedAddressWithString(lines.join(QLatin1Char('\n')), uppercase);
    QVAddress address = result.value_or(QVAddress());
    addEmailAndPhoneToAddress(address);
    const int code = int(longLongValue(m_env.addressCorrection->lastErrorCode()));
    const QString description = m_env.addressCorrection->lastErrorDescription();

    if (code == 31 || code == 32) {
        setToAddress(address);
        return standardizeSuccess(forPrinting);
    }
    if (code == 22 || code == 25) {
        if (m_env.shell->isAutomation()) {
            setToAddress(address);
            return true;
        }
        Alert alert = alertWithText(
            QStringLiteral("Inexact Address Match"),
            QStringLiteral("Postal Service regulations require that all addresses be verified.\n\nThis address can "
                           "still be shipped to but Tolvane could not verify an exact address.\n\nError %1 - %2")
                .arg(code)
                .arg(description));
        alert.buttons = {{QStringLiteral("OK"), kDefaultAnswer}, {QStringLiteral("Edit Address"), kAlternateAnswer}};
        alert.cancelAnswer = kAlternateAnswer;
        const InexactMatchContext context{address, forPrinting, true};
        beginSheet(alert, [this, context](int answer) { validatedAddressSheetDidEnd(answer, context); });
        return true;
    }
    if (!m_env.shell->isAutomation()) {
        Alert alert = alertWithText(
            QStringLiteral("Address Verification Error"),
            QStringLiteral("Postal Service regulations require that all addresses be verified. You must correct "
                           "this address before you will be able to ship this package.\n\nError %1 - %2")
                .arg(code)
                .arg(description));
        beginSheet(alert, [this](int answer) { validatedAddressSheetDidEnd(answer, std::nullopt); });
    }
    setToAddress(QVAddress());
    return false;
}

void MasterController::validatedAddressSheetDidEnd(int answer, const std::optional<InexactMatchContext> &context)
{
    if (answer != kDefaultAnswer) {
        m_form.makeFirstResponder(FormControl::ToAddress, true);
        setToAddress(QVAddress());
        return;
    }
    if (!context)
        return;
    setToAddress(context->address);
    m_form.setText(FormControl::ToAddress, context->address.formattedAddress());
    if (context->printing) {
        std::weak_ptr<int> alive = m_alive;
        m_env.scheduler->callAfter(0, [this, alive] {
            if (!alive.expired())
                m_env.printing->printTheLabel();
        });
    } else if (context->focusRateWeight) {
        m_form.makeFirstResponder(FormControl::Weight);
    }
}

void MasterController::setToAddress(const QVAddress &address)
{
    m_to = address;
    setCurrentShipmentProperty(m_to.plist(), QVShipmentToAddressKey);
    setInternational(!m_to.isDomestic());

    const bool shippable = m_currentShipment->shippable();
    if (shippable) {
        if (!m_batchMode)
            m_form.setText(FormControl::ToAddress, m_to.formattedAddress());
        if (defaults().boolForKey(kUseServiceStandardsDefault))
            updateServiceStandards();
        else
            m_form.setText(FormControl::RateEstimated, QStringLiteral("--"));
        m_dragVCard = vCardRepresentation(m_to);
    }
    setDragEnabled(shippable);
    m_form.setText(FormControl::ToAddressStatus, addressStatusStringForAddress(&address, shippable));
    if (m_batchMode)
        setDragEnabled(false);
    if (m_to.isDomestic()) {
        setInternationalMailToVisible(isEligibleForDomesticIntegratedCustomsForms(*m_currentShipment));
        resetWeightMenuForNewRateClass();
    }
    run(m_env.hooks.updateCharacterCountWarning);
}

QString MasterController::addressStatusStringForAddress(const QVAddress *address, bool valid) const
{
    if (!valid)
        return QStringLiteral("Invalid");
    const QString validText = QStringLiteral("Valid");
    if (isMilitaryMail(*m_currentShipment) || !address)
        return validText;
    const QString indicator = address->residentialIndicator();
    if (indicator == QStringLiteral("B"))
        return validText + QStringLiteral(", Business");
    if (indicator == QStringLiteral("R"))
        return validText + QStringLiteral(", Residential");
    return validText;
}

void MasterController::textDidChange()
{
    const QString text = m_form.text(FormControl::ToAddress);
    const QString formatted = m_to.formattedAddress();
    if (text != formatted) {
        m_form.setText(FormControl::ToAddressStatus, addressStatusStringForAddress(nullptr, false));
        setDragEnabled(false);
    } else if (!text.isEmpty() && !m_batchMode) {
        m_form.setText(FormControl::ToAddressStatus, addressStatusStringForAddress(&m_to, true));
        setDragEnabled(true);
    }
    run(m_env.hooks.updateCharacterCountWarning);
}

void MasterController::setDestinationText(const QString &text)
{
    m_form.setText(FormControl::ToAddress, text);
    textDidChange();
}

QString MasterController::addressCorrectionErrorDescription() const
{
    return m_env.addressCorrection ? m_env.addressCorrection->lastErrorDescription() : QString();
}

bool MasterController::doCommandBySelector(TextCommand command, std::optional<MasterTextRange> selection)
{
    switch (command) {
    case TextCommand::InsertNewline: {
        // A line break in place of the selection, never the window's default
        // button.
        FormField &box = m_form.field(FormControl::ToAddress);
        const qsizetype size = box.text.size();
        const qsizetype start = selection ? std::clamp<qsizetype>(selection->start, 0, size) : size;
        const qsizetype length = selection ? std::clamp<qsizetype>(selection->length, 0, size - start) : 0;
        box.text.replace(start, length, QStringLiteral("\n"));
        textDidChange();
        return true;
    }
    case TextCommand::InsertTab: {
        std::weak_ptr<int> alive = m_alive;
        m_env.scheduler->callAfter(0, [this, alive] {
            if (!alive.expired())
                m_form.makeFirstResponder(FormControl::Weight);
        });
        return true;
    }
    case TextCommand::Other:
        break;
    }
    return false;
}
