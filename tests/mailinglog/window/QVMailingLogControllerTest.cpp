// QVMailingLogController: the log window's table, count line, saved column
// layout, selection kept across log changes and sorting, cell texts and
// images, action enabling, details, duplicate, archive and restore.
#include "MailingLogWindowTestSupport.h"

#include "platform/PropertyList.h"

#include <QFile>

using namespace tolvane::test;

namespace {

using LogControllerTest = LogWindowTest;

const QDateTime kMarch = QDateTime(QDate(2026, 3, 2), QTime(10, 0));

TEST_F(LogControllerTest, TheCountLineUsesThePluralFromTwoEntriesOn)
{
    const QList<QPair<int, QString>> cases = {{0, QStringLiteral("0 item.")},
                                              {1, QStringLiteral("1 item.")},
                                              {2, QStringLiteral("2 items.")},
                                              {3, QStringLiteral("3 items.")}};
    for (const auto &[count, expected] : cases) {
        m_log->setLogArray({});
        m_log->filterWithString(QString());
        for (int i = 0; i < count; ++i)
            add(piece(QStringLiteral("P%1").arg(i), kMarch.addDays(i)));
        QVMailingLogController controller(m_log.get());
        controller.windowDidLoad();
        EXPECT_EQ(controller.logCountText(), expected) << count;
        EXPECT_EQ(controller.numberOfRows(), count);
    }
}

TEST_F(LogControllerTest, ASavedColumnLayoutIsKeptOnlyWithTwentyTwoColumns)
{
    EXPECT_EQ(QVMailingLogController::columnIdentifiers().size(), 22);
    for (const int saved : {21, 22, 23}) {
        QVariantList layout;
        for (int i = 0; i < saved; ++i)
            layout << QVariantMap{{QStringLiteral("Identifier"), QStringLiteral("column%1").arg(i)}};
        UserDefaults::standardUserDefaults().setObject(layout, QVMailingLogTableColumnsDefaultsKey);
        QVMailingLogController controller(m_log.get());
        controller.windowDidLoad();
        const QVariant after = UserDefaults::standardUserDefaults().objectForKey(QVMailingLogTableColumnsDefaultsKey);
        EXPECT_EQ(after.isValid() && !after.isNull(), saved == 22) << saved;
    }
}

TEST_F(LogControllerTest, TheNewestEntryIsTheTopRowAndIsSelectedAtFirst)
{
    add(piece(QStringLiteral("A"), kMarch));
    add(piece(QStringLiteral("B"), kMarch.addDays(1)));
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    EXPECT_EQ(controller.selectedRow(), std::optional<qsizetype>(0));
    EXPECT_EQ(selected(controller), QStringLiteral("B"));
    EXPECT_EQ(controller.mailingLogIndexForCurrentlySelectedRow(), 1);
    EXPECT_TRUE(controller.previewText().contains(QStringLiteral("B"))) << qPrintable(controller.previewText());
    controller.selectRow(std::nullopt);
    EXPECT_EQ(controller.mailingLogIndexForCurrentlySelectedRow(), 2);
    EXPECT_FALSE(controller.shipmentAtCurrentlySelectedRow());
    EXPECT_TRUE(controller.previewText().isEmpty());
}

TEST_F(LogControllerTest, TheSelectionFollowsTheIndexUntilTheUserSelectsThenTheEntry)
{
    struct Case {
        bool selectByHand;
        QString selectedAfterAppend;
        QString selectedAfterPrepend;
    };
    // Rows before: C (row 0), B, A. Appending D keeps display index 2 (C)
    // in both cases; prepending Z moves the entries up one display index.
    const QList<Case> cases = {{false, QStringLiteral("C"), QStringLiteral("B")},
                               {true, QStringLiteral("C"), QStringLiteral("C")}};
    for (const Case &c : cases) {
        m_log->setLogArray({});
        m_log->filterWithString(QString());
        add(piece(QStringLiteral("A"), kMarch));
        add(piece(QStringLiteral("B"), kMarch.addDays(1)));
        add(piece(QStringLiteral("C"), kMarch.addDays(2)));
        QVMailingLogController controller(m_log.get());
        controller.windowDidLoad();
        if (c.selectByHand)
            controller.selectRow(0);
        add(piece(QStringLiteral("D"), kMarch.addDays(3)));
        EXPECT_EQ(selected(controller), c.selectedAfterAppend) << c.selectByHand;
        EXPECT_EQ(controller.selectedRow(), std::optional<qsizetype>(1));
        const std::optional<QByteArray> archive =
            writeBinaryPropertyList(QVariantList{piece(QStringLiteral("Z"), kMarch.addDays(-5))});
        ASSERT_TRUE(archive);
        ASSERT_TRUE(m_log->restoreFromData(*archive, true));
        EXPECT_EQ(selected(controller), c.selectedAfterPrepend) << c.selectByHand;
    }
}

TEST_F(LogControllerTest, SortingKeepsTheSelectedEntryAlsoAtDisplayIndexZero)
{
    const QStringList names = {QStringLiteral("M"), QStringLiteral("A"), QStringLiteral("X")};
    bool landedInLastRow = false;
    for (const QString &name : names) {
        m_log->setLogArray({});
        m_log->sortUsingShipmentKey(QString(), true);
        m_log->filterWithString(QString());
        for (int i = 0; i < names.size(); ++i)
            add(piece(names.at(i), kMarch.addDays(i)));
        QVMailingLogController controller(m_log.get());
        controller.windowDidLoad();
        for (qsizetype row = 0; row < controller.numberOfRows(); ++row)
            if (controller.shipmentAtRow(row)->objectForKey(QVShipmentInvoiceNumberKey).toString() == name)
                controller.selectRow(row);
        ASSERT_EQ(selected(controller), name);
        for (int click = 0; click < 2; ++click) {
            controller.sortByColumn(QVShipmentInvoiceNumberKey);
            EXPECT_EQ(selected(controller), name) << click;
            landedInLastRow |= controller.selectedRow() == controller.numberOfRows() - 1;
        }
    }
    EXPECT_TRUE(landedInLastRow);
}

TEST_F(LogControllerTest, WeightTexts)
{
    struct Case {
        QString rateClass;
        QString size;
        QString unit;
        QVariant number;
        QString expected;
    };
    const QList<Case> cases = {
        {QStringLiteral("QVUSPSFirstClassMail"), QStringLiteral("QVUSPSLetterSize"), QStringLiteral("oz"),
         QStringLiteral("4"), QStringLiteral("3.5 oz")},
        {QStringLiteral("QVUSPSPriorityMail"), QStringLiteral("QVUSPSParcelSize"), QStringLiteral("oz"),
         QStringLiteral("32"), QStringLiteral("2 lb")},
        {QStringLiteral("QVUSPSPriorityMail"), QStringLiteral("QVUSPSParcelSize"), QStringLiteral("lb"),
         QStringLiteral("3"), QStringLiteral("3 lb")},
        {QStringLiteral("QVUSPSPriorityMail"), QStringLiteral("QVUSPSParcelSize"), QStringLiteral("oz"),
         QStringLiteral("20"), QStringLiteral("20 oz")},
        {QStringLiteral("QVUSPSPriorityMail"), QStringLiteral("QVUSPSParcelSize"), QStringLiteral("oz"), QVariant(),
         QString()},
    };
    for (const Case &c : cases) {
        QVariantMap entry = piece(QStringLiteral("W"), kMarch);
        entry.insert(QVUSPSShipmentRateClassKey, c.rateClass);
        entry.insert(QVUSPSShipmentSizeKey, c.size);
        entry.insert(QVShipmentWeightUnitKey, c.unit);
        if (c.number.isValid())
            entry.insert(QVShipmentWeightNumberKey, c.number);
        else
            entry.remove(QVShipmentWeightNumberKey);
        EXPECT_EQ(QVMailingLogController::weightText(QVShipment(entry)), c.expected) << qPrintable(c.expected);
    }
}

TEST_F(LogControllerTest, StatusImagesAndTheTrackingColumn)
{
    struct Case {
        QVariantMap extra;
        QString image;
    };
    const QList<Case> cases = {
        {{}, QStringLiteral("empty")},
        {{{QVShipmentDeliveryStatusKey, QVShipmentDeliveredStatus}}, QStringLiteral("delivered")},
        {{{QVShipmentDeliveryStatusKey, QVShipmentUndeliveredStatus}}, QStringLiteral("undelivered")},
        {{{QVShipmentDeliveryStatusKey, QVShipmentDeliveryExceptionStatus}}, QStringLiteral("deliveryexception")},
        {{{QVShipmentDeliveryStatusKey, QVShipmentDeliveredStatus}, {QVShipmentVoidKey, true}},
         QStringLiteral("voided")},
        {{{QVUSPSShipmentRHOTransactionTypeKey, QStringLiteral("Correction")}, {QVShipmentVoidKey, true}},
         QStringLiteral("purchase")},
    };
    for (const Case &c : cases) {
        QVariantMap entry = piece(QStringLiteral("S"), kMarch, QStringLiteral("4206270194055118992231974280"));
        entry.insert(c.extra);
        EXPECT_EQ(QVMailingLogController::statusImageName(QVShipment(entry)), c.image);
    }
    // The log form of the PIC loses its routing prefix; a void piece shows
    // no number.
    QVariantMap entry = piece(QStringLiteral("S"), kMarch, QStringLiteral("4206270194055118992231974280"));
    EXPECT_EQ(QVMailingLogController::objectValueForShipment(QVShipment(entry), QVUSPSShipmentPICKey).toString(),
              QStringLiteral("94055118992231974280"));
    entry.insert(QVShipmentVoidKey, true);
    EXPECT_EQ(QVMailingLogController::objectValueForShipment(QVShipment(entry), QVUSPSShipmentPICKey).toString(),
              QString());
}

TEST_F(LogControllerTest, APurchaseEntryShowsNoAddressAndOffersNoPieceActions)
{
    QVariantMap purchase = piece(QStringLiteral("Buy"), kMarch);
    purchase.insert(QVUSPSShipmentPostageEnabledKey, true);
    purchase.insert(QVUSPSShipmentRHOTransactionTypeKey, QStringLiteral("Purchase"));
    add(purchase);
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    EXPECT_EQ(controller.objectValue(QVShipmentToAddressKey, 0).toString(), QString());
    EXPECT_EQ(controller.objectValue(QVUSPSShipmentRateClassKey, 0).toString(), QStringLiteral("Purchase"));
    EXPECT_EQ(controller.objectValue(QVShipmentDeliveryStatusKey, 0).toString(), QStringLiteral("purchase"));
    using Action = QVMailingLogController::Action;
    for (const Action off : {Action::DateCorrect, Action::PostageCorrect, Action::ChangeShipmentStatus,
                             Action::DuplicateShipment, Action::EmailNotification})
        EXPECT_FALSE(controller.validateAction(off)) << int(off);
    EXPECT_TRUE(controller.validateAction(Action::Details));

    // The same piece as a stamp print offers them.
    QVariantMap stamp = piece(QStringLiteral("Stamp"), kMarch.addDays(1));
    stamp.insert(QVUSPSShipmentPostageEnabledKey, true);
    stamp.insert(QVUSPSShipmentRHOTransactionTypeKey, QStringLiteral("Stamp"));
    add(stamp);
    controller.selectRow(0);
    ASSERT_EQ(selected(controller), QStringLiteral("Stamp"));
    for (const Action on : {Action::DateCorrect, Action::PostageCorrect, Action::ChangeShipmentStatus,
                            Action::DuplicateShipment, Action::EmailNotification})
        EXPECT_TRUE(controller.validateAction(on)) << int(on);
    EXPECT_TRUE(controller.objectValue(QVShipmentToAddressKey, 0).toString().contains(QStringLiteral("Stamp")));
}

TEST_F(LogControllerTest, AnEmptyLogOffersNoEntryAction)
{
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    EXPECT_EQ(controller.numberOfRows(), 0);
    EXPECT_FALSE(controller.selectedRow());
    using Action = QVMailingLogController::Action;
    for (const Action action :
         {Action::Details, Action::CheckStatus, Action::DateCorrect, Action::PostageCorrect, Action::PrintMailingRecord,
          Action::ElectronicRefund, Action::ChangeShipmentStatus, Action::DuplicateShipment, Action::EmailNotification})
        EXPECT_FALSE(controller.validateAction(action)) << int(action);
    EXPECT_FALSE(controller.details());
}

TEST_F(LogControllerTest, TheStatusMenusShowTheSelectedEntrysStatus)
{
    add(piece(QStringLiteral("A"), kMarch));
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    EXPECT_FALSE(controller.statusMenuTag());
    const QList<QPair<int, std::optional<int>>> cases = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {7, std::nullopt}};
    // Each tag sets the status (0-2, clearing void) or the void flag (3);
    // any other tag clears the void flag and keeps the status.
    for (const auto &[tag, shown] : cases) {
        controller.changeShipmentStatus(tag);
        const std::optional<int> expected = tag == 7 ? std::optional<int>(2) : shown;
        EXPECT_EQ(controller.statusMenuTag(), expected) << tag;
        EXPECT_EQ(hosts.host->statusMenuTag, expected) << tag;
    }
}

