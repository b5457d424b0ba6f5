// MasterController: set-up, the current shipment's accessors, defaults and
// the domestic/international switch.
#include "app/mainwindow/MasterController.h"

#include "model/QVShipment.h"
#include "platform/VCardFolder.h"
#include "model/StringAdditions.h"
#include "platform/ApplicationNotifications.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "services/QVRHOCommandCenter.h"

#include <QDebug>

namespace {

const QString kRateClassDefault = QStringLiteral("rateClass");
const QString kIntlRateClassDefault = QStringLiteral("intlRateClass");
const QString kPieceSizeDefault = QStringLiteral("pieceSize");
const QString kConfirmationServiceDefault = QStringLiteral("confirmationService");
const QString kMailedFromZIP5Default = QStringLiteral("mailedFromZIP5");
const QString kUsePostageDefault = QStringLiteral("usePostage");
const QString kUseStealthDefault = QStringLiteral("useStealth");
const QString kShowOptionalViewDefault = QStringLiteral("showOptionalView");
const QString kShowStatusBarDefault = QStringLiteral("showStatusBarOnMasterControl");
const QString kKivoStampsVersionDefault = QStringLiteral("kivoStampsVersion");
const QString kPreviewOnPrintDefault = QStringLiteral("previewOnPrint");

// Stand-ins for services that nobody gave.
class NoShell final : public MasterShell
{
public:
    int infoAlertForKey(const QString &, bool) override { return 1; }
    bool isAutomation() override { return false; }
    bool isStandardPrintingMode() override { return true; }
    void refreshTolvaneStatus() override {}
};

class NoAccountInformation final : public MasterAccountInformation
{
public:
    int dateAdvance() override { return 0; }
    bool standardPost() override { return false; }
};

class NoPostageStatus final : public MasterPostageStatus
{
public:
    bool hasLastValidStatusResponse() override { return false; }
};

class NoServiceStandards final : public MasterServiceStandards
{
public:
    QString serviceStandardFromOriginZIP(const QString &, const QString &, const QString &) override
    {
        return QStringLiteral("N/A");
    }
};

class NoPrinting final : public MasterPrinting
{
public:
    void runCustomsSheet(std::shared_ptr<QVShipment>, std::function<void()>) override {}
    QString printerNameForPlainPaperInfo(const QString &) override { return QString(); }
    void printingDefaultsChanged() override {}
};

// Runs zero-delay calls at once when no scheduler was given.
class ImmediateScheduler final : public Scheduler
{
public:
    void callAfter(double seconds, std::function<void()> call) override
    {
        if (seconds <= 0)
            call();
    }
    void callEvery(double, std::function<void()>) override {}
};

} // namespace

MasterController::MasterController(MasterControllerEnvironment environment)
    : m_env(std::move(environment)), m_currentShipment(std::make_shared<QVShipment>())
{
    if (!m_env.shell)
        m_env.shell = std::make_shared<NoShell>();
    if (!m_env.accountInformation)
        m_env.accountInformation = std::make_shared<NoAccountInformation>();
    if (!m_env.postageStatus)
        m_env.postageStatus = std::make_shared<NoPostageStatus>();
    if (!m_env.serviceStandards)
        m_env.serviceStandards = std::make_shared<NoServiceStandards>();
    if (!m_env.printing)
        m_env.printing = std::make_shared<NoPrinting>();
    if (!m_env.scheduler)
        m_env.scheduler = std::make_shared<ImmediateScheduler>();

    // The window's own parts answer the hooks nobody else took.
    MasterSiblingHooks &h = m_env.hooks;
    const auto own = [](std::function<void()> &hook, std::function<void()> call) {
        if (!hook)
            hook = std::move(call);
    };
    own(h.standardizeTextBoxAddress, [this] { standardizeTextBoxAddress(true); });
    own(h.updateFromAddress, [this] { updateFromAddress(); });
    own(h.setUpFromPopup, [this] { setUpFromPopup(); });
    own(h.updateStatusTextLine, [this] { updateStatusTextLine(); });
    own(h.updatePrintButton, [this] { updatePrintButton(); });
    own(h.updatePrinterSummaryText, [this] { updatePrinterSummaryText(); });
    own(h.updatePostageAccountBox, [this] { updatePostageAccountBox(); });
    own(h.tolvaneStatusDidChange, [this] { tolvaneStatusDidChange(m_env.postageStatus->lastValidStatusResponse()); });
    setUpPeers();
    setUpPrinting();
}

