#include "pst/ltp/BthWriter.h"

#include <algorithm>
#include <vector>

#include "pst/PstError.h"

namespace tolvane::pst::ltp {

Hid reserveBthHeader(HeapWriter& heap) {
    return heap.reserve(BthHeader::kSize);
}

namespace {

// One level of the tree: items of at most `capacity` records each; returns, per item, its
// first key followed by its HID (an index record of the level above).
std::vector<std::uint8_t> writeLevel(HeapWriter& heap, std::span<const std::uint8_t> records,
                                     std::size_t recordSize, std::size_t cbKey, Hid firstItem) {
    const std::size_t capacity = kMaxHeapItem / recordSize;
    const std::size_t count = records.size() / recordSize;
    std::vector<std::uint8_t> parents;
    for (std::size_t first = 0; first < count; first += capacity) {
        const std::size_t n = std::min(capacity, count - first);
        auto chunk = records.subspan(first * recordSize, n * recordSize);
        Hid hid;
        if (first == 0 && !firstItem.isNull()) {
            hid = firstItem;
            auto target = heap.item(hid);
            if (target.size() != chunk.size()) {
                throw PstError("BTH: reserved leaf has the wrong size");
            }
            std::copy(chunk.begin(), chunk.end(), target.begin());
        } else {
            hid = heap.allocate(chunk);
        }
        parents.insert(parents.end(), chunk.begin(), chunk.begin() + static_cast<long>(cbKey));
        const std::size_t at = parents.size();
        parents.resize(at + 4);
        ndb::le::put32(parents, at, hid.value);
    }
    return parents;
}

}  // namespace

void writeBth(HeapWriter& heap, Hid header, BthShape shape, std::span<const std::uint8_t> records,
              Hid firstLeaf) {
    if (records.size() % shape.recordSize() != 0) {
        throw PstError("BTH: records are not a whole number of entries");
    }
    BthHeader h;
    h.cbKey = shape.cbKey;
    h.cbEnt = shape.cbEnt;
    if (!records.empty()) {
        std::vector<std::uint8_t> level =
            writeLevel(heap, records, shape.recordSize(), shape.cbKey, firstLeaf);
        const std::size_t indexRecord = std::size_t{shape.cbKey} + 4;
        while (level.size() > indexRecord) {
            level = writeLevel(heap, level, indexRecord, shape.cbKey, {});
            ++h.indexLevels;
        }
        h.root = Hid{ndb::le::get32(level, shape.cbKey)};
    }
    h.write(heap.item(header));
}

}  // namespace tolvane::pst::ltp
