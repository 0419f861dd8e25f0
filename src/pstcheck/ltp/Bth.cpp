#include "pstcheck/ltp/Bth.h"

#include "pstcheck/ltp/Format.h"
#include "pstcheck/ndb/Format.h"

namespace tolvane::pstcheck {
namespace {

std::uint64_t key(Bytes b, std::size_t offset, std::size_t size) {
    std::uint64_t k = 0;
    for (std::size_t i = 0; i < size; ++i) {
        k |= static_cast<std::uint64_t>(u8(b, offset + i)) << (8 * i);
    }
    return k;
}

class BthWalker {
  public:
    BthWalker(const Heap& heap, std::uint8_t cbKey, std::uint8_t cbEnt, Report& r)
        : heap_(heap), cbKey_(cbKey), cbEnt_(cbEnt), r_(r) {}

    bool walk(std::uint32_t hid, int level, std::optional<std::uint64_t> firstKey,
              std::vector<BthRecord>& out) {
        const std::string where = heap_.where() + ", BTH hid " + hex(hid);
        const auto item = heap_.item(hid);
        if (!item) {
            r_.add("BTH", "hid", "record array " + hex(hid) + " is not a heap allocation", where);
            return false;
        }
        const std::size_t rec = cbKey_ + (level > 0 ? 4u : cbEnt_);
        if (item->empty() || item->size() % rec != 0) {
            r_.add("BTH", "records",
                   "array of " + std::to_string(item->size()) + " bytes is not a whole number of " +
                       std::to_string(rec) + "-byte records",
                   where);
            return false;
        }
        bool ok = true;
        for (std::size_t off = 0; off < item->size(); off += rec) {
            const std::uint64_t k = key(*item, off, cbKey_);
            if (off == 0 && firstKey && k != *firstKey) {
                r_.add("BTH", "index key", "is " + hex(*firstKey) + ", child starts at " + hex(k),
                       where);
            }
            if (last_ && k <= *last_) {
                r_.add("BTH", "key order", "key " + hex(k) + " not above " + hex(*last_), where);
            }
            if (level > 0) {
                ok = walk(u32(*item, off + cbKey_), level - 1, k, out) && ok;
            } else {
                last_ = k;
                out.push_back({k, item->subspan(off + cbKey_, cbEnt_)});
            }
        }
        return ok;
    }

  private:
    const Heap& heap_;
    std::uint8_t cbKey_, cbEnt_;
    Report& r_;
    std::optional<std::uint64_t> last_;
};

}  // namespace

std::optional<Bth> readBth(const Heap& heap, std::uint32_t hid, std::uint8_t cbKey,
                           std::uint8_t cbEnt, Report& r) {
    const std::string where = heap.where() + ", BTHHEADER hid " + hex(hid);
    const auto head = heap.item(hid);
    if (!head || head->size() != 8) {
        r.add("BTHHEADER", "hid", "is not an 8-byte heap allocation", where);
        return std::nullopt;
    }
    const std::uint8_t bType = u8(*head, 0), keySize = u8(*head, 1), entSize = u8(*head, 2);
    const std::uint8_t levels = u8(*head, 3);
    const std::uint32_t root = u32(*head, 4);
    if (bType != fmt::kClientBth) {
        r.add("BTHHEADER", "bType", "is " + hex(bType) + ", expected 0xB5", where);
        return std::nullopt;
    }
    if (keySize != cbKey || entSize != cbEnt) {
        r.add("BTHHEADER", "cbKey/cbEnt",
              "are " + std::to_string(keySize) + "/" + std::to_string(entSize) + ", expected " +
                  std::to_string(cbKey) + "/" + std::to_string(cbEnt),
              where);
        return std::nullopt;
    }
    Bth out{levels, {}};
    if (root == 0) {
        if (levels != 0) {
            r.add("BTHHEADER", "bIdxLevels", "empty tree with index levels", where);
        }
        return out;
    }
    if (!BthWalker(heap, cbKey, cbEnt, r).walk(root, levels, std::nullopt, out.records)) {
        return std::nullopt;
    }
    return out;
}

}  // namespace tolvane::pstcheck
