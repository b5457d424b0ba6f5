// ABAddressBook over a folder of vCards (platform VCardFolder): the "me"
// card named by a setting, new cards under safe file names (a name's path
// separators never leave the folder), refused file names, and stable ids for
// cards without UID, and the announcement of another program's changes.
#include "model/ABAddressBook.h"

#include "model/VCard.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/VCardFolder.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ABAddressBookTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        UserDefaults::standardUserDefaults().setString(folder.path(), VCardFolderDefaultsKey);
    }
    void TearDown() override { UserDefaults::resetStandardUserDefaults(); }
    QTemporaryDir folder;
};

TEST_F(ABAddressBookTest, AddMeAndSafeFileNames)
{
    ABAddressBook &book = ABAddressBook::sharedAddressBook();
    EXPECT_TRUE(book.people().isEmpty());
    EXPECT_FALSE(book.me());

    int changes = 0;
    const NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        kABDatabaseChangedNotification, [&changes](const Notification &) { ++changes; });
    Person person;
    person.setValue(QStringLiteral("../A/B"), kABFirstNameProperty);
    person.setValue(QStringLiteral("Co"), kABLastNameProperty);
    ASSERT_TRUE(book.addRecord(person));
    ASSERT_TRUE(book.addRecord(person));
    EXPECT_EQ(changes, 2);
    const QStringList files = QDir(folder.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{"-A-B Co 2.vcf", "-A-B Co.vcf"}));
    ASSERT_EQ(book.people().size(), 2);
    EXPECT_EQ(book.recordForUniqueId(person.uniqueId())->firstName(), "../A/B");

    UserDefaults::standardUserDefaults().setString(QStringLiteral("-A-B Co.vcf"), VCardFolderMeCardDefaultsKey);
    ASSERT_TRUE(book.me());
    EXPECT_EQ(book.me()->lastName(), "Co");

    VCardFolder &cards = VCardFolder::sharedFolder();
    for (const char *name : {"../x.vcf", "a/b.vcf", "..", ""})
        EXPECT_FALSE(cards.writeCardFile(QString::fromUtf8(name), "x")) << name;
    EXPECT_FALSE(QFile::exists(QDir(folder.path()).filePath("../x.vcf")));
    EXPECT_EQ(cards.proposedFileName(QStringLiteral("...")), "Card.vcf");
}

// Once read, the folder is watched: a card another program adds, or edits
// in place, posts the external-change notification from the event loop.
TEST_F(ABAddressBookTest, AnotherProgramsChangesAreAnnounced)
{
    int external = 0;
    const NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        kABDatabaseChangedExternallyNotification, [&external](const Notification &) { ++external; });
    const auto waitForAnnouncement = [&] {
        QElapsedTimer timer;
        timer.start();
        const int before = external;
        while (external == before && timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return external > before;
    };
    const QString path = QDir(folder.path()).filePath(QStringLiteral("Ann.vcf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nFN:Ann Lee\r\nEND:VCARD\r\n");
    file.close();
    ASSERT_EQ(ABAddressBook::sharedAddressBook().people().size(), 1); // starts the watch
    QCoreApplication::processEvents();
    external = 0;

    // Another file appears.
    QFile second(QDir(folder.path()).filePath(QStringLiteral("Bob.vcf")));
    ASSERT_TRUE(second.open(QIODevice::WriteOnly));
    second.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ray;Bob;;;\r\nFN:Bob Ray\r\nEND:VCARD\r\n");
    second.close();
    EXPECT_TRUE(waitForAnnouncement());

    // A watched file is edited in place.
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Max;;;\r\nFN:Max Lee\r\nEND:VCARD\r\n");
    file.close();
    EXPECT_TRUE(waitForAnnouncement());
    EXPECT_EQ(ABAddressBook::sharedAddressBook().people().size(), 3);
}

TEST_F(ABAddressBookTest, CardsWithoutUidKeepTheirIdsAndDamagedFilesAreSkipped)
{
    QFile file(QDir(folder.path()).filePath("two.vcf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:A;;;;\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:B;;;;\r\n"
               "END:VCARD\r\n");
    file.close();
    QFile damaged(QDir(folder.path()).filePath("bad.vcf"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("BEGIN:VCARD\r\nnonsense\r\n");
    damaged.close();

    const QList<Person> people = ABAddressBook::sharedAddressBook().people();
    ASSERT_EQ(people.size(), 2);
    EXPECT_EQ(people[1].uniqueId(), "two.vcf:1");
    EXPECT_EQ(ABAddressBook::sharedAddressBook().recordForUniqueId("two.vcf:1")->lastName(), "B");
}

} // namespace

// Without a setting the cards live in "Address Book" of the
// application-support folder; the cards an earlier build kept in "Contacts"
// move there once, and never over a folder that exists already.
TEST_F(ABAddressBookTest, WithoutASettingTheFolderIsAddressBookAndEarlierCardsMoveThere)
{
    UserDefaults::standardUserDefaults().removeObjectForKey(VCardFolderDefaultsKey);
    const QDir support(tolvane::test::supportDir());
    const QString book = support.filePath(QStringLiteral("Address Book"));
    const QString earlier = support.filePath(QStringLiteral("Contacts"));
    QDir(book).removeRecursively();
    QDir(earlier).removeRecursively();
    const auto writeCard = [](const QString &folder, const char *name) {
        QDir().mkpath(folder);
        QFile card(QDir(folder).filePath(QString::fromLatin1(name)));
        return card.open(QIODevice::WriteOnly) && card.write("BEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCARD\r\n") > 0;
    };
    ASSERT_TRUE(writeCard(earlier, "ada.vcf"));

    VCardFolder &cards = VCardFolder::sharedFolder();
    EXPECT_EQ(cards.folderPath(), QDir(book).absolutePath());
    EXPECT_TRUE(QFile::exists(QDir(book).filePath(QStringLiteral("ada.vcf"))));
    EXPECT_FALSE(QFile::exists(earlier));

    // A "Contacts" folder beside an existing "Address Book" stays as it is.
    ASSERT_TRUE(writeCard(earlier, "grace.vcf"));
    EXPECT_EQ(cards.folderPath(), QDir(book).absolutePath());
    EXPECT_TRUE(QFile::exists(QDir(earlier).filePath(QStringLiteral("grace.vcf"))));
    EXPECT_FALSE(QFile::exists(QDir(book).filePath(QStringLiteral("grace.vcf"))));
    QDir(book).removeRecursively();
    QDir(earlier).removeRecursively();
}
