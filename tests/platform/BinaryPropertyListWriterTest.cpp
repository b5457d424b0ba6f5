// Our binary property-list writer: what it writes is read back by Python's
// plistlib (an independent reader) and by our libplist-based reader, for
// small and large arrays (one- to four-byte object references), and it
// refuses what the libplist-based writer refuses, with the same texts.
#include "platform/BinaryPropertyListWriter.h"
#include "platform/Decimal.h"
#include "platform/PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

const QDateTime kStart(QDate(2014, 1, 1), QTime(0, 0), QTimeZone::utc());

// Entry i of a log-like array; kPythonEntry below builds the same entry.
QVariantMap entry(int i)
{
    return {
        {QStringLiteral("Name"), QStringLiteral("Pat %1").arg(i)},
        {QStringLiteral("Number"), qint64(i) * 1000 - 7},
        {QStringLiteral("Unicode"), QStringLiteral("Zo\u00eb \u2713 %1").arg(i % 7)},
        {QStringLiteral("When"), kStart.addMSecs(qint64(i) * 3600500)},
        {QStringLiteral("Price"), QVariant::fromValue(Decimal(125, -2))},
        {QStringLiteral("Flag"), i % 2 == 0},
        {QStringLiteral("Real"), i * 0.5 - 1},
        {QStringLiteral("Data"), QByteArray(i % 20, char(i % 256))},
        {QStringLiteral("Long"), QString(i % 40, QLatin1Char('x'))},
        {QStringLiteral("List"), QVariantList{i, QStringLiteral("two"), QVariantMap{{QStringLiteral("k"), i % 3}}}},
    };
}

const char *kPythonEntry = R"(
import sys, plistlib, datetime
def entry(i):
    return {'Name': f'Pat {i}', 'Number': i * 1000 - 7, 'Unicode': f'Zo\u00eb \u2713 {i % 7}',
            'When': datetime.datetime(2014, 1, 1) + datetime.timedelta(milliseconds=i * 3600500),
            'Price': '1.25', 'Flag': i % 2 == 0, 'Real': i * 0.5 - 1, 'Data': bytes([i % 256]) * (i % 20),
            'Long': 'x' * (i % 40), 'List': [i, 'two', {'k': i % 3}]}
with open(sys.argv[1], 'rb') as f:
    got = plistlib.load(f)
count = int(sys.argv[2])
if not isinstance(got, list) or len(got) != count:
    print('not a list of', count)
else:
    bad = [i for i in range(count) if got[i] != entry(i)]
    print('ok' if not bad else f'entry {bad[0]}: {got[bad[0]]!r}')
)";

QList<QVariantMap> entries(int count)
{
    QList<QVariantMap> list;
    for (int i = 0; i < count; ++i)
        list.append(entry(i));
    return list;
}

// What our reader gives back for an entry: integers as qint64, Decimals as
// their text, dates in local time.
QVariantMap asRead(const QVariantMap &written)
{
    QVariantMap map = written;
    map[QStringLiteral("Number")] = written.value(QStringLiteral("Number")).toLongLong();
    map[QStringLiteral("Price")] = QStringLiteral("1.25");
    map[QStringLiteral("When")] = written.value(QStringLiteral("When")).toDateTime().toLocalTime();
    const QVariantList list = written.value(QStringLiteral("List")).toList();
    map[QStringLiteral("List")] =
        QVariantList{list.at(0).toLongLong(), list.at(1),
                     QVariantMap{{QStringLiteral("k"), list.at(2).toMap().value(QStringLiteral("k")).toLongLong()}}};
    return map;
}

TEST(BinaryPropertyListWriter, PlistlibAndOurReaderReadBackEveryEntry)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 not found";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // 1 and 20 entries: one-byte references, counts below and above 15;
    // 300: two-byte references; 23,000: over 65,536 objects, four-byte ones.
    for (const int count : {0, 1, 20, 300, 23000}) {
        const QList<QVariantMap> written = entries(count);
        QString error;
        const std::optional<QByteArray> bytes = encodeBinaryPropertyListArray(written, &error);
        ASSERT_TRUE(bytes) << error.toStdString();
        EXPECT_TRUE(error.isEmpty());
        EXPECT_TRUE(bytes->startsWith("bplist00"));

        const QString path = dir.filePath(QStringLiteral("log-%1.plist").arg(count));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(*bytes);
        file.close();
        QProcess process;
        process.start(python, {QStringLiteral("-c"), QString::fromUtf8(kPythonEntry), path, QString::number(count)});
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()).trimmed(), QStringLiteral("ok"))
            << count << " entries: " << process.readAllStandardError().toStdString();

        const std::optional<QVariant> read = readPropertyList(*bytes, &error);
        ASSERT_TRUE(read) << error.toStdString();
        const QVariantList list = read->toList();
        ASSERT_EQ(list.size(), count);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(list.at(i).toMap(), asRead(written.at(i))) << "entry " << i << " of " << count;
        }
    }
}

