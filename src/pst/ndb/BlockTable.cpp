#include "pst/ndb/BlockTable.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "pst/PstError.h"

namespace tolvane::pst::ndb {
namespace {
std::string hex(std::uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
    return buf;
}
}  // namespace

void BlockTable::add(Bid bid, ByteIndex ib, std::uint16_t cb) {
    if (!records_.empty() && records_.back().bid >= bid) {
        throw std::logic_error("BlockTable: BID " + hex(bid.value) + " is not above the last BID " +
                               hex(records_.back().bid.value));
    }
    records_.push_back({bid, ib, cb, 1});
    ++live_;
}

const BlockRecord* BlockTable::find(Bid bid) const {
    return const_cast<BlockTable*>(this)->lookup(bid);
}

BlockRecord* BlockTable::lookup(Bid bid) {
    auto it = std::lower_bound(records_.begin(), records_.end(), bid,
                               [](const BlockRecord& r, Bid b) { return r.bid < b; });
    if (it == records_.end() || it->bid != bid || it->refs == 0) {
        return nullptr;
    }
    return &*it;
}

void BlockTable::addRef(Bid bid, const char* what) {
    BlockRecord* r = lookup(bid);
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
    BlockRecord* r = lookup(bid);
    if (r == nullptr || r->refs < 2) {
        throw std::logic_error("BlockTable: dropping a reference BID " + hex(bid.value) +
                               " does not hold");
    }
    return --r->refs;
}

void BlockTable::erase(Bid bid) {
    BlockRecord* r = lookup(bid);
    if (r == nullptr) {
        throw std::logic_error("BlockTable: erasing unknown BID " + hex(bid.value));
    }
    r->refs = 0;
    --live_;
    if (records_.size() > 1024 && live_ < records_.size() / 2) {
        compact();
    }
}

void BlockTable::compact() {
    std::erase_if(records_, [](const BlockRecord& r) { return r.refs == 0; });
}

}  // namespace tolvane::pst::ndb
