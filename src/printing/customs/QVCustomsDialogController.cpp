#include "printing/customs/QVCustomsDialogController.h"

#include "model/QVCountry.h"
#include "model/QVWeight.h"
#include "platform/Bundle.h"
#include "platform/Decimal.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "printing/customs/QVCustomsItems.h"
#include "printing/customs/QVCustomsServices.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"

#include <QFile>
#include <QVariantList>

#include <limits>

namespace tolvane {

namespace {

const QString kPrintCustomsSendersCopyKey = QStringLiteral("printCustomsSendersCopy");
const QString kCustomsSendersNameKey = QStringLiteral("customsSendersName");
const QString kNoCustomsOnFCMIKey = QStringLiteral("noCustomsOnFCMI");
const QString kUnitedStates = QStringLiteral("United States");

const QString kContentOtherField = QStringLiteral("contentTypeOtherField");
const QString kItnField = QStringLiteral("itnField");
const QString kNameField = QStringLiteral("iAgreeName");
const QString kWeightStem = QStringLiteral("weight");
const QString kValueStem = QStringLiteral("value");
const QString kCountryStem = QStringLiteral("originCountry");

// The stems of an item row in the order of the row.
const QStringList &rowStems()
{
    static const QStringList stems{
        QStringLiteral("qty"),   kValueStem, kWeightStem, kCountryStem, QStringLiteral("description"),
        QStringLiteral("tariff")};
    return stems;
}

QString rowField(const QString &stem, int row) { return QStringLiteral("%1%2").arg(stem).arg(row); }

// The leading whole number of a text as a number field reads it: white space
// skipped, an optional sign, the digits up to the first other character;
// 0 without digits, clamped to the range of int.
int leadingInt(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+'))
        negative = text.at(i++) == u'-';
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > std::numeric_limits<int>::max())
            return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    return int(negative ? -value : value);
}

// The decimal number a value field holds: its text read as a number, or
// nothing when it is not one.
std::optional<Decimal> valueOfText(const QString &text)
{
    QString plain = text.trimmed();
    plain.remove(u'$');
    plain.remove(u',');
    return Decimal::parse(plain);
}

void alert(const QString &message, const QString &informative)
{
    Alert a;
    a.messageText = message;
    a.informativeText = informative;
    a.buttons = {{QStringLiteral("OK"), 1}};
    a.cancelAnswer = 1;
    runAlert(a);
}

QString readItnExplanation()
{
    const QString path = Bundle::pathForResource(QStringLiteral("USPSPub613"), QStringLiteral("html"));
    if (path.isEmpty())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.read(1 << 20));
}

bool isPMIsizeFor2976(const QVShipment &shipment)
{
    return QVUSPSIntlRateClass::PMIsizesFor2976().contains(shipmentText(shipment, QVUSPSShipmentSizeKey));
}

} // namespace

QVCustomsDialogController::QVCustomsDialogController(std::shared_ptr<QVShipment> shipment)
    : m_shipment(std::move(shipment))
{
    if (!m_shipment)
        m_shipment = std::make_shared<QVShipment>();
    const QStringList titles = formNames();
    for (int i = 0; i < 3; ++i)
        m_formCells[size_t(i)].title = titles.at(i);
    const QStringList contents = contentTypes();
    for (int i = 0; i < 6; ++i)
        m_contentCells[size_t(i)].title = contents.at(i);
    for (const QString &name : fieldNames())
        m_fields.insert(name, QVCustomsField());
    m_itnAbout = readItnExplanation();
    m_currentFormType = shipmentText(*m_shipment, QVUSPSShipmentCustomsFormTypeKey);
    syncFieldsToShipment();
}

// ===== Tables ======================================================================

