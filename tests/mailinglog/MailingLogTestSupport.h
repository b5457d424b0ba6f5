#pragma once
// Entries and a fresh log over a temporary folder for the mailing-log tests.
#include "mailinglog/QVMailingLog.h"
#include "platform/NotificationCenter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace tolvane::test {

inline QVariantMap address(const QString &name, const QString &city = QStringLiteral("Springfield"))
{
    return QVariantMap{{QStringLiteral("QVAddressNameKey"), name},
                       {QStringLiteral("QVAddressStreetKey"), QStringLiteral("1 Main St")},
                       {QStringLiteral("QVAddressCityKey"), city},
                       {QStringLiteral("QVAddressStateKey"), QStringLiteral("IL")},
                       {QStringLiteral("QVAddressZIP5Key"), QStringLiteral("62701")}};
}

inline QDateTime day(int year, int month, int dayOfMonth, int hour = 12)
{
    return QDateTime(QDate(year, month, dayOfMonth), QTime(hour, 0));
}

class MailingLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_log = QVMailingLog::logWithPath(path());
        ASSERT_TRUE(m_log);
        m_will = NotificationCenter::defaultCenter().addObserver(QVMailingLogWillChangeNotification,
                                                                 [this](const Notification &) { ++m_willCount; });
        m_did = NotificationCenter::defaultCenter().addObserver(QVMailingLogDidChangeNotification,
                                                                [this](const Notification &) { ++m_didCount; });
    }

    QString path() const { return QDir(m_dir.path()).filePath(QVMailingLogFileName); }
    void add(const QVariantMap &entry) { ASSERT_TRUE(m_log->writeShipmentToLog(QVShipment(entry))); }
    QStringList displayed(const QString &key = QVShipmentInvoiceNumberKey) const
    {
        QStringList values;
        for (qsizetype i = 0; i < m_log->itemsInDisplayLog(); ++i)
            values.append(m_log->shipmentAtSortedIndex(i)->objectForKey(key).toString());
        return values;
    }
    void resetCounts() { m_willCount = m_didCount = 0; }

    QTemporaryDir m_dir;
    std::unique_ptr<QVMailingLog> m_log;
    int m_willCount = 0;
    int m_didCount = 0;
    NotificationObserver m_will;
    NotificationObserver m_did;
};

} // namespace tolvane::test
