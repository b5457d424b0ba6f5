#include "app/windows/MailingLogWindowRegistration.h"

#include "app/shell/QVMenus.h"
#include "app/shell/QVWindowControllers.h"
#include "mailinglog/window/QVBatchTrackWindow.h"
#include "mailinglog/window/QVMailingLogController.h"
#include "mailinglog/window/QVMailingLogWindow.h"

#include <QGuiApplication>
#include <QScreen>

#include <memory>

namespace {

const QString kMailingLogAutosaveName = QStringLiteral("mailingLogWindow");

class MailingLogWindowController final : public QVWindowController
{
public:
    MailingLogWindowController()
        : m_controller(std::make_unique<QVMailingLogController>()),
          m_window(std::make_unique<QVMailingLogWindow>(*m_controller))
    {}

    QVMailingLogController &controller() { return *m_controller; }
    QVMailingLogWindow &window() { return *m_window; }

    void showWindow() override
    {
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }
    void centerWindow() override
    {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = m_window->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            m_window->move(frame.topLeft());
        }
    }
    QString frameAutosaveName() const override { return kMailingLogAutosaveName; }
    bool performAction(const QString &action) override
    {
        if (action == QLatin1String("archiveLog:")) {
            m_window->showArchiveSheet();
            return true;
        }
        return false;
    }

private:
    std::unique_ptr<QVMailingLogController> m_controller;
    std::unique_ptr<QVMailingLogWindow> m_window;
};

} // namespace

void registerMailingLogWindow(QVWindowControllers &windows, QVMenuActions &actions)
{
    QVWindowControllers *controllers = &windows;
    windows.registerFactory(QVMailingLogControllerName, [] { return std::make_shared<MailingLogWindowController>(); });
    // The log window, when it exists (the Delivery Status items never make
    // it).
    const auto logWindow = [controllers]() -> MailingLogWindowController * {
        if (!controllers->exists(QVMailingLogControllerName))
            return nullptr;
        return dynamic_cast<MailingLogWindowController *>(controllers->controller(QVMailingLogControllerName).get());
    };
    const QString status = QStringLiteral("changeShipmentStatus:");
    actions.setHandler(status, [logWindow](const QVMenuItem &item) {
        if (MailingLogWindowController *log = logWindow()) {
            log->controller().changeShipmentStatus(item.tag);
            log->window().refresh();
        }
    });
    actions.setActionValidator(status, [logWindow](const QVMenuItem &, const QString &) -> QVMenuItemValidation {
        MailingLogWindowController *log = logWindow();
        if (!log || !log->window().isVisible())
            return {false, std::nullopt};
        return {log->controller().validateAction(QVMailingLogController::Action::ChangeShipmentStatus), std::nullopt};
    });
}

void highlightMailingLogRow(QVWindowControllers &windows, quint64 displayIndex)
{
    if (!windows.exists(QVMailingLogControllerName))
        return;
    if (auto *log = dynamic_cast<MailingLogWindowController *>(windows.controller(QVMailingLogControllerName).get())) {
        log->controller().highlightRow(displayIndex);
        log->window().refresh();
        log->showWindow();
    }
}