MasterController::~MasterController() = default;

UserDefaults &MasterController::defaults() const
{
    return m_env.defaults ? *m_env.defaults : UserDefaults::standardUserDefaults();
}

QDateTime MasterController::now() const { return m_env.now ? m_env.now() : QDateTime::currentDateTime(); }

void MasterController::run(const std::function<void()> &hook) const
{
    if (hook)
        hook();
}

// ---- Set-up -------------------------------------------------------------------

FormMenu MasterController::shippingConfirmationMenu()
{
    FormMenu menu;
    menu.title = QStringLiteral("Confirmation");
    const auto service = [](const QString &name) {
        const QString casual = QVUSPSRateClass::casualNameForServiceName(name);
        return casual.isEmpty() ? name : casual;
    };
    const QString certified = service(QVUSPSCertifiedMailService);
    const QString receipt = service(QVUSPSReturnReceiptService);
    const QString restricted = service(QVUSPSRestrictedDeliveryService);
    menu.items = {
        {ConfirmationTag::None, QStringLiteral("None")},
        {ConfirmationTag::eDelivery, service(QVUSPSeDeliveryConfirmation)},
        {ConfirmationTag::eSignature, service(QVUSPSeSignatureConfirmation)},
        FormMenuItem::separatorItem(),
        {ConfirmationTag::Certified, certified},
        {ConfirmationTag::CertifiedReturnReceipt, certified + QStringLiteral(", ") + receipt},
        {ConfirmationTag::CertifiedReturnReceiptRestricted,
         certified + QStringLiteral(", ") + receipt + QStringLiteral(", ") + restricted},
        {ConfirmationTag::CertifiedRestricted, certified + QStringLiteral(", ") + restricted},
        FormMenuItem::separatorItem(),
        {ConfirmationTag::AdultSignature, QStringLiteral("Adult Signature Required")},
        {ConfirmationTag::AdultSignatureRestricted, QStringLiteral("Adult Signature Restricted Delivery")},
    };
    return menu;
}

FormMenu MasterController::internationalMenu()
{
    FormMenu menu;
    menu.title = QStringLiteral("International");
    const QStringList &names = QVUSPSIntlRateClass::rateClassTags();
    for (qsizetype tag = 0; tag < names.size(); ++tag) {
        if (QVUSPSIntlRateClass::tagForRateClass(names[tag]) != tag)
            continue;
        menu.items.append({tag, QVUSPSIntlRateClass::casualNameForRateClassName(names[tag])});
    }
    return menu;
}

FormMenu MasterController::pieceSizeMenu()
{
    FormMenu menu;
    menu.title = QStringLiteral("Size");
    const QStringList &sizes = QVUSPSRateClass::sizes();
    for (qsizetype tag = 0; tag < sizes.size(); ++tag)
        menu.items.append({tag, QVUSPSRateClass::casualNameForMailpieceSize(sizes[tag])});
    return menu;
}

