#include "mime/PartData.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "mapi/ByteSource.h"
#include "mime/GObjectPtr.h"
#include "platform/AppError.h"

namespace tolvane::mime {

namespace {

std::string memoryOf(GMimeStream* mem) {
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem));
    return array ? std::string(reinterpret_cast<const char*>(array->data), array->len)
                 : std::string();
}

[[noreturn]] void spoolFailed(const std::filesystem::path& path, int err) {
    throw AppError(errc::kPermissionDenied,
                   "cannot write spool file " + path.string() + ": " + std::strerror(err));
}

mapi::PropValue spool(GMimeDataWrapper* wrapper) {
    const auto dir = std::filesystem::temp_directory_path();
    std::string templ = (dir / "tolvane-att-XXXXXX").string();
    const int fd = mkstemp(templ.data());
    if (fd < 0)
        spoolFailed(templ, errno);
    const std::filesystem::path path = templ;
    GObjectPtr<GMimeStream> out(g_mime_stream_fs_new(fd));  // owns and closes fd
    const bool ok = g_mime_data_wrapper_write_to_stream(wrapper, out.get()) >= 0 &&
                    g_mime_stream_flush(out.get()) == 0;
    const int err = errno;
    out.reset();
    if (!ok) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        spoolFailed(path, err);
    }
    return mapi::PropValue::binaryStream(std::make_shared<mapi::FileByteSource>(path, true));
}

}  // namespace

std::string decodedBytes(GMimePart* part) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper)
        return {};
    GObjectPtr<GMimeStream> mem(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(wrapper, mem.get());
    return memoryOf(mem.get());
}

mapi::PropValue decodedContent(GMimePart* part, std::int64_t spoolThreshold) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper)
        return mapi::PropValue::binary({});
    GMimeStream* encoded = g_mime_data_wrapper_get_stream(wrapper);
    if (encoded && g_mime_stream_length(encoded) > spoolThreshold)
        return spool(wrapper);
    const std::string bytes = decodedBytes(part);
    return mapi::PropValue::binary(mapi::Bytes(bytes.begin(), bytes.end()));
}

std::string rawContent(GMimePart* part) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper)
        return {};
    GMimeStream* encoded = g_mime_data_wrapper_get_stream(wrapper);
    if (!encoded)
        return {};
    GObjectPtr<GMimeStream> mem(g_mime_stream_mem_new());
    g_mime_stream_reset(encoded);
    g_mime_stream_write_to_stream(encoded, mem.get());
    g_mime_stream_reset(encoded);
    return memoryOf(mem.get());
}

std::string serialise(GMimeObject* object) {
    GObjectPtr<GMimeStream> mem(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(object, nullptr, mem.get());
    return memoryOf(mem.get());
}

bool base64Damaged(GMimePart* part) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper)
        return false;
    GMimeStream* encoded = g_mime_data_wrapper_get_stream(wrapper);
    if (!encoded)
        return false;
    g_mime_stream_reset(encoded);
    char buf[16384];
    std::size_t symbols = 0;
    bool padding = false;
    bool damaged = false;
    ssize_t n;
    while (!damaged && (n = g_mime_stream_read(encoded, buf, sizeof buf)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buf[i];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                continue;
            if (c == '=') {
                padding = true;
                continue;
            }
            const bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                               (c >= '0' && c <= '9') || c == '+' || c == '/';
            if (!alpha || padding) {
                damaged = true;
                break;
            }
            ++symbols;
        }
    }
    g_mime_stream_reset(encoded);
    return damaged || symbols % 4 == 1;
}

}  // namespace tolvane::mime
