#pragma once
// MasterController: the controller of the main shipment window, without a
// display. It owns the one current QVShipment that the print road works on,
// writes every control's value into it, and after every change brings the
// window's controls (MasterForm) in line with it: confirmation and extra
// services offered, sizes and classes enabled, dimensions, weight, price
// shopping of the other classes, ship dates and the USPS service standard.
//
// The window's state is plain (MasterForm, tested without a display); a thin
// view binds widgets to it, calls packagePropertiesChanged() with the id of
// the control the user changed, and windowDidUpdate() after its events.
//
// The update rules run once per change: every change of the current
// shipment (its QVShipmentDidChangeNotification) sets the update flag and
// asks the window for an update (the view's, or one zero-delay call through
// the scheduler); windowDidUpdate() does its work only while the flag is
// set, and clears it first.
//
// Implementation by topic: MasterController.cpp (set-up, accessors,
// defaults, international switch), MasterControllerForm.cpp (the form into
// the shipment, the weight menu), MasterControllerUpdate.cpp (the window
// update rules), MasterControllerShipDate.cpp (ship dates and service
// standards), MasterControllerAddresses.cpp (new shipments, the destination
// box and its standardisation, the batch preflight, the vCard drag view),
// MasterControllerReturnAddresses.cpp (the return-address list, pop-up,
// add/edit sheet and pictures), MasterControllerStatus.cpp (status line,
// print button, printer summary, postage account box, the Option key),
// MasterControllerPrinting.cpp (the print flow, its commands and the
// controller as the printing layer's main window).
//
// Sheets on the main window are requests the controller keeps
// (attachedSheet()) until the view or a test answers them (endSheet()); the
// context of the inexact-match sheet stays with the controller meanwhile.
//
// User defaults (read and written): "rateClass", "intlRateClass",
// "pieceSize", "confirmationService", "mailedFromZIP5", "usePostage",
// "useStealth", "useInsurance", "showOptionalView",
// "showStatusBarOnMasterControl", "useServiceStandards",
// "usePoundsForFirstClass", "usePoundsForOtherClasses", "noCustomsOnFCMI",
// "uppercaseAddresses", "fromAddressList", "fromAddress", "fromPhone",
// "fromAddressKeepAlphabetized", "useFromAddressImage", "fromAddressImage",
// "lastRun", "previewOnPrint", "kivoSettings", "zebraUseSerial",
// "zebraSerialPath", "advancedZebraPath", "override2976APrintInfo",
// "overrideFCMIPrintInfo", "useSep14Rates", "senderAddress",
// "kivoStampsVersion".
//
// Main thread only.
#include "app/shell/LaunchServices.h"
#include "app/mainwindow/MasterControllerPeers.h"
#include "app/mainwindow/MasterControllerServices.h"
#include "app/mainwindow/MasterForm.h"
#include "model/QVAddress.h"
#include "model/Person.h"
#include "platform/Decimal.h"
#include "platform/Dialogs.h"
#include "platform/NotificationCenter.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class QVFavoritesHost;
class QVMainWindowHost;
class QVMenuActions;
class QVShipment;
class QWidget;
class UserDefaults;
namespace tolvane {
class QVPrintCommands;
class QVPrintFlow;
} // namespace tolvane

inline const QString QVDidValidateInternationalAddressNotification =
    QStringLiteral("QVDidValidateInternationalAddressNotification");
inline const QString QVWeightUnitDefaultChangedNotification = QStringLiteral("QVWeightUnitDefaultChanged");

// The sample label number and routing code of a new shipment, until a real
// label number is known.
inline const QString QVSampleShipmentPIC = QStringLiteral("9412312123456123456781");
inline const QString QVSampleShipmentRDC = QStringLiteral("0000");

// Tags of the confirmation pop-up.
namespace ConfirmationTag {
inline constexpr qsizetype None = 0;
inline constexpr qsizetype eDelivery = 1;
inline constexpr qsizetype eSignature = 2;
inline constexpr qsizetype Certified = 11;
inline constexpr qsizetype CertifiedReturnReceipt = 12;
inline constexpr qsizetype CertifiedReturnReceiptRestricted = 13;
inline constexpr qsizetype CertifiedRestricted = 14;
inline constexpr qsizetype AdultSignature = 21;
inline constexpr qsizetype AdultSignatureRestricted = 22;
} // namespace ConfirmationTag

