#include "stamps/TessaroView.h"

#include "stamps/QVMatrix.h"
#include "stamps/QVStampImageCell.h"
#include "stamps/TessaroCompanionViews.h"
#include "stamps/TessaroCustomAmounts.h"
#include "stamps/TessaroGuide.h"
#include "stamps/TessaroMailpiecePopUp.h"
#include "stamps/TessaroTags.h"
#include "stamps/TessaroWeigh.h"

#include "ui_Tessaro.h"

#include <QMenu>
#include <QPainter>
#include <QStandardItemModel>

TessaroView::TessaroView(TessaroController &controller, bool scratchFilesWaiting, QWidget *parent)
    : QWidget(parent), m_controller(controller), m_form(std::make_unique<Ui::Tessaro>())
{
    m_form->setupUi(this);
    m_reviewTop = m_form->reviewView->y();
    m_boxHeight = m_form->postageAndAccountBox->height();
    m_referenceRowHeight = m_form->referenceIDView->height();

    m_stampMatrix = new QVMatrix(5, 5, false, QSizeF(84, 70), m_form->stampMatrixHolder);
    m_stamp2000Matrix = new QVMatrix(4, 6, true, QSizeF(70, 58), m_form->stamp2000MatrixHolder);
    m_stampMatrix->setObjectName(QStringLiteral("stampMatrix"));
    m_stamp2000Matrix->setObjectName(QStringLiteral("stamp2000Matrix"));

    for (int tag = tessaro::FirstMailpieceTag; tag <= tessaro::LastMailpieceTag; ++tag)
        m_form->mailpiecePopup->addMailpiece(tag, mailpieceTitle(tag), mailpieceRichTitle(tag),
                                             mailpiecePicture(tag, TessaroMailpiecePopUp::LargePictureSize));

    for (QVMatrix *matrix : {m_stampMatrix, m_stamp2000Matrix}) {
        connect(matrix, &QVMatrix::selectionChanged, this,
                [this](const QList<int> &cells) { act([&] { m_controller.setSelectedCells(cells); }); });
        connect(matrix, &QVMatrix::rightClicked, this, [this](int cell, const QPoint &globalPosition) {
            act([&] { m_controller.rightClickedCell(cell); });
            showClassMenu(globalPosition);
        });
    }
    connect(m_form->mailpiecePopup, &QComboBox::activated, this, [this](int index) {
        act([&] { m_controller.changedMailpiece(m_form->mailpiecePopup->itemData(index).toInt()); });
    });
    connect(m_form->sheetRatePopup, &QComboBox::activated, this,
            [this](int index) { act([&] { m_controller.chooseClassIndex(index); }); });
    connect(m_form->sheetCountField, &QLineEdit::textEdited, this,
            [this](const QString &text) { act([&] { m_controller.controlTextDidChange(text); }); });
    connect(m_form->sheetCountStepper, &QSpinBox::valueChanged, this,
            [this](int value) { act([&] { m_controller.sheetCountChanged(value); }); });
    connect(m_form->referenceIDField, &QLineEdit::textEdited, this, [this](const QString &text) {
        act([&] { m_controller.setCurrentReferenceID(text.isEmpty() ? std::nullopt : std::optional(text)); });
    });
    connect(m_form->showSheetStampAmountCheckbox, &QCheckBox::toggled, this, [this](bool on) {
        QVStampImageCell::setDrawDollarOverlay(on);
        act([&] { m_controller.setDrawDollarOverlay(on); });
    });
    connect(m_form->sheetType24Button, &QRadioButton::clicked, this,
            [this] { act([&] { m_controller.setCurrentSheetType(TessaroController::Sheet24); }); });
    connect(m_form->sheetType25Button, &QRadioButton::clicked, this,
            [this] { act([&] { m_controller.setCurrentSheetType(TessaroController::Sheet25); }); });
    connect(m_form->selectAllButton, &QPushButton::clicked, this, [this] { act([&] { m_controller.selectAll(); }); });
    connect(m_form->guideMeButton, &QPushButton::clicked, this, [this] { showGuideMeWindow(&m_controller); });
    connect(m_form->mailpieceHelpButton, &QToolButton::clicked, this,
            [this] { act([&] { m_controller.kivoStampsMailpieceHelp(); }); });
    connect(m_form->switcherSheetsButton, &QPushButton::clicked, this,
            [this] { act([&] { m_controller.setCurrentMode(TessaroController::SheetMode); }); });
    connect(m_form->switcherRollsButton, &QPushButton::clicked, this,
            [this] { act([&] { m_controller.chooseKIVO(); }); });
    connect(m_form->printLiveSheetButton, &QPushButton::clicked, this, [this] {
        emit printRequested(false);
        act([&] { m_controller.printSheet(TessaroPrintSender::PrintButton); });
    });
    connect(m_form->printSampleSheetButton, &QPushButton::clicked, this, [this] {
        emit printRequested(true);
        act([&] { m_controller.printSheet(TessaroPrintSender::TestPrintButton); });
    });
    // Without a label printer the pop-up says so instead of showing blank.
    m_form->kivoPrinterPopup->setPlaceholderText(tr("No printer"));
    connect(m_form->kivoPrinterPopup, &QComboBox::activated, this, [this](int index) {
        act([&] { m_controller.kivoPrinterChanged(m_form->kivoPrinterPopup->itemText(index)); });
    });
    connect(m_form->kivoTrayPopup, &QComboBox::activated, this,
            [this](int index) { act([&] { m_controller.kivoTrayChanged(m_form->kivoTrayPopup->itemText(index)); }); });
    connect(m_form->weighButton, &QPushButton::clicked, this, [this] {
        emit weighRequested();
        act([&] { m_controller.tessaroWeigh(); });
    });
    // The status line fades on timers, outside any action.
    m_controller.weighing().setChangeHandler([this] {
        if (!m_refreshing)
            refresh();
    });

    m_controller.windowDidLoad(layoutFromForm(), scratchFilesWaiting);
    refresh();
}

