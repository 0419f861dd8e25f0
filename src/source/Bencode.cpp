#include "source/Bencode.h"

#include <charconv>

#include "text/Utf8.h"

namespace tolvane::source {

namespace {

constexpr int kDeepest = 100;

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    BValue parseAll() {
        BValue value = parse(0);
        if (pos_ != text_.size())
            fail("text after the end of the value");
        return value;
    }

  private:
    [[noreturn]] void fail(const std::string& what) const {
        throw BencodeError("Zimbra metadata: " + what + " at character " + std::to_string(units_));
    }

    char peek() const {
        if (pos_ >= text_.size())
            fail("the text ends early");
        return text_[pos_];
    }

    void advance() {
        ++pos_;
        ++units_;
    }

    std::int64_t number(char terminator) {
        const std::size_t start = pos_;
        while (peek() != terminator)
            advance();
        std::int64_t value = 0;
        const auto [end, ec] = std::from_chars(text_.data() + start, text_.data() + pos_, value);
        if (ec != std::errc() || end != text_.data() + pos_ || start == pos_)
            fail("a malformed number");
        advance();
        return value;
    }

    // `length` UTF-16 units of text: one per code point, two for one outside the BMP.
    std::string string(std::int64_t length) {
        if (length < 0)
            fail("a negative string length");
        const std::size_t start = pos_;
        std::int64_t left = length;
        while (left > 0) {
            if (pos_ >= text_.size())
                fail("a string longer than the text");
            const text::DecodedChar c = text::decodeUtf8(text_, pos_);
            if (!c.valid)
                fail("text that is not UTF-8");
            const int units = text::utf16UnitsOf(c.point).count;
            if (units > left)
                fail("a string length that splits a character");
            pos_ += c.length;
            left -= units;
            units_ += units;
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    BValue parse(int depth) {
        if (depth > kDeepest)
            fail("values nested too deep");
        const char c = peek();
        if (c == 'd') {
            advance();
            BDict dict;
            while (peek() != 'e') {
                BValue key = parse(depth + 1);
                auto name = key.text();
                if (!name)
                    fail("a dictionary key that is not a string");
                if (peek() == 'e')
                    fail("a dictionary key without a value");
                dict.emplace_back(std::move(*name), parse(depth + 1));
            }
            advance();
            return BValue{std::move(dict)};
        }
        if (c == 'l') {
            advance();
            BList list;
            while (peek() != 'e')
                list.push_back(parse(depth + 1));
            advance();
            return BValue{std::move(list)};
        }
        if (c == 'i') {
            advance();
            return BValue{number('e')};
        }
        if (c >= '0' && c <= '9')
            return BValue{string(number(':'))};
        fail(std::string("an unexpected '") + c + "'");
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::int64_t units_ = 0;
};

}  // namespace

std::optional<std::int64_t> BValue::integer() const {
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return *i;
    if (const auto* s = string()) {
        std::int64_t n = 0;
        const auto [end, ec] = std::from_chars(s->data(), s->data() + s->size(), n);
        if (ec == std::errc() && end == s->data() + s->size() && !s->empty())
            return n;
    }
    return std::nullopt;
}

const BValue* BValue::find(std::string_view key) const {
    if (const auto* d = dict()) {
        for (const auto& [k, v] : *d) {
            if (k == key)
                return &v;
        }
    }
    return nullptr;
}

std::optional<std::string> BValue::text() const {
    if (const auto* s = string())
        return *s;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    return std::nullopt;
}

BValue parseBencode(std::string_view utf8) {
    return Parser(utf8).parseAll();
}

}  // namespace tolvane::source
