// A purchase run killed with SIGKILL: a child process (this test program run
// again with only the child's test) buys stamp after stamp from the fake
// postage server until it is killed; the stamps it had saved wait in the
// scratch folder, and the next start offers them, logs them once and prints
// them without buying again.
#include "TessaroPrintingSupport.h"

#include "model/QVShipment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

using namespace tolvane::test;

namespace {

const char *const kServerVariable = "TOLVANE_KILLED_RUN_SERVER";
const char *const kSupportVariable = "TOLVANE_KILLED_RUN_SUPPORT";
const char *const kModulusVariable = "TOLVANE_KILLED_RUN_MODULUS";

class TessaroKilledRunTest : public TessaroPrintingTest
{};

} // namespace

// The child: runs only when the parent starts it with the server's address
// and its own application-support folder.
TEST_F(TessaroKilledRunTest, ChildBuysUntilKilled)
{
    const QString serverUrl = qEnvironmentVariable(kServerVariable);
    if (serverUrl.isEmpty())
        GTEST_SKIP() << "run by KilledRunIsRecoveredWithoutBuyingAgain only";
    qputenv("TOLVANE_SUPPORT_DIR", qgetenv(kSupportVariable));
    client->setServer(serverUrl);
    // The parent's server has a key pair of its own.
    client->setServerModulus(qEnvironmentVariable(kModulusVariable));
    const auto window = load();
    // 99 sheets: far more stamps than the parent lets it buy.
    window->viewArrayForRequests(window->stamps().mid(0, window->stampsForCurrentSheetType()), 99, false);
    ADD_FAILURE() << "the run ended before it was killed";
}

TEST_F(TessaroKilledRunTest, KilledRunIsRecoveredWithoutBuyingAgain)
{
    if (!qEnvironmentVariableIsEmpty(kServerVariable))
        GTEST_SKIP() << "the child";
    QList<FakePostageReply> replies;
    for (quint32 i = 0; i < 3000; ++i)
        replies << stampReply(5000 + i);
    server.queueReplies(StampIndiciumWire, replies);

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(kServerVariable), server.baseUrl());
    environment.insert(QLatin1String(kSupportVariable), qEnvironmentVariable("TOLVANE_SUPPORT_DIR"));
    environment.insert(QLatin1String(kModulusVariable), FakePostageServer::modulusHex());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=TessaroKilledRunTest.ChildBuysUntilKilled")});
    ASSERT_TRUE(child.waitForStarted(10000));

    // Kill it in the middle of the run, once it has bought a few stamps.
    QElapsedTimer waited;
    waited.start();
    while (purchases() < 7 && !child.waitForFinished(1) && waited.elapsed() < 60000) {}
    ASSERT_EQ(child.state(), QProcess::Running) << child.readAllStandardOutput().toStdString();
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    // The run never reached its entry: every stamp saved owes it. At most
    // the one stamp whose reply was on its way is not saved.
    const int bought = purchases();
    const QList<tessaro::ScratchStamp> waiting = tessaro::readScratchFolder();
    ASSERT_GE(waiting.size(), 6);
    EXPECT_GE(waiting.size(), bought - 1);
    EXPECT_LE(waiting.size(), bought);
    for (const tessaro::ScratchStamp &stamp : waiting)
        EXPECT_TRUE(stamp.logEntryOwed) << stamp.path.toStdString();
    EXPECT_EQ(waiting.first().response->piececount(), 5000u);

    // The next start: recovery logs the stamps once and prints them.
    const auto window = load();
    ASSERT_TRUE(window->recoveryMode());
    dialogs->answers = {1}; // "Print Now…"
    window->doRecovery();
    EXPECT_EQ(purchases(), bought);
    ASSERT_EQ(log->records.size(), 1);
    EXPECT_EQ(log->records.first().value(QVUSPSShipmentRHOTessaroCountKey).toInt(), waiting.size());
    EXPECT_EQ(log->records.first().value(QVUSPSShipmentRHOBalanceKey).toString(),
              waiting.last().response->balanceString());
    ASSERT_EQ(printers->jobs.size(), 1);
    int printed = 0;
    for (const TessaroPage &page : window->pageView()->sheetArray())
        printed += int(tolvaneTessaroCountOfNonNullObjects(page));
    EXPECT_EQ(printed, waiting.size());
    EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
    EXPECT_FALSE(window->recoveryMode());
}
