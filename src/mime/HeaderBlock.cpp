#include "mime/HeaderBlock.h"

#include "mime/AsciiText.h"

namespace tolvane::mime {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isEmptyLine(std::string_view line) {
    return line.empty() || line == "\r";
}

// The name of the field a line starts: printable ASCII but ':' (RFC 5322 §3.6.8), and, as
// GMime takes them, 8-bit bytes; then the colon, blanks before it allowed (§4.5, obsolete
// syntax). "" when the line is none.
std::string_view fieldName(std::string_view line) {
    const auto nameByte = [](unsigned char c) { return c > ' ' && c != ':' && c != 127; };
    std::size_t i = 0;
    while (i < line.size() && nameByte(static_cast<unsigned char>(line[i])))
        ++i;
    const std::size_t nameEnd = i;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    if (nameEnd == 0 || i == line.size() || line[i] != ':')
        return {};
    return line.substr(0, nameEnd);
}

// Lines a file may carry before its first field without being anything but a message: an
// mbox separator, empty lines, and indented text with no field to continue.
bool isJunkBeforeFields(std::string_view line) {
    return isEmptyLine(line) || isBlank(line.front()) || line.starts_with("From ");
}

}  // namespace

std::optional<HeaderBlock> findHeaderBlock(std::string_view bytes, bool whole) {
    HeaderBlock block;
    bool inBlock = false;
    std::size_t at = bytes.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (at < bytes.size()) {
        const std::size_t newline = bytes.find('\n', at);
        if (newline == std::string_view::npos && !whole)
            return std::nullopt;  // the line may go on
        const std::size_t lineEnd = newline == std::string_view::npos ? bytes.size() : newline;
        const std::string_view line = bytes.substr(at, lineEnd - at);
        const std::size_t next = newline == std::string_view::npos ? bytes.size() : newline + 1;
        if (const std::string_view name = fieldName(line); !name.empty()) {
            if (!inBlock)
                block.fieldsBegin = at;
            inBlock = true;
            ++block.fields;
            block.mailField = block.mailField || isMailField(name);
        } else if (inBlock ? isEmptyLine(line) || !isBlank(line.front())
                           : !isJunkBeforeFields(line)) {
            // The empty line, or a line that is no field: the block ends before it.
            block.emptyLineEnds = inBlock && isEmptyLine(line);
            block.end = inBlock ? at : 0;
            return block;
        }
        at = next;
    }
    if (!whole)
        return std::nullopt;
    // The input ends inside the block, or holds only junk.
    block.end = inBlock ? bytes.size() : 0;
    return block;
}

bool isMailField(std::string_view name) {
    static constexpr std::string_view kPrefixes[] = {"content-", "resent-", "list-", "x-"};
    static constexpr std::string_view kNames[] = {
        "date",
        "from",
        "sender",
        "reply-to",
        "to",
        "cc",
        "bcc",
        "message-id",
        "in-reply-to",
        "references",
        "subject",
        "comments",
        "keywords",
        "return-path",
        "received",
        "mime-version",
        "delivered-to",
        "envelope-to",
        "thread-topic",
        "thread-index",
        "importance",
        "priority",
        "sensitivity",
        "disposition-notification-to",
        "errors-to",
        "precedence",
        "organization",
        "user-agent",
        "newsgroups",
        "return-receipt-to",
        "dkim-signature",
        "received-spf",
        "authentication-results",
    };
    const std::string lower = lowerAscii(name);
    for (std::string_view prefix : kPrefixes) {
        if (lower.starts_with(prefix) && lower.size() > prefix.size())
            return true;
    }
    for (std::string_view known : kNames) {
        if (lower == known)
            return true;
    }
    return false;
}

}  // namespace tolvane::mime
