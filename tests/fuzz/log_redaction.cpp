// The debug logs' secret removal over any text a server may send back (the
// logs write replies), with a further secret field's name taken from the
// input's first line.
#include "FuzzSupport.h"
#include "services/LogRedaction.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = tolvane::fuzz::textOf(data, size);
    const qsizetype newline = input.indexOf(QLatin1Char('\n'));
    const QString field = newline < 0 ? QString() : input.left(newline);
    const QString text = newline < 0 ? input : input.mid(newline + 1);
    stringByRemovingSecrets(text, {field});
    // Whatever comes before it, a value in its place (a field of a plain
    // name, or a pass-phrase field) never survives.
    bool plain = !field.isEmpty() && field.size() <= 32;
    for (const QChar c : field)
        plain = plain && c.unicode() < 0x80 && c.isLetter();
    const QString value = QStringLiteral("zq9secretvalue");
    const QStringList fields =
        plain ? QStringList{field, QStringLiteral("PassPhrase")} : QStringList{QStringLiteral("PassPhrase")};
    for (const QString &name : fields) {
        const QString placed = text + QLatin1Char('\n') + name + QLatin1Char('=') + value;
        if (stringByRemovingSecrets(placed, {field}).count(value) > text.count(value))
            std::abort();
    }
    return 0;
}
