#pragma once
// The contact-card action "Prepare label in Tolvane for Mac": a new shipment
// addressed to a contact, opened in the program through its URL scheme
// (the URL handler makes a package of it).
//
// The URL is "tolvane://newShipment2?ToAddress=<address>;ToEMail=<e-mail>;
// ToPhone=<phone>", every value percent-escaped as UTF-8. Besides what URLs
// never carry bare, ";", "=", "&", "+", "#" and "%" are escaped in every
// value, so that a card's text can never end its value or add a key of its
// own (";QVPostageEnabled=NO", ";CallbackURL=…"); the receiving handler
// splits the pairs at ";" before it decodes them.
//
// The address text, line by line:
//   - the name: the title and a space (when there is a title), the first
//     name, then a space and each of the middle name, last name and suffix
//     that the card has;
//   - the organisation, after a line break when there is text before it;
//   - a line break and the chosen postal address: its street lines, then
//     "City State ZIP" (the parts it has), then its country when given;
//   - every two line breaks in a row made one, in one pass.
// Phone and e-mail: the entry at the chosen address's index in the card's
// phone (e-mail) list, else the primary one, else empty.
#include "model/Person.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>

class TolvaneABAction
{
public:
    // The action's title, as the desktop entry shows it.
    static QString title() { return QStringLiteral("Prepare label in Tolvane for Mac"); }

    // The index of the address the action uses when none was chosen: the
    // card's primary address, else its first; -1 when it has none.
    static qsizetype preferredAddressIndex(const Person &person);

    // The URL's text for the address with that identifier (see above).
    static QString urlStringForPerson(const Person &person, const QString &identifier);

    // Opens the URL's text through the registered URL opener (as text, so
    // that the command keeps its case); false when the text forms no URL or
    // nothing took it.
    static bool performActionForPerson(const Person &person, const QString &identifier);
};

// A postal address (kABAddress...Key keys) as lines of text in the US form.
QString formattedAddressFromDictionary(const QVariantMap &address);
