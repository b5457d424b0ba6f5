#pragma once
// The thin Qt view of the stamp window's quick-print panel: a small tool
// window beside the stamp window with one button per quick-print stamp
// (its picture and "Print $0.49 Stamp"). A button prints its stamp through
// the controller and then calls `done` so that the stamp window shows its
// state again.
//
// The panel follows the controller: shown while quickPrintPanelVisible(),
// placed beside the window the first time when no frame of it is saved, and
// its frame saved in the user defaults (under "NSWindow Frame " and the
// controller's autosave name, as "x y width height") whenever it is hidden.
#include <QWidget>

#include <functional>
#include <optional>

class QToolButton;
class TessaroController;

class TessaroQuickPrintPanel : public QWidget
{
    Q_OBJECT
public:
    // `window`: the stamp window's widget; the panel is its tool window.
    TessaroQuickPrintPanel(TessaroController &controller, std::function<void()> done, QWidget *window);

    // Shows the controller's state.
    void refresh();
    QList<QToolButton *> buttons() const { return m_buttons; }

    // The stored form of a frame, and back (nothing for any other text).
    static QString frameString(const QRect &frame);
    static std::optional<QRect> frameFromString(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void place();
    // The button of that index was pressed.
    void print(qsizetype button);

    TessaroController &m_controller;
    std::function<void()> m_done;
    QWidget *m_window;
    QList<QToolButton *> m_buttons;
    bool m_placed = false;
};
