#pragma once

// Facts about one MIME entity that body choice and attachment mapping both need.

#include <gmime/gmime.h>

#include <string>
#include <unordered_map>

#include "mime/ContentParams.h"

namespace tolvane::mime {

struct PartInfo {
    std::string mimeType;          // "type/subtype", lower-case, from GMime's parse
    ContentParams type;            // Content-Type with parameters, our decoding
    ContentParams disposition;     // Content-Disposition, our decoding (value "" if absent)
    bool unknownEncoding = false;  // a Content-Transfer-Encoding GMime cannot undo

    bool isAttachmentDisposition() const { return disposition.value == "attachment"; }
};

PartInfo partInfo(GMimeObject* object, const UndeclaredCharsets& undeclared);

// Each entity's facts parsed once per message: body choice, body mapping and the
// attachment walk all ask for them. Also the message's rule for undeclared 8-bit text, which
// must outlive the cache.
class PartInfoCache {
  public:
    explicit PartInfoCache(const UndeclaredCharsets& undeclared) : undeclared_(undeclared) {}
    const PartInfo& get(GMimeObject* object) {
        auto it = infos_.find(object);
        if (it == infos_.end())
            it = infos_.emplace(object, partInfo(object, undeclared_)).first;
        return it->second;
    }
    const UndeclaredCharsets& undeclared() const { return undeclared_; }

  private:
    const UndeclaredCharsets& undeclared_;
    std::unordered_map<GMimeObject*, PartInfo> infos_;
};

}  // namespace tolvane::mime
