#include "PstImage.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "pstcheck/Allocations.h"
#include "pstcheck/BTrees.h"
#include "pstcheck/Crc.h"
#include "pstcheck/Format.h"
#include "pstcheck/Header.h"
#include "pstcheck/Permute.h"

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

std::vector<std::pair<std::uint64_t, std::uint64_t>> PstImage::checkedRanges() const {
    Report scratch;
    const auto header = checkHeader(Bytes(bytes_), scratch);
    Allocations allocations;
    const BTrees t = walkBTrees(Bytes(bytes_), header.header.value(), allocations, scratch);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> out = {
        {0, 0x210}, {fmt::kDListOffset, 512}, {fmt::kFirstAMap, 512}, {fmt::kFirstAMap + 512, 512}};
    for (const auto& range : allocations.sorted(scratch)) {
        out.emplace_back(range.ib, range.size);  // the B-tree pages
    }
    for (const auto& [bid, e] : t.bbt) {
        out.emplace_back(e.ib, e.cb);
        out.emplace_back(e.ib + fmt::blockSize(e.cb) - fmt::kBlockTrailerSize,
                         fmt::kBlockTrailerSize);
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
