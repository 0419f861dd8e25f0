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
PstReader::PstReader(PstReader&&) noexcept = default;
PstReader& PstReader::operator=(PstReader&&) noexcept = default;

void PstReader::open(ReadOptions options) {
    s_ = std::make_unique<State>();
    const HeaderResult head = checkHeader(bytes_, s_->report);
    if (head.kind != FileKind::Unicode || !head.header) {
        throw ReadError("not a Unicode PST: " + problemText());
    }
    s_->header = *head.header;
    if (s_->header.cryptMethod == fmt::kCryptCyclic) {
        throw ReadError("NDB_CRYPT_CYCLIC data is not read here");
    }
    Allocations pages;
    try {
        s_->trees = walkBTrees(bytes_, s_->header, pages, s_->report);
    } catch (const Truncated& t) {
        throw ReadError(std::string("B-tree page too short: ") + t.what());
    }
    s_->store = std::make_unique<BlockStore>(bytes_, s_->header.cryptMethod, s_->trees, s_->report,
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
    const auto it = s_->trees.nbt.find(nid);
    if (it == s_->trees.nbt.end()) {
        throw ReadError("no node " + hex(nid) + " in the NBT");
    }
    return it->second;
}

std::uint64_t PstReader::amapFreeBytes() const {
    return pstcheck::amapFreeBytes(bytes_);
}

std::vector<std::uint8_t> PstReader::block(std::uint64_t bid) {
    return need(s_->store->block(bid, "reader"), "block " + hex(bid));
}

std::vector<std::uint8_t> PstReader::data(std::uint64_t bid) {
    if (bid == 0) {
        return {};
    }
    try {
        return need(s_->store->stream(bid, "reader"), "data tree " + hex(bid));
    } catch (const Truncated& t) {
        throw ReadError("data tree " + hex(bid) + ": " + t.what());
    }
}

std::vector<std::vector<std::uint8_t>> PstReader::dataBlocks(std::uint64_t bid) {
    return need(s_->store->leaves(bid, "reader"), "data tree " + hex(bid));
}

BlockStore::XBlock PstReader::xblock(std::uint64_t bid) {
    return need(s_->store->xblock(bid, "reader"), "XBLOCK " + hex(bid));
}

std::vector<SubnodeEntry> PstReader::subnodes(std::uint64_t bid) {
    std::vector<SubnodeEntry> out;
    if (bid == 0) {
        return out;
    }
    const std::size_t before = s_->report.problems().size();
    for (const auto& [nid, e] : s_->store->subnodes(bid, "reader")) {
        out.push_back(e);
    }
    if (out.empty() && s_->report.problems().size() != before) {
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
        return need(LtpNode::open(*s_->store, n.bidData, n.bidSub, where, s_->report), where)
            .heap();
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
        return need(PropertyContext::open(*s_->store, e.bidData, e.bidSub, where, s_->report),
                    where);
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
        return need(TableContext::open(*s_->store, e.bidData, e.bidSub, where, s_->report), where);
    } catch (const Truncated& t) {
        throw ReadError(where + ": " + t.what());
    }
}

std::map<std::uint32_t, Folder> PstReader::folders() {
    return readFolders(s_->trees, *s_->store, s_->report);
}

std::vector<NamedProperty> PstReader::namedProperties() {
    return pstcheck::namedProperties(properties(nid::kNameToIdMap));
}

CheckResult PstReader::check(const CheckOptions& options) const {
    return checkPst(bytes_, options);
}

std::string PstReader::problemText() const {
    std::string out;
    for (const Problem& p : s_->report.problems()) {
        out += format(p) + "\n";
    }
    return out;
}

}  // namespace tolvane::pstcheck
