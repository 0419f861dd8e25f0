#include "calendar/CalendarMime.h"

#include <gmime/gmime.h>

#include <mutex>
#include <string_view>

#include "mime/Charset.h"
#include "mime/GObjectPtr.h"

namespace tolvane::calendar {
namespace {

using mime::GObjectPtr;

bool isCalendar(GMimeObject* part) {
    GMimeContentType* type = g_mime_object_get_content_type(part);
    return type && (g_mime_content_type_is_type(type, "text", "calendar") ||
                    g_mime_content_type_is_type(type, "application", "ics"));
}

std::string decodedText(GMimePart* part, const std::string& source,
                        std::vector<Problem>& problems) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper) {
        return {};
    }
    GObjectPtr<GMimeStream> out(g_mime_stream_mem_new());
    if (g_mime_data_wrapper_write_to_stream(wrapper, out.get()) < 0) {
        problems.push_back({source, "a text/calendar part cannot be decoded; left out"});
        return {};
    }
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
    const std::string_view raw(reinterpret_cast<const char*>(bytes->data), bytes->len);
    const char* charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
    if (charset) {
        if (auto text = mime::decodeCharset(raw, charset)) {
            return std::move(text->utf8);
        }
        problems.push_back(
            {source, std::string("unknown charset \"") + charset +
                         "\" of a text/calendar part; read as UTF-8 or windows-1252"});
    }
    return mime::decode8bit(raw).utf8;
}

void walk(GMimeObject* o, const std::string& source, std::vector<std::string>& out,
          std::vector<Problem>& problems) {
    if (GMIME_IS_MULTIPART(o)) {
        GMimeMultipart* mp = GMIME_MULTIPART(o);
        for (int i = 0; i < g_mime_multipart_get_count(mp); ++i) {
            walk(g_mime_multipart_get_part(mp, i), source, out, problems);
        }
    } else if (GMIME_IS_MESSAGE_PART(o)) {
        GMimeMessage* m = g_mime_message_part_get_message(GMIME_MESSAGE_PART(o));
        if (m && g_mime_message_get_mime_part(m)) {
            walk(g_mime_message_get_mime_part(m), source, out, problems);
        }
    } else if (GMIME_IS_PART(o) && isCalendar(o)) {
        std::string text = decodedText(GMIME_PART(o), source, problems);
        if (!text.empty()) {
            out.push_back(std::move(text));
        }
    }
}

}  // namespace

std::vector<std::string> calendarParts(std::span<const std::uint8_t> blob,
                                       const std::string& source, std::vector<Problem>& problems) {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
    std::vector<std::string> out;
    const std::string_view head(reinterpret_cast<const char*>(blob.data()),
                                std::min<std::size_t>(blob.size(), 64));
    if (head.find("BEGIN:VCALENDAR") != std::string_view::npos) {
        // An export without metadata writes the calendar itself, not its MIME.
        out.push_back(mime::decode8bit(
                          std::string_view(reinterpret_cast<const char*>(blob.data()), blob.size()))
                          .utf8);
        return out;
    }
    GObjectPtr<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(reinterpret_cast<const char*>(blob.data()), blob.size()));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!message || !g_mime_message_get_mime_part(message.get())) {
        problems.push_back(
            {source, "the calendar entry is not MIME that can be read; nothing converted"});
        return out;
    }
    walk(g_mime_message_get_mime_part(message.get()), source, out, problems);
    return out;
}

}  // namespace tolvane::calendar
