// Glimra command documents: the reply of each road, automation and test
// mode, purchases, failed prints, the output file, callbacks, opened files
// and hostile documents.
#include "AutomationFakes.h"
#include "LocalHttpServer.h"

#include "automation/GlimraText.h"
#include "model/XMLConversion.h"
#include "model/XMLDocument.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <stdexcept>

using namespace tolvane::test;

namespace {

QString s(const char *text) { return QString::fromUtf8(text); }

// The reply as a property list ({"Glimra": …}); fails the test when it is
// not well-formed.
QVariantMap replyOf(const QString &reply)
{
    const std::optional<QVariantMap> plist = rho_propertyListFromXMLFormatNoExceptions(reply);
    EXPECT_TRUE(plist.has_value()) << reply.toStdString();
    return plist ? plist->value(s("Glimra")).toMap() : QVariantMap();
}

QVariantList packagesOf(const QString &reply)
{
    const QVariant packages = replyOf(reply).value(s("Package"));
    if (packages.typeId() == QMetaType::QVariantList)
        return packages.toList();
    return packages.isValid() ? QVariantList{packages} : QVariantList();
}

QString field(const QVariant &package, const char *name) { return package.toMap().value(s(name)).toString(); }

const char *kDomestic = "<Package ID=\"%1\" MailClass=\"FIRST\" WeightOz=\"2\" ToAddress=\"Ann Lee\n1 Main St\n"
                        "Springfield IL 62701\"/>";

QString package(const QString &id, const QString &extra = QString())
{
    return QString::fromUtf8(kDomestic).arg(id).replace(s("/>"), QLatin1Char(' ') + extra + s("/>"));
}

} // namespace

TEST(GlimraDocumentTest, RootsPackagesAndModesAsTheDocumentAsks)
{
    {
        AutomationWorld world;
        world.window->shipment->setObject(s("Dept"), QVShipmentCostCenterKey);
        const QString reply = world.process(s("<Glimra/>"));
        EXPECT_TRUE(reply.contains(s("<Glimra/>"))) << reply.toStdString();
        EXPECT_FALSE(world.window->shipment->objectForKey(QVShipmentCostCenterKey).isValid());
        EXPECT_EQ(world.process(s("<glimra/>")), s("<nil/>"));
    }
    {
        AutomationWorld one, list;
        const QString single = one.process(s("<Glimra Test=\"\">") + package(s("a")) + s("</Glimra>"));
        const QString ofOne = list.process(s("<Glimra Test=\"\"><Package>") +
                                           s("<ID>a</ID><MailClass>FIRST</MailClass><WeightOz>2"
                                             "</WeightOz><ToAddress>Ann Lee\n1 Main St\nSpringfield "
                                             "IL 62701</ToAddress></Package></Glimra>"));
        ASSERT_EQ(packagesOf(single).size(), 1);
        EXPECT_EQ(field(packagesOf(single).first(), "Status"), s("Success"));
        EXPECT_EQ(packagesOf(single).first().toMap().value(s("ID")), packagesOf(ofOne).first().toMap().value(s("ID")));
        EXPECT_EQ(one.window->prints, QList<bool>{true}) << "an empty Test attribute is test mode";
    }
    {
        AutomationWorld world;
        world.window->onPrint = [&world](bool) {
            world.automationAtPrint << world.delegate->automation;
            return true;
        };
        world.process(s("<Glimra Prompt=\" no \">") + package(s("a")) + s("</Glimra>"));
        EXPECT_EQ(world.automationAtPrint, QList<bool>{true});
        EXPECT_FALSE(world.delegate->automation);
        EXPECT_EQ(world.window->prints, QList<bool>{false});
    }
}

