#include "pst/ndb/PstNodeDatabase.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>

#include "pst/PstError.h"
#include "pst/ndb/BTreeBuilder.h"
#include "pst/ndb/BlockDataStream.h"
#include "pst/ndb/Crc.h"
#include "pst/ndb/DataTreeBuilder.h"
#include "pst/ndb/DiskCodec.h"
#include "pst/ndb/Layout.h"
#include "pst/ndb/MapWriter.h"
#include "pst/ndb/PageWriter.h"
#include "pst/ndb/SubnodeTreeWriter.h"

namespace tolvane::pst::ndb {
namespace {

std::string hex(std::uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
    return buf;
}

// rgnid starting values of a new file ([MS-PST] 2.2.2.6): each slot holds the last index
// handed out for its NID type.
std::array<std::uint32_t, 32> initialNidCounters() {
    std::array<std::uint32_t, 32> rgnid{};
    rgnid.fill(0x400);
    rgnid[static_cast<std::size_t>(NidType::SearchFolder)] = 0x4000;
    rgnid[static_cast<std::size_t>(NidType::NormalMessage)] = 0x10000;
    rgnid[static_cast<std::size_t>(NidType::AssocMessage)] = 0x8000;
    return rgnid;
}

constexpr std::uint32_t kMaxNidIndex = (1u << 27) - 1;

}  // namespace

struct CommitRoots {
    disk::Bref nbt;
    disk::Bref bbt;
};

std::unique_ptr<NodeDatabase> NodeDatabase::create(const std::filesystem::path& path) {
    return std::make_unique<PstNodeDatabase>(path);
}

PstNodeDatabase::PstNodeDatabase(const std::filesystem::path& path)
    : file_(path),
      space_(),
      blocks_(file_, space_, /*permute=*/true),
      rgnid_(initialNidCounters()),
      alive_(std::make_shared<int>(0)) {
    writeCommit();
}

PstNodeDatabase::~PstNodeDatabase() {
    if (!closed_) {
        try {
            close();
        } catch (...) {
            // A destructor cannot report; the last commit stays the file's state.
        }
    }
}

void PstNodeDatabase::checkOpen(const char* operation) const {
    if (closed_) {
        throw PstError(std::string("NodeDatabase::") + operation + " after close of " +
                       file_.path().string());
    }
}

Nid PstNodeDatabase::allocateNid(NidType type) {
    checkOpen("allocateNid");
    const auto t = static_cast<std::size_t>(type);
    if (type == NidType::Hid || t >= rgnid_.size()) {
        throw PstError("allocateNid: NID type " + hex(t) + " has no rgnid counter");
    }
    if (rgnid_[t] >= kMaxNidIndex) {
        throw PstError("allocateNid: rgnid[" + hex(t) + "] has used all 2^27 indexes");
    }
    return Nid::make(type, ++rgnid_[t]);
}

Bid PstNodeDatabase::writeBlocks(std::span<const std::vector<std::uint8_t>> blocks) {
    checkOpen("writeBlocks");
    if (blocks.empty()) {
        return writeData({});
    }
    DataTreeBuilder tree(blocks_);
    std::vector<std::uint8_t> padded;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        std::span<const std::uint8_t> block = blocks[i];
        if (i + 1 < blocks.size() && block.size() < kMaxBlockData) {
            // Every block of a tree but the last is full; Outlook's heap blocks carry unused
            // bytes after their page map ([MS-PST] 2.2.2.8.3.2).
            padded.assign(kMaxBlockData, 0);
            std::copy(block.begin(), block.end(), padded.begin());
            block = padded;
        }
        tree.addLeaf(blocks_.writeExternal(block), static_cast<std::uint32_t>(block.size()));
    }
    return tree.finish();
}

Bid PstNodeDatabase::writeData(std::span<const std::uint8_t> bytes) {
    checkOpen("writeData");
    DataTreeBuilder tree(blocks_);
    do {
        const auto chunk = bytes.first(std::min(bytes.size(), kMaxBlockData));
        tree.addLeaf(blocks_.writeExternal(chunk), static_cast<std::uint32_t>(chunk.size()));
        bytes = bytes.subspan(chunk.size());
    } while (!bytes.empty());
    return tree.finish();
}

