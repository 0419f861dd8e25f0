#include "platform/win32/WideText.h"

#include <gtest/gtest.h>

namespace tolvane::win32 {
namespace {

// Every name the system gives must come back to the system unchanged.
TEST(WideTextRoundTrip, NamesOfEveryPlaneComeBackUnchanged) {
    const std::wstring names[] = {
        L"a.eml",
        L"\u00C9t\u00E9\\\u0412\u0445\u0456\u0434\u043D\u0456",  // Latin-1 and Cyrillic
        L"\u2603 \u4E2D\u6587.eml",                              // BMP beyond Latin
        std::wstring{L'm', static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDCE7), L'x'},
        std::wstring{L'a', static_cast<wchar_t>(0xD800), L'b'},  // a lone high surrogate
        std::wstring{static_cast<wchar_t>(0xDC00)},              // a lone low surrogate
        std::wstring{static_cast<wchar_t>(0xDBFF), static_cast<wchar_t>(0xDBFF)},
    };
    for (const auto& name : names) {
        EXPECT_EQ(Widen(Narrow(name)), name);
    }
}

TEST(WideTextRoundTrip, Utf8IsTheProgramsForm) {
    EXPECT_EQ(Narrow(L"\u00E9"), "\xC3\xA9");
    EXPECT_EQ(Narrow(std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDCE7)}),
              "\xF0\x9F\x93\xA7");
    EXPECT_EQ(Widen("\xF0\x9F\x93\xA7"),
              (std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDCE7)}));
    EXPECT_EQ(Widen("C:\\Mail\\\xC3\xA9t\xC3\xA9"), L"C:\\Mail\\\u00E9t\u00E9");
    // An embedded NUL is a character like any other: the file-open result carries them.
    EXPECT_EQ(Widen(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(WideTextRoundTrip, BytesThatAreNoUtf8BecomeReplacementCharacters) {
    EXPECT_EQ(Widen("a\xFF"
                    "b"),
              L"a\uFFFDb");
    EXPECT_EQ(Widen("\xC3"), L"\uFFFD");                                // cut short
    EXPECT_EQ(Widen("\xC0\xAF"), L"\uFFFD\uFFFD");                      // overlong '/'
    EXPECT_EQ(Widen("\xE2\x98"), L"\uFFFD\uFFFD");                      // cut short inside
    EXPECT_EQ(Widen("\xF4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
}

}  // namespace
}  // namespace tolvane::win32
