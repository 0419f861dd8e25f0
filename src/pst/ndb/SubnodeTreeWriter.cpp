#include "pst/ndb/SubnodeTreeWriter.h"

#include <algorithm>
#include <string>
#include <vector>

#include "pst/Hex.h"
#include "pst/PstError.h"
#include "pst/ndb/DiskCodec.h"

namespace tolvane::pst::ndb {
namespace {

using disk::value::kSiBlockMax;
using disk::value::kSlBlockMax;

std::vector<std::uint8_t> blockHead(std::uint8_t level, std::size_t count, std::size_t entrySize) {
    std::vector<std::uint8_t> data(sizeof(disk::SBlockHeader) + count * entrySize);
    disk::SBlockHeader head;
    head.btype = disk::value::kBtypeSBlock;
    head.cLevel = level;
    head.cEnt = static_cast<std::uint16_t>(count);
    LeWriter w(data);
    write(w, head);
    return data;
}

Bid writeSlBlock(BlockStore& blocks, std::span<const SubnodeEntry> entries) {
    auto data = blockHead(0, entries.size(), sizeof(disk::SlEntry));
    LeWriter w{std::span(data).subspan(sizeof(disk::SBlockHeader))};
    for (const SubnodeEntry& e : entries) {
        write(w, disk::SlEntry{e.nid.value, e.data.value, e.subnodes.value});
    }
    // References are taken after the block exists, so a failed write leaves no count raised.
    const Bid bid = blocks.writeInternal(data);
    for (const SubnodeEntry& e : entries) {
        blocks.addRef(e.data, "SLENTRY bidData");
        if (!e.subnodes.isNull()) {
            blocks.addRef(e.subnodes, "SLENTRY bidSub");
        }
    }
    return bid;
}

}  // namespace

Bid writeSubnodeTree(BlockStore& blocks, std::span<const SubnodeEntry> input) {
    if (input.empty()) {
        return Bid{};
    }
    std::vector<SubnodeEntry> entries(input.begin(), input.end());
    std::sort(entries.begin(), entries.end(),
              [](const SubnodeEntry& a, const SubnodeEntry& b) { return a.nid < b.nid; });
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const SubnodeEntry& e = entries[i];
        if (i > 0 && entries[i - 1].nid == e.nid) {
            throw PstError("subnode tree: SLENTRY nid " + hex(e.nid.value) + " appears twice");
        }
        const BlockRecord* data = blocks.table().find(e.data);
        if (data == nullptr) {
            throw PstError("subnode tree: SLENTRY " + hex(e.nid.value) + " bidData " +
                           hex(e.data.value) + " is not a block of this file");
        }
        if (!e.subnodes.isNull() &&
            (!e.subnodes.isInternal() || blocks.table().find(e.subnodes) == nullptr)) {
            throw PstError("subnode tree: SLENTRY " + hex(e.nid.value) + " bidSub " +
                           hex(e.subnodes.value) + " is not a subnode block of this file");
        }
    }
    if (entries.size() <= kSlBlockMax) {
        return writeSlBlock(blocks, entries);
    }
    const std::size_t leaves = (entries.size() + kSlBlockMax - 1) / kSlBlockMax;
    if (leaves > kSiBlockMax) {
        throw PstError("subnode tree of " + std::to_string(entries.size()) +
                       " entries exceeds one SIBLOCK of 510 SLBLOCKs ([MS-PST] 2.2.2.8.3.3.2.2)");
    }
    auto data = blockHead(1, leaves, sizeof(disk::SiEntry));
    LeWriter w{std::span(data).subspan(sizeof(disk::SBlockHeader))};
    std::vector<Bid> children;
    for (std::size_t first = 0; first < entries.size(); first += kSlBlockMax) {
        const std::size_t n = std::min<std::size_t>(kSlBlockMax, entries.size() - first);
        const auto slice = std::span(entries).subspan(first, n);
        children.push_back(writeSlBlock(blocks, slice));
        write(w, disk::SiEntry{slice.front().nid.value, children.back().value});
    }
    const Bid bid = blocks.writeInternal(data);
    for (Bid child : children) {
        blocks.addRef(child, "SIENTRY bid");
    }
    return bid;
}

}  // namespace tolvane::pst::ndb
