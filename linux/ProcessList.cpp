#include "linux/ProcessList.h"

#include <dirent.h>
#include <unistd.h>

#include <cctype>
#include <climits>

namespace tesra::platform {

const char kProgramFileSuffix[] = "";

std::vector<std::string> RunningProgramFiles() {
    std::vector<std::string> files;
    DIR* proc = opendir("/proc");
    if (!proc) return files;
    while (dirent* entry = readdir(proc)) {
        if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
        const std::string link = std::string("/proc/") + entry->d_name + "/exe";
        char path[PATH_MAX];
        // Fails for processes of other users and for kernel threads: those are not listed.
        ssize_t n = readlink(link.c_str(), path, sizeof path - 1);
        if (n <= 0) continue;
        std::string file(path, static_cast<size_t>(n));
        // The kernel marks a program file that was replaced or removed since the process started.
        const std::string deleted = " (deleted)";
        if (file.size() > deleted.size() && file.compare(file.size() - deleted.size(), deleted.size(), deleted) == 0)
            continue;
        files.push_back(std::move(file));
    }
    closedir(proc);
    return files;
}

}  // namespace tesra::platform
