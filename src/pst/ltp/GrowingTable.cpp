#include "pst/ltp/GrowingTable.h"

#include <algorithm>
#include <string>

#include "mapi/Tags.h"
#include "pst/PstError.h"
#include "pst/ltp/BthWriter.h"
#include "pst/ltp/ValueEncoding.h"

namespace tolvane::pst::ltp {

namespace {

constexpr BthShape kRowIndexShape{kRowIndexKeySize, kRowIndexDataSize};
constexpr std::size_t kRecord = kRowIndexKeySize + kRowIndexDataSize;
constexpr std::size_t kIndexRecord = kRowIndexKeySize + 4;

void setBit(std::span<std::uint8_t> ceb, std::uint8_t bit) {
    ceb[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
}

}  // namespace

GrowingTable::GrowingTable(ndb::NodeDatabase& db, TableLayout layout)
    : db_(db), layout_(std::move(layout)), heap_(kClientSigTc) {
    // Outlook's order: RowIndex header, then TCINFO, both in block 0 for good.
    indexHeader_ = heap_.allocate(std::vector<std::uint8_t>(BthHeader::kSize));
    info_ = heap_.allocate(
        std::vector<std::uint8_t>(TcInfo::kFixedSize + TColumn::kSize * layout_.columns().size()));
    heap_.setUserRoot(info_);
}

void GrowingTable::add(std::uint32_t rowId, std::uint32_t rowVersion, std::span<const Cell> cells) {
    if (rows_ > 0 && rowId <= lastRowId_) {
        throw PstError("table: row id " + std::to_string(rowId) + " does not follow " +
                       std::to_string(lastRowId_));
    }
    std::vector<std::uint8_t> image(layout_.rowSize());
    auto ceb = std::span(image).subspan(layout_.cebOffset());
    ndb::le::put32(image, 0, rowId);
    ndb::le::put32(image, 4, rowVersion);
    setBit(ceb, 0);
    setBit(ceb, 1);
    std::vector<std::pair<const TColumn*, std::vector<std::uint8_t>>> variable;
    for (const Cell& cell : cells) {
        const TColumn* column = layout_.find(cell.tag);
        if (!column || cell.tag == mapi::tag::kLtpRowId || cell.tag == mapi::tag::kLtpRowVer ||
            cell.value->type() != cell.tag.type || cell.value->type() == mapi::PropType::Object) {
            continue;
        }
        if (isInlineCell(cell.value->type())) {
            const std::uint64_t bits = fixedBits(*cell.value);
            for (std::size_t i = 0; i < column->cbData; ++i) {
                image[column->ibData + i] = static_cast<std::uint8_t>(bits >> (8 * i));
            }
        } else {
            variable.emplace_back(column, encodeValue(*cell.value));
        }
        setBit(ceb, column->iBit);
    }
    // Large cells first: the only writes here, before anything of this table changes.
    std::vector<ndb::SubnodeEntry> large;
    for (const auto& [column, bytes] : variable) {
        if (bytes.size() > kMaxHeapItem) {
            const ndb::Nid nid = ndb::Nid::make(
                ndb::NidType::Ltp, nextSubnode_ + 1 + static_cast<std::uint32_t>(large.size()));
            large.push_back({nid, db_.writeData(bytes), {}});
            ndb::le::put32(image, column->ibData, nid.value);
        }
    }
    nextSubnode_ += static_cast<std::uint32_t>(large.size());
    subnodes_.insert(subnodes_.end(), large.begin(), large.end());
    for (const auto& [column, bytes] : variable) {
        if (!bytes.empty() && bytes.size() <= kMaxHeapItem) {
            ndb::le::put32(image, column->ibData, heap_.allocate(bytes).value);
        }
    }
    const std::size_t at = lastLeaf_.size();
    lastLeaf_.resize(at + kRecord);
    ndb::le::put32(lastLeaf_, at, rowId);
    ndb::le::put32(lastLeaf_, at + 4, static_cast<std::uint32_t>(rows_));
    closeLeafIfFull();
    appendMatrixRow(image);
    lastRowId_ = rowId;
    ++rows_;
}

void GrowingTable::closeLeafIfFull() {
    if (lastLeaf_.size() / kRecord < kRowIndexShape.leafCapacity()) {
        return;
    }
    fullLeaves_.emplace_back(ndb::le::get32(lastLeaf_, 0), heap_.allocate(lastLeaf_));
    lastLeaf_.clear();
}

void GrowingTable::appendMatrixRow(std::span<const std::uint8_t> image) {
    matrixTail_.insert(matrixTail_.end(), image.begin(), image.end());
    if (matrixNid_.value == 0 && matrixTail_.size() <= kMaxHeapItem) {
        return;  // still one heap item
    }
    if (matrixNid_.value == 0) {
        matrixNid_ = ndb::Nid::make(ndb::NidType::Ltp, ++nextSubnode_);
    }
    // Whole rows per block, every block but the last padded to the full size ([MS-PST] 2.3.4.4).
    const std::size_t perBlock = (ndb::kMaxBlockData / image.size()) * image.size();
    while (matrixTail_.size() > perBlock) {
        std::vector<std::uint8_t> block(
            matrixTail_.begin(), matrixTail_.begin() + static_cast<std::ptrdiff_t>(perBlock));
        block.resize(ndb::kMaxBlockData, 0);
        fullMatrixBlocks_.push_back(std::move(block));
        matrixTail_.erase(matrixTail_.begin(),
                          matrixTail_.begin() + static_cast<std::ptrdiff_t>(perBlock));
    }
}

// Items written by the last write are freed and the growing ones written again: the last
// RowIndex leaf and the index levels above the leaves.
Hid GrowingTable::writeIndex() {
    std::vector<std::uint8_t> level;  // (first key, HID) per child
    auto addChild = [&](std::uint32_t key, Hid hid) {
        const std::size_t at = level.size();
        level.resize(at + kIndexRecord);
        ndb::le::put32(level, at, key);
        ndb::le::put32(level, at + 4, hid.value);
    };
    for (const auto& [key, hid] : fullLeaves_) {
        addChild(key, hid);
    }
    if (!lastLeaf_.empty()) {
        const Hid leaf = heap_.allocate(lastLeaf_);
        replaced_.push_back(leaf);
        addChild(ndb::le::get32(lastLeaf_, 0), leaf);
    }
    if (level.empty()) {
        return {};
    }
    std::uint8_t levels = 0;
    const std::size_t perItem = kMaxHeapItem / kIndexRecord;
    while (level.size() > kIndexRecord) {
        std::vector<std::uint8_t> up;
        for (std::size_t first = 0; first < level.size(); first += perItem * kIndexRecord) {
            const std::size_t n = std::min(perItem * kIndexRecord, level.size() - first);
            const auto chunk = std::span(level).subspan(first, n);
            const Hid hid = heap_.allocate(chunk);
            replaced_.push_back(hid);
            const std::size_t at = up.size();
            up.resize(at + kIndexRecord);
            std::copy(chunk.begin(), chunk.begin() + kRowIndexKeySize,
                      up.begin() + static_cast<std::ptrdiff_t>(at));
            ndb::le::put32(up, at + 4, hid.value);
        }
        level = std::move(up);
        ++levels;
    }
    BthHeader h;
    h.cbKey = kRowIndexKeySize;
    h.cbEnt = kRowIndexDataSize;
    h.indexLevels = levels;
    h.root = Hid{ndb::le::get32(level, 4)};
    h.write(heap_.item(indexHeader_));
    return h.root;
}

NodeContent GrowingTable::write() {
    for (Hid hid : replaced_) {
        heap_.free(hid);
    }
    replaced_.clear();
    if (writeIndex().isNull()) {
        BthHeader h;
        h.cbKey = kRowIndexKeySize;
        h.cbEnt = kRowIndexDataSize;
        h.write(heap_.item(indexHeader_));
    }
    TcInfo tcinfo;
    tcinfo.columnCount = static_cast<std::uint8_t>(layout_.columns().size());
    std::copy(layout_.rgib(), layout_.rgib() + 4, tcinfo.rgib);
    tcinfo.rowIndex = indexHeader_;
    if (matrixNid_.value != 0) {
        for (const auto& block : fullMatrixBlocks_) {
            matrix_.set(matrix_.size() - (matrix_.size() > 0 && tailWritten_ ? 1 : 0),
                        db_.writeBlock(block), static_cast<std::uint32_t>(block.size()));
            tailWritten_ = false;
        }
        fullMatrixBlocks_.clear();
        if (!matrixTail_.empty()) {
            matrix_.set(matrix_.size() - (tailWritten_ ? 1 : 0), db_.writeBlock(matrixTail_),
                        static_cast<std::uint32_t>(matrixTail_.size()));
            tailWritten_ = true;
        }
        tcinfo.rows = matrixNid_.value;
    } else if (!matrixTail_.empty()) {
        const Hid matrix = heap_.allocate(matrixTail_);
        replaced_.push_back(matrix);
        tcinfo.rows = matrix.value;
    }
    auto infoBytes = heap_.item(info_);
    tcinfo.write(infoBytes);
    for (std::size_t c = 0; c < layout_.columns().size(); ++c) {
        layout_.columns()[c].write(infoBytes, TcInfo::kFixedSize + TColumn::kSize * c);
    }
    for (Hid hid : replaced_) {
        heap_.pin(hid);
    }
    NodeContent content{heap_.write(db_), {}, heap_.totalBytes()};
    std::vector<ndb::SubnodeEntry> entries = subnodes_;
    if (matrixNid_.value != 0) {
        entries.push_back({matrixNid_, matrix_.root(db_), {}});
    }
    if (!entries.empty()) {
        content.subnodes = db_.writeSubnodes(entries);
    }
    return content;
}

}  // namespace tolvane::pst::ltp
