#include "mime/BodySelect.h"

#include <string>

#include "mime/HeaderText.h"
#include "mime/PartInfo.h"

namespace tolvane::mime {

namespace {

int rank(const BodyChoice& c) {
    if (c.html)
        return 3;
    if (c.enriched)
        return 2;
    if (c.plain || c.prologue)
        return 1;
    return 0;
}

bool hasText(const char* s) {
    if (!s)
        return false;
    for (const char* p = s; *p; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            return true;
    }
    return false;
}

BodyChoice choose(GMimeObject* e, int depth, PartInfoCache& infos);

BodyChoice chooseLeaf(GMimeObject* e, const PartInfo& info) {
    BodyChoice c;
    if (!GMIME_IS_PART(e) || info.unknownEncoding)
        return c;
    auto* part = GMIME_PART(e);
    if (info.mimeType == "text/html") {
        c.html = part;
    } else if (info.mimeType == "text/enriched" || info.mimeType == "text/richtext") {
        c.enriched = part;
    } else if (info.mimeType == "text/plain") {
        c.plain = part;
    } else {
        return c;
    }
    c.consumed.insert(e);
    return c;
}

// Best child by type; the plain alternative is kept for PidTagBody.
BodyChoice chooseAlternative(GMimeMultipart* mp, int depth, PartInfoCache& infos) {
    BodyChoice best;
    GMimePart* plain = nullptr;
    std::set<GMimeObject*> consumed;
    const int n = g_mime_multipart_get_count(mp);
    for (int i = 0; i < n; ++i) {
        BodyChoice c = choose(g_mime_multipart_get_part(mp, i), depth + 1, infos);
        if (c.empty())
            continue;
        consumed.insert(c.consumed.begin(), c.consumed.end());
        if (c.plain && !c.html && !c.enriched)
            plain = c.plain;
        // RFC 2046 §5.1.4 puts the best last, so a later equal rank wins.
        if (rank(c) >= rank(best))
            best = std::move(c);
    }
    if (best.empty())
        return best;
    if (!best.plain)
        best.plain = plain;
    best.consumed = std::move(consumed);
    return best;
}

GMimeObject* relatedRoot(GMimeMultipart* mp, PartInfoCache& infos) {
    const int n = g_mime_multipart_get_count(mp);
    if (n == 0)
        return nullptr;
    // RFC 2387 §3.2: the "start" parameter names the root by Content-ID.
    const PartInfo& info = infos.get(GMIME_OBJECT(mp));
    if (auto start = info.type.get("start")) {
        std::string id = *start;
        if (id.size() >= 2 && id.front() == '<' && id.back() == '>')
            id = id.substr(1, id.size() - 2);
        for (int i = 0; i < n; ++i) {
            GMimeObject* child = g_mime_multipart_get_part(mp, i);
            const char* cid = g_mime_object_get_content_id(child);
            if (cid && id == cid)
                return child;
        }
    }
    return g_mime_multipart_get_part(mp, 0);
}

BodyChoice choose(GMimeObject* e, int depth, PartInfoCache& infos) {
    if (!e || depth > 64)
        return {};
    const PartInfo& info = infos.get(e);
    if (info.isAttachmentDisposition())
        return {};
    if (!GMIME_IS_MULTIPART(e))
        return chooseLeaf(e, info);
    auto* mp = GMIME_MULTIPART(e);
    if (g_mime_multipart_get_count(mp) == 0) {
        BodyChoice c;
        if (hasText(g_mime_multipart_get_prologue(mp))) {
            c.prologue = mp;
            c.consumed.insert(e);
        }
        return c;
    }
    if (info.mimeType == "multipart/alternative")
        return chooseAlternative(mp, depth, infos);
    // MS-OXCMAIL 2.2.3.3.2: the first entity that qualifies, in tree order, is the body. A
    // mixed (signed, report, unknown) multipart qualifies by its first child and a related
    // one by its root; when that child does not, a later entity still may.
    GMimeObject* first = info.mimeType == "multipart/related" ? relatedRoot(mp, infos)
                                                              : g_mime_multipart_get_part(mp, 0);
    if (BodyChoice c = choose(first, depth + 1, infos); !c.empty())
        return c;
    const int n = g_mime_multipart_get_count(mp);
    for (int i = 0; i < n; ++i) {
        GMimeObject* child = g_mime_multipart_get_part(mp, i);
        if (child == first)
            continue;
        if (BodyChoice c = choose(child, depth + 1, infos); !c.empty())
            return c;
    }
    return {};
}

}  // namespace

BodyChoice selectBody(GMimeObject* root, PartInfoCache& infos) {
    return choose(root, 0, infos);
}

}  // namespace tolvane::mime
