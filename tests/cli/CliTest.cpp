#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "cli/CliArguments.h"
#include "cli/CliProgress.h"
#include "cli/QueueBuilder.h"

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

TEST(CliArguments, VersionAndHelpNeedNoPathAndSlashQuestionMarkIsHelpOnWindowsOnly) {
    std::string problem;
    auto parsed = parse({"--version"}, problem);
    ASSERT_TRUE(parsed) << problem;
    EXPECT_TRUE(parsed->version);
    EXPECT_FALSE(parsed->help);

    parsed = parse({"/?"}, problem);
#ifdef _WIN32
    ASSERT_TRUE(parsed) << problem;
    EXPECT_TRUE(parsed->help);
    EXPECT_TRUE(parsed->paths.empty());
    // After "--" it is a path again.
    parsed = parse({"--", "/?"}, problem);
    ASSERT_TRUE(parsed) << problem;
    EXPECT_EQ(parsed->paths, (std::vector<std::string>{"/?"}));
#else
    ASSERT_TRUE(parsed) << problem;
    EXPECT_FALSE(parsed->help);
    EXPECT_EQ(parsed->paths, (std::vector<std::string>{"/?"}));
#endif
}

// The help speaks of the system it runs on: its paths and how it asks a program to end.
TEST(CliUsage, SpeaksOfTheSystemItRunsOn) {
    const std::string usage = kUsage;
#ifdef _WIN32
    const std::vector<std::string> own{"C:\\Users\\me\\", "Ctrl+C", "closing the console",
                                       "logging off", "/?"};
    const std::vector<std::string> foreign{"SIGINT", "SIGHUP", "/home/", "terminal"};
#else
    const std::vector<std::string> own{"/home/me/", "SIGINT", "SIGTERM", "SIGHUP", "terminal"};
    const std::vector<std::string> foreign{"C:\\", "Ctrl+", "console", "/?"};
#endif
    for (const auto& text : own) {
        EXPECT_NE(usage.find(text), std::string::npos) << text;
    }
    for (const auto& text : foreign) {
        EXPECT_EQ(usage.find(text), std::string::npos) << text;
    }
}

convert::JobProgress after(std::int64_t done, std::int64_t total, std::uint64_t committed = 0) {
    convert::JobProgress progress;
    progress.done = done;
    progress.total = total;
    progress.messagesDone = done;
    progress.messagesTotal = total;
    progress.committed = committed;
    return progress;
}

// Two rows: an archive of `messages` read so far, of `total` messages in the queue.
convert::JobProgress inArchive(std::int64_t messages, std::int64_t total) {
    convert::JobProgress progress;
    progress.done = 1;
    progress.total = 2;
    progress.messagesDone = messages;
    progress.messagesTotal = total;
    progress.archivesQueued = true;
    return progress;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::istringstream lines(text);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) {
        all.push_back(line);
    }
    return all;
}

// The queue stamps each file as a stat of its own path would, looked up from its folder or
// not: files of two folders, a link, a file given by itself, and a folder large enough to be
// stamped in two halves at once, each file of its own size; a missing one is not queued.
TEST(CliQueue, EachFileIsStampedAsAStatOfItsPathWould) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() /
                          ("tolvane-cli-stamps-" + std::to_string(std::random_device{}()));
    fs::remove_all(root);
    for (const char* folder : {"tree/A", "tree/B", "tree/C", "alone"}) {
        fs::create_directories(root / folder);
    }
    std::set<std::uintmax_t> written;
    const auto write = [&](const std::string& name, std::size_t size) {
        std::ofstream(root / name, std::ios::binary) << std::string(size, 'x');
        written.insert(size);
    };
    write("tree/A/1.eml", 10);
    write("tree/A/2.eml", 20);
    write("tree/B/1.eml", 30);
    write("tree/B/2.eml", 40);
    write("alone/x.eml", 50);
    for (std::size_t i = 0; i < 1500; ++i) {
        write("tree/C/" + std::to_string(i) + ".eml", 100 + i);
    }
#ifndef _WIN32
    fs::create_symlink(root / "tree/B/2.eml", root / "tree/A/3.eml");
