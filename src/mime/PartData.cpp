#include "mime/PartData.h"

#include <fcntl.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

// Decodes into a new file in the temp dir; returns its path.
std::filesystem::path spoolToFile(GMimeDataWrapper* wrapper) {
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
    return path;
}

mapi::PropValue spool(GMimeDataWrapper* wrapper) {
    return mapi::PropValue::binaryStream(
        std::make_shared<mapi::FileByteSource>(spoolToFile(wrapper), true));
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

std::string readAll(GMimeStream* stream) {
    std::string out;
    readInto(stream, out);
    return out;
}

// Decodes base64 text with GMime's decoder into a buffer of `T` (string or bytes).
template <typename T>
void decodeBase64Into(const std::string& text, T& out) {
    out.resize(text.size() / 4 * 3 + 4);
    int state = 0;
    guint32 save = 0;
    const std::size_t n = g_mime_encoding_base64_decode_step(
        reinterpret_cast<const unsigned char*>(text.data()), text.size(),
        reinterpret_cast<unsigned char*>(out.data()), &state, &save);
    out.resize(n);
}

// Scans base64 text in pieces; damaged once a byte outside the alphabet appears, a symbol
// follows padding, or the symbols end one short of a byte. Written as plain compares so the
// compiler vectorises it: it runs over every byte of every attachment.
class Base64Check {
  public:
    void feed(const char* p, std::size_t n) {
        std::size_t head = n;
        if (!padding_) {
            const void* eq = std::memchr(p, '=', n);
            if (eq)
                head = static_cast<std::size_t>(static_cast<const char*>(eq) - p);
            std::size_t symbols = 0, blanks = 0, i = 0;
#if defined(__SSE2__)
            // Sixteen bytes at a time; bytes >= 0x80 compare negative and count as neither.
            const auto in = [](__m128i v, char lo, char hi) {
                return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(lo - 1))),
                                     _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(hi + 1))));
            };
            const auto same = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
            for (; i + 16 <= head; i += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
                const __m128i sym = _mm_or_si128(
                    _mm_or_si128(in(v, 'A', 'Z'), in(v, 'a', 'z')),
                    _mm_or_si128(in(v, '0', '9'), _mm_or_si128(same(v, '+'), same(v, '/'))));
                const __m128i blank = _mm_or_si128(_mm_or_si128(same(v, ' '), same(v, '\t')),
                                                   _mm_or_si128(same(v, '\r'), same(v, '\n')));
                // Per-lane sums of the flags: 1 per symbol, 32 per blank (no popcount needed).
                const __m128i one = _mm_set1_epi8(1);
                const __m128i flags = _mm_or_si128(_mm_and_si128(sym, one),
                                                   _mm_slli_epi16(_mm_and_si128(blank, one), 5));
                const __m128i sums = _mm_sad_epu8(flags, _mm_setzero_si128());
                const auto total = static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                                   static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
                symbols += total & 0x1F;
                blanks += total >> 5;
            }
#endif
            for (; i < head; ++i) {
                const auto c = static_cast<unsigned char>(p[i]);
                symbols += ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') | (c >= '0' && c <= '9') |
                           (c == '+') | (c == '/');
                blanks += (c == ' ') | (c == '\t') | (c == '\r') | (c == '\n');
            }
            symbols_ += symbols;
            damaged_ = damaged_ || symbols + blanks != head;
            if (head == n)
                return;
            padding_ = true;
        } else {
            head = 0;
        }
        // After the first '=': only padding and blanks may follow.
        for (std::size_t i = head; i < n; ++i) {
            const char c = p[i];
            damaged_ = damaged_ || !(c == '=' || c == ' ' || c == '\t' || c == '\r' || c == '\n');
        }
    }
    bool damaged() const {
        return damaged_ || symbols_ % 4 == 1;
    }

  private:
    std::size_t symbols_ = 0;
    bool padding_ = false;
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
            readInto(encoded, text);
            decodeBase64Into(text, out);
            return out;
        }
        default: {
            GObjectPtr<GMimeStream> mem(g_mime_stream_mem_new());
            g_mime_data_wrapper_write_to_stream(wrapper, mem.get());
            return memoryOf(mem.get());
        }
    }
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
        thread_local std::string text;
        readInto(encoded, text);
        Base64Check check;
        check.feed(text.data(), text.size());
        out.damaged = check.damaged();
        mapi::Bytes bytes;
        decodeBase64Into(text, bytes);
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

DecodedStream::DecodedStream(GMimePart* part, std::int64_t spoolThreshold) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    GMimeStream* encoded = wrapper ? g_mime_data_wrapper_get_stream(wrapper) : nullptr;
    if (encoded && g_mime_stream_length(encoded) > spoolThreshold) {
        spool_ = spoolToFile(wrapper);
        stream_.reset(g_mime_stream_fs_open(spool_.c_str(), O_RDONLY, 0, nullptr));
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
