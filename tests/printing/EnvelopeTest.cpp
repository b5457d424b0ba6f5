// Envelopes and postcards: the envelope page placed by align, position, flip
// and giant rotate and read back from the printed PDF's raster; the feed
// settings; the envelope view white on screen and transparent in print;
// fitting of the addresses and custom lines; the Intelligent Mail barcode
// above the delivery address; envelope sizes from the printer set-up; a
// sample envelope printed through a private CUPS scheduler.
#include "LabelTestSupport.h"
#include "PrivateCupsd.h"

#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/QVUSPS4CBView.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "barcodes/imaging/ViewOutput.h"
#include "barcodes/indicia/QVDollarIndiciumView.h"
#include "barcodes/linear/USPS4CB.h"
#include "printing/layouts/QVEnvelopeController.h"
#include "printing/layouts/QVEnvelopeView.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/setup/QVPrinterTypes.h"

#include <QPainter>
#include <QRegularExpression>

using namespace tolvane;
using namespace tolvane::test;

namespace {

// An envelope of its own for placement: a 2-point black frame round its
// bounds and a 40-point black square in its top-left corner, so that a turn
// shows.
class MarkedEnvelope : public QVEnvelopeView
{
public:
    explicit MarkedEnvelope(const QSize &size)
    {
        resize(size);
        auto *marks = new Marks(this);
        marks->setGeometry(rect());
    }

private:
    class Marks : public QWidget
    {
    public:
        using QWidget::QWidget;

    protected:
        void paintEvent(QPaintEvent *) override
        {
            QPainter painter(this);
            painter.setPen(QPen(Qt::black, 2));
            painter.drawRect(QRectF(1, 1, width() - 2, height() - 2));
            painter.fillRect(QRectF(0, 0, 40, 40), Qt::black);
        }
    };
};

// The dark pixels' bounding box of a raster, in points (top-left based).
QRectF darkBounds(const QImage &image, int dpi)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    int left = grey.width(), top = grey.height(), right = -1, bottom = -1;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            if (line[x] < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0)
        return QRectF();
    const qreal scale = 72.0 / dpi;
    return QRectF(left * scale, top * scale, (right - left + 1) * scale, (bottom - top + 1) * scale);
}

// The printed landscape page (its PDF page is the paper in portrait, the
// landscape page turned a quarter counterclockwise onto it) turned back.
QImage landscapePage(const QString &pdf, int dpi) { return pdfRaster(pdf, dpi).transformed(QTransform().rotate(90)); }

bool near(const QRectF &a, const QRectF &b, qreal tolerance)
{
    return std::abs(a.left() - b.left()) <= tolerance && std::abs(a.top() - b.top()) <= tolerance &&
        std::abs(a.right() - b.right()) <= tolerance && std::abs(a.bottom() - b.bottom()) <= tolerance;
}

