#include "platform/Decimal.h"
#include "platform/PropertyList.h"

#include "QtPrinters.h"

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
#include <cstring>
#include <random>

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc());
}

// A value with every kind of property-list object.
QVariantMap sample(bool wholeSeconds)
{
    QVariantMap inner;
    inner.insert(QStringLiteral("real"), 3.5);
    inner.insert(QStringLiteral("emptyList"), QVariantList());
    inner.insert(QStringLiteral("emptyMap"), QVariantMap());

    QVariantMap map;
    map.insert(QStringLiteral("name"), QStringLiteral("Ann <Smith> & Co. \u00e9\u2713"));
    map.insert(QStringLiteral("count"), qint64(42));
    map.insert(QStringLiteral("negative"), qint64(-7));
    map.insert(QStringLiteral("big"), qint64(1) << 40);
    map.insert(QStringLiteral("price"), 5.25);
    map.insert(QStringLiteral("tenth"), 0.1);
    map.insert(QStringLiteral("yes"), true);
    map.insert(QStringLiteral("no"), false);
    map.insert(QStringLiteral("when"), utc(2014, 9, 7, 12, 34, 56, wholeSeconds ? 0 : 500));
    map.insert(QStringLiteral("blob"),
               QByteArray("\x00\x01\xff"
                          "abc",
                          6));
    map.insert(QStringLiteral("empty"), QString());
    map.insert(QStringLiteral("list"), QVariantList{qint64(1), QStringLiteral("two"), QVariantList{2.75}, inner});
    return map;
}

TEST(PropertyList, BinaryAndXmlRoundTrip)
{
    for (const PropertyListFormat format : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
        const bool xml = format == PropertyListFormat::Xml;
        const QVariantMap value = sample(xml);
        QString error;
        const std::optional<QByteArray> bytes = writePropertyList(value, format, &error);
        ASSERT_TRUE(bytes.has_value()) << error.toStdString();
        EXPECT_EQ(bytes->startsWith("bplist00"), !xml);
        PropertyListFormat seen = xml ? PropertyListFormat::Binary : PropertyListFormat::Xml;
        const std::optional<QVariant> back = readPropertyList(*bytes, &error, &seen);
        ASSERT_TRUE(back.has_value()) << error.toStdString();
        EXPECT_TRUE(error.isEmpty());
        EXPECT_EQ(seen, format);
        EXPECT_EQ(*back, QVariant(value));
        const QVariantMap map = back->toMap();
        EXPECT_EQ(map.value(QStringLiteral("yes")).metaType(), QMetaType::fromType<bool>());
        EXPECT_EQ(map.value(QStringLiteral("count")).metaType(), QMetaType::fromType<qint64>());
        EXPECT_EQ(map.value(QStringLiteral("tenth")).toDouble(), 0.1);
        EXPECT_EQ(map.value(QStringLiteral("when")).toDateTime(), value.value(QStringLiteral("when")).toDateTime());
    }
}

TEST(PropertyList, IntegersOfEveryQtTypeAreWritten)
{
    const QVariantList list{QVariant(int(-3)), QVariant(uint(4)), QVariant(qint64(-5000000000LL)), QVariant(quint64(6)),
                            QVariant(qint64(std::numeric_limits<qint64>::min()))};
    const auto bytes = writeBinaryPropertyList(list);
    ASSERT_TRUE(bytes);
    const auto back = readPropertyList(*bytes);
    ASSERT_TRUE(back);
    const QVariantList got = back->toList();
    ASSERT_EQ(got.size(), 5);
    EXPECT_EQ(got[0].toLongLong(), -3);
    EXPECT_EQ(got[1].toLongLong(), 4);
    EXPECT_EQ(got[2].toLongLong(), -5000000000LL);
    EXPECT_EQ(got[3].toLongLong(), 6);
    EXPECT_EQ(got[4].toLongLong(), std::numeric_limits<qint64>::min());
}

