// Favorites: the store over "favorites.plist" (an XML property list that
// plistlib reads; an unreadable file is kept aside, never overwritten), the
// menu's key equivalents, the add sheet's nickname checks, applying a
// favorite (earlier international classes brought to the current ones, a
// favorite of the wrong kind refused), the description, and the pane's
// delete and drag reordering.
#include "app/preferences/QVFavorites.h"
#include "app/preferences/QVFavoritesTableModel.h"
#include "app/preferences/QVShipmentFavorites.h"
#include "model/QVAddress.h"
#include "model/QVShipment.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include "RecordingDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

QVariantMap favorite(const QString &nickname, const QVariantMap &settings = {})
{
    return {{QVFavoriteNicknameKey, nickname}, {QVFavoriteShipmentKey, settings}};
}

QStringList nicknames()
{
    QStringList names;
    for (const QVariant &entry : QVShipmentFavorites::allFavorites())
        names.append(entry.toMap().value(QVFavoriteNicknameKey).toString());
    return names;
}

class FakeFavoritesHost final : public QVFavoritesHost
{
public:
    std::shared_ptr<QVShipment> shipment = std::make_shared<QVShipment>();
    bool differs = false;
    bool standardizeFixes = true;
    int standardizations = 0;
    int pricings = 0;
    QVariantMap properties;
    QString estimatedDelivery;

    std::shared_ptr<QVShipment> currentShipment() override { return shipment; }
    bool toAddressTextDiffers() override { return differs; }
    void standardizeTextBoxAddress() override
    {
        ++standardizations;
        if (standardizeFixes)
            differs = false;
    }
    void setCurrentShipmentProperty(const QVariant &value, const QString &key) override
    {
        properties.insert(key, value);
        shipment->setObject(value, key);
    }
    void updatePricing() override { ++pricings; }
    void updateServiceStandards() override {}
    void setEstimatedDelivery(const QString &text) override { estimatedDelivery = text; }

    void deliverTo(const QString &country)
    {
        shipment->setObject(QVariantMap{{QVAddressCountryKey, country}}, QVShipmentToAddressKey);
    }
};

class FavoritesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        QFile::remove(QVShipmentFavorites::favoritesPath());
        QVShipmentFavorites::resetCacheForTesting();
    }
    void TearDown() override
    {
        QDir support(QFileInfo(QVShipmentFavorites::favoritesPath()).path());
        for (const QString &name : support.entryList({QStringLiteral("favorites*")}))
            support.remove(name);
        QVShipmentFavorites::resetCacheForTesting();
        UserDefaults::resetStandardUserDefaults();
    }

    void storeFive()
    {
        QVariantList list;
        for (int i = 1; i <= 5; ++i)
            list.append(favorite(QString::number(i)));
        ASSERT_TRUE(QVShipmentFavorites::setFavorites(list));
    }

    DialogsScope dialogs;
};

TEST_F(FavoritesTest, TheFileIsAnXmlPropertyListThatPlistlibReads)
{
    int posts = 0;
    auto observer = NotificationCenter::defaultCenter().addObserver(QVShipmentFavoritesDidChangeNotification,
                                                                    [&](const Notification &) { ++posts; });
    ASSERT_TRUE(QVShipmentFavorites::setFavorites(
        {favorite(QStringLiteral("Box"),
                  {{QVUSPSShipmentRateClassKey, QVUSPSPriorityMail}, {QVShipmentWeightNumberKey, qint64(2)}})}));
    EXPECT_EQ(posts, 1);
    QFile file(QVShipmentFavorites::favoritesPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("<?xml"));
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    QProcess plistlib;
    plistlib.start(python,
                   {QStringLiteral("-c"),
                    QStringLiteral("import plistlib,sys; l=plistlib.load(open(sys.argv[1],'rb')); "
                                   "print(l[0]['nickname'], l[0]['shipment']['QVUSPSShipmentRateClassKey'], "
                                   "l[0]['shipment']['QVShipmentWeightNumberKey'])"),
                    QVShipmentFavorites::favoritesPath()});
    ASSERT_TRUE(plistlib.waitForFinished(30000));
    EXPECT_EQ(plistlib.exitCode(), 0) << plistlib.readAllStandardError().toStdString();
    EXPECT_EQ(plistlib.readAllStandardOutput().trimmed(), QByteArray("Box QVUSPSPriorityMail 2"));
}

