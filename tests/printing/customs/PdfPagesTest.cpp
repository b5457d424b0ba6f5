// QVPdfPages: PDFs from servers and files are read into pages; a page tree
// that leads back into itself is refused before QtPdf sees it (QtPdf would
// never finish loading it).
#include "printing/customs/QVPdfPages.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

namespace {

// A one-page document whose page tree is given as the body of object 2.
QByteArray pdfWithPageTree(const QByteArray &pagesObject)
{
    return "%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n2 0 obj\n" + pagesObject +
        "\nendobj\n3 0 obj\n<< /Type /Pages /Kids [2 0 R] /Count 1 >>\nendobj\n"
        "4 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>\nendobj\n"
        "trailer\n<< /Root 1 0 R >>\n%%EOF\n";
}

} // namespace

TEST(PdfPagesTest, APageTreeThatLeadsBackIntoItselfIsRefused)
{
    const struct {
        const char *name;
        QByteArray pages;
        bool refused;
    } cases[] = {
        {"its own child", "<< /Type /Pages /Kids [2 0 R] /Count 1 >>", true},
        {"through another node", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", true},
        {"a page below it", "<< /Type /Pages /Kids [4 0 R] /Count 1 >>", false},
    };
    for (const auto &c : cases) {
        QString error;
        const auto pages = tolvane::QVPdfPages::fromData(pdfWithPageTree(c.pages), &error);
        if (c.refused) {
            EXPECT_FALSE(pages) << c.name;
            EXPECT_TRUE(error.contains(QStringLiteral("leads back into itself"))) << c.name;
        } else {
            EXPECT_FALSE(error.contains(QStringLiteral("leads back into itself"))) << c.name;
        }
    }
}
