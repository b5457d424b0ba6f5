// QVPreferencesController on plain state: the weight-unit radio groups post
// their notification once, the usePostage reminder, the tagged controls read
// back from stored texts, changes made elsewhere reach the shown state, the
// return-address image fitted into 150 x 150 dots and its EPL2 graphic, the
// post-print script refused unless it is an executable file, and the window's
// pane switch that keeps the top edge.
#include "app/preferences/QVPreferencesController.h"
#include "app/preferences/QVPreferencesWindow.h"
#include "platform/ArchivedValues.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"

#include "RecordingDialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolBar>
#include <QDropEvent>
#include <QApplication>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

// Records the sizes the preferences ask for; answers a bitmap of that size.
class FakeConverter final : public QVImageConverting
{
public:
    explicit FakeConverter(QSizeF *target) : m_target(target) {}
    void setImage(const QImage &image) override { m_size = image.size(); }
    QSizeF imageSize() const override { return m_size; }
    void setTargetSize(const QSizeF &size) override { m_size = size; }
    std::optional<QByteArray> imageData() override
    {
        *m_target = m_size;
        return QByteArray(bytesPerRow() * height(), '\xff');
    }
    qint64 bytesPerRow() const override { return (width() + 7) / 8; }
    qint64 width() const override { return qint64(m_size.width()); }
    qint64 height() const override { return qint64(m_size.height()); }

private:
    QSizeF m_size;
    QSizeF *m_target;
};

class PreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override { UserDefaults::resetStandardUserDefaults(); }
    void TearDown() override { UserDefaults::resetStandardUserDefaults(); }

    std::unique_ptr<QVPreferencesController> make()
    {
        return std::make_unique<QVPreferencesController>(
            UserDefaults::standardUserDefaults(),
            [this](const QString &key, bool remind) {
                alerts.append(key);
                EXPECT_TRUE(remind);
                return 1;
            },
            [this] { return std::make_unique<FakeConverter>(&converted); });
    }

    QStringList alerts;
    QSizeF converted;
};

TEST_F(PreferencesTest, WeightUnitsStoreTheirFlagAndPostOnce)
{
    auto prefs = make();
    int posts = 0;
    const NotificationObject sender = NotificationObject(prefs.get());
    auto observer = NotificationCenter::defaultCenter().addObserver(QVWeightUnitDefaultChangedNotificationName,
                                                                    [&](const Notification &n) {
                                                                        ++posts;
                                                                        EXPECT_EQ(n.object, sender);
                                                                    });
    UserDefaults &d = UserDefaults::standardUserDefaults();
    prefs->setTag(QStringLiteral("usePoundsForFirstClass"), 1);
    EXPECT_EQ(d.objectForKey(QStringLiteral("usePoundsForFirstClass")), QVariant(true));
    EXPECT_EQ(posts, 1);
    prefs->setTag(QStringLiteral("usePoundsForOtherClasses"), 0);
    EXPECT_EQ(d.objectForKey(QStringLiteral("usePoundsForOtherClasses")), QVariant(false));
    EXPECT_EQ(posts, 2);
    // Other tagged controls post nothing.
    prefs->setTag(QStringLiteral("reformatZIP"), 1);
    EXPECT_EQ(d.objectForKey(QStringLiteral("reformatZIP")), QVariant(false));
    EXPECT_EQ(posts, 2);
}

TEST_F(PreferencesTest, TurningPostageOffRemindsTurningItOnDoesNot)
{
    auto prefs = make();
    prefs->setCheckBox(QStringLiteral("usePostage"), true);
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_TRUE(UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("usePostage")));
    prefs->setCheckBox(QStringLiteral("usePostage"), false);
    EXPECT_EQ(alerts, QStringList{QStringLiteral("usePostageReminder")});
    EXPECT_FALSE(UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("usePostage")));
}

