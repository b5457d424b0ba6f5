#include "Epl2Checker.h"

#include <QFont>
#include <QMap>
#include <QPainter>

#include <algorithm>
#include <optional>

namespace tolvane::test {
namespace {

struct Font {
    int advance; // dots a character, gap included
    int height;
};

std::optional<Font> fontOf(const QByteArray &name)
{
    static const Font fonts[] = {{10, 12}, {12, 16}, {14, 20}, {16, 24}, {36, 48}};
    bool ok = false;
    const int n = name.toInt(&ok);
    if (!ok || n < 1 || n > 5)
        return std::nullopt;
    return fonts[n - 1];
}

class Reader
{
public:
    Reader(const QByteArray &stream, bool drawTexts) : m_stream(stream), m_drawTexts(drawTexts)
    {
        m_label.image = QImage(epl2LabelWidth, epl2LabelLength, QImage::Format_Grayscale8);
        m_label.image.fill(255);
    }

    Epl2Label read()
    {
        while (m_pos < m_stream.size()) {
            const int start = int(m_pos);
            if (m_stream.mid(m_pos, 2) == "GW") {
                readBitmap(start);
                continue;
            }
            qsizetype end = m_stream.indexOf('\n', m_pos);
            if (end < 0) {
                error(start, QStringLiteral("the last command has no line end"));
                end = m_stream.size();
            }
            const QByteArray line = m_stream.mid(m_pos, end - m_pos);
            m_pos = end + 1;
            if (!line.isEmpty())
                readLine(line, start);
        }
        if (m_label.commands.isEmpty() || m_label.commands.last().name != "P")
            m_label.errors << QStringLiteral("the stream does not end with a print command");
        return m_label;
    }

private:
    void error(int offset, const QString &text) { m_label.errors << QStringLiteral("at %1: %2").arg(offset).arg(text); }

    static std::optional<int> number(const QByteArray &text)
    {
        bool ok = false;
        const int value = text.toInt(&ok);
        return ok ? std::optional<int>(value) : std::nullopt;
    }

    void checkBox(const Epl2Command &command)
    {
        const QRect &box = command.box;
        if (box.isEmpty())
            return;
        if (box.left() < 0 || box.top() < 0 || box.right() >= epl2LabelWidth || box.bottom() >= epl2LabelLength)
            error(command.offset,
                  QStringLiteral("%1 covers (%2,%3)-(%4,%5), outside the label")
                      .arg(QString::fromLatin1(command.name))
                      .arg(box.left())
                      .arg(box.top())
                      .arg(box.right())
                      .arg(box.bottom()));
    }

    void add(Epl2Command command)
    {
        checkBox(command);
        m_label.commands << command;
    }

    void readBitmap(int start)
    {
        Epl2Command command;
        command.name = "GW";
        command.offset = start;
        m_pos += 2;
        for (int i = 0; i < 4; ++i) {
            const qsizetype comma = m_stream.indexOf(',', m_pos);
            if (comma < 0 || comma - m_pos > 6) {
                error(start, QStringLiteral("GW parameters unfinished"));
                m_pos = m_stream.size();
                return;
            }
            command.params << m_stream.mid(m_pos, comma - m_pos);
            m_pos = comma + 1;
        }
        const auto x = number(command.params[0]), y = number(command.params[1]), w = number(command.params[2]),
                   h = number(command.params[3]);
        if (!x || !y || !w || !h || *w <= 0 || *h <= 0) {
            error(start, QStringLiteral("GW parameters are not positive numbers"));
            m_pos = m_stream.size();
            return;
        }
        const qsizetype count = qsizetype(*w) * *h;
        if (m_stream.size() - m_pos < count) {
            error(start, QStringLiteral("GW announces %1 bytes, %2 follow").arg(count).arg(m_stream.size() - m_pos));
            m_pos = m_stream.size();
            return;
        }
        command.data = m_stream.mid(m_pos, count);
        m_pos += count;
        command.box = QRect(*x, *y, *w * 8, *h);
        for (int row = 0; row < *h; ++row) {
            for (int column = 0; column < *w * 8; ++column) {
                const uchar byte = uchar(command.data.at(qsizetype(row) * *w + column / 8));
                if (!(byte & (0x80 >> (column % 8))))
                    dot(*x + column, *y + row, 0);
            }
        }
        add(command);
    }

    void dot(int x, int y, int value)
    {
        if (x >= 0 && y >= 0 && x < epl2LabelWidth && y < epl2LabelLength)
            m_label.image.scanLine(y)[x] = uchar(value);
    }

