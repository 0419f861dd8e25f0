#include "mime/EmlImport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

#include "mapi/Tags.h"
#include "mime/Charset.h"
#include "mime/ConversationIndex.h"
#include "mime/Envelope.h"
#include "mime/FallbackCharset.h"
#include "mime/GMimeSetup.h"
#include "mime/GObjectPtr.h"
#include "mime/HeaderBlock.h"
#include "mime/MemorySize.h"
#include "mime/MessageFile.h"
#include "mime/MessageImporter.h"
#include "mime/PartData.h"
#include "mime/PlainText.h"
#include "mime/ReceivedMail.h"
#include "platform/AppError.h"

namespace tolvane::mime {

namespace {

// Classic runtime numbers: 62 "Input past end of file", 75 "Path/File access error".
constexpr long kInputPastEnd = 62;
constexpr long kPathFileAccess = 75;

// Inputs up to this size are parsed from memory: a parser over a file stream seeks and reads
// again for every part it hands out. Larger ones are parsed in place where they are a file.
constexpr std::uint64_t kInMemoryLimit = std::uint64_t{64} << 20;

// One message's bytes, whatever holds them.
struct MessageInput {
    const mapi::ByteSource& bytes;
    std::string name;  // in errors
    OutsideFacts outside;
    // The bytes as a stream GMime can parse in place; empty when they are no file.
    std::function<GMimeStream*()> openFile;
};

// Fills `out` until it is full or the input ends; how much was read.
std::size_t readFully(mapi::ByteReader& reader, std::uint8_t* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const std::size_t n = reader.read(std::span(out + done, size - done));
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

// The bytes [begin, end) of a source (end -1: to its end); a source reads from its start.
std::string readRange(const mapi::ByteSource& source, std::int64_t begin, std::int64_t end) {
    const auto size = static_cast<std::int64_t>(source.size());
    end = end < 0 || end > size ? size : end;
    begin = std::clamp<std::int64_t>(begin, 0, end);
    const auto reader = source.open();
    std::vector<std::uint8_t> skipped(
        static_cast<std::size_t>(std::min<std::int64_t>(begin, 1 << 16)));
    for (std::int64_t left = begin; left > 0;) {
        const std::size_t n =
            readFully(*reader, skipped.data(),
                      static_cast<std::size_t>(std::min<std::int64_t>(left, 1 << 16)));
        if (n == 0)
            return {};
        left -= static_cast<std::int64_t>(n);
    }
    std::string out(static_cast<std::size_t>(end - begin), '\0');
    out.resize(readFully(*reader, reinterpret_cast<std::uint8_t*>(out.data()), out.size()));
    return out;
}

// The whole input in a memory stream.
GMimeStream* memoryStream(const mapi::ByteSource& source) {
    const auto size = static_cast<std::size_t>(source.size());
    std::unique_ptr<GByteArray, void (*)(GByteArray*)> bytes(
        g_byte_array_sized_new(static_cast<guint>(size)),
        [](GByteArray* a) { g_byte_array_unref(a); });
    g_byte_array_set_size(bytes.get(), static_cast<guint>(size));
    const std::size_t read = readFully(*source.open(), bytes->data, size);
    g_byte_array_set_size(bytes.get(), static_cast<guint>(read));
    return g_mime_stream_mem_new_with_byte_array(bytes.release());  // the stream owns the array
}

// The header block of an input too large to hold, and the bytes read to find it.
std::pair<HeaderBlock, std::string> largeHeaderBlock(const mapi::ByteSource& source) {
    const auto reader = source.open();
    std::string head;
    for (std::size_t want = std::size_t{64} << 10;; want = head.size()) {
        const std::size_t had = head.size();
        head.resize(had + want);
        const std::size_t n =
            readFully(*reader, reinterpret_cast<std::uint8_t*>(head.data() + had), want);
        head.resize(had + n);
        if (auto block = findHeaderBlock(head, n < want))
            return {*block, std::move(head)};
    }
}

// What GMime parses of an input whose header block is not as written: the input from its
// first field on, an empty line after the block where it has none. A copy: GMime's own
// concatenating stream loses the body under Windows. In memory, or for an input too large to
// hold, in a spool file that goes with this holder.
class MendedInput {
  public:
    MendedInput(const mapi::ByteSource& source, const HeaderBlock& block, std::string_view head,
                bool inMemory) {
        stream_.reset(inMemory ? g_mime_stream_mem_new() : newSpoolFile(spool_));
        const auto reader = source.open();
        std::vector<std::uint8_t> buffer(std::size_t{1} << 16);
        const auto copy = [&](std::uint64_t count, bool keep) {
            while (count > 0) {
                const std::size_t want =
                    static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer.size()));
                const std::size_t n = readFully(*reader, buffer.data(), want);
                if (n == 0)
                    return;
                if (keep)
                    write(reinterpret_cast<const char*>(buffer.data()), n);
                count -= n;
            }
        };
        copy(block.fieldsBegin, false);
        copy(block.end - block.fieldsBegin, true);
        if (!block.emptyLineEnds) {
            const std::string_view separator = head[block.end - 1] == '\n' ? "\n" : "\n\n";
            write(separator.data(), separator.size());
        }
        copy(std::numeric_limits<std::uint64_t>::max(), true);
        g_mime_stream_flush(stream_.get());
        g_mime_stream_reset(stream_.get());
    }
    ~MendedInput() {
        stream_.reset();
        if (!spool_.empty()) {
            std::error_code ignored;
            std::filesystem::remove(spool_, ignored);
        }
    }
    MendedInput(const MendedInput&) = delete;
    MendedInput& operator=(const MendedInput&) = delete;
    GMimeStream* get() const { return stream_.get(); }

