// Folder and store names compare without regard to case, with Unicode's full case folding.
// The fold is our own table; glib's g_utf8_casefold, which the store used before, is the
// independent reference it must agree with on every code point.

#include <glib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/NameFold.h"

namespace tolvane::store {
namespace {

std::string utf8(char32_t code) {
    gchar buffer[6];
    const gint length = g_unichar_to_utf8(static_cast<gunichar>(code), buffer);
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string glibFold(const std::string& text) {
    gchar* folded = g_utf8_casefold(text.data(), static_cast<gssize>(text.size()));
    std::string result(folded);
    g_free(folded);
    return result;
}

// Where the two differ, glib's fold must be the one at fault: not stable under a second fold
// (glib lowers the Cherokee capitals while Unicode folds the small letters to them).
TEST(NameFold, AgreesWithGlibOnEveryCodePointWhereGlibIsConsistent) {
    std::vector<char32_t> differ;
    int changed = 0;
    int glibUnstable = 0;
    for (char32_t code = 1; code <= 0x10FFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) {
            continue;  // surrogates are not characters
        }
        const std::string text = utf8(code);
        const std::string folded = foldName(text);
        changed += folded != text;
        const std::string byGlib = glibFold(text);
        if (folded == byGlib) {
            continue;
        }
        if (glibFold(byGlib) != byGlib && foldName(byGlib) == folded) {
            ++glibUnstable;
        } else if (differ.size() < 20) {
            differ.push_back(code);
        }
    }
    EXPECT_LT(glibUnstable, 100);
    EXPECT_TRUE(differ.empty()) << "first code point folded otherwise than glib U+" << std::hex
                                << static_cast<unsigned>(differ.empty() ? 0 : differ.front())
                                << ", " << std::dec << differ.size() << " shown of at most 20";
    EXPECT_GT(changed, 1400);  // the table is there: CaseFolding.txt folds over 1,400
}

TEST(NameFold, FoldsWholeNamesAsFoldersAreMatched) {
    EXPECT_EQ(foldName("Inbox"), foldName("INBOX"));
    EXPECT_EQ(foldName("Stra\u00dfe"), "strasse");          // ß folds to two letters
    EXPECT_EQ(foldName("\u00c9T\u00c9"), "\u00e9t\u00e9");  // ÉTÉ
    EXPECT_EQ(foldName("\u03a3\u039f\u03a6\u039f\u03a3"),   // ΣΟΦΟΣ
              foldName("\u03c3\u03bf\u03c6\u03bf\u03c2"));  // σοφος, final sigma
    EXPECT_EQ(foldName("\u0130"), "i\u0307");               // İ keeps its dot
    EXPECT_EQ(foldName("\U00010400"), "\U00010428");        // Deseret, four bytes each
    EXPECT_EQ(foldName("Mail \u2013 2024"), "mail \u2013 2024");
    EXPECT_EQ(foldName(""), "");
    EXPECT_NE(foldName("Inbox"), foldName("Inbox2"));
}

TEST(NameFold, TextThatIsNotUtf8FoldsAsciiOnlyAndKeepsEveryByte) {
    const std::vector<std::string> malformed{
        "AB\xff"
        "C",       // a byte that never starts a character
        "AB\xc3",  // cut short
        "AB\xc3"
        "C",                   // a lead byte without its continuation
        "AB\xc0\x80",          // overlong NUL
        "AB\xed\xa0\x80",      // a surrogate
        "AB\xf4\x90\x80\x80",  // past U+10FFFF
        "\xc3\x89"
        "AB\xff",  // É is left alone once the name is not UTF-8
    };
    for (const std::string& name : malformed) {
        std::string expected = name;
        for (char& c : expected) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        EXPECT_EQ(foldName(name), expected) << name;
        EXPECT_NE(foldName(name), name) << name;
    }
}

}  // namespace
}  // namespace tolvane::store
