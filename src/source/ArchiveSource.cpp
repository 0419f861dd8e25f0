#include <deque>
#include <unordered_map>

#include "platform/AppError.h"
#include "platform/Utf8Path.h"
#include "source/ArchiveEntries.h"
#include "source/EntryName.h"
#include "source/MetaEntry.h"
#include "source/Sources.h"

namespace tolvane::source {

namespace {

constexpr std::string_view kMetaSuffix = ".meta";
constexpr std::string_view kWithoutState =
    "it is read without its state (read, flags, tags, folder)";

// A Zimbra export archive. As Zimbra's own importer does, a .meta belongs to the next entry
// that is not a .meta; unlike it, the entry must also bear the .meta's name without ".meta"
// (the exporter writes both under one name), so an item lost to damage cannot hand its state
// to the one after it. Folders, tags and contacts come as a .meta alone.
class ArchiveSource final : public SourceReader {
  public:
    ArchiveSource(const std::filesystem::path& path, ReadOptions options)
        : source_(Utf8FromPath(path)), options_(std::move(options)) {
        if (options_.spoolFolder.empty())
            options_.spoolFolder = std::filesystem::temp_directory_path();
        metaLimits_ = options_.limits;
        metaLimits_.heldInMemory = metaLimits_.largestItem = options_.limits.largestMeta;
        try {
            entries_ = std::make_unique<ArchiveEntries>(path);
        } catch (const AppError& e) {
            problem(ProblemKind::Unreadable, "", e.description(), false);
            finished_ = true;
        }
    }

    std::optional<Item> next() override {
        while (ready_.empty() && !finished_)
            step();
        if (ready_.empty())
            return std::nullopt;
        Item item = std::move(ready_.front());
        ready_.pop_front();
        return item;
    }

  private:
    struct PendingMeta {
        Meta meta;
        std::string itemName;
        std::string rawName;  // the .meta's name as written, for a report on an unsafe one
        bool unsafe = false;
    };

    void problem(ProblemKind kind, std::string entry, std::string reason, bool itemLost) {
        report({kind, source_, std::move(entry), std::move(reason), itemLost});
    }

    void step() {
        switch (entries_->next()) {
            case ArchiveEntries::Step::End:
                endDamage("the end of the archive");
                if (!anyEntry_)
                    problem(ProblemKind::Unreadable, "", "the archive holds nothing", false);
                flushPending("");
                finished_ = true;
                return;
            case ArchiveEntries::Step::Fatal:
                if (!anyEntry_) {
                    problem(ProblemKind::Unreadable, "",
                            "it cannot be read as a tar or zip archive (" + entries_->error() + ")",
                            false);
                    finished_ = true;
                } else {
                    stop(lastEntry_, true);
                }
                return;
            case ArchiveEntries::Step::DamagedHeader:
                if (inDamage_ && entries_->streamPosition() == damagePosition_) {
                    stop(damageAfter_, true);  // libarchive makes no headway
                    return;
                }
                if (!inDamage_)
                    damageAfter_ = lastEntry_, damageError_ = entries_->error();
                inDamage_ = true;
                damagePosition_ = entries_->streamPosition();
                return;
            case ArchiveEntries::Step::Entry:
                break;
        }
        anyEntry_ = true;
        const SafeName name = safeEntryName(entries_->name());
        endDamage(name.name);
        if (entries_->isFolder() || name.name.starts_with("__MACOSX/")) {
            // Folder entries carry nothing; __MACOSX/ holds a Mac's resource forks, which
            // Zimbra's importer passes over too.
            if (!entries_->skip())
                stop(name.name, false);
            return;
        }
        if (!entries_->isFile()) {
            problem(ProblemKind::NotAFile, name.name,
                    "it is a link or a device, not a file; skipped", true);
            if (!entries_->skip())
                stop(name.name, false);
        } else if (name.name.ends_with(kMetaSuffix)) {
            onMeta(name);
        } else if (name.name.ends_with(".err")) {
            onErr(name);
        } else {
            onData(name);
        }
        lastEntry_ = name.name;
    }

