#include "platform/DurableFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace {

SyncObserver &observerSlot()
{
    static SyncObserver observer;
    return observer;
}

void report(const QString &path, bool isFolder)
{
    if (observerSlot())
        observerSlot()(path, isFolder);
}

} // namespace

void setSyncObserverForTesting(SyncObserver observer) { observerSlot() = std::move(observer); }

bool syncFolder(const QString &folder)
{
    const QByteArray name = QFile::encodeName(folder);
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (synced)
        report(folder, true);
    return synced;
}

bool writeFileDurably(const QString &path, const QByteArray &data, QString *error)
{
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("There is no file name to write to.");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    report(path, false);
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}
