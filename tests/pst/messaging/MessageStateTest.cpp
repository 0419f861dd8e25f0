// A message's state as Outlook's list shows it (follow-up flag, replied or forwarded icon,
// categories, importance, read) in its folder's contents row, cell for cell the same as on
// the message itself, as pst-extractor reads both.

#include <sstream>

#include "StoreFiles.h"
#include "mapi/Tags.h"
#include "pst/PstWriter.h"

namespace tolvane::pst::testing {
namespace {

using mapi::PropValue;
namespace tag = mapi::tag;
namespace named = mapi::named;
namespace fs = std::filesystem;

using MessageState = StoreFiles;

mapi::Message flagged(const std::string& subject) {
    mapi::Message m = mailMessage(subject, "flag me", false);
    m.props.set(tag::kImportance, PropValue::int32(2));
    m.props.set(tag::kFlagStatus, PropValue::int32(2));
    m.props.set(tag::kFollowupIcon, PropValue::int32(6));
    m.props.set(tag::kToDoItemFlags, PropValue::int32(1));
    m.props.setNamed(named::kFlagRequest, PropValue::unicode("Follow up"));
    m.props.setNamed(named::kToDoTitle, PropValue::unicode(subject));
    m.props.setNamed(named::kTaskStatus, PropValue::int32(0));
    m.props.setNamed(named::kPercentComplete, PropValue::floating64(0.0));
    m.props.setNamed(named::kTaskComplete, PropValue::boolean(false));
    return m;
}

mapi::Message answered(const std::string& subject, std::int32_t verb, std::int32_t icon) {
    mapi::Message m = mailMessage(subject, "answered", true);
    m.props.set(tag::kLastVerbExecuted, PropValue::int32(verb));
    m.props.set(tag::kLastVerbExecutionTime,
                PropValue::time(mapi::FileTime::fromUnixSeconds(1700003600)));
    m.props.set(tag::kIconIndex, PropValue::int32(icon));
    return m;
}

TEST_F(MessageState, ListColumnsMatchTheMessages) {
    const fs::path pst = file("state.pst");
    auto writer = PstWriter::create(pst, "State");
    const FolderId inbox = writer->specialFolder(SpecialFolder::Inbox);
    writer->addMessage(inbox, flagged("Flagged"));
    writer->addMessage(inbox, answered("Replied", 102, 0x105));
    mapi::Message forwarded = answered("Forwarded", 104, 0x106);
    forwarded.props.set(tag::kImportance, PropValue::int32(0));
    forwarded.props.setNamed(named::kKeywords,
                             PropValue::mvUnicode({"Blue Category", "Caf\xC3\xA9 Club"}));
    writer->addMessage(inbox, forwarded);
    writer->addMessage(inbox, mailMessage("Plain", "nothing", true));
    writer->close();

    std::string output;
    ASSERT_EQ(run("timeout 300 node " TOLVANE_TEST_ROOT "/pst/messaging/extractor_state.js '" +
                      pst.string() + "'",
                  output),
              0)
        << output;
    std::istringstream in(output);
    std::string rows;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("row ", 0) == 0 || line.rfind("message ", 0) == 0 ||
            line.find("/Inbox ") != std::string::npos) {
            rows += line + "\n";
        }
    }
    // Keywords has Outlook's id 0x8013 in a new store's name-to-id map.
    EXPECT_EQ(rows,
              "folder Top of Personal Folders/Inbox count=4 unread=1 class=IPF.Note in parent's "
              "row: 3602=4 3603=1\n"
              "row 'Flagged' 0017=2 0E07=0 0E2B=1 1090=2 1095=6\n"
              "message 'Flagged' 0017=2 0E07=0 0E2B=1 1090=2 1095=6\n"
              "row 'Replied' 0E07=1 1080=261 1081=102\n"
              "message 'Replied' 0E07=1 1080=261 1081=102\n"
              "row 'Forwarded' 0017=0 0E07=1 1080=262 1081=104 8013=[\"Blue Category\",\"Café "
              "Club\"]\n"
              "message 'Forwarded' 0017=0 0E07=1 1080=262 1081=104 8013=[\"Blue "
              "Category\",\"Café Club\"]\n"
              "row 'Plain' 0E07=1\n"
              "message 'Plain' 0E07=1\n");
    expectReadersSee(pst,
                     "{\"folders\":[{\"path\":[\"Top of Personal Folders\",\"Inbox\"],"
                     "\"messages\":[{\"subject\":\"Flagged\",\"read\":false},"
                     "{\"subject\":\"Replied\",\"read\":true},"
                     "{\"subject\":\"Forwarded\",\"read\":true},"
                     "{\"subject\":\"Plain\",\"read\":true}]}]}");
    expectCheckerPasses(pst);
}

}  // namespace
}  // namespace tolvane::pst::testing
