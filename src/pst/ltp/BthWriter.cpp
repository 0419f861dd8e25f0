#include "pst/ltp/BthWriter.h"

#include <algorithm>

#include "pst/PstError.h"
#include "pst/ltp/DiskCodec.h"

namespace tolvane::pst::ltp {

Hid reserveBthHeader(HeapWriter& heap) {
    return heap.reserve(sizeof(disk::BthHeader));
}

void addIndexRecord(std::vector<std::uint8_t>& level, std::span<const std::uint8_t> item,
                    std::uint8_t cbKey, Hid hid) {
    level.insert(level.end(), item.begin(), item.begin() + cbKey);
    const std::size_t at = level.size();
    level.resize(at + 4);
    ndb::le::put32(level, at, hid.value);
}

disk::BthHeader writeBthIndex(BthShape shape, std::vector<std::uint8_t> level,
                              const std::function<Hid(std::span<const std::uint8_t>)>& allocate) {
    disk::BthHeader header{disk::value::kClientSigBth, shape.cbKey, shape.cbEnt, 0, 0};
    if (level.empty()) {
        return header;
    }
    const std::size_t record = shape.indexRecordSize();
    const std::size_t perItem = disk::value::kMaxHeapItem / record * record;
    while (level.size() > record) {
        std::vector<std::uint8_t> up;
        for (std::size_t first = 0; first < level.size(); first += perItem) {
            const auto chunk =
                std::span(level).subspan(first, std::min(perItem, level.size() - first));
            addIndexRecord(up, chunk, shape.cbKey, allocate(chunk));
        }
        level = std::move(up);
        ++header.bIdxLevels;
    }
    header.hidRoot = ndb::le::get32(level, shape.cbKey);
    return header;
}

std::vector<Hid> writeBth(HeapWriter& heap, Hid header, BthShape shape,
                          std::span<const std::uint8_t> records, Hid firstLeaf) {
    if (records.size() % shape.recordSize() != 0) {
        throw PstError("BTH: records are not a whole number of entries");
    }
    const std::size_t perLeaf = shape.leafCapacity() * shape.recordSize();
    std::vector<Hid> leaves;
    std::vector<std::uint8_t> index;
    for (std::size_t first = 0; first < records.size(); first += perLeaf) {
        const auto chunk = records.subspan(first, std::min(perLeaf, records.size() - first));
        Hid hid;
        if (first == 0 && !firstLeaf.isNull()) {
            hid = firstLeaf;
            const auto target = heap.item(hid);
            if (target.size() != chunk.size()) {
                throw PstError("BTH: reserved leaf has the wrong size");
            }
            std::copy(chunk.begin(), chunk.end(), target.begin());
        } else {
            hid = heap.allocate(chunk);
        }
        leaves.push_back(hid);
        addIndexRecord(index, chunk, shape.cbKey, hid);
    }
    disk::writeAt(heap.item(header), writeBthIndex(shape, std::move(index),
                                                   [&heap](std::span<const std::uint8_t> item) {
                                                       return heap.allocate(item);
                                                   }));
    return leaves;
}

}  // namespace tolvane::pst::ltp
