#pragma once
// The Qt side of the application delegate's interfaces: the scheduler on the
// event loop, the progress panel window, the overlay windows over the main
// window, and the main window that stands until the shipment window exists.
#include "app/shell/LaunchServices.h"

#include <QHash>
#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;

// Delayed calls and timers on the event loop of the thread that made it;
// everything pending ends with the object.
class QtScheduler : public QObject, public Scheduler
{
public:
    explicit QtScheduler(QObject *parent = nullptr) : QObject(parent) {}
    void callAfter(double seconds, std::function<void()> call) override;
    void callEvery(double seconds, std::function<void()> call) override;
};

// A small window with the text and a busy bar. The bar moves only while the
// event loop runs: while the program waits for a server it stands still.
class ProgressPanelWindow : public QWidget, public ProgressPanel
{
public:
    explicit ProgressPanelWindow(QWidget *mainWindow = nullptr);

    void setMainWindow(QWidget *mainWindow) { m_mainWindow = mainWindow; }
    QString text() const;
    bool spinnerRunning() const;

    bool isVisible() const override { return QWidget::isVisible(); }
    void setTitle(const QString &title) override { setWindowTitle(title); }
    void setText(const QString &text) override;
    void centreOnScreen() override;
    void orderFront(bool makeKey) override;
    void orderAboveMainWindow() override;
    void orderOut() override { hide(); }
    void startSpinner() override;
    void stopSpinner() override;
    // The bar as a measure: value of maximum (the stamp purchase's k of n).
    void setProgress(int value, int maximum);

private:
    QPointer<QWidget> m_mainWindow;
    QLabel *m_text = nullptr;
    QProgressBar *m_spinner = nullptr;
};

// Overlay windows: frameless, translucent tool windows showing a bundle
// image, kept above the main window.
class OverlayWindows : public OverlayHost
{
public:
    explicit OverlayWindows(QWidget *mainWindow = nullptr) : m_mainWindow(mainWindow) {}
    void setMainWindow(QWidget *mainWindow) { m_mainWindow = mainWindow; }
    // The overlay's window (null when it is gone).
    QWidget *overlayWindow(OverlayId overlay) const { return m_windows.value(overlay); }

    bool hasMainWindow() const override { return m_mainWindow; }
    std::optional<OverlayId> firstChildOverlay() const override;
    std::optional<QPointF> pieceSizePopupBottomLeft() const override;
    std::optional<QRectF> mainWindowFrame() const override;
    QSizeF imageSize(const QString &imageName) const override;
    OverlayId openOverlay(const QString &imageName, const QPointF &topLeft, std::function<void()> clicked) override;
    void setOverlayAlpha(OverlayId overlay, double alpha) override;
    void detachOverlay(OverlayId overlay) override;
    void closeOverlay(OverlayId overlay) override;

private:
    QPointer<QWidget> m_mainWindow;
    QHash<OverlayId, QPointer<QWidget>> m_windows;
    QList<OverlayId> m_attached;
    OverlayId m_next = 1;
};

class QVMenuActions;
class QVXController;

// The application's main window: the shipment window (MasterWindow) over a
// controller made from the application delegate's services; its
// responder-chain toolbar items go to the application's actions. In the
// stamps edition its toolbar starts from the stamp window's stored mode and
// then follows the stamp window's mode changes.
QMainWindow *makeMainWindow(QVXController &delegate, std::shared_ptr<Scheduler> scheduler, QVMenuActions &actions);

// The mode the stamp window opens in: its stored "tessaroMode" when that is
// rolls (2), else sheets (1).
int storedStampWindowMode();

// A main window with its title, menu bar place and an empty content area
// (for tests of the shell that need no shipment window).
class PlaceholderMainWindow : public QMainWindow
{
public:
    explicit PlaceholderMainWindow(QWidget *parent = nullptr);
};