TEST_F(FavoritesTest, AnUnreadableFileIsKeptAsideBeforeTheNextWrite)
{
    const QByteArray damaged[] = {
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><dict><key>nick",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>x</string></array></plist>",
    };
    int n = 0;
    for (const QByteArray &data : damaged) {
        ++n;
        QVShipmentFavorites::resetCacheForTesting();
        QFile file(QVShipmentFavorites::favoritesPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        file.close();
        EXPECT_TRUE(QVShipmentFavorites::allFavorites().isEmpty());
        ASSERT_TRUE(QVFavorites::addFavorite(QStringLiteral("New"), {}));
        EXPECT_EQ(nicknames(), QStringList{QStringLiteral("New")});
        const QString aside = QVShipmentFavorites::lastSetAsidePath();
        ASSERT_FALSE(aside.isEmpty());
        // Each one under a name of its own: none replaces an earlier one.
        EXPECT_EQ(QFileInfo(aside).fileName(),
                  n == 1 ? QStringLiteral("favorites.unreadable.plist")
                         : QStringLiteral("favorites.unreadable-%1.plist").arg(n));
        QFile kept(aside);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), data);
        QFile::remove(QVShipmentFavorites::favoritesPath());
    }
}

TEST_F(FavoritesTest, MenuKeysAndNicknameChecks)
{
    QVariantList list;
    for (int i = 0; i < 9; ++i)
        list.append(favorite(QStringLiteral("F%1").arg(i)));
    const QList<QVMenuItem> items = QVFavorites::menuItems(list);
    ASSERT_EQ(items.size(), 1 + 9 + 1 + 2);
    EXPECT_TRUE(items.first().title.isEmpty());
    EXPECT_EQ(items.at(1).keyEquivalent, QStringLiteral("Ctrl+Alt+1"));
    EXPECT_EQ(items.at(8).keyEquivalent, QStringLiteral("Ctrl+Alt+8"));
    EXPECT_TRUE(items.at(9).keyEquivalent.isEmpty());
    EXPECT_EQ(items.at(9).tag, 8);
    EXPECT_TRUE(items.at(10).separator);
    EXPECT_EQ(items.at(11).action, QStringLiteral("addFavorite:"));
    EXPECT_EQ(items.at(12).action, QStringLiteral("editFavorites:"));
    EXPECT_EQ(QVFavorites::menuItems({}).size(), 3);

    EXPECT_FALSE(QVFavorites::addFavorite(QString(), {}));
    EXPECT_EQ(dialogs->alerts.last().messageText, QStringLiteral("Empty Nickname"));
    EXPECT_TRUE(QVFavorites::addFavorite(QStringLiteral("Gifts"), {}));
    EXPECT_FALSE(QVFavorites::addFavorite(QStringLiteral("Gifts"), {}));
    EXPECT_EQ(dialogs->alerts.last().messageText, QStringLiteral("Duplicate Nickname"));
    EXPECT_TRUE(QVFavorites::addFavorite(QStringLiteral("gifts"), {}));
    EXPECT_EQ(nicknames(), (QStringList{QStringLiteral("Gifts"), QStringLiteral("gifts")}));
}

TEST_F(FavoritesTest, ApplyingBringsEarlierClassesToTheCurrentOnes)
{
    struct Case {
        QString stored;
        QString applied;
        QString form; // empty: unchanged
    };
    const Case cases[] = {
        {QVUSPSIntlAirMBag, QVUSPSIntlMBag, QString()},
        {QVUSPSIntlGlobalExpressMail, QVUSPSIntlExpressMailIntl, QVUSPSShipment2976AEMICustomsFormType},
        {QVUSPSIntlAirParcelPost, QVUSPSIntlPriorityMailIntl, QVUSPSShipment2976APMICustomsFormType},
        {QVUSPSIntlAerogramme, QVUSPSIntlFirstClassMailIntl, QVUSPSShipment2976FCMICustomsFormType},
        {QVUSPSIntlPriorityMailIntl, QVUSPSIntlPriorityMailIntl, QString()},
    };
    for (const Case &c : cases) {
        const QVariantMap settings{{QVUSPSShipmentRateClassKey, c.stored},
                                   {QVUSPSShipmentCustomsFormTypeKey, QStringLiteral("stored form")},
                                   {QVUSPSShipmentCustomsFormContentTypeKey, QStringLiteral("Gift")}};
        ASSERT_TRUE(QVShipmentFavorites::setFavorites({favorite(QStringLiteral("Old"), settings)}));
        FakeFavoritesHost host;
        host.deliverTo(QStringLiteral("Canada"));
        ASSERT_TRUE(QVFavorites::chooseFavorite(host, 0));
        EXPECT_EQ(host.shipment->objectForKey(QVUSPSShipmentRateClassKey).toString(), c.applied);
        EXPECT_EQ(host.shipment->objectForKey(QVUSPSShipmentCustomsFormTypeKey).toString(),
                  c.form.isEmpty() ? QStringLiteral("stored form") : c.form);
        EXPECT_EQ(host.estimatedDelivery, QStringLiteral("--"));
    }
}

