#include "pst/ltp/GrowingTable.h"

#include <algorithm>
#include <string>

#include "pst/PstError.h"
#include "pst/ltp/BthWriter.h"
#include "pst/ltp/DiskCodec.h"
#include "pst/ltp/ValueEncoding.h"

namespace tolvane::pst::ltp {

namespace {

using disk::value::kMaxHeapItem;

constexpr BthShape kRowIndexShape{sizeof(disk::TcRowId::dwRowID),
                                  sizeof(disk::TcRowId::dwRowIndex)};

}  // namespace

GrowingTable::GrowingTable(ndb::BlockWriter& db, TableLayout layout)
    : db_(db),
      layout_(std::move(layout)),
      heap_(disk::value::kClientSigTc),
      rowIndex_(kRowIndexShape) {
    // Outlook's order: RowIndex header, then TCINFO, both in block 0 for good.
    indexHeader_ = heap_.allocate(std::vector<std::uint8_t>(sizeof(disk::BthHeader)));
    info_ = heap_.allocate(std::vector<std::uint8_t>(layout_.tcInfoSize()));
    heap_.setUserRoot(info_);
}

void GrowingTable::add(std::uint32_t rowId, std::uint32_t rowVersion, std::span<const Cell> cells) {
    if (rows_ > 0 && rowId <= lastRowId_) {
        throw PstError("table: row id " + std::to_string(rowId) + " does not follow " +
                       std::to_string(lastRowId_));
    }
    std::vector<std::uint8_t> image(layout_.rowSize());
    std::vector<std::pair<const TColumn*, std::vector<std::uint8_t>>> variable;
    for (const auto& [column, value] : layout_.fillRow(image, rowId, rowVersion, cells)) {
        variable.emplace_back(column, encodeValue(*value));
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
    disk::TcRowId record{rowId, static_cast<std::uint32_t>(rows_)};
    const std::size_t at = lastLeaf_.size();
    lastLeaf_.resize(at + sizeof record);
    disk::writeAt(std::span(lastLeaf_).subspan(at), record);
    closeLeafIfFull();
    appendMatrixRow(image);
    lastRowId_ = rowId;
    ++rows_;
}

void GrowingTable::closeLeafIfFull() {
    if (lastLeaf_.size() / kRowIndexShape.recordSize() < kRowIndexShape.leafCapacity()) {
        return;
    }
    rowIndex_.addFullLeaf(
        lastLeaf_, heap_.allocate(lastLeaf_),
        [this](std::span<const std::uint8_t> item) { return heap_.allocate(item); });
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
// RowIndex leaf and the last item of each index level.
disk::BthHeader GrowingTable::writeIndex() {
    return rowIndex_.header(lastLeaf_, [this](std::span<const std::uint8_t> item) {
        const Hid hid = heap_.allocate(item);
        replaced_.push_back(hid);
        return hid;
    });
}

NodeContent GrowingTable::write() {
    for (Hid hid : replaced_) {
        heap_.free(hid);
    }
    replaced_.clear();
    disk::writeAt(heap_.item(indexHeader_), writeIndex());
    std::uint32_t rows = 0;
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
        rows = matrixNid_.value;
    } else if (!matrixTail_.empty()) {
        const Hid matrix = heap_.allocate(matrixTail_);
        replaced_.push_back(matrix);
        rows = matrix.value;
    }
    layout_.writeTcInfo(heap_.item(info_), indexHeader_, rows);
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
