#include "app/mainwindow/MasterWindow.h"

#include "app/mainwindow/MasterController.h"
#include "app/mainwindow/MasterMailpieceMenu.h"
#include "app/preferences/QVAddFavoriteSheet.h"
#include "app/preferences/QVFavorites.h"
#include "app/shell/QVMenus.h"
#include "app/shell/QVPrintingModes.h"
#include "app/preferences/QVShipmentFavorites.h"
#include "app/mainwindow/QVVCardWidgets.h"
#include "platform/ApplicationNotifications.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPreviewPanel.h"
#include "services/QVRHOCommandCenter.h"
#include "sources/QVAddressBookController.h"
#include "sources/QVAddressBookHost.h"
#include "sources/QVAddressBookPanel.h"
#include "widgets/DKActionButton.h"
#include "widgets/NamedPicture.h"
#include "widgets/QVFocusNotifyingComboBox.h"
#include "widgets/QVFocusNotifyingTextField.h"
#include "widgets/QVMeasurementFormatter.h"
#include "widgets/WidgetDialogs.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QTableView>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kAddressDrawerEdgeKey = QStringLiteral("addressDrawerEdge");
const QString kOpenAddressDrawerKey = QStringLiteral("openAddressDrawer");
// The Web Stores overlay is offered up to this "lastRun", shortly after the
// toolbar is made.
constexpr qint64 kLastRunOfferingWebStores = 359;
constexpr int kWebStoreOverlayDelayMs = 10;
const QString kStatusTemplate =
    QStringLiteral("Account <%accountNumber%> <%accountStatus%>   Balance: $<%balance%>   Printer: <%printerType%>");
constexpr int kTagRole = Qt::UserRole + 1;

// A pop-up that says when its list opens and closes.
class PopUpButton : public QComboBox
{
public:
    using QComboBox::QComboBox;
    std::function<void()> willPopUp;
    std::function<void()> didEnd;

    void showPopup() override
    {
        if (willPopUp)
            willPopUp();
        QComboBox::showPopup();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        if (didEnd)
            didEnd();
    }
};

// The weight box, which says when its list has opened.
class WeightBox : public QVFocusNotifyingComboBox
{
public:
    using QVFocusNotifyingComboBox::QVFocusNotifyingComboBox;
    std::function<void()> didPopUp;

    void showPopup() override
    {
        QVFocusNotifyingComboBox::showPopup();
        if (didPopUp)
            didPopUp();
    }
};

// The controls of the form by kind, with their outlet names and titles.
enum class Kind { PopUp, Measure, Check, Edit, Label, Button };
struct ControlEntry {
    FormControl control;
    const char *name;
    Kind kind;
    const char *title;
};

const ControlEntry kControls[] = {
    {FormControl::PieceSize, "pieceSizePopup", Kind::PopUp, "Mailpiece:"},
    {FormControl::MailClass, "shippingClass", Kind::PopUp, "Mail Class:"},
    {FormControl::Confirmation, "shippingConfirmation", Kind::PopUp, "Confirmation:"},
    {FormControl::ShipDate, "shippingDate", Kind::PopUp, "Ship Date:"},
    {FormControl::Length, "rateLength", Kind::Measure, "Length:"},
    {FormControl::Height, "rateHeight", Kind::Measure, "Height:"},
    {FormControl::Thickness, "rateThickness", Kind::Measure, "Thickness:"},
    {FormControl::Nonrectangular, "rateNonrectangular", Kind::Check, "Nonrectangular"},
    {FormControl::Nonmachinable, "rateNonmachinable", Kind::Check, "Nonmachinable"},
    {FormControl::UseRetailRate, "rateUseRetailRate", Kind::Check, "Use retail rates"},
    {FormControl::HoldForPickup, "holdForPickupCheckbox", Kind::Check, "Hold for Pickup"},
    // The box fills the signature-required option of the Express options.
    {FormControl::ExpressWaiverOfSignature, "expressWaiverOfSignatureCheckbox", Kind::Check, "Signature Required"},
    {FormControl::ExpressSaturday, "expressSaturdayCheckbox", Kind::Check, "Saturday Delivery"},
    {FormControl::ExpressSunday, "expressSundayCheckbox", Kind::Check, "Sunday Delivery"},
    {FormControl::ExpressHoliday, "expressHolidayCheckbox", Kind::Check, "Holiday Delivery"},
    {FormControl::ExpressAMDelivery, "expressAMDeliveryCheckbox", Kind::Check, "10:30 AM Delivery"},
    {FormControl::ReplyPostage, "replyPostageButton", Kind::Check, "Reply Postage"},
    {FormControl::UseInsurance, "useInsurance", Kind::Check, "Insurance"},
    {FormControl::Value, "shipmentValue", Kind::Edit, "Value:"},
    {FormControl::Description, "shipmentDescription", Kind::Edit, "Description:"},
    {FormControl::ReferenceID, "shipmentReferenceID", Kind::Edit, "Reference:"},
    {FormControl::ToEmail, "toEmail", Kind::Edit, "E-mail:"},
    {FormControl::ToPhone, "toPhone", Kind::Edit, "Phone:"},
    {FormControl::MailingFromZIP, "mailingFromZIP", Kind::Edit, "Mailing from ZIP:"},
    {FormControl::RateZone, "rateZone", Kind::Label, "Zone:"},
    {FormControl::RateConfirmation, "rateConfirmation", Kind::Label, "Services:"},
    {FormControl::RateEstimated, "rateEstimated", Kind::Label, "Estimated delivery:"},
    {FormControl::CustomsSummary, "customsSummary", Kind::Label, "Customs:"},
    {FormControl::ToPhoneLabel, "toPhoneLabel", Kind::Label, nullptr},
    {FormControl::IntlViewTitle, "intlViewTitle", Kind::Label, nullptr},
    {FormControl::LastConfNumber, "lastConfNumber", Kind::Label, "Last number:"},
    {FormControl::ScaleStatus, "scaleStatusTextField", Kind::Label, nullptr},
    {FormControl::CustomsFormButton, "customsFormButton", Kind::Button, "Customs Form…"},
    {FormControl::InsuranceAbout, "insuranceAboutTextField", Kind::Label, nullptr},
    {FormControl::VerifyButton, "verifyButton", Kind::Button, "Verify"},
    {FormControl::MainPDFButton, "mainPDFButton", Kind::Button, "PDF"},
    {FormControl::ToAddressStatus, "toAddressStatus", Kind::Label, nullptr},
    {FormControl::FromDisplay, "fromDisplayText", Kind::Label, nullptr},
    {FormControl::FromPopup, "fromPopup", Kind::PopUp, "From:"},
    {FormControl::StatusTextLine, "statusTextLine", Kind::Label, nullptr},
    {FormControl::MainPrintButton, "mainPrintButton", Kind::Button, "Print"},
    {FormControl::PreviewPrinterSummary, "previewPrinterSummary", Kind::Label, nullptr},
    {FormControl::PreviewPrinterOptions, "previewPrinterOptions", Kind::PopUp, nullptr},
    {FormControl::RatePostage, "ratePostage", Kind::Label, "Postage:"},
    {FormControl::RateSavings, "rateSavings", Kind::Label, "Savings:"},
    {FormControl::RateTotalPostage, "rateTotalPostage", Kind::Label, "Total:"},
    {FormControl::TolvaneBalance, "tolvaneBalance", Kind::Label, "Balance:"},
    {FormControl::TolvaneEndingBalance, "tolvaneEndingBalance", Kind::Label, "After printing:"},
    {FormControl::PreviewCurrentBalance, "previewCurrentBalance", Kind::Label, "Current balance:"},
    {FormControl::PreviewPostageDebitAmount, "previewPostageDebitAmount", Kind::Label, "Postage:"},
    {FormControl::PreviewEndingBalance, "previewEndingBalance", Kind::Label, "Ending balance:"},
    {FormControl::PostageState, "postageStateField", Kind::Label, nullptr},
};

const ControlEntry *specOf(FormControl control)
{
    for (const ControlEntry &entry : kControls)
        if (entry.control == control)
            return &entry;
    return nullptr;
}

const std::pair<FormControl, const char *> kDisclosables[] = {
    {FormControl::StatusTextView, "statusTextDisclosableView"},
    {FormControl::OptionalView, "optionalDisclosableView"},
    {FormControl::ExpressView, "expressDisclosableView"},
    {FormControl::IntlView, "intlDisclosableView"},
};

