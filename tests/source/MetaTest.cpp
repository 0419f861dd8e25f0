// The .meta as Zimbra's ItemData writes it: what the reader takes from it, and what it refuses.

#include <gtest/gtest.h>

#include "source/Meta.h"

namespace tolvane::source {
namespace {

// One line as Zimbra 8 writes it for an unread, flagged, replied message with two tags.
constexpr const char* kMessageMeta =
    R"({"id":264,"uuid":"u-264","type":5,"parent_id":-264,"folder_id":257,"index_id":0,)"
    R"("imap_id":264,"date":1700015840,"size":366,"volume_id":0,"blob_digest":"d",)"
    R"("unread":1,"flags":36,"subject":"quarterly figures","name":"",)"
    R"("metadata":"d1:f3:abc1:vi10ee","mod_metadata":264,"change_date":1700019440,)"
    R"("mod_content":264,"sender":"anna@example.com","FlagStr":"rfu","Path":"\/Inbox\/Projects\/",)"
    R"("TagStr":"","TagNames":"Important:a\\:b\\\\c","Ver":10})";

TEST(MetaKeys, AMessageMetaGivesStateFolderDatesAndTags) {
    const Meta meta = parseMeta(kMessageMeta);
    EXPECT_EQ(meta.id, 264);
    EXPECT_EQ(meta.kind(), ItemKind::Message);
    EXPECT_EQ(meta.folderId, 257);
    EXPECT_EQ(meta.parentId, -264);
    EXPECT_EQ(meta.date, 1700015840);
    EXPECT_EQ(meta.changeDate, 1700019440);
    EXPECT_EQ(meta.size, 366);
    EXPECT_TRUE(meta.isUnread());
    EXPECT_TRUE(meta.has(ZimbraFlag::Flagged));
    EXPECT_TRUE(meta.has(ZimbraFlag::Replied));
    EXPECT_FALSE(meta.has(ZimbraFlag::Forwarded));
    EXPECT_FALSE(meta.has(ZimbraFlag::Draft));
    EXPECT_EQ(meta.path, "/Inbox/Projects/");
    EXPECT_EQ(meta.subject, "quarterly figures");
    EXPECT_EQ(meta.metadata, "d1:f3:abc1:vi10ee");
    EXPECT_EQ(meta.tagNames, (std::vector<std::string>{"Important", "a:b\\c"}));
    EXPECT_EQ(meta.version, 10);
}

TEST(MetaKeys, FlagsComeFromTheBitmaskOrTheLetters) {
    const Meta bits =
        parseMeta(R"({"Ver":10,"id":1,"type":5,"folder_id":2,"date":0,"unread":0,"flags":1088})");
    EXPECT_TRUE(bits.has(ZimbraFlag::Draft));         // 0x40
    EXPECT_TRUE(bits.has(ZimbraFlag::HighPriority));  // 0x400
    EXPECT_FALSE(bits.isUnread());
    const Meta letters = parseMeta(
        R"({"Ver":10,"id":1,"type":5,"folder_id":2,"date":0,"unread":0,"flags":0,"FlagStr":"w?u"})");
    EXPECT_TRUE(letters.has(ZimbraFlag::Forwarded));
    EXPECT_TRUE(letters.has(ZimbraFlag::LowPriority));
    EXPECT_TRUE(letters.isUnread());
}

TEST(MetaKeys, NumbersWrittenAsStringsCountAsZimbraReadsThem) {
    const Meta meta = parseMeta(
        R"({"Ver":"10","id":"7","type":"5","folder_id":"2","date":"5","unread":"0","flags":"0"})");
    EXPECT_EQ(meta.id, 7);
    EXPECT_EQ(meta.date, 5);
    EXPECT_FALSE(meta.path.has_value());
}

TEST(MetaTags, EscapedNamesSplitOnlyAtBareColons) {
    EXPECT_EQ(splitTagNames("a:b"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(splitTagNames(R"(x\:y:z\\)"), (std::vector<std::string>{"x:y", "z\\"}));
    EXPECT_EQ(splitTagNames("single"), (std::vector<std::string>{"single"}));
    EXPECT_TRUE(splitTagNames("").empty());
}

TEST(MetaTags, OlderExportsGiveNamesOrIdsInTagStr) {
    const Meta names = parseMeta(
        R"({"Ver":10,"id":1,"type":5,"folder_id":2,"date":0,"unread":0,"flags":0,"TagNames":"","TagStr":":Work:Home"})");
    EXPECT_EQ(names.tagNames, (std::vector<std::string>{"Work", "Home"}));
    const Meta ids = parseMeta(
        R"({"Ver":10,"id":1,"type":5,"folder_id":2,"date":0,"unread":0,"flags":0,"TagStr":"64,66"})");
    EXPECT_TRUE(ids.tagNames.empty());
    EXPECT_EQ(ids.tagIds, (std::vector<int>{64, 66}));
}

TEST(MetaRefused, NotJsonAVersionTooNewAndMissingKeysSayWhich) {
    const auto reasonOf = [](const char* text) {
        try {
            parseMeta(text);
        } catch (const MetaError& e) {
            return std::pair(e.reason(), std::string(e.what()));
        }
        return std::pair(MetaError::Reason::BadField, std::string("accepted"));
    };
    EXPECT_EQ(reasonOf(R"({"id": 12, "type": )").first, MetaError::Reason::NotJson);
    EXPECT_EQ(reasonOf("[1,2]").first, MetaError::Reason::NotJson);
    const auto version =
        reasonOf(R"({"Ver":11,"id":1,"type":5,"folder_id":2,"date":0,"unread":0,"flags":0})");
    EXPECT_EQ(version.first, MetaError::Reason::UnknownVersion);
    EXPECT_NE(version.second.find("11"), std::string::npos) << version.second;
    const auto missing = reasonOf(R"({"Ver":10,"id":1,"type":5,"date":0,"unread":0,"flags":0})");
    EXPECT_EQ(missing.first, MetaError::Reason::BadField);
    EXPECT_NE(missing.second.find("folder_id"), std::string::npos) << missing.second;
    EXPECT_EQ(
        reasonOf(R"({"Ver":10,"id":"x","type":5,"folder_id":2,"date":0,"unread":0,"flags":0})")
            .first,
        MetaError::Reason::BadField);
}

}  // namespace
}  // namespace tolvane::source
