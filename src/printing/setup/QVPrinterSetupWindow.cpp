#include "printing/setup/QVPrinterSetupWindow.h"

#include "platform/Bundle.h"
#include "ui_PrinterSetup.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The title of the customs forms' second choice: the form has settings of
// its own.
const QString kOwnSettingsTitle = QStringLiteral("Its Own Printer");

// Tabs are known by their identifiers "1", "2" in the order shown.
QString tabIdentifier(int index) { return QString::number(index + 1); }
int tabIndex(const QString &identifier) { return qMax(0, identifier.toInt() - 1); }

void setComboTags(QComboBox *popup, const QStringList &titles)
{
    const QSignalBlocker blocker(popup);
    popup->clear();
    for (int tag = 0; tag < titles.size(); ++tag)
        popup->addItem(titles.at(tag), tag);
}

void selectTag(QComboBox *popup, int tag)
{
    const QSignalBlocker blocker(popup);
    popup->setCurrentIndex(popup->findData(tag));
}

// Runs the action with the tag of the chosen item.
template <typename Action> void onTagChosen(QComboBox *popup, QObject *context, Action action)
{
    QObject::connect(popup, &QComboBox::activated, context,
                     [popup, action](int index) { action(popup->itemData(index).toInt()); });
}

void setText(QLineEdit *field, const QString &text)
{
    if (field->text() != text) {
        const QSignalBlocker blocker(field);
        field->setText(text);
    }
}

void setValue(QSpinBox *box, int value)
{
    const QSignalBlocker blocker(box);
    box->setValue(value);
}

void setChecked(QAbstractButton *button, bool on)
{
    const QSignalBlocker blocker(button);
    button->setChecked(on);
}

// Shows or hides a sheet as the controller says.
void showSheet(QDialog *sheet, bool open)
{
    if (open && !sheet->isVisible())
        sheet->show();
    else if (!open && sheet->isVisible())
        sheet->hide();
}

QDialog *makeSheet(QWidget *window, const QString &title)
{
    auto *sheet = new QDialog(window);
    sheet->setWindowTitle(title);
    sheet->setWindowModality(Qt::WindowModal);
    return sheet;
}

} // namespace

void fillPopup(QComboBox *popup, const QList<QVSetupMenuItem> &items, int selectedTag)
{
    const QSignalBlocker blocker(popup);
    popup->clear();
    auto *model = qobject_cast<QStandardItemModel *>(popup->model());
    for (const QVSetupMenuItem &item : items) {
        if (item.separator) {
            popup->insertSeparator(popup->count());
            continue;
        }
        popup->addItem(item.title, item.tag);
        if (model && !item.enabled)
            model->item(popup->count() - 1)->setEnabled(false);
    }
    int selected = -1;
    for (int index = 0; index < popup->count() && selected < 0; ++index) {
        if (popup->itemData(index).isValid() && popup->itemData(index).toInt() == selectedTag)
            selected = index;
    }
    popup->setCurrentIndex(selected);
}

struct QVPrinterSetupWindow::Sheets {
    // The label-printer tools.
    QDialog *kivo = nullptr;
    QLabel *kivoTitle = nullptr;
    QComboBox *kivoQueue = nullptr;
    QComboBox *kivoRoll = nullptr;
    QComboBox *kivoDensity = nullptr;

    // The Zebra tools.
    QDialog *zebra = nullptr;
    QTabWidget *connection = nullptr;
    QTableWidget *serialTable = nullptr;
    QComboBox *zebraQueue = nullptr;
    QCheckBox *useQueue = nullptr;
    QSpinBox *darkness = nullptr;
    QSpinBox *speed = nullptr;
    QRadioButton *bottomFirst = nullptr;
    QRadioButton *topFirst = nullptr;
    QLineEdit *command = nullptr;

    // The envelope size.
    QDialog *size = nullptr;
    QLineEdit *sizeName = nullptr;
    QLineEdit *sizeHeight = nullptr;
    QLineEdit *sizeWidth = nullptr;
};

QVPrinterSetupWindow::QVPrinterSetupWindow(QVPrinterSetupController &controller, QWidget *parent)
    : QWidget(parent), m_controller(controller), m_ui(std::make_unique<Ui::PrinterSetup>()),
      m_sheets(std::make_unique<Sheets>())
{
    m_ui->setupUi(this);
    connectPrinterTab();
    connectEnvelopeTab();
    connect(&m_controller, &QVPrinterSetupController::controlsChanged, this, &QVPrinterSetupWindow::refresh);
    connect(&m_controller, &QVPrinterSetupController::windowShouldShow, this, [this] {
        show();
        raise();
        activateWindow();
    });
    refresh();
}

