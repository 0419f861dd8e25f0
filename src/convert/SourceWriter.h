#pragma once

// One queued source (a Zimbra export archive, or a message file with the .meta Zimbra wrote
// beside it) read in one pass into the run's store: each message imported from its bytes,
// given the state Zimbra recorded, and filed by the mailbox's folder rule; the mailbox's empty
// mail folders made too. What is not mail is counted, not converted; what cannot be read is
// reported, naming the source and the entry.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "convert/MailboxFolders.h"
#include "convert/RunResult.h"
#include "mapi/ImportOptions.h"
#include "source/ItemKind.h"
#include "source/ReadOptions.h"

namespace tolvane::source {
struct Item;
}

namespace tolvane::convert {

// What one source gave the store.
struct SourceReport {
    std::uint64_t read = 0;    // messages read from it, stored or not
    std::uint64_t stored = 0;  // messages handed to the store
    // Items of each kind that are no mail (contacts, appointments, tasks, documents).
    std::array<std::uint64_t, source::kItemKindCount> notConverted{};
    std::vector<FileProblem> failures;     // items lost: not stored, or not read at all
    std::vector<FileProblem> warnings;     // stored, or nothing lost, but worth a line
    std::vector<FileProblem> notMessages;  // stored whole as a body: no message in the bytes
};

class SourceWriter {
  public:
    // Messages are imported with `importOptions`, as the run imports message files.
    SourceWriter(MailboxFolders& folders, source::ReadOptions options,
                 mapi::ImportOptions importOptions = {})
        : folders_(folders),
          options_(std::move(options)),
          importOptions_(std::move(importOptions)) {}

    // Reads `path` to its end, adding to `report`. `afterItem` runs after every message; it
    // may throw to stop the reading there. A store file that cannot be written is thrown.
    void write(const std::filesystem::path& path, SourceReport& report,
               const std::function<void()>& afterItem = {});

    // Whether a queued file is read here: an archive, or a message file with its .meta.
    static bool takes(const std::filesystem::path& path);

  private:
    void storeMessage(const source::Item& item, SourceReport& report);
    void makeFolder(const source::Item& item, SourceReport& report);

    MailboxFolders& folders_;
    source::ReadOptions options_;
    mapi::ImportOptions importOptions_;
};

}  // namespace tolvane::convert
