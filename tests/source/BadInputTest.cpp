// Damaged and hostile archives: each gives a problem naming the archive and the entry, every
// item before the damage is delivered, and reading goes on where it can.

#include <gtest/gtest.h>

#include "ReadAll.h"
#include "TestFolder.h"

namespace tolvane::source {
namespace {

using test::archive;
using test::readAll;
using test::textOf;

const test::ReadAll& sample() {
    static const test::ReadAll all = readAll(archive("sample.tgz"));
    return all;
}

// The archive's items are the sample's, in its order, less those named.
void expectSampleLess(const test::ReadAll& all, std::vector<std::string> lost) {
    ASSERT_EQ(sample().items.size(), 48u);
    std::vector<std::string> expected;
    for (const Item& item : sample().items) {
        if (std::find(lost.begin(), lost.end(), item.entry) == lost.end())
            expected.push_back(item.entry);
    }
    EXPECT_EQ(all.entries(), expected);
}

// Exactly one problem of `kind`, naming this archive and `entry`, with `words` in its text.
const Problem* expectOneProblem(const test::ReadAll& all, const char* archiveName, ProblemKind kind,
                                const std::string& entry, const std::string& words = "") {
    const auto found = all.problemsOf(kind);
    EXPECT_EQ(found.size(), 1u) << archiveName;
    if (found.size() != 1)
        return nullptr;
    EXPECT_EQ(found[0]->source, test::utf8(archive(archiveName)));
    EXPECT_EQ(found[0]->entry, entry);
    EXPECT_NE(found[0]->text().find(words), std::string::npos) << found[0]->text();
    EXPECT_NE(found[0]->text().find(archiveName), std::string::npos) << found[0]->text();
    return found[0];
}

TEST(DamagedArchive, ATruncatedGzipStreamKeepsEverythingBeforeTheCut) {
    const auto all = readAll(archive("truncated.tgz"));
    const auto damage = all.problemsOf(ProblemKind::ArchiveDamaged);
    ASSERT_EQ(damage.size(), 1u);
    EXPECT_TRUE(damage[0]->itemLost);
    EXPECT_NE(damage[0]->text().find("truncated.tgz: Inbox/"), std::string::npos)
        << damage[0]->text();
    ASSERT_GT(all.items.size(), 30u);
    ASSERT_LT(all.items.size(), sample().items.size());
    for (std::size_t i = 0; i < all.items.size(); ++i) {
        EXPECT_EQ(all.items[i].entry, sample().items[i].entry);
        if (all.items[i].bytes) {
            EXPECT_EQ(textOf(all.items[i]), textOf(sample().items[i])) << all.items[i].entry;
        }
    }
    EXPECT_EQ(all.problems.size(), 1u);
}

TEST(DamagedArchive, ADamagedTarHeaderLosesOnlyItsEntry) {
    const auto all = readAll(archive("damaged-header.tgz"));
    expectOneProblem(all, "damaged-header.tgz", ProblemKind::EntryDamaged,
                     "Inbox/0000000269-Urgent thing.eml.meta",
                     "reading goes on at Inbox/0000000270-Bulk thing.eml.meta");
    // The .meta before the damaged header lost its message, and says so.
    const Problem* lost = expectOneProblem(all, "damaged-header.tgz", ProblemKind::MetaWithoutItem,
                                           "Inbox/0000000269-Urgent thing.eml.meta");
    ASSERT_TRUE(lost);
    EXPECT_TRUE(lost->itemLost);
    expectSampleLess(all, {"Inbox/0000000269-Urgent thing.eml"});
    EXPECT_EQ(all.find("Inbox/0000000270-Bulk thing.eml")->meta->id, 270);
}

TEST(DamagedMeta, AMetaThatIsNotJsonLeavesItsItemWithoutState) {
    const auto all = readAll(archive("bad-meta-json.tgz"));
    const Problem* p = expectOneProblem(all, "bad-meta-json.tgz", ProblemKind::MetaUnreadable,
                                        "Inbox/0000000266-Flagged one.eml.meta", "not JSON");
    ASSERT_TRUE(p);
    EXPECT_FALSE(p->itemLost);
    EXPECT_EQ(all.problems.size(), 1u) << "the item is not reported a second time";
    expectSampleLess(all, {});
    const Item* item = all.find("Inbox/0000000266-Flagged one.eml");
    EXPECT_FALSE(item->meta.has_value());
    EXPECT_EQ(textOf(*item), textOf(*sample().find("Inbox/0000000266-Flagged one.eml")));
}

TEST(DamagedMeta, AMetaOfAnUnknownVersionIsNotTrusted) {
    const auto all = readAll(archive("meta-version.tgz"));
    expectOneProblem(all, "meta-version.tgz", ProblemKind::MetaVersionUnknown,
                     "Inbox/0000000266-Flagged one.eml.meta", "version 11");
    EXPECT_EQ(all.problems.size(), 1u);
    expectSampleLess(all, {});
    EXPECT_FALSE(all.find("Inbox/0000000266-Flagged one.eml")->meta.has_value());
}

TEST(DamagedMeta, AMetaWithNoItemAfterItIsReportedAndTheNextItemKeepsItsOwn) {
    const auto all = readAll(archive("meta-without-item.tgz"));
    const Problem* p = expectOneProblem(all, "meta-without-item.tgz", ProblemKind::MetaWithoutItem,
                                        "Inbox/0000000266-Flagged one.eml.meta", "message");
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->itemLost);
    EXPECT_EQ(all.problems.size(), 1u);
    expectSampleLess(all, {"Inbox/0000000266-Flagged one.eml"});
    EXPECT_EQ(all.find("Inbox/0000000267-Re_ quarterly figures.eml")->meta->id, 267);
}

TEST(DamagedMeta, AnItemWithoutMetaIsReadWithoutStateAndNotGivenItsNeighbours) {
    const auto all = readAll(archive("item-without-meta.tgz"));
    const Problem* p = expectOneProblem(all, "item-without-meta.tgz", ProblemKind::ItemWithoutMeta,
                                        "Inbox/0000000266-Flagged one.eml", "without its state");
    ASSERT_TRUE(p);
    EXPECT_FALSE(p->itemLost);
    EXPECT_EQ(all.problems.size(), 1u);
    expectSampleLess(all, {});
    EXPECT_FALSE(all.find("Inbox/0000000266-Flagged one.eml")->meta.has_value());
    EXPECT_EQ(all.find("Inbox/0000000265-Read plain.eml")->meta->id, 265);
}

TEST(DamagedArchive, ZimbrasSizeMismatchMarkerIsReported) {
    const auto all = readAll(archive("err-marker.tgz"));
    expectOneProblem(all, "err-marker.tgz", ProblemKind::IncompleteExport,
                     "Inbox/0000000266-Flagged one.eml", "wrong size");
    expectSampleLess(all, {});
}

TEST(HostileArchive, NamesThatReachOutsideAreReadUnderSafeNames) {
    const auto all = readAll(archive("hostile.tgz"));
    const auto unsafe = all.problemsOf(ProblemKind::UnsafeName);
    ASSERT_EQ(unsafe.size(), 4u);
    std::vector<std::string> named;
    for (const Problem* p : unsafe)
        named.push_back(p->entry);
    EXPECT_EQ(named, (std::vector<std::string>{"escape.eml", "etc/absolute.eml",
                                               "Windows\\drive.eml", "Inbox/back.eml"}));
    EXPECT_NE(unsafe[0]->text().find("(../../escape.eml)"), std::string::npos) << unsafe[0]->text();
    for (const Item& item : all.items) {
        EXPECT_EQ(item.entry.find(".."), std::string::npos) << item.entry;
        EXPECT_NE(item.entry.front(), '/') << item.entry;
        EXPECT_EQ(item.entry.find(':'), std::string::npos) << item.entry;
    }
    ASSERT_TRUE(all.find("escape.eml"));
    EXPECT_TRUE(all.find("escape.eml")->bytes.has_value());
    EXPECT_EQ(all.items.size(), sample().items.size() + 4);
}

TEST(HostileArchive, ACompressionBombIsSkippedAndWhatFollowsIsRead) {
    for (const char* name : {"bomb.zip", "bomb.tgz"}) {
        test::TestFolder spool;
        ReadOptions options;
        options.spoolFolder = spool.path();
        test::ReadAll all;
        { all = readAll(archive(name), options); }
        const Problem* p = expectOneProblem(all, name, ProblemKind::CompressionBomb,
                                            "Inbox/0000099999-bomb.eml", "200 times");
        ASSERT_TRUE(p) << name;
        EXPECT_TRUE(p->itemLost);
        EXPECT_FALSE(all.find("Inbox/0000099999-bomb.eml")) << name;
        EXPECT_EQ(all.items.size(), std::string(name).ends_with(".zip") ? 26u : 48u) << name;
        EXPECT_TRUE(all.find("Briefcase/report.txt")) << name;
        EXPECT_TRUE(spool.empty()) << name;
    }
}

TEST(HostileArchive, ASingleTwoGigabyteEntryIsRefusedWithoutBeingHeld) {
    const auto all = readAll(archive("two-gigabytes.tgz"));
    expectOneProblem(all, "two-gigabytes.tgz", ProblemKind::EntryTooLarge,
                     "Inbox/0000099999-big.eml",
                     "it is 2 GiB, larger than the 1 GiB an item may be");
    EXPECT_EQ(all.problems.size(), 1u);
    EXPECT_FALSE(all.find("Inbox/0000099999-big.eml"));
    expectSampleLess(all, {});
    const SourceSurvey survey = surveySource(archive("two-gigabytes.tgz"));
    EXPECT_EQ(survey.count(ItemKind::Message), 20u) << "as many as a reading delivers";
    EXPECT_EQ(survey.problemCount, 1u);
}

// The tar stream runs past 4 GiB: what follows the big entry sits at offsets beyond 32 bits.
TEST(LargeArchive, EntriesPast4GiBAreReadWithTheirMeta) {
    const auto all = readAll(archive("past-4-gib.tgz"));
    expectOneProblem(all, "past-4-gib.tgz", ProblemKind::EntryTooLarge, "Inbox/0000099999-big.eml",
                     "4.2 GiB");
    expectSampleLess(all, {});
    const Item* after = all.find("Briefcase/report.txt");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->meta->id, 289);
    EXPECT_EQ(textOf(*after), "A Briefcase document.\n");
    EXPECT_EQ(textOf(*all.find("Inbox/0000000283-Long " + std::string(103, 'x') + "?.eml")),
              textOf(*sample().find("Inbox/0000000283-Long " + std::string(103, 'x') + "?.eml")));
}

TEST(UnreadableSource, AFileThatIsNoArchiveOrIsMissingSaysSo) {
    test::TestFolder folder;
    const auto text = folder.write("notes.tgz", "These are notes, not an archive.\n");
    const auto empty = folder.write("empty.tar", "");
    const auto missing = folder.path() / "missing.zip";
    for (const auto& path : {text, empty, missing}) {
        const auto all = readAll(path);
        EXPECT_TRUE(all.items.empty()) << path;
        ASSERT_EQ(all.problems.size(), 1u) << path;
        EXPECT_EQ(all.problems[0].kind, ProblemKind::Unreadable) << all.problems[0].text();
        EXPECT_EQ(all.problems[0].source, test::utf8(path));
    }
}

}  // namespace
}  // namespace tolvane::source