#endif
    const BuiltQueue queue = buildQueue({(root / "tree").string(), (root / "alone/x.eml").string(),
                                         (root / "alone/gone.eml").string()});
    ASSERT_EQ(queue.stamps.size(), queue.paths.size());
    ASSERT_GE(queue.paths.size(), 1505u);
    std::set<std::uintmax_t> sizes;
    for (std::size_t i = 0; i < queue.paths.size(); ++i) {
        const auto expected = stampOf(queue.paths[i]);
        ASSERT_TRUE(expected.has_value()) << queue.paths[i];
        EXPECT_EQ(queue.stamps[i], expected) << queue.paths[i];
        sizes.insert(expected->size);
    }
    EXPECT_EQ(sizes, written);
    fs::remove_all(root);
}

TEST(CliProgress, LogsOneLinePerThousandMessagesAndTheLastWhenNotATerminal) {
    std::ostringstream out;
    CliProgress progress(out, false);
    progress.runStarted();
    for (int k = 1; k <= 2500; ++k) {
        progress.runProgressed(after(k, 2500));
    }
    progress.finish();
    std::vector<std::string> counts;
    for (const auto& line : linesOf(out.str())) {
        counts.push_back(line.substr(0, line.find(' ')));
    }
    EXPECT_EQ(counts, (std::vector<std::string>{"1000/2500", "2000/2500", "2500/2500"}));
    EXPECT_EQ(progress.done(), 2500);
}

// An archive is one row of many messages: the log counts its messages as they are read, and
// one cut short, which jumps to its end, still logs the thousand it passed, once.
TEST(CliProgress, AnArchiveIsCountedByItsMessagesNotItsRow) {
    std::ostringstream out;
    CliProgress progress(out, false);
    progress.runStarted();
    for (int k = 1; k <= 1500; ++k) {
        progress.runProgressed(inArchive(k, 3200));
    }
    progress.runProgressed(inArchive(2600, 3200));  // the archive's end, 1,100 messages short
    progress.runProgressed(inArchive(2600, 3200));  // the row's end, told again
    progress.runProgressed(inArchive(3200, 3200));  // the second row
    progress.finish();
    std::vector<std::string> counts;
    for (const auto& line : linesOf(out.str())) {
        counts.push_back(line.substr(0, line.find(' ')));
    }
    EXPECT_EQ(counts, (std::vector<std::string>{"1000/3200", "2600/3200", "3200/3200"}));
    EXPECT_EQ(progress.done(), 3200);
}

// A script reading the log knows at every moment how many messages the file holds.
TEST(CliProgress, EachCommitIsOneLineWithTheCountTheFileHolds) {
    std::ostringstream out;
    CliProgress progress(out, false);
    progress.runStarted();
    progress.runProgressed(after(1, 3, 0));
    progress.runProgressed(after(2, 3, 2));
    progress.runProgressed(after(3, 3, 2));
    convert::RunResult result;
    result.stored = 3;
    progress.runEnded(result);
    progress.runEnded(result);
    const auto lines = linesOf(out.str());
    ASSERT_EQ(lines.size(), 3u) << out.str();
    EXPECT_EQ(lines[0], "commit: 2 message(s) in the file");
    EXPECT_EQ(lines[1].rfind("3/3 messages, ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "commit: 3 message(s) in the file");
}

TEST(CliProgress, ATerminalLineShowsBarCountRateAndTimeLeft) {
    EXPECT_EQ(CliProgress::barLine(500, 1000, 2.0),
              "[###############               ] 500/1,000  250 msg/s  0:02 left");
    EXPECT_EQ(CliProgress::barLine(30, 100, 7.0),
              "[#########                     ] 30/100  4 msg/s  0:16 left");
    EXPECT_EQ(CliProgress::barLine(100, 100, 4.0),
              "[##############################] 100/100  25 msg/s");
    EXPECT_EQ(CliProgress::barLine(1234, 100000, 1.0).substr(33),
              "1,234/100,000  1234 msg/s  1:20 left");
    EXPECT_EQ(CliProgress::logLine(1000, 40000, 0.5), "1000/40000 messages, 2000 msg/s");

    std::ostringstream out;
    CliProgress progress(out, true);
    progress.runStarted();
    progress.runProgressed(after(1, 2, 1));
    progress.runProgressed(after(2, 2, 2));
    progress.finish();
    EXPECT_EQ(out.str().find("commit:"), std::string::npos);  // a terminal shows the bar only
    EXPECT_EQ(out.str().front(), '\r');
    EXPECT_NE(out.str().find("2/2"), std::string::npos);
    EXPECT_EQ(out.str().back(), '\n');
}

}  // namespace
}  // namespace tolvane::cli