TEST(GlimraDocumentTest, TempNoPostageSwitchesPostageOffForEachPrintOnly)
{
    for (const bool initially : {true, false}) {
        AutomationWorld world;
        UserDefaults::standardUserDefaults().setBool(initially, QVUsePostageDefaultsKey);
        world.process(s("<Glimra Test=\"YES\" QVTempNoPostage=\"yes\">") + package(s("a")) + package(s("b")) +
                      s("</Glimra>"));
        EXPECT_EQ(world.window->usePostageAtPrint, (QList<bool>{false, false}));
        EXPECT_EQ(UserDefaults::standardUserDefaults().boolForKey(QVUsePostageDefaultsKey), initially);
    }
}

TEST(GlimraDocumentTest, InternationalPackagesNeedCertificationWhateverTheCaseOfTheirClass)
{
    const struct {
        const char *attributes;
        bool refused;
    } cases[] = {
        {"MailClass=\"INTLFIRST\"", true},
        {"MailClass=\"intlfirst\"", true},
        {"MailClass=\"\xC4\xB1ntlfirst\"", true},
        {"MailClass=\"INTLFIRST\" CustomsFormType=\"none\"", false},
        {"MailClass=\"INTLFIRST\" CustomsCertify=\"true\"", false},
    };
    for (const auto &c : cases) {
        AutomationWorld world;
        const QString reply = world.process(s("<Glimra Test=\"YES\"><Package ID=\"x\" WeightOz=\"3\" ") +
                                            s(c.attributes) + s("/></Glimra>"));
        const QVariantList packages = packagesOf(reply);
        ASSERT_EQ(packages.size(), 1) << c.attributes;
        EXPECT_EQ(field(packages.first(), "FailureReason") == s("Missing CustomsCertify tag."), c.refused)
            << c.attributes << reply.toStdString();
        if (c.refused) {
            EXPECT_FALSE(packages.first().toMap().contains(s("WeightOz")));
            EXPECT_TRUE(world.window->prints.isEmpty());
        }
    }
}

TEST(GlimraDocumentTest, PurchasesBuyExactMilsOnlyForLiveDocumentsWithAUsableAmount)
{
    const struct {
        const char *root;
        const char *amount;
        std::optional<qint64> mils;
    } cases[] = {
        {"", "25.50", 25500},      {"", "0.001", 1},           {"Test=\"\"", "25.50", std::nullopt},
        {"", "0", std::nullopt},   {"", "-5", std::nullopt},   {"", "1.2345", std::nullopt},
        {"", "abc", std::nullopt}, {"", "1e20", std::nullopt}, {"", "2147483.648", std::nullopt},
    };
    for (const auto &c : cases) {
        AutomationWorld world;
        const QString reply = world.process(s("<Glimra ") + s(c.root) + s("><Purchase Amount=\"") + s(c.amount) +
                                            s("\"/>") + package(s("p")) + s("</Glimra>"));
        const QVariantMap purchase = replyOf(reply).value(s("Purchase")).toMap();
        EXPECT_EQ(purchase.value(s("Amount")).toString(), s(c.amount));
        EXPECT_TRUE(world.window->prints.isEmpty()) << "packages beside a purchase are ignored";
        if (c.mils) {
            EXPECT_EQ(world.boughtMils, QList<qint64>{*c.mils}) << c.amount;
            EXPECT_EQ(purchase.value(s("Status")).toString(), s("Success"));
            EXPECT_EQ(purchase.value(s("Balance")).toString(), s("1234.56"));
            ASSERT_EQ(world.log->records.size(), 1);
            EXPECT_EQ(world.log->records.first().value(QVUSPSShipmentRHOTransactionTypeKey).toString(), s("Purchase"));
            EXPECT_EQ(world.log->records.first().value(QVUSPSShipmentRHODeviceIDKey).toString(), s("M0012345"));
            EXPECT_TRUE(world.delegate->calls.contains(s("refreshTolvaneStatus")));
        } else {
            EXPECT_TRUE(world.boughtMils.isEmpty()) << c.amount;
            EXPECT_EQ(purchase.value(s("Status")).toString(), s("Failure")) << c.amount;
            EXPECT_TRUE(world.log->records.isEmpty());
        }
    }
}