TEST(PropertyList, DecimalsAreStoredAsText)
{
    QVariantMap map;
    map.insert(QStringLiteral("postage"), QVariant::fromValue(Decimal(5600, -3)));
    map.insert(QStringLiteral("fee"), QVariant::fromValue(Decimal::fromString(QStringLiteral("-0.48"))));
    for (const auto format : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
        const auto bytes = writePropertyList(map, format);
        ASSERT_TRUE(bytes);
        const QVariantMap back = readPropertyList(*bytes)->toMap();
        EXPECT_EQ(back.value(QStringLiteral("postage")), QVariant(QStringLiteral("5.6")));
        EXPECT_EQ(back.value(QStringLiteral("fee")), QVariant(QStringLiteral("-0.48")));
    }
    const auto xml = writeXmlPropertyList(map);
    ASSERT_TRUE(xml);
    EXPECT_TRUE(xml->contains("<string>5.6</string>"));
}

// Python's plistlib is an independent reader and writer of both formats.
class PropertyListPython : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (m_python.isEmpty())
            GTEST_SKIP() << "python3 not found";
        ASSERT_TRUE(m_dir.isValid());
    }

    QString run(const QString &script, const QStringList &args)
    {
        QProcess process;
        process.start(m_python, QStringList{QStringLiteral("-c"), script} + args);
        if (!process.waitForFinished(30000))
            return QStringLiteral("<python did not finish>");
        if (process.exitCode() != 0)
            return QStringLiteral("<python failed: %1>").arg(QString::fromUtf8(process.readAllStandardError()));
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    QString m_python;
    QTemporaryDir m_dir;
};

const char *kDumpScript = R"(
import sys, plistlib, json, datetime
def conv(o):
    if isinstance(o, bool): return {'bool': o}
    if isinstance(o, int): return {'int': o}
    if isinstance(o, float): return {'real': repr(o)}
    if isinstance(o, bytes): return {'data': o.hex()}
    if isinstance(o, datetime.datetime): return {'date': o.isoformat()}
    if isinstance(o, dict): return {k: conv(v) for k, v in o.items()}
    if isinstance(o, list): return [conv(v) for v in o]
    return o
with open(sys.argv[1], 'rb') as f:
    data = f.read()
fmt = 'binary' if data.startswith(b'bplist00') else 'xml'
print(fmt, json.dumps(conv(plistlib.loads(data)), sort_keys=True, ensure_ascii=True))
)";

TEST_F(PropertyListPython, PlistlibReadsWhatWeWrite)
{
    // What plistlib must see, written out by hand from sample().
    auto expected = [](const char *format, const char *date) {
        return QStringLiteral(
                   "%1 {\"big\": {\"int\": 1099511627776}, \"blob\": {\"data\": \"0001ff616263\"}, "
                   "\"count\": {\"int\": 42}, \"empty\": \"\", "
                   "\"list\": [{\"int\": 1}, \"two\", [{\"real\": \"2.75\"}], "
                   "{\"emptyList\": [], \"emptyMap\": {}, \"real\": {\"real\": \"3.5\"}}], "
                   "\"name\": \"Ann <Smith> & Co. \\u00e9\\u2713\", \"negative\": {\"int\": -7}, "
                   "\"no\": {\"bool\": false}, \"price\": {\"real\": \"5.25\"}, \"tenth\": {\"real\": \"0.1\"}, "
                   "\"when\": {\"date\": \"%2\"}, \"yes\": {\"bool\": true}}")
            .arg(QLatin1String(format), QLatin1String(date));
    };
    for (const auto format : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
        const bool xml = format == PropertyListFormat::Xml;
        const QString path = m_dir.filePath(xml ? QStringLiteral("out.xml") : QStringLiteral("out.bin"));
        QString error;
        ASSERT_TRUE(writePropertyListFile(path, sample(xml), format, &error)) << error.toStdString();
        const QString got = run(QString::fromLatin1(kDumpScript), {path});
        EXPECT_EQ(got, xml ? expected("xml", "2014-09-07T12:34:56") : expected("binary", "2014-09-07T12:34:56.500000"));
    }
}

