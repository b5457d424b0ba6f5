// tolvanetool's reading of a Glimra document from standard input, from a
// file of the document read in the tool's own chunks. "StdinDocument/ours/N"
// reads a document of N MiB and its peer "StdinDocument/halfLength/N" one of
// N/2 MiB, so bench/ratios.py prints how much longer a document twice as long
// takes (at most about 2.5 when the time grows with the length; a search of
// the whole text after every read made it grow with the square).
#include "DocumentInput.h"

#include <benchmark/benchmark.h>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// A file (in memory) holding a document of `bytes` bytes that ends with
// the closing tag.
int documentFile(qsizetype bytes)
{
    const QByteArray tag = glimraClosingRootTag();
    QByteArray document = "<Glimra><Package><Note>";
    document += QByteArray(bytes - document.size() - tag.size(), 'x');
    document += tag;
    const int fd = ::memfd_create("glimra", 0);
    if (fd < 0 || ::write(fd, document.constData(), size_t(document.size())) != document.size())
        return -1;
    return fd;
}

void readDocumentOf(benchmark::State &state, qsizetype bytes)
{
    const int fd = documentFile(bytes);
    if (fd < 0) {
        state.SkipWithError("no document file");
        return;
    }
    for (auto _ : state) {
        ::lseek(fd, 0, SEEK_SET);
        const DocumentInput input = readDocument(fd, bytes);
        benchmark::DoNotOptimize(input.document.size());
    }
    ::close(fd);
    state.SetBytesProcessed(state.iterations() * bytes);
}

void StdinDocument_ours(benchmark::State &state) { readDocumentOf(state, state.range(0) * 1024 * 1024); }
void StdinDocument_halfLength(benchmark::State &state) { readDocumentOf(state, state.range(0) * 512 * 1024); }

} // namespace

BENCHMARK(StdinDocument_ours)->Name("StdinDocument/ours")->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(StdinDocument_halfLength)->Name("StdinDocument/halfLength")->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);
