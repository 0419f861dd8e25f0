#include "mime/HeaderText.h"

#include <optional>
#include <vector>

#include "mime/AsciiText.h"
#include "mime/Base64.h"
#include "mime/Charset.h"

namespace tolvane::mime {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

struct EncodedWord {
    std::string charset;
    std::string bytes;
    std::size_t length = 0;  // characters of the raw text it spans
};

// Parses "=?charset[*lang]?Q|B?text?=" at `at`; nullopt if it is not a decodable word.
std::optional<EncodedWord> parseEncodedWord(std::string_view s, std::size_t at) {
    if (s.substr(at, 2) != "=?")
        return std::nullopt;
    const std::size_t q1 = s.find('?', at + 2);
    if (q1 == std::string_view::npos || q1 == at + 2 || q1 + 2 >= s.size())
        return std::nullopt;
    if (s[q1 + 2] != '?')
        return std::nullopt;
    const char enc = s[q1 + 1];
    const std::size_t end = s.find("?=", q1 + 3);
    if (end == std::string_view::npos)
        return std::nullopt;
    std::string_view charset = s.substr(at + 2, q1 - at - 2);
    const std::string_view text = s.substr(q1 + 3, end - q1 - 3);
    for (char c : charset) {
        if (isBlank(c) || static_cast<unsigned char>(c) < 0x21)
            return std::nullopt;
    }
    for (char c : text) {
        if (isBlank(c) || c == '\r' || c == '\n')
            return std::nullopt;
    }
    if (const std::size_t star = charset.find('*'); star != std::string_view::npos) {
        charset = charset.substr(0, star);  // RFC 2231 §5 language suffix
    }
    EncodedWord word;
    word.charset = std::string(charset);
    word.length = end + 2 - at;
    if (enc == 'B' || enc == 'b') {
        auto decoded = base64Decode(text);
        if (!decoded)
            return std::nullopt;
        word.bytes = std::move(*decoded);
    } else if (enc == 'Q' || enc == 'q') {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '_') {
                word.bytes += ' ';
            } else if (c == '=' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                       hexValue(text[i + 2]) >= 0) {
                word.bytes += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
                i += 2;
            } else {
                word.bytes += c;
            }
        }
    } else {
        return std::nullopt;
    }
    return word;
}

struct Segment {
    bool encoded = false;
    std::string charset;  // encoded only
    std::string bytes;    // decoded bytes (encoded) or raw text
};

// Splits unfolded text into raw runs and encoded-word runs. Blanks between two encoded
// words are dropped (RFC 2047 §6.2); adjacent words of one charset are joined before
// decoding so that a character split across words survives.
std::vector<Segment> segment(std::string_view s) {
    std::vector<Segment> out;
    std::string raw;
    bool lastWasWord = false;
    std::string pendingBlanks;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '=' && i + 1 < s.size() && s[i + 1] == '?') {
            if (auto word = parseEncodedWord(s, i)) {
                if (!lastWasWord)
                    raw += pendingBlanks;
                pendingBlanks.clear();
                if (!raw.empty()) {
                    out.push_back({false, {}, std::move(raw)});
                    raw.clear();
                }
                if (!out.empty() && out.back().encoded && out.back().charset == word->charset) {
                    out.back().bytes += word->bytes;
                } else {
                    out.push_back({true, word->charset, std::move(word->bytes)});
                }
                i += word->length;
                lastWasWord = true;
                continue;
            }
        }
        if (isBlank(s[i])) {
            pendingBlanks += s[i];
            ++i;
            continue;
        }
        raw += pendingBlanks;
        pendingBlanks.clear();
        raw += s[i];
        lastWasWord = false;
        ++i;
    }
    raw += pendingBlanks;
    if (!raw.empty())
        out.push_back({false, {}, std::move(raw)});
    return out;
}

// Where a run of raw 8-bit text ends: at an ASCII byte below 0x40 that is no digit. Second
// bytes of Shift_JIS, Big5 and GBK characters lie at 0x40 and above, GB18030's four-byte
// ones take digits, and none is a blank or one of "()<>,;:.
bool ends8bitRun(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x40 && !(u >= '0' && u <= '9');
}

// Raw 8-bit header text (RFC 6532 §3.2): each run of non-ASCII bytes by the undeclared rule,
// so one mislabelled name does not spoil its neighbours. A run ends at a blank or a
// delimiter: a multibyte charset's second bytes may well be ASCII letters.
std::string decodeRaw(std::string_view s, const UndeclaredCharsets& undeclared) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            out += s[i++];
            continue;
        }
        std::size_t j = i;
        while (j < s.size() && !ends8bitRun(s[j]))
            ++j;
        out += undeclared.decode(s.substr(i, j - i)).utf8;
        i = j;
    }
    return out;
}

std::string decodeSegment(const Segment& seg, const UndeclaredCharsets& undeclared) {
    if (!seg.encoded)
        return decodeRaw(seg.bytes, undeclared);
    return decodeText(seg.bytes, seg.charset, undeclared).utf8;
}

}  // namespace

std::string unfold(std::string_view raw) {
    // The blanks and breaks at either end go first; most fields are then one line, copied once.
    const auto blankOrBreak = [](char c) { return isBlank(c) || c == '\r' || c == '\n'; };
    std::size_t b = 0;
    while (b < raw.size() && blankOrBreak(raw[b]))
        ++b;
    std::size_t e = raw.size();
    while (e > b && blankOrBreak(raw[e - 1]))
        --e;
    raw = raw.substr(b, e - b);
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        const std::size_t end = nextLineBreak(raw, i);
        out.append(raw, i, end - i);
        i = end;
        while (i < raw.size() && (raw[i] == '\r' || raw[i] == '\n'))
            ++i;
    }
    return out;
}

std::string decodeHeaderText(std::string_view raw, const UndeclaredCharsets& undeclared) {
    const std::string text = unfold(raw);
    if (text.find("=?") == std::string::npos)
        return replaceNul(decodeRaw(text, undeclared));
    std::string out;
    for (const auto& seg : segment(text))
        out += decodeSegment(seg, undeclared);
    return replaceNul(std::move(out));
}

std::string normaliseStructured(std::string_view raw, const UndeclaredCharsets& undeclared) {
    const std::string text = unfold(raw);
    if (text.find("=?") == std::string::npos)
        return decodeRaw(text, undeclared);
    std::string out;
    for (const auto& seg : segment(text)) {
        if (!seg.encoded) {
            out += decodeRaw(seg.bytes, undeclared);
        } else {
            out += "=?UTF-8?B?" + base64Encode(decodeSegment(seg, undeclared)) + "?=";
        }
    }
    return out;
}

}  // namespace tolvane::mime