TEST(GlimraDocumentTest, AFailedPrintEndsTheReplyAndTheOutputFile)
{
    QTemporaryDir dir;
    AutomationWorld world;
    int count = 0;
    world.window->onPrint = [&](bool) {
        if (++count == 2) {
            world.window->errored = true;
            world.automation->setFailureReason(s("Error 12 - The printer is out of paper."));
            return false;
        }
        return true;
    };
    const QString output = dir.filePath(s("reply.xml"));
    const QString reply =
        world.process(s("<Glimra Test=\"YES\" OutputFile=\"") + output + s("\">") +
                      package(s("1"), s("ReferenceID=\"R1\"")) + package(s("2")) + package(s("3")) + s("</Glimra>"));
    const QVariantList packages = packagesOf(reply);
    ASSERT_EQ(packages.size(), 2);
    EXPECT_EQ(field(packages.at(1), "Status"), s("Failure"));
    EXPECT_EQ(field(packages.at(1), "FailureReason"), s("Error 12 - The printer is out of paper."));
    EXPECT_EQ(field(packages.at(1), "WeightOz"), s("2"));
    EXPECT_FALSE(packages.at(1).toMap().contains(s("ReferenceID"))) << "never another package's reference";
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), reply);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{s("reply.xml")});
}

TEST(GlimraDocumentTest, TheOutputFileIsWrittenOnlyToAnAbsoluteRegularFileInAnExistingFolder)
{
    QTemporaryDir dir;
    const QString home = QDir::homePath();
    QFile::link(dir.filePath(s("target.xml")), dir.filePath(s("link.xml")));
    QDir(dir.path()).mkdir(s("folder.xml"));
    ::mkfifo(QFile::encodeName(dir.filePath(s("fifo.xml"))).constData(), 0600);
    const struct {
        QString given;
        bool written;
    } cases[] = {
        {s("relative.xml"), false},
        {dir.filePath(s("plain.xml")), true},
        {dir.filePath(s("sub/../dotted.xml")), true},
        {dir.filePath(s("missing/inner.xml")), false},
        {dir.filePath(s("link.xml")), false},
        {dir.filePath(s("folder.xml")), false},
        {dir.filePath(s("fifo.xml")), false},
    };
    for (const auto &c : cases) {
        AutomationWorld world;
        world.process(s("<Glimra Test=\"YES\" OutputFile=\"") + c.given + s("\">") + package(s("a")) + s("</Glimra>"));
        const QString path = QVGlimraAutomation::standardizedOutputPath(c.given);
        const QFileInfo info(path);
        EXPECT_EQ(!path.isEmpty() && info.isFile() && !info.isSymLink() && info.size() > 0, c.written)
            << c.given.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(s("target.xml"))));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(s("missing"))));
    EXPECT_FALSE(QFileInfo::exists(s("relative.xml")));
    EXPECT_EQ(QVGlimraAutomation::standardizedOutputPath(s("~/r.xml")), home + s("/r.xml"));
    EXPECT_EQ(QDir(dir.path()).entryList(QStringList{s(".*.xml.*")}, QDir::Files | QDir::Hidden | QDir::System),
              QStringList());
}

