#include "store/NameFold.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "text/Utf8.h"

namespace tolvane::store {
namespace {

struct Folding {
    char32_t from;
    std::array<char32_t, 3> to;  // unused places are 0
};

constexpr Folding kFoldings[] = {
#include "store/NameFoldTable.inc"
};

static_assert(std::is_sorted(std::begin(kFoldings), std::end(kFoldings),
                             [](const Folding& a, const Folding& b) { return a.from < b.from; }));

void appendFolded(char32_t code, std::string& out) {
    const auto found = std::lower_bound(std::begin(kFoldings), std::end(kFoldings), code,
                                        [](const Folding& f, char32_t c) { return f.from < c; });
    if (found == std::end(kFoldings) || found->from != code) {
        text::appendUtf8(out, code);
        return;
    }
    for (const char32_t unit : found->to) {
        if (unit != 0) {
            text::appendUtf8(out, unit);
        }
    }
}

// Text that is not UTF-8 still compares without regard to ASCII case.
std::string asciiLower(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

}  // namespace

std::string foldName(std::string_view name) {
    std::string folded;
    folded.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        const text::DecodedChar c = text::decodeUtf8(name, at);
        if (!c.valid) {
            return asciiLower(name);
        }
        appendFolded(c.point, folded);
        at += c.length;
    }
    return folded;
}

}  // namespace tolvane::store