TEST_F(PropertyListPython, WeReadWhatPlistlibWrites)
{
    const char *script = R"(
import sys, plistlib, datetime
value = {'name': 'Zo\u00eb', 'n': -12, 'big': 2**40, 'r': 0.1, 't': True, 'f': False,
         'when': datetime.datetime(2014, 1, 26, 8, 0, 0), 'data': b'\x00\xfe',
         'list': [1, 'a', {'k': []}], 'empty': {}}
fmt = plistlib.FMT_BINARY if sys.argv[2] == 'binary' else plistlib.FMT_XML
with open(sys.argv[1], 'wb') as f:
    plistlib.dump(value, f, fmt=fmt)
print('ok')
)";
    QVariantMap expected;
    expected.insert(QStringLiteral("name"), QStringLiteral("Zo\u00eb"));
    expected.insert(QStringLiteral("n"), qint64(-12));
    expected.insert(QStringLiteral("big"), qint64(1) << 40);
    expected.insert(QStringLiteral("r"), 0.1);
    expected.insert(QStringLiteral("t"), true);
    expected.insert(QStringLiteral("f"), false);
    expected.insert(QStringLiteral("when"), utc(2014, 1, 26, 8, 0, 0));
    expected.insert(QStringLiteral("data"), QByteArray("\x00\xfe", 2));
    expected.insert(QStringLiteral("list"),
                    QVariantList{qint64(1), QStringLiteral("a"), QVariantMap{{QStringLiteral("k"), QVariantList()}}});
    expected.insert(QStringLiteral("empty"), QVariantMap());
    for (const char *format : {"binary", "xml"}) {
        const QString path = m_dir.filePath(QStringLiteral("in.") + QLatin1String(format));
        ASSERT_EQ(run(QString::fromLatin1(script), {path, QLatin1String(format)}), QStringLiteral("ok"));
        QString error;
        const auto value = readPropertyListFile(path, &error);
        ASSERT_TRUE(value.has_value()) << error.toStdString();
        EXPECT_EQ(*value, QVariant(expected)) << format;
    }
}

TEST_F(PropertyListPython, FarDatesAgreeWithPlistlib)
{
    const char *writeScript = R"(
import sys, plistlib, datetime
fmt = plistlib.FMT_BINARY if sys.argv[2] == 'binary' else plistlib.FMT_XML
dates = [datetime.datetime(2089, 6, 4, 12, 0, 0), datetime.datetime(1900, 6, 15),
         datetime.datetime(9999, 12, 31, 23, 59, 59)]
with open(sys.argv[1], 'wb') as f:
    plistlib.dump(dates, f, fmt=fmt)
print('ok')
)";
    const char *readScript = R"(
import sys, plistlib
with open(sys.argv[1], 'rb') as f:
    print(' '.join(d.isoformat() for d in plistlib.load(f)))
)";
    const QVariantList dates{utc(2089, 6, 4, 12, 0, 0), utc(1900, 6, 15, 0, 0, 0), utc(9999, 12, 31, 23, 59, 59)};
    for (const char *format : {"binary", "xml"}) {
        SCOPED_TRACE(format);
        // Read what plistlib wrote.
        const QString in = m_dir.filePath(QStringLiteral("dates-in.") + QLatin1String(format));
        ASSERT_EQ(run(QString::fromLatin1(writeScript), {in, QLatin1String(format)}), QStringLiteral("ok"));
        QString error;
        const auto value = readPropertyListFile(in, &error);
        ASSERT_TRUE(value.has_value()) << error.toStdString();
        EXPECT_EQ(value->toList(), dates);
        // plistlib reads what we wrote.
        const QString out = m_dir.filePath(QStringLiteral("dates-out.") + QLatin1String(format));
        const PropertyListFormat ours =
            QLatin1String(format) == QLatin1String("xml") ? PropertyListFormat::Xml : PropertyListFormat::Binary;
        ASSERT_TRUE(writePropertyListFile(out, dates, ours, &error)) << error.toStdString();
        EXPECT_EQ(run(QString::fromLatin1(readScript), {out}),
                  QStringLiteral("2089-06-04T12:00:00 1900-06-15T00:00:00 9999-12-31T23:59:59"));
    }
}

