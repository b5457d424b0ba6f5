#pragma once
// The export panel's controller on plain state: the format (0 tab-delimited,
// 1 XML), the two dates of the range and the file's extension; it builds the
// export of the shared log and writes it whole to the chosen file. A failed
// write shows an alert (through the platform's dialogs) and changes nothing.
#include <QDateTime>
#include <QString>

#include <optional>

class QVMailingLog;

class QVMailingLogExportController
{
public:
    enum ExportFormat { TabDelimited = 0, XML = 1 };

    // Over the given log (the shared log when none).
    explicit QVMailingLogExportController(QVMailingLog *log = nullptr);

    QVMailingLog *log() const { return m_log; }
    int selectedExportFormat() const { return m_selectedExportFormat; }
    // The format popup's action: the tag of the chosen item.
    void changeFormat(int tag) { m_selectedExportFormat = tag; }
    // "xml" for 1, "txt" for anything else.
    static QString extensionForExportType(int type);
    QString requiredFileType() const { return extensionForExportType(m_selectedExportFormat); }

    // What the panel shows when it opens: the oldest print date of the log
    // (none for an empty log) and now.
    void prepareForExport(const QDateTime &now = QDateTime::currentDateTime());
    std::optional<QDateTime> beginDate() const { return m_beginDate; }
    QDateTime endDate() const { return m_endDate; }
    void setBeginDate(const std::optional<QDateTime> &date) { m_beginDate = date; }
    void setEndDate(const QDateTime &date) { m_endDate = date; }

    // The panel closed: with OK, the export of the range in the chosen format
    // is written to the path (UTF-8; the file is replaced whole). Answers
    // whether a file was written; a failure was shown as an alert.
    bool savePanelDidEnd(bool ok, const QString &path);

private:
    QVMailingLog *m_log = nullptr;
    int m_selectedExportFormat = TabDelimited;
    std::optional<QDateTime> m_beginDate;
    QDateTime m_endDate;
};