// What the controller is given. Services left null get stand-ins: no
// alerts (answer 1), no automation, standard printing mode, a date advance
// of 0, no Standard Post, no status reply, "N/A" as service standard, no
// customs sheet and no printer.
struct MasterControllerEnvironment {
    UserDefaults *defaults = nullptr; // null: the standard user defaults
    std::shared_ptr<Scheduler> scheduler;
    std::function<QDateTime()> now; // empty: the system clock
    std::shared_ptr<MasterShell> shell;
    std::shared_ptr<MasterAccountInformation> accountInformation;
    std::shared_ptr<MasterPostageStatus> postageStatus;
    std::shared_ptr<MasterServiceStandards> serviceStandards;
    std::shared_ptr<MasterPrinting> printing;
    std::shared_ptr<MasterAddressCorrection> addressCorrection; // null: nothing confirmed
    std::shared_ptr<MasterZoneCharts> zoneCharts;               // null: no charts built
    MasterSiblingHooks hooks;
    // The parts beside the window (MasterControllerPeers.h); null: stand-ins
    // (no stamp window, no scale, no clipboard, insurance allowed, nothing
    // handed over).
    std::shared_ptr<MasterStampWindow> stampWindow;
    std::shared_ptr<MasterScale> scale;
    std::shared_ptr<MasterClipboard> clipboard;
    std::shared_ptr<MasterInsurance> insurance;
    std::shared_ptr<MasterHandOvers> handOvers;
    // The print commands run in the controller's own print flow
    // (MasterControllerPrinting.cpp), and the controller is the printing
    // layer's main window while it lives; false: the Print command goes to
    // `printing` alone.
    bool ownPrintFlow = false;
};

// A range of the destination box's text (UTF-16 positions).
struct MasterTextRange {
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const MasterTextRange &other) const = default;
};

// What limits the destination box's lines: at most five or at most seven
// lines (the later ones are marked whole), and the last line that is never
// marked however long it is (empty: none).
struct MasterLineLimits {
    bool sixLines = false;
    bool eightLines = false;
    QString exemptLastLine;
};

// A menu item as validateMenuItem() sees it: its action, its title, the
// title of the menu it is in, and whether it belongs to the return-address
// pop-up.
struct MasterMenuItem {
    QString action;
    QString title;
    QString menuTitle;
    bool inReturnAddressPopUp = false;
};

// validateMenuItem()'s answer: enabled, and the item's new title (nothing:
// keep it).
struct MasterMenuItemState {
    bool enabled = true;
    std::optional<QString> title;
};

// What a key-down in the main window does (MasterController::
// windowKeyCommand): pass it on to the window's ordinary dispatch, swallow it,
// or one of the commands.
enum class MasterKeyCommand { PassOn, Swallow, WeightUp, WeightDown, SheetCountUp, SheetCountDown, PrintTheLabel };

// The return-address sheet (add or edit) as plain state: its fields, the
// picture well and the buttons' states.
struct ReturnAddressSheet {
    bool editing = false;
    bool warningShown = false; // the account-address warning
    FormField nickname, name, company, suiteApt, street, city, state, zip, phone;
    QImage image; // the well; null: no picture
    bool noneEnabled = false;
    bool standardizeEnabled = true;
    bool acceptsDrags = true;
    bool progressRunning = false;
    std::optional<QString> focus; // the field that has the keyboard, by name
};

// The modifier flag of the Option key, and the print item's key equivalents.
inline constexpr quint32 QVOptionKeyMask = 0x80000;
inline constexpr quint32 QVCommandKeyMask = 0x100000;

class MasterController
{
public:
    // init: an empty current shipment, the update flag set.
    explicit MasterController(MasterControllerEnvironment environment);
    ~MasterController();
    MasterController(const MasterController &) = delete;
    MasterController &operator=(const MasterController &) = delete;

    // The window on screen (null: none). A preview panel made on the window
    // that goes goes first (MasterControllerPrinting.cpp).
    void setView(MasterView *view);
    MasterForm &form() { return m_form; }
    const MasterForm &form() const { return m_form; }
    MasterSiblingHooks &hooks() { return m_env.hooks; }