TEST_F(PropertyListPython, IntegersBeyondSixtyFourSignedBitsAreRefused)
{
    const char *script = R"(
import sys, plistlib
fmt = plistlib.FMT_BINARY if sys.argv[2] == 'binary' else plistlib.FMT_XML
with open(sys.argv[1], 'wb') as f:
    plistlib.dump({'n': int(sys.argv[3])}, f, fmt=fmt)
print('ok')
)";
    struct Case {
        const char *number;
        bool readable;
    };
    const Case cases[] = {{"9223372036854775807", true},
                          {"-9223372036854775808", true},
                          {"9223372036854775808", false},
                          {"18446744073709551615", false}};
    for (const char *format : {"binary", "xml"}) {
        for (const Case &c : cases) {
            const QString path = m_dir.filePath(QStringLiteral("int.plist"));
            ASSERT_EQ(run(QString::fromLatin1(script), {path, QLatin1String(format), QLatin1String(c.number)}),
                      QStringLiteral("ok"));
            QString error;
            const auto value = readPropertyListFile(path, &error);
            EXPECT_EQ(value.has_value(), c.readable) << format << " " << c.number;
            if (value) {
                EXPECT_EQ(QString::number(value->toMap().value(QStringLiteral("n")).toLongLong()),
                          QLatin1String(c.number));
            }
        }
    }
}

void expectRefused(const QByteArray &data, const char *what)
{
    QString error;
    const auto value = readPropertyList(data, &error);
    EXPECT_FALSE(value.has_value()) << what;
    EXPECT_FALSE(error.isEmpty()) << what;
}

TEST(PropertyList, GarbageAndTruncatedInputIsRefused)
{
    expectRefused(QByteArray(), "empty");
    expectRefused("garbage", "garbage");
    expectRefused("bplist00", "header only");
    expectRefused(QByteArray(100, '\xff'), "0xff bytes");
    expectRefused("<?xml version=\"1.0\"?><plist><dict><key>a</key>", "unfinished XML");

    const QVariantMap value = sample(true);
    const QByteArray binary = *writeBinaryPropertyList(value);
    for (qsizetype n = 0; n < binary.size(); ++n)
        expectRefused(binary.left(n), "truncated binary");

    // XML cut anywhere inside the root dictionary.
    const QByteArray xml = *writeXmlPropertyList(value);
    const qsizetype rootEnd = xml.lastIndexOf("</dict>");
    ASSERT_GT(rootEnd, 0);
    for (qsizetype n = 0; n < rootEnd; ++n)
        expectRefused(xml.left(n), "truncated XML");

    // Damaged copies must never crash; whatever is read is a value.
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        QByteArray damaged = (i % 2) ? binary : xml;
        const int flips = 1 + int(rng() % 4);
        for (int f = 0; f < flips; ++f)
            damaged[qsizetype(rng() % damaged.size())] ^= char(1 << (rng() % 8));
        QString error;
        const auto result = readPropertyList(damaged, &error);
        EXPECT_EQ(result.has_value(), error.isEmpty());
    }
}

QByteArray xmlDocument(const char *body)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">") +
        body + "</plist>\n";
}

