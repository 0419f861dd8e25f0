#include "pst/ltp/SubnodeSet.h"

#include "pst/PstError.h"

namespace tolvane::pst::ltp {

ndb::Nid SubnodeSet::allocate(ndb::NidType type) {
    const ndb::Nid nid = ndb::Nid::make(type, lastIndex_ + 1);
    ++lastIndex_;
    return nid;
}

void SubnodeSet::add(ndb::Nid nid, const NodeContent& content) {
    entries_.push_back({nid, content.data, content.subnodes});
    externalBytes_ += content.externalBytes;
}

ndb::Nid SubnodeSet::addData(std::span<const std::uint8_t> bytes) {
    const ndb::Nid nid = allocate(ndb::NidType::Ltp);
    add(nid, {db_.writeData(bytes), {}, bytes.size()});
    return nid;
}

ndb::Nid SubnodeSet::addStream(const mapi::ByteSource& source) {
    auto stream = db_.beginData();
    auto reader = source.open();
    std::vector<std::uint8_t> chunk(ndb::kMaxBlockData * 8);
    while (const std::size_t n = reader->read(chunk)) {
        stream->append(std::span<const std::uint8_t>(chunk).first(n));
    }
    if (stream->size() != source.size()) {
        throw PstError("attachment stream gave " + std::to_string(stream->size()) +
                       " bytes, its size says " + std::to_string(source.size()));
    }
    const std::uint64_t size = stream->size();
    const ndb::Nid nid = allocate(ndb::NidType::Ltp);
    add(nid, {stream->finish(), {}, size});
    return nid;
}

NodeContent SubnodeSet::finish(ndb::Bid data, std::uint64_t dataBytes) {
    NodeContent content{data, {}, dataBytes + externalBytes_};
    if (!entries_.empty()) {
        content.subnodes = db_.writeSubnodes(entries_);
    }
    entries_.clear();
    externalBytes_ = 0;
    return content;
}

}  // namespace tolvane::pst::ltp