TEST(GlimraDocumentTest, CallbacksCarryThePackagesReplyFields)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    AutomationWorld world;
    world.process(s("<Glimra Test=\"YES\" CallbackMethod=\"GET\" CallbackURL=\"") + server.baseUrl() + s("/cb\">") +
                  package(s("a b")) + s("</Glimra>"));
    ASSERT_TRUE(world.automation->callbacks().waitForCallbacks(10000));
    ASSERT_EQ(server.requests().size(), 1);
    const QByteArray query = server.requests().first().query();
    EXPECT_TRUE(query.startsWith("&")) << query.constData();
    EXPECT_TRUE(query.contains("ID=a%20b")) << query.constData();
    EXPECT_TRUE(query.contains("Status=Success")) << query.constData();

    AutomationWorld browser;
    browser.process(s("<Glimra Test=\"YES\" CallbackURL=\"file:///tmp/x\">") + package(s("a")) + s("</Glimra>"));
    browser.process(s("<Glimra Test=\"YES\" CallbackURL=\"") + server.baseUrl() + s("\">") + package(s("a")) +
                    s("</Glimra>"));
    ASSERT_EQ(browser.opener->opened.size(), 1);
    EXPECT_EQ(browser.opener->opened.first().scheme(), s("http"));
}

TEST(GlimraDocumentTest, AnOpenedFileIsCarriedOutOnlyWhenTheUserAgrees)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(s("job.xml"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((s("<Glimra Prompt=\"NO\"><Purchase Amount=\"10\"/></Glimra>")).toUtf8());
    file.close();
    for (const int answer : {0, 1}) {
        AutomationWorld world;
        world.dialogs->answers = {answer};
        const QVAutomationReply reply = world.automation->processOpenedXMLFileAtURL(QUrl::fromLocalFile(path));
        ASSERT_EQ(world.dialogs->alerts.size(), 1);
        EXPECT_EQ(world.dialogs->alerts.first().messageText, s("Print postage for a file?"));
        EXPECT_EQ(bool(reply), answer == 1);
        EXPECT_EQ(world.boughtMils, answer == 1 ? QList<qint64>{10000} : QList<qint64>{});
    }
    AutomationWorld asked;
    const QVAutomationReply direct = asked.automation->processXMLFileAtURL(QUrl::fromLocalFile(path));
    EXPECT_TRUE(direct);
    EXPECT_TRUE(asked.dialogs->alerts.isEmpty()) << "the user's own programs are not asked";
    EXPECT_TRUE(direct->contains(s("<Status>Success</Status>")));
}

TEST(GlimraDocumentTest, HostileDocumentsGetAReasonInAWellFormedReplyAndChangeNothing)
{
    QByteArray deep;
    for (int i = 0; i < 400; ++i)
        deep += "<a>";
    const struct {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"truncated", "<Glimra><Package ID=\"1\""},
        {"mismatched tags", "<Glimra><Package></Glimra></Package>"},
        {"invalid UTF-8", "<Glimra><Package ToName=\"\xff\xfe\"/></Glimra>"},
        {"NUL", QByteArray("<Glimra>\0</Glimra>", 18)},
        {"two roots", "<Glimra/><Glimra/>"},
        {"trailing junk", "<Glimra/>junk"},
        {"DTD and entities", "<!DOCTYPE Glimra [<!ENTITY x \"y\">]><Glimra>&x;</Glimra>"},
        {"deep nesting", "<Glimra>" + deep},
        {"16 MiB", "<Glimra>" + QByteArray(16 * 1024 * 1024, ' ') + "</Glimra>"},
        {"control characters", "<Glimra>\x01\x02</Glimra>"},
    };
    for (const auto &c : cases) {
        AutomationWorld world;
        const std::optional<QString> reply = world.automation->processXMLData(c.bytes);
        ASSERT_TRUE(reply.has_value()) << c.name;
        const std::optional<QVXMLDocument> document = QVXMLDocument::fromData(reply->toUtf8());
        ASSERT_TRUE(document.has_value()) << c.name << ": " << reply->left(300).toStdString();
        const QVariantMap root = replyOf(*reply);
        EXPECT_EQ(root.value(s("Status")).toString(), s("Failure")) << c.name;
        const QString reason = root.value(s("FailureReason")).toString();
        EXPECT_TRUE(reason.startsWith(s("Unable to parse string as XML content"))) << c.name;
        EXPECT_LE(reason.size(), 600) << c.name;
        EXPECT_TRUE(world.window->destinationTexts.isEmpty()) << c.name;
        EXPECT_TRUE(world.window->prints.isEmpty()) << c.name;
        EXPECT_FALSE(world.delegate->automation) << c.name;
        ASSERT_EQ(world.dialogs->alerts.size(), 1) << c.name;
        EXPECT_EQ(world.dialogs->alerts.first().messageText, s("Error parsing XML"));
    }
}

