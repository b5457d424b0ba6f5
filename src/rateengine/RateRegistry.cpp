#include "rateengine/RateRegistry.h"

#include "rateengine/RateTables.h"

#include "rateengine/RateCountries.h"
#include "rateengine/RateOptionalServices.h"

#include <cstdint>

RateTableSlot *gRateTables = nullptr;

namespace {

RateTableSlot *ensureRateTables()
{
    if (!gRateTables)
        gRateTables = new RateTableSlot[kRateTableSlotCount]();
    return gRateTables;
}

// True when some leaf of the registry other than `except` shows `words`.
bool wordsStillRegistered(const int32_t *words, const RateShapeLeaf *except)
{
    for (int i = 0; i < kRateTableSlotCount; ++i)
        for (const RateClassNode &c : gRateTables[i].classes)
            for (const RateClassificationNode &n : c.classifications)
                for (const RateShapeLeaf &leaf : n.shapes)
                    if (&leaf != except && leaf.array.data == words)
                        return true;
    return false;
}

// Frees the words of an owned leaf that is being replaced, unless the
// replacement or another leaf (an array registered under several shapes)
// still shows them.
void releaseIfOwned(RateShapeLeaf &leaf, const int32_t *replacement)
{
    if (leaf.owned != 1 || !leaf.array.data || leaf.array.data == replacement)
        return;
    if (wordsStillRegistered(leaf.array.data, &leaf))
        return;
    delete[] leaf.array.data;
}

// Keys up to this bound are indexed.
constexpr int32_t kIndexedKeys = 1024;

// True when the key was entered.
bool noteIndex(std::vector<int16_t> &index, int32_t key, size_t position)
{
    if (key < 0 || key >= kIndexedKeys || position >= size_t(INT16_MAX))
        return false;
    if (index.size() <= size_t(key))
        index.resize(size_t(key) + 1, 0);
    index[size_t(key)] = int16_t(position + 1);
    return true;
}

// The position the index gives for key, or -1.
template <typename Node, typename KeyOf>
int indexed(const std::vector<int16_t> &index, const std::vector<Node> &list, int32_t key, KeyOf keyOf)
{
    if (key < 0 || size_t(key) >= index.size())
        return -1;
    const int position = index[size_t(key)] - 1;
    if (position < 0 || size_t(position) >= list.size() || keyOf(list[size_t(position)]) != key)
        return -1;
    return position;
}

// The first node of the key: through the index, else by walking the list.
template <typename Node, typename KeyOf>
const Node *findNode(const std::vector<int16_t> &index, const std::vector<Node> &list, int32_t key, KeyOf keyOf)
{
    const int position = indexed(index, list, key, keyOf);
    if (position >= 0)
        return &list[size_t(position)];
    for (const Node &node : list)
        if (keyOf(node) == key)
            return &node;
    return nullptr;
}

RateTableSlot *findSlot(RateTableSlot *slots, int32_t tableKey)
{
    if (!slots)
        return nullptr;
    for (int i = 0; i < kRateTableSlotCount; ++i)
        if (slots[i].key == tableKey)
            return &slots[i];
    return nullptr;
}

const RateClassNode *findClassNode(const RateTableSlot &table, int32_t classKey)
{
    return findNode(table.classIndex, table.classes, classKey, [](const RateClassNode &n) { return n.classKey; });
}

bool hasShapeLeaf(const RateClassificationNode &node, int32_t shape)
{
    for (const RateShapeLeaf &leaf : node.shapes)
        if (leaf.shape == shape)
            return true;
    return false;
}

// The first node of the classification.
const RateClassificationNode *findClassificationNode(const RateClassNode &classNode, int32_t classification)
{
    return findNode(classNode.classificationIndex, classNode.classifications, classification,
                    [](const RateClassificationNode &n) { return n.classification; });
}

const RateShapeLeaf *findLeaf(const RateClassificationNode &node, int32_t shape)
{
    const int position =
        indexed(node.shapeIndex, node.shapes, shape, [](const RateShapeLeaf &leaf) { return leaf.shape; });
    if (position >= 0)
        return &node.shapes[size_t(position)];
    if (node.indexedShapes == node.shapes.size() && !node.shapes.empty()) {
        // Every leaf is indexed: the shape has none, and the answer is the
        // leaf of shape 0 when there is one.
        const int general =
            indexed(node.shapeIndex, node.shapes, 0, [](const RateShapeLeaf &leaf) { return leaf.shape; });
        return general >= 0 ? &node.shapes[size_t(general)] : nullptr;
    }
    const RateShapeLeaf *fallback = nullptr;
    for (const RateShapeLeaf &leaf : node.shapes) {
        if (leaf.shape == shape)
            return &leaf;
        if (leaf.shape == 0 && !fallback)
            fallback = &leaf;
    }
    return fallback;
}

} // namespace