TEST_F(LogControllerTest, DetailsWindowsAreOnePerEntryAndNewAfterClosing)
{
    add(piece(QStringLiteral("A"), kMarch));
    add(piece(QStringLiteral("B"), kMarch.addDays(1)));
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    const std::optional<int> first = controller.details();
    ASSERT_TRUE(first);
    EXPECT_EQ(controller.details(), first);
    EXPECT_EQ(controller.detailsShipment(*first)->objectForKey(QVShipmentInvoiceNumberKey).toString(),
              QStringLiteral("B"));
    controller.selectRow(1);
    const std::optional<int> other = controller.details();
    ASSERT_TRUE(other);
    EXPECT_NE(*other, *first);
    controller.selectRow(0);
    controller.detailsWindowClosed(*first);
    const std::optional<int> again = controller.details();
    ASSERT_TRUE(again);
    EXPECT_NE(*again, *first);
}

TEST_F(LogControllerTest, DuplicateStartsANewPackageToTheRecipientInTheMainWindow)
{
    add(piece(QStringLiteral("Ann"), kMarch));
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    controller.duplicateShipment();
    const QVAddress to = QVShipment(piece(QStringLiteral("Ann"), kMarch)).toAddress();
    EXPECT_EQ(
        hosts.mainWindow->calls,
        QStringList({QStringLiteral("newPackage:%1|ann@example.com|217-555-0100|focus").arg(to.formattedAddress()),
                     QStringLiteral("showMasterWindow")}));
    // Without a main window nothing happens.
    setMainWindowHostProvider({});
    controller.duplicateShipment();
    EXPECT_EQ(hosts.mainWindow->calls.size(), 2);
}

