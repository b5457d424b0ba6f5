// QVAddressBookImportController: the CSV scanner, the rows of tab-delimited
// text, the row conversion (domestic and international rules, header row,
// appending), the decoding chain, and the whole import through the open
// panel, including a stored list that cannot be read.
#include "sources/QVAddressBookImportController.h"

#include "RecordingDialogs.h"
#include "SourcesTestSupport.h"
#include "TestSupport.h"
#include "model/QVAddress.h"
#include "platform/PropertyList.h"
#include "sources/ParsingExtensions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

QList<QVAddress> addressesOfData(const QByteArray &data)
{
    QList<QVAddress> addresses;
    const std::optional<QVariant> value = readPropertyList(data);
    if (!value)
        return addresses;
    for (const QVariant &element : value->toList())
        addresses.append(QVAddress::addressWithDictionary(element.toMap()));
    return addresses;
}

QList<QVAddress> storedAddresses()
{
    QFile file(QVAddressBookImportController::filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return addressesOfData(file.readAll());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class AddressImportTest : public ::testing::Test
{
protected:
    void SetUp() override { QFile::remove(QVAddressBookImportController::filePath()); }
    void TearDown() override { QFile::remove(QVAddressBookImportController::filePath()); }

    // The addresses of CSV rows given as lists of fields.
    QList<QVAddress> convert(const QList<QStringList> &rows)
    {
        controller.changeFormat(QVAddressBookImportController::CommaSeparated);
        QVariantList list;
        for (const QStringList &row : rows)
            list.append(row);
        const std::optional<QByteArray> data = controller.dataWithAddressArray(list);
        EXPECT_TRUE(data.has_value());
        return data ? addressesOfData(*data) : QList<QVAddress>();
    }

    QVAddressBookImportController controller;
    QTemporaryDir dir;
};

TEST(CsvRowsTest, FieldsQuotesBlanksAndLineBreaks)
{
    struct Case {
        const char *name;
        QString text;
        QList<QStringList> rows;
    };
    const QList<Case> cases = {
        {"quoted comma and doubled quote", QStringLiteral("a,\"b,c\",\"d\"\"\""), {{"a", "b,c", "d\""}}},
        {"blanks after a comma skipped, before it kept", QStringLiteral("a,  \tb  ,c"), {{"a", "b  ", "c"}}},
        {"quoted line break stays", QStringLiteral("\"x\r\ny\",z\nw"), {{"x\r\ny", "z"}, {"w"}}},
        {"blank lines give no rows", QStringLiteral("a,b\r\n\r\n\r\nc\n\n"), {{"a", "b"}, {"c"}}},
        {"quotes switch anywhere", QStringLiteral("a\"b,c\"d,e"), {{"ab,cd", "e"}}},
        {"trailing comma gives an empty field", QStringLiteral("a,\nb"), {{"a", ""}, {"b"}}},
        {"unclosed quote runs to the end", QStringLiteral("\"a,\nb"), {{"a,\nb"}}},
        {"empty text", QString(), {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(csvRows(c.text), c.rows) << c.name;
}

TEST_F(AddressImportTest, TabRowsKeepBlankLinesAsAddressesWithoutName)
{
    controller.changeFormat(QVAddressBookImportController::TabDelimited);
    const QVariantList rows = controller.rowsOfText(QStringLiteral("Ann Lee\tAcme\n\nBo Ek\n"));
    ASSERT_EQ(rows.size(), 3);
    const std::optional<QByteArray> data = controller.dataWithAddressArray(rows);
    ASSERT_TRUE(data);
    const QList<QVAddress> addresses = addressesOfData(*data);
    ASSERT_EQ(addresses.size(), 3);
    EXPECT_EQ(addresses[0].name(), "Ann Lee");
    EXPECT_EQ(addresses[0].company(), "Acme");
    EXPECT_EQ(addresses[1].name(), "");
    EXPECT_EQ(addresses[2].name(), "Bo Ek");

    controller.changeFormat(QVAddressBookImportController::CommaSeparated);
    EXPECT_EQ(controller.rowsOfText(QStringLiteral("Ann Lee,Acme\n\nBo Ek\n")).size(), 2);
}

TEST_F(AddressImportTest, CountryColumnDecidesDomestic)
{
    const QStringList base = {"Ann Lee", "Acme", "Apt 2", "1 Main St", "Springfield", "IL", "62704-1234"};
    struct Case {
        const char *name;
        QStringList row;
    };
    const QList<Case> domestic = {
        {"upper case", base + QStringList{"UNITED STATES"}},
        {"dots and no spaces", base + QStringList{"U.S.A."}},
        {"spaces", base + QStringList{"  united   states "}},
        {"empty", base + QStringList{""}},
        {"five columns", base.mid(0, 5)},
    };
    for (const Case &c : domestic) {
        const QList<QVAddress> addresses = convert({c.row});
        ASSERT_EQ(addresses.size(), 1) << c.name;
        const QVAddress &a = addresses.first();
        EXPECT_EQ(a.country(), "United States") << c.name;
        EXPECT_EQ(a.name(), "Ann Lee") << c.name;
        EXPECT_EQ(a.street(), "1 Main St") << c.name;
        EXPECT_EQ(a.city(), "Springfield") << c.name;
        EXPECT_FALSE(a.internationalAddressLines()) << c.name;
    }
    const QVAddress full = convert({base + QStringList{"USA", "555-1212", "a@b.c", "Gift", "R-7", "extra"}}).first();
    EXPECT_EQ(full.ZIP5(), "62704");
    EXPECT_EQ(full.ZIP4(), "1234");
    EXPECT_EQ(full.state(), "IL");
    EXPECT_EQ(full.suiteApt(), "Apt 2");
    EXPECT_EQ(full.phone(), "555-1212");
    EXPECT_EQ(full.email(), "a@b.c");
    EXPECT_EQ(full.associatedDescription(), "Gift");
    EXPECT_EQ(full.associatedReferenceID(), "R-7");
}

TEST_F(AddressImportTest, InternationalRowDropsEmptyPartsAndTakesFirstAsName)
{
    struct Case {
        const char *name;
        QStringList row;
        QString expectedName;
        QStringList lines;
    };
    const QList<Case> cases = {
        {"empty company",
         {"Jo Hart", "", "Flat 3", "2 High St", "Leeds", "", "LS1 4AP", " united kingdom "},
         "Jo Hart",
         {"Flat 3", "2 High St", "Leeds  LS1 4AP"}},
        {"no name: the company",
         {"", "Hart Ltd", "", "2 High St", "Leeds", "W Yorks", "LS1", "UK"},
         "Hart Ltd",
         {"2 High St", "Leeds W Yorks LS1"}},
        {"only a street and no city line", {"", "", "", "2 High St", "", "", "", "Germany"}, "2 High St", {}},
    };
    for (const Case &c : cases) {
        const QList<QVAddress> addresses = convert({c.row});
        ASSERT_EQ(addresses.size(), 1) << c.name;
        EXPECT_EQ(addresses[0].name(), c.expectedName) << c.name;
        EXPECT_EQ(addresses[0].internationalAddressLines().value_or(QStringList{"<none>"}), c.lines) << c.name;
        EXPECT_EQ(addresses[0].country(), c.row.at(7).trimmed().toUpper()) << c.name;
        EXPECT_EQ(addresses[0].company(), "") << c.name;
    }
    const QVAddress withContact =
        convert({{"Jo", "", "", "St", "Paris", "", "75001", "France", "+33 1", "jo@x.fr", "Order 5", "A-1"}}).first();
    EXPECT_EQ(withContact.phone(), "+33 1");
    EXPECT_EQ(withContact.email(), "jo@x.fr");
    EXPECT_EQ(withContact.associatedDescription(), "Order 5");
    EXPECT_EQ(withContact.associatedReferenceID(), "A-1");
    EXPECT_FALSE(convert({{"Jo", "", "", "St", "Paris", "", "75001", "France"}}).first().associatedReferenceID());
}

TEST_F(AddressImportTest, HeaderRowAppendAndUnknownFormat)
{
    controller.changeFormat(QVAddressBookImportController::CommaSeparated);
    controller.changeHeaderRow(0);
    ASSERT_TRUE(controller.headerRow());
    EXPECT_EQ(convert({{"Name", "Company"}, {"Ann"}}).size(), 1);
    EXPECT_TRUE(convert({}).isEmpty());

    controller.changeHeaderRow(1);
    const std::optional<QByteArray> three =
        controller.dataWithAddressArray({QStringList{"A"}, QStringList{"B"}, QStringList{"C"}});
    ASSERT_TRUE(three);
    writeFile(QVAddressBookImportController::filePath(), *three);
    controller.changeOverwrite(0);
    const QList<QVAddress> five = convert({{"D"}, {"E"}});
    ASSERT_EQ(five.size(), 5);
    QStringList names;
    for (const QVAddress &a : five)
        names << a.name();
    EXPECT_EQ(names, (QStringList{"A", "B", "C", "D", "E"}));

    controller.changeOverwrite(1);
    EXPECT_EQ(convert({{"D"}, {"E"}}).size(), 2);

    controller.changeFormat(7);
    QString error;
    EXPECT_FALSE(controller.dataWithAddressArray({QStringList{"A"}}, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(AddressImportTest, AppendingToAnUnreadableListFailsAndLeavesIt)
{
    const QByteArray damaged("bplist00 not really");
    writeFile(QVAddressBookImportController::filePath(), damaged);
    controller.changeOverwrite(0);
    QString error;
    EXPECT_FALSE(controller.dataWithAddressArray({QStringLiteral("Ann")}, &error));
    EXPECT_TRUE(error.contains("importedAddresses.plist")) << error.toStdString();
    EXPECT_FALSE(readImportedAddressList());

    // The whole import stops with an alert and the file stays.
    DialogsScope dialogs;
    const QString source = dir.filePath("list.txt");
    writeFile(source, "Bo\n");
    dialogs->openPaths = {source};
    dialogs->onOpenPanelChoices = [](const OpenPanelWithChoices &, QList<PanelChoice> &choices) {
        choices[1].selected = 1;
    };
    EXPECT_FALSE(controller.import());
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, "Error importing file");
    EXPECT_EQ(readFile(QVAddressBookImportController::filePath()), damaged);
}

TEST(AddressListTextTest, DecodingChain)
{
    struct Case {
        const char *name;
        QByteArray data;
        QString text;
    };
    const QList<Case> cases = {
        {"UTF-8", "Ren\xC3\xA9\tParis", QStringLiteral("Ren\u00e9\tParis")},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBFRen\xC3\xA9", QStringLiteral("Ren\u00e9")},
        {"Windows-1252", "Ren\xE9 \x93Q\x94 \x80", QStringLiteral("Ren\u00e9 \u201cQ\u201d \u20ac")},
        // 0x81 is undefined in Windows-1252: Mac OS Roman's "Å"; 0x8E its "é".
        {"Mac OS Roman", "\x81ke Ren\x8E", QStringLiteral("\u00c5ke Ren\u00e9")},
        {"UTF-16 with a byte-order mark", QByteArray("\xFF\xFEJ\0o\0", 6), QStringLiteral("Jo")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(addressListText(c.data), c.text) << c.name;
}

TEST_F(AddressImportTest, ImportThroughTheOpenPanel)
{
    DialogsScope dialogs;
    // Cancelled: nothing stored.
    EXPECT_FALSE(controller.import());
    ASSERT_EQ(dialogs->openPanels.size(), 1);
    EXPECT_EQ(dialogs->openPanels[0].allowedExtensions, (QStringList{"txt", "text", "csv"}));
    EXPECT_FALSE(QFile::exists(QVAddressBookImportController::filePath()));

    // A ".csv" file selects the comma-separated format in the panel.
    const QString csv = dir.filePath("people.CSV");
    writeFile(csv, "Name,Company\n\"Ren\xE9 Roy\",\"Roy, Inc.\"\n");
    dialogs->openPaths = {csv};
    dialogs->onOpenPanelChoices = [&](const OpenPanelWithChoices &panel, QList<PanelChoice> &choices) {
        EXPECT_EQ(choices[0].selected, 0);
        panel.selectionDidChange(csv, choices);
        EXPECT_EQ(choices[0].selected, 1);
        choices[2].selected = 0; // the first row holds column titles
    };
    ASSERT_TRUE(controller.import());
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    EXPECT_EQ(controller.selectedImportFormat(), QVAddressBookImportController::CommaSeparated);
    EXPECT_TRUE(controller.headerRow());
    QList<QVAddress> stored = storedAddresses();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].name(), QStringLiteral("Ren\u00e9 Roy"));
    EXPECT_EQ(stored[0].company(), "Roy, Inc.");

    // Append a tab-delimited file.
    const QString tab = dir.filePath("more.txt");
    writeFile(tab, "Bo Ek\tEk AB\n");
    dialogs->openPaths = {tab};
    dialogs->onOpenPanelChoices = [](const OpenPanelWithChoices &, QList<PanelChoice> &choices) {
        choices[0].selected = 0;
        choices[1].selected = 1; // add to the list
        choices[2].selected = 1;
    };
    ASSERT_TRUE(controller.import());
    stored = storedAddresses();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[1].company(), "Ek AB");

    // A file that cannot be read: the alert, the list unchanged.
    dialogs->openPaths = {dir.filePath("missing.txt")};
    EXPECT_FALSE(controller.import());
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, "Error importing file");
    EXPECT_EQ(dialogs->alerts[0].informativeText,
              "Your file could not be opened using UTF-8, MacRoman or WinLatin1 string encodings.");
    EXPECT_EQ(storedAddresses().size(), 2);
}

} // namespace
