#include "NdbInspector.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "MsPstTables.h"

namespace tolvane::pst::ndb::test {
namespace {

constexpr std::uint64_t kSection = 253952;
constexpr std::uint64_t kFirstAMap = 0x4400;

std::uint64_t le(const std::uint8_t* p, int n) {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

std::string hex(std::uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
    return buf;
}

// The PST CRC from its definition ([MS-PST] 5.3), independent of zlib.
std::uint32_t crc(const std::uint8_t* p, std::size_t n) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0;
    for (std::size_t i = 0; i < n; ++i) {
        c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    }
    return c;
}

std::uint16_t sig(std::uint64_t ib, std::uint64_t bid) {
    const auto v = static_cast<std::uint32_t>(ib ^ bid);
    return static_cast<std::uint16_t>((v >> 16) ^ (v & 0xFFFF));
}

std::uint64_t blockSpan(std::uint64_t cb) {
    return (cb + 16 + 63) / 64 * 64;
}

}  // namespace

NdbInspector::NdbInspector(const std::filesystem::path& path, bool checkDataBlocks)
    : in_(path, std::ios::binary), checkDataBlocks_(checkDataBlocks) {
    if (!in_) {
        problem("cannot open " + path.string());
        return;
    }
    fileSize_ = std::filesystem::file_size(path);
    if (fileSize_ < kFirstAMap + kSection) {
        problem("file of " + std::to_string(fileSize_) + " bytes is shorter than one AMap section");
        return;
    }
    header_ = readAt(0, 564);
    checkHeader();
    permute_ = header_[0x201] == 1;
    walkTree(header64(0xD8), header64(0xE0), true, -1, 0, UINT64_MAX, 1);
    walkTree(header64(0xE8), header64(0xF0), false, -1, 0, UINT64_MAX, 1);
    checkBlocks();
    checkMaps();
}

std::string NdbInspector::report() const {
    std::ostringstream out;
    for (const auto& p : problems_) {
        out << p << "\n";
    }
    return out.str();
}

std::uint64_t NdbInspector::header64(std::size_t offset) const {
    return le(&header_[offset], 8);
}
std::uint32_t NdbInspector::header32(std::size_t offset) const {
    return static_cast<std::uint32_t>(le(&header_[offset], 4));
}

std::vector<std::uint8_t> NdbInspector::readAt(std::uint64_t offset, std::size_t size) {
    std::vector<std::uint8_t> out(size);
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
    if (static_cast<std::size_t>(in_.gcount()) != size) {
        problem("short read of " + std::to_string(size) + " bytes at " + hex(offset));
    }
    return out;
}

void NdbInspector::checkHeader() {
    const auto* h = header_.data();
    if (le(h, 4) != 0x4E444221)
        problem("HEADER dwMagic is " + hex(le(h, 4)));
    if (le(h + 8, 2) != 0x4D53)
        problem("HEADER wMagicClient is " + hex(le(h + 8, 2)));
    if (le(h + 10, 2) != 23)
        problem("HEADER wVer is " + std::to_string(le(h + 10, 2)));
    if (le(h + 12, 2) != 19)
        problem("HEADER wVerClient is " + std::to_string(le(h + 12, 2)));
    if (h[14] != 1 || h[15] != 1)
        problem("HEADER bPlatformCreate/Access not 1");
    if (crc(h + 8, 471) != le(h + 4, 4))
        problem("HEADER dwCRCPartial does not match");
    if (crc(h + 8, 516) != le(h + 0x20C, 4))
        problem("HEADER dwCRCFull does not match");
    if (h[0x200] != 0x80)
        problem("HEADER bSentinel is " + hex(h[0x200]));
    if (h[0x201] > 1)
        problem("HEADER bCryptMethod is " + hex(h[0x201]));
    if (header64(0xB8) != fileSize_) {
        problem("ROOT ibFileEof " + hex(header64(0xB8)) + " but the file has " + hex(fileSize_));
    }
    if ((fileSize_ - kFirstAMap) % kSection != 0) {
        problem("file size " + hex(fileSize_) + " is not a whole number of AMap sections");
    }
    const std::uint64_t lastAMap =
        kFirstAMap + ((fileSize_ - kFirstAMap) / kSection - 1) * kSection;
    if (header64(0xC0) != lastAMap)
        problem("ROOT ibAMapLast is " + hex(header64(0xC0)));
    if (header64(0xD0) != 0)
        problem("ROOT cbPMapFree is " + hex(header64(0xD0)));
    if (h[0xF8] != 2)
        problem("ROOT fAMapValid is " + hex(h[0xF8]));
}

void NdbInspector::walkTree(std::uint64_t bid, std::uint64_t ib, bool nbt, int level,
                            std::uint64_t low, std::uint64_t high, std::uint32_t depth) {
    const std::string where =
        std::string(nbt ? "NBT" : "BBT") + " page " + hex(bid) + " at " + hex(ib);
    if (ib % 512 != 0 || ib + 512 > fileSize_) {
        problem(where + ": not a page of the file");
        return;
    }
    claim(ib, 512, where);
    const auto page = readAt(ib, 512);
    const std::uint8_t* p = page.data();
    const std::uint8_t ptype = nbt ? 0x81 : 0x80;
    if (p[496] != ptype || p[497] != ptype)
        problem(where + ": ptype " + hex(p[496]));
    if (le(p + 498, 2) != sig(ib, bid))
        problem(where + ": wSig " + hex(le(p + 498, 2)));
    if (le(p + 500, 4) != crc(p, 496))
        problem(where + ": dwCRC does not match");
    if (le(p + 504, 8) != bid)
        problem(where + ": trailer bid " + hex(le(p + 504, 8)));
    const std::uint8_t cEnt = p[488], cEntMax = p[489], cbEnt = p[490], cLevel = p[491];
    if (level >= 0 && cLevel != level)
        problem(where + ": cLevel " + std::to_string(cLevel));
    const std::uint8_t wantMax = cLevel == 0 && nbt ? 15 : 20;
    const std::uint8_t wantSize = cLevel == 0 && nbt ? 32 : 24;
    if (cEntMax != wantMax || cbEnt != wantSize || cEnt > cEntMax) {
        problem(where + ": cEnt/cEntMax/cbEnt " + std::to_string(cEnt) + "/" +
                std::to_string(cEntMax) + "/" + std::to_string(cbEnt));
        return;
    }
    if (cLevel == 0) {
        if (nbt) {
            nbtDepth_ = std::max(nbtDepth_, depth);
        } else {
            bbtDepth_ = std::max(bbtDepth_, depth);
        }
    }
    std::uint64_t previous = 0;
    for (int i = 0; i < cEnt; ++i) {
        const std::uint8_t* e = p + i * cbEnt;
        const std::uint64_t key = le(e, 8);
        if (key < low || key >= high || (i > 0 && key <= previous)) {
            problem(where + ": key " + hex(key) + " out of order or range");
        }
        previous = key;
        if (cLevel > 0) {
            const std::uint64_t next = i + 1 < cEnt ? le(e + cbEnt, 8) : high;
            walkTree(le(e + 8, 8), le(e + 16, 8), nbt, cLevel - 1, key, next, depth + 1);
        } else if (nbt) {
            if (le(e, 8) > UINT32_MAX || le(e + 28, 4) != 0)
                problem(where + ": NBTENTRY padding");
            nodes_[static_cast<std::uint32_t>(key)] = {le(e + 8, 8), le(e + 16, 8),
                                                       static_cast<std::uint32_t>(le(e + 24, 4))};
        } else {
            blocks_[key] = {le(e + 8, 8), static_cast<std::uint16_t>(le(e + 16, 2)),
                            static_cast<std::uint16_t>(le(e + 18, 2))};
        }
    }
}

std::vector<std::uint8_t> NdbInspector::blockData(std::uint64_t bid) {
    bid &= ~std::uint64_t{1};  // bit 0 is reserved; readers ignore it ([MS-PST] 2.2.2.2)
    const auto it = blocks_.find(bid);
    if (it == blocks_.end()) {
        problem("BID " + hex(bid) + " is referred to but not in the BBT");
        return {};
    }
    const auto [ib, cb, cRef] = it->second;
    auto bytes = readAt(ib, blockSpan(cb));
    const std::uint8_t* t = bytes.data() + bytes.size() - 16;
    const std::string where = "block " + hex(bid) + " at " + hex(ib);
    if (le(t, 2) != cb)
        problem(where + ": trailer cb " + std::to_string(le(t, 2)));
    if (le(t + 2, 2) != sig(ib, bid))
        problem(where + ": wSig " + hex(le(t + 2, 2)));
    if (le(t + 4, 4) != crc(bytes.data(), cb))
        problem(where + ": dwCRC does not match");
    if (le(t + 8, 8) != bid)
        problem(where + ": trailer bid " + hex(le(t + 8, 8)));
    bytes.resize(cb);
    return bytes;
}

void NdbInspector::checkBlocks() {
    std::map<std::uint64_t, std::uint32_t> refs;
    for (const auto& [nid, n] : nodes_) {
        if (n.data != 0)
            ++refs[n.data];
        if (n.sub != 0) {
            ++refs[n.sub];
            if ((n.sub & 2) == 0)
                problem("node " + hex(nid) + ": bidSub is an external block");
        }
    }
    for (const auto& [bid, b] : blocks_) {
        claim(b.ib, blockSpan(b.cb), "block " + hex(bid));
        if ((bid & 2) == 0 && !checkDataBlocks_) {
            continue;
        }
        const auto data = blockData(bid);
        if ((bid & 2) == 0 || data.size() < 8) {
            continue;
        }
        const std::uint8_t btype = data[0], level = data[1];
        const auto count = static_cast<std::size_t>(le(&data[2], 2));
        const std::size_t entry = btype == 1 ? 8 : (level == 0 ? 24 : 16);
        if ((btype != 1 && btype != 2) || 8 + count * entry != data.size() || count == 0) {
            problem("internal block " + hex(bid) + ": btype " + hex(btype) + " cEnt " +
                    std::to_string(count) + " in " + std::to_string(data.size()) + " bytes");
            continue;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* e = &data[8 + i * entry];
            ++refs[le(e + (btype == 1 ? 0 : 8), 8)];
            if (btype == 2 && level == 0 && le(e + 16, 8) != 0) {
                ++refs[le(e + 16, 8)];
            }
        }
    }
    for (const auto& [bid, count] : refs) {
        const auto it = blocks_.find(bid);
        if (it == blocks_.end()) {
            problem("BID " + hex(bid) + " is referred to but not in the BBT");
        } else if (it->second.cRef != count + 1) {
            problem("BBTENTRY " + hex(bid) + ": cRef " + std::to_string(it->second.cRef) + " but " +
                    std::to_string(count) + " referrers");
        }
    }
    for (const auto& [bid, b] : blocks_) {
        if (!refs.contains(bid)) {
            problem("BBTENTRY " + hex(bid) + ": no NBT entry or block refers to it");
        }
    }
}

void NdbInspector::claim(std::uint64_t offset, std::uint64_t size, const std::string& what) {
    const auto next = used_.lower_bound(offset);
    if ((next != used_.end() && next->first < offset + size) ||
        (next != used_.begin() && std::prev(next)->second.first > offset)) {
        problem(what + " overlaps another structure");
        return;
    }
    used_.emplace(offset, std::pair{offset + size, what});
}

void NdbInspector::checkMaps() {
    const std::uint64_t sections = (fileSize_ - kFirstAMap) / kSection;
    auto mapPage = [&](std::uint64_t offset, std::uint8_t ptype, const std::string& what) {
        claim(offset, 512, what);
        auto page = readAt(offset, 512);
        if (page[496] != ptype || page[497] != ptype || le(&page[498], 2) != 0 ||
            le(&page[500], 4) != crc(page.data(), 496) || le(&page[504], 8) != offset) {
            problem(what + ": bad PAGETRAILER");
        }
        return page;
    };
    std::vector<std::vector<std::uint8_t>> amaps;
    std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>> fmaps;
    for (std::uint64_t k = 0; k < sections; ++k) {
        const std::uint64_t base = kFirstAMap + k * kSection;
        amaps.push_back(mapPage(base, 0x84, "AMap " + std::to_string(k)));
        if (k % 8 == 0)
            mapPage(base + 0x200, 0x83, "PMap " + std::to_string(k));
        if (k >= 128 && (k - 128) % 496 == 0) {
            fmaps.emplace_back(k, mapPage(base + 0x400, 0x82, "FMap " + std::to_string(k)));
        }
        if (k >= 8192 && (k - 8192) % 31744 == 0)
            mapPage(base + 0x600, 0x85, "FPMap");
    }
    const auto dlist = readAt(0x4200, 512);
    if (dlist[496] != 0x86 || le(&dlist[500], 4) != crc(dlist.data(), 496) ||
        le(&dlist[498], 2) != sig(0x4200, le(&dlist[504], 8))) {
        problem("DList page: bad PAGETRAILER");
    }
    // The AMap bits against what the walk found: a set bit exactly where something lies.
    std::vector<std::uint8_t> expected(496);
    auto used = used_.begin();
    int reported = 0;
    for (std::uint64_t k = 0; k < sections; ++k) {
        const std::uint64_t base = kFirstAMap + k * kSection;
        std::fill(expected.begin(), expected.end(), 0);
        for (; used != used_.end() && used->first < base + kSection; ++used) {
            for (std::uint64_t at = used->first; at < used->second.first; at += 64) {
                const std::uint64_t slot = (at - base) / 64;
                expected[slot / 8] |= static_cast<std::uint8_t>(0x80 >> (slot % 8));
            }
        }
        for (std::size_t i = 0; i < 496; ++i) {
            freeBytes_ += 64 * (8 - static_cast<std::uint64_t>(__builtin_popcount(amaps[k][i])));
            if (amaps[k][i] != expected[i] && reported++ < 10) {
                problem("AMap " + std::to_string(k) + " byte " + std::to_string(i) + " is " +
                        hex(amaps[k][i]) + ", the allocations make it " + hex(expected[i]));
            }
        }
    }
    // An FMap byte is its AMap's longest run of free slots, at most 255 ([MS-PST] 2.2.2.7.5).
    for (const auto& [first, fmap] : fmaps) {
        for (std::uint64_t k = first; k < std::min(sections, first + 496); ++k) {
            std::uint64_t run = 0, longest = 0;
            for (std::uint64_t slot = 0; slot < 3968; ++slot) {
                const bool used = amaps[k][slot / 8] & (0x80 >> (slot % 8));
                run = used ? 0 : run + 1;
                longest = std::max(longest, run);
            }
            if (fmap[k - first] != std::min<std::uint64_t>(longest, 255)) {
                problem("FMap " + std::to_string(first) + " byte " + std::to_string(k - first) +
                        " is " + std::to_string(fmap[k - first]) + ", AMap " + std::to_string(k) +
                        " has a free run of " + std::to_string(longest));
            }
        }
    }
    if (header64(0xC8) != freeBytes_) {
        problem("ROOT cbAMapFree " + hex(header64(0xC8)) + " but the AMaps have " +
                hex(freeBytes_));
    }
}

std::vector<std::uint8_t> NdbInspector::readData(std::uint64_t bid) {
    auto data = blockData(bid);
    if ((bid & 2) == 0) {
        if (permute_) {
            for (auto& b : data) {
                b = kMsPstPermuteDecode[b];
            }
        }
        return data;
    }
    if (data.size() < 8 || data[0] != 1 || (data[1] != 1 && data[1] != 2)) {
        problem("data tree " + hex(bid) + ": not an XBLOCK or XXBLOCK");
        return {};
    }
    const auto count = static_cast<std::size_t>(le(&data[2], 2));
    const std::uint64_t total = le(&data[4], 4);
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < count; ++i) {
        const auto child = readData(le(&data[8 + 8 * i], 8));
        if (data[1] == 1 && i + 1 < count && child.size() != 8176) {
            problem("XBLOCK " + hex(bid) + ": inner block " + std::to_string(i) + " holds " +
                    std::to_string(child.size()) + " bytes, not 8176");
        }
        out.insert(out.end(), child.begin(), child.end());
    }
    if (out.size() != total) {
        problem("XBLOCK " + hex(bid) + ": lcbTotal " + std::to_string(total) + " but " +
                std::to_string(out.size()) + " bytes below");
    }
    return out;
}

