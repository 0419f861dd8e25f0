#include "PstImage.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "pstcheck/ndb/Allocations.h"
#include "pstcheck/ndb/BTrees.h"
#include "pstcheck/ndb/Crc.h"
#include "pstcheck/ndb/Format.h"
#include "pstcheck/ndb/Header.h"
#include "pstcheck/ndb/Permute.h"

namespace tolvane::pstcheck::test {
namespace {

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

}  // namespace

PstImage::PstImage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    bytes_.assign(std::istreambuf_iterator<char>(in), {});
}

CheckResult PstImage::check(bool strict) const {
    return checkPst(Bytes(bytes_), {strict});
}

BTrees PstImage::trees() const {
    Report scratch;
    const auto header = checkHeader(Bytes(bytes_), scratch);
    Allocations allocations;
    return walkBTrees(Bytes(bytes_), header.header.value(), allocations, scratch);
}

std::vector<PstImage::CheckedRange> PstImage::checkedRanges() const {
    using Kind = CheckedRange::Kind;
    // wVer (0x00A) is left out: 14 or 15 there makes an ANSI file, which is skipped.
    std::vector<CheckedRange> out = {
        {Kind::Header, 0x000, 0x004, 0x000, {}},
        {Kind::Header, 0x004, 0x006, 0x004, {}},
        {Kind::Header, 0x00C, 0x1DF - 0x00C, 0x004, {}},
        {Kind::Header, 0x1DF, 0x210 - 0x1DF, 0x20C, {}},
        {Kind::MapPage, fmt::kDListOffset, 512, fmt::kDListOffset, {}},
        {Kind::MapPage, fmt::kFirstAMap, 512, fmt::kFirstAMap, {}},
        {Kind::MapPage, fmt::kFirstAMap + 512, 512, fmt::kFirstAMap + 512, {}}};
    const auto pages = [&](auto&& self, Kind kind, std::uint64_t ib,
                           std::vector<std::uint64_t> above) -> void {
        out.push_back({kind, ib, fmt::kPageSize, ib, above});
        above.push_back(ib);
        if (bytes_.at(ib + 491) == 0) {
            return;
        }
        for (std::size_t i = 0; i < bytes_.at(ib + 488); ++i) {
            const std::size_t entry = ib + i * fmt::kBtEntrySize;
            std::uint64_t child = 0;
            for (int k = 7; k >= 0; --k) {
                child = (child << 8) | bytes_.at(entry + 16 + static_cast<std::size_t>(k));
            }
            self(self, kind, child, above);
        }
    };
    Report scratch;
    const Header header = checkHeader(Bytes(bytes_), scratch).header.value();
    pages(pages, Kind::NbtPage, header.root.nbt.ib, {});
    pages(pages, Kind::BbtPage, header.root.bbt.ib, {});
    for (const auto& [bid, e] : trees().bbt) {
        if (e.cb > 0) {
            out.push_back({Kind::Block, e.ib, e.cb, e.ib, {}});
        }
        out.push_back({Kind::Block,
                       e.ib + fmt::blockSize(e.cb) - fmt::kBlockTrailerSize,
                       fmt::kBlockTrailerSize,
                       e.ib,
                       {}});
    }
    return out;
}

BbtEntry PstImage::block(std::uint64_t bid) const {
    return trees().bbt.at(bid);
}
NbtEntry PstImage::node(std::uint32_t nid) const {
    return trees().nbt.at(nid);
}

std::vector<std::uint8_t> PstImage::blockData(std::uint64_t bid) const {
    const BbtEntry e = block(bid);
    std::vector<std::uint8_t> data(bytes_.begin() + static_cast<std::ptrdiff_t>(e.ib),
                                   bytes_.begin() + static_cast<std::ptrdiff_t>(e.ib + e.cb));
    permuteDecode(data);
    return data;
}

void PstImage::setBlockData(std::uint64_t bid, const std::vector<std::uint8_t>& data) {
    const BbtEntry e = block(bid);
    if (data.size() != e.cb) {
        throw std::logic_error("block size may not change");
    }
    std::vector<std::uint8_t> encoded = data;
    permuteEncode(encoded);
    std::copy(encoded.begin(), encoded.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(e.ib));
    const std::size_t trailer = e.ib + fmt::blockSize(e.cb) - fmt::kBlockTrailerSize;
    put32(bytes_, trailer + 4, pstCrc(Bytes(encoded)));
}

std::vector<std::uint8_t> PstImage::rawBlock(std::uint64_t bid) const {
    const BbtEntry e = block(bid);
    return {bytes_.begin() + static_cast<std::ptrdiff_t>(e.ib),
            bytes_.begin() + static_cast<std::ptrdiff_t>(e.ib + e.cb)};
}

void PstImage::setRawBlock(std::uint64_t bid, const std::vector<std::uint8_t>& data) {
    const BbtEntry e = block(bid);
    std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(e.ib));
    put32(bytes_, trailerOffset(bid) + 4, pstCrc(Bytes(data)));
}

std::uint64_t PstImage::trailerOffset(std::uint64_t bid) const {
    const BbtEntry e = block(bid);
    return e.ib + fmt::blockSize(e.cb) - fmt::kBlockTrailerSize;
}

std::uint16_t PstImage::get16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

std::uint32_t PstImage::get32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return get16(b, at) | (static_cast<std::uint32_t>(get16(b, at + 2)) << 16);
}

std::pair<std::size_t, std::size_t> PstImage::heapItem(const std::vector<std::uint8_t>& heap,
                                                       std::uint32_t hid) {
    const std::size_t map = get16(heap, 0);
    const std::size_t index = (hid >> 5) & 0x7FF;
    const std::size_t begin = get16(heap, map + 4 + 2 * (index - 1));
    return {begin, get16(heap, map + 4 + 2 * index) - begin};
}

void PstImage::resealPage(std::uint64_t ib) {
    put32(bytes_, ib + fmt::kPageTrailerOffset + 4,
          pstCrc(Bytes(bytes_).subspan(ib, fmt::kPageTrailerOffset)));
}

void PstImage::resealHeader() {
    const Bytes all(bytes_);
    put32(bytes_, 0x004,
          pstCrc(all.subspan(fmt::kHeaderPartialCrcStart, fmt::kHeaderPartialCrcSize)));
    put32(bytes_, 0x20C, pstCrc(all.subspan(fmt::kHeaderPartialCrcStart, fmt::kHeaderFullCrcSize)));
}

}  // namespace tolvane::pstcheck::test
