#pragma once

// What an import could not store as it was: the file or entry, the item, and what was done.

#include <string>
#include <vector>

namespace tolvane::calendar {

struct Problem {
    std::string where;      // "<file or entry>: VEVENT 'Subject' at line 12"
    std::string what;       // what was wrong and what was done about it
    bool itemLost = false;  // the item (or the whole text) was not converted
};

class Report {
  public:
    explicit Report(std::string source) : source_(std::move(source)) {}

    const std::string& source() const { return source_; }
    // Sets the item further problems are about.
    void item(std::string description) { item_ = std::move(description); }
    void add(std::string what) { push(std::move(what), false); }
    // A problem that cost the item: it was not converted.
    void lose(std::string what) { push(std::move(what), true); }
    const std::vector<Problem>& problems() const { return problems_; }
    std::vector<Problem> take() { return std::move(problems_); }

  private:
    void push(std::string what, bool lost) {
        problems_.push_back({source_ + (item_.empty() ? "" : ": " + item_), std::move(what), lost});
    }

    std::string source_;
    std::string item_;
    std::vector<Problem> problems_;
};

}  // namespace tolvane::calendar
