#include "pst/messaging/MessageWriter.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "mapi/Tags.h"
#include "pst/ltp/PropertyContextWriter.h"
#include "pst/ltp/TableContextWriter.h"
#include "pst/messaging/OutlookTemplates.h"

namespace tolvane::pst::messaging {

namespace {

using mapi::PropValue;
using Props = std::vector<std::pair<std::uint16_t, const PropValue*>>;

constexpr std::uint16_t kMessageStatus = 0x0E17;
constexpr std::uint16_t kSearchKey = 0x300B;
constexpr std::uint16_t kSubjectPrefix = 0x003D;
constexpr std::uint16_t kRenderingPosition = 0x370B;
constexpr std::uint16_t kObjectType = 0x0FFE;
constexpr std::uint16_t kDisplayType = 0x3900;
constexpr std::int32_t kMailUser = 6;  // MAPI_MAILUSER
constexpr std::uint32_t kRecipientTableNid = 0x692;
constexpr std::uint32_t kAttachmentTableNid = 0x671;

std::uint32_t clampSize(std::uint64_t size) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(size, std::numeric_limits<std::int32_t>::max()));
}

mapi::FileTime now() {
    const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
    constexpr std::int64_t kTicksTo1970 = 116444736000000000;
    return mapi::FileTime{kTicksTo1970 +
                          std::chrono::duration_cast<std::chrono::microseconds>(since1970).count() *
                              10};
}

bool has(const Props& props, std::uint16_t id) {
    return std::any_of(props.begin(), props.end(), [&](const auto& p) { return p.first == id; });
}

// Adds a writer-made value unless the message already has the property.
void addDefault(Props& props, std::deque<PropValue>& computed, std::uint16_t id, PropValue value) {
    if (!has(props, id)) {
        computed.push_back(std::move(value));
        props.emplace_back(id, &computed.back());
    }
}

// Sets a writer-computed value, replacing whatever the message had.
void setComputed(Props& props, std::deque<PropValue>& computed, std::uint16_t id, PropValue value) {
    std::erase_if(props, [&](const auto& p) { return p.first == id; });
    computed.push_back(std::move(value));
    props.emplace_back(id, &computed.back());
}

const PropValue* find(const Props& props, std::uint16_t id, mapi::PropType type) {
    for (const auto& [pid, value] : props) {
        if (pid == id && value->type() == type) {
            return value;
        }
    }
    return nullptr;
}

std::size_t utf16Length(const std::string& utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        units += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
    }
    return units;
}

// Outlook stores a subject behind U+0001 and one plus the length of its prefix ("RE: ")
// ([MS-PST] 2.5.3.1.1.1); readers strip the two characters.
void markSubject(Props& props, std::deque<PropValue>& computed) {
    const PropValue* subject = find(props, mapi::tag::kSubject, mapi::PropType::Unicode);
    if (!subject || (!subject->asString().empty() && subject->asString()[0] == '\x01')) {
        return;
    }
    const std::string& text = subject->asString();
    std::size_t prefix = 0;
    if (const PropValue* p = find(props, kSubjectPrefix, mapi::PropType::Unicode);
        p && text.starts_with(p->asString())) {
        prefix = std::min<std::size_t>(utf16Length(p->asString()), 0x7E);
    }
    std::string marked = "\x01";
    marked += static_cast<char>(1 + prefix);
    setComputed(props, computed, mapi::tag::kSubject, PropValue::unicode(marked + text));
}

std::vector<ltp::Cell> cellsOf(const Props& props) {
    std::vector<ltp::Cell> cells;
    for (const auto& [id, value] : props) {
        cells.push_back(
            {(std::uint32_t{id} << 16) | static_cast<std::uint16_t>(value->type()), value});
    }
    return cells;
}

}  // namespace

MessageWriter::MessageWriter(ndb::NodeDatabase& db, NameToIdMap& names)
    : db_(db), names_(names), random_(std::random_device{}()) {}