void setTextIfChanged(QLineEdit *edit, const QString &text)
{
    if (edit->text() != text)
        edit->setText(text);
}

// The pop-up's items from the menu: separators, disabled items, tags.
void fillPopUp(QComboBox *box, const FormMenu &menu)
{
    auto *model = new QStandardItemModel(box);
    for (const FormMenuItem &item : menu.items) {
        auto *row = new QStandardItem(item.title);
        if (item.separator) {
            row->setData(QStringLiteral("separator"), Qt::AccessibleDescriptionRole);
            row->setFlags(Qt::NoItemFlags);
        } else {
            row->setData(QVariant::fromValue(item.tag), kTagRole);
            row->setFlags(item.enabled ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
        }
        model->appendRow(row);
    }
    // The combo box deletes the model it owned before.
    box->setModel(model);
}

// A label whose text never widens the window: a text longer than the room
// the layout gives is broken anywhere (a label number has no blanks) onto
// further lines, so the whole number stays readable.
class WrappingLabel : public QLabel
{
public:
    explicit WrappingLabel(QWidget *parent) : QLabel(parent)
    {
        QSizePolicy policy = sizePolicy();
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }
    QSize minimumSizeHint() const override
    {
        return {fontMetrics().horizontalAdvance(QStringLiteral("0000")), fontMetrics().height()};
    }
    QSize sizeHint() const override { return {minimumSizeHint().width(), heightForWidth(width())}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override
    {
        const QMargins margins = contentsMargins();
        const int room = std::max(1, width - margins.left() - margins.right());
        const int lines = fontMetrics().boundingRect(QRect(0, 0, room, 1 << 20), flags(), text()).height();
        return std::max(lines, m_reservedLines * fontMetrics().lineSpacing()) + margins.top() + margins.bottom();
    }
    // The label keeps room for this many lines whatever its text, so that a
    // text of up to as many lines changes nothing around it.
    void setReservedLines(int lines) { m_reservedLines = lines; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
        painter.drawText(contentsRect(), flags(), text());
    }

public:
    // The row grows to the lines the text needs at the label's width.
    void fitHeight()
    {
        const int height = heightForWidth(width());
        if (minimumHeight() != height)
            setMinimumHeight(height);
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        fitHeight();
    }

private:
    int flags() const { return int(alignment()) | Qt::TextWrapAnywhere; }
    int m_reservedLines = 1;
};

// The label's text drawn with the alpha (1 opaque, 0 gone).
void showWithAlpha(QLabel *label, double alpha)
{
    QPalette palette = label->palette();
    QColor color = QApplication::palette(label).color(QPalette::WindowText);
    color.setAlphaF(float(alpha));
    if (palette.color(QPalette::WindowText) == color)
        return;
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

bool sameMenu(const FormMenu &a, const FormMenu &b)
{
    if (a.items.size() != b.items.size())
        return false;
    for (qsizetype i = 0; i < a.items.size(); ++i) {
        const FormMenuItem &x = a.items.at(i);
        const FormMenuItem &y = b.items.at(i);
        if (x.tag != y.tag || x.title != y.title || x.enabled != y.enabled || x.separator != y.separator)
            return false;
    }
    return true;
}

QGroupBox *group(const QString &title, QWidget *parent)
{
    auto *box = new QGroupBox(title, parent);
    box->setLayout(new QGridLayout);
    return box;
}

// The application's window: the drawer's host passes the drawer's choices
// to the controller.
class WindowAddressBookHost : public QVAddressBookHost
{
public:
    explicit WindowAddressBookHost(MasterController &controller) : m_controller(controller) {}
    bool inBatchMode() override { return m_controller.inBatchMode(); }
    void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone,
                                     const QString &description, const QString &referenceID, bool focus) override
    {
        m_controller.newPackageWithAddressString(address, email, phone, description, referenceID, focus);
    }
    void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone,
                                     bool focus) override
    {
        m_controller.newPackageWithAddressString(address, email, phone, std::nullopt, std::nullopt, focus);
    }
    void enterBatchPrintWithAddresses(const QList<QVAddress> &addresses) override
    {
        m_controller.enterBatchPrintWithAddresses(addresses);
    }

private:
    MasterController &m_controller;
};

// The return-address sheet (add or edit) over the controller's sheet
// state: what the controller holds is shown (load), what is typed goes back
// before each button's operation (store).
class ReturnAddressSheetDialog : public QDialog
{
public:
    ReturnAddressSheetDialog(MasterController &controller, std::function<void()> changed, QWidget *parent)
        : QDialog(parent), m_controller(controller), m_changed(std::move(changed))
    {
        setObjectName(QStringLiteral("addFromPanel"));
        setWindowTitle(QStringLiteral("Return Address"));
        m_warning = new QLabel(QStringLiteral("This is the address of your Tolvane account. Only its phone number "
                                              "can be changed here."),
                               this);
        m_warning->setObjectName(QStringLiteral("addFromTolvaneAccountWarning"));
        m_warning->setWordWrap(true);
        m_box = new QVFromAddressBox(this);
        m_box->setObjectName(QStringLiteral("addFromAddressBox"));
        m_box->setTitle(QStringLiteral("Drop a vCard here"));
        auto *fields = new QFormLayout(m_box);
        const struct {
            FormField ReturnAddressSheet::*field;
            const char *name;
            const char *focusName;
            const char *title;
        } entries[] = {
            {&ReturnAddressSheet::nickname, "addFromNickname", "nickname", "Nickname:"},
            {&ReturnAddressSheet::name, "addFromName", "name", "Name:"},
            {&ReturnAddressSheet::company, "addFromCompany", "company", "Company:"},
            {&ReturnAddressSheet::suiteApt, "addFromSuiteApt", "suiteApt", "Suite/Apt:"},
            {&ReturnAddressSheet::street, "addFromStreet", "street", "Street:"},
            {&ReturnAddressSheet::city, "addFromCity", "city", "City:"},
            {&ReturnAddressSheet::state, "addFromState", "state", "State:"},
            {&ReturnAddressSheet::zip, "addFromZIP", "zip", "ZIP:"},
            {&ReturnAddressSheet::phone, "addFromPhone", "phone", "Phone:"},
        };
        for (const auto &entry : entries) {
            auto *edit = new QLineEdit(m_box);
            edit->setObjectName(QString::fromLatin1(entry.name));
            fields->addRow(QString::fromLatin1(entry.title), edit);
            m_fields.push_back({entry.field, QString::fromLatin1(entry.focusName), edit});
        }
        m_well = new QLabel(this);
        m_well->setObjectName(QStringLiteral("addFromImageWell"));
        m_well->setFixedSize(96, 96);
        m_well->setAlignment(Qt::AlignCenter);
        m_well->setFrameShape(QFrame::StyledPanel);
        auto *choose = new QPushButton(QStringLiteral("Choose…"), this);
        choose->setObjectName(QStringLiteral("addFromChooseImageButton"));
        m_none = new QPushButton(QStringLiteral("None"), this);
        m_none->setObjectName(QStringLiteral("addFromNoneImageButton"));
        m_standardize = new QPushButton(QStringLiteral("Standardize"), this);
        m_standardize->setObjectName(QStringLiteral("addFromStandardizeButton"));
        m_progress = new QProgressBar(this);
        m_progress->setObjectName(QStringLiteral("addFromProgress"));
        m_progress->setRange(0, 0);
        m_progress->setTextVisible(false);
        m_progress->setMaximumSize(40, 12);
        auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
        m_ok = new QPushButton(QStringLiteral("OK"), this);
        m_ok->setObjectName(QStringLiteral("addFromOKButton"));
        m_ok->setDefault(true);

        auto *picture = new QVBoxLayout;
        picture->addWidget(m_well);
        picture->addWidget(choose);
        picture->addWidget(m_none);
        picture->addStretch(1);
        auto *middle = new QHBoxLayout;
        middle->addWidget(m_box, 1);
        middle->addLayout(picture);
        auto *buttons = new QHBoxLayout;
        buttons->addWidget(m_standardize);
        buttons->addWidget(m_progress);
        buttons->addStretch(1);
        buttons->addWidget(cancel);
        buttons->addWidget(m_ok);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(m_warning);
        layout->addLayout(middle);
        layout->addLayout(buttons);

        connect(m_ok, &QPushButton::clicked, this, [this] {
            store();
            if (m_controller.okFromAddressSheet()) {
                m_changed();
                accept();
            } else {
                load();
            }
        });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(m_standardize, &QPushButton::clicked, this,
                [this] { run([this] { m_controller.standardizeFromAddress(); }); });
        connect(choose, &QPushButton::clicked, this,
                [this] { run([this] { m_controller.addFromBrowseForImages(); }); });
        connect(m_none, &QPushButton::clicked, this, [this] { run([this] { m_controller.addFromClearImage(); }); });
        load();
    }

    // The controller's sheet state to the widgets.
    void load()
    {
        const ReturnAddressSheet &sheet = m_controller.returnAddressSheet();
        m_warning->setVisible(sheet.warningShown);
        for (const FieldEntry &entry : m_fields) {
            const FormField &field = sheet.*entry.field;
            if (entry.edit->text() != field.text)
                entry.edit->setText(field.text);
            entry.edit->setEnabled(field.enabled);
            entry.edit->setReadOnly(!field.enabled);
            if (sheet.focus == entry.focusName)
                entry.edit->setFocus();
        }
        m_well->setPixmap(sheet.image.isNull() ? QPixmap()
                                               : QPixmap::fromImage(sheet.image.scaled(
                                                     m_well->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        m_none->setEnabled(sheet.noneEnabled);
        m_standardize->setEnabled(sheet.standardizeEnabled);
        m_box->setAllowDrags(sheet.acceptsDrags);
        m_progress->setVisible(sheet.progressRunning);
        adjustSize();
    }
    // What is typed to the controller's sheet state.
    void store()
    {
        ReturnAddressSheet &sheet = m_controller.returnAddressSheet();
        for (const FieldEntry &entry : m_fields)
            (sheet.*entry.field).text = entry.edit->text();
    }

    void reject() override
    {
        if (m_controller.returnAddressSheetIsOpen()) {
            m_controller.cancelAddFromAddressSheet();
            m_changed();
        }
        QDialog::reject();
    }

private:
    struct FieldEntry {
        FormField ReturnAddressSheet::*field;
        QString focusName;
        QLineEdit *edit;
    };
    void run(const std::function<void()> &operation)
    {
        store();
        operation();
        load();
    }

    MasterController &m_controller;
    std::function<void()> m_changed;
    QLabel *m_warning = nullptr;
    QVFromAddressBox *m_box = nullptr;
    std::vector<FieldEntry> m_fields;
    QLabel *m_well = nullptr;
    QPushButton *m_none = nullptr;
    QPushButton *m_standardize = nullptr;
    QPushButton *m_ok = nullptr;
    QProgressBar *m_progress = nullptr;
};

} // namespace

// ---- Construction ------------------------------------------------------------------

MasterWindow::MasterWindow(MasterController &controller, MasterWindowEnvironment environment, QWidget *parent)
    : QMainWindow(parent), m_controller(controller), m_env(std::move(environment)), m_toolbarModel(m_env.stampsEdition)
{
    build();
    m_controller.setView(this);
    refresh();
}

MasterWindow::MasterWindow(MasterControllerEnvironment controllerEnvironment, MasterWindowEnvironment environment,
                           QWidget *parent)
    : QMainWindow(parent), m_ownedController(std::make_unique<MasterController>(std::move(controllerEnvironment))),
      m_controller(*m_ownedController), m_env(std::move(environment)), m_toolbarModel(m_env.stampsEdition)
{
    build();
    // The layout's status line holds the template the controller fills.
    m_controller.form().setText(FormControl::StatusTextLine, kStatusTemplate);
    m_controller.setView(this);
    m_controller.hooks().deselectAddressBookTable = [this] {
        if (m_addressPanel)
            m_addressPanel->tableView()->clearSelection();
    };
    // After a batch: the last of the selected rows alone, so that its
    // address is the window's again.
    m_controller.hooks().reselectLastAddressBookRow = [this] {
        if (!m_addressBook)
            return;
        const QList<qsizetype> rows = m_addressBook->selectedRows();
        if (!rows.isEmpty())
            m_addressBook->selectRow(rows.last());
    };
    m_controller.awakeFromNib();
    // The drawer's choices go to this window's controller.
    std::weak_ptr<int> alive = m_alive;
    setAddressBookHostProvider([this, alive]() -> std::shared_ptr<QVAddressBookHost> {
        if (alive.expired())
            return nullptr;
        return std::make_shared<WindowAddressBookHost>(m_controller);
    });
    refresh();
}

// Colours the destination box's marked ranges red, without touching its
// text (extra selections); ranges beyond the text shown are cut to it.
static void markRanges(QTextEdit *view, const QList<MasterTextRange> &ranges)
{
    QList<QTextEdit::ExtraSelection> marks;
    const int end = std::max(0, view->document()->characterCount() - 1);
    for (const MasterTextRange &range : ranges) {
        const int from = int(std::min<qsizetype>(range.start, end));
        const int to = int(std::min<qsizetype>(range.start + range.length, end));
        if (to <= from)
            continue;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(view->document());
        mark.cursor.setPosition(from);
        mark.cursor.setPosition(to, QTextCursor::KeepAnchor);
        mark.format.setForeground(Qt::red);
        marks.append(mark);
    }
    view->setExtraSelections(marks);
}

MasterWindow::~MasterWindow()
{
    // A field losing the focus now writes nothing.
    m_refreshing = true;
    if (QWidget *focus = QApplication::focusWidget(); focus && isAncestorOf(focus))
        focus->clearFocus();
    if (m_ownedController)
        setAddressBookHostProvider({});
    m_controller.setView(nullptr);
    m_observers.clear();
    // The children go after this object's members: none of their last
    // signals (a field losing the focus) may reach it.
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
    // A pop-up whose list is open closes it while the children are hidden,
    // after this object is gone: its callbacks must not reach it.
    for (QComboBox *combo : findChildren<QComboBox *>()) {
        if (auto *box = dynamic_cast<PopUpButton *>(combo)) {
            box->willPopUp = nullptr;
            box->didEnd = nullptr;
        }
        if (auto *box = dynamic_cast<WeightBox *>(combo))
            box->didPopUp = nullptr;
    }
    m_dragView->setDoubleClickAction({});
    m_dragView->setContextActions({});
    // The drawer's panel works on the address book this object owns: it
    // goes first.
    delete m_drawer;
    m_drawer = nullptr;
    m_addressPanel = nullptr;
}

void MasterWindow::build()
{
    setObjectName(QStringLiteral("MasterWindow"));
    setWindowTitle(QStringLiteral("Tolvane"));
    buildForm();
    buildToolbar();
    buildDrawer();
    connectControls();
    observe();
    setupFavoritesMenu();
}

QWidget *MasterWindow::widget(FormControl control) const
{
    const auto found = m_widgets.find(control);
    return found == m_widgets.end() ? nullptr : found->second.data();
}

void MasterWindow::buildForm()
{
    auto *form = new QWidget(this);
    form->setObjectName(QStringLiteral("MasterControl"));
    setCentralWidget(form);

    for (const ControlEntry &entry : kControls) {
        QWidget *widget = nullptr;
        switch (entry.kind) {
        case Kind::PopUp: {
            auto *box = new PopUpButton(form);
            if (entry.control == FormControl::PieceSize) {
                box->setItemDelegate(new MailpieceMenuDelegate(box));
                box->willPopUp = [this] { mailpieceMenuWillPop(); };
                box->didEnd = [this] { mailpieceMenuDidEnd(); };
            } else if (entry.control == FormControl::FromPopup) {
                box->willPopUp = [this] { validateReturnAddressItems(); };
            } else if (entry.control == FormControl::MailClass) {
                box->willPopUp = [this] {
                    m_controller.mailClassWillPopup();
                    refreshPopUp(FormControl::MailClass);
                };
                box->didEnd = [this] {
                    m_controller.mailClassMenuWillEnd();
                    refreshPopUp(FormControl::MailClass);
                };
            }
            widget = box;
            break;
        }
        case Kind::Measure: {
            auto *field = new QVFocusNotifyingTextField(form);
            field->setValidator(new QVMeasurementFormatter(field));
            field->setMaximumWidth(80);
            widget = field;
            break;
        }
        case Kind::Check:
            widget = new QCheckBox(QString::fromUtf8(entry.title), form);
            break;
        case Kind::Edit:
            widget = new QVFocusNotifyingTextField(form);
            break;
        case Kind::Label: {
            auto *label = entry.control == FormControl::LastConfNumber ? new WrappingLabel(form) : new QLabel(form);
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            widget = label;
            break;
        }
        case Kind::Button:
            widget = new QPushButton(QString::fromUtf8(entry.title), form);
            break;
        }
        widget->setObjectName(QString::fromLatin1(entry.name));
        m_widgets[entry.control] = widget;
    }
    // The PDF button offers the preview's PDF outputs.
    if (auto *pdf = qobject_cast<QPushButton *>(widget(FormControl::MainPDFButton))) {
        auto *outputs = new QMenu(pdf);
        const std::pair<const char *, int> items[] = {{"Open PDF", tolvane::QVPreviewOutputOpen},
                                                      {"Save PDF…", tolvane::QVPreviewOutputSave},
                                                      {"Email PDF…", tolvane::QVPreviewOutputEmail}};
        for (const auto &[title, output] : items)
            connect(outputs->addAction(QString::fromUtf8(title)), &QAction::triggered, this,
                    [this, output = output] { runPDFLabel(output); });
        pdf->setMenu(outputs);
    }
    auto *weight = new WeightBox(form);
    weight->setObjectName(QStringLiteral("rateWeight"));
    // A long list opens with the chosen weight a few rows below its top.
    weight->didPopUp = [this, weight] {
        if (const std::optional<qsizetype> top = m_controller.weightListScrollIndex())
            weight->view()->scrollTo(weight->model()->index(int(*top), weight->modelColumn()),
                                     QAbstractItemView::PositionAtTop);
    };
    weight->setEditable(true);
    weight->setInsertPolicy(QComboBox::NoInsert);
    m_widgets[FormControl::Weight] = weight;
    auto *spinner = new QProgressBar(form);
    spinner->setObjectName(QStringLiteral("serviceStandardsSpinner"));
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setMaximumSize(40, 12);
    m_widgets[FormControl::ServiceStandardsSpinner] = spinner;
    m_toAddress = new QVAddressTextView(form);
    m_toAddress->setObjectName(QStringLiteral("toTextBoxEntry"));
    m_toAddress->setMinimumSize(260, 110);
    m_widgets[FormControl::ToAddress] = m_toAddress;
    m_dragView = new QVVCardDragSourceView(form);
    m_dragView->setObjectName(QStringLiteral("dragView"));
    m_dragView->setFixedSize(40, 40);
    m_dragView->setToolTip(QStringLiteral("Drag this card to save the address as a vCard"));
    m_widgets[FormControl::DragView] = m_dragView;

    const auto w = [this](FormControl control) { return widget(control); };
    const auto title = [form](FormControl control) {
        const ControlEntry *entry = specOf(control);
        return new QLabel(entry && entry->title ? QString::fromUtf8(entry->title) : QString(), form);
    };
    // Rows of a grid: a title and its control.
    const auto addRows = [&](QGroupBox *box, std::initializer_list<FormControl> controls) {
        auto *grid = static_cast<QGridLayout *>(box->layout());
        for (FormControl control : controls) {
            const int row = grid->rowCount();
            const ControlEntry *entry = specOf(control);
            if (entry && (entry->kind == Kind::Check || entry->kind == Kind::Button || !entry->title)) {
                grid->addWidget(w(control), row, 0, 1, 2);
            } else {
                grid->addWidget(title(control), row, 0, Qt::AlignRight);
                grid->addWidget(w(control), row, 1);
            }
        }
    };

    // Addresses.
    auto *toBox = group(QStringLiteral("To"), form);
    auto *toGrid = static_cast<QGridLayout *>(toBox->layout());
    toGrid->addWidget(m_toAddress, 0, 0, 1, 2);
    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(m_dragView);
    statusRow->addWidget(w(FormControl::ToAddressStatus), 1);
    statusRow->addWidget(w(FormControl::VerifyButton));
    toGrid->addLayout(statusRow, 1, 0, 1, 2);
    addRows(toBox, {FormControl::ToEmail, FormControl::ToPhone, FormControl::ToPhoneLabel});

    m_fromBox = new QVFromAddressBox(form);
    m_fromBox->setObjectName(QStringLiteral("fromAddressBox"));
    m_fromBox->setTitle(QStringLiteral("From"));
    auto *fromLayout = new QVBoxLayout(m_fromBox);
    fromLayout->addWidget(w(FormControl::FromPopup));
    fromLayout->addWidget(w(FormControl::FromDisplay));
    static_cast<QLabel *>(w(FormControl::FromDisplay))->setMinimumHeight(60);
    static_cast<QLabel *>(w(FormControl::FromDisplay))->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The piece.
    auto *pieceBox = group(QStringLiteral("Mailpiece"), form);
    auto *pieceGrid = static_cast<QGridLayout *>(pieceBox->layout());
    m_favoritesButton = new DKActionButton(form);
    m_favoritesButton->setObjectName(QStringLiteral("favoritesButton"));
    m_favoritesButton->setToolTip(QStringLiteral("Favorites"));
    pieceGrid->addWidget(new QLabel(QStringLiteral("Favorites:"), form), 0, 0, Qt::AlignRight);
    pieceGrid->addWidget(m_favoritesButton, 0, 1, Qt::AlignLeft);
    addRows(pieceBox, {FormControl::PieceSize, FormControl::MailClass});
    int row = pieceGrid->rowCount();
    pieceGrid->addWidget(new QLabel(QStringLiteral("Weight:"), form), row, 0, Qt::AlignRight);
    pieceGrid->addWidget(weight, row, 1);
    auto *dimensions = new QHBoxLayout;
    for (FormControl control : {FormControl::Length, FormControl::Height, FormControl::Thickness}) {
        dimensions->addWidget(title(control));
        dimensions->addWidget(w(control));
    }
    row = pieceGrid->rowCount();
    pieceGrid->addLayout(dimensions, row, 0, 1, 2);
    addRows(pieceBox,
            {FormControl::Nonrectangular, FormControl::Nonmachinable, FormControl::UseRetailRate, FormControl::ShipDate,
             FormControl::Confirmation, FormControl::HoldForPickup});

    // The disclosable sections.
    QHash<FormControl, QGroupBox *> sections;
    for (const auto &[control, name] : kDisclosables) {
        auto *section = group(QString(), form);
        section->setObjectName(QString::fromLatin1(name));
        m_widgets[control] = section;
        sections.insert(control, section);
    }
    sections[FormControl::ExpressView]->setTitle(QStringLiteral("Express Mail Options"));
    addRows(sections[FormControl::ExpressView],
            {FormControl::ExpressWaiverOfSignature, FormControl::ExpressSaturday, FormControl::ExpressSunday,
             FormControl::ExpressHoliday, FormControl::ExpressAMDelivery});
    sections[FormControl::IntlView]->setTitle(QStringLiteral("International"));
    addRows(sections[FormControl::IntlView],
            {FormControl::IntlViewTitle, FormControl::CustomsSummary, FormControl::CustomsFormButton});
    sections[FormControl::OptionalView]->setTitle(QStringLiteral("Options"));
    addRows(sections[FormControl::OptionalView],
            {FormControl::UseInsurance, FormControl::InsuranceAbout, FormControl::Value, FormControl::Description,
             FormControl::ReferenceID, FormControl::ReplyPostage, FormControl::MailingFromZIP});
    addRows(sections[FormControl::StatusTextView], {FormControl::StatusTextLine});

    // Postage and printing.
    auto *postageBox = group(QStringLiteral("Postage"), form);
    addRows(postageBox,
            {FormControl::PostageState, FormControl::RatePostage, FormControl::RateSavings,
             FormControl::RateTotalPostage, FormControl::RateZone, FormControl::RateConfirmation});
    auto *postageGrid = static_cast<QGridLayout *>(postageBox->layout());
    row = postageGrid->rowCount();
    postageGrid->addWidget(title(FormControl::RateEstimated), row, 0, Qt::AlignRight);
    auto *estimate = new QHBoxLayout;
    estimate->addWidget(w(FormControl::RateEstimated), 1);
    estimate->addWidget(spinner);
    postageGrid->addLayout(estimate, row, 1);
    addRows(postageBox, {FormControl::TolvaneBalance, FormControl::TolvaneEndingBalance});
    // The last label number has the box's whole width, under its title, with
    // room for two lines: a label number (up to 34 digits) shows whole there
    // and the window keeps its size when one is shown.
    row = postageGrid->rowCount();
    postageGrid->addWidget(title(FormControl::LastConfNumber), row, 0, 1, 2, Qt::AlignLeft);
    auto *lastNumber = static_cast<WrappingLabel *>(w(FormControl::LastConfNumber));
    lastNumber->setReservedLines(2);
    lastNumber->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    postageGrid->addWidget(lastNumber, row + 1, 0, 1, 2);
    addRows(postageBox, {FormControl::ScaleStatus});

    auto *printBox = group(QStringLiteral("Print"), form);
    addRows(printBox,
            {FormControl::PreviewPrinterSummary, FormControl::PreviewPrinterOptions, FormControl::PreviewCurrentBalance,
             FormControl::PreviewPostageDebitAmount, FormControl::PreviewEndingBalance, FormControl::MainPDFButton,
             FormControl::MainPrintButton});
    static_cast<QLabel *>(w(FormControl::InsuranceAbout))->setWordWrap(true);
    static_cast<QPushButton *>(w(FormControl::MainPrintButton))->setDefault(true);

    auto *left = new QVBoxLayout;
    left->addWidget(toBox);
    left->addWidget(m_fromBox);
    left->addWidget(sections[FormControl::IntlView]);
    left->addStretch(1);
    auto *middle = new QVBoxLayout;
    middle->addWidget(pieceBox);
    middle->addWidget(sections[FormControl::ExpressView]);
    middle->addWidget(sections[FormControl::OptionalView]);
    middle->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(postageBox);
    right->addWidget(printBox);
    right->addStretch(1);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(middle, 3);
    columns->addLayout(right, 3);
    auto *outer = new QVBoxLayout(form);
    outer->addLayout(columns, 1);
    outer->addWidget(sections[FormControl::StatusTextView]);
}

void MasterWindow::buildToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(m_toolbarModel.identifier());
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(32, 32));
    m_toolbar->setMovable(false);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    m_toolbarModel.loadConfiguration(defaults);
    const QVariant lastRun = defaults.objectForKey(QStringLiteral("lastRun"));
    if (m_toolbarModel.addWebStoreItemForLastRun(lastRun.isValid() ? std::optional<qint64>(lastRun.toLongLong())
                                                                   : std::nullopt))
        m_toolbarModel.saveConfiguration(defaults);
    if (m_toolbarModel.allowsUserCustomization()) {
        m_toolbar->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(m_toolbar, &QToolBar::customContextMenuRequested, this, [this](const QPoint &position) {
            QMenu menu(m_toolbar);
            menu.addAction(QStringLiteral("Customize Toolbar…"), this, [this] { customizeToolbar(); });
            menu.exec(m_toolbar->mapToGlobal(position));
        });
    } else {
        m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    }
    rebuildToolbar();
    // Users of early versions are shown the Web Stores overlay below its item.
    if (!m_toolbarModel.stampsEdition() && lastRun.isValid() && lastRun.toLongLong() <= kLastRunOfferingWebStores) {
        std::weak_ptr<int> alive = m_alive;
        QTimer::singleShot(kWebStoreOverlayDelayMs, this, [this, alive] {
            if (!alive.expired())
                showWebStoreOverlay();
        });
    }
    // The stamp window's mode is known once the event loop runs.
    if (m_toolbarModel.stampsEdition() && m_env.stampMode)
        QTimer::singleShot(0, this, [this] { updateQuickStamps(m_env.stampMode()); });
}

void MasterWindow::showWebStoreOverlay()
{
    if (!m_env.showWebStoreOverlay)
        return;
    QAction *item = m_toolbarActions.value(ToolbarItem::WebStore);
    QWidget *view = item ? m_toolbar->widgetForAction(item) : nullptr;
    if (!view || !view->isVisible())
        return;
    m_env.showWebStoreOverlay(QRectF(QPointF(view->mapToGlobal(QPoint(0, 0))), QSizeF(view->size())));
}

void MasterWindow::rebuildToolbar()
{
    m_toolbar->clear();
    qDeleteAll(m_toolbarActions);
    m_toolbarActions.clear();
    for (const QString &identifier : m_toolbarModel.items()) {
        if (identifier == ToolbarItem::Separator) {
            m_toolbar->addSeparator();
            continue;
        }
        if (identifier == ToolbarItem::FlexibleSpace || identifier == ToolbarItem::Space) {
            auto *space = new QWidget(m_toolbar);
            if (identifier == ToolbarItem::FlexibleSpace)
                space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            else
                space->setFixedWidth(16);
            m_toolbar->addWidget(space);
            continue;
        }
        const std::optional<ToolbarItemEntry> entry = m_toolbarModel.itemForIdentifier(identifier);
        if (!entry)
            continue;
        auto *action = new QAction(namedPictureIcon(entry->imageName), entry->label, this);
        action->setObjectName(identifier);
        action->setToolTip(entry->toolTip);
        action->setCheckable(m_toolbarModel.selectableItemIdentifiers().contains(identifier));
        action->setChecked(identifier == m_toolbarModel.selectedItem());
        connect(action, &QAction::triggered, this, [this, item = *entry] { performToolbarItem(item); });
        m_toolbar->addAction(action);
        if (entry->isButtonView)
            if (auto *button = qobject_cast<QToolButton *>(m_toolbar->widgetForAction(action)))
                button->setAutoRaise(true);
        m_toolbarActions.insert(identifier, action);
    }
    updateModeItem();
    validateToolbarItems();
}

void MasterWindow::validateToolbarItems(const std::optional<QString> &printingMode)
{
    ToolbarValidationState state;
    const QString mode = printingMode ? *printingMode : m_env.printingMode ? m_env.printingMode() : QString();
    state.standardPrintingMode = mode.isEmpty() || mode == QVStandardPrintingMode;
    state.scaleType = m_env.scaleType ? m_env.scaleType() : 0;
    for (auto it = m_toolbarActions.cbegin(); it != m_toolbarActions.cend(); ++it)
        it.value()->setEnabled(MasterToolbar::validateItem(it.key(), state));
}

void MasterWindow::updateModeItem(const std::optional<QString> &printingMode)
{
    QAction *mode = m_toolbarActions.value(ToolbarItem::TessaroMode);
    if (!mode)
        return;
    const QString current = printingMode ? *printingMode
        : m_env.printingMode             ? m_env.printingMode()
                                         : QVStandardPrintingMode;
    if (const std::optional<MasterToolbar::ModeLook> look =
            MasterToolbar::modeLookForMode(current.isEmpty() ? QVStandardPrintingMode : current)) {
        mode->setIcon(namedPictureIcon(look->imageName));
        mode->setText(look->label);
    }
}

void MasterWindow::performToolbarItem(const ToolbarItemEntry &item)
{
    commitEditing();
    if (item.target == ToolbarTarget::Controller) {
        if (item.action == QLatin1String("newPackage:"))
            m_controller.newPackage();
        else if (item.action == QLatin1String("toggleAddressDrawer:"))
            toggleAddressDrawer();
        refresh();
        return;
    }
    if (item.target == ToolbarTarget::StampWindow && m_env.stampWindowAction) {
        m_env.stampWindowAction(item.action);
        return;
    }
    if (m_env.actions)
        m_env.actions->perform(item.action);
}

void MasterWindow::updateQuickStamps(int stampMode)
{
    if (!m_toolbarModel.stampsEdition())
        return;
    const QStringList before = m_toolbarModel.items();
    m_toolbarModel.enableQuickStamps(stampMode);
    if (m_toolbarModel.items() != before) {
        rebuildToolbar();
        return;
    }
    for (auto it = m_toolbarActions.cbegin(); it != m_toolbarActions.cend(); ++it)
        if (it.value()->isCheckable())
            it.value()->setChecked(it.key() == m_toolbarModel.selectedItem());
}

bool MasterWindow::importAddressFile() { return m_addressBook && m_addressBook->importFile(); }

void MasterWindow::runPDFLabel(int output)
{
    commitEditing();
    QVMenuItem sender;
    sender.action = QStringLiteral("runPDFLabel:");
    sender.tag = output;
    if (m_env.actions && m_env.actions->canPerform(sender.action))
        m_env.actions->perform(sender);
    else
        m_controller.runPDFLabel(output);
}

void MasterWindow::printTheLabel()
{
    if (m_env.actions && m_env.actions->canPerform(QStringLiteral("printTheLabel:")))
        m_env.actions->perform(QStringLiteral("printTheLabel:"));
    else
        m_controller.printTheLabel();
}

// ---- Favorites ---------------------------------------------------------------------------

QMenu *MasterWindow::favoritesMenu() const { return m_favoritesButton->menu(); }

QVAddFavoriteSheet *MasterWindow::addFavoriteSheet() const { return m_favoriteSheet; }

void MasterWindow::setupFavoritesMenu()
{
    QMenu *old = m_favoritesButton->menu();
    auto *menu = new QMenu(m_favoritesButton);
    menu->setObjectName(QStringLiteral("favoritesMenu"));
    const QList<QVMenuItem> items = QVFavorites::menuItems(QVShipmentFavorites::allFavorites());
    // The first item is the pull-down's title slot.
    for (qsizetype i = 1; i < items.size(); ++i) {
        const QVMenuItem &item = items.at(i);
        if (item.separator) {
            menu->addSeparator();
            continue;
        }
        QAction *action = menu->addAction(item.title);
        action->setData(item.tag);
        action->setObjectName(item.action);
        if (!item.keyEquivalent.isEmpty()) {
            action->setShortcut(QKeySequence(item.keyEquivalent));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        const QString name = item.action;
        const int tag = item.tag;
        connect(action, &QAction::triggered, this, [this, name, tag] {
            commitEditing();
            if (name == QLatin1String("chooseFavorite:")) {
                m_controller.chooseFavorite(tag);
                refresh();
            } else if (name == QLatin1String("addFavorite:")) {
                addFavorite();
            } else if (m_env.actions) {
                m_env.actions->perform(name);
            }
        });
    }
    // The key equivalents work while the menu is closed.
    addActions(menu->actions());
    m_favoritesButton->setMenu(menu);
    if (old) {
        for (QAction *action : old->actions())
            removeAction(action);
        old->deleteLater();
    }
}

void MasterWindow::addFavorite()
{
    if (m_favoriteSheet)
        return;
    commitEditing();
    const QString description = m_controller.favoriteDescription(m_controller.favoriteSettingsToPull());
    m_favoriteSheet = new QVAddFavoriteSheet(
        description, [this](const QString &nickname) { return m_controller.okAddFavorite(nickname); }, this);
    m_favoriteSheet->open();
    m_favoriteSheet->nicknameField()->setFocus();
}

void MasterWindow::customizeToolbar()
{
    if (!m_toolbarModel.allowsUserCustomization())
        return;
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Customize Toolbar"));
    auto *list = new QListWidget(&dialog);
    for (const QString &identifier : m_toolbarModel.allowedItemIdentifiers()) {
        const std::optional<ToolbarItemEntry> entry = m_toolbarModel.itemForIdentifier(identifier);
        if (!entry)
            continue;
        auto *row = new QListWidgetItem(namedPictureIcon(entry->imageName), entry->paletteLabel, list);
        row->setData(Qt::UserRole, identifier);
        row->setCheckState(m_toolbarModel.items().contains(identifier) ? Qt::Checked : Qt::Unchecked);
    }
    auto *buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    bool restore = false;
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, &dialog, [&] {
        restore = true;
        dialog.accept();
    });
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (restore) {
        m_toolbarModel.setItems(m_toolbarModel.defaultItemIdentifiers());
    } else {
        // Items keep their places; newly checked ones go before the
        // flexible space's end, at the end.
        QStringList items;
        QStringList checked;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->checkState() == Qt::Checked)
                checked.append(list->item(i)->data(Qt::UserRole).toString());
        for (const QString &item : m_toolbarModel.items())
            if (!m_toolbarModel.itemForIdentifier(item) || checked.contains(item))
                items.append(item);
        for (const QString &item : std::as_const(checked))
            if (!items.contains(item))
                items.append(item);
        m_toolbarModel.setItems(items);
    }
    m_toolbarModel.saveConfiguration(UserDefaults::standardUserDefaults());
    rebuildToolbar();
}

