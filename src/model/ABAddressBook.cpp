#include "model/ABAddressBook.h"

#include "model/VCard.h"
#include "platform/VCardFolder.h"

ABAddressBook &ABAddressBook::sharedAddressBook()
{
    static ABAddressBook book;
    return book;
}

QList<ABAddressBook::Card> ABAddressBook::cards() const
{
    QList<Card> cards;
    for (const VCardFolder::CardFile &file : VCardFolder::sharedFolder().cardFiles()) {
        const std::optional<QList<Person>> people = peopleWithVCardRepresentation(file.data, nullptr, file.fileName);
        if (!people)
            continue;
        for (const Person &person : *people)
            cards.append({file.fileName, person});
    }
    return cards;
}

QList<Person> ABAddressBook::people() const
{
    QList<Person> people;
    for (const Card &card : cards())
        people.append(card.person);
    return people;
}

QList<ABGroup> ABAddressBook::groups() const
{
    QList<ABGroup> groups;
    QStringList names;
    for (const Card &card : cards()) {
        for (const QString &name : card.person.categories()) {
            if (!names.contains(name)) {
                names.append(name);
                groups.append({name, name});
            }
        }
    }
    return groups;
}

QList<Person> ABAddressBook::membersOfGroup(const ABGroup &group) const
{
    QList<Person> members;
    for (const Card &card : cards()) {
        if (card.person.categories().contains(group.name))
            members.append(card.person);
    }
    return members;
}

std::optional<Person> ABAddressBook::recordForUniqueId(const QString &uniqueId) const
{
    if (uniqueId.isEmpty())
        return std::nullopt;
    for (const Card &card : cards()) {
        if (card.person.uniqueId() == uniqueId)
            return card.person;
    }
    return std::nullopt;
}

std::optional<Person> ABAddressBook::me() const
{
    const QString meFile = VCardFolder::sharedFolder().meCardFileName();
    if (meFile.isEmpty())
        return std::nullopt;
    for (const Card &card : cards()) {
        if (card.fileName == meFile)
            return card.person;
    }
    return std::nullopt;
}

bool ABAddressBook::addRecord(const Person &person, QString *error) const
{
    VCardFolder &folder = VCardFolder::sharedFolder();
    QString name = person.composedName();
    if (name.isEmpty())
        name = person.organization();
    return folder.writeCardFile(folder.proposedFileName(name), vCardRepresentation(person), error);
}

bool ABAddressBook::openRecordForEditing(const QString &uniqueId) const
{
    if (uniqueId.isEmpty())
        return false;
    for (const Card &card : cards()) {
        if (card.person.uniqueId() == uniqueId)
            return VCardFolder::sharedFolder().openCardFile(card.fileName);
    }
    return false;
}
