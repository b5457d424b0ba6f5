#pragma once
// An EPL2 reader of the tests' own, written from EPL2's public command forms
// (not from the label code): it splits a stream into commands, checks their
// parameters, the "GW" byte counts and that every command's box lies inside
// a label of 816 x 1218 dots, and rasterises the graphic commands ("GW"
// bitmaps, "LO"/"LW"/"LE" lines, "X" boxes) into a one-byte-a-pixel image
// (0 black, 255 white) for the independent decoders. With texts on, "A"
// texts and "B" barcodes are drawn approximately (for a person to look at).
//
// Command forms read (p = decimal parameter):
//   A  x,y,rotation(0-3),font(1-5),h-mult(1-6),v-mult(1-9),N|R,"data"
//   B  x,y,rotation,type,narrow,wide,height,B|N,"data"
//   GW x,y,bytes-a-row,rows,<bytes-a-row x rows bytes of data>
//   LO/LW/LE x,y,width,height        X x1,y1,thickness,x2,y2
//   q p  Q p,gap[+offset]  S p  D p  Z T|B  WN  UN  I8,A,001 (and the like)
//   N  P p[,p]  ; comment   ESC-led line (the wake-up line of the header)
// Quoted data: backslash takes the next character literally; an unescaped
// quote anywhere but at the end of the line is an error. Rotated text turns
// about its start point, clockwise (1: it runs down and lies left of x).
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QRect>
#include <QString>
#include <QStringList>

namespace tolvane::test {

struct Epl2Command {
    QByteArray name;          // "A", "GW", "LO", "P", ";", "ESC", ...
    QList<QByteArray> params; // the comma-separated parameters (data excluded)
    QString text;             // quoted data with the escapes undone (A, B)
    QByteArray data;          // GW bitmap bytes
    QRect box;                // what the command covers (empty when nothing)
    int offset = 0;           // where it starts in the stream
};

struct Epl2Label {
    QList<Epl2Command> commands;
    QStringList errors; // empty for a sound stream
    QImage image;       // 816 x 1218, Format_Grayscale8

    // The commands of one name, in order.
    QList<Epl2Command> named(const QByteArray &name) const;
    bool ok() const { return errors.isEmpty(); }
};

inline constexpr int epl2LabelWidth = 816;
inline constexpr int epl2LabelLength = 1218;

Epl2Label readEpl2(const QByteArray &stream, bool drawTexts = false);

// The four-state bars standing in a horizontal band of the image, read left
// to right as Intelligent Mail letters: "F" full, "A" ascender, "D"
// descender, "T" tracker, judged by which thirds of the band's whole height
// a bar reaches.
QString readFourStateBars(const QImage &image, const QRect &band);

// The bars of an Intelligent Mail barcode measured in a raster of a given
// resolution: each bar's letter (as readFourStateBars reads it), and the
// sizes in inches that USPS-B-3200 bounds.
struct FourStateBarGeometry {
    QString letters;
    double barsPerInch = 0;       // from the first bar's left edge to the last one's
    double narrowestBar = 0;      // inches
    double widestBar = 0;         // inches
    QMap<QChar, double> shortest; // heights by letter, inches
    QMap<QChar, double> tallest;

    // What lies outside the public ranges: 20 to 24 bars an inch, bars 0.015
    // to 0.025 in wide, full bars 0.125 to 0.165 in, ascenders and
    // descenders 0.082 to 0.111 in, trackers 0.039 to 0.057 in high; empty
    // when the symbol is within them.
    QStringList problems() const;
};

FourStateBarGeometry measureFourStateBars(const QImage &image, const QRect &band, double dotsPerInch);

// The image of a region, scaled up by a whole factor with a white margin,
// written as PNG (for the decoders).
bool writeRegionPng(const QImage &image, const QRect &region, int scale, const QString &path);

} // namespace tolvane::test
