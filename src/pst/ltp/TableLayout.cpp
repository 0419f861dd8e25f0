#include "pst/ltp/TableLayout.h"

#include <algorithm>
#include <string>

#include "mapi/Tags.h"
#include "pst/Hex.h"
#include "pst/PstError.h"
#include "pst/ltp/DiskCodec.h"
#include "pst/ltp/ValueEncoding.h"

namespace tolvane::pst::ltp {

using mapi::PropType;

// A GUID, like every value of variable size, lies behind an HNID.
bool isInlineCell(PropType type) {
    const std::size_t size = fixedSize(type);
    return size != 0 && size <= 8;
}

std::uint8_t cellWidth(PropType type) {
    return isInlineCell(type) ? static_cast<std::uint8_t>(fixedSize(type)) : 4;
}

TableLayout TableLayout::fromColumns(std::vector<TColumn> columns) {
    std::sort(columns.begin(), columns.end(),
              [](const TColumn& a, const TColumn& b) { return a.tag.value() < b.tag.value(); });
    TableLayout layout;
    std::size_t groupEnd[3] = {0, 0, 0};  // 8/4-byte, 2-byte, 1-byte
    std::vector<bool> bits(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TColumn& c = columns[i];
        if (i > 0 && columns[i - 1].tag == c.tag) {
            throw PstError("table layout: column " + hex(c.tag.value(), 8) + " twice");
        }
        if (c.cbData != cellWidth(c.tag.type) || c.iBit >= columns.size() || bits[c.iBit]) {
            throw PstError("table layout: bad TCOLDESC for " + hex(c.tag.value(), 8));
        }
        bits[c.iBit] = true;
        const std::size_t group = c.cbData >= 4 ? 0 : (c.cbData == 2 ? 1 : 2);
        groupEnd[group] = std::max<std::size_t>(groupEnd[group], c.ibData + c.cbData);
    }
    const TColumn* rowId = nullptr;
    const TColumn* rowVer = nullptr;
    for (const TColumn& c : columns) {
        rowId = c.tag == mapi::tag::kLtpRowId ? &c : rowId;
        rowVer = c.tag == mapi::tag::kLtpRowVer ? &c : rowVer;
    }
    if (!rowId || !rowVer || rowId->ibData != 0 || rowId->iBit != 0 || rowVer->ibData != 4 ||
        rowVer->iBit != 1) {
        throw PstError("table layout: RowId/RowVer columns missing or misplaced");
    }
    layout.rgib_[0] = static_cast<std::uint16_t>(groupEnd[0]);
    layout.rgib_[1] = static_cast<std::uint16_t>(std::max(groupEnd[0], groupEnd[1]));
    layout.rgib_[2] =
        static_cast<std::uint16_t>(std::max<std::size_t>(layout.rgib_[1], groupEnd[2]));
    layout.rgib_[3] = static_cast<std::uint16_t>(layout.rgib_[2] + (columns.size() + 7) / 8);
    layout.columns_ = std::move(columns);
    return layout;
}

std::vector<mapi::PropTag> TableLayout::distinctTags(std::span<const mapi::PropTag> tags) {
    std::vector<mapi::PropTag> distinct(tags.begin(), tags.end());
    std::sort(distinct.begin(), distinct.end(),
              [](mapi::PropTag a, mapi::PropTag b) { return a.value() < b.value(); });
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    return distinct;
}

TableLayout TableLayout::withTags(std::span<const mapi::PropTag> tags) const {
    std::vector<TColumn> columns = columns_;
    const std::vector<mapi::PropTag> added = distinctTags(tags);
    std::uint8_t nextBit = static_cast<std::uint8_t>(columns.size());
    bool grew = false;
    for (const mapi::PropTag tag : added) {
        if (find(tag)) {
            continue;
        }
        if (columns.size() >= 255) {
            throw PstError("table layout: more than 255 columns");
        }
        columns.push_back({tag, 0, cellWidth(tag.type), nextBit++});
        grew = true;
    }
    if (!grew) {
        return *this;
    }
    // Cells by width group, each group in CEB-bit order, so RowId and RowVer stay at 0 and 4.
    std::vector<TColumn*> order;
    for (TColumn& c : columns) {
        order.push_back(&c);
    }
    std::stable_sort(order.begin(), order.end(), [](const TColumn* a, const TColumn* b) {
        const int ga = a->cbData >= 4 ? 0 : (a->cbData == 2 ? 1 : 2);
        const int gb = b->cbData >= 4 ? 0 : (b->cbData == 2 ? 1 : 2);
        if (ga != gb) {
            return ga < gb;
        }
        return a->iBit < b->iBit;
    });
    std::uint16_t offset = 0;
    for (TColumn* c : order) {
        c->ibData = offset;
        offset = static_cast<std::uint16_t>(offset + c->cbData);
    }
    return fromColumns(std::move(columns));
}

std::vector<VariableCell> TableLayout::fillRow(std::span<std::uint8_t> image, std::uint32_t rowId,
                                               std::uint32_t rowVersion,
                                               std::span<const Cell> cells) const {
    const auto ceb = image.subspan(cebOffset());
    const auto setBit = [&ceb](std::uint8_t bit) {
        ceb[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
    };
    ndb::le::put32(image, 0, rowId);
    ndb::le::put32(image, 4, rowVersion);
    setBit(0);
    setBit(1);
    std::vector<VariableCell> variable;
    // Cells mostly come in tag order, as the columns are: each is looked for from the last
    // one's column on, and only one out of order is searched for.
    auto onward = columns_.begin();
    for (const Cell& cell : cells) {
        const TColumn* column = nullptr;
        if (onward == columns_.end() || onward->tag.value() > cell.tag.value()) {
            column = find(cell.tag);
        } else {
            while (onward != columns_.end() && onward->tag.value() < cell.tag.value()) {
                ++onward;
            }
            column = onward != columns_.end() && onward->tag == cell.tag ? &*onward : nullptr;
        }
        if (!column || cell.tag == mapi::tag::kLtpRowId || cell.tag == mapi::tag::kLtpRowVer ||
            cell.value->type() != cell.tag.type || cell.value->type() == PropType::Object) {
            continue;
        }
        if (isInlineCell(cell.value->type())) {
            ndb::le::put(image, column->ibData, fixedBits(*cell.value), column->cbData);
        } else {
            variable.emplace_back(column, cell.value);
        }
        setBit(column->iBit);
    }
    return variable;
}

std::size_t TableLayout::tcInfoSize() const {
    return sizeof(disk::TcInfo) + sizeof(TColumn) * columns_.size();
}

void TableLayout::writeTcInfo(std::span<std::uint8_t> out, Hid rowIndex, std::uint32_t rows) const {
    disk::TcInfo info;
    info.bType = disk::value::kTcInfoType;
    info.cCols = static_cast<std::uint8_t>(columns_.size());
    std::copy(rgib_, rgib_ + 4, info.rgib);
    info.hidRowIndex = rowIndex.value;
    info.hnidRows = rows;
    ndb::LeWriter w(out);
    disk::write(w, info);
    for (const TColumn& column : columns_) {
        disk::write(w, column);
    }
}

const TColumn* TableLayout::find(mapi::PropTag tag) const {
    auto it = std::lower_bound(
        columns_.begin(), columns_.end(), tag,
        [](const TColumn& c, mapi::PropTag t) { return c.tag.value() < t.value(); });
    return it != columns_.end() && it->tag == tag ? &*it : nullptr;
}

}  // namespace tolvane::pst::ltp
