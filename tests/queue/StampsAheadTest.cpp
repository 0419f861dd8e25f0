// Stamping ahead on a thread of its own must hand each row its own file's stamp, however far
// the stamps ran ahead and however often its ring of slots came round.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "queue/MessageFileName.h"
#include "queue/StampsAhead.h"

namespace tolvane::queue {
namespace {

// Files of distinct sizes in three folders, with names that are no message files between
// them and one message file that is not there.
struct ScannedTree {
    TempFolder folder;
    std::vector<std::string> paths;

    ScannedTree() {
        const char* folders[] = {"Inbox", "Inbox/Lists", "Sent"};
        std::size_t size = 1;
        for (const char* name : folders) {
            std::filesystem::create_directories(folder.path() / name);
            for (int k = 0; k < 7; ++k) {
                const auto file = folder.path() / name / (std::to_string(k) + ".eml");
                std::ofstream(file) << std::string(size++, 'x');
                paths.push_back(file.string());
                if (k == 3) {
                    paths.push_back((folder.path() / name / "notes.txt").string());
                }
            }
        }
        paths.push_back((folder.path() / "Sent" / "gone.eml").string());
    }
};

// Counts the stamper's calls of `wanted`, so a test can wait until it got as far as it will.
struct Progress {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t asked = 0;

    std::function<bool(const std::string&)> wanted() {
        return [this](const std::string& path) {
            {
                const std::lock_guard lock(mutex);
                ++asked;
            }
            changed.notify_all();
            return IsQueueableFile(path);
        };
    }
    // Waits until every path was asked about, or a moment passed: the stamper, held by its
    // ring, may never get there.
    void waitForAll(std::size_t paths) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::milliseconds(200), [&] { return asked == paths; });
    }
};

TEST(StampsAhead, EachWantedPathGetsItsOwnStampThoughTheRingComesRoundOften) {
    const ScannedTree tree;
    for (const std::size_t ahead : {std::size_t{1}, std::size_t{4}, StampsAhead::kAhead}) {
        Progress progress;
        StampsAhead stamps(tree.paths, progress.wanted(), ahead);
        progress.waitForAll(tree.paths.size());  // as far ahead as the ring lets it run
        std::size_t stamped = 0;
        for (std::size_t index = 0; index < tree.paths.size(); ++index) {
            const std::string& path = tree.paths[index];
            if (!IsQueueableFile(path)) {
                continue;
            }
            const auto stamp = stamps.take(index);
            EXPECT_EQ(stamp, stampOf(path)) << path << ", " << ahead << " ahead";
            if (path.ends_with("gone.eml")) {
                EXPECT_FALSE(stamp.has_value());
            } else if (stamp) {
                EXPECT_EQ(stamp->size, std::filesystem::file_size(path)) << path;
                ++stamped;
            }
        }
        EXPECT_EQ(stamped, 21u) << ahead << " ahead";
    }
}

TEST(StampsAhead, ItsEndStopsAStamperWaitingForRoom) {
    const ScannedTree tree;
    Progress progress;
    {
        StampsAhead stamps(tree.paths, progress.wanted(), 2);
        EXPECT_TRUE(stamps.take(0).has_value());
        progress.waitForAll(tree.paths.size());
    }  // must not hang
    const std::lock_guard lock(progress.mutex);
    EXPECT_LT(progress.asked, tree.paths.size());  // it stopped where its ring held it
}

}  // namespace
}  // namespace tolvane::queue
