// Rate years, the shared rate-class objects and the fixed vocabulary of the
// domestic rate classes. The price, fee and weight-menu queries are in
// QVUSPSRateClassQueries.cpp.
#include "rates/QVUSPSRateClass.h"

#include "model/ClientServices.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "model/StringAdditions.h"
#include "platform/UserDefaults.h"
#include "rates/QVUSPSRateClassSupport.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateOptionalServices.h"

#include <QDate>
#include <QHash>
#include <QTime>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <optional>

namespace {

const QString kUseSep14RatesKey = QStringLiteral("useSep14Rates");
const QString kUPSMailInnovationsModeKey = QStringLiteral("upsMailInnovationsMode");

// ---- Rate-year class objects ----------------------------------------------

template <typename ObjectClass> class RateYearClass final : public QVUSPSRateYear
{
public:
    RateYearClass(QString name, QDateTime effectiveDate)
        : m_name(std::move(name)), m_effectiveDate(std::move(effectiveDate)), m_effectiveDay(m_effectiveDate.date())
    {}

    QString className() const override { return m_name; }
    QDateTime effectiveDate() const override { return m_effectiveDate; }
    QDate effectiveDay() const override { return m_effectiveDay; }

protected:
    QVUSPSRateClass *makeRateClass(const QString &name) const override { return new ObjectClass(name, *this); }

private:
    QString m_name;
    QDateTime m_effectiveDate;
    QDate m_effectiveDay;
};

// ---- Fixed tables -------------------------------------------------------------

struct SizeEntry {
    QString display; // null: no display name
    int shape;
};

const QHash<QString, SizeEntry> &sizeTable()
{
    static const QHash<QString, SizeEntry> table = {
        {QVUSPSLetterSize, {QStringLiteral("Letter"), kREShapeLetter}},
        {QVUSPSLargeEnvelopeSize, {QStringLiteral("Large Envelope"), kREShapeFlat}},
        {QVUSPSPostcardSize, {QStringLiteral("Postcard"), kREShapePostcard}},
        {QVUSPSRegularSize, {QStringLiteral("Package"), kREShapeParcel}},
        {QVUSPSLargeSize, {QStringLiteral("Package"), kREShapeParcel}},
        {QVUSPSOversizeSize, {QStringLiteral("Oversized Package"), kREShapeParcel}},
        {QVUSPSFlatRateEnvelopeSize, {QStringLiteral("Flat Rate Envelope"), kREShapeFlatRateEnvelope}},
        {QVUSPSFlatRateBoxSize, {QStringLiteral("Medium Flat Rate Box"), kREShapeFlatRateBox}},
        {QVUSPSLargeFlatRateBoxSize, {QStringLiteral("Large Flat Rate Box"), kREShapeLargeFlatRateBox}},
        {QVUSPSSmallFlatRateBoxSize, {QStringLiteral("Small Flat Rate Box"), kREShapeSmallFlatRateBox}},
        {QVUSPSFlatRatePaddedEnvelopeSize,
         {QStringLiteral("Flat Rate Padded Envelope"), kREShapeFlatRatePaddedEnvelope}},
        {QVUSPSFlatRateLegalEnvelopeSize, {QStringLiteral("Legal Flat Rate Envelope"), kREShapeFlatRateLegalEnvelope}},
        {QVUSPSRegionalRateBoxASize, {QStringLiteral("Regional Rate Box A"), kREShapeRegionalBoxA}},
        {QVUSPSRegionalRateBoxBSize, {QStringLiteral("Regional Rate Box B"), kREShapeRegionalBoxB}},
        {QVUSPSRegionalRateBoxCSize, {QStringLiteral("Regional Rate Box C"), kREShapeRegionalBoxC}},
        {QVUSPSGiftCardFlatRateEnvelopeSize, {QStringLiteral("Flat Rate Envelope"), kREShapeGiftCardFlatRateEnvelope}},
        {QVUSPSWindowFlatRateEnvelopeSize, {QStringLiteral("Flat Rate Envelope"), kREShapeWindowFlatRateEnvelope}},
        {QVUSPSSmallFlatRateEnvelopeSize, {QStringLiteral("Flat Rate Envelope"), kREShapeSmallFlatRateEnvelope}},
        {QVUSPSCardboardSmallFlatRateEnvelopeSize,
         {QStringLiteral("Flat Rate Envelope"), kREShapeCardboardSmallFlatRateEnvelope}},
        {QVUSPSLargeFlatRateBoardGameBoxSize, {QString(), kREShapeLargeFlatRateBoardGameBox}},
        {QVUSPSLargeFlatRateVideoBoxSize, {QStringLiteral("Large Flat Rate Video Box"), kREShapeLargeFlatRateVideoBox}},
        {QVUSPSNonrectangularParcelSize, {QStringLiteral("Package"), kREShapeNonRectangular}},
    };
    return table;
}

struct ClassEntry {
    QString display;  // null: none
    QString webTools; // null: none
    QString unit;     // null: none
    int code;
    bool standardB;
};

// The five flat-rate aliases are resolved before this table is read.
const QHash<QString, ClassEntry> &classTable()
{
    static const QHash<QString, ClassEntry> table = {
        {QVUSPSFirstClassMail,
         {QStringLiteral("First-Class Mail"), QStringLiteral("First Class"), QVOunceUnitString, kREFirstClass, false}},
        {QVUSPSPriorityMail,
         {QStringLiteral("Priority Mail"), QStringLiteral("Priority"), QVOunceUnitString, kREPriority, false}},
        {QVUSPSExpressMail, {QStringLiteral("Priority Mail Express"), QString(), QVOunceUnitString, kREExpress, false}},
        {QVUSPSMediaMail,
         {QStringLiteral("Media Mail"), QStringLiteral("Media Mail"), QVPoundUnitString, kREMediaMail, true}},
        {QVUSPSLibraryMail,
         {QStringLiteral("Library Mail"), QStringLiteral("Library Mail"), QVPoundUnitString, kRELibraryMail, true}},
        {QVUSPSBoundPrintedMatter,
         {QStringLiteral("Bound Printed Matter"), QStringLiteral("Bound Printed Matter"), QVOunceUnitString,
          kREBoundPrintedMatter, true}},
        {QVUSPSParcelPost,
         {QStringLiteral("Parcel Post"), QStringLiteral("Parcel Post"), QVPoundUnitString, kREParcelPost, true}},
        {QVUSPSParcelSelect,
         {QStringLiteral("Parcel Select"), QStringLiteral("Parcel Select"), QVOunceUnitString, kREParcelSelect, true}},
        {QVUSPSStandardPost,
         {QStringLiteral("Standard Post"), QStringLiteral("Standard Post"), QVPoundUnitString, kREStandardPost, true}},
        {QVUSPSCriticalMail, {QStringLiteral("Critical Mail"), QString(), QString(), kRECriticalMail, false}},
    };
    return table;
}

bool isPriorityFlatRateName(const QString &name)
{
    return name == QVUSPSPriorityMailFlatRate || name == QVUSPSPriorityMailFlatBoxRate ||
        name == QVUSPSPriorityMailLargeFlatBoxRate || name == QVUSPSPriorityMailSmallFlatBoxRate;
}

// A flat-rate name as the class it is priced in.
QString resolvedClassName(const QString &name)
{
    if (isPriorityFlatRateName(name))
        return QVUSPSPriorityMail;
    if (name == QVUSPSExpressMailFlatRate)
        return QVUSPSExpressMail;
    return name;
}

// Remembers the answers for the last few names asked, found by the text
// they share with the caller (a name kept in the memo keeps its text alive
// and unchanged, so the same text is the same name). A name given by another
// text is looked up in full.
template <typename Value, int Size = 4> class NameMemo
{
public:
    const Value *find(const void *owner, const QString &name) const
    {
        for (const Entry &e : m_entries) {
            if (e.owner == owner && e.valid && e.name.constData() == name.constData() && e.name.size() == name.size())
                return &e.value;
        }
        return nullptr;
    }
    void insert(const void *owner, const QString &name, const Value &value)
    {
        Entry &e = m_entries[m_next];
        m_next = (m_next + 1) % Size;
        e = {owner, name, value, true};
    }

private:
    struct Entry {
        const void *owner = nullptr;
        QString name;
        Value value{};
        bool valid = false;
    };
    std::array<Entry, Size> m_entries{};
    int m_next = 0;
};

const ClassEntry *classEntry(const QString &name)
{
    thread_local NameMemo<const ClassEntry *> memo;
    if (const ClassEntry *const *known = memo.find(nullptr, name))
        return *known;
    const auto &table = classTable();
    const auto it = table.constFind(resolvedClassName(name));
    const ClassEntry *entry = it == table.constEnd() ? nullptr : &it.value();
    memo.insert(nullptr, name, entry);
    return entry;
}

struct ServiceEntry {
    QString display;   // null: none
    QString shortName; // null: none
    int id;
};

const QHash<QString, ServiceEntry> &serviceTable()
{
    static const QHash<QString, ServiceEntry> table = {
        {QVUSPSeDeliveryConfirmation,
         {QStringLiteral("USPS Tracking"), QStringLiteral("USPS Tracking"), kSSDeliveryConfirmation}},
        {QVUSPSeSignatureConfirmation,
         {QStringLiteral("Signature Confirmation"), QStringLiteral("Signature Confirm"), kSSSignatureConfirmation}},
        {QVUSPSRegisteredMailService, {QString(), QString(), 0}},
        {QVUSPSInsuredMailService, {QString(), QString(), 0}},
        {QVUSPSCertifiedMailService, {QStringLiteral("Certified Mail"), QString(), kSSCertified}},
        {QVUSPSRestrictedDeliveryService, {QStringLiteral("Restricted Delivery"), QString(), kSSRestrictedDelivery}},
        {QVUSPSCertificateOfMailingService, {QString(), QString(), 0}},
        {QVUSPSReturnReceiptService, {QStringLiteral("Return Receipt"), QString(), kSSReturnReceipt}},
        {QVUSPSReturnReceiptForMerchandiseService, {QString(), QString(), 0}},
        {QVUSPSCashOnDeliveryService, {QString(), QString(), 0}},
        {QVUSPSAdultSignatureService, {QStringLiteral("Adult Signature"), QString(), kSSAdultSignature}},
        {QVUSPSAdultSignatureRestrictedService,
         {QStringLiteral("Adult Signature Restricted Delivery"), QString(), kSSAdultSignatureRestricted}},
        {QVUSPSHoldForPickupService, {QStringLiteral("Hold For Pickup"), QString(), 524288}},
        {QVUSPSExpressMailPremiumService,
         {QStringLiteral("Priority Mail Express Premium Service"), QString(), kSSExpressPremium}},
        {QVUSPSExpressMail1030AMService, {QStringLiteral("10:30 AM Delivery"), QString(), kSSExpress1030}},
    };
    return table;
}

const ServiceEntry *serviceEntry(const QString &service)
{
    const auto &table = serviceTable();
    const auto it = table.constFind(service);
    return it == table.constEnd() ? nullptr : &it.value();
}

// The sizes priced only as Priority Mail flat rate or regional rate, in the
// order of the size list.
const QStringList &flatRateSizeList()
{
    static const QStringList list = {
        QVUSPSFlatRateBoxSize,
        QVUSPSLargeFlatRateBoxSize,
        QVUSPSFlatRateEnvelopeSize,
        QVUSPSSmallFlatRateBoxSize,
        QVUSPSFlatRatePaddedEnvelopeSize,
        QVUSPSFlatRateLegalEnvelopeSize,
        QVUSPSRegionalRateBoxASize,
        QVUSPSRegionalRateBoxBSize,
        QVUSPSRegionalRateBoxCSize,
        QVUSPSGiftCardFlatRateEnvelopeSize,
        QVUSPSWindowFlatRateEnvelopeSize,
        QVUSPSSmallFlatRateEnvelopeSize,
        QVUSPSCardboardSmallFlatRateEnvelopeSize,
        QVUSPSLargeFlatRateVideoBoxSize,
    };
    return list;
}

// The package and flat-rate sizes that every piece below the oversize limit
// may use, in the order of the size list.
const QStringList &packageSizes()
{
    static const QStringList list = QStringList{QVUSPSRegularSize} + flatRateSizeList();
    return list;
}

// Hundredths of an inch as whole inches, rounded up.
int wholeInches(int hundredths) { return hundredths / 100 + (hundredths % 100 != 0 ? 1 : 0); }

// ---- Caches (process-wide, never emptied) ----------------------------------

using ObjectCache = std::map<QString, std::map<QString, std::unique_ptr<QVUSPSRateClass>>>;
using ClassListCache = std::map<QString, std::map<QString, QList<QVUSPSRateClass *>>>;

ObjectCache &objectCache()
{
    static ObjectCache cache;
    return cache;
}

ClassListCache &classListCache()
{
    static ClassListCache cache;
    return cache;
}

} // namespace

