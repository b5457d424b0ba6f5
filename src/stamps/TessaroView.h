#pragma once
// The thin Qt view of the stamp window: the "Tessaro" layout form bound to
// a TessaroController. Every user action goes to the controller; the view
// then shows the controller's state again (refresh()). The two stamp
// matrices are made here (5 x 5 cells of the 25-stamp sheet, 4 x 6 of the
// 24-stamp sheet) and placed in the form's holders.
//
// Making the view loads the window: it tells the controller the layout's
// sizes, the status line's template and the buttons' titles, and runs the
// controller's set-up.
#include "stamps/TessaroController.h"
#include "stamps/TessaroQuickPrintPanel.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class Tessaro;
}
class QVMatrix;
class QComboBox;

class TessaroView : public QWidget
{
    Q_OBJECT

public:
    TessaroView(TessaroController &controller, bool scratchFilesWaiting = false, QWidget *parent = nullptr);
    ~TessaroView() override;

    TessaroController &controller() { return m_controller; }
    QVMatrix *stampMatrix() const { return m_stampMatrix; }
    QVMatrix *stamp2000Matrix() const { return m_stamp2000Matrix; }
    QComboBox *mailpiecePopup() const;
    QComboBox *sheetRatePopup() const;
    // The form's widget of that object name (tests and screenshots).
    template <class T> T *part(const char *name) const { return findChild<T *>(QLatin1String(name)); }

    // Shows the controller's state.
    void refresh();
    // showQuickPrintPanel: the quick-print panel beside the window, or
    // hidden when it is shown.
    void showQuickPrintPanel();
    TessaroQuickPrintPanel *quickPrintPanel() const { return m_quickPrintPanel; }

    // The mailpiece pop-up's titles and pictures, by mailpiece tag 1-8.
    static QString mailpieceTitle(int tag);
    // The title shown while the pop-up is open (HTML).
    static QString mailpieceRichTitle(int tag);
    static QImage mailpiecePicture(int tag, int size);

signals:
    // Print (test: Test Print) was pressed (the controller prints).
    void printRequested(bool test);
    // Weigh was pressed.
    void weighRequested();

private:
    TessaroLayout layoutFromForm() const;
    void fillClassPopup();
    void showClassMenu(const QPoint &globalPosition);
    // The custom-amount panel and the choice sheet, shown while their
    // controllers are.
    void showCompanions();
    template <class Action> void act(Action action);

    TessaroController &m_controller;
    std::unique_ptr<Ui::Tessaro> m_form;
    QVMatrix *m_stampMatrix = nullptr;
    QVMatrix *m_stamp2000Matrix = nullptr;
    bool m_refreshing = false;
    QPointer<QWidget> m_customAmountView;
    QPointer<QWidget> m_choiceSheetView;
    QPointer<TessaroQuickPrintPanel> m_quickPrintPanel;
    int m_reviewTop = 0;
    int m_boxHeight = 0;
    int m_referenceRowHeight = 0;
};
