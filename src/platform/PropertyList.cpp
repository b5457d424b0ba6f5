#include "platform/PropertyList.h"

#include "platform/Decimal.h"
#include "platform/XmlInputLimits.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringList>
#include <QRegularExpression>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Seconds between 1970-01-01 and 2001-01-01, the epoch of property-list dates.
constexpr qint64 kPlistEpochMSecs = 978307200000LL;
constexpr qsizetype kMaxInputSize = qsizetype(1) << 30;

struct PlistDeleter {
    void operator()(void *node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

quint64 readBigEndian(const uchar *p, int size)
{
    quint64 v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | p[i];
    return v;
}

// ------------------------------------------------------------------ dates
//
// Both formats hold a date as seconds from 2001-01-01 in a double, and
// libplist keeps that double, but its date accessors pass whole seconds as
// 32-bit integers (1933 to 2069 only). The double is therefore read from and
// written to the one-object binary form of a date node, which carries it as
// it is. Dates are kept from 0001-01-01T00:00:00Z to 9999-12-31T23:59:59.999Z,
// the years an XML date's four digits can name.

const QDateTime &earliestDate()
{
    static const QDateTime date(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc());
    return date;
}

const QDateTime &latestDate()
{
    static const QDateTime date(QDate(9999, 12, 31), QTime(23, 59, 59, 999), QTimeZone::utc());
    return date;
}

// Milliseconds from 2001 of a date's seconds, or nothing outside the range.
std::optional<qint64> dateMSecs(double seconds)
{
    const double earliest = double(earliestDate().toMSecsSinceEpoch() - kPlistEpochMSecs);
    const double latest = double(latestDate().toMSecsSinceEpoch() - kPlistEpochMSecs);
    const double ms = std::round(seconds * 1000.0);
    if (!std::isfinite(ms) || ms < earliest || ms > latest)
        return std::nullopt;
    return static_cast<qint64>(ms);
}

// The seconds from 2001 that a date node holds.
std::optional<double> dateSeconds(plist_t node)
{
    char *bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    std::optional<double> seconds;
    // "bplist00", then the date object: marker 0x33 and a big-endian double.
    if (bytes && length >= 17 && static_cast<uchar>(bytes[8]) == 0x33) {
        const quint64 bits = readBigEndian(reinterpret_cast<const uchar *>(bytes) + 9, 8);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        seconds = value;
    }
    if (bytes)
        plist_to_bin_free(bytes);
    return seconds;
}

// A date node holding exactly these seconds from 2001.
plist_t newDate(double seconds)
{
    quint64 bits = 0;
    std::memcpy(&bits, &seconds, sizeof bits);
    uchar list[50] = {'b', 'p', 'l', 'i', 's', 't', '0', '0', 0x33};
    for (int i = 0; i < 8; ++i)
        list[9 + i] = uchar(bits >> (56 - 8 * i));
    list[17] = 8;       // offset table: the one object at offset 8
    list[18 + 6] = 1;   // offset size
    list[18 + 7] = 1;   // reference size
    list[18 + 15] = 1;  // one object
    list[18 + 31] = 17; // offset table at 17
    plist_t node = nullptr;
    plist_from_bin(reinterpret_cast<const char *>(list), sizeof list, &node);
    return node;
}

// ---------------------------------------------------------------- reading

// Walks the object graph of a binary property list without building it, so
// that what libplist is handed can neither recurse without end (cycles,
// extreme nesting) nor expand shared references beyond reason.
bool checkBinaryStructure(const QByteArray &bytes, QString *why)
{
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    const quint64 n = static_cast<quint64>(bytes.size());
    if (n < 8 + 32) {
        *why = QStringLiteral("it is too short");
        return false;
    }
    const uchar *trailer = d + n - 32;
    const int offsetSize = trailer[6];
    const int refSize = trailer[7];
    const quint64 count = readBigEndian(trailer + 8, 8);
    const quint64 top = readBigEndian(trailer + 16, 8);
    const quint64 tableOffset = readBigEndian(trailer + 24, 8);
    const quint64 dataEnd = n - 32;
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || count == 0 || top >= count ||
        tableOffset < 8 || tableOffset > dataEnd || count > (dataEnd - tableOffset) / quint64(offsetSize)) {
        *why = QStringLiteral("its trailer is damaged or it is truncated");
        return false;
    }

    bool nulText = false;
    bool bigInteger = false;
    bool badDate = false;
    auto outside = [&]() {
        if (badDate)
            return QStringLiteral("a date is out of range");
        if (bigInteger)
            return QStringLiteral("an integer is too large");
        return nulText ? QStringLiteral("a text holds a NUL character")
                       : QStringLiteral("an object lies outside the data");
    };
    // Children of an object: the references of an array, set or dictionary.
    auto children = [&](quint64 index, std::vector<quint64> &out) -> bool {
        out.clear();
        const quint64 offset = readBigEndian(d + tableOffset + index * offsetSize, offsetSize);
        if (offset < 8 || offset >= tableOffset)
            return false;
        const uchar marker = d[offset];
        const int type = marker >> 4;
        if (marker == 0x33) {
            // A date: seconds from 2001 as a double, which must be a real
            // moment within the range dates are kept in.
            if (offset + 9 > tableOffset)
                return false;
            const quint64 bits = readBigEndian(d + offset + 1, 8);
            double seconds = 0;
            std::memcpy(&seconds, &bits, sizeof seconds);
            const bool fits = dateMSecs(seconds).has_value();
            if (!fits)
                badDate = true;
            return fits;
        }
        if (marker == 0x14) {
            // A 16-byte integer: only values of the signed 64-bit range are
            // kept (as the rest of the program holds integers).
            if (offset + 17 > tableOffset)
                return false;
            const quint64 high = readBigEndian(d + offset + 1, 8);
            const quint64 low = readBigEndian(d + offset + 9, 8);
            const bool fits =
                (high == 0 && low < (quint64(1) << 63)) || (high == ~quint64(0) && low >= (quint64(1) << 63));
            if (!fits)
                bigInteger = true;
            return fits;
        }
        if (type != 0xA && type != 0xC && type != 0xD && type != 0x5 && type != 0x6)
            return true;
        quint64 items = marker & 0x0F;
        quint64 pos = offset + 1;
        if (items == 0x0F) {
            if (pos >= tableOffset || (d[pos] >> 4) != 0x1)
                return false;
            const int intBytes = 1 << (d[pos] & 0x0F);
            if (intBytes > 8 || pos + 1 + intBytes > tableOffset)
                return false;
            items = readBigEndian(d + pos + 1, intBytes);
            pos += 1 + intBytes;
        }
        if (type == 0x5 || type == 0x6) {
            // Text (ASCII or UTF-16): it must lie inside the data and hold no
            // NUL character, which the rest of the program cannot carry.
            const quint64 unit = type == 0x5 ? 1 : 2;
            if (items > (tableOffset - pos) / unit)
                return false;
            for (quint64 i = 0; i < items; ++i) {
                if (d[pos + i * unit] == 0 && (unit == 1 || d[pos + i * unit + 1] == 0)) {
                    nulText = true;
                    return false;
                }
            }
            return true;
        }
        const quint64 refs = type == 0xD ? items * 2 : items;
        if ((type == 0xD && items > (quint64(1) << 62)) || refs > (tableOffset - pos) / quint64(refSize))
            return false;
        out.reserve(static_cast<size_t>(refs));
        for (quint64 i = 0; i < refs; ++i) {
            const quint64 ref = readBigEndian(d + pos + i * refSize, refSize);
            if (ref >= count)
                return false;
            out.push_back(ref);
        }
        return true;
    };

    const quint64 expansionLimit = std::max<quint64>(quint64(1) << 20, n * 16);
    std::vector<uchar> state(static_cast<size_t>(count), 0); // 0 new, 1 open, 2 done
    std::vector<quint64> expanded(static_cast<size_t>(count), 0);
    struct Frame {
        quint64 index;
        std::vector<quint64> kids;
        size_t next = 0;
        quint64 total = 1;
    };
    std::vector<Frame> stack;
    stack.push_back({top, {}});
    if (!children(top, stack.back().kids)) {
        *why = outside();
        return false;
    }
    state[top] = 1;
    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (frame.next < frame.kids.size()) {
            const quint64 kid = frame.kids[frame.next++];
            if (state[kid] == 2) {
                frame.total = std::min(expansionLimit + 1, frame.total + expanded[kid]);
                continue;
            }
            if (state[kid] == 1) {
                *why = QStringLiteral("an object contains itself");
                return false;
            }
            if (static_cast<int>(stack.size()) >= kPropertyListMaxDepth) {
                *why = QStringLiteral("it is nested too deeply");
                return false;
            }
            Frame child{kid, {}};
            if (!children(kid, child.kids)) {
                *why = outside();
                return false;
            }
            state[kid] = 1;
            stack.push_back(std::move(child));
            continue;
        }
        const quint64 index = frame.index;
        const quint64 total = frame.total;
        if (total > expansionLimit) {
            *why = QStringLiteral("it expands to too many objects");
            return false;
        }
        state[index] = 2;
        expanded[index] = total;
        stack.pop_back();
        if (!stack.empty())
            stack.back().total = std::min(expansionLimit + 1, stack.back().total + total);
    }
    return true;
}

