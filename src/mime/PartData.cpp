#include "mime/PartData.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string_view>

#include "mapi/ByteSource.h"
#include "mime/Base64Body.h"
#include "mime/GObjectPtr.h"
#include "platform/AppError.h"

namespace tolvane::mime {

namespace {

std::string memoryOf(GMimeStream* mem) {
    return std::string(heldBytes(mem).value_or(std::string_view()));
}

[[noreturn]] void spoolFailed(const std::filesystem::path& path, int err) {
    throw AppError(errc::kPermissionDenied,
                   "cannot write spool file " + path.string() + ": " + std::strerror(err));
}

// Decodes into a new file in the temp dir; returns its path.
std::filesystem::path spoolToFile(GMimeDataWrapper* wrapper) {
    std::filesystem::path path;
    GObjectPtr<GMimeStream> out(newSpoolFile(path));
    const bool ok = g_mime_data_wrapper_write_to_stream(wrapper, out.get()) >= 0 &&
                    g_mime_stream_flush(out.get()) == 0;
    const int err = errno;
    out.reset();
    if (!ok) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        spoolFailed(path, err);
    }
    return path;
}

Base64Check checkBase64(GMimeStream* encoded) {
    Base64Check check;
    g_mime_stream_reset(encoded);
    char buf[65536];
    ssize_t n;
    while ((n = g_mime_stream_read(encoded, buf, sizeof buf)) > 0)
        check.feed(buf, static_cast<std::size_t>(n));
    g_mime_stream_reset(encoded);
    return check;
}

// GMime's decoding filter leaves out a truncated last group; the spool gets its bytes too.
void appendTail(const std::filesystem::path& spool, const std::string& tail) {
    if (tail.empty())
        return;
    // A stream, since it takes the path in the system's own form (UTF-16 on Windows).
    errno = 0;
    std::ofstream f(spool, std::ios::binary | std::ios::app);
    f.write(tail.data(), static_cast<std::streamsize>(tail.size()));
    f.close();
    if (!f)
        spoolFailed(spool, errno != 0 ? errno : EIO);
}

mapi::PropValue spool(GMimeDataWrapper* wrapper, const std::string& tail) {
    const std::filesystem::path path = spoolToFile(wrapper);
    try {
        appendTail(path, tail);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        throw;
    }
    return mapi::PropValue::binaryStream(std::make_shared<mapi::FileByteSource>(path, true));
}

// Reads a whole stream into `out`, straight into its storage (capacity is reused).
void readInto(GMimeStream* stream, std::string& out) {
    g_mime_stream_reset(stream);
    const gint64 length = g_mime_stream_length(stream);
    out.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    std::size_t done = 0;
    ssize_t n = 0;
    while (done < out.size() &&
           (n = g_mime_stream_read(stream, out.data() + done, out.size() - done)) > 0) {
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    // The length was a hint only: read whatever else there is.
    char more[4096];
    while (n >= 0 && (n = g_mime_stream_read(stream, more, sizeof more)) > 0) {
        out.append(more, static_cast<std::size_t>(n));
    }
    g_mime_stream_reset(stream);
}

// The text of a base64 stream in memory, read in place where it can be.
std::string_view base64Text(GMimeStream* encoded, std::string& copy) {
    if (const auto held = heldBytes(encoded))
        return *held;
    readInto(encoded, copy);
    return copy;
}

}  // namespace

std::optional<std::string_view> heldBytes(GMimeStream* stream) {
    if (!GMIME_IS_STREAM_MEM(stream))
        return std::nullopt;
    const GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    if (!array)
        return std::nullopt;
    const auto size = static_cast<gint64>(array->len);
    const gint64 end = stream->bound_end < 0 ? size : std::min(stream->bound_end, size);
    const gint64 start = std::clamp<gint64>(stream->bound_start, 0, end);
    return std::string_view(reinterpret_cast<const char*>(array->data) + start,
                            static_cast<std::size_t>(end - start));
}

GMimeStream* newSpoolFile(std::filesystem::path& path) {
    std::string templ = (std::filesystem::temp_directory_path() / "tolvane-att-XXXXXX").string();
    const int fd = mkstemp(templ.data());
    if (fd < 0)
        spoolFailed(templ, errno);
    path = templ;
    return g_mime_stream_fs_new(fd);  // owns and closes fd
}

std::string decodedBytes(GMimePart* part) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    GMimeStream* encoded = wrapper ? g_mime_data_wrapper_get_stream(wrapper) : nullptr;
    if (!encoded)
        return {};
    std::string out;
    switch (g_mime_data_wrapper_get_encoding(wrapper)) {
        case GMIME_CONTENT_ENCODING_DEFAULT:
        case GMIME_CONTENT_ENCODING_7BIT:
        case GMIME_CONTENT_ENCODING_8BIT:
        case GMIME_CONTENT_ENCODING_BINARY:
            readInto(encoded, out);  // nothing to undo
            return out;
        case GMIME_CONTENT_ENCODING_BASE64: {
            thread_local std::string text;
            decodeBase64Body(base64Text(encoded, text), out);
            return out;
        }
        default: {
            GObjectPtr<GMimeStream> mem(g_mime_stream_mem_new());
            g_mime_data_wrapper_write_to_stream(wrapper, mem.get());
            return memoryOf(mem.get());
        }
    }
}