    // ---- Set-up (awakeFromNib) and the initial shipment ----------------------
    // Builds the menus of the form, observes what changes the window, sets up
    // the initial shipment and its weight menu, and asks for an update.
    void awakeFromNib();
    void setUpInitialShipment();
    void clearAllFields();

    // ---- The current shipment --------------------------------------------
    std::shared_ptr<QVShipment> currentShipment() const { return m_currentShipment; }
    // Stores with re-pricing; an invalid value is refused by the shipment.
    void setCurrentShipmentProperty(const QVariant &value, const QString &key);
    void removeCurrentShipmentPropertyForKey(const QString &key);
    QVariant currentShipmentPropertyForKey(const QString &key) const;

    // The destination address. Setting it stores it in the shipment (with
    // re-pricing), switches between domestic and international and brings
    // the destination box, its status and the drag view up to date.
    const QVAddress &toAddress() const { return m_to; }
    void setToAddress(const QVAddress &address);

    bool needsUpdate() const { return m_needsUpdate; }
    bool currentShipmentIsGo() const { return m_currentShipmentIsGo; }
    void setCurrentShipmentIsGo(bool go) { m_currentShipmentIsGo = go; }
    // The observer of the current shipment's change notification.
    void currentShipmentChanged();
    // Asks the window to update (which runs the update rules).
    void windowUpdate();

    const QString &weightUnit() const { return m_weightUnit; }
    void setWeightUnit(const QString &unit) { m_weightUnit = unit; }
    const QString &currentPICCode() const { return m_currentPICCode; }
    // Shows the number's log form in the last-number field, "--" for none.
    void setCurrentPICCode(const QString &code);
    bool webStoreOrder() const { return m_webStoreOrder; }
    void setWebStoreOrder(bool order) { m_webStoreOrder = order; }
    bool isExpressMail() const;
    bool usePostageForCurrentShipment() const;
    void setUseStealthPostageForCurrentShipment(bool stealth);
    bool useStealthPostageForCurrentShipment() const;
    // The Express options from the four check boxes.
    QVariantMap expressOptionsDictionary() const;
    // The e-mail and phone fields into the address.
    void addEmailAndPhoneToAddress(QVAddress &address) const;
    void saveDownEmailAndPhone();
    void showCustomsFormSheet();
    void customsSheetDidEnd();

    // ---- The form into the shipment -----------------------------------------
    void packagePropertiesChanged(FormControl sender);
    void resetWeightMenuForNewRateClass();
    bool isInternational() const { return m_isInternational; }
    void setInternational(bool international);
    void setUpInternational();
    void shutDownInternational();
    void setInternationalMailToVisible(bool visible);
    void setExpressMailToVisible(bool visible);

    // ---- Window update rules ---------------------------------------------
    void windowDidUpdate();
    static FormMenu confMenuWithTitle(const QString &title);
    // The mail-class pop-up is about to open / its menu ended tracking.
    void mailClassWillPopup();
    void mailClassMenuWillEnd();
    QString customsSummaryString() const;
    void setConfirmationDefault();
    // Mail-class item tag to the shipment's total in that class.
    const QMap<qsizetype, Decimal> &priceShopDictionary() const { return m_priceShop; }

    // ---- Ship date and service standards ----------------------------------
    void updateShipDatePopup();
    void updateServiceStandards();

    // ---- Defaults and quitting ----------------------------------------------
    void readFromDefaults();
    void setShipmentDefaults();
    void appIsQuitting();
    void toggleOptionalView();
    void toggleStatusBar();
    // The status line as "showStatusBarOnMasterControl" says (the main window
    // shows the form again).
    void statusLineFollowsDefaults();

    // ---- Sheets on the main window -----------------------------------------
    bool hasAttachedSheet() const;
    // The sheet waiting for an answer; null when none.
    const Alert *attachedSheet() const { return m_sheet ? &m_sheet->alert : nullptr; }
    // Ends the sheet with the pressed button's answer (nothing without one).
    void endSheet(int answer);

