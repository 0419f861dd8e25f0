#include "pst/ndb/BTreeBuilder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "pst/PstError.h"
#include "pst/ndb/DiskCodec.h"

namespace tolvane::pst::ndb {

using disk::value::kBtIndexMax;
using disk::value::kMaxBtLevels;

BTreeBuilder::BTreeBuilder(PageWriter& pages, std::uint8_t ptype, std::uint8_t leafMax,
                           std::uint8_t leafEntrySize)
    : pages_(pages), ptype_(ptype), leafMax_(leafMax), leafEntrySize_(leafEntrySize), levels_(1) {}

void BTreeBuilder::add(std::uint64_t key, std::span<const std::uint8_t> entry) {
    if (any_ && key <= lastKey_) {
        throw std::logic_error("BTreeBuilder: key " + std::to_string(key) + " does not follow " +
                               std::to_string(lastKey_));
    }
    if (entry.size() != leafEntrySize_) {
        throw std::logic_error("BTreeBuilder: entry of " + std::to_string(entry.size()) +
                               " bytes in a tree of " + std::to_string(leafEntrySize_));
    }
    any_ = true;
    lastKey_ = key;
    push(0, key, entry);
}

void BTreeBuilder::push(std::size_t level, std::uint64_t key, std::span<const std::uint8_t> entry) {
    if (levels_[level].count == maxAt(level)) {
        const disk::BtEntry up = writeLevel(level);
        push(level + 1, up.btkey, disk::toBytes(up));
    }
    Level& l = levels_[level];
    if (l.count == 0) {
        l.firstKey = key;
    }
    l.bytes.insert(l.bytes.end(), entry.begin(), entry.end());
    ++l.count;
}

disk::Bref BTreeBuilder::finish() {
    for (std::size_t level = 0;; ++level) {
        const bool top = level + 1 == levels_.size();
        if (top && (level == 0 || levels_[level].count > 1)) {
            return writeLevel(level).bref;  // the root page
        }
        if (top) {
            // A single child left at the top: that child is the root.
            disk::BtEntry only;
            LeReader r(levels_[level].bytes);
            read(r, only);
            return only.bref;
        }
        if (levels_[level].count > 0) {
            const disk::BtEntry up = writeLevel(level);
            push(level + 1, up.btkey, disk::toBytes(up));
        }
    }
}

disk::BtEntry BTreeBuilder::writeLevel(std::size_t level) {
    if (level >= kMaxBtLevels) {
        throw PstError(
            "B-tree deeper than the 8 levels BTPAGE cLevel allows ([MS-PST] 2.2.2.7.7.1)");
    }
    Level& l = levels_[level];
    PageBytes page{};
    std::copy(l.bytes.begin(), l.bytes.end(), page.begin());
    disk::BtPage tail;  // only the fields after rgentries are taken from it
    tail.cEnt = l.count;
    tail.cEntMax = maxAt(level);
    tail.cbEnt = sizeAt(level);
    tail.cLevel = static_cast<std::uint8_t>(level);
    const auto tailBytes = disk::toBytes(tail);
    std::copy(tailBytes.begin() + 488, tailBytes.begin() + 496, page.begin() + 488);
    const disk::Bref bref = pages_.writeBTreePage(page, ptype_);
    const disk::BtEntry up{l.firstKey, bref};
    l.bytes.clear();
    l.count = 0;
    if (level + 1 == levels_.size()) {
        levels_.emplace_back();
    }
    return up;
}

std::uint8_t BTreeBuilder::maxAt(std::size_t level) const {
    return level == 0 ? leafMax_ : kBtIndexMax;
}

std::uint8_t BTreeBuilder::sizeAt(std::size_t level) const {
    return level == 0 ? leafEntrySize_ : static_cast<std::uint8_t>(sizeof(disk::BtEntry));
}

}  // namespace tolvane::pst::ndb
