#include <QProcess>
#include <gtest/gtest.h>

// The application binary starts and names itself with its version.
TEST(ApplicationStart, PrintsNameAndVersion)
{
    QProcess p;
    p.start(QStringLiteral(TOLVANE_BINARY_DIR "/src/app/tolvane"), {});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out.startsWith(QStringLiteral("Tolvane for Mac "))) << out.toStdString();
}