    // ---- New shipments -------------------------------------------------------
    // The full form: a null e-mail, phone, description or reference id is
    // left as it is.
    void newPackageWithAddressString(const QString &address, const std::optional<QString> &email,
                                     const std::optional<QString> &phone, const std::optional<QString> &description,
                                     const std::optional<QString> &referenceID, bool focus);
    void newPackageWithAddressString(const QString &address, bool focus = true)
    {
        newPackageWithAddressString(address, std::nullopt, QString(QLatin1String("")), std::nullopt, std::nullopt,
                                    focus);
    }
    // A shipment to the person of the vCard data; false (nothing started)
    // when the data holds no valid person.
    bool newPackageWithVCard(const QByteArray &data);
    bool processVCardFileAtURL(const QString &path);
    // The "New Label" action.
    void newPackage();
    void setToAddressString(const QString &text);
    void setToPhoneNumberString(const std::optional<QString> &text);
    void setToEmailAddressString(const std::optional<QString> &text);
    // A vCard dropped or pasted into the destination box.
    void vCardDrag(const Person &person);
    // The vCard drag view's actions.
    void mapIt();
    void addToAddressBook();
    void dragViewDoubleClicked() { addToAddressBook(); }
    // The drag view's card (the destination's vCard).
    const QByteArray &dragViewVCard() const { return m_dragVCard; }

    // The callback answered after the next piece this window prints (a
    // "newShipment2" link's); kept by the window's print flow, which sends it.
    QUrl pendingCallbackURL() const;
    void setPendingCallbackURL(const QUrl &url);

    // ---- Batch mode ----------------------------------------------------------
    bool inBatchMode() const { return m_batchMode; }
    const QList<QVAddress> &batchAddresses() const { return m_batchAddresses; }
    void enterBatchPrintWithAddresses(const QList<QVAddress> &addresses);
    void leaveBatchPrint();
    // YES when the batch may be printed.
    bool preflightBatch();

    // ---- The destination box ---------------------------------------------------
    // YES when the destination is usable now or a sheet will decide. A
    // sender that is the controller itself gets no empty-address alert.
    bool standardizeAddressString(const QString &text, bool senderIsController, bool forPrinting);
    bool standardizeTextBoxAddress(bool senderIsController, bool forPrinting);
    // The verify action (and the end of the form action): the batch
    // preflight in batch mode.
    bool standardizeTextBoxAddress(bool senderIsController = false);
    QString addressStatusStringForAddress(const QVAddress *address, bool valid) const;
    // The destination box's text changed.
    void textDidChange();
    // Puts the text into the destination box as typing it would: the box's
    // text-changed rule runs (the destination itself is parsed when the box
    // is standardised).
    void setDestinationText(const QString &text);
    // The description of the address-correction client's last error (empty
    // without a client).
    QString addressCorrectionErrorDescription() const;
    enum class TextCommand { InsertNewline, InsertTab, Other };
    // A key command in the destination box; true when handled. A line break
    // replaces the box's selection (an empty range: the caret); nothing: at
    // the end of the text.
    bool doCommandBySelector(TextCommand command, std::optional<MasterTextRange> selection = std::nullopt);

    // ---- Return addresses --------------------------------------------------
    // The tags of the return-address pop-up's fixed items.
    static constexpr qsizetype AddReturnAddressTag = -10;
    static constexpr qsizetype EditReturnAddressTag = -11;
    static constexpr qsizetype DeleteReturnAddressTag = -12;
    static constexpr qsizetype ClearReturnAddressesTag = -13;
    const QVAddress &fromAddress() const { return m_from; }
    void setFromAddress(const QVAddress &address);
    void setUpFromPopup();
    void updateFromAddress();
    // The pop-up item at the index was chosen (-1: an item not in it).
    void fromAddressAction(qsizetype itemIndex);
    bool setFromAddressToNickname(const QString &nickname);
    void updateFromAddressWithMeCard();
    void clearFromList();
    void deleteFromAddress();
    void addFromAddress(const QVAddress &address, const QString &nickname);
    void replaceFromAddress(const QVAddress &address, const QString &nickname, qsizetype index);
    void addOrReplaceFromAddress(const QVAddress &address, const QString &nickname);
    // Pop-up item index to list index.
    const QMap<qsizetype, qsizetype> &fromAddressMap() const { return m_fromAddressMap; }
    // The return-address picture is shown beside the text.
    bool fromAddressImageShown() const { return !m_fromImage.isNull(); }