void MasterController::awakeFromNib()
{
    // 1. The menus of the window.
    m_form.popUp(FormControl::Confirmation).setMenu(shippingConfirmationMenu());
    m_form.popUp(FormControl::PieceSize).setMenu(pieceSizeMenu());
    m_domesticMenu = FormMenu();
    m_domesticMenu.title = QStringLiteral("Domestic");
    const QStringList &classes = QVUSPSRateClass::rateClassTags();
    for (qsizetype tag = 0; tag < classes.size(); ++tag)
        m_domesticMenu.items.append({tag, QVUSPSRateClass::casualNameForRateClassName(classes[tag])});

    // 2. What changes the window.
    NotificationCenter &center = NotificationCenter::defaultCenter();
    m_observers.push_back(center.addObserver(QVRHOLastValidStatusResponseDidChange, [this](const Notification &) {
        run(m_env.hooks.tolvaneStatusDidChange);
    }));
    if (!defaults().boolForKey(kKivoStampsVersionDefault)) {
        m_observers.push_back(center.addObserver(kABDatabaseChangedExternallyNotification,
                                                 [this](const Notification &) { updateFromAddressWithMeCard(); }));
    }
    m_observers.push_back(center.addObserver(NSUserDefaultsDidChangeNotification, NotificationObject(&defaults()),
                                             [this](const Notification &) { readFromDefaults(); }));
    m_observers.push_back(center.addObserver(QVWeightUnitDefaultChangedNotification,
                                             [this](const Notification &) { resetWeightMenuForNewRateClass(); }));
    m_observers.push_back(
        center.addObserver(NSApplicationWillTerminateNotification, [this](const Notification &) { appIsQuitting(); }));

    // 3. The postage account's last status.
    const bool hadStatus = m_env.postageStatus->hasLastValidStatusResponse();

    // Whether the return address had a picture, as the last run left it:
    // building the return addresses below rewrites the setting from the
    // pictures there are, and an older version's picture is not one of
    // them until it is moved (step 8).
    const bool usedFromAddressImage = defaults().boolForKey(QStringLiteral("useFromAddressImage"));

    // 4. Ship dates, the estimate, the return addresses.
    updateShipDatePopup();
    m_form.popUp(FormControl::ShipDate).selectItemAtIndex(0);
    m_form.setText(FormControl::RateEstimated, QStringLiteral("--"));
    run(m_env.hooks.setUpFromPopup);

    // 5. Standard Post only for accounts that may use it.
    if (!m_env.accountInformation->standardPost()) {
        const qsizetype index =
            m_domesticMenu.indexOfTitle(QVUSPSRateClass::casualNameForRateClassName(QVUSPSStandardPost));
        if (index >= 0)
            m_domesticMenu.items.removeAt(index);
    }
    m_form.popUp(FormControl::MailClass).setMenu(m_domesticMenu);

    // 6. The destination box and the initial shipment.
    m_to = QVAddress();
    setUpInitialShipment();
    resetWeightMenuForNewRateClass();
    m_form.setText(FormControl::LastConfNumber, QStringLiteral("--"));

    // 7. Toolbar, status bar, optional and international views.
    run(m_env.hooks.setUpToolbar);
    m_form.disclosable(FormControl::StatusTextView).shown = defaults().boolForKey(kShowStatusBarDefault);
    m_form.disclosable(FormControl::OptionalView).shown = defaults().boolForKey(kShowOptionalViewDefault);
    m_form.disclosable(FormControl::IntlView).shown = false;

    // 8. The return-address picture of older versions.
    upgradeReturnAddressImage(usedFromAddressImage);

    // 9. The account status, when there was one.
    if (hadStatus)
        m_env.shell->refreshTolvaneStatus();

    // 10. The vCard drag view starts without a card.
    setDragEnabled(false);

    // 11. The scale status.
    m_form.setText(FormControl::ScaleStatus, QString());

    // 13. Saturday delivery on; the window brought up to date.
    m_form.checkBox(FormControl::ExpressSaturday).on = true;
    windowUpdate();
}

