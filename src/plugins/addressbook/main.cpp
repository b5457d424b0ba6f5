// tolvanecard FILE: "Prepare label in Tolvane for Mac" for a vCard file (the
// desktop entry resources/tolvanecard.desktop offers it for text/vcard).
// Reads the file's first card with the vCard reader and opens a new shipment
// to the card's preferred postal address (its primary one, else its first)
// in the program, through a "tolvane:" URL handed to the desktop
// (TolvaneABAction.h).
//
// Exit status: 0 when the desktop took the URL; 1 when the file is not a
// readable vCard file, its card has no postal address, or nothing took the
// URL (the reason on standard error).
#include "model/VCard.h"
#include "plugins/addressbook/TolvaneABAction.h"

#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QTextStream>

namespace {

int fail(const QString &text)
{
    QTextStream(stderr) << "tolvanecard: " << text << "\n";
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 2)
        return fail(QStringLiteral("usage: tolvanecard <vCard file>"));

    // Only a regular file is read: a pipe or a device may never end.
    const QString path = arguments.at(1);
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Invalid file for reading: %1").arg(path));
    const QByteArray data = file.read(kVCardMaximumDataSize + 1);
    if (data.size() > kVCardMaximumDataSize)
        return fail(QStringLiteral("%1 is larger than a vCard file may be.").arg(path));

    QString error;
    const std::optional<Person> person = personWithVCardRepresentation(data, &error);
    if (!person)
        return fail(QStringLiteral("%1 is not a vCard file: %2").arg(path, error));
    const qsizetype index = TolvaneABAction::preferredAddressIndex(*person);
    if (index < 0)
        return fail(QStringLiteral("The card has no postal address."));
    if (!TolvaneABAction::performActionForPerson(*person, person->addresses().identifierAtIndex(index)))
        return fail(QStringLiteral("The desktop opened no program for the new shipment."));
    return 0;
}
