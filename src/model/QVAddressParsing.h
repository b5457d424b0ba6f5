#pragma once
// Addresses read from free text and from address-book cards, and written
// back as cards and vCards. Parsing is purely positional and consults no
// service; verification happens later, elsewhere.
//
// The address model of all directions: lines from top to bottom are name,
// company, suite/apartment line, street (delivery) line and
// "city state ZIP"; a foreign address keeps its lines free-form plus a
// country name.
#include "model/Person.h"
#include "model/QVAddress.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Free text, read bottom-up.
// - Lines are split at every line terminator; each line is trimmed of white
//   space at its ends and blank lines are dropped.
// - A last line made only of digits and "-" is a ZIP code on a line of its
//   own and joins the line above it ("Springfield IL" / "62704").
// - The last line is "city state ZIP" when it has at least three words
//   (separated by runs of spaces or tabs): the last word goes to setZIP, the
//   word before it to the state, the rest to the city; otherwise the whole
//   line is the city. Punctuation stays as written.
// - The lines above it: one line is the street; two lines are name and
//   street when the first has no digit, else suite/apartment and street;
//   three lines are company, suite/apartment and street. With four or more
//   lines the top one is the name, the next the company, the last two the
//   suite/apartment and the street, and any lines between join the suite
//   line (top to bottom, separated by ", "), so no line is ever dropped.
// - A ZIP code with nothing above it gives an address with only the ZIP;
//   text without any line gives an empty address.
QVAddress addressWithString(const QString &text);

// The person's primary postal address (the last one when none is primary);
// nothing when the person has no postal address.
std::optional<QVAddress> addressWithABPerson(const Person &person);

// The postal address at the index; nothing when there is none there.
// - Country: empty, or a text that QVCountry::isCountryStringUSA accepts,
//   gives "United States" (domestic); any other text is stored as it is
//   (foreign).
// - Name: title, first, middle, last name and suffix, those present, joined
//   by single spaces; first and last name are also stored on their own. A
//   person with no name at all gets the organization as name and last name
//   and no company; otherwise the organization is the company.
// - Foreign: company, the street lines, and "city state ZIP" become the
//   foreign-address lines; the company is not repeated when the street
//   already begins with it (as on a card written from a foreign address).
// - Domestic: the last non-blank line of the street is the street (delivery)
//   line, the one above it the suite/apartment line; further lines above
//   are kept, joined top to bottom with ", " in front of the suite line.
//   The ZIP is read as ZIP5 (first 5 characters) or ZIP5-ZIP4, each part
//   checked.
// - Phone and e-mail: the primary entry of each, when there is one.
std::optional<QVAddress> addressWithABPerson(const Person &person, qsizetype addressIndex);

// A new card of the address, its entries under the label:
// - the name split into first / middle / last name (with four or more words
//   the third and later words form the last name), each part lower-cased
//   with the first letter of every word upper case;
// - the company as the organization;
// - one primary postal address: domestic with country code "us", street =
//   suite/apartment and street lines, city, state and formatted ZIP;
//   foreign with the foreign-address lines as street and the country;
// - the phone and the e-mail, when present, each as a primary entry.
Person abPersonWithLabel(const QVAddress &address, const QString &label);
// The same under kABHomeLabel.
Person abPerson(const QVAddress &address);

// The vCard (3.0, UTF-8) of abPerson(address).
QByteArray vCardRepresentation(const QVAddress &address);