// ===== QVUSPSRateYear ===========================================================

QVUSPSRateClass *QVUSPSRateYear::rateClassWithName(const QString &name) const
{
    if (name.isNull())
        return nullptr;
    // The objects are made once and never freed: the answer for a name stays.
    thread_local NameMemo<QVUSPSRateClass *> memo;
    if (QVUSPSRateClass *const *known = memo.find(this, name))
        return *known;
    QVUSPSRateClass *const found = findRateClassWithName(name);
    memo.insert(this, name, found);
    return found;
}

QVUSPSRateClass *QVUSPSRateYear::findRateClassWithName(const QString &name) const
{
    const QString resolved = resolvedClassName(name);
    if (resolved != name)
        return rateClassWithName(resolved);
    auto &slot = objectCache()[className()][name];
    if (!slot) {
        if (name == QVUSPSFirstClassMail)
            slot = std::make_unique<QVUSPSFirstClassMailRateClass>(name, *this);
        else
            slot.reset(makeRateClass(name));
    }
    return slot.get();
}

QVUSPSRateClass *QVUSPSRateYear::firstClass() const { return rateClassWithName(QVUSPSFirstClassMail); }
QVUSPSRateClass *QVUSPSRateYear::priority() const { return rateClassWithName(QVUSPSPriorityMail); }
QVUSPSRateClass *QVUSPSRateYear::expressMail() const { return rateClassWithName(QVUSPSExpressMail); }
QVUSPSRateClass *QVUSPSRateYear::mediaMail() const { return rateClassWithName(QVUSPSMediaMail); }
QVUSPSRateClass *QVUSPSRateYear::libraryMail() const { return rateClassWithName(QVUSPSLibraryMail); }
QVUSPSRateClass *QVUSPSRateYear::parcelSelect() const { return rateClassWithName(QVUSPSParcelSelect); }
QVUSPSRateClass *QVUSPSRateYear::standardPost() const { return rateClassWithName(QVUSPSStandardPost); }
QVUSPSRateClass *QVUSPSRateYear::boundPrintedMatter() const { return rateClassWithName(QVUSPSBoundPrintedMatter); }
QVUSPSRateClass *QVUSPSRateYear::parcelPost() const { return rateClassWithName(QVUSPSParcelPost); }

