// QVAddressBookController over a fixture folder of vCards, with a fake main
// window recording what the drawer passes on: export file names and data,
// the label filter, the search and the selection it keeps, batch selection,
// groups from the cards' categories, the imported source and its deleting,
// a card added to the folder while the drawer is open, and the person's
// address text.
#include "sources/QVAddressBookController.h"

#include "RecordingDialogs.h"
#include "SourcesTestSupport.h"
#include "RecordingUrlOpener.h"
#include "model/VCard.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "platform/VCardFolder.h"
#include "sources/QVAddressBookHost.h"
#include "sources/QVAddressBookImportController.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

struct FakeMainWindow : QVAddressBookHost {
    bool batch = false;
    QStringList calls;
    QList<QVAddress> batchAddresses;

    bool inBatchMode() override
    {
        calls << QStringLiteral("inBatchMode");
        return batch;
    }
    void newPackageWithAddressString(const QString &address, const QString &, const QString &,
                                     const QString &description, const QString &, bool) override
    {
        calls << QStringLiteral("new:") + address.section(QLatin1Char('\n'), 0, 0) + QStringLiteral("|") + description;
    }
    void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone, bool) override
    {
        calls << QStringLiteral("clear:") + address + email + phone;
    }
    void enterBatchPrintWithAddresses(const QList<QVAddress> &addresses) override
    {
        calls << QStringLiteral("batch:%1").arg(addresses.size());
        batchAddresses = addresses;
    }
};

QByteArray card(const char *name, const char *extra)
{
    return QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:") + name + "\r\n" + extra + "END:VCARD\r\n";
}

class AddressDrawerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        UserDefaults::standardUserDefaults().setString(folder.path(), VCardFolderDefaultsKey);
        QFile::remove(QVAddressBookImportController::filePath());
        writeFile(folder.filePath("ann.vcf"),
                  card("Lee;Ann;;;",
                       "UID:ann\r\nCATEGORIES:Clients 10\r\n"
                       "ADR;TYPE=HOME:;;1 Elm St;Springfield;IL;62704;\r\n"
                       "ADR;TYPE=WORK:;;9 Oak Ave;Springfield;IL;62701;\r\n"));
        writeFile(folder.filePath("people.vcf"),
                  card("Ek;Bo;;;", "UID:bo\r\nCATEGORIES:clients 9\r\nADR;TYPE=OTHER:;;2 Pine Rd;Salem;OR;97301;\r\n") +
                      card("Cruz;Cy;;;", "CATEGORIES:Clients 10\r\nADR;TYPE=cabin:;;3 Lake Ln;Ely;MN;55731;\r\n") +
                      card("Dahl;Di;;;", "UID:di\r\nADR:;;4 Birch Ct;Duluth;MN;55802;\r\n"));
        setAddressBookHostProvider([this] { return host; });
    }
    void TearDown() override
    {
        setAddressBookHostProvider({});
        UserDefaults::resetStandardUserDefaults();
        QFile::remove(QVAddressBookImportController::filePath());
    }

    QStringList names() const
    {
        QStringList list;
        for (qsizetype row = 0; row < drawer.numberOfRows(); ++row)
            list << drawer.textForColumn(QVAddressBookController::NameColumn, row);
        return list;
    }
    qsizetype rowOf(const QString &name) const { return names().indexOf(name); }

    QTemporaryDir folder;
    std::shared_ptr<FakeMainWindow> host = std::make_shared<FakeMainWindow>();
    QVAddressBookController drawer;
};

TEST_F(AddressDrawerTest, ListsEveryAddressSortedByLastNameWithGroups)
{
    drawer.awakeFromNib();
    EXPECT_EQ(names(), (QStringList{"Cruz Cy", "Dahl Di", "Ek Bo", "Lee Ann", "Lee Ann"}));
    EXPECT_EQ(drawer.columns(), (QStringList{"name", "label", "address"}));
    EXPECT_EQ(drawer.textForColumn("address", rowOf("Dahl Di")), "4 Birch Ct, Duluth MN 55802");
    EXPECT_EQ(drawer.textForColumn("label", rowOf("Ek Bo")), "other");
    EXPECT_TRUE(drawer.selectedRows().isEmpty());
    // Groups sorted ignoring case with numbers by value, between the
    // template's items.
    EXPECT_EQ(drawer.chooserTitles(),
              (QStringList{"Address Book", "  clients 9", "  Clients 10", "Imported Addresses"}));
    drawer.chooseBook(2);
    EXPECT_EQ(names(), (QStringList{"Cruz Cy", "Lee Ann", "Lee Ann"}));
    UserDefaults::standardUserDefaults().setString("F", "abSortOrder");
    UserDefaults::standardUserDefaults().setString("FL", "abDisplayOrder");
    EXPECT_EQ(names(), (QStringList{"Ann Lee", "Ann Lee", "Cy Cruz"}));
    drawer.chooseBook(0);
    EXPECT_EQ(drawer.numberOfRows(), 5);
}

