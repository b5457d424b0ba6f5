// MasterWindow, the main window over its controller: choosing a class in
// its pop-up re-prices the shipment and the update rules reach the widgets
// (disabled items cannot be chosen, the selected tag shows); a typed weight
// is committed when the focus leaves and before an action; the vCard views
// hand what they read to the controller; the window renders its form, its
// toolbar, the add-favorite sheet and the preferences panes (saved as
// pictures in the build folder).
#include "MasterControllerFixture.h"

#include "app/mainwindow/MasterMailpieceMenu.h"
#include "app/mainwindow/MasterWindow.h"
#include "app/preferences/QVAddFavoriteSheet.h"
#include "app/preferences/QVFavoritesTableModel.h"
#include "app/preferences/QVPreferencesWindow.h"
#include "app/preferences/QVShipmentFavorites.h"
#include "app/mainwindow/QVVCardWidgets.h"
#include "model/QVShipment.h"
#include "model/StringAdditions.h"
#include "platform/ApplicationNotifications.h"
#include "rates/QVShipmentUSPS.h"
#include "services/QVRHOCommandCenter.h"

#include "RecordingDialogs.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QWindow>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTextCursor>
#include <QToolBar>

using namespace master_test;

namespace {

// The colours of a sample of the picture's pixels (a blank one has few).
qsizetype coloursIn(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

class MasterWindowTest : public MasterControllerTest
{
protected:
    void TearDown() override
    {
        window.reset();
        MasterControllerTest::TearDown();
    }
    void open(MasterWindowEnvironment environment = {})
    {
        start();
        sendTo(QStringLiteral("10001"));
        window = std::make_unique<MasterWindow>(*controller, std::move(environment));
        window->resize(1100, 760);
        window->show();
        QApplication::processEvents();
    }
    // A return address "home" in Boston, shown in the window.
    void addHomeReturnAddress()
    {
        QVAddress home;
        home.setName(QStringLiteral("Ada"));
        home.setStreet(QStringLiteral("1 Main St"));
        home.setCity(QStringLiteral("Boston"));
        home.setState(QStringLiteral("MA"));
        home.setZIP(QStringLiteral("02134"));
        controller->addFromAddress(home, QStringLiteral("home"));
        window->refresh();
    }
    QComboBox *popUp(FormControl control) { return qobject_cast<QComboBox *>(window->widget(control)); }
    QString labelText(FormControl control) { return static_cast<QLabel *>(window->widget(control))->text(); }
    // Each item of every pop-up is enabled exactly when the form says so;
    // the number of disabled items.
    int checkPopUpsFollowTheForm()
    {
        int disabled = 0;
        for (FormControl control :
             {FormControl::PieceSize, FormControl::MailClass, FormControl::Confirmation, FormControl::ShipDate}) {
            const FormPopUp &state = form().popUp(control);
            QComboBox *box = popUp(control);
            EXPECT_EQ(box->count(), state.count());
            EXPECT_EQ(box->currentIndex(), state.selectedIndex);
            EXPECT_EQ(box->isEnabled(), state.enabled);
            for (int row = 0; row < box->count() && row < state.count(); ++row) {
                const FormMenuItem &item = state.menu.items.at(row);
                const Qt::ItemFlags flags = box->model()->flags(box->model()->index(row, 0));
                EXPECT_EQ(bool(flags & Qt::ItemIsEnabled), item.enabled && !item.separator)
                    << int(control) << " row " << row;
                if (!item.separator) {
                    EXPECT_EQ(box->itemText(row), item.title);
                    disabled += item.enabled ? 0 : 1;
                }
            }
        }
        return disabled;
    }
    void typeInto(QWidget *target, const QString &text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
        }
    }
    void runEventsFor(int milliseconds)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < milliseconds)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // Chooses the return-address pop-up's item with the title.
    void chooseFromItem(const QString &title)
    {
        QComboBox *from = popUp(FormControl::FromPopup);
        const int index = from->findText(title);
        ASSERT_GE(index, 0) << title.toStdString();
        emit from->activated(index);
        QApplication::processEvents();
    }
    QStringList savedNicknames()
    {
        return defaults()
            .dictionaryForKey(QStringLiteral("fromAddressList"))
            .value(QStringLiteral("names"))
            .toStringList();
    }

