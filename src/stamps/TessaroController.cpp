#include "stamps/TessaroController.h"

#include "model/NumericFormatters.h"
#include "model/TemplateSubstitution.h"
#include "platform/Bundle.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "rates/QVUSPSRateClass.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "stamps/TessaroScratch.h"
#include "stamps/TessaroTags.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <limits>

namespace {

const QString kEllipsis = QStringLiteral("\u2026");
constexpr int kMaximumSheetCount = 99;
// The repricing timer waits at most a day at a time (a timer's interval
// cannot reach months ahead); each firing checks the date again.
constexpr qint64 kLongestRepricingWait = 24 * 60 * 60 * 1000;

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

// The amount over a stamp cell: two decimals without a leading zero (".49",
// "1.15").
QString cellAmountString(const Decimal &postage)
{
    QString text = twoDigitDollarFormatter().stringFromNumber(postage);
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    return text;
}

// The leading integer of a typed text, as a text field's integer value reads
// it ("12abc" is 12, "abc" 0); beyond the int range it saturates.
qint64 leadingInteger(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == QLatin1Char('-') || trimmed[i] == QLatin1Char('+')))
        negative = trimmed[i++] == QLatin1Char('-');
    qint64 value = 0;
    for (; i < trimmed.size() && trimmed[i].isDigit() && trimmed[i].unicode() < 128; ++i)
        value = std::min<qint64>(value * 10 + (trimmed[i].unicode() - '0'), std::numeric_limits<int>::max());
    return negative ? -value : value;
}

bool isZPMAccount(const std::shared_ptr<QVRHOResponse> &status) { return status && status->isZPMAccount(); }

} // namespace

TessaroController::TessaroController(std::shared_ptr<TessaroHost> host, TessaroCatalogue::Clock clock)
    : m_host(host ? std::move(host) : std::make_shared<TessaroHost>()), m_catalogue(std::move(clock))
{
    m_stamps.reserve(25);
    m_repricingTimer.setSingleShot(true);
    QObject::connect(&m_repricingTimer, &QTimer::timeout, [this] { repricingTimerFired(); });
    renumberViews();
    // PDF copies of printed stamps are removed when three days old: now and
    // once a day.
    tessaro::expireOldPostage();
    m_expiryTimer.setInterval(24 * 3600 * 1000);
    QObject::connect(&m_expiryTimer, &QTimer::timeout, [] { tessaro::expireOldPostage(); });
    m_expiryTimer.start();
}

TessaroController::~TessaroController() = default;

// ---- Set-up ----------------------------------------------------------------------

void TessaroController::windowDidLoad(const TessaroLayout &layout, bool scratchFilesWaiting)
{
    m_layout = layout;
    m_makerEdition = defaults().boolForKey(QVRHOStampsVersionDefaultsKey);
    m_showReferenceID = layout.referenceIDShown;

    scheduleRepricing();

    m_statusBarShown = !m_makerEdition && defaults().boolForKey(ShowStatusBarOnMasterControlDefaultsKey);
    m_contentSize = layout.contentSize;
    m_tabViewSize = layout.tabViewSize;
    updateStatusTextLine();

    // Letters of 1 oz. on every position.
    m_mailpieceTag = tessaro::FirstClassLetter;
    m_classItems = classMenus().value(tessaro::FirstClassLetter);
    if (!m_makerEdition)
        addCustomOptionsToMenu(m_classItems);
    selectClassTag(tessaro::FirstClassLetterOneOunceTag);
    for (QSet<int> &selection : m_selections)
        selection.clear();
    m_stamps.clear();
    const TessaroStamp letter = m_catalogue.requestForTag(tagOfSelectedClassItem());
    for (int i = 0; i < 25; ++i)
        m_stamps.append(letter);

    // Stamps bought and not printed wait in the scratch folder: the window
    // offers to print them once it is up.
    m_recoveryMode = scratchFilesWaiting || !tessaro::scratchFileNames().isEmpty();
    if (m_recoveryMode)
        QTimer::singleShot(0, &m_repricingTimer, [this] { doRecovery(); });

    // A stored mode other than sheets or rolls opens on sheets.
    const qint64 storedMode = defaults().integerForKey(TessaroModeDefaultsKey);
    setCurrentMode(storedMode == RollMode ? RollMode : SheetMode);

    if (m_makerEdition) {
        setReferenceIDIsShown(false, false);
    } else {
        m_referenceIDDefault = defaults().boolForKey(EnableTessaroReferenceIDDefaultsKey);
        setReferenceIDIsShown(m_referenceIDDefault, false);
        m_defaultsObserver = NotificationCenter::defaultCenter().addObserver(
            NSUserDefaultsDidChangeNotification, [this](const Notification &) { userDefaultsDidChange(); });
    }

    updatePreview();
    renumberViews();
    m_statusObserver = NotificationCenter::defaultCenter().addObserver(
        QVRHOLastValidStatusResponseDidChange, [this](const Notification &) { tolvaneStatusDidChange(); });
    m_loaded = true;
}

