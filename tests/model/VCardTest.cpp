// vCard files and Person cards: writing and reading back, hand-written 3.0
// and quoted-printable 2.1 files, folding and escapes, damaged and hostile
// input.
#include "model/Person.h"
#include "model/VCard.h"
#include "QtPrinters.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString s(const char *text) { return text ? QString::fromUtf8(text) : QString(); }

QByteArray fixture(const char *name)
{
    QFile file(tolvane::test::dataPath(s(name)));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QByteArray card(const QByteArray &body, const QByteArray &version = "3.0")
{
    return "BEGIN:VCARD\r\nVERSION:" + version + "\r\n" + body + "END:VCARD\r\n";
}

QVariantMap postal(std::initializer_list<std::pair<QString, const char *>> values)
{
    QVariantMap map;
    for (const auto &[key, value] : values)
        map.insert(key, s(value));
    return map;
}

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(bytes);
    return !decoder.hasError();
}

Person fullPerson()
{
    Person person;
    person.setUniqueId(s("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0:ABPerson"));
    person.setValue(s("Dr."), kABTitleProperty);
    person.setValue(s("Anne, Marie"), kABFirstNameProperty);
    person.setValue(s("Zoë"), kABMiddleNameProperty);
    person.setValue(s("O'Brien; Fitzgerald"), kABLastNameProperty);
    person.setValue(s("III"), kABSuffixProperty);
    person.setValue(s("Back\\slash Bäckerei & Konditorei Ærøskøbing Straße, Zweigstelle Nürnberg-Südost"),
                    kABOrganizationProperty);
    person.setValue(s("Head of Shipping"), kABJobTitleProperty);

    ABMultiDictionaryValue addresses;
    addresses.addValue(postal({{kABAddressStreetKey, "Suite 5\n1 Main St"},
                               {kABAddressCityKey, "Springfield"},
                               {kABAddressStateKey, "IL"},
                               {kABAddressZIPKey, "62701-1234"},
                               {kABAddressCountryCodeKey, "us"}}),
                       kABHomeLabel);
    const QString work = addresses.addValue(postal({{kABAddressStreetKey, "Königstraße 5\nHinterhaus"},
                                                    {kABAddressCityKey, "München"},
                                                    {kABAddressZIPKey, "80331"},
                                                    {kABAddressCountryKey, "Germany"},
                                                    {kABAddressCountryCodeKey, "de"}}),
                                            kABWorkLabel);
    addresses.addValue(postal({{kABAddressStreetKey, "PO Box 7"}, {kABAddressCountryKey, "Canada"}}), kABOtherLabel);
    addresses.setPrimaryIdentifier(work);
    person.setAddresses(addresses);

    ABMultiStringValue phones;
    phones.addValue(s("+1 217 555 0100"), kABHomeLabel);
    phones.addValue(s("+1 217 555 0101"), kABWorkLabel);
    const QString mobile = phones.addValue(s("(217) 555-0199"), kABPhoneMobileLabel);
    phones.addValue(s("+1 217 555 0102"), kABPhoneWorkFAXLabel);
    phones.addValue(s("+1 217 555 0103"), s("cottage"));
    phones.setPrimaryIdentifier(mobile);
    person.setPhones(phones);

    ABMultiStringValue emails;
    emails.setPrimaryIdentifier(emails.addValue(s("anne@example.com"), kABWorkLabel));
    emails.addValue(s("anne.home@example.org"), kABHomeLabel);
    person.setEmails(emails);
    return person;
}

// Runs the independent vCard reader/writer (python3-vobject); nothing when it
// is not installed.
std::optional<QByteArray> vobject(const char *mode, const QByteArray &input = QByteArray())
{
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python))
        return std::nullopt;
    QProcess process;
    process.start(python, {tolvane::test::dataPath(s("vobject-vcard-check.py")), s(mode)});
    if (!process.waitForStarted(10000))
        return std::nullopt;
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 77)
        return std::nullopt;
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    return process.readAllStandardOutput();
}

QStringList strings(const QJsonValue &array)
{
    QStringList result;
    for (const QJsonValue &value : array.toArray())
        result << value.toString();
    return result;
}

} // namespace

// ---------------------------------------------------------------- writing and reading back