// Walks an XML property list with QXmlStreamReader before libplist parses
// it: libplist's XML reader recurses without limit and quietly turns damaged
// values into other values (an integer too large becomes -1, a real that is
// not a number 0, a date that is not a date 1970, a key without a value is
// dropped). Here such documents are refused instead. No DTD or external
// entity is ever loaded.
bool checkXmlPropertyList(const QByteArray &bytes, QString *why)
{
    static const QRegularExpression integerPattern(QStringLiteral("^[+-]?[0-9]+$"));
    static const QRegularExpression datePattern(
        QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z$"));

    if (const std::optional<QString> tooMany = xmlAttributeLimitError(bytes)) {
        *why = *tooMany;
        return false;
    }
    QXmlStreamReader xml(bytes);
    // What each open container expects next: for a dictionary whether a
    // value must follow the key just read.
    struct Open {
        bool dict = false;
        bool wantValue = false;
    };
    std::vector<Open> open;
    bool inPlist = false;
    int values = 0; // values at the top level
    auto fail = [&](const QString &text) {
        *why = text;
        return false;
    };
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD) {
            if (!xml.entityDeclarations().isEmpty() || xml.text().contains(QLatin1Char('[')))
                return fail(QStringLiteral("it declares a document type of its own"));
            continue;
        }
        if (token == QXmlStreamReader::EndElement) {
            const QStringView name = xml.name();
            if (name == QLatin1String("dict") || name == QLatin1String("array")) {
                if (open.back().wantValue)
                    return fail(QStringLiteral("a dictionary key has no value"));
                open.pop_back();
            }
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        if (name == QLatin1String("plist") && open.empty() && !inPlist && values == 0) {
            inPlist = true;
            continue;
        }
        const bool isKey = name == QLatin1String("key");
        if (open.empty()) {
            if (isKey || ++values > 1)
                return fail(QStringLiteral("it holds more than one root object"));
        } else {
            Open &parent = open.back();
            if (parent.dict) {
                if (isKey == parent.wantValue)
                    return fail(isKey ? QStringLiteral("a dictionary key has no value")
                                      : QStringLiteral("a dictionary value has no key"));
                parent.wantValue = isKey;
            } else if (isKey) {
                return fail(QStringLiteral("a key stands outside a dictionary"));
            }
        }
        if (name == QLatin1String("dict") || name == QLatin1String("array")) {
            if (static_cast<int>(open.size()) >= kPropertyListMaxDepth)
                return fail(QStringLiteral("it is nested too deeply"));
            open.push_back({name == QLatin1String("dict"), false});
            continue;
        }
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            if (!xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement).trimmed().isEmpty())
                return fail(QStringLiteral("a boolean holds text"));
            continue;
        }
        if (name != QLatin1String("key") && name != QLatin1String("string") && name != QLatin1String("integer") &&
            name != QLatin1String("real") && name != QLatin1String("date") && name != QLatin1String("data"))
            return fail(QStringLiteral("it holds an element <%1> that property lists do not have").arg(name));
        const QString text = xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (xml.hasError())
            break;
        if (text.contains(QChar(0)))
            return fail(QStringLiteral("a text holds a NUL character"));
        if (name == QLatin1String("integer")) {
            const QString trimmed = text.trimmed();
            bool ok = false;
            trimmed.toLongLong(&ok);
            if (!integerPattern.match(trimmed).hasMatch() || !ok)
                return fail(
                    QStringLiteral("the integer “%1” is not a number a property list can hold").arg(trimmed.left(40)));
        } else if (name == QLatin1String("real")) {
            const QString trimmed = text.trimmed().toLower();
            bool ok = false;
            trimmed.toDouble(&ok);
            static const QStringList special{QStringLiteral("nan"),      QStringLiteral("inf"),
                                             QStringLiteral("+inf"),     QStringLiteral("-inf"),
                                             QStringLiteral("infinity"), QStringLiteral("+infinity"),
                                             QStringLiteral("-infinity")};
            if (!ok && !special.contains(trimmed))
                return fail(QStringLiteral("the real number “%1” is not a number").arg(trimmed.left(40)));
        } else if (name == QLatin1String("date")) {
            const QString trimmed = text.trimmed();
            if (!datePattern.match(trimmed).hasMatch() || !QDateTime::fromString(trimmed, Qt::ISODate).isValid())
                return fail(QStringLiteral("the date “%1” is not a date").arg(trimmed.left(40)));
        } else if (name == QLatin1String("data")) {
            QByteArray compact = text.toLatin1();
            compact.replace(' ', QByteArray())
                .replace('\t', QByteArray())
                .replace('\n', QByteArray())
                .replace('\r', QByteArray());
            if (!QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors))
                return fail(QStringLiteral("a data value is not valid Base64"));
        }
    }
    if (xml.hasError())
        return fail(
            QStringLiteral("it is not well-formed XML (%1, line %2)").arg(xml.errorString()).arg(xml.lineNumber()));
    if (values != 1 || !open.empty())
        return fail(QStringLiteral("it holds no complete root object"));
    return true;
}