std::string describe(const QRectF &r)
{
    return QStringLiteral("(%1, %2, %3 x %4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

class EnvelopeTest : public PrintingTest
{
protected:
    QVariantMap cancelExtras() { return {{QVPrintInfoJobDispositionKey, QVPrintInfoJobCancel}}; }

    // The raster of the envelope view's own PDF (300 dpi) saved as PNG.
    QImage envelopeRaster(QVEnvelopeController &controller, const QString &name)
    {
        const QString pdf = writePdf(dataWithPDF(controller.labelView()), name + QStringLiteral(".pdf"));
        QImage image = pdfRaster(pdf, 300);
        image.save(outputPath(name + QStringLiteral(".png")));
        return image;
    }
};

} // namespace

TEST_F(EnvelopeTest, PrintViewOriginByAlignAndPosition)
{
    MarkedEnvelope envelope(QSize(684, 297));
    QVEnvelopePrintView page;
    EXPECT_EQ(page.size(), QSize(792, 612));
    page.setEnvelope(&envelope);
    EXPECT_EQ(page.origin(), QPointF(0, 0));
    page.setAlign(QStringLiteral("right"));
    page.setPosition(QStringLiteral("center"));
    EXPECT_EQ(page.origin(), QPointF(108, 157.5));
    // Any other alignment aligns right; any other position keeps y.
    page.setAlign(QStringLiteral("left"));
    page.setPosition(QStringLiteral("top"));
    EXPECT_EQ(page.origin(), QPointF(0, 315));
    page.setAlign(QStringLiteral("middle"));
    page.setPosition(QStringLiteral("sideways"));
    EXPECT_EQ(page.origin(), QPointF(108, 315));
    page.setPosition(QStringLiteral("bottom"));
    EXPECT_EQ(page.origin(), QPointF(108, 0));
}

TEST_F(EnvelopeTest, PrintedPagePlacesAndTurnsTheEnvelope)
{
    MarkedEnvelope envelope(QSize(684, 297));
    const PrintInfo info =
        QVPrinterSetupController::sharedController()->plainPaperPrintInfoForKey(QVEnvelopePrintInfoKey);
    const struct {
        const char *name;
        QString align;
        QString position;
        bool flip;
        bool giant;
        QRectF envelope; // top-left page points
        bool markAtTopLeft;
    } cases[] = {
        {"right-center", QStringLiteral("right"), QStringLiteral("center"), false, false, QRectF(108, 157.5, 684, 297),
         true},
        {"left-top", QStringLiteral("left"), QStringLiteral("top"), false, false, QRectF(0, 0, 684, 297), true},
        {"left-bottom", QStringLiteral("left"), QStringLiteral("bottom"), false, false, QRectF(0, 315, 684, 297), true},
        // Flip turns the envelope about itself in the same place.
        {"left-bottom-flip", QStringLiteral("left"), QStringLiteral("bottom"), true, false, QRectF(0, 315, 684, 297),
         false},
        // Giant rotate turns the page: the envelope lands top right, turned.
        {"left-bottom-giant", QStringLiteral("left"), QStringLiteral("bottom"), false, true, QRectF(108, 0, 684, 297),
         false},
        // Both: turned twice, upright, in the turned page's place.
        {"left-bottom-flip-giant", QStringLiteral("left"), QStringLiteral("bottom"), true, true,
         QRectF(108, 0, 684, 297), true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QVEnvelopePrintView page;
        page.setEnvelope(&envelope);
        page.setAlign(c.align);
        page.setPosition(c.position);
        page.setFlip(c.flip);
        page.setGiantRotate(c.giant);
        EXPECT_EQ(page.envelopeRectOnPage(), c.envelope);

        const QString path = outputPath(QStringLiteral("envelope-page-%1.pdf").arg(QLatin1String(c.name)));
        QVPrintOperation operation(&page, printInfoWithExtras(info, saveExtras(path)));
        ASSERT_TRUE(operation.runOperation()) << operation.errorString().toStdString();
        EXPECT_TRUE(pdfPageSize(path).startsWith(QStringLiteral("612 x 792 pts")));
        const QImage raster = landscapePage(path, 144);
        ASSERT_EQ(raster.size(), QSize(1584, 1224));
        const QRectF bounds = darkBounds(raster, 144);
        EXPECT_TRUE(near(bounds, c.envelope, 1)) << describe(bounds);
        // The corner square: dark at the envelope's top-left or, turned, at
        // its bottom-right.
        const QRectF topLeft(c.envelope.x() + 10, c.envelope.y() + 10, 20, 20);
        const QRectF bottomRight(c.envelope.right() - 30, c.envelope.bottom() - 30, 20, 20);
        EXPECT_GT(darkShare(raster, c.markAtTopLeft ? topLeft : bottomRight, 144), 0.95);
        EXPECT_LT(darkShare(raster, c.markAtTopLeft ? bottomRight : topLeft, 144), 0.05);
    }
}

TEST_F(EnvelopeTest, FeedSettingsChooseThePosition)
{
    const struct {
        int feed;
        int facing;
        int tray;
        qreal originY; // 297-point envelope on a 612-point page
    } cases[] = {
        {0, 0, 0, 315}, {0, 1, 0, 0},   {0, 0, 1, 0}, {1, 0, 0, 157.5}, {1, 1, 0, 157.5},
        {2, 0, 0, 0},   {2, 0, 1, 315}, {7, 0, 0, 0}, {-1, 1, 1, 0},
    };
    auto controller = QVEnvelopeController::blankEnvelopeController();
    ASSERT_EQ(controller->labelView()->size(), QSize(684, 297));
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("feed %1 facing %2 tray %3").arg(c.feed).arg(c.facing).arg(c.tray).toStdString());
        defaults().setInteger(c.feed, QStringLiteral("envelopeFeed"));
        defaults().setInteger(c.facing, QStringLiteral("envelopeFacing"));
        defaults().setInteger(c.tray, QStringLiteral("envelopeTrayLocation"));
        EXPECT_FALSE(controller->printLabelWithPrintInfoExtras(cancelExtras()));
        ASSERT_NE(controller->printView(), nullptr);
        EXPECT_EQ(controller->printView()->origin(), QPointF(0, c.originY));
        EXPECT_FALSE(controller->printView()->flip());
    }
    defaults().setInteger(1, QStringLiteral("envelopeDirection"));
    defaults().setBool(true, QStringLiteral("envelopeGiantRotate"));
    controller->printLabelWithPrintInfoExtras(cancelExtras());
    EXPECT_TRUE(controller->printView()->flip());
    EXPECT_TRUE(controller->printView()->giantRotate());

    // Printed: feed 0 with facing and tray different lies at the bottom.
    defaults().setInteger(0, QStringLiteral("envelopeDirection"));
    defaults().setBool(false, QStringLiteral("envelopeGiantRotate"));
    defaults().setInteger(0, QStringLiteral("envelopeFeed"));
    defaults().setInteger(1, QStringLiteral("envelopeFacing"));
    defaults().setInteger(0, QStringLiteral("envelopeTrayLocation"));
    controller->setToAddressString(QStringLiteral("Grace Receiver\n12 Harvard St\nBoston MA 02134-1409"));
    controller->setCustomFieldString(QStringLiteral("Bottom left"), QStringLiteral("Bottom"));
    const QString path = outputPath(QStringLiteral("envelope-feed-bottom.pdf"));
    ASSERT_TRUE(controller->printLabelWithPrintInfoExtras(saveExtras(path)));
    const QRectF bounds = darkBounds(landscapePage(path, 72), 72);
    // Everything printed lies inside the envelope at the page's bottom left.
    EXPECT_GE(bounds.top(), 315 - 1) << describe(bounds);
    EXPECT_LE(bounds.right(), 684 + 1) << describe(bounds);
}

