#include "pstcheck/ndb/BlockStore.h"

#include <algorithm>

#include "pstcheck/ndb/Crc.h"
#include "pstcheck/ndb/Format.h"
#include "pstcheck/ndb/Permute.h"

namespace tolvane::pstcheck {
namespace {

bool internal(std::uint64_t bid) {
    return (bid & fmt::kBidInternal) != 0;
}

std::string blockAt(std::uint64_t bid, std::uint64_t ib) {
    return "bid " + hex(bid) + " " + at(ib);
}

}  // namespace

BlockStore::BlockStore(Bytes file, std::uint8_t cryptMethod, const BTrees& trees, Report& report,
                       bool checkDataBlocks)
    : file_(file),
      crypt_(cryptMethod),
      checkDataBlocks_(checkDataBlocks),
      trees_(trees),
      r_(report) {}

std::optional<Bytes> BlockStore::raw(std::uint64_t referenced, const std::string& from) {
    const std::uint64_t bid = masked(referenced, from);
    const auto it = trees_.bbt.find(bid);
    if (it == trees_.bbt.end()) {
        if (checked_.emplace(bid, false).second) {
            r_.add("BBT", "bid", "block " + hex(bid) + " is not in the BBT", from);
        }
        return std::nullopt;
    }
    const BbtEntry& e = it->second;
    const std::size_t size = fmt::blockSize(e.cb);
    const std::string where = blockAt(bid, e.ib);
    if (e.ib % fmt::kSlot != 0 || e.ib > file_.size() || file_.size() - e.ib < size ||
        size > fmt::kMaxBlockSize) {
        if (checked_.emplace(bid, false).second) {
            r_.add("BBTENTRY", "ib",
                   "block of cb " + std::to_string(e.cb) + " is unaligned, too big or past the end",
                   where);
        }
        return std::nullopt;
    }
    const Bytes block = file_.subspan(e.ib, size);
    const Bytes data = block.first(e.cb);
    const auto [slot, first] = checked_.emplace(bid, true);
    if (first) {
        const std::size_t t = size - fmt::kBlockTrailerSize;
        const std::uint16_t cb = u16(block, t);
        if (cb != e.cb) {
            r_.add("BLOCKTRAILER", "cb",
                   "is " + std::to_string(cb) + ", BBT says " + std::to_string(e.cb), where);
            slot->second = false;
        }
        const std::uint16_t sig = signature(e.ib, bid);
        if (u16(block, t + 2) != sig) {
            r_.add("BLOCKTRAILER", "wSig",
                   "is " + hex(u16(block, t + 2)) + ", expected " + hex(sig), where);
        }
        const std::uint32_t crc = pstCrc(data);
        if (u32(block, t + 4) != crc) {
            r_.add("BLOCKTRAILER", "dwCRC",
                   "is " + hex(u32(block, t + 4)) + ", expected " + hex(crc), where);
        }
        if (u64(block, t + 8) != bid) {
            r_.add("BLOCKTRAILER", "bid", "is " + hex(u64(block, t + 8)) + ", expected " + hex(bid),
                   where);
        }
    }
    return data;
}

std::uint64_t BlockStore::masked(std::uint64_t bid, const std::string& from) {
    // Bit 0 is reserved [2.2.2.2]; Outlook sets it in some XBLOCK entries and readers mask it.
    if ((bid & 1) != 0 && reservedBit_.insert(bid).second) {
        r_.tolerate("BID", "reserved bit", hex(bid) + " has bit 0 set", from);
    }
    return bid & ~std::uint64_t{1};
}

std::vector<std::uint8_t> BlockStore::decoded(Bytes data, std::uint64_t bid) const {
    std::vector<std::uint8_t> out(data.begin(), data.end());
    // Only external blocks are encoded [MS-PST] 2.2.2.8.3.1.1.
    if (!internal(bid) && crypt_ == fmt::kCryptPermute) {
        permuteDecode(out);
    }
    return out;
}

std::optional<BlockStore::XBlock> BlockStore::xblock(std::uint64_t bid, const std::string& from) {
    const auto data = raw(bid, from);
    if (!data) {
        return std::nullopt;
    }
    const std::string where = "XBLOCK bid " + hex(bid);
    try {
        XBlock x;
        const std::uint8_t btype = u8(*data, 0);
        x.level = u8(*data, 1);
        const std::uint16_t cEnt = u16(*data, 2);
        x.total = u32(*data, 4);
        if (btype != fmt::kXBlockType || (x.level != 1 && x.level != 2)) {
            r_.add("XBLOCK", "btype/cLevel",
                   "are " + hex(btype) + "/" + hex(x.level) + ", expected 0x1 and level 1 or 2",
                   where);
            return std::nullopt;
        }
        if (data->size() != fmt::kXBlockHeader + 8u * cEnt) {
            r_.add("XBLOCK", "cEnt",
                   std::to_string(cEnt) + " entries do not fill cb " + std::to_string(data->size()),
                   where);
        }
        if (cEnt == 0) {
            r_.add("XBLOCK", "cEnt", "is 0", where);
        }
        for (std::size_t i = 0; i < cEnt; ++i) {
            x.children.push_back(u64(*data, fmt::kXBlockHeader + 8 * i));
        }
        return x;
    } catch (const Truncated& t) {
        r_.add("XBLOCK", "size", t.what(), where);
        return std::nullopt;
    }
}

bool BlockStore::collectLeaves(std::uint64_t bid, const std::string& from,
                               std::vector<std::uint64_t>& out, int depth) {
    if (!internal(bid)) {
        out.push_back(bid);
        if (!checkDataBlocks_ && trees_.bbt.contains(bid & ~std::uint64_t{1})) {
            return true;
        }
        return raw(bid, from).has_value();
    }
    const auto x = xblock(bid, from);
    const bool report = treeChecked_.insert(bid).second;  // once per tree, however often read
    if (!x || depth > 1) {
        if (x && report) {
            r_.add("XBLOCK", "cLevel", "tree deeper than XXBLOCK", "bid " + hex(bid));
        }
        return false;
    }
    const std::size_t before = out.size();
    bool ok = true;
    for (const std::uint64_t child : x->children) {
        const bool childInternal = internal(child);
        if (childInternal != (x->level == 2)) {
            if (report) {
                r_.add("XBLOCK", "rgbid",
                       "child " + hex(child) + " is the wrong kind for level " +
                           std::to_string(x->level),
                       "bid " + hex(bid));
            }
            ok = false;
            continue;
        }
        ok = collectLeaves(child, "XBLOCK " + hex(bid), out, depth + 1) && ok;
    }
    std::uint64_t total = 0;
    for (std::size_t i = before; i < out.size(); ++i) {
        const auto it = trees_.bbt.find(out[i] & ~std::uint64_t{1});
        const std::uint64_t cb = it == trees_.bbt.end() ? 0 : it->second.cb;
        total += cb;
        // [2.2.2.8.3.2] every leaf but the last of a data tree is full.
        if (report && i + 1 < out.size() && it != trees_.bbt.end() && cb != fmt::kMaxBlockData &&
            depth == 0) {
            r_.add("XBLOCK", "leaf size",
                   "leaf " + hex(out[i]) + " of cb " + std::to_string(cb) +
                       " is not the last and not full (8176)",
                   "bid " + hex(bid));
        }
    }
    if (report && ok && total != x->total) {
        r_.add("XBLOCK", "lcbTotal",
               "is " + std::to_string(x->total) + ", leaves hold " + std::to_string(total),
               "bid " + hex(bid));
    }
    return ok;
}

std::optional<std::vector<std::vector<std::uint8_t>>> BlockStore::leaves(std::uint64_t bid,
                                                                         const std::string& from) {
    std::vector<std::uint64_t> bids;
    if (!collectLeaves(bid, from, bids, 0)) {
        return std::nullopt;
    }
    std::vector<std::vector<std::uint8_t>> out;
    for (const std::uint64_t leaf : bids) {
        const auto data = raw(leaf, from);
        if (!data) {
            return std::nullopt;
        }
        out.push_back(decoded(*data, leaf));
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> BlockStore::block(std::uint64_t bid,
                                                           const std::string& from) {
    const auto data = raw(bid, from);
    if (!data) {
        return std::nullopt;
    }
    return decoded(*data, bid);
}

std::optional<std::uint64_t> BlockStore::streamSize(std::uint64_t bid, const std::string& from) {
    if (internal(bid)) {
        const auto x = xblock(bid, from);
        return x ? std::optional<std::uint64_t>(x->total) : std::nullopt;
    }
    const auto data = raw(bid, from);
    return data ? std::optional<std::uint64_t>(data->size()) : std::nullopt;
}

SubnodeMap BlockStore::subnodes(std::uint64_t bid, const std::string& from) {
    SubnodeMap out;
    const auto data = raw(bid, from);
    if (!data) {
        return out;
    }
    const std::string where = "SLBLOCK bid " + hex(bid) + " of " + from;
    try {
        const std::uint8_t btype = u8(*data, 0), level = u8(*data, 1);
        const std::uint16_t cEnt = u16(*data, 2);
        if (btype != fmt::kSlBlockType || level > 1) {
            r_.add("SLBLOCK", "btype/cLevel", "are " + hex(btype) + "/" + hex(level), where);
            return out;
        }
        const std::size_t entry = level == 0 ? fmt::kSlEntrySize : fmt::kSiEntrySize;
        if (data->size() != fmt::kSlBlockHeader + entry * cEnt || cEnt == 0) {
            r_.add(level == 0 ? "SLBLOCK" : "SIBLOCK", "cEnt",
                   std::to_string(cEnt) + " entries do not fill cb " + std::to_string(data->size()),
                   where);
        }
        std::uint32_t previous = 0;
        for (std::size_t i = 0; i < cEnt; ++i) {
            const std::size_t e = fmt::kSlBlockHeader + i * entry;
            // Outlook leaves junk in the upper half of the 64-bit NID field.
            const auto nid = static_cast<std::uint32_t>(u64(*data, e));
            if (i > 0 && nid <= previous) {
                r_.add(level == 0 ? "SLBLOCK" : "SIBLOCK", "nid order",
                       hex(nid) + " not above " + hex(previous), where);
            }
            previous = nid;
            if (level == 0) {
                out[nid] = {nid, u64(*data, e + 8), u64(*data, e + 16)};
                continue;
            }
            const SubnodeMap child = subnodes(u64(*data, e + 8), from);
            if (!child.empty() && child.begin()->first != nid) {
                r_.add(
                    "SIBLOCK", "nid",
                    "key " + hex(nid) + " differs from child's first " + hex(child.begin()->first),
                    where);
            }
            out.insert(child.begin(), child.end());
        }
    } catch (const Truncated& t) {
        r_.add("SLBLOCK", "size", t.what(), where);
    }
    return out;
}

void BlockStore::reference(std::uint64_t referenced, const std::string& from) {
    const std::uint64_t bid = masked(referenced, from);
    ++refs_[bid];
    if (!trees_.bbt.contains(bid)) {
        raw(bid, from);  // reports the missing block once
    }
}

void BlockStore::walkData(std::uint64_t bid, const std::string& from) {
    reference(bid, from);
    if (walked_.emplace(bid & ~std::uint64_t{1}, true).second && internal(bid)) {
        const auto x = xblock(bid, from);
        if (!x) {
            return;
        }
        for (const std::uint64_t child : x->children) {
            walkData(child, "XBLOCK " + hex(bid));
        }
        std::vector<std::uint64_t> leaves;
        collectLeaves(bid, from, leaves, 0);  // lcbTotal and full leaves, read or not
    } else if (!internal(bid) && checkDataBlocks_) {
        raw(bid, from);
    }
}

void BlockStore::walkSub(std::uint64_t bid, const std::string& from) {
    reference(bid, from);
    if (!walked_.emplace(bid & ~std::uint64_t{1}, true).second) {
        return;
    }
    if (!internal(bid)) {
        r_.add("SLBLOCK", "bid", "subnode tree root " + hex(bid) + " is not an internal block",
               from);
        return;
    }
    const auto data = raw(bid, from);
    if (!data || data->size() < fmt::kSlBlockHeader) {
        return;
    }
    if (u8(*data, 1) == 1) {
        const std::uint16_t cEnt = u16(*data, 2);
        for (std::size_t i = 0; i < cEnt && fmt::kSlBlockHeader + 16 * (i + 1) <= data->size();
             ++i) {
            walkSub(u64(*data, fmt::kSlBlockHeader + 16 * i + 8), from);
        }
        return;
    }
    for (const auto& [nid, e] : subnodes(bid, from)) {
        walkNode(e.bidData, e.bidSub, from + " subnode " + hex(nid));
    }
}

void BlockStore::walkNode(std::uint64_t bidData, std::uint64_t bidSub, const std::string& from) {
    if (bidData != 0) {
        walkData(bidData, from);
    }
    if (bidSub != 0) {
        walkSub(bidSub, from);
    }
}

void BlockStore::checkReferenceCounts() {
    for (const auto& [bid, e] : trees_.bbt) {
        if (checkDataBlocks_ || internal(bid)) {
            raw(bid, "BBT");
        }
        const auto it = refs_.find(bid);
        const std::uint32_t referrers = it == refs_.end() ? 0 : it->second;
        const std::string where = blockAt(bid, e.ib);
        if (referrers == 0 && e.cRef == 1) {
            // Only the BBT holds it: a block Outlook released and has not reclaimed yet.
            r_.tolerate("BBTENTRY", "unreferenced", "block with cRef 1 is referenced by no node",
                        where);
        } else if (referrers == 0) {
            r_.add("BBTENTRY", "unreferenced",
                   "block with cRef " + std::to_string(e.cRef) + " is referenced by no node",
                   where);
        } else if (e.cRef != referrers + 1) {
            // [2.2.2.7.7.3.1]: the BBT's own reference plus one per referrer.
            r_.add("BBTENTRY", "cRef",
                   "is " + std::to_string(e.cRef) + ", " + std::to_string(referrers) +
                       " referrer(s) need " + std::to_string(referrers + 1),
                   where);
        }
    }
}

}  // namespace tolvane::pstcheck
