#include "pstcheck/ltp/TableContext.h"

#include <algorithm>
#include <set>

#include "pstcheck/ltp/Bth.h"
#include "pstcheck/ltp/Format.h"
#include "pstcheck/ltp/PropTypes.h"
#include "pstcheck/ndb/Format.h"

namespace tolvane::pstcheck {
namespace {

// Width of a cell in the row [2.3.4.4.1]: 8-byte values inline, everything variable as HNID.
std::size_t cellWidth(std::uint16_t type) {
    const auto fixed = fixedSize(type);
    if (fixed && !multiValued(type) && *fixed <= 8) {
        return *fixed;
    }
    return 4;
}

bool cellIsHnid(std::uint16_t type) {
    const auto fixed = fixedSize(type);
    return !fixed || multiValued(type) || *fixed > 8;
}

bool cebBit(Bytes row, std::size_t cebStart, std::uint8_t iBit) {
    return (u8(row, cebStart + iBit / 8) & (0x80u >> (iBit % 8))) != 0;
}

}  // namespace

std::optional<TableContext> TableContext::open(BlockSource& blocks, std::uint64_t bidData,
                                               std::uint64_t bidSub, const std::string& where,
                                               Report& r) {
    auto node = LtpNode::open(blocks, bidData, bidSub, where, r);
    if (!node) {
        return std::nullopt;
    }
    return fromNode(std::move(*node), r);
}

std::optional<TableContext> TableContext::fromNode(LtpNode node, Report& r) {
    const std::string where = node.where();
    if (node.heap().clientSig() != fmt::kClientTc) {
        r.add("HNHDR", "bClientSig",
              "is " + hex(node.heap().clientSig()) + ", a table context needs 0x7C", where);
        return std::nullopt;
    }
    TableContext tc(std::move(node));
    try {
        if (!tc.readInfo(r) || !tc.readRows(r)) {
            return std::nullopt;
        }
        tc.checkCells(r);
    } catch (const Truncated& t) {
        r.add("TC", "size", t.what(), where);
        return std::nullopt;
    }
    return tc;
}

bool TableContext::readInfo(Report& r) {
    const std::string& where = node_.where();
    const auto info = node_.heap().item(node_.heap().userRoot());
    if (!info || info->size() < 22) {
        r.add("TCINFO", "hidUserRoot", "is not a TCINFO allocation", where);
        return false;
    }
    const std::uint8_t bType = u8(*info, 0), cCols = u8(*info, 1);
    const std::uint16_t end8 = u16(*info, 2), end2 = u16(*info, 4), end1 = u16(*info, 6);
    rowSize_ = u16(*info, 8);
    cebStart_ = end1;
    groupEnds_ = {end8, end2, end1, rowSize_};
    hidRowIndex_ = u32(*info, 10);
    hnidRows_ = u32(*info, 14);
    if (bType != fmt::kClientTc) {
        r.add("TCINFO", "bType", "is " + hex(bType) + ", expected 0x7C", where);
        return false;
    }
    if (info->size() != 22u + 8u * cCols) {
        r.add("TCINFO", "cCols",
              std::to_string(cCols) + " columns do not fill " + std::to_string(info->size()) +
                  " bytes",
              where);
        return false;
    }
    if (!(end8 <= end2 && end2 <= end1 && end1 <= rowSize_) ||
        static_cast<unsigned>(rowSize_ - end1) != (cCols + 7u) / 8u) {
        r.add("TCINFO", "rgib",
              "group ends " + std::to_string(end8) + "/" + std::to_string(end2) + "/" +
                  std::to_string(end1) + "/" + std::to_string(rowSize_) + " do not fit " +
                  std::to_string(cCols) + " columns",
              where);
        return false;
    }
    std::vector<bool> covered(rowSize_, false);
    std::set<std::uint8_t> bits;
    for (std::size_t i = 0; i < cCols; ++i) {
        const std::size_t o = 22 + 8 * i;
        Column c{u32(*info, o), u16(*info, o + 4), u8(*info, o + 6), u8(*info, o + 7)};
        const std::string at_ = where + ", column " + hex(c.tag);
        if (!columns_.empty() && c.tag <= columns_.back().tag) {
            r.add("TCOLDESC", "tag order", hex(c.tag) + " after " + hex(columns_.back().tag), at_);
        }
        const auto type = static_cast<std::uint16_t>(c.tag & 0xFFFF);
        // A column that cannot be read safely is reported and left out of the table.
        bool usable = true;
        if (!knownType(type) || c.cb != cellWidth(type)) {
            r.add("TCOLDESC", "cbData", "is " + std::to_string(c.cb) + " for type " + hex(type),
                  at_);
            usable = false;
        }
        const std::size_t lo = c.cb >= 4 ? 0 : (c.cb == 2 ? end8 : end2);
        const std::size_t hi = c.cb >= 4 ? end8 : (c.cb == 2 ? end2 : end1);
        if (c.ib < lo || c.ib + c.cb > hi) {
            r.add("TCOLDESC", "ibData",
                  "cell at " + std::to_string(c.ib) + " lies outside its size group [" +
                      std::to_string(lo) + ", " + std::to_string(hi) + ")",
                  at_);
            usable = false;
        } else {
            for (std::size_t b = c.ib; b < c.ib + c.cb; ++b) {
                if (covered[b]) {
                    r.add("TCOLDESC", "ibData", "cell overlaps another column", at_);
                    break;
                }
                covered[b] = true;
            }
        }
        if (c.iBit >= cCols || !bits.insert(c.iBit).second) {
            r.add("TCOLDESC", "iBit", std::to_string(c.iBit) + " is out of range or reused", at_);
            usable = usable && c.iBit < cCols;
        }
        if (usable) {
            columns_.push_back(c);
        }
    }
    // [2.3.4.4.1] RowId first at 0 / bit 0, RowVer at 4 / bit 1.
    const auto rowId = std::find_if(columns_.begin(), columns_.end(),
                                    [](const Column& c) { return c.tag == tag::kLtpRowId; });
    const auto rowVer = std::find_if(columns_.begin(), columns_.end(),
                                     [](const Column& c) { return c.tag == tag::kLtpRowVer; });
    if (rowId == columns_.end() || rowId->ib != 0 || rowId->iBit != 0) {
        r.add("TCOLDESC", "PidTagLtpRowId", "missing or not at offset 0 / bit 0", where);
        return false;
    }
    if (rowVer == columns_.end() || rowVer->ib != 4 || rowVer->iBit != 1) {
        r.add("TCOLDESC", "PidTagLtpRowVer", "missing or not at offset 4 / bit 1", where);
    }
    return true;
}

bool TableContext::readRows(Report& r) {
    const std::string& where = node_.where();
    const auto bth = readBth(node_.heap(), hidRowIndex_, 4, 4, r);
    if (!bth) {
        return false;
    }
    const std::vector<BthRecord>* index = &bth->records;
    if (hnidRows_ == 0) {
        if (!index->empty()) {
            r.add("TCINFO", "hnidRows",
                  "no row matrix for " + std::to_string(index->size()) + " RowIndex entries",
                  where);
        }
        return index->empty();
    }
    std::size_t perBlock = 0;
    if ((hnidRows_ & 0x1F) == 0) {
        const auto item = node_.heap().item(hnidRows_);
        if (!item) {
            r.add("TCINFO", "hnidRows", hex(hnidRows_) + " is not a heap allocation", where);
            return false;
        }
        matrix_.emplace_back(item->begin(), item->end());
        perBlock = item->size() / std::max<std::size_t>(rowSize_, 1);
    } else {
        const auto sub = node_.subnodes().find(hnidRows_);
        if (sub == node_.subnodes().end()) {
            r.add("TCINFO", "hnidRows", "subnode " + hex(hnidRows_) + " does not exist", where);
            return false;
        }
        auto leaves = node_.blocks().leaves(sub->second.bidData, where);
        if (!leaves) {
            return false;
        }
        matrix_ = std::move(*leaves);
        perBlock = fmt::kMaxBlockData / std::max<std::size_t>(rowSize_, 1);
    }
    std::size_t capacity = 0;
    for (const auto& block : matrix_) {
        capacity += block.size() / rowSize_;
    }
    if (capacity != index->size()) {
        r.add("TC", "row count",
              "RowIndex has " + std::to_string(index->size()) + " rows, the row matrix holds " +
                  std::to_string(capacity),
              where);
    }
    rows_.assign(index->size(), Bytes{});
    std::vector<bool> seen(index->size(), false);
    for (const BthRecord& rec : *index) {
        const std::uint32_t at_ = u32(rec.data, 0);
        const std::size_t block = at_ / perBlock, slot = at_ % perBlock;
        if (at_ >= index->size() || seen[at_] || block >= matrix_.size() ||
            (slot + 1) * rowSize_ > matrix_[block].size()) {
            r.add("TC", "dwRowIndex",
                  "row id " + hex(rec.key) + " points at row " + std::to_string(at_) +
                      ", which is missing or reused",
                  where);
            return false;
        }
        seen[at_] = true;
        rowIndex_[static_cast<std::uint32_t>(rec.key)] = at_;
        rows_[at_] = Bytes(matrix_[block]).subspan(slot * rowSize_, rowSize_);
        if (u32(rows_[at_], 0) != rec.key) {
            r.add("TC", "dwRowID",
                  "row " + std::to_string(at_) + " holds " + hex(u32(rows_[at_], 0)) +
                      ", RowIndex says " + hex(rec.key),
                  where);
        }
    }
    return true;
}

void TableContext::checkCells(Report& r) const {
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        for (const Column& c : columns_) {
            if (!cebBit(rows_[row], cebStart_, c.iBit)) {
                if (c.tag == tag::kLtpRowId) {
                    r.add("TC", "CEB", "row " + std::to_string(row) + " lacks its RowId bit",
                          node_.where());
                }
                continue;
            }
            const auto type = static_cast<std::uint16_t>(c.tag & 0xFFFF);
            if (cellIsHnid(type) && !node_.resolvable(u32(rows_[row], c.ib))) {
                r.add("TC", "cell",
                      "row " + std::to_string(row) + " column " + hex(c.tag) + " HNID " +
                          hex(u32(rows_[row], c.ib)) + " names nothing",
                      node_.where());
            }
        }
    }
}