void MasterWindow::buildDrawer()
{
    m_drawer = new QDockWidget(QStringLiteral("Addresses"), this);
    m_drawer->setObjectName(QStringLiteral("addressDrawer"));
    m_drawer->setFeatures(QDockWidget::DockWidgetClosable);
    if (m_ownedController) {
        m_addressBook = std::make_unique<QVAddressBookController>();
        m_addressPanel = new QVAddressBookPanel(*m_addressBook, m_drawer);
        m_drawer->setWidget(m_addressPanel);
        // The book chooser, the list and the listening start once the panel
        // shows the controller's changes.
        m_addressBook->awakeFromNib();
    } else {
        auto *placeholder = new QLabel(QStringLiteral("No address book"), m_drawer);
        placeholder->setAlignment(Qt::AlignCenter);
        m_drawer->setWidget(placeholder);
    }
    const QString edge = UserDefaults::standardUserDefaults().stringForKey(kAddressDrawerEdgeKey).toLower();
    addDockWidget(edge == QLatin1String("left") ? Qt::LeftDockWidgetArea : Qt::RightDockWidgetArea, m_drawer);
    // Open as it was left at the last quit.
    m_drawer->setVisible(UserDefaults::standardUserDefaults().boolForKey(kOpenAddressDrawerKey));
}

