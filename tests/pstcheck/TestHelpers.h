#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "PstImage.h"
#include "pstcheck/Checker.h"
#include "pstcheck/ndb/Format.h"

// Small byte helpers shared by the fault-injection tests.
namespace tolvane::pstcheck::test {

inline std::string problems(const CheckResult& r) {
    std::string out;
    for (const auto& p : r.report.problems()) {
        out += format(p) + "\n";
    }
    return out;
}

inline std::uint64_t le64(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) {
        v = (v << 8) | b.at(at + i);
    }
    return v;
}

// Offset of the only occurrence of a byte pattern.
inline std::size_t findOnce(const std::vector<std::uint8_t>& hay,
                            const std::vector<std::uint8_t>& needle) {
    const auto end = hay.end();
    const auto first = std::search(hay.begin(), end, needle.begin(), needle.end());
    EXPECT_NE(first, end) << "pattern not found";
    EXPECT_EQ(std::search(first + 1, end, needle.begin(), needle.end()), end)
        << "pattern not unique";
    return static_cast<std::size_t>(first - hay.begin());
}

inline std::vector<std::uint8_t> le(std::uint64_t v, int n) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < n; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    return out;
}

// Leaf pages of the B-tree whose root page is at ib (stale copies elsewhere in the file are
// not part of the tree).
inline void leafPages(const std::vector<std::uint8_t>& b, std::uint64_t ib,
                      std::vector<std::size_t>& out) {
    if (b.at(ib + 491) == 0) {
        out.push_back(ib);
        return;
    }
    for (std::size_t i = 0; i < b.at(ib + 488); ++i) {
        leafPages(b, le64(b, ib + i * fmt::kBtEntrySize + 16), out);
    }
}

// Offset of a leaf entry in the live tree.
inline std::size_t findInTree(const std::vector<std::uint8_t>& b, std::uint64_t rootIb,
                              const std::vector<std::uint8_t>& entry) {
    std::vector<std::size_t> pages;
    leafPages(b, rootIb, pages);
    for (const std::size_t page : pages) {
        const auto first = b.begin() + static_cast<std::ptrdiff_t>(page);
        const auto last = first + fmt::kBtEntriesBytes;
        const auto hit = std::search(first, last, entry.begin(), entry.end());
        if (hit != last) {
            return static_cast<std::size_t>(hit - b.begin());
        }
    }
    ADD_FAILURE() << "entry not in the tree";
    return 0;
}

// A fixture over a private copy of one Outlook-made sample that must check clean first.
class SampleCopy : public ::testing::Test {
  protected:
    bool load(const std::string& name) {
        const std::string path = std::string(TOLVANE_PST_SAMPLES) + "/" + name + ".pst";
        if (!std::filesystem::exists(path)) {
            ADD_FAILURE() << "test input missing: " << path;
            return false;
        }
        image_.emplace(path);
        const CheckResult clean = image_->check();
        EXPECT_TRUE(clean.report.empty()) << problems(clean);
        return true;
    }
    std::vector<std::uint8_t>& bytes() { return image_->bytes(); }
    std::uint64_t rootIb(bool nbt) { return le64(bytes(), fmt::kRootOffset + (nbt ? 44 : 60)); }

    std::optional<PstImage> image_;
};

}  // namespace tolvane::pstcheck::test
