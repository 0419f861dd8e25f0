#include "pst/messaging/MessageWriter.h"

#include <algorithm>

#include "mapi/Tags.h"
#include "pst/ltp/PropertyContextWriter.h"
#include "pst/ltp/TableContextWriter.h"
#include "pst/messaging/OutlookTemplates.h"
#include "text/Utf8.h"

namespace tolvane::pst::messaging {

namespace {

using mapi::PropValue;
namespace tag = mapi::tag;

constexpr ndb::Nid kRecipientTableNid{0x692};
constexpr ndb::Nid kAttachmentTableNid{0x671};

// Counted as the string is stored: an invalid byte is one U+FFFD.
std::size_t utf16Length(const std::string& utf8) {
    std::size_t units = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const text::DecodedChar c = text::decodeUtf8(utf8, at);
        units += static_cast<std::size_t>(text::utf16UnitsOf(c.point).count);
        at += c.length;
    }
    return units;
}

// Outlook stores a subject behind U+0001 and one plus the length of its prefix ("RE: ")
// ([MS-PST] 2.5.3.1.1.1); readers strip the two characters, and take the prefix and the
// normalized subject from them, which Outlook therefore does not store.
void markSubject(WrittenProps& props) {
    const PropValue* subject = props.find(tag::kSubject);
    if (!subject || (!subject->asString().empty() && subject->asString()[0] == '\x01')) {
        return;
    }
    const std::string& text = subject->asString();
    std::size_t prefix = 0;
    if (const PropValue* p = props.find(tag::kSubjectPrefix);
        p && text.starts_with(p->asString())) {
        prefix = std::min<std::size_t>(utf16Length(p->asString()), 0x7E);
    }
    std::string marked = "\x01";
    marked += static_cast<char>(1 + prefix);
    props.setComputed(tag::kSubject, PropValue::unicode(marked + text));
    props.erase(tag::kSubjectPrefix.id);
    props.erase(tag::kNormalizedSubject.id);
}

std::vector<ltp::Cell> cellsOf(const WrittenProps& props) {
    std::vector<ltp::Cell> cells;
    for (const auto& [id, value] : props.props) {
        cells.push_back({mapi::PropTag{id, value->type()}, value});
    }
    return cells;
}

WrittenProps resolved(NameToIdMap& names, const mapi::PropertyList& props) {
    WrittenProps out;
    out.props = names.resolve(props);
    return out;
}

}  // namespace

MessageWriter::MessageWriter(ndb::BlockWriter& db, NameToIdMap& names) : db_(db), names_(names) {}

MessageWriter::Written MessageWriter::write(const mapi::Message& message, bool attached) {
    WrittenProps props = resolved(names_, message.props);
    std::erase_if(props.props,
                  [](const auto& p) { return p.second->type() == mapi::PropType::Object; });
    computed_.completeMessage(message, attached, props);
    markSubject(props);

    ltp::PropertyContextWriter pc(db_);
    // [MS-PST] 2.4.5.1: a message always has a recipient table.
    pc.subnodes().add(kRecipientTableNid, writeRecipients(message));
    writeAttachments(message, StoreComputed::creationTime(props), pc.subnodes());
    for (const auto& [id, value] : props.props) {
        pc.set(id, *value);
    }
    pc.setNodeSize(tag::kMessageSize.id, StoreComputed::storedSize);
    Written out;
    out.content = pc.write();
    const std::int32_t size = StoreComputed::storedSize(out.content.externalBytes);
    props.setComputed(tag::kMessageSize, PropValue::int32(size));
    out.size = static_cast<std::uint32_t>(size);
    out.props = std::move(props.props);
    out.computed = std::move(props.made);  // the values keep their addresses
    return out;
}

// [MS-PST] 2.4.5.3: the template's columns plus every property the recipients carry.
ltp::NodeContent MessageWriter::writeRecipients(const mapi::Message& message) {
    std::vector<WrittenProps> rows;
    std::vector<mapi::PropTag> tags;
    for (const mapi::Recipient& recipient : message.recipients) {
        WrittenProps props = resolved(names_, recipient.props);
        computed_.completeRecipient(props);
        for (const ltp::Cell& cell : cellsOf(props)) {
            tags.push_back(cell.tag);
        }
        rows.push_back(std::move(props));
    }
    ltp::TableRows table(recipientLayout(tags));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto cells = cellsOf(rows[i]);
        table.add(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i + 1), cells);
    }
    return ltp::writeTable(db_, table);
}

const ltp::TableLayout& MessageWriter::recipientLayout(std::span<const mapi::PropTag> given) {
    std::vector<mapi::PropTag> tags = ltp::TableLayout::distinctTags(given);
    if (!recipientLayout_ || tags != recipientTags_) {
        static const ltp::TableLayout base =
            ltp::TableLayout::fromColumns(outlook::kRecipientColumns);
        recipientLayout_ = base.withTags(tags);
        recipientTags_ = std::move(tags);
    }
    return *recipientLayout_;
}

void MessageWriter::writeAttachments(const mapi::Message& message, mapi::FileTime created,
                                     ltp::SubnodeSet& subnodes) {
    if (message.attachments.empty()) {
        return;
    }
    static const ltp::TableLayout layout =
        ltp::TableLayout::fromColumns(outlook::kAttachmentColumns);
    ltp::TableRows table(layout);
    for (std::size_t i = 0; i < message.attachments.size(); ++i) {
        WrittenProps rowProps;
        const ndb::Nid nid = subnodes.allocate(ndb::NidType::Attachment);
        subnodes.add(nid, writeAttachment(message.attachments[i], created, rowProps));
        const auto cells = cellsOf(rowProps);
        table.add(nid.value, static_cast<std::uint32_t>(i + 1), cells);
    }
    subnodes.add(kAttachmentTableNid, ltp::writeTable(db_, table));
}

// [MS-PST] 2.4.6.2: the attachment's PC, its data in a subnode when large, an embedded message
// as a complete message node among the attachment's subnodes.
ltp::NodeContent MessageWriter::writeAttachment(const mapi::Attachment& attachment,
                                                mapi::FileTime created, WrittenProps& props) {
    props = resolved(names_, attachment.props);
    ltp::PropertyContextWriter pc(db_);
    if (attachment.embedded) {
        props.erase(tag::kAttachDataObject.id);
        props.setComputed(tag::kAttachMethod, PropValue::int32(tag::kAttachEmbeddedMessage));
        const ndb::Nid nid = pc.subnodes().allocate(ndb::NidType::NormalMessage);
        Written embedded = write(*attachment.embedded, true);
        pc.subnodes().add(nid, embedded.content);
        pc.setObject(tag::kAttachDataObject.id, nid, embedded.size);
    }
    computed_.completeAttachment(created, props);
    for (const auto& [id, value] : props.props) {
        if (value->type() != mapi::PropType::Object) {
            pc.set(id, *value);
        }
    }
    pc.setNodeSize(tag::kAttachSize.id, StoreComputed::storedSize);
    const ltp::NodeContent content = pc.write();
    props.setComputed(tag::kAttachSize,
                      PropValue::int32(StoreComputed::storedSize(content.externalBytes)));
    return content;
}

}  // namespace tolvane::pst::messaging