// Whether the drawer is open goes by the drawer alone, not by its window
// (which may be closed already when the application quits).
void MasterWindow::toggleAddressDrawer() { m_drawer->setVisible(m_drawer->isHidden()); }

void MasterWindow::saveAddressDrawerState()
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    defaults.setBool(!m_drawer->isHidden(), kOpenAddressDrawerKey);
    defaults.setString(dockWidgetArea(m_drawer) == Qt::LeftDockWidgetArea ? QStringLiteral("left")
                                                                          : QStringLiteral("right"),
                       kAddressDrawerEdgeKey);
}

// ---- The return-address pop-up's fixed items ---------------------------------------------

bool MasterWindow::performReturnAddressItem(qsizetype tag)
{
    switch (tag) {
    case MasterController::AddReturnAddressTag:
        m_controller.runAddFromAddressSheet();
        showReturnAddressSheet();
        break;
    case MasterController::EditReturnAddressTag:
        m_controller.runEditFromAddressSheet();
        showReturnAddressSheet();
        break;
    case MasterController::DeleteReturnAddressTag:
        m_controller.deleteFromAddress();
        break;
    case MasterController::ClearReturnAddressesTag:
        m_controller.clearFromList();
        break;
    default:
        return false;
    }
    refresh();
    return true;
}

