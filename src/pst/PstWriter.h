#pragma once

// Writes a new Outlook personal-folders file (Unicode PST, [MS-PST]) from format-neutral
// messages. The whole API: create, add folder, add message, commit, close.
//
//   auto pst = PstWriter::create("/tmp/mail.pst", "My Mail");
//   FolderId inbox = pst->specialFolder(SpecialFolder::Inbox);
//   FolderId projects = pst->addFolder(inbox, "Projects");
//   FolderId people = pst->addFolder(pst->ipmSubtree(), "People", FolderClass::Contact);
//   pst->addMessage(projects, message);
//   pst->close();
//
// The file on disk is a valid store at every moment: the state of the last commit. create()
// writes the empty store under no name and gives the file its name only once that is on disk
// whole, so a kill or a full disk during create() leaves no file. The writer commits by itself
// every few seconds of work, and commit() and close() make everything added so far part of it.
// A kill, a power cut or a failed write leaves the last committed state. A writer destroyed
// without close() closes what it has.

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mapi/Message.h"
#include "pst/PstError.h"

namespace tolvane::pst {

namespace ndb {
class FileSystem;
}

struct WriterOptions {
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // The writer commits once this much time has passed since the last commit, or this many
    // bytes were written, whichever comes first (measured in bench/pst_commit_bench.cpp: on
    // 10,000 mixed messages 64 MiB cost about 4% of the run, 128 MiB none that shows beside
    // the noise; a crash loses at most 2 s or 128 MiB of work).
    std::chrono::milliseconds commitInterval{2000};
    std::uint64_t commitBytes = std::uint64_t{128} << 20;
    // Or once the table rows and folder changes waiting for the commit, which live in memory
    // until then, come to this much (by the guess the commit reserves its room by): fast
    // small items, thousands a second, would otherwise fill memory for the whole interval.
    std::uint64_t commitHeldBytes = std::uint64_t{8} << 20;
    Clock clock;                       // empty: steady_clock::now
    ndb::FileSystem* files = nullptr;  // null: the operating system's
};

struct FolderId {
    std::uint32_t nid = 0;
    friend bool operator==(const FolderId&, const FolderId&) = default;
};

// Outlook's own folders, which it finds through pointers in the store rather than by name.
enum class SpecialFolder {
    Inbox,
    Outbox,
    SentItems,
    DeletedItems,
    Drafts,
    JunkEmail,
    Calendar,
    Contacts,
    Tasks,
    Notes,
    Journal,
};

// What a folder holds, as its container class tells Outlook: mail ("IPF.Note"), contacts
// ("IPF.Contact"), appointments ("IPF.Appointment"), tasks ("IPF.Task"), notes
// ("IPF.StickyNote"), journal entries ("IPF.Journal").
enum class FolderClass { Note, Contact, Appointment, Task, StickyNote, Journal };

struct MessageId {
    std::uint32_t nid = 0;
    friend bool operator==(const MessageId&, const MessageId&) = default;
};

class PstWriter {
  public:
    virtual ~PstWriter() = default;

    // Creates the file with every node an Outlook-made empty store has. Throws PstError
    // naming the path if a file has that name or the store cannot be created; none is left.
    static std::unique_ptr<PstWriter> create(const std::filesystem::path& path,
                                             const std::string& displayName,
                                             const WriterOptions& options = {});

    virtual FolderId rootFolder() const = 0;
    virtual FolderId ipmSubtree() const = 0;    // "Top of Personal Folders"
    virtual FolderId deletedItems() const = 0;  // = specialFolder(SpecialFolder::DeletedItems)

    // The special folder, made on the first request below the IPM subtree under Outlook's
    // English name ("Inbox", "Outbox", "Sent Items", "Deleted Items", "Drafts", "Junk E-mail",
    // "Calendar", "Contacts", "Tasks", "Notes", "Journal") with its container class, and from
    // then on named where Outlook looks for it: the store's entry ids (Outbox, Sent Items,
    // Deleted Items), the receive-folder table (Inbox), the entry ids on the root folder and
    // the Inbox (Drafts, Junk E-mail, Calendar, Contacts, Tasks, Notes, Journal). A store that
    // asks for none has exactly the folders of Outlook's new empty store. Throws PstError when
    // the IPM subtree already holds a folder of that name with another class.
    virtual FolderId specialFolder(SpecialFolder which) = 0;

    // A folder below parent, of the class given (mail by default).
    FolderId addFolder(FolderId parent, const std::string& name) {
        return addFolder(parent, name, FolderClass::Note);
    }
    virtual FolderId addFolder(FolderId parent, const std::string& name,
                               FolderClass folderClass) = 0;

    // Writes the message into the folder, with its recipients, attachments and embedded
    // messages; the folder's contents table and counts follow: its content count, and its
    // unread count from PidTagMessageFlags (a message without mfRead is unread), in the
    // folder and in its row of the parent's hierarchy table, both part of the same commit. When the
    // disk is full (or the file may grow no more) the writer commits every message before this one
    // in the space it held back for that, then throws PstWriteError and takes no more.
    virtual MessageId addMessage(FolderId folder, const mapi::Message& message) = 0;

    // ENTRYID of a folder or message: flags, the store's provider UID, the node id.
    virtual std::vector<std::uint8_t> entryId(std::uint32_t nid) const = 0;
    virtual const std::array<std::uint8_t, 16>& providerUid() const = 0;
    virtual const std::filesystem::path& path() const = 0;

    // Makes every folder and message added so far part of the file's state.
    virtual void commit() = 0;
    // Messages the file holds as of the last commit: what a reader finds if the run ends now.
    virtual std::uint64_t committedMessages() const = 0;

    // Commits and ends writing. Idempotent. After a PstWriteError the file keeps its last
    // committed state and close() writes nothing more; committedMessages() says what it holds.
    virtual void close() = 0;
};

}  // namespace tolvane::pst
