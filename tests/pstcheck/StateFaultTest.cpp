// Stores the writer made with Outlook's special folders and message state, each broken in one
// place: a pointer to a folder of the wrong class or of no store, a valid-folder mask that
// disagrees with the pointers, a receive-folder row naming no folder, flag and verb
// properties that contradict each other, a contents or hierarchy row that leaves out or
// changes what its object holds, in mail, calendar and contact folders alike. The checker names
// each fault where it is.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "TestHelpers.h"
#include "mapi/Tags.h"
#include "pst/PstWriter.h"
#include "pstcheck/PstReader.h"
#include "pstcheck/messaging/Ids.h"

namespace tolvane::pstcheck::test {
namespace {

namespace fs = std::filesystem;
namespace mtag = mapi::tag;
using mapi::PropValue;
using pst::FolderId;
using pst::PstWriter;
using pst::SpecialFolder;
using Heap = std::vector<std::uint8_t>;

mapi::Message message(const std::string& subject, bool read) {
    mapi::Message m;
    m.props.set(mtag::kMessageClass, PropValue::unicode("IPM.Note"));
    m.props.set(mtag::kSubject, PropValue::unicode(subject));
    m.props.set(mtag::kMessageFlags, PropValue::int32(read ? mtag::kMsgFlagRead : 0));
    return m;
}

mapi::Message timeFlagged(const std::string& subject, std::int32_t status, std::int32_t icon) {
    mapi::Message m = message(subject, false);
    m.props.set(mtag::kFlagStatus, PropValue::int32(status));
    m.props.set(mtag::kFollowupIcon, PropValue::int32(icon));
    m.props.set(mtag::kToDoItemFlags, PropValue::int32(1));
    return m;
}

mapi::Message answered(const std::string& subject, std::int32_t verb, std::int32_t icon) {
    mapi::Message m = message(subject, true);
    m.props.set(mtag::kLastVerbExecuted, PropValue::int32(verb));
    m.props.set(mtag::kLastVerbExecutionTime,
                PropValue::time(mapi::FileTime::fromUnixSeconds(1700000000)));
    m.props.set(mtag::kIconIndex, PropValue::int32(icon));
    return m;
}

std::vector<std::uint8_t> concat(const std::array<std::uint8_t, 16>& uid, std::uint32_t nid) {
    std::vector<std::uint8_t> out(uid.begin(), uid.end());
    const auto n = le(nid, 4);
    out.insert(out.end(), n.begin(), n.end());
    return out;
}

class StateFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        dir_ = fs::temp_directory_path() / ("tolvane-statefaults-" + std::to_string(random()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (!HasFailure()) {
            fs::remove_all(dir_);
        } else {
            std::cerr << "files kept in " << dir_ << "\n";
        }
    }
    // Writes the store and loads it; it must check clean, strict, before it is broken.
    std::unique_ptr<PstWriter> create() {
        path_ = dir_ / "state.pst";
        return PstWriter::create(path_, "State");
    }
    void load() {
        image_.emplace(path_.string());
        const CheckResult clean = image_->check(true);
        EXPECT_TRUE(clean.report.empty()) << problems(clean);
    }
    void reload() { image_.emplace(path_.string()); }
    std::uint64_t bid(std::uint32_t nid) { return image_->node(nid).bidData; }
    Heap heap(std::uint32_t nid) { return image_->blockData(bid(nid)); }
    void store(std::uint32_t nid, const Heap& h) { image_->setBlockData(bid(nid), h); }

    // Rewrites the NID of the one entry id of this store that names `from` in the node.
    void repoint(std::uint32_t node, std::uint32_t from, std::uint32_t to) {
        Heap h = heap(node);
        const std::size_t at = findOnce(h, concat(uid_, from)) + 16;
        const auto n = le(to, 4);
        std::copy(n.begin(), n.end(), h.begin() + static_cast<std::ptrdiff_t>(at));
        store(node, h);
    }

    // A cell of a table that fits one heap block: its value's offset and its CEB bit.
    struct Cell {
        std::size_t value, cebByte;
        std::uint8_t cebMask;
    };
    static Cell cell(const Heap& h, std::uint32_t tag, std::uint32_t rowId) {
        const auto [info, infoSize] = PstImage::heapItem(h, PstImage::get32(h, 4));
        const std::uint8_t columns = h.at(info + 1);
        const std::uint16_t cebStart = PstImage::get16(h, info + 6);
        const std::uint16_t rowSize = PstImage::get16(h, info + 8);
        const std::uint32_t rows = PstImage::get32(h, info + 14);
        EXPECT_EQ(rows & 0x1F, 0u) << "the row matrix is not in the heap";
        const auto [matrix, matrixSize] = PstImage::heapItem(h, rows);
        std::optional<std::size_t> row;
        for (std::size_t r = matrix; r + rowSize <= matrix + matrixSize; r += rowSize) {
            if (PstImage::get32(h, r) == rowId) {
                row = r;
            }
        }
        EXPECT_TRUE(row) << "no row " << hex(rowId);
        for (std::size_t c = 0; c < columns; ++c) {
            const std::size_t desc = info + 22 + 8 * c;
            if (PstImage::get32(h, desc) == tag) {
                const std::uint8_t bit = h.at(desc + 7);
                return {*row + PstImage::get16(h, desc + 4), *row + cebStart + bit / 8u,
                        static_cast<std::uint8_t>(0x80u >> (bit % 8u))};
            }
        }
        ADD_FAILURE() << "no column " << hex(tag);
        return {0, 0, 0};
    }

    static std::uint32_t table(std::uint32_t folder, std::uint32_t type) {
        return (folder & ~0x1Fu) | type;
    }

    fs::path dir_, path_;
    std::array<std::uint8_t, 16> uid_{};
    std::optional<PstImage> image_;
};

TEST_F(StateFaults, SpecialFolderPointersNameFoldersOfTheirClass) {
    std::map<SpecialFolder, std::uint32_t> nids;
    std::uint32_t projects = 0;
    {
        auto writer = create();
        for (SpecialFolder f :
             {SpecialFolder::Inbox, SpecialFolder::Drafts, SpecialFolder::JunkEmail,
              SpecialFolder::SentItems, SpecialFolder::Outbox, SpecialFolder::Calendar,
              SpecialFolder::Contacts}) {
            nids[f] = writer->specialFolder(f).nid;
        }
        projects = writer->addFolder(FolderId{nids[SpecialFolder::Inbox]}, "Projects").nid;
        uid_ = writer->providerUid();
        writer->close();
    }
    const std::uint32_t inbox = nids[SpecialFolder::Inbox];
    const std::string atStore = "nid " + hex(nid::kMessageStore);
    load();
    auto broken = [&](const char* structure, const char* field, const std::string& where) {
        const CheckResult r = image_->check();
        EXPECT_TRUE(r.report.has(structure, field, where)) << problems(r);
        reload();
    };

    repoint(nid::kMessageStore, nids[SpecialFolder::SentItems], nids[SpecialFolder::Calendar]);
    broken("STORE", "PidTagIpmSentMailEntryId", atStore);
    repoint(nid::kMessageStore, nids[SpecialFolder::Outbox], 0x7FFFFFE2);
    broken("STORE", "PidTagIpmOutboxEntryId", atStore);
    {  // an entry id of another store
        Heap h = heap(nid::kMessageStore);
        h.at(findOnce(h, concat(uid_, nids[SpecialFolder::Outbox]))) ^= 0x01;
        store(nid::kMessageStore, h);
        broken("STORE", "PidTagIpmOutboxEntryId", atStore);
    }
    {  // the mask without Sent Items' bit
        Heap h = heap(nid::kMessageStore);
        h.at(findOnce(h, {0xDF, 0x35, 0x03, 0x00, 0xDF, 0x00, 0x00, 0x00}) + 4) = 0xCF;
        store(nid::kMessageStore, h);
        broken("STORE", "PidTagValidFolderMask", atStore);
    }
    repoint(nid::kRootFolder, nids[SpecialFolder::Contacts], projects);
    broken("ROOT_FOLDER", "PidTagIpmContactEntryId", "nid " + hex(nid::kRootFolder));
    repoint(nid::kRootFolder, nids[SpecialFolder::JunkEmail], nids[SpecialFolder::Calendar]);
    broken("ROOT_FOLDER", "PidTagAdditionalRenEntryIds", "slot 4");
    // The Inbox names a mail folder as Drafts, but not the root folder's.
    repoint(inbox, nids[SpecialFolder::Drafts], projects);
    broken("INBOX", "PidTagIpmDraftsEntryId", "nid " + hex(inbox));
    {  // "", IPM and Report.IPM all sent to a folder that does not exist
        Heap h = heap(0x62B);
        const auto from = le(inbox, 4), to = le(0x7FFFFFE2, 4);
        int replaced = 0;
        for (auto it = std::search(h.begin(), h.end(), from.begin(), from.end()); it != h.end();
             it = std::search(it + 4, h.end(), from.begin(), from.end())) {
            std::copy(to.begin(), to.end(), it);
            ++replaced;
        }
        EXPECT_EQ(replaced, 3);
        store(0x62B, h);
        const CheckResult r = image_->check();
        EXPECT_TRUE(r.report.has("RECEIVE_FOLDER_TABLE", "folder", "row for ''")) << problems(r);
        EXPECT_TRUE(r.report.has("STORE", "PidTagValidFolderMask")) << problems(r);
    }
}

TEST_F(StateFaults, FlagAndVerbPropertiesHoldTogether) {
    std::map<std::string, std::uint32_t> nids;
    {
        auto writer = create();
        const FolderId inbox = writer->specialFolder(SpecialFolder::Inbox);
        auto add = [&](const mapi::Message& m) {
            nids[m.props.get(mtag::kSubject)->asString()] = writer->addMessage(inbox, m).nid;
        };
        add(timeFlagged("good flag", 2, 6));
        add(answered("good reply", 102, 0x105));
        add(timeFlagged("status 3", 3, 6));
        add(timeFlagged("orange time flag", 2, 2));
        mapi::Message todoOnly = message("to-do without status", false);
        todoOnly.props.set(mtag::kToDoItemFlags, PropValue::int32(1));
        add(todoOnly);
        mapi::Message meeting = timeFlagged("flagged meeting", 2, 6);
        meeting.props.set(mtag::kMessageClass, PropValue::unicode("IPM.Schedule.Meeting.Request"));
        add(meeting);
        mapi::Message bare = message("verb alone", true);
        bare.props.set(mtag::kLastVerbExecuted, PropValue::int32(102));
        add(bare);
        add(answered("forward drawn as reply", 104, 0x105));
        writer->close();
    }
    image_.emplace(path_.string());
    const CheckResult r = image_->check(true);
    auto at = [&](const std::string& subject) { return "message nid " + hex(nids.at(subject)); };
    for (const char* good : {"good flag", "good reply"}) {
        for (const Problem& p : r.report.problems()) {
            EXPECT_EQ(p.location.find(at(good)), std::string::npos) << format(p);
        }
    }
    EXPECT_TRUE(r.report.has("MESSAGE", "PidTagFlagStatus", at("status 3"))) << problems(r);
    EXPECT_TRUE(r.report.has("MESSAGE", "PidTagFollowupIcon", at("orange time flag")))
        << problems(r);
    EXPECT_TRUE(r.report.has("MESSAGE", "PidTagToDoItemFlags", at("to-do without status")))
        << problems(r);
    EXPECT_TRUE(r.report.has("MESSAGE", "PidTagFlagStatus", at("flagged meeting"))) << problems(r);
    EXPECT_TRUE(r.report.has("MESSAGE", "PidTagLastVerbExecutionTime", at("verb alone")))
        << problems(r);
    EXPECT_TRUE(r.report.has("MESSAGE", "PidTagIconIndex", at("verb alone"))) << problems(r);
    EXPECT_TRUE(r.report.has("MESSAGE", "PidTagIconIndex", at("forward drawn as reply")))
        << problems(r);
}

TEST_F(StateFaults, RowsCarryEveryCellTheirObjectHolds) {
    std::uint32_t inbox = 0, forwarded = 0;
    {
        auto writer = create();
        inbox = writer->specialFolder(SpecialFolder::Inbox).nid;
        mapi::Message m = answered("Forwarded", 104, 0x106);
        m.props.setNamed(mapi::named::kKeywords, PropValue::mvUnicode({"Blue", "Work"}));
        forwarded = writer->addMessage(FolderId{inbox}, m).nid;
        writer->addMessage(FolderId{inbox}, message("Unread", false));
        writer->close();
    }
    load();
    const std::string row = "row for " + hex(forwarded);
    const std::uint32_t contents = table(inbox, nidtype::kContentsTable);
    const std::uint32_t keywords = 0x8013101F;  // Keywords, at Outlook's id in a new store
    {
        Heap h = heap(contents);
        h.at(cell(h, 0x10800003, forwarded).value) = 0x05;  // forwarded drawn as replied
        store(contents, h);
        const CheckResult r = image_->check();
        EXPECT_TRUE(r.report.has("CONTENTS_TABLE", "copy of 0x10800003", row)) << problems(r);
        reload();
    }
    for (const std::uint32_t tag : {0x10810003u, keywords}) {  // the cell left out
        Heap h = heap(contents);
        const Cell c = cell(h, tag, forwarded);
        h.at(c.cebByte) &= static_cast<std::uint8_t>(~c.cebMask);
        store(contents, h);
        const CheckResult r = image_->check();
        EXPECT_TRUE(r.report.has("CONTENTS_TABLE", "copy of " + hex(tag), row)) << problems(r);
        reload();
    }
    {  // the Inbox's row in the IPM subtree's hierarchy table says nothing is unread
        const std::uint32_t hierarchy = table(0x8022, nidtype::kHierarchyTable);
        Heap h = heap(hierarchy);
        const Cell c = cell(h, tag::kContentUnread, inbox);
        ASSERT_EQ(PstImage::get32(h, c.value), 1u);
        h.at(c.value) = 0;
        store(hierarchy, h);
        const CheckResult r = image_->check();
        EXPECT_TRUE(
            r.report.has("HIERARCHY_TABLE", "PidTagContentUnreadCount", "row for " + hex(inbox)))
            << problems(r);
    }
}

// Calendar and contact folders list their items by columns of named properties too (ids from
// the store's own map); their rows are held to their items like a mail folder's.
TEST_F(StateFaults, CalendarAndContactRowsCarryWhatTheirItemsHold) {
    std::uint32_t calendar = 0, contacts = 0, appointment = 0, person = 0;
    {
        auto writer = create();
        calendar = writer->specialFolder(SpecialFolder::Calendar).nid;
        contacts = writer->specialFolder(SpecialFolder::Contacts).nid;
        mapi::Message a;
        a.props.set(mtag::kMessageClass, PropValue::unicode("IPM.Appointment"));
        a.props.set(mtag::kSubject, PropValue::unicode("Planning"));
        a.props.setNamed(mapi::named::kAppointmentStartWhole,
                         PropValue::time(mapi::FileTime::fromUnixSeconds(1720166400)));
        a.props.setNamed(mapi::named::kAppointmentEndWhole,
                         PropValue::time(mapi::FileTime::fromUnixSeconds(1720170000)));
        a.props.setNamed(mapi::named::kAppointmentDuration, PropValue::int32(60));
        a.props.setNamed(mapi::named::kBusyStatus, PropValue::int32(2));
        a.props.setNamed(mapi::named::kAppointmentSubType, PropValue::boolean(false));
        a.props.setNamed(mapi::named::kRecurring, PropValue::boolean(false));
        a.props.setNamed(mapi::named::kLocation, PropValue::unicode("Room 4.12"));
        appointment = writer->addMessage(FolderId{calendar}, a).nid;
        mapi::Message c;
        c.props.set(mtag::kMessageClass, PropValue::unicode("IPM.Contact"));
        c.props.set(mtag::kSubject, PropValue::unicode("Anna Berg"));
        c.props.set(mtag::kDisplayName, PropValue::unicode("Anna Berg"));
        c.props.setNamed(mapi::named::kFileUnder, PropValue::unicode("Berg, Anna"));
        c.props.set(mapi::PropTag{0x3A06, mapi::PropType::Unicode}, PropValue::unicode("Anna"));
        person = writer->addMessage(FolderId{contacts}, c).nid;
        writer->close();
    }
    load();
    std::uint32_t start = 0;
    for (const NamedProperty& n : PstReader(path_).namedProperties()) {
        if (n.guid == mapi::propset::appointment().bytes && !n.name && n.number == 0x820D) {
            start = (std::uint32_t{n.id} << 16) | 0x0040;
        }
    }
    ASSERT_NE(start, 0u) << "the start time has no id in the map";
    {  // the start a minute off
        const std::uint32_t rows = table(calendar, nidtype::kContentsTable);
        Heap h = heap(rows);
        h.at(cell(h, start, appointment).value + 1) ^= 0x02;
        store(rows, h);
        const CheckResult r = image_->check();
        EXPECT_TRUE(
            r.report.has("CONTENTS_TABLE", "copy of " + hex(start), "row for " + hex(appointment)))
            << problems(r);
        reload();
    }
    {  // the given name left out
        const std::uint32_t rows = table(contacts, nidtype::kContentsTable);
        Heap h = heap(rows);
        const Cell c = cell(h, 0x3A06001F, person);
        h.at(c.cebByte) &= static_cast<std::uint8_t>(~c.cebMask);
        store(rows, h);
        const CheckResult r = image_->check();
        EXPECT_TRUE(
            r.report.has("CONTENTS_TABLE", "copy of " + hex(0x3A06001F), "row for " + hex(person)))
            << problems(r);
    }
}

}  // namespace
}  // namespace tolvane::pstcheck::test
