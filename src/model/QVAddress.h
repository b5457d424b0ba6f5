#pragma once
// QVAddress: the address value of the system (senders, recipients, return
// addresses, addresses read from text, cards and orders, and the addresses
// sent to the address services). It is a dictionary of named string values
// under the key constants below; the dictionary is also its stored form
// (shipments, the mailing log, favourites and the XML interface keep it), so
// the key texts are a stored format. Keys that the class does not know stay
// in the dictionary and are written back unchanged.
//
// Plain getters never answer a null text: an absent field is the empty
// string. Setters taking a text ignore a null QString (the "no value" of the
// callers) and store any other text unchanged, the empty one included.
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

inline const QString QVAddressNameKey = QStringLiteral("QVAddressNameKey");
inline const QString QVAddressFirstNameKey = QStringLiteral("QVAddressFirstNameKey");
inline const QString QVAddressLastNameKey = QStringLiteral("QVAddressLastNameKey");
inline const QString QVAddressCompanyKey = QStringLiteral("QVAddressCompanyKey");
inline const QString QVAddressSuiteAptKey = QStringLiteral("QVAddressSuiteAptKey");
inline const QString QVAddressStreetKey = QStringLiteral("QVAddressStreetKey");
inline const QString QVAddressCityKey = QStringLiteral("QVAddressCityKey");
inline const QString QVAddressStateKey = QStringLiteral("QVAddressStateKey");
inline const QString QVAddressZIP5Key = QStringLiteral("QVAddressZIP5Key");
inline const QString QVAddressZIP4Key = QStringLiteral("QVAddressZIP4Key");
inline const QString QVAddressZIP2Key = QStringLiteral("QVAddressZIP2Key");
inline const QString QVAddressCountryKey = QStringLiteral("QVAddressCountryKey");
inline const QString QVAddressABLabelKey = QStringLiteral("QVAddressABLabelKey");
inline const QString QVAddressABUIDKey = QStringLiteral("QVAddressABUIDKey");
inline const QString QVAddressInternationalAddressLinesKey = QStringLiteral("QVAddressInternationalAddressLinesKey");
inline const QString QVAddressEmailKey = QStringLiteral("QVAddressEmailKey");
inline const QString QVAddressPhoneKey = QStringLiteral("QVAddressPhoneKey");
inline const QString QVAddressRDIKey = QStringLiteral("QVAddressRDIKey");
inline const QString QVUSPSAddressCarrierRouteKey = QStringLiteral("QVUSPSAddressCarrierRouteKey");
inline const QString QVAddressAssociatedDescriptionKey = QStringLiteral("QVAddressAssociatedDescriptionKey");
inline const QString QVAddressAssociatedInvoiceNumberKey = QStringLiteral("QVAddressAssociatedInvoiceNumberKey");

// Equality of stored values as the records use it: numbers (booleans
// included) compare by value whatever their width, lists and dictionaries
// element by element, and values of other kinds only with values of their
// own kind; a text never equals a number that it reads as.
bool isEqualStoredValue(const QVariant &a, const QVariant &b);
bool isEqualStoredDictionary(const QVariantMap &a, const QVariantMap &b);
// A hash that agrees with isEqualStoredDictionary: keys and text values
// only, so that equal dictionaries hash alike.
size_t qHashStoredDictionary(const QVariantMap &dictionary, size_t seed) noexcept;

class QVAddress
{
public:
    // An empty address.
    QVAddress();
    // An empty address into which the dictionary is merged
    // (setValuesForKeysWithDictionary).
    explicit QVAddress(const QVariantMap &dictionary);

    static QVAddress address() { return QVAddress(); }
    // A copy (every value copied; the copy is independent).
    static QVAddress addressWithAddress(const QVAddress &address) { return address; }
    static QVAddress addressWithDictionary(const QVariantMap &dictionary) { return QVAddress(dictionary); }

    // ---- raw access
    // The stored value, or the empty string when the key is absent.
    QVariant objectForKey(const QString &key) const;
    // Stores the value; an invalid value is refused with a warning.
    void setObject(const QVariant &value, const QString &key);
    // Merges a dictionary: each value replaces the stored one; a null value
    // (an invalid QVariant or a stored null object) removes the key.
    void setValuesForKeysWithDictionary(const QVariantMap &dictionary);
    // The property-list form: a copy of the dictionary.
    QVariantMap plist() const { return m_address; }
    QString description() const;

    // ---- plain fields
    QString firstName() const;
    QString lastName() const;
    QString company() const;
    QString suiteApt() const;
    QString street() const;
    QString city() const;
    QString state() const;
    QString ZIP5() const;
    QString ZIP4() const;
    QString ZIP2() const;
    QString country() const;
    QString phone() const;
    QString email() const;
    QString abLabel() const;
    QString abUniqueId() const;
    QString residentialIndicator() const;
    QString USPSCarrierRoute() const;
    // Nothing when absent.
    std::optional<QString> associatedReferenceID() const;
    std::optional<QString> associatedDescription() const;
    // The foreign-address lines, top to bottom, without the country; nothing
    // unless a list is stored.
    std::optional<QStringList> internationalAddressLines() const;

