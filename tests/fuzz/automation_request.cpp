// Requests from outside the program: the frames of the single-instance
// socket read from any bytes (whole, and again fed one byte at a time, which
// must give the same frames), and the same bytes as a "tolvane:" URL taken
// apart. A frame never exceeds its caps; a pair never holds a broken escape.
#include "FuzzSupport.h"
#include "app/shell/QVURLHandler.h"
#include "platform/RemoteRequests.h"

#include <cstdlib>

namespace {

QList<RemoteFrame> framesOf(QByteArray buffer, bool byteByByte)
{
    QList<RemoteFrame> frames;
    QByteArray pending;
    const QByteArray all = buffer;
    for (qsizetype i = 0; i < (byteByByte ? all.size() : 1); ++i) {
        pending.append(byteByByte ? all.mid(i, 1) : all);
        RemoteFrame frame;
        for (;;) {
            const RemoteFrameStatus status = takeRemoteFrame(pending, &frame);
            if (status != RemoteFrameStatus::Complete)
                break;
            if (frame.method.isEmpty() || frame.method.size() > int(kRemoteMethodLimit))
                std::abort();
            frames << frame;
        }
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = tolvane::fuzz::bytesOf(data, size);
    const QList<RemoteFrame> whole = framesOf(bytes, false);
    if (size < 4096) {
        const QList<RemoteFrame> pieces = framesOf(bytes, true);
        if (pieces.size() != whole.size())
            std::abort();
        for (qsizetype i = 0; i < whole.size(); ++i)
            if (pieces[i].method != whole[i].method || pieces[i].argument != whole[i].argument)
                std::abort();
    }
    for (const RemoteFrame &frame : whole) {
        QByteArray again = encodeRemoteFrame(frame);
        RemoteFrame back;
        if (takeRemoteFrame(again, &back) != RemoteFrameStatus::Complete || back.argument != frame.argument)
            std::abort();
    }
    const QVApplicationURL url = parseApplicationURL(QString::fromUtf8(bytes));
    for (auto it = url.pairs.cbegin(); it != url.pairs.cend(); ++it)
        if (it.value().typeId() != QMetaType::QString)
            std::abort();
    return 0;
}
