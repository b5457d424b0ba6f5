// Keystroke and end-of-editing rules of the ZIP, state and telephone fields.
#include "model/FieldFormatters.h"

#include <gtest/gtest.h>

namespace {

struct Keystroke {
    const char *typed;
    bool accepted;
    const char *replacement; // the field's new text when refused
};

void checkKeystrokes(const QVFormatter &formatter, std::initializer_list<Keystroke> cases)
{
    for (const Keystroke &k : cases) {
        SCOPED_TRACE(k.typed);
        QString replacement = QStringLiteral("<untouched>");
        QString error = QStringLiteral("<untouched>");
        const bool accepted = formatter.isPartialStringValid(QString::fromUtf8(k.typed), &replacement, &error);
        EXPECT_EQ(accepted, k.accepted);
        if (!k.accepted) {
            EXPECT_EQ(replacement, QString::fromUtf8(k.replacement));
        }
        EXPECT_EQ(error, QStringLiteral("<untouched>")); // keystrokes never give an error text
    }
}

struct EndOfEditing {
    const char *text;
    bool accepted;
    const char *value; // nullptr: no value
};

void checkEndOfEditing(const QVFormatter &formatter, const char *errorText, std::initializer_list<EndOfEditing> cases)
{
    for (const EndOfEditing &c : cases) {
        SCOPED_TRACE(c.text);
        QVariant value = QStringLiteral("<untouched>");
        QString error;
        EXPECT_EQ(formatter.getObjectValue(&value, QString::fromUtf8(c.text), &error), c.accepted);
        if (c.value)
            EXPECT_EQ(value, QVariant(QString::fromUtf8(c.value)));
        else
            EXPECT_FALSE(value.isValid());
        EXPECT_EQ(error, c.accepted ? QString() : QString::fromUtf8(errorText));
        // Without a place for the value the answer is yes.
        EXPECT_TRUE(formatter.getObjectValue(nullptr, QString::fromUtf8(c.text), &error));
    }
}

} // namespace

TEST(ZipCodeFormatter, Keystrokes)
{
    checkKeystrokes(OFZipCodeFormatter(),
                    {
                        {"", true, ""},
                        {"1", true, ""},
                        {"12345", true, ""},
                        {"123456", false, "12345-6"},
                        {"12345-", true, ""},
                        {"12345-6789", true, ""},
                        {"12345-67890", false, "12345-6789"},
                        {"12345-6789-", false, "12345-6789"},
                        {"123a", false, "123"},
                        {"1a23", true, ""}, // an earlier dropped character does not matter
                        {"-", false, ""},
                        {"12345--", false, "12345-"},
                        {"123456789", true, ""},    // repaired inside, but the last digit stands as typed
                        {"12345a", false, "12345"}, // after five digits, anything but "-" or a digit is dropped
                    });
}

TEST(ZipCodeFormatter, EndOfEditing)
{
    checkEndOfEditing(OFZipCodeFormatter(), "That is not a valid ZIP code.",
                      {
                          {"", true, nullptr},
                          {"1", false, nullptr},
                          {"1234", false, nullptr},
                          {"12345", true, "12345"},
                          {"12345-", true, "12345"},
                          {"12345-678", true, "12345"},
                          {"12345-6789", true, "12345-6789"},
                          {"12345-67890", true, "12345-67890"},
                      });
}