TEST_F(LogControllerTest, TheArchiveProposesAnEndTwoMonthsBackOrTodayWhenThatIsBeforeTheOldest)
{
    add(piece(QStringLiteral("A"), kMarch));
    const QList<QPair<QDateTime, QDate>> cases = {
        {kMarch.addMonths(5), kMarch.addMonths(3).date()},
        {kMarch.addMonths(1), kMarch.addMonths(1).date()},
        {kMarch.addMonths(2), kMarch.date()},
    };
    QVMailingLogController controller(m_log.get());
    for (const auto &[now, end] : cases) {
        controller.prepareArchive(now);
        EXPECT_EQ(controller.archiveBeginDate().date(), kMarch.date());
        EXPECT_EQ(controller.archiveEndDate().date(), end) << qPrintable(now.toString());
    }
}

TEST_F(LogControllerTest, ArchiveWritesTheFileThenRemovesTheEntriesAndAFailedWriteKeepsEveryEntry)
{
    add(piece(QStringLiteral("Old"), kMarch));
    add(piece(QStringLiteral("New"), kMarch.addMonths(4)));
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    controller.setArchiveDates(kMarch.addDays(-1), kMarch.addDays(1));

    m_dialogs->savePaths = {path(QStringLiteral("missing/folder/archive.plist"))};
    EXPECT_FALSE(controller.archive());
    EXPECT_EQ(m_log->itemsInLog(), 2);
    ASSERT_EQ(m_dialogs->alerts.size(), 1);
    EXPECT_EQ(m_dialogs->savePanels.last().title, QStringLiteral("Archive Mailing Log"));
    EXPECT_EQ(m_dialogs->savePanels.last().allowedExtensions, QStringList{QStringLiteral("plist")});
    EXPECT_FALSE(hosts.host->progressShown);

    // Cancel: nothing.
    EXPECT_FALSE(controller.archive());
    EXPECT_EQ(m_log->itemsInLog(), 2);

    m_dialogs->savePaths = {path(QStringLiteral("archive.plist"))};
    EXPECT_TRUE(controller.archive());
    ASSERT_EQ(m_log->itemsInLog(), 1);
    EXPECT_EQ(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentInvoiceNumberKey).toString(), QStringLiteral("New"));
    const std::optional<QVariant> archived = readPropertyListFile(path(QStringLiteral("archive.plist")));
    ASSERT_TRUE(archived);
    ASSERT_EQ(archived->toList().size(), 1);
    EXPECT_EQ(archived->toList().first().toMap().value(QVShipmentInvoiceNumberKey).toString(), QStringLiteral("Old"));
    EXPECT_TRUE(hosts.host->progressTexts.contains(QStringLiteral("Archiving Mailing Log") + QChar(0x2026)));
    EXPECT_EQ(controller.logCountText(), QStringLiteral("1 item."));
}

