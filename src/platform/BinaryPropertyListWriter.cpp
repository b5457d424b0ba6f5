#include "platform/BinaryPropertyListWriter.h"

#include "platform/Decimal.h"
#include "platform/PropertyList.h"

#include <QDateTime>
#include <QHashFunctions>

#include <cstring>
#include <limits>
#include <vector>

namespace {

// Milliseconds between 1970-01-01 and 2001-01-01, the epoch of property-list
// dates, and the range of dates kept (0001-01-01T00:00:00Z to
// 9999-12-31T23:59:59.999Z, as the reader keeps them).
constexpr qint64 kPlistEpochMSecs = 978307200000LL;
constexpr qint64 kEarliestMSecs = -62135596800000LL;
constexpr qint64 kLatestMSecs = 253402300799999LL;

// Object markers (high nibble: kind; low nibble: size, or 0xF when an integer
// object with the count follows).
constexpr uchar kFalse = 0x08;
constexpr uchar kTrue = 0x09;
constexpr uchar kInteger = 0x10;
constexpr uchar kReal = 0x23;
constexpr uchar kDate = 0x33;
constexpr uchar kData = 0x40;
constexpr uchar kAsciiString = 0x50;
constexpr uchar kUtf16String = 0x60;
constexpr uchar kArray = 0xA0;
constexpr uchar kDictionary = 0xD0;

// Bytes needed for an unsigned value: 1, 2, 4 or 8.
int bytesFor(quint64 value)
{
    if (value <= 0xFF)
        return 1;
    if (value <= 0xFFFF)
        return 2;
    if (value <= 0xFFFFFFFFULL)
        return 4;
    return 8;
}

void appendBigEndian(QByteArray &out, quint64 value, int size)
{
    for (int i = size - 1; i >= 0; --i)
        out.append(char(uchar(value >> (8 * i))));
}

void appendInteger(QByteArray &out, qint64 value)
{
    // A negative integer is always 8 bytes: readers take shorter ones as
    // unsigned.
    const int size = value < 0 ? 8 : bytesFor(quint64(value));
    const int log2 = size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3;
    out.append(char(kInteger | log2));
    appendBigEndian(out, quint64(value), size);
}

void appendMarker(QByteArray &out, uchar kind, quint64 count)
{
    if (count < 15) {
        out.append(char(kind | uchar(count)));
        return;
    }
    out.append(char(kind | 0x0F));
    appendInteger(out, qint64(count));
}

void appendDouble(QByteArray &out, uchar marker, double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    out.append(char(marker));
    appendBigEndian(out, bits, 8);
}

class Writer
{
public:
    // Adds the value and its contents; ref receives its object number.
    bool add(const QVariant &value, int depth, quint32 &ref);
    bool addDictionary(const QVariantMap &map, int depth, quint32 &ref);
    // Opens an array whose items the caller then adds and hands to
    // closeArray.
    quint32 openArray();
    void closeArray(quint32 array, const std::vector<quint32> &items);
    QByteArray finish(quint32 top) const;
    const QString &why() const { return m_why; }

    // How far the writer had come: taking it back to a mark forgets every
    // object added after it.
    struct Mark {
        size_t objects = 0;
        qsizetype scalarBytes = 0;
        size_t refs = 0;
    };
    Mark mark() const { return {m_objects.size(), m_scalars.size(), m_refs.size()}; }
    void truncate(const Mark &mark);
    size_t objectCount() const { return m_objects.size(); }
    // Appends the encoded objects [from, to) to out, and the offset of each
    // (out's size plus base) to offsets.
    void writeObjects(size_t from, size_t to, int refSize, QByteArray &out, std::vector<quint64> &offsets,
                      quint64 base) const;
    std::vector<quint32> &scratch(int depth)
    {
        std::vector<quint32> &items = m_scratch[size_t(depth)];
        items.clear();
        return items;
    }

private:
    enum class Kind : uchar { Scalar, Array, Dictionary };
    struct Object {
        Kind kind;
        qsizetype start; // in m_scalars (scalar) or m_refs (container)
        qsizetype size;  // bytes (scalar) or items (array) or pairs (dictionary)
    };

