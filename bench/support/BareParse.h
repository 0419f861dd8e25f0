#pragma once

// GMime's bare cost of reading a message file, the floor any import stands on: open, parse,
// walk every part (into nested messages), decode every part's content. g_mime_init() first.

#include <fcntl.h>
#include <gmime/gmime.h>

#include <filesystem>

namespace tolvane::bench {

inline void decodeAllParts(GMimeObject* o, GMimeStream* sink) {
    if (GMIME_IS_MULTIPART(o)) {
        const int n = g_mime_multipart_get_count(GMIME_MULTIPART(o));
        for (int k = 0; k < n; ++k)
            decodeAllParts(g_mime_multipart_get_part(GMIME_MULTIPART(o), k), sink);
    } else if (GMIME_IS_MESSAGE_PART(o)) {
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(o));
        if (inner && g_mime_message_get_mime_part(inner))
            decodeAllParts(g_mime_message_get_mime_part(inner), sink);
    } else if (GMIME_IS_PART(o)) {
        if (GMimeDataWrapper* w = g_mime_part_get_content(GMIME_PART(o))) {
            g_mime_data_wrapper_write_to_stream(w, sink);
        }
    }
}

// False when the file cannot be opened or holds no message GMime can build.
inline bool bareParse(const std::filesystem::path& p) {
    GMimeStream* s = g_mime_stream_fs_open(p.c_str(), O_RDONLY, 0, nullptr);
    if (!s)
        return false;
    GMimeParser* parser = g_mime_parser_new_with_stream(s);
    g_mime_parser_set_persist_stream(parser, TRUE);
    GMimeMessage* m = g_mime_parser_construct_message(parser, nullptr);
    if (m && g_mime_message_get_mime_part(m)) {
        GMimeStream* sink = g_mime_stream_null_new();
        decodeAllParts(g_mime_message_get_mime_part(m), sink);
        g_object_unref(sink);
    }
    if (m)
        g_object_unref(m);
    g_object_unref(parser);
    g_object_unref(s);
    return m != nullptr;
}

}  // namespace tolvane::bench
