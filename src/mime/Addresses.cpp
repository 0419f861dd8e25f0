#include "mime/Addresses.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <unordered_map>

#include "mime/AsciiText.h"
#include "mime/Charset.h"
#include "mime/GObjectPtr.h"
#include "mime/HeaderText.h"

namespace tolvane::mime {

namespace {

std::string trimmed(const char* s) {
    std::string_view v = s ? s : "";
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
        v.remove_suffix(1);
    // GMime builds names from our UTF-8 input; still, never pass on bytes that are not text.
    return replaceNul(decode8bit(v).utf8);
}

bool hasLetterOrDigit(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x80 || (u >= '0' && u <= '9') || ((u | 0x20) >= 'a' && (u | 0x20) <= 'z');
    });
}

// A mailbox as GMime read it. What it took for an address is a display name when it holds
// an encoded word (never allowed in the address itself) or other text than ASCII, and no
// '@'; a name of punctuation only is no name.
Mailbox mailboxOf(InternetAddress* a, const UndeclaredCharsets& undeclared) {
    Mailbox m;
    m.name = trimmed(internet_address_get_name(a));
    m.address = trimmed(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
    const bool text = m.address.find("=?") != std::string::npos ||
                      std::any_of(m.address.begin(), m.address.end(),
                                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (text && m.address.find('@') == std::string::npos) {
        if (m.name.empty())
            m.name = decodeHeaderText(m.address, undeclared);
        m.address.clear();
    }
    if (!hasLetterOrDigit(m.name))
        m.name.clear();
    return m;
}

void collect(InternetAddressList* list, const UndeclaredCharsets& undeclared,
             std::vector<Mailbox>& out, int depth) {
    if (!list || depth > 8)
        return;
    const int n = internet_address_list_length(list);
    for (int i = 0; i < n; ++i) {
        InternetAddress* a = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_GROUP(a)) {
            collect(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(a)), undeclared, out,
                    depth + 1);
        } else if (INTERNET_ADDRESS_IS_MAILBOX(a)) {
            Mailbox m = mailboxOf(a, undeclared);
            if (!m.address.empty() || !m.name.empty())
                out.push_back(std::move(m));
        }
    }
}

std::string_view trim(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
        v.remove_suffix(1);
    return v;
}

// "user at example.com", as people write an address to hide it, is user@example.com.
std::string deobfuscated(std::string_view address) {
    const std::string lower = lowerAscii(address);
    const std::size_t at = lower.find(" at ");
    if (at == std::string::npos || address.find('@') != std::string_view::npos)
        return std::string(address);
    const std::string_view local = trim(address.substr(0, at));
    const std::string_view domain = trim(address.substr(at + 4));
    const auto word = [](std::string_view w) {
        return !w.empty() && w.find_first_of(" \t\"<>()") == std::string_view::npos;
    };
    if (!word(local) || !word(domain) || domain.find('.') == std::string_view::npos)
        return std::string(address);
    return std::string(local) + "@" + std::string(domain);
}

// The text outside comments and the text inside them (RFC 5322 §3.2.2), a blank after each
// comment.
struct Commented {
    std::string outside;
    std::string inside;
};

Commented splitComments(std::string_view text) {
    Commented out;
    int depth = 0;
    for (char c : text) {
        if (c == '(' && depth++ == 0)
            continue;
        if (c == ')' && depth > 0 && --depth == 0) {
            out.inside += ' ';
            continue;
        }
        (depth > 0 ? out.inside : out.outside) += c;
    }
    return out;
}

// The list's elements: mailboxes and groups, split at commas outside quotes, comments, angle
// brackets and groups. A comma ends an element only once the element holds an address (an
// '@', a bracketed one or one written "user at example.com"), so "Smith, John <js@x.org>"
// stays one.
// The bytes elementsOf() looks at; runs of all others are skipped at once.
constexpr std::array<bool, 256> kStructural = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : std::string_view("\"\\()<>@:;,"))
        t[c] = true;
    return t;
}();

