#pragma once
// The export panel (form "LogExport"): a thin view over
// QVMailingLogExportController's state. It shows the format (tab-delimited or
// XML) and the two dates of the range; Export asks the save panel (through
// the platform's dialogs) for the file, with the format's extension, and
// hands the path to the controller; a cancelled save panel changes nothing.
// Cancel closes the panel.
#include "mailinglog/QVMailingLogExportController.h"

#include <QWidget>

#include <memory>

namespace Ui {
class LogExport;
}

class QVMailingLogExportWindow : public QWidget
{
public:
    explicit QVMailingLogExportWindow(QVMailingLogExportController &controller, QWidget *parent = nullptr);
    ~QVMailingLogExportWindow() override;

    // Brings the widgets to the controller's state.
    void refresh();
    // The Export button: answers whether a file was written.
    bool exportLog();

private:
    QVMailingLogExportController &m_controller;
    std::unique_ptr<Ui::LogExport> m_ui;
};
