#include "model/FieldFormatters.h"

#include <QCoreApplication>

namespace {

// Error texts of the state and telephone formatters come from the
// "OmniFoundation" translation context; without a translation the English
// text itself is shown.
QString omniFoundationText(const char *text) { return QCoreApplication::translate("OmniFoundation", text); }

const char *const kZipError = "That is not a valid ZIP code.";
const char *const kStateError = QT_TRANSLATE_NOOP("OmniFoundation", "That is not a valid state abbreviation.");
const char *const kPhoneError = QT_TRANSLATE_NOOP("OmniFoundation", "That is not a valid phone number.");

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Shared end-of-editing rule: empty is no value, shorter than `minimum` is
// refused, shorter than `whole` is cut to `minimum`, else kept whole.
bool lengthRule(QVariant *object, const QString &string, QString *error, qsizetype minimum, qsizetype whole,
                const QString &message)
{
    if (!object)
        return true;
    if (string.isEmpty()) {
        *object = QVariant();
        return true;
    }
    if (string.size() < minimum) {
        *object = QVariant();
        if (error)
            *error = message;
        return false;
    }
    *object = string.size() < whole ? string.left(minimum) : string;
    return true;
}

// Result of a keystroke machine: the text built from every character, and
// whether the last character was taken as typed.
struct MachineResult {
    QString text;
    bool lastTakenAsTyped = true;
};

bool answer(const QString &typed, const MachineResult &result, QString *newString)
{
    if (typed.isEmpty() || result.lastTakenAsTyped)
        return true;
    if (newString)
        *newString = result.text;
    return false;
}

MachineResult runZipMachine(const QString &typed)
{
    MachineResult r;
    int state = 0;
    int count = 0;
    for (const QChar c : typed) {
        bool asTyped = false;
        switch (state) {
        case 0:
            if (isDigit(c)) {
                r.text += c;
                asTyped = true;
                if (++count == 5)
                    state = 1;
            }
            break;
        case 1:
            if (c == QLatin1Char('-')) {
                r.text += c;
                asTyped = true;
                count = 0;
                state = 2;
            } else if (isDigit(c)) {
                r.text += QLatin1Char('-');
                r.text += c;
                count = 1;
                state = 2;
            }
            break;
        case 2:
            if (isDigit(c)) {
                r.text += c;
                asTyped = true;
                if (++count == 4)
                    state = 3;
            }
            break;
        default: // 3: complete, everything further is dropped
            break;
        }
        r.lastTakenAsTyped = asTyped;
    }
    return r;
}

MachineResult runTelephoneMachine(const QString &typed)
{
    MachineResult r;
    int state = 0;
    int count = 0;
    const QChar space = QLatin1Char(' ');
    for (const QChar c : typed) {
        bool asTyped = false;
        auto take = [&](int next) {
            r.text += c;
            asTyped = true;
            state = next;
        };
        auto insert = [&](const char *punctuation, int next) {
            r.text += QLatin1String(punctuation);
            r.text += c;
            count = 1;
            state = next;
        };
        // A digit of a group of `size` digits, then state `next`.
        auto groupDigit = [&](int size, int next) {
            r.text += c;
            asTyped = true;
            if (++count == size)
                state = next;
        };
        switch (state) {
        case 0: // start
            if (c == QLatin1Char('(')) {
                count = 0;
                take(1);
            } else if (isDigit(c)) {
                insert("(", 1);
            }
            break;
        case 1: // area code
            if (isDigit(c))
                groupDigit(3, 2);
            break;
        case 2: // after the area code
            if (c == space) {
                r.text += QLatin1String(") ");
                count = 0;
                state = 4;
            } else if (c == QLatin1Char(')')) {
                take(3);
            } else if (isDigit(c)) {
                insert(") ", 4);
            }
            break;
        case 3: // after ")"
            if (c == space) {
                count = 0;
                take(4);
            } else if (isDigit(c)) {
                insert(" ", 4);
            }
            break;
        case 4: // exchange
            if (isDigit(c))
                groupDigit(3, 5);
            break;
        case 5: // after the exchange
            if (c == QLatin1Char('-')) {
                count = 0;
                take(6);
            } else if (isDigit(c)) {
                insert("-", 6);
            }
            break;
        case 6: // line number
            if (isDigit(c))
                groupDigit(4, 7);
            break;
        case 7: // after the line number
            if (c == QLatin1Char('x')) {
                r.text += QLatin1String(" x");
                count = 0;
                state = 9;
            } else if (c == space) {
                take(8);
            } else if (isDigit(c)) {
                insert(" x", 9);
            }
            break;
        case 8: // after the space
            if (c == QLatin1Char('x')) {
                count = 0;
                take(9);
            } else if (isDigit(c)) {
                insert("x", 9);
            }
            break;
        case 9: // extension
            if (isDigit(c))
                groupDigit(4, 10);
            break;
        default: // 10: complete
            break;
        }
        r.lastTakenAsTyped = asTyped;
    }
    return r;
}

} // namespace

