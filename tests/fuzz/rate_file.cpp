// The rate text file loader (negotiated price sets) on any file; the price
// arrays it registered are then read whole, and priced from as a shipment
// would be. Each input starts from the built-in registry again.
#include "FuzzSupport.h"
#include "rateengine/RateDomestic.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateRegistry.h"

#include <array>
#include <set>

namespace {

using Registry = std::array<RateTableSlot, kRateTableSlotCount>;

// The registry as built at start-up.
const Registry &builtInRegistry()
{
    static const Registry registry = [] {
        InitializeRE("", "09/07/2014");
        // Optional-service blocks go to the slot keyed 106.
        if (!FindRateTableSlot(gRateTables, kOptionalServiceTableKey))
            SetRateTableSlotKey(1, kOptionalServiceTableKey);
        Registry copy;
        for (int i = 0; i < kRateTableSlotCount; ++i)
            copy[i] = gRateTables[i];
        return copy;
    }();
    return registry;
}

// Frees what the last file registered and puts the built-in registry back,
// so that inputs neither pile up nor see each other's prices.
void restoreRegistry(const Registry &registry)
{
    std::set<const int32_t *> owned;
    for (int i = 0; i < kRateTableSlotCount; ++i)
        for (const RateClassNode &node : gRateTables[i].classes)
            for (const RateClassificationNode &classification : node.classifications)
                for (const RateShapeLeaf &leaf : classification.shapes)
                    if (leaf.owned == 1 && leaf.array.data)
                        owned.insert(leaf.array.data);
    for (const int32_t *words : owned)
        delete[] words;
    for (int i = 0; i < kRateTableSlotCount; ++i)
        gRateTables[i] = registry[i];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Registry &registry = builtInRegistry();
    if (RegisterRateFileAtPath(tolvane::fuzz::inputFile(data, size)) == 1) {
        // Every word of every array the file can carry, through its pointer.
        volatile uint32_t sum = 0;
        for (const int32_t mailClass : {1, 2, 3, 28, 29, 30, 42, 44, 46, 48})
            for (const int32_t shape : {0, 1, 5, 6, 8, 10, 11, 14, 20, 21, 101, 104, 201, 202, 203}) {
                int32_t classification = 170;
                const RateArray array =
                    GetRateReallyInternal(gRateTables, giRateTable, mailClass, shape, &classification);
                for (int32_t i = 0; array.data && i < array.size; ++i)
                    sum = sum + static_cast<uint32_t>(array.data[i]);
            }
        for (const int32_t mailClass : {kREFirstClass, kREPriority, kREExpress})
            for (const int32_t shape : {1, 5, 8, 20, 101})
                for (const int32_t zone : {1, 8}) {
                    int32_t weight = 10, classification = 170, oversize = 0, machinable = 1, balloon = 0, cents = 0,
                            cubic = 0;
                    (void)GetDomesticRate2014(mailClass, shape, zone, 0, &weight, 0, 0, 0, &oversize, &machinable,
                                              &balloon, &cents, nullptr, "", 0, &classification, &cubic, 0, 1);
                }
    }
    restoreRegistry(registry);
    return 0;
}
