// Customs forms 2976-A (international and domestic) and 2976 (CN 22): the
// values filled in, the fitted addresses, the pages and halves printed
// through the print operation (read back with poppler-utils), the views of
// each page by tag, the pictures, the print settings, and the barcodes read
// by the independent decoders.
#include "LabelTestSupport.h"
#include "LinearBarcodeSupport.h"

#include "barcodes/imaging/QVCode128View.h"
#include "barcodes/imaging/QVCode39View.h"
#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "model/QVCountry.h"
#include "platform/NotificationCenter.h"
#include "printing/customs/QVDomestic2976ALabelController.h"
#include "printing/customs/QVIntl2976ALabelController.h"
#include "printing/customs/QVIntl2976AView.h"
#include "printing/customs/QVIntl2976LabelController.h"
#include "printing/customs/QVIntl2976View.h"
#include "printing/customs/QVViewTags.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/setup/QVPrinterTypes.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rates/QVUSPSIntlRateClass.h"

#include <QRegularExpression>

using namespace tolvane;
using namespace tolvane::test;

namespace {

QVariantMap item(const QString &description, const QString &quantity, const QString &value, const QString &ounces,
                 const QString &country)
{
    return {{QVShipmentItemDescriptionKey, description},
            {QVShipmentItemQuantityKey, quantity},
            {QVShipmentItemValueKey, value},
            {QVShipmentItemWeightNumberKey, ounces},
            {QVShipmentItemWeightUnitKey, QStringLiteral("oz")},
            {QVShipmentItemCountryOfOriginKey, country}};
}

// A piece from Denver to Berlin with two items, a package number and the
// given class.
std::shared_ptr<QVShipment> internationalShipment(const QString &rateClass,
                                                  const QStringList &toLines = {QStringLiteral("Hauptstrasse 5"),
                                                                                QStringLiteral("10115 Berlin")})
{
    auto shipment = std::make_shared<QVShipment>();
    QVAddress from(sampleAddress(QStringLiteral("Ada Sender"), QStringLiteral("1600 Blake St"),
                                 QStringLiteral("Denver"), QStringLiteral("CO"), QStringLiteral("80202-1234")));
    shipment->setObject(from.plist(), QVShipmentFromAddressKey);
    QVAddress to;
    to.setName(QStringLiteral("Greta Empfaenger"));
    to.setObject(toLines, QVAddressInternationalAddressLinesKey);
    to.setCountry(QStringLiteral("GERMANY"));
    to.setPhone(QStringLiteral("(49) 30-1234567"));
    to.setEmail(QStringLiteral("greta@example.org"));
    shipment->setObject(to.plist(), QVShipmentToAddressKey);
    shipment->setObject(rateClass, QVUSPSShipmentRateClassKey);
    shipment->setObject(QVUSPSRegularSize, QVUSPSShipmentSizeKey);
    shipment->setObject(QStringLiteral("36"), QVShipmentWeightNumberKey);
    shipment->setObject(QStringLiteral("oz"), QVShipmentWeightUnitKey);
    shipment->setObject(QDateTime(QDate(2026, 3, 9), QTime(10, 0)), QVShipmentShipDateKey);
    shipment->setObject(QStringLiteral("80202"), QVUSPSShipmentMailedFromZIP5Key);
    shipment->setObject(rateClass == QVUSPSIntlExpressMailIntl ? QStringLiteral("EJ123456785US")
                                                               : QStringLiteral("9205590100130471010801"),
                        QVUSPSShipmentPICKey);
    shipment->setObject(QVUSPSShipmentCustomsFormMerchandiseContentType, QVUSPSShipmentCustomsFormContentTypeKey);
    shipment->setObject(QStringLiteral("Ada Sender"), QVUSPSShipmentCustomsFormSendersNameKey);
    shipment->setObject(QVariantList{item(QStringLiteral("Wool scarf"), QStringLiteral("2"), QStringLiteral("30.00"),
                                          QStringLiteral("10"), QStringLiteral("United States")),
                                     item(QStringLiteral("Ceramic mug"), QStringLiteral("1"), QStringLiteral("12.5"),
                                          QStringLiteral("20"), QStringLiteral("Germany"))},
                        QVShipmentItemsKey);
    return shipment;
}

QString withoutSpaces(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

// One page of a PDF rasterised by pdftoppm, grey.
QImage pdfPageRaster(const QString &path, int page, int dpi = 100)
{
    const QString base = path + QStringLiteral("-p%1-r%2").arg(page).arg(dpi);
    runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"), QStringLiteral("-png"),
             QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
             QStringLiteral("-singlefile"), path, base},
            nullptr);
    return QImage(base + QStringLiteral(".png"));
}

QString pdfPageText(const QString &path, int page)
{
    QByteArray out;
    runTool(QStringLiteral("pdftotext"),
            {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
             QStringLiteral("-layout"), path, QStringLiteral("-")},
            &out);
    return QString::fromUtf8(out);
}

// A run of text as poppler's pdftohtml sees it: its font size in points
// (whole points) and whether it is bold.
struct PdfRun {
    QString text;
    int size = 0;
    bool bold = false;
};

QList<PdfRun> pdfRuns(const QString &path, int page)
{
    QByteArray xml;
    runTool(QStringLiteral("pdftohtml"),
            {QStringLiteral("-xml"), QStringLiteral("-i"), QStringLiteral("-q"), QStringLiteral("-stdout"),
             QStringLiteral("-zoom"), QStringLiteral("1"), QStringLiteral("-f"), QString::number(page),
             QStringLiteral("-l"), QString::number(page), path},
            &xml);
    const QString text = QString::fromUtf8(xml);
    QMap<QString, QPair<int, bool>> fonts;
    static const QRegularExpression fontspec(
        QStringLiteral("<fontspec id=\"(\\d+)\" size=\"(\\d+)\" family=\"([^\"]*)\""));
    for (auto it = fontspec.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        fonts.insert(m.captured(1), {m.captured(2).toInt(), m.captured(3).contains(QLatin1String("Bold"))});
    }
    QList<PdfRun> runs;
    static const QRegularExpression element(QStringLiteral("<text [^>]*font=\"(\\d+)\"[^>]*>(.*)</text>"));
    for (auto it = element.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        QString content = m.captured(2);
        const bool bold = content.contains(QLatin1String("<b>")) || fonts.value(m.captured(1)).second;
        content.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        runs.append({content.trimmed(), fonts.value(m.captured(1)).first, bold});
    }
    return runs;
}

