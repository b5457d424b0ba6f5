#pragma once
// The stamp window's files in the application-support folder: the folder
// "Pellmark" with the PDF copies of printed stamp jobs, and inside it the
// folder "scratch" with one scratch file per stamp bought and not yet
// printed.
//
// A stamp is paid for the moment the postage server answers, so each one is
// written at once (whole or not at all, the file and its folder synced to
// disk, as the mailing log is) as "<piece count>.tolvanestamp": a binary property list
// of a dictionary with "version" (the format's version, 1; files written
// before it existed have none and read as version 1), "request" (the stamp
// request's keyed form) and "theResponse" (the server reply's keyed form).
// The print flows remove the files of the stamps they printed after a good
// print; files found when the window loads are printed again from the saved
// replies, never bought again. A file that cannot be read or drawn is set
// aside in the folder "damaged" inside the scratch folder, never deleted.
//
// A second stamp with a piece count already on disk never replaces the
// first one's file (that would lose a paid stamp): it is written as
// "<piece count> 2.tolvanestamp" (3, 4, ...). Scratch files never expire;
// PDF copies older than three days are removed by expireOldPostage().
//
// The mailing log: a purchase run writes one entry for its stamps after the
// last one is bought, so a program that dies during the run leaves stamps
// no entry covers. Each file therefore says whether its stamp still owes its
// entry ("logEntryOwed", a boolean): written YES at purchase, turned NO
// (the file replaced atomically) once the run's entry is in the log. A file
// without the key (earlier builds, which logged every run before printing
// it) owes nothing, so no stamp is ever logged twice. The key is optional
// within version 1: earlier builds of version 1 read such files and ignore
// it. A printed stamp whose entry the log still refuses keeps its file in
// the folder "unlogged" inside the scratch folder until the entry is
// written.
#include "stamps/TessaroCatalogue.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class QVRHOResponse;

namespace tessaro {

// "Pellmark/".
QString tessaroSubPath();
// The folder Pellmark of the application-support folder (no slash at the
// end); empty when there is no application-support folder.
QString pellmarkPath();
// The folder scratch inside it.
QString scratchPath();

// The folder damaged inside the scratch folder.
QString damagedScratchPath();

// The folder unlogged inside the scratch folder: the files of stamps that
// were printed while the mailing log refused their entry. They are kept
// there (never printed again) until the entry is written.
QString unloggedScratchPath();

// The version of the scratch format written; files of a later version are
// not read.
inline constexpr int ScratchFormatVersion = 1;

// Creates Pellmark and its scratch folder when missing; false when they
// cannot be made (a file in the way, no application-support folder).
bool makeScratchFolder();

// Writes the stamp's scratch file (see above); the path written, or empty
// when it could not be written (the reason in *error).
// Whether the stamp written still owes its mailing-log entry.
enum class ScratchLogEntry { Written, Owed };

QString writeScratchFile(const QVRHOStampIndiciumRequest &request, const QVRHOResponse &response,
                         QString *error = nullptr, ScratchLogEntry logEntry = ScratchLogEntry::Written);

// Records in each of the files that its stamp's mailing-log entry is
// written (each file replaced atomically; the rest of it unchanged); false
// when one of them could not be rewritten.
bool markLogEntriesWritten(const QStringList &paths);

// A stamp read back from its scratch file.
struct ScratchStamp {
    QString path;
    TessaroStamp request;
    std::shared_ptr<QVRHOResponse> response;
    // No mailing-log entry covers the stamp yet.
    bool logEntryOwed = false;
};

// The stamp of one scratch file's bytes; nothing when they are not a
// property-list dictionary holding a readable request and reply.
std::optional<ScratchStamp> scratchStampFromData(const QByteArray &data);

// The names of the ".tolvanestamp" files of the folder, in the order the
// stamps were bought (by piece count, then name); empty when it is no
// folder.
QStringList scratchFileNames(const QString &folder = scratchPath());
// The stamps of the folder's scratch files in that order; files that cannot
// be read (not a property list, a request or reply missing or damaged, a
// later format) are skipped, their paths added to *unreadable when given.
QList<ScratchStamp> readScratchFolder(const QString &folder = scratchPath(), QStringList *unreadable = nullptr);

// Moves a scratch file into the damaged folder (never replacing a file
// there: "<name> 2", "<name> 3", ...); the new path, or empty when it could
// not be moved (the file then stays where it was).
QString setAsideScratchFile(const QString &path);

// Moves the scratch file of a printed stamp whose mailing-log entry could
// not be written into the unlogged folder, in the same way; the new path, or
// empty when it could not be moved.
QString holdUnloggedScratchFile(const QString &path);

// Removes the given scratch files (the stamps printed) and nothing else;
// false when one of them could not be removed.
bool removeScratchFiles(const QStringList &paths);

// Removes the scratch folder with everything in it.
bool removeScratchFolder();

// Removes every ".pdf" below Pellmark (its sub-folders too) modified more
// than 259,200 seconds (three days) before `now`; answers how many were
// removed. Nothing else is touched.
int expireOldPostage(const QDateTime &now = QDateTime::currentDateTime());

} // namespace tessaro