    std::unique_ptr<MasterWindow> window;
};

} // namespace

TEST_F(MasterWindowTest, ChoosingAClassRepricesAndTheRulesReachTheWidgets)
{
    open();
    typeWeight(QStringLiteral("1 lb"));
    QApplication::processEvents();
    EXPECT_GT(checkPopUpsFollowTheForm(), 0);
    const QString priorityTotal = labelText(FormControl::RatePostage);
    EXPECT_EQ(priorityTotal, form().text(FormControl::RatePostage));
    ASSERT_NE(priorityTotal, QStringLiteral("0"));

    QComboBox *classes = popUp(FormControl::MailClass);
    const qsizetype media = form().popUp(FormControl::MailClass).menu.indexOfTag(classTag(QVUSPSMediaMail));
    ASSERT_GE(media, 0);
    emit classes->activated(int(media));
    QApplication::processEvents();
    EXPECT_EQ(stored(QVUSPSShipmentRateClassKey), QVUSPSMediaMail);
    EXPECT_EQ(form().popUp(FormControl::MailClass).selectedTag(), classTag(QVUSPSMediaMail));
    EXPECT_EQ(classes->currentIndex(), media);
    EXPECT_EQ(labelText(FormControl::RatePostage), form().text(FormControl::RatePostage));
    EXPECT_NE(labelText(FormControl::RatePostage), priorityTotal);
    checkPopUpsFollowTheForm();
    // Class prices show only while the list is open.
    const qsizetype priority = form().popUp(FormControl::MailClass).menu.indexOfTag(classTag(QVUSPSPriorityMail));
    const QString plain = classes->itemText(int(priority));
    classes->showPopup();
    EXPECT_TRUE(classes->itemText(int(priority)).startsWith(plain + QStringLiteral(" ($")))
        << classes->itemText(int(priority)).toStdString();
    classes->hidePopup();
    EXPECT_EQ(classes->itemText(int(priority)), plain);
    // The check boxes follow too.
    for (FormControl control : {FormControl::Nonmachinable, FormControl::UseInsurance, FormControl::HoldForPickup}) {
        auto *box = static_cast<QCheckBox *>(window->widget(control));
        EXPECT_EQ(box->isChecked(), form().checkBox(control).on);
        EXPECT_EQ(box->isEnabled(), form().checkBox(control).enabled);
    }
}

TEST_F(MasterWindowTest, ATypedWeightIsCommittedWhenTheFocusLeavesAndBeforeAnAction)
{
    defaults().setString(QVUSPSFirstClassMail, QStringLiteral("rateClass"));
    defaults().setString(QVUSPSLetterSize, QStringLiteral("pieceSize"));
    open();
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    auto *weight = static_cast<QComboBox *>(window->widget(FormControl::Weight));
    weight->lineEdit()->setFocus();
    weight->lineEdit()->selectAll();
    typeInto(weight->lineEdit(), QStringLiteral("1+2"));
    // Typing alone writes nothing.
    EXPECT_NE(form().weight().text, QStringLiteral("1+2"));
    window->widget(FormControl::ToEmail)->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("3"));

    // A field still being edited is committed by commitEditing.
    auto *reference = static_cast<QLineEdit *>(window->widget(FormControl::ReferenceID));
    reference->setFocus();
    typeInto(reference, QStringLiteral("PO-7"));
    EXPECT_TRUE(form().text(FormControl::ReferenceID).isEmpty());
    window->commitEditing();
    EXPECT_EQ(form().text(FormControl::ReferenceID), QStringLiteral("PO-7"));
}

// A length typed with inch marks or as a sum reaches the shipment as the
// number it stands for (hundredths of an inch).
TEST_F(MasterWindowTest, TypedLengthsReachTheShipmentAsTheirNumbers)
{
    open();
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    const struct {
        FormControl control;
        QString typed;
        QString key;
        QString stored;
    } cases[] = {
        {FormControl::Length, QStringLiteral("12\""), QVShipmentLengthMeasurementKey, QStringLiteral("1200")},
        {FormControl::Height, QStringLiteral("6+2\""), QVShipmentHeightMeasurementKey, QStringLiteral("800")},
        {FormControl::Thickness, QStringLiteral("1.5in"), QVShipmentWidthMeasurementKey, QStringLiteral("150")},
    };
    for (const auto &c : cases) {
        auto *field = static_cast<QLineEdit *>(window->widget(c.control));
        field->setFocus();
        typeInto(field, c.typed);
        ASSERT_EQ(field->text(), c.typed);
        window->widget(FormControl::ToEmail)->setFocus();
        QApplication::processEvents();
    }
    for (const auto &c : cases)
        EXPECT_EQ(stored(c.key), c.stored) << c.typed.toStdString();
    EXPECT_EQ(static_cast<QLineEdit *>(window->widget(FormControl::Length))->text(), QStringLiteral("12"));
}

