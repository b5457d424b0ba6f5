#pragma once
// The catalogue of the stamp window: the request table (class tag -> the
// postage request a stamp of that value buys) and the class menus
// (mailpiece tag -> the items its class pop-up offers), both keyed by the
// tags of TessaroTags.h.
//
// Both are built on first use with the rate year in force at the catalogue's
// clock and emptied together by reset(), so that the next use prices every
// value anew (the window resets when a new price list takes effect). The
// requests are shared: a sheet position that shows a value holds the
// table's request itself.
//
// Table entries: tag 0 holds the blank stamp (a null request); the domestic
// values are priced by the rate classes (a value without a known price is a
// request of zero postage); an international value that the rate engine
// prices at zero has no entry at all, and a tag without an entry is a blank
// position wherever a stamp is placed. Tag 901 is exactly $0.02.
//
// Menu titles are followed by the value's price, "1 oz. ($0.49)", formatted
// by postageString(); an item whose tag has no entry shows its title alone.
#include "services/QVRHOStampIndiciumRequest.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <map>
#include <memory>

namespace tolvane {
class QVDataMatrixBarcode;
}

// One position's stamp: a request of the table, or nothing for a blank.
using TessaroStamp = std::shared_ptr<QVRHOStampIndiciumRequest>;

// An item of the class or mailpiece pop-up as plain state.
struct TessaroMenuItem {
    QString title;
    int tag = 0;
    int indentationLevel = 0;
    bool isSeparator = false;

    static TessaroMenuItem separator(int tag) { return {QString(), tag, 0, true}; }
    friend bool operator==(const TessaroMenuItem &, const TessaroMenuItem &) = default;
};

class TessaroCatalogue
{
public:
    using Clock = std::function<QDateTime()>;

    // The clock names the moment whose rates price the table (now when
    // empty).
    explicit TessaroCatalogue(Clock clock = {});

    void setClock(Clock clock);
    QDateTime now() const;

    // ---- Request table ------------------------------------------------------
    // stampRequestsDictionary: built when empty.
    const std::map<int, TessaroStamp> &stampRequestsDictionary();
    // The table has an entry under the tag (tag 0 has one, a null request).
    bool hasRequestForTag(int tag);
    // The entry under the tag; nothing for the blank tag and for a tag
    // without an entry (a blank position).
    TessaroStamp requestForTag(int tag);
    // keyForObjectEqualTo: the tag of the first entry equal to the stamp (0
    // for a blank), or the custom-amount tag when no entry equals it.
    int keyForStamp(const TessaroStamp &stamp);

    // ---- Class menus --------------------------------------------------------
    // classMenus: mailpiece tag 1-8 -> its items; built when empty.
    const QMap<int, QList<TessaroMenuItem>> &classMenus();
    // The first mailpiece whose class menu holds an item of the tag;
    // mailpiece 4 (First-Class parcels) when none does.
    int mailpieceForClassTag(int tag);

    // menuItemForTitle:andTag: an entry item, indented once, titled with its
    // price.
    TessaroMenuItem menuItemForTitle(const QString &title, int tag);
    // menuItemTitleForTitle:andTag: "title (price)"; the title alone when the
    // tag has no priced entry.
    QString menuItemTitleForTitle(const QString &title, int tag);

    // resetTessaro's part: empties the table and the menus.
    void reset();

    // ---- Class side ---------------------------------------------------------
    // The value a group header stands for when it is chosen; any other tag
    // stands for itself.
    static int classTagForHeaderTag(int tag);
    // validateMenuItem: for an item of the class pop-up: headers (1-16) and
    // the tags 1000 and 1999 are never enabled, the blank item only outside
    // roll mode. Items of other menus are always enabled.
    static bool validateClassMenuItem(int tag, bool rollMode);
    // The price of a menu title: "$0.49" (two decimals, "." separator).
    static QString postageString(const Decimal &postage);
    // The shared sample symbol that sample stamps carry, made once from the
    // 20 bytes of sampleBarcodeBytes(); nothing when the encoder fails.
    static std::shared_ptr<const tolvane::QVDataMatrixBarcode> sampleBarcode();
    static QByteArray sampleBarcodeBytes();

private:
    void buildRequestTable();
    void buildClassMenus();

    Clock m_clock;
    std::map<int, TessaroStamp> m_requests;
    QMap<int, QList<TessaroMenuItem>> m_classMenus;
};
