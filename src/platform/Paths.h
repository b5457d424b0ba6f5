#pragma once
// Where the program keeps its files.
#include <QString>

// The application-support folder: everything the program writes (mailing
// log, label archive, favourites, scratch files, debug logs, caches) lives
// here. The environment variable TOLVANE_SUPPORT_DIR, when set and not empty,
// names it (tests always set it); otherwise it is the platform's application
// data folder (QStandardPaths::AppDataLocation). The folder is created when
// missing; when it cannot be created an empty string is answered (and a
// warning logged), so that no file is written somewhere unexpected.
QString applicationSupportDirectory();