    bool fail(const QString &why)
    {
        m_why = why;
        return false;
    }
    // The encoded scalar at m_scalars[start..] becomes an object, or is
    // dropped for an equal one already stored.
    quint32 internScalar(qsizetype start);
    bool addString(const QString &text, quint32 &ref);
    QByteArrayView scalarBytes(const Object &object) const
    {
        return QByteArrayView(m_scalars.constData() + object.start, object.size);
    }

    std::vector<Object> m_objects;
    QByteArray m_scalars;
    std::vector<quint32> m_refs;
    // Open addressing over scalar objects: object number + 1, 0 when empty,
    // kRemoved where a forgotten object was.
    static constexpr quint32 kRemoved = std::numeric_limits<quint32>::max();
    void rehash();
    std::vector<quint32> m_slots = std::vector<quint32>(1024, 0);
    size_t m_scalarCount = 0;
    size_t m_usedSlots = 0;
    // Per depth, the children of the dictionary being added there (made for
    // every depth at once, so that none moves while a deeper one is in use).
    std::vector<std::vector<quint32>> m_scratch = std::vector<std::vector<quint32>>(kPropertyListMaxDepth + 2);
    QString m_why;
};

void Writer::rehash()
{
    size_t size = m_slots.size();
    while ((m_scalarCount + 1) * 4 > size)
        size *= 2;
    std::vector<quint32> table(size, 0);
    const size_t mask = size - 1;
    for (const quint32 slot : m_slots) {
        if (!slot || slot == kRemoved)
            continue;
        size_t i = qHash(scalarBytes(m_objects[slot - 1])) & mask;
        while (table[i])
            i = (i + 1) & mask;
        table[i] = slot;
    }
    m_slots = std::move(table);
    m_usedSlots = m_scalarCount;
}

quint32 Writer::internScalar(qsizetype start)
{
    const QByteArrayView bytes(m_scalars.constData() + start, m_scalars.size() - start);
    if ((m_usedSlots + 1) * 2 > m_slots.size())
        rehash();
    const size_t mask = m_slots.size() - 1;
    size_t i = qHash(bytes) & mask;
    size_t reusable = std::numeric_limits<size_t>::max();
    while (const quint32 slot = m_slots[i]) {
        if (slot == kRemoved) {
            if (reusable == std::numeric_limits<size_t>::max())
                reusable = i;
        } else if (scalarBytes(m_objects[slot - 1]) == bytes) {
            m_scalars.truncate(start);
            return slot - 1;
        }
        i = (i + 1) & mask;
    }
    if (reusable == std::numeric_limits<size_t>::max())
        ++m_usedSlots;
    else
        i = reusable;
    const auto ref = quint32(m_objects.size());
    m_objects.push_back({Kind::Scalar, start, bytes.size()});
    m_slots[i] = ref + 1;
    ++m_scalarCount;
    return ref;
}

void Writer::truncate(const Mark &mark)
{
    const size_t mask = m_slots.size() - 1;
    for (size_t ref = mark.objects; ref < m_objects.size(); ++ref) {
        if (m_objects[ref].kind != Kind::Scalar)
            continue;
        size_t i = qHash(scalarBytes(m_objects[ref])) & mask;
        while (m_slots[i] != ref + 1)
            i = (i + 1) & mask;
        m_slots[i] = kRemoved;
        --m_scalarCount;
    }
    m_objects.resize(mark.objects);
    m_scalars.truncate(mark.scalarBytes);
    m_refs.resize(mark.refs);
}

bool Writer::addString(const QString &text, quint32 &ref)
{
    const qsizetype start = m_scalars.size();
    const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype length = text.size();
    bool ascii = true;
    for (qsizetype i = 0; i < length; ++i) {
        if (units[i] == 0)
            return fail(QStringLiteral("a text holds a NUL character"));
        if (units[i] >= 0x80)
            ascii = false;
    }
    if (ascii) {
        appendMarker(m_scalars, kAsciiString, quint64(length));
        const qsizetype at = m_scalars.size();
        m_scalars.resize(at + length);
        char *out = m_scalars.data() + at;
        for (qsizetype i = 0; i < length; ++i)
            out[i] = char(units[i]);
    } else {
        appendMarker(m_scalars, kUtf16String, quint64(length));
        const qsizetype at = m_scalars.size();
        m_scalars.resize(at + 2 * length);
        char *out = m_scalars.data() + at;
        for (qsizetype i = 0; i < length; ++i) {
            out[2 * i] = char(units[i] >> 8);
            out[2 * i + 1] = char(units[i] & 0xFF);
        }
    }
    ref = internScalar(start);
    return true;
}

quint32 Writer::openArray()
{
    const auto ref = quint32(m_objects.size());
    m_objects.push_back({Kind::Array, 0, 0});
    return ref;
}

void Writer::closeArray(quint32 array, const std::vector<quint32> &items)
{
    m_objects[array].start = qsizetype(m_refs.size());
    m_objects[array].size = qsizetype(items.size());
    m_refs.insert(m_refs.end(), items.begin(), items.end());
}

bool Writer::addDictionary(const QVariantMap &map, int depth, quint32 &ref)
{
    if (depth > kPropertyListMaxDepth)
        return fail(QStringLiteral("the value is nested too deeply"));
    ref = quint32(m_objects.size());
    m_objects.push_back({Kind::Dictionary, 0, 0});
    std::vector<quint32> &items = scratch(depth);
    items.resize(size_t(map.size()) * 2);
    size_t i = 0;
    for (auto it = map.cbegin(); it != map.cend(); ++it, ++i) {
        if (!addString(it.key(), items[i]))
            return false;
    }
    i = map.size();
    for (auto it = map.cbegin(); it != map.cend(); ++it, ++i) {
        // Deeper levels use their own scratch lists, so items stays valid.
        if (!add(it.value(), depth + 1, items[i]))
            return false;
    }
    m_objects[ref].start = qsizetype(m_refs.size());
    m_objects[ref].size = map.size();
    m_refs.insert(m_refs.end(), items.begin(), items.end());
    return true;
}

template <typename T> const T &stored(const QVariant &value) { return *static_cast<const T *>(value.constData()); }

bool Writer::add(const QVariant &value, int depth, quint32 &ref)
{
    if (depth > kPropertyListMaxDepth)
        return fail(QStringLiteral("the value is nested too deeply"));
    if (!value.isValid())
        return fail(QStringLiteral("a value is missing (null)"));
    const QMetaType type = value.metaType();
    if (type == QMetaType::fromType<Decimal>())
        return addString(QString::fromStdString(stored<Decimal>(value).toStdString()), ref);
    const qsizetype start = m_scalars.size();
    switch (type.id()) {
    case QMetaType::Bool:
        m_scalars.append(char(value.toBool() ? kTrue : kFalse));
        break;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::LongLong:
        appendInteger(m_scalars, value.toLongLong());
        break;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULongLong: {
        const qulonglong v = value.toULongLong();
        if (v > static_cast<qulonglong>(std::numeric_limits<qint64>::max()))
            return fail(QStringLiteral("an integer is too large for a property list"));
        appendInteger(m_scalars, qint64(v));
        break;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        appendDouble(m_scalars, kReal, value.toDouble());
        break;
    case QMetaType::QString:
        return addString(stored<QString>(value), ref);
    case QMetaType::QByteArray: {
        const QByteArray &bytes = stored<QByteArray>(value);
        appendMarker(m_scalars, kData, quint64(bytes.size()));
        m_scalars.append(bytes);
        break;
    }
    case QMetaType::QDateTime: {
        const QDateTime &when = stored<QDateTime>(value);
        if (!when.isValid())
            return fail(QStringLiteral("a date is not valid"));
        const qint64 ms = when.toMSecsSinceEpoch();
        if (ms < kEarliestMSecs || ms > kLatestMSecs)
            return fail(QStringLiteral("a date is out of the range a property list can hold (years 1 to 9999)"));
        appendDouble(m_scalars, kDate, double(ms - kPlistEpochMSecs) / 1000.0);
        break;
    }
    case QMetaType::QStringList: {
        const QStringList &list = stored<QStringList>(value);
        std::vector<quint32> items(size_t(list.size()));
        ref = openArray();
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (!addString(list.at(i), items[size_t(i)]))
                return false;
        }
        closeArray(ref, items);
        return true;
    }
    case QMetaType::QVariantList: {
        const QVariantList &list = stored<QVariantList>(value);
        std::vector<quint32> items(size_t(list.size()));
        ref = openArray();
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (!add(list.at(i), depth + 1, items[size_t(i)]))
                return false;
        }
        closeArray(ref, items);
        return true;
    }
    case QMetaType::QVariantMap:
        return addDictionary(stored<QVariantMap>(value), depth, ref);
    case QMetaType::QVariantHash: {
        const QVariantHash &hash = stored<QVariantHash>(value);
        QVariantMap map;
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map.insert(it.key(), it.value());
        return addDictionary(map, depth, ref);
    }
    default:
        return fail(QStringLiteral("a value of type %1 cannot be stored in a property list")
                        .arg(QString::fromLatin1(type.name() ? type.name() : "unknown")));
    }
    ref = internScalar(start);
    return true;
}

