// isPathOnReadOnlyVolume reads the file system's read-only flag; the bundle
// version is an integer build number above the upgrade thresholds.
#include "platform/Bundle.h"
#include "platform/VolumeStatus.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(VolumeStatus, WritableFolderAndMissingPathAreNotReadOnly)
{
    QTemporaryDir dir;
    EXPECT_FALSE(isPathOnReadOnlyVolume(dir.path()));
    EXPECT_FALSE(isPathOnReadOnlyVolume(dir.filePath(QStringLiteral("missing/deeper"))));
    EXPECT_FALSE(isPathOnReadOnlyVolume(QString()));
}

TEST(BundleVersion, BuildNumberIsAnIntegerAboveTheUpgradeThresholds)
{
    bool ok = false;
    const uint build = Bundle::bundleVersion().toUInt(&ok);
    EXPECT_TRUE(ok) << Bundle::bundleVersion().toStdString();
    EXPECT_GT(build, 364u);
    EXPECT_FALSE(Bundle::shortVersionString().isEmpty());
    EXPECT_EQ(Bundle::bundleName(), QStringLiteral("Tolvane"));
}
