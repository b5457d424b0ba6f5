#pragma once
// Lays a price array of a test over one key of both 2014 slots (keys 16 and
// 17) and puts back the leaf that was there when it goes out of scope, so a
// test can give a public price level a table the build does not have without
// changing what other tests see. Only for keys that the built-in sets
// register (static arrays, never owned ones).
#include <cstdint>
#include <vector>

#include "rateengine/RateEngine.h"
#include "rateengine/RateRegistry.h"

namespace tolvane::test {

class ScopedRateLeaf
{
public:
    ScopedRateLeaf(int32_t classKey, int32_t shape, int32_t classification, RateArray array)
        : classKey_(classKey), shape_(shape), classification_(classification)
    {
        for (int32_t key : {kRateVersionJan2014, kRateVersionSep2014}) {
            RateTableSlot *slot = FindRateTableSlot(gRateTables, key);
            if (!slot)
                continue;
            const int index = int(slot - gRateTables);
            if (const RateShapeLeaf *leaf = exactLeaf(*slot))
                saved_.push_back({index, *leaf});
            RegisterRate2(index, classKey_, shape_, classification_, array, 0);
        }
    }
    ~ScopedRateLeaf()
    {
        for (const Saved &s : saved_)
            RegisterRate2(s.slot, classKey_, shape_, classification_, s.leaf.array, s.leaf.owned);
    }
    ScopedRateLeaf(const ScopedRateLeaf &) = delete;
    ScopedRateLeaf &operator=(const ScopedRateLeaf &) = delete;

private:
    struct Saved {
        int slot;
        RateShapeLeaf leaf;
    };
    const RateShapeLeaf *exactLeaf(const RateTableSlot &slot) const
    {
        for (const RateClassNode &c : slot.classes)
            if (c.classKey == classKey_)
                for (const RateClassificationNode &n : c.classifications)
                    if (n.classification == classification_)
                        for (const RateShapeLeaf &l : n.shapes)
                            if (l.shape == shape_)
                                return &l;
        return nullptr;
    }

    int32_t classKey_, shape_, classification_;
    std::vector<Saved> saved_;
};

} // namespace tolvane::test