std::vector<std::uint64_t> NdbInspector::xblockChildren(std::uint64_t bid, std::uint64_t* total) {
    const auto data = blockData(bid);
    std::vector<std::uint64_t> out;
    if (data.size() < 8 || data[0] != 1) {
        problem("block " + hex(bid) + ": not an XBLOCK or XXBLOCK");
        return out;
    }
    if (total != nullptr) {
        *total = le(&data[4], 4);
    }
    for (std::size_t i = 0; i < le(&data[2], 2); ++i) {
        out.push_back(le(&data[8 + 8 * i], 8));
    }
    return out;
}

std::vector<InspectedSubnode> NdbInspector::readSubnodes(std::uint64_t bid) {
    const auto data = blockData(bid);
    std::vector<InspectedSubnode> out;
    if (data.size() < 8 || data[0] != 2) {
        problem("subnode tree " + hex(bid) + ": not an SLBLOCK or SIBLOCK");
        return out;
    }
    const auto count = static_cast<std::size_t>(le(&data[2], 2));
    for (std::size_t i = 0; i < count; ++i) {
        if (data[1] == 0) {
            const std::uint8_t* e = &data[8 + 24 * i];
            out.push_back({le(e, 8), le(e + 8, 8), le(e + 16, 8)});
        } else {
            const std::uint8_t* e = &data[8 + 16 * i];
            const auto child = readSubnodes(le(e + 8, 8));
            if (child.empty() || child.front().nid != le(e, 8)) {
                problem("SIENTRY " + hex(le(e, 8)) + " is not the first NID of its SLBLOCK");
            }
            out.insert(out.end(), child.begin(), child.end());
        }
    }
    for (std::size_t i = 1; i < out.size(); ++i) {
        if (out[i].nid <= out[i - 1].nid) {
            problem("subnode tree " + hex(bid) + ": NIDs out of order at " + hex(out[i].nid));
        }
    }
    return out;
}

}  // namespace tolvane::pst::ndb::test
