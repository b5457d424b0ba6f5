#include "stamps/TessaroCatalogue.h"

#include "barcodes/indicia/QVDataMatrixBarcode.h"
#include "model/NumericFormatters.h"
#include "model/QVCountry.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "stamps/TessaroTags.h"

namespace {

struct DomesticValue {
    int tag;
    const QString &rate;
    quint32 weight;
    const QString &size;
    bool machinable;
};

struct InternationalValue {
    int tag;
    const char *country;
    quint32 ounces;
    const QString &size;
};

// A group of a class menu: its header, then its entries.
struct MenuGroup {
    QString header;
    int headerTag;
    QList<QPair<QString, int>> entries;
};

QList<QPair<QString, int>> ounceEntries(int firstTag)
{
    QList<QPair<QString, int>> entries;
    for (int ounces = 1; ounces <= 13; ++ounces)
        entries.append({QStringLiteral("%1 oz.").arg(ounces), firstTag + ounces - 1});
    return entries;
}

} // namespace

TessaroCatalogue::TessaroCatalogue(Clock clock) : m_clock(std::move(clock)) {}

void TessaroCatalogue::setClock(Clock clock) { m_clock = std::move(clock); }

QDateTime TessaroCatalogue::now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }

// ---- Request table ---------------------------------------------------------------

void TessaroCatalogue::buildRequestTable()
{
    const QVUSPSRateYear &year = QVUSPSRateClass::ratesForDate(now());
    m_requests.clear();
    m_requests.emplace(tessaro::BlankTag, nullptr);

    QList<DomesticValue> domestic{
        {100, QVUSPSFirstClassMail, 1, QVUSPSLetterSize, true},
        {101, QVUSPSFirstClassMail, 1, QVUSPSLetterSize, false},
        {102, QVUSPSFirstClassMail, 2, QVUSPSLetterSize, true},
        {103, QVUSPSFirstClassMail, 3, QVUSPSLetterSize, true},
        // The "3.5 oz." letter is priced as the letter's last weight step.
        {104, QVUSPSFirstClassMail, 4, QVUSPSLetterSize, true},
        {114, QVUSPSFirstClassMail, 1, QVUSPSPostcardSize, true},
        {201, QVUSPSPriorityMail, 1, QVUSPSRegularSize, true},
        {202, QVUSPSPriorityMail, 2, QVUSPSFlatRateBoxSize, true},
        {203, QVUSPSPriorityMail, 2, QVUSPSFlatRateEnvelopeSize, true},
        {204, QVUSPSPriorityMail, 2, QVUSPSLargeFlatRateBoxSize, true},
        {205, QVUSPSPriorityMail, 2, QVUSPSSmallFlatRateBoxSize, true},
        {206, QVUSPSPriorityMail, 2, QVUSPSFlatRateLegalEnvelopeSize, true},
        // Media Mail weighs in pounds.
        {301, QVUSPSMediaMail, 1, QVUSPSRegularSize, true},
        {302, QVUSPSMediaMail, 2, QVUSPSRegularSize, true},
        {303, QVUSPSMediaMail, 3, QVUSPSRegularSize, true},
        {501, QVUSPSExpressMail, 17, QVUSPSFlatRateEnvelopeSize, true},
        {502, QVUSPSExpressMail, 17, QVUSPSFlatRateLegalEnvelopeSize, true},
        {503, QVUSPSExpressMail, 2, QVUSPSFlatRateBoxSize, true},
    };
    for (quint32 ounces = 1; ounces <= 13; ++ounces) {
        domestic.append({int(119 + ounces), QVUSPSFirstClassMail, ounces, QVUSPSLargeEnvelopeSize, true});
        domestic.append({int(139 + ounces), QVUSPSFirstClassMail, ounces, QVUSPSRegularSize, true});
    }
    for (const DomesticValue &value : domestic)
        m_requests[value.tag] = QVRHOStampIndiciumRequest::stampRequestWithRate(value.rate, value.weight, value.size,
                                                                                value.machinable, year);

    // The international values: Canada, Mexico and Japan (Japan stands for
    // every other destination). The "2 oz." parcel weighs 2 ounces.
    const QList<InternationalValue> international{
        {401, "CANADA", 1, QVUSPSLetterSize},        {402, "JAPAN", 1, QVUSPSLetterSize},
        {403, "CANADA", 1, QVUSPSLargeEnvelopeSize}, {404, "JAPAN", 1, QVUSPSLargeEnvelopeSize},
        {405, "CANADA", 1, QVUSPSRegularSize},       {406, "JAPAN", 1, QVUSPSRegularSize},
        {407, "MEXICO", 1, QVUSPSLetterSize},        {408, "CANADA", 2, QVUSPSRegularSize},
    };
    QMap<QString, std::shared_ptr<QVUSPSIntlRateClass>> classes;
    for (const char *name : {"CANADA", "MEXICO", "JAPAN"}) {
        const QString country = QString::fromLatin1(name);
        classes.insert(
            country,
            QVUSPSIntlRateClass::intlRateWithName(QVUSPSIntlFirstClassMailIntl, QVCountry::countryWithName(country)));
    }
    for (const InternationalValue &value : international) {
        auto request = QVRHOStampIndiciumRequest::stampRequestWithIntlRateClass(
            *classes.value(QString::fromLatin1(value.country)), value.ounces, value.size);
        if (request)
            m_requests[value.tag] = std::move(request);
    }

    m_requests[tessaro::AdditionalPostageTag] = QVRHOStampIndiciumRequest::stampRequestWithPostageAmount(
        Decimal::fromString(QStringLiteral("0.02")), QVUSPSFirstClassMail, 1, QVUSPSLetterSize);
}

