#include "StoreStructure.h"

#include <map>
#include <set>

#include "pstcheck/PstReader.h"
#include "pstcheck/ltp/Format.h"
#include "pstcheck/ltp/PropTypes.h"

namespace tolvane::pst::testing {
namespace {

using pstcheck::hex;
using Description = std::map<std::string, std::string>;  // what -> value, for one node

const std::set<std::string> kIpmNames = {"Top of Personal Folders", "Top of Outlook data file"};
constexpr std::uint32_t kStore = 0x21, kNameMap = 0x61;
constexpr std::uint32_t kRecordKey = 0x0FF90102, kReplVersionHistory = 0x0E340102;
constexpr std::uint32_t kDisplayName = 0x3001001F;
const std::uint32_t kStoreEntryIds[] = {0x35E00102, 0x35E30102, 0x35E60102, 0x35E70102};

std::string tagText(std::uint32_t tag) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%08X", tag);
    return buf;
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (const std::uint8_t b : bytes) {
        static const char* digits = "0123456789abcdef";
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

std::string valueText(std::uint32_t tag, const std::vector<std::uint8_t>& bytes) {
    if ((tag & 0xFFFF) == 0x001F) {
        return "'" + pstcheck::utf8(bytes) + "'";
    }
    return hexBytes(bytes);
}

class Describer {
  public:
    Describer(pstcheck::PstReader& file, std::vector<std::string>& problems, std::string label)
        : file_(file), problems_(problems), label_(std::move(label)) {}

    Description node(std::uint32_t nid) {
        const pstcheck::NbtEntry& n = file_.node(nid);
        Description out;
        out["parent"] = hex(n.nidParent);
        describe({nid, n.bidData, n.bidSub}, "", out);
        for (const pstcheck::SubnodeEntry& s : file_.subnodes(n.bidSub)) {
            describe(s, "subnode " + hex(s.nid) + " ", out);
        }
        if (nid == kStore) {
            normalizeStore(out);
        }
        if (nid == kNameMap && out["kind"] == "pc") {
            out.erase("prop " + tagText(0x00030102));
            out.erase("prop " + tagText(0x00040102));
            std::string names;
            for (const auto& p : file_.namedProperties()) {
                names += hexBytes({p.guid.begin(), p.guid.end()}) + " " +
                         (p.name ? "'" + *p.name + "'" : hex(p.number)) + " " + hex(p.id) + "; ";
            }
            out["names"] = names;
        }
        for (auto& [key, value] : out) {
            const bool name = key.ends_with(tagText(kDisplayName));
            if (name && kIpmNames.contains(value.substr(1, value.size() - 2))) {
                value = "<ipm subtree>";
            }
        }
        return out;
    }

  private:
    void describe(const pstcheck::SubnodeEntry& e, const std::string& prefix, Description& out) {
        if (e.bidData == 0) {
            out[prefix + "kind"] = "empty";
            return;
        }
        const auto blocks = file_.dataBlocks(e.bidData);
        const auto& first = blocks.front();
        const bool heap = first.size() >= 4 && first[2] == pstcheck::fmt::kHnSig;
        if (heap && first[3] == pstcheck::fmt::kClientPc) {
            out[prefix + "kind"] = "pc";
            const pstcheck::PropertyContext pc = file_.properties(e);
            for (const auto& [id, entry] : pc.entries()) {
                const std::uint32_t tag = static_cast<std::uint32_t>(id) << 16 | entry.type;
                out[prefix + "prop " + tagText(tag)] = valueText(tag, pc.value(id).value());
            }
        } else if (heap && first[3] == pstcheck::fmt::kClientTc) {
            out[prefix + "kind"] = "tc";
            const pstcheck::TableContext tc = file_.table(e);
            std::string columns;
            for (const auto& c : tc.columns()) {
                columns += tagText(c.tag) + "/" + std::to_string(c.ib) + "/" +
                           std::to_string(c.cb) + "/" + std::to_string(c.iBit) + " ";
            }
            out[prefix + "columns"] = columns;
            const auto ends = tc.groupEnds();
            out[prefix + "rgib"] = std::to_string(ends[0]) + " " + std::to_string(ends[1]) + " " +
                                   std::to_string(ends[2]) + " " + std::to_string(ends[3]);
            for (const auto& [rowId, position] : tc.rowIndex()) {
                for (const auto& c : tc.columns()) {
                    const auto cell = tc.cellBytes(position, c.tag);
                    if (cell && c.tag != pstcheck::tag::kLtpRowVer) {  // versions are counters
                        out[prefix + "row " + hex(rowId) + " " + tagText(c.tag)] =
                            valueText(c.tag, *cell);
                    }
                }
            }
        } else {
            std::vector<std::uint8_t> all;
            for (const auto& b : blocks) {
                all.insert(all.end(), b.begin(), b.end());
            }
            out[prefix + "kind"] = "raw";
            out[prefix + "size"] = std::to_string(all.size());
            all.resize(std::min<std::size_t>(all.size(), 256));
            out[prefix + "bytes"] = hexBytes(all);
        }
    }

    // The provider UID is random per store: it must be 16 bytes and start every entry id.
    void normalizeStore(Description& out) {
        const std::string uid = out["prop " + tagText(kRecordKey)];
        if (uid.size() != 32) {
            problems_.push_back(label_ + ": record key is not 16 bytes");
        }
        out["prop " + tagText(kRecordKey)] = "<uid>";
        for (const std::uint32_t tag : kStoreEntryIds) {
            std::string& value = out["prop " + tagText(tag)];
            if (value.substr(0, 8) != "00000000" || value.substr(8, 32) != uid) {
                problems_.push_back(label_ + ": " + tagText(tag) +
                                    " is not an entry id of this store");
            }
            value = value.substr(0, 8) + "<uid>" + (value.size() > 40 ? value.substr(40) : "");
        }
        std::string& history = out["prop " + tagText(kReplVersionHistory)];
        if (history.size() == 48) {
            history = history.substr(0, 8) + "<guid>" + history.substr(40);
        }
    }

    pstcheck::PstReader& file_;
    std::vector<std::string>& problems_;
    std::string label_;
};

std::map<std::uint32_t, Description> describeAll(const std::filesystem::path& path,
                                                 std::vector<std::string>& problems,
                                                 const std::string& label) {
    pstcheck::PstReader file(path);
    Describer describer(file, problems, label);
    std::map<std::uint32_t, Description> out;
    for (const auto& [nid, entry] : file.nodes()) {
        out[nid] = describer.node(nid);
    }
    if (!file.problems().empty()) {
        problems.push_back(label + ": the reader found\n" + file.problemText());
    }
    return out;
}

}  // namespace

std::vector<std::string> structureDifferences(const std::filesystem::path& ours,
                                              const std::filesystem::path& outlook) {
    std::vector<std::string> problems;
    const auto a = describeAll(ours, problems, "ours");
    const auto b = describeAll(outlook, problems, "outlook");
    std::set<std::uint32_t> nids;
    for (const auto* side : {&a, &b}) {
        for (const auto& [nid, d] : *side) {
            nids.insert(nid);
        }
    }
    for (const std::uint32_t nid : nids) {
        const std::string node = "node " + hex(nid);
        if (!a.contains(nid)) {
            problems.push_back(node + ": missing");
            continue;
        }
        if (!b.contains(nid)) {
            problems.push_back(node + ": not in Outlook's file");
            continue;
        }
        const Description& x = a.at(nid);
        const Description& y = b.at(nid);
        std::set<std::string> keys;
        for (const auto* d : {&x, &y}) {
            for (const auto& [key, value] : *d) {
                keys.insert(key);
            }
        }
        for (const std::string& key : keys) {
            const auto ours = x.find(key), theirs = y.find(key);
            const std::string mine = ours == x.end() ? "(none)" : ours->second;
            const std::string outlooks = theirs == y.end() ? "(none)" : theirs->second;
            if (mine != outlooks) {
                problems.push_back(node + ": " + key + ": ours " + mine.substr(0, 300) +
                                   ", Outlook's " + outlooks.substr(0, 300));
            }
        }
    }
    return problems;
}

}  // namespace tolvane::pst::testing
