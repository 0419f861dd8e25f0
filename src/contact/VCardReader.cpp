#include "contact/VCardReader.h"

#include <algorithm>

#include "contact/Text.h"
#include "mime/Base64.h"
#include "mime/Charset.h"
#include "mime/TextLines.h"
#include "platform/HexDigit.h"
#include "text/Utf8.h"

namespace tolvane::contact {
namespace {

// The file as bytes in an ASCII-compatible form: UTF-16 (with a byte-order mark, or the
// zero bytes of ASCII text in it) becomes UTF-8; a UTF-8 mark is dropped.
std::string asciiCompatible(std::string_view bytes) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
        return std::string(bytes.substr(3));
    }
    const bool bom16 =
        bytes.size() >= 2 && ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF));
    const bool zeros16 = bytes.size() >= 4 && ((at(0) != 0 && at(1) == 0 && at(3) == 0) ||
                                               (at(0) == 0 && at(2) == 0 && at(1) != 0));
    if (bom16 || zeros16) {
        const char* charset = bom16 ? "UTF-16" : (at(1) == 0 ? "UTF-16LE" : "UTF-16BE");
        if (auto text = mime::decodeCharset(bytes, charset)) {
            return std::move(text->utf8);
        }
    }
    return std::string(bytes);
}

bool isFold(std::string_view line) {
    return !line.empty() && (line.front() == ' ' || line.front() == '\t');
}

// Splits at `sep` outside double quotes.
std::vector<std::string_view> splitOutsideQuotes(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') {
            quoted = !quoted;
        } else if (s[i] == sep && !quoted) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(s.substr(start));
    return parts;
}

std::string unquote(std::string_view s) {
    s = trim(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') {
        s = s.substr(1, s.size() - 2);
    }
    return std::string(s);
}

void parseHead(std::string_view head, VCardProperty& p) {
    const auto parts = splitOutsideQuotes(head, ';');
    std::string_view name = trim(parts.front());
    if (const auto dot = name.rfind('.'); dot != std::string_view::npos) {
        p.group = std::string(name.substr(0, dot));
        name = name.substr(dot + 1);
    }
    p.name = upper(name);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string_view param = trim(parts[i]);
        if (param.empty()) {
            continue;
        }
        const auto eq = param.find('=');
        if (eq == std::string_view::npos) {
            const std::string bare = upper(param);
            const bool encoding = bare == "BASE64" || bare == "B" || bare == "QUOTED-PRINTABLE" ||
                                  bare == "8BIT" || bare == "7BIT";
            p.params.emplace_back(encoding ? "ENCODING" : "TYPE", std::string(param));
            continue;
        }
        const std::string pname = upper(trim(param.substr(0, eq)));
        for (std::string_view v : splitOutsideQuotes(param.substr(eq + 1), ',')) {
            // Some writers quote a whole list of types: TYPE="work,voice".
            const std::string value = unquote(v);
            if (pname == "TYPE") {
                for (std::string_view t : splitOutsideQuotes(value, ',')) {
                    p.params.emplace_back(pname, std::string(trim(t)));
                }
            } else {
                p.params.emplace_back(pname, value);
            }
        }
    }
}

