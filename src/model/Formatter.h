#pragma once
// The contract of a text-field formatter: it turns an object into the text
// of a field, turns the text into the field's value when editing ends, and
// checks every keystroke. Formatters are plain logic; a widget layer binds
// them to entry fields.
#include <QString>
#include <QVariant>

class QVFormatter
{
public:
    virtual ~QVFormatter() = default;

    // The text shown for a value.
    virtual QString stringForObjectValue(const QVariant &object) const = 0;

    // Called when editing ends. True with the value in *object (an invalid
    // QVariant for "no value"), or false with the reason in *error (when
    // given) and an invalid value. When object is null the answer is true
    // and nothing else happens.
    virtual bool getObjectValue(QVariant *object, const QString &string, QString *error) const = 0;

    // Called on every change of the text being typed. True accepts the text
    // as it is; false asks the field to show *newString instead (when given).
    virtual bool isPartialStringValid(const QString &partialString, QString *newString, QString *error) const
    {
        return true;
    }
};