// Return in the middle of the destination address breaks the line there
// (in place of the selection), and the caret follows the break.
TEST_F(MasterWindowTest, ReturnInTheDestinationBoxBreaksTheLineAtTheCaret)
{
    open();
    QTextEdit *box = window->toAddressView();
    box->setPlainText(QStringLiteral("Ada Lovelace 12 Elm St"));
    ASSERT_EQ(form().text(FormControl::ToAddress), QStringLiteral("Ada Lovelace 12 Elm St"));
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(12);
    cursor.setPosition(13, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(box, &press);
    QApplication::processEvents();
    EXPECT_EQ(form().text(FormControl::ToAddress), QStringLiteral("Ada Lovelace\n12 Elm St"));
    EXPECT_EQ(box->toPlainText(), QStringLiteral("Ada Lovelace\n12 Elm St"));
    EXPECT_EQ(box->textCursor().position(), 13);
    // A second Return at the caret, then typing goes on after it.
    QApplication::sendEvent(box, &press);
    typeInto(box, QStringLiteral("x"));
    QApplication::processEvents();
    EXPECT_EQ(form().text(FormControl::ToAddress), QStringLiteral("Ada Lovelace\n\nx12 Elm St"));
}

// A return-address sheet that the controller opens on its own (the print's
// "Edit Address" when a customs form needs a phone number) shows at the
// window's next update, once.
TEST_F(MasterWindowTest, TheControllersOwnReturnAddressSheetShows)
{
    tolvane::test::DialogsScope dialogs;
    open();
    addHomeReturnAddress();
    ASSERT_FALSE(window->returnAddressSheet());
    controller->runEditFromAddressSheet();
    ASSERT_TRUE(controller->returnAddressSheetIsOpen());
    controller->windowUpdate();
    QCoreApplication::processEvents();
    QDialog *sheet = window->returnAddressSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->findChild<QLineEdit *>(QStringLiteral("addFromNickname"))->text(), QStringLiteral("home"));
    window->refresh();
    EXPECT_EQ(window->returnAddressSheet(), sheet);
    sheet->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window->returnAddressSheet());
    EXPECT_FALSE(controller->returnAddressSheetIsOpen());
}

