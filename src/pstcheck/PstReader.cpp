#include "pstcheck/PstReader.h"

#include "pstcheck/MappedFile.h"
#include "pstcheck/messaging/Ids.h"
#include "pstcheck/ndb/AllocationMaps.h"
#include "pstcheck/ndb/Allocations.h"
#include "pstcheck/ndb/Format.h"

namespace tolvane::pstcheck {

PstReader::PstReader(const std::filesystem::path& path, ReadOptions options) {
    try {
        file_ = std::make_unique<MappedFile>(path.string());
    } catch (const std::runtime_error& e) {
        throw ReadError(e.what());
    }
    bytes_ = file_->bytes();
    open(options);
}

PstReader::PstReader(Bytes image, ReadOptions options) : bytes_(image) {
    open(options);
}

PstReader::~PstReader() = default;

void PstReader::open(ReadOptions options) {
    const HeaderResult head = checkHeader(bytes_, report_);
    if (head.kind != FileKind::Unicode || !head.header) {
        throw ReadError("not a Unicode PST: " + problemText());
    }
    header_ = *head.header;
    if (header_.cryptMethod == fmt::kCryptCyclic) {
        throw ReadError("NDB_CRYPT_CYCLIC data is not read here");
    }
    Allocations pages;
    try {
        trees_ = walkBTrees(bytes_, header_, pages, report_);
    } catch (const Truncated& t) {
        throw ReadError(std::string("B-tree page too short: ") + t.what());
    }
    store_ = std::make_unique<BlockStore>(bytes_, header_.cryptMethod, trees_, report_,
                                          options.checkDataBlocks);
}

template <typename T>
T PstReader::need(std::optional<T> value, const std::string& what) const {
    if (!value) {
        throw ReadError("cannot read " + what + ":\n" + problemText());
    }
    return std::move(*value);
}

const NbtEntry& PstReader::node(std::uint32_t nid) const {
    const auto it = trees_.nbt.find(nid);
    if (it == trees_.nbt.end()) {
        throw ReadError("no node " + hex(nid) + " in the NBT");
    }
    return it->second;
}

std::uint64_t PstReader::amapFreeBytes() const {
    return pstcheck::amapFreeBytes(bytes_);
}

std::vector<std::uint8_t> PstReader::block(std::uint64_t bid) {
    return need(store_->block(bid, "reader"), "block " + hex(bid));
}

std::vector<std::uint8_t> PstReader::data(std::uint64_t bid) {
    if (bid == 0) {
        return {};
    }
    try {
        return need(store_->stream(bid, "reader"), "data tree " + hex(bid));
    } catch (const Truncated& t) {
        throw ReadError("data tree " + hex(bid) + ": " + t.what());
    }
}

std::vector<std::vector<std::uint8_t>> PstReader::dataBlocks(std::uint64_t bid) {
    return need(store_->leaves(bid, "reader"), "data tree " + hex(bid));
}

BlockStore::XBlock PstReader::xblock(std::uint64_t bid) {
    return need(store_->xblock(bid, "reader"), "XBLOCK " + hex(bid));
}

std::vector<SubnodeEntry> PstReader::subnodes(std::uint64_t bid) {
    std::vector<SubnodeEntry> out;
    if (bid == 0) {
        return out;
    }
    const std::size_t before = report_.problems().size();
    for (const auto& [nid, e] : store_->subnodes(bid, "reader")) {
        out.push_back(e);
    }
    if (out.empty() && report_.problems().size() != before) {
        throw ReadError("cannot read subnode tree " + hex(bid) + ":\n" + problemText());
    }
    return out;
}

std::vector<std::uint8_t> PstReader::nodeData(std::uint32_t nid) {
    return data(node(nid).bidData);
}

Heap PstReader::heap(std::uint32_t nid) {
    const NbtEntry& n = node(nid);
    const std::string where = "nid " + hex(nid);
    try {
        return need(LtpNode::open(*store_, n.bidData, n.bidSub, where, report_), where).heap();
    } catch (const Truncated& t) {
        throw ReadError(where + ": " + t.what());
    }
}

PropertyContext PstReader::properties(std::uint32_t nid) {
    const NbtEntry& n = node(nid);
    return properties(SubnodeEntry{nid, n.bidData, n.bidSub});
}

PropertyContext PstReader::properties(const SubnodeEntry& e) {
    const std::string where = "property context " + hex(e.nid);
    try {
        return need(PropertyContext::open(*store_, e.bidData, e.bidSub, where, report_), where);
    } catch (const Truncated& t) {
        throw ReadError(where + ": " + t.what());
    }
}

TableContext PstReader::table(std::uint32_t nid) {
    const NbtEntry& n = node(nid);
    return table(SubnodeEntry{nid, n.bidData, n.bidSub});
}

TableContext PstReader::table(const SubnodeEntry& e) {
    const std::string where = "table context " + hex(e.nid);
    try {
        return need(TableContext::open(*store_, e.bidData, e.bidSub, where, report_), where);
    } catch (const Truncated& t) {
        throw ReadError(where + ": " + t.what());
    }
}

std::map<std::uint32_t, Folder> PstReader::folders() {
    return readFolders(trees_, *store_, report_);
}

std::vector<NamedProperty> PstReader::namedProperties() {
    return pstcheck::namedProperties(properties(nid::kNameToIdMap));
}

CheckResult PstReader::check(const CheckOptions& options) const {
    return checkPst(bytes_, options);
}

std::string PstReader::problemText() const {
    std::string out;
    for (const Problem& p : report_.problems()) {
        out += format(p) + "\n";
    }
    return out;
}

}  // namespace tolvane::pstcheck
