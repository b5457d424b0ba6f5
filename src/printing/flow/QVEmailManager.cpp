#include "printing/flow/QVEmailManager.h"

#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/ServiceSlot.h"
#include "platform/VCardFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace tolvane {

namespace {

using EmailSlot = ServiceSlot<QVEmailManager, QVXdgEmailManager>;

constexpr int kTimeoutMs = 30000;

} // namespace

bool QVEmailManager::mailMessageWithSubject(const QString &subject, const QString &content, const QString &sender,
                                            const QString &recipient, const QString &attachmentPath, bool send)
{
    QString error;
    if (emailManager()->mailMessage(subject, content, sender, recipient, attachmentPath, send, &error))
        return true;
    runAlert(alertWithText(QStringLiteral("Error"), error));
    return false;
}

QVXdgEmailManager::QVXdgEmailManager(QString program) : m_program(std::move(program)) {}

QStringList QVXdgEmailManager::argumentsFor(const QString &subject, const QString &content, const QString &recipient,
                                            const QString &attachmentPath)
{
    QStringList arguments{QStringLiteral("--utf8")};
    if (!subject.isEmpty())
        arguments << QStringLiteral("--subject") << subject;
    if (!content.isEmpty())
        arguments << QStringLiteral("--body") << content;
    if (!attachmentPath.isEmpty())
        arguments << QStringLiteral("--attach") << attachmentPath;
    // A recipient that looks like an option would be taken for one.
    if (!recipient.isEmpty() && !recipient.startsWith(QLatin1Char('-')))
        arguments << recipient;
    return arguments;
}

bool QVXdgEmailManager::mailMessage(const QString &subject, const QString &content, const QString &,
                                    const QString &recipient, const QString &attachmentPath, bool, QString *error)
{
    const auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!attachmentPath.isEmpty() && !QFileInfo(attachmentPath).isFile())
        return fail(QStringLiteral("The attachment %1 does not exist.").arg(attachmentPath));
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(m_program, argumentsFor(subject, content, recipient, attachmentPath));
    if (!process.waitForStarted(kTimeoutMs))
        return fail(
            QStringLiteral("The mail program could not be started (%1): %2").arg(m_program, process.errorString()));
    if (!process.waitForFinished(kTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return fail(QStringLiteral("The mail program did not answer."));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
        return fail(QStringLiteral("The mail program could not create the message (exit code %1).%2")
                        .arg(process.exitCode())
                        .arg(output.isEmpty() ? QString() : QStringLiteral(" ") + output));
    }
    return true;
}

void setEmailManager(std::shared_ptr<QVEmailManager> manager) { EmailSlot::shared().registered = std::move(manager); }

std::shared_ptr<QVEmailManager> emailManager() { return EmailSlot::shared().current(); }

QString outgoingPDFFolder()
{
    const QString support = applicationSupportDirectory();
    if (support.isEmpty())
        return {};
    const QString folder = QDir(support).filePath(QStringLiteral("Outgoing PDFs"));
    return QDir().mkpath(folder) ? folder : QString();
}

void removeOldOutgoingPDFs(const QDateTime &before)
{
    const QString folder = outgoingPDFFolder();
    if (folder.isEmpty())
        return;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo &file : files) {
        if (file.lastModified() < before)
            QFile::remove(file.absoluteFilePath());
    }
}

QString safePDFBaseName(const QString &name)
{
    QString safe = VCardFolder::safeFileName(name);
    safe.replace(QLatin1Char(':'), QLatin1Char('-'));
    safe = safe.trimmed();
    while (safe.startsWith(QLatin1Char('.')))
        safe = safe.mid(1).trimmed();
    return safe.isEmpty() ? QStringLiteral("Tolvane Label") : safe.left(200);
}

} // namespace tolvane