void TessaroController::userDefaultsDidChange()
{
    // Only a change of the preference itself shows or hides the row.
    const bool enabled = defaults().boolForKey(EnableTessaroReferenceIDDefaultsKey);
    if (enabled == m_referenceIDDefault)
        return;
    m_referenceIDDefault = enabled;
    setReferenceIDIsShown(enabled, true);
}

// ---- Help --------------------------------------------------------------------------

QString TessaroController::mailpieceHelpPath()
{
    const QString page = QStringLiteral("WebHelp/About_Postage_Rates.htm");
    for (const QString &folder : Bundle::resourceSearchPaths()) {
        const QFileInfo file(QDir(folder).filePath(page));
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return QString();
}

bool TessaroController::kivoStampsMailpieceHelp()
{
    if (!m_makerEdition)
        return false;
    const QString path = mailpieceHelpPath();
    if (path.isEmpty()) {
        qWarning().noquote() << QStringLiteral("The help page on postage rates is missing from this installation.");
        return false;
    }
    return m_host->launchURL(QUrl::fromLocalFile(path));
}

// ---- Modes and sheets --------------------------------------------------------------

bool TessaroController::setCurrentMode(int mode)
{
    const int current = m_mode;
    if (mode != current) {
        if (mode == SheetMode) {
            if (current == NoMode || current == RollMode) {
                m_classItems.insert(0, TessaroMenuItem{QStringLiteral("Blank"), tessaro::BlankTag, 0, false});
                m_classItems.insert(1, TessaroMenuItem::separator(tessaro::BlankSeparatorTag));
                if (m_classIndex >= 0)
                    m_classIndex += 2;
            }
            if (current != NoMode && m_makerEdition && !isZPMAccount(m_host->lastValidStatusResponse())) {
                if (m_host->infoAlertForKey(QStringLiteral("kivoStampsSheetWarning"), QStringLiteral("OK"),
                                            QStringLiteral("Supply Store"), true) != 1)
                    m_host->launchTessaroSupplyStore();
            }
        } else if (mode == RollMode) {
            if (!m_host->printerAvailable()) {
                if (current == NoMode) {
                    setCurrentMode(SheetMode);
                    return false;
                }
                const QString version = QVPrinterSetupController::minimumDriverVersion();
                Alert alert = alertWithText(
                    QStringLiteral("Kivo printer unavailable."),
                    QStringLiteral("This function requires a Kivo Tagwright and the latest Kivo driver software%1. "
                                   "Please make sure that the printer can be used from other applications, then "
                                   "try again.")
                        .arg(version.isEmpty() ? QString() : QStringLiteral(" (version %1 or later)").arg(version)));
                alert.buttons = {{QStringLiteral("OK"), 1}};
                alert.cancelAnswer = 1;
                if (const auto shown = dialogs())
                    shown->runAlert(alert);
                return false;
            }
            if (current == NoMode || current == SheetMode) {
                const TessaroMenuItem selected = m_classIndex >= 0 && m_classIndex < m_classItems.size()
                    ? m_classItems[m_classIndex]
                    : TessaroMenuItem{};
                const bool hadSelection = m_classIndex >= 0;
                m_classItems.removeIf([](const TessaroMenuItem &item) {
                    return item.tag == tessaro::BlankTag || item.tag == tessaro::BlankSeparatorTag;
                });
                m_classIndex = hadSelection ? int(m_classItems.indexOf(selected)) : -1;
            }
            if (current != NoMode && isZPMAccount(m_host->lastValidStatusResponse())) {
                if (m_host->infoAlertForKey(QStringLiteral("kivoStampsRollsWarning"), QStringLiteral("OK"),
                                            QStringLiteral("Supply Store"), true) != 1)
                    m_host->launchTessaroSupplyStore();
            }
        } else {
            return false;
        }
        defaults().setInteger(mode, TessaroModeDefaultsKey);
        m_mode = mode;
        layOutForMode();
        updatePreview();
        if (m_makerEdition)
            m_host->setKivoStampsModeMenuItemTitle(
                QStringLiteral("Switch to %1")
                    .arg(m_mode == SheetMode ? QStringLiteral("Label Rolls") : QStringLiteral("Stamp Sheets")));
        NotificationCenter::defaultCenter().post(TessaroPrintingModeDidChangeNotification,
                                                 NotificationObject(std::make_shared<int>(m_mode)));
    }
    m_switcherSegment = mode == RollMode ? 1 : (mode == SheetMode ? 0 : m_switcherSegment);
    updateWindowTitle();
    return true;
}

void TessaroController::layOutForMode()
{
    const QSizeF big = m_layout.contentSize;
    const double statusBar = m_statusBarShown ? 0 : m_layout.statusBarHeight;
    if (m_mode == RollMode) {
        m_selectedTab = QStringLiteral("kivo");
        syncPopupWithKIVOStamp();
        updateKivoPopups();
        m_countCaption = QStringLiteral("Select the number of stamps to print");
        m_contentSize = QSizeF(big.width(), big.height() - (m_showReferenceID ? 0 : ReferenceIDRowHeight) - statusBar);
        m_tabViewSize = QSizeF(big.width() - m_layout.postageAndAccountBoxWidth - 10, m_layout.tabViewSize.height());
        updatePrintButtons();
    } else {
        m_contentSize = QSizeF(big.width(), big.height() - statusBar);
        m_tabViewSize = m_layout.tabViewSize;
        m_countCaption = QStringLiteral("Select the number of sheets to print");
        updatePrintButtons();
        setCurrentSheetType(Sheet24);
    }
}

void TessaroController::setCurrentSheetType(int type)
{
    if (m_mode == SheetMode && (type == Sheet25 || type == Sheet24) &&
        !(type == m_sheetType && m_selectedTab != QLatin1String("kivo"))) {
        m_sheetType = type;
        m_selectedTab = type == Sheet24 ? QStringLiteral("sheet2000") : QStringLiteral("sheet");
        defaults().setInteger(type, TessaroSheetTypeDefaultsKey);
        currentSelection().clear();
        selectionChanged();
        updatePreview();
    }
}

int TessaroController::stampsForSheetType(int type)
{
    switch (type) {
    case Sheet25:
        return 25;
    case Sheet24:
        return 24;
    default:
        return 0;
    }
}

// ---- Pop-ups -----------------------------------------------------------------------

int TessaroController::tagOfSelectedClassItem() const
{
    return m_classIndex >= 0 && m_classIndex < m_classItems.size() ? m_classItems[m_classIndex].tag : 0;
}

bool TessaroController::validateMenuItem(const TessaroMenuItem &item) const
{
    return TessaroCatalogue::validateClassMenuItem(item.tag, m_mode == RollMode);
}

void TessaroController::addCustomOptionsToMenu(QList<TessaroMenuItem> &items) const
{
    if (m_makerEdition)
        return;
    items.append(TessaroMenuItem::separator(tessaro::MenuSeparatorTag));
    items.append(TessaroMenuItem{QStringLiteral("Make Your Own") + kEllipsis, tessaro::CustomAmountTag, 0, false});
}

void TessaroController::rebuildClassMenu(int mailpieceTag, bool withBlank)
{
    m_mailpieceTag = mailpieceTag;
    m_classItems.clear();
    if (withBlank) {
        m_classItems.append(TessaroMenuItem{QStringLiteral("Blank"), tessaro::BlankTag, 0, false});
        m_classItems.append(TessaroMenuItem::separator(tessaro::BlankSeparatorTag));
    }
    m_classItems.append(classMenus().value(mailpieceTag));
    addCustomOptionsToMenu(m_classItems);
    m_classIndex = -1;
}

void TessaroController::selectClassTag(int tag)
{
    m_classIndex = -1;
    for (qsizetype i = 0; i < m_classItems.size(); ++i)
        if (!m_classItems[i].isSeparator && m_classItems[i].tag == tag) {
            m_classIndex = int(i);
            return;
        }
}

void TessaroController::changedMailpiece(int mailpieceTag)
{
    if (mailpieceTag < tessaro::FirstMailpieceTag || mailpieceTag > tessaro::LastMailpieceTag)
        return;
    TessaroStamp reference;
    if (m_mode == RollMode) {
        reference = m_kivoStampRequest;
    } else {
        const QList<int> cells = selectedCells();
        if (!cells.isEmpty() && cells.last() < m_stamps.size())
            reference = m_stamps[cells.last()];
    }
    const quint32 weight = reference ? reference->weightInOunces() : 0;

    rebuildClassMenu(mailpieceTag, m_mode == SheetMode);
    int remembered = -1;
    for (qsizetype i = 0; i < m_classItems.size() && reference; ++i) {
        const TessaroMenuItem &item = m_classItems[i];
        if (item.isSeparator)
            continue;
        const TessaroStamp request = m_catalogue.requestForTag(item.tag);
        if (request && request->weightInOunces() == weight && request->mailClass() == reference->mailClass() &&
            !(weight == 4 && request->size() == QVUSPSLetterSize)) {
            remembered = int(i);
            break;
        }
    }
    m_classIndex = remembered >= 0 ? remembered : (m_mode == SheetMode ? 3 : 1);
    if (m_classIndex >= m_classItems.size())
        m_classIndex = -1;
    changedClass(m_classIndex >= 0 ? m_classItems[m_classIndex] : TessaroMenuItem{});
}

void TessaroController::chooseClassIndex(int index)
{
    if (index < 0 || index >= m_classItems.size() || m_classItems[index].isSeparator)
        return;
    m_classIndex = index;
    changedClass(m_classItems[index]);
}

void TessaroController::changedClass(const TessaroMenuItem &item)
{
    int tag = item.tag;
    if (tag >= 1 && tag <= 14)
        tag = TessaroCatalogue::classTagForHeaderTag(tag);
    if (tag == tessaro::CustomAmountTag) {
        runCustomAmountPanel();
        return;
    }
    // A tag without an entry (an international value the engine could not
    // price) makes blank positions, never keeps the old stamp.
    const TessaroStamp request = m_catalogue.requestForTag(tag);
    if (m_mode == RollMode) {
        setKivoStampRequest(request);
    } else {
        for (int cell : selectedCells())
            if (cell < m_stamps.size())
                m_stamps[cell] = request;
    }
    updatePreview();
}

void TessaroController::setMailpieceToTag(int mailpieceTag, int classTag)
{
    if (mailpieceTag >= 0)
        changedMailpiece(mailpieceTag);
    if (classTag >= 0) {
        const int previous = m_classIndex;
        selectClassTag(classTag);
        if (m_classIndex >= 0) {
            changedClass(m_classItems[m_classIndex]);
            return;
        }
        // A table value that no menu lists (Priority Mail by weight, which
        // the guide and the choice sheet offer) is chosen with no item
        // selected; any other tag leaves the pop-up alone.
        if (classTag != tessaro::BlankTag && m_catalogue.requestForTag(classTag)) {
            changedClass(TessaroMenuItem{QString(), classTag, 0, false});
            return;
        }
        m_classIndex = previous;
    }
}

void TessaroController::rateUp()
{
    const int last = int(m_classItems.size()) - 1;
    if (last < 0 || m_classIndex >= last)
        return;
    int target = last;
    for (int i = m_classIndex + 1; i <= last; ++i)
        if (!m_classItems[i].isSeparator && validateMenuItem(m_classItems[i])) {
            target = i;
            break;
        }
    m_classIndex = target;
    changedClass(m_classItems[target]);
}

void TessaroController::rateDown()
{
    if (m_classIndex <= 0 || m_classItems.isEmpty())
        return;
    int target = 0;
    for (int i = m_classIndex - 1; i >= 0; --i)
        if (!m_classItems[i].isSeparator && validateMenuItem(m_classItems[i])) {
            target = i;
            break;
        }
    m_classIndex = target;
    changedClass(m_classItems[target]);
}

void TessaroController::resetTessaro()
{
    m_catalogue.reset();
    changedMailpiece(m_mailpieceTag ? m_mailpieceTag : int(tessaro::FirstClassLetter));
}

void TessaroController::updatePreview()
{
    if (m_mode == RollMode)
        updateKIVOPreview();
    else if (m_mode == SheetMode)
        updateSheetPreview();
    updatePricing();
}

// ---- Sheet ---------------------------------------------------------------------------

QSet<int> &TessaroController::currentSelection() { return m_selections[m_sheetType == Sheet24 ? 1 : 0]; }

const QSet<int> &TessaroController::currentSelection() const { return m_selections[m_sheetType == Sheet24 ? 1 : 0]; }

QList<int> TessaroController::selectedCellIndices() const
{
    QList<int> cells = currentSelection().values();
    std::sort(cells.begin(), cells.end());
    return cells;
}

QList<int> TessaroController::selectedCells() const
{
    QList<int> cells = selectedCellIndices();
    if (cells.isEmpty())
        for (int i = 0; i < stampsForCurrentSheetType(); ++i)
            cells.append(i);
    return cells;
}

void TessaroController::setSelectedCells(const QList<int> &cells)
{
    QSet<int> &selection = currentSelection();
    selection.clear();
    for (int cell : cells)
        if (cell >= 0 && cell < stampsForCurrentSheetType())
            selection.insert(cell);
    selectionChanged();
}

void TessaroController::rightClickedCell(int cell)
{
    if (cell >= 0 && cell < stampsForCurrentSheetType() && !currentSelection().contains(cell)) {
        currentSelection().clear();
        currentSelection().insert(cell);
    }
    selectionChanged();
}

void TessaroController::selectAll()
{
    if (m_mode != SheetMode)
        return;
    QList<int> all;
    for (int i = 0; i < stampsForCurrentSheetType(); ++i)
        all.append(i);
    setSelectedCells(all);
}

void TessaroController::clickedSheet() { setSelectedCells({}); }

void TessaroController::selectionChanged()
{
    // The pop-ups show the value of the selected stamps, or of the whole
    // sheet when nothing is selected (a choice then applies to every cell).
    QSet<int> keys;
    for (int cell : selectedCells())
        keys.insert(m_catalogue.keyForStamp(cell < m_stamps.size() ? m_stamps[cell] : nullptr));
    if (keys.size() > 1) {
        m_mailpieceTag = 0;
        m_classIndex = -1;
    } else {
        const int tag = keys.isEmpty() ? tessaro::BlankTag : *keys.cbegin();
        const int mailpiece = m_catalogue.mailpieceForClassTag(tag);
        if (mailpiece != m_mailpieceTag)
            rebuildClassMenu(mailpiece, true);
        selectClassTag(tag);
    }
    const qsizetype count = currentSelection().size();
    m_sheetStampsSelected =
        QStringLiteral("%1 stamp%2 selected.").arg(count).arg(count == 1 ? QString() : QStringLiteral("s"));
}

Decimal TessaroController::sheetPrice() const
{
    Decimal total = Decimal::zero();
    for (int i = 0; i < stampsForCurrentSheetType() && i < m_stamps.size(); ++i)
        if (m_stamps[i])
            total += m_stamps[i]->postage();
    return total;
}

void TessaroController::updateSheetPreview()
{
    m_cellAmounts.clear();
    int count = 0;
    for (int i = 0; i < stampsForCurrentSheetType() && i < m_stamps.size(); ++i) {
        const TessaroStamp &stamp = m_stamps[i];
        m_cellAmounts.append(stamp ? cellAmountString(stamp->postage()) : QString());
        count += stamp ? 1 : 0;
    }
    m_sheetStampsSummary = QStringLiteral("%1 stamp%2, %3 total.")
                               .arg(count)
                               .arg(count == 1 ? QString() : QStringLiteral("s"))
                               .arg(TessaroCatalogue::postageString(sheetPrice()));
}

void TessaroController::setDrawDollarOverlay(bool on)
{
    m_drawDollarOverlay = on;
    updatePreview();
}

// ---- Roll ----------------------------------------------------------------------------

void TessaroController::setKivoStampRequest(const TessaroStamp &request) { m_kivoStampRequest = request; }

void TessaroController::syncPopupWithKIVOStamp()
{
    if (!m_kivoStampRequest) {
        int tag = tagOfSelectedClassItem();
        if (tag == tessaro::BlankTag || tag > 1000)
            tag = tessaro::FirstClassLetterOneOunceTag;
        m_kivoStampRequest = m_catalogue.requestForTag(tag);
    }
    const int tag = m_catalogue.keyForStamp(m_kivoStampRequest);
    const int mailpiece = m_catalogue.mailpieceForClassTag(tag);
    if (mailpiece != m_mailpieceTag)
        rebuildClassMenu(mailpiece, false);
    selectClassTag(tag);
}

void TessaroController::updateKIVOPreview()
{
    const TessaroStamp &stamp = m_kivoStampRequest;
    m_kivoZIP = stamp ? stamp->mailedFromZIP5String() : QString();
    m_kivoDollarAmount = stamp ? stamp->postageString() : QString();
    m_kivoMailClass = stamp ? stamp->mailClassDisplayString() : QString();
    const auto status = m_host->lastValidStatusResponse();
    m_kivoDeviceID = status ? status->meterID() : QStringLiteral("SAMPLE");
    m_kivoRateClassification = stamp ? stamp->rateClassificationString() : QString();
}

// ---- Pricing and count -----------------------------------------------------------------

std::optional<Decimal> TessaroController::pricePerPrint() const
{
    if (m_mode == RollMode)
        return m_kivoStampRequest ? m_kivoStampRequest->postage() : Decimal::zero();
    if (m_mode == SheetMode)
        return sheetPrice();
    return std::nullopt;
}

Decimal TessaroController::printOpTotalPrice() const
{
    return pricePerPrint().value_or(Decimal::zero()) * Decimal(m_sheetCount);
}

QString TessaroController::prettyDollarString(const Decimal &amount)
{
    QString digits = twoDigitDollarFormatter().stringFromNumber(amount);
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits.remove(0, 1);
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    for (qsizetype i = (point < 0 ? digits.size() : point) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return (negative ? QStringLiteral("-$") : QStringLiteral("$")) + digits;
}

QString TessaroController::prettyPrintOpTotalPrice() const { return prettyDollarString(printOpTotalPrice()); }

void TessaroController::updatePricing()
{
    const auto status = m_host->lastValidStatusResponse();
    const Decimal balance = status ? status->balanceDecimalNumber() : Decimal::zero();
    const Decimal total = printOpTotalPrice();
    const Decimal ending = balance.isZero() ? Decimal::zero() : balance - total;
    m_sheetValue = prettyDollarString(pricePerPrint().value_or(Decimal::zero()));
    m_sheetTotal = prettyDollarString(total);
    m_sheetBalance = prettyDollarString(balance);
    m_sheetEndingBalance = prettyDollarString(ending);
}

void TessaroController::setSheetCount(int count)
{
    m_sheetCount = std::clamp(count, 1, kMaximumSheetCount);
    m_sheetCountText = QString::number(m_sheetCount);
    updatePricing();
}

void TessaroController::sheetCountUp()
{
    if (m_sheetCount <= kMaximumSheetCount - 1)
        setSheetCount(m_sheetCount + 1);
}

void TessaroController::sheetCountDown()
{
    if (m_sheetCount > 1)
        setSheetCount(m_sheetCount - 1);
}

void TessaroController::sheetCountChanged(int stepperValue) { setSheetCount(stepperValue); }

void TessaroController::controlTextDidChange(const QString &text)
{
    const qint64 typed = leadingInteger(text);
    // Below 1 shows 1 and above 99 shows 99 (the stepper's range); a count
    // within it keeps the text as typed.
    if (typed < 1 || typed > kMaximumSheetCount) {
        setSheetCount(typed < 1 ? 1 : kMaximumSheetCount);
        return;
    }
    m_sheetCount = int(typed);
    m_sheetCountText = text;
    updatePricing();
}

// ---- Reference ID, status, title, buttons -------------------------------------------------

void TessaroController::setReferenceIDIsShown(bool show, bool animate)
{
    (void)animate;
    if (m_mode == RollMode && show != m_showReferenceID)
        m_contentSize.setHeight(m_contentSize.height() + (show ? ReferenceIDRowHeight : -ReferenceIDRowHeight));
    m_showReferenceID = show;
    renumberViews();
    if (!show)
        m_currentReferenceID.reset();
}

void TessaroController::toggleReferenceID() { setReferenceIDIsShown(!m_showReferenceID, true); }

void TessaroController::setCurrentReferenceID(const std::optional<QString> &referenceID)
{
    m_currentReferenceID = referenceID;
}

void TessaroController::renumberViews()
{
    m_numbers = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                 m_showReferenceID ? QStringLiteral("5") : QStringLiteral("4")};
}

QStringList TessaroController::costCenters() { return {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}; }

void TessaroController::toggleStatusBar()
{
    m_statusBarShown = !m_statusBarShown;
    defaults().setBool(m_statusBarShown, ShowStatusBarOnMasterControlDefaultsKey);
    m_contentSize.setHeight(m_contentSize.height() +
                            (m_statusBarShown ? m_layout.statusBarHeight : -m_layout.statusBarHeight));
}

void TessaroController::setStatusBarShown(bool shown)
{
    if (shown != m_statusBarShown)
        toggleStatusBar();
}

void TessaroController::updateStatusTextLine()
{
    const auto status = m_host->lastValidStatusResponse();
    QVariantMap values{{QStringLiteral("accountNumber"), QString::number(status ? status->serialNumber() : 0)}};
    if (status) {
        values.insert(QStringLiteral("accountStatus"), status->accountStatusWord());
        values.insert(QStringLiteral("balance"), status->balanceStringWithDollarSign(false));
    }
    m_statusLine = stringByReplacingKeysInDictionary(m_layout.statusLineTemplate, values, QStringLiteral("<%"),
                                                     QStringLiteral("%>"), true);
}

void TessaroController::tolvaneStatusDidChange()
{
    updateStatusTextLine();
    updatePreview();
}

void TessaroController::updateWindowTitle()
{
    if (!m_makerEdition)
        return;
    const bool zpm = isZPMAccount(m_host->lastValidStatusResponse());
    m_windowTitle = m_host->addJunkToWindowTitle(zpm ? QStringLiteral("Kivo Zevavored Azozudu Powered by Tolvane")
                                                     : QStringLiteral("Kivo Stamps Powered by Tolvane"));
    m_progressPanelTitle = zpm ? QStringLiteral("Zevavored Azozudu") : QStringLiteral("Kivo Stamps");
}

void TessaroController::updatePrintButtons()
{
    const QString recover = QStringLiteral("Recover") + kEllipsis;
    if (m_mode == RollMode) {
        m_testPrintButtonTitle = m_layout.testPrintTitle;
        m_printButtonTitle =
            m_recoveryMode ? recover : (m_makerEdition ? QStringLiteral("Print") : m_layout.printTitle);
    } else {
        m_testPrintButtonTitle = m_layout.testPrintTitle + kEllipsis;
        m_printButtonTitle = m_recoveryMode ? recover : m_layout.printTitle + kEllipsis;
    }
}

void TessaroController::setRecoveryMode(bool on)
{
    m_recoveryMode = on;
    updatePrintButtons();
}

// ---- Print settings ----------------------------------------------------------------------

PrintInfo TessaroController::printInfo()
{
    const QByteArray stored = defaults().dataForKey(TessaroPrintInfoDefaultsKey);
    if (!stored.isEmpty())
        if (const auto info = PrintInfo::fromData(stored))
            return *info;
    PrintInfo info = PrintInfo::sharedPrintInfo();
    info.orientation = PrintInfo::Orientation::Portrait;
    info.horizontalPagination = PrintInfo::Pagination::Clip;
    info.verticalPagination = PrintInfo::Pagination::Clip;
    info.horizontallyCentered = false;
    info.leftMargin = info.rightMargin = info.topMargin = info.bottomMargin = 0;
    info.duplex = PrintInfo::Duplex::OneSided;
    return info;
}

void TessaroController::setPrintInfo(const std::optional<PrintInfo> &info)
{
    if (!info) {
        defaults().removeObjectForKey(TessaroPrintInfoDefaultsKey);
        return;
    }
    if (*info == printInfo())
        return;
    defaults().setObject(info->data(), TessaroPrintInfoDefaultsKey);
}

// ---- Repricing ------------------------------------------------------------------------------

void TessaroController::scheduleRepricing()
{
    const QVUSPSRateYear &september = QVUSPSSep2014RateClass::classObject();
    const QDateTime now = m_catalogue.now();
    if (&QVUSPSRateClass::ratesForDate(now) == &september) {
        m_repricingTimer.stop();
        return;
    }
    const qint64 wait = std::clamp<qint64>(now.msecsTo(september.effectiveDate()), 0, kLongestRepricingWait);
    m_repricingTimer.start(int(wait));
}

void TessaroController::repricingTimerFired()
{
    if (&QVUSPSRateClass::ratesForDate(m_catalogue.now()) == &QVUSPSSep2014RateClass::classObject()) {
        m_repricingTimer.stop();
        resetTessaro();
        return;
    }
    scheduleRepricing();
}