mapi::PropValue decodeLeafContent(GMimePart* part, std::int64_t spoolThreshold) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper)
        return mapi::PropValue::binary({});
    GMimeStream* encoded = g_mime_data_wrapper_get_stream(wrapper);
    const bool base64 = g_mime_data_wrapper_get_encoding(wrapper) == GMIME_CONTENT_ENCODING_BASE64;
    if (encoded && g_mime_stream_length(encoded) > spoolThreshold) {
        const Base64Check check = base64 ? checkBase64(encoded) : Base64Check();
        return spool(wrapper, check.truncatedTail());
    }
    if (base64 && encoded) {
        // One pass that decodes, straight into the value.
        thread_local std::string text;
        mapi::Bytes bytes;
        decodeBase64Body(base64Text(encoded, text), bytes);
        return mapi::PropValue::binary(std::move(bytes));
    }
    const std::string bytes = decodedBytes(part);
    return mapi::PropValue::binary(mapi::Bytes(bytes.begin(), bytes.end()));
}

DecodedStream::DecodedStream(GMimePart* part, std::int64_t spoolThreshold) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    GMimeStream* encoded = wrapper ? g_mime_data_wrapper_get_stream(wrapper) : nullptr;
    if (encoded && g_mime_stream_length(encoded) > spoolThreshold) {
        spool_ = spoolToFile(wrapper);
        try {
            if (g_mime_data_wrapper_get_encoding(wrapper) == GMIME_CONTENT_ENCODING_BASE64)
                appendTail(spool_, checkBase64(encoded).truncatedTail());
        } catch (...) {
            std::error_code ignored;
            std::filesystem::remove(spool_, ignored);  // no destructor runs for a throwing one
            throw;
        }
        // GMime takes file names in UTF-8 on every system.
        const std::u8string name = spool_.u8string();
        stream_.reset(g_mime_stream_fs_open(reinterpret_cast<const char*>(name.c_str()), O_RDONLY,
                                            0, nullptr));
    }
    if (!stream_) {
        const std::string bytes = decodedBytes(part);
        stream_.reset(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
    }
}

DecodedStream::~DecodedStream() {
    stream_.reset();
    if (!spool_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(spool_, ignored);
    }
}

std::string serialise(GMimeObject* object) {
    GObjectPtr<GMimeStream> mem(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(object, nullptr, mem.get());
    return memoryOf(mem.get());
}

}  // namespace tolvane::mime
