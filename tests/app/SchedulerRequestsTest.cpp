// Named requests of the scheduler on the event loop (QtScheduler): a
// cancelled name's requests never run, while other names and unnamed calls
// do; a name asked for again after a cancel runs its new requests.
#include "app/shell/ShellWindows.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

// Runs the event loop until `done` or two seconds have passed.
void runUntil(const std::function<bool()> &done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(SchedulerRequests, CancellingANameLeavesEveryOtherRequest)
{
    QtScheduler scheduler;
    QStringList ran;
    scheduler.requestAfter(QStringLiteral("fade"), 0.02, [&] { ran.append(QStringLiteral("fade 1")); });
    scheduler.requestAfter(QStringLiteral("fade"), 0.03, [&] { ran.append(QStringLiteral("fade 2")); });
    scheduler.requestAfter(QStringLiteral("retry"), 0.03, [&] { ran.append(QStringLiteral("retry")); });
    scheduler.callAfter(0.03, [&] { ran.append(QStringLiteral("print")); });
    scheduler.cancelRequests(QStringLiteral("fade"));
    scheduler.requestAfter(QStringLiteral("fade"), 0.05, [&] { ran.append(QStringLiteral("fade 3")); });
    runUntil([&] { return ran.size() >= 3; });
    // Let anything cancelled that would still run have its chance.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 100)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ran.sort();
    EXPECT_EQ(ran, (QStringList{QStringLiteral("fade 3"), QStringLiteral("print"), QStringLiteral("retry")}));
}

TEST(SchedulerRequests, RequestsEndWithTheirScheduler)
{
    bool ran = false;
    {
        QtScheduler scheduler;
        scheduler.requestAfter(QStringLiteral("fade"), 0.01, [&] { ran = true; });
    }
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 60)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(ran);
}

} // namespace
