// The debug logs' secret removal over any text a server may send back (the
// logs write replies), with a pass phrase taken from the input's first line.
#include "FuzzSupport.h"
#include "services/LogRedaction.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = tolvane::fuzz::textOf(data, size);
    const qsizetype newline = input.indexOf(QLatin1Char('\n'));
    const QString secret = newline < 0 ? QString() : input.left(newline);
    const QString text = newline < 0 ? input : input.mid(newline + 1);
    const QString result = stringByRemovingSecrets(text, {secret});
    // A pass phrase of letters and digits never survives in plain text.
    bool plain = secret.size() >= 3;
    for (const QChar c : secret)
        plain = plain && c.unicode() < 0x80 && c.isLetterOrNumber();
    if (plain) {
        for (const QString &piece : result.split(QVRemovedSecretText)) {
            if (piece.contains(secret))
                std::abort();
        }
    }
    return 0;
}