const std::map<int, TessaroStamp> &TessaroCatalogue::stampRequestsDictionary()
{
    if (m_requests.empty())
        buildRequestTable();
    return m_requests;
}

bool TessaroCatalogue::hasRequestForTag(int tag) { return stampRequestsDictionary().count(tag) != 0; }

TessaroStamp TessaroCatalogue::requestForTag(int tag)
{
    const auto &table = stampRequestsDictionary();
    const auto found = table.find(tag);
    return found == table.end() ? nullptr : found->second;
}

int TessaroCatalogue::keyForStamp(const TessaroStamp &stamp)
{
    for (const auto &[tag, entry] : stampRequestsDictionary()) {
        if (!stamp && !entry)
            return tag;
        if (stamp && entry && *stamp == *entry)
            return tag;
    }
    return tessaro::CustomAmountTag;
}

// ---- Class menus -----------------------------------------------------------------

void TessaroCatalogue::buildClassMenus()
{
    const auto group = [this](const MenuGroup &g) {
        QList<TessaroMenuItem> items{{g.header, g.headerTag, 0, false}};
        for (const auto &[title, tag] : g.entries)
            items.append(menuItemForTitle(title, tag));
        return items;
    };
    const QList<TessaroMenuItem> postcard =
        group({QStringLiteral("Postcard"),
               1,
               {{QStringLiteral("Postcard"), 114}, {QStringLiteral("International Postcard"), 402}}});
    const QList<TessaroMenuItem> letter = group({QStringLiteral("First-Class Letter"),
                                                 2,
                                                 {{QStringLiteral("1 oz."), 100},
                                                  {QStringLiteral("1 oz. Oversized"), 101},
                                                  {QStringLiteral("2 oz."), 102},
                                                  {QStringLiteral("3 oz."), 103},
                                                  {QStringLiteral("3.5 oz."), 104},
                                                  {QStringLiteral("Additional Postage"), 901}}});
    const QList<TessaroMenuItem> flat = group({QStringLiteral("First-Class Flat"), 3, ounceEntries(120)});
    const QList<TessaroMenuItem> parcel = group({QStringLiteral("First-Class Package"), 4, ounceEntries(140)});
    const QString international = QStringLiteral("First-Class International");
    const QList<TessaroMenuItem> letterIntl = group({international, 10, {{QStringLiteral("1 oz."), 402}}});
    const QList<TessaroMenuItem> flatIntl = group({international, 12, {{QStringLiteral("1 oz."), 403}}});
    const QList<TessaroMenuItem> parcelIntl =
        group({international, 13, {{QStringLiteral("1 oz."), 405}, {QStringLiteral("2 oz."), 408}}});
    const QString priority = QStringLiteral("Priority Mail");
    const QString express = QStringLiteral("Priority Mail Express");
    const QList<TessaroMenuItem> envelopes =
        group({priority,
               8,
               {{QStringLiteral("Flat Rate Envelope"), 203}, {QStringLiteral("Legal Flat Rate Envelope"), 206}}});
    const QList<TessaroMenuItem> expressEnvelopes = group(
        {express, 9, {{QStringLiteral("Flat Rate Envelope"), 501}, {QStringLiteral("Legal Flat Rate Envelope"), 502}}});
    const QList<TessaroMenuItem> box = group({priority, 7, {{QStringLiteral("Medium Flat Rate Box"), 202}}});
    const QList<TessaroMenuItem> expressBox = group({express, 16, {{QStringLiteral("Flat Rate Box"), 503}}});
    const QList<TessaroMenuItem> largeBox = group({priority, 11, {{QStringLiteral("Large Flat Rate Box"), 204}}});
    const QList<TessaroMenuItem> smallBox = group({priority, 15, {{QStringLiteral("Small Flat Rate Box"), 205}}});

    const TessaroMenuItem separator = TessaroMenuItem::separator(tessaro::MenuSeparatorTag);
    const auto joined = [&separator](QList<TessaroMenuItem> first, const QList<TessaroMenuItem> &second) {
        first.append(separator);
        first.append(second);
        return first;
    };
    m_classMenus.clear();
    m_classMenus.insert(tessaro::Postcard, postcard);
    m_classMenus.insert(tessaro::FirstClassLetter, joined(letter, letterIntl));
    m_classMenus.insert(tessaro::FirstClassFlat, joined(flat, flatIntl));
    m_classMenus.insert(tessaro::FirstClassParcel, joined(parcel, parcelIntl));
    m_classMenus.insert(tessaro::PriorityMailEnvelope, joined(envelopes, expressEnvelopes));
    m_classMenus.insert(tessaro::PriorityMailBox, joined(box, expressBox));
    m_classMenus.insert(tessaro::PriorityMailLargeBox, largeBox);
    m_classMenus.insert(tessaro::PriorityMailSmallBox, smallBox);
}

