#include "pst/ndb/BlockTable.h"

#include <stdexcept>
#include <string>

#include "pst/Hex.h"
#include "pst/PstError.h"

namespace tolvane::pst::ndb {

void BlockTable::add(Bid bid, ByteIndex ib, std::uint16_t cb) {
    if (bid.value <= lastBid_) {
        throw std::logic_error("BlockTable: BID " + hex(bid.value) + " is not above the last BID " +
                               hex(lastBid_));
    }
    lastBid_ = bid.value;
    tree_.insert({bid, ib, cb, 1});
}

void BlockTable::addRef(Bid bid, const char* what) {
    BlockRecord* r = tree_.modify(bid.value);
    if (r == nullptr) {
        throw PstError(std::string(what) + " refers to BID " + hex(bid.value) +
                       ", which is not a block of this file");
    }
    if (r->refs == UINT16_MAX) {
        throw PstError(std::string(what) + ": BBTENTRY cRef of BID " + hex(bid.value) +
                       " would pass 65535");
    }
    ++r->refs;
}

std::uint16_t BlockTable::dropRef(Bid bid) {
    BlockRecord* r = tree_.modify(bid.value);
    if (r == nullptr || r->refs < 2) {
        throw std::logic_error("BlockTable: dropping a reference BID " + hex(bid.value) +
                               " does not hold");
    }
    return --r->refs;
}

void BlockTable::erase(Bid bid) {
    if (!tree_.erase(bid.value)) {
        throw std::logic_error("BlockTable: erasing unknown BID " + hex(bid.value));
    }
}

}  // namespace tolvane::pst::ndb