    // The add/edit sheet.
    const ReturnAddressSheet &returnAddressSheet() const { return m_fromSheet; }
    ReturnAddressSheet &returnAddressSheet() { return m_fromSheet; }
    bool returnAddressSheetIsOpen() const { return m_fromSheetOpen; }
    void runAddFromAddressSheet();
    void runEditFromAddressSheet();
    void cancelAddFromAddressSheet();
    // OK of the sheet; false (the sheet stays open) when a check refused.
    bool okFromAddressSheet();
    void standardizeFromAddress();
    void showTolvaneWarning(bool show);
    void addFromVCardDrag(const QByteArray &vCard);
    void addFromImageDrop(const QImage &image);
    void addFromBrowseForImages();
    void addFromClearImage();

    // Pictures, in the application-support folder.
    static QString imagePathForNickname(const QString &nickname);
    static QString imagePlistPathForNickname(const QString &nickname);
    static QImage imageForNickname(const QString &nickname);
    static void saveFromAddressImage(const QImage &image, const QString &nickname);
    static void deleteFromAddressImageForNickname(const QString &nickname);

    // ---- Status line, print button, account box -----------------------------
    // The printer's name (noPrinterText() when it has no queue) and what it
    // prints on, one item a line.
    QString printerSummaryText() const;
    static QString noPrinterText() { return QStringLiteral("No printer"); }
    void updatePrinterSummaryText();
    QString printItemTitleForCurrentMode() const;
    void updatePrintButton();
    void updateStatusTextLine();
    // The account box: amounts, balances and whether postage is printed
    // (postageOnText() or postageOffText() in the postage state field).
    void updatePostageAccountBox();
    // The account's status as the window shows it: the last valid status
    // reply, else the last one that this account had (a refused request
    // clears the client's reply but tells nothing of the balance); nothing
    // when the account never had one.
    std::optional<MasterStatusReply> trustedStatus();
    static QString postageOnText() { return QStringLiteral("Printing with postage"); }
    static QString postageOffText() { return QStringLiteral("Printing without postage"); }
    // A new last valid status reply (nothing: none).
    void tolvaneStatusDidChange(const std::optional<MasterStatusReply> &reply);
    // The modifier keys changed; `flags` as the event gives them.
    void myFlagsChanged(quint32 flags);
    bool optionKeyDown() const { return m_optionKeyDown; }
    quint32 printMenuKeyModifiers() const { return m_printMenuModifiers; }

    // ---- Weight steps, batch help and the window's keys ------------------------
    // (MasterControllerWeight.cpp, MasterControllerKeys.cpp)
    // One entry heavier or lighter (the stamp window's steps in the stamp
    // mode); nothing at the end of the list.
    void weightUp();
    void weightDown();
    // The weight box became first responder.
    void selectRateWeight();
    // The destination box's help in batch mode (HTML); empty when the
    // resource is missing.
    static QString batchHelpHTML();
    // The key-down as a command: `key` a Qt::Key, Command is Ctrl and Option
    // is Alt.
    static MasterKeyCommand windowKeyCommand(int key, Qt::KeyboardModifiers modifiers, bool stampMode);
    // A key-down of the window; false when it goes on to the ordinary
    // dispatch.
    bool windowKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // A key-down or left mouse-down reached the window: the first of the
    // process shows the help overlay when the window has child windows.
    void windowEventSeen(bool hasChildWindows);
    static void resetFirstWindowEventForTesting();

    // ---- Scale status and weighing (MasterControllerScale.cpp) --------------
    void weigh();
    void setScaleStatusString(const QString &text, bool fade);
    void fadeScaleStatusToAlpha(double alpha);
    // The status text's alpha (1 shown, 0 faded out).
    double scaleStatusAlpha() const { return m_scaleStatusAlpha; }
    void scaleWasAdded();
    void scaleWasRemoved();
    // The weight list is about to open: the item to scroll to the top of the
    // visible list; nothing to leave it as it is.
    std::optional<qsizetype> weightListScrollIndex() const;
    static void resetFirstWeighingForTesting();

