// The mailing-log window and the batch-tracking window on the offscreen
// platform: the table reads the controller (rows, texts, status images),
// the count line, the preview pane, the row menu's status items and the
// enabling of the buttons, the toolbar with its customise dialog and the
// log-entry windows; screenshots of the windows and the dialog are written
// for a look (TOLVANE_TEST_OUTPUT_DIR keeps them).
#include "MailingLogWindowTestSupport.h"

#include "mailinglog/window/QVBatchTrackWindow.h"
#include "mailinglog/LogEntryTexts.h"
#include "mailinglog/window/QVMailingLogExportWindow.h"
#include "mailinglog/window/QVMailingLogToolbar.h"
#include "mailinglog/window/QVMailingLogToolbarCustomizeDialog.h"
#include "mailinglog/window/QVMailingLogWindow.h"
#include "widgets/QVFocusNotifyingTextField.h"
#include "widgets/QVReturnActionTableView.h"

#include "ViewTestSupport.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QToolBar>

#include <cstdlib>

using namespace tolvane::test;

namespace {

using LogWindowViewTest = LogWindowTest;

void fillLog(QVMailingLog &log)
{
    const QDateTime day(QDate(2026, 5, 4), QTime(9, 30));
    const QStringList names = {QStringLiteral("Ada Lovelace"), QStringLiteral("Grace Hopper"),
                               QStringLiteral("Alan Turing"), QStringLiteral("Edsger Dijkstra")};
    const QStringList statuses = {QVShipmentDeliveredStatus, QVShipmentUndeliveredStatus,
                                  QVShipmentDeliveryExceptionStatus, QString()};
    for (int i = 0; i < names.size(); ++i) {
        QVariantMap entry = piece(QStringLiteral("INV-%1").arg(100 + i), day.addDays(i),
                                  QStringLiteral("42062701940551189922319742%1").arg(80 + i));
        entry.insert(QVShipmentToAddressKey, recipient(names.at(i)));
        entry.insert(QVShipmentPriceKey, QStringLiteral("%1.45").arg(7 + i));
        entry.insert(QVShipmentDescriptionKey, QStringLiteral("Order %1").arg(i + 1));
        if (!statuses.at(i).isEmpty())
            entry.insert(QVShipmentDeliveryStatusKey, statuses.at(i));
        ASSERT_TRUE(log.writeShipmentToLog(QVShipment(entry)));
    }
    QVariantMap voided = piece(QStringLiteral("INV-200"), day.addDays(5), QStringLiteral("9405511899223197428099"));
    voided.insert(QVShipmentVoidKey, true);
    voided.insert(QVShipmentPriceKey, QStringLiteral("4.10"));
    ASSERT_TRUE(log.writeShipmentToLog(QVShipment(voided)));
    QVariantMap purchase{{QVShipmentPrintDateKey, day.addDays(6)},
                         {QVUSPSShipmentPostageEnabledKey, true},
                         {QVUSPSShipmentRHOTransactionTypeKey, QStringLiteral("Purchase")},
                         {QVShipmentPriceKey, QStringLiteral("100.00")}};
    ASSERT_TRUE(log.writeShipmentToLog(QVShipment(purchase)));
}

TEST_F(LogWindowViewTest, TheWindowShowsTheLogNewestFirstWithItsStatusImages)
{
    fillLog(*m_log);
    QVMailingLogController controller(m_log.get());
    QVMailingLogWindow window(controller);
    window.show();
    QApplication::processEvents();

    QVReturnActionTableView *table = window.tableView();
    ASSERT_EQ(table->model()->rowCount(), 6);
    EXPECT_EQ(table->model()->columnCount(), 22);
    EXPECT_EQ(window.countLine()->text(), QStringLiteral("6 items."));
    // Row 0 is the newest entry, the purchase, selected at first.
    EXPECT_EQ(table->selectedRow(), 0);
    const int classColumn = int(QVMailingLogController::columnIdentifiers().indexOf(QVUSPSShipmentRateClassKey));
    EXPECT_EQ(table->model()->index(0, classColumn).data().toString(), QStringLiteral("Purchase"));
    const int statusColumn = int(QVMailingLogController::columnIdentifiers().indexOf(QVShipmentDeliveryStatusKey));
    EXPECT_EQ(table->model()->index(0, statusColumn).data(Qt::ToolTipRole).toString(), QStringLiteral("purchase"));
    EXPECT_EQ(table->model()->index(1, statusColumn).data(Qt::ToolTipRole).toString(), QStringLiteral("voided"));
    EXPECT_FALSE(table->model()->index(1, statusColumn).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_TRUE(table->model()->index(2, statusColumn).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(window.button(QVMailingLogController::Action::DuplicateShipment)->isEnabled());
    // Amounts show at least two decimals.
    const int totalColumn = int(QVMailingLogController::columnIdentifiers().indexOf(QVShipmentPriceKey));
    EXPECT_EQ(table->model()->index(0, totalColumn).data().toString(), QStringLiteral("100.00"));
    EXPECT_EQ(table->model()->index(1, totalColumn).data().toString(), QStringLiteral("4.10"));
    EXPECT_EQ(table->model()->index(2, totalColumn).data().toString(), QStringLiteral("10.45"));

    // Selecting a piece by hand fills the preview and checks its status.
    table->selectRow(3);
    QApplication::processEvents();
    EXPECT_EQ(controller.selectedRow(), std::optional<qsizetype>(3));
    EXPECT_TRUE(window.previewPane()->toPlainText().contains(QStringLiteral("Alan Turing")))
        << qPrintable(window.previewPane()->toPlainText());
    EXPECT_TRUE(window.button(QVMailingLogController::Action::DuplicateShipment)->isEnabled());
    QList<int> checked;
    for (QAction *item : window.statusMenu()->actions())
        if (item->isChecked())
            checked << item->data().toInt();
    EXPECT_EQ(checked, QList<int>{QVMailingLogController::DeliveryExceptionTag});

    // A header click sorts and keeps the entry selected.
    window.tableView()->horizontalHeader()->sectionClicked(
        int(QVMailingLogController::columnIdentifiers().indexOf(QVShipmentInvoiceNumberKey)));
    QApplication::processEvents();
    const std::shared_ptr<QVShipment> kept = controller.shipmentAtCurrentlySelectedRow();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->objectForKey(QVShipmentInvoiceNumberKey).toString(), QStringLiteral("INV-102"));
    EXPECT_EQ(table->selectedRow(), int(*controller.selectedRow()));

    const QString shot = outputPath(QStringLiteral("mailing-log-window.png"));
    ASSERT_TRUE(window.grab().save(shot));

    // Typing in the search field filters.
    window.searchField()->setText(QStringLiteral("Hopper"));
    QApplication::processEvents();
    EXPECT_EQ(table->model()->rowCount(), 1);
    EXPECT_EQ(window.countLine()->text(), QStringLiteral("1 item."));
}

TEST_F(LogWindowViewTest, TheToolbarFollowsItsSavedOrderAndItsCustomisation)
{
    fillLog(*m_log);
    QVMailingLogController controller(m_log.get());
    QVMailingLogWindow window(controller);
    window.show();
    QApplication::processEvents();

    // The default items with the Part's labels and tool tips; the row of
    // the newest entry (a purchase) can be printed but not reprinted.
    ASSERT_TRUE(window.toolbar());
    for (const QString &identifier : QVMailingLogToolbar::defaultItemIdentifiers()) {
        const bool platformSpace =
            identifier == QVToolbarSeparatorItemIdentifier || identifier == QVToolbarFlexibleSpaceItemIdentifier;
        EXPECT_EQ(bool(window.toolbarAction(identifier)), !platformSpace) << qPrintable(identifier);
    }
    QAction *print = window.toolbarAction(QVToolbarPrintItemIdentifier);
    ASSERT_TRUE(print);
    EXPECT_EQ(print->text(), QStringLiteral("Print Record"));
    EXPECT_EQ(print->toolTip(), QStringLiteral("Print Mailing Record"));
    EXPECT_EQ(print->isEnabled(), controller.validateAction(QVMailingLogController::Action::PrintMailingRecord));
    EXPECT_EQ(window.toolbarAction(QVReprintItemIdentifier)->isEnabled(),
              controller.validateAction(QVMailingLogController::Action::Reprint));
    EXPECT_FALSE(window.toolbarAction(QVDuplicateItemIdentifier));
    EXPECT_TRUE(controller.hasActiveSearchItem());

    // Customise: Duplicate shown and moved to the front, the search item
    // hidden while a filter is on.
    window.searchField()->setText(QStringLiteral("Hopper"));
    QApplication::processEvents();
    EXPECT_EQ(window.tableView()->model()->rowCount(), 1);
    QVMailingLogToolbarCustomizeDialog dialog(QVMailingLogToolbar::itemIdentifiers(), &window);
    dialog.show();
    QApplication::processEvents();
    const auto rowOf = [&dialog](const QString &identifier) {
        const auto &rows = dialog.customization().rows();
        for (int row = 0; row < rows.size(); ++row)
            if (rows.at(row).identifier == identifier)
                return row;
        return -1;
    };
    dialog.list()->item(rowOf(QVSearchLogItemIdentifier))->setCheckState(Qt::Unchecked);
    dialog.list()->item(rowOf(QVDuplicateItemIdentifier))->setCheckState(Qt::Checked);
    dialog.list()->setCurrentRow(rowOf(QVDuplicateItemIdentifier));
    while (dialog.list()->currentRow() > 0)
        dialog.moveSelection(-1);
    const QString dialogShot = outputPath(QStringLiteral("mailing-log-customize-toolbar.png"));
    ASSERT_TRUE(dialog.grab().save(dialogShot));
    const QStringList chosen = dialog.itemIdentifiers();
    ASSERT_FALSE(chosen.isEmpty());
    EXPECT_EQ(chosen.first(), QVDuplicateItemIdentifier);
    EXPECT_FALSE(chosen.contains(QVSearchLogItemIdentifier));
    window.applyToolbarItems(chosen);
    QApplication::processEvents();

    // Saved, shown, and the whole log is back.
    EXPECT_EQ(QVMailingLogToolbar::itemIdentifiers(), chosen);
    EXPECT_FALSE(window.searchField());
    EXPECT_FALSE(controller.hasActiveSearchItem());
    EXPECT_EQ(window.tableView()->model()->rowCount(), 6);
    EXPECT_TRUE(window.toolbarAction(QVDuplicateItemIdentifier));
    EXPECT_EQ(window.toolbar()->actions().first()->objectName(), QVDuplicateItemIdentifier);

    // Restore Defaults brings the search field back, empty.
    dialog.restoreDefaults();
    window.applyToolbarItems(dialog.itemIdentifiers());
    ASSERT_TRUE(window.searchField());
    EXPECT_TRUE(window.searchField()->text().isEmpty());
    EXPECT_TRUE(controller.hasActiveSearchItem());
    const QString shot = outputPath(QStringLiteral("mailing-log-window-toolbar.png"));
    ASSERT_TRUE(window.grab().save(shot));
}

TEST_F(LogWindowViewTest, DetailsOpenOneLogEntryWindowPerEntry)
{
    fillLog(*m_log);
    QVMailingLogController controller(m_log.get());
    QVMailingLogWindow window(controller);
    window.show();
    window.tableView()->selectRow(3);
    QApplication::processEvents();
    window.performAction(QVMailingLogController::Action::Details);
    QWidget *details = window.detailsWindow(1);
    ASSERT_TRUE(details);
    EXPECT_TRUE(details->isVisible());
    auto *text = details->findChild<QPlainTextEdit *>(QStringLiteral("textField"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->toPlainText(), logEntryText(*controller.shipmentAtCurrentlySelectedRow()));
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("Alan Turing")));

    // The same entry again: the same window; after it closes, a new one.
    window.performAction(QVMailingLogController::Action::Details);
    EXPECT_FALSE(window.detailsWindow(2));
    details->close();
    QApplication::processEvents();
    EXPECT_FALSE(window.detailsWindow(1));
    window.performAction(QVMailingLogController::Action::Details);
    EXPECT_TRUE(window.detailsWindow(2));
}

TEST_F(LogWindowViewTest, TheExportSheetShowsOverTheWindow)
{
    fillLog(*m_log);
    QVMailingLogController controller(m_log.get());
    QVMailingLogWindow window(controller);
    window.resize(900, 600);
    window.move(300, 200);
    window.show();
    QApplication::processEvents();
    QPushButton *exportButton = nullptr;
    for (QPushButton *button : window.findChildren<QPushButton *>())
        if (button->text() == QStringLiteral("Export…"))
            exportButton = button;
    ASSERT_TRUE(exportButton);
    exportButton->click();
    QApplication::processEvents();
    QWidget *sheet = nullptr;
    for (QWidget *child : window.findChildren<QWidget *>())
        if (dynamic_cast<QVMailingLogExportWindow *>(child))
            sheet = child;
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isWindow());
    EXPECT_TRUE(sheet->isVisible());
    const QRect over = window.geometry();
    const QRect shown = sheet->frameGeometry();
    // Across the window's middle (give or take its frame), at the top of
    // its contents.
    EXPECT_LE(std::abs(shown.center().x() - over.center().x()), 4) << shown.x() << " " << over.x();
    EXPECT_EQ(shown.top(), over.top());
    EXPECT_TRUE(over.contains(shown.topLeft()));
    sheet->close();
}

TEST_F(LogWindowViewTest, TheBatchTrackingWindowFollowsItsController)
{
    fillLog(*m_log);
    QVBatchTrackController controller(m_log.get());
    QVBatchTrackWindow window(controller);
    window.show();
    QApplication::processEvents();
    EXPECT_TRUE(window.lastThirtyDays()->isChecked());
    EXPECT_EQ(window.trackButton()->text(), QStringLiteral("Track"));
    EXPECT_FALSE(window.endField()->text().isEmpty());

    // Entering a date field chooses the custom range.
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(window.beginField(), &in);
    EXPECT_EQ(controller.rangeChoice(), QVBatchTrackController::DateRange);
    EXPECT_TRUE(window.dateRange()->isChecked());
    const QString shot = outputPath(QStringLiteral("batch-track-window.png"));
    ASSERT_TRUE(window.grab().save(shot));
}

} // namespace