    void fill(const QRect &box, int mode) // 0 black, 1 white, 2 exclusive or
    {
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                if (x < 0 || y < 0 || x >= epl2LabelWidth || y >= epl2LabelLength)
                    continue;
                uchar &pixel = m_label.image.scanLine(y)[x];
                pixel = mode == 0 ? 0 : mode == 1 ? 255 : uchar(255 - pixel);
            }
        }
    }

    // Splits "p1,p2,...,\"data\"" into n parameters and the quoted data.
    bool splitQuoted(const QByteArray &rest, int n, Epl2Command &command)
    {
        qsizetype pos = 0;
        for (int i = 0; i < n; ++i) {
            const qsizetype comma = rest.indexOf(',', pos);
            if (comma < 0)
                return false;
            command.params << rest.mid(pos, comma - pos);
            pos = comma + 1;
        }
        if (pos >= rest.size() || rest.at(pos) != '"' || !rest.endsWith('"') || rest.size() - pos < 2)
            return false;
        const QByteArray data = rest.mid(pos + 1, rest.size() - pos - 2);
        QByteArray text;
        for (qsizetype i = 0; i < data.size(); ++i) {
            char c = data.at(i);
            if (c == '\\') {
                if (++i >= data.size())
                    return false; // the closing quote was escaped
                c = data.at(i);
            } else if (c == '"') {
                return false;
            }
            text.append(c);
        }
        command.text = QString::fromLatin1(text);
        return true;
    }

    void readLine(const QByteArray &line, int start)
    {
        Epl2Command command;
        command.offset = start;
        if (line.startsWith(';')) {
            command.name = ";";
            m_label.commands << command;
            return;
        }
        if (line.startsWith('\x1b')) {
            command.name = "ESC";
            m_label.commands << command;
            return;
        }
        static const QList<QByteArray> twoLetter = {"LO", "LW", "LE", "WN", "UN"};
        for (const QByteArray &name : twoLetter) {
            if (line.startsWith(name)) {
                command.name = name;
                break;
            }
        }
        if (command.name.isEmpty())
            command.name = line.left(1);
        const QByteArray rest = line.mid(command.name.size());
        const char c = command.name.at(0);
        if (command.name == "LO" || command.name == "LW" || command.name == "LE") {
            command.params = rest.split(',');
            QList<int> p;
            for (const QByteArray &param : command.params) {
                if (const auto v = number(param))
                    p << *v;
            }
            if (p.size() != 4 || p[2] <= 0 || p[3] <= 0 || p[0] < 0 || p[1] < 0) {
                error(start, QStringLiteral("bad line draw \"%1\"").arg(QString::fromLatin1(line)));
                return;
            }
            command.box = QRect(p[0], p[1], p[2], p[3]);
            fill(command.box, command.name == "LO" ? 0 : command.name == "LW" ? 1 : 2);
        } else if (c == 'X') {
            command.params = rest.split(',');
            QList<int> p;
            for (const QByteArray &param : command.params) {
                if (const auto v = number(param))
                    p << *v;
            }
            if (p.size() != 5 || p[3] <= p[0] || p[4] <= p[1] || p[2] <= 0) {
                error(start, QStringLiteral("bad box \"%1\"").arg(QString::fromLatin1(line)));
                return;
            }
            command.box = QRect(QPoint(p[0], p[1]), QPoint(p[3], p[4]));
            const int t = p[2];
            fill(QRect(p[0], p[1], p[3] - p[0], t), 0);
            fill(QRect(p[0], p[4] - t, p[3] - p[0], t), 0);
            fill(QRect(p[0], p[1], t, p[4] - p[1]), 0);
            fill(QRect(p[3] - t, p[1], t, p[4] - p[1]), 0);
        } else if (c == 'A') {
            readText(rest, line, command);
        } else if (c == 'B') {
            readBarcode(rest, line, command);
        } else if (c == 'P') {
            const auto count = number(rest.split(',').value(0));
            if (!count || *count < 1)
                error(start, QStringLiteral("bad print command \"%1\"").arg(QString::fromLatin1(line)));
        } else if (c == 'q' || c == 'S' || c == 'D') {
            if (!number(rest))
                error(start, QStringLiteral("\"%1\" needs a number").arg(QString::fromLatin1(line)));
            if (c == 'q' && number(rest).value_or(0) != epl2LabelWidth)
                error(start, QStringLiteral("label width is not %1").arg(epl2LabelWidth));
        } else if (c == 'Q') {
            if (rest.split(',').value(0).toInt() != epl2LabelLength)
                error(start, QStringLiteral("form length is not %1").arg(epl2LabelLength));
        } else if (c == 'Z') {
            if (rest != "T" && rest != "B")
                error(start, QStringLiteral("print direction must be T or B"));
        } else if (c == 'I' || c == 'N' || command.name == "WN" || command.name == "UN") {
            // settings without coordinates
        } else {
            error(start, QStringLiteral("unknown command \"%1\"").arg(QString::fromLatin1(line.left(20))));
            return;
        }
        add(command);
    }