TEST(AddressBookGroups, OrderIgnoresCaseAndReadsNumbers)
{
    const auto less = [](const char *a, const char *b) {
        return CompareABGroup({QString(), QString::fromUtf8(a)}, {QString(), QString::fromUtf8(b)});
    };
    EXPECT_TRUE(less("clients 9", "Clients 10"));
    EXPECT_FALSE(less("Clients 10", "clients 9"));
    EXPECT_TRUE(less("a", "B"));
    EXPECT_TRUE(less("x2", "x002y"));
    EXPECT_TRUE(less("", "a"));
    EXPECT_FALSE(less("a", "A"));
}

TEST_F(AddressDrawerTest, LabelFilter)
{
    struct Case {
        const char *filter;
        QStringList names;
    };
    const QList<Case> cases = {
        {"", {"Cruz Cy", "Dahl Di", "Ek Bo", "Lee Ann", "Lee Ann"}},
        {"other", {"Cruz Cy", "Dahl Di", "Ek Bo"}},
        {"work", {"Lee Ann"}},
    };
    drawer.awakeFromNib();
    for (const Case &c : cases) {
        UserDefaults::standardUserDefaults().setString(QString::fromUtf8(c.filter), "abLabelFilter");
        EXPECT_EQ(names(), c.names) << c.filter;
    }
}

TEST_F(AddressDrawerTest, SearchKeepsTheSelectionAndNarrowingPassesTheAddressOn)
{
    drawer.awakeFromNib();
    drawer.selectRow(rowOf("Ek Bo"));
    EXPECT_EQ(host->calls, QStringList{"new:Bo Ek|"});
    drawer.setSearchText("no such text");
    EXPECT_EQ(drawer.numberOfRows(), 0);
    drawer.setSearchText("");
    EXPECT_EQ(drawer.numberOfRows(), 5);
    ASSERT_EQ(drawer.selectedRows().size(), 1);
    EXPECT_EQ(drawer.filteredArray().at(drawer.selectedRows().first()).name(), "Bo Ek");

    host->calls.clear();
    drawer.selectRows({rowOf("Dahl Di"), rowOf("Ek Bo")});
    EXPECT_EQ(host->calls, (QStringList{"new:Di Dahl|", "batch:2"}));
    host->calls.clear();
    drawer.setSearchText("salem");
    EXPECT_EQ(drawer.numberOfRows(), 1);
    EXPECT_EQ(host->calls, QStringList{"new:Bo Ek|"});

    host->calls.clear();
    host->batch = true;
    drawer.selectRows({});
    EXPECT_EQ(host->calls, (QStringList{"inBatchMode", "clear:"}));
}

TEST_F(AddressDrawerTest, ExportProposesNamesAndWritesTheCards)
{
    DialogsScope dialogs;
    drawer.awakeFromNib();
    const QString target = folder.filePath("out/export.vcf");
    QDir(folder.path()).mkpath("out");
    dialogs->savePaths = {std::nullopt, target, folder.filePath("missing/x.vcf")};
    drawer.selectRows({0, 1});
    drawer.exportVCard();
    drawer.selectRows({0, 1, 2});
    drawer.exportVCard();
    ASSERT_EQ(dialogs->savePanels.size(), 2);
    EXPECT_EQ(dialogs->savePanels[0].suggestedFileName, "Cy Cruz and 1 other.vcf");
    EXPECT_EQ(dialogs->savePanels[1].suggestedFileName, "Cy Cruz and 2 others.vcf");
    EXPECT_EQ(dialogs->savePanels[1].title, "Export vCard");
    EXPECT_EQ(dialogs->savePanels[1].allowedExtensions, QStringList{"vcf"});
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::optional<QList<Person>> people = peopleWithVCardRepresentation(file.readAll());
    ASSERT_TRUE(people);
    ASSERT_EQ(people->size(), 3);
    EXPECT_EQ(people->at(1).uniqueId(), "di");
    EXPECT_TRUE(dialogs->alerts.isEmpty());

    drawer.selectRows({0});
    drawer.exportVCard();
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, "Couldn't Export");
    EXPECT_EQ(dialogs->alerts[0].informativeText, "Couldn't export as x.vcf.");
    EXPECT_EQ(dialogs->savePanels[2].suggestedFileName, "Cy Cruz.vcf");
}