TEST_F(EnvelopeTest, EnvelopeViewIsWhiteOnScreenAndTransparentInPrint)
{
    auto controller = QVEnvelopeController::blankEnvelopeController();
    const QImage screen = controller->labelView()->grab().toImage();
    ASSERT_FALSE(screen.isNull());
    EXPECT_EQ(QColor(screen.pixel(5, 5)), QColor(Qt::white));
    EXPECT_EQ(QColor(screen.pixel(screen.width() / 2, screen.height() - 3)), QColor(Qt::white));

    const QString pdf = writePdf(dataWithPDF(controller->labelView()), QStringLiteral("envelope-transparent.pdf"));
    const QString base = outputPath(QStringLiteral("envelope-transparent"));
    ASSERT_TRUE(runTool(QStringLiteral("pdftocairo"),
                        {QStringLiteral("-png"), QStringLiteral("-transp"), QStringLiteral("-singlefile"),
                         QStringLiteral("-r"), QStringLiteral("36"), pdf, base},
                        nullptr));
    const QImage printed(base + QStringLiteral(".png"));
    ASSERT_FALSE(printed.isNull());
    ASSERT_TRUE(printed.hasAlphaChannel());
    EXPECT_EQ(qAlpha(printed.pixel(5, 5)), 0);
    EXPECT_EQ(qAlpha(printed.pixel(printed.width() / 2, printed.height() / 2)), 0);
}

