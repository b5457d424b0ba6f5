#include "app/preferences/QVPreferencesWindow.h"

#include "app/preferences/QVFavorites.h"
#include "app/preferences/QVFavoritesTableModel.h"
#include "app/preferences/QVShipmentFavorites.h"
#include "widgets/NamedPicture.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDialog>
#include <QFormLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

using Pane = QVPreferencesController::Pane;
using AddressFont = QVPreferencesController::AddressFont;

// A body text edit that reports when editing ends.
class EndEditingTextEdit : public QPlainTextEdit
{
public:
    std::function<void()> editingEnded;

protected:
    void focusOutEvent(QFocusEvent *event) override
    {
        QPlainTextEdit::focusOutEvent(event);
        if (editingEnded)
            editingEnded();
    }
};

// The return-address image well: shows the stored image and takes an
// image (or one image file) dropped on it.
class ImageWell : public QLabel
{
public:
    std::function<void(const QImage &)> imageDropped;

    ImageWell()
    {
        setAcceptDrops(true);
        setFixedSize(120, 80);
        setAlignment(Qt::AlignCenter);
        setFrameShape(QFrame::StyledPanel);
        setFrameShadow(QFrame::Sunken);
    }
    void showImage(const QImage &image)
    {
        if (image.isNull()) {
            setText(QStringLiteral("Drop an image here"));
            return;
        }
        setPixmap(
            QPixmap::fromImage(image.scaled(size() - QSize(8, 8), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    static QImage imageIn(const QMimeData &data)
    {
        if (data.hasImage())
            return qvariant_cast<QImage>(data.imageData());
        if (data.hasUrls() && data.urls().size() == 1 && data.urls().first().isLocalFile())
            return QImage(data.urls().first().toLocalFile());
        return QImage();
    }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override
    {
        if (event->mimeData()->hasImage() || (event->mimeData()->hasUrls() && event->mimeData()->urls().size() == 1))
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent *event) override
    {
        const QImage image = imageIn(*event->mimeData());
        if (image.isNull() || !imageDropped)
            return;
        event->acceptProposedAction();
        imageDropped(image);
    }
};

} // namespace

QVPreferencesWindow::QVPreferencesWindow(std::shared_ptr<QVPreferencesController> controller,
                                         std::function<QString(const QVariantMap &)> describe, QWidget *parent)
    : QMainWindow(parent), m_controller(std::move(controller)), m_describe(std::move(describe))
{
    m_toolbar = addToolBar(QStringLiteral("Mailing Log Toolbar Identifier"));
    m_toolbar->setObjectName(QStringLiteral("Mailing Log Toolbar Identifier"));
    m_toolbar->setMovable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    auto *group = new QActionGroup(this);
    for (const QVPreferencesController::PaneItem &item : QVPreferencesController::toolbarItems()) {
        QAction *action = m_toolbar->addAction(namedPictureIcon(item.imageName), item.label);
        action->setObjectName(item.identifier);
        action->setToolTip(item.label);
        action->setCheckable(true);
        action->setChecked(item.pane == Pane::General);
        group->addAction(action);
        const Pane pane = item.pane;
        connect(action, &QAction::triggered, this, [this, pane] { switchToPane(pane); });
    }
    m_panes.insert(int(Pane::General), makeGeneralPane());
    m_panes.insert(int(Pane::Shipment), makeShipmentPane());
    m_panes.insert(int(Pane::Mailpiece), makeMailpiecePane());
    m_panes.insert(int(Pane::Email), makeEmailPane());
    m_panes.insert(int(Pane::AddressBook), makeAddressPane());
    m_panes.insert(int(Pane::Favorites), makeFavoritesPane());
    m_panes.insert(int(Pane::Advanced), makeAdvancedPane());
    m_panes.insert(int(Pane::Date), makeDatePane());
    for (QWidget *pane : std::as_const(m_panes))
        pane->adjustSize();
    setWindowTitle(QVPreferencesController::itemForPane(Pane::General).windowTitle);
    setCentralWidget(m_panes.value(int(Pane::General)));
    m_controller->stateChanged = [this] { refresh(); };
    refresh();
}

QWidget *QVPreferencesWindow::paneWidget(Pane pane) const { return m_panes.value(int(pane)); }

void QVPreferencesWindow::switchToPane(Pane pane)
{
    QWidget *view = m_panes.value(int(pane));
    if (!view || view == centralWidget())
        return;
    m_controller->switchToPane(pane);
    if (QWidget *focused = focusWidget())
        focused->clearFocus();
    QWidget *current = takeCentralWidget();
    const int currentHeight = current ? current->height() : 0;
    if (current)
        current->setParent(this), current->hide();
    // A narrow pane keeps the window as wide as its toolbar.
    QSize wanted = view->sizeHint();
    wanted.setWidth(qMax(wanted.width(), m_toolbar->sizeHint().width()));
    const QRect frame = QVPreferencesController::frameForPaneSwitch(geometry(), currentHeight, wanted);
    setCentralWidget(view);
    view->show();
    setGeometry(frame);
    const QString title = QVPreferencesController::itemForPane(pane).windowTitle;
    if (!title.isEmpty())
        setWindowTitle(title);
    for (QAction *action : m_toolbar->actions())
        action->setChecked(action->objectName() == QVPreferencesController::itemForPane(pane).identifier);
    if (pane == Pane::Favorites)
        m_favoritesTable->setFocus();
}

void QVPreferencesWindow::refresh()
{
    for (const auto &refresher : std::as_const(m_refreshers))
        refresher();
}

namespace {

QCheckBox *checkBox(QVPreferencesController &controller, QList<std::function<void()>> &refreshers, const QString &title,
                    const QString &key)
{
    auto *box = new QCheckBox(title);
    QObject::connect(box, &QCheckBox::clicked, box, [&controller, key](bool on) { controller.setCheckBox(key, on); });
    refreshers.append([box, &controller, key] { box->setChecked(controller.checkBox(key)); });
    return box;
}

QWidget *radioGroup(QVPreferencesController &controller, QList<std::function<void()>> &refreshers, const QString &key,
                    const QList<QPair<QString, int>> &choices)
{
    auto *holder = new QWidget;
    auto *layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *group = new QButtonGroup(holder);
    for (const auto &[title, tag] : choices) {
        auto *button = new QRadioButton(title);
        group->addButton(button, tag);
        layout->addWidget(button);
    }
    QObject::connect(group, &QButtonGroup::idClicked, holder,
                     [&controller, key](int tag) { controller.setTag(key, tag); });
    refreshers.append([group, &controller, key] {
        if (QAbstractButton *button = group->button(controller.tag(key)))
            button->setChecked(true);
    });
    return holder;
}

} // namespace

QWidget *QVPreferencesWindow::makeGeneralPane()
{
    auto *pane = new QWidget;
    auto *layout = new QFormLayout(pane);
    QVPreferencesController &c = *m_controller;
    layout->addRow(checkBox(c, m_refreshers, QStringLiteral("Buy postage"), QStringLiteral("usePostage")));
    layout->addRow(
        checkBox(c, m_refreshers, QStringLiteral("Hide the postage amount (stealth)"), QStringLiteral("useStealth")));
    layout->addRow(
        checkBox(c, m_refreshers, QStringLiteral("Show service standards"), QStringLiteral("useServiceStandards")));
    layout->addRow(checkBox(c, m_refreshers, QStringLiteral("Rename processed XML files"),
                            QStringLiteral("renameProcessedXMLFiles")));
    layout->addRow(
        checkBox(c, m_refreshers, QStringLiteral("Preview before printing"), QStringLiteral("previewOnPrint")));
    layout->addRow(QStringLiteral("Confirmation numbers from:"),
                   radioGroup(c, m_refreshers, QStringLiteral("confirmationServicesServer"),
                              {{QStringLiteral("Tolvane"), 0}, {QStringLiteral("USPS"), 1}}));
    auto *more = new QHBoxLayout;
    auto *dates = new QPushButton(QStringLiteral("Ship Date Warnings…"));
    dates->setObjectName(QStringLiteral("dateViewButton"));
    connect(dates, &QPushButton::clicked, this, [this] { switchToPane(Pane::Date); });
    auto *advanced = new QPushButton(QStringLiteral("Advanced…"));
    advanced->setObjectName(QStringLiteral("advancedViewButton"));
    connect(advanced, &QPushButton::clicked, this, [this] { switchToPane(Pane::Advanced); });
    more->addWidget(dates);
    more->addWidget(advanced);
    more->addStretch(1);
    layout->addRow(more);
    return pane;
}

QWidget *QVPreferencesWindow::makeShipmentPane()
{
    auto *pane = new QWidget;
    auto *layout = new QFormLayout(pane);
    QVPreferencesController &c = *m_controller;
    const QList<QPair<QString, QString>> boxes = {
        {QStringLiteral("Clear customs after printing"), QStringLiteral("clearCustomsAfterPrint")},
        {QStringLiteral("Clear the destination address after printing"),
         QStringLiteral("clearDestinationAddressAfterPrint")},
        {QStringLiteral("Clear insurance after printing"), QStringLiteral("clearInsuranceAfterPrint")},
        {QStringLiteral("Clear dimensions after printing"), QStringLiteral("clearDimensionsAfterPrint")},
        {QStringLiteral("Copy the confirmation number after printing"),
         QStringLiteral("copyConfirmationNumberAfterPrint")},
        {QStringLiteral("Prepare an e-mail notification after printing"), QStringLiteral("prepareEmailAfterPrint")},
        {QStringLiteral("Clear the description on a new shipment"), QStringLiteral("clearDescriptionOnNewShipment")},
    };
    for (const auto &[title, key] : boxes)
        layout->addRow(checkBox(c, m_refreshers, title, key));
    const QList<QPair<QString, int>> units = {{QStringLiteral("Ounces"), 0}, {QStringLiteral("Pounds"), 1}};
    layout->addRow(QStringLiteral("First-Class weight in:"),
                   radioGroup(c, m_refreshers, QStringLiteral("usePoundsForFirstClass"), units));
    layout->addRow(QStringLiteral("Other classes' weight in:"),
                   radioGroup(c, m_refreshers, QStringLiteral("usePoundsForOtherClasses"), units));
    layout->addRow(QStringLiteral("ZIP codes:"),
                   radioGroup(c, m_refreshers, QStringLiteral("reformatZIP"),
                              {{QStringLiteral("Reformat"), 0}, {QStringLiteral("Leave as typed"), 1}}));
    layout->addRow(QStringLiteral("Addresses:"),
                   radioGroup(c, m_refreshers, QStringLiteral("uppercaseAddresses"),
                              {{QStringLiteral("Upper case"), 0}, {QStringLiteral("As typed"), 1}}));
    return pane;
}

QWidget *QVPreferencesWindow::makeMailpiecePane()
{
    auto *pane = new QWidget;
    auto *layout = new QFormLayout(pane);
    for (const AddressFont which : {AddressFont::ToAddress, AddressFont::FromAddress}) {
        auto *name = new QLineEdit;
        name->setReadOnly(true);
        auto *fontButton = new QPushButton(QStringLiteral("Font…"));
        auto *colorButton = new QPushButton(QStringLiteral("Colour…"));
        auto *row = new QHBoxLayout;
        row->addWidget(name);
        row->addWidget(fontButton);
        row->addWidget(colorButton);
        layout->addRow(which == AddressFont::ToAddress ? QStringLiteral("Delivery address:")
                                                       : QStringLiteral("Return address:"),
                       row);
        connect(fontButton, &QPushButton::clicked, this, [this, which] {
            bool ok = false;
            const QFont font = QFontDialog::getFont(&ok, m_controller->font(which), this);
            if (ok)
                m_controller->changeFont(which, font);
        });
        connect(colorButton, &QPushButton::clicked, this, [this, which] {
            const QColor color = QColorDialog::getColor(m_controller->color(which), this);
            if (color.isValid())
                m_controller->changeColor(which, color);
        });
        m_refreshers.append([this, name, which] { name->setText(m_controller->fontName(which)); });
    }
    for (const bool top : {true, false}) {
        auto *popup = new QComboBox;
        popup->addItems(QVPreferencesController::customFieldItems());
        layout->addRow(top ? QStringLiteral("Top custom field:") : QStringLiteral("Bottom custom field:"), popup);
        connect(popup, &QComboBox::activated, this,
                [this, popup, top](int index) { m_controller->changeCustomField(top, popup->itemText(index)); });
        m_refreshers.append([this, popup, top] { popup->setCurrentText(m_controller->customField(top)); });
    }
    auto *spacing = new QDoubleSpinBox;
    spacing->setObjectName(QStringLiteral("toAddressLineSpacing"));
    spacing->setRange(0, 20);
    spacing->setSingleStep(0.5);
    spacing->setDecimals(1);
    spacing->setSuffix(QStringLiteral(" pt"));
    spacing->setValue(m_controller->toAddressLineSpacing());
    layout->addRow(QStringLiteral("Delivery address line spacing:"), spacing);
    connect(spacing, &QDoubleSpinBox::editingFinished, this,
            [this, spacing] { m_controller->changeToAddressLineSpacing(spacing->value()); });
    layout->addRow(checkBox(*m_controller, m_refreshers, QStringLiteral("Print a return-address image"),
                            QStringLiteral("useFromAddressImage")));
    auto *well = new ImageWell;
    well->setObjectName(QStringLiteral("returnAddressGraphicWell"));
    well->imageDropped = [this](const QImage &image) { m_controller->imageDrop(image); };
    auto *image = new QPushButton(QStringLiteral("Choose Image…"));
    connect(image, &QPushButton::clicked, this, [this] { m_controller->browseForImages(); });
    auto *imageRow = new QHBoxLayout;
    imageRow->addWidget(well);
    imageRow->addWidget(image, 0, Qt::AlignBottom);
    imageRow->addStretch(1);
    layout->addRow(imageRow);
    m_refreshers.append([this, well] { well->showImage(m_controller->returnAddressImage()); });
    auto *reset = new QPushButton(QStringLiteral("Reset Fonts and Colours"));
    connect(reset, &QPushButton::clicked, this, [this] { m_controller->resetToDefaults(); });
    layout->addRow(reset);
    return pane;
}

QWidget *QVPreferencesWindow::makeEmailPane()
{
    auto *pane = new QWidget;
    auto *layout = new QFormLayout(pane);
    auto *subject = new QLineEdit;
    auto *body = new EndEditingTextEdit;
    layout->addRow(QStringLiteral("Subject:"), subject);
    layout->addRow(QStringLiteral("Message:"), body);
    connect(subject, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_controller->emailSubjectChanged(text); });
    body->editingEnded = [this, body] { m_controller->emailBodyDidEndEditing(body->toPlainText()); };
    m_refreshers.append([this, subject, body] {
        if (!subject->hasFocus())
            subject->setText(m_controller->emailSubject());
        if (!body->hasFocus())
            body->setPlainText(m_controller->emailBody());
    });
    return pane;
}

QWidget *QVPreferencesWindow::makeAdvancedPane()
{
    auto *pane = new QWidget;
    auto *layout = new QFormLayout(pane);
    auto *scriptName = new QLineEdit;
    scriptName->setReadOnly(true);
    auto *choose = new QPushButton(QStringLiteral("Choose…"));
    auto *row = new QHBoxLayout;
    row->addWidget(scriptName);
    row->addWidget(choose);
    layout->addRow(QStringLiteral("After printing run:"), row);
    connect(choose, &QPushButton::clicked, this, [this] { m_controller->chooseScriptFile(); });
    layout->addRow(checkBox(*m_controller, m_refreshers, QStringLiteral("Run the script after printing"),
                            QStringLiteral("useScriptPostProcess")));
    m_refreshers.append([this, scriptName] { scriptName->setText(m_controller->scriptName()); });
    auto *reset = new QPushButton(QStringLiteral("Reset Reminder Alerts"));
    connect(reset, &QPushButton::clicked, this, [this] { m_controller->resetReminderAlerts(); });
    layout->addRow(QStringLiteral("Reminders:"), reset);
    return pane;
}

QWidget *QVPreferencesWindow::makeDatePane()
{
    auto *pane = new QWidget;
    auto *layout = new QFormLayout(pane);
    QVPreferencesController &c = *m_controller;
    layout->addRow(new QLabel(QStringLiteral("Before printing, ask when the ship date falls on:")));
    layout->addRow(checkBox(c, m_refreshers, QStringLiteral("a Sunday"), QStringLiteral("sundayWarning")));
    layout->addRow(checkBox(c, m_refreshers, QStringLiteral("a Saturday"), QStringLiteral("saturdayWarning")));
    layout->addRow(checkBox(c, m_refreshers, QStringLiteral("a USPS holiday"), QStringLiteral("holidayWarning")));
    return pane;
}

QWidget *QVPreferencesWindow::makeAddressPane()
{
    auto *pane = new QWidget;
    auto *layout = new QFormLayout(pane);
    QVPreferencesController &c = *m_controller;
    auto *labels = new QComboBox;
    for (const auto &[title, tag] : QList<QPair<QString, int>>{{QStringLiteral("Home"), 0},
                                                               {QStringLiteral("Work"), 1},
                                                               {QStringLiteral("Other"), 2},
                                                               {QStringLiteral("All"), 99}})
        labels->addItem(title, tag);
    layout->addRow(QStringLiteral("Addresses labelled:"), labels);
    connect(labels, &QComboBox::activated, this, [this, labels](int index) {
        m_controller->setTag(QStringLiteral("abLabelFilter"), labels->itemData(index).toInt());
    });
    m_refreshers.append([this, labels] {
        const int index = labels->findData(m_controller->tag(QStringLiteral("abLabelFilter")));
        if (index >= 0)
            labels->setCurrentIndex(index);
    });
    layout->addRow(checkBox(c, m_refreshers, QStringLiteral("Sort imported addresses by name"),
                            QStringLiteral("sortImportedFileByName")));
    layout->addRow(QStringLiteral("Display:"),
                   radioGroup(c, m_refreshers, QStringLiteral("abDisplayOrder"),
                              {{QStringLiteral("First Last"), 0}, {QStringLiteral("Last, First"), 1}}));
    auto *sort = new QComboBox;
    sort->addItem(QStringLiteral("First name"), 0);
    sort->addItem(QStringLiteral("Last name"), 1);
    layout->addRow(QStringLiteral("Sort by:"), sort);
    connect(sort, &QComboBox::activated, this,
            [this](int index) { m_controller->setTag(QStringLiteral("abSortOrder"), index); });
    m_refreshers.append([this, sort] { sort->setCurrentIndex(m_controller->tag(QStringLiteral("abSortOrder"))); });
    return pane;
}

QWidget *QVPreferencesWindow::makeFavoritesPane()
{
    auto *pane = new QWidget;
    auto *layout = new QVBoxLayout(pane);
    m_favoritesModel = new QVFavoritesTableModel(pane);
    m_favoritesTable = new QVFavoritesTableView;
    m_favoritesTable->setModel(m_favoritesModel);
    m_favoritesDelete = new QPushButton(QStringLiteral("−"));
    m_favoritesDelete->setEnabled(false);
    m_favoritesDescription = new QLabel;
    m_favoritesDescription->setWordWrap(true);
    layout->addWidget(m_favoritesTable);
    layout->addWidget(m_favoritesDelete, 0, Qt::AlignLeft);
    layout->addWidget(m_favoritesDescription);
    const auto deleteSelected = [this] {
        QList<int> rows;
        const QModelIndexList selected = m_favoritesTable->selectionModel()->selectedRows();
        for (const QModelIndex &index : selected)
            rows.append(index.row());
        QVFavorites::deleteFavorites(rows);
    };
    m_favoritesTable->deleteRequested = deleteSelected;
    connect(m_favoritesDelete, &QPushButton::clicked, this, deleteSelected);
    connect(m_favoritesTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { favoritesSelectionChanged(); });
    connect(m_favoritesModel, &QAbstractItemModel::modelReset, this, [this] { favoritesSelectionChanged(); });
    return pane;
}

void QVPreferencesWindow::favoritesSelectionChanged()
{
    const QModelIndexList selected = m_favoritesTable->selectionModel()->selectedRows();
    m_favoritesDelete->setEnabled(!selected.isEmpty());
    const QVariantList favorites = QVShipmentFavorites::allFavorites();
    if (selected.isEmpty() || selected.first().row() >= favorites.size() || !m_describe) {
        m_favoritesDescription->clear();
        return;
    }
    m_favoritesDescription->setText(
        m_describe(favorites.at(selected.first().row()).toMap().value(QVFavoriteShipmentKey).toMap()));
}