QList<QVUSPSRateClass *> QVUSPSRateYear::rateClassesForSize(const QString &size) const
{
    auto &lists = classListCache()[className()];
    auto found = lists.find(size);
    if (found == lists.end()) {
        QList<QVUSPSRateClass *> list;
        if (size == QVUSPSRegularSize) {
            list = {priority(),    firstClass(), parcelSelect(),       standardPost(),
                    libraryMail(), mediaMail(),  boundPrintedMatter(), expressMail()};
        } else if (size == QVUSPSOversizeSize) {
            list = {parcelSelect(), standardPost()};
        } else if (size == QVUSPSLargeEnvelopeSize) {
            list = {priority(), firstClass(), libraryMail(), mediaMail(), expressMail()};
        } else if (size == QVUSPSLetterSize || size == QVUSPSPostcardSize) {
            list = {firstClass()};
        } else if (size == QVUSPSLargeSize) {
            list = {priority(), parcelSelect(), standardPost(), libraryMail(), mediaMail(), expressMail()};
        } else if (qvrates::isExpressFlatRateSize(size)) {
            list = {priority(), expressMail()};
        } else if (QVUSPSRateClass::priorityFlatRateSizes().contains(size)) {
            list = {priority()};
        }
        found = lists.emplace(size, list).first;
    }

    const auto account = accountInformationServices();
    const bool withoutParcelSelect = account->disableParcelSelect();
    thread_local qvrates::DefaultsMemo<bool> mailInnovationsMode;
    const bool withoutStandardPost = !account->standardPost() && !qvrates::rememberedDefault(mailInnovationsMode, [] {
        return UserDefaults::standardUserDefaults().boolForKey(kUPSMailInnovationsModeKey);
    });
    // The list last filtered, kept with the list it came from (shared with
    // it) and the two settings.
    struct Memo {
        QList<QVUSPSRateClass *> from;
        bool withoutParcelSelect = false;
        bool withoutStandardPost = false;
        std::optional<QList<QVUSPSRateClass *>> result;
    };
    thread_local Memo memo;
    if (memo.result && memo.from.isSharedWith(found->second) && memo.withoutParcelSelect == withoutParcelSelect &&
        memo.withoutStandardPost == withoutStandardPost)
        return *memo.result;
    QList<QVUSPSRateClass *> result = found->second;
    if (withoutParcelSelect)
        result = arrayByRemovingObject(result, parcelSelect());
    if (withoutStandardPost)
        result = arrayByRemovingObject(result, standardPost());
    memo = {found->second, withoutParcelSelect, withoutStandardPost, result};
    return result;
}

