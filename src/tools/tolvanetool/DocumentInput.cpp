#include "DocumentInput.h"

#include <algorithm>
#include <cerrno>

#include <unistd.h>

const QByteArray &glimraClosingRootTag()
{
    static const QByteArray tag = QByteArrayLiteral("</Glimra>");
    return tag;
}

DocumentInput readDocument(int fd, qsizetype limit)
{
    constexpr qsizetype kChunk = 65536;
    const QByteArray &tag = glimraClosingRootTag();
    DocumentInput input;
    QByteArray &document = input.document;
    qsizetype size = 0;
    for (;;) {
        // Read straight into the document (its room grows by doubling).
        if (document.capacity() - size < kChunk)
            document.reserve(std::max(2 * document.capacity(), size + kChunk));
        document.resize(size + kChunk);
        const ssize_t got = ::read(fd, document.data() + size, size_t(kChunk));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        // The tag may begin in the bytes of an earlier read.
        const qsizetype from = std::max<qsizetype>(0, size - (tag.size() - 1));
        size += got;
        const QByteArrayView read(document.constData() + from, size - from);
        if (read.indexOf(tag) >= 0)
            break;
        if (size > limit) {
            input.tooLarge = true;
            break;
        }
    }
    document.resize(size);
    // A closing tag found in the read that passed the limit ends a document
    // that is too large all the same.
    input.tooLarge = size > limit;
    return input;
}
