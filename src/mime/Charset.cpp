#include "mime/Charset.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "text/Utf8.h"

namespace tolvane::mime {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// windows-1252 0x80..0x9F; the five unassigned bytes map to the C1 control of the same
// value (as WHATWG does) so that no byte is lost.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string decodeWindows1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0xA0) {
            text::appendUtf8(out, kCp1252High[c - 0x80]);
        } else {
            text::appendUtf8(out, c);
        }
    }
    return out;
}

struct Alias {
    std::string_view from;
    std::string_view to;
};

// Mislabels seen in real mail, mapped to a name iconv knows (supersets where safe). Names
// iconv knows for a narrower or another set go where mail clients take them: GB 2312's own
// names to GB18030 (iconv reads "gb_2312-80" as the bare 94x94 set), Latin-1's to
// iso-8859-1, and the teletext set ANSI X3.110, a label Latin-1 text carries, to windows-1252.
constexpr Alias kAliases[] = {
    {"utf8", "utf-8"},
    {"unicode-1-1-utf-8", "utf-8"},
    {"x-unicode20utf8", "utf-8"},
    {"ks_c_5601-1987", "cp949"},
    {"ks_c_5601", "cp949"},
    {"ks_c_5601-1989", "cp949"},
    {"ksc5601", "cp949"},
    {"ksc_5601", "cp949"},
    {"x-windows-949", "cp949"},
    {"gb2312", "gb18030"},
    {"gbk", "gb18030"},
    {"x-gbk", "gb18030"},
    {"euc-cn", "gb18030"},
    {"cp936", "gb18030"},
    {"x-euc-cn", "gb18030"},
    {"gb_2312", "gb18030"},
    {"gb_2312-80", "gb18030"},
    {"csgb2312", "gb18030"},
    {"chinese", "gb18030"},
    {"iso-ir-58", "gb18030"},
    {"csiso58gb231280", "gb18030"},
    {"ms936", "gb18030"},
    {"windows-936", "gb18030"},
    {"iso-8859-8-i", "iso-8859-8"},
    {"iso-8859-6-i", "iso-8859-6"},
    {"x-sjis", "shift_jis"},
    {"sjis", "shift_jis"},
    {"shift-jis", "shift_jis"},
    {"ms_kanji", "shift_jis"},
    {"windows-31j", "cp932"},
    {"x-euc-jp", "euc-jp"},
    {"big5-hkscs", "big5-hkscs"},
    {"x-mac-roman", "macintosh"},
    {"macroman", "macintosh"},
    {"cp1252", "windows-1252"},
    {"x-cp1252", "windows-1252"},
    {"ansi", "windows-1252"},
    {"cp1250", "windows-1250"},
    {"cp1251", "windows-1251"},
    {"x-cp1250", "windows-1250"},
    {"x-cp1251", "windows-1251"},
    {"latin1", "iso-8859-1"},
    {"latin-1", "iso-8859-1"},
    {"iso8859-1", "iso-8859-1"},
    {"iso_8859-1", "iso-8859-1"},
    {"iso8859-2", "iso-8859-2"},
    {"iso8859-15", "iso-8859-15"},
    {"latin2", "iso-8859-2"},
    {"l1", "iso-8859-1"},
    {"iso-ir-100", "iso-8859-1"},
    {"iso_8859-1:1987", "iso-8859-1"},
    {"iso88591", "iso-8859-1"},
    {"cp819", "iso-8859-1"},
    {"ibm819", "iso-8859-1"},
    {"csisolatin1", "iso-8859-1"},
    {"ansi_x3.110-1983", "windows-1252"},
    {"ansi_x3.110", "windows-1252"},
    {"iso-ir-99", "windows-1252"},
    {"csa_t500-1983", "windows-1252"},
    {"naplps", "windows-1252"},
    {"csiso99naplps", "windows-1252"},
    {"latin5", "iso-8859-9"},
    {"l5", "iso-8859-9"},
    {"iso_8859-9", "iso-8859-9"},
    {"iso8859-9", "iso-8859-9"},
    {"ascii", "us-ascii"},
    {"ansi_x3.4-1968", "us-ascii"},
    {"iso-646-us", "us-ascii"},
    {"us", "us-ascii"},
    {"tis-620", "windows-874"},
    {"iso-8859-11", "windows-874"},
};