TEST_F(EnvelopeTest, ReturnAddressShrinksOutOfThePostageZoneNotBelowEight)
{
    auto controller = QVEnvelopeController::blankEnvelopeController();
    const QRectF home = controller->fromAddressFrame();
    const QRectF zone = controller->postageZone();
    EXPECT_EQ(zone, QRectF(684 - 216, 297 - 129, 216, 129));
    QVAddressField *field = controller->outlets().fromAddress;
    const QFontMetricsF metrics9(QFont(QStringLiteral("Helvetica"), 9), pointMeasuringDevice());

    // A first line that reaches a little into the zone at 9 points.
    QString line = QStringLiteral("Ada");
    while (home.x() + QVAddressField::kHorizontalInset + metrics9.horizontalAdvance(line) < zone.x() + 10)
        line += QStringLiteral(" Sender");
    const struct {
        QString text;
        qreal expectedAtMost;
        qreal expectedAtLeast;
    } cases[] = {
        {QStringLiteral("Ada Sender\n1600 Blake St\nDenver CO 80202-1234"), 9, 9},
        {line + QStringLiteral("\n1600 Blake St"), 8, 8},
        {QString(400, QLatin1Char('W')), 8, 8},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.left(40).toStdString());
        controller->setFromAddressString(c.text);
        EXPECT_LE(controller->fromAddressPointSize(), c.expectedAtMost);
        EXPECT_GE(controller->fromAddressPointSize(), c.expectedAtLeast);
        // Back in its home rectangle (the picture's place, none shown).
        EXPECT_EQ(frameOf(field), home);
    }
    // A line that fits at 8 stops shrinking there, clear of the zone.
    QString fitsAtEight = QStringLiteral("Ada");
    const QFontMetricsF metrics8(QFont(QStringLiteral("Helvetica"), 8), pointMeasuringDevice());
    while (home.x() + 2 * QVAddressField::kHorizontalInset + metrics8.horizontalAdvance(fitsAtEight + " Sender") <
               zone.x() - 2 &&
           home.x() + metrics9.horizontalAdvance(fitsAtEight + " Sender") < zone.x() + 2)
        fitsAtEight += QStringLiteral(" Sender");
    fitsAtEight += QStringLiteral(" Sender");
    controller->setFromAddressString(fitsAtEight);
    EXPECT_EQ(controller->fromAddressPointSize(), 8);
    EXPECT_EQ(frameOf(field), home);
}

TEST_F(EnvelopeTest, ReturnAddressPictureStandsBesideTheText)
{
    QImage picture(60, 60, QImage::Format_RGB32);
    picture.fill(Qt::black);
    const QString path = outputPath(QStringLiteral("return-picture.png"));
    ASSERT_TRUE(picture.save(path));
    defaults().setBool(true, QStringLiteral("useFromAddressImage"));
    defaults().setString(path, QStringLiteral("fromAddressImage"));

    auto controller = QVEnvelopeController::blankEnvelopeController();
    const QRectF home = controller->fromAddressFrame();
    controller->setFromAddressString(QStringLiteral("Ada Sender\n1600 Blake St\nDenver CO 80202-1234"));
    QVImageView *image = controller->outlets().returnAddressImage;
    ASSERT_FALSE(image->image().isNull());
    const QRectF square = frameOf(image);
    EXPECT_EQ(square.width(), square.height());
    EXPECT_GT(square.height(), 20);
    EXPECT_NEAR(frameOf(controller->outlets().fromAddress).x(), square.x() + square.height() + 2, 1);
    // The square's top is the picture's home top.
    EXPECT_NEAR(square.bottom(), home.bottom(), 1);

    // A file that does not load: no picture, the text takes its place.
    defaults().setString(outputPath(QStringLiteral("missing.png")), QStringLiteral("fromAddressImage"));
    controller->setFromAddressString(QStringLiteral("Ada Sender"));
    EXPECT_TRUE(image->image().isNull());
    EXPECT_EQ(frameOf(controller->outlets().fromAddress).x(), frameOf(image).x());
}

