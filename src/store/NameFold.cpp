#include "store/NameFold.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>

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

// The code point at `at`, moving `at` past it; none for a malformed, overlong or surrogate
// sequence.
std::optional<char32_t> decode(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t code = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (text.size() - at < length) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kShortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return std::nullopt;
    }
    at += length;
    return code;
}

void encode(char32_t code, std::string& out) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

void appendFolded(char32_t code, std::string& out) {
    const auto found = std::lower_bound(std::begin(kFoldings), std::end(kFoldings), code,
                                        [](const Folding& f, char32_t c) { return f.from < c; });
    if (found == std::end(kFoldings) || found->from != code) {
        encode(code, out);
        return;
    }
    for (const char32_t unit : found->to) {
        if (unit != 0) {
            encode(unit, out);
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
        const std::optional<char32_t> code = decode(name, at);
        if (!code) {
            return asciiLower(name);
        }
        appendFolded(*code, folded);
    }
    return folded;
}

}  // namespace tolvane::store