TEST(TelephoneFormatter, Keystrokes)
{
    checkKeystrokes(OFTelephoneFormatter(),
                    {
                        {"", true, ""},
                        {"(", true, ""},
                        {"5", false, "(5"},
                        {"a", false, ""},
                        {"(555", true, ""},
                        {"(5551", false, "(555) 1"},
                        {"(555)", true, ""},
                        {"(555)1", false, "(555) 1"},
                        {"(555) ", true, ""},
                        {"(555 ", false, "(555) "},
                        {"(555 1", true, ""}, // the last character stands as typed
                        {"(555) 123", true, ""},
                        {"(555) 1234", false, "(555) 123-4"},
                        {"(555) 123-4567", true, ""},
                        {"5551234567", true, ""}, // the last digit stands as typed
                        {"555123456", true, ""},
                        {"(555) 123-4567x", false, "(555) 123-4567 x"},
                        {"(555) 123-4567X", false, "(555) 123-4567"},
                        {"(555) 123-4567 ", true, ""},
                        {"(555) 123-4567 1", false, "(555) 123-4567 x1"},
                        {"(555) 123-4567 x", true, ""},
                        {"(555) 123-45678", false, "(555) 123-4567 x8"},
                        {"(555) 123-4567 x1234", true, ""},
                        {"(555) 123-4567 x12345", false, "(555) 123-4567 x1234"},
                        // In every state a character the table does not name is dropped.
                        {"(5a", false, "(5"},
                        {"(555a", false, "(555"},
                        {"(555)a", false, "(555)"},
                        {"(555) 1a", false, "(555) 1"},
                        {"(555) 123a", false, "(555) 123"},
                        {"(555) 123-4a", false, "(555) 123-4"},
                        {"(555) 123-4567 a", false, "(555) 123-4567 "},
                        {"(555) 123-4567 x1a", false, "(555) 123-4567 x1"},
                    });
}

TEST(TelephoneFormatter, EndOfEditing)
{
    checkEndOfEditing(OFTelephoneFormatter(), "That is not a valid phone number.",
                      {
                          {"", true, nullptr},
                          {"(5", false, nullptr},
                          {"(555) 123-456", false, nullptr},
                          {"(555) 123-4567", true, "(555) 123-4567"},
                          {"(555) 123-4567 x", true, "(555) 123-4567"},
                          {"(555) 123-4567 x1", true, "(555) 123-4567 x1"},
                          {"(555) 123-4567 x12", true, "(555) 123-4567 x12"},
                      });
}

TEST(StateFormatter, Keystrokes)
{
    checkKeystrokes(OFStateFormatter(),
                    {
                        {"", true, ""},
                        {"N", true, ""},
                        {"n", false, "N"},
                        {"Q", false, ""},
                        {"1", false, ""},
                        {"MX", false, "M"},
                        {"MP", true, ""},
                        {"PR", true, ""},
                        {"DC", true, ""},
                        {"AE", true, ""},
                        {"ny", false, "NY"},
                        {"Ny", false, "NY"},
                        {"nx", false, "N"},
                        {"CAL", false, "CA"},
                    });
}

TEST(StateFormatter, QVStateFormatterKeepsTheTypedCase)
{
    checkKeystrokes(QVStateFormatter(),
                    {
                        {"", true, ""},
                        {"n", false, "n"},
                        {"ny", false, "ny"},
                        {"nY", false, "nY"},
                        {"nyc", false, "ny"},
                        {"NY", true, ""},
                        {"NYC", false, "NY"},
                        {"Q", false, ""},
                        {"q", false, ""},
                        {"mx", false, "m"},
                    });
}

TEST(StateFormatter, EndOfEditing)
{
    for (const QVFormatter *formatter :
         std::initializer_list<const QVFormatter *>{new OFStateFormatter, new QVStateFormatter}) {
        checkEndOfEditing(*formatter, "That is not a valid state abbreviation.",
                          {
                              {"", true, nullptr},
                              {"CA", true, "CA"},
                              {"zz", true, "zz"},
                              {"C", false, nullptr},
                              {"CAL", false, nullptr},
                          });
        delete formatter;
    }
}

TEST(StateFormatter, TableOfCodes)
{
    const QStringList &codes = OFStateFormatter::validStates();
    EXPECT_EQ(codes.size(), 62);
    EXPECT_EQ(QSet<QString>(codes.cbegin(), codes.cend()).size(), 62);
    for (const char *code : {"AA", "AE", "AP", "AS", "FM", "GU", "MH", "MP", "PW", "PR", "VI", "DC", "WY"})
        EXPECT_TRUE(codes.contains(QString::fromLatin1(code))) << code;
}
