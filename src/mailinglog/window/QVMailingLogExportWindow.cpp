#include "mailinglog/window/QVMailingLogExportWindow.h"

#include "platform/Dialogs.h"
#include "ui_LogExport.h"

#include <QSignalBlocker>

namespace {

// The begin date field shows its minimum, drawn empty, while the range has
// no begin (an empty log).
const QDate kNoBeginDate(1900, 1, 1);

} // namespace

QVMailingLogExportWindow::QVMailingLogExportWindow(QVMailingLogExportController &controller, QWidget *parent)
    : QWidget(parent), m_controller(controller), m_ui(std::make_unique<Ui::LogExport>())
{
    m_ui->setupUi(this);
    m_ui->formatPopup->addItem(tr("Tab-Delimited Text"), int(QVMailingLogExportController::TabDelimited));
    m_ui->formatPopup->addItem(tr("XML"), int(QVMailingLogExportController::XML));
    m_ui->beginDate->setMinimumDate(kNoBeginDate);
    m_ui->beginDate->setSpecialValueText(QStringLiteral(" "));

    connect(m_ui->formatPopup, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_controller.changeFormat(m_ui->formatPopup->itemData(index).toInt()); });
    connect(m_ui->beginDate, &QDateEdit::dateChanged, this, [this](const QDate &date) {
        if (date == kNoBeginDate)
            m_controller.setBeginDate(std::nullopt);
        else
            m_controller.setBeginDate(QDateTime(date, QTime(0, 0)));
    });
    connect(m_ui->endDate, &QDateEdit::dateChanged, this,
            [this](const QDate &date) { m_controller.setEndDate(QDateTime(date, m_controller.endDate().time())); });
    connect(m_ui->exportButton, &QPushButton::clicked, this, [this] { exportLog(); });
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QWidget::close);
    refresh();
}

QVMailingLogExportWindow::~QVMailingLogExportWindow() = default;

void QVMailingLogExportWindow::refresh()
{
    const QSignalBlocker formatBlocker(m_ui->formatPopup);
    const QSignalBlocker beginBlocker(m_ui->beginDate);
    const QSignalBlocker endBlocker(m_ui->endDate);
    const int index = m_ui->formatPopup->findData(m_controller.selectedExportFormat());
    m_ui->formatPopup->setCurrentIndex(index < 0 ? 0 : index);
    const std::optional<QDateTime> begin = m_controller.beginDate();
    m_ui->beginDate->setDate(begin ? begin->date() : kNoBeginDate);
    m_ui->endDate->setDate(m_controller.endDate().date());
}

bool QVMailingLogExportWindow::exportLog()
{
    const QString extension = m_controller.requiredFileType();
    const std::optional<QString> path =
        runSavePanel({tr("Export Mailing Log"), tr("Mailing Log.%1").arg(extension), {extension}});
    if (!path)
        return false;
    const bool written = m_controller.savePanelDidEnd(true, *path);
    if (written)
        close();
    return written;
}
