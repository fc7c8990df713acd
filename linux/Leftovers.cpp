#include "linux/Leftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace tesra::platform {
namespace {

constexpr int kExitFileCount = 4;
char g_exitFiles[kExitFileCount][PATH_MAX];
std::atomic<int> g_exitFileCount{0};
constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

void OnTerminationSignal(int signal) {
    RemoveExitFiles();
    // The default action only now: a second signal that came meanwhile (the process group's and the
    // process's own, say) ran this handler too instead of ending the process before the files went.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

void ArmExitRemoval() {
    std::atexit(RemoveExitFiles);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_NODEFER;
    for (int signal : kTerminationSignals) {
        struct sigaction before {};
        // A signal that the process was started to ignore stays ignored.
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

bool IsAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool ProcessGone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

// Calls visit(folder fd, name) for each entry of the folder.
template <typename Visit>
void EachEntry(int folder, Visit visit) {
    int fd = dup(folder);
    if (fd < 0) return;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return;
    }
    while (dirent* entry = readdir(dir)) visit(std::string(entry->d_name));
    closedir(dir);
}

// Removes the temporary when no writer holds it; the lock taken here makes a writer that opened it
// meanwhile wait and then see that it is gone.
void RemoveUnheld(int folder, const std::string& name) {
    int fd = openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
        unlinkat(folder, name.c_str(), 0);
    }
    close(fd);
}

void RemoveStaleTemporariesIn(int folder, bool desktopOnly, bool withSubfolders) {
    EachEntry(folder, [&](const std::string& name) {
        if (IsWriterTemporary(name, desktopOnly)) {
            RemoveUnheld(folder, name);
            return;
        }
        if (!withSubfolders || name == "." || name == "..") return;
        int sub = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0) return;
        RemoveStaleTemporariesIn(sub, desktopOnly, false);
        close(sub);
    });
}

}  // namespace

std::optional<pid_t> BridgeSocketPid(std::string_view name) {
    const std::string_view prefix = "bridge-", suffix = ".sock";
    if (!name.starts_with(prefix) || !name.ends_with(suffix)) return std::nullopt;
    std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.empty() || digits.size() > 9 || digits.front() == '0') return std::nullopt;
    pid_t pid = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

bool IsWriterTemporary(std::string_view name, bool desktopOnly) {
    constexpr size_t kRandom = 6;
    if (name.size() < 1 + 1 + 1 + kRandom || name.front() != '.') return false;
    std::string_view random = name.substr(name.size() - kRandom);
    for (char c : random) {
        if (!IsAlnum(c)) return false;
    }
    std::string_view target = name.substr(1, name.size() - 1 - kRandom);
    if (!target.ends_with('.')) return false;
    target.remove_suffix(1);
    if (target.empty() || target == "." || target.front() == '.') return false;
    return !desktopOnly || (target.size() > 8 && target.ends_with(".desktop"));
}

bool MarkTemporaryInUse(int fd) {
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) return true;  // no locks here: nothing removes it either
    }
    struct stat st {};
    return fstat(fd, &st) != 0 || st.st_nlink > 0;
}

void RemoveStaleBridgeSockets(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    EachEntry(fd, [&](const std::string& name) {
        auto pid = BridgeSocketPid(name);
        struct stat st {};
        if (!pid || !ProcessGone(*pid) || fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
        if (S_ISSOCK(st.st_mode)) unlinkat(fd, name.c_str(), 0);
    });
    close(fd);
}

void RemoveStaleTemporaries(const std::string& folder, bool desktopOnly) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    RemoveStaleTemporariesIn(fd, desktopOnly, !desktopOnly);
    close(fd);
}

void RemoveAtExit(const std::string& path) {
    int index = g_exitFileCount.load();
    if (index == kExitFileCount || path.size() >= PATH_MAX) return;
    std::memcpy(g_exitFiles[index], path.c_str(), path.size() + 1);
    g_exitFileCount.store(index + 1);
    if (index == 0) ArmExitRemoval();
}

void RemoveExitFiles() {
    // Every caller removes them all: each of two signals handled at once must find them gone before it ends
    // the process, and a second unlink costs nothing.
    int count = g_exitFileCount.load();
    for (int i = 0; i < count; ++i) unlink(g_exitFiles[i]);
}

}  // namespace tesra::platform