TessaroView::~TessaroView() { m_controller.weighing().setChangeHandler({}); }

QComboBox *TessaroView::mailpiecePopup() const { return m_form->mailpiecePopup; }

QComboBox *TessaroView::sheetRatePopup() const { return m_form->sheetRatePopup; }

template <class Action> void TessaroView::act(Action action)
{
    if (m_refreshing)
        return;
    action();
    refresh();
}

TessaroLayout TessaroView::layoutFromForm() const
{
    TessaroLayout layout;
    layout.contentSize = size();
    layout.tabViewSize = m_form->tabView->size();
    layout.statusBarHeight = m_form->statusTextDisclosableView->height();
    layout.postageAndAccountBoxWidth = m_form->postageAndAccountBox->width();
    layout.statusLineTemplate = m_form->statusTextLine->text();
    layout.printTitle = m_form->printLiveSheetButton->text();
    layout.testPrintTitle = m_form->printSampleSheetButton->text();
    layout.referenceIDShown = !m_form->referenceIDView->isHidden();
    return layout;
}

QString TessaroView::mailpieceTitle(int tag)
{
    switch (tag) {
    case tessaro::Postcard:
        return tr("Postcard");
    case tessaro::FirstClassLetter:
        return tr("First-Class Letter");
    case tessaro::FirstClassFlat:
        return tr("First-Class Large Envelope");
    case tessaro::FirstClassParcel:
        return tr("First-Class Package");
    case tessaro::PriorityMailEnvelope:
        return tr("Priority Mail Flat Rate Envelope");
    case tessaro::PriorityMailBox:
        return tr("Priority Mail Medium Flat Rate Box");
    case tessaro::PriorityMailLargeBox:
        return tr("Priority Mail Large Flat Rate Box");
    case tessaro::PriorityMailSmallBox:
        return tr("Priority Mail Small Flat Rate Box");
    default:
        return QString();
    }
}

