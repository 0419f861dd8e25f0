#pragma once

// A vCard reader (RFC 2426 for 3.0, RFC 6350 for 4.0, and the 2.1 form phones and old mail
// programs still write): a file of one or many cards to properties, each value decoded to
// UTF-8 text or to bytes. Written here because no packaged library fits: Debian's belcard
// reads only 4.0 and brings Linphone's toolbox, libvc and libvformat are 2.1-era C libraries
// unmaintained since 2003, and none of them is in the Windows build's dependencies.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mapi/PropValue.h"

namespace tolvane::contact {

struct VCardProperty {
    std::string group;  // "item1" of "item1.ADR", else empty
    std::string name;   // upper case
    // Parameter names upper case; a 2.1 bare value ("HOME") is read as TYPE=HOME; a list
    // ("TYPE=home,work") gives one entry per value.
    std::vector<std::pair<std::string, std::string>> params;
    std::string value;                // UTF-8, vCard escapes still in
    std::optional<mapi::Bytes> data;  // decoded bytes of a base64 value (ENCODING=B, data: URI)
    std::string dataType;             // media type a data: URI names, else empty
    int line = 0;                     // where the property starts, from 1

    // Whether TYPE (any case) holds this value, or a bare 2.1 parameter names it.
    bool hasType(std::string_view type) const;
    std::optional<std::string> param(std::string_view name) const;
};

struct VCard {
    std::string version;
    std::vector<VCardProperty> properties;
    int line = 0;  // of BEGIN:VCARD
};

struct VCardIssue {
    int line = 0;
    std::string what;  // a sentence: what was wrong and what was done
};

struct VCardFile {
    std::vector<VCard> cards;
    std::vector<VCardIssue> issues;  // each also leaves its text in the card where it can
};

VCardFile readVCards(std::string_view bytes);

// A text value with its escapes (\n \, \; \\) resolved.
std::string unescapeText(std::string_view value);
// A structured value split at unescaped separators, each part unescaped.
std::vector<std::string> splitValue(std::string_view value, char separator);

}  // namespace tolvane::contact
