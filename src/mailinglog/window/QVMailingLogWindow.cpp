#include "mailinglog/window/QVMailingLogWindow.h"

#include "mailinglog/LogEntryTexts.h"
#include "mailinglog/QVMailingLogExportController.h"
#include "mailinglog/window/QVBatchTrackWindow.h"
#include "mailinglog/window/QVMailingLogExportWindow.h"
#include "mailinglog/window/QVMailingLogToolbar.h"
#include "mailinglog/window/QVMailingLogToolbarCustomizeDialog.h"
#include "mailinglog/window/QVMailingRecordController.h"
#include "platform/Decimal.h"
#include "widgets/QVReturnActionTableView.h"

#include <QApplication>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QSplitter>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

using Action = QVMailingLogController::Action;

// ---- Table model -----------------------------------------------------------------

QVMailingLogTableModel::QVMailingLogTableModel(QVMailingLogController &controller, QObject *parent)
    : QAbstractTableModel(parent), m_controller(controller), m_columns(QVMailingLogController::columnIdentifiers())
{}

int QVMailingLogTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_controller.numberOfRows());
}

int QVMailingLogTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString QVMailingLogTableModel::displayText(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<Decimal>()) {
        // Amounts with at least two decimals ("4.10", "0.415").
        QString text = value.value<Decimal>().toString();
        const qsizetype point = text.indexOf(QLatin1Char('.'));
        if (point < 0 && !text.contains(QLatin1String("NaN")))
            text += QStringLiteral(".00");
        else if (point >= 0 && text.size() - point - 1 < 2)
            text += QString(2 - (text.size() - point - 1), QLatin1Char('0'));
        return text;
    }
    if (value.typeId() == QMetaType::QDateTime)
        return QLocale().toString(value.toDateTime(), QLocale::ShortFormat);
    if (value.typeId() == QMetaType::QVariantMap || value.typeId() == QMetaType::QVariantList)
        return QString();
    return value.toString();
}

QIcon QVMailingLogTableModel::statusIcon(const QString &name)
{
    static QHash<QString, QIcon> icons;
    if (name.isEmpty() || name == QLatin1String("empty"))
        return {};
    if (const auto found = icons.constFind(name); found != icons.cend())
        return *found;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(2, 2, 12, 12);
    if (name == QLatin1String("delivered")) {
        painter.setBrush(QColor(0x2e, 0x9e, 0x44));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(circle);
        painter.setPen(QPen(Qt::white, 1.8));
        painter.drawPolyline(QPolygonF({QPointF(5, 8.5), QPointF(7.2, 10.8), QPointF(11, 5.5)}));
    } else if (name == QLatin1String("undelivered")) {
        painter.setBrush(QColor(0xe8, 0xa3, 0x17));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(circle);
        painter.setPen(QPen(Qt::white, 1.6));
        painter.drawLine(QPointF(8, 5), QPointF(8, 8.5));
        painter.drawLine(QPointF(8, 8.5), QPointF(10.5, 10));
    } else if (name == QLatin1String("deliveryexception")) {
        painter.setBrush(QColor(0xc6, 0x28, 0x28));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(circle);
        painter.setPen(QPen(Qt::white, 1.8));
        painter.drawLine(QPointF(8, 4.5), QPointF(8, 9));
        painter.drawPoint(QPointF(8, 11.3));
    } else if (name == QLatin1String("voided")) {
        painter.setBrush(QColor(0x80, 0x80, 0x80));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(circle);
        painter.setPen(QPen(Qt::white, 1.8));
        painter.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        painter.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    } else if (name == QLatin1String("purchase")) {
        painter.setBrush(QColor(0x1e, 0x63, 0xb5));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(circle, 3, 3);
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setPixelSize(11);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(circle, Qt::AlignCenter, QStringLiteral("$"));
    }
    painter.end();
    const QIcon icon(pixmap);
    icons.insert(name, icon);
    return icon;
}

