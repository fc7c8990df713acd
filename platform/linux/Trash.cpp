#include "platform/Trash.h"

#include <gio/gio.h>

namespace tesra::platform {

bool MoveToTrash(const std::string& path) {
    GFile* file = g_file_new_for_path(path.c_str());
    GError* error = nullptr;
    bool moved = g_file_trash(file, nullptr, &error);
    if (error) g_error_free(error);
    g_object_unref(file);
    return moved;
}

}  // namespace tesra::platform
