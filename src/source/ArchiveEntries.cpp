#include "source/ArchiveEntries.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

#include "platform/AppError.h"
#include "source/EntryName.h"
#include "source/NativeFile.h"

#ifndef _WIN32
#include <clocale>

#include <locale.h>
#endif

namespace tolvane::source {

namespace {

constexpr std::size_t kInputBlock = std::size_t{1} << 20;
constexpr std::size_t kDataBlock = std::size_t{256} << 10;

// libarchive converts entry names between the archive's charset and the C library's locale
// for this thread. Zimbra writes names in UTF-8; under a UTF-8 locale they pass unchanged,
// whatever the program's own locale is. Windows converts through UTF-16 instead.
class Utf8Names {
  public:
#ifdef _WIN32
    Utf8Names() = default;
#else
    Utf8Names() {
        static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
        if (utf8 != locale_t{})
            previous_ = uselocale(utf8);
    }
    ~Utf8Names() {
        if (previous_ != locale_t{})
            uselocale(previous_);
    }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

  private:
    locale_t previous_{};
#endif
};

}  // namespace

struct ArchiveInput {
    explicit ArchiveInput(NativeFile f)
        : file(std::move(f)), buffer(new std::uint8_t[kInputBlock]) {}
    NativeFile file;
    std::uint64_t position = 0;
    std::unique_ptr<std::uint8_t[]> buffer;
    std::string error;
};

namespace {

la_ssize_t readInput(struct archive* a, void* data, const void** buffer) {
    auto* input = static_cast<ArchiveInput*>(data);
    try {
        const std::size_t n =
            input->file.readAt(input->position, {input->buffer.get(), kInputBlock});
        input->position += n;
        *buffer = input->buffer.get();
        return static_cast<la_ssize_t>(n);
    } catch (const AppError& e) {
        input->error = e.description();
        archive_set_error(a, EIO, "%s", e.description().c_str());
        return -1;
    }
}

// Skipping moves past bytes unread, such as a zip entry's compressed data.
la_int64_t skipInput(struct archive*, void* data, la_int64_t request) {
    auto* input = static_cast<ArchiveInput*>(data);
    const std::uint64_t left = input->file.size() - std::min(input->position, input->file.size());
    const auto skipped = std::min<std::uint64_t>(static_cast<std::uint64_t>(request), left);
    input->position += skipped;
    return static_cast<la_int64_t>(skipped);
}

}  // namespace

ArchiveEntries::ArchiveEntries(const std::filesystem::path& path)
    : input_(std::make_unique<ArchiveInput>(NativeFile::openForReading(path))),
      archive_(archive_read_new()) {
    archive_read_support_filter_gzip(archive_);
    archive_read_support_format_tar(archive_);
    archive_read_support_format_zip_streamable(archive_);
    // Names without a charset of their own (GNU tar, zip without its UTF-8 flag) are UTF-8.
    archive_read_set_options(archive_, "hdrcharset=UTF-8");
    archive_read_set_callback_data(archive_, input_.get());
    archive_read_set_read_callback(archive_, readInput);
    archive_read_set_skip_callback(archive_, skipInput);
    if (archive_read_open1(archive_) != ARCHIVE_OK) {
        takeError();
        const std::string why = error_;
        archive_read_free(archive_);
        throw AppError(errc::kPermissionDenied, why);
    }
}

ArchiveEntries::~ArchiveEntries() {
    archive_read_free(archive_);
}

void ArchiveEntries::takeError() {
    const char* text = archive_error_string(archive_);
    error_ = !input_->error.empty() ? input_->error
             : text != nullptr      ? text
                                    : "the archive cannot be read";
}

ArchiveEntries::Step ArchiveEntries::next() {
    [[maybe_unused]] const Utf8Names names;
    const int status = archive_read_next_header(archive_, &entry_);
    if (status == ARCHIVE_EOF)
        return Step::End;
    if (status == ARCHIVE_RETRY || status == ARCHIVE_FAILED) {
        takeError();
        return Step::DamagedHeader;
    }
    if (status == ARCHIVE_FATAL) {
        takeError();
        return Step::Fatal;
    }
    // ARCHIVE_WARN: a name not in the charset it claims; its bytes are read as they are.
    if (const char* utf8 = archive_entry_pathname_utf8(entry_)) {
        name_ = utf8;
    } else if (const char* raw = archive_entry_pathname(entry_)) {
        name_ = entryNameAsUtf8(raw);
    } else {
        name_.clear();
    }
    return Step::Entry;
}

bool ArchiveEntries::isFile() const {
    return archive_entry_filetype(entry_) == AE_IFREG && archive_entry_hardlink(entry_) == nullptr;
}

bool ArchiveEntries::isFolder() const {
    return archive_entry_filetype(entry_) == AE_IFDIR;
}

std::optional<std::uint64_t> ArchiveEntries::declaredSize() const {
    if (!archive_entry_size_is_set(entry_) || archive_entry_size(entry_) < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(archive_entry_size(entry_));
}

std::uint64_t ArchiveEntries::streamPosition() const {
    return static_cast<std::uint64_t>(archive_filter_bytes(archive_, 0));
}

bool ArchiveEntries::skip() {
    if (archive_read_data_skip(archive_) == ARCHIVE_FATAL) {
        takeError();
        return false;
    }
    return true;
}

namespace {

// Where an entry's bytes go as they are read: straight into place when the header gives a size
// small enough to hold, else through a block into memory, and on into a spool file once they
// pass what may be held.
class EntryBytes {
  public:
    EntryBytes(std::optional<std::uint64_t> declared, const ReadLimits& limits,
               const std::filesystem::path& spoolFolder, std::vector<std::uint8_t>& block)
        : limits_(limits), spoolFolder_(spoolFolder), block_(block) {
        inPlace_ = declared && *declared <= limits.heldInMemory;
        if (inPlace_) {
            memory_.resize(static_cast<std::size_t>(*declared));
            return;
        }
        if (declared)
            spool_.emplace(NativeFile::createSpool(spoolFolder_));
        if (block_.empty())
            block_.resize(kDataBlock);
    }

    // Where the next bytes go; empty once an entry read in place is whole.
    std::span<std::uint8_t> room() {
        if (inPlace_)
            return std::span(memory_).subspan(filled_);
        return block_;
    }

    void took(std::size_t n) {
        if (inPlace_) {
            filled_ += n;
            return;
        }
        const std::span<const std::uint8_t> got(block_.data(), n);
        if (!spool_ && memory_.size() + n > limits_.heldInMemory) {
            spool_.emplace(NativeFile::createSpool(spoolFolder_));
            spool_->append(memory_);
            std::vector<std::uint8_t>().swap(memory_);
        }
        if (spool_)
            spool_->append(got);
        else
            memory_.insert(memory_.end(), got.begin(), got.end());
    }

    // Whether fewer bytes came than the header promised.
    bool cutShort() const { return inPlace_ && filled_ < memory_.size(); }

    ItemBytes finish() {
        if (spool_)
            return ItemBytes::inFile(std::move(*spool_), true);
        if (inPlace_)
            memory_.resize(filled_);
        return ItemBytes::inMemory(std::move(memory_));
    }

  private:
    const ReadLimits& limits_;
    const std::filesystem::path& spoolFolder_;
    std::vector<std::uint8_t>& block_;
    bool inPlace_ = false;
    std::size_t filled_ = 0;
    std::vector<std::uint8_t> memory_;
    std::optional<NativeFile> spool_;
};

}  // namespace

ArchiveEntries::Data ArchiveEntries::read(const ReadLimits& limits,
                                          const std::filesystem::path& spoolFolder) {
    Data data;
    const auto refuse = [&](Outcome outcome, std::string why) {
        error_ = std::move(why);
        data.outcome = skip() ? outcome : Outcome::Fatal;
        return data;
    };
    const auto declared = declaredSize();
    if (declared && *declared > limits.largestItem)
        return refuse(Outcome::TooLarge, "");
    try {
        EntryBytes bytes(declared, limits, spoolFolder, block_);
        const la_int64_t rawStart = archive_filter_bytes(archive_, -1);
        std::uint64_t produced = 0;
        for (;;) {
            const std::span<std::uint8_t> room = bytes.room();
            if (room.empty())
                break;
            const la_ssize_t n = archive_read_data(archive_, room.data(), room.size());
            if (n == 0)
                break;
            if (n < 0) {
                // A warning (a bad checksum at the end) leaves what was read standing.
                takeError();
                if (n == ARCHIVE_WARN) {
                    data.warning = error_;
                    break;
                }
                if (n == ARCHIVE_FATAL) {
                    data.outcome = Outcome::Fatal;
                    return data;
                }
                return refuse(Outcome::Damaged, error_);
            }
            produced += static_cast<std::uint64_t>(n);
            if (produced > limits.largestItem)
                return refuse(Outcome::TooLarge, "");
            if (produced > limits.expansionFloor) {
                const auto consumed =
                    static_cast<std::uint64_t>(archive_filter_bytes(archive_, -1) - rawStart);
                if (produced > limits.expansionRatio * std::max<std::uint64_t>(consumed, 1))
                    return refuse(Outcome::Bomb, "");
            }
            bytes.took(static_cast<std::size_t>(n));
        }
        if (bytes.cutShort() && data.warning.empty())
            return refuse(Outcome::Damaged, "it holds less than its header says");
        data.bytes = bytes.finish();
    } catch (const AppError& e) {
        return refuse(Outcome::Damaged, e.description());
    }
    return data;
}

}  // namespace tolvane::source
