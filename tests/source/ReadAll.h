#pragma once

// Reads a whole source for a test: its items and every problem, in order.

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "source/SourceReader.h"

namespace tolvane::source::test {

struct ReadAll {
    std::vector<Item> items;
    std::vector<Problem> problems;

    const Item* find(std::string_view entry) const {
        const auto it = std::find_if(items.begin(), items.end(),
                                     [&](const Item& item) { return item.entry == entry; });
        return it == items.end() ? nullptr : &*it;
    }
    std::vector<const Problem*> problemsOf(ProblemKind kind) const {
        std::vector<const Problem*> found;
        for (const Problem& problem : problems) {
            if (problem.kind == kind)
                found.push_back(&problem);
        }
        return found;
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const Item& item : items)
            names.push_back(item.entry);
        return names;
    }
};

inline ReadAll readAll(const std::filesystem::path& path, const ReadOptions& options = {}) {
    ReadAll all;
    const auto reader = openSource(path, options);
    while (auto item = reader->next()) {
        all.items.push_back(std::move(*item));
        for (Problem& problem : reader->takeProblems())
            all.problems.push_back(std::move(problem));
    }
    for (Problem& problem : reader->takeProblems())
        all.problems.push_back(std::move(problem));
    return all;
}

inline std::filesystem::path archive(std::string_view name) {
    return std::filesystem::path(TOLVANE_SOURCE_ARCHIVES) / name;
}

inline std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

inline std::string textOf(const Item& item) {
    const auto bytes = item.bytes->readAll();
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace tolvane::source::test