// Labels mail clients decode by a superset (as the WHATWG Encoding Standard and Windows' own
// code pages do), so that the characters the superset adds come out whole; the label keeps
// its code page.
constexpr Alias kSupersets[] = {
    {"iso-8859-1", "windows-1252"},
    {"iso-8859-9", "windows-1254"},
    {"euc-kr", "cp949"},
    {"shift_jis", "cp932"},
};

struct CodePage {
    std::string_view charset;
    int codePage;
};

constexpr CodePage kCodePages[] = {
    {"us-ascii", 20127},    {"iso-8859-1", 28591},  {"iso-8859-2", 28592},  {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},  {"iso-8859-5", 28595},  {"iso-8859-6", 28596},  {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},  {"iso-8859-9", 28599},  {"iso-8859-13", 28603}, {"iso-8859-15", 28605},
    {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252}, {"windows-1253", 1253},
    {"windows-1254", 1254}, {"windows-1255", 1255}, {"windows-1256", 1256}, {"windows-1257", 1257},
    {"windows-1258", 1258}, {"utf-8", 65001},       {"utf-7", 65000},       {"koi8-r", 20866},
    {"koi8-u", 21866},      {"shift_jis", 932},     {"cp932", 932},         {"euc-jp", 51932},
    {"iso-2022-jp", 50220}, {"gb18030", 54936},     {"big5", 950},          {"big5-hkscs", 950},
    {"cp949", 949},         {"euc-kr", 51949},      {"iso-2022-kr", 50225}, {"windows-874", 874},
    {"utf-16", 1200},       {"utf-16le", 1200},     {"utf-16be", 1201},     {"macintosh", 10000},
    {"hz-gb-2312", 52936},
};

// The whole input through one iconv descriptor; EILSEQ and a truncated tail become U+FFFD.
DecodedText convertWithIconv(iconv_t cd, std::string_view bytes) {
    DecodedText result;
    std::string& out = result.utf8;
    out.resize(bytes.size() * 2 + 16);
    std::size_t used = 0;
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    const auto room = [&](std::size_t need) {
        if (out.size() - used < need)
            out.resize(out.size() * 2 + need);
    };
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        used = out.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (err == E2BIG) {
            room(64);
            continue;
        }
        room(kReplacement.size());
        std::copy(kReplacement.begin(), kReplacement.end(), out.begin() + used);
        used += kReplacement.size();
        ++result.replaced;
        if (err == EINVAL) {
            inLeft = 0;  // a truncated sequence at the end
        } else {
            ++in;  // an invalid byte: skip exactly one
            --inLeft;
        }
    }
    // Emit whatever a stateful encoding still holds.
    for (int tries = 0; tries < 8; ++tries) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t rc = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1) || errno != E2BIG)
            break;
        room(64);
    }
    out.resize(used);
    return result;
}

// Each byte that starts no valid sequence becomes U+FFFD.
DecodedText withInvalidUtf8Replaced(std::string_view bytes) {
    if (text::isValidUtf8(bytes))
        return DecodedText{std::string(bytes), 65001, 0};
    DecodedText d;
    for (std::size_t i = 0; i < bytes.size();) {
        const text::DecodedChar c = text::decodeUtf8(bytes, i);
        if (c.valid) {
            d.utf8.append(bytes.substr(i, c.length));
        } else {
            d.utf8 += kReplacement;
            ++d.replaced;
        }
        i += c.length;
    }
    return d;
}

}  // namespace