// The return-address pop-up's fixed items: a new address through the sheet,
// editing it, deleting it and clearing the list; the chosen source stays
// selected in the pop-up.
TEST_F(MasterWindowTest, TheReturnAddressPopUpsFixedItemsRunTheirOperations)
{
    tolvane::test::DialogsScope dialogs;
    open();
    addHomeReturnAddress();
    QComboBox *from = popUp(FormControl::FromPopup);
    const int chosen = from->currentIndex();
    ASSERT_EQ(from->itemText(chosen), QStringLiteral("home"));

    // Add: the sheet opens; what is typed there is saved on OK.
    chooseFromItem(QStringLiteral("Add New Address…"));
    QDialog *sheet = window->returnAddressSheet();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(controller->returnAddressSheetIsOpen());
    EXPECT_EQ(from->currentIndex(), chosen);
    const std::pair<const char *, const char *> typed[] = {
        {"addFromNickname", "shop"}, {"addFromName", "Ada"}, {"addFromStreet", "2 Elm St"},
        {"addFromCity", "Boston"},   {"addFromState", "MA"}, {"addFromZIP", "02134"},
    };
    for (const auto &[name, text] : typed) {
        auto *field = sheet->findChild<QLineEdit *>(QString::fromLatin1(name));
        ASSERT_TRUE(field) << name;
        EXPECT_TRUE(field->text().isEmpty());
        field->setText(QString::fromLatin1(text));
    }
    sheet->findChild<QPushButton *>(QStringLiteral("addFromOKButton"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window->returnAddressSheet());
    EXPECT_FALSE(controller->returnAddressSheetIsOpen());
    EXPECT_EQ(savedNicknames(), (QStringList{QStringLiteral("shop"), QStringLiteral("home")}));
    EXPECT_EQ(from->currentText(), QStringLiteral("shop"));
    EXPECT_EQ(controller->fromAddress().street(), QStringLiteral("2 Elm St"));

    // Edit: the sheet shows the chosen address; Cancel changes nothing.
    chooseFromItem(QStringLiteral("Edit Current Address…"));
    sheet = window->returnAddressSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->findChild<QLineEdit *>(QStringLiteral("addFromNickname"))->text(), QStringLiteral("shop"));
    EXPECT_EQ(sheet->findChild<QLineEdit *>(QStringLiteral("addFromStreet"))->text(), QStringLiteral("2 Elm St"));
    sheet->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window->returnAddressSheet());
    EXPECT_FALSE(controller->returnAddressSheetIsOpen());
    EXPECT_EQ(savedNicknames(), (QStringList{QStringLiteral("shop"), QStringLiteral("home")}));

    // Delete and Clear ask first.
    dialogs->answers = {1};
    chooseFromItem(QStringLiteral("Delete Current Address"));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.at(0).messageText,
              QStringLiteral("Are you sure you want to delete the current From Address?"));
    EXPECT_EQ(savedNicknames(), QStringList{QStringLiteral("home")});
    EXPECT_EQ(from->findText(QStringLiteral("shop")), -1);
    dialogs->answers = {1};
    chooseFromItem(QStringLiteral("Clear List"));
    ASSERT_EQ(dialogs->alerts.size(), 2);
    EXPECT_TRUE(savedNicknames().isEmpty());
    EXPECT_EQ(from->findText(QStringLiteral("home")), -1);
}

// The address drawer opens at start on the stored edge when it was open at
// the last quit; quitting stores its state.
TEST_F(MasterWindowTest, TheAddressDrawerRemembersItsStateAcrossQuits)
{
    defaults().setBool(true, QStringLiteral("openAddressDrawer"));
    defaults().setString(QStringLiteral("left"), QStringLiteral("addressDrawerEdge"));
    open();
    EXPECT_TRUE(window->addressDrawer()->isVisible());
    EXPECT_EQ(window->dockWidgetArea(window->addressDrawer()), Qt::LeftDockWidgetArea);
    window->toggleAddressDrawer();
    NotificationCenter::defaultCenter().post(NSApplicationWillTerminateNotification);
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("openAddressDrawer")));
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("addressDrawerEdge")), QStringLiteral("left"));

    // Closed at the last quit: closed at start; open at a quit after the
    // window itself was closed: stored open.
    window.reset();
    window = std::make_unique<MasterWindow>(*controller);
    window->show();
    EXPECT_FALSE(window->addressDrawer()->isVisible());
    window->toggleAddressDrawer();
    window->close();
    NotificationCenter::defaultCenter().post(NSApplicationWillTerminateNotification);
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("openAddressDrawer")));
}

// Early versions' users are shown the Web Stores overlay below the toolbar
// item shortly after start; later ones are not.
TEST_F(MasterWindowTest, TheWebStoreOverlayShowsForEarlyLastRuns)
{
    const struct {
        QVariant lastRun;
        bool shown;
    } cases[] = {{QStringLiteral("359"), true}, {QStringLiteral("360"), false}, {QVariant(), false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lastRun.toString().toStdString());
        defaults().removeObjectForKey(QStringLiteral("lastRun"));
        if (c.lastRun.isValid())
            defaults().setObject(c.lastRun, QStringLiteral("lastRun"));
        QList<QRectF> overlays;
        MasterWindowEnvironment environment;
        environment.showWebStoreOverlay = [&overlays](const QRectF &item) { overlays.append(item); };
        window.reset();
        controller.reset();
        open(std::move(environment));
        runEventsFor(60);
        ASSERT_EQ(overlays.size(), c.shown ? 1 : 0);
        if (c.shown) {
            QWidget *item = window->toolbar()->widgetForAction(window->toolbarAction(ToolbarItem::WebStore));
            ASSERT_TRUE(item);
            EXPECT_EQ(overlays.at(0), QRectF(QPointF(item->mapToGlobal(QPoint(0, 0))), QSizeF(item->size())));
        }
        window.reset();
    }
}