QString TessaroView::mailpieceRichTitle(int tag)
{
    QString detail;
    switch (tag) {
    case tessaro::Postcard:
        detail = tr("Domestic and international postcards");
        break;
    case tessaro::FirstClassLetter:
        detail = tr("Letters up to 3.5 oz.");
        break;
    case tessaro::FirstClassFlat:
        detail = tr("Large envelopes (flats) up to 13 oz.");
        break;
    case tessaro::FirstClassParcel:
        detail = tr("Packages up to 13 oz.");
        break;
    default:
        detail = tr("One price for any weight");
        break;
    }
    const QString title = mailpieceTitle(tag);
    if (title.isEmpty())
        return QString();
    return QStringLiteral("<b>%1</b><br/><span style=\"color:#606060\">%2</span>")
        .arg(title.toHtmlEscaped(), detail.toHtmlEscaped());
}

QImage TessaroView::mailpiecePicture(int tag, int size)
{
    // A small drawing of the piece: its outline in proportion, envelopes with
    // a flap, boxes with a lid line; Priority Mail pieces in blue.
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const bool priority = tag >= tessaro::PriorityMailEnvelope;
    const bool box = tag >= tessaro::PriorityMailBox || tag == tessaro::FirstClassParcel;
    QRectF outline;
    switch (tag) {
    case tessaro::Postcard:
        outline = QRectF(0.15 * s, 0.3 * s, 0.7 * s, 0.45 * s);
        break;
    case tessaro::FirstClassLetter:
        outline = QRectF(0.05 * s, 0.28 * s, 0.9 * s, 0.45 * s);
        break;
    case tessaro::FirstClassFlat:
    case tessaro::PriorityMailEnvelope:
        outline = QRectF(0.12 * s, 0.12 * s, 0.76 * s, 0.76 * s);
        break;
    case tessaro::PriorityMailSmallBox:
        outline = QRectF(0.2 * s, 0.35 * s, 0.6 * s, 0.4 * s);
        break;
    case tessaro::PriorityMailLargeBox:
        outline = QRectF(0.05 * s, 0.1 * s, 0.9 * s, 0.8 * s);
        break;
    default:
        outline = QRectF(0.1 * s, 0.2 * s, 0.8 * s, 0.6 * s);
        break;
    }
    painter.setPen(QPen(priority ? QColor(20, 60, 140) : QColor(90, 90, 90), std::max(1.0, s / 16)));
    painter.setBrush(box ? QColor(205, 170, 120) : QColor(250, 250, 250));
    if (priority)
        painter.setBrush(QColor(235, 240, 250));
    painter.drawRect(outline);
    if (box) {
        painter.drawLine(QPointF(outline.left(), outline.top() + outline.height() * 0.3),
                         QPointF(outline.right(), outline.top() + outline.height() * 0.3));
    } else if (tag != tessaro::Postcard) {
        painter.drawLine(outline.topLeft(), outline.center());
        painter.drawLine(outline.topRight(), outline.center());
    }
    return image;
}

void TessaroView::fillClassPopup()
{
    QComboBox *popUp = m_form->sheetRatePopup;
    popUp->clear();
    const QList<TessaroMenuItem> &items = m_controller.classMenuItems();
    for (const TessaroMenuItem &item : items) {
        if (item.isSeparator) {
            popUp->insertSeparator(popUp->count());
            continue;
        }
        popUp->addItem(QString(item.indentationLevel * 4, QLatin1Char(' ')) + item.title, item.tag);
        if (auto *model = qobject_cast<QStandardItemModel *>(popUp->model())) {
            QStandardItem *row = model->item(popUp->count() - 1);
            if (!m_controller.validateMenuItem(item))
                row->setFlags(row->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
            if (item.indentationLevel == 0 && item.tag >= 1 && item.tag <= 16) {
                QFont font = popUp->font();
                font.setBold(true);
                row->setFont(font);
            }
        }
    }
    popUp->setCurrentIndex(m_controller.selectedClassIndex());
}

void TessaroView::showClassMenu(const QPoint &globalPosition)
{
    QMenu menu(this);
    const QList<TessaroMenuItem> &items = m_controller.classMenuItems();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].isSeparator) {
            menu.addSeparator();
            continue;
        }
        QAction *action = menu.addAction(items[i].title);
        action->setEnabled(m_controller.validateMenuItem(items[i]));
        action->setCheckable(true);
        action->setChecked(i == m_controller.selectedClassIndex());
        connect(action, &QAction::triggered, this, [this, i] { act([&] { m_controller.chooseClassIndex(int(i)); }); });
    }
    if (!globalPosition.isNull())
        menu.exec(globalPosition);
}

