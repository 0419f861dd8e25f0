#pragma once

// The node database layer (NDB, [MS-PST] 2.2) of the writer: the file, its header, blocks,
// data and subnode trees, the node and block B-trees and the allocation maps. The layers above
// see only this interface; the LTP layer, which writes a node's content and never the node,
// only its BlockWriter part.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "pst/PstError.h"
#include "pst/ndb/BlockWriter.h"
#include "pst/ndb/FileIo.h"
#include "pst/ndb/Ids.h"

namespace tolvane::pst::ndb {

// A node as the NBT holds it (NBTENTRY, [MS-PST] 2.2.2.7.7.4).
struct NodeEntry {
    Nid nid;
    Bid data;
    Bid subnodes;
    Nid parent;
};

// The file could not grow (the disk or the file-size limit said no) and nothing was written:
// the file holds its last commit exactly and can still take a commit of what is written.
class GrowthRefused : public PstWriteError {
  public:
    using PstWriteError::PstWriteError;
};

class NodeDatabase : public BlockWriter {
  public:
    // Creates the file, under no name until the first commit gives it `path`: a process that
    // dies before leaves no file. Throws PstError naming the path if a file has that name or
    // none can be created.
    static std::unique_ptr<NodeDatabase> create(const std::filesystem::path& path,
                                                FileSystem& files = FileSystem::native());

    // A fresh node id of the given type, counted in the header's rgnid.
    virtual Nid allocateNid(NidType type) = 0;

    // Inserts or replaces a node of the NBT. Replacing releases the blocks the old entry held.
    // A NID above its type's rgnid counter raises the counter. Blocks written but never set
    // on a node (or in a tree that is) are freed at close.
    virtual void setNode(const NodeEntry& node) = 0;
    // Removes a node and releases its blocks, so their space is free again.
    virtual void deleteNode(Nid nid) = 0;
    virtual std::optional<NodeEntry> findNode(Nid nid) const = 0;

    // Makes the nodes as they stand the file's state. New blocks and pages only ever go into
    // space the last committed state does not use, and the file grows only through a header
    // that describes it, so between commits the file on disk is exactly the last commit. A
    // commit writes the B-tree pages that changed and syncs; then, in a window the header
    // marks with INVALID_AMAP ([MS-PST] 2.6.1.3.7), the allocation maps of the sections whose
    // use changed; then the new header, and syncs. Blocks no node reaches yet stay out of it.
    // The first commit gives the file its name (FileIo::publish), once all of it is on disk.
    virtual void commit() = 0;
    // The writes from here to commit() belong to the commit (tables of the layer above): they
    // may use the space held back for it, so the file need not grow to finish it.
    virtual void prepareCommit() = 0;
    // Bytes the layer above expects to write in its next commit; held back from other writes.
    virtual void setCommitReserve(std::uint64_t bytes) = 0;
    // Bytes of blocks written so far.
    virtual std::uint64_t bytesWritten() const = 0;
    // Commits whose header reached the file, even if the sync after it failed: what the file
    // now holds.
    virtual std::uint64_t commitsWritten() const = 0;

    // Writes the B-trees, the allocation maps and the header; the file is valid afterwards.
    // Blocks that nothing refers to by then are freed first. Later calls do nothing; the
    // destructor closes a database that was not closed (after an exception, say), and so
    // names a file that had no commit yet: abandon() first to leave none.
    virtual void close() = 0;
    // Stops writing without another commit, after a write failed: the file keeps the state of
    // the last commit that completed, and a file never committed goes without a name. Later
    // calls, close() included, do nothing.
    virtual void abandon() = 0;
};

}  // namespace tolvane::pst::ndb
