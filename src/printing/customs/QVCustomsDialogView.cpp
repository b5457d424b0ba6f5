#include "printing/customs/QVCustomsDialogView.h"

#include "printing/customs/QVCustomsServices.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace tolvane {

namespace {

const QStringList kStems{QStringLiteral("qty"),           QStringLiteral("value"),       QStringLiteral("weight"),
                         QStringLiteral("originCountry"), QStringLiteral("description"), QStringLiteral("tariff")};
const QStringList kHeadings{QStringLiteral("Qty"),         QStringLiteral("Value (US$)"),
                            QStringLiteral("Weight"),      QStringLiteral("Country of Origin"),
                            QStringLiteral("Description"), QStringLiteral("HS Tariff #")};

} // namespace

QVCustomsDialogView::QVCustomsDialogView(std::shared_ptr<QVCustomsDialogController> controller, QWidget *parent)
    : QWidget(parent), m_controller(std::move(controller))
{
    setObjectName(QStringLiteral("CustomsDialog"));
    setWindowTitle(QStringLiteral("Customs Declaration"));
    buildForm();
    m_controller->endEditingHook = [this] { return endEditing(); };
    m_controller->stateChangedHook = [this] { refresh(); };
    refresh();
}

QVCustomsDialogView::~QVCustomsDialogView()
{
    m_controller->endEditingHook = nullptr;
    m_controller->stateChangedHook = nullptr;
}

QLineEdit *QVCustomsDialogView::lineEditOf(const QString &name) const
{
    QWidget *widget = m_fields.value(name);
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->lineEdit();
    return qobject_cast<QLineEdit *>(widget);
}

void QVCustomsDialogView::buildForm()
{
    auto *layout = new QVBoxLayout(this);

    // Form and contents.
    auto *choices = new QHBoxLayout;
    auto *formBox = new QGroupBox(QStringLiteral("Customs Form"), this);
    auto *formLayout = new QVBoxLayout(formBox);
    m_formGroup = new QButtonGroup(this);
    for (int tag = 0; tag < 3; ++tag) {
        auto *cell = new QRadioButton(formBox);
        cell->setObjectName(QStringLiteral("formTypeCell%1").arg(tag));
        m_formGroup->addButton(cell, tag);
        formLayout->addWidget(cell);
    }
    choices->addWidget(formBox);
    auto *contentBox = new QGroupBox(QStringLiteral("Contents"), this);
    auto *contentLayout = new QGridLayout(contentBox);
    m_contentGroup = new QButtonGroup(this);
    for (int tag = 0; tag < 6; ++tag) {
        auto *cell = new QRadioButton(contentBox);
        cell->setObjectName(QStringLiteral("contentTypeCell%1").arg(tag));
        m_contentGroup->addButton(cell, tag);
        contentLayout->addWidget(cell, tag % 3, tag / 3);
    }
    auto *other = new QLineEdit(contentBox);
    other->setPlaceholderText(QStringLiteral("Describe other contents"));
    m_fields.insert(QStringLiteral("contentTypeOtherField"), other);
    contentLayout->addWidget(other, 3, 0, 1, 2);
    choices->addWidget(contentBox);
    layout->addLayout(choices);
    connect(m_formGroup, &QButtonGroup::idClicked, this, [this](int tag) { m_controller->changedFormType(tag); });
    connect(m_contentGroup, &QButtonGroup::idClicked, this, [this](int tag) { m_controller->changedContentType(tag); });

    // Item rows in one grid; rows 4 and 5 are the part that can be folded
    // away.
    auto *items = new QGroupBox(QStringLiteral("Items"), this);
    auto *itemsLayout = new QVBoxLayout(items);
    auto *grid = new QGridLayout;
    for (int column = 0; column < kHeadings.size(); ++column)
        grid->addWidget(new QLabel(kHeadings.at(column), items), 0, column);
    QStringList countries;
    for (int i = 0; i < m_controller->numberOfItemsInComboBox(); ++i)
        countries << m_controller->comboBoxObjectValueForItemAtIndex(i);
    for (int row = 1; row <= QVCustomsDialogController::kRowCount; ++row) {
        for (int column = 0; column < kStems.size(); ++column) {
            const QString name = kStems.at(column) + QString::number(row);
            QWidget *widget = nullptr;
            if (kStems.at(column) == QStringLiteral("originCountry")) {
                auto *combo = new QComboBox(items);
                combo->setEditable(true);
                combo->setInsertPolicy(QComboBox::NoInsert);
                combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
                combo->setMinimumContentsLength(14);
                combo->addItems(countries);
                combo->setCompleter(nullptr);
                widget = combo;
            } else {
                widget = new QLineEdit(items);
            }
            widget->setObjectName(name);
            m_fields.insert(name, widget);
            grid->addWidget(widget, row, column);
            if (row > 3)
                m_bottomTwoItems << widget;
        }
    }
    // Quantities, values and weights are short; descriptions take the room.
    const int stretch[] = {1, 2, 2, 3, 5, 2};
    for (int column = 0; column < 6; ++column)
        grid->setColumnStretch(column, stretch[column]);
    itemsLayout->addLayout(grid);
    m_clearAll = new QPushButton(QStringLiteral("Clear All"), items);
    m_clearAll->setObjectName(QStringLiteral("clearAllButton"));
    connect(m_clearAll, &QPushButton::clicked, this, [this] { m_controller->clearCustomsInfo(); });
    itemsLayout->addWidget(m_clearAll, 0, Qt::AlignLeft);
    layout->addWidget(items);

    // ITN and its explanation.
    auto *itnRow = new QHBoxLayout;
    itnRow->addWidget(new QLabel(QStringLiteral("AES/ITN:"), this));
    auto *itn = new QLineEdit(this);
    m_fields.insert(QStringLiteral("itnField"), itn);
    itnRow->addWidget(itn);
    layout->addLayout(itnRow);
    m_itnAbout = new QTextBrowser(this);
    m_itnAbout->setObjectName(QStringLiteral("itnAboutField"));
    m_itnAbout->setMaximumHeight(90);
    m_itnAbout->setHtml(m_controller->itnAbout());
    layout->addWidget(m_itnAbout);

    // Signature and buttons.
    auto *signRow = new QHBoxLayout;
    signRow->addWidget(new QLabel(QStringLiteral("I agree (sender's full name):"), this));
    auto *name = new QLineEdit(this);
    m_fields.insert(QStringLiteral("iAgreeName"), name);
    signRow->addWidget(name);
    layout->addLayout(signRow);
    m_printSendersCopy = new QCheckBox(QStringLiteral("Print sender's copy"), this);
    m_printSendersCopy->setObjectName(QStringLiteral("printSendersCopyCheckbox"));
    connect(m_printSendersCopy, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_refreshing)
            m_controller->setPrintSendersCopy(on);
    });
    layout->addWidget(m_printSendersCopy);

    auto *buttons = new QHBoxLayout;
    auto *restrictions = new QPushButton(QStringLiteral("Restrictions…"), this);
    restrictions->setObjectName(QStringLiteral("showRestrictionsButton"));
    connect(restrictions, &QPushButton::clicked, this, [this] { m_controller->showRestrictions(); });
    auto *generate = new QPushButton(QStringLiteral("Preview Form"), this);
    generate->setObjectName(QStringLiteral("generateFormButton"));
    connect(generate, &QPushButton::clicked, this, [this] { m_controller->generateForm(); });
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(cancel, &QPushButton::clicked, this, [this] {
        customsDialogHost()->closeSheet();
        emit cancelled();
    });
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { m_controller->okToSetProperties(); });
    buttons->addWidget(restrictions);
    buttons->addWidget(generate);
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    layout->addLayout(buttons);

    // Edits go to the controller as they are typed.
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it) {
        const QString fieldName = it.key();
        QLineEdit *edit = lineEditOf(fieldName);
        connect(edit, &QLineEdit::textEdited, this, [this, fieldName, edit](const QString &text) {
            if (m_refreshing)
                return;
            m_controller->setFieldText(fieldName, text);
            if (!fieldName.startsWith(QStringLiteral("originCountry")) || edit->cursorPosition() != text.size())
                return;
            // Completion of a typed country prefix.
            const QString completed = m_controller->comboBoxCompletedString(text);
            if (completed.size() > text.size()) {
                edit->setText(text + completed.mid(text.size()));
                edit->setSelection(int(text.size()), int(completed.size() - text.size()));
                m_controller->setFieldText(fieldName, edit->text());
            }
        });
        if (auto *combo = qobject_cast<QComboBox *>(it.value())) {
            connect(combo, &QComboBox::textActivated, this,
                    [this, fieldName](const QString &text) { m_controller->setFieldText(fieldName, text); });
            connect(edit, &QLineEdit::editingFinished, this, [this, fieldName] {
                if (!m_refreshing)
                    m_controller->controlTextShouldEndEditing(fieldName);
            });
        }
    }
}

