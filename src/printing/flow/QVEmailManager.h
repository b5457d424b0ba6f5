#pragma once
// Hands a finished label to the user's mail program: a new, visible message
// with subject, body, recipient and an attachment, which the user finishes
// and sends. The desktop's mail program is reached through `xdg-email`
// (xdg-utils); it opens a composer and never sends by itself, and the
// desktop does not tell which accounts the mail program has, so
// senderAccountAddresses() answers an empty list and a sender is not passed
// on. Tests register a fake.
//
// The PDFs handed to the mail program (and the ones opened with the desktop)
// are read by another program after the hand-off: they are kept in the
// folder "Outgoing PDFs" of the support folder and removed at a later start
// (removeOldOutgoingPDFs()).
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

namespace tolvane {

class QVEmailManager
{
public:
    virtual ~QVEmailManager() = default;

    // Creates the message; each text may be empty, an empty attachment path
    // adds no attachment. `send` asks that the message go out at once (a
    // mail program that cannot do that shows it instead). False, with the
    // reason in `error`, when no message could be created.
    virtual bool mailMessage(const QString &subject, const QString &content, const QString &sender,
                             const QString &recipient, const QString &attachmentPath, bool send, QString *error) = 0;
    // The addresses of the mail program's accounts, in its order.
    virtual QStringList senderAccountAddresses() = 0;

    // Through the registered manager; a failure shows the alert "Error" with
    // the reason. True when the message was created.
    static bool mailMessageWithSubject(const QString &subject, const QString &content, const QString &sender,
                                       const QString &recipient, const QString &attachmentPath, bool send);
};

// `xdg-email` (or the program given, for tests of the command line).
class QVXdgEmailManager final : public QVEmailManager
{
public:
    explicit QVXdgEmailManager(QString program = QStringLiteral("xdg-email"));
    bool mailMessage(const QString &subject, const QString &content, const QString &sender, const QString &recipient,
                     const QString &attachmentPath, bool send, QString *error) override;
    QStringList senderAccountAddresses() override { return {}; }
    // The arguments of the command.
    static QStringList argumentsFor(const QString &subject, const QString &content, const QString &recipient,
                                    const QString &attachmentPath);

private:
    QString m_program;
};

// Registers the manager (nullptr: the xdg-email one).
void setEmailManager(std::shared_ptr<QVEmailManager> manager);
std::shared_ptr<QVEmailManager> emailManager();

// The folder of PDFs handed to other programs ("Outgoing PDFs" in the
// support folder, made when missing); empty when it cannot be had.
QString outgoingPDFFolder();
// Removes the files of that folder last changed before `before`; to be
// called once at start-up (with the default, files older than a day: those
// of earlier runs, which their programs have long read).
void removeOldOutgoingPDFs(const QDateTime &before = QDateTime::currentDateTime().addDays(-1));
// A name fit to be a file name: path separators, control characters and
// ":" become "-", leading dots and spaces are dropped; "Tolvane Label" when
// nothing is left.
QString safePDFBaseName(const QString &name);

} // namespace tolvane
