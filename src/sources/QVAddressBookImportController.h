#pragma once
// QVAddressBookImportController: imports a list of delivery addresses from a
// text file (tab-delimited or comma-separated, as spreadsheets export them)
// into the stored list "importedAddresses.plist" of the application-support
// folder, which the address drawer shows as its imported source.
//
// A row's fields are, in this fixed order: name, company, suite/apartment,
// street, city, state, ZIP, country, phone, e-mail, description, reference
// id. A row is domestic when it has fewer than 8 fields, an empty country or
// a country that names the United States or a territory served as domestic
// mail; its fields are stored as they are and the country becomes "United
// States". Any other row is international: the country upper-cased and
// trimmed, and of name, company, suite, street and "city state ZIP" those
// that are not blank, the first as the name and the rest as the foreign
// address lines, then phone, e-mail, description and reference id.
//
// The file is decoded as UTF-8 (a byte-order mark dropped), UTF-16 when it
// starts with a UTF-16 byte-order mark, else Windows-1252, else Mac OS Roman,
// which takes any bytes. Windows-1252 comes before Mac OS Roman because Mac
// OS Roman never fails: a Windows file would otherwise arrive garbled.
//
// The stored list is a binary property list, an array of address
// dictionaries, written whole or not at all. A stored list that exists but
// cannot be read is never replaced by an append: the import stops with an
// error and the file stays as it was.
//
// The file and the options are asked for through the dialogs interface
// (platform/Dialogs.h): an open panel with three choices (format, what
// happens to the stored list, whether the first row holds column titles).
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

class QVAddressBookImportController
{
public:
    enum Format { TabDelimited = 0, CommaSeparated = 1 };

    // Largest file the import reads (bytes); larger ones are refused.
    static constexpr qsizetype kMaximumFileSize = 64 * 1024 * 1024;

    // Asks for the file and the options, reads, converts and stores it.
    // True when a file was chosen and the list was stored; false when the
    // user cancelled or anything failed (an alert then said what).
    bool import();

    // The stored list's path; empty when there is no support folder.
    static QString filePath();

    // The stored list's data for the rows (line texts, split at tabs here,
    // for the tab-delimited format; lists of fields for the comma-separated
    // one). Nothing, with `error` set, for any other format and when
    // appending to a stored list that exists but cannot be read.
    std::optional<QByteArray> dataWithAddressArray(const QVariantList &rows, QString *error = nullptr) const;
    // The rows of decoded text in the current format.
    QVariantList rowsOfText(const QString &text) const;

    // The open panel selected another file: a ".csv" file selects the
    // comma-separated format.
    void panelSelectionDidChange(const QString &path);

    // The options, as the panel's controls set them: the format's tag; the
    // overwrite control's tag (1: overwrite); the header control's tag (0:
    // skip the first row).
    void changeFormat(int tag) { m_selectedImportFormat = tag; }
    void changeOverwrite(int tag) { m_overwrite = tag == 1; }
    void changeHeaderRow(int tag) { m_headerRow = tag == 0; }

    int selectedImportFormat() const { return m_selectedImportFormat; }
    bool overwrite() const { return m_overwrite; }
    bool headerRow() const { return m_headerRow; }

private:
    int m_selectedImportFormat = TabDelimited;
    bool m_overwrite = true;
    bool m_headerRow = false;
};

// The text of an address-list file by the decoding chain above; nothing only
// for data no decoder takes (never, since Mac OS Roman takes any bytes).
std::optional<QString> addressListText(const QByteArray &data);

// The stored list: its array, an empty one when there is no file; nothing
// (with `error` set) when a file is there but is not a readable array.
std::optional<QVariantList> readImportedAddressList(QString *error = nullptr);