TEST_F(PreferencesTest, StoredTextsSelectTheirTags)
{
    struct Case {
        const char *key;
        QVariant stored;
        int tag;
    };
    const Case cases[] = {
        {"abSortOrder", QStringLiteral("F"), 0},
        {"abSortOrder", QStringLiteral("L"), 1},
        {"abSortOrder", QStringLiteral("anything"), 1},
        {"abDisplayOrder", QStringLiteral("FL"), 0},
        {"abDisplayOrder", QStringLiteral("LF"), 1},
        {"confirmationServicesServer", QStringLiteral("usps"), 1},
        {"confirmationServicesServer", QStringLiteral("tolvane"), 0},
        {"abLabelFilter", QString(), 99},
        {"abLabelFilter", QStringLiteral("work"), 1},
        {"uppercaseAddresses", true, 0},
        {"uppercaseAddresses", false, 1},
    };
    auto prefs = make();
    for (const Case &c : cases) {
        UserDefaults::standardUserDefaults().setObject(c.stored, QString::fromLatin1(c.key));
        // The change notification alone brings the window up to date.
        EXPECT_EQ(prefs->tag(QString::fromLatin1(c.key)), c.tag) << c.key << " " << c.stored.toString().toStdString();
    }
    // An unknown label text leaves the pop-up as it was.
    UserDefaults::standardUserDefaults().setString(QStringLiteral("mobile"), QStringLiteral("abLabelFilter"));
    EXPECT_EQ(prefs->tag(QStringLiteral("abLabelFilter")), 1);
    // Choosing "all" removes the key.
    prefs->setTag(QStringLiteral("abLabelFilter"), 99);
    EXPECT_FALSE(UserDefaults::standardUserDefaults().objectForKey(QStringLiteral("abLabelFilter")).isValid());
}

TEST_F(PreferencesTest, ChangesMadeElsewhereReachTheOpenWindow)
{
    auto prefs = make();
    int redraws = 0;
    prefs->stateChanged = [&] { ++redraws; };
    EXPECT_FALSE(prefs->checkBox(QStringLiteral("useStealth")));
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("useStealth"));
    EXPECT_TRUE(prefs->checkBox(QStringLiteral("useStealth")));
    EXPECT_GE(redraws, 1);
    UserDefaults::standardUserDefaults().setString(QStringLiteral("/opt/scripts/after.sh"),
                                                   QStringLiteral("scriptPostProcess"));
    EXPECT_EQ(prefs->scriptName(), QStringLiteral("after.sh"));
}