    void readText(const QByteArray &rest, const QByteArray &line, Epl2Command &command)
    {
        if (!splitQuoted(rest, 7, command)) {
            error(command.offset, QStringLiteral("bad text command \"%1\"").arg(QString::fromLatin1(line)));
            return;
        }
        const auto x = number(command.params[0]), y = number(command.params[1]), rotation = number(command.params[2]),
                   h = number(command.params[4]), v = number(command.params[5]);
        const std::optional<Font> font = fontOf(command.params[3]);
        if (!x || !y || !rotation || *rotation < 0 || *rotation > 3 || !font || !h || *h < 1 || *h > 6 || !v ||
            *v < 1 || *v > 9 || (command.params[6] != "N" && command.params[6] != "R")) {
            error(command.offset, QStringLiteral("bad text parameters \"%1\"").arg(QString::fromLatin1(line)));
            return;
        }
        const int length = int(command.text.size()) * font->advance * *h;
        const int height = font->height * *v;
        if (length == 0)
            return;
        switch (*rotation) {
        case 0:
            command.box = QRect(*x, *y, length, height);
            break;
        case 1:
            command.box = QRect(*x - height, *y, height, length);
            break;
        case 2:
            command.box = QRect(*x - length, *y - height, length, height);
            break;
        default:
            command.box = QRect(*x, *y - length, height, length);
            break;
        }
        if (m_drawTexts) {
            const bool reverse = command.params[6] == "R";
            if (reverse)
                fill(command.box, 2);
            QPainter painter(&m_label.image);
            QFont face(QStringLiteral("DejaVu Sans Mono"));
            face.setPixelSize(height);
            face.setStretch(std::clamp(100 * font->advance * *h * 10 / (6 * height), 1, 4000));
            painter.setFont(face);
            painter.setPen(reverse ? Qt::white : Qt::black);
            painter.translate(*x, *y);
            painter.rotate(90 * *rotation);
            painter.drawText(QRect(0, 0, length, height), Qt::AlignLeft | Qt::AlignVCenter, command.text);
        }
    }

    void readBarcode(const QByteArray &rest, const QByteArray &line, Epl2Command &command)
    {
        if (!splitQuoted(rest, 8, command)) {
            error(command.offset, QStringLiteral("bad barcode command \"%1\"").arg(QString::fromLatin1(line)));
            return;
        }
        const auto x = number(command.params[0]), y = number(command.params[1]), narrow = number(command.params[4]),
                   height = number(command.params[6]);
        if (!x || !y || !narrow || !height || *narrow < 1 || *height < 1 || command.text.isEmpty()) {
            error(command.offset, QStringLiteral("bad barcode \"%1\"").arg(QString::fromLatin1(line)));
            return;
        }
        // Code 128: 11 modules a symbol (a pair of digits in a run of four or
        // more digits, else a character), start, check, stop and a shift or
        // FNC1 allowed for.
        int symbols = 0;
        for (qsizetype i = 0; i < command.text.size();) {
            qsizetype run = 0;
            while (i + run < command.text.size() && command.text.at(i + run).isDigit())
                ++run;
            if (run >= 4) {
                symbols += int(run / 2 + run % 2);
                i += run;
            } else {
                ++symbols;
                ++i;
            }
        }
        command.box = QRect(*x, *y, ((symbols + 4) * 11 + 2) * *narrow, *height);
        if (m_drawTexts) {
            QPainter painter(&m_label.image);
            painter.fillRect(command.box, QColor(160, 160, 160));
            painter.setPen(Qt::black);
            painter.drawText(command.box, Qt::AlignCenter, command.text);
        }
    }

    const QByteArray &m_stream;
    const bool m_drawTexts;
    qsizetype m_pos = 0;
    Epl2Label m_label;
};

} // namespace

QList<Epl2Command> Epl2Label::named(const QByteArray &name) const
{
    QList<Epl2Command> found;
    for (const Epl2Command &command : commands) {
        if (command.name == name)
            found << command;
    }
    return found;
}

Epl2Label readEpl2(const QByteArray &stream, bool drawTexts) { return Reader(stream, drawTexts).read(); }