TEST_F(FavoritesTest, AFavoriteOfTheWrongKindOrAnUnstandardisedAddressIsNotApplied)
{
    ASSERT_TRUE(QVShipmentFavorites::setFavorites(
        {favorite(QStringLiteral("Intl"), {{QVUSPSShipmentRateClassKey, QVUSPSIntlPriorityMailIntl}}),
         favorite(QStringLiteral("Home"),
                  {{QVUSPSShipmentRateClassKey, QVUSPSPriorityMail},
                   {QVUSPSShipmentConfirmationServiceKey, QStringLiteral("conf")}})}));
    FakeFavoritesHost host;
    host.deliverTo(QStringLiteral("United States"));
    EXPECT_FALSE(QVFavorites::chooseFavorite(host, 0));
    EXPECT_EQ(dialogs->alerts.last().informativeText,
              QStringLiteral("You have selected an international favorite on a domestic address."));
    EXPECT_FALSE(host.shipment->objectForKey(QVUSPSShipmentRateClassKey).isValid());

    host.deliverTo(QStringLiteral("Canada"));
    EXPECT_FALSE(QVFavorites::chooseFavorite(host, 1));
    EXPECT_EQ(dialogs->alerts.last().informativeText,
              QStringLiteral("You have selected a domestic favorite on an international address."));

    // The address box's text is standardised first; when it stays different
    // nothing is applied.
    host.deliverTo(QStringLiteral("United States"));
    host.differs = true;
    host.standardizeFixes = false;
    EXPECT_FALSE(QVFavorites::chooseFavorite(host, 1));
    EXPECT_EQ(host.standardizations, 1);
    host.standardizeFixes = true;
    EXPECT_TRUE(QVFavorites::chooseFavorite(host, 1));
    EXPECT_EQ(host.shipment->objectForKey(QVUSPSShipmentRateClassKey).toString(), QVUSPSPriorityMail);
    // Without services the confirmation becomes the default and the shipment
    // is re-priced.
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey(QVConfirmationServiceDefaultsKey),
              QStringLiteral("conf"));
    EXPECT_EQ(host.pricings, 1);
    EXPECT_FALSE(QVFavorites::chooseFavorite(host, 2));
}

TEST_F(FavoritesTest, TheDescriptionListsSizeClassWeightDimensionsAndServices)
{
    const QVariantMap settings{
        {QVUSPSShipmentSizeKey, QVUSPSRegularSize},
        {QVUSPSShipmentRateClassKey, QVUSPSPriorityMail},
        {QVShipmentWeightNumberKey, QStringLiteral("2")},
        {QVShipmentWeightUnitKey, QStringLiteral("lb")},
        {QVShipmentHeightMeasurementKey, 600},
        {QVShipmentLengthMeasurementKey, 1200},
        {QVShipmentWidthMeasurementKey, 1000},
        {QVShipmentRectangularKey, false},
        {QVUSPSShipmentOptionalServicesKey, QVariantList{QVUSPSCertifiedMailService}},
    };
    const QString size = QVUSPSRateClass::casualNameForMailpieceSize(QVUSPSRegularSize);
    const QString rateClass = QVUSPSRateClass::casualNameForRateClassName(QVUSPSPriorityMail);
    const QString service = QVUSPSRateClass::casualNameForServiceName(QVUSPSCertifiedMailService);
    ASSERT_FALSE(size.isEmpty());
    ASSERT_FALSE(rateClass.isEmpty());
    ASSERT_FALSE(service.isEmpty());
    EXPECT_EQ(
        QVFavorites::descriptionFromSettings(settings, false),
        QStringLiteral("%1, %2, 2 lb, 6.0\" x 12.0\" x 10.0\", Nonrectangular, %3.").arg(size, rateClass, service));
    // A dimension of 0 leaves the dimensions out.
    QVariantMap flat = settings;
    flat.insert(QVShipmentWidthMeasurementKey, 0);
    EXPECT_FALSE(QVFavorites::descriptionFromSettings(flat, false).contains(QStringLiteral(" x ")));
}