// ===== Class objects of the rate years ===========================================

const QVUSPSRateYear &QVUSPSRateClass::classObject()
{
    static const RateYearClass<QVUSPSRateClass> year(QStringLiteral("QVUSPSRateClass"),
                                                     QDateTime(QDate(1, 1, 1), QTime(0, 0)));
    return year;
}

const QVUSPSRateYear &QVUSPSJan2014RateClass::classObject()
{
    static const RateYearClass<QVUSPSJan2014RateClass> year(QStringLiteral("QVUSPSJan2014RateClass"),
                                                            QDateTime(QDate(2014, 1, 26), QTime(0, 1)));
    return year;
}

const QVUSPSRateYear &QVUSPSSep2014RateClass::classObject()
{
    static const RateYearClass<QVUSPSSep2014RateClass> year(QStringLiteral("QVUSPSSep2014RateClass"),
                                                            QDateTime(QDate(2014, 9, 7), QTime(0, 1)));
    return year;
}

const QVUSPSRateYear &QVUSPSRateClass::ratesForDate(const QDateTime &date)
{
    int year = 0, month = 0, dayOfMonth = 0;
    thread_local qvrates::DatePartsMemo memo;
    qvrates::rememberedDateParts(memo, date.date(), &year, &month, &dayOfMonth);
    if (year > 2014 || (year == 2014 && month > 9) || (year == 2014 && month == 9 && dayOfMonth > 6))
        return QVUSPSSep2014RateClass::classObject();
    thread_local qvrates::DefaultsMemo<bool> useSep14Rates;
    if (qvrates::rememberedDefault(useSep14Rates,
                                   [] { return UserDefaults::standardUserDefaults().boolForKey(kUseSep14RatesKey); }))
        return QVUSPSSep2014RateClass::classObject();
    return QVUSPSJan2014RateClass::classObject();
}