TEST_F(AddressDrawerTest, ImportedListDeletesAndNamesWithoutSeparators)
{
    DialogsScope dialogs;
    QVAddress slash;
    slash.setName("A/B Co");
    QVAddress plain;
    plain.setName("Zed");
    ASSERT_TRUE(writePropertyListFile(QVAddressBookImportController::filePath(),
                                      QVariantList{slash.plist(), plain.plist(), slash.plist()},
                                      PropertyListFormat::Binary));
    drawer.awakeFromNib();
    drawer.chooseBook(int(drawer.chooserTitles().size()) - 1);
    EXPECT_TRUE(drawer.useImportedFile());
    EXPECT_EQ(drawer.columns(), (QStringList{"name", "address"}));
    EXPECT_EQ(names(), (QStringList{"A/B Co", "Zed", "A/B Co"}));
    EXPECT_FALSE(drawer.canEditCard());

    drawer.selectRows({0});
    dialogs->savePaths = {std::nullopt};
    drawer.exportVCard();
    EXPECT_EQ(dialogs->savePanels.at(0).suggestedFileName, "A-B Co.vcf");

    drawer.deleteSelectedRow();
    EXPECT_EQ(names(), QStringList{"Zed"});
    EXPECT_EQ(drawer.selectedRows(), QList<qsizetype>{0});

    // A stored list that cannot be read is never replaced.
    writeFile(QVAddressBookImportController::filePath(), "damaged");
    drawer.deleteSelectedRow();
    ASSERT_EQ(dialogs->alerts.size(), 1);
    QFile file(QVAddressBookImportController::filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "damaged");
}

TEST_F(AddressDrawerTest, DeletingFromTheBookOnlyBeepsAndEditOpensTheCardFile)
{
    UrlOpenerScope opener;
    int beeps = 0;
    drawer.beep = [&beeps] { ++beeps; };
    drawer.awakeFromNib();
    drawer.selectRow(rowOf("Dahl Di"));
    drawer.deleteSelectedRow();
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(drawer.numberOfRows(), 5);
    ASSERT_TRUE(drawer.canEditCard());
    drawer.editCard();
    ASSERT_EQ(opener->opened.size(), 1);
    EXPECT_EQ(opener->opened[0], QUrl::fromLocalFile(QDir(folder.path()).absoluteFilePath("people.vcf")));
}

TEST_F(AddressDrawerTest, StampsOnlyEditionListsNothing)
{
    UserDefaults::standardUserDefaults().setBool(true, "kivoStampsVersion");
    drawer.awakeFromNib();
    EXPECT_EQ(drawer.chooserTitles(), (QStringList{"Address Book", "Imported Addresses"}));
    EXPECT_EQ(drawer.numberOfRows(), 0);
}

TEST_F(AddressDrawerTest, CardAddedToTheFolderAppearsWithoutARestart)
{
    drawer.awakeFromNib();
    ASSERT_EQ(drawer.numberOfRows(), 5);
    writeFile(folder.filePath("new.vcf"), card("Fay;Flo;;;", "ADR:;;5 Ash Pl;Troy;NY;12180;\r\n"));
    QDeadlineTimer deadline(10000);
    while (drawer.numberOfRows() != 6 && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    EXPECT_EQ(drawer.numberOfRows(), 6);
    EXPECT_GE(rowOf("Fay Flo"), 0);
}

TEST(PersonAddressText, Rules)
{
    const auto person = [](const char *adr) { return personWithVCardRepresentation(card("Lee;Ann;Q;;", adr)).value(); };
    struct Case {
        const char *name;
        const char *adr;
        QString text;
    };
    const QList<Case> cases = {
        {"US with a country name", "ORG:Acme\r\nADR:;;1 Elm St;Springfield;IL;62704;United States\r\n",
         "Ann Q Lee\nAcme\n1 Elm St\nSpringfield IL 62704\nUnited States"},
        {"foreign without a country name", "item1.ADR:;;9 Rue;Paris;;75001;\r\nitem1.X-ABADR:fr\r\n",
         "Ann Q Lee\n9 Rue\nParis 75001\n"},
        {"US code, no country", "item1.ADR:;;1 Elm St;Springfield;IL;62704;\r\nitem1.X-ABADR:us\r\n",
         "Ann Q Lee\n1 Elm St\nSpringfield IL 62704"},
        {"the primary address", "ADR;TYPE=HOME:;;1 Elm St;A;;;\r\nADR;TYPE=WORK,PREF:;;2 Oak;B;;;\r\n",
         "Ann Q Lee\n2 Oak\nB"},
        {"no address", "", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(qv_formattedAddressString(person(c.adr)), c.text) << c.name;
}

} // namespace
