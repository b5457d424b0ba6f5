#include "app/windows/StampWindowWiring.h"

#include "app/shell/QVMenus.h"
#include "app/shell/QVXController.h"
#include "app/shell/QVXControllerActions.h"
#include "app/shell/QVXControllerViews.h"
#include "app/shell/ShellWindows.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVStampWindowPrinting.h"
#include "services/QVRHOStampIndiciumRequest.h"
#include "stamps/TessaroController.h"
#include "stamps/TessaroGuide.h"
#include "stamps/TessaroStampWindowPrinting.h"
#include "stamps/TessaroView.h"

#include <QCoreApplication>
#include <QMainWindow>

// ---- The host ---------------------------------------------------------------------

namespace {

class DelegateTessaroHost final : public TessaroHost
{
public:
    explicit DelegateTessaroHost(StampWindowHostServices services) : m_services(std::move(services)) {}

    int infoAlertForKey(const QString &key, const QString &defaultButton, const QString &alternateButton,
                        bool remindBox, const QVariantList &arguments) override
    {
        if (!m_services.delegate)
            return TessaroHost::infoAlertForKey(key, defaultButton, alternateButton, remindBox, arguments);
        return m_services.delegate->infoAlertForKey(key, defaultButton, alternateButton, remindBox, arguments);
    }
    void launchTessaroSupplyStore() override
    {
        if (m_services.performAction)
            m_services.performAction(QStringLiteral("launchTessaroSupplyStore:"));
    }
    QString addJunkToWindowTitle(const QString &title) override
    {
        return m_services.addJunkToWindowTitle ? m_services.addJunkToWindowTitle(title) : title;
    }
    void setKivoStampsModeMenuItemTitle(const QString &title) override
    {
        if (m_services.setModeMenuItemTitle)
            m_services.setModeMenuItemTitle(title);
    }
    ~DelegateTessaroHost() override
    {
        if (QCoreApplication::instance())
            delete m_progress.data();
    }
    // The purchase's progress (stamp k of n) shows in the stamp window's own
    // panel, with its title and bar; anything else without a bar (printing)
    // as the delegate's progress text.
    void showProgress(const QString &title, const QString &text, int value, int maximum) override
    {
        if (maximum <= 0) {
            if (m_services.delegate)
                m_services.delegate->setProgressTextString(text);
            return;
        }
        if (!m_progress) {
            m_progress = new ProgressPanelWindow;
            m_progress->setObjectName(QStringLiteral("stampProgressPanel"));
        }
        m_progress->setTitle(title);
        m_progress->setText(text);
        m_progress->setProgress(value, maximum);
        if (!m_progress->isVisible())
            m_progress->centreOnScreen();
        m_progress->orderFront(false);
    }
    void hideProgress() override
    {
        if (m_progress)
            m_progress->hide();
        if (m_services.delegate)
            m_services.delegate->hideProgressPanel();
    }
    void showBuyPostagePanel() override
    {
        if (QVXControllerActions *actions = delegateActions())
            actions->showBuyPostagePanel();
    }
    void showTolvaneWizard() override
    {
        if (QVXControllerActions *actions = delegateActions())
            actions->showTolvaneWizard();
    }
    void refreshTolvaneStatus() override
    {
        if (QVXControllerActions *actions = delegateActions())
            actions->refreshTolvaneStatus(QVRefreshSender::Other);
    }

private:
    QVXControllerActions *delegateActions() const { return m_services.actions ? m_services.actions() : nullptr; }

    StampWindowHostServices m_services;
    QPointer<ProgressPanelWindow> m_progress;
};

Decimal postageOf(const TessaroStamp &stamp) { return stamp ? stamp->postage() : Decimal(); }

} // namespace

std::shared_ptr<TessaroHost> makeDelegateTessaroHost(StampWindowHostServices services)
{
    return std::make_shared<DelegateTessaroHost>(std::move(services));
}

// ---- The window -------------------------------------------------------------------

StampWindow::StampWindow(std::shared_ptr<TessaroHost> host, TessaroCatalogue::Clock clock)
    : m_host(std::move(host)), m_clock(std::move(clock))
{}

StampWindow::~StampWindow()
{
    if (m_printing && stampWindowPrinting() == m_printing)
        setStampWindowPrinting(nullptr);
    m_printing.reset();
    // The view asks the controller while it goes.
    delete m_view.data();
    m_controller.reset();
}

TessaroController &StampWindow::controller()
{
    if (!m_controller) {
        m_controller = std::make_shared<TessaroController>(m_host, m_clock);
        // Making the view loads the window.
        m_view = new TessaroView(*m_controller);
        m_printing = registerTessaroStampWindowPrinting(m_controller, [this] { refresh(); });
    }
    return *m_controller;
}

QWidget *StampWindow::view()
{
    controller();
    return m_view;
}

void StampWindow::refresh()
{
    if (m_view)
        m_view->refresh();
}

