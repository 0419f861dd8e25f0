#include "mime/EmlImport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "mapi/Tags.h"
#include "mime/Charset.h"
#include "mime/ConversationIndex.h"
#include "mime/FallbackCharset.h"
#include "mime/GObjectPtr.h"
#include "mime/MemorySize.h"
#include "mime/MessageImporter.h"
#include "mime/PlainText.h"
#include "mime/ReceivedMail.h"
#include "platform/AppError.h"

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#endif

namespace tolvane::mime {

namespace {

#ifdef _WIN32
// The Windows forms of what the import asks of the file: opened by its UTF-16 name, in binary,
// and read at a position without moving the descriptor's own.
constexpr int O_CLOEXEC = 0;
constexpr int O_NONBLOCK = 0;

int open(const wchar_t* path, int flags) {
    return ::_wopen(path, flags | _O_BINARY);
}

int fstat(int fd, struct ::_stat64* status) {
    return ::_fstat64(fd, status);
}

ssize_t pread(int fd, void* buffer, std::size_t size, std::int64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD read = 0;
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    const auto ask = static_cast<DWORD>(std::min<std::size_t>(size, std::size_t{1} << 30));
    if (!ReadFile(handle, buffer, ask, &read, &at)) {
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    }
    return static_cast<ssize_t>(read);
}
#endif

// Classic runtime numbers: 62 "Input past end of file", 75 "Path/File access error".
constexpr long kInputPastEnd = 62;
constexpr long kPathFileAccess = 75;

[[noreturn]] void fail(const std::filesystem::path& path, int err) {
    const long number = err == ENOENT                   ? errc::kFileNotFound
                        : err == EACCES || err == EPERM ? errc::kPermissionDenied
                                                        : kPathFileAccess;
    throw AppError(number, "cannot read " + path.string() + ": " + std::strerror(err));
}

class FileHandle {
  public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0)
            close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

std::string readRange(int fd, std::int64_t begin, std::int64_t end, std::int64_t fileSize) {
    if (end < 0 || end > fileSize)
        end = fileSize;
    if (begin < 0)
        begin = 0;
    std::string out;
    if (end <= begin)
        return out;
    out.resize(static_cast<std::size_t>(end - begin));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = pread(fd, out.data() + done, out.size() - done,
                                begin + static_cast<std::int64_t>(done));
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return out;
}

// Files of ordinary size are parsed from memory: a parser over a file stream seeks and reads
// again for every part it hands out. Larger files are parsed from the file. Either way the
// caller's descriptor stays open for raw reads by position.
GMimeStream* openParserStream(FileHandle& file, std::int64_t fileSize) {
    constexpr std::int64_t kInMemoryLimit = std::int64_t{64} << 20;
    if (fileSize > kInMemoryLimit)
        return g_mime_stream_fs_new(dup(file.get()));
    GByteArray* bytes = g_byte_array_sized_new(static_cast<guint>(fileSize));
    g_byte_array_set_size(bytes, static_cast<guint>(fileSize));
    std::int64_t done = 0;
    while (done < fileSize) {
        const ssize_t n =
            pread(file.get(), bytes->data + done, static_cast<std::size_t>(fileSize - done), done);
        if (n <= 0)
            break;
        done += n;
    }
    g_byte_array_set_size(bytes, static_cast<guint>(done));
    return g_mime_stream_mem_new_with_byte_array(bytes);  // the stream owns the array
}

// A file with no header at all: its whole text is the body.
mapi::Message headerlessMessage(const std::string& bytes, std::int64_t fileTime,
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
    const auto t = PropValue::time(mapi::FileTime::fromUnixSeconds(fileTime));
    msg.props.set(mapi::tag::kClientSubmitTime, t);
    msg.props.set(mapi::tag::kMessageDeliveryTime, t);
    msg.props.set(mapi::tag::kImportance, PropValue::int32(1));
    msg.props.set(mapi::tag::kSensitivity, PropValue::int32(0));
    ThreadIds alone;
    alone.withoutId = bytes;  // its own thread: nothing else names it
    msg.props.set(mapi::tag::kConversationIndex, PropValue::binary(conversationIndex(alone)));
    msg.props.set(mapi::tag::kConversationIndexTracking, PropValue::boolean(true));
    const HeaderView none(static_cast<GMimeObject*>(nullptr), undeclared);
    setReceivedMailDefaults(none, user, msg);
    mapReceivedMail(none, user, msg);
    msg.memoryBytes = inMemorySize(msg);
    return msg;
}

}  // namespace

mapi::Message importEml(const std::filesystem::path& path,
                        const mapi::ImportOptions& importOptions) {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });

    // Non-blocking, so a pipe or device queued by name is refused below instead of waited on.
    FileHandle file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
