#pragma once
// Our own writer of binary property lists ("bplist00"), made for large lists
// such as the mailing log: it goes from Qt values straight to bytes in time
// linear in the number of values, without building an intermediate tree.
//
// It takes the same values as writeBinaryPropertyList (PropertyList.h) and
// refuses the same ones with the same error texts; its output is read back by
// readPropertyList and by any other reader of the format. Strings, numbers,
// dates, booleans and data that occur more than once are stored once and
// referred to (keys repeated in every entry cost one object); a string is
// stored as ASCII when it is, else as UTF-16 (big-endian). Integers take the
// fewest bytes of 1, 2, 4 or 8 (a negative one always 8); reals and dates are
// 8-byte doubles, a date in seconds from 2001-01-01.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

// The binary property list of any value the property-list layer can store.
std::optional<QByteArray> encodeBinaryPropertyList(const QVariant &value, QString *error = nullptr);
// The binary property list of an array of dictionaries, written from the list
// as it is (no copy of it into a QVariantList).
std::optional<QByteArray> encodeBinaryPropertyListArray(const QList<QVariantMap> &entries, QString *error = nullptr);

// Writes an array of dictionaries again and again as it grows at its end, as
// the mailing log does: what was encoded for the entries seen before is
// kept, so writing the array after an entry was appended costs that entry
// and a copy of bytes, not the encoding of every entry. An entry is known by
// identity (the same shared dictionary, not an equal one), so where the list
// was changed, replaced, shortened or reordered it is encoded afresh from the
// first entry that is not the one encoded before. The bytes are those
// encodeBinaryPropertyListArray writes for the same list.
class BinaryPropertyListArrayWriter
{
public:
    BinaryPropertyListArrayWriter();
    ~BinaryPropertyListArrayWriter();
    BinaryPropertyListArrayWriter(const BinaryPropertyListArrayWriter &) = delete;
    BinaryPropertyListArrayWriter &operator=(const BinaryPropertyListArrayWriter &) = delete;

    std::optional<QByteArray> encode(const QList<QVariantMap> &entries, QString *error = nullptr);

private:
    struct State;
    std::unique_ptr<State> m_state;
};
