#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliArguments.h"
#include "cli/CliProgress.h"

namespace tolvane::cli {
namespace {

std::optional<CliArguments> parse(std::vector<std::string> args, std::string& problem) {
    return parseArguments(args, problem);
}

TEST(CliArguments, TakesTheDestinationInBothFormsAndEveryPathInOrder) {
    std::string problem;
    auto parsed = parse({"--dest", "/out", "a.eml", "Mail"}, problem);
    ASSERT_TRUE(parsed) << problem;
    EXPECT_EQ(parsed->dest, "/out");
    EXPECT_EQ(parsed->paths, (std::vector<std::string>{"a.eml", "Mail"}));

    parsed = parse({"Mail", "--dest=/o u t", "--", "--dest", "-x.eml"}, problem);
    ASSERT_TRUE(parsed) << problem;
    EXPECT_EQ(parsed->dest, "/o u t");
    EXPECT_EQ(parsed->paths, (std::vector<std::string>{"Mail", "--dest", "-x.eml"}));

    parsed = parse({"--charset", "koi8-r", "a.eml"}, problem);
    ASSERT_TRUE(parsed) << problem;
    EXPECT_EQ(parsed->charset, "koi8-r");
    parsed = parse({"--charset=gb2312", "a.eml"}, problem);
    ASSERT_TRUE(parsed) << problem;
    EXPECT_EQ(parsed->charset, "gb2312");
    EXPECT_EQ(parsed->paths, (std::vector<std::string>{"a.eml"}));

    parsed = parse({"--help"}, problem);
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->help);
}

TEST(CliArguments, RefusesWhatCannotStartWithAReason) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad{
        {{}, "no message file or folder given"},
        {{"--dest", "/out"}, "no message file or folder given"},
        {{"a.eml", "--dest"}, "--dest needs a folder"},
        {{"--dest=", "a.eml"}, "--dest needs a folder"},
        {{"--dest", "/a", "--dest", "/b", "a.eml"}, "--dest given twice"},
        {{"-v", "a.eml"}, "unknown option -v"},
        {{"a.eml", "--charset"}, "--charset needs a charset name"},
        {{"--charset=", "a.eml"}, "--charset needs a charset name"},
        {{"--charset", "a", "--charset=b", "a.eml"}, "--charset given twice"},
    };
    for (const auto& [args, reason] : bad) {
        std::string problem;
        EXPECT_FALSE(parse(args, problem));
        EXPECT_EQ(problem, reason);
    }
}

TEST(CliProgress, LogsOneLinePerThousandMessagesAndTheLastWhenNotATerminal) {
    std::ostringstream out;
    CliProgress progress(out, false, 2500);
    for (int k = 0; k < 2500; ++k) {
        progress.setBarValue(0.0f);
    }
    progress.finish();
    std::istringstream lines(out.str());
    std::vector<std::string> counts;
    for (std::string line; std::getline(lines, line);) {
        counts.push_back(line.substr(0, line.find(' ')));
    }
    EXPECT_EQ(counts, (std::vector<std::string>{"1000/2500", "2000/2500", "2500/2500"}));
    EXPECT_EQ(progress.done(), 2500);
}

TEST(CliProgress, ATerminalLineShowsBarCountRateAndTimeLeft) {
    EXPECT_EQ(CliProgress::barLine(500, 1000, 2.0),
              "[###############               ] 500/1000  250 msg/s  0:02 left");
    EXPECT_EQ(CliProgress::barLine(30, 100, 7.0),
              "[#########                     ] 30/100  4 msg/s  0:16 left");
    EXPECT_EQ(CliProgress::barLine(100, 100, 4.0),
              "[##############################] 100/100  25 msg/s");
    EXPECT_EQ(CliProgress::logLine(1000, 40000, 0.5), "1000/40000 messages, 2000 msg/s");

    std::ostringstream out;
    CliProgress progress(out, true, 2);
    progress.setBarValue(50.0f);
    progress.setBarValue(100.0f);
    progress.finish();
    EXPECT_EQ(out.str().front(), '\r');
    EXPECT_NE(out.str().find("2/2"), std::string::npos);
    EXPECT_EQ(out.str().back(), '\n');
}

}  // namespace
}  // namespace tolvane::cli
