#include "platform/Decimal.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class UserDefaultsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString file() const { return m_dir.filePath(QStringLiteral("defaults.ini")); }
    std::unique_ptr<UserDefaults> open() const { return std::make_unique<UserDefaults>(file()); }

    QTemporaryDir m_dir;
};

TEST_F(UserDefaultsTest, StoredValuesHideRegisteredOnes)
{
    auto defaults = open();
    EXPECT_FALSE(defaults->objectForKey(QStringLiteral("upsMailInnovationsMode")).isValid());
    defaults->registerDefaults({{QStringLiteral("upsMailInnovationsMode"), true},
                                {QStringLiteral("printingMode"), QStringLiteral("standard")}});
    EXPECT_TRUE(defaults->boolForKey(QStringLiteral("upsMailInnovationsMode")));
    EXPECT_EQ(defaults->stringForKey(QStringLiteral("printingMode")), QStringLiteral("standard"));

    defaults->setBool(false, QStringLiteral("upsMailInnovationsMode"));
    EXPECT_FALSE(defaults->boolForKey(QStringLiteral("upsMailInnovationsMode")));
    EXPECT_EQ(defaults->storedKeys(), QStringList{QStringLiteral("upsMailInnovationsMode")});

    defaults->removeObjectForKey(QStringLiteral("upsMailInnovationsMode"));
    EXPECT_TRUE(defaults->boolForKey(QStringLiteral("upsMailInnovationsMode")));
    EXPECT_TRUE(defaults->storedKeys().isEmpty());

    // Storing a null value removes the key too.
    defaults->setString(QStringLiteral("tessaro"), QStringLiteral("printingMode"));
    EXPECT_EQ(defaults->stringForKey(QStringLiteral("printingMode")), QStringLiteral("tessaro"));
    defaults->setObject(QVariant(), QStringLiteral("printingMode"));
    EXPECT_EQ(defaults->stringForKey(QStringLiteral("printingMode")), QStringLiteral("standard"));

    const QVariantMap all = defaults->dictionaryRepresentation();
    EXPECT_EQ(all.value(QStringLiteral("printingMode")), QVariant(QStringLiteral("standard")));
    EXPECT_EQ(all.value(QStringLiteral("upsMailInnovationsMode")), QVariant(true));
}

TEST_F(UserDefaultsTest, ValuesKeepTheirTypesAcrossARestart)
{
    const QDateTime when(QDate(2014, 9, 7), QTime(12, 0, 0, 250), QTimeZone::utc());
    QVariantMap nested{{QStringLiteral("density"), qint64(2)},
                       {QStringLiteral("tray"), QStringLiteral("aLft")},
                       {QStringLiteral("amount"), QVariant::fromValue(Decimal(5600, -3))}};
    const QVariantMap values{
        {QStringLiteral("flag"), true},
        {QStringLiteral("off"), false},
        {QStringLiteral("count"), qint64(-42)},
        {QStringLiteral("ratio"), 0.1},
        {QStringLiteral("name"), QStringLiteral("bool:true \u00e9 ; = [x]")},
        {QStringLiteral("empty"), QString()},
        {QStringLiteral("blob"), QByteArray("\x00\x01\xfe", 3)},
        {QStringLiteral("when"), when},
        {QStringLiteral("postage"), QVariant::fromValue(Decimal::fromString(QStringLiteral("-0.48")))},
        {QStringLiteral("kivoSettings"), nested},
        {QStringLiteral("list"), QVariantList{qint64(1), QStringLiteral("two"), false}},
        {QStringLiteral("names"), QStringList{QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("Case"), QStringLiteral("upper")},
        {QStringLiteral("case"), QStringLiteral("lower")},
    };
    {
        auto defaults = open();
        for (auto it = values.begin(); it != values.end(); ++it)
            defaults->setObject(it.value(), it.key());
    }
    auto reopened = open();
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QVariant got = reopened->objectForKey(it.key());
        EXPECT_EQ(got.metaType(), it.value().metaType()) << it.key().toStdString();
        EXPECT_EQ(got, it.value()) << it.key().toStdString();
    }
    EXPECT_EQ(reopened->objectForKey(QStringLiteral("when")).toDateTime(), when);
    EXPECT_EQ(
        reopened->dictionaryForKey(QStringLiteral("kivoSettings")).value(QStringLiteral("amount")).value<Decimal>(),
        Decimal(56, -1));
    EXPECT_EQ(reopened->storedKeys().size(), values.size());
}

