// The electronic refund of one piece through the program's own label-server
// client, against the local stand-in of the vendor's label server: approved
// it voids the entry, refused it shows the server's message and changes
// nothing.
#include "MailingLogWindowTestSupport.h"

#include "../../services/LabelServerTestSupport.h"

using namespace tolvane::test;

namespace {

class LabelServerRefundTest : public LabelServerFixture
{
protected:
    void SetUp() override
    {
        LabelServerFixture::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        m_log = QVMailingLog::logWithPath(QDir(m_dir.path()).filePath(QVMailingLogFileName));
        ASSERT_TRUE(m_log);
        setDialogs(m_dialogs);
        setMailingLogWindowServices(nullptr);
    }
    void TearDown() override
    {
        setDialogs(nullptr);
        LabelServerFixture::TearDown();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QVMailingLog> m_log;
    std::shared_ptr<RecordingDialogs> m_dialogs = std::make_shared<RecordingDialogs>();
    AppHostScope hosts;
};

TEST_F(LabelServerRefundTest, ApprovedVoidsAndRefusedShowsTheServersMessage)
{
    const QDateTime now = QDateTime::currentDateTime();
    struct Case {
        bool approved;
        QString message;
        bool voided;
        QString lastAlert;
    };
    const QList<Case> cases = {
        {false, QStringLiteral("Refund window closed & gone"), false,
         QStringLiteral("Could not complete transaction.")},
        {true, QString(), true, QStringLiteral("Electronic Refund Request Accepted")},
    };
    for (const Case &c : cases) {
        QVariantMap entry = piece(QStringLiteral("S"), now.addDays(-1), QStringLiteral("9405511899223197428036"));
        entry.insert(QVUSPSShipmentPostageEnabledKey, true);
        entry.insert(QVUSPSShipmentRHOTransactionTypeKey, QStringLiteral("Stamp"));
        entry.insert(QVUSPSShipmentRHOPieceCountKey, 4711);
        m_log->setLogArray({QVShipment(entry).plist()});
        m_dialogs->alerts.clear();
        m_dialogs->answers = {1, 1};
        server.setRefundApproved(c.approved, c.message);
        QVMailingLogController controller(m_log.get());
        controller.windowDidLoad();
        controller.electronicRefund(now);
        const auto received = server.lastReceived();
        ASSERT_TRUE(received);
        EXPECT_EQ(received->field, QByteArray("refundRequestXML"));
        EXPECT_EQ(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentVoidKey).toBool(), c.voided);
        ASSERT_EQ(m_dialogs->alerts.size(), 2);
        EXPECT_EQ(m_dialogs->alerts.last().messageText, c.lastAlert);
        if (!c.approved) {
            EXPECT_EQ(m_dialogs->alerts.last().informativeText, c.message);
        }
    }
}

} // namespace
