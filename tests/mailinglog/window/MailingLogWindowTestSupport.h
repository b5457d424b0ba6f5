#pragma once
// Entries, a log over a temporary folder, the recording application host
// and dialogs for the tests of the mailing-log window and its controllers.
#include "mailinglog/QVMailingLog.h"
#include "mailinglog/window/QVMailingLogController.h"
#include "mailinglog/window/QVMailingLogWindowServices.h"
#include "model/QVShipment.h"
#include "platform/UserDefaults.h"

#include "RecordingAppHost.h"
#include "RecordingDialogs.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace tolvane::test {

inline QVariantMap recipient(const QString &name)
{
    return QVariantMap{{QStringLiteral("QVAddressNameKey"), name},
                       {QStringLiteral("QVAddressStreetKey"), QStringLiteral("1 Main St")},
                       {QStringLiteral("QVAddressCityKey"), QStringLiteral("Springfield")},
                       {QStringLiteral("QVAddressStateKey"), QStringLiteral("IL")},
                       {QStringLiteral("QVAddressZIP5Key"), QStringLiteral("62701")},
                       {QStringLiteral("QVAddressEmailKey"), name.toLower() + QStringLiteral("@example.com")},
                       {QStringLiteral("QVAddressPhoneKey"), QStringLiteral("217-555-0100")}};
}

// A logged label: invoice number as its name, printed and shipped on the
// date, with a PIC when one is given.
inline QVariantMap piece(const QString &invoice, const QDateTime &printed, const QString &pic = QString())
{
    QVariantMap entry{{QVShipmentInvoiceNumberKey, invoice},
                      {QVShipmentToAddressKey, recipient(invoice)},
                      {QVShipmentPrintDateKey, printed},
                      {QVShipmentShipDateKey, printed},
                      {QVUSPSShipmentRateClassKey, QStringLiteral("QVUSPSPriorityMail")},
                      {QVShipmentWeightUnitKey, QStringLiteral("oz")},
                      {QVShipmentWeightNumberKey, QStringLiteral("12")}};
    if (!pic.isEmpty())
        entry.insert(QVUSPSShipmentPICKey, pic);
    return entry;
}

class LogWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        ASSERT_TRUE(m_dir.isValid());
        m_log = QVMailingLog::logWithPath(QDir(m_dir.path()).filePath(QVMailingLogFileName));
        ASSERT_TRUE(m_log);
        setDialogs(m_dialogs);
        hosts.host->labelFolder = QDir(m_dir.path()).filePath(QStringLiteral("Labels"));
        QDir().mkpath(hosts.host->labelFolder);
    }
    void TearDown() override
    {
        setDialogs(nullptr);
        setMailingLogWindowServices(nullptr);
        UserDefaults::resetStandardUserDefaults();
    }

    void add(const QVariantMap &entry) { ASSERT_TRUE(m_log->writeShipmentToLog(QVShipment(entry))); }
    QString path(const QString &name) const { return QDir(m_dir.path()).filePath(name); }
    // The invoice number of the selected entry ("" for none).
    QString selected(const QVMailingLogController &controller) const
    {
        const std::shared_ptr<QVShipment> entry = controller.shipmentAtCurrentlySelectedRow();
        return entry ? entry->objectForKey(QVShipmentInvoiceNumberKey).toString() : QString();
    }
    QVariantMap entryNamed(const QString &invoice) const
    {
        for (const QVariantMap &entry : m_log->entries())
            if (entry.value(QVShipmentInvoiceNumberKey).toString() == invoice)
                return entry;
        return {};
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QVMailingLog> m_log;
    std::shared_ptr<RecordingDialogs> m_dialogs = std::make_shared<RecordingDialogs>();
    AppHostScope hosts;
};

} // namespace tolvane::test