QVPrinterSetupWindow::~QVPrinterSetupWindow() = default;

QVPrinterSetupWindow &QVPrinterSetupWindow::sharedWindow()
{
    static QVPrinterSetupWindow *window = new QVPrinterSetupWindow(*QVPrinterSetupController::sharedController());
    return *window;
}

QDialog *QVPrinterSetupWindow::kivoToolsSheet() const { return m_sheets->kivo; }
QDialog *QVPrinterSetupWindow::zebraToolsSheet() const { return m_sheets->zebra; }
QDialog *QVPrinterSetupWindow::envelopeSizeSheet() const { return m_sheets->size; }

void QVPrinterSetupWindow::connectPrinterTab()
{
    Ui::PrinterSetup &ui = *m_ui;
    QVPrinterSetupController &c = m_controller;
    using Choice = QVPrinterSetupController::PrinterTypeChoice;

    connect(ui.tabs, &QTabWidget::currentChanged, this, [&c](int index) { c.selectTab(tabIdentifier(index)); });
    auto *types = new QButtonGroup(this);
    types->addButton(ui.plainPaperRadio, 0);
    types->addButton(ui.kivoRadio, 1);
    types->addButton(ui.zebraRadio, 2);
    connect(ui.plainPaperRadio, &QRadioButton::clicked, this, [&c] { c.setPrinterType(Choice::PlainPaper); });
    connect(ui.kivoRadio, &QRadioButton::clicked, this, [&c] { c.setPrinterType(Choice::LabelPrinter); });
    connect(ui.zebraRadio, &QRadioButton::clicked, this, [&c] { c.setPrinterType(Choice::Zebra); });
    connect(ui.kivoToolsButton, &QPushButton::clicked, this, [&c] { c.showKivoTools(); });
    connect(ui.zebraToolsButton, &QPushButton::clicked, this, [&c] { c.showZebraTools(); });

    auto *stocks = new QButtonGroup(this);
    const QList<QRadioButton *> stockButtons = {ui.stock0, ui.stock1, ui.stock2, ui.stock3, ui.stock4};
    for (int tag = 0; tag < stockButtons.size(); ++tag) {
        stocks->addButton(stockButtons.at(tag), tag);
        connect(stockButtons.at(tag), &QRadioButton::clicked, this, [&c, tag] { c.chooseStock(tag); });
    }
    connect(ui.useKivoForEnvelopes, &QCheckBox::clicked, this, [&c](bool on) { c.setUseKIVOForEnvelopes(on); });

    const struct {
        QPushButton *printSetup, *pageLayout, *reset;
        QString purpose;
    } purposes[] = {
        {ui.plainPaperPrintSetupButton, ui.plainPaperPageLayoutButton, ui.plainPaperResetButton,
         QVPlainPaperPrintInfoKey},
        {ui.envelopePrintSetupButton, ui.envelopePageLayoutButton, ui.envelopeResetButton, QVEnvelopePrintInfoKey},
        {ui.recordPrintSetupButton, ui.recordPageLayoutButton, ui.recordResetButton, QVMailingRecordPaperInfoKey},
        {ui.fcmiPrintSetupButton, ui.fcmiPageLayoutButton, ui.fcmiResetButton, QVFCMIPrintInfoKey},
        {ui.gemPrintSetupButton, ui.gemPageLayoutButton, ui.gemResetButton, QVGEMPrintInfoKey},
    };
    for (const auto &p : purposes) {
        const QString purpose = p.purpose;
        connect(p.printSetup, &QPushButton::clicked, this, [&c, purpose] { c.runPrintSetup(purpose); });
        connect(p.pageLayout, &QPushButton::clicked, this, [&c, purpose] { c.runPageLayout(purpose); });
        connect(p.reset, &QPushButton::clicked, this, [&c, purpose] { c.resetPrintInfo(purpose); });
    }
    onTagChosen(ui.fcmiChoice, this, [&c](int tag) { c.setFCMIChoice(tag); });
    onTagChosen(ui.form2976AChoice, this, [&c](int tag) { c.set2976AChoice(tag); });
}