const QVUSPSRateYear &QVUSPSRateClass::currentRates()
{
    // ratesForDate already honours "useSep14Rates".
    return ratesForDate(QDateTime::currentDateTime());
}

// ===== Menus and tags ===========================================================

const QStringList &QVUSPSRateClass::sizes()
{
    static const QStringList list = {
        QVUSPSLetterSize,
        QVUSPSPostcardSize,
        QVUSPSRegularSize,
        QVUSPSLargeSize,
        QVUSPSOversizeSize,
        QVUSPSFlatRateEnvelopeSize,
        QVUSPSFlatRateBoxSize,
        QVUSPSLargeEnvelopeSize,
        QVUSPSLargeFlatRateBoxSize,
        QVUSPSSmallFlatRateBoxSize,
        QVUSPSFlatRatePaddedEnvelopeSize,
        QVUSPSFlatRateLegalEnvelopeSize,
        QVUSPSRegionalRateBoxASize,
        QVUSPSRegionalRateBoxBSize,
        QVUSPSRegionalRateBoxCSize,
        QVUSPSLargeFlatRateVideoBoxSize,
    };
    return list;
}

qsizetype QVUSPSRateClass::tagForPieceSize(const QString &size) { return qvrates::tagInMenu(sizes(), size); }

QString QVUSPSRateClass::pieceSizeForTag(qsizetype tag) { return qvrates::entryForTag(sizes(), tag); }

