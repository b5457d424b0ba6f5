#include "platform/ApplicationNotifications.h"

#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QGuiApplication>

void postApplicationNotifications()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    QObject::connect(app, &QCoreApplication::aboutToQuit, app,
                     [] { NotificationCenter::defaultCenter().post(NSApplicationWillTerminateNotification); });
    auto *gui = qobject_cast<QGuiApplication *>(app);
    if (!gui)
        return;
    QObject::connect(gui, &QGuiApplication::applicationStateChanged, gui,
                     [active = gui->applicationState() == Qt::ApplicationActive](Qt::ApplicationState state) mutable {
                         const bool nowActive = state == Qt::ApplicationActive;
                         if (nowActive == active)
                             return;
                         active = nowActive;
                         NotificationCenter::defaultCenter().post(nowActive ? NSApplicationDidBecomeActiveNotification
                                                                            : NSApplicationDidResignActiveNotification);
                     });
}