#ifdef _WIN32
    // Windows refuses to open a folder as a file for lack of access; say what it is.
    if (file.get() < 0 && errno == EACCES) {
        std::error_code ignored;
        if (std::filesystem::is_directory(path, ignored))
            fail(path, EISDIR);
    }
#endif
    if (file.get() < 0)
        fail(path, errno);
#ifdef _WIN32
    struct ::_stat64 st {};
#else
    struct stat st {};
#endif
    if (fstat(file.get(), &st) != 0)
        fail(path, errno);
    if (S_ISDIR(st.st_mode))
        fail(path, EISDIR);
    if (!S_ISREG(st.st_mode)) {
        throw AppError(kPathFileAccess,
                       "cannot read " + path.string() + ": it is not a regular file");
    }
    if (st.st_size == 0)
        throw AppError(kInputPastEnd, "cannot import " + path.string() + ": the file is empty");
    const std::int64_t fileSize = st.st_size;
    const std::int64_t fileTime = st.st_mtime;
    const int fd = file.get();

    GMimeParserOptions* options = g_mime_parser_options_new();
    const std::unique_ptr<GMimeParserOptions, void (*)(GMimeParserOptions*)> optionsOwner(
        options, g_mime_parser_options_free);
    const char* fallback[] = {"utf-8", "windows-1252", nullptr};
    g_mime_parser_options_set_fallback_charsets(options, fallback);

    GObjectPtr<GMimeStream> stream(openParserStream(file, fileSize));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_persist_stream(parser.get(), TRUE);
    GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options));
    const std::string userCharset = fallbackCharset(importOptions.fallbackCharset);
    const UndeclaredCharsets userFallback({userCharset});
    const UserLocale user = UserLocale::ofProcess(userCharset);
    if (!message)
        return headerlessMessage(readRange(fd, 0, -1, fileSize), fileTime, userFallback, user);

    RawFile raw;
    if (GMIME_IS_STREAM_MEM(stream.get())) {
        // The whole file is in memory already: raw ranges come from there.
        GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
        raw.read = [bytes](std::int64_t b, std::int64_t e) {
            const auto size = static_cast<std::int64_t>(bytes->len);
            e = e < 0 || e > size ? size : e;
            b = std::clamp<std::int64_t>(b, 0, e);
            return std::string(reinterpret_cast<const char*>(bytes->data) + b,
                               static_cast<std::size_t>(e - b));
        };
    } else {
        raw.read = [fd, fileSize](std::int64_t b, std::int64_t e) {
            return readRange(fd, b, e, fileSize);
        };
    }
    raw.headersBegin = g_mime_parser_get_headers_begin(parser.get());
    raw.headersEnd = g_mime_parser_get_headers_end(parser.get());
    if (raw.headersEnd < raw.headersBegin)
        raw.headersEnd = raw.headersBegin;

    MessageImporter importer(options, fileTime, InMemoryBudget(), userFallback, user);
    return importer.import(message.get(), 0, &raw);
}

}  // namespace tolvane::mime
