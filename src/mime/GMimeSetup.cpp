#include "mime/GMimeSetup.h"

#include <mutex>

namespace tolvane::mime {

void gmimeReady() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

GObjectPtr<GMimeMessage> parseMessageBytes(std::span<const std::uint8_t> bytes) {
    gmimeReady();
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(
        reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!message || !g_mime_message_get_mime_part(message.get())) {
        return nullptr;
    }
    return message;
}

}  // namespace tolvane::mime
