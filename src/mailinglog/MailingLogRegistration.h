#pragma once
// Registers the shared QVMailingLog as the mailing log that the server
// clients and the application shell reach through model/MailingLogServices.h.
// Each request goes to the shared log of that moment, so a log file that
// could not be read is tried again on the next request; while there is no
// log every request answers nothing and every write fails, as the stand-in
// does.
void registerMailingLog();
