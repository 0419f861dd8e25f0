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

PartInfo partInfo(GMimeObject* object);

// Each entity's facts parsed once per message: body choice, body mapping and the
// attachment walk all ask for them.
class PartInfoCache {
  public:
    const PartInfo& get(GMimeObject* object) {
        auto it = infos_.find(object);
        if (it == infos_.end())
            it = infos_.emplace(object, partInfo(object)).first;
        return it->second;
    }

  private:
    std::unordered_map<GMimeObject*, PartInfo> infos_;
};

}  // namespace tolvane::mime