TEST_F(FavoritesTest, DeletingAndDraggingInThePane)
{
    storeFive();
    dialogs->answers = {0};
    EXPECT_FALSE(QVFavorites::deleteFavorites({1, 3}));
    EXPECT_EQ(nicknames().size(), 5);
    dialogs->answers = {1};
    EXPECT_TRUE(QVFavorites::deleteFavorites({1, 3}));
    EXPECT_EQ(dialogs->alerts.last().informativeText, QStringLiteral("You will lose the 2 favorites selected."));
    EXPECT_EQ(nicknames(), (QStringList{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("5")}));
    dialogs->answers = {1};
    EXPECT_TRUE(QVFavorites::deleteFavorites({0}));
    EXPECT_EQ(dialogs->alerts.last().informativeText, QStringLiteral("You will lose the favorite named 1."));
    EXPECT_FALSE(QVFavorites::deleteFavorites({}));

    ASSERT_TRUE(QVShipmentFavorites::setFavorites({favorite(QStringLiteral("0")), favorite(QStringLiteral("1")),
                                                   favorite(QStringLiteral("2")), favorite(QStringLiteral("3"))}));
    QVFavoritesTableModel model;
    ASSERT_EQ(model.rowCount(), 4);
    std::unique_ptr<QMimeData> drag(model.mimeData({model.index(0)}));
    ASSERT_TRUE(drag->hasFormat(QVFavoritesDragType));
    // Dropped between rows 2 and 3.
    model.dropMimeData(drag.get(), Qt::MoveAction, 3, 0, QModelIndex());
    EXPECT_EQ(nicknames(),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("3")}));
    // The table followed the change; renaming goes through the store.
    EXPECT_EQ(model.data(model.index(2)).toString(), QStringLiteral("0"));
    EXPECT_TRUE(model.setData(model.index(2), QStringLiteral("zero")));
    EXPECT_EQ(nicknames().at(2), QStringLiteral("zero"));
    // A negative drop row counts as 0; drag data that is no row list is refused.
    EXPECT_EQ(QVFavorites::destinationRowForDrop(3, -1), 0);
    EXPECT_FALSE(QVFavorites::rowsFromDragData("garbage"));
}

// The pane's table asks to delete on Backspace or Delete with a selection
// and no modifier held; other keys and held modifiers pass on.
TEST_F(FavoritesTest, TheTablesDeleteKeys)
{
    storeFive();
    QVFavoritesTableModel model;
    QVFavoritesTableView table;
    table.setModel(&model);
    int requests = 0;
    table.deleteRequested = [&] { ++requests; };
    auto press = [&](int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(&table, &event);
    };
    press(Qt::Key_Delete, Qt::NoModifier); // nothing selected
    EXPECT_EQ(requests, 0);
    table.selectRow(1);
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        int requests; // counted after this press
    } presses[] = {
        {Qt::Key_Backspace, Qt::NoModifier, 1},  {Qt::Key_Delete, Qt::NoModifier, 2},
        {Qt::Key_Delete, Qt::ShiftModifier, 2},  {Qt::Key_Backspace, Qt::ControlModifier, 2},
        {Qt::Key_Delete, Qt::AltModifier, 2},    {Qt::Key_X, Qt::NoModifier, 2},
        {Qt::Key_Delete, Qt::KeypadModifier, 3},
    };
    for (const auto &p : presses) {
        press(p.key, p.modifiers);
        EXPECT_EQ(requests, p.requests) << p.key << " " << int(p.modifiers);
    }
}

} // namespace
