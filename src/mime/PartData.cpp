#include "mime/PartData.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
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

std::string readAll(GMimeStream* stream) {
    std::string out;
    g_mime_stream_reset(stream);
    const gint64 length = g_mime_stream_length(stream);
    if (length > 0)
        out.reserve(static_cast<std::size_t>(length));
    char buf[65536];
    ssize_t n;
    while ((n = g_mime_stream_read(stream, buf, sizeof buf)) > 0)
        out.append(buf, static_cast<std::size_t>(n));
    g_mime_stream_reset(stream);
    return out;
}

// Table of the base64 alphabet (1), blanks (2) and '=' (3).
struct Base64Classes {
    std::uint8_t c[256] = {};
    constexpr Base64Classes() {
        const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (const char* p = a; *p; ++p)
            c[static_cast<unsigned char>(*p)] = 1;
        c[' '] = c['\t'] = c['\r'] = c['\n'] = 2;
        c['='] = 3;
    }
};
constexpr Base64Classes kBase64;

// Scans base64 text in pieces; damaged once a byte outside the alphabet appears, a symbol
// follows padding, or the symbols end one short of a byte. Branch-free: it runs over every
// byte of every attachment.
class Base64Check {
  public:
    void feed(const char* p, std::size_t n) {
        unsigned invalid = 0, late = 0, pad = padding_;
        std::size_t symbols = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned v = kBase64.c[static_cast<unsigned char>(p[i])];
            const unsigned symbol = v == 1;
            invalid |= v == 0;
            late |= pad & symbol;
            pad |= v == 3;
            symbols += symbol;
        }
        damaged_ = damaged_ || invalid || late;
        padding_ = pad;
        symbols_ += symbols;
    }
    bool damaged() const { return damaged_ || symbols_ % 4 == 1; }

  private:
    std::size_t symbols_ = 0;
    unsigned padding_ = 0;
    bool damaged_ = false;
};

bool base64Damaged(GMimeStream* encoded) {
    Base64Check check;
    g_mime_stream_reset(encoded);
    char buf[65536];
    ssize_t n;
    while ((n = g_mime_stream_read(encoded, buf, sizeof buf)) > 0)
        check.feed(buf, static_cast<std::size_t>(n));
    g_mime_stream_reset(encoded);
    return check.damaged();
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

LeafContent decodeLeafContent(GMimePart* part, std::int64_t spoolThreshold) {
    LeafContent out;
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper)
        return out;
    GMimeStream* encoded = g_mime_data_wrapper_get_stream(wrapper);
    const bool base64 = g_mime_data_wrapper_get_encoding(wrapper) == GMIME_CONTENT_ENCODING_BASE64;
    if (encoded && g_mime_stream_length(encoded) > spoolThreshold) {
        out.damaged = base64 && base64Damaged(encoded);
        out.data = spool(wrapper);
        return out;
    }
    if (base64 && encoded) {
        // One read, one check, one decode straight into the value.
        const std::string text = readAll(encoded);
        Base64Check check;
        check.feed(text.data(), text.size());
        out.damaged = check.damaged();
        mapi::Bytes bytes(text.size() / 4 * 3 + 4);
        int state = 0;
        guint32 save = 0;
        const std::size_t n =
            g_mime_encoding_base64_decode_step(reinterpret_cast<const unsigned char*>(text.data()),
                                               text.size(), bytes.data(), &state, &save);
        bytes.resize(n);
        out.data = mapi::PropValue::binary(std::move(bytes));
        return out;
    }
    const std::string bytes = decodedBytes(part);
    out.data = mapi::PropValue::binary(mapi::Bytes(bytes.begin(), bytes.end()));
    return out;
}

bool base64Damaged(GMimePart* part) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    GMimeStream* encoded = wrapper ? g_mime_data_wrapper_get_stream(wrapper) : nullptr;
    return encoded && g_mime_data_wrapper_get_encoding(wrapper) == GMIME_CONTENT_ENCODING_BASE64 &&
           base64Damaged(encoded);
}

std::string rawContent(GMimePart* part) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    GMimeStream* encoded = wrapper ? g_mime_data_wrapper_get_stream(wrapper) : nullptr;
    return encoded ? readAll(encoded) : std::string();
}

std::string serialise(GMimeObject* object) {
    GObjectPtr<GMimeStream> mem(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(object, nullptr, mem.get());
    return memoryOf(mem.get());
}

}  // namespace tolvane::mime
