#include "model/Person.h"

Person::Person() : m_uniqueId(newABIdentifier()) {}

const QStringList &Person::textProperties()
{
    static const QStringList properties = {
        kABTitleProperty,  kABFirstNameProperty,    kABMiddleNameProperty, kABLastNameProperty,
        kABSuffixProperty, kABOrganizationProperty, kABJobTitleProperty,   kABUIDProperty,
    };
    return properties;
}

QString Person::valueForProperty(const QString &property) const
{
    if (property == kABUIDProperty)
        return m_uniqueId;
    const auto found = m_texts.constFind(property);
    return found == m_texts.constEnd() ? QString() : found->toString();
}

bool Person::setValue(const QString &value, const QString &property)
{
    if (!textProperties().contains(property))
        return false;
    if (property == kABUIDProperty) {
        m_uniqueId = value;
        return true;
    }
    if (value.isEmpty())
        m_texts.remove(property);
    else
        m_texts.insert(property, value);
    return true;
}

QString Person::composedName() const
{
    QStringList parts;
    for (const QString &property :
         {kABTitleProperty, kABFirstNameProperty, kABMiddleNameProperty, kABLastNameProperty, kABSuffixProperty}) {
        const QString part = valueForProperty(property);
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(QLatin1Char(' '));
}

bool operator==(const Person &a, const Person &b)
{
    return a.m_uniqueId == b.m_uniqueId && a.m_texts == b.m_texts && a.m_addresses == b.m_addresses &&
        a.m_phones == b.m_phones && a.m_emails == b.m_emails && a.m_categories == b.m_categories &&
        a.m_imageData == b.m_imageData;
}
