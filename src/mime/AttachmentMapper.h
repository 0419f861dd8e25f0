#pragma once

// Non-body entities to attachment rows (MS-OXCMAIL 2.2.3.4; MS-OXCMSG 2.2.2): by-value
// leaves with names, types, content ids and inline marking; embedded messages (method 5)
// through a callback into the message importer.

#include <gmime/gmime.h>

#include <functional>
#include <memory>
#include <string>

#include "mapi/Message.h"
#include "mime/PartData.h"
#include "mime/PartInfo.h"

namespace tolvane::mime {

class AttachmentMapper {
  public:
    // Imports an embedded message one level deeper; nullptr when the depth cap is reached.
    using EmbeddedImport = std::function<std::unique_ptr<mapi::Message>(GMimeMessage*)>;

    // Leaves are decoded into memory while `budget` lasts, else spooled.
    // `undeclared` decodes raw 8-bit header text; it must outlive the mapper.
    AttachmentMapper(std::string html, EmbeddedImport importEmbedded, GMimeParserOptions* options,
                     InMemoryBudget& budget, const UndeclaredCharsets& undeclared)
        : html_(std::move(html)),
          importEmbedded_(std::move(importEmbedded)),
          options_(options),
          budget_(budget),
          undeclared_(undeclared) {}

    // A leaf by value.
    void addLeaf(GMimePart* part, const PartInfo& info, mapi::Message& msg);
    // A message/rfc822 or message/global part.
    void addMessagePart(GMimeMessagePart* part, const PartInfo& info, mapi::Message& msg);
    // Text found outside any part (a multipart without parts).
    void addText(std::string_view bytes, mapi::Message& msg);
    // Bytes given whole (an S/MIME entity) under a fixed name and type.
    void addBlob(mapi::PropValue data, std::string fileName, std::string mimeType,
                 mapi::Message& msg);

    // Properties every row gets; the caller may add a few before or after.
    void finishRow(mapi::Attachment& a, mapi::Message& msg);

  private:
    void addEmbedded(GMimeMessage* inner, const PartInfo& info, mapi::Message& msg);
    void addEml(GMimeMessage* inner, mapi::Message& msg);
    std::string nameFor(const PartInfo& info);
    bool referencedByHtml(const std::string& contentId, const std::string& location) const;

    std::string html_;
    EmbeddedImport importEmbedded_;
    GMimeParserOptions* options_;
    InMemoryBudget& budget_;
    const UndeclaredCharsets& undeclared_;
    int nameless_ = 0;
};

}  // namespace tolvane::mime
