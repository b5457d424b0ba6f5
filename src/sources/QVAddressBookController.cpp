#include "sources/QVAddressBookController.h"

#include "model/QVAddressParsing.h"
#include "platform/ApplicationNotifications.h"
#include "platform/Dialogs.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "platform/VCardFolder.h"
#include "model/VCard.h"
#include "sources/QVAddressBookHost.h"
#include "sources/QVAddressBookImportController.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kUseImportedAddressesKey = QStringLiteral("useImportedAddresses");
const QString kLabelFilterKey = QStringLiteral("abLabelFilter");
const QString kSortOrderKey = QStringLiteral("abSortOrder");
const QString kDisplayOrderKey = QStringLiteral("abDisplayOrder");
const QString kStampsVersionKey = QStringLiteral("kivoStampsVersion");

// The chooser's items as the drawer defines them: the first stands for the
// whole address book, the last for the imported list.
const QStringList kMenuTemplate = {QStringLiteral("Address Book"), QStringLiteral("Imported Addresses")};

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

bool stampsOnly() { return defaults().boolForKey(kStampsVersionKey); }

// The same address again after a rebuild: by id and label for an address of
// the book, else by the whole address.
bool isSameAddress(const QVAddress &a, const QVAddress &b)
{
    if (!a.abUniqueId().isEmpty() && !a.abLabel().isEmpty())
        return a.abUniqueId() == b.abUniqueId() && a.abLabel() == b.abLabel();
    return a == b;
}

} // namespace

QString qv_formattedAddressString(const Person &person)
{
    const ABMultiDictionaryValue &addresses = person.addresses();
    if (addresses.isEmpty())
        return QString();
    qsizetype index = addresses.primaryIndex();
    if (index < 0)
        index = addresses.count() - 1;
    const QVariantMap address = addresses.valueAtIndex(index);
    const auto part = [&address](const QString &key) { return address.value(key).toString(); };

    QString text;
    QString name = person.firstName();
    for (const QString &more : {person.middleName(), person.lastName()}) {
        if (!more.isEmpty())
            name += QLatin1Char(' ') + more;
    }
    if (!name.isEmpty())
        text += name + QLatin1Char('\n');
    if (!person.organization().isEmpty())
        text += person.organization() + QLatin1Char('\n');
    if (!part(kABAddressStreetKey).isEmpty())
        text += part(kABAddressStreetKey) + QLatin1Char('\n');
    text += part(kABAddressCityKey);
    for (const QString &key : {kABAddressStateKey, kABAddressZIPKey}) {
        if (!part(key).isEmpty())
            text += QLatin1Char(' ') + part(key);
    }
    const QString code = part(kABAddressCountryCodeKey);
    const QString country = part(kABAddressCountryKey);
    if ((!code.isEmpty() && code.compare(QLatin1String("us"), Qt::CaseInsensitive) != 0) || !country.isEmpty())
        text += QLatin1Char('\n') + country;
    return text;
}

bool CompareABGroup(const ABGroup &a, const ABGroup &b)
{
    // Runs of digits compare by value (fewer digits after leading zeros is
    // smaller), everything else character by character ignoring case.
    const QString x = a.name.toCaseFolded();
    const QString y = b.name.toCaseFolded();
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < x.size() && j < y.size()) {
        if (x.at(i).isDigit() && y.at(j).isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < x.size() && x.at(ei).isDigit())
                ++ei;
            while (ej < y.size() && y.at(ej).isDigit())
                ++ej;
            qsizetype si = i;
            qsizetype sj = j;
            while (si + 1 < ei && x.at(si).digitValue() == 0)
                ++si;
            while (sj + 1 < ej && y.at(sj).digitValue() == 0)
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            for (; si < ei; ++si, ++sj) {
                if (x.at(si).digitValue() != y.at(sj).digitValue())
                    return x.at(si).digitValue() < y.at(sj).digitValue();
            }
            i = ei;
            j = ej;
            continue;
        }
        if (x.at(i) != y.at(j))
            return x.at(i) < y.at(j);
        ++i;
        ++j;
    }
    return x.size() - i < y.size() - j;
}

QVAddressBookController::QVAddressBookController() : m_useImportedFile(defaults().boolForKey(kUseImportedAddressesKey))
{}

QVAddressBookController::~QVAddressBookController() = default;

