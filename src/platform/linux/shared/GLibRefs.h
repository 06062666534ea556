// Owners for what GLib and libatspi hand over: object references, g_malloc'd memory and GErrors.
#pragma once

#include <QString>
#include <memory>
#include <optional>

#include <glib-object.h>

namespace quillet {

struct GObjectUnref {
    void operator()(gpointer p) const {
        if (p)
            g_object_unref(p);
    }
};

/// A reference to a GObject (an element, one of its interfaces, a state set), dropped with it.
template <typename T>
using GRef = std::unique_ptr<T, GObjectUnref>;

struct GFree {
    void operator()(gpointer p) const { g_free(p); }
};

/// Memory a call hands over to be released with g_free: strings, rectangles, ranges.
template <typename T>
using GOwned = std::unique_ptr<T, GFree>;

/// The text of a string handed over by a call; empty when there was none.
inline std::optional<QString> takeString(gchar* raw) {
    GOwned<gchar> owned(raw);
    if (!owned)
        return std::nullopt;
    return QString::fromUtf8(owned.get());
}

/// The error a call may report through its `GError**`, freed with the holder.
struct GErrorHolder {
    GError* error = nullptr;
    GErrorHolder() = default;
    GErrorHolder(const GErrorHolder&) = delete;
    GErrorHolder& operator=(const GErrorHolder&) = delete;
    ~GErrorHolder() {
        if (error)
            g_error_free(error);
    }
    GError** operator&() { return &error; }
    explicit operator bool() const { return error != nullptr; }
};

}  // namespace quillet