TEST(VCard, WrittenAndReadBackGivesTheSamePerson)
{
    const Person person = fullPerson();
    QString error;
    const std::optional<Person> back = personWithVCardRepresentation(vCardRepresentation(person), &error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(*back, person);
    EXPECT_EQ(back->phones().labelAtIndex(4), s("cottage"));

    // Several cards in one file, and a card with nothing but its id.
    Person empty;
    const std::optional<QList<Person>> both =
        peopleWithVCardRepresentation(vCardRepresentation(QList<Person>{person, empty}), &error);
    ASSERT_TRUE(both) << error.toStdString();
    ASSERT_EQ(both->size(), 2);
    EXPECT_EQ(both->at(0), person);
    EXPECT_EQ(both->at(1), empty);
}

TEST(VCard, WrittenFormIsFoldedEscapedVCard30)
{
    const QByteArray data = vCardRepresentation(fullPerson());

    // CRLF everywhere, no line over 75 octets, no fold inside a UTF-8
    // sequence, continuation lines begin with a space.
    ASSERT_TRUE(data.endsWith("\r\n"));
    EXPECT_EQ(data.count('\n'), data.count("\r\n"));
    EXPECT_EQ(data.count('\r'), data.count("\r\n"));
    QList<QByteArray> physical = data.split('\n');
    physical.removeLast();
    bool folded = false;
    for (QByteArray line : physical) {
        line.chop(1); // the CR
        EXPECT_LE(line.size(), 75) << line.constData();
        EXPECT_TRUE(isValidUtf8(line)) << line.toHex().constData();
        folded = folded || line.startsWith(' ');
    }
    EXPECT_TRUE(folded);

    // Unfolded (RFC 2426: remove CRLF followed by one space), the lines carry
    // the escapes of the standard.
    QByteArray unfolded = data;
    unfolded.replace("\r\n ", "");
    const QList<QByteArray> lines = unfolded.split('\n');
    const auto has = [&lines](const char *expected) { return lines.contains(QByteArray(expected) + '\r'); };
    EXPECT_EQ(lines.first(), QByteArray("BEGIN:VCARD\r"));
    EXPECT_TRUE(has("VERSION:3.0"));
    EXPECT_TRUE(has("N:O'Brien\\; Fitzgerald;Anne\\, Marie;Zo\xC3\xAB;Dr.;III"));
    EXPECT_TRUE(has("FN:Dr. Anne\\, Marie Zo\xC3\xAB O'Brien\\; Fitzgerald III"));
    EXPECT_TRUE(has("ORG:Back\\\\slash B\xC3\xA4"
                    "ckerei & Konditorei \xC3\x86r\xC3\xB8sk\xC3\xB8"
                    "bing Stra\xC3\x9F"
                    "e\\, Zweigstelle N\xC3\xBCrnberg-S\xC3\xBC"
                    "dost"));
    EXPECT_TRUE(has("TITLE:Head of Shipping"));
    EXPECT_TRUE(has("item1.ADR;TYPE=HOME:;;Suite 5\\n1 Main St;Springfield;IL;62701-1234;"));
    EXPECT_TRUE(has("item1.X-ABADR:us"));
    EXPECT_TRUE(has("ADR;TYPE=OTHER:;;PO Box 7;;;;Canada"));
    EXPECT_TRUE(has("TEL;TYPE=CELL,PREF:(217) 555-0199"));
    EXPECT_TRUE(has("TEL;TYPE=WORK,FAX:+1 217 555 0102"));
    EXPECT_TRUE(has("EMAIL;TYPE=INTERNET,WORK,PREF:anne@example.com"));
    EXPECT_TRUE(has("X-ABUID:0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0:ABPerson"));
    EXPECT_EQ(lines.at(lines.size() - 2), QByteArray("END:VCARD\r"));
}

TEST(VCard, IndependentReaderReadsTheWrittenCards)
{
    Person person = fullPerson();
    const std::optional<QByteArray> json = vobject("dump", vCardRepresentation(QList<Person>{person, Person()}));
    if (!json)
        GTEST_SKIP() << "python3-vobject is not installed";
    const QJsonArray cards = QJsonDocument::fromJson(*json).array();
    ASSERT_EQ(cards.size(), 2) << json->constData();
    const QJsonObject card = cards.at(0).toObject();

    EXPECT_EQ(strings(card.value(s("n"))),
              (QStringList{s("O'Brien; Fitzgerald"), s("Anne, Marie"), s("Zoë"), s("Dr."), s("III")}));
    EXPECT_EQ(card.value(s("fn")).toString(), s("Dr. Anne, Marie Zoë O'Brien; Fitzgerald III"));
    EXPECT_EQ(strings(card.value(s("org"))),
              QStringList{s("Back\\slash Bäckerei & Konditorei Ærøskøbing Straße, Zweigstelle Nürnberg-Südost")});
    EXPECT_EQ(card.value(s("title")).toString(), s("Head of Shipping"));
    EXPECT_EQ(card.value(s("x-abuid")).toString(), s("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0:ABPerson"));

    const QJsonArray adr = card.value(s("adr")).toArray();
    ASSERT_EQ(adr.size(), 3);
    const QJsonObject home = adr.at(0).toObject();
    EXPECT_EQ(strings(home.value(s("types"))), QStringList{s("HOME")});
    EXPECT_EQ(home.value(s("street")).toString(), s("Suite 5\n1 Main St"));
    EXPECT_EQ(home.value(s("city")).toString(), s("Springfield"));
    EXPECT_EQ(home.value(s("region")).toString(), s("IL"));
    EXPECT_EQ(home.value(s("code")).toString(), s("62701-1234"));
    const QJsonObject work = adr.at(1).toObject();
    EXPECT_EQ(strings(work.value(s("types"))), (QStringList{s("WORK"), s("PREF")}));
    EXPECT_EQ(work.value(s("street")).toString(), s("Königstraße 5\nHinterhaus"));
    EXPECT_EQ(work.value(s("country")).toString(), s("Germany"));
    // Each country code sits in the group of its address.
    const QJsonArray codes = card.value(s("x-abadr")).toArray();
    ASSERT_EQ(codes.size(), 2);
    EXPECT_EQ(codes.at(0).toObject().value(s("group")).toString(), home.value(s("group")).toString());
    EXPECT_EQ(codes.at(0).toObject().value(s("value")).toString(), s("us"));
    EXPECT_EQ(codes.at(1).toObject().value(s("group")).toString(), work.value(s("group")).toString());
    EXPECT_EQ(codes.at(1).toObject().value(s("value")).toString(), s("de"));

    const QJsonArray tel = card.value(s("tel")).toArray();
    ASSERT_EQ(tel.size(), 5);
    EXPECT_EQ(tel.at(2).toObject().value(s("value")).toString(), s("(217) 555-0199"));
    EXPECT_EQ(strings(tel.at(2).toObject().value(s("types"))), (QStringList{s("CELL"), s("PREF")}));
    const QJsonArray email = card.value(s("email")).toArray();
    ASSERT_EQ(email.size(), 2);
    EXPECT_EQ(email.at(0).toObject().value(s("value")).toString(), s("anne@example.com"));
}

TEST(VCard, ReadsACardWrittenByAnIndependentWriter)
{
    const std::optional<QByteArray> data = vobject("make");
    if (!data)
        GTEST_SKIP() << "python3-vobject is not installed";
    QString error;
    const std::optional<Person> person = personWithVCardRepresentation(*data, &error);
    ASSERT_TRUE(person) << error.toStdString() << data->constData();
    EXPECT_EQ(person->lastName(), s("O'Brien; Fitzgerald"));
    EXPECT_EQ(person->firstName(), s("Anne, Marie"));
    EXPECT_EQ(person->middleName(), s("Zoë"));
    EXPECT_EQ(person->title(), s("Dr."));
    EXPECT_EQ(person->suffix(), s("III"));
    EXPECT_EQ(person->organization(),
              s("Bäckerei & Konditorei Ærøskøbing Straße, Zweigstelle Nürnberg-Südost und Umgebung"));
    EXPECT_EQ(person->jobTitle(), s("Head of Shipping"));
    EXPECT_EQ(person->uniqueId(), s("vobject-0001"));
    ASSERT_EQ(person->addresses().count(), 1);
    EXPECT_EQ(person->addresses().labelAtIndex(0), kABHomeLabel);
    EXPECT_EQ(person->addresses().valueAtIndex(0),
              postal({{kABAddressStreetKey, "Suite 5\n1 Main St"},
                      {kABAddressCityKey, "Springfield"},
                      {kABAddressStateKey, "IL"},
                      {kABAddressZIPKey, "62701-1234"},
                      {kABAddressCountryKey, "USA"}}));
    ASSERT_EQ(person->phones().count(), 2);
    EXPECT_EQ(person->phones().labelAtIndex(0), kABWorkLabel);
    EXPECT_EQ(person->phones().primaryIndex(), 1);
    EXPECT_EQ(person->phones().labelAtIndex(1), kABPhoneMobileLabel);
    EXPECT_EQ(person->emails().valueAtIndex(0), s("anne@example.com"));
}

// ---------------------------------------------------------------- files written elsewhere

TEST(VCard, HandWrittenVCard30)
{
    QString error;
    const std::optional<QList<Person>> people =
        peopleWithVCardRepresentation(fixture("vcard30-hand-written.vcf"), &error);
    ASSERT_TRUE(people) << error.toStdString();
    ASSERT_EQ(people->size(), 2);

    const Person &mary = people->at(0);
    EXPECT_EQ(mary.uniqueId(), s("5A1B2C3D-0000-4000-8000-00000000ABCD:ABPerson"));
    EXPECT_EQ(mary.title(), s("Dr."));
    EXPECT_EQ(mary.firstName(), s("Mary"));
    EXPECT_EQ(mary.middleName(), s("Ann"));
    EXPECT_EQ(mary.lastName(), s("Van Dyke"));
    EXPECT_EQ(mary.suffix(), s("Jr."));
    EXPECT_EQ(mary.organization(), s("Dyke, Brook & Sons"));
    EXPECT_EQ(mary.jobTitle(), s("Head of Shipping; Receiving"));

    ASSERT_EQ(mary.addresses().count(), 2);
    EXPECT_EQ(mary.addresses().primaryIndex(), 0);
    EXPECT_EQ(mary.addresses().labelAtIndex(0), kABWorkLabel);
    // The folded street and the extended address above it.
    EXPECT_EQ(mary.addresses().valueAtIndex(0),
              postal({{kABAddressStreetKey, "Suite 210\n1600 Amphitheatre Pkwy"},
                      {kABAddressCityKey, "Mountain View"},
                      {kABAddressStateKey, "CA"},
                      {kABAddressZIPKey, "94043-1351"},
                      {kABAddressCountryKey, "USA"},
                      {kABAddressCountryCodeKey, "us"}}));
    EXPECT_EQ(mary.addresses().labelAtIndex(1), kABHomeLabel);
    EXPECT_EQ(mary.addresses().valueAtIndex(1),
              postal({{kABAddressStreetKey, "12 Rue de la Paix"},
                      {kABAddressCityKey, "Paris"},
                      {kABAddressZIPKey, "75002"},
                      {kABAddressCountryKey, "France"}}));

    ASSERT_EQ(mary.phones().count(), 2);
    EXPECT_EQ(mary.phones().valueAtIndex(0), s("+1 650 555 0100"));
    EXPECT_EQ(mary.phones().labelAtIndex(0), kABWorkLabel);
    EXPECT_EQ(mary.phones().labelAtIndex(1), kABPhoneMobileLabel);
    EXPECT_EQ(mary.phones().primaryIndex(), 1);
    ASSERT_EQ(mary.emails().count(), 2);
    EXPECT_EQ(mary.emails().labelAtIndex(0), kABOtherLabel);
    EXPECT_EQ(mary.emails().valueAtIndex(1), s("mary.home@example.org"));
    EXPECT_EQ(mary.emails().labelAtIndex(1), kABHomeLabel);
    EXPECT_EQ(mary.emails().primaryIndex(), 1);

    const Person &acme = people->at(1);
    EXPECT_EQ(acme.uniqueId(), s("acme-0001"));
    EXPECT_EQ(acme.organization(), s("Acme Widgets"));
    EXPECT_TRUE(acme.composedName().isEmpty());
    EXPECT_EQ(acme.addresses().valueAtIndex(0).value(kABAddressStreetKey).toString(), s("Dock 4\n500 Industrial Way"));
    EXPECT_EQ(acme.addresses().primaryIndex(), 0); // no PREF: the first entry
}

TEST(VCard, VCard21QuotedPrintable)
{
    QString error;
    const std::optional<Person> person = personWithVCardRepresentation(fixture("vcard21-quoted-printable.vcf"), &error);
    ASSERT_TRUE(person) << error.toStdString();
    EXPECT_EQ(person->lastName(), s("Müller")); // ISO-8859-1
    EXPECT_EQ(person->firstName(), s("Jürgen"));
    EXPECT_EQ(person->organization(), s("Bäckerei Müller GmbH")); // UTF-8
    ASSERT_EQ(person->addresses().count(), 2);
    EXPECT_EQ(person->addresses().primaryIndex(), 0);
    EXPECT_EQ(person->addresses().labelAtIndex(0), kABHomeLabel);
    // =0D=0A inside the street and a soft line break inside the city.
    EXPECT_EQ(person->addresses().valueAtIndex(0),
              postal({{kABAddressStreetKey, "Königstraße 5\nHinterhaus"},
                      {kABAddressCityKey, "München"},
                      {kABAddressZIPKey, "80331"},
                      {kABAddressCountryKey, "Germany"}}));
    EXPECT_EQ(person->addresses().labelAtIndex(1), kABWorkLabel);
    EXPECT_EQ(person->addresses().valueAtIndex(1).value(kABAddressZIPKey).toString(), s("04101"));
    EXPECT_EQ(person->phones().primaryIndex(), 1);
    EXPECT_EQ(person->phones().valueAtIndex(1), s("+49 89 7654321"));
    EXPECT_EQ(person->emails().valueAtIndex(0), s("juergen@example.de"));
}

TEST(VCard, FoldingEscapesAndLineEnds)
{
    const struct {
        const char *what;
        QByteArray data;
        const char *lastName;
    } cases[] = {
        {"fold with a space", card("N:Sm\r\n ith;John;;;\r\n"), "Smith"},
        {"fold with a tab", card("N:Sm\r\n\tith;John;;;\r\n"), "Smith"},
        {"fold keeps further spaces", card("N:Van\r\n  Dyke;Mary;;;\r\n"), "Van Dyke"},
        // vCard 2.1 folds at white space and keeps it (RFC 822 folding).
        {"2.1 fold keeps its white space", card("N:Van\r\n Dyke;Mary;;;\r\n", "2.1"), "Van Dyke"},
        {"2.1 fold with a tab", card("N:Van\r\n\tDyke;Mary;;;\r\n", "2.1"), "Van\tDyke"},
        {"fold inside a UTF-8 sequence", card("N:M\xC3\r\n \xBCller;;;;\r\n"), "Müller"},
        {"escapes", card("N:A\\;B\\,C\\\\D;;;;\r\n"), "A;B,C\\D"},
        {"capital N escape", card("N:Line\\NTwo;;;;\r\n"), "Line\nTwo"},
        {"unknown escape kept", card("N:C:\\temp;;;;\r\n"), "C:\\temp"},
        {"LF line ends", QByteArray("BEGIN:VCARD\nVERSION:3.0\nN:Smith;;;;\nEND:VCARD\n"), "Smith"},
        {"CR line ends", QByteArray("BEGIN:VCARD\rVERSION:3.0\rN:Smith;;;;\rEND:VCARD\r"), "Smith"},
        {"no final line end", QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Smith;;;;\r\nEND:VCARD"), "Smith"},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF" + card("N:Smith;;;;\r\n"), "Smith"},
        {"lower-case names and a group", card("item2.n:smith;john;;;\r\n"), "smith"},
        {"quoted-printable soft break", card("N;ENCODING=QUOTED-PRINTABLE:M=C3=BC=\r\nller;;;;\r\n", "2.1"), "Müller"},
        {"bare QUOTED-PRINTABLE", card("N;QUOTED-PRINTABLE;CHARSET=WINDOWS-1252:=80uro;;;;\r\n", "2.1"),
         "\xE2\x82\xACuro"},
        {"2.1 without CHARSET in a Windows code page", card("N:M\xFCller;;;;\r\n", "2.1"), "Müller"},
        {"blank lines inside", card("\r\nN:Smith;;;;\r\n\r\n"), "Smith"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        const std::optional<Person> person = personWithVCardRepresentation(c.data, &error);
        ASSERT_TRUE(person) << error.toStdString();
        EXPECT_EQ(person->lastName(), s(c.lastName));
    }
}

TEST(VCard, UTF16FileWithByteOrderMark)
{
    const QString text = QString::fromUtf8(card("N:M\xC3\xBCller;J\xC3\xBCrgen;;;\r\n"));
    QByteArray data("\xFF\xFE", 2);
    for (const QChar c : text) {
        data += char(c.unicode() & 0xFF);
        data += char(c.unicode() >> 8);
    }
    QString error;
    const std::optional<Person> person = personWithVCardRepresentation(data, &error);
    ASSERT_TRUE(person) << error.toStdString();
    EXPECT_EQ(person->lastName(), s("Müller"));
    EXPECT_EQ(person->firstName(), s("Jürgen"));
}

TEST(VCard, PreferredEntryAndFullNameOnly)
{
    QString error;
    std::optional<Person> person = personWithVCardRepresentation(
        card("FN:Pat Doe\r\nTEL:555-0100\r\nTEL;TYPE=HOME:555-0101\r\nTEL;PREF=1;TYPE=WORK:555-0102\r\n"), &error);
    ASSERT_TRUE(person) << error.toStdString();
    EXPECT_EQ(person->firstName(), s("Pat Doe")); // no N: the formatted name
    EXPECT_EQ(person->phones().labelAtIndex(0), kABOtherLabel);
    EXPECT_EQ(person->phones().primaryIndex(), 2);

    person = personWithVCardRepresentation(card("TEL;TYPE=HOME:555-0101\r\nTEL;TYPE=WORK:555-0102\r\n"), &error);
    ASSERT_TRUE(person) << error.toStdString();
    EXPECT_EQ(person->phones().primaryIndex(), 0);
    EXPECT_FALSE(person->uniqueId().isEmpty()); // a card without id gets one
}

TEST(VCard, LabelsOfACardReadSurviveWritingAndReadingBack)
{
    // A fax number with no owner type, and a quoted list of types.
    QString error;
    const std::optional<Person> person = personWithVCardRepresentation(
        card("N:Doe;Pat;;;\r\nTEL;TYPE=FAX:555-0100\r\nTEL;TYPE=\"home,pref\":555-0101\r\n"
             "TEL;TYPE=VOICE:555-0102\r\nEMAIL;TYPE=\"INTERNET,WORK\":pat@example.com\r\n"),
        &error);
    ASSERT_TRUE(person) << error.toStdString();
    ASSERT_EQ(person->phones().count(), 3);
    EXPECT_EQ(person->phones().labelAtIndex(0), s("fax"));
    EXPECT_EQ(person->phones().labelAtIndex(1), kABHomeLabel);
    EXPECT_EQ(person->phones().labelAtIndex(2), kABOtherLabel);
    EXPECT_EQ(person->phones().primaryIndex(), 1);
    EXPECT_EQ(person->emails().labelAtIndex(0), kABWorkLabel);

    const std::optional<Person> back = personWithVCardRepresentation(vCardRepresentation(*person), &error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(*back, *person);
}

// ---------------------------------------------------------------- damaged and hostile input

TEST(VCard, DamagedCardsGiveAnErrorAndNoPerson)
{
    const struct {
        const char *what;
        QByteArray data;
        const char *error; // part of the error text
    } cases[] = {
        {"empty", QByteArray(), "no vCard found"},
        {"not a vCard", QByteArray("hello world\r\n"), "line 1: text outside a card"},
        {"END without BEGIN", QByteArray("END:VCARD\r\n"), "line 1: text outside a card"},
        {"never closed", QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:A;B;;;\r\n"), "line 1: card is not closed"},
        {"no VERSION", QByteArray("BEGIN:VCARD\r\nN:A;B;;;\r\nEND:VCARD\r\n"), "line 1: card has no VERSION"},
        {"unknown version", card("N:A;B;;;\r\n", "4.0"), "line 2: vCard version 4.0 is not supported"},
        {"line without colon", card("N;A;B\r\n"), "line 3: no \":\""},
        {"bad property name", card("N@ME:x\r\n"), "line 3: bad property name"},
        {"bad parameter name", card("TEL;TY PE=HOME:1\r\n"), "line 3: bad parameter name"},
        {"bad quoted-printable", card("N;ENCODING=QUOTED-PRINTABLE:M=ZZller;;;;\r\n", "2.1"),
         "line 3: damaged quoted-printable"},
        {"NUL through quoted-printable", card("N;ENCODING=QUOTED-PRINTABLE:A=00B;;;;\r\n", "2.1"),
         "line 3: N contains a NUL character"},
        {"invalid UTF-8 in 3.0", card("N:M\xFCller;;;;\r\n"), "line 3: N is not valid UTF-8 text"},
        {"unknown character set", card("N;CHARSET=KOI8-R:x;;;;\r\n"), "line 3: character set KOI8-R"},
        {"base64 name", card("N;ENCODING=b:QQ==;;;;\r\n"), "line 3: encoding B is not supported"},
        {"nested card", card("BEGIN:VCARD\r\n"), "line 3: BEGIN inside the card"},
        {"wrong END", QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCALENDAR\r\n"), "line 3: END:VCALENDAR"},
        {"NUL byte", card(QByteArray("N:A\0B;;;;\r\n", 11)), "NUL"},
        {"bad UTF-16", QByteArray("\xFF\xFE\x00\xD8", 4), "not valid UTF-16"},
        {"good card then a damaged one", card("N:Good;;;;\r\n") + "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Bad\r\n",
         "line 5: card is not closed"},
        // Hundreds of thousands of continuation lines of one header without
        // ":" (read in linear time).
        {"endless folded header", card("X\r\n" + QByteArray(" x=\r\n").repeated(400000)), "line 3: no \":\""},
        {"garbage between cards", card("N:A;;;;\r\n") + "garbage\r\n" + card("N:B;;;;\r\n"),
         "line 5: text outside a card"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        EXPECT_FALSE(peopleWithVCardRepresentation(c.data, &error));
        EXPECT_TRUE(error.contains(s(c.error))) << error.toStdString();
        EXPECT_FALSE(personWithVCardRepresentation(c.data));
    }
}

TEST(VCard, LimitsOnDataFromOutside)
{
    QString error;

    QByteArray big = card("N:Smith;;;;\r\n");
    big += QByteArray(kVCardMaximumDataSize - big.size() + 1, '\n');
    EXPECT_FALSE(peopleWithVCardRepresentation(big, &error));
    EXPECT_TRUE(error.contains(s("larger than"))) << error.toStdString();

    QByteArray manyLines = card("N:Smith;;;;\r\n");
    manyLines += QByteArray(kVCardMaximumLineCount, '\n');
    EXPECT_FALSE(peopleWithVCardRepresentation(manyLines, &error));
    EXPECT_TRUE(error.contains(s("more than %1 lines").arg(kVCardMaximumLineCount))) << error.toStdString();

    QByteArray manyProperties;
    for (qsizetype i = 0; i <= kVCardMaximumPropertyCount; ++i)
        manyProperties += "NOTE:x\r\n";
    EXPECT_FALSE(peopleWithVCardRepresentation(card(manyProperties), &error));
    EXPECT_TRUE(error.contains(s("properties"))) << error.toStdString();

    QByteArray manyCards;
    for (qsizetype i = 0; i <= kVCardMaximumCardCount; ++i)
        manyCards += card(QByteArray());
    EXPECT_FALSE(peopleWithVCardRepresentation(manyCards, &error));
    EXPECT_TRUE(error.contains(s("more than %1 cards").arg(kVCardMaximumCardCount))) << error.toStdString();

    // Just inside the limits is read.
    QByteArray enoughCards;
    for (qsizetype i = 0; i < kVCardMaximumCardCount; ++i)
        enoughCards += card(QByteArray());
    const std::optional<QList<Person>> people = peopleWithVCardRepresentation(enoughCards, &error);
    ASSERT_TRUE(people) << error.toStdString();
    EXPECT_EQ(people->size(), kVCardMaximumCardCount);
}

TEST(VCard, PersonOfSeveralCardsIsTheFirst)
{
    const std::optional<Person> person =
        personWithVCardRepresentation(card("N:First;;;;\r\n") + card("N:Second;;;;\r\n"));
    ASSERT_TRUE(person);
    EXPECT_EQ(person->lastName(), s("First"));
}

// ---------------------------------------------------------------- the card itself

TEST(Person, TextPropertiesAndMultiValues)
{
    Person person;
    EXPECT_FALSE(person.uniqueId().isEmpty());
    EXPECT_NE(Person().uniqueId(), person.uniqueId());
    EXPECT_TRUE(person.setValue(s("Mary"), kABFirstNameProperty));
    EXPECT_EQ(person.valueForProperty(kABFirstNameProperty), s("Mary"));
    EXPECT_TRUE(person.setValue(QString(), kABFirstNameProperty));
    EXPECT_TRUE(person.valueForProperty(kABFirstNameProperty).isNull());
    EXPECT_FALSE(person.setValue(s("x"), kABAddressProperty)); // not a text property
    EXPECT_TRUE(person.setValue(s("id-1"), kABUIDProperty));
    EXPECT_EQ(person.uniqueId(), s("id-1"));

    ABMultiStringValue values;
    const QString a = values.addValue(s("a"), kABHomeLabel);
    const QString b = values.addValue(s("b"), kABWorkLabel);
    EXPECT_NE(a, b);
    EXPECT_EQ(values.primaryIndex(), -1);
    EXPECT_FALSE(values.setPrimaryIdentifier(s("no such entry")));
    EXPECT_TRUE(values.setPrimaryIdentifier(b));
    EXPECT_EQ(values.primaryIndex(), 1);
    EXPECT_EQ(values.indexForIdentifier(a), 0);
    EXPECT_TRUE(values.valueAtIndex(5).isNull());
    EXPECT_TRUE(values.removeValueAndLabelAtIndex(1));
    EXPECT_EQ(values.primaryIndex(), -1);
    EXPECT_EQ(values.count(), 1);
}

TEST(VCard, CategoriesAndIdsOfCardsWithoutUid)
{
    const QByteArray data =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nCATEGORIES:Clients, Friends\\, old ,Clients\r\n"
        "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:Ek;Bo;;;\r\nUID:bo-1\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cy\r\nEND:VCARD\r\n";
    const std::optional<QList<Person>> people = peopleWithVCardRepresentation(data, nullptr, QStringLiteral("a.vcf"));
    ASSERT_TRUE(people);
    ASSERT_EQ(people->size(), 3);
    EXPECT_EQ(people->at(0).categories(), (QStringList{"Clients", "Friends, old"}));
    EXPECT_EQ(people->at(0).uniqueId(), "a.vcf:0");
    EXPECT_EQ(people->at(1).uniqueId(), "bo-1");
    EXPECT_TRUE(people->at(1).categories().isEmpty());
    EXPECT_EQ(people->at(2).uniqueId(), "a.vcf:2");
    // Without a base every read gives new ids.
    EXPECT_NE(peopleWithVCardRepresentation(data)->at(0).uniqueId(),
              peopleWithVCardRepresentation(data)->at(0).uniqueId());

    const QByteArray written = vCardRepresentation(people->at(0));
    EXPECT_TRUE(written.contains("CATEGORIES:Clients,Friends\\, old\r\n")) << written.constData();
    EXPECT_EQ(personWithVCardRepresentation(written), people->at(0));
}

namespace {

// A small PNG picture's bytes.
QByteArray pictureBytes()
{
    QByteArray png;
    for (int i = 0; i < 300; ++i)
        png.append(char(i * 7));
    return "\x89PNG\r\n\x1a\n" + png;
}

} // namespace

TEST(VCard, InlinePicturesAreReadWrittenAndReadBack)
{
    const QByteArray base64 = pictureBytes().toBase64();
    // The 2.1 form folded over lines that begin with spaces.
    QByteArray folded;
    for (qsizetype at = 0; at < base64.size(); at += 60)
        folded += (at ? "\r\n  " : "") + base64.mid(at, 60);
    const struct {
        const char *what;
        QByteArray card;
        bool hasPicture;
    } cases[] = {
        {"3.0 base64", card("N:Roy;Zoe;;;\r\nPHOTO;TYPE=PNG;ENCODING=b:" + base64 + "\r\n"), true},
        {"2.1 folded base64", card("N:Roy;Zoe;;;\r\nPHOTO;PNG;ENCODING=BASE64:\r\n  " + folded + "\r\n\r\n", "2.1"),
         true},
        {"data URI", card("N:Roy;Zoe;;;\r\nPHOTO;VALUE=uri:data:image/png;base64," + base64 + "\r\n"), true},
        {"by reference", card("N:Roy;Zoe;;;\r\nPHOTO;VALUE=uri:https://example.invalid/zoe.png\r\n"), false},
        {"damaged base64: the card without its picture",
         card("N:Roy;Zoe;;;\r\nPHOTO;ENCODING=b:" + base64.left(40) + "*&^\r\n"), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        const std::optional<Person> person = personWithVCardRepresentation(c.card, &error);
        ASSERT_TRUE(person) << error.toStdString();
        EXPECT_EQ(person->firstName(), s("Zoe"));
        EXPECT_EQ(person->imageData(), c.hasPicture ? pictureBytes() : QByteArray());
        const std::optional<Person> back = personWithVCardRepresentation(vCardRepresentation(*person), &error);
        ASSERT_TRUE(back) << error.toStdString();
        EXPECT_EQ(back->imageData(), person->imageData());
    }
}

TEST(VCardFiles, OnlyARegularFileWithinTheLimitIsRead)
{
    // An opened file that is a FIFO, a device, a folder or too large is
    // refused without being read: a FIFO with no writer would otherwise hold
    // the reader up for ever, /dev/zero would never end.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString card = dir.filePath(QStringLiteral("card.vcf"));
    QFile small(card);
    ASSERT_TRUE(small.open(QIODevice::WriteOnly));
    small.write("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\nN:;Ann;;;\r\nEND:VCARD\r\n");
    small.close();
    const QString fifo = dir.filePath(QStringLiteral("fifo.vcf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString large = dir.filePath(QStringLiteral("large.vcf"));
    QFile big(large);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(kVCardMaximumDataSize + 1)); // sparse
    big.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.vcf")));

    const auto data = vCardFileData(card);
    ASSERT_TRUE(data);
    ASSERT_TRUE(personWithVCardRepresentation(*data));
    EXPECT_EQ(personWithVCardRepresentation(*data)->firstName(), QStringLiteral("Ann"));

    for (const QString &path : {fifo, QStringLiteral("/dev/zero"), large, dir.filePath(QStringLiteral("folder.vcf")),
                                dir.filePath(QStringLiteral("missing.vcf"))}) {
        SCOPED_TRACE(path.toStdString());
        // Read on a worker so that a reader that blocks fails the test
        // instead of hanging it.
        auto read = std::async(std::launch::async, [path] {
            QString error;
            const auto bytes = vCardFileData(path, &error);
            return std::make_pair(bytes.has_value(), error);
        });
        if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "the reader blocked";
            // Release it: a writer that opens and closes ends its wait.
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
        const auto [read_, error] = read.get();
        EXPECT_FALSE(read_);
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(VCardFiles, CardPicturesAreDecodedWithAnAllocationLimit)
{
    // A small picture decodes; one whose header asks for more than the limit
    // (9000 x 9000 grey pixels, 81 MB, a small PNG) gives a null image.
    const auto png = [](const QSize &size) {
        QImage image(size, QImage::Format_Grayscale8);
        image.fill(0);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    };
    const QImage small = vCardPicture(png(QSize(64, 48)));
    EXPECT_EQ(small.size(), QSize(64, 48));
    const QByteArray huge = png(QSize(9000, 9000));
    ASSERT_LT(huge.size(), 1024 * 1024);
    EXPECT_TRUE(vCardPicture(huge).isNull());
    EXPECT_TRUE(vCardPicture("not a picture").isNull());
}
