#pragma once
// Ends the program in order when it is asked to stop from outside (SIGTERM,
// SIGINT, SIGHUP: a desktop session ending, Ctrl+C, the stand-in servers of
// `make run` stopping it): the event loop quits, so that the quit runs as
// when the user quits (the last run's build and the printing mode stored, the
// scales closed).
//
// installQuitOnSignals() needs the QCoreApplication; call it once.
void installQuitOnSignals();