void QVPrinterSetupWindow::connectEnvelopeTab()
{
    Ui::PrinterSetup &ui = *m_ui;
    QVPrinterSetupController &c = m_controller;
    setComboTags(ui.feedPopup, {tr("Left"), tr("Center"), tr("Right")});
    setComboTags(ui.directionPopup, {tr("Left edge"), tr("Right edge")});
    setComboTags(ui.facingPopup, {tr("Up"), tr("Down")});
    setComboTags(ui.trayPopup, {tr("Top"), tr("Front")});
    onTagChosen(ui.feedPopup, this, [&c](int tag) { c.setEnvelopeFeed(tag); });
    onTagChosen(ui.directionPopup, this, [&c](int tag) { c.setEnvelopeDirection(tag); });
    onTagChosen(ui.facingPopup, this, [&c](int tag) { c.setEnvelopeFacing(tag); });
    onTagChosen(ui.trayPopup, this, [&c](int tag) { c.setEnvelopeTrayLocation(tag); });
    onTagChosen(ui.envelopeSizePopup, this, [&c](int tag) { c.chooseEnvelopeMenuItem(tag); });
    onTagChosen(ui.postcardSizePopup, this, [&c](int tag) { c.choosePostcardSize(tag); });
    connect(ui.printReturnAddressCheck, &QCheckBox::clicked, this,
            [&c](bool on) { c.setEnvelopePrintReturnAddress(on); });
    connect(ui.alignPostageLeftCheck, &QCheckBox::clicked, this, [&c](bool on) { c.setEnvelopeAlignPostageLeft(on); });
    connect(ui.giantRotateCheck, &QCheckBox::clicked, this, [&c](bool on) { c.setEnvelopeGiantRotate(on); });
}

