#include "mailinglog/window/QVBatchTrackWindow.h"

#include "widgets/QVFocusNotifyingTextField.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
}

QVBatchTrackWindow::QVBatchTrackWindow(QVBatchTrackController &controller, QWidget *parent)
    : QWidget(parent, Qt::Window), m_controller(controller)
{
    setWindowTitle(QStringLiteral("Track/Confirm Shipments"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("Ask USPS for the delivery status of the undelivered pieces shipped:"));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_lastThirty = new QRadioButton(QStringLiteral("In the last 30 days"));
    m_range = new QRadioButton(QStringLiteral("From the first date to the second"));
    auto *group = new QButtonGroup(this);
    group->addButton(m_lastThirty, QVBatchTrackController::LastThirtyDays);
    group->addButton(m_range, QVBatchTrackController::DateRange);
    layout->addWidget(m_lastThirty);
    layout->addWidget(m_range);

    auto *dates = new QFormLayout;
    m_begin = new QVFocusNotifyingTextField;
    m_end = new QVFocusNotifyingTextField;
    m_begin->setPlaceholderText(kDateFormat);
    m_end->setPlaceholderText(kDateFormat);
    dates->addRow(QStringLiteral("From:"), m_begin);
    dates->addRow(QStringLiteral("To:"), m_end);
    layout->addLayout(dates);

    m_bar = new QProgressBar;
    m_text = new QLabel;
    layout->addWidget(m_bar);
    layout->addWidget(m_text);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    m_track = new QPushButton(QVBatchTrackController::trackButtonTitle());
    m_track->setDefault(true);
    buttons->addWidget(m_track);
    layout->addLayout(buttons);

    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        if (!m_refreshing)
            m_controller.setRangeChoice(id);
    });
    connect(m_begin, &QLineEdit::editingFinished, this, [this]() { fieldsEdited(); });
    connect(m_end, &QLineEdit::editingFinished, this, [this]() { fieldsEdited(); });
    connect(m_track, &QPushButton::clicked, this, [this]() {
        fieldsEdited();
        m_controller.trackCancel();
    });
    m_focus = NotificationCenter::defaultCenter().addObserver(QVDidBecomeFirstResponderNotification,
                                                              [this](const Notification &notification) {
                                                                  const void *field = notification.object.address();
                                                                  if (field == m_begin || field == m_end) {
                                                                      m_controller.controlTextDidBeginEditing();
                                                                      refresh();
                                                                  }
                                                              });
    m_controller.setChangeHandler([this]() { refresh(); });
    m_controller.windowDidLoad();
    refresh();
}

QVBatchTrackWindow::~QVBatchTrackWindow() { m_controller.setChangeHandler(nullptr); }

void QVBatchTrackWindow::fieldsEdited()
{
    if (m_refreshing)
        return;
    const QDate begin = QDate::fromString(m_begin->text().trimmed(), kDateFormat);
    const QDate end = QDate::fromString(m_end->text().trimmed(), kDateFormat);
    if (begin.isValid())
        m_controller.setBeginDate(QDateTime(begin, QTime(0, 0)));
    if (end.isValid())
        m_controller.setEndDate(QDateTime(end, QTime(23, 59, 59)));
    refresh();
}

void QVBatchTrackWindow::refresh()
{
    m_refreshing = true;
    m_lastThirty->setChecked(m_controller.rangeChoice() == QVBatchTrackController::LastThirtyDays);
    m_range->setChecked(m_controller.rangeChoice() == QVBatchTrackController::DateRange);
    if (!m_begin->hasFocus())
        m_begin->setText(m_controller.beginDate().date().toString(kDateFormat));
    if (!m_end->hasFocus())
        m_end->setText(m_controller.endDate().date().toString(kDateFormat));
    const QVBatchTrackController::Progress &progress = m_controller.progress();
    if (progress.determinate) {
        // An empty range would draw the busy indicator.
        m_bar->setRange(int(progress.minimum), int(qMax(progress.minimum + 1, progress.maximum)));
        m_bar->setValue(int(progress.value));
    } else {
        m_bar->setRange(0, 0);
    }
    m_text->setText(m_controller.progressText());
    m_track->setText(m_controller.buttonTitle());
    m_track->setEnabled(m_controller.isButtonEnabled());
    m_refreshing = false;
    if (!m_controller.isWindowOpen() && isVisible())
        close();
}

bool QVBatchTrackWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        m_controller.windowDidBecomeKey();
    }
    return QWidget::event(event);
}

void QVBatchTrackWindow::closeEvent(QCloseEvent *event)
{
    if (m_controller.isWindowOpen())
        m_controller.windowWillClose();
    QWidget::closeEvent(event);
}