void Writer::writeObjects(size_t from, size_t to, int refSize, QByteArray &out, std::vector<quint64> &offsets,
                          quint64 base) const
{
    for (size_t i = from; i < to; ++i) {
        const Object &object = m_objects[i];
        offsets.push_back(base + quint64(out.size()));
        if (object.kind == Kind::Scalar) {
            out.append(m_scalars.constData() + object.start, object.size);
            continue;
        }
        const bool dictionary = object.kind == Kind::Dictionary;
        appendMarker(out, dictionary ? kDictionary : kArray, quint64(object.size));
        const qsizetype refs = dictionary ? 2 * object.size : object.size;
        const qsizetype at = out.size();
        out.resize(at + refs * refSize);
        uchar *p = reinterpret_cast<uchar *>(out.data()) + at;
        for (qsizetype r = 0; r < refs; ++r) {
            const quint32 item = m_refs[size_t(object.start + r)];
            for (int b = refSize - 1; b >= 0; --b)
                *p++ = uchar(item >> (8 * b));
        }
    }
}

void appendOffsets(QByteArray &out, const quint64 *offsets, size_t count, int size)
{
    const qsizetype at = out.size();
    out.resize(at + qsizetype(count) * size);
    uchar *p = reinterpret_cast<uchar *>(out.data()) + at;
    for (size_t i = 0; i < count; ++i) {
        for (int b = size - 1; b >= 0; --b)
            *p++ = uchar(offsets[i] >> (8 * b));
    }
}

