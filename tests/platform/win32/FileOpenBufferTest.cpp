#include "platform/win32/FileOpenBuffer.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace tolvane::win32 {
namespace {

// The pieces with a NUL between each two, as the dialog and the seam both write them.
template <typename Char>
std::basic_string<Char> joined(std::initializer_list<std::basic_string_view<Char>> pieces) {
    std::basic_string<Char> out;
    bool first = true;
    for (const auto piece : pieces) {
        if (!first) {
            out.push_back(Char{0});
        }
        first = false;
        out += piece;
    }
    return out;
}

std::wstring buffer(std::wstring_view text) {
    std::wstring out(text);
    out.append(64, L'\0');  // the rest of the dialog's buffer
    return out;
}

TEST(FileOpenBuffer, EachFormOfTheDialogsResultBecomesTheSeamsForm) {
    const FileOpenSelection none = SelectionOfBuffer(buffer(L""));
    EXPECT_EQ(none.result, "");
    EXPECT_EQ(none.files, 0u);

    const FileOpenSelection one = SelectionOfBuffer(buffer(L"C:\\Mail\\a.eml"));
    EXPECT_EQ(one.result, "C:\\Mail\\a.eml");
    EXPECT_EQ(one.files, 1u);

    const FileOpenSelection two =
        SelectionOfBuffer(buffer(joined<wchar_t>({L"C:\\Mail", L"a.eml", L"\u00E9t\u00E9.eml"})));
    EXPECT_EQ(two.result, joined<char>({"C:\\Mail", "a.eml", "\xC3\xA9t\xC3\xA9.eml"}));
    EXPECT_EQ(two.files, 2u);

    const FileOpenSelection root =
        SelectionOfBuffer(buffer(joined<wchar_t>({L"C:\\", L"a.eml", L"b.eml"})));
    EXPECT_EQ(root.result, joined<char>({"C:\\", "a.eml", "b.eml"}));
    EXPECT_EQ(root.files, 2u);
}

TEST(FileOpenBuffer, ABufferWithoutItsEndStopsAtItsSize) {
    const std::wstring full = L"C:\\Mail\\a.eml";  // no NUL at all
    EXPECT_EQ(SelectionOfBuffer(full).result, "C:\\Mail\\a.eml");
}

TEST(FileOpenBuffer, TheFilterHasANulAfterEachTextAndOneMore) {
    EXPECT_EQ(DialogFilterOf("Zimbra Desktop Exported Messages (*.eml)|*.eml"),
              joined<wchar_t>({L"Zimbra Desktop Exported Messages (*.eml)", L"*.eml", L"", L""}));
    EXPECT_EQ(DialogFilterOf("A|*.a|B|*.b;*.c"),
              joined<wchar_t>({L"A", L"*.a", L"B", L"*.b;*.c", L"", L""}));
}

}  // namespace
}  // namespace tolvane::win32