const QMap<int, QList<TessaroMenuItem>> &TessaroCatalogue::classMenus()
{
    if (m_classMenus.isEmpty())
        buildClassMenus();
    return m_classMenus;
}

int TessaroCatalogue::mailpieceForClassTag(int tag)
{
    const auto &menus = classMenus();
    for (auto it = menus.cbegin(); it != menus.cend(); ++it) {
        for (const TessaroMenuItem &item : it.value())
            if (!item.isSeparator && item.tag == tag)
                return it.key();
    }
    return tessaro::FirstClassParcel;
}

TessaroMenuItem TessaroCatalogue::menuItemForTitle(const QString &title, int tag)
{
    return {menuItemTitleForTitle(title, tag), tag, 1, false};
}

QString TessaroCatalogue::menuItemTitleForTitle(const QString &title, int tag)
{
    const TessaroStamp request = requestForTag(tag);
    if (!request)
        return title;
    return QStringLiteral("%1 (%2)").arg(title, postageString(request->postage()));
}

void TessaroCatalogue::reset()
{
    m_requests.clear();
    m_classMenus.clear();
}

// ---- Class side ------------------------------------------------------------------

int TessaroCatalogue::classTagForHeaderTag(int tag)
{
    switch (tag) {
    case 1:
        return 114;
    case 2:
        return 100;
    case 3:
        return 120;
    case 4:
        return 140;
    case 5:
    case 6:
        return 201;
    case 7:
        return 202;
    case 8:
        return 203;
    case 9:
        return 501;
    case 10:
    case 14:
        return 401;
    case 11:
        return 204;
    case 12:
        return 403;
    case 13:
        return 405;
    default:
        return tag;
    }
}

bool TessaroCatalogue::validateClassMenuItem(int tag, bool rollMode)
{
    if (tessaro::isHeaderTag(tag) || tag == 1000 || tag == 1999)
        return false;
    if (tag == tessaro::BlankTag)
        return !rollMode;
    return true;
}

QString TessaroCatalogue::postageString(const Decimal &postage)
{
    return QLatin1Char('$') + twoDigitDollarFormatter().stringFromNumber(postage);
}

QByteArray TessaroCatalogue::sampleBarcodeBytes()
{
    return QByteArray::fromHex("FFC0F400007189A2077201000000000000000000");
}

std::shared_ptr<const tolvane::QVDataMatrixBarcode> TessaroCatalogue::sampleBarcode()
{
    static const std::shared_ptr<const tolvane::QVDataMatrixBarcode> barcode =
        tolvane::QVDataMatrixBarcode::initWithData(sampleBarcodeBytes());
    return barcode;
}
