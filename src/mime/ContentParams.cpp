#include "mime/ContentParams.h"

#include <algorithm>
#include <map>

#include "mime/AsciiText.h"
#include "mime/Charset.h"
#include "mime/HeaderText.h"

namespace tolvane::mime {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

struct RawParam {
    std::string name;  // lower-case, with any RFC 2231 "*n*" suffix
    std::string value;
    bool quoted = false;
};

// Lenient tokenizer: name '=' (quoted-string | text up to ';').
std::vector<RawParam> tokenize(std::string_view s, std::string& mainValue) {
    std::vector<RawParam> out;
    std::size_t i = s.find(';');
    mainValue = lowerAscii(trim(s.substr(0, i)));
    while (i != std::string_view::npos && i < s.size()) {
        ++i;  // past ';'
        const std::size_t eq = s.find_first_of("=;", i);
        if (eq == std::string_view::npos || s[eq] == ';') {
            i = eq;
            continue;
        }
        RawParam p;
        p.name = lowerAscii(trim(s.substr(i, eq - i)));
        std::size_t j = eq + 1;
        while (j < s.size() && (s[j] == ' ' || s[j] == '\t'))
            ++j;
        if (j < s.size() && s[j] == '"') {
            p.quoted = true;
            ++j;
            while (j < s.size() && s[j] != '"') {
                if (s[j] == '\\' && j + 1 < s.size())
                    ++j;
                p.value += s[j++];
            }
            i = s.find(';', j);
        } else {
            const std::size_t end = s.find(';', j);
            p.value =
                std::string(trim(s.substr(j, end == std::string_view::npos ? s.npos : end - j)));
            i = end;
        }
        if (!p.name.empty())
            out.push_back(std::move(p));
    }
    return out;
}

struct Section {
    std::string bytes;
    bool encoded = false;
};

struct Extended {
    std::map<int, Section> sections;
    std::string charset;
};

}  // namespace

std::optional<std::string> ContentParams::get(std::string_view name) const {
    for (const auto& [n, v] : params) {
        if (n == name)
            return v;
    }
    return std::nullopt;
}

ContentParams parseContentParams(std::string_view raw, const UndeclaredCharsets& undeclared) {
    ContentParams result;
    const std::string text = unfold(raw);
    const auto tokens = tokenize(text, result.value);

    std::vector<std::string> order;
    std::map<std::string, Extended> extended;
    std::map<std::string, std::string> plain;
    for (const auto& t : tokens) {
        const std::size_t star = t.name.find('*');
        if (star == std::string::npos) {
            if (!plain.count(t.name)) {
                plain[t.name] = t.value;
                if (std::find(order.begin(), order.end(), t.name) == order.end()) {
                    order.push_back(t.name);
                }
            }
            continue;
        }
        const std::string base = t.name.substr(0, star);
        std::string_view rest = std::string_view(t.name).substr(star + 1);
        bool encoded = false;
        int index = 0;
        if (rest.empty()) {
            encoded = true;  // name*=charset'lang'value
        } else {
            if (rest.back() == '*') {
                encoded = true;
                rest.remove_suffix(1);
            }
            if (rest.empty() || rest.size() > 4 ||
                !std::all_of(rest.begin(), rest.end(),
                             [](char c) { return c >= '0' && c <= '9'; })) {
                continue;
            }
            index = std::stoi(std::string(rest));
        }
        if (t.quoted)
            encoded = false;
        auto& ext = extended[base];
        if (ext.sections.count(index))
            continue;
        std::string value = t.value;
        if (encoded && index == 0) {
            const std::size_t q1 = value.find('\'');
            const std::size_t q2 = q1 == std::string::npos ? q1 : value.find('\'', q1 + 1);
            if (q2 != std::string::npos) {
                ext.charset = value.substr(0, q1);
                value = value.substr(q2 + 1);
            }
        }
        ext.sections[index] = {encoded ? percentDecode(value) : value, encoded};
        if (std::find(order.begin(), order.end(), base) == order.end())
            order.push_back(base);
    }

    for (const auto& name : order) {
        if (auto it = extended.find(name); it != extended.end()) {
            std::string bytes;
            int expected = it->second.sections.begin()->first;
            for (const auto& [index, section] : it->second.sections) {
                if (index != expected)
                    break;  // a gap ends the value (RFC 2231 §3)
                bytes += section.bytes;
                ++expected;
            }
            std::string value =
                it->second.charset.empty()
                    ? decodeHeaderText(bytes, undeclared)
                    : replaceNul(decodeText(bytes, it->second.charset, undeclared).utf8);
            result.params.emplace_back(name, std::move(value));
        } else {
            result.params.emplace_back(name, decodeHeaderText(plain[name], undeclared));
        }
    }
    return result;
}

}  // namespace tolvane::mime