QDialog *MasterWindow::returnAddressSheet() const { return m_returnAddressSheet; }

void MasterWindow::showReturnAddressSheet()
{
    // Editing the own card opens the address book instead of a sheet.
    if (!m_controller.returnAddressSheetIsOpen() || m_returnAddressSheet)
        return;
    auto *sheet = new ReturnAddressSheetDialog(
        m_controller, [this] { refresh(); }, this);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_returnAddressSheet = sheet;
    sheet->open();
}

// ---- Edits to the controller -------------------------------------------------------------

void MasterWindow::connectControls()
{
    MasterForm &form = m_controller.form();
    for (const ControlEntry &entry : kControls) {
        QWidget *w = widget(entry.control);
        const FormControl control = entry.control;
        switch (entry.kind) {
        case Kind::PopUp: {
            auto *box = static_cast<QComboBox *>(w);
            connect(box, &QComboBox::activated, this, [this, control, &form](int index) {
                if (m_refreshing)
                    return;
                commitEditing();
                if (control == FormControl::FromPopup) {
                    // The fixed items run their own operations; the chosen
                    // source stays selected.
                    const FormMenu &menu = form.popUp(control).menu;
                    if (index >= 0 && index < menu.items.size() && performReturnAddressItem(menu.items.at(index).tag))
                        return;
                    form.popUp(control).selectItemAtIndex(index);
                    m_controller.fromAddressAction(index);
                    refresh();
                } else {
                    form.popUp(control).selectItemAtIndex(index);
                    edited(control);
                }
            });
            break;
        }
        case Kind::Measure:
        case Kind::Edit: {
            auto *field = static_cast<QLineEdit *>(w);
            const bool measure = entry.kind == Kind::Measure;
            m_commits[control] = [this, field, control, measure, &form] {
                // A length goes in as the number its text stands for (12"
                // and 6+2" are lengths); a text that is none goes as typed.
                QString text = field->text();
                if (measure)
                    if (const std::optional<Decimal> value = QVMeasurementFormatter::objectValueForString(text))
                        text = value->toString();
                if (form.text(control) == text)
                    return;
                form.setText(control, text);
                edited(control);
            };
            connect(field, &QLineEdit::editingFinished, this, [this, control] {
                if (!m_refreshing)
                    m_commits[control]();
            });
            break;
        }
        case Kind::Check:
            connect(static_cast<QCheckBox *>(w), &QCheckBox::clicked, this, [this, control, &form](bool on) {
                commitEditing();
                form.checkBox(control).on = on;
                edited(control);
            });
            break;
        case Kind::Button:
            connect(static_cast<QPushButton *>(w), &QPushButton::clicked, this, [this, control] {
                commitEditing();
                if (control == FormControl::CustomsFormButton)
                    m_controller.showCustomsFormSheet();
                else if (control == FormControl::MainPrintButton)
                    printTheLabel();
                else if (control == FormControl::VerifyButton)
                    m_controller.standardizeTextBoxAddress();
                refresh();
            });
            break;
        case Kind::Label:
            break;
        }
    }

    auto *weight = static_cast<QComboBox *>(widget(FormControl::Weight));
    m_commits[FormControl::Weight] = [this, weight, &form] {
        if (form.weight().text == weight->currentText())
            return;
        form.weight().text = weight->currentText();
        edited(FormControl::Weight);
    };
    connect(weight->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (!m_refreshing)
            m_commits[FormControl::Weight]();
    });
    connect(weight, &QComboBox::activated, this, [this, weight, &form](int index) {
        if (m_refreshing)
            return;
        form.weight().selectedIndex = index;
        form.weight().text = weight->itemText(index);
        edited(FormControl::Weight);
    });

    m_commits[FormControl::ToAddress] = [this, &form] {
        if (m_showingBatchHelp || form.text(FormControl::ToAddress) == m_toAddress->toPlainText())
            return;
        form.setText(FormControl::ToAddress, m_toAddress->toPlainText());
        m_controller.textDidChange();
    };
    connect(m_toAddress, &QTextEdit::textChanged, this, [this] {
        if (!m_refreshing) {
            m_commits[FormControl::ToAddress]();
            markRanges(m_toAddress, m_controller.characterCountWarningRanges());
        }
    });
    m_toAddress->installEventFilter(this);
    // Key-downs anywhere in the window pass the window first.
    qApp->installEventFilter(this);

    auto *addToBook = new QAction(QStringLiteral("Add to Address Book"), this);
    connect(addToBook, &QAction::triggered, this, [this] {
        m_controller.addToAddressBook();
        refresh();
    });
    auto *map = new QAction(QStringLiteral("Map with Google Maps"), this);
    connect(map, &QAction::triggered, this, [this] { m_controller.mapIt(); });
    m_dragView->setContextActions({addToBook, map});
    m_dragView->setDoubleClickAction([this] {
        m_controller.dragViewDoubleClicked();
        refresh();
    });
}