TEST(GlimraDocumentTest, ALiveSuccessDescribesThePieceThisPackagePrinted)
{
    AutomationWorld world;
    world.log->records << QVariantMap{{QVUSPSShipmentPICKey, s("420627019400111111111111111111")}};
    world.window->onPrint = [&world](bool) {
        world.log->records << QVariantMap{{QVUSPSShipmentPICKey, s("420627019400222222222222222222")},
                                          {QVUSPSShipmentRHOBalanceKey, s("$1,234.56")},
                                          {QVUSPSShipmentRHOPieceCountKey, s("77")}};
        return true;
    };
    const QVariantList packages = packagesOf(world.process(s("<Glimra>") + package(s("a")) + s("</Glimra>")));
    ASSERT_EQ(packages.size(), 1);
    EXPECT_EQ(field(packages.first(), "PIC"), s("9400222222222222222222"));
    EXPECT_EQ(field(packages.first(), "Balance"), s("1234.56"));
    EXPECT_EQ(field(packages.first(), "TransactionID"), s("77"));

    world.window->onPrint = [](bool) { return false; };
    const QVariantList failed = packagesOf(world.process(s("<Glimra>") + package(s("b")) + s("</Glimra>")));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(field(failed.first(), "Status"), s("Failure"));
    EXPECT_FALSE(failed.first().toMap().contains(s("PIC")));
}

TEST(GlimraDocumentTest, TheBalanceKeepsOnlyDigitsAndThePoint)
{
    EXPECT_EQ(removeCrapFromBalanceString(s("$1,234.56")), s("1234.56"));
    EXPECT_EQ(removeCrapFromBalanceString(s("")), s(""));
}

TEST(GlimraDocumentTest, AFailedPackageReportsItsOwnWeightInWholeOunces)
{
    const std::pair<const char *, const char *> cases[] = {{"3.2", "4"}, {"16", "16"}, {"1136", nullptr}};
    for (const auto &[given, expected] : cases) {
        AutomationWorld world;
        world.window->standardizes = false;
        const QVariantList packages = packagesOf(world.process(s("<Glimra Test=\"YES\"><Package WeightOz=\"") +
                                                               s(given) + s("\" ToAddress=\"x\"/></Glimra>")));
        ASSERT_EQ(packages.size(), 1) << given;
        EXPECT_EQ(field(packages.first(), "Status"), s("Failure"));
        EXPECT_EQ(field(packages.first(), "FailureReason"), s("The delivery address could not be verified."));
        EXPECT_EQ(packages.first().toMap().value(s("WeightOz")).toString(), expected ? s(expected) : QString())
            << given;
    }
}

TEST(GlimraDocumentTest, AShipDateThatIsNoRealDateCountsAsAbsent)
{
    for (const char *days : {"99999999", "1e20", "-3", "abc"}) {
        AutomationWorld world;
        world.process(s("<Glimra Test=\"YES\">") + package(s("a"), s("DateAdvance=\"") + s(days) + s("\"")) +
                      s("</Glimra>"));
        EXPECT_FALSE(world.window->shipment->objectForKey(QVShipmentShipDateKey).isValid()) << days;
    }
    AutomationWorld world;
    world.process(s("<Glimra Test=\"YES\">") + package(s("a"), s("DateAdvance=\" 2 \"")) + s("</Glimra>"));
    EXPECT_EQ(world.window->shipment->objectForKey(QVShipmentShipDateKey).toDateTime().date(),
              QDate::currentDate().addDays(2));
}

