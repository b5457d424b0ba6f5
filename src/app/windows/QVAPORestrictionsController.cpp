#include "app/windows/QVAPORestrictionsController.h"

#include "services/usps/QVUSPSCommandCenter.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

QHash<QString, std::shared_ptr<QVAPORestrictionsController>> &controllers()
{
    static QHash<QString, std::shared_ptr<QVAPORestrictionsController>> open;
    return open;
}

// The window tells its controller when it closes.
class RestrictionsWindow : public QWidget
{
public:
    explicit RestrictionsWindow(QVAPORestrictionsController &controller) : m_controller(controller)
    {
        setAttribute(Qt::WA_DeleteOnClose, false);
        resize(420, 320);
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        QWidget::closeEvent(event);
        m_controller.windowWillClose();
    }

private:
    QVAPORestrictionsController &m_controller;
};

void centre(QWidget *window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

} // namespace

QVAPORestrictionsController::QVAPORestrictionsController(const QString &zip) : m_zip(zip)
{
    auto *window = new RestrictionsWindow(*this);
    m_textField = new QTextBrowser(window);
    m_textField->setPlainText(QStringLiteral("No restrictions are known for this ZIP code."));
    auto *layout = new QVBoxLayout(window);
    layout->addWidget(m_textField);
    m_window = window;
    awakeFromNib();
}

QVAPORestrictionsController::~QVAPORestrictionsController()
{
    // The controller may end inside its window's close event.
    if (m_window)
        m_window->deleteLater();
}

void QVAPORestrictionsController::awakeFromNib()
{
    m_window->setWindowTitle(windowTitle());
    centre(m_window);
    if (const std::optional<QString> restrictions = QVUSPSCommandCenter::commandCenter()->apoRestrictionsForZIP(m_zip))
        m_textField->setPlainText(*restrictions);
}

QString QVAPORestrictionsController::windowTitle() const { return QStringLiteral("Restrictions for %1").arg(m_zip); }

QString QVAPORestrictionsController::text() const { return m_textField->toPlainText(); }

std::shared_ptr<QVAPORestrictionsController> QVAPORestrictionsController::showWindowForZIP(const QString &zip)
{
    std::shared_ptr<QVAPORestrictionsController> controller = controllers().value(zip);
    if (!controller) {
        controller = std::make_shared<QVAPORestrictionsController>(zip);
        controllers().insert(zip, controller);
    }
    controller->m_window->show();
    controller->m_window->raise();
    controller->m_window->activateWindow();
    return controller;
}

const QHash<QString, std::shared_ptr<QVAPORestrictionsController>> &QVAPORestrictionsController::openControllers()
{
    return controllers();
}

void QVAPORestrictionsController::closeAllForTesting() { controllers().clear(); }

void QVAPORestrictionsController::windowWillClose()
{
    // The last owner may be the table: keep this alive to the end of the call.
    const std::shared_ptr<QVAPORestrictionsController> self = controllers().value(m_zip);
    if (self.get() == this)
        controllers().remove(m_zip);
}