TEST_F(UserDefaultsTest, TypedGettersFallBackAndConvert)
{
    auto defaults = open();
    const QString missing = QStringLiteral("missing");
    EXPECT_FALSE(defaults->boolForKey(missing));
    EXPECT_EQ(defaults->integerForKey(missing), 0);
    EXPECT_EQ(defaults->doubleForKey(missing), 0.0);
    EXPECT_TRUE(defaults->stringForKey(missing).isNull());
    EXPECT_TRUE(defaults->arrayForKey(missing).isEmpty());
    EXPECT_TRUE(defaults->dictionaryForKey(missing).isEmpty());
    EXPECT_TRUE(defaults->dataForKey(missing).isNull());
    EXPECT_TRUE(defaults->stringArrayForKey(missing).isEmpty());
    EXPECT_FALSE(defaults->objectForKey(missing).isValid());

    struct Case {
        QVariant value;
        bool asBool;
        qint64 asInteger;
        double asDouble;
        QString asString; // null: no text
    };
    const Case cases[] = {
        {QStringLiteral("YES"), true, 0, 0.0, QStringLiteral("YES")},
        {QStringLiteral("no"), false, 0, 0.0, QStringLiteral("no")},
        {QStringLiteral("true"), true, 0, 0.0, QStringLiteral("true")},
        {QStringLiteral(" 42abc"), true, 42, 42.0, QStringLiteral(" 42abc")},
        {QStringLiteral("-7.5"), true, -7, -7.5, QStringLiteral("-7.5")},
        {QStringLiteral("0"), false, 0, 0.0, QStringLiteral("0")},
        {true, true, 1, 1.0, QStringLiteral("1")},
        {false, false, 0, 0.0, QStringLiteral("0")},
        {qint64(5), true, 5, 5.0, QStringLiteral("5")},
        {0.1, true, 0, 0.1, QStringLiteral("0.1")},
        {-2.9, true, -2, -2.9, QStringLiteral("-2.9")},
        {QVariant::fromValue(Decimal(1250, -3)), true, 1, 1.25, QStringLiteral("1.25")},
        {QVariantList{1}, false, 0, 0.0, QString()},
        {QByteArray("x"), false, 0, 0.0, QString()},
    };
    const QString key = QStringLiteral("key");
    for (const Case &c : cases) {
        defaults->setObject(c.value, key);
        const std::string what =
            QString::fromLatin1(c.value.typeName()).toStdString() + " " + c.value.toString().toStdString();
        EXPECT_EQ(defaults->boolForKey(key), c.asBool) << what;
        EXPECT_EQ(defaults->integerForKey(key), c.asInteger) << what;
        EXPECT_DOUBLE_EQ(defaults->doubleForKey(key), c.asDouble) << what;
        EXPECT_EQ(defaults->stringForKey(key), c.asString) << what;
        EXPECT_EQ(defaults->stringForKey(key).isNull(), c.asString.isNull()) << what;
    }

    defaults->setObject(QStringList{QStringLiteral("a"), QStringLiteral("b")}, key);
    EXPECT_EQ(defaults->stringArrayForKey(key), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(defaults->arrayForKey(key).size(), 2);
    defaults->setObject(QVariantList{QStringLiteral("a"), 1}, key);
    EXPECT_TRUE(defaults->stringArrayForKey(key).isEmpty());
    EXPECT_EQ(defaults->arrayForKey(key).size(), 2);
    EXPECT_TRUE(defaults->dictionaryForKey(key).isEmpty());
    defaults->setObject(QStringLiteral("text"), key);
    EXPECT_TRUE(defaults->dataForKey(key).isNull());
    EXPECT_TRUE(defaults->arrayForKey(key).isEmpty());
}

TEST_F(UserDefaultsTest, EveryChangeIsAnnounced)
{
    auto defaults = open();
    UserDefaults other(m_dir.filePath(QStringLiteral("other.ini")));
    QStringList seen;
    auto observer = NotificationCenter::defaultCenter().addObserver(
        NSUserDefaultsDidChangeNotification, defaults.get(), [&](const Notification &n) {
            EXPECT_EQ(n.object.get<UserDefaults>(), defaults.get());
            // The change is already made when the notification comes.
            seen << defaults->stringForKey(QStringLiteral("printingMode"));
        });
    defaults->setString(QStringLiteral("standard"), QStringLiteral("printingMode"));
    defaults->setString(QStringLiteral("tessaro"), QStringLiteral("printingMode"));
    defaults->removeObjectForKey(QStringLiteral("printingMode"));
    defaults->registerDefaults({{QStringLiteral("printingMode"), QStringLiteral("registered")}});
    other.setBool(true, QStringLiteral("x")); // another store: not observed
    EXPECT_EQ(
        seen,
        (QStringList{QStringLiteral("standard"), QStringLiteral("tessaro"), QString(), QStringLiteral("registered")}));
}

// The change count that lets readers keep an answer: every change of any
// defaults object makes it grow before the change is announced; reading
// leaves it as it is.
TEST_F(UserDefaultsTest, TheChangeCountGrowsWithEveryChange)
{
    auto defaults = open();
    const QString key = QStringLiteral("printingMode");
    quint64 announcedUnder = 0;
    auto observer = NotificationCenter::defaultCenter().addObserver(
        NSUserDefaultsDidChangeNotification, defaults.get(),
        [&](const Notification &) { announcedUnder = UserDefaults::changeCount(); });
    struct Step {
        const char *what;
        std::function<void()> change;
        bool announced;
    } steps[] = {
        {"a store", [&] { defaults->setString(QStringLiteral("standard"), key); }, true},
        {"the same value again", [&] { defaults->setString(QStringLiteral("standard"), key); }, true},
        {"a removal", [&] { defaults->removeObjectForKey(key); }, true},
        {"registered values",
         [&] {
             defaults->registerDefaults({{key, QStringLiteral("registered")}});
         },
         true},
        {"a synchronize", [&] { defaults->synchronize(); }, false},
        {"another defaults object",
         [&] { UserDefaults(m_dir.filePath(QStringLiteral("other.ini"))).setBool(true, QStringLiteral("x")); }, false},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        (void)defaults->stringForKey(key);
        const quint64 before = UserDefaults::changeCount();
        (void)defaults->stringForKey(key);
        (void)defaults->boolForKey(key);
        EXPECT_EQ(UserDefaults::changeCount(), before);
        announcedUnder = 0;
        step.change();
        EXPECT_GT(UserDefaults::changeCount(), before);
        if (step.announced) {
            EXPECT_GT(announcedUnder, before);
        }
    }
    EXPECT_EQ(defaults->stringForKey(key), QStringLiteral("registered"));
}

TEST_F(UserDefaultsTest, HandEditedOrDamagedEntriesReadAsText)
{
    QFile ini(file());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[General]\n"
              "plain=hello\n"
              "flag=bool:true\n"
              "count=int:12\n"
              "broken=int:abc\n"
              "other=foo:bar\n"
              "variant=variant:!!notbase64\n");
    ini.close();
    auto defaults = open();
    EXPECT_EQ(defaults->objectForKey(QStringLiteral("plain")), QVariant(QStringLiteral("hello")));
    EXPECT_EQ(defaults->objectForKey(QStringLiteral("flag")), QVariant(true));
    EXPECT_EQ(defaults->objectForKey(QStringLiteral("count")), QVariant(qint64(12)));
    EXPECT_EQ(defaults->objectForKey(QStringLiteral("broken")), QVariant(QStringLiteral("int:abc")));
    EXPECT_EQ(defaults->objectForKey(QStringLiteral("other")), QVariant(QStringLiteral("foo:bar")));
    EXPECT_EQ(defaults->objectForKey(QStringLiteral("variant")), QVariant(QStringLiteral("variant:!!notbase64")));
}

