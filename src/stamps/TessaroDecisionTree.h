#pragma once
// TessaroDecisionTreeWindowController: the choice sheet that a weighing
// opens on the stamp window, on plain state. It shows a title, a body text
// and up to seven buttons, each offering a mailpiece and a class (its tag is
// mailpiece tag x 1000 + class tag; 0 keeps the current choice).
//
// Options (a dictionary): "title", "body", and for N = 1 to 7
// "button<N>title", "button<N>icon" (an image name) and "button<N>tag". A
// button without a title is removed from the sheet.
//
// The sheet's buttons all get the width of the widest title, keeping their
// own origins and button 1's height (button 7, the keep button, keeps its
// own height); the sheet widens by that width minus button 1's own width.
// The weighing that opens the sheet measures each title as a push button
// with a mailpiece picture of IconSize; the thin Qt view
// (TessaroDecisionTreeView) stacks the buttons in a column, each at least
// its frame's width.
//
// Pressing a button tells the delegate (the stamp window, not owned)
// setMailpieceToTag(tag / 1000, tag % 1000) unless the tag is 0, and ends
// the sheet.
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

#include <array>
#include <functional>
#include <optional>

class TessaroController;

class TessaroDecisionTreeWindowController
{
public:
    static constexpr int ButtonCount = 7;
    // The side of a button's mailpiece picture, in pixels.
    static constexpr int IconSize = 32;

    struct Button {
        QString title;
        QString icon;
        int tag = 0;
        QRectF frame;
    };

    explicit TessaroDecisionTreeWindowController(TessaroController *delegate = nullptr) : m_delegate(delegate) {}

    TessaroController *delegate() const { return m_delegate; }
    void setDelegate(TessaroController *delegate) { m_delegate = delegate; }

    // windowDidLoad: the layout's frames of the seven buttons and the
    // window's size.
    void windowDidLoad(const std::array<QRectF, ButtonCount> &buttonFrames, const QSizeF &windowSize);

    // Fills the texts and buttons from the options, lays out seven buttons
    // and shows the sheet. `fittingWidth` answers the width a button needs
    // for a title (the view's measure; none: the frames' own widths).
    void runSheetOnWindow(const QVariantMap &options,
                          const std::function<double(const QString &title)> &fittingWidth = {});
    // layoutForButtonCount: see above (the sheet always passes 7).
    void layoutForButtonCount(int count, const std::function<double(const QString &title)> &fittingWidth = {});
    // decide: the button of that number (1-7) was pressed.
    void decide(int buttonNumber);

    bool isShown() const { return m_shown; }
    QString titleText() const { return m_titleText; }
    QString bodyText() const { return m_bodyText; }
    // Button N (1-7): nothing once removed.
    const std::optional<Button> &button(int number) const { return m_buttons.at(number - 1); }
    QSizeF windowSize() const { return m_windowSize; }
    double button3Y() const { return m_button3Y; }

private:
    TessaroController *m_delegate = nullptr;
    bool m_shown = false;
    QString m_titleText;
    QString m_bodyText;
    std::array<QRectF, ButtonCount> m_nibFrames;
    std::array<std::optional<Button>, ButtonCount> m_buttons;
    QSizeF m_nibWindowSize{520, 300};
    QSizeF m_windowSize{520, 300};
    double m_button3Y = 0;
};