std::unique_ptr<DataStream> PstNodeDatabase::beginData() {
    checkOpen("beginData");
    return std::make_unique<BlockDataStream>(blocks_, alive_);
}

Bid PstNodeDatabase::writeSubnodes(std::span<const SubnodeEntry> entries) {
    checkOpen("writeSubnodes");
    return writeSubnodeTree(blocks_, entries);
}

void PstNodeDatabase::setNode(const NodeEntry& node) {
    checkOpen("setNode");
    const std::string where = "setNode " + hex(node.nid.value) + ": ";
    if (node.nid.type() == NidType::Hid) {
        throw PstError(where + "NBTENTRY nid has type HID, which names no node");
    }
    // Check both references before taking either, so a refusal changes nothing.
    for (const auto& [bid, field, internalOnly] :
         {std::tuple{node.data, "bidData", false}, std::tuple{node.subnodes, "bidSub", true}}) {
        if (bid.isNull()) {
            continue;
        }
        const BlockRecord* rec = blocks_.table().find(bid);
        if (rec == nullptr || (internalOnly && !bid.isInternal())) {
            throw PstError(where + "NBTENTRY " + field + " " + hex(bid.value) +
                           " is not a suitable block of this file");
        }
        if (rec->refs >= UINT16_MAX - 1) {
            throw PstError(where + "BBTENTRY cRef of " + hex(bid.value) + " would pass 65535");
        }
    }
    if (!node.data.isNull()) {
        blocks_.addRef(node.data, "NBTENTRY bidData");
    }
    if (!node.subnodes.isNull()) {
        blocks_.addRef(node.subnodes, "NBTENTRY bidSub");
    }
    const auto [it, inserted] = nodes_.try_emplace(node.nid.value, node);
    if (!inserted) {
        const NodeEntry old = it->second;
        it->second = node;
        // Released after the new references are taken, so re-setting the same blocks is safe.
        if (!old.data.isNull()) {
            blocks_.release(old.data);
        }
        if (!old.subnodes.isNull()) {
            blocks_.release(old.subnodes);
        }
    }
    // A node set under an index above its type's counter raises the counter, so rgnid never
    // falls behind the NIDs in use ([MS-PST] 2.6.1.2.1).
    auto& counter = rgnid_[static_cast<std::size_t>(node.nid.type())];
    counter = std::max(counter, node.nid.index());
}

void PstNodeDatabase::deleteNode(Nid nid) {
    checkOpen("deleteNode");
    const auto it = nodes_.find(nid.value);
    if (it == nodes_.end()) {
        throw PstError("deleteNode: NID " + hex(nid.value) + " is not in the NBT");
    }
    const NodeEntry old = it->second;
    nodes_.erase(it);
    if (!old.data.isNull()) {
        blocks_.release(old.data);
    }
    if (!old.subnodes.isNull()) {
        blocks_.release(old.subnodes);
    }
}