    // ---- Address line warnings, check boxes and menus ------------------------
    // (MasterControllerValidation.cpp)
    // Works out the destination box's ranges to colour red.
    void updateCharacterCountWarning();
    const QList<MasterTextRange> &characterCountWarningRanges() const { return m_redRanges; }
    // The ranges of the text to mark: the characters after a line's 47th,
    // and whole lines beyond the limits. Lines are separated by line breaks;
    // blank lines and a line's leading white space do not count.
    static QList<MasterTextRange> markedLineRanges(const QString &text, const MasterLineLimits &limits);
    void validateReplyPostageCheckbox();
    void validateInsuranceCheckbox();
    // The fee shown in the preview (zero unless the box is on).
    const Decimal &previewInsuranceAmount() const { return m_previewInsuranceAmount; }
    MasterMenuItemState validateMenuItem(const MasterMenuItem &item) const;
    // Makes validateMenuItem() the menus' validator while this controller
    // lives (afterwards every item with a handler is enabled).
    void registerMenuValidation(QVMenuActions &actions);
    // Small actions handed over to other parts.
    void addressBookImport();
    void serviceSummary();
    void copyConfirmationNumber();
    void prepareEmailNotification();
    void launchUSPSExpressMailCommitmentsSite();

    // The menus of the form: the nib's confirmation menu, the domestic and
    // the international mail-class menus, the piece-size menu.
    static FormMenu shippingConfirmationMenu();
    const FormMenu &domesticMenu() const { return m_domesticMenu; }
    static FormMenu internationalMenu();
    static FormMenu pieceSizeMenu();

    // ---- Favorites and window actions (MasterControllerFavorites.cpp) --------
    // The main window as favorites see it (QVFavorites::chooseFavorite).
    QVFavoritesHost &favoritesHost();
    // The settings a new favorite takes from the current shipment, and the
    // description of settings as this window's delivery shows it.
    QVariantMap favoriteSettingsToPull() const;
    QString favoriteDescription(const QVariantMap &settings) const;
    // The add sheet's OK: false (an alert shown, the sheet stays) when the
    // nickname is refused.
    bool okAddFavorite(const QString &nickname);
    // A favorite's menu item (its tag); false when nothing was applied.
    bool chooseFavorite(int tag);
    // The address drawer shown or hidden (toggleAddressDrawer:).
    void toggleAddressDrawer();
    // The Print command (printTheLabel:): the field being edited is
    // committed first.
    void printTheLabel();

    // ---- Print commands and the printing layer's main window ------------------
    // (MasterControllerPrinting.cpp) With `ownPrintFlow`, the Print command
    // (printTheLabel above, the window's keys, a verified address's print)
    // and the defaults reader's printingDefaultsChanged reach the print
    // commands; the other commands go to them here.
    void testPrint();
    void printSelected();
    // The preview's outputs by tag (QVPreviewOutput): preflight, then the
    // output, not a test.
    void runPDFLabel(int output);
    tolvane::QVPrintFlow &printFlow() { return *m_printFlow; }
    tolvane::QVPrintCommands &printCommands() { return *m_printCommands; }
    // The controller as the printing layer sees the main window.
    std::shared_ptr<QVMainWindowHost> windowHost() const { return m_windowHost; }
    // Gives the menus' "printTheLabel:", "testPrint:", "printSelected:" and
    // "runPDFLabel:" (the item's tag the output) to this controller while it
    // lives.
    void registerPrintActions(QVMenuActions &actions);
    // Ends editing: the field being edited is committed, none keeps the
    // keyboard.
    void endEditing();
    // The Option key's state as the print command leaves it (the stored
    // "previewOnPrint" is the command's business).
    void setOptionKeyDown(bool down);
    // Runs the update rules now and redraws the window (between batch
    // items, which keep the event loop waiting).
    void displayWindow();
    bool inStampPrintingMode() const;
    // The window on screen (the preview panel's parent); null without one.
    QWidget *windowWidget() const;

private:
    struct InexactMatchContext {
        QVAddress address;
        bool printing = false;
        bool focusRateWeight = true;
    };
    struct PendingSheet {
        Alert alert;
        std::function<void(int)> didEnd;
    };
    struct PrinterChoice {
        QString printerType;
        QString labelType;
        QString infoKey;
    };
    void beginSheet(const Alert &alert, std::function<void(int)> didEnd);
    void validatedAddressSheetDidEnd(int answer, const std::optional<InexactMatchContext> &context);
    bool standardizeSuccess(bool forPrinting);
    void setDragEnabled(bool enabled) { m_form.field(FormControl::DragView).enabled = enabled; }
    PrinterChoice printerChoice() const;
    QStringList fromNames() const;
    QVariantList fromValues() const;
    void storeFromList(const QStringList &names, const QVariantList &values);
    void fillSheetFields(const QVAddress &address);
    // The sheet's address fields, name and phone left as they are.
    void fillSheetAddressFields(const QVAddress &address);
    QVAddress addressFromSheet() const;
    void endFromSheet();
    // Moves an older version's "returnGraphic.tiff" to the chosen return
    // address when the last run showed a return-address picture.
    void upgradeReturnAddressImage(bool usedFromAddressImage);

