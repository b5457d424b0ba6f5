// A real drag of the vCard drag source on an X server (the Xvfb fixture of
// CTest; skipped on any other platform): dropped on the return-address box
// of another window, the drag carries the vCard and the URL of the card's
// file, which holds the same vCard; dropped where nothing takes it, the
// file is removed again.
#include "app/mainwindow/QVVCardWidgets.h"
#include "platform/NotificationCenter.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

const QByteArray kCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Byron;Ada;;;\r\nFN:Ada Byron\r\n"
                         "ADR;TYPE=HOME:;;12 Elm St;Boston;MA;02134;\r\nEND:VCARD\r\n";

bool waitExposed(QWidget &widget)
{
    QElapsedTimer waited;
    waited.start();
    while ((!widget.windowHandle() || !widget.windowHandle()->isExposed()) && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return widget.windowHandle() && widget.windowHandle()->isExposed();
}

// A window that takes any drop and keeps what it was given.
class RecordingDropTarget : public QWidget
{
public:
    RecordingDropTarget() { setAcceptDrops(true); }
    QByteArray vCard;
    QList<QUrl> urls;
    int drops = 0;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent *event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent *event) override
    {
        ++drops;
        vCard = event->mimeData()->data(QVVCardMimeTypes.first());
        urls = event->mimeData()->urls();
        event->acceptProposedAction();
    }
};

// Plays the user during the drag's own event loop, paced by what happened
// rather than by the clock, so that a slow machine does not let the button
// go before the drag or the drop target is ready: waits until the drag has
// begun, moves the pointer to the point in steps, waits until the window
// there (when one is named) has seen the drag arrive and the answer has had
// time to travel back, then lets the button go.
class DragPlayer : public QObject
{
public:
    DragPlayer(QWidget *source, const QPoint &from, const QPoint &to, QWidget *target)
        : QObject(source), source(source), from(from), to(to), target(target)
    {
        if (target)
            target->installEventFilter(this);
        timer.setInterval(30);
        connect(&timer, &QTimer::timeout, this, &DragPlayer::step);
        timer.start();
        clock.start();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (moved == kSteps && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove))
            targetReached = true;
        return false;
    }

private:
    static constexpr int kSteps = 6;
    static constexpr int kSettleTicks = 5;

    void send(QEvent::Type type, const QPoint &at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, source->window()->mapFromGlobal(at), at, button, buttons, Qt::NoModifier);
        QApplication::sendEvent(source->window()->windowHandle(), &event);
    }

    void step()
    {
        const bool late = clock.elapsed() > 15000;
        if (!source->findChild<QDrag *>() && !late)
            return;
        if (moved < kSteps) {
            ++moved;
            send(QEvent::MouseMove, from + (to - from) * moved / kSteps, Qt::NoButton, Qt::LeftButton);
            return;
        }
        if (target && !targetReached && !late) {
            send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
            return;
        }
        if (++settled < kSettleTicks && !late)
            return;
        timer.stop();
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }

    QWidget *source;
    QPoint from;
    QPoint to;
    QWidget *target;
    QTimer timer;
    QElapsedTimer clock;
    int moved = 0;
    int settled = 0;
    bool targetReached = false;
};

void moveAndRelease(QWidget *source, const QPoint &from, QWidget *target)
{
    new DragPlayer(source, from, target->mapToGlobal(target->rect().center()), target);
}

void moveAndRelease(QWidget *source, const QPoint &from, const QPoint &to)
{
    new DragPlayer(source, from, to, nullptr);
}

class VCardDragOnXvfb : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs the xcb platform (the Xvfb fixture)";
        ASSERT_TRUE(folder.isValid());
        QVVCardDragSourceView::setTempPathForTesting(folder.filePath(QStringLiteral("cards")));
        source.setWindowTitle(QStringLiteral("source"));
        auto *layout = new QVBoxLayout(&source);
        view = new QVVCardDragSourceView(&source);
        view->setFixedSize(40, 40);
        layout->addWidget(view);
        source.setGeometry(40, 40, 120, 120);
        target.setWindowTitle(QStringLiteral("target"));
        target.setTitle(QStringLiteral("From"));
        target.setGeometry(400, 40, 240, 160);
        recorder.setWindowTitle(QStringLiteral("recorder"));
        recorder.setGeometry(400, 300, 240, 160);
        source.show();
        target.show();
        recorder.show();
        ASSERT_TRUE(waitExposed(source));
        ASSERT_TRUE(waitExposed(target));
        ASSERT_TRUE(waitExposed(recorder));
        view->setVCard(kCard);
        ASSERT_FALSE(view->currentPath().isEmpty());
    }
    void TearDown() override { QVVCardDragSourceView::setTempPathForTesting(QString()); }

    QTemporaryDir folder;
    QWidget source;
    QVVCardDragSourceView *view = nullptr;
    QVFromAddressBox target;
    RecordingDropTarget recorder;
};

} // namespace

TEST_F(VCardDragOnXvfb, TheDropCarriesTheVCardAndItsPrivateFile)
{
    const QPoint from = view->mapToGlobal(view->rect().center());
    moveAndRelease(view, from, &recorder);
    ASSERT_TRUE(view->startDrag());
    ASSERT_EQ(recorder.drops, 1);
    EXPECT_EQ(recorder.vCard, kCard);
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_EQ(recorder.urls.first().toLocalFile(), view->currentPath());
    QFile file(view->currentPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), kCard);
    EXPECT_EQ(file.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());
}

TEST_F(VCardDragOnXvfb, TheReturnAddressBoxAnnouncesTheDroppedCard)
{
    QByteArray received;
    bool notified = false;
    auto observer = NotificationCenter::defaultCenter().addObserver(
        QVFromAddressBoxDidReadvCardNotification, [&](const Notification &notification) {
            notified = true;
            if (const auto vCard = notification.object.shared<const QByteArray>())
                received = *vCard;
        });
    const QPoint from = view->mapToGlobal(view->rect().center());
    moveAndRelease(view, from, &target);
    ASSERT_TRUE(view->startDrag());
    EXPECT_TRUE(notified);
    EXPECT_EQ(received, kCard);
    EXPECT_EQ(recorder.drops, 0);
}

TEST_F(VCardDragOnXvfb, ADropWhereNothingTakesItRemovesTheFile)
{
    bool notified = false;
    auto observer = NotificationCenter::defaultCenter().addObserver(QVFromAddressBoxDidReadvCardNotification,
                                                                    [&](const Notification &) { notified = true; });
    const QPoint from = view->mapToGlobal(view->rect().center());
    moveAndRelease(view, from, QPoint(300, 600));
    ASSERT_TRUE(view->startDrag());
    EXPECT_FALSE(notified);
    EXPECT_EQ(recorder.drops, 0);
    EXPECT_FALSE(QFile::exists(view->currentPath()));
}
