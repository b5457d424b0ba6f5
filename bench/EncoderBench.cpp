// The barcode encoders beside zint on the same inputs: DataMatrix (against
// zint's default encoder and its FAST_MODE), Code 128 and Intelligent Mail.
#include "barcodes/datamatrix/ZYKDataMatrix.h"
#include "barcodes/linear/Code128.h"
#include "barcodes/linear/USPS4CB.h"

#include <benchmark/benchmark.h>
#include <zint.h>

#include <cstdint>
#include <functional>
#include <string>

using namespace tolvane;

namespace {

// ---------------------------------------------------------------------------
// Inputs

const std::string kDigits22 = "9400111899223344556677";
const std::string kText20 = "Tolvane label 2014-A";
const std::string kText100 = "Ship to: Jane Q. Public, 1200 Harbor Boulevard, Suite 410, Weehawken NJ 07086-6789; "
                             "ref PO-55123/B";

// Bytes of a fixed pseudo-random sequence (every value 0 to 255 occurs).
std::string randomBytes(std::size_t count, uint32_t seed)
{
    std::string bytes(count, '\0');
    for (auto &b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = (char)(seed >> 24);
    }
    return bytes;
}

const std::string kBinary1000 = randomBytes(1000, 1);
// A postage indicium: a short readable header, then binary values and a
// signature.
const std::string kIndicium80 = "IBI04" + randomBytes(75, 7);

// GS1-128 "420" routing code (ZIP) and the package number after FNC1.
const std::string kPackage420Ours = "42012345~9999405511899223344556677";
const std::string kPackage420Zint = "[420]12345[94]05511899223344556677";

// Intelligent Mail: 20-digit tracking code and 11-digit routing code.
const std::string kImbTracking = "01234567094987654321";
const std::string kImbRouting = "01234567891";

// Our DataMatrix text: a zero-ended string in which "~" starts an escape, so
// a zero byte is "~d000" and "~" is "~~".
std::string dataMatrixText(const std::string &data)
{
    std::string text;
    for (unsigned char c : data) {
        if (c == 0)
            text += "~d000";
        else if (c == '~')
            text += "~~";
        else
            text += (char)c;
    }
    return text;
}

// ---------------------------------------------------------------------------
// zint

// zint encodes into a symbol record that stacks the rows of a linear symbol
// unless it is cleared between encodes. The clear is timed on its own
// (zintClear, "<peer>_clear") and ratios.py takes it off.
void zintEncode(benchmark::State &state, int symbology, int inputMode, const std::string &data, bool clear)
{
    zint_symbol *symbol = ZBarcode_Create();
    symbol->symbology = symbology;
    symbol->input_mode = inputMode;
    // Square DataMatrix sizes only, as ours chooses (else zint may pick a
    // rectangle for short data).
    if (symbology == BARCODE_DATAMATRIX)
        symbol->option_3 = DM_SQUARE;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.data());
    for (auto _ : state) {
        const int rc = ZBarcode_Encode(symbol, bytes, (int)data.size());
        if (rc >= ZINT_ERROR) {
            state.SkipWithError(symbol->errtxt);
            break;
        }
        benchmark::DoNotOptimize(symbol->encoded_data);
        if (clear)
            ZBarcode_Clear(symbol);
    }
    if (!clear)
        state.counters["rows"] = symbol->rows;
    ZBarcode_Delete(symbol);
}

void zintClear(benchmark::State &state, int symbology, int inputMode, const std::string &data)
{
    zint_symbol *symbol = ZBarcode_Create();
    symbol->symbology = symbology;
    symbol->input_mode = inputMode;
    ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char *>(data.data()), (int)data.size());
    // The clear's work depends on the size of what was encoded: each round
    // clears a record that looks as the encode left it.
    const int rows = symbol->rows;
    const int width = symbol->width;
    for (auto _ : state) {
        symbol->rows = rows;
        symbol->width = width;
        ZBarcode_Clear(symbol);
        benchmark::ClobberMemory();
    }
    ZBarcode_Delete(symbol);
}

// ---------------------------------------------------------------------------
// Ours