    UserDefaults &defaults() const;
    QDateTime now() const;
    void run(const std::function<void()> &hook) const;
    void destinationCheck();
    void observeCurrentShipment();
    void writeOptionalServices(const QStringList &services);
    void toggleOptionalService(const QString &service, bool on);
    void weightChanged();
    void confirmationChanged();
    void updateConfirmationMenu();
    void updatePieceSizes();
    void updateMailClasses();
    void updateConfirmationEntries();
    void updateCheckBoxes();
    void updateDimensions();
    void updateMachinable();
    void updateWeight();
    void priceShop();

    MasterControllerEnvironment m_env;
    MasterView *m_view = nullptr;
    MasterForm m_form;

    std::shared_ptr<QVShipment> m_currentShipment;
    NotificationObserver m_shipmentObserver;
    std::vector<NotificationObserver> m_observers;
    QVAddress m_to;
    bool m_isInternational = false;
    bool m_needsUpdate = true;
    bool m_updatePending = false;
    bool m_currentShipmentIsGo = false;
    bool m_webStoreOrder = false;
    QString m_weightUnit;
    QVAddress m_from;
    bool m_batchMode = false;
    QList<QVAddress> m_batchAddresses;
    QByteArray m_dragVCard;
    std::optional<PendingSheet> m_sheet;
    QMap<qsizetype, qsizetype> m_fromAddressMap;
    QImage m_fromImage;
    QImage m_meImage;
    QString m_accountAddressText;
    std::optional<QVAddress> m_accountAddress;
    ReturnAddressSheet m_fromSheet;
    bool m_fromSheetOpen = false;
    std::optional<QString> m_statusTemplate;
    std::optional<MasterStatusReply> m_lastKnownStatus;
    QString m_lastPhysicalAddress;
    bool m_optionKeyDown = false;
    quint32 m_printMenuModifiers = QVCommandKeyMask;
    QString m_currentPICCode;
    QMap<qsizetype, Decimal> m_priceShop;
    FormMenu m_domesticMenu;

    // Ship dates: the day the titles were made for.
    std::optional<QDate> m_titlesDate;
    // Service standards: what the last fetch was for.
    std::optional<QString> m_standardClass;
    std::optional<QString> m_standardOrigin;
    std::optional<QString> m_standardDestination;

    std::shared_ptr<QVFavoritesHost> m_favoritesHost;

    // The parts beside the window get their stand-ins; the window's own rules
    // answer the validation hooks nobody took.
    void setUpPeers();
    QString requestName(const char *name) const;
    void stepWeight(int step);
    void scaleReadingOf(int tenths);
    QString m_insuranceTitleFormat;
    std::optional<QString> m_insuranceAboutText;
    Decimal m_previewInsuranceAmount = Decimal::zero();
    double m_scaleStatusAlpha = 1;
    QList<MasterTextRange> m_redRanges;

    // The print flow and its commands (shared: the types stay incomplete
    // here), and the controller as the printing layer's main window.
    void setUpPrinting();
    std::shared_ptr<tolvane::QVPrintFlow> m_printFlow;
    std::shared_ptr<tolvane::QVPrintCommands> m_printCommands;
    std::shared_ptr<QVMainWindowHost> m_windowHost;

    // Expires with the controller: delayed calls check it.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