QString takeString(char *text)
{
    const QString s = text ? QString::fromUtf8(text) : QString();
    std::free(text);
    return s;
}

// Calls visit(key, value) for the entries of a dictionary node in order
// until it answers false; false then.
template <typename Visit> bool forEachEntry(plist_t node, Visit visit)
{
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(node, &iter);
    if (!iter)
        return plist_dict_get_size(node) == 0;
    bool ok = true;
    while (ok) {
        char *key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iter, &key, &value);
        if (!value) {
            std::free(key);
            break;
        }
        const QByteArray name(key ? key : "");
        std::free(key);
        ok = visit(name, value);
    }
    std::free(iter);
    return ok;
}

bool toVariant(plist_t node, int depth, QVariant &out, QString *why)
{
    if (depth > kPropertyListMaxDepth) {
        *why = QStringLiteral("it is nested too deeply");
        return false;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        out = QVariant(b != 0);
        return true;
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        out = QVariant(static_cast<qint64>(v));
        return true;
    }
    case PLIST_UID: {
        uint64_t v = 0;
        plist_get_uid_val(node, &v);
        out = QVariant(static_cast<qint64>(v));
        return true;
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        out = QVariant(v);
        return true;
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        if (plist_get_node_type(node) == PLIST_KEY) {
            char *text = nullptr;
            plist_get_key_val(node, &text);
            out = QVariant(takeString(text));
            return true;
        }
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        out = QVariant(text ? QString::fromUtf8(text, static_cast<qsizetype>(length)) : QString());
        return true;
    }
    case PLIST_DATA: {
        char *bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        out = QVariant(QByteArray(bytes ? bytes : "", static_cast<qsizetype>(bytes ? length : 0)));
        std::free(bytes);
        return true;
    }
    case PLIST_DATE: {
        const std::optional<double> seconds = dateSeconds(node);
        const std::optional<qint64> ms = seconds ? dateMSecs(*seconds) : std::nullopt;
        if (!ms) {
            *why = QStringLiteral("a date is out of range");
            return false;
        }
        out = QVariant(QDateTime::fromMSecsSinceEpoch(*ms + kPlistEpochMSecs, QTimeZone::utc()).toLocalTime());
        return true;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        list.reserve(size);
        for (uint32_t i = 0; i < size; ++i) {
            QVariant item;
            if (!toVariant(plist_array_get_item(node, i), depth + 1, item, why))
                return false;
            list.append(item);
        }
        out = QVariant(list);
        return true;
    }
    case PLIST_DICT: {
        QVariantMap map;
        const bool ok = forEachEntry(node, [&](const QByteArray &key, plist_t value) {
            QVariant item;
            if (!toVariant(value, depth + 1, item, why))
                return false;
            map.insert(QString::fromUtf8(key), item);
            return true;
        });
        if (!ok) {
            if (why->isEmpty())
                *why = QStringLiteral("a dictionary could not be read");
            return false;
        }
        out = QVariant(map);
        return true;
    }
    default:
        *why = QStringLiteral("it holds an object of an unknown kind");
        return false;
    }
}

