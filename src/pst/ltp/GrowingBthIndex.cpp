#include "pst/ltp/GrowingBthIndex.h"

#include "pst/ltp/DiskCodec.h"

namespace tolvane::pst::ltp {

GrowingBthIndex::GrowingBthIndex(BthShape shape)
    : shape_(shape), recordsPerItem_(disk::value::kMaxHeapItem / shape.indexRecordSize()) {}

void GrowingBthIndex::addFullLeaf(std::span<const std::uint8_t> leaf, Hid hid,
                                  const Allocate& allocate) {
    std::vector<std::uint8_t> firstKey(leaf.begin(), leaf.begin() + shape_.cbKey);
    for (std::size_t level = 0;; ++level) {
        if (open_.size() == level) {
            open_.emplace_back();
            full_.push_back(0);
        }
        ++full_[level];
        addIndexRecord(open_[level], firstKey, shape_.cbKey, hid);
        if (open_[level].size() < recordsPerItem_ * shape_.indexRecordSize()) {
            return;
        }
        // The item over these records is full, so written once: a full item a level up.
        hid = allocate(open_[level]);
        firstKey.assign(open_[level].begin(), open_[level].begin() + shape_.cbKey);
        open_[level].clear();
    }
}

disk::BthHeader GrowingBthIndex::header(std::span<const std::uint8_t> lastLeaf,
                                        const Allocate& allocateAgain) {
    disk::BthHeader header{disk::value::kClientSigBth, shape_.cbKey, shape_.cbEnt, 0, 0};
    // The record for the last item of the level below, when it is written anew.
    std::vector<std::uint8_t> carried;
    if (!lastLeaf.empty()) {
        addIndexRecord(carried, lastLeaf, shape_.cbKey, allocateAgain(lastLeaf));
    }
    for (std::size_t level = 0;; ++level) {
        const std::size_t fullHere = level < full_.size() ? full_[level] : 0;
        const std::size_t items = fullHere + (carried.empty() ? 0 : 1);
        if (items == 0) {
            return header;
        }
        if (items == 1) {
            // The root: the one item written anew, or the one full item.
            const std::vector<std::uint8_t>& record = carried.empty() ? open_[level] : carried;
            header.hidRoot = ndb::le::get32(record, shape_.cbKey);
            return header;
        }
        std::vector<std::uint8_t> records =
            level < open_.size() ? open_[level] : std::vector<std::uint8_t>();
        records.insert(records.end(), carried.begin(), carried.end());
        carried.clear();
        if (!records.empty()) {
            addIndexRecord(carried, records, shape_.cbKey, allocateAgain(records));
        }
        ++header.bIdxLevels;
    }
}

}  // namespace tolvane::pst::ltp
