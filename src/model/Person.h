#pragma once
// Person: a contact card as the address book keeps it. Linux has no system
// address book, so the program has its own person record: the name parts,
// the organization, a unique id and three multi-valued properties (postal
// addresses, phone numbers, e-mail addresses). Cards come from vCard files
// (model/VCard.h) and become addresses (model/QVAddressParsing.h), and
// addresses become cards again.
//
// A postal address is a dictionary under the kABAddress...Key keys; its
// street may hold several lines separated by "\n". Every entry of a
// multi-value has a label (kABHomeLabel, kABWorkLabel, ... or any other
// text) and an identifier that stays with the entry while the card lives;
// one entry may be the primary one.
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QVariantMap>

// ---- Property names --------------------------------------------------------

// Single texts.
inline const QString kABTitleProperty = QStringLiteral("Title"); // honorific ("Dr.")
inline const QString kABFirstNameProperty = QStringLiteral("First");
inline const QString kABMiddleNameProperty = QStringLiteral("Middle");
inline const QString kABLastNameProperty = QStringLiteral("Last");
inline const QString kABSuffixProperty = QStringLiteral("Suffix");
inline const QString kABOrganizationProperty = QStringLiteral("Organization");
inline const QString kABJobTitleProperty = QStringLiteral("JobTitle"); // the vCard TITLE
inline const QString kABUIDProperty = QStringLiteral("UID");

// Multi-values.
inline const QString kABAddressProperty = QStringLiteral("Address");
inline const QString kABPhoneProperty = QStringLiteral("Phone");
inline const QString kABEmailProperty = QStringLiteral("Email");

// ---- Keys of a postal address ------------------------------------------------

inline const QString kABAddressStreetKey = QStringLiteral("Street");
inline const QString kABAddressCityKey = QStringLiteral("City");
inline const QString kABAddressStateKey = QStringLiteral("State");
inline const QString kABAddressZIPKey = QStringLiteral("ZIP");
inline const QString kABAddressCountryKey = QStringLiteral("Country");
inline const QString kABAddressCountryCodeKey = QStringLiteral("CountryCode");

// ---- Labels ------------------------------------------------------------------

inline const QString kABHomeLabel = QStringLiteral("home");
inline const QString kABWorkLabel = QStringLiteral("work");
inline const QString kABOtherLabel = QStringLiteral("other");
inline const QString kABPhoneMobileLabel = QStringLiteral("mobile");
inline const QString kABPhoneMainLabel = QStringLiteral("main");
inline const QString kABPhoneHomeFAXLabel = QStringLiteral("home fax");
inline const QString kABPhoneWorkFAXLabel = QStringLiteral("work fax");
inline const QString kABPhonePagerLabel = QStringLiteral("pager");

// A new identifier for a card or a multi-value entry.
inline QString newABIdentifier() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

// An ordered list of labelled values with identifiers and an optional primary
// entry. Indices run from 0 to count() - 1; a look-up outside them answers
// an empty value, label or identifier (or -1 for an index).
template <typename T> class ABMultiValue
{
public:
    qsizetype count() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }

    T valueAtIndex(qsizetype index) const { return inRange(index) ? m_entries.at(index).value : T(); }
    QString labelAtIndex(qsizetype index) const { return inRange(index) ? m_entries.at(index).label : QString(); }
    QString identifierAtIndex(qsizetype index) const
    {
        return inRange(index) ? m_entries.at(index).identifier : QString();
    }
    qsizetype indexForIdentifier(const QString &identifier) const
    {
        if (identifier.isEmpty())
            return -1;
        for (qsizetype i = 0; i < m_entries.size(); ++i) {
            if (m_entries.at(i).identifier == identifier)
                return i;
        }
        return -1;
    }

    // The identifier of the primary entry; empty when none is set.
    QString primaryIdentifier() const { return m_primaryIdentifier; }
    // The index of the primary entry, -1 when none is set.
    qsizetype primaryIndex() const { return indexForIdentifier(m_primaryIdentifier); }
    // Makes the entry with this identifier primary; false (nothing changed)
    // when there is none. An empty identifier clears the primary entry.
    bool setPrimaryIdentifier(const QString &identifier)
    {
        if (identifier.isEmpty()) {
            m_primaryIdentifier.clear();
            return true;
        }
        if (indexForIdentifier(identifier) < 0)
            return false;
        m_primaryIdentifier = identifier;
        return true;
    }

    // Appends an entry and answers its new identifier.
    QString addValue(const T &value, const QString &label)
    {
        Entry entry{newABIdentifier(), label, value};
        m_entries.append(entry);
        return entry.identifier;
    }
    // Removes the entry (and the primary mark when it was primary).
    bool removeValueAndLabelAtIndex(qsizetype index)
    {
        if (!inRange(index))
            return false;
        if (m_entries.at(index).identifier == m_primaryIdentifier)
            m_primaryIdentifier.clear();
        m_entries.removeAt(index);
        return true;
    }

    // Identifiers are handles of one card in memory (a vCard does not carry
    // them), so two multi-values are equal when their entries have the same
    // labels and values in the same order and the same entry is primary.
    friend bool operator==(const ABMultiValue &a, const ABMultiValue &b)
    {
        if (a.m_entries.size() != b.m_entries.size() || a.primaryIndex() != b.primaryIndex())
            return false;
        for (qsizetype i = 0; i < a.m_entries.size(); ++i) {
            if (a.m_entries.at(i).label != b.m_entries.at(i).label ||
                !(a.m_entries.at(i).value == b.m_entries.at(i).value))
                return false;
        }
        return true;
    }