void TessaroView::refresh()
{
    m_refreshing = true;
    TessaroController &c = m_controller;
    const bool rolls = c.currentMode() == TessaroController::RollMode;

    setFixedSize(c.contentSize().toSize());
    m_form->switcherSheetsButton->setVisible(c.modeSwitcherShown());
    m_form->switcherRollsButton->setVisible(c.modeSwitcherShown());
    m_form->switcherSheetsButton->setChecked(c.switcherSegment() == 0);
    m_form->switcherRollsButton->setChecked(c.switcherSegment() == 1);

    const QString tab = c.selectedTab();
    m_form->tabView->setCurrentWidget(tab == QLatin1String("kivo")            ? m_form->kivo
                                          : tab == QLatin1String("sheet2000") ? m_form->sheet2000
                                                                              : m_form->sheet);
    m_form->tabView->resize(c.tabViewSize().toSize());

    // The help button takes the pop-up's right end where it is shown.
    const bool help = c.mailpieceHelpShown();
    m_form->mailpieceHelpButton->setVisible(help);
    m_form->mailpiecePopup->resize(help ? m_form->mailpieceHelpButton->x() - 4 - m_form->mailpiecePopup->x()
                                        : m_form->mailpieceHelpButton->geometry().right() + 1 -
                                           m_form->mailpiecePopup->x(),
                                   m_form->mailpiecePopup->height());
    m_form->mailpiecePopup->setCurrentIndex(m_form->mailpiecePopup->findData(c.selectedMailpiece()));
    fillClassPopup();

    m_form->numberOfPrintsField->setText(c.countCaption());
    if (m_form->sheetCountField->text() != c.sheetCountText())
        m_form->sheetCountField->setText(c.sheetCountText());
    m_form->sheetCountStepper->setValue(c.sheetCount());

    m_form->referenceIDView->setVisible(c.showReferenceID());
    const int rowSpace = c.showReferenceID() ? 0 : m_referenceRowHeight;
    m_form->reviewView->move(m_form->reviewView->x(), m_reviewTop - rowSpace);
    m_form->postageAndAccountBox->resize(m_form->postageAndAccountBox->width(), m_boxHeight - rowSpace);
    if (!c.currentReferenceID() && !m_form->referenceIDField->text().isEmpty())
        m_form->referenceIDField->clear();
    const std::array<QString, 5> numbers = c.numberTexts();
    TessaroNumberView *views[] = {m_form->number1View, m_form->number2View, m_form->number3View, m_form->number4View,
                                  m_form->number5View};
    for (int i = 0; i < 5; ++i)
        views[i]->setNumberToDisplay(numbers[size_t(i)]);

    m_form->sheetValueLabel->setText(rolls ? tr("Postage per stamp:") : tr("Postage per sheet:"));
    m_form->sheetValue->setText(c.sheetValue());
    m_form->sheetTotal->setText(c.sheetTotal());
    m_form->sheetBalance->setText(c.sheetBalance());
    m_form->sheetEndingBalance->setText(c.sheetEndingBalance());
    m_form->showSheetStampAmountCheckbox->setVisible(!rolls);
    m_form->showSheetStampAmountCheckbox->setEnabled(c.amountCheckboxEnabled());
    m_form->showSheetStampAmountCheckbox->setChecked(c.drawDollarOverlay());
    m_form->weighButton->setVisible(c.weighButtonShown());
    m_form->scaleStatusField->setVisible(c.weighButtonShown());
    m_form->printLiveSheetButton->setText(c.printButtonTitle());
    m_form->printSampleSheetButton->setText(c.testPrintButtonTitle());

    m_form->sheetBox->setVisible(c.sheetBoxShown());
    m_form->selectAllButton->setVisible(c.selectAllShown());
    m_form->sheetType24Button->setChecked(c.currentSheetType() == TessaroController::Sheet24);
    m_form->sheetType25Button->setChecked(c.currentSheetType() == TessaroController::Sheet25);
    m_form->sheetStampsSelected->setVisible(!rolls);
    m_form->sheetStampsSummary->setVisible(!rolls);
    m_form->sheetStampsSelected->setText(c.sheetStampsSelected());
    m_form->sheetStampsSummary->setText(c.sheetStampsSummary());

    QVMatrix *matrix = c.currentSheetType() == TessaroController::Sheet24 ? m_stamp2000Matrix : m_stampMatrix;
    matrix->setCellAmounts(c.cellAmounts());
    matrix->setSelectedCells(c.selectedCellIndices());

    m_form->kivoDollarAmount->setText(c.kivoDollarAmount().isEmpty() ? QString()
                                                                     : QLatin1Char('$') + c.kivoDollarAmount());
    m_form->kivoMailClass->setText(c.kivoMailClass());
    m_form->kivoZIP->setText(c.kivoZIP());
    m_form->kivoDeviceID->setText(c.kivoDeviceID());
    if (m_form->kivoPrinterPopup->count() != c.kivoPrinterItems().size() || [&] {
            for (int i = 0; i < m_form->kivoPrinterPopup->count(); ++i)
                if (m_form->kivoPrinterPopup->itemText(i) != c.kivoPrinterItems()[i])
                    return true;
            return false;
        }()) {
        m_form->kivoPrinterPopup->clear();
        m_form->kivoPrinterPopup->addItems(c.kivoPrinterItems());
    }
    m_form->kivoPrinterPopup->setCurrentIndex(c.kivoPrinterIndex());
    m_form->kivoTrayPopup->clear();
    m_form->kivoTrayPopup->addItems(c.kivoTrayItems());
    m_form->kivoTrayPopup->setCurrentText(c.kivoTrayTitle());
    m_form->kivoTrayPopup->setEnabled(c.kivoTrayEnabled());

    m_form->statusTextDisclosableView->setVisible(c.statusBarShown());
    m_form->statusTextDisclosableView->move(
        0, int(c.contentSize().height()) - m_form->statusTextDisclosableView->height());
    m_form->statusTextLine->setText(c.statusLine());

    TessaroWeighing &weighing = c.weighing();
    QPalette palette = m_form->scaleStatusField->palette();
    QColor text = palette.color(QPalette::WindowText);
    text.setAlphaF(float(weighing.scaleStatusAlpha()));
    palette.setColor(QPalette::WindowText, text);
    m_form->scaleStatusField->setPalette(palette);
    m_form->scaleStatusField->setText(weighing.scaleStatusString());
    m_refreshing = false;
    showCompanions();
}

void TessaroView::showQuickPrintPanel()
{
    act([&] { m_controller.showQuickPrintPanel(); });
}

void TessaroView::showCompanions()
{
    const auto done = [this] { refresh(); };
    if (m_controller.quickPrintPanelVisible() && !m_quickPrintPanel)
        m_quickPrintPanel = new TessaroQuickPrintPanel(m_controller, done, this);
    if (m_quickPrintPanel)
        m_quickPrintPanel->refresh();
    if (m_controller.customAmountPanel().isShown() && !m_customAmountView) {
        auto *view = new TessaroCustomAmountView(m_controller.customAmountPanel(), done, this);
        view->setAttribute(Qt::WA_DeleteOnClose);
        m_customAmountView = view;
        view->open();
    }
    if (const auto sheet = m_controller.weighing().choiceSheet(); sheet && !m_choiceSheetView) {
        auto *view = new TessaroDecisionTreeView(sheet, done, this);
        view->setAttribute(Qt::WA_DeleteOnClose);
        m_choiceSheetView = view;
        view->open();
    }
}