TEST(GlimraDocumentTest, AutomationModeEndsWhenThePrintThrows)
{
    AutomationWorld world;
    world.window->onPrint = [](bool) -> bool { throw std::runtime_error("the printer went away"); };
    const std::optional<QString> reply =
        world.automation->processXML(s("<Glimra Prompt=\"NO\">") + package(s("a")) + s("</Glimra>"));
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(replyOf(*reply).value(s("FailureReason")).toString(), s("the printer went away"));
    EXPECT_FALSE(world.delegate->automation);
    EXPECT_TRUE(world.delegate->calls.contains(s("setAutomation:1")));
}

TEST(GlimraDocumentTest, AProcessedFileIsRenamedWhenTheUserAsks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(s("job.xml"));
    for (const bool rename : {false, true}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<Glimra/>");
        file.close();
        AutomationWorld world;
        UserDefaults::standardUserDefaults().setBool(rename, QVRenameProcessedXMLFilesKey);
        EXPECT_TRUE(world.automation->processXMLFileAtURL(QUrl::fromLocalFile(path)));
        EXPECT_EQ(QFileInfo::exists(dir.filePath(s("job.BAK"))), rename);
        EXPECT_EQ(QFileInfo::exists(path), !rename);
    }
    AutomationWorld world;
    EXPECT_FALSE(world.automation->processXMLFileAtURL(QUrl::fromLocalFile(dir.filePath(s("absent.xml")))));
    EXPECT_FALSE(world.automation->processXMLFileAtURL(QUrl(s("http://127.0.0.1/job.xml"))));
}

TEST(GlimraDocumentTest, AFileThatIsNoRegularFileIsRefusedAtOnceAndAnOversizedOneGetsTheLimitsReason)
{
    QTemporaryDir dir;
    // A FIFO without a writer would hold a blocking open for ever; a device
    // would give bytes for ever.
    const QString fifo = dir.filePath(s("job-fifo.xml"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &path : {fifo, dir.path(), s("/dev/zero")}) {
        AutomationWorld world;
        EXPECT_FALSE(world.automation->processXMLFileAtURL(QUrl::fromLocalFile(path))) << path.toStdString();
        EXPECT_FALSE(world.automation->processOpenedXMLFileAtURL(QUrl::fromLocalFile(path))) << path.toStdString();
        EXPECT_TRUE(world.window->prints.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(path));
    }

    // One byte over the limit: read up to the limit and answered with the
    // limit's reason; at the limit the document is read whole.
    for (const qint64 size : {QVGlimraAutomation::kMaximumDocumentBytes + 1, qint64(32) * 1024 * 1024}) {
        const QString path = dir.filePath(s("large.xml"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<Glimra>");
        ASSERT_TRUE(file.resize(size));
        file.close();
        AutomationWorld world;
        const QVAutomationReply reply = world.automation->processXMLFileAtURL(QUrl::fromLocalFile(path));
        ASSERT_TRUE(reply) << size;
        const QString reason = replyOf(*reply).value(s("FailureReason")).toString();
        EXPECT_TRUE(reason.contains(s("larger than %1 bytes").arg(QVGlimraAutomation::kMaximumDocumentBytes)))
            << reason.toStdString();
    }
    const QString fits = dir.filePath(s("fits.xml"));
    QFile file(fits);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<Glimra>");
    file.write(QByteArray(QVGlimraAutomation::kMaximumDocumentBytes - 17, ' '));
    file.write("</Glimra>");
    file.close();
    ASSERT_EQ(file.size(), QVGlimraAutomation::kMaximumDocumentBytes);
    AutomationWorld world;
    const QVAutomationReply reply = world.automation->processXMLFileAtURL(QUrl::fromLocalFile(fits));
    ASSERT_TRUE(reply);
    EXPECT_FALSE(replyOf(*reply).value(s("FailureReason")).toString().contains(s("larger than")));
}