std::optional<PdfRun> runContaining(const QList<PdfRun> &runs, const QString &text)
{
    for (const PdfRun &run : runs) {
        if (run.text.contains(text))
            return run;
    }
    return std::nullopt;
}

// The part of a 300-dpi page raster inside a rectangle of points (top-left
// origin) with a white margin, saved as PNG for the decoders.
QString barcodePng(const QImage &page, const QRectF &points, const QString &name)
{
    const double scale = 300.0 / 72.0;
    const QRect area = QRectF(points.x() * scale, points.y() * scale, points.width() * scale, points.height() * scale)
                           .toAlignedRect()
                           .intersected(page.rect());
    const QString path = outputPath(name);
    withQuietZone(page.copy(area), 40).save(path);
    return path;
}

class CustomsFormsTest : public PrintingTest
{
protected:
    void SetUp() override
    {
        PrintingTest::SetUp();
        // The shipped country list, for the codes of the countries of origin.
        InitializeRE("", "03/09/2026");
        const QByteArray resources = QByteArray(TOLVANE_SOURCE_DIR) + "/resources/";
        ASSERT_EQ(LoadCountry2013FileAtPath((resources + "country2013.dat").constData()), 1);
        ASSERT_EQ(LoadCountryAliasFileAtPath((resources + "country-aliases.txt").constData()), 1);
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
    }

    QString savedPdf(QVIntl2976ALabelController &controller, const QString &name)
    {
        const QString path = outputPath(name);
        QFile::remove(path);
        EXPECT_TRUE(controller.printLabel(saveExtras(path))) << name.toStdString();
        return path;
    }
};

} // namespace

