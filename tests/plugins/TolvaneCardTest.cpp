// tolvanecard, the helper that the desktop entry resources/tolvanecard.desktop
// runs on a vCard file: it opens the new-shipment URL of the file's card
// through the desktop's opener (a stand-in "xdg-open" here, which notes the
// text it was given); files it cannot use open nothing. Then the desktop
// entry itself: valid, and installed by scripts/install-desktop-entry.sh.
#include "DesktopEntryInstall.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tolvane::test;

namespace {

const QString kSource = QStringLiteral(TOLVANE_SOURCE_DIR);

class TolvaneCardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile opener(QDir(folder.path()).filePath(QStringLiteral("xdg-open")));
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/opened.tmp\"\n"
                     "mv \"$(dirname \"$0\")/opened.tmp\" \"$(dirname \"$0\")/opened\"\n");
        opener.close();
        opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(QDir(folder.path()).filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    // Runs the helper on the file; its exit code, and the text the opener
    // got (null when it got none).
    std::pair<int, QString> run(const QString &path)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"), folder.path() + QStringLiteral(":/usr/bin:/bin"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TOLVANE_BINARY_DIR "/src/plugins/addressbook/tolvanecard"), {path});
        if (!process.waitForFinished(20000))
            return {-1, QString()};
        const int exitCode = process.exitCode();
        QFile opened(QDir(folder.path()).filePath(QStringLiteral("opened")));
        for (int i = 0; exitCode == 0 && i < 500 && !opened.exists(); ++i)
            QThread::msleep(10);
        if (!opened.open(QIODevice::ReadOnly))
            return {exitCode, QString()};
        const QString text = QString::fromUtf8(opened.readAll());
        opened.remove();
        return {exitCode, text};
    }

    QTemporaryDir folder;
};

TEST_F(TolvaneCardTest, TheCardsPreferredAddressReachesTheOpenerAsWritten)
{
    // The second address is the preferred one; there is no phone at its
    // index, so the primary (only) phone goes with it.
    const QString card = write(QStringLiteral("Ann Lee.vcf"),
                               "BEGIN:VCARD\r\n"
                               "VERSION:3.0\r\n"
                               "N:Lee;Ann;;;\r\n"
                               "FN:Ann Lee\r\n"
                               "ADR;TYPE=HOME:;;1 Elm St;Springfield;IL;62701;\r\n"
                               "ADR;TYPE=WORK,PREF:;;9 Oak Ave;Chicago;IL;60601;\r\n"
                               "TEL;TYPE=CELL:555-0100\r\n"
                               "END:VCARD\r\n");
    const auto [exitCode, opened] = run(card);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(opened,
              QStringLiteral("tolvane://newShipment2?ToAddress=Ann%20Lee%0A9%20Oak%20Ave%0AChicago%20IL%2060601"
                             ";ToEMail=;ToPhone=555-0100"));
}

TEST_F(TolvaneCardTest, AFileItCannotUseOpensNothing)
{
    const QString fifo = QDir(folder.path()).filePath(QStringLiteral("pipe.vcf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString paths[] = {
        write(QStringLiteral("no address.vcf"),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nFN:Ann Lee\r\nEND:VCARD\r\n"),
        write(QStringLiteral("damaged.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann\r\n"),
        QDir(folder.path()).filePath(QStringLiteral("absent.vcf")),
        fifo,
        folder.path(),
    };
    for (const QString &path : paths) {
        const auto [exitCode, opened] = run(path);
        EXPECT_EQ(exitCode, 1) << path.toStdString();
        EXPECT_TRUE(opened.isNull()) << path.toStdString();
    }
}

TEST(TolvaneCardDesktopEntry, ValidatesAndIsInstalled)
{
    for (const char *tool : {"desktop-file-validate", "xdg-mime", "desktop-file-install"})
        ASSERT_FALSE(QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) << tool << " is missing";
    QProcess validate;
    validate.start(QStringLiteral("desktop-file-validate"),
                   {kSource + QStringLiteral("/resources/tolvanecard.desktop")});
    ASSERT_TRUE(validate.waitForFinished(20000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
    EXPECT_TRUE(validate.readAll().isEmpty());

    QTemporaryDir root;
    QString error;
    ASSERT_TRUE(installDesktopEntries(root.path(), &error)) << error.toStdString();

    QFile installed(QDir(root.path()).filePath(QStringLiteral("XDG_DATA_HOME/applications/tolvanecard.desktop")));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(installed.readAll()).split(u'\n');
    EXPECT_TRUE(lines.contains(QStringLiteral("Name=Prepare label in Tolvane for Mac")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=tolvanecard %f")));
    EXPECT_TRUE(lines.contains(QStringLiteral("MimeType=text/vcard;text/x-vcard;")));
}

} // namespace