const QStringList &QVUSPSRateClass::rateClassTags()
{
    static const QStringList list = {
        QVUSPSPriorityMail, QVUSPSFirstClassMail, QVUSPSMediaMail,   QVUSPSParcelSelect,
        QVUSPSStandardPost, QVUSPSLibraryMail,    QVUSPSExpressMail,
    };
    return list;
}

qsizetype QVUSPSRateClass::tagForRateClassName(const QString &name)
{
    return qvrates::tagInMenu(rateClassTags(), name);
}

QString QVUSPSRateClass::rateClassNameForTag(qsizetype tag) { return qvrates::entryForTag(rateClassTags(), tag); }

// ===== Display names and codes ===================================================

QString QVUSPSRateClass::casualNameForMailpieceSize(const QString &size)
{
    const auto it = sizeTable().constFind(size);
    if (it == sizeTable().constEnd() || it->display.isNull())
        return QStringLiteral("");
    return it->display;
}

QString QVUSPSRateClass::casualNameForRateClassName(const QString &name)
{
    const ClassEntry *entry = classEntry(name);
    return entry ? entry->display : QString();
}

QString QVUSPSRateClass::casualNameForServiceName(const QString &service)
{
    const ServiceEntry *entry = serviceEntry(service);
    return entry ? entry->display : QString();
}

QString QVUSPSRateClass::shortNameForConfirmationService(const QString &service)
{
    const ServiceEntry *entry = serviceEntry(service);
    return entry ? entry->shortName : QString();
}

QString QVUSPSRateClass::webToolsNameForRateClassName(const QString &name)
{
    // A flat-rate name has no Web Tools name of its own.
    const auto it = classTable().constFind(name);
    return it == classTable().constEnd() ? QString() : it->webTools;
}

int QVUSPSRateClass::tolvaneShapeTypeForSize(const QString &size)
{
    thread_local NameMemo<int> memo;
    if (const int *known = memo.find(nullptr, size))
        return *known;
    const auto it = sizeTable().constFind(size);
    const int shape = it == sizeTable().constEnd() ? 0 : it->shape;
    memo.insert(nullptr, size, shape);
    return shape;
}

int QVUSPSRateClass::tolvaneClassTypeForRateClassName(const QString &name)
{
    const ClassEntry *entry = classEntry(name);
    return entry ? entry->code : 0;
}

int QVUSPSRateClass::tolvaneServiceIdForServiceName(const QString &service)
{
    const ServiceEntry *entry = serviceEntry(service);
    return entry ? entry->id : 0;
}

QString QVUSPSRateClass::weightUnitForRateClassName(const QString &name)
{
    // Objects are never made with a flat-rate name, so only real class
    // names have a unit.
    const auto it = classTable().constFind(name);
    return it == classTable().constEnd() ? QString() : it->unit;
}

// ===== Size rules =================================================================

