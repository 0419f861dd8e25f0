#pragma once

// Which MIME entity is the body (MS-OXCMAIL 2.2.3.3.2: the first that qualifies, in tree
// order, embedded messages not entered) and which text alternative is the primary text
// (2.2.3.3.2.1): html, then enriched, then plain. text/calendar never becomes the body here;
// it stays an .ics attachment, and a later text part may be the body.

#include <gmime/gmime.h>

#include <set>

#include "mime/PartInfo.h"

namespace tolvane::mime {

struct BodyChoice {
    GMimePart* html = nullptr;           // text/html chosen as the body
    GMimePart* enriched = nullptr;       // text/enriched chosen as the body
    GMimePart* plain = nullptr;          // text/plain: the body, or the alternative to the html
    GMimeMultipart* prologue = nullptr;  // a multipart without parts: its prologue is the text
    std::set<GMimeObject*> consumed;     // entities the body uses; they are not attachments

    bool empty() const { return !html && !enriched && !plain && !prologue; }
};

BodyChoice selectBody(GMimeObject* root, PartInfoCache& infos);

}  // namespace tolvane::mime