std::string canonicalCharset(std::string_view name) {
    std::string s;
    for (char c : name) {
        if (c == '"' || c == '\'' || c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        // No charset name holds other bytes; iconv would read "utf-8\xBE" as UTF-8 and pass
        // invalid sequences through unchecked.
        if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E)
            return {};
        s += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    for (const auto& a : kAliases) {
        if (s == a.from)
            return std::string(a.to);
    }
    if (s.starts_with("cp125") && s.size() == 6)
        return "windows-" + s.substr(2);
    if (s.starts_with("windows-") && s.size() > 8 && s.substr(8).starts_with("cp")) {
        return "windows-" + s.substr(10);
    }
    return s;
}

int codePageOf(std::string_view charset) {
    const std::string c = canonicalCharset(charset);
    for (const auto& cp : kCodePages) {
        if (c == cp.charset)
            return cp.codePage;
    }
    return 0;
}

DecodedText decode8bit(std::string_view bytes) {
    if (text::isValidUtf8(bytes))
        return {std::string(bytes), 65001, 0};
    return {decodeWindows1252(bytes), 1252, 0};
}

std::optional<DecodedText> decodeCharset(std::string_view bytes, std::string_view charset) {
    const std::string name = canonicalCharset(charset);
    if (name.empty())
        return std::nullopt;
    // us-ascii labels on 8-bit text are common mislabels: the undeclared rule keeps every byte.
    if (name == "us-ascii") {
        DecodedText d = decode8bit(bytes);
        const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (ascii)
            d.codePage = 20127;
        return d;
    }
    if (name == "utf-8") {
        DecodedText d = withInvalidUtf8Replaced(bytes);
        d.codePage = 65001;
        return d;
    }
    std::string decoder = name;
    for (const auto& s : kSupersets) {
        if (name == s.from)
            decoder = s.to;
    }
    // Latin-1 labels almost always mean windows-1252 in mail (as in HTML5), and 1252 keeps
    // every byte.
    if (decoder == "windows-1252")
        return DecodedText{decodeWindows1252(bytes), codePageOf(name), 0};
    iconv_t cd = iconv_open("UTF-8", decoder.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1) && decoder != name)
        cd = iconv_open("UTF-8", name.c_str());  // a system without the superset
    // A system without GB18030 (Wine's) still decodes its two-byte part, GBK.
    if (cd == reinterpret_cast<iconv_t>(-1) && name == "gb18030")
        cd = iconv_open("UTF-8", "gbk");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    DecodedText d = convertWithIconv(cd, bytes);
    iconv_close(cd);
    // Some of iconv's converters (UTF-8 to UTF-8 among them) copy bytes without checking.
    if (!text::isValidUtf8(d.utf8)) {
        const std::size_t replaced = d.replaced;
        d = withInvalidUtf8Replaced(d.utf8);
        d.replaced += replaced;
    }
    d.codePage = codePageOf(name);
    return d;
}

UndeclaredCharsets::UndeclaredCharsets(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const std::string c = canonicalCharset(name);
        if (c.empty() || c == "utf-8" || c == "us-ascii" || c == "windows-1252" ||
            std::find(charsets_.begin(), charsets_.end(), c) != charsets_.end()) {
            continue;
        }
        if (decodeCharset("", c))
            charsets_.push_back(c);
    }
}

UndeclaredCharsets UndeclaredCharsets::then(const UndeclaredCharsets& after) const {
    UndeclaredCharsets out = *this;
    for (const std::string& c : after.charsets_) {
        if (std::find(out.charsets_.begin(), out.charsets_.end(), c) == out.charsets_.end())
            out.charsets_.push_back(c);
    }
    return out;
}

DecodedText UndeclaredCharsets::decode(std::string_view bytes) const {
    if (!charsets_.empty() && !text::isValidUtf8(bytes)) {
        for (const std::string& c : charsets_) {
            if (auto d = decodeCharset(bytes, c); d && d->replaced == 0)
                return std::move(*d);
        }
    }
    return decode8bit(bytes);
}

DecodedText decodeText(std::string_view bytes, std::string_view charset,
                       const UndeclaredCharsets& undeclared) {
    // 8-bit text labelled us-ascii did not know its charset: the undeclared rule decides.
    if (charset.size() <= 16 && canonicalCharset(charset) == "us-ascii" &&
        !std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return undeclared.decode(bytes);
    }
    if (!charset.empty()) {
        if (auto d = decodeCharset(bytes, charset))
            return std::move(*d);
    }
    return undeclared.decode(bytes);
}

std::string replaceNul(std::string utf8) {
    if (utf8.find('\0') == std::string::npos)
        return utf8;
    std::string out;
    out.reserve(utf8.size() + 8);
    for (char c : utf8) {
        if (c == '\0') {
            out += kReplacement;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace tolvane::mime
