#pragma once
// The customs declaration sheet of the current shipment: which customs form
// the piece carries, the kind of contents, up to five item rows, an optional
// ITN and the sender's name as signature.
//
// The controller works on plain state that a thin view (CustomsDialogView)
// shows and edits: the three cells of the form choice and the six of the
// content choice (titles, enabled flags, the selected tag), the text fields
// by their fixed names ("qty1" ... "tariff5", "weight1" ... "weight5",
// "contentTypeOtherField", "itnField", "iAgreeName"), the sender's-copy
// check box and the field that has the keyboard focus. It writes into the
// shipment it was given (the same object, no copy), and only on OK and when
// a sample form is generated; the choices and fields change only the dialog
// until then. Alerts go through the dialogs interface; the service summary,
// the end of the sheet and the sample forms through the customs services
// (QVCustomsServices.h).
//
// Keys written (model/QVShipment.h): the form type, the content type and its
// Other description, the signing name, the agreement (YES), the ITN, the item
// list (the rows with a quantity and a weight as dictionaries of texts,
// followed, while a form is chosen, by the stored items beyond the fifth,
// which the sheet does not show; removed when empty), and on OK
// the declared value and description when they are empty. User defaults:
// "printCustomsSendersCopy", "customsSendersName", "noCustomsOnFCMI".
// Main thread only.
#include "model/QVShipment.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

namespace tolvane {

// One radio cell of a choice.
struct QVCustomsCell {
    QString title;
    bool enabled = true;
};

// One text field: its text and whether the user may edit it.
struct QVCustomsField {
    QString text;
    bool enabled = true;
};

struct QVCustomsCheckBox {
    bool on = false;
    bool enabled = false;
};

class QVCustomsDialogController
{
public:
    // The fields of an item row are named by a stem and the row number
    // ("%1%2"): the stems of the field map and "weight".
    static constexpr int kRowCount = 5;

    // Reads the shipment into the dialog (initWithShipment: and the load of
    // the sheet): the ITN explanation from the resource "USPSPub613", then
    // the fields from the shipment.
    explicit QVCustomsDialogController(std::shared_ptr<QVShipment> shipment);

    std::shared_ptr<QVShipment> shipment() const { return m_shipment; }

    // ---- the tables of the dialog
    // The three form types behind cells 0, 1, 2 for the shipment's class.
    QStringList formTypes() const;
    // "Form 2976 (CN 22)", "Form 2976-A (CP 72)", "None".
    static QStringList formNames();
    // The six content types in the order of the content cells' tags.
    static QStringList contentTypes();
    // Field-name stem to item key ("qty", "value", "originCountry",
    // "description", "tariff"); the weight is handled apart.
    static const QHash<QString, QString> &fieldMap();
    // 0 for no form, else 5.
    static int rowCountForFormType(const QString &formType);

    // ---- state the view shows and edits
    QString currentFormType() const { return m_currentFormType; }
    const std::array<QVCustomsCell, 3> &formCells() const { return m_formCells; }
    int selectedFormTag() const { return m_selectedFormTag; }
    const std::array<QVCustomsCell, 6> &contentCells() const { return m_contentCells; }
    int selectedContentTag() const { return m_selectedContentTag; }
    bool contentMatrixEnabled() const { return m_contentMatrixEnabled; }
    bool clearAllEnabled() const { return m_clearAllEnabled; }
    bool bottomItemsDisclosed() const { return m_bottomItemsDisclosed; }
    const QVCustomsCheckBox &printSendersCopy() const { return m_printSendersCopy; }
    void setPrintSendersCopy(bool on) { m_printSendersCopy.on = on; }
    // The rich text (HTML) of the ITN explanation.
    QString itnAbout() const { return m_itnAbout; }
    // Every named field; an unknown name answers an empty disabled field.
    QVCustomsField field(const QString &name) const;
    // Types into a field (the view calls it as the user edits); unknown
    // names are ignored.
    void setFieldText(const QString &name, const QString &text);
    // All field names, rows first.
    static QStringList fieldNames();
    // The field that has (or is to get) the keyboard focus.
    QString firstResponder() const { return m_firstResponder; }
    void setFirstResponder(const QString &name) { m_firstResponder = name; }

    // ---- hooks of the view
    // Ends editing in the window (the view commits the field being edited);
    // false when the window refuses. Without a hook editing always ends.
    std::function<bool()> endEditingHook;
    // Called after the state changed, so that the view shows it again.
    std::function<void()> stateChangedHook;

    // ---- actions
    // The shipment's form type becomes the dialog's and the fields are read
    // from the shipment again (the main window calls it when the current
    // shipment changed).
    void currentShipmentChanged();
    void syncFieldsToShipment();
    // The user chose a form cell (-1: none).
    void changedFormType(int tag);
    // The user chose a content cell.
    void changedContentType(int tag);
    // Clear All: every item field emptied, weights 0, focus on "qty1".
    void clearCustomsInfo();
    // OK: validates, saves, checks the ITN limit, stores the defaults, fills
    // the declared value and description, re-prices and closes the sheet.
    // False when the sheet stays open.
    bool okToSetProperties();
    void showRestrictions();
    // Saves to the shipment and asks for a sample form of the generic types.
    void generateForm();
    void showInstructions() {}

    // ---- the country-of-origin combo boxes
    int numberOfItemsInComboBox() const;
    QString comboBoxObjectValueForItemAtIndex(int index) const;
    // -1 when the text is not in the list.
    int comboBoxIndexOfItemWithStringValue(const QString &text) const;
    // The completion of a typed prefix; empty when nothing matches.
    QString comboBoxCompletedString(const QString &text) const;
    // Editing of the named field ends: a country field is checked and
    // mended ("usa" becomes "United States", a known country its rate name);
    // an unknown country alerts and answers false (the focus stays).
    bool controlTextShouldEndEditing(const QString &fieldName);

    // ---- the steps of OK (public for the view and the tests)
    bool preflight();
    void saveDownToShipment();

private:
    bool endEditing();
    void changed();
    QVCustomsField &fieldRef(const QString &name);

    std::shared_ptr<QVShipment> m_shipment;
    QString m_currentFormType;
    std::array<QVCustomsCell, 3> m_formCells;
    int m_selectedFormTag = -1;
    std::array<QVCustomsCell, 6> m_contentCells;
    int m_selectedContentTag = -1;
    bool m_contentMatrixEnabled = true;
    bool m_clearAllEnabled = true;
    bool m_bottomItemsDisclosed = false;
    QVCustomsCheckBox m_printSendersCopy;
    QString m_itnAbout;
    QHash<QString, QVCustomsField> m_fields;
    QString m_firstResponder;
};

} // namespace tolvane
