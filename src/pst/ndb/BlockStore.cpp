#include "pst/ndb/BlockStore.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "pst/Hex.h"
#include "pst/PstError.h"
#include "pst/ndb/Crc.h"
#include "pst/ndb/DiskCodec.h"
#include "pst/ndb/Layout.h"
#include "pst/ndb/NodeDatabase.h"
#include "pst/ndb/Permute.h"

namespace tolvane::pst::ndb {
namespace {

// The BIDs an internal block refers to ([MS-PST] 2.2.2.8.3.2, 2.2.2.8.3.3).
std::vector<Bid> childrenOf(Bid bid, std::span<const std::uint8_t> data) {
    LeReader r(data);
    const auto head = disk::fromBytes<disk::XBlockHeader>(data);
    std::vector<Bid> out;
    r.u64();
    if (head.btype == disk::value::kBtypeXBlock) {
        for (std::uint16_t i = 0; i < head.cEnt; ++i) {
            out.push_back(Bid{r.u64()});
        }
    } else if (head.btype == disk::value::kBtypeSBlock && head.cLevel == 0) {
        for (std::uint16_t i = 0; i < head.cEnt; ++i) {
            disk::SlEntry e;
            read(r, e);
            out.push_back(Bid{e.bidData});
            if (e.bidSub != 0) {
                out.push_back(Bid{e.bidSub});
            }
        }
    } else if (head.btype == disk::value::kBtypeSBlock && head.cLevel == 1) {
        for (std::uint16_t i = 0; i < head.cEnt; ++i) {
            disk::SiEntry e;
            read(r, e);
            out.push_back(Bid{e.bid});
        }
    } else {
        throw PstError("internal block " + hex(bid.value) + ": unknown btype " + hex(head.btype) +
                       " / cLevel " + hex(head.cLevel));
    }
    std::erase_if(out, [](Bid b) { return b.isNull(); });
    return out;
}

}  // namespace

BlockStore::BlockStore(PstFile& file, SpaceAllocator& space, bool permute)
    : file_(file), space_(space), permute_(permute) {}

Bid BlockStore::writeExternal(std::span<const std::uint8_t> data) {
    return write(data, false);
}

Bid BlockStore::writeInternal(std::span<const std::uint8_t> data) {
    return write(data, true);
}

Bid BlockStore::write(std::span<const std::uint8_t> data, bool internal) {
    if (data.size() > kMaxBlockData) {
        throw PstError("block of " + std::to_string(data.size()) + " bytes exceeds the " +
                       std::to_string(kMaxBlockData) + " a block holds ([MS-PST] 2.2.2.8)");
    }
    const std::uint64_t span = layout::blockSpan(data.size());
    const Bid bid{nextBid_ | (internal ? 0x2u : 0x0u)};
    const std::uint64_t ib = space_.allocate(span, layout::kSlotSize);

    disk::BlockTrailer trailer;
    trailer.cb = static_cast<std::uint16_t>(data.size());
    trailer.wSig = computeSignature(ByteIndex{ib}, bid.value);
    trailer.bid = bid.value;
    try {
        // Built in place in the file's write buffer.
        const std::span<std::uint8_t> room = file_.place(ib, span);
        if (!internal && permute_) {
            permuteEncode(data, room.data());
        } else {
            std::copy(data.begin(), data.end(), room.begin());
        }
        const auto trailerAt = room.size() - layout::kBlockTrailerSize;
        std::fill(room.begin() + static_cast<std::ptrdiff_t>(data.size()),
                  room.begin() + static_cast<std::ptrdiff_t>(trailerAt), 0);
        trailer.dwCRC = computeCrc(room.first(data.size()));
        const auto trailerBytes = disk::toBytes(trailer);
        std::copy(trailerBytes.begin(), trailerBytes.end(),
                  room.begin() + static_cast<std::ptrdiff_t>(trailerAt));
    } catch (...) {
        space_.release(ib, span);
        throw;
    }
    nextBid_ += 4;
    table_.add(bid, ByteIndex{ib}, trailer.cb);
    fresh_.insert(bid.value);
    bytesWritten_ += span;
    return bid;
}

void BlockStore::addRef(Bid bid, const char* what) {
    table_.addRef(bid, what);
    fresh_.erase(bid.value);
}

std::vector<std::uint8_t> BlockStore::readInternal(Bid bid) {
    const BlockRecord* rec = table_.find(bid);
    if (rec == nullptr || !bid.isInternal()) {
        throw std::logic_error("BlockStore: " + hex(bid.value) + " is not an internal block");
    }
    const std::uint64_t span = layout::blockSpan(rec->cb);
    std::vector<std::uint8_t> bytes(span);
    file_.read(rec->ib.value, bytes);
    const auto trailer = disk::fromBytes<disk::BlockTrailer>(
        std::span<const std::uint8_t>(bytes).subspan(span - layout::kBlockTrailerSize));
    bytes.resize(rec->cb);
    if (trailer.bid != bid.value || trailer.cb != rec->cb || trailer.dwCRC != computeCrc(bytes)) {
        throw PstError("block " + hex(bid.value) + " at " + hex(rec->ib.value) +
                       ": BLOCKTRAILER does not match what was written (bid " + hex(trailer.bid) +
                       ", cb " + std::to_string(trailer.cb) + ")");
    }
    return bytes;
}

void BlockStore::release(Bid first) {
    std::vector<Bid> work{first};
    while (!work.empty()) {
        const Bid bid = work.back();
        work.pop_back();
        if (table_.dropRef(bid) == 1) {
            freeBlock(bid, work);
        }
    }
}

void BlockStore::discardOrphans() {
    const std::vector<std::uint64_t> orphans(fresh_.begin(), fresh_.end());
    for (std::uint64_t orphan : orphans) {
        std::vector<Bid> work;
        freeBlock(Bid{orphan}, work);
        while (!work.empty()) {
            const Bid bid = work.back();
            work.pop_back();
            if (table_.dropRef(bid) == 1) {
                freeBlock(bid, work);
            }
        }
    }
}

std::vector<BlockRecord> BlockStore::unlinkedBlocks() {
    std::vector<Bid> work;
    for (std::uint64_t bid : fresh_) {
        work.push_back(Bid{bid});
    }
    std::vector<BlockRecord> out;
    std::map<std::uint64_t, std::uint16_t> unlinkedRefs;
    while (!work.empty()) {
        const Bid bid = work.back();
        work.pop_back();
        out.push_back(*table_.find(bid));
        if (!bid.isInternal()) {
            continue;
        }
        for (Bid child : childrenOf(bid, readInternal(bid))) {
            if (++unlinkedRefs[child.value] == table_.find(child)->refs - 1) {
                work.push_back(child);
            }
        }
    }
    std::sort(out.begin(), out.end(),
              [](const BlockRecord& a, const BlockRecord& b) { return a.bid < b.bid; });
    return out;
}

void BlockStore::freeBlock(Bid bid, std::vector<Bid>& work) {
    if (bid.isInternal()) {
        const auto children = childrenOf(bid, readInternal(bid));
        work.insert(work.end(), children.begin(), children.end());
    }
    freeSpace(*table_.find(bid));
    table_.erase(bid);
    fresh_.erase(bid.value);
}

void BlockStore::freeSpace(const BlockRecord& record) {
    const std::uint64_t span = layout::blockSpan(record.cb);
    if (record.bid.value < committedBelow_) {
        held_.emplace_back(record.ib.value, span);
    } else {
        space_.release(record.ib.value, span);
    }
}

void BlockStore::markCommitted() {
    committedBelow_ = nextBid_;
}

void BlockStore::reclaimHeldSpace() {
    for (const auto& [offset, size] : held_) {
        space_.release(offset, size);
    }
    held_.clear();
}

}  // namespace tolvane::pst::ndb
