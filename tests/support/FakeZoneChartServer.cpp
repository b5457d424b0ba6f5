#include "FakeZoneChartServer.h"

namespace tolvane::test {

FakeZoneChartServer::FakeZoneChartServer()
{
    m_http.setHandler("/isapi/zone.dll", [this](const RecordedRequest &request) {
        std::lock_guard lock(m_mutex);
        const QByteArray origin = QByteArray::fromPercentEncoding(request.query());
        if (origin.isEmpty())
            return ScriptedReply::text(200, "  " + m_date + "\r\n", "text/html");
        return ScriptedReply::text(200, m_charts.value(origin), "text/html");
    });
}

void FakeZoneChartServer::setChartDate(const QByteArray &date)
{
    std::lock_guard lock(m_mutex);
    m_date = date;
}

void FakeZoneChartServer::setChartLines(const QByteArray &origin, const QList<QByteArray> &lines)
{
    QByteArray page;
    for (const QByteArray &line : lines)
        page += line + "<br>";
    page += "</body></html>";
    setRawChart(origin, page);
}

void FakeZoneChartServer::setRawChart(const QByteArray &origin, const QByteArray &body)
{
    std::lock_guard lock(m_mutex);
    m_charts.insert(origin, body);
}

int FakeZoneChartServer::dateRequestCount() const
{
    int count = 0;
    for (const RecordedRequest &request : m_http.requests())
        count += request.query().isEmpty() ? 1 : 0;
    return count;
}

int FakeZoneChartServer::chartRequestCount() const { return m_http.requestCount() - dateRequestCount(); }

} // namespace tolvane::test
