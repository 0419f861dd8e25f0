#include "pst/ltp/PropertyContextWriter.h"

#include <string>

#include "pst/PstError.h"
#include "pst/ltp/BthWriter.h"
#include "pst/ltp/ValueEncoding.h"

namespace tolvane::pst::ltp {

namespace {
constexpr BthShape kPcShape{kPcKeySize, kPcDataSize};
}

void PropertyContextWriter::set(std::uint16_t id, const mapi::PropValue& value) {
    props_.insert_or_assign(id, Entry{&value});
}

void PropertyContextWriter::setOwned(std::uint16_t id, mapi::PropValue value) {
    owned_.push_back(std::move(value));
    set(id, owned_.back());
}

void PropertyContextWriter::setObject(std::uint16_t id, ndb::Nid nid, std::uint32_t size) {
    props_.insert_or_assign(id, Entry{Object{nid, size}});
}

// Where a value goes ([MS-PST] 2.3.3.3): up to 4 bytes inline, otherwise a heap item while it
// fits one, otherwise a subnode. Empty variable values are HNID 0, as Outlook writes them.
std::uint32_t PropertyContextWriter::place(const mapi::PropValue& value) {
    const std::size_t fixed = fixedSize(value.type());
    if (fixed != 0 && fixed <= 4) {
        const std::uint64_t mask = (std::uint64_t{1} << (8 * fixed)) - 1;
        return static_cast<std::uint32_t>(fixedBits(value) & mask);
    }
    if (value.isStream() && value.asStream()->size() > kMaxHeapItem) {
        return subnodes_.addStream(*value.asStream()).value;
    }
    // Binaries in memory are stored from where they are; everything else is encoded first.
    std::vector<std::uint8_t> encoded;
    std::span<const std::uint8_t> bytes;
    if (value.type() == mapi::PropType::Binary && !value.isStream()) {
        bytes = value.asBytes();
    } else {
        encoded = encodeValue(value);
        bytes = encoded;
    }
    if (bytes.empty()) {
        return 0;
    }
    if (bytes.size() <= kMaxHeapItem) {
        return heap_.allocate(bytes).value;
    }
    return subnodes_.addData(bytes).value;
}

std::uint64_t PropertyContextWriter::layout() {
    header_ = reserveBthHeader(heap_);
    heap_.setUserRoot(header_);
    if (!props_.empty() && props_.size() <= kPcShape.leafCapacity()) {
        leaf_ = heap_.reserve(props_.size() * kPcShape.recordSize());
    }
    records_.assign(props_.size() * kPcShape.recordSize(), 0);
    std::size_t i = 0;
    for (const auto& [id, entry] : props_) {
        const std::size_t at = i * kPcShape.recordSize();
        std::uint16_t type = 0;
        std::uint32_t hnid = 0;
        if (const auto* object = std::get_if<Object>(&entry)) {
            type = static_cast<std::uint16_t>(mapi::PropType::Object);
            std::vector<std::uint8_t> bytes(kObjectValueSize);
            ndb::le::put32(bytes, 0, object->nid.value);
            ndb::le::put32(bytes, 4, object->size);
            hnid = heap_.allocate(bytes).value;
        } else {
            const mapi::PropValue& value = *std::get<const mapi::PropValue*>(entry);
            type = static_cast<std::uint16_t>(value.type());
            hnid = place(value);
        }
        ndb::le::put16(records_, at, id);
        ndb::le::put16(records_, at + 2, type);
        ndb::le::put32(records_, at + 4, hnid);
        recordIndex_.insert(id);
        ++i;
    }
    writeBth(heap_, header_, kPcShape, records_, leaf_);
    return heap_.totalSize();
}

void PropertyContextWriter::patchInt32(std::uint16_t id, std::int32_t value) {
    const auto found = props_.find(id);
    const auto* entry =
        found == props_.end() ? nullptr : std::get_if<const mapi::PropValue*>(&found->second);
    if (!entry || fixedSize((*entry)->type()) != 4 || recordIndex_.count(id) == 0) {
        throw PstError("property context: no inline property 0x" + std::to_string(id) +
                       " to update");
    }
    // Walk down the BTH to the leaf that holds the id.
    auto header = heap_.item(header_);
    Hid node{ndb::le::get32(header, 4)};
    for (int level = header[3]; level > 0; --level) {
        auto index = heap_.item(node);
        std::size_t chosen = 0;
        for (std::size_t at = 0; at + 6 <= index.size(); at += 6) {
            if ((index[at] | index[at + 1] << 8) <= id) {
                chosen = at;
            }
        }
        node = Hid{ndb::le::get32(index, chosen + 2)};
    }
    auto leaf = heap_.item(node);
    for (std::size_t at = 0; at + kPcShape.recordSize() <= leaf.size();
         at += kPcShape.recordSize()) {
        if ((leaf[at] | leaf[at + 1] << 8) == id) {
            ndb::le::put32(leaf, at + 4, static_cast<std::uint32_t>(value));
            return;
        }
    }
    throw PstError("property context: BTH lost property 0x" + std::to_string(id));
}

}  // namespace tolvane::pst::ltp