TEST(PropertyList, DamagedXmlValuesAreRefusedNotGuessed)
{
    const char *bad[] = {
        "<integer>99999999999999999999999</integer>",
        "<integer>12abc</integer>",
        "<integer></integer>",
        "<real>abc</real>",
        "<date>garbage</date>",
        "<date>2014-13-45T99:00:00Z</date>",
        "<data>!!!</data>",
        "<dict><key>a</key></dict>",
        "<dict><string>a</string></dict>",
        "<dict><key>a</key><key>b</key><string>x</string></dict>",
        "<array><key>a</key></array>",
        "<string>a</string><string>b</string>",
        "<widget/>",
        "<true>yes</true>",
        "<dict><key>a</key><string>x</string>",
        "",
    };
    for (const char *body : bad)
        expectRefused(xmlDocument(body), body);
    expectRefused("<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                  "<plist version=\"1.0\"><string>&x;</string></plist>",
                  "external entity");
    expectRefused("<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\">]>"
                  "<plist version=\"1.0\"><string>&a;&a;</string></plist>",
                  "internal entity");

    struct Good {
        QByteArray document;
        QVariant value;
    };
    const Good good[] = {
        {xmlDocument("<integer>-9223372036854775808</integer>"), QVariant(std::numeric_limits<qint64>::min())},
        {xmlDocument("<integer> 42 </integer>"), QVariant(qint64(42))},
        {xmlDocument("<real>-1.5e3</real>"), QVariant(-1500.0)},
        {xmlDocument("<date>2014-01-26T08:00:00Z</date>"), QVariant(utc(2014, 1, 26, 8, 0, 0))},
        {xmlDocument("<data>\n\tAAH+\n</data>"), QVariant(QByteArray("\x00\x01\xfe", 3))},
        {xmlDocument("<!-- <array> --><dict><key>a&amp;b</key><string>&#x41;&lt;</string></dict>"),
         QVariant(QVariantMap{{QStringLiteral("a&b"), QStringLiteral("A<")}})},
        {QByteArray("\xEF\xBB\xBF") + xmlDocument("<string>bom</string>"), QVariant(QStringLiteral("bom"))},
        {QByteArray("<plist version=\"1.0\"><array><true/><false/></array></plist>"),
         QVariant(QVariantList{true, false})},
    };
    for (const Good &g : good) {
        QString error;
        const auto value = readPropertyList(g.document, &error);
        ASSERT_TRUE(value.has_value()) << g.document.toStdString() << " " << error.toStdString();
        EXPECT_EQ(*value, g.value) << g.document.toStdString();
    }
}

// A binary property list of `count` objects, 1-byte offsets and references
// where they fit, built by hand.
QByteArray binaryPlist(const std::vector<QByteArray> &objects, quint64 top = 0)
{
    QByteArray out("bplist00");
    std::vector<quint64> offsets;
    for (const QByteArray &o : objects) {
        offsets.push_back(quint64(out.size()));
        out += o;
    }
    const quint64 table = quint64(out.size());
    for (quint64 off : offsets) {
        for (int i = 3; i >= 0; --i)
            out += char((off >> (8 * i)) & 0xff);
    }
    QByteArray trailer(32, '\0');
    trailer[6] = 4; // offset size
    trailer[7] = 4; // reference size
    auto put64 = [&](int at, quint64 v) {
        for (int i = 0; i < 8; ++i)
            trailer[at + i] = char((v >> (8 * (7 - i))) & 0xff);
    };
    put64(8, objects.size());
    put64(16, top);
    put64(24, table);
    return out + trailer;
}

QByteArray arrayOf(const std::vector<quint32> &refs)
{
    QByteArray o;
    o += char(0xA0 | refs.size());
    for (quint32 r : refs)
        for (int i = 3; i >= 0; --i)
            o += char((r >> (8 * i)) & 0xff);
    return o;
}

