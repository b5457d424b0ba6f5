// PrintInfo: the stored property-list form and the print job's options.
#include "platform/PrintInfo.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

namespace {

PrintInfo everyFieldChanged()
{
    PrintInfo info;
    info.printerName = QStringLiteral("Kivo_360");
    info.paperName = QStringLiteral("4x6");
    info.paperSize = QSizeF(288, 432);
    info.orientation = PrintInfo::Orientation::Landscape;
    info.leftMargin = 1.5;
    info.rightMargin = 2;
    info.topMargin = 3;
    info.bottomMargin = 4;
    info.horizontalPagination = PrintInfo::Pagination::Fit;
    info.verticalPagination = PrintInfo::Pagination::Clip;
    info.horizontallyCentered = false;
    info.verticallyCentered = false;
    info.scalingFactor = 0.5;
    info.allPages = false;
    info.firstPage = 2;
    info.lastPage = 3;
    info.copies = 4;
    info.duplex = PrintInfo::Duplex::ShortEdge;
    info.jobDisposition = PrintInfo::JobDisposition::Save;
    info.savePath = QStringLiteral("/tmp/label.pdf");
    info.printSettings = QVariantMap{{QStringLiteral("KivoPrintDensity"), QStringLiteral("Dark")},
                                     {QStringLiteral("com.apple.print.PrintSettings.TWPrintDarkness"), 3}};
    return info;
}

} // namespace

TEST(PrintInfo, EveryFieldSurvivesTheStoredForm)
{
    const PrintInfo info = everyFieldChanged();
    const QByteArray data = info.data();
    ASSERT_FALSE(data.isEmpty());
    PropertyListFormat format;
    ASSERT_TRUE(readPropertyList(data, nullptr, &format));
    EXPECT_EQ(format, PropertyListFormat::Binary);
    const auto read = PrintInfo::fromData(data);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, info);
    EXPECT_FALSE(*read == PrintInfo());

    PrintInfo without = info;
    without.printSettings.reset();
    EXPECT_FALSE(PrintInfo::fromData(without.data())->printSettings.has_value());
}

TEST(PrintInfo, DamagedDataIsRefusedAndDamagedFieldsReadAsDefaults)
{
    QString error;
    EXPECT_FALSE(PrintInfo::fromData(QByteArray("garbage"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(PrintInfo::fromData(*writeBinaryPropertyList(QStringLiteral("text"))));
    EXPECT_FALSE(PrintInfo::fromData(QByteArray()));

    QVariantMap plist = everyFieldChanged().propertyList();
    plist.insert(QStringLiteral("orientation"), 7);
    plist.insert(QStringLiteral("copies"), QStringLiteral("many"));
    plist.insert(QStringLiteral("paperWidth"), -5);
    plist.insert(QStringLiteral("duplex"), QStringLiteral("three-sided"));
    plist.insert(QStringLiteral("firstPage"), qint64(1) << 40);
    const PrintInfo read = PrintInfo::fromPropertyList(plist);
    const PrintInfo defaults;
    EXPECT_EQ(read.orientation, defaults.orientation);
    EXPECT_EQ(read.copies, defaults.copies);
    EXPECT_EQ(read.paperSize, defaults.paperSize);
    EXPECT_EQ(read.duplex, defaults.duplex);
    EXPECT_EQ(read.firstPage, defaults.firstPage);
    EXPECT_EQ(read.printerName, QStringLiteral("Kivo_360")); // the others are kept
    EXPECT_EQ(read.lastPage, 3);
}

TEST(PrintInfo, JobOptionsCarryDriverSettingsCopiesSidesAndRange)
{
    const QVariantMap options = everyFieldChanged().jobOptions();
    EXPECT_EQ(options.value(QStringLiteral("KivoPrintDensity")).toString(), QStringLiteral("Dark"));
    EXPECT_EQ(options.value(QStringLiteral("com.apple.print.PrintSettings.TWPrintDarkness")).toString(),
              QStringLiteral("3"));
    EXPECT_EQ(options.value(QStringLiteral("copies")).toString(), QStringLiteral("4"));
    EXPECT_EQ(options.value(QStringLiteral("sides")).toString(), QStringLiteral("two-sided-short-edge"));
    EXPECT_EQ(options.value(QStringLiteral("page-ranges")).toString(), QStringLiteral("2-3"));

    const QVariantMap plain = PrintInfo().jobOptions();
    EXPECT_EQ(plain.value(QStringLiteral("sides")).toString(), QStringLiteral("one-sided"));
    EXPECT_FALSE(plain.contains(QStringLiteral("page-ranges")));
    EXPECT_EQ(plain.size(), 2);
}