MessageWriter::Written MessageWriter::write(const mapi::Message& message) {
    Written out;
    ltp::SubnodeSet subnodes(db_);
    // [MS-PST] 2.4.5.1: a message always has a recipient table.
    subnodes.add(ndb::Nid{kRecipientTableNid}, writeRecipients(message));
    writeAttachments(message, subnodes);

    out.props = names_.resolve(message.props);
    std::erase_if(out.props,
                  [](const auto& p) { return p.second->type() == mapi::PropType::Object; });
    const mapi::FileTime created = now();
    addDefault(out.props, out.computed, mapi::tag::kMessageClass, PropValue::unicode("IPM.Note"));
    addDefault(out.props, out.computed, mapi::tag::kMessageFlags, PropValue::int32(0));
    addDefault(out.props, out.computed, kMessageStatus, PropValue::int32(0));
    addDefault(out.props, out.computed, mapi::tag::kCreationTime, PropValue::time(created));
    addDefault(out.props, out.computed, mapi::tag::kLastModificationTime, PropValue::time(created));
    mapi::Bytes searchKey(16);
    for (auto& b : searchKey) {
        b = static_cast<std::uint8_t>(random_());
    }
    addDefault(out.props, out.computed, kSearchKey, PropValue::binary(std::move(searchKey)));
    setComputed(out.props, out.computed, mapi::tag::kMessageSize, PropValue::int32(0));
    markSubject(out.props, out.computed);

    ltp::PropertyContextWriter pc(subnodes);
    for (const auto& [id, value] : out.props) {
        pc.set(id, *value);
    }
    const std::uint64_t heapBytes = pc.layout();
    // Outlook's size is the bytes of every external block of the message node.
    out.size = clampSize(heapBytes + subnodes.externalBytes());
    pc.patchInt32(mapi::tag::kMessageSize, static_cast<std::int32_t>(out.size));
    setComputed(out.props, out.computed, mapi::tag::kMessageSize,
                PropValue::int32(static_cast<std::int32_t>(out.size)));
    out.content = subnodes.finish(db_.writeBlocks(pc.finish()), heapBytes);
    return out;
}

// [MS-PST] 2.4.5.3: the template's columns plus every property the recipients carry.
ltp::NodeContent MessageWriter::writeRecipients(const mapi::Message& message) {
    std::deque<PropValue> computed;
    std::vector<Props> rows;
    std::vector<std::uint32_t> tags;
    for (const mapi::Recipient& recipient : message.recipients) {
        Props props = names_.resolve(recipient.props);
        addDefault(props, computed, kObjectType, PropValue::int32(kMailUser));
        addDefault(props, computed, kDisplayType, PropValue::int32(0));
        for (const ltp::Cell& cell : cellsOf(props)) {
            tags.push_back(cell.tag);
        }
        rows.push_back(std::move(props));
    }
    static const ltp::TableLayout base = ltp::TableLayout::fromColumns(outlook::kRecipientColumns);
    ltp::TableRows table(base.withTags(tags));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto cells = cellsOf(rows[i]);
        table.add(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i + 1), cells);
    }
    return ltp::writeTable(db_, table);
}

void MessageWriter::writeAttachments(const mapi::Message& message, ltp::SubnodeSet& subnodes) {
    if (message.attachments.empty()) {
        return;
    }
    static const ltp::TableLayout layout =
        ltp::TableLayout::fromColumns(outlook::kAttachmentColumns);
    ltp::TableRows table(layout);
    for (std::size_t i = 0; i < message.attachments.size(); ++i) {
        Props rowProps;
        std::deque<PropValue> computed;
        const ndb::Nid nid = subnodes.allocate(ndb::NidType::Attachment);
        subnodes.add(nid, writeAttachment(message.attachments[i], rowProps, computed));
        const auto cells = cellsOf(rowProps);
        table.add(nid.value, static_cast<std::uint32_t>(i + 1), cells);
    }
    subnodes.add(ndb::Nid{kAttachmentTableNid}, ltp::writeTable(db_, table));
}

// [MS-PST] 2.4.6.2: the attachment's PC, its data in a subnode when large, an embedded message
// as a complete message node among the attachment's subnodes.
ltp::NodeContent MessageWriter::writeAttachment(const mapi::Attachment& attachment, Props& props,
                                                std::deque<PropValue>& computed) {
    ltp::SubnodeSet subnodes(db_);
    props = names_.resolve(attachment.props);
    ltp::PropertyContextWriter pc(subnodes);
    if (attachment.embedded) {
        std::erase_if(props, [](const auto& p) { return p.first == mapi::tag::kAttachDataObject; });
        setComputed(props, computed, mapi::tag::kAttachMethod,
                    PropValue::int32(mapi::tag::kAttachEmbeddedMessage));
        const ndb::Nid nid = subnodes.allocate(ndb::NidType::NormalMessage);
        Written embedded = write(*attachment.embedded);
        subnodes.add(nid, embedded.content);
        pc.setObject(mapi::tag::kAttachDataObject, nid, embedded.size);
    }
    addDefault(props, computed, mapi::tag::kAttachMethod,
               PropValue::int32(mapi::tag::kAttachByValue));
    addDefault(props, computed, kRenderingPosition, PropValue::int32(-1));
    setComputed(props, computed, mapi::tag::kAttachSize, PropValue::int32(0));
    for (const auto& [id, value] : props) {
        if (value->type() != mapi::PropType::Object) {
            pc.set(id, *value);
        }
    }
    const std::uint64_t heapBytes = pc.layout();
    const auto size = static_cast<std::int32_t>(clampSize(heapBytes + subnodes.externalBytes()));
    pc.patchInt32(mapi::tag::kAttachSize, size);
    setComputed(props, computed, mapi::tag::kAttachSize, PropValue::int32(size));
    return subnodes.finish(db_.writeBlocks(pc.finish()), heapBytes);
}

}  // namespace tolvane::pst::messaging
