#pragma once
// Formatters of the US address entry fields: ZIP code, state abbreviation and
// telephone number. While the user types they accept, refuse or repair the
// text (the hyphen of a ZIP+4, the punctuation of a phone number, the case of
// a state code); when editing ends they turn the text into the field's value
// or refuse it with a message. They hold no state.
#include "model/Formatter.h"

#include <QStringList>

// Five digits, optionally "-" and four more: "12345" or "12345-6789".
class OFZipCodeFormatter : public QVFormatter
{
public:
    QString stringForObjectValue(const QVariant &object) const override;
    // Empty: no value. 1 to 4 characters: refused. 5 to 9: the first 5.
    // 10 or more: the whole text.
    bool getObjectValue(QVariant *object, const QString &string, QString *error) const override;
    bool isPartialStringValid(const QString &partialString, QString *newString, QString *error) const override;
};

// A two-letter state, territory or military code, shown in upper case.
class OFStateFormatter : public QVFormatter
{
public:
    QString stringForObjectValue(const QVariant &object) const override;
    // Empty: no value. Exactly 2 characters: the text unchanged. Otherwise
    // refused.
    bool getObjectValue(QVariant *object, const QString &string, QString *error) const override;
    bool isPartialStringValid(const QString &partialString, QString *newString, QString *error) const override;

    // The 62 accepted codes: the states, DC, the territories and the military
    // codes AA, AE and AP.
    static const QStringList &validStates();
};

// The state formatter of the address fields: checks like OFStateFormatter
// but keeps the case the user typed ("ny" stays "ny").
class QVStateFormatter : public OFStateFormatter
{
public:
    bool isPartialStringValid(const QString &partialString, QString *newString, QString *error) const override;
};

// "(555) 123-4567", optionally followed by " x" and up to 4 extension digits.
class OFTelephoneFormatter : public QVFormatter
{
public:
    QString stringForObjectValue(const QVariant &object) const override;
    // Empty: no value. 1 to 13 characters: refused. 14 to 16: the first 14.
    // 17 or more: the whole text.
    bool getObjectValue(QVariant *object, const QString &string, QString *error) const override;
    bool isPartialStringValid(const QString &partialString, QString *newString, QString *error) const override;
};
