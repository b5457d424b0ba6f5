#pragma once
// The address book: the people of the vCard folder (platform/VCardFolder.h)
// read with the vCard reader, their groups, and the user's own card.
//
// - People: every card of every ".vcf" file of the folder, files by name,
//   cards in file order; a file that does not read as vCards is left out.
//   A card's unique id is its UID (or X-ABUID); a card without one gets
//   "<file name>:<position in the file>", so that ids stay the same from
//   one reading to the next.
// - Groups: one per name found in the cards' CATEGORIES; its members are
//   the people that list it. A group's unique id is its name.
// - "me": the first card of the file that the user default
//   "addressBookMeCard" names.
// The folder is read again on every question (a small folder of cards);
// callers that ask often keep what they got until the change notifications.
#include "model/Person.h"

#include <QList>
#include <QString>

#include <optional>

struct ABGroup {
    QString uniqueId;
    QString name;
};

class ABAddressBook
{
public:
    static ABAddressBook &sharedAddressBook();

    QList<Person> people() const;
    // The groups, in the order their names first appear.
    QList<ABGroup> groups() const;
    // The people that list the group's name among their categories.
    QList<Person> membersOfGroup(const ABGroup &group) const;
    std::optional<Person> recordForUniqueId(const QString &uniqueId) const;
    std::optional<Person> me() const;

    // Stores a new card under a file name made from its name; false (with
    // `error` set) when it could not be written.
    bool addRecord(const Person &person, QString *error = nullptr) const;
    // Opens the card of that id in the desktop's program for vCards; false
    // when no card has that id.
    bool openRecordForEditing(const QString &uniqueId) const;

private:
    struct Card {
        QString fileName;
        Person person;
    };
    QList<Card> cards() const;
};
