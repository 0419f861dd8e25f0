#include "scan/NameOrder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvane::scan {
namespace {

struct Named {
    std::string Name;
};

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::vector<Named> entries;
    for (auto& name : names) {
        entries.push_back({name});
    }
    sortLikeWindowsFolder(entries);
    std::vector<std::string> result;
    for (auto& entry : entries) {
        result.push_back(entry.Name);
    }
    return result;
}

TEST(WindowsFolderOrder, ComparesUpperCasedNames) {
    EXPECT_EQ(sorted({"c.txt", "B.EML", "a.eml", "d.eml"}),
              (std::vector<std::string>{"a.eml", "B.EML", "c.txt", "d.eml"}));
    // Upper-cased, '_' (0x5F) comes after every letter; lower-cased it would come before.
    EXPECT_EQ(sorted({"_notes", "zeta", "Alpha"}),
              (std::vector<std::string>{"Alpha", "zeta", "_notes"}));
    // A prefix first, then code-unit order: '.' (0x2E) before '1' (0x31).
    EXPECT_EQ(sorted({"a1", "a.eml", "a"}), (std::vector<std::string>{"a", "a.eml", "a1"}));
}

TEST(WindowsFolderOrder, NamesEqualButForCaseFollowTheirBytes) {
    const std::vector<std::string> expected{"A.EML", "A.eml", "a.eml"};
    EXPECT_EQ(sorted({"a.eml", "A.eml", "A.EML"}), expected);
    EXPECT_EQ(sorted({"A.eml", "A.EML", "a.eml"}), expected);
}

TEST(WindowsFolderOrder, NonAsciiNamesUpperCaseToo) {
    EXPECT_EQ(upperCaseSortKey("\xC3\xA9t\xC3\xA9"), u"\u00C9T\u00C9");  // été
    EXPECT_EQ(upperCaseSortKey("\xCF\x89"), u"\u03A9");                  // ω
    // É (0xC9) after Z (0x5A); Ω (0x3A9) after É.
    EXPECT_EQ(sorted({"\xCF\x89", "\xC3\xA9", "z"}),
              (std::vector<std::string>{"z", "\xC3\xA9", "\xCF\x89"}));
}

TEST(WindowsFolderOrder, SupplementaryCharactersAreUtf16Pairs) {
    EXPECT_EQ(upperCaseSortKey("\xF0\x9F\x98\x80"), u"\U0001F600");
    // The pair's lead unit 0xD83D sorts below a private-use character U+E000.
    EXPECT_EQ(sorted({"\xEE\x80\x80", "\xF0\x9F\x98\x80"}),
              (std::vector<std::string>{"\xF0\x9F\x98\x80", "\xEE\x80\x80"}));
}

TEST(WindowsFolderOrder, InvalidUtf8BytesStillGetAKey) {
    EXPECT_EQ(upperCaseSortKey("a\xFF"
                               "b"),
              (std::u16string{u'A', char16_t{0xDCFF}, u'B'}));
    EXPECT_EQ(upperCaseSortKey("\xC3"), (std::u16string{char16_t{0xDCC3}}));  // cut short
    EXPECT_EQ(upperCaseSortKey("\xC0\xAF"),                                   // overlong '/'
              (std::u16string{char16_t{0xDCC0}, char16_t{0xDCAF}}));
}

// The comparison walks the keys unit by unit; it must agree with comparing whole keys, then
// bytes, for every pair of these names (pairs, invalid bytes, prefixes, case, non-ASCII).
TEST(WindowsFolderOrder, StepwiseComparisonAgreesWithWholeKeys) {
    const std::vector<std::string> names{
        "", "a", "A", "a.eml", "a1", "_x", "\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89",
        "\xF0\x9F\x98\x80", "\xEF\xBF\xBF", "a\xFF", "a\xFE", "\xC3", "\xC0\xAF", "z", "Z.EML",
        // Shared beginnings, cut inside a character or not.
        "m0000001.eml", "m0000002.eml", "m000000A.eml", "m000000a.eml", "x\xC3\xA9\x61",
        "x\xC3\x89\x61", "x\xC3\xA9", "x\xC3", "x\xC2\xB5", "x\xC2\xB6"};
    int before = 0;
    for (const std::string& a : names) {
        for (const std::string& b : names) {
            const std::u16string keyA = upperCaseSortKey(a);
            const std::u16string keyB = upperCaseSortKey(b);
            const bool expected = keyA != keyB ? keyA < keyB : a < b;
            EXPECT_EQ(sortsBeforeLikeWindows(a, b), expected) << a << " / " << b;
            before += expected ? 1 : 0;
        }
    }
    // A strict order: one of each pair of different names.
    EXPECT_EQ(before, static_cast<int>(names.size() * (names.size() - 1) / 2));
}

}  // namespace
}  // namespace tolvane::scan
