#pragma once
// The sizes of envelopes and postcards the envelope printer lays out, and
// the user's choice among them.
//
// An entry is a dictionary with "name" (display text) and "size" (width and
// height in inches as the text "{width, height}", width first: the long side
// as laid out). The lists:
//   built-in envelopes  the array of the bundle resource "EnvelopeSizes"
//   built-in postcards  the array of the bundle resource "PostcardSizes"
//   custom envelopes    the array of the user default "envelopeSizes"
//   custom postcards    always empty
// The resources are read once (first use) and kept for the process.
//
// Selection: the user defaults "selectedEnvelopeSize" and
// "selectedPostcardSize" hold tags: 100 + i selects entry i of the built-in
// list, 200 + i entry i of the custom list; anything below 100, or an index
// past the end of its list, selects nothing (size 0 x 0, no name).
//
// A size text that is not two numbers in braces, or whose numbers are not
// both within [kMinimumSideInches, kMaximumSideInches], counts as no size: the
// entry then reads as 0 x 0 with no name, as if nothing were selected.
//
// Main thread only (the resource cache is not locked).
#include <QSizeF>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

namespace tolvane {

inline const QString QVEnvelopeSizeNameKey = QStringLiteral("name");
inline const QString QVEnvelopeSizeSizeKey = QStringLiteral("size");
inline const QString QVSelectedEnvelopeSizeKey = QStringLiteral("selectedEnvelopeSize");
inline const QString QVSelectedPostcardSizeKey = QStringLiteral("selectedPostcardSize");
inline const QString QVEnvelopeSizesKey = QStringLiteral("envelopeSizes");

// A size entry as read: name and size in inches; both empty when nothing is
// selected or the entry is malformed.
struct QVEnvelopeSize {
    QString name;
    QSizeF size{0, 0};

    bool isNull() const { return size.isEmpty(); }
    // The size in points (72 to the inch).
    QSizeF sizeInPoints() const { return size * 72.0; }
};

class QVEnvelopeSizes
{
public:
    // No side above this many inches is a size (a hand-edited default of a
    // mile must not make a window a mile wide), nor below a hundredth of an
    // inch (which the size's text form would write as 0).
    static constexpr double kMaximumSideInches = 100.0;
    static constexpr double kMinimumSideInches = 0.01;

    // Tags of the size menus.
    static constexpr int kBuiltinTagBase = 100;
    static constexpr int kCustomTagBase = 200;

    static QVariantList builtinEnvelopeSizes();
    static QVariantList builtinPostcardSizes();
    static QVariantList customEnvelopeSizes();
    static QVariantList customPostcardSizes() { return {}; }

    // The entry a tag selects among a built-in and a custom list.
    static QVEnvelopeSize entryForTag(qint64 tag, const QVariantList &builtin, const QVariantList &custom);
    // One entry of a list (null when malformed).
    static QVEnvelopeSize entryFromVariant(const QVariant &entry);

    static QVEnvelopeSize currentEnvelope();
    static QVEnvelopeSize currentPostcard();
    // In inches; 0 x 0 when nothing is selected.
    static QSizeF currentEnvelopeSize() { return currentEnvelope().size; }
    static QSizeF currentPostcardSize() { return currentPostcard().size; }

    // "<name> (<height>" x <width>")", numbers as plain decimals; with no
    // entry the name is left out: "(0" x 0")".
    static QString summaryString(const QVEnvelopeSize &entry);
    static QString currentEnvelopeSummaryString() { return summaryString(currentEnvelope()); }
    static QString currentPostcardSummaryString() { return summaryString(currentPostcard()); }

    // The menu title of an entry: "<name> - <height>" x <width>"".
    static QString menuTitle(const QVEnvelopeSize &entry);

    // "{9.5, 4.125}" <-> 9.5 x 4.125. Parsing answers nothing for a
    // malformed text or a size outside the rule above.
    static std::optional<QSizeF> sizeFromString(const QString &text);
    static QString stringFromSize(const QSizeF &size);
    // A number as plain decimal text: 4.125, 9.5, 5 (no exponent, no
    // trailing zeros).
    static QString plainDecimal(double value);

    // A new entry dictionary.
    static QVariantMap entry(const QString &name, const QSizeF &size);
};

} // namespace tolvane