void MasterController::setUpInitialShipment()
{
    UserDefaults &d = defaults();
    QString rateClass = d.stringForKey(kRateClassDefault);
    if (rateClass == QVUSPSBoundPrintedMatter)
        rateClass = QVUSPSPriorityMail;
    if (!rateClass.isNull())
        setCurrentShipmentProperty(rateClass, QVUSPSShipmentRateClassKey);
    setCurrentShipmentProperty(now(), QVShipmentShipDateKey);
    resetWeightMenuForNewRateClass();
    setInternational(false);

    const QString confirmation = d.stringForKey(kConfirmationServiceDefault);
    if (confirmation.isEmpty())
        removeCurrentShipmentPropertyForKey(QVUSPSShipmentConfirmationServiceKey);
    else
        setCurrentShipmentProperty(confirmation, QVUSPSShipmentConfirmationServiceKey);

    const QString fromZIP = d.stringForKey(kMailedFromZIP5Default);
    if (!fromZIP.isNull())
        setCurrentShipmentProperty(fromZIP, QVUSPSShipmentMailedFromZIP5Key);
    setCurrentShipmentProperty(d.boolForKey(kUsePostageDefault), QVUSPSShipmentPostageEnabledKey);
    const QString size = d.stringForKey(kPieceSizeDefault);
    if (!size.isNull())
        setCurrentShipmentProperty(size, QVUSPSShipmentSizeKey);
    setCurrentShipmentProperty(QVUSPSCarrier, QVShipmentCarrierKey);

    setCurrentShipmentProperty(QVSampleShipmentPIC, QVUSPSShipmentPICKey);
    setCurrentShipmentProperty(QVSampleShipmentRDC, QVUSPSShipmentRDCKey);
    setCurrentShipmentProperty(true, QVUSPSShipmentMachinableKey);
    setCurrentShipmentProperty(false, QVUSPSShipmentReplyPostageKey);
    setCurrentShipmentProperty(QVUSPSShipmentNoCustomsFormType, QVUSPSShipmentCustomsFormTypeKey);

    setCurrentShipmentProperty(0, QVShipmentLengthMeasurementKey);
    setCurrentShipmentProperty(0, QVShipmentWidthMeasurementKey);
    setCurrentShipmentProperty(0, QVShipmentHeightMeasurementKey);
    setCurrentShipmentProperty(true, QVShipmentRectangularKey);
    m_form.checkBox(FormControl::UseInsurance).enabled = false;
    setCurrentShipmentProperty(QVariant::fromValue(Decimal::zero()), QVShipmentValueKey);
    setCurrentShipmentProperty(QString(QLatin1String("")), QVShipmentDescriptionKey);
    setCurrentShipmentProperty(QString(QLatin1String("")), QVShipmentInvoiceNumberKey);
    m_currentPICCode.clear();

    m_needsUpdate = true;
    m_currentShipmentIsGo = false;
    observeCurrentShipment();
}

void MasterController::observeCurrentShipment()
{
    m_shipmentObserver = NotificationCenter::defaultCenter().addObserver(
        QVShipmentDidChangeNotification, NotificationObject(m_currentShipment.get()),
        [this](const Notification &) { currentShipmentChanged(); });
}

void MasterController::clearAllFields()
{
    setCurrentShipmentProperty(QString(QLatin1String("")), QVShipmentDescriptionKey);
    setCurrentShipmentProperty(QString(QLatin1String("")), QVShipmentInvoiceNumberKey);
    setCurrentShipmentProperty(QVariant::fromValue(Decimal::zero()), QVShipmentValueKey);
    const bool wasReply = shipmentBool(*m_currentShipment, QVUSPSShipmentReplyPostageKey);
    setCurrentShipmentProperty(false, QVUSPSShipmentReplyPostageKey);
    if (wasReply)
        run(m_env.hooks.updateFromAddress);
    toggleOptionalService(QVUSPSHoldForPickupService, false);
    defaults().setBool(false, QStringLiteral("useInsurance"));
    setCurrentShipmentProperty(0, QVShipmentLengthMeasurementKey);
    setCurrentShipmentProperty(0, QVShipmentWidthMeasurementKey);
    setCurrentShipmentProperty(0, QVShipmentHeightMeasurementKey);
    for (const QString &key :
         {QVShipmentCostCenterKey, QVShipmentRubberStamp1Key, QVShipmentRubberStamp2Key,
          QVUSPSShipmentCustomsInvoiceNumberKey, QVUSPSShipmentCustomsLicenseNumberKey,
          QVUSPSShipmentCustomsCertificateNumberKey, QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey,
          QVUSPSShipmentRHOWebStoreIdKey, QVUSPSShipmentRHOWebStoreNameKey})
        removeCurrentShipmentPropertyForKey(key);
}

// ---- The current shipment -------------------------------------------------------

void MasterController::setCurrentShipmentProperty(const QVariant &value, const QString &key)
{
    m_currentShipment->setObject(value, key, true);
}

void MasterController::removeCurrentShipmentPropertyForKey(const QString &key)
{
    m_currentShipment->removeObjectForKey(key, true);
}

QVariant MasterController::currentShipmentPropertyForKey(const QString &key) const
{
    return m_currentShipment->objectForKey(key);
}

void MasterController::currentShipmentChanged()
{
    m_needsUpdate = true;
    m_currentShipmentIsGo = false;
    windowUpdate();
}