std::vector<std::string_view> elementsOf(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    bool quoted = false, angled = false, grouped = false, hasAddress = false;
    int comment = 0;
    const auto cut = [&](std::size_t end) {
        const std::string_view element = trim(text.substr(start, end - start));
        if (!element.empty() && element != ",")
            out.push_back(element);
        start = end;
        hasAddress = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        while (i < text.size() && !kStructural[static_cast<unsigned char>(text[i])])
            ++i;
        if (i == text.size())
            break;
        const char c = text[i];
        if ((quoted || comment > 0) && c == '\\' && i + 1 < text.size()) {
            ++i;
            continue;
        }
        const bool top = !quoted && comment == 0 && !angled;
        if (c == '"' && comment == 0) {
            quoted = !quoted;
        } else if (!quoted && c == '(') {
            ++comment;
        } else if (!quoted && c == ')' && comment > 0) {
            --comment;
        } else if (top && c == '<') {
            angled = true;
        } else if (!quoted && comment == 0 && angled && c == '>') {
            angled = false;
            hasAddress = true;
        } else if (top && c == '@') {
            hasAddress = true;
        } else if (top && c == ':' && !grouped) {
            grouped = true;
        } else if (top && c == ';' && grouped) {
            cut(i + 1);
            grouped = false;
        } else if (top && c == ',' && !grouped &&
                   (hasAddress ||
                    deobfuscated(trim(splitComments(text.substr(start, i - start)).outside))
                            .find('@') != std::string::npos)) {
            cut(i);
            start = i + 1;
        }
    }
    cut(text.size());
    return out;
}

std::string unquoted(std::string_view s) {
    s = trim(s);
    if (s.size() < 2 || s.front() != '"' || s.back() != '"')
        return std::string(s);
    std::string out;
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
        if (s[i] == '\\' && i + 2 < s.size())
            ++i;
        out += s[i];
    }
    return out;
}

// The name an element gives in its comments ("<user@example.com> (Name)", the obsolete
// "user at example.com (Name)"), for a mailbox without a phrase.
std::string commentName(std::string_view element, const UndeclaredCharsets& undeclared) {
    std::string name = decodeHeaderText(unquoted(splitComments(element).inside), undeclared);
    return hasLetterOrDigit(name) ? replaceNul(std::move(name)) : std::string();
}

// What can be read of an element GMime could not parse: an address in angle brackets or
// standing alone, a name before the brackets, else in a comment. Names of punctuation only
// (". <user@example.com>") are no names.
std::optional<Mailbox> recovered(std::string_view element, const UndeclaredCharsets& undeclared) {
    std::string name, address;
    const std::size_t open = element.rfind('<');
    const std::size_t close = open == std::string_view::npos ? open : element.find('>', open);
    if (close != std::string_view::npos) {
        address = std::string(trim(element.substr(open + 1, close - open - 1)));
        name = unquoted(splitComments(std::string(element.substr(0, open)) + " " +
                                      std::string(element.substr(close + 1)))
                            .outside);
    } else {
        address = std::string(trim(splitComments(element).outside));
    }
    if (!address.empty() && address.front() == '@' && address.find(':') != std::string::npos)
        address = address.substr(address.find(':') + 1);  // an obsolete route
    address = deobfuscated(address);
    if (address.find('@') == std::string::npos && address.find(' ') != std::string::npos) {
        if (name.empty())
            name = address;  // words, no address: a name alone
        address.clear();
    }
    name = decodeHeaderText(name, undeclared);
    if (!hasLetterOrDigit(name))
        name = commentName(element, undeclared);
    if (!hasLetterOrDigit(address))
        address.clear();  // "<>", a stray ";"
    if (name.empty() && address.empty())
        return std::nullopt;
    return Mailbox{replaceNul(std::move(name)), replaceNul(std::move(address))};
}