void QVPrinterSetupWindow::refresh()
{
    Ui::PrinterSetup &ui = *m_ui;
    const QVPrinterSetupControls &s = m_controller.controls();
    {
        const QSignalBlocker blocker(ui.tabs);
        ui.tabs->setCurrentIndex(tabIndex(s.selectedTab));
    }

    // The printer type.
    const QList<QRadioButton *> types = {ui.plainPaperRadio, ui.kivoRadio, ui.zebraRadio};
    types.first()->group()->setExclusive(false);
    for (int choice = 0; choice < types.size(); ++choice)
        setChecked(types.at(choice), choice == s.printerChoice);
    types.first()->group()->setExclusive(true);
    for (QPushButton *button : {ui.plainPaperPrintSetupButton, ui.plainPaperPageLayoutButton, ui.plainPaperResetButton})
        button->setEnabled(s.plainPaperButtonsEnabled);
    ui.kivoToolsButton->setEnabled(s.kivoToolsEnabled);
    ui.zebraToolsButton->setEnabled(s.zebraToolsEnabled);
    ui.plainPaperQueue->setText(s.plainPaperQueueName);

    // The label stocks.
    const QList<QRadioButton *> stocks = {ui.stock0, ui.stock1, ui.stock2, ui.stock3, ui.stock4};
    const QList<QLabel *> stockPrinters = {ui.stockPrinter0, ui.stockPrinter1, ui.stockPrinter2, ui.stockPrinter3,
                                           ui.stockPrinter4};
    for (int tag = 0; tag < stocks.size(); ++tag) {
        setChecked(stocks.at(tag), tag == s.stockTag);
        stocks.at(tag)->setEnabled(s.stockChoiceEnabled);
        stockPrinters.at(tag)->setText(s.stockPrinterNames.value(tag));
        stockPrinters.at(tag)->setEnabled(s.stockChoiceEnabled);
    }
    setChecked(ui.useKivoForEnvelopes, s.useKIVOForEnvelopes);
    ui.useKivoForEnvelopes->setEnabled(s.useKIVOForEnvelopesEnabled);

    // The other purposes and the customs forms.
    ui.envelopeQueue->setText(s.envelopeQueueName);
    ui.recordQueue->setText(s.mailingRecordQueueName);
    fillPopup(ui.fcmiChoice, {{s.fcmiFirstChoiceTitle, 0}, {kOwnSettingsTitle, 1}}, s.fcmiChoiceTag);
    ui.fcmiQueue->setText(s.fcmiQueueName);
    for (QPushButton *button : {ui.fcmiPrintSetupButton, ui.fcmiPageLayoutButton, ui.fcmiResetButton})
        button->setEnabled(s.fcmiButtonsEnabled);
    fillPopup(ui.form2976AChoice,
              {{s.form2976AFirstChoiceTitle, 0, s.form2976AFirstChoiceEnabled}, {kOwnSettingsTitle, 1}},
              s.form2976AChoiceTag);
    ui.gemQueue->setText(s.gemQueueName);
    for (QPushButton *button : {ui.gemPrintSetupButton, ui.gemPageLayoutButton, ui.gemResetButton})
        button->setEnabled(s.form2976AButtonsEnabled);

    // The envelope tab.
    fillPopup(ui.envelopeSizePopup, s.envelopeMenu, s.selectedEnvelopeTag);
    fillPopup(ui.postcardSizePopup, s.postcardMenu, s.selectedPostcardTag);
    setChecked(ui.printReturnAddressCheck, s.envelopePrintReturnAddress);
    setChecked(ui.alignPostageLeftCheck, s.envelopeAlignPostageLeft);
    setChecked(ui.giantRotateCheck, s.envelopeGiantRotate);
    selectTag(ui.feedPopup, s.envelopeFeed);
    selectTag(ui.directionPopup, s.envelopeDirection);
    selectTag(ui.facingPopup, s.envelopeFacing);
    selectTag(ui.trayPopup, s.envelopeTrayLocation);
    const QString picture = Bundle::pathForResource(s.envelopePictureName, QStringLiteral("png"));
    const QPixmap pixmap(picture);
    if (pixmap.isNull())
        ui.envelopePicture->setText(s.envelopePictureName);
    else
        ui.envelopePicture->setPixmap(
            pixmap.scaled(ui.envelopePicture->minimumSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    ui.envelopePicture->setToolTip(s.envelopePictureName);

    refreshSheets();
}

void QVPrinterSetupWindow::refreshSheets()
{
    Sheets &w = *m_sheets;
    QVPrinterSetupController &c = m_controller;
    const QVPrinterSetupControls &s = c.controls();

    if (s.kivoTools.open && !w.kivo) {
        w.kivo = makeSheet(this, tr("Label Printer Settings"));
        auto *form = new QFormLayout(w.kivo);
        w.kivoTitle = new QLabel(w.kivo);
        form->addRow(w.kivoTitle);
        w.kivoQueue = new QComboBox(w.kivo);
        w.kivoQueue->setPlaceholderText(tr("No printer"));
        w.kivoRoll = new QComboBox(w.kivo);
        w.kivoDensity = new QComboBox(w.kivo);
        form->addRow(tr("Printer:"), w.kivoQueue);
        form->addRow(tr("Roll:"), w.kivoRoll);
        form->addRow(tr("Density:"), w.kivoDensity);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, w.kivo);
        form->addRow(buttons);
        connect(w.kivoQueue, &QComboBox::activated, this,
                [&c, queue = w.kivoQueue](int index) { c.kivoToolsChooseQueue(queue->itemText(index)); });
        connect(w.kivoRoll, &QComboBox::activated, this, [&c](int index) { c.kivoToolsChooseRoll(index); });
        onTagChosen(w.kivoDensity, this, [&c](int tag) { c.kivoToolsChooseDensity(tag); });
        connect(buttons, &QDialogButtonBox::accepted, this, [&c] { c.kivoToolsOK(); });
        connect(buttons, &QDialogButtonBox::rejected, this, [this, &c] {
            c.kivoToolsCancel();
            refresh();
        });
    }
    if (w.kivo) {
        w.kivoTitle->setText(s.kivoTools.title);
        QList<QVSetupMenuItem> queues;
        for (int index = 0; index < s.kivoTools.queues.size(); ++index)
            queues.append({s.kivoTools.queues.at(index), index});
        fillPopup(w.kivoQueue, queues, int(s.kivoTools.queues.indexOf(s.kivoTools.selectedQueue)));
        QList<QVSetupMenuItem> rolls = s.kivoTools.rollItems;
        for (int index = 0; index < rolls.size(); ++index)
            rolls[index].tag = index;
        fillPopup(w.kivoRoll, rolls, s.kivoTools.selectedRollIndex);
        w.kivoRoll->setEnabled(!rolls.isEmpty() && rolls.first().enabled);
        fillPopup(w.kivoDensity, s.kivoTools.densityItems, s.kivoTools.selectedDensityTag);
        showSheet(w.kivo, s.kivoTools.open);
    }

    if (s.zebraToolsSheetOpen && !w.zebra) {
        w.zebra = makeSheet(this, tr("Zebra Printer Settings"));
        auto *layout = new QVBoxLayout(w.zebra);
        w.connection = new QTabWidget(w.zebra);
        auto *serial = new QWidget;
        auto *serialLayout = new QVBoxLayout(serial);
        w.serialTable = new QTableWidget(0, 2, serial);
        w.serialTable->setHorizontalHeaderLabels({tr("Name"), tr("Path")});
        w.serialTable->setSelectionBehavior(QAbstractItemView::SelectRows);
        w.serialTable->setSelectionMode(QAbstractItemView::SingleSelection);
        w.serialTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
        w.serialTable->horizontalHeader()->setStretchLastSection(true);
        w.serialTable->verticalHeader()->hide();
        serialLayout->addWidget(w.serialTable);
        auto *serialButtons = new QHBoxLayout;
        auto *refreshPorts = new QPushButton(tr("Refresh"), serial);
        auto *testPort = new QPushButton(tr("Test"), serial);
        serialButtons->addWidget(refreshPorts);
        serialButtons->addStretch();
        serialButtons->addWidget(testPort);
        serialLayout->addLayout(serialButtons);
        w.connection->addTab(serial, tr("Serial Port"));

        auto *queue = new QWidget;
        auto *queueLayout = new QFormLayout(queue);
        w.zebraQueue = new QComboBox(queue);
        w.zebraQueue->setPlaceholderText(tr("No printer"));
        queueLayout->addRow(tr("Print queue:"), w.zebraQueue);
        w.useQueue = new QCheckBox(tr("Print labels through this queue"), queue);
        queueLayout->addRow(w.useQueue);
        auto *queueButtons = new QHBoxLayout;
        auto *refreshQueues = new QPushButton(tr("Refresh"), queue);
        auto *addPrinter = new QPushButton(tr("Add Printer…"), queue);
        queueButtons->addWidget(refreshQueues);
        queueButtons->addWidget(addPrinter);
        queueLayout->addRow(queueButtons);
        w.connection->addTab(queue, tr("Print Queue"));
        layout->addWidget(w.connection);

        auto *settings = new QFormLayout;
        w.darkness = new QSpinBox(w.zebra);
        w.darkness->setRange(0, 15);
        w.speed = new QSpinBox(w.zebra);
        w.speed->setRange(1, 6);
        settings->addRow(tr("Darkness:"), w.darkness);
        settings->addRow(tr("Speed:"), w.speed);
        auto *orientation = new QHBoxLayout;
        w.bottomFirst = new QRadioButton(tr("Bottom first"), w.zebra);
        w.topFirst = new QRadioButton(tr("Top first"), w.zebra);
        auto *orientationGroup = new QButtonGroup(w.zebra);
        orientationGroup->addButton(w.bottomFirst, 0);
        orientationGroup->addButton(w.topFirst, 1);
        orientation->addWidget(w.bottomFirst);
        orientation->addWidget(w.topFirst);
        settings->addRow(tr("Orientation:"), orientation);
        auto *commandRow = new QHBoxLayout;
        w.command = new QLineEdit(w.zebra);
        auto *send = new QPushButton(tr("Send"), w.zebra);
        commandRow->addWidget(w.command);
        commandRow->addWidget(send);
        settings->addRow(tr("Command:"), commandRow);
        layout->addLayout(settings);
        auto *tools = new QHBoxLayout;
        auto *configuration = new QPushButton(tr("Print Configuration"), w.zebra);
        auto *download = new QPushButton(tr("Download File…"), w.zebra);
        auto *done = new QPushButton(tr("Done"), w.zebra);
        done->setDefault(true);
        tools->addWidget(configuration);
        tools->addWidget(download);
        tools->addStretch();
        tools->addWidget(done);
        layout->addLayout(tools);

        connect(w.connection, &QTabWidget::currentChanged, this,
                [&c](int index) { c.selectZebraConnectionTab(tabIdentifier(index)); });
        connect(w.serialTable, &QTableWidget::cellClicked, this, [&c](int row, int) { c.chooseSerialPort(row); });
        connect(refreshPorts, &QPushButton::clicked, this, [&c] { c.refreshPortList(); });
        connect(testPort, &QPushButton::clicked, this, [&c] { c.testPort(); });
        connect(w.zebraQueue, &QComboBox::activated, this,
                [this, &c](int index) { c.setZebraPrinterName(m_sheets->zebraQueue->itemData(index).toString()); });
        connect(w.useQueue, &QCheckBox::clicked, this, [&c](bool on) { c.setAdvancedZebraPath(on); });
        connect(refreshQueues, &QPushButton::clicked, this, [&c] { c.refreshZebraList(); });
        connect(addPrinter, &QPushButton::clicked, this, [&c] { c.launchPrinterAdd(); });
        connect(w.darkness, &QSpinBox::valueChanged, this,
                [&c](int value) { c.setZebraDarkness(QString::number(value)); });
        connect(w.speed, &QSpinBox::valueChanged, this, [&c](int value) { c.setZebraSpeed(QString::number(value)); });
        connect(orientationGroup, &QButtonGroup::idClicked, this, [&c](int tag) { c.setZebraOrientation(tag); });
        connect(w.command, &QLineEdit::textEdited, this, [&c](const QString &text) { c.setZebraCommand(text); });
        connect(w.command, &QLineEdit::returnPressed, this, [&c] { c.sendZebraCommand(); });
        connect(send, &QPushButton::clicked, this, [&c] { c.sendZebraCommand(); });
        connect(configuration, &QPushButton::clicked, this, [&c] { c.printZebraConfiguration(); });
        connect(download, &QPushButton::clicked, this, [&c] { c.downloadFileToZebraPrinter(); });
        connect(done, &QPushButton::clicked, this, [this, &c] {
            c.closeZebraToolsSheet();
            refresh();
        });
    }
    if (w.zebra) {
        {
            const QSignalBlocker blocker(w.connection);
            w.connection->setCurrentIndex(tabIndex(s.zebraConnectionTab));
        }
        {
            const QSignalBlocker blocker(w.serialTable);
            w.serialTable->setRowCount(int(s.serialPortRows.size()));
            for (int row = 0; row < s.serialPortRows.size(); ++row) {
                w.serialTable->setItem(row, 0, new QTableWidgetItem(s.serialPortRows.at(row).name));
                w.serialTable->setItem(row, 1, new QTableWidgetItem(s.serialPortRows.at(row).bsdPath));
            }
            w.serialTable->clearSelection();
            if (s.selectedSerialRow >= 0)
                w.serialTable->selectRow(s.selectedSerialRow);
        }
        {
            const QSignalBlocker blocker(w.zebraQueue);
            w.zebraQueue->clear();
            for (const QVariantMap &queue : s.zebraPrinters)
                w.zebraQueue->addItem(queue.value(QStringLiteral("printerName")).toString(),
                                      queue.value(QStringLiteral("printerID")));
            w.zebraQueue->setCurrentIndex(w.zebraQueue->findData(s.zebraPrinterName));
        }
        setChecked(w.useQueue, s.advancedZebraPath);
        setValue(w.darkness, s.zebraDarkness.toInt());
        setValue(w.speed, s.zebraSpeed.toInt());
        setChecked(w.bottomFirst, s.zebraOrientationTag == 0);
        setChecked(w.topFirst, s.zebraOrientationTag == 1);
        setText(w.command, s.zebraCommand);
        showSheet(w.zebra, s.zebraToolsSheetOpen);
    }

    if (s.sizeSheet.open && !w.size) {
        w.size = makeSheet(this, tr("Envelope Size"));
        auto *form = new QFormLayout(w.size);
        w.sizeName = new QLineEdit(w.size);
        w.sizeHeight = new QLineEdit(w.size);
        w.sizeWidth = new QLineEdit(w.size);
        form->addRow(tr("Nickname:"), w.sizeName);
        form->addRow(tr("Height (inches):"), w.sizeHeight);
        form->addRow(tr("Width (inches):"), w.sizeWidth);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, w.size);
        form->addRow(buttons);
        connect(w.sizeName, &QLineEdit::textEdited, this, [&c](const QString &text) { c.setSizeSheetName(text); });
        connect(w.sizeHeight, &QLineEdit::textEdited, this, [&c](const QString &text) { c.setSizeSheetHeight(text); });
        connect(w.sizeWidth, &QLineEdit::textEdited, this, [&c](const QString &text) { c.setSizeSheetWidth(text); });
        connect(buttons, &QDialogButtonBox::accepted, this, [this, &c] {
            c.sizeSheetOK();
            refresh();
        });
        connect(buttons, &QDialogButtonBox::rejected, this, [this, &c] {
            c.sizeSheetCancel();
            refresh();
        });
    }
    if (w.size) {
        const bool opening = s.sizeSheet.open && !w.size->isVisible();
        setText(w.sizeName, s.sizeSheet.name);
        setText(w.sizeHeight, s.sizeSheet.height);
        setText(w.sizeWidth, s.sizeSheet.width);
        showSheet(w.size, s.sizeSheet.open);
        if (opening)
            (s.sizeSheet.focusField == QLatin1String("height") ? w.sizeHeight : w.sizeName)->setFocus();
    }
}