void QVAddressBookController::awakeFromNib()
{
    buildBookChooser();
    buildAddressBook();
    NotificationCenter &center = NotificationCenter::defaultCenter();
    const auto bookChanged = [this](const Notification &) {
        buildBookChooser();
        buildAddressBook();
    };
    m_observers.push_back(center.addObserver(kABDatabaseChangedNotification, bookChanged));
    m_observers.push_back(center.addObserver(kABDatabaseChangedExternallyNotification, bookChanged));
    m_observers.push_back(
        center.addObserver(NSUserDefaultsDidChangeNotification, [this](const Notification &) { buildAddressBook(); }));
    m_observers.push_back(center.addObserver(NSApplicationWillTerminateNotification, [this](const Notification &) {
        defaults().setBool(m_useImportedFile, kUseImportedAddressesKey);
    }));
    m_selectedRows.clear();
    m_rememberedSelection.clear();
    notifyChanged();
}

void QVAddressBookController::notifyChanged()
{
    if (changed)
        changed();
}

void QVAddressBookController::buildBookChooser()
{
    m_chooserTitles = {kMenuTemplate.first()};
    m_groupArray.clear();
    if (!stampsOnly()) {
        m_groupArray = ABAddressBook::sharedAddressBook().groups();
        std::stable_sort(m_groupArray.begin(), m_groupArray.end(), CompareABGroup);
        for (const ABGroup &group : std::as_const(m_groupArray))
            m_chooserTitles.append(group.name.isEmpty() ? QString() : QStringLiteral("  ") + group.name);
    }
    m_chooserTitles.append(kMenuTemplate.mid(1));
    if (m_useImportedFile) {
        m_selectedChooserIndex = int(m_chooserTitles.size()) - 1;
        return;
    }
    if (m_filterGroup) {
        for (qsizetype i = 0; i < m_groupArray.size(); ++i) {
            if (m_groupArray.at(i).uniqueId == m_filterGroup->uniqueId) {
                m_selectedChooserIndex = int(i) + 1;
                return;
            }
        }
    }
    m_selectedChooserIndex = 0;
    m_filterGroup.reset();
}

bool QVAddressBookController::passesLabelFilter(const QString &label) const
{
    const QString filter = defaults().stringForKey(kLabelFilterKey);
    if (filter.isEmpty() || label == filter)
        return true;
    return filter == kABOtherLabel && label != kABHomeLabel && label != kABWorkLabel;
}

void QVAddressBookController::buildAddressBook()
{
    m_addressArray.clear();
    m_people.clear();
    if (!stampsOnly()) {
        if (m_useImportedFile) {
            // A list that cannot be read shows as empty.
            for (const QVariant &element : readImportedAddressList().value_or(QVariantList())) {
                if (element.typeId() == QMetaType::QVariantMap)
                    m_addressArray.append(QVAddress::addressWithDictionary(element.toMap()));
            }
        } else {
            const ABAddressBook &book = ABAddressBook::sharedAddressBook();
            const QList<Person> people = m_filterGroup ? book.membersOfGroup(*m_filterGroup) : book.people();
            for (const Person &person : people) {
                m_people.insert(person.uniqueId(), person);
                for (qsizetype i = 0; i < person.addresses().count(); ++i) {
                    if (!passesLabelFilter(person.addresses().labelAtIndex(i)))
                        continue;
                    if (const std::optional<QVAddress> address = addressWithABPerson(person, i))
                        m_addressArray.append(*address);
                }
            }
        }
    }
    filter();
}

void QVAddressBookController::filter()
{
    const qsizetype selectedBefore = m_selectedRows.size();
    if (!m_selectedRows.isEmpty()) {
        m_rememberedSelection.clear();
        for (const qsizetype row : std::as_const(m_selectedRows))
            m_rememberedSelection.append(m_filteredArray.at(row));
    }

    m_filteredArray.clear();
    for (const QVAddress &address : std::as_const(m_addressArray)) {
        if (m_searchText.isEmpty() || address.formattedAddress().contains(m_searchText, Qt::CaseInsensitive))
            m_filteredArray.append(address);
    }
    if (!m_useImportedFile) {
        const bool byFirstName = defaults().stringForKey(kSortOrderKey) == QLatin1String("F");
        std::stable_sort(m_filteredArray.begin(), m_filteredArray.end(),
                         [byFirstName](const QVAddress &a, const QVAddress &b) {
                             return (byFirstName ? a.nameCompare(b) : a.lastNameCompare(b)) < 0;
                         });
    }

    m_processingNotification = true;
    m_selectedRows.clear();
    for (const QVAddress &remembered : std::as_const(m_rememberedSelection)) {
        for (qsizetype row = 0; row < m_filteredArray.size(); ++row) {
            if (isSameAddress(remembered, m_filteredArray.at(row)) && !m_selectedRows.contains(row)) {
                m_selectedRows.append(row);
                break;
            }
        }
    }
    std::sort(m_selectedRows.begin(), m_selectedRows.end());
    m_processingNotification = false;
    notifyChanged();

    if (selectedBefore > 1 && m_selectedRows.size() < 2)
        selectionDidChange();
}