QStringList QVUSPSRateClass::sizesForDimensions(const QVariantMap &dimensions)
{
    // The answer last given, for the same dimension dictionary (shared with
    // it, so any change of it is a different one) and the same account
    // setting: a record hands out one dictionary while its sizes are the same.
    struct Memo {
        QVariantMap dimensions;
        bool regional = false;
        std::optional<QStringList> sizes;
    };
    thread_local Memo memo;
    const bool regional = accountInformationServices()->pmRegionalRateBox();
    if (memo.sizes && memo.regional == regional && memo.dimensions.isSharedWith(dimensions))
        return *memo.sizes;
    memo.dimensions = dimensions;
    memo.regional = regional;
    memo.sizes = sizesForDimensions(dimensions, regional);
    return *memo.sizes;
}

QStringList QVUSPSRateClass::sizesForDimensions(const QVariantMap &dimensions, bool regionalRateBoxes)
{
    const int length = dimensions.value(QVShipmentLengthMeasurementKey).toInt();
    const int width = dimensions.value(QVShipmentWidthMeasurementKey).toInt();
    const int height = dimensions.value(QVShipmentHeightMeasurementKey).toInt();

    QStringList result;
    if (length <= 0 || width <= 0 || height <= 0) {
        result = sizes();
    } else {
        const int a = wholeInches(length);
        const int b = wholeInches(width);
        const int c = wholeInches(height);
        const int longest = std::max({a, b, c});
        const int lengthPlusGirth = longest + 2 * (a + b + c - longest);
        if (lengthPlusGirth >= 109) {
            result = {QVUSPSOversizeSize};
        } else {
            if (height >= 350 && height <= 425 && length >= 500 && length <= 600)
                result.append(QVUSPSPostcardSize);
            if (height >= 350 && height <= 612 && length >= 500 && length <= 1150 && width <= 25)
                result.append(QVUSPSLetterSize);
            if ((height > 612 || length > 1150 || width > 25) && length <= 1500 && height <= 1200 && width <= 75)
                result.append(QVUSPSLargeEnvelopeSize);
            result.append(packageSizes());
        }
    }

    if (!regionalRateBoxes) {
        result.removeAll(QVUSPSRegionalRateBoxASize);
        result.removeAll(QVUSPSRegionalRateBoxBSize);
        result.removeAll(QVUSPSRegionalRateBoxCSize);
    }
    return result;
}

const QSet<QString> &QVUSPSRateClass::priorityFlatRateSizes()
{
    static const QSet<QString> set(flatRateSizeList().cbegin(), flatRateSizeList().cend());
    return set;
}

const QSet<QString> &QVUSPSRateClass::priorityFlatRateEnvelopeSizes()
{
    static const QSet<QString> set = {
        QVUSPSFlatRateEnvelopeSize,         QVUSPSSmallFlatRateBoxSize,
        QVUSPSFlatRatePaddedEnvelopeSize,   QVUSPSFlatRateLegalEnvelopeSize,
        QVUSPSGiftCardFlatRateEnvelopeSize, QVUSPSWindowFlatRateEnvelopeSize,
        QVUSPSSmallFlatRateEnvelopeSize,    QVUSPSCardboardSmallFlatRateEnvelopeSize,
        QVUSPSLargeFlatRateVideoBoxSize,
    };
    return set;
}

// ===== Object side ==============================================================

QVUSPSRateClass::QVUSPSRateClass(const QString &name, const QVUSPSRateYear &ratefoldClass)
    : m_name(name), m_ratefoldClass(&ratefoldClass), m_weightUnit(weightUnitForRateClassName(name))
{}

QString QVUSPSRateClass::casualName() const { return casualNameForRateClassName(m_name); }

QString QVUSPSRateClass::webToolsName() const { return webToolsNameForRateClassName(m_name); }

QString QVUSPSRateClass::weightUnit() const { return m_weightUnit; }

bool QVUSPSRateClass::isStandardB() const
{
    const auto it = classTable().constFind(m_name);
    return it != classTable().constEnd() && it->standardB;
}