TEST_F(UserDefaultsTest, ValuesWithoutAStoredFormAreRefused)
{
    auto defaults = open();
    defaults->setObject(QVariant(QDateTime()), QStringLiteral("date"));
    EXPECT_FALSE(defaults->objectForKey(QStringLiteral("date")).isValid());
    defaults->setObject(QVariant(quint64(1) << 63), QStringLiteral("huge"));
    EXPECT_FALSE(defaults->objectForKey(QStringLiteral("huge")).isValid());
    defaults->setObject(QStringLiteral("x"), QString());
    EXPECT_TRUE(defaults->storedKeys().isEmpty());
}

TEST(StandardUserDefaults, LivesInTheConfigurationFolderAndRegistersTheBundle)
{
    UserDefaults::resetStandardUserDefaults();
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    EXPECT_EQ(&defaults, &UserDefaults::standardUserDefaults());
    const QString config = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("Tolvane"));
    EXPECT_TRUE(defaults.filePath().startsWith(config)) << defaults.filePath().toStdString();

    QString error;
    ASSERT_TRUE(defaults.registerBundleDefaults(&error)) << error.toStdString();
    // A first run is a first run until the program says otherwise.
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("firstRun")));
    defaults.setBool(false, QStringLiteral("firstRun"));
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("firstRun")));
    EXPECT_TRUE(QFile::exists(defaults.filePath()));

    UserDefaults::resetStandardUserDefaults();
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("firstRun")).isValid());
    EXPECT_TRUE(defaults.registeredDefaults().isEmpty());
}

} // namespace
