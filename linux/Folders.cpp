#include "linux/Folders.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

#include "support/RuntimeFolder.h"
#include "support/tsCommon.h"

namespace tesra::platform {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = g_getenv(name);
    return value && *value ? std::string(value) : fallback;
}

std::string Home() { return EnvOr("HOME", g_get_home_dir()); }

}  // namespace

namespace {

// A folder of the user's xdg-user-dirs file ("XDG_DESKTOP_DIR" and the like), or the fallback.
std::string UserDir(const std::string& name, const std::string& fallback) {
    // GLib reads user-dirs.dirs once per process and ignores later HOME changes; read it each time.
    std::string dirs = EnvOr("XDG_CONFIG_HOME", Home() + "/.config") + "/user-dirs.dirs";
    g_autofree gchar* text = nullptr;
    std::string folder = fallback;
    if (g_file_get_contents(dirs.c_str(), &text, nullptr, nullptr)) {
        g_auto(GStrv) lines = g_strsplit(text, "\n", -1);
        for (gchar** line = lines; *line; ++line) {
            std::string l = g_strstrip(*line);
            const std::string key = name + "=";
            if (l.rfind(key, 0) != 0) continue;
            std::string value = l.substr(key.size());
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (value.rfind("$HOME", 0) == 0) value = Home() + value.substr(5);
            if (!value.empty() && value[0] == '/') folder = value;
        }
    }
    return folder;
}

}  // namespace

std::string DesktopFolder() { return UserDir("XDG_DESKTOP_DIR", Home() + "/Desktop"); }
std::string DownloadFolder() { return UserDir("XDG_DOWNLOAD_DIR", Home() + "/Downloads"); }

std::string LocalAppDataFolder() { return EnvOr("XDG_DATA_HOME", Home() + "/.local/share"); }
std::string ConfigFolder() { return EnvOr("XDG_CONFIG_HOME", Home() + "/.config"); }
std::string CacheFolder() { return EnvOr("XDG_CACHE_HOME", Home() + "/.cache"); }
std::string WebCacheFolder() { return CacheFolder() + "/TesraBrowser"; }

std::string RuntimeFolder() {
    const char* runtime = g_getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    std::string folder;
    // The session's folder only when it is really the user's own; otherwise a folder for the user alone.
    if (runtime && runtime[0] == '/' && lstat(runtime, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
        (st.st_mode & (S_IWGRP | S_IWOTH)) == 0) {
        folder = std::string(runtime) + "/tesrabrowser";
    } else {
        folder = std::string(g_get_tmp_dir()) + "/tesrabrowser-" + std::to_string(getuid());
    }
    // Made when missing; whether it may be used is for CheckRuntimeFolder to say.
    mkdir(folder.c_str(), 0700);
    return folder;
}

std::string RuntimeFolderFault(const std::string& folder) {
    // What a call could not look at stays zero.
    struct stat st {};
    struct statvfs fs {};
    RuntimeFolderState state;
    if (lstat(folder.c_str(), &st) != 0) state.unreadable = LastErrorText();
    if (statvfs(folder.c_str(), &fs) != 0) state.fileSystemUnreadable = LastErrorText();
    state.link = S_ISLNK(st.st_mode);
    state.folder = S_ISDIR(st.st_mode);
    state.own = st.st_uid == getuid();
    state.mode = st.st_mode & 07777;
    state.noexec = (fs.f_flag & ST_NOEXEC) != 0;
    return RuntimeFolderFaultOf(state);
}

std::string CheckRuntimeFolder() {
    const std::string folder = RuntimeFolder();
    const std::string fault = RuntimeFolderFault(folder);
    return fault.empty() ? fault : RuntimeFolderMessage(folder, fault);
}

std::string ProgramFile() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string file(path, static_cast<size_t>(n));
    // The kernel marks a file that is gone from its folder; the name is still where it was.
    const std::string gone = " (deleted)";
    if (file.ends_with(gone) && access(file.c_str(), F_OK) != 0) file.resize(file.size() - gone.size());
    return file;
}

// The kernel keeps the running image reachable here even when its file was replaced or removed.
std::string ProgramImage() { return "/proc/self/exe"; }

std::string PackageProgramFolder() { return TESRA_PACKAGE_PROGRAM_FOLDER; }

// The effective user's rights, as the file operations will check them.
bool FolderWritable(const std::string& folder) {
    return faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace tesra::platform
