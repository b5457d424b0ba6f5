#include "platform/PrintSystem.h"

#include "platform/ServiceSlot.h"

#include <QDebug>

#include <cups/cups.h>

namespace {

// One connection to the scheduler, closed when it goes out of scope.
class Connection
{
public:
    Connection()
        : m_http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr))
    {}
    ~Connection()
    {
        if (m_http)
            httpClose(m_http);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    http_t *get() const { return m_http; }

private:
    http_t *m_http;
};

QString lastCupsError() { return QString::fromUtf8(cupsLastErrorString()); }

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString attributeText(ipp_attribute_t *attribute)
{
    const char *text = attribute ? ippGetString(attribute, 0, nullptr) : nullptr;
    return text ? QString::fromUtf8(text) : QString();
}

// The options as libcups encodes them: true/false become booleans, digits
// integers, other text names.
class Options
{
public:
    explicit Options(const QVariantMap &options)
    {
        for (auto it = options.cbegin(); it != options.cend(); ++it) {
            QString value;
            if (it.value().typeId() == QMetaType::Bool)
                value = it.value().toBool() ? QStringLiteral("true") : QStringLiteral("false");
            else
                value = it.value().toString();
            m_count = cupsAddOption(it.key().toUtf8().constData(), value.toUtf8().constData(), m_count, &m_options);
        }
    }
    ~Options() { cupsFreeOptions(m_count, m_options); }
    Options(const Options &) = delete;
    Options &operator=(const Options &) = delete;

    int count() const { return m_count; }
    cups_option_t *options() const { return m_options; }

private:
    int m_count = 0;
    cups_option_t *m_options = nullptr;
};

class CupsPrintSystem final : public PrintSystem
{
public:
    std::optional<QList<PrintQueue>> queues(QString *error) override
    {
        Connection connection;
        if (!connection.get()) {
            setError(error, QStringLiteral("The printing system can't be reached: %1").arg(lastCupsError()));
            return std::nullopt;
        }
        static const char *const wanted[] = {"printer-name", "printer-make-and-model", "printer-state",
                                             "printer-is-accepting-jobs"};
        ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      int(sizeof wanted / sizeof *wanted), nullptr, wanted);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
        ipp_t *response = cupsDoRequest(connection.get(), request, "/");
        // No printers at all is answered with "not found".
        if (!response ||
            (ippGetStatusCode(response) > IPP_STATUS_OK_EVENTS_COMPLETE &&
             ippGetStatusCode(response) != IPP_STATUS_ERROR_NOT_FOUND)) {
            setError(error, QStringLiteral("The print queues can't be listed: %1").arg(lastCupsError()));
            ippDelete(response);
            return std::nullopt;
        }
        QList<PrintQueue> result;
        PrintQueue current;
        bool haveName = false;
        auto finish = [&] {
            if (haveName)
                result.append(current);
            current = PrintQueue();
            haveName = false;
        };
        for (ipp_attribute_t *attribute = ippFirstAttribute(response); attribute;
             attribute = ippNextAttribute(response)) {
            const char *name = ippGetName(attribute);
            if (!name) {
                finish();
                continue;
            }
            if (ippGetGroupTag(attribute) != IPP_TAG_PRINTER)
                continue;
            const QByteArray key(name);
            if (key == "printer-name") {
                current.name = attributeText(attribute);
                haveName = !current.name.isEmpty();
            } else if (key == "printer-make-and-model") {
                current.makeAndModel = attributeText(attribute);
            } else if (key == "printer-state") {
                const int state = ippGetInteger(attribute, 0);
                if (state >= 3 && state <= 5)
                    current.state = PrintQueue::State(state);
            } else if (key == "printer-is-accepting-jobs") {
                current.acceptingJobs = ippGetBoolean(attribute, 0);
            }
        }
        finish();
        ippDelete(response);
        return result;
    }

    std::optional<PrintQueue> queue(const QString &name) override
    {
        const auto all = queues(nullptr);
        if (!all)
            return std::nullopt;
        for (const PrintQueue &queue : *all) {
            if (queue.name == name)
                return queue;
        }
        return std::nullopt;
    }

    QString defaultQueueName() override
    {
        Connection connection;
        if (!connection.get())
            return QString();
        const char *name = cupsGetDefault2(connection.get());
        return name ? QString::fromUtf8(name) : QString();
    }

    int submitJob(const QString &queueName, const QByteArray &document, const QString &documentFormat,
                  const QString &jobTitle, const QVariantMap &options, QString *error) override
    {
        if (queueName.isEmpty()) {
            setError(error, QStringLiteral("No print queue is named."));
            return 0;
        }
        Connection connection;
        if (!connection.get()) {
            setError(error, QStringLiteral("The printing system can't be reached: %1").arg(lastCupsError()));
            return 0;
        }
        const QByteArray queue = queueName.toUtf8();
        const QByteArray title = jobTitle.toUtf8();
        const Options jobOptions(options);
        const int job = cupsCreateJob(connection.get(), queue.constData(), title.constData(), jobOptions.count(),
                                      jobOptions.options());
        if (job <= 0) {
            setError(error, QStringLiteral("The queue %1 refused the job: %2").arg(queueName, lastCupsError()));
            return 0;
        }
        bool sent = cupsStartDocument(connection.get(), queue.constData(), job, title.constData(),
                                      documentFormat.toUtf8().constData(), 1) == HTTP_STATUS_CONTINUE;
        if (sent && !document.isEmpty())
            sent = cupsWriteRequestData(connection.get(), document.constData(), size_t(document.size())) ==
                HTTP_STATUS_CONTINUE;
        if (sent)
            sent = cupsFinishDocument(connection.get(), queue.constData()) == IPP_STATUS_OK;
        if (!sent) {
            const QString reason = lastCupsError();
            cupsCancelJob2(connection.get(), queue.constData(), job, 0);
            setError(error, QStringLiteral("The job could not be sent to %1: %2").arg(queueName, reason));
            return 0;
        }
        return job;
    }
};

using Slot = ServiceSlot<PrintSystem, CupsPrintSystem>;

} // namespace

std::shared_ptr<PrintSystem> cupsPrintSystem() { return Slot::shared().fallback; }

void setPrintSystem(std::shared_ptr<PrintSystem> system) { Slot::shared().registered = std::move(system); }

std::shared_ptr<PrintSystem> printSystem() { return Slot::shared().current(); }
