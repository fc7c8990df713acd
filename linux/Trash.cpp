#include "linux/Trash.h"

#include <gio/gio.h>

namespace tesra::platform {

bool MoveToTrash(const std::string& path) {
    g_autoptr(GFile) file = g_file_new_for_path(path.c_str());
    return g_file_trash(file, nullptr, nullptr);
}

}  // namespace tesra::platform
