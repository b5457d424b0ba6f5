// The label archive: the one naming rule of writer and reader (tracking
// number, else customs number, else confirmation number; no number and
// names that would leave the folder are refused without a write), the file
// written whole as a property list of two entries, and archives that are
// not ours refused.
#include "TestSupport.h"

#include "model/QVLabelArchive.h"
#include "model/QVShipment.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class LabelArchiveTest : public ::testing::Test
{
protected:
    void SetUp() override { QDir(labelArchiveFolder()).removeRecursively(); }
    void TearDown() override { QDir(labelArchiveFolder()).removeRecursively(); }

    static QStringList files() { return QDir(labelArchiveFolder()).entryList(QDir::Files | QDir::Hidden); }

    static QVXMLDocument reply()
    {
        return QVXMLDocument::fromData("<LabelRequestResponse><Status>0</Status><Base64LabelImage>AAEC"
                                       "</Base64LabelImage></LabelRequestResponse>")
            .value();
    }
};

} // namespace

TEST_F(LabelArchiveTest, TheNameIsTheFirstNumberThePieceHasAndNeverLeavesTheFolder)
{
    struct Case {
        QString pic;
        QString customs;
        QString confirm;
        std::optional<QString> name;
    };
    const QList<Case> cases{
        {QStringLiteral("9400100000000000000017"), QStringLiteral("LZ123456789US"), QStringLiteral("1"),
         QStringLiteral("9400100000000000000017")},
        {QString(), QStringLiteral("LZ123456789US"), QStringLiteral("1"), QStringLiteral("LZ123456789US")},
        {QString(), QString(), QStringLiteral("94001000000000000000"), QStringLiteral("94001000000000000000")},
        {QString(), QString(), QString(), std::nullopt},
        {QStringLiteral("../mailinglog.plist"), QString(), QString(), std::nullopt},
        {QStringLiteral("a/b"), QString(), QString(), std::nullopt},
        {QStringLiteral(".."), QString(), QString(), std::nullopt},
        {QStringLiteral("."), QString(), QString(), std::nullopt},
        {QStringLiteral("abc") + QChar(0), QString(), QString(), std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.pic + QLatin1Char('|') + c.customs + QLatin1Char('|') + c.confirm).toStdString());
        QVShipment shipment;
        if (!c.pic.isEmpty())
            shipment.setObject(c.pic, QVUSPSShipmentPICKey);
        if (!c.customs.isEmpty())
            shipment.setObject(c.customs, QVUSPSShipmentCustomsBarcodeNumberKey);
        if (!c.confirm.isEmpty())
            shipment.setObject(c.confirm, QVUSPSShipmentConfirmKey);
        QString error;
        EXPECT_EQ(labelArchiveFileName(shipment, &error), c.name);
        EXPECT_EQ(error.isEmpty(), c.name.has_value());
        EXPECT_EQ(writeLabelArchive(shipment, QStringLiteral("QVEPL2Label"), reply(), &error), c.name.has_value());
        if (c.name) {
            EXPECT_EQ(fileURLforPersistentShipment(shipment), QDir(labelArchiveFolder()).filePath(*c.name));
            EXPECT_EQ(files(), QStringList{*c.name});
        } else {
            EXPECT_FALSE(fileURLforPersistentShipment(shipment));
            EXPECT_FALSE(error.isEmpty());
            EXPECT_TRUE(files().isEmpty());
            EXPECT_FALSE(QFile::exists(QDir(tolvane::test::supportDir()).filePath(QStringLiteral("mailinglog.plist"))));
        }
        QDir(labelArchiveFolder()).removeRecursively();
    }
}

TEST_F(LabelArchiveTest, TheArchiveHoldsTheLabelTypeAndTheWholeReply)
{
    QVShipment shipment;
    shipment.setObject(QStringLiteral("LZ123456789US"), QVUSPSShipmentCustomsBarcodeNumberKey);
    ASSERT_TRUE(writeLabelArchive(shipment, QStringLiteral("QVKIVO8836105Label"), reply()));
    QFile file(*fileURLforPersistentShipment(shipment));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("<?xml"));
    const std::optional<QVariant> plist = readPropertyList(bytes);
    ASSERT_TRUE(plist);
    const QVariantMap map = plist->toMap();
    EXPECT_EQ(map.keys(), (QStringList{QStringLiteral("labelType"), QStringLiteral("xml")}));
    EXPECT_EQ(map.value(QStringLiteral("xml")).toByteArray(), reply().xmlData());

    const std::optional<QVArchivedLabel> archived = readLabelArchive(shipment);
    ASSERT_TRUE(archived);
    EXPECT_EQ(archived->labelType, QStringLiteral("QVKIVO8836105Label"));
    EXPECT_EQ(archived->xml.xmlData(), reply().xmlData());

    // A missing file is an error, not an empty label.
    QVShipment other;
    other.setObject(QStringLiteral("EA000000000US"), QVUSPSShipmentPICKey);
    QString error;
    EXPECT_FALSE(readLabelArchive(other, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(LabelArchiveTest, BytesThatAreNotAnArchiveAreRefused)
{
    const QVariantMap good{{QStringLiteral("labelType"), QStringLiteral("QVEPL2Label")},
                           {QStringLiteral("xml"), QByteArray("<a/>")}};
    ASSERT_TRUE(labelArchiveFromData(*writeBinaryPropertyList(good)));
    const QList<QByteArray> bad{
        QByteArray("not a property list"),
        *writeXmlPropertyList(QVariantList{QStringLiteral("labelType")}),
        *writeXmlPropertyList(QVariantMap{{QStringLiteral("labelType"), QStringLiteral("QVEPL2Label")}}),
        *writeXmlPropertyList(QVariantMap{{QStringLiteral("labelType"), QStringLiteral("QVEPL2Label")},
                                          {QStringLiteral("xml"), QStringLiteral("<a/>")}}),
        *writeXmlPropertyList(QVariantMap{{QStringLiteral("labelType"), QStringLiteral("QVEPL2Label")},
                                          {QStringLiteral("xml"), QByteArray("<a>")}}),
        *writeXmlPropertyList(
            QVariantMap{{QStringLiteral("labelType"), 3}, {QStringLiteral("xml"), QByteArray("<a/>")}}),
    };
    for (const QByteArray &bytes : bad) {
        QString error;
        EXPECT_FALSE(labelArchiveFromData(bytes, &error)) << bytes.left(80).toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}