void InitializeRateTable()
{
    static bool built = false;
    ensureRateTables();
    if (built)
        return;
    built = true;
    RegisterSep2014Rates(0, kRateVersionSep2014);
    RegisterJan2014Rates(3, kRateVersionJan2014);
    RegisterJan2014OptionalServiceRates(1, kOptionalServiceTableKey);
    RegisterJan2013OptionalServiceRates(4, kOptionalService2013TableKey);
    RegisterJan2012TolvaneInsuranceRates(2, kTolvaneInsuranceTableKey);
}

void TeardownRateTable() {}

void SetRateTableSlotKey(int slot, int32_t key)
{
    if (slot < 0 || slot >= kRateTableSlotCount)
        return;
    ensureRateTables()[slot].key = key;
}

RateTableSlot *FindRateTableSlot(RateTableSlot *slots, int32_t tableKey) { return findSlot(slots, tableKey); }

void RegisterRate2(int slot, int32_t classKey, int32_t shape, int32_t classification, RateArray array, int32_t owned)
{
    if (slot < 0 || slot >= kRateTableSlotCount || !array)
        return;
    RateTableSlot &table = ensureRateTables()[slot];

    RateClassNode *classNode = nullptr;
    for (RateClassNode &node : table.classes)
        if (node.classKey == classKey) {
            classNode = &node;
            break;
        }
    if (!classNode) {
        table.classes.push_back(RateClassNode{classKey, {}, {}});
        classNode = &table.classes.back();
        noteIndex(table.classIndex, classKey, table.classes.size() - 1);
    }

    RateClassificationNode *levelNode = nullptr;
    for (RateClassificationNode &node : classNode->classifications)
        if (node.classification == classification) {
            levelNode = &node;
            break;
        }
    if (!levelNode) {
        classNode->classifications.push_back(RateClassificationNode{classification, {}, {}, 0});
        levelNode = &classNode->classifications.back();
        noteIndex(classNode->classificationIndex, classification, classNode->classifications.size() - 1);
    }

    for (RateShapeLeaf &leaf : levelNode->shapes) {
        if (leaf.shape == shape) {
            releaseIfOwned(leaf, array.data);
            leaf.array = array;
            leaf.owned = owned;
            return;
        }
    }
    levelNode->shapes.push_back(RateShapeLeaf{shape, array, owned});
    if (noteIndex(levelNode->shapeIndex, shape, levelNode->shapes.size() - 1))
        ++levelNode->indexedShapes;
}

void RegisterRate(int slot, int32_t classKey, int32_t shape, int32_t classification, RateArray array)
{
    RegisterRate2(slot, classKey, shape, classification, array, 0);
}

RateArray GetRateReallyInternal(RateTableSlot *slots, int32_t tableKey, int32_t classKey, int32_t shape,
                                int32_t *classification)
{
    int32_t local = classification ? *classification : 0;
    int32_t &level = classification ? *classification : local;
    if (shape == kREShapeNonRectangular)
        shape = kREShapeParcel;

    // The slot and the class node are found once for every level tried.
    const RateTableSlot *table = findSlot(slots, tableKey);
    if (!table)
        return {};
    const RateClassNode *classNode = findClassNode(*table, classKey);
    if (!classNode)
        return {};
    for (;;) {
        const RateClassificationNode *node = findClassificationNode(*classNode, level);
        if (node) {
            if (const RateShapeLeaf *leaf = findLeaf(*node, shape))
                return leaf->array;
        }
        if (level >= 1 && level <= 9) {
            --level;
            continue;
        }
        return {};
    }
}

bool HasExactRateLeaf(const RateTableSlot *table, int32_t classKey, int32_t classification, int32_t shape)
{
    const RateClassNode *classNode = table ? findClassNode(*table, classKey) : nullptr;
    if (!classNode)
        return false;
    for (const RateClassificationNode &node : classNode->classifications)
        if (node.classification == classification)
            return hasShapeLeaf(node, shape);
    return false;
}