template <class Action> void StampWindow::act(Action action)
{
    action(controller());
    refresh();
}

int StampWindow::stampMode() const
{
    if (!m_controller)
        return storedStampWindowMode();
    return m_controller->currentMode();
}

bool StampWindow::performAction(const QString &action)
{
    if (action == QLatin1String("chooseKIVO:"))
        act([](TessaroController &c) { c.chooseKIVO(); });
    else if (action == QLatin1String("chooseSheet:"))
        act([](TessaroController &c) { c.chooseSheet(); });
    else if (action == QLatin1String("showQuickPrintPanel:")) {
        controller();
        if (m_view)
            m_view->showQuickPrintPanel();
    } else if (action == QLatin1String("quickPrint1oz:"))
        act([](TessaroController &c) { c.quickPrint1oz(); });
    else if (action == QLatin1String("quickPrint2oz:"))
        act([](TessaroController &c) { c.quickPrint2oz(); });
    else if (action == QLatin1String("quickPrint1lbPrio:"))
        act([](TessaroController &c) { c.quickPrint1lbPrio(); });
    else if (action == QLatin1String("guideMe:"))
        showGuideMeWindow(&controller());
    else
        return false;
    return true;
}

MasterStampWindowCalls StampWindow::masterCalls()
{
    MasterStampWindowCalls calls;
    calls.rateUp = [this] { act([](TessaroController &c) { c.rateUp(); }); };
    calls.rateDown = [this] { act([](TessaroController &c) { c.rateDown(); }); };
    calls.sheetCountUp = [this] { act([](TessaroController &c) { c.sheetCountUp(); }); };
    calls.sheetCountDown = [this] { act([](TessaroController &c) { c.sheetCountDown(); }); };
    calls.weigh = [this] { act([](TessaroController &c) { c.tessaroWeigh(); }); };
    calls.toggleStatusBar = [this] { act([](TessaroController &c) { c.toggleStatusBar(); }); };
    calls.currentMode = [this] { return m_controller ? m_controller->currentMode() : 0; };
    calls.selectedCellCount = [this] { return m_controller ? int(m_controller->selectedCellIndices().size()) : 0; };
    return calls;
}

void StampWindow::joinDelegate(QVDelegateWiring &wiring, QMainWindow *&mainWindow)
{
    QVDelegateActionHooks &hooks = wiring.actions->hooks();
    hooks.stampMode = [this] { return stampMode(); };
    hooks.chooseRolls = [this] { performAction(QStringLiteral("chooseKIVO:")); };
    hooks.chooseSheets = [this] { performAction(QStringLiteral("chooseSheet:")); };
    hooks.showQuickPrintPanel = [this] { performAction(QStringLiteral("showQuickPrintPanel:")); };
    hooks.quickPrintPostage = [this] {
        TessaroController &c = controller();
        return QList<Decimal>{postageOf(c.quickPrint1ozStampRequest()), postageOf(c.quickPrint2ozStampRequest()),
                              postageOf(c.quickPrint1lbPrioStampRequest())};
    };
    hooks.performQuickPrint = [this](const QString &action) { performAction(action); };

    QVMainWindowViewHooks &views = wiring.views->hooks();
    views.updateStampWindowTitle = [this, &mainWindow] {
        TessaroController &c = controller();
        c.updateWindowTitle();
        // Outside the maker's edition the main window keeps its own title.
        if (mainWindow && !c.windowTitle().isEmpty())
            mainWindow->setWindowTitle(c.windowTitle());
    };
    // A scale in the stamp mode is the stamp window's; in the other the
    // shipment form keeps it.
    const auto routed = [this](std::function<void(bool)> before, void (TessaroController::*call)()) {
        return [this, before = std::move(before), call](bool stampWindow) {
            if (stampWindow)
                act([call](TessaroController &c) { (c.*call)(); });
            else if (before)
                before(stampWindow);
        };
    };
    // The stamp view's status line follows the setting, except in the
    // stamps edition.
    views.statusLineFollowsDefaults = [this, before = views.statusLineFollowsDefaults](QVMainViewHost::View view) {
        if (before)
            before(view);
        const UserDefaults &defaults = UserDefaults::standardUserDefaults();
        if (view != QVMainViewHost::View::Tessaro || defaults.boolForKey(QVStampsEditionKey))
            return;
        controller().setStatusBarShown(defaults.boolForKey(ShowStatusBarOnMasterControlDefaultsKey));
        refresh();
    };
    views.scaleWasAdded = routed(views.scaleWasAdded, &TessaroController::scaleWasAdded);
    views.scaleWasRemoved = routed(views.scaleWasRemoved, &TessaroController::scaleWasRemoved);
}

void StampWindow::registerActions(QVMenuActions &actions)
{
    actions.setHandler(QStringLiteral("guideMe:"),
                       [this](const QVMenuItem &) { performAction(QStringLiteral("guideMe:")); });
}