TEST(PropertyList, HostileStructuresAreRefused)
{
    // The hand-made layout itself is sound: [[], []] reads.
    const QByteArray sound = binaryPlist({arrayOf({1, 1}), arrayOf({})});
    const auto ok = readPropertyList(sound);
    ASSERT_TRUE(ok.has_value());
    EXPECT_EQ(*ok, QVariant(QVariantList{QVariantList(), QVariantList()}));

    // An array that contains itself.
    expectRefused(binaryPlist({arrayOf({0})}), "cycle");
    // Two arrays that contain each other.
    expectRefused(binaryPlist({arrayOf({1}), arrayOf({0})}), "two-step cycle");
    // Text with a NUL character in it.
    expectRefused(binaryPlist({arrayOf({1}),
                               QByteArray("\x53"
                                          "a\0b",
                                          4)}),
                  "NUL in ASCII text");
    expectRefused(binaryPlist({arrayOf({1}), QByteArray("\x61\0\0", 3)}), "NUL in UTF-16 text");
    const auto text = readPropertyList(binaryPlist({arrayOf({1}),
                                                    QByteArray("\x53"
                                                               "a-b",
                                                               4)}));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, QVariant(QVariantList{QStringLiteral("a-b")}));
    // 16-byte integers: kept when they fit in 64 signed bits.
    const QByteArray small16 = QByteArray("\x14", 1) + QByteArray(15, '\0') + QByteArray("\x05", 1);
    const auto smallValue = readPropertyList(binaryPlist({arrayOf({1}), small16}));
    ASSERT_TRUE(smallValue.has_value());
    EXPECT_EQ(smallValue->toList().value(0).toLongLong(), 5);
    const QByteArray big16 = QByteArray("\x14", 1) + QByteArray(8, '\0') + QByteArray("\x80", 1) + QByteArray(7, '\0');
    expectRefused(binaryPlist({arrayOf({1}), big16}), "2^63 as a 16-byte integer");
    // Dates: seconds from 2001 as a big-endian double.
    auto date = [](double seconds) {
        quint64 bits = 0;
        std::memcpy(&bits, &seconds, sizeof bits);
        QByteArray o("\x33", 1);
        for (int i = 7; i >= 0; --i)
            o += char((bits >> (8 * i)) & 0xff);
        return o;
    };
    const auto goodDate = readPropertyList(binaryPlist({arrayOf({1}), date(3600.5)}));
    ASSERT_TRUE(goodDate.has_value());
    EXPECT_EQ(goodDate->toList().value(0).toDateTime(), utc(2001, 1, 1, 1, 0, 0, 500));
    expectRefused(binaryPlist({arrayOf({1}), date(1e300)}), "date far out of range");
    expectRefused(binaryPlist({arrayOf({1}), date(std::nan(""))}), "date that is not a number");
    // A reference past the last object.
    expectRefused(binaryPlist({arrayOf({5})}), "dangling reference");

    // Nesting far beyond any real file.
    std::vector<QByteArray> chain;
    for (quint32 i = 0; i < 20000; ++i)
        chain.push_back(i + 1 < 20000 ? arrayOf({i + 1}) : arrayOf({}));
    expectRefused(binaryPlist(chain), "deep binary");

    // 60 arrays each holding the next twice: 2^60 objects when expanded.
    std::vector<QByteArray> laughs;
    for (quint32 i = 0; i < 60; ++i)
        laughs.push_back(i + 1 < 60 ? arrayOf({i + 1, i + 1}) : arrayOf({}));
    expectRefused(binaryPlist(laughs), "exponential expansion");

    QByteArray deepXml("<?xml version=\"1.0\"?><plist version=\"1.0\">");
    for (int i = 0; i < 100000; ++i)
        deepXml += "<array>";
    for (int i = 0; i < 100000; ++i)
        deepXml += "</array>";
    deepXml += "</plist>";
    expectRefused(deepXml, "deep XML");

    // Moderate nesting is fine.
    QVariant nested = QVariantList();
    for (int i = 0; i < 100; ++i)
        nested = QVariantList{nested};
    for (const auto format : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
        const auto bytes = writePropertyList(nested, format);
        ASSERT_TRUE(bytes);
        const auto back = readPropertyList(*bytes);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, nested);
    }
}

// Dates far from 2001: both formats hold seconds from 2001 in a double.
const QDateTime kFarDates[] = {
    utc(2089, 6, 4, 12, 0, 0),     utc(1900, 6, 15, 0, 0, 0),     utc(9999, 12, 31, 23, 59, 59),
    utc(1, 1, 1, 0, 0, 0),         utc(500, 6, 15, 1, 2, 3),      utc(1600, 2, 29, 6, 7, 8),
    utc(2100, 3, 1, 0, 0, 0),      utc(1933, 1, 1, 0, 0, 0),      utc(2069, 12, 31, 23, 59, 59),
    utc(1969, 12, 31, 23, 59, 59), utc(2000, 12, 31, 23, 59, 59),
};