QVariant QVMailingLogTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() >= m_columns.size())
        return {};
    const QString &column = m_columns.at(index.column());
    const bool statusColumn = column == QVShipmentDeliveryStatusKey;
    if (role == Qt::DecorationRole && statusColumn)
        return statusIcon(m_controller.objectValue(column, index.row()).toString());
    if (role == Qt::ToolTipRole && statusColumn)
        return m_controller.objectValue(column, index.row());
    if (role == Qt::DisplayRole && !statusColumn)
        return displayText(m_controller.objectValue(column, index.row()));
    if (role == Qt::TextAlignmentRole && column == QVShipmentPriceKey)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant QVMailingLogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_columns.size())
        return {};
    const QString &column = m_columns.at(section);
    return column == QVShipmentDeliveryStatusKey ? QString() : QVMailingLogController::columnTitle(column);
}

void QVMailingLogTableModel::reload()
{
    beginResetModel();
    endResetModel();
}

// ---- Window -------------------------------------------------------------------------

QVMailingLogWindow::QVMailingLogWindow(QVMailingLogController &controller, QWidget *parent)
    : QWidget(parent, Qt::Window), m_controller(controller)
{
    setWindowTitle(QStringLiteral("Mailing Log"));
    resize(1000, 620);
    auto *layout = new QVBoxLayout(this);

    // The toolbar.
    m_layout = layout;
    rebuildToolbar();
    for (const QString &identifier : QVMailingLogToolbar::itemIdentifiers())
        m_controller.toolbarWillAddItem(identifier);

    // Table above, preview below.
    auto *split = new QSplitter(Qt::Vertical);
    m_model = new QVMailingLogTableModel(m_controller, this);
    m_table = new QVReturnActionTableView;
    m_table->setModel(m_model);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(20);
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    const QStringList columns = QVMailingLogController::columnIdentifiers();
    const QHash<QString, int> widths = {{QVShipmentDeliveryStatusKey, 28}, {QVShipmentPrintDateKey, 170},
                                        {QVShipmentToAddressKey, 260},     {QVUSPSShipmentRateClassKey, 170},
                                        {QVUSPSShipmentPICKey, 170},       {QVShipmentPriceKey, 60},
                                        {QVShipmentWeightNumberKey, 60},   {QVUSPSShipmentConfirmationServiceKey, 150}};
    for (int column = 0; column < columns.size(); ++column)
        m_table->setColumnWidth(column, widths.value(columns.at(column), 110));
    split->addWidget(m_table);
    m_preview = new QTextEdit;
    m_preview->setReadOnly(true);
    m_preview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    split->addWidget(m_preview);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    // The count line and the buttons of what the toolbar does not carry.
    auto *bottom = new QHBoxLayout;
    m_count = new QLabel;
    bottom->addWidget(m_count);
    bottom->addStretch();
    const auto addButton = [&](const QString &title, const std::function<void()> &run) {
        auto *button = new QPushButton(title);
        connect(button, &QPushButton::clicked, this, [this, run]() {
            run();
            refresh();
        });
        bottom->addWidget(button);
        return button;
    };
    for (const auto &[title, action] : {std::pair(QStringLiteral("Details"), Action::Details),
                                        std::pair(QStringLiteral("Duplicate"), Action::DuplicateShipment)})
        m_buttons.insert(int(action), addButton(title, [this, action = action]() { performAction(action); }));
    addButton(QStringLiteral("Export…"), [this]() { showExport(); });
    addButton(QStringLiteral("Archive…"), [this]() { showArchiveSheet(); });
    addButton(QStringLiteral("Restore…"), [this]() { m_controller.restoreLog(); });
    addButton(QStringLiteral("Refund File…"), [this]() { m_controller.importFlatPICFileForRefunding(); });
    layout->addLayout(bottom);

    // The row menu and its status submenu.
    m_contextMenu = new QMenu(this);
    const auto addMenuItem = [&](const QString &title, Action action) {
        QAction *item = m_contextMenu->addAction(title);
        connect(item, &QAction::triggered, this, [this, action]() { performAction(action); });
        m_menuActions.insert(int(action), item);
    };
    addMenuItem(QStringLiteral("Details"), Action::Details);
    addMenuItem(QStringLiteral("Track/Confirm"), Action::CheckStatus);
    addMenuItem(QStringLiteral("Duplicate"), Action::DuplicateShipment);
    addMenuItem(QStringLiteral("E-mail Notification"), Action::EmailNotification);
    addMenuItem(QStringLiteral("Postage Correction"), Action::PostageCorrect);
    addMenuItem(QStringLiteral("Date Correction"), Action::DateCorrect);
    m_contextMenu->addSeparator();
    addMenuItem(QStringLiteral("Print Record"), Action::PrintMailingRecord);
    addMenuItem(QStringLiteral("Reprint"), Action::Reprint);
    addMenuItem(QStringLiteral("Electronic Refund"), Action::ElectronicRefund);
    addMenuItem(QStringLiteral("Mark as Void"), Action::MarkShipmentAsVoid);
    m_statusMenu = m_contextMenu->addMenu(QStringLiteral("Delivery Status"));
    m_menuActions.insert(int(Action::ChangeShipmentStatus), m_statusMenu->menuAction());
    const QList<QPair<QString, QString>> statuses = {
        {QStringLiteral("Delivered"), QStringLiteral("delivered")},
        {QStringLiteral("Undelivered"), QStringLiteral("undelivered")},
        {QStringLiteral("Delivery Exception"), QStringLiteral("deliveryexception")},
        {QStringLiteral("Void"), QStringLiteral("voided")}};
    for (int tag = 0; tag < statuses.size(); ++tag) {
        QAction *item = m_statusMenu->addAction(QVMailingLogTableModel::statusIcon(statuses.at(tag).second),
                                                statuses.at(tag).first);
        item->setCheckable(true);
        item->setData(tag);
        connect(item, &QAction::triggered, this, [this, tag]() {
            m_controller.changeShipmentStatus(tag);
            refresh();
        });
    }

    m_table->setReturnAction([this]() { showDetails(); });
    m_table->setMenuProvider([this](int, int row) -> QMenu * {
        if (row < 0)
            return nullptr;
        m_controller.selectRow(row);
        refresh();
        return m_contextMenu;
    });
    connect(m_table, &QAbstractItemView::doubleClicked, this, [this]() { showDetails(); });
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, [this, columns](int section) {
        if (section >= 0 && section < columns.size())
            m_controller.sortByColumn(columns.at(section));
        refresh();
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this]() { selectionChanged(); });

    m_controller.setReloadHandler([this]() { refresh(); });
    m_controller.windowDidLoad();
    refresh();
}

