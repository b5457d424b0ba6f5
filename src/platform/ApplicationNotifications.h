#pragma once
// The application's activation and termination, as notifications on the
// default NotificationCenter (no object): the serial scale pauses while the
// application is inactive and ends at termination.
//
// postApplicationNotifications() is the hook that connects them to the
// running application: a QGuiApplication's state changes post "did become
// active" and "did resign active", and aboutToQuit posts "will terminate".
// Call it once, after the application object exists. Tests post the
// notifications themselves.
#include <QString>

inline const QString NSApplicationDidBecomeActiveNotification =
    QStringLiteral("NSApplicationDidBecomeActiveNotification");
inline const QString NSApplicationDidResignActiveNotification =
    QStringLiteral("NSApplicationDidResignActiveNotification");
inline const QString NSApplicationWillTerminateNotification = QStringLiteral("NSApplicationWillTerminateNotification");

void postApplicationNotifications();