void appendTrailer(QByteArray &out, int offsetSize, int refSize, quint64 count, quint64 top, quint64 tableOffset)
{
    out.append(6, '\0');
    out.append(char(offsetSize));
    out.append(char(refSize));
    appendBigEndian(out, count, 8);
    appendBigEndian(out, top, 8);
    appendBigEndian(out, tableOffset, 8);
}

QByteArray Writer::finish(quint32 top) const
{
    const quint64 count = m_objects.size();
    const int refSize = bytesFor(count ? count - 1 : 0);
    QByteArray out;
    out.reserve(8 + m_scalars.size() + qsizetype(m_refs.size()) * refSize + qsizetype(count) * 10 + 64);
    out.append("bplist00", 8);
    std::vector<quint64> offsets;
    offsets.reserve(count);
    writeObjects(0, count, refSize, out, offsets, 0);
    const auto tableOffset = quint64(out.size());
    const int offsetSize = bytesFor(count ? offsets.back() : 0);
    appendOffsets(out, offsets.data(), offsets.size(), offsetSize);
    appendTrailer(out, offsetSize, refSize, count, top, tableOffset);
    return out;
}

std::optional<QByteArray> failed(const Writer &writer, QString *error)
{
    if (error)
        *error = QStringLiteral("The value cannot be written as a property list: %1.").arg(writer.why());
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> encodeBinaryPropertyList(const QVariant &value, QString *error)
{
    Writer writer;
    quint32 top = 0;
    if (!writer.add(value, 0, top))
        return failed(writer, error);
    if (error)
        error->clear();
    return writer.finish(top);
}

// ------------------------------------------------------------ growing arrays

// The objects of the entries come first, in the order they were added, and
// the array that holds them last: so the bytes of the entries already
// written, and their offsets, stay as they are when an entry is added.
struct BinaryPropertyListArrayWriter::State {
    Writer writer;
    // The entries encoded so far, kept to recognise them (shared, not
    // copied), with the writer's mark before each and its object number.
    QList<QVariantMap> entries;
    std::vector<Writer::Mark> marks;
    std::vector<quint32> items;
    // The encoded objects (after the 8-byte header) and their offsets, for
    // object references of refSize bytes; the offset table of offsetSize
    // bytes for as many of them as it holds.
    QByteArray body;
    std::vector<quint64> offsets;
    int refSize = 0;
    QByteArray offsetTable;
    int offsetSize = 0;

    void truncateTo(qsizetype count)
    {
        const Writer::Mark mark = marks[size_t(count)];
        writer.truncate(mark);
        entries.resize(count);
        marks.resize(size_t(count));
        items.resize(size_t(count));
        if (offsets.size() > mark.objects) {
            body.truncate(qsizetype(offsets[mark.objects] - 8));
            offsets.resize(mark.objects);
        }
        if (offsetSize && offsetTable.size() > qsizetype(offsets.size()) * offsetSize)
            offsetTable.truncate(qsizetype(offsets.size()) * offsetSize);
    }
};

BinaryPropertyListArrayWriter::BinaryPropertyListArrayWriter() : m_state(std::make_unique<State>()) {}
BinaryPropertyListArrayWriter::~BinaryPropertyListArrayWriter() = default;

std::optional<QByteArray> BinaryPropertyListArrayWriter::encode(const QList<QVariantMap> &entries, QString *error)
{
    State &state = *m_state;
    qsizetype same = 0;
    while (same < entries.size() && same < state.entries.size() &&
           entries.at(same).isSharedWith(state.entries.at(same)))
        ++same;
    if (same < state.entries.size())
        state.truncateTo(same);
    for (qsizetype i = same; i < entries.size(); ++i) {
        state.marks.push_back(state.writer.mark());
        quint32 item = 0;
        if (!state.writer.addDictionary(entries.at(i), 1, item)) {
            const std::optional<QByteArray> none = failed(state.writer, error);
            m_state = std::make_unique<State>();
            return none;
        }
        state.items.push_back(item);
        state.entries.append(entries.at(i));
    }

    const size_t objects = state.writer.objectCount();
    const quint64 count = objects + 1;
    const int refSize = bytesFor(count - 1);
    if (refSize != state.refSize) {
        state.body.clear();
        state.offsets.clear();
        state.offsetTable.clear();
        state.refSize = refSize;
    }
    if (state.offsets.size() < objects)
        state.writer.writeObjects(state.offsets.size(), objects, refSize, state.body, state.offsets, 8);
    const quint64 topOffset = 8 + quint64(state.body.size());
    const int offsetSize = bytesFor(topOffset);
    if (offsetSize != state.offsetSize) {
        state.offsetTable.clear();
        state.offsetSize = offsetSize;
    }
    const auto tabled = size_t(state.offsetTable.size() / offsetSize);
    appendOffsets(state.offsetTable, state.offsets.data() + tabled, state.offsets.size() - tabled, offsetSize);

    QByteArray top;
    appendMarker(top, kArray, quint64(state.items.size()));
    const qsizetype at = top.size();
    top.resize(at + qsizetype(state.items.size()) * refSize);
    uchar *p = reinterpret_cast<uchar *>(top.data()) + at;
    for (const quint32 item : state.items) {
        for (int b = refSize - 1; b >= 0; --b)
            *p++ = uchar(item >> (8 * b));
    }

    QByteArray out;
    out.reserve(8 + state.body.size() + top.size() + state.offsetTable.size() + offsetSize + 32);
    out.append("bplist00", 8);
    out.append(state.body);
    out.append(top);
    out.append(state.offsetTable);
    appendBigEndian(out, topOffset, offsetSize);
    appendTrailer(out, offsetSize, refSize, count, count - 1, topOffset + quint64(top.size()));
    if (error)
        error->clear();
    return out;
}

std::optional<QByteArray> encodeBinaryPropertyListArray(const QList<QVariantMap> &entries, QString *error)
{
    return BinaryPropertyListArrayWriter().encode(entries, error);
}