QVMailingLogWindow::~QVMailingLogWindow()
{
    m_controller.setReloadHandler(nullptr);
    for (const auto &[number, entry] : m_detailsWindows)
        entry->window()->removeEventFilter(this);
}

void QVMailingLogWindow::rebuildToolbar()
{
    // A new toolbar each time: it owns its actions and the search field.
    const QString searchText = m_search ? m_search->text() : QString();
    auto *toolbar = new QToolBar(QStringLiteral("Mailing Log"));
    toolbar->setObjectName(QVMailingLogToolbarIdentifier);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(32, 32));
    toolbar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(toolbar, &QToolBar::customContextMenuRequested, this, [this, toolbar](const QPoint &position) {
        QMenu menu(toolbar);
        menu.addAction(QStringLiteral("Customize Toolbar…"), this, [this]() { customizeToolbar(); });
        menu.exec(toolbar->mapToGlobal(position));
    });
    m_toolbarActions.clear();
    m_search = nullptr;
    for (const QString &identifier : QVMailingLogToolbar::itemIdentifiers()) {
        if (identifier == QVToolbarSeparatorItemIdentifier) {
            toolbar->addSeparator();
        } else if (identifier == QVToolbarFlexibleSpaceItemIdentifier) {
            auto *space = new QWidget(toolbar);
            space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            toolbar->addWidget(space);
        } else if (identifier == QVSearchLogItemIdentifier) {
            m_search = new QLineEdit(toolbar);
            m_search->setObjectName(identifier);
            m_search->setPlaceholderText(QStringLiteral("Search"));
            m_search->setToolTip(QVMailingLogToolbar::itemForItemIdentifier(identifier)->toolTip);
            m_search->setClearButtonEnabled(true);
            m_search->setMinimumWidth(30);
            m_search->setMaximumWidth(400);
            m_search->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            m_search->setText(searchText);
            connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
                m_controller.filter(text);
                refresh();
            });
            QLineEdit *field = m_search;
            connect(m_search, &QLineEdit::returnPressed, this, [this, field]() {
                if (!m_controller.findName(field->text()))
                    QApplication::beep();
                refresh();
            });
            m_toolbarActions.insert(identifier, toolbar->addWidget(m_search));
        } else {
            QAction *item =
                toolbar->addAction(mailingLogToolbarIcon(identifier), QVMailingLogToolbar::paletteLabel(identifier));
            item->setObjectName(identifier);
            if (const std::optional<QVMailingLogToolbarItem> entry =
                    QVMailingLogToolbar::itemForItemIdentifier(identifier)) {
                item->setText(entry->label);
                item->setToolTip(entry->toolTip);
                connect(item, &QAction::triggered, this, [this, action = entry->action]() { performAction(action); });
            } else if (identifier == QVToolbarCustomizeItemIdentifier) {
                item->setToolTip(QStringLiteral("Customize Toolbar"));
                connect(item, &QAction::triggered, this, [this]() { customizeToolbar(); });
            }
            m_toolbarActions.insert(identifier, item);
        }
    }
    if (m_toolbar)
        delete m_layout->replaceWidget(m_toolbar, toolbar); // the old toolbar's layout item is ours
    else
        m_layout->insertWidget(0, toolbar);
    delete m_toolbar;
    m_toolbar = toolbar;
    m_toolbar->show();
}

