#pragma once

// One queued source (a Zimbra export archive, a message file with the .meta Zimbra wrote
// beside it, a .vcf or an .ics file) read in one pass into the run's store: each message
// imported from its bytes, given the state Zimbra recorded, and filed by the mailbox's folder
// rule; contacts, contact groups, appointments and tasks by their importers into the folders
// Outlook shows them in; the mailbox's empty folders made too. Documents are counted, not
// converted; what cannot be read is reported, naming the source and the entry.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/MailboxFolders.h"
#include "convert/RunResult.h"
#include "mapi/ImportOptions.h"
#include "source/ItemKind.h"
#include "source/ReadOptions.h"

namespace tolvane::source {
struct Item;
}
namespace tolvane::mapi {
struct Message;
}

namespace tolvane::convert {

// What one source gave the store.
struct SourceReport {
    std::uint64_t read = 0;    // messages read from it, stored or not
    std::uint64_t stored = 0;  // messages handed to the store
    // Contacts (groups among them), appointments and tasks handed to the store, by kind.
    std::array<std::uint64_t, source::kItemKindCount> converted{};
    // Where each of those was among everything this report's sources handed to the store, from
    // 0: the store counts what it has committed, messages and the rest together.
    std::vector<std::uint64_t> otherItemsAt;
    // Items Outlook has no place for (documents), and, in a build without the calendar
    // import, appointments and tasks.
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

    // Reads `path` to its end, adding to `report`. `afterItem` runs after every item stored;
    // it may throw to stop the reading there. A store file that cannot be written is thrown.
    void write(const std::filesystem::path& path, SourceReport& report,
               const std::function<void()>& afterItem = {});

    // Whether a queued file is read here: an archive, a .vcf or .ics file, or a message file
    // with its .meta.
    static bool takes(std::string_view utf8Path);

    // takes() for a queue's files in order, where many of one folder come together: once
    // enough have come, the folder is listed, and a folder with no ".meta" at all answers for
    // the rest of its files without a look-up each (a folder of plain .eml files).
    class Routes {
      public:
        bool takes(std::string_view utf8Path);

      private:
        enum class MetaFiles { Unknown, None, Some };
        std::string folder_;  // with its last separator
        std::size_t filesInFolder_ = 0;
        MetaFiles metaFiles_ = MetaFiles::Unknown;
    };

  private:
    struct ContactPass;

    void storeMessage(const source::Item& item, SourceReport& report);
    void makeFolder(const source::Item& item, SourceReport& report);
    void storeContact(const source::Item& item, ContactPass& pass, SourceReport& report);
    void storeVCards(const source::Item& item, SourceReport& report);
    void storeGroups(ContactPass& pass, SourceReport& report);
    // Appointments and tasks; in a build without the calendar import, counted as not converted.
    void storeCalendar(const source::Item& item, SourceReport& report);
    // A contact file's or calendar's bytes, read whole (they are small); nullopt, with the
    // item's failure in `report`, when they cannot be read.
    static std::optional<std::vector<std::uint8_t>> bytesOf(const source::Item& item,
                                                            SourceReport& report);
    // Files a contact, appointment or task; a failure is the item's, `name` says which.
    void storeOther(const mailbox::FolderRoute& route, mapi::Message message, source::ItemKind kind,
                    const std::string& name, SourceReport& report);

    MailboxFolders& folders_;
    source::ReadOptions options_;
    mapi::ImportOptions importOptions_;
    std::function<void()> afterItem_;
};

}  // namespace tolvane::convert
