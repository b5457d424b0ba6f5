#include "app/mainwindow/QVVCardWidgets.h"

#include "model/Person.h"
#include "model/VCard.h"
#include "platform/NotificationCenter.h"
#include "sources/QVAddressBookController.h"
#include "widgets/NamedPicture.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

#include <unistd.h>

namespace {

const QStringList kTabbedTextTypes = {QStringLiteral("text/tab-separated-values"),
                                      QStringLiteral("public.utf8-tab-separated-values-text")};

QString gTempPathOverride;

// A drag or paste of file names: a URL list that names a file on this
// machine. A list of web links is not one; its text is read as text.
bool isFileNameData(const QMimeData &data)
{
    if (!data.hasUrls())
        return false;
    const QList<QUrl> urls = data.urls();
    return std::any_of(urls.cbegin(), urls.cend(), [](const QUrl &url) { return url.isLocalFile(); });
}

bool holdsDigit(const QString &text)
{
    for (const QChar c : text)
        if (c.isDigit())
            return true;
    return false;
}

std::optional<QByteArray> vCardTypeData(const QMimeData &data)
{
    for (const QString &type : QVVCardMimeTypes)
        if (data.hasFormat(type))
            return data.data(type);
    return std::nullopt;
}

// A regular file only, read without blocking (a FIFO or a device dropped as
// a ".vcf" file is refused unread).
std::optional<QByteArray> readSmallFile(const QString &path)
{
    const std::optional<QByteArray> data = vCardFileData(path);
    if (!data || data->size() > QVMaximumDroppedVCardSize)
        return std::nullopt;
    return data;
}

// The folder made private to the user: a real folder (no link), owned by
// the user, mode 0700.
bool makePrivateFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        return false;
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir() || info.ownerId() != ::getuid())
        return false;
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

// ---- Mime data -----------------------------------------------------------------