FourStateBarGeometry measureFourStateBars(const QImage &source, const QRect &band, double dotsPerInch)
{
    struct Bar {
        int left;
        int right;
        int top;
        int bottom;
    };
    const QImage image =
        source.format() == QImage::Format_Grayscale8 ? source : source.convertToFormat(QImage::Format_Grayscale8);
    const QRect area = band.intersected(image.rect());
    QList<Bar> bars;
    const auto black = [&image](int x, int y) { return image.constScanLine(y)[x] < 128; };
    bool previousColumnBlack = false;
    for (int x = area.left(); x <= area.right(); ++x) {
        int top = -1;
        int bottom = -1;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            if (black(x, y)) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
        }
        if (top >= 0 && !previousColumnBlack) {
            bars << Bar{x, x, top, bottom};
        } else if (top >= 0) {
            bars.last().right = x;
            bars.last().top = std::min(bars.last().top, top);
            bars.last().bottom = std::max(bars.last().bottom, bottom);
        }
        previousColumnBlack = top >= 0;
    }
    FourStateBarGeometry geometry;
    if (bars.isEmpty())
        return geometry;
    int top = bars.first().top, bottom = bars.first().bottom;
    for (const Bar &bar : bars) {
        top = std::min(top, bar.top);
        bottom = std::max(bottom, bar.bottom);
    }
    // A bar ascends when it starts in the top sixth of the symbol's height
    // (a tracker starts a third down), and descends likewise.
    const double sixth = (bottom - top + 1) / 6.0;
    geometry.narrowestBar = 1e9;
    for (const Bar &bar : bars) {
        const bool ascends = bar.top < top + sixth;
        const bool descends = bar.bottom > bottom - sixth;
        const QChar letter = ascends && descends ? QLatin1Char('F')
            : ascends                            ? QLatin1Char('A')
            : descends                           ? QLatin1Char('D')
                                                 : QLatin1Char('T');
        geometry.letters += letter;
        const double width = (bar.right - bar.left + 1) / dotsPerInch;
        const double height = (bar.bottom - bar.top + 1) / dotsPerInch;
        geometry.narrowestBar = std::min(geometry.narrowestBar, width);
        geometry.widestBar = std::max(geometry.widestBar, width);
        geometry.shortest[letter] =
            geometry.shortest.contains(letter) ? std::min(geometry.shortest[letter], height) : height;
        geometry.tallest[letter] = std::max(geometry.tallest.value(letter), height);
    }
    if (bars.size() > 1)
        geometry.barsPerInch = (bars.size() - 1) * dotsPerInch / double(bars.last().left - bars.first().left);
    return geometry;
}

QStringList FourStateBarGeometry::problems() const
{
    QStringList found;
    const auto within = [&found](const QString &what, double value, double low, double high) {
        if (value < low || value > high)
            found << QStringLiteral("%1 %2 outside %3 to %4").arg(what).arg(value).arg(low).arg(high);
    };
    if (letters.size() != 65)
        found << QStringLiteral("%1 bars instead of 65").arg(letters.size());
    within(QStringLiteral("bars an inch"), barsPerInch, 20, 24);
    within(QStringLiteral("narrowest bar (in)"), narrowestBar, 0.015, 0.025);
    within(QStringLiteral("widest bar (in)"), widestBar, 0.015, 0.025);
    const struct {
        char letter;
        double low, high;
    } heights[] = {{'F', 0.125, 0.165}, {'A', 0.082, 0.111}, {'D', 0.082, 0.111}, {'T', 0.039, 0.057}};
    for (const auto &h : heights) {
        const QChar letter = QLatin1Char(h.letter);
        if (!shortest.contains(letter))
            continue;
        within(QStringLiteral("shortest %1 bar (in)").arg(letter), shortest.value(letter), h.low, h.high);
        within(QStringLiteral("tallest %1 bar (in)").arg(letter), tallest.value(letter), h.low, h.high);
    }
    return found;
}

QString readFourStateBars(const QImage &image, const QRect &band)
{
    return measureFourStateBars(image, band, 203).letters;
}

bool writeRegionPng(const QImage &image, const QRect &region, int scale, const QString &path)
{
    const QImage part = image.copy(region);
    QImage out((part.width() + 40) * scale, (part.height() + 40) * scale, QImage::Format_Grayscale8);
    out.fill(255);
    QPainter painter(&out);
    painter.drawImage(QRect(20 * scale, 20 * scale, part.width() * scale, part.height() * scale), part);
    painter.end();
    return out.save(path, "PNG");
}

} // namespace tolvane::test