TEST(BinaryPropertyListWriter, AnyValueReadsBackAsTheLibplistWritersOutputDoes)
{
    const QVariantList values = {
        QVariantMap{{QStringLiteral("nested"), QVariantMap{{QStringLiteral("deeper"), QVariantList{1.5, false}}}},
                    {QStringLiteral("strings"), QStringList{QStringLiteral("a"), QStringLiteral("\u00e9")}}},
        QVariant(qint64(-1)),
        QVariant(qint64(1) << 40),
        QVariant(quint64(255)),
        QVariant(65536),
        QVariant(-0.0),
        QVariant(QByteArray(300, 'z')),
        QVariant(QString(70000, QChar(0x263A))),
        QVariant(QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc())),
        QVariant(QVariantHash{{QStringLiteral("h"), QStringLiteral("v")}}),
        QVariant(QVariantList()),
    };
    for (const QVariant &value : values) {
        const std::optional<QByteArray> ours = encodeBinaryPropertyList(value);
        const std::optional<QByteArray> libplist = writeBinaryPropertyList(value);
        ASSERT_TRUE(ours && libplist) << value.typeName();
        const std::optional<QVariant> read = readPropertyList(*ours);
        ASSERT_TRUE(read) << value.typeName();
        EXPECT_EQ(*read, readPropertyList(*libplist)) << value.typeName();
    }
    // -0.0 keeps its sign.
    const std::optional<QByteArray> zero = encodeBinaryPropertyList(-0.0);
    ASSERT_TRUE(zero);
    EXPECT_TRUE(std::signbit(readPropertyList(*zero)->toDouble()));
}

TEST(BinaryPropertyListWriter, RepeatedValuesAreStoredOnce)
{
    const std::optional<QByteArray> bytes = encodeBinaryPropertyListArray(entries(500));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->count("Unicode"), 1);
    // The ASCII string object of six characters (marker 0x56).
    EXPECT_EQ(bytes->count("\x56Pat 42"), 1);
    // "Zo\u00eb \u2713 3" in UTF-16 big-endian: one of seven such texts.
    EXPECT_EQ(bytes->count(QByteArray("\x00Z\x00o\x00\xeb\x00 \x27\x13\x00 \x00\x33", 14)), 1);
}

TEST(BinaryPropertyListWriter, RefusesWhatAPropertyListCannotHoldAsTheOtherWriterDoes)
{
    const QVariant deep = [] {
        QVariant value = QVariantList{1};
        for (int i = 0; i < kPropertyListMaxDepth + 1; ++i)
            value = QVariantList{value};
        return value;
    }();
    const QVariant cases[] = {
        QVariant(),
        QVariantMap{{QStringLiteral("a"), QVariant()}},
        QVariant(QPoint(1, 2)),
        QVariant(QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b")),
        QVariantMap{{QString(QStringLiteral("k")) + QChar(0), 1}},
        QVariant(quint64(1) << 63),
        QVariant(QDateTime()),
        QVariant(QDateTime(QDate(10000, 1, 1), QTime(0, 0), QTimeZone::utc())),
        deep,
    };
    for (const QVariant &value : cases) {
        QString ours;
        QString theirs;
        EXPECT_FALSE(encodeBinaryPropertyList(value, &ours)) << value.typeName();
        EXPECT_FALSE(writeBinaryPropertyList(value, &theirs)) << value.typeName();
        EXPECT_FALSE(ours.isEmpty());
        EXPECT_EQ(ours, theirs);
    }
    // One bad entry refuses the whole array.
    QList<QVariantMap> list = entries(3);
    list[1].insert(QStringLiteral("Bad"), QVariant());
    QString error;
    EXPECT_FALSE(encodeBinaryPropertyListArray(list, &error));
    EXPECT_EQ(error, QStringLiteral("The value cannot be written as a property list: a value is missing (null)."));
}

} // namespace

namespace {

// The trailer's object-reference size (the 25th byte from the end).
int referenceSize(const QByteArray &bytes) { return int(uchar(bytes.at(bytes.size() - 25))); }

} // namespace

