// The PDF reader plug-in (printing/customs/PdfDocumentReader.h): Qt Pdf's
// document behind the reader interface.
#include "printing/customs/PdfDocumentReader.h"

#include <QPdfDocument>
#include <QtGlobal>

#include <string_view>

static_assert(std::string_view(tolvane::kPdfReaderPluginEntry) == "tolvaneMakePdfDocumentReader");

namespace {

class QtPdfReader final : public tolvane::PdfDocumentReader
{
public:
    ~QtPdfReader() override { m_document.close(); }

    bool load(const QString &fileName) override
    {
        if (m_document.load(fileName) == QPdfDocument::Error::None && m_document.pageCount() > 0)
            return true;
        m_document.close();
        return false;
    }
    int pageCount() const override { return m_document.pageCount(); }
    QSizeF pagePointSize(int index) const override { return m_document.pagePointSize(index); }
    QImage render(int index, QSize size) const override { return m_document.render(index, size); }

private:
    // Drawing a page changes nothing a reader shows, but Qt Pdf's render()
    // is not const.
    mutable QPdfDocument m_document;
};

} // namespace

extern "C" Q_DECL_EXPORT tolvane::PdfDocumentReader *tolvaneMakePdfDocumentReader() { return new QtPdfReader; }
