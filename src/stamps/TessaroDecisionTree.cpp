#include "stamps/TessaroDecisionTree.h"

#include "stamps/TessaroController.h"

#include <algorithm>

namespace {

// The layout of the sheet when no view tells another: seven buttons of 240
// x 32 stacked on the right.
std::array<QRectF, TessaroDecisionTreeWindowController::ButtonCount> defaultFrames()
{
    std::array<QRectF, TessaroDecisionTreeWindowController::ButtonCount> frames;
    for (int i = 0; i < TessaroDecisionTreeWindowController::ButtonCount; ++i)
        frames[i] = QRectF(260, 20 + i * 38, 240, 32);
    return frames;
}

} // namespace

void TessaroDecisionTreeWindowController::windowDidLoad(const std::array<QRectF, ButtonCount> &buttonFrames,
                                                        const QSizeF &windowSize)
{
    m_nibFrames = buttonFrames;
    m_nibWindowSize = windowSize;
    m_windowSize = windowSize;
    m_button3Y = buttonFrames[2].y();
}

void TessaroDecisionTreeWindowController::runSheetOnWindow(const QVariantMap &options,
                                                           const std::function<double(const QString &)> &fittingWidth)
{
    if (m_nibFrames[0].isNull())
        windowDidLoad(defaultFrames(), m_nibWindowSize);
    m_titleText = options.value(QStringLiteral("title")).toString();
    m_bodyText = options.value(QStringLiteral("body")).toString();
    for (int n = 1; n <= ButtonCount; ++n) {
        const QString key = QStringLiteral("button%1").arg(n);
        const QVariant title = options.value(key + QStringLiteral("title"));
        if (!title.isValid()) {
            m_buttons[n - 1].reset();
            continue;
        }
        m_buttons[n - 1] = Button{title.toString(), options.value(key + QStringLiteral("icon")).toString(),
                                  options.value(key + QStringLiteral("tag")).toInt(), m_nibFrames[n - 1]};
    }
    layoutForButtonCount(ButtonCount, fittingWidth);
    m_shown = true;
}

void TessaroDecisionTreeWindowController::layoutForButtonCount(
    int count, const std::function<double(const QString &)> &fittingWidth)
{
    const QRectF first = m_nibFrames[0];
    const QRectF keep = m_nibFrames[ButtonCount - 1];
    double widest = 0;
    for (int i = 0; i < std::min(count, int(ButtonCount)); ++i)
        if (m_buttons[i])
            widest = std::max(widest, fittingWidth ? fittingWidth(m_buttons[i]->title) : m_nibFrames[i].width());
    for (int i = 0; i < std::min(count, int(ButtonCount)); ++i) {
        if (!m_buttons[i])
            continue;
        const double height = i == ButtonCount - 1 ? keep.height() : first.height();
        m_buttons[i]->frame = QRectF(m_nibFrames[i].topLeft(), QSizeF(widest, height));
    }
    m_windowSize = QSizeF(m_nibWindowSize.width() + widest - first.width(), m_nibWindowSize.height());
}

void TessaroDecisionTreeWindowController::decide(int buttonNumber)
{
    if (!m_shown || buttonNumber < 1 || buttonNumber > ButtonCount || !m_buttons[buttonNumber - 1])
        return;
    const int tag = m_buttons[buttonNumber - 1]->tag;
    m_shown = false;
    if (tag != 0 && m_delegate)
        m_delegate->setMailpieceToTag(tag / 1000, tag % 1000);
}
