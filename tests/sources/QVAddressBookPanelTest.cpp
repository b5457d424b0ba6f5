// QVAddressBookPanel offscreen over a fixture folder: the chooser, columns
// and rows the controller gives, a table selection reaching the controller,
// the delete key on the book source beeping (the list unchanged), and the
// panel rendered to a picture (TOLVANE_DRAWER_PNG names where to keep it).
#include "sources/QVAddressBookPanel.h"

#include "platform/UserDefaults.h"
#include "platform/VCardFolder.h"
#include "sources/QVAddressBookController.h"
#include "sources/QVAddressBookImportController.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(AddressBookPanel, ShowsTheControllerAndPassesKeysAndSelections)
{
    UserDefaults::resetStandardUserDefaults();
    QTemporaryDir folder;
    UserDefaults::standardUserDefaults().setString(folder.path(), VCardFolderDefaultsKey);
    QFile::remove(QVAddressBookImportController::filePath());
    QFile file(QDir(folder.path()).filePath("cards.vcf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nCATEGORIES:Clients\r\n"
        "ADR;TYPE=HOME:;;1 Elm St;Springfield;IL;62704;\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ek;Bo;;;\r\nADR;TYPE=WORK:;;2 Pine Rd;Salem;OR;97301;\r\nEND:VCARD\r\n");
    file.close();

    QVAddressBookController controller;
    controller.awakeFromNib();
    int beeps = 0;
    {
        QVAddressBookPanel panel(controller);
        controller.beep = [&beeps] { ++beeps; };
        panel.resize(460, 300);
        panel.show();
        EXPECT_EQ(panel.bookChooser()->count(), 3);
        EXPECT_EQ(panel.bookChooser()->itemText(1), "  Clients");
        QAbstractItemModel *model = panel.tableView()->model();
        ASSERT_EQ(model->rowCount(), 2);
        ASSERT_EQ(model->columnCount(), 3);
        EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Label");
        EXPECT_EQ(model->index(0, 0).data().toString(), "Ek Bo");

        panel.tableView()->selectRow(1);
        EXPECT_EQ(controller.selectedRows(), QList<qsizetype>{1});
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(panel.tableView(), &press);
        EXPECT_EQ(beeps, 1);
        EXPECT_EQ(model->rowCount(), 2);

        const QImage image = panel.grab().toImage();
        EXPECT_EQ(image.width(), 460);
        if (const QByteArray path = qgetenv("TOLVANE_DRAWER_PNG"); !path.isEmpty())
            image.save(QString::fromLocal8Bit(path));
    }
    EXPECT_FALSE(controller.changed);
    UserDefaults::resetStandardUserDefaults();
}

} // namespace
