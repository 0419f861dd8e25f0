#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::pstcheck {

// One broken invariant: which structure, which field, what was found, and where.
struct Problem {
    std::string structure;  // e.g. "BLOCKTRAILER", "AMAP", "HIERARCHY_TABLE"
    std::string field;      // e.g. "dwCRC", "bit", "cRowCount"
    std::string detail;     // found vs expected
    std::string location;   // e.g. "bid 0x1234 at 0x5a00", "nid 0x8022"
};

class Report {
  public:
    explicit Report(bool strict = false) : strict_(strict) {}

    void add(std::string structure, std::string field, std::string detail, std::string location);
    // Something Outlook itself leaves in its files (learned from Outlook-made samples): a
    // problem only in strict mode, which a fresh writer should pass.
    void tolerate(std::string structure, std::string field, std::string detail,
                  std::string location);
    // A state worth telling that breaks no invariant (maps marked for rebuilding, say).
    void note(std::string structure, std::string field, std::string detail, std::string location);
    std::size_t tolerated() const { return tolerated_; }
    const std::vector<Problem>& notes() const { return notes_; }
    const std::vector<Problem>& problems() const { return problems_; }
    bool empty() const { return problems_.empty(); }
    // True when a problem with this structure and field was reported (and, if given, whose
    // location contains the text).
    bool has(std::string_view structure, std::string_view field,
             std::string_view locationPart = {}) const;

  private:
    bool strict_;
    std::size_t tolerated_ = 0;
    std::vector<Problem> problems_;
    std::vector<Problem> notes_;
};

std::string format(const Problem& p);
std::string hex(std::uint64_t value);
std::string at(std::uint64_t offset);  // "at 0x..."

}  // namespace tolvane::pstcheck