QStringList QVCustomsDialogController::formTypes() const
{
    const QString rateClass = shipmentText(*m_shipment, QVUSPSShipmentRateClassKey);
    const QString none = QVUSPSShipmentNoCustomsFormType;
    if (rateClass == QVUSPSIntlExpressMailIntl)
        return {none, QVUSPSShipment2976AEMICustomsFormType, none};
    if (rateClass == QVUSPSIntlFirstClassMailIntl)
        return {QVUSPSShipment2976FCMICustomsFormType, none, none};
    if (rateClass == QVUSPSIntlPriorityMailIntl) {
        if (isPMIsizeFor2976(*m_shipment))
            return {QVUSPSShipment2976PMICustomsFormType, none, none};
        return {none, QVUSPSShipment2976APMICustomsFormType, none};
    }
    if (isEligibleForDomesticIntegratedCustomsForms(*m_shipment))
        return {QVUSPSShipment2976CustomsFormType, none, none};
    return {QVUSPSShipment2976CustomsFormType, QVUSPSShipment2976ACustomsFormType, none};
}

QStringList QVCustomsDialogController::formNames()
{
    return {QStringLiteral("Form 2976 (CN 22)"), QStringLiteral("Form 2976-A (CP 72)"), QStringLiteral("None")};
}

QStringList QVCustomsDialogController::contentTypes()
{
    return {QVUSPSShipmentCustomsFormSampleContentType,      QVUSPSShipmentCustomsFormGiftContentType,
            QVUSPSShipmentCustomsFormDocumentsContentType,   QVUSPSShipmentCustomsFormOtherContentType,
            QVUSPSShipmentCustomsFormMerchandiseContentType, QVUSPSShipmentCustomsFormReturnedGoodsContentType};
}

const QHash<QString, QString> &QVCustomsDialogController::fieldMap()
{
    static const QHash<QString, QString> map{
        {QStringLiteral("qty"), QVShipmentItemQuantityKey},
        {kValueStem, QVShipmentItemValueKey},
        {kCountryStem, QVShipmentItemCountryOfOriginKey},
        {QStringLiteral("description"), QVShipmentItemDescriptionKey},
        {QStringLiteral("tariff"), QVShipmentItemHSTariffNumberKey},
    };
    return map;
}

int QVCustomsDialogController::rowCountForFormType(const QString &formType)
{
    return formType == QVUSPSShipmentNoCustomsFormType ? 0 : kRowCount;
}

QStringList QVCustomsDialogController::fieldNames()
{
    QStringList names;
    for (int row = 1; row <= kRowCount; ++row) {
        for (const QString &stem : rowStems())
            names << rowField(stem, row);
    }
    names << kContentOtherField << kItnField << kNameField;
    return names;
}

// ===== Plain state ====================================================================

QVCustomsField QVCustomsDialogController::field(const QString &name) const
{
    return m_fields.value(name, QVCustomsField{QString(), false});
}

void QVCustomsDialogController::setFieldText(const QString &name, const QString &text)
{
    auto it = m_fields.find(name);
    if (it != m_fields.end())
        it->text = text;
}

QVCustomsField &QVCustomsDialogController::fieldRef(const QString &name)
{
    // Every name used here is one of fieldNames(), inserted at creation.
    return m_fields[name];
}

bool QVCustomsDialogController::endEditing() { return endEditingHook ? endEditingHook() : true; }

void QVCustomsDialogController::changed()
{
    if (stateChangedHook)
        stateChangedHook();
}

// ===== Reading the shipment ===============================================================

void QVCustomsDialogController::currentShipmentChanged()
{
    m_currentFormType = shipmentText(*m_shipment, QVUSPSShipmentCustomsFormTypeKey);
    syncFieldsToShipment();
}