TEST_F(EnvelopeTest, DeliveryAddressGrowsShrinksAndEnds)
{
    auto controller = QVEnvelopeController::blankEnvelopeController();
    QVAddressField *field = controller->outlets().toAddress;
    const QRectF home = controller->toAddressFrame();
    const QString seven = QStringLiteral("Grace Receiver\nFlat 3\n12 Harvard Road\nSouthwark\nLondon\nSE1 9SG\nUK");

    // International: two line heights more, downward, before any shrinking.
    controller->setInternational(true);
    const qreal line = [&] {
        QVAddressField probe;
        probe.setFont(QFont(QStringLiteral("Helvetica"), 12));
        return probe.defaultLineHeight();
    }();
    controller->setToAddressString(seven);
    EXPECT_EQ(controller->toAddressPointSize(), 12);
    EXPECT_NEAR(frameOf(field).y(), home.y() - 2 * line, 1);
    EXPECT_GT(frameOf(field).height(), home.height());

    // Domestic, the same lines shrink to the home rectangle's height.
    controller->setInternational(false);
    controller->setToAddressString(seven);
    EXPECT_LT(controller->toAddressPointSize(), 12);
    EXPECT_GE(controller->toAddressPointSize(), 8);
    EXPECT_NEAR(frameOf(field).y(), home.y(), 1);
    EXPECT_LE(frameOf(field).height(), home.height() + 1);

    // Too tall at every size: stops at 8 points.
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many << QStringLiteral("Line %1").arg(i);
    controller->setToAddressString(many.join(QLatin1Char('\n')));
    EXPECT_EQ(controller->toAddressPointSize(), 8);

    // Too wide at every size: shrinks below 8, stops at the floor and
    // overflows.
    controller->setToAddressString(QString(5000, QLatin1Char('W')));
    EXPECT_EQ(controller->toAddressPointSize(), QVEnvelopeController::kDeliveryWidthFloor);
    EXPECT_GT(frameOf(field).width(), home.width());
    // A line somewhat too wide shrinks below 8 and then fits.
    controller->setToAddressString(QString(75, QLatin1Char('W')));
    EXPECT_LT(controller->toAddressPointSize(), 8);
    EXPECT_GT(controller->toAddressPointSize(), QVEnvelopeController::kDeliveryWidthFloor);
    EXPECT_LE(frameOf(field).width(), home.width());
}

TEST_F(EnvelopeTest, CustomLinesShrinkToSixAndStayHome)
{
    auto controller = QVEnvelopeController::blankEnvelopeController();
    QVTextField *bottom = controller->outlets().bottomCustomField;
    const QRectF home = frameOf(bottom);
    const struct {
        QString text;
        qreal size;
    } cases[] = {
        {QStringLiteral("Order 1234"), 10},
        {QString(200, QLatin1Char('W')), 6},
    };
    for (const auto &c : cases) {
        controller->setCustomFieldString(c.text, QStringLiteral("Bottom"));
        EXPECT_EQ(bottom->pointSize(), c.size);
        EXPECT_EQ(bottom->text(), c.text);
        EXPECT_EQ(frameOf(bottom), home);
    }
    controller->setCustomFieldString(QStringLiteral("ignored"), QStringLiteral("Middle"));
    EXPECT_EQ(bottom->text(), cases[1].text);
    EXPECT_EQ(controller->outlets().topCustomField->text(), QString());
}

