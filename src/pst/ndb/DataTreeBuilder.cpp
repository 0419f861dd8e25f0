#include "pst/ndb/DataTreeBuilder.h"

#include <stdexcept>
#include <string>

#include "pst/PstError.h"
#include "pst/ndb/DiskCodec.h"
#include "pst/ndb/NodeDatabase.h"

namespace tolvane::pst::ndb {

using disk::value::kXBlockMax;

void DataTreeBuilder::addLeaf(Bid bid, std::uint32_t cb) {
    if (total_ + cb > UINT32_MAX) {
        throw PstError("data tree of " + std::to_string(total_ + cb) +
                       " bytes exceeds the 4 GiB an XXBLOCK lcbTotal can hold "
                       "([MS-PST] 2.2.2.8.3.2.2)");
    }
    if (leaves_.size() == kXBlockMax) {
        if (xblocks_.size() == kXBlockMax) {
            throw PstError("data tree needs more than 1021 XBLOCKs ([MS-PST] 2.2.2.8.3.2.2)");
        }
        xblocks_.push_back(writeXBlock(blocks_, 1, leaves_, leafBytes_));
        leaves_.clear();
        leafBytes_ = 0;
    }
    leaves_.push_back(bid);
    leafBytes_ += cb;
    total_ += cb;
}

Bid DataTreeBuilder::finish() {
    if (leaves_.empty()) {
        throw std::logic_error("DataTreeBuilder: a data tree needs at least one block");
    }
    if (xblocks_.empty()) {
        return leaves_.size() == 1 ? leaves_.front() : writeXBlock(blocks_, 1, leaves_, leafBytes_);
    }
    xblocks_.push_back(writeXBlock(blocks_, 1, leaves_, leafBytes_));
    return writeXBlock(blocks_, 2, xblocks_, total_);
}

Bid writeXBlock(BlockStore& blocks, std::uint8_t level, std::span<const Bid> children,
                std::uint64_t bytes) {
    std::vector<std::uint8_t> data(sizeof(disk::XBlockHeader) + 8 * children.size());
    LeWriter w(data);
    disk::XBlockHeader head;
    head.btype = disk::value::kBtypeXBlock;
    head.cLevel = level;
    head.cEnt = static_cast<std::uint16_t>(children.size());
    head.lcbTotal = static_cast<std::uint32_t>(bytes);
    write(w, head);
    for (Bid child : children) {
        w.u64(child.value);
    }
    const Bid bid = blocks.writeInternal(data);
    for (Bid child : children) {
        blocks.addRef(child, level == 1 ? "XBLOCK" : "XXBLOCK");
    }
    return bid;
}

}  // namespace tolvane::pst::ndb
