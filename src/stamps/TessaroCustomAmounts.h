#pragma once
// Custom stamp amounts ("Make Your Own"): a stamp of any amount in any
// domestic or international class.
//
// The classes of the panel carry fixed tags: 100 Priority Mail, 101
// First-Class Mail, 102 Media Mail, 103 Library Mail, 104 Priority Mail
// Express, and 200 + i for the i-th international class of
// QVUSPSIntlRateClass::rateClassTags(). A custom stamp weighs 1 oz., is a
// parcel (QVUSPSRegularSize) at zone 1, is international for tags from 200
// on, and is marked as a custom amount.
//
// The amount is typed by the user: it must be a plain decimal number above
// zero with at most three decimals (postage is bought in mils, thousandths
// of a dollar) and small enough to be bought in mils at all; anything else
// is refused with "Invalid postage amount." and changes nothing.
//
// TessaroCustomAmountPanel is the panel on plain state (its amount text, its
// class pop-up and whether it is shown) over the stamp window's controller;
// a thin Qt view shows it as a sheet of the stamp window.
#include "platform/Decimal.h"
#include "stamps/TessaroCatalogue.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class TessaroController;

namespace tessaro {

inline constexpr int FirstCustomDomesticTag = 100;
inline constexpr int FirstCustomIntlTag = 200;

// custom_domesticClassNames and custom_intlClassNames: the two class lists
// of the tag table.
const QStringList &customDomesticClassNames();
const QStringList &customIntlClassNames();
// custom_tagForRateClassName: the Priority Mail flat-rate classes count as
// Priority Mail and the Express flat rate as Priority Mail Express; -1 for a
// class in neither list.
int customTagForRateClassName(const QString &name);
// custom_classNameForTag: tags 100-199 index the domestic list, any other
// the international list; a null string outside both.
QString customClassNameForTag(int tag);

// The amount of a typed text; nothing unless it is a decimal number above
// zero with at most three decimals whose mils fit a postage request.
std::optional<Decimal> customAmountFromText(const QString &text);

// The custom stamp of that amount in the class of the tag; nothing for a
// tag without a class.
TessaroStamp customStampRequest(const Decimal &amount, int tag);

} // namespace tessaro

class TessaroCustomAmountPanel
{
public:
    // An item of the panel's class pop-up.
    struct ClassItem {
        QString title;
        int tag = 0;
        friend bool operator==(const ClassItem &, const ClassItem &) = default;
    };

    explicit TessaroCustomAmountPanel(TessaroController &window) : m_window(window) {}

    // The class pop-up: the domestic classes, then the international ones.
    static QList<ClassItem> classItems();

    bool isShown() const { return m_shown; }
    QString amountText() const { return m_amountText; }
    void setAmountText(const QString &text) { m_amountText = text; }
    // -1: no class selected.
    int selectedClassTag() const { return m_classTag; }
    void selectClassTag(int tag) { m_classTag = tag; }

    // runCustomAmountPanel: shows the starting stamp's amount and class (a
    // class in neither list selects Priority Mail) and opens the panel.
    void run();
    // okCustomAmountPanel: false (an alert, the panel stays open, nothing
    // changes) for an amount that cannot be bought; else the custom stamp
    // becomes the roll stamp or the stamp of the selected positions (all
    // when none is selected) and the panel closes.
    bool ok();
    // cancelCustomAmountPanel: the class pop-up shows the stamp's own class
    // again and the panel closes.
    void cancel();

private:
    TessaroController &m_window;
    bool m_shown = false;
    QString m_amountText;
    int m_classTag = -1;
};
