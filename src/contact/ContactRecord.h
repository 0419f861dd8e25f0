#pragma once

// Where the two input forms meet: a contact as Zimbra's own field names hold it (the `fld`
// dictionary of an archive's .meta; a vCard is read into the same names, as Zimbra's own
// vCard reader does), its tags, and the files Zimbra keeps beside the fields.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mapi/PropValue.h"

namespace tolvane::contact {

// A file of the contact: the photo (field "image") or another attached file.
struct ContactFile {
    std::string field;        // the contact field it belongs to
    std::string fileName;     // may be empty
    std::string contentType;  // may be empty
    mapi::Bytes data;
};

struct ContactRecord {
    std::vector<std::pair<std::string, std::string>> fields;  // in order, names unique
    std::vector<std::string> categories;
    std::vector<ContactFile> files;
    // Input that has no Zimbra field ("NAME: value" of an unknown vCard property, a line
    // that could not be read): kept for the notes.
    std::vector<std::string> extras;

    const std::string* get(std::string_view name) const;
    std::string value(std::string_view name) const;  // "" when absent
    void set(std::string name, std::string value);
    // Zimbra's numbering of repeated fields: `base` first (unless skipFirst), then base +
    // firstSuffix, base + (firstSuffix + 1), ... The name given is returned.
    std::string add(std::string_view base, std::string value, int firstSuffix = 2,
                    bool skipFirst = false);
};

}  // namespace tolvane::contact
