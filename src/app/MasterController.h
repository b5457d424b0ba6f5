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
// standards).
//
// User defaults (read and written): "rateClass", "intlRateClass",
// "pieceSize", "confirmationService", "mailedFromZIP5", "usePostage",
// "useStealth", "useInsurance", "showOptionalView",
// "showStatusBarOnMasterControl", "useServiceStandards",
// "usePoundsForFirstClass", "usePoundsForOtherClasses", "noCustomsOnFCMI".
//
// Main thread only.
#include "app/LaunchServices.h"
#include "app/MasterControllerServices.h"
#include "app/MasterForm.h"
#include "model/QVAddress.h"
#include "platform/Decimal.h"
#include "platform/NotificationCenter.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class QVShipment;
class UserDefaults;

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
    MasterSiblingHooks hooks;
};

class MasterController
{
public:
    // init: an empty current shipment, the update flag set.
    explicit MasterController(MasterControllerEnvironment environment);
    ~MasterController();
    MasterController(const MasterController &) = delete;
    MasterController &operator=(const MasterController &) = delete;

    void setView(MasterView *view) { m_view = view; }
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

    // The destination address (the address boxes set it).
    // The destination address. Setting it stores it in the shipment (with
    // re-pricing) and switches between domestic and international.
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

    // The menus of the form: the nib's confirmation menu, the domestic and
    // the international mail-class menus, the piece-size menu.
    static FormMenu shippingConfirmationMenu();
    const FormMenu &domesticMenu() const { return m_domesticMenu; }
    static FormMenu internationalMenu();
    static FormMenu pieceSizeMenu();

private:
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
    QString m_currentPICCode;
    QMap<qsizetype, Decimal> m_priceShop;
    FormMenu m_domesticMenu;

    // Ship dates: the day the titles were made for.
    std::optional<QDate> m_titlesDate;
    // Service standards: what the last fetch was for.
    std::optional<QString> m_standardClass;
    std::optional<QString> m_standardOrigin;
    std::optional<QString> m_standardDestination;

    // Expires with the controller: delayed calls check it.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
