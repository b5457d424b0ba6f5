#pragma once
// Helpers shared by the libFuzzer targets of this folder.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace tolvane::fuzz {

// The input as bytes (copied: the readers may keep what they are given).
inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// The input read as UTF-8 text, as a text field hands it over.
inline QString textOf(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// For readers that take a path: the input written to one temporary file of
// this process (rewritten for each input, removed at exit); its path.
inline const char *inputFile(const uint8_t *data, size_t size)
{
    struct TemporaryFile {
        std::string path;
        TemporaryFile()
        {
            const char *dir = std::getenv("TMPDIR");
            path = std::string(dir && *dir ? dir : "/tmp") + "/tolvane-fuzz-XXXXXX";
            const int fd = mkstemp(path.data());
            if (fd < 0)
                std::abort();
            close(fd);
        }
        ~TemporaryFile() { unlink(path.c_str()); }
    };
    static const TemporaryFile file;
    std::FILE *out = std::fopen(file.path.c_str(), "wb");
    if (!out || (size && std::fwrite(data, 1, size, out) != size) || std::fclose(out) != 0)
        std::abort();
    return file.path.c_str();
}

} // namespace tolvane::fuzz
