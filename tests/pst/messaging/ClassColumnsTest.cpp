// Calendar, contact and task folders list their items with the columns Outlook gives its own
// folders of the class (read from an Outlook-made store), and each row holds what its item
// holds, as pst-extractor reads rows and items.

#include <set>
#include <sstream>

#include "StoreFiles.h"
#include "mapi/Tags.h"
#include "pst/PstWriter.h"
#include "pstcheck/PstReader.h"

namespace tolvane::pst::testing {
namespace {

using mapi::PropValue;
namespace tag = mapi::tag;
namespace named = mapi::named;
namespace fs = std::filesystem;

using ClassColumns = StoreFiles;

mapi::FileTime at(std::int64_t unixSeconds) {
    return mapi::FileTime::fromUnixSeconds(unixSeconds);
}

mapi::Message item(const std::string& messageClass, const std::string& subject) {
    mapi::Message m;
    m.props.set(tag::kMessageClass, PropValue::unicode(messageClass));
    m.props.set(tag::kSubject, PropValue::unicode(subject));
    m.props.set(tag::kMessageFlags, PropValue::int32(tag::kMsgFlagRead));
    return m;
}

mapi::Message appointment() {
    mapi::Message m = item("IPM.Appointment", "Planning");
    m.props.setNamed(named::kAppointmentStartWhole, PropValue::time(at(1720166400)));
    m.props.setNamed(named::kAppointmentEndWhole, PropValue::time(at(1720170000)));
    m.props.setNamed(named::kAppointmentDuration, PropValue::int32(60));
    m.props.setNamed(named::kAppointmentSubType, PropValue::boolean(false));
    m.props.setNamed(named::kLocation, PropValue::unicode("Room 4.12"));
    m.props.setNamed(named::kBusyStatus, PropValue::int32(2));
    m.props.setNamed(named::kRecurring, PropValue::boolean(false));
    m.props.setNamed(named::kReminderSet, PropValue::boolean(true));
    m.props.setNamed(named::kReminderDelta, PropValue::int32(15));
    m.props.setNamed(named::kKeywords, PropValue::mvUnicode({"Work"}));
    return m;
}

mapi::Message contact() {
    mapi::Message m = item("IPM.Contact", "Anna Berg");
    m.props.set(tag::kDisplayName, PropValue::unicode("Anna Berg"));
    m.props.set(mapi::PropTag{0x3A06, mapi::PropType::Unicode}, PropValue::unicode("Anna"));
    m.props.set(mapi::PropTag{0x3A11, mapi::PropType::Unicode}, PropValue::unicode("Berg"));
    m.props.set(mapi::PropTag{0x3A16, mapi::PropType::Unicode}, PropValue::unicode("Tolvane"));
    m.props.setNamed(named::kFileUnder, PropValue::unicode("Berg, Anna"));
    m.props.setNamed(named::kEmailEmailAddress[0], PropValue::unicode("anna@example.org"));
    m.props.setNamed(named::kEmailDisplayName[0], PropValue::unicode("Anna Berg"));
    m.props.setNamed(named::kEmailAddressType[0], PropValue::unicode("SMTP"));
    m.props.setNamed(named::kAddressBookProviderEmailList, PropValue::mvInt32({0}));
    m.props.setNamed(named::kAddressBookProviderArrayType, PropValue::int32(1));
    return m;
}

mapi::Message task() {
    mapi::Message m = item("IPM.Task", "Send the report");
    m.props.setNamed(named::kTaskDueDate, PropValue::time(at(1720137600)));
    m.props.setNamed(named::kTaskStatus, PropValue::int32(1));
    m.props.setNamed(named::kPercentComplete, PropValue::floating64(0.5));
    m.props.setNamed(named::kTaskComplete, PropValue::boolean(false));
    m.props.setNamed(named::kSideEffects, PropValue::int32(0x110));
    return m;
}

// A column as a name that means the same in any store: the tag, or the named property's set,
// LID or name, and type.
std::string key(std::uint32_t tag, const std::map<std::uint16_t, pstcheck::NamedProperty>& names) {
    std::ostringstream out;
    out << std::hex << std::uppercase;
    const auto id = static_cast<std::uint16_t>(tag >> 16);
    if (id < 0x8000) {
        out << tag;
        return out.str();
    }
    const pstcheck::NamedProperty& n = names.at(id);
    for (std::uint8_t b : n.guid) {
        out << (b >> 4) << (b & 0xF);
    }
    out << ':' << (n.name ? *n.name : std::to_string(n.number)) << ':' << (tag & 0xFFFF);
    return out.str();
}

// The contents columns of the store's folder of that container class.
std::set<std::string> columnsOf(const fs::path& pst, const std::string& containerClass) {
    pstcheck::PstReader reader(pst);
    std::map<std::uint16_t, pstcheck::NamedProperty> names;
    for (const pstcheck::NamedProperty& n : reader.namedProperties()) {
        names[n.id] = n;
    }
    for (const auto& [nid, folder] : reader.folders()) {
        if (folder.containerClass == containerClass) {
            std::set<std::string> out;
            const pstcheck::TableContext contents = reader.table((nid & ~0x1Fu) | 0x0E);
            for (const auto& c : contents.columns()) {
                out.insert(key(c.tag, names));
            }
            return out;
        }
    }
    ADD_FAILURE() << "no folder of class " << containerClass << " in " << pst;
    return {};
}

std::string difference(const std::set<std::string>& a, const std::set<std::string>& b) {
    std::string out;
    for (const std::string& k : a) {
        if (!b.contains(k)) {
            out += k + " ";
        }
    }
    return out;
}

fs::path writeStore(const fs::path& pst) {
    auto writer = PstWriter::create(pst, "Classes");
    writer->addMessage(writer->specialFolder(SpecialFolder::Calendar), appointment());
    writer->addMessage(writer->specialFolder(SpecialFolder::Contacts), contact());
    writer->addMessage(writer->specialFolder(SpecialFolder::Tasks), task());
    writer->close();
    return pst;
}

TEST_F(ClassColumns, EachClassHasOutlooksColumns) {
    const fs::path outlook = fs::path(TOLVANE_PST_SAMPLES) / "javalibpst-dist-list.pst";
    ASSERT_TRUE(fs::exists(outlook)) << "test input missing: " << outlook;
    const fs::path pst = writeStore(file("classes.pst"));
    // What our contents template has beyond the sample's older one: the replication columns
    // and the conversation id of a newer Outlook's store.
    const std::string newer = "30130102 E300102 E330014 E340102 E380003 E3C0102 E3D0102 ";
    for (const std::string cls : {"IPF.Appointment", "IPF.Contact", "IPF.Task"}) {
        const auto theirs = columnsOf(outlook, cls);
        const auto ours = columnsOf(pst, cls);
        EXPECT_EQ(difference(theirs, ours), "") << cls << ": Outlook's columns we lack";
        EXPECT_EQ(difference(ours, theirs), newer) << cls << ": columns Outlook does not have";
    }
    EXPECT_EQ(columnsOf(outlook, "IPF.Appointment").size(), 63u);
    EXPECT_EQ(columnsOf(outlook, "IPF.Contact").size(), 119u);
    EXPECT_EQ(columnsOf(outlook, "IPF.Task").size(), 25u);
    expectCheckerPasses(pst);
}

TEST_F(ClassColumns, RowsHoldWhatTheirItemsHold) {
    const fs::path pst = writeStore(file("rows.pst"));
    std::string output;
    ASSERT_EQ(run("timeout 300 node " TOLVANE_TEST_ROOT "/pst/messaging/extractor_rows.js '" +
                      pst.string() + "'",
                  output),
              0)
        << output;
    std::string rows;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (line.find("/Calendar ") != std::string::npos ||
            line.find("/Contacts ") != std::string::npos ||
            line.find("/Tasks ") != std::string::npos || line.rfind("row ", 0) == 0) {
            rows += line + "\n";
        }
    }
    // Same: the template's message class, subject, flags and size, the store's modification
    // time, and the class's own columns the item fills: the appointment's creation time, search
    // key, start, end, location, busy status, all-day and recurring flags, reminder and
    // categories (9 named); the contact's creation time, search key, display, given and
    // surname, company, file-as, first e-mail's address, type and name, and the e-mail list and
    // its type; the task's due date and side effects (its status and percentage are no columns
    // of Outlook's Tasks folder).
    EXPECT_EQ(rows,
              "folder Top of Personal Folders/Calendar (IPF.Appointment) columns=70\n"
              "row 'Planning' same=16 differ=\n"
              "folder Top of Personal Folders/Contacts (IPF.Contact) columns=126\n"
              "row 'Anna Berg' same=17 differ=\n"
              "folder Top of Personal Folders/Tasks (IPF.Task) columns=32\n"
              "row 'Send the report' same=7 differ=\n");
    expectCheckerPasses(pst);
}

}  // namespace
}  // namespace tolvane::pst::testing