TEST_F(PreferencesTest, FontsAndColoursUseTheLayoutsStoredForm)
{
    auto prefs = make();
    using F = QVPreferencesController::AddressFont;
    EXPECT_EQ(prefs->font(F::ToAddress).pointSizeF(), 12);
    EXPECT_EQ(prefs->font(F::FromAddress).pointSizeF(), 9);
    EXPECT_TRUE(prefs->fontName(F::ToAddress).isEmpty());
    QFont courier(QStringLiteral("Courier"));
    courier.setPointSizeF(14);
    prefs->changeFont(F::ToAddress, courier);
    prefs->changeColor(F::FromAddress, QColor(0x12, 0x34, 0x56));
    const auto stored = fontForDefaultsKey(UserDefaults::standardUserDefaults(), QStringLiteral("toAddressFont"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->family(), QStringLiteral("Courier"));
    EXPECT_EQ(prefs->fontName(F::ToAddress), QStringLiteral("Courier 14"));
    EXPECT_EQ(prefs->color(F::FromAddress).name(), QStringLiteral("#123456"));
    prefs->changeCustomField(true, QStringLiteral("Reference ID"));
    EXPECT_EQ(prefs->customField(true), QStringLiteral("Reference ID"));
    prefs->resetToDefaults();
    EXPECT_EQ(prefs->fontName(F::ToAddress), QStringLiteral("Helvetica 12"));
    EXPECT_EQ(prefs->color(F::FromAddress), QColor(Qt::black));
    EXPECT_EQ(prefs->customField(true), QStringLiteral("None"));
}

TEST_F(PreferencesTest, ReturnAddressImageIsFittedAndWrittenAsEPL2)
{
    auto prefs = make();
    const QDir support(applicationSupportDirectory());
    struct Case {
        QSize image;
        QSizeF target;
    };
    for (const Case &c : {Case{{300, 150}, {150, 75}}, Case{{100, 80}, {100, 80}}, Case{{90, 270}, {50, 150}}}) {
        QImage image(c.image, QImage::Format_RGB32);
        image.fill(Qt::white);
        ASSERT_TRUE(prefs->imageDrop(image));
        EXPECT_EQ(converted, c.target);
        UserDefaults &d = UserDefaults::standardUserDefaults();
        EXPECT_TRUE(d.boolForKey(QStringLiteral("useFromAddressImage")));
        EXPECT_EQ(d.stringForKey(QStringLiteral("fromAddressImage")), support.filePath(QVReturnGraphicTIFFName));
        EXPECT_EQ(d.stringForKey(QStringLiteral("fromAddressImageZebraWidth")),
                  QString::number(qint64(c.target.width()) + 20));
        QFile epl2(support.filePath(QVReturnGraphicEPL2Name));
        ASSERT_TRUE(epl2.open(QIODevice::ReadOnly));
        const QByteArray data = epl2.readAll();
        const qint64 bytesPerRow = (qint64(c.target.width()) + 7) / 8;
        const QByteArray head =
            "GW14,360," + QByteArray::number(bytesPerRow) + ',' + QByteArray::number(qint64(c.target.height())) + '\n';
        EXPECT_TRUE(data.startsWith(head)) << data.left(20).toStdString();
        EXPECT_EQ(data.size(), head.size() + bytesPerRow * qint64(c.target.height()) + 1);
        EXPECT_TRUE(data.endsWith('\n'));
        EXPECT_FALSE(QImage(support.filePath(QVReturnGraphicTIFFName)).isNull());
    }
    EXPECT_FALSE(prefs->imageDrop(QImage()));
}

TEST_F(PreferencesTest, OnlyAnExecutableRegularFileIsTakenAsTheScript)
{
    DialogsScope dialogs;
    auto prefs = make();
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.sh"));
    const QString runnable = dir.filePath(QStringLiteral("run.sh"));
    for (const QString &path : {plain, runnable}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
    }
    QFile::setPermissions(runnable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    UserDefaults &d = UserDefaults::standardUserDefaults();
    for (const QString &refused : {plain, dir.path(), dir.filePath(QStringLiteral("missing.sh"))}) {
        EXPECT_FALSE(prefs->takeScriptFile(refused)) << refused.toStdString();
        ASSERT_FALSE(dialogs->alerts.isEmpty());
        EXPECT_FALSE(dialogs->alerts.last().messageText.isEmpty());
        EXPECT_TRUE(dialogs->alerts.last().informativeText.contains(refused));
        EXPECT_FALSE(d.objectForKey(QStringLiteral("scriptPostProcess")).isValid());
    }
    EXPECT_EQ(dialogs->alerts.size(), 3);
    EXPECT_TRUE(prefs->takeScriptFile(runnable));
    EXPECT_EQ(d.stringForKey(QStringLiteral("scriptPostProcess")), runnable);
    EXPECT_TRUE(d.boolForKey(QStringLiteral("useScriptPostProcess")));
    EXPECT_EQ(dialogs->alerts.size(), 3);
}

TEST_F(PreferencesTest, PaneSwitchKeepsTheTopEdgeAndTheToolbarHasSixItems)
{
    EXPECT_EQ(QVPreferencesController::frameForPaneSwitch(QRect(100, 200, 500, 400), 300, QSize(600, 200)),
              QRect(100, 200, 600, 300));
    auto controller = std::shared_ptr<QVPreferencesController>(make());
    QVPreferencesWindow window(controller);
    QStringList items;
    for (QAction *action : window.toolbar()->actions())
        items.append(action->objectName());
    EXPECT_EQ(
        items,
        (QStringList{QStringLiteral("General Prefs Item Identifier"), QStringLiteral("Shipment Prefs Item Identifier"),
                     QStringLiteral("Mailpiece Prefs Item Identifier"), QStringLiteral("Email Prefs Item Identifier"),
                     QStringLiteral("Address Book Item Identifier"), QStringLiteral("Favorites Item Identifier")}));
    window.show();
    const int top = window.geometry().top();
    window.switchToPane(QVPreferencesController::Pane::Shipment);
    EXPECT_EQ(controller->currentPane(), QVPreferencesController::Pane::Shipment);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Shipment Preferences"));
    EXPECT_EQ(window.geometry().top(), top);
    window.switchToPane(QVPreferencesController::Pane::Favorites);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Favorites Preferences"));
    EXPECT_EQ(window.geometry().top(), top);
}

TEST_F(PreferencesTest, TheDateAndAdvancedPanesAreReachedFromGeneralAndWriteTheirKeys)
{
    tolvane::test::DialogsScope dialogs;
    QTemporaryDir scripts;
    ASSERT_TRUE(scripts.isValid());
    auto controller = std::shared_ptr<QVPreferencesController>(make());
    QVPreferencesWindow window(controller);
    window.show();
    UserDefaults &d = UserDefaults::standardUserDefaults();
    const int top = window.geometry().top();
    QWidget *general = window.paneWidget(QVPreferencesController::Pane::General);

    // General leads to the date pane; its boxes write the warnings' keys.
    general->findChild<QPushButton *>(QStringLiteral("dateViewButton"))->click();
    EXPECT_EQ(controller->currentPane(), QVPreferencesController::Pane::Date);
    EXPECT_EQ(window.geometry().top(), top);
    // The narrow pane keeps the window as wide as its toolbar.
    EXPECT_GE(window.geometry().width(), window.toolbar()->sizeHint().width());
    QWidget *date = window.paneWidget(QVPreferencesController::Pane::Date);
    ASSERT_EQ(window.centralWidget(), date);
    const QList<QCheckBox *> boxes = date->findChildren<QCheckBox *>();
    ASSERT_EQ(boxes.size(), 3);
    const QStringList keys = {QStringLiteral("sundayWarning"), QStringLiteral("saturdayWarning"),
                              QStringLiteral("holidayWarning")};
    for (qsizetype i = 0; i < keys.size(); ++i) {
        boxes.at(i)->click();
        EXPECT_TRUE(d.boolForKey(keys.at(i))) << keys.at(i).toStdString();
    }
    // A change made elsewhere reaches the open pane.
    d.setBool(false, QStringLiteral("saturdayWarning"));
    EXPECT_FALSE(boxes.at(1)->isChecked());
    EXPECT_TRUE(boxes.at(0)->isChecked());

    // The advanced pane holds the post-print script: a file that may not
    // run is refused there too.
    window.switchToPane(QVPreferencesController::Pane::General);
    general->findChild<QPushButton *>(QStringLiteral("advancedViewButton"))->click();
    EXPECT_EQ(controller->currentPane(), QVPreferencesController::Pane::Advanced);
    EXPECT_EQ(window.geometry().top(), top);
    QFile plain(scripts.filePath(QStringLiteral("after-print.sh")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("#!/bin/sh\n");
    plain.close();
    dialogs->openPaths = {plain.fileName()};
    QPushButton *choose = nullptr;
    for (QPushButton *button :
         window.paneWidget(QVPreferencesController::Pane::Advanced)->findChildren<QPushButton *>())
        if (button->text().startsWith(QStringLiteral("Choose")))
            choose = button;
    ASSERT_TRUE(choose);
    choose->click();
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_FALSE(d.objectForKey(QStringLiteral("scriptPostProcess")).isValid());
    plain.setPermissions(plain.permissions() | QFileDevice::ExeOwner);
    dialogs->openPaths = {plain.fileName()};
    choose->click();
    EXPECT_EQ(d.stringForKey(QStringLiteral("scriptPostProcess")), QFileInfo(plain).absoluteFilePath());

    // The mailpiece pane: the line spacing field and the image well.
    QWidget *mailpiece = window.paneWidget(QVPreferencesController::Pane::Mailpiece);
    auto *spacing = mailpiece->findChild<QDoubleSpinBox *>(QStringLiteral("toAddressLineSpacing"));
    ASSERT_TRUE(spacing);
    spacing->setValue(2.5);
    emit spacing->editingFinished();
    EXPECT_DOUBLE_EQ(d.doubleForKey(QStringLiteral("toAddressLineSpacing")), 2.5);
    auto *well = mailpiece->findChild<QLabel *>(QStringLiteral("returnAddressGraphicWell"));
    ASSERT_TRUE(well);
    EXPECT_TRUE(well->acceptDrops());
    QImage picture(300, 150, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    QMimeData data;
    data.setImageData(picture);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(well, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(well, &drop);
    EXPECT_EQ(converted, QSizeF(150, 75));
    EXPECT_TRUE(d.boolForKey(QStringLiteral("useFromAddressImage")));
    EXPECT_TRUE(QFile::exists(QDir(applicationSupportDirectory()).filePath(QStringLiteral("returnGraphic.tiff"))));
    EXPECT_FALSE(well->pixmap().isNull());
}

} // namespace