// ------------------------------------------------------------------- ZIP code

QString OFZipCodeFormatter::stringForObjectValue(const QVariant &object) const { return object.toString(); }

bool OFZipCodeFormatter::getObjectValue(QVariant *object, const QString &string, QString *error) const
{
    return lengthRule(object, string, error, 5, 10, QString::fromLatin1(kZipError));
}

bool OFZipCodeFormatter::isPartialStringValid(const QString &partialString, QString *newString, QString *) const
{
    return answer(partialString, runZipMachine(partialString), newString);
}

// ---------------------------------------------------------------------- state

const QStringList &OFStateFormatter::validStates()
{
    static const QStringList states =
        QStringLiteral(
            "AA AE AP AL AK AS AZ AR CA CO CT DE DC FM FL GA GU HI ID IL IN IA KS KY LA ME MH MD MA MI MN MS "
            "MO MT NE NV NH NJ NM NY NC ND MP OH OK OR PW PA PR RI SC SD TN TX UT VT VI VA WA WV WI WY")
            .split(QLatin1Char(' '));
    return states;
}

QString OFStateFormatter::stringForObjectValue(const QVariant &object) const { return object.toString(); }

bool OFStateFormatter::getObjectValue(QVariant *object, const QString &string, QString *error) const
{
    if (!object)
        return true;
    if (string.isEmpty()) {
        *object = QVariant();
        return true;
    }
    if (string.size() != 2) {
        *object = QVariant();
        if (error)
            *error = omniFoundationText(kStateError);
        return false;
    }
    *object = string;
    return true;
}

bool OFStateFormatter::isPartialStringValid(const QString &partialString, QString *newString, QString *) const
{
    if (partialString.isEmpty())
        return true;
    auto refuseWith = [newString](const QString &text) {
        if (newString)
            *newString = text;
        return false;
    };
    bool changed = false;
    QChar first = partialString.at(0);
    if (first.isLower()) {
        first = first.toUpper();
        changed = true;
    }
    const QStringList &states = validStates();
    const bool someCodeBegins =
        std::any_of(states.cbegin(), states.cend(), [first](const QString &code) { return code.at(0) == first; });
    if (!someCodeBegins)
        return refuseWith(QString());
    if (partialString.size() < 2)
        return changed ? refuseWith(QString(first)) : true;

    QChar second = partialString.at(1);
    if (second.isLower()) {
        second = second.toUpper();
        changed = true;
    }
    const QString code = QString(first) + second;
    if (!states.contains(code))
        return refuseWith(QString(first));
    if (!changed && partialString.size() < 3)
        return true;
    return refuseWith(code);
}

bool QVStateFormatter::isPartialStringValid(const QString &partialString, QString *newString, QString *error) const
{
    QString superText;
    const bool superAnswer = OFStateFormatter::isPartialStringValid(partialString, &superText, error);
    if (partialString.isEmpty() || superAnswer)
        return superAnswer; // an accepted text stands as typed
    QString built;
    for (qsizetype i = 0; i < 2 && i < partialString.size() && i < superText.size(); ++i) {
        const QChar typed = partialString.at(i);
        built += typed.isLower() ? superText.at(i).toLower() : superText.at(i);
    }
    if (newString)
        *newString = built;
    return superAnswer;
}

// ------------------------------------------------------------------ telephone

QString OFTelephoneFormatter::stringForObjectValue(const QVariant &object) const { return object.toString(); }

bool OFTelephoneFormatter::getObjectValue(QVariant *object, const QString &string, QString *error) const
{
    return lengthRule(object, string, error, 14, 17, omniFoundationText(kPhoneError));
}

bool OFTelephoneFormatter::isPartialStringValid(const QString &partialString, QString *newString, QString *) const
{
    return answer(partialString, runTelephoneMachine(partialString), newString);
}