TEST_F(MasterWindowTest, ALongLastLabelNumberDoesNotWidenTheWindow)
{
    open();
    runEventsFor(60);
    const int minimum = window->minimumSizeHint().width();
    const int width = window->width();
    const QString number = QStringLiteral("4201000192612927005269000023006040591234567890");
    controller->setCurrentPICCode(number);
    window->refresh();
    runEventsFor(60);
    auto *label = static_cast<QLabel *>(window->widget(FormControl::LastConfNumber));
    EXPECT_EQ(label->text(), uspsLogPIC(number)); // the whole number stays the label's text
    EXPECT_LE(window->minimumSizeHint().width(), minimum);
    EXPECT_EQ(window->width(), width);
    EXPECT_LE(label->mapTo(window.get(), QPoint(label->width(), 0)).x(), window->width());
}

TEST_F(MasterWindowTest, ALastLabelNumberDoesNotMakeTheWindowTaller)
{
    // A label number, a long one with its routing code, and none again: the
    // window keeps its height and the whole number stays readable.
    const QString numbers[] = {QStringLiteral("9400100000000000000013"),
                               QStringLiteral("4201000192612927005269000023006040591234567890"), QString()};
    open();
    runEventsFor(60);
    const int height = window->height();
    const int minimum = window->minimumSizeHint().height();
    auto *label = static_cast<QLabel *>(window->widget(FormControl::LastConfNumber));
    const int labelHeight = label->height();
    for (const QString &number : numbers) {
        controller->setCurrentPICCode(number);
        window->refresh();
        runEventsFor(60);
        const QString shown = number.isEmpty() ? QStringLiteral("--") : uspsLogPIC(number);
        EXPECT_EQ(label->text(), shown);
        EXPECT_EQ(window->height(), height) << qPrintable(number);
        // Nothing in the window needs more room than before.
        EXPECT_EQ(window->minimumSizeHint().height(), minimum) << qPrintable(number);
        EXPECT_EQ(label->height(), labelHeight) << qPrintable(number);
        EXPECT_GE(label->height(), label->heightForWidth(label->width())) << qPrintable(number);
    }
}

TEST_F(MasterWindowTest, TheDestinationBoxHandsAVCardToTheController)
{
    open();
    QMimeData data;
    data.setData(
        QStringLiteral("text/vcard"),
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Byron;Ada;;;\r\nFN:Ada Byron\r\nEMAIL;TYPE=INTERNET:ada@example.com\r\n"
        "TEL;TYPE=WORK:555-0199\r\nADR;TYPE=HOME:;;12 Elm St;Boston;MA;02134;\r\nEND:VCARD\r\n");
    ASSERT_TRUE(window->toAddressView()->readSelectionFromMimeData(data));
    QApplication::processEvents();
    EXPECT_TRUE(form().text(FormControl::ToAddress).contains(QStringLiteral("12 Elm St")));
    EXPECT_EQ(form().text(FormControl::ToEmail), QStringLiteral("ada@example.com"));
    EXPECT_EQ(static_cast<QLineEdit *>(window->widget(FormControl::ToEmail))->text(),
              QStringLiteral("ada@example.com"));
}