  private:
    void write(const char* bytes, std::size_t n) {
        if (g_mime_stream_write(stream_.get(), bytes, n) != static_cast<ssize_t>(n)) {
            throw AppError(errc::kPermissionDenied, "cannot write spool file " + spool_.string() +
                                                        ": " + std::strerror(errno));
        }
    }

    GObjectPtr<GMimeStream> stream_;
    std::filesystem::path spool_;
};

// An input with no header field at all: its whole text is the body.
mapi::Message headerlessMessage(const std::string& bytes, const OutsideFacts& outside,
                                const UndeclaredCharsets& undeclared, const UserLocale& user) {
    using mapi::PropValue;
    mapi::Message msg;
    const DecodedText text = undeclared.decode(bytes);
    msg.props.set(mapi::tag::kMessageClass, PropValue::unicode("IPM.Note"));
    for (mapi::PropTag id :
         {mapi::tag::kSubject, mapi::tag::kSubjectPrefix, mapi::tag::kNormalizedSubject,
          mapi::tag::kConversationTopic, mapi::tag::kTransportMessageHeaders}) {
        msg.props.set(id, PropValue::unicode(""));
    }
    msg.props.set(mapi::tag::kBody, PropValue::unicode(replaceNul(toCrlf(text.utf8))));
    msg.props.set(mapi::tag::kInternetCodepage, PropValue::int32(text.codePage));
    msg.props.set(mapi::tag::kNativeBody, PropValue::int32(1));
    if (outside.fileTime) {
        msg.props.set(mapi::tag::kClientSubmitTime,
                      PropValue::time(mapi::FileTime::fromUnixSeconds(*outside.fileTime)));
    }
    if (const auto delivered = outside.receivedTime ? outside.receivedTime : outside.fileTime) {
        msg.props.set(mapi::tag::kMessageDeliveryTime,
                      PropValue::time(mapi::FileTime::fromUnixSeconds(*delivered)));
    }
    msg.props.set(mapi::tag::kSensitivity, PropValue::int32(0));
    ThreadIds alone;
    alone.withoutId = bytes;  // its own thread: nothing else names it
    msg.props.set(mapi::tag::kConversationIndex, PropValue::binary(conversationIndex(alone)));
    msg.props.set(mapi::tag::kConversationIndexTracking, PropValue::boolean(true));
    const HeaderView none(static_cast<GMimeObject*>(nullptr), undeclared);
    setReceivedMailDefaults(none, user, msg);
    setImportance(std::nullopt, outside, msg);
    mapReceivedMail(none, user, msg);
    msg.memoryBytes = inMemorySize(msg);
    msg.verdict = mapi::ImportVerdict::NotAMessage;
    return msg;
}

mapi::Message importInput(const MessageInput& in, const mapi::ImportOptions& importOptions) {
    gmimeReady();
    if (in.bytes.size() == 0)
        throw AppError(kInputPastEnd, "cannot import " + in.name + ": the file is empty");

    GObjectPtr<GMimeStream> whole;
    HeaderBlock block;
    std::string largeHead;
    std::string_view head;  // the input's first bytes, the header block among them
    if (in.bytes.size() <= kInMemoryLimit || !in.openFile) {
        whole.reset(memoryStream(in.bytes));
        head = heldBytes(whole.get()).value();
        block = *findHeaderBlock(head, true);
    } else {
        std::tie(block, largeHead) = largeHeaderBlock(in.bytes);
        head = largeHead;
        whole.reset(in.openFile());
        if (!whole)
            throw AppError(kPathFileAccess, "cannot read " + in.name);
    }
    const bool inMemory = GMIME_IS_STREAM_MEM(whole.get());
    const auto readRaw = [&in, inMemory, held = whole.get()](std::int64_t b, std::int64_t e) {
        if (!inMemory)
            return readRange(in.bytes, b, e);
        const std::string_view all = heldBytes(held).value();
        const auto size = static_cast<std::int64_t>(all.size());
        e = e < 0 || e > size ? size : e;
        b = std::clamp<std::int64_t>(b, 0, e);
        return std::string(
            all.substr(static_cast<std::size_t>(b), static_cast<std::size_t>(e - b)));
    };

    GMimeParserOptions* options = g_mime_parser_options_new();
    const std::unique_ptr<GMimeParserOptions, void (*)(GMimeParserOptions*)> optionsOwner(
        options, g_mime_parser_options_free);
    const char* fallback[] = {"utf-8", "windows-1252", nullptr};
    g_mime_parser_options_set_fallback_charsets(options, fallback);

    std::optional<MendedInput> mended;
    if (block.fields > 0 && !block.asWritten())
        mended.emplace(in.bytes, block, head, inMemory);
    // Parsed as one MIME part: the header block starts with a field here (any junk before
    // it is mended away), which is where GMime's message parse and its part parse differ.
    GObjectPtr<GMimeObject> message;
    if (block.fields > 0) {
        GMimeStream* stream = mended ? mended->get() : whole.get();
        GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream));
        g_mime_parser_set_persist_stream(parser.get(), TRUE);
        message.reset(g_mime_parser_construct_part(parser.get(), options));
    }
    const std::string userCharset = fallbackCharset(importOptions.fallbackCharset);
    const UndeclaredCharsets userFallback({userCharset});
    const UserLocale user = UserLocale::ofProcess(userCharset);
    if (!message)
        return headerlessMessage(readRaw(0, -1), in.outside, userFallback, user);

    RawFile raw;
    raw.read = readRaw;
    raw.headersEnd = static_cast<std::int64_t>(block.end);
    raw.parsedFrom = static_cast<std::int64_t>(block.fieldsBegin);
    raw.emptyLineEnds = block.emptyLineEnds;

    MessageImporter importer(options, in.outside, InMemoryBudget(), userFallback, user);
    mapi::Message msg = importer.importEntity(message.get(), &raw);
    if (!block.mailField)
        msg.verdict = mapi::ImportVerdict::NotAMessage;
    return msg;
}

}  // namespace

