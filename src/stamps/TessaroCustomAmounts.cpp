#include "stamps/TessaroCustomAmounts.h"

#include "platform/Dialogs.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"
#include "stamps/TessaroController.h"
#include "stamps/TessaroTags.h"

#include <limits>

namespace tessaro {

const QStringList &customDomesticClassNames()
{
    static const QStringList names{QVUSPSPriorityMail, QVUSPSFirstClassMail, QVUSPSMediaMail, QVUSPSLibraryMail,
                                   QVUSPSExpressMail};
    return names;
}

const QStringList &customIntlClassNames() { return QVUSPSIntlRateClass::rateClassTags(); }

int customTagForRateClassName(const QString &name)
{
    QString className = name;
    if (name == QVUSPSPriorityMailFlatBoxRate || name == QVUSPSPriorityMailLargeFlatBoxRate ||
        name == QVUSPSPriorityMailFlatRate)
        className = QVUSPSPriorityMail;
    else if (name == QVUSPSExpressMailFlatRate)
        className = QVUSPSExpressMail;
    if (const qsizetype domestic = customDomesticClassNames().indexOf(className); domestic >= 0)
        return FirstCustomDomesticTag + int(domestic);
    if (const qsizetype intl = customIntlClassNames().indexOf(className); intl >= 0)
        return FirstCustomIntlTag + int(intl);
    return -1;
}

QString customClassNameForTag(int tag)
{
    const bool domestic = tag >= FirstCustomDomesticTag && tag < FirstCustomIntlTag;
    const QStringList &names = domestic ? customDomesticClassNames() : customIntlClassNames();
    const int index = tag - (domestic ? FirstCustomDomesticTag : FirstCustomIntlTag);
    return index >= 0 && index < names.size() ? names[index] : QString();
}

std::optional<Decimal> customAmountFromText(const QString &text)
{
    // Digits with at most one decimal point, optionally after a dollar sign;
    // no sign, no exponent, no group separators.
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1Char('$')))
        digits.remove(0, 1);
    bool point = false;
    bool anyDigit = false;
    for (const QChar c : digits) {
        if (c == QLatin1Char('.') && !point)
            point = true;
        else if (c.unicode() >= '0' && c.unicode() <= '9')
            anyDigit = true;
        else
            return std::nullopt;
    }
    if (!anyDigit)
        return std::nullopt;
    const std::optional<Decimal> amount = Decimal::parse(digits);
    if (!amount || amount->isNaN() || amount->isNegative() || amount->isZero())
        return std::nullopt;
    // Postage is bought in whole mils.
    if (amount->rounded(3) != *amount)
        return std::nullopt;
    const std::optional<qint64> mils = amount->toMils();
    if (!mils || *mils > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return amount;
}

TessaroStamp customStampRequest(const Decimal &amount, int tag)
{
    const QString className = customClassNameForTag(tag);
    if (className.isEmpty())
        return nullptr;
    return std::make_shared<QVRHOStampIndiciumRequest>(amount, className, 1, QVUSPSRegularSize,
                                                       tag >= FirstCustomIntlTag, 1, true);
}

} // namespace tessaro

// ---- The panel -----------------------------------------------------------------

QList<TessaroCustomAmountPanel::ClassItem> TessaroCustomAmountPanel::classItems()
{
    QList<ClassItem> items;
    int tag = tessaro::FirstCustomDomesticTag;
    for (const QString &name : tessaro::customDomesticClassNames()) {
        const QString title = QVUSPSRateClass::casualNameForRateClassName(name);
        items.append({title.isEmpty() ? name : title, tag++});
    }
    tag = tessaro::FirstCustomIntlTag;
    for (const QString &name : tessaro::customIntlClassNames()) {
        const QString title = QVUSPSIntlRateClass::casualNameForRateClassName(name);
        items.append({title.isEmpty() ? name : title, tag++});
    }
    return items;
}

void TessaroCustomAmountPanel::run()
{
    TessaroStamp start;
    if (m_window.currentMode() == TessaroController::RollMode) {
        start = m_window.kivoStampRequest();
    } else {
        const QList<int> cells = m_window.selectedCells();
        if (!cells.isEmpty() && cells.last() < m_window.stamps().size())
            start = m_window.stamps()[cells.last()];
        if (!start)
            start = m_window.catalogue().requestForTag(tessaro::FirstClassLetterOneOunceTag);
    }
    m_amountText = start ? start->postage().toString() : QString();
    const int tag = start ? tessaro::customTagForRateClassName(start->mailClass()) : -1;
    // A class the panel does not list shows Priority Mail, the first one.
    m_classTag = tag >= 0 ? tag : tessaro::FirstCustomDomesticTag;
    m_shown = true;
}

bool TessaroCustomAmountPanel::ok()
{
    const std::optional<Decimal> amount = tessaro::customAmountFromText(m_amountText);
    const TessaroStamp stamp = amount ? tessaro::customStampRequest(*amount, m_classTag) : nullptr;
    if (!stamp) {
        Alert alert = alertWithText(QStringLiteral("Invalid postage amount."),
                                    QStringLiteral("You must enter a dollar amount greater than $0.00."));
        alert.buttons = {{QStringLiteral("OK"), 1}};
        alert.cancelAnswer = 1;
        if (const auto shown = dialogs())
            shown->runAlert(alert);
        return false;
    }
    if (m_window.currentMode() == TessaroController::RollMode)
        m_window.setKivoStampRequest(stamp);
    else
        m_window.setStampAtCells(m_window.selectedCells(), stamp);
    m_window.updatePreview();
    m_shown = false;
    return true;
}

void TessaroCustomAmountPanel::cancel()
{
    if (m_window.currentMode() == TessaroController::RollMode)
        m_window.syncPopupWithKIVOStamp();
    else
        m_window.selectionChanged();
    m_shown = false;
}

// ---- The controller's part --------------------------------------------------------

TessaroCustomAmountPanel &TessaroController::customAmountPanel()
{
    if (!m_customAmountPanel)
        m_customAmountPanel = std::make_shared<TessaroCustomAmountPanel>(*this);
    return *m_customAmountPanel;
}

void TessaroController::runCustomAmountPanel() { customAmountPanel().run(); }

void TessaroController::setStampAtCells(const QList<int> &cells, const TessaroStamp &stamp)
{
    for (int cell : cells)
        if (cell >= 0 && cell < m_stamps.size())
            m_stamps[cell] = stamp;
}
