#pragma once

// Where a message's header block lies (RFC 5322 §2.1, §2.2), read as mail clients read a
// damaged one. Junk before the first field is skipped: a byte-order mark, an mbox "From "
// line, empty lines, and continuation lines with no field before them. The block then ends
// at the empty line, at the first line that is neither a field nor a continuation (that
// line is the first of the body), or at the end of the input.

#include <cstddef>
#include <optional>
#include <string_view>

namespace tolvane::mime {

struct HeaderBlock {
    std::size_t fieldsBegin = 0;  // the first field, after any junk
    std::size_t end = 0;          // where the block ends: the empty line, the body, or the end
    bool emptyLineEnds = false;
    std::size_t fields = 0;
    bool mailField = false;  // a field mail defines is among them (see isMailField)

    // A block the parser reads as it is: nothing skipped, the empty line in place.
    bool asWritten() const { return fieldsBegin == 0 && emptyLineEnds; }
};

// The block at the start of `bytes`; nullopt when `bytes` ends inside it and is not the
// whole input (`whole` false), so that more must be read.
std::optional<HeaderBlock> findHeaderBlock(std::string_view bytes, bool whole);

// A field name of RFC 5322 §3.6 (with the trace and resent fields), of MIME (RFC 2045
// MIME-Version and Content-*), a mailing-list field (RFC 2369 List-*), an extension field
// (X-*), or one of the fields mailers and servers commonly add. A text document or a binary
// file whose first line happens to look like "Name: value" names none of them; a message,
// however damaged, keeps at least one.
bool isMailField(std::string_view name);

}  // namespace tolvane::mime
