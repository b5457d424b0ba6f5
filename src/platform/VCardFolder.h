#pragma once
// The address book's store on Linux: a folder of vCard files. There is no
// system address book here, so the program's contacts are the ".vcf" files
// of one folder (user default "addressBookFolder"; without it the folder
// "Address Book" in the application-support folder, which the drawer lists
// and the menu's "Address Book" item opens). Each file holds one or more
// cards; the user's own card ("me") is the first card of the file named by
// the user default "addressBookMeCard".
//
// This layer knows files and bytes only; the cards are read by the model's
// vCard reader (model/ABAddressBook.h). It writes cards atomically under
// file names that never leave the folder, watches the folder (a file added,
// removed or changed by another program posts
// kABDatabaseChangedExternallyNotification on the default NotificationCenter
// from the event loop; the program's own writes post
// kABDatabaseChangedNotification at once), and "edits" a card by opening its
// file with the desktop's program for vCards through the URL opener.
#include <QByteArray>
#include <QFileSystemWatcher>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

inline const QString kABDatabaseChangedNotification = QStringLiteral("ABDatabaseChangedNotification");
inline const QString kABDatabaseChangedExternallyNotification =
    QStringLiteral("ABDatabaseChangedExternallyNotification");
inline const QString VCardFolderDefaultsKey = QStringLiteral("addressBookFolder");
inline const QString VCardFolderMeCardDefaultsKey = QStringLiteral("addressBookMeCard");
// The folder's name in the application-support folder when no setting names
// one.
inline const QString VCardFolderDefaultName = QStringLiteral("Address Book");

class VCardFolder : public QObject
{
    Q_OBJECT
public:
    // Files larger than this are skipped (bytes).
    static constexpr qsizetype kMaximumCardFileSize = 16 * 1024 * 1024;

    struct CardFile {
        QString fileName; // within the folder
        QByteArray data;
    };

    static VCardFolder &sharedFolder();

    // The folder (created when missing); empty when there is none. Cards
    // that earlier builds kept in "Contacts" of the application-support
    // folder move to the default folder while it does not exist yet.
    QString folderPath() const;
    // Every ".vcf" file of the folder (any case), by name; files that cannot
    // be read or are too large are left out. Starts watching the folder.
    QList<CardFile> cardFiles();
    // The file name of the "me" card (the user default), empty when unset.
    QString meCardFileName() const;

    // A file name for a new card of that name: path separators, control
    // characters and a leading "." replaced, ".vcf" appended, and a number
    // added when the folder already has a file of that name.
    QString proposedFileName(const QString &name) const;
    // Writes the data as the file (replacing it whole, or not at all). A
    // name that is not a plain file name of the folder is refused. Posts
    // kABDatabaseChangedNotification when written.
    bool writeCardFile(const QString &fileName, const QByteArray &data, QString *error = nullptr);
    // Opens the card's file with the desktop's program (through the URL
    // opener); false when there is no such file or the desktop refused.
    bool openCardFile(const QString &fileName);

    // The name fit to be a file name of the folder: path separators and
    // control characters become "-", leading dots are dropped.
    static QString safeFileName(const QString &name);
    // Whether the name is a plain file name (no separator, not "." or "..").
    static bool isPlainFileName(const QString &fileName);

private:
    VCardFolder() = default;
    void watch(const QString &folder);
    void folderChanged();

    std::unique_ptr<QFileSystemWatcher> m_watcher;
    QString m_watched;
};