void MasterController::windowUpdate()
{
    if (m_view) {
        m_view->setNeedsWindowUpdate();
        return;
    }
    if (m_updatePending)
        return;
    m_updatePending = true;
    std::weak_ptr<int> alive = m_alive;
    m_env.scheduler->callAfter(0, [this, alive] {
        if (alive.expired())
            return;
        m_updatePending = false;
        windowDidUpdate();
    });
}

void MasterController::setCurrentPICCode(const QString &code)
{
    m_currentPICCode = code;
    m_form.setText(FormControl::LastConfNumber, code.isEmpty() ? QStringLiteral("--") : uspsLogPIC(code));
}

bool MasterController::isExpressMail() const { return ::isExpressMail(*m_currentShipment); }

bool MasterController::usePostageForCurrentShipment() const
{
    return shipmentBool(*m_currentShipment, QVUSPSShipmentPostageEnabledKey);
}

void MasterController::setUseStealthPostageForCurrentShipment(bool stealth)
{
    setCurrentShipmentProperty(stealth && isEligibleForStealth(*m_currentShipment), QVUSPSShipmentStealthPostageKey);
}

bool MasterController::useStealthPostageForCurrentShipment() const
{
    return shipmentBool(*m_currentShipment, QVUSPSShipmentStealthPostageKey);
}

QVariantMap MasterController::expressOptionsDictionary() const
{
    return {
        {QVUSPSShipmentExpressMailSignatureRequiredKey, m_form.isOn(FormControl::ExpressWaiverOfSignature)},
        {QVUSPSShipmentExpressMailSaturdayDeliveryKey, m_form.isOn(FormControl::ExpressSaturday)},
        {QVUSPSShipmentExpressMailSundayDeliveryKey, m_form.isOn(FormControl::ExpressSunday)},
        {QVUSPSShipmentExpressMailHolidayDeliveryKey, m_form.isOn(FormControl::ExpressHoliday)},
    };
}

void MasterController::addEmailAndPhoneToAddress(QVAddress &address) const
{
    address.setEmail(m_form.text(FormControl::ToEmail));
    address.setPhone(m_form.text(FormControl::ToPhone));
}

void MasterController::saveDownEmailAndPhone()
{
    addEmailAndPhoneToAddress(m_to);
    // Without re-pricing: e-mail and phone change no price.
    m_currentShipment->setObject(m_to.plist(), QVShipmentToAddressKey, false);
}

void MasterController::showCustomsFormSheet()
{
    if (m_view)
        m_view->commitEditing();
    std::weak_ptr<int> alive = m_alive;
    m_env.printing->runCustomsSheet(m_currentShipment, [this, alive] {
        if (!alive.expired())
            customsSheetDidEnd();
    });
}

void MasterController::customsSheetDidEnd() { m_form.setText(FormControl::CustomsSummary, customsSummaryString()); }

// ---- Domestic and international ---------------------------------------------

void MasterController::setInternational(bool international)
{
    if (international != m_isInternational)
        setShipmentDefaults();
    const bool was = m_isInternational;
    m_isInternational = international;
    if (was && !international)
        shutDownInternational();
    else if (!was && international)
        setUpInternational();
    if (international && !m_to.country().isEmpty()) {
        NotificationCenter::defaultCenter().post(QVDidValidateInternationalAddressNotification,
                                                 NotificationObject(this),
                                                 {{QStringLiteral("country"), m_to.country()}});
    }
}

void MasterController::setUpInternational()
{
    const QString rateClass = defaults().stringForKey(kIntlRateClassDefault);
    if (!rateClass.isNull())
        setCurrentShipmentProperty(rateClass, QVUSPSShipmentRateClassKey);
    resetWeightMenuForNewRateClass();
    m_form.popUp(FormControl::MailClass).setMenu(internationalMenu());
    packagePropertiesChanged(FormControl::Weight);
    removeCurrentShipmentPropertyForKey(QVUSPSShipmentConfirmationServiceKey);
    removeCurrentShipmentPropertyForKey(QVUSPSShipmentOptionalServicesKey);
    m_form.setText(FormControl::CustomsSummary, customsSummaryString());
    const qsizetype tag =
        QVUSPSIntlRateClass::tagForRateClass(shipmentText(*m_currentShipment, QVUSPSShipmentRateClassKey));
    if (tag != QVNotFound)
        m_form.popUp(FormControl::MailClass).selectItemWithTag(tag);
    setExpressMailToVisible(false);
    setInternationalMailToVisible(true);
}

