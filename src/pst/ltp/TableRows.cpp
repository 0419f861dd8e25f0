#include "pst/ltp/TableRows.h"

#include <algorithm>

#include "mapi/Tags.h"
#include "pst/ltp/ValueEncoding.h"

namespace tolvane::pst::ltp {

namespace {

void setBit(std::span<std::uint8_t> ceb, std::uint8_t bit) {
    ceb[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
}

}  // namespace

void TableRows::add(std::uint32_t rowId, std::uint32_t rowVersion, std::span<const Cell> cells) {
    const std::size_t start = bytes_.size();
    starts_.push_back(start);
    bytes_.resize(start + 4 + layout_.rowSize());
    ndb::le::put32(bytes_, start, rowId);
    auto image = std::span<std::uint8_t>(bytes_).subspan(start + 4, layout_.rowSize());
    auto ceb = image.subspan(layout_.cebOffset());
    ndb::le::put32(image, 0, rowId);
    ndb::le::put32(image, 4, rowVersion);
    setBit(ceb, 0);
    setBit(ceb, 1);

    // Variable cells follow the image in column order, each as length then bytes.
    std::vector<std::pair<const TColumn*, const mapi::PropValue*>> variable;
    for (const Cell& cell : cells) {
        const TColumn* column = layout_.find(cell.tag);
        if (!column || cell.tag == mapi::tag::kLtpRowId || cell.tag == mapi::tag::kLtpRowVer ||
            cell.value->type() != cell.tag.type) {
            continue;
        }
        const auto type = cell.value->type();
        if (type == mapi::PropType::Object) {
            continue;
        }
        if (isInlineCell(type)) {
            const std::uint64_t bits = fixedBits(*cell.value);
            for (std::size_t i = 0; i < column->cbData; ++i) {
                image[column->ibData + i] = static_cast<std::uint8_t>(bits >> (8 * i));
            }
        } else {
            variable.emplace_back(column, cell.value);
        }
        setBit(ceb, column->iBit);
    }
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
