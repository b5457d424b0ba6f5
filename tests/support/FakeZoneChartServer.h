#pragma once
// Stand-in for the zone-chart service on the local HTTP test server. One
// path, "/isapi/zone.dll": an empty query answers the service's chart date
// (MMDDYYYY), a query holding an origin ZIP5 answers that origin's chart as
// the service writes it: lines "start end zone" each ended by "<br>", the
// whole closed by "</body></html>". An origin without a chart gets an empty
// reply.
#include "LocalHttpServer.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <mutex>

namespace tolvane::test {

class FakeZoneChartServer
{
public:
    FakeZoneChartServer();

    bool isListening() const { return m_http.isListening(); }
    QString host() const { return m_http.hostAndPort(); }
    LocalHttpServer &http() { return m_http; }

    void setChartDate(const QByteArray &date);
    // The chart lines of an origin, joined into the service's page.
    void setChartLines(const QByteArray &origin, const QList<QByteArray> &lines);
    // A reply body used as it is for the origin.
    void setRawChart(const QByteArray &origin, const QByteArray &body);

    // Requests with an empty query (date checks) and with an origin.
    int dateRequestCount() const;
    int chartRequestCount() const;

private:
    LocalHttpServer m_http;
    mutable std::mutex m_mutex;
    QByteArray m_date = "12312014";
    QMap<QByteArray, QByteArray> m_charts;
};

} // namespace tolvane::test
