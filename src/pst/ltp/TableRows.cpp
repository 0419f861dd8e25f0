#include "pst/ltp/TableRows.h"

#include <algorithm>

#include "pst/ltp/ValueEncoding.h"
#include "pst/ndb/ByteOrder.h"

namespace tolvane::pst::ltp {

void TableRows::add(std::uint32_t rowId, std::uint32_t rowVersion, std::span<const Cell> cells) {
    const std::size_t start = bytes_.size();
    starts_.push_back(start);
    bytes_.resize(start + 4 + layout_.rowSize());
    ndb::le::put32(bytes_, start, rowId);
    auto variable =
        layout_.fillRow(std::span<std::uint8_t>(bytes_).subspan(start + 4, layout_.rowSize()),
                        rowId, rowVersion, cells);
    // Variable cells follow the image in column order, each as tag, length, then bytes.
    std::sort(variable.begin(), variable.end(), [](const auto& a, const auto& b) {
        return a.first->tag.value() < b.first->tag.value();
    });
    for (const auto& [column, value] : variable) {
        const std::vector<std::uint8_t> encoded = encodeValue(*value);
        const std::size_t at = bytes_.size();
        bytes_.resize(at + 8 + encoded.size());
        ndb::le::put32(bytes_, at, column->tag.value());
        ndb::le::put32(bytes_, at + 4, static_cast<std::uint32_t>(encoded.size()));
        std::copy(encoded.begin(), encoded.end(), bytes_.begin() + static_cast<long>(at + 8));
    }
}

TableRows::View TableRows::row(std::size_t index) const {
    const std::span<const std::uint8_t> all(bytes_);
    const std::size_t start = starts_.at(index);
    const std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] : bytes_.size();
    View view{ndb::le::get32(all, start), all.subspan(start + 4, layout_.rowSize()), {}};
    for (std::size_t at = start + 4 + layout_.rowSize(); at < end;) {
        const TColumn* column = layout_.find(mapi::PropTag::fromValue(ndb::le::get32(all, at)));
        const std::size_t size = ndb::le::get32(all, at + 4);
        view.variable.emplace_back(column, all.subspan(at + 8, size));
        at += 8 + size;
    }
    return view;
}

}  // namespace tolvane::pst::ltp