private:
    struct Entry {
        QString identifier;
        QString label;
        T value;
    };
    bool inRange(qsizetype index) const { return index >= 0 && index < m_entries.size(); }

    QList<Entry> m_entries;
    QString m_primaryIdentifier;
};

using ABMultiStringValue = ABMultiValue<QString>;
using ABMultiDictionaryValue = ABMultiValue<QVariantMap>;

class Person
{
public:
    // A new, empty card with a new unique id.
    Person();

    QString uniqueId() const { return m_uniqueId; }
    void setUniqueId(const QString &uniqueId) { m_uniqueId = uniqueId; }

    // The single-text properties (kABTitleProperty ... kABJobTitleProperty,
    // kABUIDProperty). An absent property answers a null text.
    QString valueForProperty(const QString &property) const;
    // Stores a text property; an empty or null text removes it. False (and
    // nothing stored) for a name that is not a single-text property.
    bool setValue(const QString &value, const QString &property);
    static const QStringList &textProperties();

    QString title() const { return valueForProperty(kABTitleProperty); }
    QString firstName() const { return valueForProperty(kABFirstNameProperty); }
    QString middleName() const { return valueForProperty(kABMiddleNameProperty); }
    QString lastName() const { return valueForProperty(kABLastNameProperty); }
    QString suffix() const { return valueForProperty(kABSuffixProperty); }
    QString organization() const { return valueForProperty(kABOrganizationProperty); }
    QString jobTitle() const { return valueForProperty(kABJobTitleProperty); }

    const ABMultiDictionaryValue &addresses() const { return m_addresses; }
    ABMultiDictionaryValue &addresses() { return m_addresses; }
    void setAddresses(const ABMultiDictionaryValue &addresses) { m_addresses = addresses; }
    const ABMultiStringValue &phones() const { return m_phones; }
    ABMultiStringValue &phones() { return m_phones; }
    void setPhones(const ABMultiStringValue &phones) { m_phones = phones; }
    const ABMultiStringValue &emails() const { return m_emails; }
    ABMultiStringValue &emails() { return m_emails; }
    void setEmails(const ABMultiStringValue &emails) { m_emails = emails; }

    // The groups the card belongs to, by name, in the card's order.
    QStringList categories() const { return m_categories; }
    void setCategories(const QStringList &categories) { m_categories = categories; }

    // The card's picture as the bytes of an image file (PNG, JPEG, ...);
    // empty when it has none.
    QByteArray imageData() const { return m_imageData; }
    void setImageData(const QByteArray &data) { m_imageData = data; }

    // Title, first, middle and last name and suffix, those present joined by
    // single spaces.
    QString composedName() const;

    friend bool operator==(const Person &a, const Person &b);

private:
    QString m_uniqueId;
    QVariantMap m_texts;
    ABMultiDictionaryValue m_addresses;
    ABMultiStringValue m_phones;
    ABMultiStringValue m_emails;
    QStringList m_categories;
    QByteArray m_imageData;
};
