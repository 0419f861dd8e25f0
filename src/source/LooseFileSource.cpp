#include <string>

#include "platform/AppError.h"
#include "platform/Utf8Path.h"
#include "source/MetaEntry.h"
#include "source/NativeFile.h"
#include "source/Sources.h"

namespace tolvane::source {

namespace {

ItemKind kindOf(SourceFormat format) {
    switch (format) {
        case SourceFormat::MessageFile:
            return ItemKind::Message;
        case SourceFormat::VCardFile:
            return ItemKind::Contact;
        case SourceFormat::ICalendarFile:
        case SourceFormat::Archive:
            break;
    }
    return ItemKind::Appointment;  // its importer tells events from tasks
}

// One file, one item: a message with the .meta Zimbra wrote beside it when the user unpacked
// an export, or a vCard or iCalendar file.
class LooseFileSource final : public SourceReader {
  public:
    LooseFileSource(std::filesystem::path path, SourceFormat format, ReadOptions options)
        : path_(std::move(path)), format_(format), options_(std::move(options)) {}

    std::optional<Item> next() override {
        if (done_)
            return std::nullopt;
        done_ = true;
        Item item;
        item.kind = kindOf(format_);
        item.source = Utf8FromPath(path_);
        try {
            NativeFile file = NativeFile::openForReading(path_);
            if (options_.keepBytes)
                item.bytes = ItemBytes::inFile(std::move(file), false);
        } catch (const AppError& e) {
            report({ProblemKind::Unreadable, item.source, "", e.description(), true});
            return std::nullopt;
        }
        if (format_ == SourceFormat::MessageFile)
            item.meta = siblingMeta();
        return item;
    }

  private:
    // NAME.eml.meta, when there is one and it describes a message.
    std::optional<Meta> siblingMeta() {
        std::filesystem::path metaPath = path_;
        metaPath += ".meta";
        std::error_code missing;
        if (!std::filesystem::exists(metaPath, missing))
            return std::nullopt;
        const std::string metaName = Utf8FromPath(metaPath);
        std::string text;
        try {
            NativeFile file = NativeFile::openForReading(metaPath);
            if (file.size() > options_.limits.largestMeta) {
                report({ProblemKind::MetaUnreadable, metaName, "",
                        tooLargeMetaReason(options_.limits), false});
                return std::nullopt;
            }
            text.resize(static_cast<std::size_t>(file.size()));
            text.resize(
                file.readAt(0, {reinterpret_cast<std::uint8_t*>(text.data()), text.size()}));
        } catch (const AppError& e) {
            report({ProblemKind::MetaUnreadable, metaName, "",
                    e.description() + "; the message is read without its state", false});
            return std::nullopt;
        }
        auto meta = readMeta(text, metaName, "", [this](Problem p) { report(std::move(p)); });
        if (meta && meta->kind() != ItemKind::Message) {
            report({ProblemKind::MetaUnreadable, metaName, "",
                    "it describes a " + std::string(kindName(meta->kind())) +
                        ", not the message beside it, which is read without its state",
                    false});
            return std::nullopt;
        }
        return meta;
    }

    std::filesystem::path path_;
    SourceFormat format_;
    ReadOptions options_;
    bool done_ = false;
};

}  // namespace

std::unique_ptr<SourceReader> openLooseFile(const std::filesystem::path& path, SourceFormat format,
                                            const ReadOptions& options) {
    return std::make_unique<LooseFileSource>(path, format, options);
}

}  // namespace tolvane::source