TEST_F(EnvelopeTest, IntelligentMailBarcodeThreePointsAboveTheDeliveryAddress)
{
    auto shipment = samplePriorityShipment();
    shipment->setObject(QVUSPSFirstClassMail, QVUSPSShipmentRateClassKey);
    shipment->setObject(QVUSPSLetterSize, QVUSPSShipmentSizeKey);
    auto controller = QVEnvelopeController::envelopeControllerWithShipment(shipment);
    EXPECT_EQ(controller->outlets().postnetImage, nullptr);
    QVUSPS4CBView *barcode = controller->onecodeView();
    ASSERT_NE(barcode, nullptr);
    const QRectF address = frameOf(controller->outlets().toAddress);
    EXPECT_EQ(frameOf(barcode).y(), address.bottom() + 3);
    EXPECT_EQ(frameOf(barcode).x(), address.x());

    const QImage raster = envelopeRaster(*controller, QStringLiteral("envelope-shipment"));
    char bars[80] = {};
    ASSERT_EQ(USPS4CB("00040123456200800001", "02134140912", bars), USPS4CB_SUCCESS);
    EXPECT_EQ(readIntelligentMailBars(raster, topLeftFrame(barcode)), QString::fromLatin1(bars, 65));
    // The printed symbol keeps the public geometry at every printer
    // resolution: about 22 bars an inch, bar widths and heights in range.
    const QString pdf = outputPath(QStringLiteral("envelope-shipment.pdf"));
    for (const int dpi : {203, 300, 600}) {
        const FourStateBarGeometry geometry = intelligentMailBarsOf(pdfRaster(pdf, dpi), topLeftFrame(barcode), dpi);
        EXPECT_EQ(geometry.letters, QString::fromLatin1(bars, 65)) << dpi;
        EXPECT_TRUE(geometry.problems().isEmpty())
            << dpi << " dpi: " << geometry.problems().join(QStringLiteral("; ")).toStdString();
        EXPECT_NEAR(geometry.barsPerInch, 22, 0.5) << dpi;
    }
    const QString text = pdfText(outputPath(QStringLiteral("envelope-shipment.pdf")));
    EXPECT_TRUE(text.contains(QStringLiteral("Grace Receiver")));
    EXPECT_TRUE(text.contains(QStringLiteral("Ada Sender")));

    // The return address follows its default, also on a change.
    int announced = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVLabelLayoutDidChangeNotification, NotificationObject(controller.get()),
        [&](const Notification &) { ++announced; });
    defaults().setBool(false, QStringLiteral("envelopePrintReturnAddress"));
    EXPECT_GE(announced, 1);
    EXPECT_TRUE(controller->outlets().fromAddress->text().isEmpty());
    EXPECT_EQ(frameOf(controller->onecodeView()).y(), frameOf(controller->outlets().toAddress).bottom() + 3);
}

TEST_F(EnvelopeTest, InternationalShipmentReturnAddressEndsWithUS)
{
    auto shipment = samplePriorityShipment();
    QVAddress to(sampleAddress(QStringLiteral("Grace Receiver"), QStringLiteral("12 Harvard Road"),
                               QStringLiteral("London"), QString(), QStringLiteral("SE1 9SG")));
    to.setCountry(QStringLiteral("United Kingdom"));
    shipment->setObject(to.plist(), QVShipmentToAddressKey);
    shipment->setObject(QString(), QVUSPSShipmentConfirmKey);
    auto controller = QVEnvelopeController::envelopeControllerWithShipment(shipment);
    EXPECT_TRUE(controller->international());
    EXPECT_TRUE(controller->outlets().fromAddress->text().endsWith(QStringLiteral("\nUS")));
    EXPECT_EQ(controller->onecodeView(), nullptr);

    defaults().setBool(false, QStringLiteral("envelopePrintReturnAddress"));
    auto unprinted = QVEnvelopeController::envelopeControllerWithShipment(shipment);
    EXPECT_FALSE(unprinted->international());
    EXPECT_TRUE(unprinted->outlets().fromAddress->text().isEmpty());
}