std::uint32_t TableContext::rowId(std::size_t row) const {
    return u32(rows_.at(row), 0);
}

const TableContext::Column* TableContext::cell(std::size_t row, std::uint32_t tag) const {
    for (const Column& c : columns_) {
        if (c.tag == tag) {
            return cebBit(rows_.at(row), cebStart_, c.iBit) ? &c : nullptr;
        }
    }
    return nullptr;
}

std::optional<std::uint32_t> TableContext::int32(std::size_t row, std::uint32_t tag) const {
    const Column* c = cell(row, tag);
    return c ? std::optional(u32(rows_[row], c->ib)) : std::nullopt;
}

std::optional<bool> TableContext::boolean(std::size_t row, std::uint32_t tag) const {
    const Column* c = cell(row, tag);
    return c ? std::optional(u8(rows_[row], c->ib) != 0) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> TableContext::cellBytes(std::size_t row,
                                                                 std::uint32_t tag) const {
    const Column* c = cell(row, tag);
    if (!c) {
        return std::nullopt;
    }
    const auto type = static_cast<std::uint16_t>(tag & 0xFFFF);
    if (cellIsHnid(type)) {
        return node_.value(u32(rows_[row], c->ib));
    }
    const Bytes b = slice(rows_[row], c->ib, c->cb);
    return std::vector<std::uint8_t>(b.begin(), b.end());
}

std::optional<std::string> TableContext::string(std::size_t row, std::uint32_t tag) const {
    const Column* c = cell(row, tag);
    if (!c) {
        return std::nullopt;
    }
    const auto value = node_.value(u32(rows_[row], c->ib));
    return value ? std::optional(utf8(*value)) : std::nullopt;
}

}  // namespace tolvane::pstcheck
