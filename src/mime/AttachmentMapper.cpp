#include "mime/AttachmentMapper.h"

#include <strings.h>

#include "mapi/Tags.h"
#include "mime/AsciiText.h"
#include "mime/Charset.h"
#include "mime/Dates.h"
#include "mime/FileNames.h"
#include "mime/GObjectPtr.h"
#include "mime/HeaderText.h"
#include "mime/HeaderView.h"
#include "mime/PartData.h"

namespace tolvane::mime {

namespace {

using mapi::PropValue;

constexpr std::int32_t kNotRendered = -1;  // PidTagRenderingPosition 0xFFFFFFFF
constexpr std::int32_t kRenderedInBody = 0x4;
constexpr mapi::FileTime kNoDate{915151392000000000};  // 4501-01-01, MAPI's "no date"

std::string stripAngles(std::string s) {
    if (s.size() >= 2 && s.front() == '<' && s.back() == '>')
        return s.substr(1, s.size() - 2);
    return s;
}

std::string subjectOf(const mapi::Message& m) {
    const auto* s = m.props.get(mapi::tag::kSubject);
    return s ? s->asString() : std::string();
}

std::string subjectOf(GMimeMessage* m, const UndeclaredCharsets& undeclared) {
    auto subject = HeaderView(m, undeclared).text("Subject");
    return subject.value_or("");
}

std::optional<mapi::FileTime> paramTime(const PartInfo& info, std::string_view name) {
    if (auto v = info.disposition.get(std::string(name))) {
        if (auto t = parseDate(*v))
            return mapi::FileTime::fromUnixSeconds(*t);
    }
    return std::nullopt;
}

}  // namespace

bool AttachmentMapper::referencedByHtml(const std::string& contentId,
                                        const std::string& location) const {
    if (html_.empty())
        return false;
    if (!contentId.empty()) {
        const std::string id = lowerAscii(contentId);
        std::size_t pos = 0;
        while ((pos = html_.find(':', pos)) != std::string::npos) {
            if (pos >= 3 && strncasecmp(html_.data() + pos - 3, "cid", 3) == 0) {
                std::size_t end = pos + 1;
                while (end < html_.size() && html_[end] != '"' && html_[end] != '\'' &&
                       html_[end] != ')' && html_[end] != '>' && html_[end] != ' ' &&
                       html_[end] != '\r' && html_[end] != '\n') {
                    ++end;
                }
                if (lowerAscii(percentDecode(
                        std::string_view(html_).substr(pos + 1, end - pos - 1))) == id) {
                    return true;
                }
                pos = end;
            } else {
                ++pos;
            }
        }
    }
    return !location.empty() && html_.find(location) != std::string::npos;
}

std::string AttachmentMapper::nameFor(const PartInfo& info) {
    std::optional<std::string> name = info.disposition.get("filename");
    if (!name || sanitiseFileName(*name).empty())
        name = info.type.get("name");
    if (name) {
        std::string clean = sanitiseFileName(*name);
        if (!clean.empty())
            return clean;
    }
    return {};
}

void AttachmentMapper::finishRow(mapi::Attachment& a, mapi::Message& msg) {
    // Size, number and times are the store's to compute; what follows Outlook writes on every
    // attachment: no link, no exception dates (its "none", 4501-01-01), not hidden, no photo.
    auto& p = a.props;
    p.set(mapi::tag::kRenderingPosition, PropValue::int32(kNotRendered));
    p.set(mapi::tag::kAttachmentLinkId, PropValue::int32(0));
    p.set(mapi::tag::kExceptionStartTime, PropValue::time(kNoDate));
    p.set(mapi::tag::kExceptionEndTime, PropValue::time(kNoDate));
    p.set(mapi::tag::kAttachmentFlags, PropValue::int32(0));
    if (!p.has(mapi::tag::kAttachmentHidden))
        p.set(mapi::tag::kAttachmentHidden, PropValue::boolean(false));
    p.set(mapi::tag::kAttachmentContactPhoto, PropValue::boolean(false));
    msg.attachments.push_back(std::move(a));
}

void AttachmentMapper::addLeaf(GMimePart* part, const PartInfo& info, mapi::Message& msg) {
    std::string fileName = nameFor(info);
    // An encoded message/rfc822 (RFC 2046 §5.2.1 forbids it, mailers do it) is still a message.
    if (!info.unknownEncoding &&
        (info.mimeType == "message/rfc822" || info.mimeType == "message/global")) {
        DecodedStream stream(part);  // a large one is parsed from a spool file
        GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
        g_mime_parser_set_persist_stream(parser.get(), TRUE);
        GObjectPtr<GMimeMessage> inner(g_mime_parser_construct_message(parser.get(), options_));
        if (inner) {
            addEmbedded(inner.get(), info, msg);
            return;
        }
    }

    mapi::Attachment a;
    auto& p = a.props;
    const std::string mimeType = info.unknownEncoding ? "application/octet-stream" : info.mimeType;
    const HeaderView headers(GMIME_OBJECT(part), undeclared_);
    const auto description = headers.text("Content-Description");
    if (fileName.empty() && description)
        fileName = sanitiseFileName(*description);
    if (fileName.empty())
        fileName = defaultFileName(++nameless_, mimeType);

    p.set(mapi::tag::kAttachMethod, PropValue::int32(mapi::tag::kAttachByValue));
    mapi::PropValue content = decodeLeafContent(part, budget_.spoolThreshold());
    if (!content.isStream())
        budget_.spend(static_cast<std::int64_t>(content.binarySize()));
    p.set(mapi::tag::kAttachDataBinary, std::move(content));
    p.set(mapi::tag::kAttachLongFilename, PropValue::unicode(fileName));
    p.set(mapi::tag::kAttachFilename, PropValue::unicode(shortFileName(fileName)));
    if (auto ext = extensionOf(fileName); !ext.empty()) {
        p.set(mapi::tag::kAttachExtension, PropValue::unicode(ext));
    }
    p.set(mapi::tag::kAttachMimeTag, PropValue::unicode(mimeType));
    const std::string shownDescription = description ? sanitiseFileName(*description) : "";
    p.set(mapi::tag::kDisplayName,
          PropValue::unicode(shownDescription.empty() ? fileName : shownDescription));
    std::string contentId;
    if (auto raw = headers.firstRaw("Content-ID"))
        contentId = stripAngles(decodeHeaderText(*raw, undeclared_));
    std::string location;
    if (auto raw = headers.firstRaw("Content-Location"))
        location = decodeHeaderText(*raw, undeclared_);
    if (!contentId.empty())
        p.set(mapi::tag::kAttachContentId, PropValue::unicode(contentId));
    if (!location.empty())
        p.set(mapi::tag::kAttachContentLocation, PropValue::unicode(location));
    if (auto base = headers.text("Content-Base")) {
        p.set(mapi::tag::kAttachContentBase, PropValue::unicode(*base));
    }
    const bool inlineImage = referencedByHtml(contentId, location);
    p.set(mapi::tag::kAttachFlags, PropValue::int32(inlineImage ? kRenderedInBody : 0));
    if (inlineImage)
        p.set(mapi::tag::kAttachmentHidden, PropValue::boolean(true));
    if (auto t = paramTime(info, "creation-date"))
        p.set(mapi::tag::kCreationTime, PropValue::time(*t));
    if (auto t = paramTime(info, "modification-date")) {
        p.set(mapi::tag::kLastModificationTime, PropValue::time(*t));
    }
    finishRow(a, msg);
}

void AttachmentMapper::addEmbedded(GMimeMessage* inner, const PartInfo& info, mapi::Message& msg) {
    auto embedded = importEmbedded_(inner);
    if (!embedded) {
        addEml(inner, msg);
        return;
    }
    mapi::Attachment a;
    a.props.set(mapi::tag::kAttachMethod, PropValue::int32(mapi::tag::kAttachEmbeddedMessage));
    a.props.set(mapi::tag::kAttachMimeTag, PropValue::unicode(info.mimeType));
    // Shown by its subject; without one, by the part's file name or a made-up one, never blank.
    std::string shown = subjectOf(*embedded);
    if (sanitiseFileName(shown).empty())
        shown = nameFor(info);
    if (shown.empty())
        shown = defaultFileName(++nameless_, info.mimeType);
    a.props.set(mapi::tag::kDisplayName, PropValue::unicode(shown));
    a.props.set(mapi::tag::kAttachFlags, PropValue::int32(0));
    a.embedded = std::move(embedded);
    finishRow(a, msg);
}

void AttachmentMapper::addEml(GMimeMessage* inner, mapi::Message& msg) {
    const std::string bytes = serialise(GMIME_OBJECT(inner));
    std::string name = sanitiseFileName(subjectOf(inner, undeclared_));
    if (name.empty())
        name = defaultFileName(++nameless_, "message/rfc822");
    if (!name.ends_with(".eml"))
        name += ".eml";
    addBlob(PropValue::binary(mapi::Bytes(bytes.begin(), bytes.end())), name, "message/rfc822",
            msg);
}

void AttachmentMapper::addMessagePart(GMimeMessagePart* part, const PartInfo& info,
                                      mapi::Message& msg) {
    GMimeMessage* inner = g_mime_message_part_get_message(part);
    if (!inner) {
        addText("", msg);
        return;
    }
    addEmbedded(inner, info, msg);
}

void AttachmentMapper::addText(std::string_view bytes, mapi::Message& msg) {
    addBlob(PropValue::binary(mapi::Bytes(bytes.begin(), bytes.end())),
            defaultFileName(++nameless_, "text/plain"), "text/plain", msg);
}

void AttachmentMapper::addBlob(mapi::PropValue data, std::string fileName, std::string mimeType,
                               mapi::Message& msg) {
    mapi::Attachment a;
    auto& p = a.props;
    p.set(mapi::tag::kAttachMethod, PropValue::int32(mapi::tag::kAttachByValue));
    p.set(mapi::tag::kAttachDataBinary, std::move(data));
    p.set(mapi::tag::kAttachLongFilename, PropValue::unicode(fileName));
    p.set(mapi::tag::kAttachFilename, PropValue::unicode(shortFileName(fileName)));
    if (auto ext = extensionOf(fileName); !ext.empty()) {
        p.set(mapi::tag::kAttachExtension, PropValue::unicode(ext));
    }
    p.set(mapi::tag::kAttachMimeTag, PropValue::unicode(mimeType));
    p.set(mapi::tag::kDisplayName, PropValue::unicode(fileName));
    p.set(mapi::tag::kAttachFlags, PropValue::int32(0));
    finishRow(a, msg);
}

}  // namespace tolvane::mime
