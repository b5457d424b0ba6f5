#include "widgets/NamedPicture.h"

#include <QDir>
#include <QImage>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A PNG file reads as the same image as a reader that guesses; a missing
// file or one that is no PNG reads as null.
TEST(NamedPicture, ReadPngImage)
{
    const QString png = QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-ok-32.png");
    const QImage read = readPngImage(png);
    ASSERT_FALSE(read.isNull());
    EXPECT_TRUE(read == QImage(png));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString text = dir.filePath(QStringLiteral("not.png"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no picture");
    file.close();
    EXPECT_TRUE(readPngImage(text).isNull());
    EXPECT_TRUE(readPngImage(dir.filePath(QStringLiteral("missing.png"))).isNull());
}
