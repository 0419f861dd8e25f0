#include "pst/ndb/PstNodeDatabase.h"

#include <algorithm>
#include <string>
#include <tuple>

#include "pst/Hex.h"
#include "pst/PstError.h"
#include "pst/ndb/BlockDataStream.h"
#include "pst/ndb/DataTreeBuilder.h"
#include "pst/ndb/DiskCodec.h"
#include "pst/ndb/Layout.h"
#include "pst/ndb/MapWriter.h"
#include "pst/ndb/PageWriter.h"
#include "pst/ndb/SubnodeTreeWriter.h"

namespace tolvane::pst::ndb {
namespace {

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

constexpr std::uint64_t kMaxGrowthSections = 256;  // 62 MiB
constexpr std::uint64_t kReserveFloor = 64 * 1024;

NodeEntry toEntry(const NodeRecord& r) {
    return {r.nid, r.data, r.subnodes, r.parent};
}

}  // namespace

std::unique_ptr<NodeDatabase> NodeDatabase::create(const std::filesystem::path& path,
                                                   FileSystem& files) {
    return std::make_unique<PstNodeDatabase>(path, files);
}

PstNodeDatabase::PstNodeDatabase(const std::filesystem::path& path, FileSystem& files)
    : file_(path, files),
      space_(),
      blocks_(file_, space_, /*permute=*/true),
      rgnid_(initialNidCounters()),
      alive_(std::make_shared<int>(0)) {
    space_.setGrow([this](std::uint64_t bytes) { grow(bytes); });
    // Real space from the start: a hole the first section left would be a write that can
    // still find the disk full.
    file_.extend(0, space_.fileEnd());
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
    if (rgnid_[t] >= Nid::kMaxIndex) {
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

Bid PstNodeDatabase::writeBlock(std::span<const std::uint8_t> data) {
    checkOpen("writeBlock");
    return blocks_.writeExternal(data);
}

Bid PstNodeDatabase::writeIndexBlock(std::uint8_t level, std::span<const Bid> children,
                                     std::uint64_t totalBytes) {
    checkOpen("writeIndexBlock");
    if (level < 1 || level > 2 || children.empty() || children.size() > disk::value::kXBlockMax ||
        totalBytes > UINT32_MAX) {
        throw PstError("writeIndexBlock: no XBLOCK of level " + std::to_string(level) + " over " +
                       std::to_string(children.size()) + " blocks of " +
                       std::to_string(totalBytes) + " bytes ([MS-PST] 2.2.2.8.3.2)");
    }
    for (Bid child : children) {
        if (blocks_.table().find(child) == nullptr || child.isInternal() != (level == 2)) {
            throw PstError("writeIndexBlock: " + hex(child.value) +
                           " is not a suitable child block of this file");
        }
    }
    return writeXBlock(blocks_, level, children, totalBytes);
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
    const NodeRecord record{node.nid, node.parent, node.data, node.subnodes};
    if (NodeRecord* old = nodes_.modify(node.nid.value)) {
        const NodeRecord previous = *old;
        *old = record;
        // Released after the new references are taken, so re-setting the same blocks is safe.
        if (!previous.data.isNull()) {
            blocks_.release(previous.data);
        }
        if (!previous.subnodes.isNull()) {
            blocks_.release(previous.subnodes);
        }
    } else {
        nodes_.insert(record);
    }
    // A node set under an index above its type's counter raises the counter, so rgnid never
    // falls behind the NIDs in use ([MS-PST] 2.6.1.2.1).
    auto& counter = rgnid_[static_cast<std::size_t>(node.nid.type())];
    counter = std::max(counter, node.nid.index());
}

void PstNodeDatabase::deleteNode(Nid nid) {
    checkOpen("deleteNode");
    const NodeRecord* found = nodes_.find(nid.value);
    if (found == nullptr) {
        throw PstError("deleteNode: NID " + hex(nid.value) + " is not in the NBT");
    }
    const NodeRecord old = *found;
    nodes_.erase(nid.value);
    if (!old.data.isNull()) {
        blocks_.release(old.data);
    }
    if (!old.subnodes.isNull()) {
        blocks_.release(old.subnodes);
    }
}

std::optional<NodeEntry> PstNodeDatabase::findNode(Nid nid) const {
    const NodeRecord* found = nodes_.find(nid.value);
    if (found == nullptr) {
        return std::nullopt;
    }
    return toEntry(*found);
}

void PstNodeDatabase::prepareCommit() {
    checkOpen("prepareCommit");
    if (!preparing_) {
        preparing_ = true;
        commitStartBytes_ = blocks_.bytesWritten();
        space_.openReserve(true);
    }
}

void PstNodeDatabase::setCommitReserve(std::uint64_t bytes) {
    commitReserve_ = bytes;
    updateReserve();
}

void PstNodeDatabase::updateReserve() {
    space_.setReserve(kReserveFloor + commitReserve_ + 2 * lastCommitBytes_);
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
    trimEmptySections();
}

void PstNodeDatabase::putBackCommittedHeader() {
    if (!hasCommitted_) {
        return;
    }
    try {
        writeHeader(committed_, true);
        file_.sync();
    } catch (const PstWriteError&) {
        // The first failure is the one to report; the header left says the maps are rebuilt.
    }
}

void PstNodeDatabase::changeState(const State& window, const std::function<void()>& beforeMaps,
                                  const std::function<State()>& rewriteMaps) {
    if (hasCommitted_) {
        writeHeader(window, false);
    }
    try {
        file_.sync();
        if (beforeMaps) {
            beforeMaps();
        }
    } catch (const PstWriteError&) {
        putBackCommittedHeader();  // no map has changed yet
        throw;
    }
    // Inside the window only map pages are written, in place, into space the file has: no
    // write there can find the disk full. One that fails all the same (EIO) leaves the
    // window's header.
    const State next = rewriteMaps();
    file_.sync();
    writeHeader(next, true);
    file_.flush();  // the header is in the file before it counts
    committed_ = next;
}

void PstNodeDatabase::trimEmptySections() {
    const std::uint64_t keep = space_.sectionCount() - space_.emptySectionsAtEnd();
    if (keep == space_.sectionCount()) {
        return;
    }
    // Growth steps leave sections nothing uses at the end: they go, under a header that names
    // the shorter file with its maps to rebuild, so the file may be either length meanwhile.
    State shorter = committed_;
    shorter.fileEnd = layout::sectionStart(keep);
    changeState(
        shorter, [&] { file_.truncate(shorter.fileEnd); },
        [&] {
            space_.removeSections(space_.sectionCount() - keep);
            maps_.dropSections(keep);
            PageWriter pages(file_, space_, nextPageBid_);
            maps_.writeLastFMap(pages);
            maps_.writeDList(pages, nextPageBid_);
            State next = shorter;
            next.freeBytes = maps_.freeBytes();
            return next;
        });
    file_.sync();
}

void PstNodeDatabase::abandon() {
    closed_ = true;
    alive_.reset();
}

void PstNodeDatabase::grow(std::uint64_t bytes) {
    const std::uint64_t sections = space_.sectionCount();
    const std::uint64_t wanted =
        std::max<std::uint64_t>((bytes + layout::kSectionSize - 1) / layout::kSectionSize,
                                std::min(sections / 8, kMaxGrowthSections));
    const std::uint64_t oldEnd = space_.fileEnd();
    const std::uint64_t newEnd = oldEnd + wanted * layout::kSectionSize;
    if (!hasCommitted_) {
        file_.extend(oldEnd, newEnd);  // no store on disk yet: nothing to keep whole
        space_.addSections(wanted);
        return;
    }
    // Blocks written so far go to space the file has; a failure there is outside the window.
    file_.flush();
    // The file changes size under a header that says its maps are being rebuilt.
    changeState(
        committed_,
        [&] {
            try {
                file_.extend(oldEnd, newEnd);
            } catch (const PstWriteError& e) {
                // The file is its old size again and no map was touched.
                throw GrowthRefused(e.cause(), e.systemError(), e.what());
            }
        },
        [&] {
            space_.addSections(wanted);
            // The new sections hold nothing of the committed state; the next commit maps them.
            PageWriter pages(file_, space_, nextPageBid_);
            maps_.writeNewSections(pages, sections, wanted);
            maps_.writeDList(pages, nextPageBid_);
            State next = committed_;
            next.fileEnd = newEnd;
            next.freeBytes = maps_.freeBytes();
            return next;
        });
    // The header is with the system, so a killed process leaves it; on disk with the next sync
    // (until then a power cut leaves the window's header: maps for a reader to rebuild).
}

void PstNodeDatabase::writeCommit() {
    space_.openReserve(true);
    if (!preparing_) {
        commitStartBytes_ = blocks_.bytesWritten();
    }
    preparing_ = false;
    const std::uint64_t pagesBefore = nextPageBid_;
    PageWriter pages(file_, space_, nextPageBid_);
    // Blocks no node reaches yet are not part of this state: left out of the BBT and shown
    // free in its maps (they stay allocated in memory for the writes under way).
    const auto unlinked = blocks_.unlinkedBlocks();
    State next;
    {
        auto& bbt = blocks_.table().tree();
        for (const BlockRecord& r : unlinked) {
            bbt.erase(r.bid.value);
        }
        // Back in the table even when a page cannot be written: a later commit tries again.
        struct Relink {
            CowBTree<BbtTraits>& bbt;
            const std::vector<BlockRecord>& unlinked;
            ~Relink() {
                for (const BlockRecord& r : unlinked) {
                    bbt.insert(r);
                }
            }
        } relink{bbt, unlinked};
        next.bbt = bbt.commit(pages, replacedPages_);
    }
    next.nbt = nodes_.commit(pages, replacedPages_);

    // Everything the new state uses goes to the system before the window opens, so a write
    // that fails leaves the last commit as it was; one sync then covers it and the header.
    file_.flush();
    std::vector<FreeRange> alsoFree;
    changeState(committed_, {}, [&] {
        // What only the old state used is free in the new one.
        for (std::uint64_t ib : replacedPages_) {
            space_.release(ib, layout::kPageSize);
        }
        replacedPages_.clear();
        blocks_.reclaimHeldSpace();
        for (const BlockRecord& r : unlinked) {
            alsoFree.push_back({r.ib.value, layout::blockSpan(r.cb)});
        }
        std::sort(alsoFree.begin(), alsoFree.end(),
                  [](const FreeRange& a, const FreeRange& b) { return a.offset < b.offset; });
        maps_.writeSections(pages, space_, space_.takeChangedSections(), alsoFree);
        maps_.writeDList(pages, nextPageBid_);
        next.fileEnd = space_.fileEnd();
        next.freeBytes = maps_.freeBytes();
        return next;
    });
    const bool first = !hasCommitted_;
    if (first) {
        // The whole first state is on disk before the file takes its name: no reader ever
        // finds it without a header, or with less than the layer above wrote.
        file_.sync();
        file_.publish();
    }
    hasCommitted_ = true;
    ++commitsWritten_;
    if (!first) {
        file_.sync();
    }
    blocks_.markCommitted();
    // The B-tree pages this state wrote are in the file now: memory need not hold them all,
    // which would grow with every message the file takes.
    const auto readPage = [this](std::uint64_t ib, PageBytes& page) { file_.read(ib, page); };
    blocks_.table().tree().dropCleanPages(readPage);
    nodes_.dropCleanPages(readPage);
    // Unlinked blocks are mapped again once a commit reaches them.
    for (const FreeRange& r : alsoFree) {
        space_.markChanged(r.offset);
    }
    space_.openReserve(false);
    lastCommitBytes_ = blocks_.bytesWritten() - commitStartBytes_ +
                       (nextPageBid_ - pagesBefore) * layout::kPageSize;
    updateReserve();
}

void PstNodeDatabase::writeHeader(const State& state, bool mapsValid) {
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
    h.root.ibFileEof = state.fileEnd;
    h.root.ibAMapLast = state.fileEnd - layout::kSectionSize;
    h.root.cbAMapFree = state.freeBytes;
    h.root.cbPMapFree = 0;
    h.root.brefNbt = state.nbt;
    h.root.brefBbt = state.bbt;
    h.root.fAMapValid = mapsValid ? v::kAMapValid2 : v::kAMapInvalid;
    std::fill(std::begin(h.rgbFM), std::end(h.rgbFM), 0xFF);
    std::fill(std::begin(h.rgbFP), std::end(h.rgbFP), 0xFF);
    h.bSentinel = v::kSentinel;
    h.bCryptMethod = blocks_.permute() ? v::kCryptPermute : v::kCryptNone;
    h.bidNextB = blocks_.nextBid();

    file_.write(layout::kHeaderOffset, disk::sealHeader(h));
}

}  // namespace tolvane::pst::ndb