bool QVCustomsDialogView::endEditing()
{
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it) {
        QLineEdit *edit = lineEditOf(it.key());
        m_controller->setFieldText(it.key(), edit->text());
    }
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it) {
        if (it.value()->hasFocus() || lineEditOf(it.key())->hasFocus())
            return m_controller->controlTextShouldEndEditing(it.key());
    }
    return true;
}

void QVCustomsDialogView::refresh()
{
    m_refreshing = true;
    QVCustomsDialogController &c = *m_controller;
    for (int tag = 0; tag < 3; ++tag) {
        QAbstractButton *cell = m_formGroup->button(tag);
        cell->setText(c.formCells()[size_t(tag)].title);
        cell->setEnabled(c.formCells()[size_t(tag)].enabled);
    }
    if (QAbstractButton *chosen = m_formGroup->button(c.selectedFormTag()))
        chosen->setChecked(true);
    for (int tag = 0; tag < 6; ++tag) {
        QAbstractButton *cell = m_contentGroup->button(tag);
        cell->setText(c.contentCells()[size_t(tag)].title);
        cell->setEnabled(c.contentMatrixEnabled());
    }
    if (QAbstractButton *chosen = m_contentGroup->button(c.selectedContentTag()))
        chosen->setChecked(true);
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it) {
        const QVCustomsField field = c.field(it.key());
        QLineEdit *edit = lineEditOf(it.key());
        if (edit->text() != field.text) {
            const QSignalBlocker block(edit);
            edit->setText(field.text);
        }
        it.value()->setEnabled(field.enabled);
    }
    m_clearAll->setEnabled(c.clearAllEnabled());
    for (QWidget *widget : m_bottomTwoItems)
        widget->setVisible(c.bottomItemsDisclosed());
    m_printSendersCopy->setEnabled(c.printSendersCopy().enabled);
    m_printSendersCopy->setChecked(c.printSendersCopy().on);
    // The focus moves once to the field the controller names.
    if (!c.firstResponder().isEmpty()) {
        if (QWidget *focus = m_fields.value(c.firstResponder()))
            focus->setFocus();
        c.setFirstResponder(QString());
    }
    m_refreshing = false;
}

} // namespace tolvane