void dataMatrixOurs(benchmark::State &state, const std::string &data)
{
    static unsigned char storage[ZYK_MAX_MATRIX_BYTES + 146];
    const std::string text = dataMatrixText(data);
    ZYK_initialize(ZYK_ISO_INTERCHANGE);
    ZYK_Data_Matrix dm = {0, 0, storage};
    for (auto _ : state) {
        const ZYK_UINT16 rc =
            ZYK_enc_complete(1, ZYK_ECC_200, 0, 0, 0, 1, reinterpret_cast<const unsigned char *>(text.c_str()),
                             (ZYK_UINT16)text.size(), &dm);
        if (rc != ZYK_OK) {
            state.SkipWithError("encode failed");
            break;
        }
        benchmark::DoNotOptimize(storage);
    }
    state.counters["rows"] = dm.rows;
}

void code128Ours(benchmark::State &state, const std::string &text, bool gs1)
{
    for (auto _ : state) {
        auto modules = gs1 ? _bitpattern_c128c(text) : _bitpattern_c128(text);
        if (!modules) {
            state.SkipWithError("encode failed");
            break;
        }
        benchmark::DoNotOptimize(modules);
    }
}

void imbOurs(benchmark::State &state)
{
    char bars[kUSPS4CBBarCount + 1] = {};
    EncoderSelfTest();
    for (auto _ : state) {
        if (USPS4CB(kImbTracking.c_str(), kImbRouting.c_str(), bars) != USPS4CB_SUCCESS) {
            state.SkipWithError("encode failed");
            break;
        }
        benchmark::DoNotOptimize(bars);
    }
}

// ---------------------------------------------------------------------------
// Registration

void registerDataMatrix(const char *name, const std::string &data)
{
    const std::string input = std::string("/") + name;
    benchmark::RegisterBenchmark(("DataMatrix/ours" + input).c_str(), dataMatrixOurs, data);
    benchmark::RegisterBenchmark(("DataMatrix/zint" + input).c_str(), zintEncode, BARCODE_DATAMATRIX, DATA_MODE, data,
                                 false);
    benchmark::RegisterBenchmark(("DataMatrix/zint_fast" + input).c_str(), zintEncode, BARCODE_DATAMATRIX,
                                 DATA_MODE | FAST_MODE, data, false);
}

// A zint peer of a linear symbol ("<peer>") and its clear ("<peer>_clear").
void registerZintLinear(const std::string &family, const std::string &peer, const std::string &input, int symbology,
                        int inputMode, const std::string &zintData)
{
    benchmark::RegisterBenchmark((family + "/" + peer + input).c_str(), zintEncode, symbology, inputMode, zintData,
                                 true);
    benchmark::RegisterBenchmark((family + "/" + peer + "_clear" + input).c_str(), zintClear, symbology, inputMode,
                                 zintData);
}

void registerLinear(const char *family, const char *name, const std::function<void(benchmark::State &)> &ours,
                    int symbology, int inputMode, const std::string &zintData)
{
    const std::string input = std::string("/") + name;
    benchmark::RegisterBenchmark((family + std::string("/ours") + input).c_str(), ours);
    registerZintLinear(family, "zint", input, symbology, inputMode, zintData);
}

const bool kRegistered = [] {
    registerDataMatrix("digits22", kDigits22);
    registerDataMatrix("text100", kText100);
    registerDataMatrix("binary1000", kBinary1000);
    registerDataMatrix("indicium80", kIndicium80);
    registerDataMatrix("text20", kText20);

    registerLinear(
        "Code128", "text20", [](benchmark::State &s) { code128Ours(s, kText20, false); }, BARCODE_CODE128, DATA_MODE,
        kText20);
    registerLinear(
        "Code128", "digits22", [](benchmark::State &s) { code128Ours(s, kDigits22, false); }, BARCODE_CODE128,
        DATA_MODE, kDigits22);
    registerLinear(
        "Code128", "package420", [](benchmark::State &s) { code128Ours(s, kPackage420Ours, true); }, BARCODE_GS1_128,
        GS1_MODE, kPackage420Zint);
    // zint checks the Application Identifiers' data, which ours leaves to the
    // caller: the same without that check.
    registerZintLinear("Code128", "zint_nocheck", "/package420", BARCODE_GS1_128, GS1_MODE | GS1NOCHECK_MODE,
                       kPackage420Zint);

    registerLinear(
        "IMb", "tracking20_routing11", [](benchmark::State &s) { imbOurs(s); }, BARCODE_USPS_IMAIL, DATA_MODE,
        kImbTracking + "-" + kImbRouting);
    return true;
}();

} // namespace
