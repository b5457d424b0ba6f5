// The frames of the single-instance socket's requests: encoding and reading
// back, frames that arrive in pieces, the size caps and malformed fields,
// and a request and its answer through a real local socket, with the error
// answer before a handler is set.
#include "platform/RemoteRequests.h"
#include "platform/SingleInstance.h"

#include "RuntimeDir.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QtEndian>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

QByteArray field(const QByteArray &bytes, quint32 declared)
{
    char length[4];
    qToBigEndian(declared, length);
    return QByteArray(length, 4) + bytes;
}
QByteArray field(const QByteArray &bytes) { return field(bytes, quint32(bytes.size())); }

TEST(RemoteRequests, FramesReadBackWholeOrInPieces)
{
    const RemoteFrame request{QStringLiteral("processXML:"), QString::fromUtf8("<Glimra>é</Glimra>")};
    const QByteArray bytes = encodeRemoteFrame(request) + encodeRemoteFrame({QStringLiteral("openURL:"), QString()});
    EXPECT_EQ(bytes.left(4), QByteArray("\0\0\0\x0b", 4));
    QByteArray buffer;
    QList<RemoteFrame> frames;
    for (const char byte : bytes) {
        buffer.append(byte);
        RemoteFrame frame;
        while (takeRemoteFrame(buffer, &frame) == RemoteFrameStatus::Complete)
            frames << frame;
    }
    ASSERT_EQ(frames.size(), 2);
    EXPECT_EQ(frames[0].method, request.method);
    EXPECT_EQ(frames[0].argument, request.argument);
    EXPECT_EQ(frames[1].method, QStringLiteral("openURL:"));
    EXPECT_TRUE(buffer.isEmpty());
}

TEST(RemoteRequests, MalformedAndOversizedFramesAreRefusedAtOnce)
{
    struct Case {
        const char *name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"method over its cap", field(QByteArray(65, 'a'))},
        {"argument over its cap, before its bytes came", field("processXML:") + field({}, kRemoteArgumentLimit + 1)},
        {"empty method", field({}) + field("x")},
        {"method with a control byte", field("open\nURL:") + field("x")},
        {"argument not UTF-8", field("processXML:") + field("\xff\xfe")},
    };
    for (const Case &c : cases) {
        QByteArray buffer = c.bytes;
        RemoteFrame frame;
        QString error;
        EXPECT_EQ(takeRemoteFrame(buffer, &frame, &error), RemoteFrameStatus::Invalid) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
        EXPECT_EQ(buffer, c.bytes) << c.name;
    }
    QByteArray partial = field("processXML:") + field("abc", 10);
    RemoteFrame frame;
    EXPECT_EQ(takeRemoteFrame(partial, &frame), RemoteFrameStatus::Incomplete);
}

TEST(RemoteRequests, RequestsGetAnErrorUntilAHandlerIsSetThenItsAnswer)
{
    tolvane::test::RuntimeDirScope runtime;
    SingleInstance instance(QStringLiteral("tolvane-remote-test"));
    ASSERT_EQ(instance.claim(), SingleInstance::Result::Listening);
    RemoteRequestServer server;
    instance.setConnectionHandler([&server](QLocalSocket *socket) { server.serve(socket); });

    // The client blocks on a thread of its own while this thread serves.
    auto ask = [&](const RemoteFrame &request) {
        std::optional<RemoteFrame> answer;
        std::atomic<bool> done = false;
        std::thread client([&] {
            answer = sendRemoteRequest(instance.socketPath(), request, 5000);
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        client.join();
        return answer;
    };

    std::optional<RemoteFrame> answer = ask({QStringLiteral("processXML:"), QStringLiteral("<Glimra/>")});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->method, RemoteAnswerError);
    EXPECT_EQ(answer->argument, QStringLiteral("The application is not ready."));

    QList<RemoteFrame> seen;
    server.setHandler([&seen](const RemoteFrame &request) {
        seen << request;
        return RemoteFrame{RemoteAnswerOK, QStringLiteral("done: ") + request.argument};
    });
    answer = ask({QStringLiteral("processXML:"), QStringLiteral("<Glimra/>")});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->method, RemoteAnswerOK);
    EXPECT_EQ(answer->argument, QStringLiteral("done: <Glimra/>"));
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen.first().method, QStringLiteral("processXML:"));
}

} // namespace