std::vector<Mailbox> parseOnce(std::string_view raw, GMimeParserOptions* options,
                               const UndeclaredCharsets& undeclared) {
    std::vector<Mailbox> out;
    const std::string text = normaliseStructured(raw, undeclared);
    const std::vector<std::string_view> elements = elementsOf(text);
    // The whole list at once when GMime reads one address or group of it per element, each a
    // full address, and no comment may name a mailbox: the common case, and the cheap one.
    GObjectPtr<InternetAddressList> whole(internet_address_list_parse(options, text.c_str()));
    if (whole && text.find('(') == std::string::npos &&
        static_cast<std::size_t>(internet_address_list_length(whole.get())) == elements.size()) {
        collect(whole.get(), undeclared, out, 0);
        if (std::all_of(out.begin(), out.end(), [](const Mailbox& m) {
                return m.address.find('@') != std::string::npos;
            })) {
            return out;
        }
        out.clear();
    }
    // Else element by element, so that one GMime cannot read loses only itself, and that one
    // keeps whatever address and name can be read of it.
    for (const std::string_view view : elements) {
        const std::string element(view);
        GObjectPtr<InternetAddressList> list(internet_address_list_parse(options, element.c_str()));
        const std::size_t before = out.size();
        collect(list.get(), undeclared, out, 0);
        if (out.size() == before && !list) {
            if (auto m = recovered(element, undeclared))
                out.push_back(std::move(*m));
        } else if (out.size() == before + 1 && out.back().name.empty()) {
            out.back().name = commentName(element, undeclared);
        }
    }
    return out;
}

// What a list comes to depends on its text, the charsets its raw bytes are tried in and
// GMime's options, and on nothing else. The same few lists come back message after message
// (the mailbox's own address, a mailing list's, a thread's Cc), so each thread keeps the
// last it read and reads one again only when it is not among them: GMime's parse makes
// objects, whose shared type and lock data the import's threads contend for.
class RecentLists {
  public:
    // The key for a list, or none when a list of it is not kept: too long to be one that
    // comes back, or read with options that report to a callback, which a kept list skips.
    static std::optional<std::string> keyOf(std::string_view raw, GMimeParserOptions* options,
                                            const UndeclaredCharsets& undeclared) {
        if (raw.size() > kLongest ||
            (options && g_mime_parser_options_get_warning_callback(options))) {
            return std::nullopt;
        }
        std::string key(raw);
        key += '\0';
        for (const std::string& charset : undeclared.charsets()) {
            key += charset;
            key += '\0';
        }
        if (!options) {
            return key;  // GMime's defaults
        }
        key += static_cast<char>('0' + g_mime_parser_options_get_address_compliance_mode(options));
        key += g_mime_parser_options_get_allow_addresses_without_domain(options) ? 'y' : 'n';
        key += static_cast<char>('0' + g_mime_parser_options_get_rfc2047_compliance_mode(options));
        for (const char** charset = g_mime_parser_options_get_fallback_charsets(options);
             charset && *charset; ++charset) {
            key += '\0';
            key += *charset;
        }
        return key;
    }

    const std::vector<Mailbox>* find(const std::string& key) const {
        const auto found = lists_.find(key);
        return found == lists_.end() ? nullptr : &found->second;
    }

    void keep(std::string key, const std::vector<Mailbox>& list) {
        if (lists_.size() >= kLists) {
            lists_.clear();  // a new stretch of mail: its own lists come back
        }
        lists_.emplace(std::move(key), list);
    }

  private:
    static constexpr std::size_t kLongest = 4096;
    static constexpr std::size_t kLists = 256;
    std::unordered_map<std::string, std::vector<Mailbox>> lists_;
};

}  // namespace

std::vector<Mailbox> parseAddressList(std::string_view raw, GMimeParserOptions* options,
                                      const UndeclaredCharsets& undeclared) {
    thread_local RecentLists recent;
    std::optional<std::string> key = RecentLists::keyOf(raw, options, undeclared);
    if (!key) {
        return parseOnce(raw, options, undeclared);
    }
    if (const std::vector<Mailbox>* kept = recent.find(*key)) {
        return *kept;
    }
    std::vector<Mailbox> list = parseOnce(raw, options, undeclared);
    recent.keep(std::move(*key), list);
    return list;
}

}  // namespace tolvane::mime
