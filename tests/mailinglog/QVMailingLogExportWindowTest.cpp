// The export panel's view: it shows the controller's state, hands its
// changes to the controller, and Export writes the file the save panel
// answers in the chosen format; a cancelled save panel writes nothing.
#include "MailingLogTestSupport.h"
#include "RecordingDialogs.h"
#include "ViewTestSupport.h"
#include "mailinglog/window/QVMailingLogExportWindow.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QPushButton>

using namespace tolvane::test;

TEST_F(MailingLogTest, ExportWindowShowsAndChangesTheControllersState)
{
    add({{QVShipmentPrintDateKey, day(2014, 1, 5)}});
    QVMailingLogExportController controller(m_log.get());
    controller.prepareForExport(day(2014, 3, 1));
    QVMailingLogExportWindow window(controller);
    auto *popup = window.findChild<QComboBox *>(QStringLiteral("formatPopup"));
    auto *begin = window.findChild<QDateEdit *>(QStringLiteral("beginDate"));
    auto *end = window.findChild<QDateEdit *>(QStringLiteral("endDate"));
    ASSERT_TRUE(popup && begin && end);
    EXPECT_EQ(popup->count(), 2);
    EXPECT_EQ(popup->currentData().toInt(), int(QVMailingLogExportController::TabDelimited));
    EXPECT_EQ(begin->date(), QDate(2014, 1, 5));
    EXPECT_EQ(end->date(), QDate(2014, 3, 1));

    popup->setCurrentIndex(popup->findData(int(QVMailingLogExportController::XML)));
    EXPECT_EQ(controller.selectedExportFormat(), 1);
    EXPECT_EQ(controller.requiredFileType(), QStringLiteral("xml"));
    begin->setDate(QDate(2014, 1, 10));
    end->setDate(QDate(2014, 2, 20));
    EXPECT_EQ(controller.beginDate()->date(), QDate(2014, 1, 10));
    EXPECT_EQ(controller.endDate().date(), QDate(2014, 2, 20));

    controller.changeFormat(0);
    controller.setBeginDate(std::nullopt);
    window.refresh();
    EXPECT_EQ(popup->currentData().toInt(), 0);
    EXPECT_EQ(begin->text().trimmed(), QString()); // no begin shows empty
    EXPECT_EQ(controller.beginDate(), std::nullopt);

    window.resize(window.sizeHint());
    const QImage image = window.grab().toImage();
    EXPECT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(outputPath(QStringLiteral("LogExport.png"))));
}

TEST_F(MailingLogTest, ExportWindowWritesTheSavePanelsFileInTheChosenFormat)
{
    add({{QVShipmentPrintDateKey, day(2014, 1, 5)}, {QVShipmentInvoiceNumberKey, QStringLiteral("first")}});
    add({{QVShipmentPrintDateKey, day(2014, 2, 6)}, {QVShipmentInvoiceNumberKey, QStringLiteral("second")}});
    QVMailingLogExportController controller(m_log.get());
    controller.prepareForExport(day(2014, 3, 1));
    QVMailingLogExportWindow window(controller);
    auto *popup = window.findChild<QComboBox *>(QStringLiteral("formatPopup"));
    auto *exportButton = window.findChild<QPushButton *>(QStringLiteral("exportButton"));
    ASSERT_TRUE(popup && exportButton);
    const auto contents = [](const QString &path) {
        QFile in(path);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };

    struct Case {
        int format;
        const char *extension;
    };
    for (const Case &c :
         {Case{QVMailingLogExportController::TabDelimited, "txt"}, Case{QVMailingLogExportController::XML, "xml"}}) {
        SCOPED_TRACE(c.extension);
        DialogsScope dialogs;
        popup->setCurrentIndex(popup->findData(c.format));
        const QString path = QDir(m_dir.path()).filePath(QStringLiteral("export.") + QLatin1String(c.extension));
        dialogs->savePaths = {path};
        exportButton->click();
        ASSERT_EQ(dialogs->savePanels.size(), 1);
        EXPECT_EQ(dialogs->savePanels[0].allowedExtensions, QStringList{QLatin1String(c.extension)});
        EXPECT_TRUE(dialogs->savePanels[0].suggestedFileName.endsWith(QLatin1String(c.extension)));
        EXPECT_TRUE(dialogs->alerts.isEmpty());
        const QByteArray expected = c.format == QVMailingLogExportController::XML
            ? m_log->XMLExportWithBeginDate(day(2014, 1, 5), day(2014, 3, 1))
            : m_log->tabDelimitedExportWithBeginDate(day(2014, 1, 5), day(2014, 3, 1)).toUtf8();
        EXPECT_EQ(contents(path), expected);
        EXPECT_TRUE(contents(path).contains("second"));
    }
}

TEST_F(MailingLogTest, ExportWindowWithACancelledSavePanelWritesNothing)
{
    add({{QVShipmentPrintDateKey, day(2014, 1, 5)}});
    QVMailingLogExportController controller(m_log.get());
    controller.prepareForExport(day(2014, 3, 1));
    QVMailingLogExportWindow window(controller);
    const QStringList before = QDir(m_dir.path()).entryList(QDir::Files);

    for (const bool automation : {false, true}) {
        SCOPED_TRACE(automation);
        DialogsScope dialogs;
        setAutomationMode(automation);
        // In automation mode the scripted path is never asked for.
        dialogs->savePaths = {automation ? std::optional<QString>(QDir(m_dir.path()).filePath(QStringLiteral("x.txt")))
                                         : std::nullopt};
        resetCounts();
        EXPECT_FALSE(window.exportLog());
        EXPECT_EQ(dialogs->savePanels.size(), automation ? 0 : 1);
        EXPECT_TRUE(dialogs->alerts.isEmpty());
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), before);
        EXPECT_EQ(m_willCount + m_didCount, 0);
    }
}
