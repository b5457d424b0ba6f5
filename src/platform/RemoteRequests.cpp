#include "platform/RemoteRequests.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QPointer>
#include <QStringDecoder>
#include <QtEndian>

#include <memory>

namespace {

void appendField(QByteArray &out, const QByteArray &bytes)
{
    char length[4];
    qToBigEndian(quint32(bytes.size()), length);
    out.append(length, 4);
    out.append(bytes);
}

enum class FieldStatus { Incomplete, Complete, Invalid };

// Reads the field at `offset`: its bytes and the offset after it.
FieldStatus readField(const QByteArray &buffer, qsizetype &offset, quint32 limit, QByteArray *bytes)
{
    if (buffer.size() - offset < 4)
        return FieldStatus::Incomplete;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData() + offset);
    if (length > limit)
        return FieldStatus::Invalid;
    if (buffer.size() - offset - 4 < qsizetype(length))
        return FieldStatus::Incomplete;
    *bytes = buffer.mid(offset + 4, length);
    offset += 4 + qsizetype(length);
    return FieldStatus::Complete;
}

bool isPrintableAscii(const QByteArray &bytes)
{
    for (const char c : bytes)
        if (c < 0x20 || c > 0x7e)
            return false;
    return true;
}

std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

RemoteFrameStatus refuse(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return RemoteFrameStatus::Invalid;
}

} // namespace

QByteArray encodeRemoteFrame(const RemoteFrame &frame)
{
    QByteArray out;
    appendField(out, frame.method.toUtf8());
    appendField(out, frame.argument.toUtf8());
    return out;
}

RemoteFrameStatus takeRemoteFrame(QByteArray &buffer, RemoteFrame *frame, QString *error)
{
    qsizetype offset = 0;
    QByteArray method;
    QByteArray argument;
    switch (readField(buffer, offset, kRemoteMethodLimit, &method)) {
    case FieldStatus::Incomplete:
        return RemoteFrameStatus::Incomplete;
    case FieldStatus::Invalid:
        return refuse(error, QStringLiteral("The method is longer than %1 bytes.").arg(kRemoteMethodLimit));
    case FieldStatus::Complete:
        break;
    }
    if (method.isEmpty() || !isPrintableAscii(method))
        return refuse(error, QStringLiteral("The method is not a name."));
    switch (readField(buffer, offset, kRemoteArgumentLimit, &argument)) {
    case FieldStatus::Incomplete:
        return RemoteFrameStatus::Incomplete;
    case FieldStatus::Invalid:
        return refuse(error, QStringLiteral("The argument is longer than %1 bytes.").arg(kRemoteArgumentLimit));
    case FieldStatus::Complete:
        break;
    }
    const std::optional<QString> text = decodeUtf8(argument);
    if (!text)
        return refuse(error, QStringLiteral("The argument is not UTF-8 text."));
    frame->method = QString::fromLatin1(method);
    frame->argument = *text;
    buffer.remove(0, offset);
    return RemoteFrameStatus::Complete;
}

RemoteFrame RemoteRequestServer::answer(const RemoteFrame &request) const
{
    if (!m_handler)
        return {RemoteAnswerError, RemoteAnswerNotReadyText};
    return m_handler(request);
}

void RemoteRequestServer::serve(QLocalSocket *socket)
{
    auto buffer = std::make_shared<QByteArray>();
    QPointer<QLocalSocket> guard(socket);
    auto readRequests = [this, guard, buffer] {
        if (!guard)
            return;
        buffer->append(guard->readAll());
        for (;;) {
            RemoteFrame request;
            QString error;
            const RemoteFrameStatus status = takeRemoteFrame(*buffer, &request, &error);
            if (status == RemoteFrameStatus::Incomplete)
                return;
            if (status == RemoteFrameStatus::Invalid) {
                buffer->clear();
                guard->write(encodeRemoteFrame({RemoteAnswerError, error}));
                guard->flush();
                guard->disconnectFromServer();
                return;
            }
            const RemoteFrame reply = answer(request);
            // The handler may have run the event loop (an alert): the
            // caller may be gone.
            if (!guard || guard->state() != QLocalSocket::ConnectedState)
                return;
            guard->write(encodeRemoteFrame(reply));
            guard->flush();
        }
    };
    connect(socket, &QLocalSocket::readyRead, this, readRequests);
    if (socket->bytesAvailable() > 0)
        readRequests();
}

std::optional<RemoteFrame> sendRemoteRequest(const QString &socketPath, const RemoteFrame &request,
                                             int timeoutMilliseconds, QString *error)
{
    auto fail = [error](const QString &reason) -> std::optional<RemoteFrame> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMilliseconds))
        return fail(socket.errorString());
    socket.write(encodeRemoteFrame(request));
    socket.flush();
    if (socket.bytesToWrite() > 0 && !socket.waitForBytesWritten(timeoutMilliseconds))
        return fail(socket.errorString());
    QByteArray buffer;
    for (;;) {
        RemoteFrame answer;
        QString reason;
        const RemoteFrameStatus status = takeRemoteFrame(buffer, &answer, &reason);
        if (status == RemoteFrameStatus::Complete)
            return answer;
        if (status == RemoteFrameStatus::Invalid)
            return fail(reason);
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
            return fail(QStringLiteral("The connection closed without an answer."));
        const qint64 left = timeoutMilliseconds - clock.elapsed();
        if (left <= 0)
            return fail(QStringLiteral("No answer came in time."));
        if (socket.bytesAvailable() == 0)
            socket.waitForReadyRead(int(left));
        buffer.append(socket.readAll());
    }
}