QStringList QVAddressBookController::columns() const
{
    if (m_useImportedFile)
        return {NameColumn, AddressColumn};
    return {NameColumn, LabelColumn, AddressColumn};
}

QString QVAddressBookController::nameText(const QVAddress &address) const
{
    QString text;
    if (m_useImportedFile || defaults().stringForKey(kDisplayOrderKey) == QLatin1String("FL")) {
        text = address.name();
    } else if (const auto person = m_people.constFind(address.abUniqueId()); person != m_people.constEnd()) {
        if (!person->title().isEmpty())
            text = person->title() + QLatin1Char(' ');
        text += person->lastName();
        for (const QString &part : {person->firstName(), person->middleName(), person->suffix()}) {
            if (!part.isEmpty())
                text += QLatin1Char(' ') + part;
        }
    } else {
        text = QStringLiteral("%1 %2").arg(address.lastName(), address.firstName());
    }
    text = text.trimmed();
    return text.isEmpty() ? address.name() : text;
}

QString QVAddressBookController::textForColumn(const QString &column, qsizetype row) const
{
    if (row < 0 || row >= m_filteredArray.size())
        return QString();
    const QVAddress &address = m_filteredArray.at(row);
    if (column == NameColumn)
        return nameText(address);
    if (column == AddressColumn)
        return address.formattedAddressOnOneLineWithoutName();
    if (column == LabelColumn)
        return address.abLabel();
    return QString();
}

void QVAddressBookController::chooseBook(int index)
{
    if (index <= 0) {
        m_useImportedFile = false;
        m_filterGroup.reset();
    } else if (index >= m_chooserTitles.size() - 1) {
        m_useImportedFile = true;
    } else {
        m_useImportedFile = false;
        if (index - 1 < m_groupArray.size())
            m_filterGroup = m_groupArray.at(index - 1);
    }
    m_selectedChooserIndex = std::clamp(index, 0, int(m_chooserTitles.size()) - 1);
    m_selectedRows.clear();
    m_rememberedSelection.clear();
    buildAddressBook();
}

void QVAddressBookController::setSearchText(const QString &text)
{
    m_searchText = text;
    filter();
}

void QVAddressBookController::selectRows(const QList<qsizetype> &rows)
{
    m_selectedRows.clear();
    for (const qsizetype row : rows) {
        if (row >= 0 && row < m_filteredArray.size() && !m_selectedRows.contains(row))
            m_selectedRows.append(row);
    }
    std::sort(m_selectedRows.begin(), m_selectedRows.end());
    m_rememberedSelection.clear();
    for (const qsizetype row : std::as_const(m_selectedRows))
        m_rememberedSelection.append(m_filteredArray.at(row));
    notifyChanged();
    selectionDidChange();
}

void QVAddressBookController::selectRow(qsizetype row)
{
    if (row < 0 || row >= m_filteredArray.size())
        return;
    selectRows({row});
}

void QVAddressBookController::selectionDidChange()
{
    if (m_processingNotification)
        return;
    passOnSelection();
}

void QVAddressBookController::passOnSelection()
{
    const std::shared_ptr<QVAddressBookHost> host = addressBookHost();
    if (!host)
        return;
    if (m_selectedRows.isEmpty()) {
        if (host->inBatchMode())
            host->newPackageWithAddressString(QString(), QString(), QString(), false);
        return;
    }
    const QVAddress &first = m_filteredArray.at(m_selectedRows.first());
    host->newPackageWithAddressString(first.formattedAddress(), first.email(), first.phone(),
                                      first.associatedDescription().value_or(QString()),
                                      first.associatedReferenceID().value_or(QString()), false);
    if (m_selectedRows.size() > 1) {
        QList<QVAddress> addresses;
        for (const qsizetype row : std::as_const(m_selectedRows))
            addresses.append(m_filteredArray.at(row));
        host->enterBatchPrintWithAddresses(addresses);
    }
}

