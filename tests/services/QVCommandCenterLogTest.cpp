// The debug log of the server clients: written only when switched on, the
// file entry format, and no pass phrase or password in any of it.
#include "platform/UserDefaults.h"
#include "services/LogRedaction.h"
#include "services/QVCommandCenter.h"

#include "ConsoleCapture.h"
#include "QtPrinters.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTimeZone>
#include <QUrl>
#include <gtest/gtest.h>

using tolvane::test::ConsoleCapture;

namespace {

// A client that takes its log flags from the defaults as the
// address-correction client does.
class AddressClient : public QVCommandCenter
{
public:
    AddressClient() { takeLogFlagsFromDefaults(QStringLiteral("GLZLogging")); }
};

class QuietClient : public QVCommandCenter
{};

const QString PassPhrase = QStringLiteral("Tr0ub4dor & <3");

// A request the way a client would log it: a label-server document, the
// same document escaped into a URL, a country-rules URL and a header line.
QString requestText()
{
    const QString document = QStringLiteral("<AccountStatusRequest><RequesterID>qzvt</RequesterID>"
                                            "<CertifiedIntermediary><AccountID>1234567</AccountID>"
                                            "<PassPhrase>Tr0ub4dor &amp; &lt;3</PassPhrase>"
                                            "</CertifiedIntermediary></AccountStatusRequest>");
    return document + QStringLiteral("\nhttps://label.example/LabelService/EwsLabelService.asmx?inputString=") +
        QString::fromLatin1(QUrl::toPercentEncoding(document)) +
        QStringLiteral("\nhttps://label.example/LabelService/account.asmx/GetCountryRules?clientVersion=5"
                       "&password=pelzo\nNewPassword: hunter2\n");
}

class CommandCenterLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
        for (const QString &name : {QStringLiteral("AddressClient.txt"), QStringLiteral("QuietClient.txt")})
            QFile::remove(QDir(tolvane::test::supportDir()).filePath(name));
    }
    void TearDown() override
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
    }

    static QByteArray readLog(const QString &name)
    {
        QFile file(QDir(tolvane::test::supportDir()).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void expectNoSecret(const QString &text)
    {
        for (const QString &secret : {QStringLiteral("Tr0ub4dor"), QStringLiteral("pelzo"), QStringLiteral("hunter2")})
            EXPECT_FALSE(text.contains(secret)) << qPrintable(secret) << " in " << qPrintable(text);
    }
};

TEST_F(CommandCenterLogTest, NothingIsWrittenWhileBothFlagsAreOff)
{
    const auto client = QVCommandCenter::commandCenter<QuietClient>();
    ConsoleCapture console;
    client->log(QStringLiteral("request"));
    client->debugLog(QStringLiteral("request"));
    EXPECT_TRUE(console.lines().isEmpty());
    EXPECT_FALSE(QFile::exists(client->logFilePath()));
    EXPECT_EQ(QFileInfo(client->logFilePath()).fileName(), QStringLiteral("QuietClient.txt"));
}

TEST_F(CommandCenterLogTest, TheLogFollowsTheDefaults)
{
    struct Case {
        const char *mode; // GLZLogging
        bool debugInfo;   // logDebugInfo
        bool file;
        bool console;
    };
    const Case cases[] = {
        {nullptr, false, false, false}, {"file", false, true, false},   {"console", false, true, true},
        {nullptr, true, false, true},   {"other", false, false, false}, {"file", true, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.mode ? c.mode : "(none)") + (c.debugInfo ? " + logDebugInfo" : ""));
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
        if (c.mode)
            UserDefaults::standardUserDefaults().setString(QString::fromUtf8(c.mode), QStringLiteral("GLZLogging"));
        UserDefaults::standardUserDefaults().setBool(c.debugInfo, QVLogDebugInfoDefaultsKey);
        const auto client = QVCommandCenter::commandCenter<AddressClient>();
        EXPECT_EQ(client->logToFile(), c.file);
        EXPECT_EQ(client->logToConsole(), c.console);

        QFile::remove(client->logFilePath());
        ConsoleCapture console;
        client->log(QStringLiteral("entry"));
        EXPECT_EQ(QFile::exists(client->logFilePath()), c.file);
        EXPECT_EQ(console.lines().contains(QStringLiteral("entry")), c.console);
    }
}