// ---------------------------------------------------------------- writing

bool checkText(const QString &text, bool xml, QString *why)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0) {
            *why = QStringLiteral("a text holds a NUL character");
            return false;
        }
        if (xml && ((u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF)) {
            *why = QStringLiteral("a text holds a control character that an XML property list cannot carry");
            return false;
        }
    }
    return true;
}

plist_t fromVariant(const QVariant &value, bool xml, int depth, QString *why)
{
    if (depth > kPropertyListMaxDepth) {
        *why = QStringLiteral("the value is nested too deeply");
        return nullptr;
    }
    if (!value.isValid()) {
        *why = QStringLiteral("a value is missing (null)");
        return nullptr;
    }
    const QMetaType type = value.metaType();
    if (type == QMetaType::fromType<Decimal>()) {
        return plist_new_string(value.value<Decimal>().toStdString().c_str());
    }
    switch (type.id()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::LongLong:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULongLong: {
        const qulonglong v = value.toULongLong();
        if (v > static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
            *why = QStringLiteral("an integer is too large for a property list");
            return nullptr;
        }
        return plist_new_uint(v);
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QString: {
        const QString text = value.toString();
        if (!checkText(text, xml, why))
            return nullptr;
        return plist_new_string(text.toUtf8().constData());
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const QDateTime when = value.toDateTime();
        if (!when.isValid()) {
            *why = QStringLiteral("a date is not valid");
            return nullptr;
        }
        if (when < earliestDate() || when > latestDate()) {
            *why = QStringLiteral("a date is out of the range a property list can hold (years 1 to 9999)");
            return nullptr;
        }
        const qint64 ms = when.toMSecsSinceEpoch() - kPlistEpochMSecs;
        plist_t node = newDate(double(ms) / 1000.0);
        if (!node)
            *why = QStringLiteral("a date could not be stored");
        return node;
    }
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        PlistPtr array(plist_new_array());
        for (const QVariant &item : list) {
            plist_t node = fromVariant(item, xml, depth + 1, why);
            if (!node)
                return nullptr;
            plist_array_append_item(array.get(), node);
        }
        return array.release();
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        const QVariantMap map = type.id() == QMetaType::QVariantMap ? value.toMap() : [&] {
            QVariantMap m;
            const QVariantHash h = value.toHash();
            for (auto it = h.begin(); it != h.end(); ++it)
                m.insert(it.key(), it.value());
            return m;
        }();
        PlistPtr dict(plist_new_dict());
        for (auto it = map.begin(); it != map.end(); ++it) {
            if (!checkText(it.key(), xml, why))
                return nullptr;
            plist_t node = fromVariant(it.value(), xml, depth + 1, why);
            if (!node)
                return nullptr;
            plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), node);
        }
        return dict.release();
    }
    default:
        *why = QStringLiteral("a value of type %1 cannot be stored in a property list")
                   .arg(QString::fromLatin1(type.name() ? type.name() : "unknown"));
        return nullptr;
    }
}