void QVMailingLogWindow::applyToolbarItems(const QStringList &identifiers)
{
    QVMailingLogToolbar::changeItemIdentifiers(m_controller, identifiers);
    rebuildToolbar();
    refresh();
}

void QVMailingLogWindow::customizeToolbar()
{
    QVMailingLogToolbarCustomizeDialog dialog(QVMailingLogToolbar::itemIdentifiers(), this);
    if (dialog.exec() == QDialog::Accepted)
        applyToolbarItems(dialog.itemIdentifiers());
}

void QVMailingLogWindow::performAction(Action action)
{
    switch (action) {
    case Action::Details:
        showDetails();
        break;
    case Action::CheckStatus:
        m_controller.checkStatus();
        break;
    case Action::DateCorrect:
        m_controller.dateCorrect();
        break;
    case Action::PostageCorrect:
        m_controller.postageCorrect();
        break;
    case Action::PrintMailingRecord:
        m_controller.printMailingRecord();
        break;
    case Action::ElectronicRefund:
        m_controller.electronicRefund();
        break;
    case Action::Reprint:
        m_controller.reprint();
        break;
    case Action::DuplicateShipment:
        m_controller.duplicateShipment();
        break;
    case Action::EmailNotification:
        m_controller.emailNotification();
        break;
    case Action::MarkShipmentAsVoid:
        m_controller.markShipmentAsVoid();
        break;
    case Action::BatchTrack:
        showBatchTrack();
        break;
    case Action::ChangeShipmentStatus:
    case Action::Other:
        break;
    }
    refresh();
}

void QVMailingLogWindow::selectionChanged()
{
    if (m_refreshing)
        return;
    const int row = m_table->selectedRow();
    m_controller.selectRow(row >= 0 ? std::optional<qsizetype>(row) : std::nullopt);
    refresh();
}

void QVMailingLogWindow::refresh()
{
    if (m_refreshing)
        return;
    m_refreshing = true;
    m_model->reload();
    if (const std::optional<qsizetype> row = m_controller.selectedRow()) {
        m_table->selectRow(int(*row));
        if (m_controller.takeWantsFront()) {
            m_table->scrollTo(m_model->index(int(*row), 0));
            m_table->setFocus();
            raise();
            activateWindow();
        }
    } else {
        m_table->clearSelection();
    }
    if (m_preview->toPlainText() != m_controller.previewText()) {
        m_preview->setPlainText(m_controller.previewText());
        m_preview->moveCursor(QTextCursor::Start);
    }
    m_count->setText(m_controller.logCountText());
    const std::optional<int> tag = m_controller.statusMenuTag();
    for (QAction *item : m_statusMenu->actions())
        item->setChecked(tag && item->data().toInt() == *tag);
    updateEnabling();
    m_refreshing = false;
}