TEST_F(CustomsFormsTest, FormValuesFromTheShipment)
{
    auto shipment = internationalShipment(QVUSPSIntlPriorityMailIntl);
    // Seven items, as automation may give: five rows, a total of all seven.
    QVariantList items = shipment->objectForKey(QVShipmentItemsKey).toList();
    QVariantMap noQuantity = item(QStringLiteral("Book"), QString(), QStringLiteral("1.125"), QStringLiteral("17"),
                                  QStringLiteral("Atlantis"));
    noQuantity.remove(QVShipmentItemQuantityKey);
    items << noQuantity
          << item(QStringLiteral("Tea"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("3"),
                  QStringLiteral("usa"))
          << item(QStringLiteral("Pen"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("1"),
                  QStringLiteral("France"))
          << item(QStringLiteral("Sixth"), QStringLiteral("1"), QStringLiteral("100"), QStringLiteral("1"),
                  QStringLiteral("France"))
          << item(QStringLiteral("Seventh"), QStringLiteral("1"), QStringLiteral("50"), QStringLiteral("1"),
                  QStringLiteral("France"));
    shipment->setObject(items, QVShipmentItemsKey);
    shipment->setObject(QStringLiteral("7.5"), QVUSPSShipmentCustomsSDRValueKey);
    shipment->setObject(QStringLiteral("INV-42"), QVShipmentInvoiceNumberKey);
    shipment->setObject(true, QVUSPSShipmentPostageEnabledKey);
    shipment->setObject(QDateTime(QDate(2026, 3, 10), QTime(9, 0)), QVShipmentPrintDateKey);
    defaults().setObject(QStringLiteral("postage.tolvane.example"), QStringLiteral("tolvaneWebSite"));

    const QVariantMap values = QVIntl2976ALabelController::valuesForShipment(*shipment);
    const QList<QPair<const char *, const char *>> expected = {
        {"humanReadableNumber", "9205 5901 0013 0471 0108 01"},
        {"sdrValue", "$7.50"},
        {"toPhone", "Phone: 49301234567"},
        {"toEmail", "Email: greta@example.org"},
        {"description1", "Wool scarf"},
        {"qty1", "2"},
        {"value1", "$30.00"},
        {"co1", "US"},
        {"lb2", "1"},
        {"oz2", "4"},
        {"value2", "$12.50"},
        {"co2", "DE"},
        {"qty3", "1"}, // missing quantity
        {"value3", "$1.125"},
        {"co3", "US"}, // unknown country
        {"co4", "US"}, // a name of the United States
        {"description5", "Pen"},
        {"countriesOfOrigin", "US  DE  US  US  FR"},
        {"merch", "X"},
        {"invoiceNumber", "INV-42"},
        {"tlb", "2"},
        {"toz", "4"},
        {"totalWeight", "2 lb 4 oz"},
        {"tlboz", "2 lb. 4 oz."},
        {"totalValue", "$199.625"}, // every one of the seven items
        {"sendersName", "Ada Sender"},
        {"date", "03/09/2026"},
        {"shipDate", "03/09/2026"},
        {"printDate", "03/10/2026"},
        {"stampDate", "MAR 09 2026"},
        {"stampZIP", "80202"},
        {"nondeliveryInstructions", "Return to Sender"},
        {"postagePaid", "U.S. Postage Paid via postage.tolvane.example"},
        {"paidOnline", "Postage Paid Online"},
        {"containerType", ""},
    };
    for (const auto &[key, value] : expected)
        EXPECT_EQ(values.value(QString::fromLatin1(key)).toString(), QString::fromUtf8(value)) << key;
    for (const char *absent : {"description6", "value7", "gift", "other", "otherDescription", "totalPostage"})
        EXPECT_FALSE(values.contains(QString::fromLatin1(absent))) << absent;

    // Without postage only "Not Paid Online"; the postage with its default.
    shipment->setObject(false, QVUSPSShipmentPostageEnabledKey);
    shipment->setTotalPrice(Decimal::fromString(QStringLiteral("31.4")));
    defaults().setObject(true, QStringLiteral("showTotalPostageOn2976A"));
    const QVariantMap unpaid = QVIntl2976ALabelController::valuesForShipment(*shipment);
    EXPECT_FALSE(unpaid.contains(QStringLiteral("postagePaid")));
    EXPECT_EQ(unpaid.value(QStringLiteral("paidOnline")), QStringLiteral("Not Paid Online"));
    EXPECT_EQ(unpaid.value(QStringLiteral("totalPostage")), QStringLiteral("$31.40"));

    // Other with its words; the container of flat-rate sizes.
    shipment->setObject(QVUSPSShipmentCustomsFormOtherContentType, QVUSPSShipmentCustomsFormContentTypeKey);
    shipment->setObject(QStringLiteral("Spare parts"), QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
    const QList<QPair<QString, QString>> containers = {
        {QVUSPSFlatRateBoxSize, QStringLiteral("Medium Flat Rate Box")},
        {QVUSPSSmallFlatRateBoxSize, QStringLiteral("Small Flat Rate Box")},
        {QVUSPSLargeFlatRateBoxSize, QStringLiteral("Large Flat Rate Box")},
        {QVUSPSFlatRateLegalEnvelopeSize, QStringLiteral("Flat Rate Envelope")}};
    for (const auto &[size, container] : containers) {
        shipment->setObject(size, QVUSPSShipmentSizeKey);
        const QVariantMap other = QVIntl2976ALabelController::valuesForShipment(*shipment);
        EXPECT_EQ(other.value(QStringLiteral("containerType")), container) << size.toStdString();
        EXPECT_EQ(other.value(QStringLiteral("other")), QStringLiteral("X"));
        EXPECT_EQ(other.value(QStringLiteral("otherDescription")), QStringLiteral("Spare parts"));
        EXPECT_FALSE(other.contains(QStringLiteral("merch")));
    }
    shipment->setObject(QVUSPSIntlExpressMailIntl, QVUSPSShipmentRateClassKey);
    shipment->setObject(QVUSPSFlatRateBoxSize, QVUSPSShipmentSizeKey);
    EXPECT_EQ(QVIntl2976ALabelController::valuesForShipment(*shipment).value(QStringLiteral("containerType")),
              QStringLiteral("Flat Rate Box"));

    // The fields show the values; the total in the form counts all seven.
    shipment->setObject(QVUSPSIntlPriorityMailIntl, QVUSPSShipmentRateClassKey);
    auto controller = QVIntl2976ALabelController::intl2976AControllerWithShipment(shipment);
    const auto field = [&](const char *name) {
        return controller->labelView()->findChild<QVTextField *>(QString::fromLatin1(name))->text();
    };
    EXPECT_EQ(field("totalValue"), QStringLiteral("$199.625"));
    EXPECT_EQ(field("valueCopy"), QStringLiteral("Total value: $199.625"));
    EXPECT_EQ(field("other"), QStringLiteral("X"));
    EXPECT_EQ(field("qty5"), QStringLiteral("1"));
    EXPECT_EQ(field("humanReadable1"), QStringLiteral("9205 5901 0013 0471 0108 01"));
    // The templates are kept: filled again with nothing, the fields empty.
    controller->setStringsWithDictionary(QVariantMap());
    EXPECT_EQ(field("totalValue"), QString());
    EXPECT_EQ(field("valueCopy"), QStringLiteral("Total value: "));
}

TEST_F(CustomsFormsTest, LongForeignAddressShrinksAndTheCountryIsBold)
{
    // A short address keeps 12 points; the return address is 11.
    auto controller =
        QVIntl2976ALabelController::intl2976AControllerWithShipment(internationalShipment(QVUSPSIntlPriorityMailIntl));
    EXPECT_EQ(controller->addressFontSize(), 12);
    EXPECT_EQ(controller->outlets().fromAddress->font().pointSizeF(), 11);
    EXPECT_EQ(frameOf(controller->outlets().toAddress), controller->toAddressFrame());

    // A long one shrinks a point at a time; a huge one stops at 6 points.
    const QStringList longLines = {QStringLiteral("Abteilung fuer internationale Sendungen und Zollabwicklung"),
                                   QStringLiteral("c/o Sehr Lange Firmenbezeichnung GmbH & Co. KG"),
                                   QStringLiteral("Hauptstrasse 5, Hinterhaus, 3. Obergeschoss links"),
                                   QStringLiteral("10115 Berlin")};
    QStringList hugeLines = longLines;
    hugeLines << QStringLiteral("Line five") << QStringLiteral("Line six") << QStringLiteral("Line seven")
              << QStringLiteral("Line eight") << QStringLiteral("Line nine");
    hugeLines[0] = hugeLines[0].repeated(3);
    struct Case {
        const char *name;
        QStringList lines;
        qreal low, high;
    };
    for (const Case &c : {Case{"long", longLines, 7, 11}, Case{"huge", hugeLines, 6, 6}}) {
        auto shipment = internationalShipment(QVUSPSIntlPriorityMailIntl, c.lines);
        auto form = QVIntl2976ALabelController::intl2976AControllerWithShipment(shipment);
        const qreal size = form->addressFontSize();
        EXPECT_GE(size, c.low) << c.name;
        EXPECT_LE(size, c.high) << c.name;
        EXPECT_EQ(size, std::floor(size));
        EXPECT_EQ(form->outlets().fromAddress->font().pointSizeF(), size - 1) << c.name;
        EXPECT_EQ(form->outlets().fromAddress2->font().pointSizeF(), size - 1) << c.name;

        // In the PDF: the country line bold at the final size, the other
        // lines regular, the return address a point smaller.
        const QString pdf = savedPdf(*form, QStringLiteral("2976a-address-%1.pdf").arg(QLatin1String(c.name)));
        const QList<PdfRun> runs = pdfRuns(pdf, 1);
        const auto country = runContaining(runs, QStringLiteral("GERMANY"));
        ASSERT_TRUE(country) << c.name;
        EXPECT_TRUE(country->bold) << c.name;
        EXPECT_EQ(country->size, int(size)) << c.name;
        const auto city = runContaining(runs, QStringLiteral("10115 Berlin"));
        ASSERT_TRUE(city) << c.name;
        EXPECT_FALSE(city->bold) << c.name;
        EXPECT_EQ(city->size, int(size)) << c.name;
        const auto sender = runContaining(runs, QStringLiteral("1600 Blake St"));
        ASSERT_TRUE(sender) << c.name;
        EXPECT_FALSE(sender->bold);
        EXPECT_EQ(sender->size, int(size) - 1) << c.name;
    }
}

TEST_F(CustomsFormsTest, PagesAndHalvesPrinted)
{
    struct Case {
        const char *name;
        QString rateClass;
        bool instructions, sendersCopy, sendersCopyOnly;
        int pages;
    };
    const Case cases[] = {
        {"pmi", QVUSPSIntlPriorityMailIntl, false, false, false, 2},
        {"emi-instructions", QVUSPSIntlExpressMailIntl, true, false, false, 3},
        {"pmi-instructions-senders-copy", QVUSPSIntlPriorityMailIntl, true, true, false, 3},
        {"emi-senders-copy-only", QVUSPSIntlExpressMailIntl, false, false, true, 1},
    };
    for (const Case &c : cases) {
        defaults().setObject(c.instructions, QStringLiteral("printCustomsInstructions"));
        defaults().setObject(c.sendersCopy, QStringLiteral("printCustomsSendersCopy"));
        auto shipment = internationalShipment(c.rateClass);
        shipment->setObject(QDateTime(QDate(2026, 3, 10), QTime(9, 0)), QVShipmentPrintDateKey);
        auto form = QVIntl2976ALabelController::intl2976AControllerWithShipment(shipment);
        form->formView()->setSendersCopyOnly(c.sendersCopyOnly);
        const QString pdf = savedPdf(*form, QStringLiteral("2976a-pages-%1.pdf").arg(QLatin1String(c.name)));
        ASSERT_EQ(pdfPageCount(pdf), c.pages) << c.name;
        // After printing the view is back on page 1.
        EXPECT_TRUE(viewWithTag(form->formView(), 75)->isHidden()) << c.name;
        EXPECT_EQ(viewWithTag(form->formView(), 3), nullptr) << c.name;
        EXPECT_TRUE(pdfPageSize(pdf).startsWith(QStringLiteral("612 x 792 pts"))) << c.name;

        if (c.sendersCopyOnly) {
            // The lower half of page 2 at the top of the paper.
            const QImage page = pdfPageRaster(pdf, 1);
            page.save(outputPath(QStringLiteral("2976a-pages-%1.png").arg(QLatin1String(c.name))));
            EXPECT_GT(darkShare(page, QRectF(0, 0, 612, 396), 100), 0.01) << c.name;
            EXPECT_EQ(darkShare(page, QRectF(0, 400, 612, 392), 100), 0.0) << c.name;
            const QString text = pdfPageText(pdf, 1);
            EXPECT_TRUE(text.contains(QStringLiteral("Sender's copy, printed 03/10/2026"))) << text.toStdString();
            EXPECT_FALSE(text.contains(QStringLiteral("Phone: 49301234567"))) << text.toStdString();
            continue;
        }
        // Page 1: both halves, the sender's-copy note hidden.
        const QString first = pdfPageText(pdf, 1);
        EXPECT_TRUE(first.contains(QStringLiteral("Phone: 49301234567"))) << c.name;
        EXPECT_TRUE(first.contains(QStringLiteral("Mailed MAR 09 2026 from ZIP Code 80202"))) << c.name;
        EXPECT_FALSE(first.contains(QStringLiteral("Sender's copy"))) << c.name;
        // Page 2: the upper half alone, or the whole page with the copy.
        const QImage second = pdfPageRaster(pdf, 2);
        second.save(outputPath(QStringLiteral("2976a-pages-%1-2.png").arg(QLatin1String(c.name))));
        EXPECT_GT(darkShare(second, QRectF(0, 0, 612, 396), 100), 0.01) << c.name;
        const QString text = pdfPageText(pdf, 2);
        if (c.sendersCopy) {
            EXPECT_GT(darkShare(second, QRectF(0, 400, 612, 392), 100), 0.01) << c.name;
            EXPECT_TRUE(text.contains(QStringLiteral("Sender's copy, printed 03/10/2026"))) << c.name;
            EXPECT_FALSE(text.contains(QStringLiteral("Mailed MAR 09 2026"))) << c.name;
        } else {
            EXPECT_EQ(darkShare(second, QRectF(0, 400, 612, 392), 100), 0.0) << c.name;
        }
        // The weight copied from the lower half into the upper half.
        EXPECT_TRUE(text.contains(QStringLiteral("Total weight: 2 lb. 4 oz."))) << text.toStdString();
        if (c.pages == 3) {
            // The instructions page: the picture alone, no field.
            const QImage third = pdfPageRaster(pdf, 3);
            third.save(outputPath(QStringLiteral("2976a-pages-%1-3.png").arg(QLatin1String(c.name))));
            EXPECT_GT(darkShare(third, QRectF(0, 0, 612, 792), 100), 0.005) << c.name;
            EXPECT_TRUE(withoutSpaces(pdfPageText(pdf, 3)).isEmpty()) << c.name;
        }
    }

    // Other classes have no pages: nothing to print.
    auto other = QVIntl2976ALabelController::intl2976AControllerWithShipment(
        internationalShipment(QVUSPSIntlFirstClassMailIntl));
    EXPECT_TRUE(other->formView()->imageArray().isEmpty());
    EXPECT_FALSE(other->printLabel(saveExtras(outputPath(QStringLiteral("2976a-none.pdf")))));
}

TEST_F(CustomsFormsTest, ViewsOfEachPageByTag)
{
    auto form =
        QVIntl2976ALabelController::intl2976AControllerWithShipment(internationalShipment(QVUSPSIntlPriorityMailIntl));
    QVIntl2976AView *view = form->formView();
    ASSERT_NE(view, nullptr);
    form->setIndicium(QVLayoutImage::named(QStringLiteral("black")));
    QWidget *tag2 = viewWithTag(view, 2);
    QWidget *tag75 = viewWithTag(view, 75);
    QWidget *tag76 = viewWithTag(view, 76);
    QWidget *tag77 = viewWithTag(view, 77);
    QWidget *tag100 = viewWithTag(view, 100);
    ASSERT_TRUE(tag2 && tag75 && tag76 && tag77 && tag100);
    const QRectF frame76 = frameOf(tag76);
    const QStringList pictures = {QStringLiteral("pmi-customsform-1-outline"),
                                  QStringLiteral("pmi-customsform-2-outline")};
    const auto pictureName = [&] { return qobject_cast<QVImageView *>(viewWithTag(view, 1))->image().name(); };

    // Outside printing the form shows page 1.
    EXPECT_EQ(pictureName(), pictures.at(0));
    EXPECT_TRUE(tag75->isHidden());
    view->showFormPage(1);
    EXPECT_EQ(pictureName(), pictures.at(0));
    EXPECT_TRUE(tag75->isHidden());
    EXPECT_FALSE(tag76->isHidden() || tag77->isHidden() || tag100->isHidden());
    EXPECT_EQ(viewWithTag(view, 3), nullptr);

    view->showFormPage(2);
    EXPECT_EQ(pictureName(), pictures.at(1));
    EXPECT_TRUE(tag76->isHidden() && tag77->isHidden() && tag100->isHidden());
    EXPECT_TRUE(viewWithTag(view, 101)->isHidden() && viewWithTag(view, 102)->isHidden());
    EXPECT_FALSE(tag75->isHidden());
    EXPECT_EQ(frameOf(tag75).topLeft(), frame76.topLeft());
    auto *copy = qobject_cast<QVTextField *>(viewWithTag(view, 3));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->text(), qobject_cast<QVTextField *>(tag2)->text());
    EXPECT_EQ(frameOf(copy), frameOf(tag2).translated(0, 396));
    EXPECT_EQ(copy->font(), tag2->font());

    // Page 3 of the instructions: only the picture view.
    view->showFormPage(3);
    for (QObject *child : view->children()) {
        if (auto *widget = qobject_cast<QWidget *>(child)) {
            EXPECT_EQ(widget->isHidden(), viewTag(widget) != 1) << widget->objectName().toStdString();
        }
    }
    EXPECT_EQ(viewWithTag(view, 3), nullptr);

    // Back on page 1 everything is shown again except tag 75.
    view->showFormPage(1);
    EXPECT_FALSE(tag76->isHidden() || tag77->isHidden() || tag100->isHidden() || tag2->isHidden());
    EXPECT_TRUE(tag75->isHidden());

    // The rectangles and places of the pages (top-left origin).
    PrintInfo info;
    info.paperSize = QSizeF(612, 792);
    info.scalingFactor = 1;
    view->setPrintSendersCopy(false);
    EXPECT_EQ(view->pageCountForPrinting(info), 2);
    EXPECT_EQ(view->rectForPage(1, info), QRectF(0, 0, 612, 792));
    EXPECT_EQ(view->rectForPage(2, info), QRectF(0, 0, 612, 396));
    EXPECT_EQ(view->rectForPage(3, info), QRectF());
    EXPECT_EQ(view->locationOfPrintRect(2, QRectF(0, 0, 612, 396), info), QPointF(0, 0));
    view->setPrintSendersCopy(true);
    EXPECT_EQ(view->rectForPage(2, info), QRectF(0, 0, 612, 792));
    view->setSendersCopyOnly(true);
    EXPECT_EQ(view->pageCountForPrinting(info), 1);
    EXPECT_EQ(view->rectForPage(1, info), QRectF(0, 396, 612, 396));
    EXPECT_EQ(view->locationOfPrintRect(1, QRectF(0, 396, 612, 396), info), QPointF(0, 0));
    // Scaled, a whole page is centred and a half page stays at the top.
    view->setSendersCopyOnly(false);
    info.scalingFactor = 0.5;
    EXPECT_EQ(view->locationOfPrintRect(1, QRectF(0, 0, 612, 792), info), QPointF(153, 198));
    view->setPrintSendersCopy(false);
    EXPECT_EQ(view->locationOfPrintRect(2, QRectF(0, 0, 612, 396), info), QPointF(153, 0));
}

TEST_F(CustomsFormsTest, BarcodesDecode)
{
    struct Case {
        const char *name;
        QString rateClass;
        QString pic; // empty: the piece's own
        QString symbology;
        QByteArray data;
        bool code39;
    };
    // A foreign address has no US ZIP Code: the symbol carries the number
    // alone, no "420" element, just as the text under it reads.
    const Case cases[] = {
        {"emi", QVUSPSIntlExpressMailIntl, QString(), QStringLiteral("Code39"), QByteArray("EJ123456785US"), true},
        {"pmi", QVUSPSIntlPriorityMailIntl, QString(), QStringLiteral("Code128"), QByteArray("9205590100130471010801"),
         false},
        {"pmi-customs-number", QVUSPSIntlPriorityMailIntl, QStringLiteral("CP123456785US"), QStringLiteral("Code128"),
         QByteArray("CP123456785US"), false},
    };
    for (const Case &c : cases) {
        auto shipment = internationalShipment(c.rateClass);
        if (!c.pic.isEmpty())
            shipment->setObject(c.pic, QVUSPSShipmentPICKey);
        auto form = QVIntl2976ALabelController::intl2976AControllerWithShipment(shipment);
        // The number under the symbol is the symbol's data, grouped.
        EXPECT_EQ(withoutSpaces(form->outlets().humanReadable1->text()).toLatin1(), c.data) << c.name;
        for (QVCode128View *barcode : {form->outlets().barcode1, form->outlets().barcode2}) {
            EXPECT_EQ(qobject_cast<QVCode39View *>(barcode) != nullptr, c.code39) << c.name;
            EXPECT_EQ(barcode->moduleHeight(), 0.5);
        }
        if (c.code39) {
            EXPECT_EQ(form->outlets().barcode1->moduleWidth(), 0.01);
            EXPECT_EQ(form->outlets().barcode1->objectName(), QStringLiteral("barcode1"));
        }
        const QString pdf = savedPdf(*form, QStringLiteral("2976a-barcode-%1.pdf").arg(QLatin1String(c.name)));
        const QImage page = pdfPageRaster(pdf, 1, 300);
        for (QVCode128View *barcode : {form->outlets().barcode1, form->outlets().barcode2}) {
            const QString png =
                barcodePng(page, topLeftFrame(barcode),
                           QStringLiteral("2976a-%1-%2.png").arg(QLatin1String(c.name), barcode->objectName()));
            const DecodedSymbol zxing = decodeWithZXing(png);
            EXPECT_TRUE(zxing.found) << c.name << zxing.diagnostics.toStdString();
            EXPECT_EQ(zxing.symbology, c.symbology) << c.name;
            EXPECT_EQ(zxing.bytes, c.data) << c.name;
            const DecodedSymbol zbar = decodeWithZbar(png);
            EXPECT_TRUE(zbar.found) << c.name << zbar.diagnostics.toStdString();
            EXPECT_EQ(zbar.bytes, c.data) << c.name;
        }
    }
}

TEST_F(CustomsFormsTest, Cn22PicturesByClassAndSize)
{
    struct Case {
        QString rateClass, size, label, lower;
    };
    const Case cases[] = {
        {QVUSPSIntlFirstClassMailIntl, QVUSPSIntlEnvelopeSize, QStringLiteral("cn22_firstclassinternational-outline"),
         QStringLiteral("cn22_fmi_bottom")},
        {QVUSPSIntlPriorityMailIntl, QVUSPSSmallFlatRateBoxSize,
         QStringLiteral("cn22_prioritymailflatrate-smallbox-outline"),
         QStringLiteral("cn22_pmi-flatrate_bottom-smallbox")},
        {QVUSPSIntlPriorityMailIntl, QVUSPSFlatRatePaddedEnvelopeSize,
         QStringLiteral("cn22_prioritymailflatratepadded-envelope-outline"),
         QStringLiteral("cn22_pmi-flatrate_bottom-smallbox")},
        {QVUSPSIntlPriorityMailIntl, QVUSPSFlatRateEnvelopeSize,
         QStringLiteral("cn22_prioritymailflatrate-envelope-outline"), QStringLiteral("cn22_pmi-flatrate_bottom")},
        // The legal envelope takes the generic picture.
        {QVUSPSIntlPriorityMailIntl, QVUSPSFlatRateLegalEnvelopeSize, QStringLiteral("cn22_prioritymail_international"),
         QStringLiteral("cn22_pmi-flatrate_bottom-smallbox")},
        {QVUSPSIntlExpressMailIntl, QVUSPSFlatRateEnvelopeSize, QString(), QString()},
    };
    for (const Case &c : cases) {
        auto shipment = internationalShipment(c.rateClass);
        shipment->setObject(c.size, QVUSPSShipmentSizeKey);
        auto label = QVIntl2976LabelController::intl2976ControllerWithShipment(shipment);
        EXPECT_EQ(label->labelImageView()->image().name(), c.label) << c.size.toStdString();
        EXPECT_EQ(label->mailingRecordImageView()->image().name(), c.lower) << c.size.toStdString();
        EXPECT_EQ(label->labelImageView()->image().isNull(), c.label.isEmpty());
    }
}

TEST_F(CustomsFormsTest, Cn22PrintSettingsAndPrintedView)
{
    auto setup = QVPrinterSetupController::sharedController();
    PrintInfo fcmi;
    fcmi.printerName = QStringLiteral("FCMI-Queue");
    fcmi.paperName = QStringLiteral("Legal");
    fcmi.paperSize = QSizeF(612, 1008);
    fcmi.leftMargin = 40;
    fcmi.orientation = PrintInfo::Orientation::Landscape;
    setup->setPlainPaperPrintInfo(fcmi, QVFCMIPrintInfoKey);
    auto label =
        QVIntl2976LabelController::intl2976ControllerWithShipment(internationalShipment(QVUSPSIntlFirstClassMailIntl));

    struct Case {
        const char *name;
        bool override;
        QString stock;
        QString printInfoKey, paperName;
        bool fourBySix;
    };
    const Case cases[] = {
        {"plain", false, QVPlainPaperLabel, QVPlainPaperPrintInfoKey, QStringLiteral("Letter"), false},
        {"override plain", true, QVPlainPaperLabel, QVFCMIPrintInfoKey, QStringLiteral("Legal"), false},
        // The override keeps the plain-paper settings while the 4 x 6 view prints.
        {"override 8836105", true, QVKIVO8836105Label, QVFCMIPrintInfoKey, QStringLiteral("Legal"), true},
        {"8836105", false, QVKIVO8836105Label, QVPlainPaperPrintInfoKey, QStringLiteral("8836105_4_in_x_6_in"), true},
    };
    for (const Case &c : cases) {
        defaults().setObject(c.override, QStringLiteral("overrideFCMIPrintInfo"));
        defaults().setObject(c.stock, QStringLiteral("printerLabel"));
        EXPECT_EQ(label->printInfoKey(), c.printInfoKey) << c.name;
        const PrintInfo info = label->printInfo();
        EXPECT_EQ(info.paperName, c.paperName) << c.name;
        EXPECT_EQ(label->printView(), c.fourBySix ? label->fourBySixLabelView() : label->labelView()) << c.name;
        if (c.paperName == QLatin1String("8836105_4_in_x_6_in")) {
            EXPECT_EQ(info.paperSize, QSizeF(296, 452));
            EXPECT_EQ(info.orientation, PrintInfo::Orientation::Landscape);
            EXPECT_EQ(info.bottomMargin, -5.76);
            EXPECT_EQ(info.scalingFactor, 0.9);
        } else {
            EXPECT_EQ(info.leftMargin, 0) << c.name;
            EXPECT_EQ(info.orientation, PrintInfo::Orientation::Portrait) << c.name;
        }
        if (c.override) {
            EXPECT_EQ(info.printerName, QStringLiteral("FCMI-Queue")) << c.name;
        }
    }

    // The 4 x 6 view alone prints on the label stock's page.
    defaults().setObject(false, QStringLiteral("overrideFCMIPrintInfo"));
    const QString stockPdf = outputPath(QStringLiteral("2976-8836105.pdf"));
    ASSERT_TRUE(label->printLabel(saveExtras(stockPdf)));
    EXPECT_TRUE(pdfPageSize(stockPdf).startsWith(QStringLiteral("296 x 452 pts")))
        << pdfPageSize(stockPdf).toStdString();
    const QString stockText = pdfPageText(stockPdf, 1);
    EXPECT_TRUE(stockText.contains(QStringLiteral("Wool scarf")));
    EXPECT_FALSE(stockText.contains(QStringLiteral("Total weight:")));
    pdfPageRaster(stockPdf, 1, 150).save(outputPath(QStringLiteral("2976-8836105.png")));
}

TEST_F(CustomsFormsTest, Cn22ContentsAndPlainPaperHalves)
{
    struct Case {
        QString contentType, other, otherDescription;
    };
    const Case cases[] = {
        {QVUSPSShipmentCustomsFormReturnedGoodsContentType, QStringLiteral("X"), QStringLiteral("returned goods")},
        {QVUSPSShipmentCustomsFormMerchandiseContentType, QStringLiteral("X"), QStringLiteral("merchandise")},
        {QVUSPSShipmentCustomsFormGiftContentType, QString(), QString()},
    };
    for (const Case &c : cases) {
        auto shipment = internationalShipment(QVUSPSIntlFirstClassMailIntl);
        shipment->setObject(c.contentType, QVUSPSShipmentCustomsFormContentTypeKey);
        auto label = QVIntl2976LabelController::intl2976ControllerWithShipment(shipment);
        const auto text = [&](const char *name) {
            return label->labelView()->findChild<QVTextField *>(QString::fromLatin1(name))->text();
        };
        EXPECT_EQ(text("other"), c.other) << c.contentType.toStdString();
        EXPECT_EQ(text("otherDescription"), c.otherDescription) << c.contentType.toStdString();
        EXPECT_EQ(text("gift"),
                  c.contentType == QVUSPSShipmentCustomsFormGiftContentType ? QStringLiteral("X") : QString());
    }

    // Second copies: the return address Helvetica 7, the delivery address
    // plain Helvetica 8.
    auto shipment = internationalShipment(QVUSPSIntlFirstClassMailIntl);
    shipment->setObject(QVUSPSShipmentCustomsFormReturnedGoodsContentType, QVUSPSShipmentCustomsFormContentTypeKey);
    auto label = QVIntl2976LabelController::intl2976ControllerWithShipment(shipment);
    EXPECT_EQ(label->outlets().fromAddress2->font().pointSizeF(), 7);
    EXPECT_EQ(label->outlets().toAddress2->font().pointSizeF(), 8);
    EXPECT_EQ(label->outlets().toAddress2->text(), shipment->toAddress().formattedAddress());

    // Plain paper: the upper half alone, the whole page with the
    // instructions, the lower half alone for the record.
    for (int round = 0; round < 3; ++round) {
        defaults().setObject(round == 1, QStringLiteral("printCustomsInstructions"));
        label->intl2976View()->setSendersCopyOnly(round == 2);
        const QString pdf = outputPath(QStringLiteral("2976-plain-%1.pdf").arg(round));
        ASSERT_TRUE(label->printLabel(saveExtras(pdf)));
        ASSERT_EQ(pdfPageCount(pdf), 1);
        const QImage page = pdfPageRaster(pdf, 1);
        page.save(outputPath(QStringLiteral("2976-plain-%1.png").arg(round)));
        EXPECT_GT(darkShare(page, QRectF(0, 0, 612, 396), 100), 0.01) << round;
        EXPECT_EQ(darkShare(page, QRectF(0, 400, 612, 392), 100) > 0.0, round == 1) << round;
        const QString text = withoutSpaces(pdfPageText(pdf, 1));
        EXPECT_EQ(text.contains(QStringLiteral("returnedgoods")), round != 2) << round;
        EXPECT_EQ(text.contains(QStringLiteral("Totalweight:2lb4oz")), round != 0) << round;
    }
}

TEST_F(CustomsFormsTest, Domestic2976AForMilitaryAndTerritoryPieces)
{
    struct Case {
        QString rateClass;
        QString pagePrefix;
        QString mailClass;
    };
    const Case cases[] = {
        {QVUSPSPriorityMail, QStringLiteral("pm-cp72-"), QString()},
        {QVUSPSParcelSelect, QStringLiteral("generic-cp72-"), QStringLiteral("Parcel Select")},
        {QVUSPSMediaMail, QStringLiteral("generic-cp72-"), QStringLiteral("Media Mail")},
    };
    defaults().setObject(true, QStringLiteral("printCustomsInstructions"));
    for (const Case &c : cases) {
        auto shipment = samplePriorityShipment();
        QVAddress apo(sampleAddress(QStringLiteral("SGT Pat Doe"), QStringLiteral("Unit 2050 Box 4190"),
                                    QStringLiteral("APO"), QStringLiteral("AE"), QStringLiteral("09012")));
        shipment->setObject(apo.plist(), QVShipmentToAddressKey);
        shipment->setObject(c.rateClass, QVUSPSShipmentRateClassKey);
        shipment->setObject(QVariantList{item(QStringLiteral("Books"), QStringLiteral("3"), QStringLiteral("45"),
                                              QStringLiteral("40"), QStringLiteral("United States"))},
                            QVShipmentItemsKey);
        shipment->setObject(QVUSPSShipmentCustomsFormGiftContentType, QVUSPSShipmentCustomsFormContentTypeKey);
        auto form = QVDomestic2976ALabelController::domestic2976AControllerWithShipment(shipment);
        QStringList names;
        for (const QVLayoutImage &page : form->formView()->imageArray())
            names << page.name();
        EXPECT_EQ(
            names,
            QStringList({c.pagePrefix + QStringLiteral("1-outline"), c.pagePrefix + QStringLiteral("2-outline")}));
        const auto text = [&](const char *name) {
            return form->labelView()->findChild<QVTextField *>(QString::fromLatin1(name))->text();
        };
        EXPECT_EQ(text("mailClass"), c.mailClass) << c.rateClass.toStdString();
        EXPECT_EQ(text("eServiceText"), QStringLiteral("USPS TRACKING #"));
        EXPECT_EQ(text("gift"), QStringLiteral("X"));
        // No "US" line after a domestic return address.
        EXPECT_EQ(form->outlets().fromAddress->text(), shipment->fromAddress().formattedAddress());
        EXPECT_EQ(form->outlets().barcode1->moduleWidth(), 0.013);

        const QString pdf = savedPdf(*form, QStringLiteral("domestic-%1.pdf").arg(c.pagePrefix + c.mailClass));
        EXPECT_EQ(pdfPageCount(pdf), 2); // never an instructions page
        const QImage page = pdfPageRaster(pdf, 1, 300);
        page.save(outputPath(QStringLiteral("domestic-%1.png").arg(c.pagePrefix + c.mailClass)));
        const QString png = barcodePng(page, topLeftFrame(form->outlets().barcode1),
                                       QStringLiteral("domestic-barcode-%1.png").arg(c.pagePrefix + c.mailClass));
        const DecodedSymbol zxing = decodeWithZXing(png);
        EXPECT_TRUE(zxing.found) << zxing.diagnostics.toStdString();
        EXPECT_TRUE(zxing.gs1);
        EXPECT_EQ(zxing.bytes,
                  QByteArray("42009012\x1d"
                             "9205590100130471010801"));
    }

    // The certificate of government personnel in rows 3 to 5.
    defaults().setObject(QStringLiteral("/nonexistent/overlay.png"), QStringLiteral("cp72OverlayImagePath"));
    auto form = QVDomestic2976ALabelController::domestic2976AControllerWithShipment(samplePriorityShipment());
    EXPECT_EQ(form->labelView()->findChild<QVTextField *>(QStringLiteral("description4"))->text(),
              QStringLiteral("and not for resale of US Government personnel and"));
}

TEST_F(CustomsFormsTest, SpooledToTheQueueOfItsPrintSettings)
{
    // The 2976-A goes to the queue of the "gemPrintInfo" settings, one copy,
    // under the label's job title; a queue the system lacks refuses the job.
    printers->add(QStringLiteral("Office"), QStringLiteral("Generic PostScript"));
    PrintInfo gem = QVPrinterSetupController::sharedController()->plainPaperPrintInfoForKey(QVGEMPrintInfoKey);
    gem.printerName = QStringLiteral("Office");
    gem.copies = 3;
    QVPrinterSetupController::sharedController()->setPlainPaperPrintInfo(gem, QVGEMPrintInfoKey);
    auto form =
        QVIntl2976ALabelController::intl2976AControllerWithShipment(internationalShipment(QVUSPSIntlPriorityMailIntl));
    ASSERT_TRUE(form->printLabel());
    ASSERT_EQ(printers->jobs.size(), 1);
    const SubmittedJob &job = printers->jobs.first();
    EXPECT_EQ(job.queue, QStringLiteral("Office"));
    EXPECT_EQ(job.title, QStringLiteral("Tolvane Label"));
    EXPECT_EQ(job.format, PrintDocumentFormatPDF);
    EXPECT_EQ(job.options.value(QStringLiteral("copies")).toString(), QStringLiteral("1"));
    EXPECT_EQ(pdfPageCount(writePdf(job.document, QStringLiteral("2976a-spooled.pdf"))), 2);

    gem.printerName = QStringLiteral("Gone");
    QVPrinterSetupController::sharedController()->setPlainPaperPrintInfo(gem, QVGEMPrintInfoKey);
    EXPECT_FALSE(form->printLabel());
    EXPECT_EQ(printers->jobs.size(), 1);
}
