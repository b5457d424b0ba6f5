// The shell's small widgets: the measurement formatter reads inch marks and
// sums and refuses spelled-out units; the click-through image view fades on
// transparent pixels and outside its active rectangle and acts on opaque
// ones inside it; the action button is an image-only pull-down.
#include "widgets/DKActionButton.h"
#include "widgets/NamedPicture.h"
#include "widgets/QVClickImageView.h"
#include "widgets/QVMeasurementFormatter.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QLineEdit>
#include <gtest/gtest.h>

TEST(QVMeasurementFormatter, ReadsInchMarksAndSumsAndRefusesOtherLetters)
{
    struct Case {
        QString text;
        std::optional<QString> value;
    };
    const Case cases[] = {
        {QStringLiteral("12\""), QStringLiteral("12")},
        {QStringLiteral("12in"), QStringLiteral("12")},
        {QStringLiteral("12 in"), QStringLiteral("12")},
        {QStringLiteral("6+2\""), QStringLiteral("8")},
        {QStringLiteral("(3+1.5)*2in"), QStringLiteral("9")},
        {QStringLiteral("11.25"), QStringLiteral("11.25")},
        {QStringLiteral("12 inches"), std::nullopt},
        {QStringLiteral("12 cm"), std::nullopt},
        {QStringLiteral("6+"), std::nullopt},
        {QStringLiteral("1/0"), std::nullopt},
        {QStringLiteral(""), std::nullopt},
        {QStringLiteral("\"\""), std::nullopt},
    };
    QVMeasurementFormatter formatter;
    for (const Case &c : cases) {
        const std::optional<Decimal> value = QVMeasurementFormatter::objectValueForString(c.text);
        EXPECT_EQ(value.has_value(), c.value.has_value()) << c.text.toStdString();
        if (value && c.value) {
            EXPECT_EQ(*value, Decimal::fromString(*c.value)) << c.text.toStdString();
        }
        QString text = c.text;
        int position = 0;
        EXPECT_EQ(formatter.validate(text, position), c.value ? QValidator::Acceptable : QValidator::Intermediate)
            << c.text.toStdString();
    }
}

TEST(QVMeasurementFormatter, AFieldKeepsNoRefusedLength)
{
    QLineEdit field;
    field.setValidator(new QVMeasurementFormatter(&field));
    field.show();
    field.setText(QStringLiteral("12 inches"));
    EXPECT_FALSE(field.hasAcceptableInput());
    field.setText(QStringLiteral("6+2\""));
    EXPECT_TRUE(field.hasAcceptableInput());
}

namespace {

// A 300 by 150 overlay: opaque except a transparent square at (50, 50) to
// (59, 59).
QImage overlayImage()
{
    QImage image(300, 150, QImage::Format_ARGB32);
    image.fill(QColor(200, 30, 30));
    for (int y = 50; y < 60; ++y)
        for (int x = 50; x < 60; ++x)
            image.setPixel(x, y, qRgba(0, 0, 0, 0));
    return image;
}

} // namespace

TEST(QVClickImageView, FadesOnTransparentPixelsAndOutsideItsRectangleAndActsOnOpaqueOnes)
{
    QVClickImageView view;
    view.setImage(overlayImage());
    view.resize(view.sizeHint());
    int actions = 0;
    int fades = 0;
    view.setAction([&] { ++actions; });
    view.setFadeAction([&] { ++fades; });
    view.show();

    struct Case {
        QPoint point;
        bool acts;
    };
    const Case cases[] = {
        {{10, 10}, true},   {{289, 119}, true},  {{55, 55}, false},
        {{290, 60}, false}, {{100, 120}, false}, {{295, 140}, false},
    };
    for (const Case &c : cases) {
        const int actionsBefore = actions;
        const int fadesBefore = fades;
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(c.point), view.mapToGlobal(QPointF(c.point)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &press);
        EXPECT_EQ(actions - actionsBefore, c.acts ? 1 : 0) << c.point.x() << "," << c.point.y();
        EXPECT_EQ(fades - fadesBefore, c.acts ? 0 : 1) << c.point.x() << "," << c.point.y();
    }
}

TEST(DKActionButton, ShowsOnlyItsImageAndPullsDownItsMenu)
{
    DKActionButton button;
    EXPECT_TRUE(button.text().isEmpty());
    EXPECT_EQ(button.toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(button.popupMode(), QToolButton::InstantPopup);
    EXPECT_FALSE(button.actionImage().isNull());
    EXPECT_FALSE(button.icon().isNull());

    QImage own(20, 12, QImage::Format_ARGB32);
    own.fill(Qt::blue);
    DKActionButton withImage(nullptr, own);
    EXPECT_EQ(withImage.actionImage(), own);
    EXPECT_EQ(withImage.iconSize(), QSize(20, 12));
}

// A named picture's icon, decoded only when drawn, looks in every size and
// mode exactly as the plain icon of the decoded picture, painted or as a
// pixmap, also after being copied; a picture the bundle lacks is the drawn
// stand-in, never a null icon.
TEST(NamedPictureIcon, DrawsAsThePlainIconOfThePicture)
{
    const QString names[] = {QStringLiteral("ActionMenu"), QStringLiteral("NoSuchPictureAnywhere")};
    const QIcon::Mode modes[] = {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected};
    for (const QString &name : names) {
        const QIcon plain(QPixmap::fromImage(namedPicture(name)));
        ASSERT_FALSE(plain.isNull());
        const QIcon lazy = namedPictureIcon(name);
        EXPECT_FALSE(lazy.isNull());
        QIcon copied = lazy;
        copied.detach();
        for (const int side : {16, 32, 48}) {
            for (const QIcon::Mode mode : modes) {
                SCOPED_TRACE(name.toStdString() + " " + std::to_string(side) + " mode " + std::to_string(int(mode)));
                const QSize size(side, side);
                EXPECT_EQ(lazy.actualSize(size, mode), plain.actualSize(size, mode));
                EXPECT_EQ(lazy.pixmap(size, mode).toImage(), plain.pixmap(size, mode).toImage());
                EXPECT_EQ(copied.pixmap(size, mode).toImage(), plain.pixmap(size, mode).toImage());
                QImage painted(size * 2, QImage::Format_ARGB32_Premultiplied);
                QImage expected = painted;
                painted.fill(Qt::transparent);
                expected.fill(Qt::transparent);
                {
                    QPainter painter(&painted);
                    lazy.paint(&painter, QRect(QPoint(3, 5), size), Qt::AlignCenter, mode);
                }
                {
                    QPainter painter(&expected);
                    plain.paint(&painter, QRect(QPoint(3, 5), size), Qt::AlignCenter, mode);
                }
                EXPECT_EQ(painted, expected);
            }
        }
        EXPECT_EQ(lazy.availableSizes(), plain.availableSizes());
    }
}