void MasterWindow::observe()
{
    NotificationCenter &center = NotificationCenter::defaultCenter();
    m_observers.push_back(center.addObserver(
        QVAddressTextViewDidReadvCardNotification, m_toAddress, [this](const Notification &notification) {
            const Person person = notification.userInfo.value(QVAddressTextViewPersonKey).value<Person>();
            m_commits[FormControl::ToAddress]();
            m_controller.vCardDrag(person);
            refresh();
        }));
    m_observers.push_back(
        center.addObserver(QVFromAddressBoxDidReadvCardNotification, [this](const Notification &notification) {
            if (const auto vCard = notification.object.shared<const QByteArray>()) {
                auto *sheet = static_cast<ReturnAddressSheetDialog *>(m_returnAddressSheet.data());
                if (sheet)
                    sheet->store();
                m_controller.addFromVCardDrag(*vCard);
                if (sheet)
                    sheet->load();
                refresh();
            }
        }));
    m_observers.push_back(center.addObserver(NSApplicationWillTerminateNotification,
                                             [this](const Notification &) { saveAddressDrawerState(); }));
    // The new mode comes with the notification: the delegate learns it only
    // after the switch is announced.
    m_observers.push_back(
        center.addObserver(QVPrintingModeDidChangeNotification, [this](const Notification &notification) {
            std::optional<QString> mode;
            if (const auto posted = notification.object.shared<QString>())
                mode = *posted;
            updateModeItem(mode);
            validateToolbarItems(mode);
        }));
    m_observers.push_back(center.addObserver(QVShipmentFavoritesDidChangeNotification,
                                             [this](const Notification &) { setupFavoritesMenu(); }));
    // A purchase, a refund or a refresh brings a new status: the controller
    // puts its balance into the form, and the window shows the form again.
    m_observers.push_back(center.addObserver(QVRHOLastValidStatusResponseDidChange,
                                             [this](const Notification &) { setNeedsWindowUpdate(); }));
    if (m_toolbarModel.stampsEdition())
        m_observers.push_back(
            center.addObserver(QVStampWindowModeDidChangeNotification, [this](const Notification &notification) {
                if (const auto mode = notification.object.shared<int>())
                    updateQuickStamps(*mode);
            }));
}

