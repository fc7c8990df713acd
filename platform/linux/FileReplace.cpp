#include "platform/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "support/FailureLog.h"

namespace tesra::platform {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void WriteFailed(const std::string& path, int error) { throw FileFailure("写入文件", path, error); }

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool CopyAll(int from, int to) {
    char buffer[65536];
    for (;;) {
        ssize_t n = read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!WriteAll(to, buffer, static_cast<size_t>(n))) return false;
    }
}

void SyncFolder(const fs::path& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

mode_t Permissions(FileMode mode) {
    switch (mode) {
        case FileMode::Private: return 0600;
        case FileMode::Executable: return 0755;
        case FileMode::Regular: break;
    }
    return 0644;
}

// Fills a hidden temporary file beside path (so that a desktop never shows a half-written entry)
// and renames it over path.
void Replace(const std::string& path, FileMode mode, const std::function<bool(int fd)>& fill) {
    const fs::path target(path);
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) WriteFailed(path, errno);
    errno = 0;
    bool written = fchmod(fd, Permissions(mode)) == 0 && fill(fd) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && rename(temp.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        unlink(temp.c_str());
        WriteFailed(path, error ? error : EIO);
    }
    SyncFolder(folder);
}

}  // namespace

void ReplaceFile(const std::string& path, std::string_view bytes, FileMode mode) {
    Replace(path, mode, [&](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); });
}

void ReplaceFileWithCopy(const std::string& source, const std::string& path, FileMode mode) {
    int from = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0) throw FileFailure("读取文件", source, errno);
    try {
        Replace(path, mode, [&](int fd) { return CopyAll(from, fd); });
    } catch (...) {
        close(from);
        throw;
    }
    close(from);
}

}  // namespace tesra::platform
