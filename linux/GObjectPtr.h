#pragma once
// An owning pointer to a GObject (unreferenced when it goes), for members where g_autoptr cannot stand.
// It moves and never copies: a second owner takes a reference of its own.

#include <glib-object.h>

#include <memory>

namespace tesra::platform {

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object) g_object_unref(object);
    }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

}  // namespace tesra::platform
