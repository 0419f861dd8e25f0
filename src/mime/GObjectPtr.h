#pragma once

// Owning handles for GMime/glib objects, so every reference is dropped on every path
// (LeakSanitizer runs in the tests).

#include <glib-object.h>
#include <glib.h>

#include <memory>

namespace tolvane::mime {

struct GObjectUnref {
    void operator()(void* object) const {
        if (object)
            g_object_unref(object);
    }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};

using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

}  // namespace tolvane::mime