void QVCustomsDialogController::syncFieldsToShipment()
{
    const QVShipment &shipment = *m_shipment;
    const QStringList types = formTypes();
    const QString rateClass = shipmentText(shipment, QVUSPSShipmentRateClassKey);
    const bool integrated = isEligibleForDomesticIntegratedCustomsForms(shipment);

    // Which cells may be chosen.
    std::array<bool, 3> enabled{true, true, true};
    if (rateClass == QVUSPSIntlGlobalExpressMail || rateClass == QVUSPSIntlExpressMailIntl) {
        enabled = {false, true, false};
    } else if (rateClass == QVUSPSIntlFirstClassMailIntl) {
        enabled = {true, false, true};
    } else if (rateClass == QVUSPSIntlPriorityMailIntl) {
        const bool cn22 = isPMIsizeFor2976(shipment);
        enabled = {cn22, !cn22, true};
    } else {
        enabled = {true, !integrated, true};
    }
    for (size_t i = 0; i < 3; ++i)
        m_formCells[i].enabled = enabled[i];

    // The chosen form: the dialog's own while its cell may be chosen, else
    // the generic 2976-A when offered, else the last cell.
    int index = m_currentFormType.isEmpty() ? -1 : int(types.indexOf(m_currentFormType));
    if (index < 0 || !m_formCells[size_t(index)].enabled) {
        index = int(types.indexOf(QVUSPSShipment2976ACustomsFormType));
        if (index < 0)
            index = int(types.size()) - 1;
        m_currentFormType = types.at(index);
    }
    m_selectedFormTag = index;
    const QString chosen = types.at(index);
    const bool noForm = chosen == QVUSPSShipmentNoCustomsFormType;

    m_contentMatrixEnabled = !noForm;
    m_clearAllEnabled = !noForm;
    int contentTag = int(contentTypes().indexOf(shipmentText(shipment, QVUSPSShipmentCustomsFormContentTypeKey)));
    if (contentTag < 0)
        contentTag = int(contentTypes().indexOf(QVUSPSShipmentCustomsFormMerchandiseContentType));
    changedContentType(contentTag);

    // The item rows.
    const int rowCount = rowCountForFormType(chosen);
    const QList<QVariantMap> items = customsItemList(shipment);
    for (int row = 1; row <= kRowCount; ++row) {
        const bool shown = row <= rowCount;
        const QVariantMap item = row <= items.size() ? items.at(row - 1) : QVariantMap();
        for (auto it = fieldMap().cbegin(); it != fieldMap().cend(); ++it) {
            QVCustomsField &f = fieldRef(rowField(it.key(), row));
            const bool isValue = it.key() == kValueStem;
            const QVariant stored = item.value(it.value());
            if (!shown || !stored.isValid()) {
                f.text = isValue ? QStringLiteral("0") : QString();
            } else if (isValue) {
                const std::optional<Decimal> value = valueOfText(stored.toString());
                f.text = value ? value->toString() : QStringLiteral("0");
            } else {
                f.text = stored.toString();
            }
            f.enabled = shown;
        }
        QVCustomsField &weight = fieldRef(rowField(kWeightStem, row));
        weight.text = QStringLiteral("0");
        const QVariant number = item.value(QVShipmentItemWeightNumberKey);
        if (shown && number.isValid()) {
            const QString unit = item.value(QVShipmentItemWeightUnitKey, QVOunceUnitString).toString();
            if (const std::optional<QVWeight> w = QVWeight::weightWithValue(float(leadingInt(number.toString())), unit))
                weight.text = QStringLiteral("%1 oz").arg(w->totalWeightInOunces().toString());
        }
        weight.enabled = shown;
    }
    m_bottomItemsDisclosed = true;

    // The sender's copy belongs to the 2976-A forms only.
    const bool copyForm = chosen == QVUSPSShipment2976AEMICustomsFormType ||
        chosen == QVUSPSShipment2976APMICustomsFormType || chosen == QVUSPSShipment2976ACustomsFormType;
    m_printSendersCopy.enabled = copyForm;
    m_printSendersCopy.on = copyForm && UserDefaults::standardUserDefaults().boolForKey(kPrintCustomsSendersCopyKey);

    // The signing name.
    QString name = shipmentText(shipment, QVUSPSShipmentCustomsFormSendersNameKey);
    if (name.isEmpty())
        name = UserDefaults::standardUserDefaults().stringForKey(kCustomsSendersNameKey);
    if (name.isEmpty())
        name = customsDialogHost()->accountHolderName();
    fieldRef(kNameField).text = name;

    const QString itn = shipmentText(shipment, QVUSPSShipmentCustomsAESITNKey);
    if (!itn.isEmpty())
        fieldRef(kItnField).text = itn;
    changed();
}