// The XML form is written here rather than by libplist, whose writer loses
// the sign of -0.0 and writes years before 1000 with fewer than four digits.

void appendEscaped(QByteArray &out, const char *text, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i) {
        switch (text[i]) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\r':
            // A reader turns a written line end CR LF into LF: kept as a
            // character reference.
            out += "&#13;";
            break;
        default:
            out += text[i];
        }
    }
}

void appendElement(QByteArray &out, const QByteArray &indent, const char *name, const QByteArray &text)
{
    out += indent + '<' + name + '>';
    appendEscaped(out, text.constData(), text.size());
    out += QByteArray("</") + name + ">\n";
}

QByteArray realText(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "+infinity" : "-infinity";
    if (value == 0)
        return std::signbit(value) ? "-0.0" : "0.0";
    // The shortest text that reads back as the same double.
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

// "yyyy-MM-ddTHH:mm:ssZ": XML carries whole seconds (earlier moments of the
// second are written as the second they fall in).
QByteArray dateText(qint64 msSince2001)
{
    const qint64 ms = msSince2001 + kPlistEpochMSecs;
    const qint64 wholeSeconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    const QDateTime when = QDateTime::fromSecsSinceEpoch(wholeSeconds, QTimeZone::utc());
    const QDate date = when.date();
    const QTime time = when.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02dZ", date.year(), date.month(), date.day(), time.hour(),
                             time.minute(), time.second())
        .toLatin1();
}

