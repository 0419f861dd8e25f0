#pragma once

#include <gmime/gmime.h>

#include <mutex>

namespace tolvane::contact {

// GMime is set up once, before the first blob or address list is parsed.
inline void gmimeReady() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

}  // namespace tolvane::contact