std::optional<NodeEntry> PstNodeDatabase::findNode(Nid nid) const {
    const auto it = nodes_.find(nid.value);
    if (it == nodes_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void PstNodeDatabase::commit() {
    checkOpen("commit");
    writeCommit();
}

void PstNodeDatabase::close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    alive_.reset();
    blocks_.discardOrphans();
    writeCommit();
}

void PstNodeDatabase::abandon() {
    closed_ = true;
    alive_.reset();
}

void PstNodeDatabase::writeCommit() {
    PageWriter pages(file_, space_, nextPageBid_);
    // Blocks no node reaches yet are not part of this state: left out of the BBT and shown
    // free in its maps (they stay allocated in memory for the writes under way).
    auto unlinked = blocks_.unlinkedBlocks();
    std::sort(unlinked.begin(), unlinked.end(),
              [](const BlockRecord& a, const BlockRecord& b) { return a.bid < b.bid; });
    auto nextUnlinked = unlinked.begin();

    BTreeBuilder bbt(pages, disk::value::kPageBbt, disk::value::kBbtLeafMax,
                     sizeof(disk::BbtEntry));
    blocks_.table().forEach([&](const BlockRecord& r) {
        if (nextUnlinked != unlinked.end() && nextUnlinked->bid == r.bid) {
            ++nextUnlinked;
            return;
        }
        const disk::BbtEntry e{{r.bid.value, r.ib.value}, r.cb, r.refs, 0};
        bbt.add(r.bid.value, disk::toBytes(e));
    });
    BTreeBuilder nbt(pages, disk::value::kPageNbt, disk::value::kNbtLeafMax,
                     sizeof(disk::NbtEntry));
    for (const auto& [key, n] : nodes_) {
        const disk::NbtEntry e{n.nid.value, n.data.value, n.subnodes.value, n.parent.value, 0};
        nbt.add(key, disk::toBytes(e));
    }
    const CommitRoots roots{nbt.finish(), bbt.finish()};

    // Everything this commit points at is placed; what only the last commit used is free now.
    for (std::uint64_t ib : committedPages_) {
        space_.release(ib, layout::kPageSize);
    }
    committedPages_ = pages.placed();
    blocks_.reclaimHeldSpace();

    SpaceAllocator committed = space_;
    for (const BlockRecord& r : unlinked) {
        committed.release(r.ib.value, layout::blockSpan(r.cb));
    }
    MapWriter maps(pages, committed);
    maps.writeMaps();
    maps.writeDList(nextPageBid_);
    file_.resize(space_.fileEnd());
    // Everything else reaches the disk before the header that makes it the file's state.
    file_.sync();
    writeHeader(roots, committed.freeBytes());
    file_.sync();
    blocks_.markCommitted();
}

void PstNodeDatabase::writeHeader(const CommitRoots& roots, std::uint64_t freeBytes) {
    namespace v = disk::value;
    disk::Header h;
    h.dwMagic = v::kMagic;
    h.wMagicClient = v::kMagicClientPst;
    h.wVer = v::kVerUnicode;
    h.wVerClient = v::kVerClient;
    h.bPlatformCreate = v::kPlatform;
    h.bPlatformAccess = v::kPlatform;
    h.bidNextP = nextPageBid_;
    h.dwUnique = ++dwUnique_;
    for (std::size_t i = 0; i < rgnid_.size(); ++i) {
        h.rgnid[i] = rgnid_[i];
    }
    h.root.ibFileEof = space_.fileEnd();
    h.root.ibAMapLast = layout::sectionStart(space_.sectionCount() - 1);
    h.root.cbAMapFree = freeBytes;
    h.root.cbPMapFree = 0;
    h.root.brefNbt = roots.nbt;
    h.root.brefBbt = roots.bbt;
    h.root.fAMapValid = v::kAMapValid2;
    std::fill(std::begin(h.rgbFM), std::end(h.rgbFM), 0xFF);
    std::fill(std::begin(h.rgbFP), std::end(h.rgbFP), 0xFF);
    h.bSentinel = v::kSentinel;
    h.bCryptMethod = blocks_.permute() ? v::kCryptPermute : v::kCryptNone;
    h.bidNextB = blocks_.nextBid();

    auto bytes = disk::toBytes(h);
    const auto crcPartial =
        computeCrc(std::span(bytes).subspan(disk::kHeaderCrcStart, disk::kHeaderCrcPartialSize));
    LeWriter(std::span(bytes).subspan(4, 4)).u32(crcPartial);
    const auto crcFull =
        computeCrc(std::span(bytes).subspan(disk::kHeaderCrcStart, disk::kHeaderCrcFullSize));
    LeWriter(std::span(bytes).subspan(0x20C, 4)).u32(crcFull);
    file_.write(layout::kHeaderOffset, bytes);
}

}  // namespace tolvane::pst::ndb
