#pragma once
// The batch-tracking window: a thin Qt view over QVBatchTrackController.
// Two range choices (the last 30 days, or the dates in the two focus-
// notifying date fields; entering a field chooses the dates), the progress
// bar and text, and the Track/Stop button.
#include "mailinglog/window/QVBatchTrackController.h"
#include "platform/NotificationCenter.h"

#include <QWidget>

class QDateEdit;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QVFocusNotifyingTextField;

class QVBatchTrackWindow : public QWidget
{
public:
    explicit QVBatchTrackWindow(QVBatchTrackController &controller, QWidget *parent = nullptr);
    ~QVBatchTrackWindow() override;

    void refresh();

    QPushButton *trackButton() const { return m_track; }
    QProgressBar *progressBar() const { return m_bar; }
    QLabel *progressText() const { return m_text; }
    QVFocusNotifyingTextField *beginField() const { return m_begin; }
    QVFocusNotifyingTextField *endField() const { return m_end; }
    QRadioButton *lastThirtyDays() const { return m_lastThirty; }
    QRadioButton *dateRange() const { return m_range; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void fieldsEdited();

    QVBatchTrackController &m_controller;
    QRadioButton *m_lastThirty = nullptr;
    QRadioButton *m_range = nullptr;
    QVFocusNotifyingTextField *m_begin = nullptr;
    QVFocusNotifyingTextField *m_end = nullptr;
    QProgressBar *m_bar = nullptr;
    QLabel *m_text = nullptr;
    QPushButton *m_track = nullptr;
    NotificationObserver m_focus;
    bool m_refreshing = false;
};
