#include "printing/customs/QVPdfPages.h"

#include "platform/Bundle.h"
#include "platform/Plugins.h"
#include "printing/customs/PdfDocumentReader.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cmath>

namespace tolvane {

namespace {

constexpr double kMaximumPixels = 64.0 * 1024 * 1024;

// Whether the page tree, as far as its objects stand in the file as text,
// leads back into itself through "/Kids" (QtPdf never finishes loading such
// a document). Objects packed into object streams are not seen here.
bool pageTreeHasCycle(const QByteArray &data)
{
    static const QRegularExpression objectPattern(QStringLiteral("(\\d+)\\s+\\d+\\s+obj\\b"));
    static const QRegularExpression kidsPattern(QStringLiteral("/Kids\\s*\\[([^\\]]*)\\]"));
    static const QRegularExpression referencePattern(QStringLiteral("(\\d+)\\s+\\d+\\s+R"));
    const QString text = QString::fromLatin1(data);
    QHash<qint64, QList<qint64>> kids;
    QRegularExpressionMatchIterator objects = objectPattern.globalMatch(text);
    QList<QPair<qint64, qsizetype>> starts;
    while (objects.hasNext()) {
        const QRegularExpressionMatch match = objects.next();
        starts.append({match.captured(1).toLongLong(), match.capturedEnd()});
    }
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const qsizetype end = i + 1 < starts.size() ? starts[i + 1].second : text.size();
        const QString body = text.mid(starts[i].second, end - starts[i].second);
        QRegularExpressionMatchIterator arrays = kidsPattern.globalMatch(body);
        while (arrays.hasNext()) {
            const QString list = arrays.next().captured(1);
            QRegularExpressionMatchIterator references = referencePattern.globalMatch(list);
            while (references.hasNext())
                kids[starts[i].first].append(references.next().captured(1).toLongLong());
        }
    }
    // Depth-first search without recursion: 1 on the current path, 2 done.
    QHash<qint64, int> state;
    for (auto root = kids.cbegin(); root != kids.cend(); ++root) {
        if (state.value(root.key()) != 0)
            continue;
        QList<QPair<qint64, qsizetype>> path{{root.key(), 0}};
        state[root.key()] = 1;
        while (!path.isEmpty()) {
            auto &[node, next] = path.last();
            const QList<qint64> children = kids.value(node);
            if (next >= children.size()) {
                state[node] = 2;
                path.removeLast();
                continue;
            }
            const qint64 child = children[next++];
            const int seen = state.value(child);
            if (seen == 1)
                return true;
            if (seen == 0) {
                state[child] = 1;
                path.append({child, 0});
            }
        }
    }
    return false;
}

QString buildPluginFolder()
{
#ifdef TOLVANE_PDF_PLUGIN_DIR
    return QStringLiteral(TOLVANE_PDF_PLUGIN_DIR);
#else
    return QString();
#endif
}

} // namespace

QString pdfReaderPluginFileName() { return QStringLiteral("tolvane-pdf.so"); }

std::unique_ptr<PdfDocumentReader> makePdfDocumentReader(QString *error)
{
    using Entry = PdfDocumentReader *(*)();
    // Loaded once; a plug-in that cannot be loaded is said once.
    static QString failure;
    static const Entry entry = reinterpret_cast<Entry>(
        resolvePluginEntry(pdfReaderPluginFileName(), buildPluginFolder(), kPdfReaderPluginEntry, &failure));
    if (!entry) {
        if (error)
            *error = failure;
        return nullptr;
    }
    return std::unique_ptr<PdfDocumentReader>(entry());
}

QVPdfPages::~QVPdfPages() = default;

std::shared_ptr<const QVPdfPages> QVPdfPages::fromData(const QByteArray &data, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return std::shared_ptr<const QVPdfPages>();
    };
    if (!data.startsWith("%PDF") && !data.left(1024).contains("%PDF-"))
        return fail(QStringLiteral("The data is not a PDF document."));
    if (pageTreeHasCycle(data))
        return fail(QStringLiteral("The PDF document could not be read: its page tree leads back into itself."));
    std::shared_ptr<QVPdfPages> pages(new QVPdfPages);
    pages->m_data = data;
    // QtPdf reads a file at once (a device would be read as it arrives).
    pages->m_file =
        std::make_unique<QTemporaryFile>(QDir(QDir::tempPath()).filePath(QStringLiteral("tolvane-XXXXXX.pdf")));
    if (!pages->m_file->open() || pages->m_file->write(data) != data.size() || !pages->m_file->flush())
        return fail(QStringLiteral("The PDF document could not be read: %1").arg(pages->m_file->errorString()));
    QString reason;
    pages->m_document = makePdfDocumentReader(&reason);
    if (!pages->m_document)
        return fail(QStringLiteral("The PDF document could not be read: %1").arg(reason));
    if (!pages->m_document->load(pages->m_file->fileName()))
        return fail(QStringLiteral("The PDF document could not be read."));
    return pages;
}

std::shared_ptr<const QVPdfPages> QVPdfPages::named(const QString &name)
{
    const QString path = Bundle::pathForResource(name, QStringLiteral("pdf"));
    if (path.isEmpty())
        return nullptr;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    return fromData(file.readAll());
}

int QVPdfPages::pageCount() const { return m_document ? m_document->pageCount() : 0; }

QSizeF QVPdfPages::pageSize(int index) const
{
    if (index < 0 || index >= pageCount())
        return QSizeF();
    const QSizeF size = m_document->pagePointSize(index);
    return size.width() > 0 && size.height() > 0 ? size : QSizeF();
}

QImage QVPdfPages::renderPage(int index, double dpi) const
{
    const QSizeF points = pageSize(index);
    if (points.isEmpty() || !(dpi > 0))
        return QImage();
    double scale = dpi / 72.0;
    const double pixels = points.width() * scale * points.height() * scale;
    if (pixels > kMaximumPixels)
        scale *= std::sqrt(kMaximumPixels / pixels);
    const QSize size(std::max(1, int(std::lround(points.width() * scale))),
                     std::max(1, int(std::lround(points.height() * scale))));
    // What the page leaves empty stays transparent, so that a page drawn
    // over another lets it show through.
    QImage page = m_document->render(index, size);
    if (page.isNull())
        return QImage();
    const int dotsPerMeter = int(std::lround(scale * 72.0 / 0.0254));
    page.setDotsPerMeterX(dotsPerMeter);
    page.setDotsPerMeterY(dotsPerMeter);
    return page;
}

QVLayoutImage QVPdfPages::pageImage(int index, double dpi) const
{
    const QImage image = renderPage(index, dpi);
    return image.isNull() ? QVLayoutImage() : QVLayoutImage::fromImage(image);
}

void QVPdfPages::drawPage(QPainter &painter, int index, const QRectF &target, double dpi) const
{
    const QImage image = renderPage(index, dpi);
    if (!image.isNull())
        painter.drawImage(target, image);
}

QVLayoutImage customsImageWithData(const QByteArray &data)
{
    if (data.isEmpty())
        return QVLayoutImage();
    if (const std::shared_ptr<const QVPdfPages> pdf = QVPdfPages::fromData(data))
        return pdf->pageImage(0);
    QImage image;
    if (!image.loadFromData(data))
        return QVLayoutImage();
    return QVLayoutImage::fromImage(image);
}

} // namespace tolvane
