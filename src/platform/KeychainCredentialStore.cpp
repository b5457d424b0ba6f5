// The credential store over the desktop's secret store, through QtKeychain.
// Each credential is one entry of the service "Tolvane", named by its
// protection space's key, holding the user and the password as a small JSON
// object. QtKeychain's plain-text fallback stays off: without a secret store
// an operation fails and nothing is written.
#include "platform/Credentials.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString ServiceName = QStringLiteral("Tolvane");

// Runs the job to its end (the jobs report through the event loop) and
// answers its error, empty when it succeeded.
QKeychain::Error runJob(QKeychain::Job &job, QString *errorText)
{
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    if (errorText)
        *errorText = job.error() == QKeychain::NoError ? QString() : job.errorString();
    return job.error();
}

QString storeError(const QString &reason)
{
    return QStringLiteral("The secret store could not be used (%1). Nothing was stored.").arg(reason);
}

} // namespace

bool KeychainCredentialStore::setDefaultCredential(const URLCredential &credential, const ProtectionSpace &space,
                                                   QString *error)
{
    QKeychain::WritePasswordJob job(ServiceName);
    job.setKey(space.key());
    const QJsonObject entry{{QStringLiteral("user"), credential.user},
                            {QStringLiteral("password"), credential.password}};
    job.setBinaryData(QJsonDocument(entry).toJson(QJsonDocument::Compact));
    QString reason;
    if (runJob(job, &reason) == QKeychain::NoError) {
        if (error)
            error->clear();
        return true;
    }
    if (error)
        *error = storeError(reason);
    return false;
}

std::optional<URLCredential> KeychainCredentialStore::defaultCredential(const ProtectionSpace &space, QString *error)
{
    QKeychain::ReadPasswordJob job(ServiceName);
    job.setKey(space.key());
    QString reason;
    const QKeychain::Error result = runJob(job, &reason);
    if (error)
        error->clear();
    if (result == QKeychain::EntryNotFound)
        return std::nullopt;
    if (result != QKeychain::NoError) {
        if (error)
            *error = storeError(reason);
        return std::nullopt;
    }
    const QJsonObject entry = QJsonDocument::fromJson(job.binaryData()).object();
    if (!entry.value(QStringLiteral("user")).isString() || !entry.value(QStringLiteral("password")).isString()) {
        if (error)
            *error = QStringLiteral("The secret store's entry for %1 is not a credential.").arg(space.key());
        return std::nullopt;
    }
    return URLCredential{entry.value(QStringLiteral("user")).toString(),
                         entry.value(QStringLiteral("password")).toString()};
}

bool KeychainCredentialStore::removeCredential(const ProtectionSpace &space, QString *error)
{
    QKeychain::DeletePasswordJob job(ServiceName);
    job.setKey(space.key());
    QString reason;
    const QKeychain::Error result = runJob(job, &reason);
    if (result == QKeychain::NoError || result == QKeychain::EntryNotFound) {
        if (error)
            error->clear();
        return true;
    }
    if (error)
        *error = storeError(reason);
    return false;
}
