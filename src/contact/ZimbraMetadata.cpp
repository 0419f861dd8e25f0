#include "contact/ZimbraMetadata.h"

namespace tolvane::contact {
namespace {

constexpr int kMaxDepth = 64;

class Parser {
  public:
    explicit Parser(std::string_view s) : s_(s) {}

    std::optional<MetaValue> whole() {
        auto v = value(0);
        if (!v || pos_ != s_.size()) {
            return std::nullopt;
        }
        return v;
    }

  private:
    std::optional<MetaValue> value(int depth) {
        if (pos_ >= s_.size() || depth > kMaxDepth) {
            return std::nullopt;
        }
        const char c = s_[pos_];
        if (c == 'i') {
            ++pos_;
            const auto n = number('e');
            return n ? std::optional<MetaValue>(MetaValue{*n}) : std::nullopt;
        }
        if (c == 'l') {
            ++pos_;
            return list(depth);
        }
        if (c == 'd') {
            ++pos_;
            return dict(depth);
        }
        auto text = string();
        return text ? std::optional<MetaValue>(MetaValue{std::move(*text)}) : std::nullopt;
    }

    // The items after 'l', up to and past the closing 'e'.
    std::optional<MetaValue> list(int depth) {
        MetaValue::List items;
        while (pos_ < s_.size() && s_[pos_] != 'e') {
            auto item = value(depth + 1);
            if (!item) {
                return std::nullopt;
            }
            items.push_back(std::move(*item));
        }
        if (!closed()) {
            return std::nullopt;
        }
        return MetaValue{std::move(items)};
    }

    // The key-value pairs after 'd', up to and past the closing 'e'.
    std::optional<MetaValue> dict(int depth) {
        MetaValue::Dict entries;
        while (pos_ < s_.size() && s_[pos_] != 'e') {
            auto key = string();
            auto item = key ? value(depth + 1) : std::nullopt;
            if (!item) {
                return std::nullopt;
            }
            entries.emplace(std::move(*key), std::move(*item));
        }
        if (!closed()) {
            return std::nullopt;
        }
        return MetaValue{std::move(entries)};
    }

    // Steps past a list's or dictionary's 'e'; false at the end of the text.
    bool closed() {
        if (pos_ >= s_.size()) {
            return false;
        }
        ++pos_;
        return true;
    }

    std::optional<long long> number(char end) {
        const std::size_t start = pos_;
        bool negative = pos_ < s_.size() && s_[pos_] == '-';
        pos_ += negative ? 1 : 0;
        long long n = 0;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9' && n < (1LL << 53)) {
            n = n * 10 + (s_[pos_++] - '0');
        }
        if (pos_ >= s_.size() || s_[pos_] != end || pos_ == start + (negative ? 1 : 0)) {
            return std::nullopt;
        }
        ++pos_;
        return negative ? -n : n;
    }

    // The length counts UTF-16 units: a character of four UTF-8 bytes is two of them.
    std::optional<std::string> string() {
        const auto units = number(':');
        if (!units || *units < 0) {
            return std::nullopt;
        }
        const std::size_t start = pos_;
        for (long long left = *units; left > 0;) {
            if (pos_ >= s_.size()) {
                return std::nullopt;
            }
            const auto c = static_cast<unsigned char>(s_[pos_]);
            const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            pos_ += len;
            left -= len == 4 ? 2 : 1;
        }
        if (pos_ > s_.size()) {
            return std::nullopt;
        }
        return std::string(s_.substr(start, pos_ - start));
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

}  // namespace

const MetaValue* MetaValue::at(const std::string& key) const {
    const Dict* d = dict();
    if (!d) {
        return nullptr;
    }
    const auto it = d->find(key);
    return it == d->end() ? nullptr : &it->second;
}

std::optional<MetaValue> parseZimbraMetadata(std::string_view text) {
    return Parser(text).whole();
}

}  // namespace tolvane::contact