void MasterController::shutDownInternational()
{
    const QString rateClass = defaults().stringForKey(kRateClassDefault);
    if (!rateClass.isNull())
        setCurrentShipmentProperty(rateClass, QVUSPSShipmentRateClassKey);
    resetWeightMenuForNewRateClass();
    m_form.popUp(FormControl::MailClass).setMenu(m_domesticMenu);
    setInternationalMailToVisible(false);
}

void MasterController::setInternationalMailToVisible(bool visible)
{
    if (visible) {
        const QVShipment &s = *m_currentShipment;
        QString title;
        if (!s.isDomestic())
            title = QStringLiteral("International Mail");
        else if (isTerritoryMail(s))
            title = QStringLiteral("Territory Mail");
        else if (isMilitaryMail(s))
            title = QStringLiteral("Military Mail");
        m_form.setText(FormControl::IntlViewTitle, title);
        m_form.setText(FormControl::CustomsSummary, customsSummaryString());
    }
    m_form.disclosable(FormControl::IntlView).shown = visible;
}

void MasterController::setExpressMailToVisible(bool visible)
{
    m_form.disclosable(FormControl::ExpressView).shown = visible;
}

// ---- Defaults and quitting -----------------------------------------------------

void MasterController::readFromDefaults()
{
    if (!m_env.shell->isStandardPrintingMode())
        return;
    run(m_env.hooks.updateCharacterCountWarning);
    run(m_env.hooks.updateStatusTextLine);
    run(m_env.hooks.updatePrintButton);
    run(m_env.hooks.updatePrinterSummaryText);
    setUseStealthPostageForCurrentShipment(defaults().boolForKey(kUseStealthDefault));
    setCurrentShipmentProperty(defaults().boolForKey(kUsePostageDefault), QVUSPSShipmentPostageEnabledKey);
    m_env.printing->printingDefaultsChanged();
    currentShipmentChanged();
}

void MasterController::setShipmentDefaults()
{
    const std::optional<qsizetype> tag = m_form.popUp(FormControl::MailClass).selectedTag();
    if (tag) {
        if (m_isInternational) {
            const QString name = QVUSPSIntlRateClass::rateClassForTag(*tag);
            if (!name.isNull())
                defaults().setString(name, kIntlRateClassDefault);
        } else {
            const QString name = QVUSPSRateClass::rateClassNameForTag(*tag);
            if (!name.isNull())
                defaults().setString(name, kRateClassDefault);
        }
    }
    if (!m_isInternational && !isExpressMail())
        setConfirmationDefault();
    const QString size = shipmentText(*m_currentShipment, QVUSPSShipmentSizeKey);
    if (!size.isNull())
        defaults().setString(size, kPieceSizeDefault);
}

void MasterController::appIsQuitting()
{
    setShipmentDefaults();
    if (m_optionKeyDown) {
        m_optionKeyDown = false;
        defaults().setBool(!defaults().boolForKey(kPreviewOnPrintDefault), kPreviewOnPrintDefault);
    }
}

void MasterController::toggleOptionalView()
{
    if (!m_env.shell->isStandardPrintingMode())
        return;
    FormDisclosable &view = m_form.disclosable(FormControl::OptionalView);
    view.shown = !view.shown;
    defaults().setBool(view.shown, kShowOptionalViewDefault);
}

void MasterController::statusLineFollowsDefaults()
{
    m_form.disclosable(FormControl::StatusTextView).shown = defaults().boolForKey(kShowStatusBarDefault);
    if (m_view)
        m_view->setNeedsWindowUpdate();
}

void MasterController::toggleStatusBar()
{
    // The stamp view has a status bar of its own.
    if (!m_env.shell->isStandardPrintingMode()) {
        m_env.stampWindow->toggleStatusBar();
        return;
    }
    FormDisclosable &view = m_form.disclosable(FormControl::StatusTextView);
    view.shown = !view.shown;
    defaults().setBool(view.shown, kShowStatusBarDefault);
}