TEST_F(EnvelopeTest, SizesComeFromThePrinterSetUp)
{
    defaults().setObject(QVariantList{QVEnvelopeSizes::entry(QStringLiteral("Card"), QSizeF(5, 3.5)),
                                      QVariantMap{{QStringLiteral("name"), QStringLiteral("Broken")},
                                                  {QStringLiteral("size"), QStringLiteral("{5, }")}}},
                         QVEnvelopeSizesKey);
    const struct {
        qint64 envelopeTag;
        qint64 postcardTag;
        QString pieceSize;
        QSize points;
    } cases[] = {
        {101, 100, QVUSPSLetterSize, QSize(684, 297)},   {200, 100, QVUSPSLetterSize, QSize(360, 252)},
        {101, 102, QVUSPSPostcardSize, QSize(432, 288)}, {201, 100, QVUSPSLetterSize, QSize(0, 0)},
        {99, 100, QVUSPSLetterSize, QSize(0, 0)},        {101, 200, QVUSPSPostcardSize, QSize(0, 0)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.envelopeTag);
        defaults().setInteger(c.envelopeTag, QVSelectedEnvelopeSizeKey);
        defaults().setInteger(c.postcardTag, QVSelectedPostcardSizeKey);
        auto shipment = samplePriorityShipment();
        shipment->setObject(QVUSPSFirstClassMail, QVUSPSShipmentRateClassKey);
        shipment->setObject(c.pieceSize, QVUSPSShipmentSizeKey);
        auto controller = QVEnvelopeController::envelopeControllerWithShipment(shipment);
        EXPECT_EQ(controller->labelView()->size(), c.points);
        // Every field stays inside a real envelope; none is lost on an
        // empty one, and printing it is no crash.
        if (!c.points.isEmpty()) {
            for (QWidget *field :
                 std::initializer_list<QWidget *>{controller->outlets().indiciumImage, controller->outlets().toAddress,
                                                  controller->outlets().bottomCustomField, controller->onecodeView()}) {
                const QRectF frame = frameOf(field);
                EXPECT_GE(frame.x(), 0) << field->objectName().toStdString();
                EXPECT_GE(frame.y(), 0) << field->objectName().toStdString();
                EXPECT_LE(frame.bottom(), c.points.height()) << field->objectName().toStdString();
            }
        }
        const QString path =
            outputPath(QStringLiteral("envelope-size-%1-%2.pdf").arg(c.envelopeTag).arg(c.postcardTag));
        EXPECT_TRUE(controller->printLabelWithPrintInfoExtras(saveExtras(path)));
    }
}

TEST_F(EnvelopeTest, PostageAlignmentAndRightAlignedAddress)
{
    const struct {
        bool leftAlign;
        bool rightAlignAddress;
        qreal zoneWidth;
    } cases[] = {{false, false, 216}, {true, false, 400}, {false, true, 216}, {true, true, 400}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.leftAlign * 2 + c.rightAlignAddress);
        defaults().setBool(c.leftAlign, QVEnvelopeAlignPostageLeftKey);
        defaults().setBool(c.rightAlignAddress, QStringLiteral("rightAlignEnvelopeAddresses"));
        auto controller = QVEnvelopeController::blankEnvelopeController();
        EXPECT_EQ(controller->leftAlignedPostage(), c.leftAlign);
        const QRectF indicium = frameOf(controller->outlets().indiciumImage);
        EXPECT_EQ(indicium.right(), 684);
        EXPECT_EQ(indicium.bottom(), 297); // y-up: its top edge
        EXPECT_EQ(indicium.width(), c.zoneWidth);
        EXPECT_EQ(controller->postageZone(), QRectF(684 - c.zoneWidth, 297 - 129, c.zoneWidth, 129));
        // The return address has the envelope's width less the left-aligned
        // indicium, or less 3 points.
        EXPECT_EQ(controller->fromAddressFrame().width(), 684 - (c.leftAlign ? 400 : 3));
        const QRectF address = controller->toAddressFrame();
        if (c.rightAlignAddress)
            EXPECT_EQ(address.right(), indicium.right());
        else
            EXPECT_LT(address.right(), indicium.right());
    }
}

