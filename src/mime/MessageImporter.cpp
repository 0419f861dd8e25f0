#include "mime/MessageImporter.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "mapi/Tags.h"
#include "mime/AsciiText.h"
#include "mime/AttachmentMapper.h"
#include "mime/BodyMapper.h"
#include "mime/BodySelect.h"
#include "mime/Charset.h"
#include "mime/Envelope.h"
#include "mime/FileNames.h"
#include "mime/HeaderText.h"
#include "mime/HeaderView.h"
#include "mime/MemorySize.h"
#include "mime/MessageCharsets.h"
#include "mime/PartData.h"
#include "mime/PartInfo.h"
#include "mime/PlainText.h"
#include "mime/ReceivedMail.h"
#include "mime/TransportHeaders.h"

namespace tolvane::mime {

namespace {

using mapi::PropValue;

// The top-level signed entity exactly as in the file: its Content-Type header line(s) and
// everything after the header block (MS-OXOSMIME 2.1.3.1: other outer headers dropped).
std::optional<std::string> signedEntityFromFile(GMimeObject* fields, GMimeObject* root,
                                                const RawFile& raw) {
    if (!root || !raw.emptyLineEnds)
        return std::nullopt;
    GMimeHeaderList* lists[] = {g_mime_object_get_header_list(fields),
                                g_mime_object_get_header_list(root)};
    // GMime parses the last Content-Type it meets; keep that one.
    std::int64_t begin = -1;
    const int n = g_mime_header_list_get_count(lists[1]);
    for (int i = n - 1; i >= 0 && begin < 0; --i) {
        GMimeHeader* h = g_mime_header_list_get_header_at(lists[1], i);
        const char* name = g_mime_header_get_name(h);
        if (name && g_ascii_strcasecmp(name, "Content-Type") == 0)
            begin = raw.parsedFrom + g_mime_header_get_offset(h);
    }
    if (begin < raw.headersBegin || begin >= raw.headersEnd)
        return std::nullopt;
    // The header ends where the next one in the file starts, or at the end of the block.
    std::int64_t end = raw.headersEnd;
    for (GMimeHeaderList* list : lists) {
        const int count = g_mime_header_list_get_count(list);
        for (int k = 0; k < count; ++k) {
            const std::int64_t o = raw.parsedFrom + g_mime_header_get_offset(
                                                        g_mime_header_list_get_header_at(list, k));
            if (o > begin && o < end)
                end = o;
        }
    }
    return raw.read(begin, end) + raw.read(raw.headersEnd, -1);
}

// `withMessageFields`: the entity's list also holds the message's own fields (a top-level
// message parsed as one part); they are left out, as a message's MIME part has none.
std::string signedEntitySerialised(GMimeObject* entity, bool withMessageFields) {
    const std::string all = serialise(entity);
    if (!withMessageFields)
        return all;
    std::string kept;
    bool keeping = false;
    std::size_t at = 0;
    while (at < all.size()) {
        const std::size_t next = std::min(all.find('\n', at), all.size() - 1) + 1;
        const std::string_view line(all.data() + at, next - at);
        if (line == "\n" || line == "\r\n") {
            return kept + all.substr(at);  // the body, after the empty line
        }
        if (line.front() != ' ' && line.front() != '\t')
            keeping = g_ascii_strncasecmp(line.data(), "Content-", 8) == 0;
        if (keeping)
            kept += line;
        at = next;
    }
    return kept;
}

bool isOpaqueSmime(const PartInfo& info, GMimeObject* root) {
    if (info.mimeType == "application/pkcs7-mime" || info.mimeType == "application/x-pkcs7-mime") {
        return true;
    }
    if (info.mimeType != "application/octet-stream" || !GMIME_IS_PART(root))
        return false;
    auto name = info.disposition.get("filename");
    if (!name)
        name = info.type.get("name");
    return name && name->size() >= 4 &&
           g_ascii_strcasecmp(name->c_str() + name->size() - 4, ".p7m") == 0;
}

// S/MIME clear-signed (MS-OXOSMIME 2.1.3.1) only when the signature is PKCS #7; PGP/MIME and
// other protocols are multiparts like any other (MS-OXCMAIL 2.2.3.3).
bool isSmimeSigned(GMimeObject* root, const PartInfo& info, PartInfoCache& infos) {
    if (!GMIME_IS_MULTIPART(root) || info.mimeType != "multipart/signed")
        return false;
    std::string protocol = lowerAscii(info.type.get("protocol").value_or(""));
    auto* mp = GMIME_MULTIPART(root);
    if (protocol.empty() && g_mime_multipart_get_count(mp) > 1) {
        protocol = infos.get(g_mime_multipart_get_part(mp, 1)).mimeType;  // RFC 1847 needs one
    }
    return protocol == "application/pkcs7-signature" || protocol == "application/x-pkcs7-signature";
}

bool hasText(const char* s) {
    return s && std::any_of(s, s + std::strlen(s),
                            [](char c) { return c != ' ' && c != '\t' && c != '\r' && c != '\n'; });
}

// Every entity the body does not use, in tree order; message parts are not entered.
void walk(GMimeObject* e, const BodyChoice& body, AttachmentMapper& attachments,
          PartInfoCache& infos, mapi::Message& msg) {
    if (!e || body.consumed.count(e))
        return;
    const PartInfo& info = infos.get(e);
    if (GMIME_IS_MULTIPART(e)) {
        auto* mp = GMIME_MULTIPART(e);
        const int n = g_mime_multipart_get_count(mp);
        if (n == 0) {
            // No boundary was found: the content is in the prologue; keep it.
            const char* prologue = g_mime_multipart_get_prologue(mp);
            if (hasText(prologue))
                attachments.addText(prologue, msg);
            return;
        }
        for (int i = 0; i < n; ++i)
            walk(g_mime_multipart_get_part(mp, i), body, attachments, infos, msg);
    } else if (GMIME_IS_MESSAGE_PART(e)) {
        attachments.addMessagePart(GMIME_MESSAGE_PART(e), info, msg);
    } else if (GMIME_IS_PART(e)) {
        attachments.addLeaf(GMIME_PART(e), info, msg);
    }
}

}  // namespace

void MessageImporter::mapStructure(const Parsed& parsed, int depth, const RawFile* raw,
                                   const UndeclaredCharsets& undeclared, mapi::Message& msg) {
    GMimeObject* root = parsed.root;
    auto embedded = [this, depth,
                     &undeclared](GMimeMessage* inner) -> std::unique_ptr<mapi::Message> {
        if (depth + 1 > kMaxEmbeddingDepth)
            return nullptr;
        return std::make_unique<mapi::Message>(import(inner, depth + 1, nullptr, &undeclared));
    };
    if (!root)
        return;
    PartInfoCache infos(undeclared);
    const PartInfo info = infos.get(root);

    if (isSmimeSigned(root, info, infos)) {
        // MS-OXOSMIME 2.1.3.1: body from the signed content, one attachment with the entity.
        msg.props.set(mapi::tag::kMessageClass,
                      PropValue::unicode("IPM.Note.SMIME.MultipartSigned"));
        auto* mp = GMIME_MULTIPART(root);
        BodyChoice body;
        if (g_mime_multipart_get_count(mp) > 0)
            body = selectBody(g_mime_multipart_get_part(mp, 0), infos);
        AttachmentMapper attachments(mapBody(body, msg, infos), embedded, options_, budget_,
                                     undeclared);
        std::optional<std::string> entity;
        if (raw)
            entity = signedEntityFromFile(parsed.fields, root, *raw);
        if (!entity)
            entity = signedEntitySerialised(root, parsed.fields == root);
        attachments.addBlob(PropValue::binary(mapi::Bytes(entity->begin(), entity->end())),
                            "smime.p7m", "multipart/signed", msg);
        return;
    }
    if (isOpaqueSmime(info, root)) {
        // MS-OXOSMIME 2.1.3.2: no body; the entity is the one attachment.
        msg.props.set(mapi::tag::kMessageClass, PropValue::unicode("IPM.Note.SMIME"));
        if (auto ct = HeaderView(parsed.fields, root, undeclared).lastRaw("Content-Type")) {
            msg.props.setNamed(mapi::named::kContentType,
                               PropValue::unicode(decodeHeaderText(*ct, undeclared)));
        }
        AttachmentMapper attachments({}, embedded, options_, budget_, undeclared);
        PartInfo named = info;
        if (!named.disposition.get("filename") && !named.type.get("name")) {
            named.disposition.params.emplace_back("filename", "smime.p7m");
        }
        attachments.addLeaf(GMIME_PART(root), named, msg);
        return;
    }

    const BodyChoice body = selectBody(root, infos);
    AttachmentMapper attachments(mapBody(body, msg, infos), embedded, options_, budget_,
                                 undeclared);
    walk(root, body, attachments, infos, msg);
}

mapi::Message MessageImporter::import(GMimeMessage* message, int depth, const RawFile* raw,
                                      const UndeclaredCharsets* outer) {
    return importParsed({GMIME_OBJECT(message), g_mime_message_get_mime_part(message)}, depth, raw,
                        outer);
}

mapi::Message MessageImporter::importEntity(GMimeObject* entity, const RawFile* raw) {
    return importParsed({entity, entity}, 0, raw, nullptr);
}

mapi::Message MessageImporter::importParsed(const Parsed& parsed, int depth, const RawFile* raw,
                                            const UndeclaredCharsets* outer) {
    mapi::Message msg;
    msg.props.set(mapi::tag::kMessageClass, PropValue::unicode("IPM.Note"));
    const UndeclaredCharsets undeclared =
        declaredCharsets(parsed.root).then(outer ? *outer : userFallback_);
    const HeaderView headers(parsed.fields, parsed.root, undeclared);
    setReceivedMailDefaults(headers, user_, msg);
    const OutsideFacts outside = depth == 0 ? outside_ : OutsideFacts{outside_.fileTime, {}, {}};
    mapEnvelope(headers, EnvelopeContext{options_, outside}, msg);

    std::string headerBytes;
    if (raw) {
        headerBytes = raw->read(raw->headersBegin, raw->headersEnd);
        if (!headerBytes.empty() && headerBytes.back() != '\n')
            headerBytes += "\r\n";  // the input ends in its last field
    } else {
        GMimeFormatOptions* format = nullptr;
        char* text = g_mime_object_get_headers(parsed.fields, format);
        if (text)
            headerBytes = text;
        g_free(text);
    }
    msg.props.set(mapi::tag::kTransportMessageHeaders,
                  PropValue::unicode(transportHeaders(headerBytes, undeclared)));

    mapStructure(parsed, depth, raw, undeclared, msg);
    mapReceivedMail(headers, user_, msg);

    // Flags, sizes and times are the store's to compute; the read-ahead budgets by this.
    msg.memoryBytes = inMemorySize(msg);
    return msg;
}

}  // namespace tolvane::mime
