#include "app/windows/WebStoreWindowRegistration.h"

#include "app/shell/QVWindowControllers.h"
#include "sources/QVWebStoreWindow.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace {

class WebStoreWindowController final : public QVWindowController
{
public:
    explicit WebStoreWindowController(std::function<QWidget *()> window) : m_window(std::move(window)) {}

    void showWindow() override
    {
        if (QWidget *window = m_window ? m_window() : nullptr) {
            window->show();
            window->raise();
            window->activateWindow();
        }
    }

private:
    std::function<QWidget *()> m_window;
};

} // namespace

void registerWebStoreWindowController(QVWindowControllers &windows)
{
    // The order completion and the store manager are registered once, with
    // the window's maker.
    const std::function<QWidget *()> window = registerWebStoreWindow();
    windows.registerFactory(QVWebStoreControllerName,
                            [window] { return std::make_shared<WebStoreWindowController>(window); });
}
