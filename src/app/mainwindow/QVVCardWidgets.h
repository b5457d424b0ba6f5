#pragma once
// The three views of the main window that move addresses in and out as
// vCards:
//   - QVAddressTextView, the destination box: takes vCard data, one ".vcf"
//     file, and tab-separated address rows (dropped or pasted). A vCard
//     replaces the whole text by the person's address and posts
//     "QVAddressTextViewDidReadvCardNotification" (object: the view, user
//     information "thePerson": the Person); a row of tab-separated pieces
//     becomes address lines (addressLinesFromTabbedText).
//   - QVFromAddressBox, the return-address drop box: takes vCard data or one
//     ".vcf" file while drags are allowed, and posts
//     "QVFromAddressBoxDidReadvCardNotification" (object: the vCard data as
//     a shared QByteArray).
//   - QVVCardDragSourceView: the destination's card as a picture that can be
//     dragged out as vCard data and as a ".vcf" file. The file is written to
//     a folder of the user's own (mode 0700), under one safe file name made
//     from the address's first line; it is removed when the drag drops
//     nowhere, when the card changes and when the view goes.
// Two files, or one that is not ".vcf" (extension compared in lower case),
// are refused by both drop targets. Only a URL list naming a file on this
// machine counts as files: the destination box reads a dragged or pasted web
// link as ordinary text.
#include <QByteArray>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QPoint>
#include <QString>
#include <QTextEdit>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QMimeData;

inline const QString QVAddressTextViewDidReadvCardNotification =
    QStringLiteral("QVAddressTextViewDidReadvCardNotification");
inline const QString QVFromAddressBoxDidReadvCardNotification =
    QStringLiteral("QVFromAddressBoxDidReadvCardNotification");
inline const QString QVAddressTextViewPersonKey = QStringLiteral("thePerson");

// MIME types of vCard data (the first is the one written).
inline const QStringList QVVCardMimeTypes = {QStringLiteral("text/vcard"), QStringLiteral("text/x-vcard"),
                                             QStringLiteral("text/directory")};

// The largest vCard file read from a drop.
inline constexpr qint64 QVMaximumDroppedVCardSize = 16 * 1024 * 1024;

// The one ".vcf" file of the data's file list; nothing when the data holds
// no file list, more than one file, or a file of another kind.
std::optional<QString> singleVCardFileOfMimeData(const QMimeData &data);
// The vCard data of the mime data (its vCard type, else the contents of its
// one ".vcf" file); nothing when it holds neither or the file cannot be read.
std::optional<QByteArray> vCardDataOfMimeData(const QMimeData &data);
// Whether the data can give a vCard (vCard type or one ".vcf" file).
bool mimeDataCarriesVCard(const QMimeData &data);

// Address lines from a tab-separated row: the text split at tabs, empty
// pieces dropped; when the last piece holds a digit (a ZIP code) and there
// are more than three pieces, the last three (city, state, ZIP) are joined
// with blanks; else when the last piece holds no digit (a country) and there
// are more than four, the three before it are joined so and the country
// stays a line of its own. Lines joined with "\n". Text without a tab is
// answered as it is.
QString addressLinesFromTabbedText(const QString &text);

class QVAddressTextView : public QTextEdit
{
public:
    explicit QVAddressTextView(QWidget *parent = nullptr);

    // Whether a drop or paste of the data would be taken.
    bool acceptsMimeData(const QMimeData &data) const;
    // Reads the data as a drop or paste does; true when something was read.
    bool readSelectionFromMimeData(const QMimeData &data);

protected:
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    bool readVCard(const QByteArray &data);
};

class QVFromAddressBox : public QGroupBox
{
public:
    explicit QVFromAddressBox(QWidget *parent = nullptr);

    bool allowDrags() const { return m_allowDrags; }
    void setAllowDrags(bool allow) { m_allowDrags = allow; }
    bool isDragging() const { return m_dragging; }
    // Redraws the box, highlighted while dragging.
    void setDragging(bool dragging);

    // Whether a drag carrying the data would be taken.
    bool acceptsDrag(const QMimeData &data) const;
    // Drops the data; true when a vCard was posted.
    bool performDrop(const QMimeData &data);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool m_allowDrags = true;
    bool m_dragging = false;
};

class QVVCardDragSourceView : public QLabel
{
public:
    explicit QVVCardDragSourceView(QWidget *parent = nullptr);
    ~QVVCardDragSourceView() override;

    // The folder of the temporary vCard files: "Tolvane-vCards" in the
    // user's runtime folder (else the cache folder), made with mode 0700;
    // empty when it cannot be made private.
    static QString tempPath();
    // Overrides the folder (tests); an empty text restores it.
    static void setTempPathForTesting(const QString &path);
    // One safe file name for the address's first line: no path separators,
    // control characters or leading dots, at most 50 characters, "vCard"
    // when nothing is left; with ".vcf".
    static QString fileNameForFirstLine(const QString &line);
    // The picture shown while dragging ("SingleCard").
    static QImage dragImage();

    const QByteArray &vCard() const { return m_vCard; }
    // Keeps the card and names its file (an empty card: none).
    void setVCard(const QByteArray &vCard);
    const QString &currentPath() const { return m_currentPath; }

    bool dragEnabled() const { return m_enabled; }
    // Shows the picture when enabled, none when disabled.
    void setDragEnabled(bool enabled);
    void setImage(const QImage &image);

    // A double click's action (the controller offers to add the person).
    void setDoubleClickAction(std::function<void()> action) { m_doubleClick = std::move(action); }
    // The context menu's actions (not owned); shown only when enabled.
    void setContextActions(const QList<QAction *> &actions) { m_contextActions = actions; }
    // The context menu, or nullptr when the view is disabled or has none.
    QMenu *makeContextMenu();

    // The drag's data: the vCard, and the written file's URL when the file
    // could be written; nullptr when the view is disabled or has no card.
    QMimeData *makeDragData();
    // Starts a drag (only when enabled); false when none started.
    bool startDrag();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void removeCurrentFile();

    bool m_enabled = true;
    QImage m_image;
    QByteArray m_vCard;
    QString m_currentPath;
    bool m_fileWritten = false;
    std::optional<QPoint> m_downPosition;
    std::function<void()> m_doubleClick;
    QList<QAction *> m_contextActions;
};
