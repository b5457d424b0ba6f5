#include "stamps/TessaroQuickPrintPanel.h"

#include "platform/UserDefaults.h"
#include "stamps/TessaroController.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <QScreen>
#include <QToolButton>

namespace {

QString savedFrameKey() { return QStringLiteral("NSWindow Frame ") + TessaroController::quickPrintPanelAutosaveName(); }

} // namespace

TessaroQuickPrintPanel::TessaroQuickPrintPanel(TessaroController &controller, std::function<void()> done,
                                               QWidget *window)
    : QWidget(window, Qt::Tool), m_controller(controller), m_done(std::move(done)), m_window(window)
{
    setObjectName(QStringLiteral("quickStampPanel"));
    setWindowTitle(QStringLiteral("Quick Stamps"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    for (const char *name : {"quickStamp1ozButton", "quickStamp2ozButton", "quickStamp1lbPrioButton"}) {
        auto *button = new QToolButton(this);
        button->setObjectName(QLatin1String(name));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(64, 64));
        button->setMinimumWidth(130);
        const qsizetype index = m_buttons.size();
        connect(button, &QToolButton::clicked, this, [this, index] { print(index); });
        layout->addWidget(button);
        m_buttons.append(button);
    }
}

void TessaroQuickPrintPanel::print(qsizetype button)
{
    if (button == 0)
        m_controller.quickPrint1oz();
    else if (button == 1)
        m_controller.quickPrint2oz();
    else
        m_controller.quickPrint1lbPrio();
    if (m_done)
        m_done();
}

void TessaroQuickPrintPanel::refresh()
{
    const QList<TessaroController::QuickPrintButton> &titles = m_controller.quickPrintButtons();
    for (qsizetype i = 0; i < m_buttons.size() && i < titles.size(); ++i) {
        m_buttons[i]->setText(titles[i].title);
        m_buttons[i]->setIcon(QIcon(QPixmap::fromImage(TessaroController::quickPrintImage(titles[i].imageName))));
    }
    if (!m_controller.quickPrintPanelVisible()) {
        hide();
        return;
    }
    adjustSize();
    if (!m_placed)
        place();
    show();
    raise();
}

void TessaroQuickPrintPanel::place()
{
    m_placed = true;
    if (m_controller.quickPrintPanelNeedsPlacing()) {
        m_controller.quickPrintPanelPlaced();
        if (!m_window)
            return;
        const QWidget *window = m_window->window();
        const QScreen *screen = window->screen();
        const QRectF visible = screen ? QRectF(screen->availableGeometry()) : QRectF(window->frameGeometry());
        move(TessaroController::quickPrintPanelTopLeft(QRectF(window->frameGeometry()), QSizeF(frameGeometry().size()),
                                                       visible)
                 .toPoint());
    } else if (const std::optional<QRect> saved =
                   frameFromString(UserDefaults::standardUserDefaults().stringForKey(savedFrameKey()))) {
        setGeometry(*saved);
    }
}

QString TessaroQuickPrintPanel::frameString(const QRect &frame)
{
    return QStringLiteral("%1 %2 %3 %4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height());
}

std::optional<QRect> TessaroQuickPrintPanel::frameFromString(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(-?\\d{1,6}) (-?\\d{1,6}) (\\d{1,6}) (\\d{1,6})$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return QRect(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                 match.captured(4).toInt());
}

void TessaroQuickPrintPanel::closeEvent(QCloseEvent *event)
{
    m_controller.quickPrintPanelClosed();
    QWidget::closeEvent(event);
}

void TessaroQuickPrintPanel::hideEvent(QHideEvent *event)
{
    UserDefaults::standardUserDefaults().setString(frameString(geometry()), savedFrameKey());
    QWidget::hideEvent(event);
}
