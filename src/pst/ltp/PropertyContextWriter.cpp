#include "pst/ltp/PropertyContextWriter.h"

#include <algorithm>
#include <cstddef>

#include "pst/ltp/BthWriter.h"
#include "pst/ltp/DiskCodec.h"
#include "pst/ltp/ValueEncoding.h"

namespace tolvane::pst::ltp {

namespace {
using disk::value::kMaxHeapItem;
constexpr BthShape kPcShape{sizeof(disk::PcBthRecord::wPropId),
                            sizeof(disk::PcBthRecord) - sizeof(disk::PcBthRecord::wPropId)};
}  // namespace

void PropertyContextWriter::set(std::uint16_t id, const mapi::PropValue& value) {
    props_.emplace_back(id, Entry{&value});
}

void PropertyContextWriter::setOwned(std::uint16_t id, mapi::PropValue value) {
    owned_.push_back(std::move(value));
    set(id, owned_.back());
}

void PropertyContextWriter::setObject(std::uint16_t id, ndb::Nid nid, std::uint32_t size) {
    props_.emplace_back(id, Entry{Object{nid, size}});
}

void PropertyContextWriter::setNodeSize(std::uint16_t id,
                                        std::function<std::int32_t(std::uint64_t)> size) {
    sizeOfNode_ = std::move(size);
    props_.emplace_back(id, Entry{NodeSize{}});
}

void PropertyContextWriter::settle() {
    std::stable_sort(props_.begin(), props_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < props_.size(); ++i) {
        if (i + 1 < props_.size() && props_[i + 1].first == props_[i].first) {
            continue;  // set again later
        }
        if (kept != i) {
            props_[kept] = std::move(props_[i]);
        }
        ++kept;
    }
    props_.erase(props_.begin() + static_cast<std::ptrdiff_t>(kept), props_.end());
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

NodeContent PropertyContextWriter::write() {
    settle();
    const Hid header = reserveBthHeader(heap_);
    heap_.setUserRoot(header);
    Hid firstLeaf;
    if (!props_.empty() && props_.size() <= kPcShape.leafCapacity()) {
        firstLeaf = heap_.reserve(props_.size() * kPcShape.recordSize());
    }
    std::vector<std::uint8_t> records(props_.size() * sizeof(disk::PcBthRecord));
    bool hasNodeSize = false;
    std::size_t sizeRecord = 0;
    std::size_t i = 0;
    for (const auto& [id, entry] : props_) {
        disk::PcBthRecord record{id, 0, 0};
        if (const auto* object = std::get_if<Object>(&entry)) {
            record.wPropType = static_cast<std::uint16_t>(mapi::PropType::Object);
            std::vector<std::uint8_t> bytes(sizeof(disk::ObjectValue));
            disk::writeAt(bytes, disk::ObjectValue{object->nid.value, object->size});
            record.dwValueHnid = heap_.allocate(bytes).value;
        } else if (std::holds_alternative<NodeSize>(entry)) {
            record.wPropType = static_cast<std::uint16_t>(mapi::PropType::Int32);
            hasNodeSize = true;  // filled in once the sizes are known
            sizeRecord = i;
        } else {
            const mapi::PropValue& value = *std::get<const mapi::PropValue*>(entry);
            record.wPropType = static_cast<std::uint16_t>(value.type());
            record.dwValueHnid = place(value);
        }
        disk::writeAt(std::span(records).subspan(i * sizeof record), record);
        ++i;
    }
    const std::vector<Hid> leaves = writeBth(heap_, header, kPcShape, records, firstLeaf);
    const std::uint64_t heapBytes = heap_.totalSize();
    if (hasNodeSize) {
        // An inline value: the sizes do not change with it.
        const std::size_t perLeaf = kPcShape.leafCapacity();
        const std::int32_t value = sizeOfNode_(heapBytes + subnodes_.externalBytes());
        ndb::le::put32(heap_.item(leaves.at(sizeRecord / perLeaf)),
                       sizeRecord % perLeaf * sizeof(disk::PcBthRecord) +
                           offsetof(disk::PcBthRecord, dwValueHnid),
                       static_cast<std::uint32_t>(value));
    }
    return subnodes_.finish(subnodes_.db().writeBlocks(heap_.finish()), heapBytes);
}

}  // namespace tolvane::pst::ltp
