#include "linux/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "linux/Leftovers.h"
#include "support/FailureLog.h"

namespace tesra::platform {
namespace {

namespace fs = std::filesystem;

mode_t Permissions(FileMode mode) {
    switch (mode) {
    case FileMode::Private:
        return 0600;
    case FileMode::Executable:
        return 0755;
    case FileMode::Regular:
        break;
    }
    return 0644;
}

fs::path FolderOf(const std::string& path) {
    fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

void SyncFolder(const fs::path& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

// Hidden, so that a desktop never shows a half-written entry. Marked as in use until it is in place
// or removed, so that a start of the program that finds it while it is written leaves it alone.
FileReplacement::FileReplacement(std::string path, FileMode mode) : path_(std::move(path)) {
    const std::string pattern = (FolderOf(path_) / ("." + fs::path(path_).filename().string() + ".XXXXXX")).string();
    do {
        if (fd_ >= 0) close(fd_);
        temp_ = pattern;
        fd_ = mkostemp(temp_.data(), O_CLOEXEC);
        if (fd_ < 0) throw FileFailure("写入文件", path_, errno);
    } while (!MarkTemporaryInUse(fd_));
    // The mark lives as long as one descriptor of the file does: this one outlasts the rename.
    mark_ = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (mark_ < 0 || fchmod(fd_, Permissions(mode)) != 0) Fail(errno);
}

FileReplacement::~FileReplacement() {
    if (fd_ >= 0) {
        close(fd_);
        unlink(temp_.c_str());
    }
    if (mark_ >= 0) close(mark_);
}

void FileReplacement::Fail(int error) {
    close(fd_);
    fd_ = -1;
    unlink(temp_.c_str());
    if (mark_ >= 0) close(mark_);
    mark_ = -1;
    throw FileFailure("写入文件", path_, error ? error : EIO);
}

void FileReplacement::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        errno = 0;
        ssize_t n = write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail(errno);
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

void FileReplacement::CopyFrom(int source) {
    char buffer[65536];
    for (;;) {
        ssize_t n = read(source, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(errno);
        if (n == 0) return;
        Write(std::string_view(buffer, static_cast<size_t>(n)));
    }
}

void FileReplacement::Commit(Durability durability) {
    if (fsync(fd_) != 0) Fail(errno);
    int closed = close(fd_);
    int error = errno;
    fd_ = -1;
    if (closed != 0 || rename(temp_.c_str(), path_.c_str()) != 0) {
        if (closed == 0) error = errno;
        unlink(temp_.c_str());
        throw FileFailure("写入文件", path_, error);
    }
    close(mark_);
    mark_ = -1;
    if (durability == Durability::Durable) SyncFolder(FolderOf(path_));
}

void ReplaceFile(const std::string& path, std::string_view bytes, FileMode mode, Durability durability) {
    FileReplacement file(path, mode);
    file.Write(bytes);
    file.Commit(durability);
}

void ReplaceFileWithCopy(const std::string& source, const std::string& path, FileMode mode) {
    int from = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0) throw FileFailure("读取文件", source, errno);
    try {
        FileReplacement file(path, mode);
        file.CopyFrom(from);
        file.Commit();
    } catch (...) {
        close(from);
        throw;
    }
    close(from);
}

}  // namespace tesra::platform