void MasterWindow::edited(FormControl control)
{
    m_controller.packagePropertiesChanged(control);
    refresh();
}

void MasterWindow::commitEditing()
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus)
        return;
    for (const auto &[control, commit] : m_commits) {
        QWidget *w = widget(control);
        if (w && (focus == w || w->isAncestorOf(focus)))
            commit();
    }
}

bool MasterWindow::hasAttachedSheet() const { return m_sheet != nullptr || m_returnAddressSheet != nullptr; }

void MasterWindow::setNeedsWindowUpdate()
{
    if (m_updateScheduled)
        return;
    m_updateScheduled = true;
    std::weak_ptr<int> alive = m_alive;
    QTimer::singleShot(0, this, [this, alive] {
        if (alive.expired())
            return;
        m_updateScheduled = false;
        m_controller.windowDidUpdate();
        refresh();
    });
}

void MasterWindow::displayNow(FormControl control)
{
    refresh();
    if (QWidget *w = widget(control))
        w->repaint();
}

void MasterWindow::sheetDidBegin()
{
    const Alert *alert = m_controller.attachedSheet();
    if (!alert)
        return;
    QMessageBox *box = tolvane::makeMessageBox(*alert, this);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    const Alert shown = *alert;
    m_sheet = box;
    connect(box, &QMessageBox::finished, this, [this, box, shown] {
        const int answer = tolvane::answerOfClickedButton(*box, shown);
        m_sheet = nullptr;
        m_controller.endSheet(answer);
        refresh();
    });
    box->open();
}

bool MasterWindow::event(QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Alt || key->key() == Qt::Key_Control) {
            quint32 flags = 0;
            if (key->modifiers() & Qt::AltModifier)
                flags |= QVOptionKeyMask;
            if (key->modifiers() & Qt::ControlModifier)
                flags |= QVCommandKeyMask;
            m_controller.myFlagsChanged(flags);
            refresh();
        }
    }
    return QMainWindow::event(event);
}

// Whether the window has child windows above it (overlays: visible tool
// windows it owns, a floating address drawer aside).
static bool hasChildWindows(const QWidget *window)
{
    for (const QWidget *child : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() && child->isVisible() && child->windowType() == Qt::Tool &&
            !qobject_cast<const QDockWidget *>(child))
            return true;
    }
    return false;
}

