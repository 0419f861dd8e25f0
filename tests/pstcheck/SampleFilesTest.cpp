// The checker reads the format as Outlook writes it: every Outlook-made Unicode sample passes,
// ANSI samples are skipped, and the walk really reaches folders, messages and blocks.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "PstImage.h"
#include "TestHelpers.h"

namespace tolvane::pstcheck::test {
namespace {

const std::string kSamples = TOLVANE_PST_SAMPLES;

std::string sample(const std::string& name) {
    return kSamples + "/" + name + ".pst";
}

class OutlookSamples : public ::testing::TestWithParam<const char*> {};

TEST_P(OutlookSamples, PassWithoutProblems) {
    ASSERT_TRUE(std::filesystem::exists(sample(GetParam())))
        << "test input missing: " << sample(GetParam());
    const CheckResult r = PstImage(sample(GetParam())).check();
    EXPECT_EQ(r.outcome, CheckResult::Outcome::Checked);
    EXPECT_TRUE(r.report.empty()) << problems(r);
    EXPECT_GT(r.nodes, 40u);
    EXPECT_GE(r.folders, 5u);
}

INSTANTIATE_TEST_SUITE_P(Unicode, OutlookSamples,
                         ::testing::Values("outlook-empty", "pstsdk-sample1", "pstsdk-submessage",
                                           "pstsdk-test_unicode", "javalibpst-dist-list",
                                           "javalibpst-passworded", "rubymsg-200-recipients",
                                           "rubymsg-attachAndInline", "rubymsg-msgInMsg",
                                           "tika-testPST-2014", "tika-testPST",
                                           "tika-testPST_variousBodyTypes"));

TEST(OutlookSampleFacts, MessagesAndFoldersAreCountedAsTheReadmeSays) {
    ASSERT_TRUE(std::filesystem::exists(sample("tika-testPST")))
        << "test input missing: " << sample("tika-testPST");
    // README: 7 IPM.Note in the IPM root; one store; the fresh empty file has no messages.
    EXPECT_EQ(PstImage(sample("tika-testPST")).check().messages, 7u);
    EXPECT_EQ(PstImage(sample("outlook-empty")).check().messages, 0u);
}

TEST(OutlookSampleFacts, CurrentOutlookFileIsCleanEvenInStrictMode) {
    ASSERT_TRUE(std::filesystem::exists(sample("outlook-empty")))
        << "test input missing: " << sample("outlook-empty");
    const CheckResult r = PstImage(sample("outlook-empty")).check(true);
    EXPECT_TRUE(r.report.empty()) << problems(r);
    // Older Outlook files carry leftovers that only strict mode reports.
    const CheckResult old = PstImage(sample("pstsdk-test_unicode")).check(true);
    EXPECT_TRUE(old.report.has("AMAP", "bit")) << problems(old);
}

TEST(OutlookSampleFacts, AnsiFilesAreSkippedNotFailed) {
    for (const char* name : {"pstsdk-sample2", "pstsdk-test_ansi"}) {
        ASSERT_TRUE(std::filesystem::exists(sample(name)))
            << "test input missing: " << sample(name);
        const CheckResult r = PstImage(sample(name)).check();
        EXPECT_EQ(r.outcome, CheckResult::Outcome::SkippedAnsi) << name;
        EXPECT_TRUE(r.report.empty()) << problems(r);
    }
}

}  // namespace
}  // namespace tolvane::pstcheck::test