    void setName(const QString &name);
    void setFirstName(const QString &firstName);
    void setLastName(const QString &lastName);
    void setCompany(const QString &company);
    void setSuiteApt(const QString &suiteApt);
    void setStreet(const QString &street);
    void setCity(const QString &city);
    void setState(const QString &state);
    void setCountry(const QString &country);
    void setPhone(const QString &phone);
    void setEmail(const QString &email);
    void setABLabel(const QString &label);
    void setABUniqueId(const QString &uniqueId);
    void setResidentialIndicator(const QString &indicator);
    void setUSPSCarrierRoute(const QString &route);
    void setAssociatedDescription(const QString &description);
    void setAssociatedReferenceID(const QString &referenceID);
    void setInternationalAddressLines(const QStringList &lines);
    // Refuses (answers false, stores nothing, warns "tried to put non-strings
    // in an intl address") when an element is not a string.
    bool setInternationalAddressLines(const QVariantList &lines);

    // ---- ZIP parts
    // "12345-6789" stores ZIP5 and ZIP4 (pieces after a second "-" are
    // dropped); text without "-" is stored as ZIP5 and leaves ZIP4 alone.
    // Nothing is checked.
    void setZIP(const QString &zip);
    // Only exactly 5 / exactly 4 / 2 or 3 digits 0-9 are stored; anything
    // else keeps the old value.
    void setZIP5(const QString &zip5);
    void setZIP4(const QString &zip4);
    void setZIP2(const QString &zip2);

    // ---- derived values
    // The stored name, or first and last names joined by a space.
    QString name() const;
    // The first two letters of the state (case unchanged), or empty.
    QString twoLetterState() const;
    // ZIP5, ZIP4 and the first 2 characters of ZIP2 when all are well-sized.
    std::optional<QString> ZIP11() const;
    // The well-sized parts of the same, in order; empty for a foreign address.
    QString lossyZIP11() const;
    // The routing code of the Intelligent Mail barcode: whole parts only,
    // so that the encoder always takes it: ZIP5 + ZIP4 + the first two
    // delivery-point digits (11 digits), else ZIP5 + ZIP4 (9), else ZIP5 (5),
    // else empty (also for a foreign address). A part counts when it is all
    // digits and well-sized (the delivery point 2 or 3 digits). lossyZIP11()
    // can give 2, 4, 6 or 7 digits, which the encoder refuses.
    QString intelligentMailRoutingCode() const;
    // "12345-6789", "12345", or a ZIP5 of 4 characters or fewer as stored.
    QString formattedZIP() const;
    QString phoneWithNoPunctuation() const;
    QString tenDigitPhoneNumber() const;
    // "(555) 123-4567" for a ten-digit number, else empty.
    QString fancyPhoneNumber() const;
    // No country, or "United States" in any case.
    bool isDomestic() const;

    // ---- printed forms
    QString formattedAddressWithoutName() const;
    QString formattedAddress() const;
    QString formattedAddressOnOneLine() const;
    QString formattedAddressOnOneLineWithoutName() const;

    // ---- comparisons (case-insensitive; -1, 0 or 1)
    int nameCompare(const QVAddress &other) const;
    int lastNameCompare(const QVAddress &other) const;
    int firstNameCompare(const QVAddress &other) const;

    // Rewrites name, company, suite, street and city with the first letter of
    // every word upper case and the rest lower case.
    void titlecase();

    // ---- equality
    bool isEqualToAddress(const QVAddress &other) const { return isEqualStoredDictionary(m_address, other.plist()); }
    friend bool operator==(const QVAddress &a, const QVAddress &b) { return a.isEqualToAddress(b); }

    // ---- USPS services (through the registered QVUSPSAddressServices)
    // Zone from this address's ZIP5 to the given ZIP, and back; "-1" when it
    // cannot be told.
    QString USPSzoneToZIP(const QString &zip) const;
    QString USPSzoneFromZIP(const QString &zip) const;
    // Merges the standardised form of this address into it; false (and the
    // address unchanged) when the service gives none.
    bool USPSstandardize();

private:
    QString text(const QString &key) const;
    void setText(const QString &key, const QString &value);

    QVariantMap m_address;
};

// The text lower-cased, then the first letter of every word (words are
// separated by white space) upper case: "mary ann VAN dyke" gives
// "Mary Ann Van Dyke". Never a null text.
QString capitalizedWords(const QString &text);

// Equal addresses hash alike.
size_t qHash(const QVAddress &address, size_t seed = 0) noexcept;

Q_DECLARE_METATYPE(QVAddress)
