#include "mime/Html.h"

#include <strings.h>

#include <cstdint>
#include <vector>

#include "text/Utf8.h"

namespace tolvane::mime {

namespace {

char lowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

std::size_t findNoCase(std::string_view hay, std::string_view needle, std::size_t from) {
    if (needle.empty() || hay.size() < needle.size())
        return std::string_view::npos;
    // Needles start with '<' or a letter; find candidates by their first byte, then compare.
    const char first = lowerChar(needle[0]);
    const char upper = first >= 'a' && first <= 'z' ? static_cast<char>(first - 32) : first;
    for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
        if ((hay[i] == first || hay[i] == upper) &&
            strncasecmp(hay.data() + i + 1, needle.data() + 1, needle.size() - 1) == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

struct Span {
    std::size_t begin, end;  // the charset value inside the document
};

// Charset value spans inside <meta ...> tags.
std::vector<Span> metaCharsetSpans(std::string_view html) {
    std::vector<Span> spans;
    std::size_t pos = 0;
    while ((pos = findNoCase(html, "<meta", pos)) != std::string_view::npos) {
        const std::size_t close = html.find('>', pos);
        const std::size_t end = close == std::string_view::npos ? html.size() : close;
        std::size_t c = pos;
        while ((c = findNoCase(html.substr(0, end), "charset", c)) != std::string_view::npos) {
            std::size_t v = c + 7;
            while (v < end && (html[v] == ' ' || html[v] == '\t'))
                ++v;
            if (v < end && html[v] == '=') {
                ++v;
                while (v < end &&
                       (html[v] == ' ' || html[v] == '\t' || html[v] == '"' || html[v] == '\'')) {
                    ++v;
                }
                std::size_t e = v;
                while (e < end && html[e] != '"' && html[e] != '\'' && html[e] != ';' &&
                       html[e] != ' ' && html[e] != '/' && html[e] != '>') {
                    ++e;
                }
                if (e > v)
                    spans.push_back({v, e});
                c = e;
            } else {
                c = v;
            }
        }
        pos = end;
    }
    return spans;
}

// A character reference to NUL is U+FFFD as well (HTML's rule); text::appendUtf8 replaces
// surrogates and values above U+10FFFF.
void appendReferenced(std::string& out, std::uint32_t cp) {
    text::appendUtf8(out, cp == 0 ? text::kReplacementCharacter : cp);
}

// Decodes the entity at html[i] == '&'; returns characters consumed (0 if none).
std::size_t decodeEntity(std::string_view html, std::size_t i, std::string& out) {
    const std::size_t semi = html.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10)
        return 0;
    const std::string_view name = html.substr(i + 1, semi - i - 1);
    if (name.size() > 1 && name[0] == '#') {
        std::uint32_t cp = 0;
        const bool hex = name[1] == 'x' || name[1] == 'X';
        for (char c : name.substr(hex ? 2 : 1)) {
            int d = -1;
            if (c >= '0' && c <= '9')
                d = c - '0';
            if (hex && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            if (hex && c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            if (d < 0)
                return 0;
            cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
            if (cp > 0x10FFFF)
                cp = 0x110000;
        }
        appendReferenced(out, cp);
        return semi - i + 1;
    }
    static const struct {
        std::string_view name;
        std::uint32_t cp;
    } kNamed[] = {{"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},
                  {"apos", '\''},    {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},
                  {"euro", 0x20AC},  {"mdash", 0x2014}, {"ndash", 0x2013}, {"hellip", 0x2026},
                  {"laquo", 0xAB},   {"raquo", 0xBB},   {"rsquo", 0x2019}, {"lsquo", 0x2018},
                  {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"bull", 0x2022},  {"trade", 0x2122}};
    for (const auto& e : kNamed) {
        if (name == e.name) {
            appendReferenced(out, e.cp);
            return semi - i + 1;
        }
    }
    return 0;
}

bool isBlockTag(std::string_view tag) {
    static constexpr std::string_view kBlocks[] = {"br",         "p",   "div", "tr", "li", "h1",
                                                   "h2",         "h3",  "h4",  "h5", "h6", "table",
                                                   "blockquote", "pre", "hr",  "ul", "ol"};
    for (auto b : kBlocks) {
        if (tag == b)
            return true;
    }
    return false;
}

}  // namespace

std::optional<std::string> metaCharset(std::string_view html) {
    const auto spans = metaCharsetSpans(html);
    if (spans.empty())
        return std::nullopt;
    return std::string(html.substr(spans.front().begin, spans.front().end - spans.front().begin));
}

std::string rewriteMetaCharset(std::string_view html, std::string_view charset) {
    std::string out;
    std::size_t at = 0;
    for (const auto& s : metaCharsetSpans(html)) {
        out.append(html.substr(at, s.begin - at));
        out.append(charset);
        at = s.end;
    }
    out.append(html.substr(at));
    return out;
}

std::string htmlToText(std::string_view html) {
    std::string out;
    out.reserve(html.size() / 2);
    bool pendingSpace = false;
    for (std::size_t i = 0; i < html.size();) {
        const char c = html[i];
        if (c == '<') {
            if (html.substr(i, 4) == "<!--") {
                const std::size_t e = html.find("-->", i + 4);
                i = e == std::string_view::npos ? html.size() : e + 3;
                continue;
            }
            const std::size_t close = html.find('>', i);
            const std::size_t end = close == std::string_view::npos ? html.size() : close;
            std::size_t n = i + 1;
            const bool closing = n < end && html[n] == '/';
            if (closing)
                ++n;
            std::string tag;
            while (n < end && html[n] != ' ' && html[n] != '/' && html[n] != '\t' &&
                   html[n] != '\r' && html[n] != '\n') {
                tag += lowerChar(html[n++]);
            }
            i = end == html.size() ? end : end + 1;
            if (!closing &&
                (tag == "script" || tag == "style" || tag == "head" || tag == "title")) {
                const std::size_t e = findNoCase(html, "</" + tag, i);
                if (e == std::string_view::npos) {
                    i = html.size();
                } else {
                    const std::size_t gt = html.find('>', e);
                    i = gt == std::string_view::npos ? html.size() : gt + 1;
                }
                continue;
            }
            if (tag == "br" || (isBlockTag(tag) && !out.empty() && out.back() != '\n')) {
                // <br> always breaks; other blocks only end a line that has text.
                while (!out.empty() && out.back() == ' ')
                    out.pop_back();
                out += "\r\n";
                pendingSpace = false;
            } else if (tag == "td" || tag == "th") {
                pendingSpace = !out.empty();
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            pendingSpace = !out.empty() && out.back() != '\n';
            ++i;
            continue;
        }
        if (pendingSpace)
            out += ' ';
        pendingSpace = false;
        if (c == '&') {
            if (const std::size_t used = decodeEntity(html, i, out)) {
                i += used;
                continue;
            }
        }
        out += c;
        ++i;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\n' || out.back() == '\r')) {
        out.pop_back();
    }
    return out;
}

std::string enrichedToHtml(std::string_view text) {
    // RFC 1896 appendix: "<<" is a literal '<'; n newlines in a row give n-1 line breaks.
    std::string out = "<html><body>";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '<') {
            if (i + 1 < text.size() && text[i + 1] == '<') {
                out += "&lt;";
                ++i;
                continue;
            }
            const std::size_t close = text.find('>', i);
            if (close == std::string_view::npos)
                break;
            std::string tag;
            for (char t : text.substr(i + 1, close - i - 1))
                tag += lowerChar(t);
            i = close;
            if (tag == "param") {
                const std::size_t end = findNoCase(text, "</param>", i);
                i = end == std::string_view::npos ? text.size() : end + 7;
                continue;
            }
            static const struct {
                std::string_view enriched, html;
            } kMap[] = {{"bold", "<b>"},
                        {"/bold", "</b>"},
                        {"italic", "<i>"},
                        {"/italic", "</i>"},
                        {"underline", "<u>"},
                        {"/underline", "</u>"},
                        {"fixed", "<tt>"},
                        {"/fixed", "</tt>"},
                        {"center", "<center>"},
                        {"/center", "</center>"},
                        {"excerpt", "<blockquote>"},
                        {"/excerpt", "</blockquote>"}};
            for (const auto& m : kMap) {
                if (tag == m.enriched)
                    out += m.html;
            }
            continue;
        }
        if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            std::size_t run = 1;
            while (i + 1 < text.size() && (text[i + 1] == '\n' || text[i + 1] == '\r')) {
                if (text[i + 1] == '\r' && i + 2 < text.size() && text[i + 2] == '\n')
                    ++i;
                ++i;
                ++run;
            }
            if (run == 1) {
                out += ' ';
            } else {
                for (std::size_t k = 1; k < run; ++k)
                    out += "<br>\r\n";
            }
            continue;
        }
        if (c == '&') {
            out += "&amp;";
        } else if (c == '>') {
            out += "&gt;";
        } else {
            out += c;
        }
    }
    out += "</body></html>";
    return out;
}

}  // namespace tolvane::mime
