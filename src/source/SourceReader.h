#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "source/Item.h"
#include "source/Problem.h"
#include "source/ReadOptions.h"

namespace tolvane::source {

// A file the user queued, read in one pass: each call to next() yields its next item. What goes
// wrong on the way is collected as problems, each naming the source and the entry; every item
// before a problem has been delivered, and reading goes on where it can. Memory stays within
// the read limits whatever the source holds.
class SourceReader {
  public:
    virtual ~SourceReader() = default;
    // The next item, or nullopt when the source has no more.
    virtual std::optional<Item> next() = 0;
    // The problems met since the last call, in the order met.
    std::vector<Problem> takeProblems() { return std::exchange(problems_, {}); }

  protected:
    void report(Problem problem) { problems_.push_back(std::move(problem)); }

  private:
    std::vector<Problem> problems_;
};

// A reader for a message file (with its .meta beside it), a vCard or iCalendar file (one item,
// which its importer splits), or a Zimbra export archive. Never throws for what the file holds
// or lacks: a file that cannot be read, or that is none of these, gives a problem and no items.
std::unique_ptr<SourceReader> openSource(const std::filesystem::path& path,
                                         const ReadOptions& options = {});

// How many items of each kind a source holds, read without keeping any bytes, so the queue can
// show what a file holds before it is converted.
struct SourceSurvey {
    std::array<std::uint64_t, kItemKindCount> counts{};
    std::uint64_t problemCount = 0;
    std::vector<Problem> firstProblems;  // the first 100

    std::uint64_t count(ItemKind kind) const { return counts[static_cast<std::size_t>(kind)]; }
};

SourceSurvey surveySource(const std::filesystem::path& path, const ReadLimits& limits = {});

}  // namespace tolvane::source
