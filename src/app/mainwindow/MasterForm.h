#pragma once
// The main shipment window's controls as plain state: what each pop-up,
// check box, field and disclosable view of the window shows, without a
// display. MasterController reads and writes it; a thin view binds widgets
// to it and tells the controller which control the user changed (by its
// FormControl id, in place of the sender's identity).
//
// Pop-ups hold their menu (items with a tag, a title, an enabled flag;
// separators) and the selected item's index; the weight combo box holds its
// list values, the selected index and its text; check boxes hold their state
// and whether they are enabled and visible; fields their text, placeholder
// and enabled flag (the read-only labels of the window are fields too);
// disclosable views whether they are shown; the spinner whether it runs.
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

enum class FormControl {
    // pop-ups
    PieceSize,    // pieceSizePopup
    MailClass,    // shippingClass
    Confirmation, // shippingConfirmation
    ShipDate,     // shippingDate
    // the weight combo box
    Weight, // rateWeight
    // measurement fields
    Height,    // rateHeight
    Length,    // rateLength
    Thickness, // rateThickness
    // check boxes
    Nonrectangular,           // rateNonrectangular
    Nonmachinable,            // rateNonmachinable
    UseRetailRate,            // rateUseRetailRate
    HoldForPickup,            // holdForPickupCheckbox
    ExpressWaiverOfSignature, // expressWaiverOfSignatureCheckbox
    ExpressSaturday,          // expressSaturdayCheckbox
    ExpressSunday,            // expressSundayCheckbox
    ExpressHoliday,           // expressHolidayCheckbox
    ExpressAMDelivery,        // expressAMDeliveryCheckbox
    ReplyPostage,             // replyPostageButton
    UseInsurance,             // useInsurance
    // editable fields
    Value,          // shipmentValue
    Description,    // shipmentDescription
    ReferenceID,    // shipmentReferenceID
    ToEmail,        // toEmail
    ToPhone,        // toPhone
    MailingFromZIP, // mailingFromZIP
    // labels (read-only fields)
    RateZone,         // rateZone
    RateConfirmation, // rateConfirmation
    RateEstimated,    // rateEstimated
    CustomsSummary,   // customsSummary
    ToPhoneLabel,     // toPhoneLabel
    IntlViewTitle,    // intlViewTitle
    LastConfNumber,   // lastConfNumber
    ScaleStatus,      // scaleStatusTextField
    // buttons
    CustomsFormButton, // customsFormButton
    // the spinner of the service standards
    ServiceStandardsSpinner, // serviceStandardsSpinner
    // disclosable views
    StatusTextView, // statusTextDisclosableView
    OptionalView,   // optionalDisclosableView
    ExpressView,    // expressDisclosableView
    IntlView,       // intlDisclosableView
    // the address boxes
    ToAddress,       // toTextBoxEntry (its text; enabled = editable)
    ToAddressStatus, // toAddressStatus
    DragView,        // dragView (enabled flag; its vCard is the controller's)
    FromDisplay,     // fromDisplayText
    FromPopup,       // fromPopup (tags: 0 "me", 1 the account, list items from 3)
    // status line, print button, printer summary, postage account box
    StatusTextLine,            // statusTextLine
    MainPrintButton,           // mainPrintButton
    PrintMenuItem,             // the main menu's print item (its title)
    PreviewPrinterSummary,     // previewPrinterSummary
    PreviewPrinterOptions,     // previewPrinterOptions (its print item, tag 0)
    RatePostage,               // ratePostage
    RateSavings,               // rateSavings
    RateTotalPostage,          // rateTotalPostage
    TolvaneBalance,            // tolvaneBalance
    TolvaneEndingBalance,      // tolvaneEndingBalance
    PreviewCurrentBalance,     // previewCurrentBalance
    PreviewPostageDebitAmount, // previewPostageDebitAmount
    PreviewEndingBalance,      // previewEndingBalance
    // whether the piece prints with postage (the "usePostage" setting)
    PostageState, // postageStateField
    // the destination box's verify button; the insurance explanation; the
    // PDF button (the insurance check box's title is its field's text)
    VerifyButton,   // verifyButton
    InsuranceAbout, // insuranceAboutTextField
    MainPDFButton,  // mainPDFButton
};