void QVMailingLogWindow::updateEnabling()
{
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it)
        it.value()->setEnabled(m_controller.validateAction(Action(it.key())));
    for (auto it = m_menuActions.cbegin(); it != m_menuActions.cend(); ++it)
        it.value()->setEnabled(m_controller.validateAction(Action(it.key())));
    for (auto it = m_toolbarActions.cbegin(); it != m_toolbarActions.cend(); ++it)
        it.value()->setEnabled(m_controller.validateToolbarItem(it.key()));
}

void QVMailingLogWindow::showDetails()
{
    const std::optional<int> number = m_controller.details();
    if (!number)
        return;
    if (QWidget *open = detailsWindow(*number)) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto entry = std::make_unique<QVMailingLogEntryController>(m_controller.detailsShipment(*number));
    QWidget *window = entry->window();
    window->setObjectName(QStringLiteral("details-%1").arg(*number));
    window->setProperty("detailsNumber", *number);
    entry->textField()->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    window->installEventFilter(this);
    window->show();
    m_detailsWindows.emplace(*number, std::move(entry));
}

QWidget *QVMailingLogWindow::detailsWindow(int number) const
{
    const auto found = m_detailsWindows.find(number);
    return found == m_detailsWindows.end() ? nullptr : found->second->window();
}

bool QVMailingLogWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close) {
        const QVariant number = watched->property("detailsNumber");
        if (number.isValid() && m_detailsWindows.count(number.toInt())) {
            const int window = number.toInt();
            m_controller.detailsWindowClosed(window);
            // The entry window goes once its close has been handled.
            QMetaObject::invokeMethod(
                this, [this, window]() { m_detailsWindows.erase(window); }, Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void QVMailingLogWindow::showBatchTrack()
{
    QVBatchTrackController &batch = m_controller.batchTrackController();
    if (!m_batchTrackWindow)
        m_batchTrackWindow = new QVBatchTrackWindow(batch, this);
    batch.showWindow();
    m_batchTrackWindow->show();
    m_batchTrackWindow->raise();
}

void QVMailingLogWindow::showExport()
{
    QVMailingLogExportController &exporter = m_controller.exportController();
    exporter.prepareForExport();
    auto *window = new QVMailingLogExportWindow(exporter);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::WindowModal);
    window->setParent(this, Qt::Sheet);
    // A sheet shows over its window: across its middle, at the top of its
    // contents (a window of its own is otherwise put wherever the desktop
    // likes, which is the screen's corner on a plain X server).
    const QRect over = geometry();
    window->move(over.x() + (over.width() - window->width()) / 2, over.y());
    window->show();
}

void QVMailingLogWindow::showArchiveSheet()
{
    m_controller.prepareArchive();
    auto *sheet = new QDialog(this, Qt::Sheet);
    sheet->setObjectName(QStringLiteral("archiveSheet"));
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowTitle(QStringLiteral("Archive Mailing Log"));
    auto *layout = new QFormLayout(sheet);
    layout->addRow(new QLabel(QStringLiteral("Move the entries printed from the first date to the second into an "
                                             "archive file.")));
    auto *begin = new QDateEdit(m_controller.archiveBeginDate().date());
    auto *end = new QDateEdit(m_controller.archiveEndDate().date());
    begin->setCalendarPopup(true);
    end->setCalendarPopup(true);
    layout->addRow(QStringLiteral("From:"), begin);
    layout->addRow(QStringLiteral("To:"), end);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    QPushButton *archive = buttons->addButton(QStringLiteral("Archive"), QDialogButtonBox::AcceptRole);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, sheet, &QDialog::reject);
    connect(archive, &QPushButton::clicked, sheet, [this, sheet, begin, end]() {
        m_controller.setArchiveDates(QDateTime(begin->date(), QTime(0, 0)), QDateTime(end->date(), QTime(0, 0)));
        if (m_controller.archive())
            sheet->accept();
        refresh();
    });
    sheet->open();
}

void QVMailingLogWindow::archiveFromSheet()
{
    if (m_controller.archive())
        if (auto *sheet = findChild<QDialog *>(QStringLiteral("archiveSheet")))
            sheet->accept();
    refresh();
}
