#pragma once

// The node database layer (NDB, [MS-PST] 2.2) of the writer: the file, its header, blocks,
// data and subnode trees, the node and block B-trees and the allocation maps. The LTP and
// messaging layers above see only this interface.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "pst/ndb/Ids.h"

namespace tolvane::pst::ndb {

// Most bytes one data block holds ([MS-PST] 2.2.2.8.3.1: 8192 less the 16-byte trailer).
inline constexpr std::size_t kMaxBlockData = 8176;

// One entry of a subnode tree (SLENTRY, [MS-PST] 2.2.2.8.3.3.1.1).
struct SubnodeEntry {
    Nid nid;
    Bid data;
    Bid subnodes;  // Bid{} for none
};

// A node as the NBT holds it (NBTENTRY, [MS-PST] 2.2.2.7.7.4).
struct NodeEntry {
    Nid nid;
    Bid data;
    Bid subnodes;
    Nid parent;
};

// Appends one large value block by block, so it never has to be held whole in memory.
class DataStream {
  public:
    virtual ~DataStream() = default;
    virtual void append(std::span<const std::uint8_t> bytes) = 0;
    virtual std::uint64_t size() const = 0;
    // Writes the XBLOCK/XXBLOCK tree over the blocks appended and returns the root BID.
    // An empty stream still yields one (empty) data block.
    virtual Bid finish() = 0;
};

class NodeDatabase {
  public:
    virtual ~NodeDatabase() = default;

    // Creates a new file; throws PstError naming the path if it exists or cannot be created.
    static std::unique_ptr<NodeDatabase> create(const std::filesystem::path& path);

    // A fresh node id of the given type, counted in the header's rgnid.
    virtual Nid allocateNid(NidType type) = 0;

    // Stores a node's data given block by block (each at most kMaxBlockData bytes, as a heap
    // on node needs it); several blocks go under an XBLOCK or XXBLOCK. Returns the root BID.
    // As in Outlook's files, every block but the last is stored full: a shorter one is padded
    // with zeros to kMaxBlockData (after a heap block's page map, where Outlook leaves unused
    // bytes too), so the tree's total counts the padding.
    virtual Bid writeBlocks(std::span<const std::vector<std::uint8_t>> blocks) = 0;
    // Stores a node's data cut into blocks of kMaxBlockData bytes.
    virtual Bid writeData(std::span<const std::uint8_t> bytes) = 0;
    virtual std::unique_ptr<DataStream> beginData() = 0;
    // Writes a subnode tree (SLBLOCK, or SIBLOCK over SLBLOCKs); entries in any order, NIDs
    // unique. No entries give Bid{} (no subnode tree), since an SLBLOCK holds at least one.
    virtual Bid writeSubnodes(std::span<const SubnodeEntry> entries) = 0;

    // Inserts or replaces a node of the NBT. Replacing releases the blocks the old entry held.
    // A NID above its type's rgnid counter raises the counter. Blocks written but never set
    // on a node (or in a tree that is) are freed at close.
    virtual void setNode(const NodeEntry& node) = 0;
    // Removes a node and releases its blocks, so their space is free again.
    virtual void deleteNode(Nid nid) = 0;
    virtual std::optional<NodeEntry> findNode(Nid nid) const = 0;

    // Writes the B-trees, the allocation maps and the header as they stand, so the file on disk
    // is valid from here until the next commit even if the process dies (it may then run past
    // the header's ibFileEof, into sections no structure uses); writing continues.
    // Space of blocks the last commit refers to is reused only after the next. create()
    // commits once, so a file whose writer dies is never without a valid header. A commit
    // rewrites both B-trees, so call it every few thousand nodes, not after each.
    virtual void commit() = 0;

    // Writes the B-trees, the allocation maps and the header; the file is valid afterwards.
    // Blocks that nothing refers to by then are freed first. Later calls do nothing; the
    // destructor closes a database that was not closed (after an exception, say).
    virtual void close() = 0;
    // Stops writing without another commit, after a write failed: the file keeps the state of
    // the last commit that completed. Later calls, close() included, do nothing.
    virtual void abandon() = 0;
};

}  // namespace tolvane::pst::ndb
