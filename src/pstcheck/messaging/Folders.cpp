#include "pstcheck/messaging/Folders.h"

#include <set>
#include <string>
#include <vector>

#include "pstcheck/Guard.h"
#include "pstcheck/ltp/PropertyContext.h"
#include "pstcheck/ltp/TableContext.h"
#include "pstcheck/messaging/Ids.h"
#include "pstcheck/messaging/RowCopies.h"

namespace tolvane::pstcheck {
namespace {

class FolderChecker {
  public:
    FolderChecker(const BTrees& t, BlockSource& b, const std::map<std::uint32_t, MessageFacts>& m,
                  Report& r)
        : trees_(t), blocks_(b), messages_(m), r_(r) {}

    std::uint64_t run(const std::map<std::uint32_t, Folder>& folders) {
        if (const auto root = trees_.nbt.find(nid::kRootFolder);
            root == trees_.nbt.end() || root->second.nidParent != nid::kRootFolder) {
            r_.add("NBTENTRY", "nidParent", "root folder is missing or not its own parent",
                   "nid " + hex(nid::kRootFolder));
        }
        std::uint64_t opened = 0;
        for (const auto& [nid, f] : folders) {
            if (f.opened) {
                ++opened;
                guarded(r_, "folder " + hex(nid), [&] { checkFolder(f); });
            }
        }
        return opened;
    }

  private:
    void checkFolder(const Folder& f) {
        const std::uint32_t folder = f.nid;
        const std::string where = "folder " + hex(folder) + " '" + f.name.value_or("") + "'";
        const std::set<std::uint32_t> subfolders(f.subfolders.begin(), f.subfolders.end());
        const std::set<std::uint32_t> mail(f.messages.begin(), f.messages.end());
        const std::set<std::uint32_t> assoc(f.associated.begin(), f.associated.end());
        if (f.hasSubfolders && *f.hasSubfolders != !subfolders.empty()) {
            r_.add("FOLDER", "PidTagSubfolders",
                   std::string(*f.hasSubfolders ? "true" : "false") + " with " +
                       std::to_string(subfolders.size()) + " child folder(s)",
                   where);
        }
        if (nidType(folder) == nidtype::kSearchFolder) {
            return;  // its contents live in the search contents table, by reference
        }
        std::uint32_t unread = 0;
        for (const std::uint32_t m : mail) {
            const auto it = messages_.find(m);
            if (it != messages_.end() && it->second.flags && (*it->second.flags & 0x01) == 0) {
                ++unread;
            }
        }
        if (f.contentCount && *f.contentCount != mail.size()) {
            r_.add("FOLDER", "PidTagContentCount",
                   "is " + std::to_string(*f.contentCount) +
                       ", folder "
                       "holds " +
                       std::to_string(mail.size()) + " message(s)",
                   where);
        }
        if (f.unreadCount && *f.unreadCount != unread) {
            r_.add("FOLDER", "PidTagContentUnreadCount",
                   "is " + std::to_string(*f.unreadCount) + ", folder holds " +
                       std::to_string(unread) + " unread",
                   where);
        }
        const std::uint32_t index = nidIndex(folder);
        if (auto tc = table(makeNid(nidtype::kHierarchyTable, index), "HIERARCHY_TABLE", where)) {
            rows(*tc, subfolders, "HIERARCHY_TABLE", where);
        }
        if (auto tc = table(makeNid(nidtype::kContentsTable, index), "CONTENTS_TABLE", where)) {
            rows(*tc, mail, "CONTENTS_TABLE", where);
        }
        if (auto tc =
                table(makeNid(nidtype::kAssocContentsTable, index), "FAI_CONTENTS_TABLE", where)) {
            rows(*tc, assoc, "FAI_CONTENTS_TABLE", where);
        }
    }

    std::optional<TableContext> table(std::uint32_t nid, const char* what,
                                      const std::string& where) {
        const auto it = trees_.nbt.find(nid);
        if (it == trees_.nbt.end()) {
            r_.add(what, "missing", "node " + hex(nid) + " does not exist", where);
            return std::nullopt;
        }
        return TableContext::open(blocks_, it->second.bidData, it->second.bidSub, "nid " + hex(nid),
                                  r_);
    }

    // Rows must name exactly the expected nodes, once each; returns node -> its row.
    std::map<std::uint32_t, std::size_t> matchRows(const TableContext& tc,
                                                   const std::set<std::uint32_t>& want,
                                                   const char* what, const std::string& where) {
        std::map<std::uint32_t, std::size_t> seen;
        for (std::size_t row = 0; row < tc.rows(); ++row) {
            const std::uint32_t id = tc.rowId(row);
            if (!want.contains(id)) {
                r_.add(what, "row", "row for " + hex(id) + ", which is not in this folder", where);
            } else if (!seen.emplace(id, row).second) {
                r_.add(what, "row", "two rows for " + hex(id), where);
            }
        }
        for (const std::uint32_t w : want) {
            if (!seen.contains(w)) {
                r_.add(what, "row", "no row for " + hex(w), where);
            }
        }
        return seen;
    }

    void rows(const TableContext& tc, const std::set<std::uint32_t>& objects, const char* what,
              const std::string& where) {
        for (const auto& [id, row] : matchRows(tc, objects, what, where)) {
            compareRow(tc, id, row, what, where);
        }
    }

    // Re-reads the object a row names (its own problems were reported when it was checked).
    void compareRow(const TableContext& tc, std::uint32_t id, std::size_t row, const char* what,
                    const std::string& where) {
        const NbtEntry& node = trees_.nbt.at(id);
        Report scratch;
        const auto pc = PropertyContext::open(blocks_, node.bidData, node.bidSub, "", scratch);
        if (pc) {
            compareRowWithObject(tc, row, *pc, what, where + ", row for " + hex(id), r_);
        }
    }

    const BTrees& trees_;
    BlockSource& blocks_;
    const std::map<std::uint32_t, MessageFacts>& messages_;
    Report& r_;
};

}  // namespace

std::uint64_t checkFolders(const BTrees& trees, BlockSource& blocks,
                           const std::map<std::uint32_t, Folder>& folders,
                           const std::map<std::uint32_t, MessageFacts>& messages, Report& report) {
    return FolderChecker(trees, blocks, messages, report).run(folders);
}

}  // namespace tolvane::pstcheck