bool MasterWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The first key-down or left mouse-down of the process in this window.
    const bool keyDown = event->type() == QEvent::KeyPress;
    const bool leftMouseDown =
        event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    if ((keyDown || leftMouseDown) && watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == this)
        m_controller.windowEventSeen(hasChildWindows(this));
    // The window's own keys (Command-arrows, Command-P) before any control
    // of the window takes them; the others go on as usual.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (m_controller.windowKeyDown(key->key(), key->modifiers())) {
            refresh();
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn && watched == widget(FormControl::Weight) && !m_refreshing) {
        // The weight box takes the keyboard: the controller reads what it
        // shows, and its whole text is selected once the focus has settled.
        auto *weight = static_cast<QComboBox *>(watched);
        m_controller.form().weight().text = weight->currentText();
        m_controller.selectRateWeight();
        refresh();
        QTimer::singleShot(0, weight->lineEdit(), &QLineEdit::selectAll);
    }
    if (watched == m_toAddress) {
        if (event->type() == QEvent::FocusIn) {
            m_controller.form().makeFirstResponder(FormControl::ToAddress);
        } else if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            MasterController::TextCommand command = MasterController::TextCommand::Other;
            if (key->key() == Qt::Key_Tab)
                command = MasterController::TextCommand::InsertTab;
            else if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                     !(key->modifiers() & Qt::ShiftModifier))
                command = MasterController::TextCommand::InsertNewline;
            if (command != MasterController::TextCommand::Other) {
                m_commits[FormControl::ToAddress]();
                QTextCursor cursor = m_toAddress->textCursor();
                const MasterTextRange selection{cursor.selectionStart(),
                                                cursor.selectionEnd() - cursor.selectionStart()};
                if (m_controller.doCommandBySelector(command, selection)) {
                    // The box makes the same edit, keeping its caret (after
                    // the break) and its undo.
                    if (command == MasterController::TextCommand::InsertNewline && !m_showingBatchHelp &&
                        !m_toAddress->isReadOnly()) {
                        m_refreshing = true;
                        cursor.insertText(QStringLiteral("\n"));
                        m_toAddress->setTextCursor(cursor);
                        m_refreshing = false;
                    }
                    refresh();
                    return true;
                }
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- The form to the widgets ---------------------------------------------------------------

void MasterWindow::refreshPopUp(FormControl control)
{
    auto *box = qobject_cast<QComboBox *>(widget(control));
    if (!box)
        return;
    const FormPopUp &popUp = m_controller.form().popUp(control);
    const QSignalBlocker blocker(box);
    const auto shown = m_shownMenus.find(control);
    if (shown == m_shownMenus.end() || !sameMenu(shown->second, popUp.menu)) {
        fillPopUp(box, popUp.menu);
        m_shownMenus[control] = popUp.menu;
        if (control == FormControl::PieceSize) {
            const QMap<qsizetype, MailpieceMenuInfo> info = mailpieceMenuInfo(popUp.menu);
            auto *model = static_cast<QStandardItemModel *>(box->model());
            for (int row = 0; row < model->rowCount(); ++row) {
                QStandardItem *item = model->item(row);
                const auto found = info.find(item->data(kTagRole).value<qsizetype>());
                if (found == info.end() || !item->data(kTagRole).isValid())
                    continue;
                item->setIcon(QIcon(QPixmap::fromImage(found->smallImage)));
                item->setData(found->largeImage, MailpieceMenuDelegate::LargeImageRole);
                item->setData(found->attributedTitle, MailpieceMenuDelegate::DescriptionRole);
            }
            box->setIconSize(QSize(16, 16));
        }
    }
    if (control == FormControl::FromPopup)
        validateReturnAddressItems();
    box->setCurrentIndex(int(popUp.selectedIndex));
    box->setEnabled(popUp.enabled);
}

void MasterWindow::validateReturnAddressItems()
{
    auto *box = qobject_cast<QComboBox *>(widget(FormControl::FromPopup));
    auto *model = box ? qobject_cast<QStandardItemModel *>(box->model()) : nullptr;
    if (!model)
        return;
    const FormMenu &menu = m_controller.form().popUp(FormControl::FromPopup).menu;
    for (int row = 0; row < model->rowCount() && row < menu.items.size(); ++row) {
        const FormMenuItem &item = menu.items.at(row);
        if (item.separator)
            continue;
        MasterMenuItem asked;
        asked.title = item.title;
        asked.menuTitle = menu.title;
        asked.inReturnAddressPopUp = true;
        const bool enabled = item.enabled && m_controller.validateMenuItem(asked).enabled;
        model->item(row)->setFlags(enabled ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
    }
}

void MasterWindow::refresh()
{
    if (m_refreshing)
        return;
    // The return-address sheet that the controller opened on its own (the
    // print's "Edit Address") shows as the pop-up's sheet does.
    showReturnAddressSheet();
    m_refreshing = true;
    const MasterForm &form = m_controller.form();
    for (const ControlEntry &entry : kControls) {
        QWidget *w = widget(entry.control);
        if (!w)
            continue;
        switch (entry.kind) {
        case Kind::PopUp:
            refreshPopUp(entry.control);
            break;
        case Kind::Measure:
        case Kind::Edit: {
            auto *field = static_cast<QLineEdit *>(w);
            const FormField &state = form.field(entry.control);
            // A field being typed in keeps its text until it is committed.
            if (!field->hasFocus())
                setTextIfChanged(field, state.text);
            field->setPlaceholderText(state.placeholder);
            field->setEnabled(state.enabled);
            field->setVisible(state.visible);
            break;
        }
        case Kind::Check: {
            auto *box = static_cast<QCheckBox *>(w);
            const FormCheckBox &state = form.checkBox(entry.control);
            const QSignalBlocker blocker(box);
            box->setChecked(state.on);
            box->setEnabled(state.enabled);
            // The insurance box's title carries the fee.
            if (entry.control == FormControl::UseInsurance) {
                const QString &title = form.field(entry.control).text;
                if (!title.isEmpty() && box->text() != title)
                    box->setText(title);
            }
            box->setVisible(state.visible);
            break;
        }
        case Kind::Label: {
            const FormField &state = form.field(entry.control);
            auto *label = static_cast<QLabel *>(w);
            if (label->text() != state.text) {
                label->setText(state.text);
                if (auto *wrapping = dynamic_cast<WrappingLabel *>(label))
                    wrapping->fitHeight();
            }
            label->setEnabled(state.enabled);
            if (entry.control != FormControl::ScaleStatus)
                label->setVisible(state.visible);
            else
                showWithAlpha(label, m_controller.scaleStatusAlpha());
            break;
        }
        case Kind::Button: {
            const FormField &state = form.field(entry.control);
            auto *button = static_cast<QPushButton *>(w);
            if (!state.text.isEmpty())
                button->setText(state.text);
            button->setEnabled(state.enabled);
            button->setVisible(state.visible);
            break;
        }
        }
    }

    auto *weight = static_cast<QComboBox *>(widget(FormControl::Weight));
    {
        const QSignalBlocker blocker(weight);
        const FormComboBox &state = form.weight();
        QStringList shown;
        for (int i = 0; i < weight->count(); ++i)
            shown.append(weight->itemText(i));
        if (shown != state.values) {
            weight->clear();
            weight->addItems(state.values);
        }
        if (state.visibleItems > 0)
            weight->setMaxVisibleItems(state.visibleItems);
        if (!weight->lineEdit()->hasFocus()) {
            weight->setCurrentIndex(int(state.selectedIndex));
            if (weight->currentText() != state.text)
                weight->setEditText(state.text);
        }
        weight->setEnabled(state.enabled);
    }

    refreshBatchHelp();
    if (!m_showingBatchHelp && m_toAddress->toPlainText() != form.text(FormControl::ToAddress))
        m_toAddress->setPlainText(form.text(FormControl::ToAddress));
    m_toAddress->setReadOnly(!form.field(FormControl::ToAddress).enabled);
    if (m_showingBatchHelp)
        m_toAddress->setTextInteractionFlags(Qt::NoTextInteraction);
    markRanges(m_toAddress, m_showingBatchHelp ? QList<MasterTextRange>() : m_controller.characterCountWarningRanges());
    m_dragView->setDragEnabled(form.field(FormControl::DragView).enabled);
    if (m_dragView->vCard() != m_controller.dragViewVCard())
        m_dragView->setVCard(m_controller.dragViewVCard());

    for (const auto &[control, name] : kDisclosables) {
        (void)name;
        if (QWidget *w = widget(control))
            w->setVisible(form.disclosable(control).shown);
    }
    widget(FormControl::ServiceStandardsSpinner)->setVisible(form.spinner().running);
    validateToolbarItems();
    m_refreshing = false;
}

void MasterWindow::refreshBatchHelp()
{
    const bool batch = m_controller.inBatchMode();
    if (batch == m_showingBatchHelp)
        return;
    m_showingBatchHelp = batch;
    // In batch mode the destination box shows the help, neither selectable
    // nor scrolled; afterwards the address comes back (refresh).
    if (batch)
        m_toAddress->setHtml(MasterController::batchHelpHTML());
    m_toAddress->setVerticalScrollBarPolicy(batch ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
}

void MasterWindow::mailpieceMenuWillPop()
{
    // The open list is as wide as its pictures and descriptions.
    auto *box = static_cast<QComboBox *>(widget(FormControl::PieceSize));
    const QStyleOptionViewItem option;
    box->view()->setMinimumWidth(
        box->itemDelegate()->sizeHint(option, box->model()->index(qMax(0, box->currentIndex()), 0)).width());
    m_mailpieceMenuOpen = true;
}

void MasterWindow::mailpieceMenuDidEnd() { m_mailpieceMenuOpen = false; }