TEST_F(MasterWindowTest, TheWindowShowsItsFormToolbarAndDrawer)
{
    open();
    EXPECT_EQ(window->centralWidget()->objectName(), QStringLiteral("MasterControl"));
    EXPECT_EQ(static_cast<QCheckBox *>(window->widget(FormControl::ExpressWaiverOfSignature))->text(),
              QStringLiteral("Signature Required"));
    ASSERT_TRUE(window->toolbarAction(ToolbarItem::NewPackage));
    EXPECT_EQ(window->toolbarAction(ToolbarItem::NewPackage)->text(), QStringLiteral("New Label"));
    EXPECT_FALSE(window->addressDrawer()->isVisible());
    window->toolbarAction(ToolbarItem::AddressBook)->trigger();
    EXPECT_TRUE(window->addressDrawer()->isVisible());
    window->toggleAddressDrawer();
    EXPECT_FALSE(window->addressDrawer()->isVisible());

    // The piece-size pop-up shows 16-point pictures when closed.
    QComboBox *sizes = popUp(FormControl::PieceSize);
    EXPECT_EQ(sizes->iconSize(), QSize(16, 16));
    EXPECT_FALSE(sizes->itemIcon(qMax(0, sizes->currentIndex())).isNull());
    // Open, its items show their large picture and description.
    sizes->showPopup();
    EXPECT_TRUE(window->mailpieceMenuIsOpen());
    int described = 0;
    for (int row = 0; row < sizes->count(); ++row) {
        const QModelIndex index = sizes->model()->index(row, 0);
        if (index.data(MailpieceMenuDelegate::DescriptionRole).toString().isEmpty())
            continue;
        ++described;
        EXPECT_FALSE(index.data(MailpieceMenuDelegate::LargeImageRole).value<QImage>().isNull());
    }
    EXPECT_GT(described, 3);
    sizes->hidePopup();
    EXPECT_FALSE(window->mailpieceMenuIsOpen());

    const QImage shot = window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(shot.width(), 900);
    // Not blank: more than a handful of colours.
    EXPECT_GT(coloursIn(shot), 20);
    shot.save(QStringLiteral(TOLVANE_BINARY_DIR "/MasterWindow-offscreen.png"));
}

// A new status from the vendor (after a purchase, a refund, a refresh)
// reaches the balance the window shows, though nothing in the window was
// touched.
TEST_F(MasterWindowTest, ANewStatusShowsItsBalanceInTheWindow)
{
    postage->reply = MasterStatusReply{};
    postage->reply->balanceText = QStringLiteral("100.00");
    postage->reply->balance = *Decimal::parse(QStringLiteral("100.00"));
    postage->reply->licenseZIP5 = QStringLiteral("02134");
    open();
    // The first status brings the account's ZIP Code into the shipment.
    NotificationCenter::defaultCenter().post(QVRHOLastValidStatusResponseDidChange);
    runEventsFor(50);
    ASSERT_EQ(labelText(FormControl::TolvaneBalance), QStringLiteral("100.00"));

    postage->reply->balanceText = QStringLiteral("125.00");
    postage->reply->balance = *Decimal::parse(QStringLiteral("125.00"));
    NotificationCenter::defaultCenter().post(QVRHOLastValidStatusResponseDidChange);
    runEventsFor(50);
    EXPECT_EQ(labelText(FormControl::TolvaneBalance), QStringLiteral("125.00"));
    EXPECT_EQ(labelText(FormControl::PreviewCurrentBalance), QStringLiteral("125.00"));
}

// On a real X server (the Xvfb fixture of CTest): the window with a sample
// shipment, as the screen shows it.
class MasterWindowScreenshot : public MasterWindowTest
{};

TEST_F(MasterWindowScreenshot, TheScreenShowsTheForm)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs the xcb platform (the Xvfb fixture)";
    open();
    typeWeight(QStringLiteral("1 lb"));
    form().setText(FormControl::Description, QStringLiteral("Books"));
    QApplication::processEvents();
    window->refresh();
    QWindow *shown = window->windowHandle();
    ASSERT_TRUE(shown);
    QElapsedTimer waited;
    waited.start();
    while (!shown->isExposed() && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(shown->isExposed());
    // Let the first paint reach the server.
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    const QImage shot = shown->screen()->grabWindow(window->winId()).toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(shot.width(), 900);
    EXPECT_GE(shot.height(), 600);
    EXPECT_GT(coloursIn(shot), 20);
    EXPECT_TRUE(shot.save(QStringLiteral(TOLVANE_BINARY_DIR "/MasterWindow-xcb.png")));
}

namespace {

void saveShot(QWidget *widget, const QString &name, int minimumColours)
{
    const QImage shot = widget->grab().toImage();
    ASSERT_FALSE(shot.isNull()) << name.toStdString();
    EXPECT_GT(coloursIn(shot), minimumColours) << name.toStdString();
    EXPECT_TRUE(shot.save(QStringLiteral(TOLVANE_BINARY_DIR "/") + name + QStringLiteral(".png")));
}

} // namespace