// The writer that keeps what it encoded, taken through every change a list
// can go through: after each it writes the bytes a fresh writer writes for
// the same list, and they read back as the list.
TEST(BinaryPropertyListArrayWriter, WritesWhatAFreshWriterWritesAfterEveryChange)
{
    int next = 1000;
    using Change = std::function<void(QList<QVariantMap> &)>;
    const std::vector<std::pair<const char *, Change>> changes = {
        {"first entries", [](QList<QVariantMap> &list) { list = entries(4); }},
        {"appended past 255 objects",
         [](QList<QVariantMap> &list) {
             for (int i = 4; i < 40; ++i)
                 list.append(entry(i));
         }},
        {"one appended", [&](QList<QVariantMap> &list) { list.append(entry(next++)); }},
        {"one replaced in the middle", [&](QList<QVariantMap> &list) { list[17] = entry(next++); }},
        {"one changed in place",
         [](QList<QVariantMap> &list) { list[3][QStringLiteral("Name")] = QStringLiteral("Al"); }},
        {"one removed", [](QList<QVariantMap> &list) { list.removeAt(5); }},
        {"the last removed", [](QList<QVariantMap> &list) { list.removeLast(); }},
        {"two swapped", [](QList<QVariantMap> &list) { list.swapItemsAt(1, 2); }},
        {"one prepended", [&](QList<QVariantMap> &list) { list.prepend(entry(next++)); }},
        {"every entry made anew, equal",
         [](QList<QVariantMap> &list) {
             for (QVariantMap &item : list)
                 item = QVariantMap(item.toStdMap());
         }},
        {"emptied", [](QList<QVariantMap> &list) { list.clear(); }},
        {"one after empty", [&](QList<QVariantMap> &list) { list.append(entry(next++)); }},
    };
    BinaryPropertyListArrayWriter writer;
    QList<QVariantMap> list;
    for (const auto &[what, change] : changes) {
        change(list);
        QString error;
        const std::optional<QByteArray> kept = writer.encode(list, &error);
        ASSERT_TRUE(kept) << what << ": " << error.toStdString();
        EXPECT_EQ(*kept, encodeBinaryPropertyListArray(list)) << what;
        const std::optional<QVariant> read = readPropertyList(*kept);
        ASSERT_TRUE(read) << what;
        const QVariantList back = read->toList();
        ASSERT_EQ(back.size(), list.size()) << what;
        for (qsizetype i = 0; i < list.size(); ++i) {
            const QVariantMap expected =
                list.at(i).contains(QStringLiteral("Number")) ? asRead(list.at(i)) : list.at(i);
            EXPECT_EQ(back.at(i).toMap().value(QStringLiteral("Name")), expected.value(QStringLiteral("Name")))
                << what << ", entry " << i;
        }
    }
}

TEST(BinaryPropertyListArrayWriter, AnEntryItCannotStoreFailsAndTheNextWriteIsWhole)
{
    BinaryPropertyListArrayWriter writer;
    QList<QVariantMap> list = entries(30);
    ASSERT_TRUE(writer.encode(list));
    list.append(QVariantMap{{QStringLiteral("Name"), QString(QChar(0))}});
    QString kept;
    QString fresh;
    EXPECT_FALSE(writer.encode(list, &kept));
    EXPECT_FALSE(encodeBinaryPropertyListArray(list, &fresh));
    EXPECT_EQ(kept, fresh);
    EXPECT_FALSE(kept.isEmpty());
    list.removeLast();
    list.append(entry(30));
    const std::optional<QByteArray> bytes = writer.encode(list);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, encodeBinaryPropertyListArray(list));
}

// Appending one entry at a time until object references need four bytes:
// the kept bytes are written again for the wider references.
TEST(BinaryPropertyListArrayWriter, AppendingAcrossTheFourByteReferenceMark)
{
    QList<QVariantMap> list = entries(7900);
    BinaryPropertyListArrayWriter writer;
    std::optional<QByteArray> bytes = writer.encode(list);
    ASSERT_TRUE(bytes);
    ASSERT_EQ(referenceSize(*bytes), 2);
    int appended = 0;
    while (referenceSize(*bytes) == 2 && appended < 2000) {
        list.append(entry(7900 + appended++));
        bytes = writer.encode(list);
        ASSERT_TRUE(bytes);
    }
    ASSERT_EQ(referenceSize(*bytes), 4) << "no four-byte references after " << appended << " entries";
    EXPECT_EQ(*bytes, encodeBinaryPropertyListArray(list));
    list.append(entry(9999));
    bytes = writer.encode(list);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, encodeBinaryPropertyListArray(list));
    const std::optional<QVariant> read = readPropertyList(*bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->toList().size(), list.size());
    EXPECT_EQ(read->toList().last().toMap(), asRead(entry(9999)));
}
