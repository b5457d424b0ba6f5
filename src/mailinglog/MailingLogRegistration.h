#pragma once
// Registers the shared QVMailingLog as the mailing log that the server
// clients and the application shell reach through model/MailingLogServices.h.
// Each request goes to the shared log of that moment, so a log file that
// could not be read is tried again on the next request; while there is no
// log every request answers nothing and every write fails, as the stand-in
// does, and the first such request tells the user (once) that the log file
// cannot be read; the file is never touched then. An entry the log refused
// is kept in the file of waiting entries beside it (QVMailingLog).
void registerMailingLog();