// ===== Actions ============================================================================

void QVCustomsDialogController::changedFormType(int tag)
{
    endEditing();
    const QStringList types = formTypes();
    if (tag >= 0 && tag < types.size())
        m_currentFormType = types.at(tag);
    syncFieldsToShipment();
}

void QVCustomsDialogController::changedContentType(int tag)
{
    if (tag >= 0 && tag < int(m_contentCells.size()))
        m_selectedContentTag = tag;
    const bool other = m_selectedContentTag >= 0 &&
        contentTypes().at(m_selectedContentTag) == QVUSPSShipmentCustomsFormOtherContentType;
    QVCustomsField &field = fieldRef(kContentOtherField);
    field.enabled = other;
    if (other) {
        field.text = shipmentText(*m_shipment, QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
        if (field.text.isNull())
            field.text = QLatin1String("");
        m_firstResponder = kContentOtherField;
    } else {
        field.text = QLatin1String("");
    }
    changed();
}

void QVCustomsDialogController::clearCustomsInfo()
{
    for (int row = 1; row <= kRowCount; ++row) {
        for (auto it = fieldMap().cbegin(); it != fieldMap().cend(); ++it)
            fieldRef(rowField(it.key(), row)).text = QLatin1String("");
        fieldRef(rowField(kWeightStem, row)).text = QStringLiteral("0");
    }
    m_firstResponder = rowField(QStringLiteral("qty"), 1);
    changed();
}

void QVCustomsDialogController::saveDownToShipment()
{
    QVShipment &shipment = *m_shipment;
    const QStringList types = formTypes();
    if (m_selectedFormTag >= 0 && m_selectedFormTag < types.size())
        shipment.setObject(types.at(m_selectedFormTag), QVUSPSShipmentCustomsFormTypeKey);
    QString content;
    if (m_selectedContentTag >= 0 && m_selectedContentTag < contentTypes().size()) {
        content = contentTypes().at(m_selectedContentTag);
        shipment.setObject(content, QVUSPSShipmentCustomsFormContentTypeKey);
    }
    if (content == QVUSPSShipmentCustomsFormOtherContentType) {
        const QString other = field(kContentOtherField).text;
        if (other.isEmpty())
            shipment.removeObjectForKey(QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
        else
            shipment.setObject(other, QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
    }
    shipment.setObject(field(kNameField).text, QVUSPSShipmentCustomsFormSendersNameKey);
    shipment.setObject(true, QVUSPSShipmentCustomsFormAgreementKey);

    QVariantList items;
    for (int row = 1; row <= kRowCount; ++row) {
        QVariantMap item;
        for (auto it = fieldMap().cbegin(); it != fieldMap().cend(); ++it) {
            const QString text = field(rowField(it.key(), row)).text;
            if (it.key() == kValueStem) {
                const std::optional<Decimal> value = valueOfText(text);
                item.insert(it.value(), value ? value->toString() : QStringLiteral("0"));
            } else {
                item.insert(it.value(), text.isNull() ? QLatin1String("") : text);
            }
        }
        const int quantity = leadingInt(field(rowField(QStringLiteral("qty"), row)).text);
        const int weight = leadingInt(field(rowField(kWeightStem, row)).text);
        // A negative weight is no weight (the number field takes none).
        if (weight > 0 && quantity > 0) {
            item.insert(QVShipmentItemWeightNumberKey, QString::number(weight));
            item.insert(QVShipmentItemWeightUnitKey, QVOunceUnitString);
            items.append(item);
        }
    }
    // Items beyond the five rows (a shipment made by automation may carry
    // more) are not shown, so they are kept as they were while a form is
    // chosen: the declaration never loses what the piece holds.
    const QString chosen =
        m_selectedFormTag >= 0 && m_selectedFormTag < types.size() ? types.at(m_selectedFormTag) : QString();
    if (rowCountForFormType(chosen) == kRowCount) {
        const QVariant stored = shipment.objectForKey(QVShipmentItemsKey);
        if (stored.typeId() == QMetaType::QVariantList)
            items.append(stored.toList().mid(kRowCount));
    }
    if (items.isEmpty())
        shipment.removeObjectForKey(QVShipmentItemsKey);
    else
        shipment.setObject(items, QVShipmentItemsKey);

    const QString itn = field(kItnField).text.trimmed();
    if (std::any_of(itn.cbegin(), itn.cend(), [](QChar c) { return c.isLetterOrNumber(); }))
        shipment.setObject(itn, QVUSPSShipmentCustomsAESITNKey);
}

bool QVCustomsDialogController::preflight()
{
    bool rowsComplete = true;
    for (int row = 1; row <= kRowCount && rowsComplete; ++row) {
        if (leadingInt(field(rowField(QStringLiteral("qty"), row)).text) <= 0)
            continue;
        QString offending;
        const std::optional<Decimal> value = valueOfText(field(rowField(kValueStem, row)).text);
        if (field(rowField(QStringLiteral("description"), row)).text.isEmpty())
            offending = rowField(QStringLiteral("description"), row);
        else if (leadingInt(field(rowField(kWeightStem, row)).text) <= 0)
            offending = rowField(kWeightStem, row);
        else if (!value || value->isZero() || value->isNegative())
            offending = rowField(kValueStem, row);
        else if (field(rowField(kCountryStem, row)).text.isEmpty())
            offending = rowField(kCountryStem, row);
        if (!offending.isEmpty()) {
            rowsComplete = false;
            alert(QStringLiteral("Missing Customs Information"),
                  QStringLiteral("Please complete all the information for the item on line %1.").arg(row));
            m_firstResponder = offending;
        }
    }
    const QString name = field(kNameField).text;
    if (name.isEmpty()) {
        alert(QStringLiteral("Missing Sender's Signature"),
              QStringLiteral("Please agree to the terms of the customs form."));
        m_firstResponder = kNameField;
        changed();
        return false;
    }
    if (!name.contains(u' ')) {
        alert(QStringLiteral("Missing Sender's Full Name"), QStringLiteral("Please enter your first and last name."));
        m_firstResponder = kNameField;
        changed();
        return false;
    }
    if (!rowsComplete)
        changed();
    return rowsComplete;
}

bool QVCustomsDialogController::okToSetProperties()
{
    if (!endEditing() || !preflight())
        return false;
    saveDownToShipment();
    QVShipment &shipment = *m_shipment;
    const Decimal value = customsTotalValue(shipment);
    if (value > Decimal(2500) && shipmentText(shipment, QVUSPSShipmentCustomsAESITNKey).isEmpty()) {
        Alert itn;
        itn.messageText = QStringLiteral("Your international package is valued at more than $2,500.");
        itn.informativeText =
            QStringLiteral("You may need to file complete export for your shipmentand optionally enter your Internatal "
                           "Transaction Number from the Census Bureau's Automated Export System.");
        itn.buttons = {{QStringLiteral("Enter ITN"), 1},
                       {QStringLiteral("Ship Without an ITN"), 0},
                       {QStringLiteral("Cancel"), -1}};
        itn.cancelAnswer = -1;
        const int answer = runAlert(itn);
        if (answer != 0) {
            if (answer == 1) {
                m_firstResponder = kItnField;
                changed();
            }
            return false;
        }
    }
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    if (m_printSendersCopy.enabled)
        defaults.setBool(m_printSendersCopy.on, kPrintCustomsSendersCopyKey);
    const QString name = field(kNameField).text;
    if (!name.isEmpty())
        defaults.setObject(name, kCustomsSendersNameKey);
    const QStringList types = formTypes();
    if (shipmentText(shipment, QVUSPSShipmentRateClassKey) == QVUSPSIntlFirstClassMailIntl && m_selectedFormTag >= 0 &&
        m_selectedFormTag < types.size())
        defaults.setBool(types.at(m_selectedFormTag) == QVUSPSShipmentNoCustomsFormType, kNoCustomsOnFCMIKey);

    const std::optional<Decimal> declared = valueOfText(shipmentText(shipment, QVShipmentValueKey));
    if (!declared || declared->isZero())
        shipment.setObject(QVariant::fromValue(value), QVShipmentValueKey);
    const QList<QVariantMap> items = customsItemList(shipment);
    if (shipmentText(shipment, QVShipmentDescriptionKey).isEmpty() && !items.isEmpty())
        shipment.setObject(items.first().value(QVShipmentItemDescriptionKey).toString(), QVShipmentDescriptionKey);
    shipment._updatePricing();
    customsDialogHost()->closeSheet();
    return true;
}

void QVCustomsDialogController::showRestrictions() { customsDialogHost()->serviceSummary(*m_shipment); }

void QVCustomsDialogController::generateForm()
{
    endEditing();
    saveDownToShipment();
    const QStringList types = formTypes();
    if (m_selectedFormTag < 0 || m_selectedFormTag >= types.size())
        return;
    const QString chosen = types.at(m_selectedFormTag);
    if (chosen == QVUSPSShipment2976CustomsFormType)
        customsFormServices()->sampleCN22Form(*m_shipment);
    else if (chosen == QVUSPSShipment2976ACustomsFormType)
        customsFormServices()->sampleCP72Form(*m_shipment);
}

// ===== Country of origin ===================================================================

int QVCustomsDialogController::numberOfItemsInComboBox() const { return int(QVCountry::displayNames().size()) + 1; }

QString QVCustomsDialogController::comboBoxObjectValueForItemAtIndex(int index) const
{
    if (index == 0)
        return kUnitedStates;
    const QStringList names = QVCountry::displayNames();
    return index > 0 && index <= names.size() ? names.at(index - 1) : QString();
}

int QVCustomsDialogController::comboBoxIndexOfItemWithStringValue(const QString &text) const
{
    if (text == kUnitedStates)
        return 0;
    const qsizetype index = QVCountry::displayNames().indexOf(text);
    return index < 0 ? -1 : int(index) + 1;
}

QString QVCustomsDialogController::comboBoxCompletedString(const QString &text) const
{
    if (text.isEmpty())
        return QString();
    if (kUnitedStates.startsWith(text, Qt::CaseInsensitive))
        return kUnitedStates;
    for (const QString &name : QVCountry::displayNames()) {
        if (name.startsWith(text, Qt::CaseInsensitive))
            return name;
    }
    return QString();
}

bool QVCustomsDialogController::controlTextShouldEndEditing(const QString &fieldName)
{
    if (!fieldName.startsWith(kCountryStem) || !m_fields.contains(fieldName))
        return true;
    QVCustomsField &f = fieldRef(fieldName);
    if (f.text.isEmpty())
        return true;
    if (QVCountry::isCountryStringUSA(f.text)) {
        f.text = kUnitedStates;
    } else if (const std::optional<QVCountry> country = QVCountry::countryWithAnyName(f.text)) {
        f.text = country->rateName();
    } else {
        alert(QStringLiteral("Invalid Country"), QStringLiteral("You must enter a valid Country of Origin."));
        m_firstResponder = fieldName;
        changed();
        return false;
    }
    changed();
    return true;
}

} // namespace tolvane