std::optional<QString> singleVCardFileOfMimeData(const QMimeData &data)
{
    if (!data.hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return std::nullopt;
    const QString path = urls.first().toLocalFile();
    if (QFileInfo(path).suffix().toLower() != QLatin1String("vcf"))
        return std::nullopt;
    return path;
}

std::optional<QByteArray> vCardDataOfMimeData(const QMimeData &data)
{
    if (std::optional<QByteArray> vCard = vCardTypeData(data))
        return vCard;
    if (const std::optional<QString> path = singleVCardFileOfMimeData(data))
        return readSmallFile(*path);
    return std::nullopt;
}

bool mimeDataCarriesVCard(const QMimeData &data)
{
    return vCardTypeData(data).has_value() || singleVCardFileOfMimeData(data).has_value();
}

QString addressLinesFromTabbedText(const QString &text)
{
    if (!text.contains(QLatin1Char('\t')))
        return text;
    QStringList pieces = text.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
    const qsizetype count = pieces.size();
    if (count > 3 && holdsDigit(pieces.last())) {
        const QString lastLine = pieces.mid(count - 3).join(QLatin1Char(' '));
        pieces = pieces.mid(0, count - 3);
        pieces.append(lastLine);
    } else if (count > 4 && !holdsDigit(pieces.last())) {
        const QString country = pieces.last();
        const QString cityLine = pieces.mid(count - 4, 3).join(QLatin1Char(' '));
        pieces = pieces.mid(0, count - 4);
        pieces.append(cityLine);
        pieces.append(country);
    }
    return pieces.join(QLatin1Char('\n'));
}

// ---- Destination box -------------------------------------------------------------

QVAddressTextView::QVAddressTextView(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(false);
    setAcceptDrops(true);
}

bool QVAddressTextView::acceptsMimeData(const QMimeData &data) const
{
    if (vCardTypeData(data))
        return true;
    // A file-name list is judged here, and only one ".vcf" file is taken.
    if (isFileNameData(data))
        return singleVCardFileOfMimeData(data).has_value();
    for (const QString &type : kTabbedTextTypes)
        if (data.hasFormat(type))
            return true;
    return QTextEdit::canInsertFromMimeData(&data);
}

bool QVAddressTextView::readSelectionFromMimeData(const QMimeData &data)
{
    if (const std::optional<QByteArray> vCard = vCardTypeData(data))
        return readVCard(*vCard);
    if (isFileNameData(data)) {
        const std::optional<QByteArray> contents = vCardDataOfMimeData(data);
        return contents && readVCard(*contents);
    }
    QString text;
    for (const QString &type : kTabbedTextTypes) {
        if (data.hasFormat(type)) {
            text = QString::fromUtf8(data.data(type));
            break;
        }
    }
    if (text.isNull() && data.hasText())
        text = data.text();
    if (text.contains(QLatin1Char('\t'))) {
        insertPlainText(addressLinesFromTabbedText(text));
        return true;
    }
    if (!QTextEdit::canInsertFromMimeData(&data))
        return false;
    QTextEdit::insertFromMimeData(&data);
    return true;
}

bool QVAddressTextView::canInsertFromMimeData(const QMimeData *source) const
{
    return source && acceptsMimeData(*source);
}

void QVAddressTextView::insertFromMimeData(const QMimeData *source)
{
    if (source)
        readSelectionFromMimeData(*source);
}

bool QVAddressTextView::readVCard(const QByteArray &data)
{
    const std::optional<Person> person = personWithVCardRepresentation(data);
    if (!person || isReadOnly())
        return false;
    // The whole text is replaced, as one change the user can undo.
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(qv_formattedAddressString(*person));
    setFocus(Qt::OtherFocusReason);
    NotificationCenter::defaultCenter().post(QVAddressTextViewDidReadvCardNotification, this,
                                             {{QVAddressTextViewPersonKey, QVariant::fromValue(*person)}});
    return true;
}

// ---- Return-address box ----------------------------------------------------------

QVFromAddressBox::QVFromAddressBox(QWidget *parent) : QGroupBox(parent) { setAcceptDrops(true); }

void QVFromAddressBox::setDragging(bool dragging)
{
    if (m_dragging == dragging)
        return;
    m_dragging = dragging;
    // The secondary look while a card hovers over the box.
    setFlat(dragging);
    setStyleSheet(dragging ? QStringLiteral("QGroupBox { border: 2px solid palette(highlight); }") : QString());
    update();
}

bool QVFromAddressBox::acceptsDrag(const QMimeData &data) const { return m_allowDrags && mimeDataCarriesVCard(data); }

bool QVFromAddressBox::performDrop(const QMimeData &data)
{
    setDragging(false);
    if (!acceptsDrag(data))
        return false;
    const std::optional<QByteArray> vCard = vCardDataOfMimeData(data);
    if (!vCard)
        return false;
    NotificationCenter::defaultCenter().post(QVFromAddressBoxDidReadvCardNotification,
                                             std::make_shared<const QByteArray>(*vCard));
    return true;
}

void QVFromAddressBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData() || !acceptsDrag(*event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setDragging(true);
}

void QVFromAddressBox::dragLeaveEvent(QDragLeaveEvent *event)
{
    setDragging(false);
    QGroupBox::dragLeaveEvent(event);
}

void QVFromAddressBox::dropEvent(QDropEvent *event)
{
    if (event->mimeData() && performDrop(*event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

// ---- Drag source -----------------------------------------------------------------

QVVCardDragSourceView::QVVCardDragSourceView(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setImage(namedPicture(QStringLiteral("SingleCard"), QSize(32, 32)));
}

QVVCardDragSourceView::~QVVCardDragSourceView() { removeCurrentFile(); }

QString QVVCardDragSourceView::tempPath()
{
    if (!gTempPathOverride.isEmpty())
        return makePrivateFolder(gTempPathOverride) ? gTempPathOverride : QString();
    for (const auto location : {QStandardPaths::RuntimeLocation, QStandardPaths::CacheLocation}) {
        const QString base = QStandardPaths::writableLocation(location);
        if (base.isEmpty())
            continue;
        const QString folder = QDir(base).filePath(QStringLiteral("Tolvane-vCards"));
        if (makePrivateFolder(folder))
            return folder;
    }
    return QString();
}

void QVVCardDragSourceView::setTempPathForTesting(const QString &path) { gTempPathOverride = path; }

QString QVVCardDragSourceView::fileNameForFirstLine(const QString &line)
{
    QString name;
    for (const QChar c : line) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            name += QLatin1Char('-');
        else if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format || c.isNull())
            continue;
        else
            name += c;
    }
    name = name.trimmed();
    while (name.startsWith(QLatin1Char('.')) || name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    name = name.left(50).trimmed();
    if (name.isEmpty())
        name = QStringLiteral("vCard");
    return name + QStringLiteral(".vcf");
}

QImage QVVCardDragSourceView::dragImage() { return namedPicture(QStringLiteral("SingleCard"), QSize(32, 32)); }

void QVVCardDragSourceView::setVCard(const QByteArray &vCard)
{
    removeCurrentFile();
    m_vCard = vCard;
    m_currentPath.clear();
    if (vCard.isEmpty())
        return;
    const std::optional<Person> person = personWithVCardRepresentation(vCard);
    const QString folder = tempPath();
    if (!person || folder.isEmpty())
        return;
    const QString firstLine = qv_formattedAddressString(*person).section(QLatin1Char('\n'), 0, 0);
    m_currentPath = QDir(folder).filePath(fileNameForFirstLine(firstLine));
}

void QVVCardDragSourceView::setDragEnabled(bool enabled)
{
    m_enabled = enabled;
    setPixmap(enabled ? QPixmap::fromImage(m_image) : QPixmap());
}

void QVVCardDragSourceView::setImage(const QImage &image)
{
    m_image = image;
    setDragEnabled(m_enabled);
}

QMenu *QVVCardDragSourceView::makeContextMenu()
{
    if (!m_enabled || m_contextActions.isEmpty())
        return nullptr;
    auto *menu = new QMenu(this);
    menu->addActions(m_contextActions);
    return menu;
}

QMimeData *QVVCardDragSourceView::makeDragData()
{
    if (!m_enabled || m_vCard.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(QVVCardMimeTypes.first(), m_vCard);
    if (m_currentPath.isEmpty())
        return data;
    QSaveFile file(m_currentPath);
    if (file.open(QIODevice::WriteOnly) && file.write(m_vCard) == m_vCard.size() && file.commit()) {
        QFile::setPermissions(m_currentPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        m_fileWritten = true;
        data->setUrls({QUrl::fromLocalFile(m_currentPath)});
    }
    return data;
}

bool QVVCardDragSourceView::startDrag()
{
    QMimeData *data = makeDragData();
    if (!data)
        return false;
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    const QPixmap picture = QPixmap::fromImage(dragImage());
    drag->setPixmap(picture);
    drag->setHotSpot(QPoint(picture.width() / 2, picture.height() / 2));
    // Dropped nowhere, the file is of no use; a receiver that took it may
    // still be copying it, so it stays until the card changes or the view
    // goes.
    if (drag->exec(Qt::CopyAction) == Qt::IgnoreAction)
        removeCurrentFile();
    return true;
}

void QVVCardDragSourceView::removeCurrentFile()
{
    if (m_fileWritten && !m_currentPath.isEmpty())
        QFile::remove(m_currentPath);
    m_fileWritten = false;
}

void QVVCardDragSourceView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_downPosition = event->position().toPoint();
    event->accept();
}

void QVVCardDragSourceView::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_downPosition.reset();
    event->accept();
    if (m_doubleClick)
        m_doubleClick();
}

void QVVCardDragSourceView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_downPosition || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position().toPoint() - *m_downPosition).manhattanLength() < QApplication::startDragDistance())
        return;
    m_downPosition.reset();
    startDrag();
}

void QVVCardDragSourceView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = makeContextMenu();
    if (!menu) {
        event->ignore();
        return;
    }
    menu->exec(event->globalPos());
    delete menu;
}