bool appendXmlNode(plist_t node, int depth, QByteArray &out)
{
    const QByteArray indent(depth, '\t');
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        out += indent + (b ? "<true/>\n" : "<false/>\n");
        return true;
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        appendElement(out, indent, "integer", QByteArray::number(static_cast<qint64>(v)));
        return true;
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        appendElement(out, indent, "real", realText(v));
        return true;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        appendElement(out, indent, "string", QByteArray(text ? text : "", text ? qsizetype(length) : 0));
        return true;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char *bytes = plist_get_data_ptr(node, &length);
        const QByteArray base64 = QByteArray(bytes ? bytes : "", bytes ? qsizetype(length) : 0).toBase64();
        out += indent + "<data>\n";
        for (qsizetype i = 0; i < base64.size(); i += 68)
            out += indent + base64.mid(i, 68) + '\n';
        out += indent + "</data>\n";
        return true;
    }
    case PLIST_DATE: {
        const std::optional<double> seconds = dateSeconds(node);
        const std::optional<qint64> ms = seconds ? dateMSecs(*seconds) : std::nullopt;
        if (!ms)
            return false;
        appendElement(out, indent, "date", dateText(*ms));
        return true;
    }
    case PLIST_ARRAY: {
        const uint32_t size = plist_array_get_size(node);
        if (size == 0) {
            out += indent + "<array/>\n";
            return true;
        }
        out += indent + "<array>\n";
        for (uint32_t i = 0; i < size; ++i) {
            if (!appendXmlNode(plist_array_get_item(node, i), depth + 1, out))
                return false;
        }
        out += indent + "</array>\n";
        return true;
    }
    case PLIST_DICT: {
        if (plist_dict_get_size(node) == 0) {
            out += indent + "<dict/>\n";
            return true;
        }
        out += indent + "<dict>\n";
        const bool ok = forEachEntry(node, [&](const QByteArray &key, plist_t value) {
            appendElement(out, indent + '\t', "key", key);
            return appendXmlNode(value, depth + 1, out);
        });
        if (!ok)
            return false;
        out += indent + "</dict>\n";
        return true;
    }
    default:
        return false;
    }
}

QByteArray xmlPropertyList(plist_t root, bool *ok)
{
    QByteArray out("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                   "<plist version=\"1.0\">\n");
    *ok = appendXmlNode(root, 0, out);
    out += "</plist>\n";
    return out;
}

} // namespace

