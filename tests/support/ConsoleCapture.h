#pragma once
// Collects the console lines (qDebug, qWarning, ...) written while it lives.
#include <QStringList>
#include <QtGlobal>

namespace tolvane::test {

class ConsoleCapture
{
public:
    ConsoleCapture()
    {
        captured().clear();
        m_previous = qInstallMessageHandler(&ConsoleCapture::collect);
    }
    ~ConsoleCapture() { qInstallMessageHandler(m_previous); }
    ConsoleCapture(const ConsoleCapture &) = delete;
    ConsoleCapture &operator=(const ConsoleCapture &) = delete;

    QStringList lines() const { return captured(); }

private:
    static QStringList &captured()
    {
        static QStringList lines;
        return lines;
    }
    static void collect(QtMsgType, const QMessageLogContext &, const QString &message) { captured() << message; }

    QtMessageHandler m_previous;
};

} // namespace tolvane::test