RateArray GetRateInternal(int32_t classKey, int32_t shape, int32_t *classification)
{
    return GetRateReallyInternal(gRateTables, giRateTable, classKey, shape, classification);
}

RateArray GetOptionalServiceRateInternal(int32_t serviceId, int32_t *classification)
{
    return GetRateReallyInternal(gRateTables, kOptionalServiceTableKey, serviceId, 0, classification);
}

void GetZonedDomesticRateInternal(const RateArray &rows, int32_t zone, int32_t rowIndex, int32_t *rowWeight,
                                  int32_t *price)
{
    int32_t weight = 0, value = 0;
    const int32_t width = giRateTable < kRateVersionJan2014 ? 8 : 9;
    const bool zoned = rows.form == RateRowForm::ZonedRows || rows.form == RateRowForm::OneZonedRow ||
        rows.form == RateRowForm::CubicRows;
    if (rows && zoned && rows.rowWidth == width && rowIndex >= 0) {
        const int32_t column = zone <= 2 ? 1 : zone - 1;
        weight = rows.at(rowIndex, 0);
        value = column < width ? rows.at(rowIndex, column) : 0;
    }
    if (rowWeight)
        *rowWeight = weight;
    if (price)
        *price = value;
}

void GetCurrentRegisteredRateClassificationsInternal(int32_t classKey, int32_t tableKey, int32_t shape, int32_t *out,
                                                     int32_t *count)
{
    if (!count)
        return;
    const int32_t capacity = *count;
    int32_t written = 0;
    const RateTableSlot *table = FindRateTableSlot(gRateTables, tableKey);
    const RateClassNode *classNode = table ? findClassNode(*table, classKey) : nullptr;
    if (classNode) {
        for (const RateClassificationNode &node : classNode->classifications) {
            if (written >= capacity)
                break;
            if (node.shapes.empty())
                continue;
            if (shape > 0 && !hasShapeLeaf(node, shape))
                continue;
            if (out)
                out[written] = node.classification;
            ++written;
        }
    }
    *count = written;
}

void GetCurrentRegisteredRateClassifications(int32_t classKey, int32_t *out, int32_t *count)
{
    GetCurrentRegisteredRateClassificationsInternal(classKey, giRateTable, 0, out, count);
}

int32_t GetClassMaxWeight(int32_t mailClass, int32_t shape, int32_t /*unused*/, const char *country,
                          int32_t classification)
{
    static const int32_t maxWeights[17] = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 159};
    if (IsIntlClass(mailClass)) {
        return GetCountryMaxWeight(mailClass, shape, country ? country : "");
    }
    switch (mailClass) {
    case kREFirstClass:
        if (shape == kREShapePostcard)
            return 10;
        if (shape == kREShapeLetter)
            return 35;
        if (shape == kREShapeParcel) {
            if (classification == 2)
                return 159;
            if (classification < 2)
                return 130;
            int32_t level = classification;
            const RateArray rows = GetRateInternal(kREFirstClass, kREShapeParcel, &level);
            // Only a list of rows counts as a table; the commercial-plus single
            // value that levels 3-9 fall back to is no table of weights.
            if (!rows || (rows.form != RateRowForm::ZonedRows && rows.form != RateRowForm::PerOunce))
                return 159;
            int32_t n = 0;
            while (n < rows.rowCount() && rows.at(n, 0) > 0)
                ++n;
            return n <= 16 ? maxWeights[n] : 11200;
        }
        return 130;
    case kREPriority:
        if (shape == kREShapeRegionalBoxA)
            return 2400;
        if (shape == kREShapeRegionalBoxB)
            return 3200;
        if (shape == kREShapeRegionalBoxC)
            return 4000;
        return 11200;
    case kREBoundPrintedMatter:
        if (shape == kREShapeFlat || shape == kREShapeParcel || shape == kREShapeNonRectangular)
            return 2400;
        return 11200;
    case kRECriticalMail:
    case kRECriticalMailSignature:
        if (shape == kREShapeLetter)
            return CriticalLetterMaxOunces() * 10;
        return CriticalFlatMaxOunces() * 10;
    default:
        return 11200;
    }
}