std::optional<QVariant> readPropertyList(const QByteArray &data, QString *error, PropertyListFormat *format)
{
    if (data.isEmpty()) {
        setError(error, QStringLiteral("The data is not a property list: it is empty."));
        return std::nullopt;
    }
    if (data.size() > kMaxInputSize) {
        setError(error, QStringLiteral("The data is not read as a property list: it is too large."));
        return std::nullopt;
    }
    const bool binary = data.startsWith("bplist");
    QString why;
    if (binary ? !checkBinaryStructure(data, &why) : !checkXmlPropertyList(data, &why)) {
        setError(error, QStringLiteral("The data is not a valid property list: %1.").arg(why));
        return std::nullopt;
    }
    plist_t root = nullptr;
    if (binary) {
        plist_from_bin(data.constData(), static_cast<uint32_t>(data.size()), &root);
    } else {
        // libplist does not expect a byte-order mark.
        const qsizetype skip = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        plist_from_xml(data.constData() + skip, static_cast<uint32_t>(data.size() - skip), &root);
    }
    PlistPtr guard(root);
    if (!root) {
        setError(error,
                 binary ? QStringLiteral("The data is not a valid binary property list: it is truncated or damaged.")
                        : QStringLiteral("The data is not a valid property list: it is truncated, damaged or not a "
                                         "property list at all."));
        return std::nullopt;
    }
    QVariant value;
    if (!toVariant(root, 0, value, &why)) {
        setError(error, QStringLiteral("The data is not a valid property list: %1.").arg(why));
        return std::nullopt;
    }
    if (format)
        *format = binary ? PropertyListFormat::Binary : PropertyListFormat::Xml;
    if (error)
        error->clear();
    return value;
}

std::optional<QByteArray> writePropertyList(const QVariant &value, PropertyListFormat format, QString *error)
{
    QString why;
    const bool xml = format == PropertyListFormat::Xml;
    PlistPtr root(fromVariant(value, xml, 0, &why));
    if (!root) {
        setError(error, QStringLiteral("The value cannot be written as a property list: %1.").arg(why));
        return std::nullopt;
    }
    QByteArray out;
    bool written = false;
    if (xml) {
        out = xmlPropertyList(root.get(), &written);
    } else {
        char *bytes = nullptr;
        uint32_t length = 0;
        plist_to_bin(root.get(), &bytes, &length);
        if (bytes) {
            out = QByteArray(bytes, static_cast<qsizetype>(length));
            plist_to_bin_free(bytes);
            written = true;
        }
    }
    if (!written) {
        setError(error, QStringLiteral("The value cannot be written as a property list."));
        return std::nullopt;
    }
    if (error)
        error->clear();
    return out;
}

std::optional<QByteArray> writeBinaryPropertyList(const QVariant &value, QString *error)
{
    return writePropertyList(value, PropertyListFormat::Binary, error);
}

std::optional<QByteArray> writeXmlPropertyList(const QVariant &value, QString *error)
{
    return writePropertyList(value, PropertyListFormat::Xml, error);
}

std::optional<QVariant> readPropertyListFile(const QString &path, QString *error, PropertyListFormat *format)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("The file “%1” could not be opened: %2.").arg(path, file.errorString()));
        return std::nullopt;
    }
    if (file.size() > kMaxInputSize) {
        setError(error, QStringLiteral("The file “%1” is too large to be a property list.").arg(path));
        return std::nullopt;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, QStringLiteral("The file “%1” could not be read: %2.").arg(path, file.errorString()));
        return std::nullopt;
    }
    QString why;
    std::optional<QVariant> value = readPropertyList(data, &why, format);
    if (!value) {
        setError(error, QStringLiteral("The file “%1” could not be read. %2").arg(path, why));
        return std::nullopt;
    }
    if (error)
        error->clear();
    return value;
}

bool writePropertyListFile(const QString &path, const QVariant &value, PropertyListFormat format, QString *error)
{
    QString why;
    const std::optional<QByteArray> bytes = writePropertyList(value, format, &why);
    if (!bytes) {
        setError(error, QStringLiteral("The file “%1” was not written. %2").arg(path, why));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, QStringLiteral("The file “%1” could not be written: %2.").arg(path, file.errorString()));
        return false;
    }
    if (file.write(*bytes) != bytes->size() || !file.commit()) {
        setError(error, QStringLiteral("The file “%1” could not be written: %2.").arg(path, file.errorString()));
        file.cancelWriting();
        return false;
    }
    if (error)
        error->clear();
    return true;
}
