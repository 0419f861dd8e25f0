#include "pstcheck/ndb/BTrees.h"

#include <optional>
#include <set>

#include "pstcheck/ndb/Format.h"
#include "pstcheck/ndb/PageTrailer.h"

namespace tolvane::pstcheck {
namespace {

class BTreeWalker {
  public:
    BTreeWalker(Bytes file, bool nbt, Allocations& a, Report& r, BTrees& out)
        : file_(file), nbt_(nbt), alloc_(a), r_(r), out_(out) {}

    // Key range [lo, hi) comes from the parent entry and its next sibling; firstKey is the
    // parent's BTENTRY key, which must equal the child's first key.
    void walk(BRef ref, int expectedLevel, std::uint64_t lo, std::optional<std::uint64_t> hi,
              std::optional<std::uint64_t> firstKey) {
        if (!visited_.insert(ref.ib).second) {
            r_.add(name(), "BREF", "page reached twice (cycle or shared page)", at(ref.ib));
            return;
        }
        const auto page =
            checkPage(file_, ref.ib, {name(), nbt_ ? fmt::kNbt : fmt::kBbt, true, ref.bid}, r_);
        if (!page) {
            return;
        }
        alloc_.add(ref.ib, fmt::kPageSize, std::string(name()) + " " + hex(ref.bid));
        out_.maxPageBid = std::max(out_.maxPageBid, ref.bid);
        const Bytes p = *page;
        const std::string where = "page bid " + hex(ref.bid) + " " + at(ref.ib);
        const std::uint8_t cEnt = u8(p, 488), cEntMax = u8(p, 489), cbEnt = u8(p, 490);
        const std::uint8_t cLevel = u8(p, 491);
        if (expectedLevel >= 0 && cLevel != expectedLevel) {
            r_.add(name(), "cLevel",
                   "is " + std::to_string(cLevel) + ", parent expects " +
                       std::to_string(expectedLevel),
                   where);
            return;
        }
        if (cLevel > fmt::kMaxBtLevels) {
            r_.add(name(), "cLevel", "is " + std::to_string(cLevel) + ", at most 8", where);
            return;
        }
        if (expectedLevel < 0) {
            (nbt_ ? out_.nbtLevels : out_.bbtLevels) = static_cast<std::uint8_t>(cLevel + 1);
        }
        const std::uint8_t wantCb = (cLevel == 0 && nbt_) ? fmt::kNbtEntrySize : fmt::kBtEntrySize;
        if (cbEnt != wantCb) {
            r_.add(name(), "cbEnt",
                   "is " + std::to_string(cbEnt) + ", expected " + std::to_string(wantCb), where);
            return;
        }
        const std::uint8_t wantMax = static_cast<std::uint8_t>(fmt::kBtEntriesBytes / cbEnt);
        if (cEntMax != wantMax) {
            r_.add(name(), "cEntMax",
                   "is " + std::to_string(cEntMax) + ", expected " + std::to_string(wantMax),
                   where);
        }
        if (cEnt > wantMax) {
            r_.add(name(), "cEnt", "is " + std::to_string(cEnt) + ", more than fit", where);
            return;
        }
        if (cEnt == 0 && expectedLevel >= 0) {
            r_.add(name(), "cEnt", "non-root page is empty", where);
        }
        std::vector<std::uint64_t> keys(cEnt);
        for (std::size_t i = 0; i < cEnt; ++i) {
            keys[i] = u64(p, i * cbEnt);
            if (nbt_ && cLevel == 0) {
                keys[i] &= 0xFFFFFFFFu;  // NIDs are 32-bit, zero-extended in the tree
            }
        }
        checkKeys(keys, lo, hi, firstKey, where);
        for (std::size_t i = 0; i < cEnt; ++i) {
            const std::size_t e = i * cbEnt;
            if (cLevel > 0) {
                const std::optional<std::uint64_t> next =
                    i + 1 < cEnt ? std::optional{keys[i + 1]} : hi;
                walk({u64(p, e + 8), u64(p, e + 16)}, cLevel - 1, keys[i], next, keys[i]);
            } else if (nbt_) {
                leafNbt(p, e, where);
            } else {
                leafBbt(p, e);
            }
        }
    }

  private:
    const char* name() const { return nbt_ ? "NBT_PAGE" : "BBT_PAGE"; }

    void checkKeys(const std::vector<std::uint64_t>& keys, std::uint64_t lo,
                   std::optional<std::uint64_t> hi, std::optional<std::uint64_t> firstKey,
                   const std::string& where) {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (i > 0 && keys[i] <= keys[i - 1]) {
                r_.add(name(), "key order",
                       "entry " + std::to_string(i) + " key " + hex(keys[i]) +
                           " not above previous " + hex(keys[i - 1]),
                       where);
            }
            if (keys[i] < lo || (hi && keys[i] >= *hi)) {
                r_.add(name(), "key range",
                       "key " + hex(keys[i]) + " outside the parent's range [" + hex(lo) + ", " +
                           (hi ? hex(*hi) : std::string("end")) + ")",
                       where);
            }
        }
        if (firstKey && !keys.empty() && keys.front() != *firstKey) {
            r_.add(name(), "btkey",
                   "parent key " + hex(*firstKey) + " differs from first key " + hex(keys.front()),
                   where);
        }
    }

    void leafNbt(Bytes p, std::size_t e, const std::string& where) {
        NbtEntry n{static_cast<std::uint32_t>(u64(p, e)), u64(p, e + 8), u64(p, e + 16),
                   u32(p, e + 24)};
        // [2.2.2.7.7.4] a NID is zero-extended to 64 bits in the tree.
        if (u32(p, e + 4) != 0) {
            r_.add("NBTENTRY", "nid", hex(u64(p, e)) + " has bits above 32 set", where);
        }
        if (u32(p, e + 28) != 0) {
            // Outlook leaves junk in the padding of many of its entries.
            r_.tolerate("NBTENTRY", "dwPadding", "is " + hex(u32(p, e + 28)) + ", expected 0",
                        where + ", nid " + hex(n.nid));
        }
        if (!out_.nbt.emplace(n.nid, n).second) {
            r_.add("NBTENTRY", "nid", "duplicate nid " + hex(n.nid), where);
        }
    }

    void leafBbt(Bytes p, std::size_t e) {
        BbtEntry b{u64(p, e), u64(p, e + 8), u16(p, e + 16), u16(p, e + 18)};
        out_.bbt.emplace(b.bid, b);
    }

    Bytes file_;
    bool nbt_;
    Allocations& alloc_;
    Report& r_;
    BTrees& out_;
    std::set<std::uint64_t> visited_;
};

}  // namespace

BTrees walkBTrees(Bytes file, const Header& header, Allocations& allocations, Report& report) {
    BTrees out;
    BTreeWalker(file, true, allocations, report, out)
        .walk(header.root.nbt, -1, 0, std::nullopt, std::nullopt);
    BTreeWalker(file, false, allocations, report, out)
        .walk(header.root.bbt, -1, 0, std::nullopt, std::nullopt);
    if (!out.bbt.empty() && out.bbt.rbegin()->first >= header.bidNextB) {
        report.add("HEADER", "bidNextB",
                   "is " + hex(header.bidNextB) + ", not above the largest block bid " +
                       hex(out.bbt.rbegin()->first),
                   at(0x204));
    }
    if (out.maxPageBid >= header.bidNextP) {
        report.add("HEADER", "bidNextP",
                   "is " + hex(header.bidNextP) + ", not above the largest page bid " +
                       hex(out.maxPageBid),
                   at(0x020));
    }
    return out;
}

}  // namespace tolvane::pstcheck