TEST_F(CommandCenterLogTest, FileEntriesAreHeadedByTheirDateBetweenTwoDashLines)
{
    UserDefaults::standardUserDefaults().setString(QStringLiteral("file"), QStringLiteral("GLZLogging"));
    const auto client = QVCommandCenter::commandCenter<AddressClient>();
    client->log(QStringLiteral("first <Address1/>"));
    client->log(QString::fromUtf8("second, Dvořák"));

    const QByteArray log = readLog(QStringLiteral("AddressClient.txt"));
    const QRegularExpression format(
        QStringLiteral("^\\n--\\n(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\+0000)\\n--\\n"
                       "first <Address1/>"
                       "\\n--\\n(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\+0000)\\n--\\n"
                       "second, Dvořák$"));
    const auto match = format.match(QString::fromUtf8(log));
    ASSERT_TRUE(match.hasMatch()) << log.constData();
    const QDateTime written = QDateTime::fromString(match.captured(1).left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    ASSERT_TRUE(written.isValid());
    EXPECT_LT(qAbs(QDateTime(written.date(), written.time(), QTimeZone::utc()).secsTo(QDateTime::currentDateTimeUtc())),
              120);
    EXPECT_FALSE(log.endsWith('\n')); // no line break after the message
}

TEST_F(CommandCenterLogTest, NeitherLogHoldsAPassPhraseOrPassword)
{
    UserDefaults::standardUserDefaults().setString(QStringLiteral("console"), QStringLiteral("GLZLogging"));
    UserDefaults::standardUserDefaults().setBool(true, QVLogDebugInfoDefaultsKey);
    const auto client = QVCommandCenter::commandCenter<AddressClient>();
    client->setUseridAndPassword(QStringLiteral("1234567"), PassPhrase);

    ConsoleCapture console;
    client->log(requestText());
    client->debugLog(requestText());
    const QString file = QString::fromUtf8(readLog(QStringLiteral("AddressClient.txt")));
    ASSERT_EQ(console.lines().size(), 2);
    for (const QString &text : {file, console.lines().at(0), console.lines().at(1)}) {
        expectNoSecret(text);
        // What is no secret stays.
        EXPECT_TRUE(text.contains(QStringLiteral("<AccountID>1234567</AccountID>")));
        EXPECT_TRUE(text.contains(QStringLiteral("clientVersion=5&password=(removed)")));
        EXPECT_TRUE(text.contains(QStringLiteral("%3CAccountID%3E1234567%3C%2FAccountID%3E")));
        EXPECT_TRUE(text.contains(QStringLiteral("NewPassword: (removed)")));
    }
}

// A client whose requests carry a secret in a field of its own name.
class SerialClient : public QVCommandCenter
{
public:
    SerialClient() { setLogToConsole(true); }
    QStringList secretFieldNames() const override { return {QStringLiteral("SERIAL")}; }
};

TEST_F(CommandCenterLogTest, ThePassPhraseGoesByItsPlaceNotByItsText)
{
    // A pass phrase of one letter that many words hold: only its places in
    // the request lose their values; the words around keep every letter,
    // so the log gives no short pass phrase away.
    UserDefaults::standardUserDefaults().setBool(true, QVLogDebugInfoDefaultsKey);
    const auto client = QVCommandCenter::commandCenter<SerialClient>();
    client->setUseridAndPassword(QStringLiteral("1234567"), QStringLiteral("x"));
    const QString text =
        QStringLiteral("POST https://127.0.0.1:8443/VPOServer/VpoHttpAdapter.aspx\n"
                       "<Request><AccountID>1234567</AccountID><PassPhrase>x</PassPhrase><Box>xx</Box></Request>\n"
                       "Tolvane-Account-Passphrase: x\n"
                       "ADDRESS0=Box%20x&USER=1.0.0%20(400)&SERIAL=7654321\n"
                       "https://glz.example/isapi/isapiZIPxml.dll?ADDRESS0%3Dx%26SERIAL%3D7654321");
    const QString expected =
        QStringLiteral("POST https://127.0.0.1:8443/VPOServer/VpoHttpAdapter.aspx\n"
                       "<Request><AccountID>1234567</AccountID><Box>xx</Box></Request>\n"
                       "Tolvane-Account-Passphrase: (removed)\n"
                       "ADDRESS0=Box%20x&USER=1.0.0%20(400)&SERIAL=(removed)\n"
                       "https://glz.example/isapi/isapiZIPxml.dll?ADDRESS0%3Dx%26SERIAL%3D(removed)");
    EXPECT_EQ(client->messageForLog(text), expected);
    ConsoleCapture console;
    client->log(text);
    client->debugLog(text);
    EXPECT_EQ(console.lines(), QStringList({expected, expected}));
}

TEST(LogRedaction, SecretsGoInEveryWrittenForm)
{
    struct Case {
        const char *text;
        const char *expected;
    };
    const Case cases[] = {
        {"<a><PassPhrase>x y</PassPhrase><b>1</b></a>", "<a><b>1</b></a>"},
        {"<ns:NewPassPhrase attr=\"1\">\n s\n</ns:NewPassPhrase>", ""},
        {"<WebPassword>p</WebPassword><PASSWORD>q</PASSWORD>", ""},
        {"<PassPhrase/><Other>1</Other>", "<PassPhrase/><Other>1</Other>"},
        {"<PassPhrase>cut off", ""},
        {"%3CPassPhrase%3Eab%2Bc%3C%2FPassPhrase%3E%3CX%3E1", "%3CX%3E1"},
        {"%3cpassphrase%3eab%3c%2fpassphrase%3e", ""},
        {"&lt;PassPhrase&gt;ab&lt;/PassPhrase&gt;&lt;X&gt;", "&lt;X&gt;"},
        {"a=1&password=pelzo&b=2", "a=1&password=(removed)&b=2"},
        {"Password: hunter2\nNext: 1", "Password: (removed)\nNext: 1"},
        {"{\"passPhrase\": \"a b\", \"n\": 1}", "{\"passPhrase\": \"(removed)\", \"n\": 1}"},
        {"<Account PassPhrase='a b' id=\"1\"/>", "<Account PassPhrase='(removed)' id=\"1\"/>"},
        {"    NewPassPhrase = abc;", "    NewPassPhrase = (removed);"},
        {"no secrets, passing through", "no secrets, passing through"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(stringByRemovingSecrets(QString::fromUtf8(c.text)), QString::fromUtf8(c.expected));
    }
}

TEST(LogRedaction, FieldsNamedByTheCallerLoseTheirValuesInEveryWrittenForm)
{
    struct Case {
        const char *text;
        const char *expected;
    };
    const Case cases[] = {
        {"USER=1.0&SERIAL=7654321&X=1", "USER=1.0&SERIAL=(removed)&X=1"},
        {"a%26serial%3D7654321", "a%26serial%3D(removed)"},
        {"<Serial>7654321</Serial><X>1</X>", "<X>1</X>"},
        {"&lt;SERIAL&gt;7654321&lt;/SERIAL&gt;", ""},
        {"{\"SERIAL\": \"76 54\"}", "{\"SERIAL\": \"(removed)\"}"},
        // only the field of that very name, and never the value's text
        // elsewhere
        {"SERIALS=2&MYSERIAL=3 7654321", "SERIALS=2&MYSERIAL=3 7654321"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(stringByRemovingSecrets(QString::fromUtf8(c.text), {QStringLiteral("SERIAL")}),
                  QString::fromUtf8(c.expected));
    }
    // No field names: only the pass-phrase fields go.
    EXPECT_EQ(stringByRemovingSecrets(QStringLiteral("SERIAL=1"), {QString()}), QStringLiteral("SERIAL=1"));
}

} // namespace