    void onMeta(const SafeName& name) {
        flushPending(name.name);
        metasSeen_ = true;
        afterBadMeta_ = true;
        const ArchiveEntries::Data data = entries_->read(metaLimits_, options_.spoolFolder);
        if (data.outcome != ArchiveEntries::Outcome::Read) {
            refused(data.outcome, name.name, true);
            return;
        }
        const std::vector<std::uint8_t> bytes = data.bytes->readAll();
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        auto meta = readMeta(text, source_, name.name, [this](Problem p) { report(std::move(p)); });
        if (!meta)
            return;
        afterBadMeta_ = false;
        pending_ = PendingMeta{std::move(*meta),
                               name.name.substr(0, name.name.size() - kMetaSuffix.size()),
                               entries_->name(), name.unsafe};
    }

    // Zimbra writes NAME.err after an item whose stored size did not match its blob.
    void onErr(const SafeName& name) {
        problem(ProblemKind::IncompleteExport, name.name.substr(0, name.name.size() - 4),
                "Zimbra marked this item as exported with the wrong size: its end may be "
                "missing or padded with spaces",
                false);
        if (!entries_->skip())
            stop(name.name, false);
    }

    void onData(const SafeName& name) {
        Item item;
        item.source = source_;
        item.entry = name.name;
        if (pending_ && pending_->itemName == name.name) {
            item.meta = std::move(pending_->meta);
            pending_.reset();
        } else {
            flushPending(name.name);
            if (metasSeen_ && !afterBadMeta_) {
                problem(ProblemKind::ItemWithoutMeta, name.name,
                        "it has no .meta before it, unlike the rest of the archive; " +
                            std::string(kWithoutState),
                        false);
            }
        }
        afterBadMeta_ = false;
        item.kind = item.meta ? item.meta->kind() : kindOfName(name.name);
        if (name.unsafe)
            unsafeName(name.name, entries_->name());
        if (options_.keepBytes) {
            ArchiveEntries::Data data = entries_->read(options_.limits, options_.spoolFolder);
            if (data.outcome != ArchiveEntries::Outcome::Read) {
                refused(data.outcome, name.name, false);
                return;
            }
            if (!data.warning.empty()) {
                problem(ProblemKind::EntryDamaged, name.name,
                        "it was read whole, but " + data.warning, false);
            }
            item.bytes = std::move(data.bytes);
            deliver(std::move(item));
        } else {
            // A survey counts what a reading will deliver: an entry too large to read is not.
            const auto declared = entries_->declaredSize();
            if (!entries_->skip()) {
                stop(name.name, false);
                return;
            }
            if (declared && *declared > options_.limits.largestItem) {
                refused(ArchiveEntries::Outcome::TooLarge, name.name, false);
                return;
            }
            deliver(std::move(item));
        }
    }

    // A .meta that the next entry does not answer: a folder, tag or contact stands alone; an
    // item that needs its bytes is lost. `next` names what came instead, empty at the end.
    void flushPending(const std::string& next) {
        if (!pending_)
            return;
        PendingMeta pending = std::move(*pending_);
        pending_.reset();
        const std::string what(kindName(pending.meta.kind()));
        const std::string instead =
            next.empty() ? "the archive ends after it" : "the next entry is " + next;
        if (zimbraTypeHasBlob(pending.meta.type)) {
            problem(ProblemKind::MetaWithoutItem, pending.itemName + std::string(kMetaSuffix),
                    "the " + what + " this .meta describes is not after it (" + instead +
                        "); the " + what + " is missing from the archive",
                    true);
            return;
        }
        if (!pending.meta.blobDigest.empty()) {
            problem(ProblemKind::MetaWithoutItem, pending.itemName + std::string(kMetaSuffix),
                    "the file attached to this " + what + " is not after it (" + instead +
                        "); the " + what + " is read without it",
                    false);
        }
        if (pending.unsafe)
            unsafeName(pending.itemName, pending.rawName);
        Item item;
        item.kind = pending.meta.kind();
        item.source = source_;
        item.entry = std::move(pending.itemName);
        item.meta = std::move(pending.meta);
        deliver(std::move(item));
    }