// One item of a pop-up's menu.
struct FormMenuItem {
    qsizetype tag = 0;
    QString title;
    bool enabled = true;
    bool separator = false;

    static FormMenuItem separatorItem() { return FormMenuItem{-1, QString(), false, true}; }
};

// A menu: its title and items.
struct FormMenu {
    QString title;
    QList<FormMenuItem> items;

    // The index of the first item with the tag (separators never match);
    // -1 when none.
    qsizetype indexOfTag(qsizetype tag) const;
    FormMenuItem *itemWithTag(qsizetype tag);
    const FormMenuItem *itemWithTag(qsizetype tag) const;
    // The index of the first item with the title; -1 when none.
    qsizetype indexOfTitle(const QString &title) const;
};

// A pop-up button: the menu it shows and the selected item.
struct FormPopUp {
    FormMenu menu;
    qsizetype selectedIndex = -1;
    bool enabled = true;

    qsizetype count() const { return menu.items.size(); }
    const FormMenuItem *selectedItem() const;
    // The selected item's tag; nothing when no item is selected.
    std::optional<qsizetype> selectedTag() const;
    // Selects the item with the tag; false (selection unchanged) when the
    // menu has none.
    bool selectItemWithTag(qsizetype tag);
    void selectItemAtIndex(qsizetype index) { selectedIndex = index >= 0 && index < count() ? index : -1; }
    void setMenu(const FormMenu &newMenu);
    // Enables or disables the item with the tag (when present).
    void setItemEnabled(qsizetype tag, bool enabled);
};

// The weight combo box: its list, the selected entry and the typed text.
struct FormComboBox {
    QStringList values;
    qsizetype selectedIndex = -1;
    QString text;
    int visibleItems = 0;
    bool enabled = true;
};

struct FormCheckBox {
    bool on = false;
    bool enabled = true;
    bool visible = true;
};

// A text field, a label or a button (text is its title).
struct FormField {
    QString text;
    QString placeholder;
    bool enabled = true;
    bool visible = true;
};

struct FormDisclosable {
    bool shown = false;
};

struct FormSpinner {
    bool running = false;
};

// The whole form. Each accessor makes the control's record on first use.
class MasterForm
{
public:
    FormPopUp &popUp(FormControl control) { return m_popUps[control]; }
    FormComboBox &weight() { return m_weight; }
    FormCheckBox &checkBox(FormControl control) { return m_checkBoxes[control]; }
    FormField &field(FormControl control) { return m_fields[control]; }
    FormDisclosable &disclosable(FormControl control) { return m_disclosables[control]; }
    FormSpinner &spinner() { return m_spinner; }

    const FormPopUp &popUp(FormControl control) const { return m_popUps[control]; }
    const FormComboBox &weight() const { return m_weight; }
    const FormCheckBox &checkBox(FormControl control) const { return m_checkBoxes[control]; }
    const FormField &field(FormControl control) const { return m_fields[control]; }
    const FormDisclosable &disclosable(FormControl control) const { return m_disclosables[control]; }
    const FormSpinner &spinner() const { return m_spinner; }

    // Shorthands.
    QString text(FormControl control) const { return field(control).text; }
    void setText(FormControl control, const QString &text) { field(control).text = text; }
    bool isOn(FormControl control) const { return checkBox(control).on; }

    // The control that has the keyboard (nothing: the window itself), and
    // whether its whole text is selected.
    std::optional<FormControl> firstResponder;
    bool firstResponderSelectsAll = false;
    void makeFirstResponder(std::optional<FormControl> control, bool selectAll = false)
    {
        firstResponder = control;
        firstResponderSelectsAll = selectAll;
    }

private:
    mutable std::map<FormControl, FormPopUp> m_popUps;
    mutable std::map<FormControl, FormCheckBox> m_checkBoxes;
    mutable std::map<FormControl, FormField> m_fields;
    mutable std::map<FormControl, FormDisclosable> m_disclosables;
    FormComboBox m_weight;
    FormSpinner m_spinner;
};