bool QVAddressBookController::canEditCard() const { return m_selectedRows.size() == 1 && !m_useImportedFile; }

bool QVAddressBookController::canExportVCard() const { return !m_selectedRows.isEmpty(); }

void QVAddressBookController::exportVCard()
{
    if (m_selectedRows.isEmpty())
        return;
    const QString name = VCardFolder::safeFileName(m_filteredArray.at(m_selectedRows.first()).name());
    const qsizetype others = m_selectedRows.size() - 1;
    const QString proposed = others == 0 ? QStringLiteral("%1.vcf").arg(name)
                                         : QStringLiteral("%1 and %2 other%3.vcf")
                                               .arg(name)
                                               .arg(others)
                                               .arg(others > 1 ? QStringLiteral("s") : QString());
    const std::optional<QString> path =
        runSavePanel(SavePanel{QStringLiteral("Export vCard"), proposed, {QStringLiteral("vcf")}});
    if (!path)
        return;
    QByteArray data;
    const ABAddressBook &book = ABAddressBook::sharedAddressBook();
    for (const qsizetype row : std::as_const(m_selectedRows)) {
        const QVAddress &address = m_filteredArray.at(row);
        if (!address.abUniqueId().isEmpty()) {
            if (const std::optional<Person> person = book.recordForUniqueId(address.abUniqueId()))
                data += vCardRepresentation(*person);
        } else {
            data += vCardRepresentation(address);
        }
    }
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        runAlert(alertWithText(QStringLiteral("Couldn't Export"),
                               QStringLiteral("Couldn't export as %1.").arg(QFileInfo(*path).fileName())));
    }
}

void QVAddressBookController::editCard()
{
    if (m_useImportedFile || m_selectedRows.isEmpty())
        return;
    const QString id = m_filteredArray.at(m_selectedRows.first()).abUniqueId();
    if (!id.isEmpty())
        ABAddressBook::sharedAddressBook().openRecordForEditing(id);
}

QVAddressBookImportController &QVAddressBookController::importController()
{
    if (!m_importController)
        m_importController = std::make_unique<QVAddressBookImportController>();
    return *m_importController;
}

bool QVAddressBookController::importFile()
{
    if (!importController().import())
        return false;
    std::optional<QVAddress> remembered;
    if (m_useImportedFile && !m_selectedRows.isEmpty())
        remembered = m_filteredArray.at(m_selectedRows.first());
    m_useImportedFile = true;
    m_selectedRows.clear();
    m_rememberedSelection.clear();
    m_selectedChooserIndex = int(m_chooserTitles.size()) - 1;
    m_searchText.clear();
    if (remembered)
        m_rememberedSelection = {*remembered};
    buildAddressBook();
    m_drawerOpen = true;
    notifyChanged();
    return true;
}

void QVAddressBookController::deleteSelectedRow()
{
    if (!m_useImportedFile) {
        if (beep)
            beep();
        return;
    }
    if (m_selectedRows.isEmpty())
        return;
    QString error;
    const std::optional<QVariantList> stored = readImportedAddressList(&error);
    if (!stored) {
        // Never replace a list that could not be read.
        runAlert(alertWithText(QStringLiteral("Couldn't Delete"), error));
        return;
    }
    QList<QVariantMap> doomed;
    for (const qsizetype row : std::as_const(m_selectedRows))
        doomed.append(m_filteredArray.at(row).plist());
    QVariantList kept;
    for (const QVariant &element : *stored) {
        const bool remove = element.typeId() == QMetaType::QVariantMap &&
            std::any_of(doomed.begin(), doomed.end(),
                        [&element](const QVariantMap &d) { return isEqualStoredDictionary(d, element.toMap()); });
        if (!remove)
            kept.append(element);
    }
    if (!writePropertyListFile(QVAddressBookImportController::filePath(), kept, PropertyListFormat::Binary, &error)) {
        runAlert(alertWithText(QStringLiteral("Couldn't Delete"), error));
        return;
    }
    const qsizetype position = m_selectedRows.first();
    m_selectedRows.clear();
    m_rememberedSelection.clear();
    buildAddressBook();
    if (position < m_filteredArray.size())
        selectRows({position});
}
