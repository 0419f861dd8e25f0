#include "pst/ltp/TableContextWriter.h"

#include <algorithm>
#include <string>

#include "pst/PstError.h"
#include "pst/ltp/BthWriter.h"
#include "pst/ltp/DiskCodec.h"
#include "pst/ltp/HeapWriter.h"

namespace tolvane::pst::ltp {

namespace {

using disk::value::kMaxHeapItem;

constexpr BthShape kRowIndexShape{sizeof(disk::TcRowId::dwRowID),
                                  sizeof(disk::TcRowId::dwRowIndex)};

// The row matrix outside the heap: whole rows per block, every block but the last padded to
// the full block size ([MS-PST] 2.3.4.4).
class MatrixStream {
  public:
    MatrixStream(ndb::BlockWriter& db, std::size_t rowSize)
        : stream_(db.beginData()), rowsPerBlock_(ndb::kMaxBlockData / rowSize) {}

    void append(std::span<const std::uint8_t> row) {
        if (rowsInBlock_ == rowsPerBlock_) {
            const std::size_t used = rowsPerBlock_ * row.size();
            padding_.assign(ndb::kMaxBlockData - used, 0);
            stream_->append(padding_);
            rowsInBlock_ = 0;
        }
        stream_->append(row);
        ++rowsInBlock_;
    }
    NodeContent finish() {
        const std::uint64_t size = stream_->size();
        return {stream_->finish(), {}, size};
    }

  private:
    std::unique_ptr<ndb::DataStream> stream_;
    std::size_t rowsPerBlock_;
    std::size_t rowsInBlock_ = 0;
    std::vector<std::uint8_t> padding_;
};

}  // namespace

NodeContent writeTable(ndb::BlockWriter& db, const TableRows& rows,
                       std::uint32_t lastSubnodeIndex) {
    const TableLayout& layout = rows.layout();
    const std::size_t count = rows.size();
    const std::size_t rowSize = layout.rowSize();
    SubnodeSet subnodes(db, lastSubnodeIndex);
    HeapWriter heap(disk::value::kClientSigTc);

    // Outlook's order: RowIndex header, TCINFO, RowIndex records, row matrix, cells.
    const Hid indexHeader = reserveBthHeader(heap);
    const Hid info = heap.reserve(layout.tcInfoSize());
    heap.setUserRoot(info);
    Hid firstLeaf;
    if (count > 0) {
        firstLeaf = heap.reserve(std::min(count, kRowIndexShape.leafCapacity()) *
                                 kRowIndexShape.recordSize());
    }
    const bool matrixInHeap = count * rowSize <= kMaxHeapItem;
    Hid matrixHid;
    std::unique_ptr<MatrixStream> matrixStream;
    if (count > 0 && matrixInHeap) {
        matrixHid = heap.reserve(count * rowSize);
    } else if (count > 0) {
        matrixStream = std::make_unique<MatrixStream>(db, rowSize);
    }

    std::vector<std::pair<std::uint32_t, std::uint32_t>> index;
    index.reserve(count);
    std::vector<std::uint8_t> image(rowSize);
    for (std::size_t i = 0; i < count; ++i) {
        const TableRows::View row = rows.row(i);
        std::copy(row.image.begin(), row.image.end(), image.begin());
        for (const auto& [column, bytes] : row.variable) {
            std::uint32_t hnid = 0;
            if (bytes.size() > kMaxHeapItem) {
                hnid = subnodes.addData(bytes).value;
            } else if (!bytes.empty()) {
                hnid = heap.allocate(bytes).value;
            }
            ndb::le::put32(image, column->ibData, hnid);
        }
        if (matrixStream) {
            matrixStream->append(image);
        } else {
            std::copy(image.begin(), image.end(),
                      heap.item(matrixHid).begin() + static_cast<long>(i * rowSize));
        }
        index.emplace_back(row.rowId, static_cast<std::uint32_t>(i));
    }

    std::sort(index.begin(), index.end());
    std::vector<std::uint8_t> records(index.size() * sizeof(disk::TcRowId));
    for (std::size_t i = 0; i < index.size(); ++i) {
        if (i > 0 && index[i].first == index[i - 1].first) {
            throw PstError("table: row id " + std::to_string(index[i].first) + " twice");
        }
        disk::writeAt(std::span(records).subspan(i * sizeof(disk::TcRowId)),
                      disk::TcRowId{index[i].first, index[i].second});
    }
    writeBth(heap, indexHeader, kRowIndexShape, records, firstLeaf);

    std::uint32_t matrix = matrixHid.value;
    if (matrixStream) {
        const ndb::Nid matrixNid = subnodes.allocate(ndb::NidType::Ltp);
        subnodes.add(matrixNid, matrixStream->finish());
        matrix = matrixNid.value;
    }
    layout.writeTcInfo(heap.item(info), indexHeader, matrix);

    const std::uint64_t heapBytes = heap.totalSize();
    const auto blocks = heap.finish();
    return subnodes.finish(db.writeBlocks(blocks), heapBytes);
}

}  // namespace tolvane::pst::ltp