std::string decodeQuotedPrintable(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '=' && i + 2 < s.size()) {
            const int hi = hexValue(s[i + 1]);
            const int lo = hexValue(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

class Reader {
  public:
    explicit Reader(std::string_view text) : lines_(mime::splitLines(text)) {}

    VCardFile run() {
        while (next_ < lines_.size()) {
            const int lineNo = static_cast<int>(next_) + 1;
            std::string logical = readLogical();
            if (trim(logical).empty()) {
                continue;
            }
            handle(lineNo, std::move(logical));
        }
        if (open_) {
            issue(card_.line, "the card has no END:VCARD; it was read to the end of the file");
            closeCard();
        }
        if (file_.cards.empty() && file_.issues.empty()) {
            issue(0, "the file holds no vCard");
        }
        return std::move(file_);
    }

  private:
    // One property's text: a quoted-printable value's soft line breaks ("=" at the end of a
    // line, the next line's first blank dropped with it) followed, folded lines joined with
    // one blank dropped (RFC 2426 2.6; 2.1 writers fold the same way).
    std::string readLogical() {
        std::string logical(lines_[next_++]);
        while (next_ < lines_.size()) {
            const std::string_view line = lines_[next_];
            if (!logical.empty() && logical.back() == '=' && quotedPrintable(logical)) {
                logical.pop_back();
            } else if (!isFold(line)) {
                break;
            }
            logical += isFold(line) ? line.substr(1) : line;
            ++next_;
        }
        return logical;
    }

    static bool quotedPrintable(std::string_view logical) {
        const auto end = mime::contentLineColon(logical);
        if (end == std::string_view::npos) {
            return false;
        }
        VCardProperty p;
        parseHead(logical.substr(0, end), p);
        const auto enc = p.param("ENCODING");
        return enc && upper(*enc) == "QUOTED-PRINTABLE";
    }

    void handle(int lineNo, std::string logical) {
        const auto end = mime::contentLineColon(logical);
        VCardProperty p;
        p.line = lineNo;
        if (end == std::string::npos) {
            if (!open_) {
                issue(lineNo, "the line is outside any card and no property; it was left out");
                return;
            }
            issue(lineNo, "the line has no ':' and is no property; its text is kept in the notes");
            p.value = decodeText(logical, std::nullopt, lineNo);
            card_.properties.push_back(std::move(p));
            return;
        }
        parseHead(std::string_view(logical).substr(0, end), p);
        const std::string_view raw = std::string_view(logical).substr(end + 1);
        const bool agentCard = p.name == "AGENT" && upper(trim(raw)) == "BEGIN:VCARD";
        if ((p.name == "BEGIN" && upper(trim(raw)) == "VCARD") || (agentCard && open_)) {
            if (open_) {
                nested_.push_back(logical);  // an AGENT's card inside this one
                ++depth_;
            } else {
                card_ = VCard{};
                card_.line = lineNo;
                open_ = true;
                depth_ = 1;
            }
            return;
        }
        if (!open_) {
            issue(lineNo, "the line is outside any card; it was left out");
            return;
        }
        if (depth_ > 1) {
            nested_.push_back(logical);
            if (p.name == "END" && upper(trim(raw)) == "VCARD" && --depth_ == 1) {
                keepNested(lineNo);
            }
            return;
        }
        if (p.name == "END") {
            closeCard();
            return;
        }
        if (p.name == "VERSION") {
            card_.version = std::string(trim(raw));
            return;
        }
        decodeValue(raw, p);
        card_.properties.push_back(std::move(p));
    }

    void keepNested(int lineNo) {
        VCardProperty p;
        p.name = "AGENT";
        p.line = lineNo;
        for (const auto& l : nested_) {
            p.value += (p.value.empty() ? "" : "\\n") + l;
        }
        nested_.clear();
        card_.properties.push_back(std::move(p));
    }

    void decodeValue(std::string_view raw, VCardProperty& p) {
        const std::string enc = upper(p.param("ENCODING").value_or(""));
        if (enc == "B" || enc == "BASE64") {
            if (auto data = mime::base64Decode(raw)) {
                p.data = mapi::Bytes(data->begin(), data->end());
                return;
            }
            issue(p.line, p.name + ": the base64 value cannot be decoded; it is kept as text");
        }
        if (raw.size() > 5 && lower(raw.substr(0, 5)) == "data:") {
            const auto comma = raw.find(',');
            const std::string_view meta = raw.substr(5, comma == raw.npos ? 0 : comma - 5);
            if (comma != raw.npos && lower(meta).ends_with(";base64")) {
                if (auto data = mime::base64Decode(raw.substr(comma + 1))) {
                    p.data = mapi::Bytes(data->begin(), data->end());
                    p.dataType = lower(meta.substr(0, meta.size() - 7));
                    return;
                }
                issue(p.line, p.name + ": the data URI cannot be decoded; it is kept as text");
            }
        }
        const std::string bytes =
            enc == "QUOTED-PRINTABLE" ? decodeQuotedPrintable(raw) : std::string(raw);
        p.value = decodeText(bytes, p.param("CHARSET"), p.line);
    }

    std::string decodeText(std::string_view bytes, const std::optional<std::string>& charset,
                           int lineNo) {
        if (charset) {
            if (auto text = mime::decodeCharset(bytes, *charset)) {
                return mime::replaceNul(std::move(text->utf8));
            }
            issue(lineNo, "unknown charset \"" + *charset + "\"; the text was read as " +
                              (text::isValidUtf8(bytes) ? "UTF-8" : "windows-1252"));
        }
        return mime::replaceNul(mime::decode8bit(bytes).utf8);
    }

    void closeCard() {
        if (!nested_.empty()) {
            keepNested(card_.line);
        }
        file_.cards.push_back(std::move(card_));
        card_ = VCard{};
        open_ = false;
        depth_ = 0;
    }

    void issue(int line, std::string what) { file_.issues.push_back({line, std::move(what)}); }

    std::vector<std::string_view> lines_;
    std::size_t next_ = 0;
    VCardFile file_;
    VCard card_;
    bool open_ = false;
    int depth_ = 0;
    std::vector<std::string> nested_;
};

}  // namespace

bool VCardProperty::hasType(std::string_view type) const {
    return std::any_of(params.begin(), params.end(), [&](const auto& p) {
        return p.first == "TYPE" && lower(p.second) == lower(type);
    });
}

std::optional<std::string> VCardProperty::param(std::string_view name) const {
    for (const auto& [n, v] : params) {
        if (n == name) {
            return v;
        }
    }
    return std::nullopt;
}

VCardFile readVCards(std::string_view bytes) {
    const std::string text = asciiCompatible(bytes);
    return Reader(text).run();
}

std::string unescapeText(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        const char c = value[++i];
        out.push_back(c == 'n' || c == 'N' ? '\n' : c);
    }
    return out;
}

std::vector<std::string> splitValue(std::string_view value, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i == value.size() || value[i] == separator) {
            parts.push_back(unescapeText(value.substr(start, i - start)));
            start = i + 1;
        } else if (value[i] == '\\') {
            ++i;
        }
    }
    return parts;
}

}  // namespace tolvane::contact
