#pragma once
// The mailing-log window in the running program: one log window for the
// process (QVMailingLogController over the shared log, with its view),
// made the first time the menu, Ctrl+L or the toolbar asks for it. The menu
// bar's Delivery Status items go to it: they are enabled while it shows a
// selected piece, and a chosen item sets that piece's status.
#include <QtGlobal>

class QVMenuActions;
class QVWindowControllers;

void registerMailingLogWindow(QVWindowControllers &windows, QVMenuActions &actions);

// Selects the row of the log's display index in the log window (when it
// exists) and brings it to the front.
void highlightMailingLogRow(QVWindowControllers &windows, quint64 displayIndex);