mapi::Message importEml(const std::filesystem::path& path, const mapi::ImportOptions& options,
                        int opened) {
    const MessageFile file(path, opened);
    const int fd = file.descriptor();
    mapi::Message message = importInput({file,
                                         path.string(),
                                         {file.modifiedTime(), {}, {}},
                                         [fd] { return g_mime_stream_fs_new(dup(fd)); }},
                                        options);
    message.readStamp = file.stamp();
    return message;
}

mapi::Message importMessage(const mapi::ByteSource& bytes, std::string_view name,
                            std::optional<std::int64_t> fallbackTime,
                            const mapi::ImportOptions& options) {
    return importMessage(bytes, name, OutsideFacts{fallbackTime, {}, {}}, options);
}

mapi::Message importMessage(const mapi::ByteSource& bytes, std::string_view name,
                            const OutsideFacts& outside, const mapi::ImportOptions& options) {
    MessageInput in{bytes, std::string(name), outside, {}};
    if (const auto* file = dynamic_cast<const mapi::FileByteSource*>(&bytes)) {
        in.openFile = [file] {
            // GMime takes file names in UTF-8 on every system.
            const std::u8string utf8 = file->path().u8string();
            return g_mime_stream_fs_open(reinterpret_cast<const char*>(utf8.c_str()), O_RDONLY, 0,
                                         nullptr);
        };
    }
    try {
        return importInput(in, options);
    } catch (const AppError&) {
        throw;
    } catch (const std::runtime_error& e) {
        // A spool file that went away or cannot be read.
        throw AppError(kPathFileAccess, "cannot read " + in.name + ": " + e.what());
    }
}

}  // namespace tolvane::mime
