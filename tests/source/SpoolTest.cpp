// Entries too large to hold in memory go to a spool file that leaves nothing behind: none is
// ever seen by name on Linux, and none outlives its last holder or the process on any system.

#include <gtest/gtest.h>

#include "ReadAll.h"
#include "TestFolder.h"

#ifdef _WIN32
#include <io.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tolvane::source {
namespace {

using test::archive;
using test::readAll;
using test::textOf;

ReadOptions spoolingAll(const std::filesystem::path& folder) {
    ReadOptions options;
    options.limits.heldInMemory = 100;  // every message of the sample is larger
    options.spoolFolder = folder;
    return options;
}

std::string readDescriptor(int fd) {
    std::string text;
    char buffer[97];
    for (;;) {
#ifdef _WIN32
        const int n = _read(fd, buffer, sizeof buffer);
#else
        const auto n = ::read(fd, buffer, sizeof buffer);
#endif
        if (n <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

void closeDescriptor(int fd) {
#ifdef _WIN32
    _close(fd);
#else
    ::close(fd);
#endif
}

TEST(SpoolFiles, LargeEntriesAreSpooledAndReadBackWhole) {
    test::TestFolder spool;
    const auto inMemory = readAll(archive("sample.tgz"));
    {
        const auto spooled = readAll(archive("sample.tgz"), spoolingAll(spool.path()));
        ASSERT_EQ(spooled.entries(), inMemory.entries());
        std::size_t spooledCount = 0;
        for (std::size_t i = 0; i < spooled.items.size(); ++i) {
            const Item& item = spooled.items[i];
            if (!item.bytes)
                continue;
            if (item.bytes->spooled())
                ++spooledCount;
            EXPECT_EQ(item.bytes->memory() == nullptr, item.bytes->spooled());
            EXPECT_EQ(textOf(item), textOf(inMemory.items[i])) << item.entry;
        }
        EXPECT_EQ(spooledCount, 22u);  // 20 messages, the appointment and the task
#ifndef _WIN32
        EXPECT_TRUE(spool.empty()) << "a spool has no name while it is held";
#endif
        // A descriptor of its own for a parser, with a position of its own.
        const Item& message = *spooled.find("Inbox/0000000266-Flagged one.eml");
        const int first = message.bytes->openDescriptor();
        ASSERT_GE(first, 0);
        char head[5] = {};
#ifdef _WIN32
        ASSERT_EQ(_read(first, head, 4), 4);
#else
        ASSERT_EQ(::read(first, head, 4), 4);
#endif
        const int second = message.bytes->openDescriptor();
        EXPECT_EQ(readDescriptor(second), textOf(message));
        EXPECT_EQ(std::string(head) + readDescriptor(first), textOf(message));
        closeDescriptor(first);
        closeDescriptor(second);

        std::vector<std::uint8_t> part(10);
        EXPECT_EQ(message.bytes->readAt(message.bytes->size() - 4, part), 4u);
        EXPECT_EQ(message.bytes->readAt(message.bytes->size() + 10, part), 0u);
    }
    EXPECT_TRUE(spool.empty()) << "every spool is gone with its last holder";
}

TEST(SpoolFiles, ItemsInMemoryHaveNoDescriptor) {
    const auto all = readAll(archive("sample.tgz"));
    const Item& message = *all.find("Inbox/0000000266-Flagged one.eml");
    ASSERT_NE(message.bytes->memory(), nullptr);
    EXPECT_EQ(message.bytes->openDescriptor(), -1);
}

#ifndef _WIN32
TEST(SpoolFiles, AKilledReaderLeavesNoSpoolBehind) {
    test::TestFolder spool;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const auto reader = openSource(archive("sample.tgz"), spoolingAll(spool.path()));
        std::vector<Item> held;
        while (auto item = reader->next())
            held.push_back(std::move(*item));
        raise(SIGKILL);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(spool.empty());
}
#endif

TEST(SpoolFiles, ASpoolThatCannotBeMadeLosesOnlyItsEntry) {
    ReadOptions options =
        spoolingAll(std::filesystem::path(TOLVANE_SOURCE_ARCHIVES) / "no-such-folder");
    const auto all = readAll(archive("sample.tgz"), options);
    EXPECT_EQ(all.problemsOf(ProblemKind::EntryDamaged).size(), 22u);
    EXPECT_TRUE(all.find("Inbox/0000000257-Projects")) << "items without bytes still come";
    EXPECT_FALSE(all.find("Inbox/0000000266-Flagged one.eml"));
    EXPECT_NE(all.problems[0].text().find("spool"), std::string::npos) << all.problems[0].text();
}

}  // namespace
}  // namespace tolvane::source