TEST_F(EnvelopeTest, ReplyPostageAddressOpensWithTheNotice)
{
    auto shipment = samplePriorityShipment();
    shipment->setObject(QVUSPSFirstClassMail, QVUSPSShipmentRateClassKey);
    shipment->setObject(true, QVUSPSShipmentReplyPostageKey);
    auto controller = QVEnvelopeController::envelopeControllerWithShipment(shipment);
    const QString text = controller->outlets().toAddress->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("REPLY POSTAGE ENCLOSED"))) << text.toStdString();
    // The reply piece goes to the return address of the shipment.
    EXPECT_TRUE(text.contains(QStringLiteral("Ada Sender"))) << text.toStdString();
}

namespace {

class EnvelopeCupsTest : public EnvelopeTest
{
protected:
    void SetUp() override
    {
        EnvelopeTest::SetUp();
        setPrintSystem(nullptr); // CUPS
        ASSERT_TRUE(printer.isListening());
        QString error;
        ASSERT_TRUE(cupsd.start(&error)) << error.toStdString();
    }

    LoopbackPrinter printer;
    PrivateCupsd cupsd;
};

} // namespace

TEST_F(EnvelopeCupsTest, SampleEnvelopePrintsVoidUnderItsJobTitle)
{
    auto controller = QVEnvelopeController::blankEnvelopeController();
    controller->setToAddressString(QStringLiteral("Grace Receiver\n12 Harvard St\nBoston MA 02134-1409"));
    controller->setFromAddressString(QStringLiteral("Ada Sender\n1600 Blake St\nDenver CO 80202-1234"));
    const auto indicium = QVEnvelopeDollarIndiciumView::create();
    controller->setIndicium(QVLayoutImage::fromView(indicium.get()));
    controller->drawVoid(true);
    controller->setTestPrint(true);

    // Saved: the sample marks are in the page's text.
    const QString saved = outputPath(QStringLiteral("envelope-sample.pdf"));
    ASSERT_TRUE(controller->printLabelWithPrintInfoExtras(saveExtras(saved)));
    // The indicium's sample line and void band, and the void overlay
    // (drawn rising, so read letter by letter).
    QString text = pdfText(saved, QStringLiteral("-raw"));
    EXPECT_TRUE(text.simplified().contains(QStringLiteral("TEST SAMPLE"))) << text.toStdString();
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    EXPECT_EQ(text.count(QStringLiteral("VOID-DONOTMAIL")), 2) << text.toStdString();
    landscapePage(saved, 100).save(outputPath(QStringLiteral("envelope-sample-page.png")));

    // Spooled to the envelope queue of the printer set-up.
    QString error;
    const QString uri = QStringLiteral("socket://127.0.0.1:%1/?snmp=false").arg(printer.port());
    ASSERT_TRUE(cupsd.addQueue(QStringLiteral("envelopes"), QStringLiteral("Generic PDF Printer"), uri, &error))
        << error.toStdString();
    PrintInfo info = QVPrinterSetupController::sharedController()->plainPaperPrintInfoForKey(QVEnvelopePrintInfoKey);
    info.printerName = QStringLiteral("envelopes");
    QVPrinterSetupController::sharedController()->setPlainPaperPrintInfo(info, QVEnvelopePrintInfoKey);
    ASSERT_TRUE(controller->printLabelWithPrintInfoExtras());
    ASSERT_TRUE(printer.waitForJobs(1));
    EXPECT_TRUE(printer.received().constFirst().startsWith("%PDF"));
    EXPECT_TRUE(cupsd.waitForCompletion(1));
    EXPECT_EQ(cupsd.jobAttributes(1).value(QStringLiteral("job-name")).toString(), QStringLiteral("Tolvane Envelope"));
}