TEST(PropertyList, DatesOfEveryYearAreReadFromXmlText)
{
    for (const QDateTime &date : kFarDates) {
        const QByteArray text = date.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")).toLatin1();
        QString error;
        const auto value = readPropertyList(xmlDocument("<date>" + text + "</date>"), &error);
        ASSERT_TRUE(value.has_value()) << text.constData() << " " << error.toStdString();
        EXPECT_EQ(value->toDateTime(), date)
            << text.constData() << " read as " << value->toDateTime().toUTC().toString(Qt::ISODate).toStdString();
    }
}

TEST(PropertyList, DatesOfEveryYearRoundTripInBothFormats)
{
    for (const QDateTime &date : kFarDates) {
        for (const PropertyListFormat format : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
            const bool xml = format == PropertyListFormat::Xml;
            // Binary keeps milliseconds, XML whole seconds.
            const QDateTime when = xml ? date : date.addMSecs(250);
            QString error;
            const auto bytes = writePropertyList(QVariantList{when}, format, &error);
            ASSERT_TRUE(bytes.has_value()) << error.toStdString();
            if (xml) {
                EXPECT_TRUE(bytes->contains(
                    "<date>" + date.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")).toLatin1() + "</date>"))
                    << bytes->constData();
            }
            const auto back = readPropertyList(*bytes, &error);
            ASSERT_TRUE(back.has_value()) << error.toStdString();
            EXPECT_EQ(back->toList().value(0).toDateTime(), when)
                << (xml ? "xml " : "binary ") << when.toString(Qt::ISODateWithMs).toStdString();
        }
    }
    // A moment within a second before 1970 is written as the second it falls in.
    const auto xml = writeXmlPropertyList(utc(1969, 12, 31, 23, 59, 59, 600));
    ASSERT_TRUE(xml.has_value());
    EXPECT_TRUE(xml->contains("<date>1969-12-31T23:59:59Z</date>")) << xml->constData();
}

TEST(PropertyList, DatesNoFormatCanNameAreRefusedNeverChanged)
{
    // Writing: years beyond 9999 or before 1.
    for (const QDateTime &date :
         {utc(10000, 1, 1, 0, 0, 0), QDateTime(QDate(-5, 3, 1), QTime(0, 0), QTimeZone::utc())}) {
        ASSERT_TRUE(date.isValid());
        for (const PropertyListFormat format : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
            QString error;
            EXPECT_FALSE(writePropertyList(QVariantList{date}, format, &error).has_value());
            EXPECT_TRUE(error.contains(QStringLiteral("out of the range"))) << error.toStdString();
        }
    }
    // Reading: a binary date whose seconds lie beyond year 9999, or are no
    // number at all, refuses the whole list.
    const QByteArray good = *writeBinaryPropertyList(QVariantList{QStringLiteral("x"), utc(2014, 1, 1, 0, 0, 0)});
    const qsizetype marker = good.indexOf('\x33', 8);
    ASSERT_GT(marker, 0);
    for (const double seconds : {1e15, -1e15, std::nan(""), HUGE_VAL}) {
        QByteArray bad = good;
        quint64 bits = 0;
        std::memcpy(&bits, &seconds, sizeof bits);
        for (int i = 0; i < 8; ++i)
            bad[marker + 1 + i] = char(bits >> (56 - 8 * i));
        QString error;
        EXPECT_FALSE(readPropertyList(bad, &error).has_value()) << seconds;
        EXPECT_TRUE(error.contains(QStringLiteral("date"))) << error.toStdString();
    }
    expectRefused(xmlDocument("<date>0000-01-01T00:00:00Z</date>"), "year 0");
    expectRefused(xmlDocument("<date>10000-01-01T00:00:00Z</date>"), "year 10000");
}

TEST(PropertyList, RealsKeepTheirSignAndTextsTheirLineEnds)
{
    const QVariantList value{-0.0,
                             0.0,
                             0.1,
                             -1.5e-300,
                             1e300,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             QStringLiteral("a\r\nb\rc\n")};
    for (const PropertyListFormat format : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
        const auto bytes = writePropertyList(value, format);
        ASSERT_TRUE(bytes.has_value());
        const auto back = readPropertyList(*bytes);
        ASSERT_TRUE(back.has_value());
        const QVariantList list = back->toList();
        ASSERT_EQ(list.size(), value.size());
        EXPECT_TRUE(std::signbit(list.at(0).toDouble())) << "-0.0 lost its sign in " << bytes->constData();
        EXPECT_FALSE(std::signbit(list.at(1).toDouble()));
        EXPECT_EQ(list, value);
    }
    const auto nan = readPropertyList(*writeXmlPropertyList(std::nan("")));
    ASSERT_TRUE(nan.has_value());
    EXPECT_TRUE(std::isnan(nan->toDouble()));
}

TEST(PropertyList, ElementsWithHundredThousandAttributesAreRefused)
{
    QByteArray xml("<?xml version=\"1.0\"?><plist version=\"1.0\"><string");
    for (int i = 0; i < 100000; ++i)
        xml += " a" + QByteArray::number(i) + "='1'";
    xml += ">x</string></plist>";
    QString error;
    EXPECT_FALSE(readPropertyList(xml, &error).has_value());
    EXPECT_TRUE(error.contains(QStringLiteral("carries more than 256 attributes"))) << error.toStdString();
}

TEST(PropertyList, ValuesAPropertyListCannotHoldAreRefused)
{
    struct Case {
        QVariant value;
        bool binaryOk;
        bool xmlOk;
        const char *what;
    };
    const Case cases[] = {
        {QVariant(), false, false, "null"},
        {QVariantMap{{QStringLiteral("a"), QVariant()}}, false, false, "null inside"},
        {QVariant(QPoint(1, 2)), false, false, "point"},
        {QVariant(QStringLiteral("a\u0001b")), true, false, "control character"},
        {QVariant(QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b")), false, false, "NUL"},
        {QVariantMap{{QStringLiteral("k\u0002"), 1}}, true, false, "control character in key"},
        {QVariant(quint64(1) << 63), false, false, "unsigned too large"},
        {QVariant(QDateTime()), false, false, "invalid date"},
        {QVariant(QStringLiteral("tab\tline\n")), true, true, "tab and new line"},
    };
    for (const Case &c : cases) {
        QString error;
        const auto binary = writeBinaryPropertyList(c.value, &error);
        EXPECT_EQ(binary.has_value(), c.binaryOk) << c.what;
        EXPECT_EQ(error.isEmpty(), c.binaryOk) << c.what;
        if (binary) {
            EXPECT_EQ(readPropertyList(*binary), c.value) << c.what;
        }
        const auto xml = writeXmlPropertyList(c.value, &error);
        EXPECT_EQ(xml.has_value(), c.xmlOk) << c.what;
        if (xml) {
            EXPECT_EQ(readPropertyList(*xml), c.value) << c.what;
        }
    }
}

TEST(PropertyList, FilesAreWrittenWholeOrNotAtAll)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("log.plist"));
    QString error;
    ASSERT_TRUE(writePropertyListFile(path, QVariantList{qint64(1)}, PropertyListFormat::Binary, &error));
    // A value that cannot be written leaves the old file as it was.
    EXPECT_FALSE(writePropertyListFile(path, QVariantList{QVariant()}, PropertyListFormat::Binary, &error));
    EXPECT_TRUE(error.contains(path));
    auto back = readPropertyListFile(path, &error);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, QVariant(QVariantList{qint64(1)}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("log.plist")});

    EXPECT_FALSE(readPropertyListFile(dir.filePath(QStringLiteral("missing.plist")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("missing.plist")));
    EXPECT_FALSE(writePropertyListFile(dir.filePath(QStringLiteral("no/such/folder/x.plist")), QVariantList(),
                                       PropertyListFormat::Xml, &error));
    EXPECT_FALSE(error.isEmpty());

    QFile damaged(dir.filePath(QStringLiteral("damaged.plist")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(writeBinaryPropertyList(sample(true))->left(50));
    damaged.close();
    EXPECT_FALSE(readPropertyListFile(damaged.fileName(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("damaged.plist")));
}

} // namespace