// Pictures of what the user sees, saved in the build folder: the toolbar,
// the add-favorite sheet and every preferences pane.
TEST_F(MasterWindowTest, TheToolbarTheFavoriteSheetAndThePreferencesPanesRender)
{
    tolvane::test::DialogsScope dialogs;
    QFile::remove(QVShipmentFavorites::favoritesPath());
    QVShipmentFavorites::resetCacheForTesting();
    QVariantList favorites;
    for (const QString &name : {QStringLiteral("Books"), QStringLiteral("Gift box")})
        favorites.append(QVariantMap{{QVFavoriteNicknameKey, name},
                                     {QVFavoriteShipmentKey,
                                      QVariantMap{{QVUSPSShipmentRateClassKey, QVUSPSMediaMail},
                                                  {QVShipmentWeightUnitKey, QStringLiteral("lb")},
                                                  {QVShipmentWeightNumberKey, QStringLiteral("2")}}}});
    ASSERT_TRUE(QVShipmentFavorites::setFavorites(favorites));
    open();
    typeWeight(QStringLiteral("1 lb"));
    QApplication::processEvents();
    // The toolbar shows its items' pictures, not blank tiles.
    saveShot(window->toolbar(), QStringLiteral("MasterWindow-toolbar"), 40);
    // The piece-size menu while open: large pictures and descriptions.
    QComboBox *sizes = popUp(FormControl::PieceSize);
    sizes->showPopup();
    QApplication::processEvents();
    saveShot(sizes->view()->window(), QStringLiteral("MailpieceMenu-open"), 40);
    sizes->hidePopup();
    window->addFavorite();
    ASSERT_TRUE(window->addFavoriteSheet());
    window->addFavoriteSheet()->nicknameField()->setText(QStringLiteral("Small parcel"));
    window->addFavoriteSheet()->adjustSize();
    saveShot(window->addFavoriteSheet(), QStringLiteral("AddFavoriteSheet"), 8);
    window->addFavoriteSheet()->reject();

    QVPreferencesWindow prefs(
        std::make_shared<QVPreferencesController>(defaults()),
        [this](const QVariantMap &settings) { return controller->favoriteDescription(settings); });
    prefs.show();
    const QList<QPair<QVPreferencesController::Pane, QString>> panes = {
        {QVPreferencesController::Pane::General, QStringLiteral("General")},
        {QVPreferencesController::Pane::Shipment, QStringLiteral("Shipment")},
        {QVPreferencesController::Pane::Mailpiece, QStringLiteral("Mailpiece")},
        {QVPreferencesController::Pane::Email, QStringLiteral("Email")},
        {QVPreferencesController::Pane::AddressBook, QStringLiteral("AddressBook")},
        {QVPreferencesController::Pane::Favorites, QStringLiteral("Favorites")},
        {QVPreferencesController::Pane::Advanced, QStringLiteral("Advanced")},
        {QVPreferencesController::Pane::Date, QStringLiteral("Date")},
    };
    for (const auto &[pane, name] : panes) {
        prefs.switchToPane(pane);
        if (pane == QVPreferencesController::Pane::Favorites)
            prefs.favoritesTable()->selectRow(0);
        QApplication::processEvents();
        saveShot(&prefs, QStringLiteral("Preferences-") + name, 8);
    }
    QFile::remove(QVShipmentFavorites::favoritesPath());
    QVShipmentFavorites::resetCacheForTesting();
}

TEST(MailpieceMenu, RecordsOnlyTheTagsThePopUpHolds)
{
    FormMenu menu;
    menu.items = {FormMenuItem{1, QStringLiteral("Postcard")}, FormMenuItem::separatorItem(),
                  FormMenuItem{6, QStringLiteral("Medium Flat Rate Box")}, FormMenuItem{99, QStringLiteral("Other")}};
    const QMap<qsizetype, MailpieceMenuInfo> info = mailpieceMenuInfo(menu);
    EXPECT_EQ(info.keys(), QList<qsizetype>({1, 6}));
    EXPECT_EQ(info.value(6).title, QStringLiteral("Medium Flat Rate Box"));
    const QSize small = info.value(1).smallImage.size();
    EXPECT_EQ(qMax(small.width(), small.height()), 16);
    EXPECT_LE(qMin(small.width(), small.height()), 16);
    EXPECT_FALSE(info.value(1).attributedTitle.isEmpty());
}