TEST_F(LogControllerTest, RestoreAddsOrReplacesAndRefusesAFileThatIsNoArchive)
{
    add(piece(QStringLiteral("Now"), kMarch.addMonths(4)));
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();

    QFile text(path(QStringLiteral("export.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Date\tName\n2026-03-02\tOld\n");
    text.close();
    m_dialogs->openPaths = {text.fileName()};
    EXPECT_FALSE(controller.restoreLog());
    ASSERT_EQ(m_dialogs->alerts.size(), 1);
    EXPECT_EQ(m_dialogs->alerts.last().messageText, QStringLiteral("Restore Failed."));
    EXPECT_EQ(m_log->itemsInLog(), 1);

    ASSERT_TRUE(writePropertyListFile(path(QStringLiteral("old.plist")),
                                      QVariantList{piece(QStringLiteral("Old"), kMarch)}, PropertyListFormat::Binary));
    struct Case {
        int choice;
        QStringList expected;
    };
    const QList<Case> cases = {{0, {QStringLiteral("Old"), QStringLiteral("Now")}}, {1, {QStringLiteral("Old")}}};
    for (const Case &c : cases) {
        m_log->setLogArray({QVShipment(piece(QStringLiteral("Now"), kMarch.addMonths(4))).plist()});
        m_dialogs->openPaths = {path(QStringLiteral("old.plist"))};
        m_dialogs->onOpenPanelChoices = [&c](const OpenPanelWithChoices &, QList<PanelChoice> &choices) {
            ASSERT_EQ(choices.size(), 1);
            choices.first().selected = c.choice;
        };
        EXPECT_TRUE(controller.restoreLog());
        QStringList names;
        for (const QVariantMap &entry : m_log->entries())
            names << entry.value(QVShipmentInvoiceNumberKey).toString();
        EXPECT_EQ(names, c.expected) << c.choice;
    }
}

TEST_F(LogControllerTest, TheLabelArchiveFileIsNamedByTheNumberAndNeverLeavesTheFolder)
{
    struct Case {
        QVariantMap numbers;
        QString name; // empty: no file
    };
    const QList<Case> cases = {
        {{{QVUSPSShipmentPICKey, QStringLiteral("9405511899223197428036")}}, QStringLiteral("9405511899223197428036")},
        {{{QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("LC123456789US")}}, QStringLiteral("LC123456789US")},
        {{{QVUSPSShipmentConfirmKey, QStringLiteral("QV0001")}}, QStringLiteral("QV0001")},
        {{{QVUSPSShipmentPICKey, QStringLiteral("../escape")}}, QString()},
        {{{QVUSPSShipmentPICKey, QStringLiteral(".hidden")}}, QString()},
        {{{QVUSPSShipmentPICKey, QStringLiteral("a/b")}}, QString()},
        {{{QVUSPSShipmentPICKey, QStringLiteral("a") + QChar(0) + QStringLiteral("b")}}, QString()},
        {{}, QString()},
    };
    for (const Case &c : cases) {
        QVariantMap entry = piece(QStringLiteral("L"), kMarch);
        entry.insert(c.numbers);
        const std::optional<QString> file = QVMailingLogController::fileURLforPersistentShipment(QVShipment(entry));
        if (c.name.isEmpty()) {
            EXPECT_FALSE(file) << qPrintable(c.numbers.values().value(0).toString());
            EXPECT_FALSE(QVMailingLogController::dictionaryForPersistentShipment(QVShipment(entry)));
        } else {
            ASSERT_TRUE(file);
            EXPECT_EQ(*file, QDir(hosts.host->labelFolder).filePath(c.name));
        }
    }
    // The file's dictionary is read back.
    QVariantMap entry = piece(QStringLiteral("L"), kMarch, QStringLiteral("9405511899223197428036"));
    ASSERT_TRUE(writePropertyListFile(QDir(hosts.host->labelFolder).filePath(QStringLiteral("9405511899223197428036")),
                                      QVariantMap{{QStringLiteral("labelType"), QStringLiteral("4x6")}},
                                      PropertyListFormat::Xml));
    const std::optional<QVariantMap> read = QVMailingLogController::dictionaryForPersistentShipment(QVShipment(entry));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->value(QStringLiteral("labelType")).toString(), QStringLiteral("4x6"));
}

TEST_F(LogControllerTest, FilterAndFindSelectMatchingEntries)
{
    add(piece(QStringLiteral("Ann"), kMarch));
    add(piece(QStringLiteral("Bob"), kMarch.addDays(1)));
    add(piece(QStringLiteral("Cy"), kMarch.addDays(2)));
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    EXPECT_FALSE(controller.findName(QString()));
    EXPECT_TRUE(controller.findName(QStringLiteral("Ann")));
    EXPECT_EQ(selected(controller), QStringLiteral("Ann"));
    EXPECT_TRUE(controller.selectionChangedManually() == false);
    EXPECT_FALSE(controller.findName(QStringLiteral("Nobody")));
    controller.filter(QStringLiteral("Bob"));
    EXPECT_TRUE(controller.selectionChangedManually());
    EXPECT_EQ(controller.numberOfRows(), 1);
    EXPECT_EQ(controller.logCountText(), QStringLiteral("1 item."));
}

} // namespace
