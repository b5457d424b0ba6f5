#pragma once
// A print system with queues and submitted jobs held in memory.
#include "platform/PrintSystem.h"

#include <QList>

struct SubmittedJob {
    QString queue;
    QByteArray document;
    QString format;
    QString title;
    QVariantMap options;
};

class FakePrintSystem final : public PrintSystem
{
public:
    QList<PrintQueue> queueList;
    QString defaultQueue;
    // The queues can't be listed at all.
    bool unreachable = false;
    // Jobs to these queues are refused.
    QStringList refusing;
    QList<SubmittedJob> jobs;
    // How often the queues and the default queue were asked for.
    int listings = 0;
    int defaultQueueRequests = 0;

    void add(const QString &name, const QString &makeAndModel)
    {
        PrintQueue queue;
        queue.name = name;
        queue.makeAndModel = makeAndModel;
        queueList.append(queue);
    }

    std::optional<QList<PrintQueue>> queues(QString *error) override
    {
        ++listings;
        if (unreachable) {
            if (error)
                *error = QStringLiteral("unreachable");
            return std::nullopt;
        }
        return queueList;
    }

    std::optional<PrintQueue> queue(const QString &name) override
    {
        if (unreachable)
            return std::nullopt;
        for (const PrintQueue &queue : queueList) {
            if (queue.name == name)
                return queue;
        }
        return std::nullopt;
    }

    QString defaultQueueName() override
    {
        ++defaultQueueRequests;
        return defaultQueue;
    }

    int submitJob(const QString &queueName, const QByteArray &document, const QString &documentFormat,
                  const QString &jobTitle, const QVariantMap &options, QString *error) override
    {
        if (!queue(queueName) || refusing.contains(queueName)) {
            if (error)
                *error = QStringLiteral("refused");
            return 0;
        }
        jobs.append({queueName, document, documentFormat, jobTitle, options});
        return int(jobs.size());
    }
};