    void deliver(Item item) {
        if (item.meta) {
            Meta& meta = *item.meta;
            if (item.kind == ItemKind::Tag)
                tagNames_[meta.id] = meta.name;
            for (const int id : meta.tagIds) {
                const auto tag = tagNames_.find(id);
                if (tag != tagNames_.end()) {
                    meta.tagNames.push_back(tag->second);
                } else {
                    problem(ProblemKind::UnknownTag, item.entry,
                            "its tag " + std::to_string(id) +
                                " is not among the archive's tags; the item is read without it",
                            false);
                }
            }
            meta.tagIds.clear();
        }
        ready_.push_back(std::move(item));
    }

    void unsafeName(const std::string& cleaned, const std::string& raw) {
        problem(ProblemKind::UnsafeName, cleaned,
                "its name in the archive (" + raw +
                    ") reaches outside the archive; it is read under this name",
                false);
    }

    void refused(ArchiveEntries::Outcome outcome, const std::string& entry, bool meta) {
        switch (outcome) {
            case ArchiveEntries::Outcome::TooLarge: {
                if (meta) {
                    problem(ProblemKind::MetaUnreadable, entry, tooLargeMetaReason(options_.limits),
                            false);
                    return;
                }
                const auto declared = entries_->declaredSize();
                problem(ProblemKind::EntryTooLarge, entry,
                        "it is " +
                            (declared ? sizeText(*declared)
                                      : "more than " + sizeText(options_.limits.largestItem)) +
                            ", larger than the " + sizeText(options_.limits.largestItem) +
                            " an item may be; skipped",
                        true);
                return;
            }
            case ArchiveEntries::Outcome::Bomb:
                problem(ProblemKind::CompressionBomb, entry,
                        "it expands more than " + std::to_string(options_.limits.expansionRatio) +
                            " times its compressed size, which no mail does (a compression "
                            "bomb?); skipped",
                        true);
                return;
            case ArchiveEntries::Outcome::Damaged:
                problem(ProblemKind::EntryDamaged, entry,
                        "it cannot be read (" + entries_->error() + "); skipped", true);
                return;
            case ArchiveEntries::Outcome::Fatal:
                stop(entry, false);
                return;
            case ArchiveEntries::Outcome::Read:
                return;
        }
    }

    // Reading cannot go on: the archive is truncated or damaged past repair.
    void stop(const std::string& entry, bool afterEntry) {
        const std::string where = afterEntry ? "after this entry" : "at this entry";
        problem(ProblemKind::ArchiveDamaged, entry,
                "the archive is damaged or cut short " + where + " (" + entries_->error() +
                    "); reading stops here, and what came before is kept",
                true);
        pending_.reset();
        finished_ = true;
    }

    void endDamage(const std::string& resumedAt) {
        if (!inDamage_)
            return;
        inDamage_ = false;
        problem(ProblemKind::EntryDamaged, damageAfter_,
                "an entry after this one is damaged (" + damageError_ +
                    "); what lies between them is lost, and reading goes on at " + resumedAt,
                true);
    }

    std::string source_;
    ReadOptions options_;
    ReadLimits metaLimits_;
    std::unique_ptr<ArchiveEntries> entries_;
    std::deque<Item> ready_;
    std::optional<PendingMeta> pending_;
    std::unordered_map<int, std::string> tagNames_;
    bool finished_ = false;
    bool anyEntry_ = false;
    bool metasSeen_ = false;
    bool afterBadMeta_ = false;  // the .meta just read could not be used, and said so
    std::string lastEntry_;
    bool inDamage_ = false;
    std::string damageAfter_;
    std::string damageError_;
    std::uint64_t damagePosition_ = 0;
};

}  // namespace

std::unique_ptr<SourceReader> openArchive(const std::filesystem::path& path,
                                          const ReadOptions& options) {
    return std::make_unique<ArchiveSource>(path, options);
}

}  // namespace tolvane::source
