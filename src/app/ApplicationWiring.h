#pragma once
// The running program's answers to the application delegate's hooks: the
// rate engine and country files, the reachability of the address-correction
// host, the shared clients, the main window, the mailing log, the scales and
// the process itself.
#include "app/LaunchServices.h"

class QMainWindow;
class QVXController;

// The host whose reachability decides whether the program may start: the
// address-correction service's, the user default "glzServerAddress" (no
// vendor host is known to this build: without the setting the host is
// empty, which is never reachable). A scheme or port in the setting is left
// out.
QString addressCorrectionServiceHost();

// The page the announcement shows to those coming from an old build.
QUrl announcementPageURL();

// The hooks of the running program; the main window the launch makes is put
// into `mainWindow` (kept by the caller).
QVXControllerHooks applicationHooks(QVXController &controller, QMainWindow *&mainWindow);
