#include "platform/win32/FileOpenBuffer.h"

#include <vector>

#include "platform/win32/WideText.h"

namespace tolvane::win32 {

FileOpenSelection SelectionOfBuffer(std::wstring_view buffer) {
    std::vector<std::wstring_view> pieces;
    std::size_t start = 0;
    while (start < buffer.size() && buffer[start] != L'\0') {
        std::size_t end = buffer.find(L'\0', start);
        if (end == std::wstring_view::npos) {
            end = buffer.size();
        }
        pieces.push_back(buffer.substr(start, end - start));
        start = end + 1;
    }
    FileOpenSelection selection;
    if (pieces.empty()) {
        return selection;
    }
    selection.files = pieces.size() == 1 ? 1 : pieces.size() - 1;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (k > 0) {
            selection.result.push_back('\0');
        }
        selection.result += Narrow(pieces[k]);
    }
    return selection;
}

std::wstring DialogFilterOf(std::string_view filter) {
    std::wstring out = Widen(filter);
    for (wchar_t& c : out) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

}  // namespace tolvane::win32
