// The files and folders of LinuxEnvironment: POSIX calls where the system's error must reach the
// caller's message, std::filesystem for the rest.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "linux/Descriptor.h"
#include "linux/LinuxEnvironment.h"
#include "support/FailureLog.h"

namespace tesra::platform {
namespace {

namespace fs = std::filesystem;

// A descriptor read with pread, so that reads at any offset need no seeking.
class PosixReadableFile : public ReadableFile {
public:
    PosixReadableFile(int fd, std::uint64_t size) : file_(fd), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, void* out, std::size_t size) override {
        if (offset > size_ || size > size_ - offset) return false;
        auto* at = static_cast<char*>(out);
        while (size > 0) {
            const ssize_t count = pread(file_.Get(), at, size, static_cast<off_t>(offset));
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) return false;
            at += count;
            offset += static_cast<std::uint64_t>(count);
            size -= static_cast<std::size_t>(count);
        }
        return true;
    }

private:
    Descriptor file_;
    std::uint64_t size_;
};

}  // namespace

PathStatus LinuxEnvironment::StatusOf(const std::string& path, Links links) {
    struct stat info {};
    const int result = links == Links::Follow ? stat(path.c_str(), &info) : lstat(path.c_str(), &info);
    if (result != 0) return {};
    PathStatus status;
    status.kind = S_ISREG(info.st_mode) ? PathKind::File : S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::Other;
    status.size = status.kind == PathKind::File ? static_cast<std::uint64_t>(info.st_size) : 0;
    status.modified = std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    return status;
}

std::string LinuxEnvironment::ReadFile(const std::string& path) {
    Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) throw FileFailure("读取文件", path, errno);
    std::string bytes;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = read(file.Get(), buffer, sizeof buffer);
        if (count == 0) return bytes;
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) throw FileFailure("读取文件", path, errno);
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

std::unique_ptr<ReadableFile> LinuxEnvironment::OpenForReading(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        close(fd);
        return nullptr;
    }
    return std::make_unique<PosixReadableFile>(fd, info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0);
}

void LinuxEnvironment::WriteFile(const std::string& path, std::string_view bytes, WriteMode mode) {
    const int how = mode == WriteMode::Append ? O_APPEND : O_TRUNC;
    Descriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | how, 0666));
    if (file.Get() < 0) throw FileFailure("写入文件", path, errno);
    while (!bytes.empty()) {
        const ssize_t count = write(file.Get(), bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) throw FileFailure("写入文件", path, errno);
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    if (!file.Close()) throw FileFailure("写入文件", path, errno);
}

std::error_code LinuxEnvironment::CopyFile(const std::string& source, const std::string& target,
                                           IfTargetExists ifExists) {
    std::error_code error;
    const auto options =
        ifExists == IfTargetExists::Fail ? fs::copy_options::none : fs::copy_options::overwrite_existing;
    fs::copy_file(source, target, options, error);
    return error;
}

std::error_code LinuxEnvironment::MakeFolders(const std::string& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) return {};
    fs::create_directories(path, error);
    std::error_code statusError;
    if (fs::is_directory(path, statusError)) return {};
    return error ? error : std::make_error_code(std::errc::not_a_directory);
}

std::error_code LinuxEnvironment::RemoveAll(const std::string& path) {
    std::error_code error;
    fs::remove_all(path, error);
    return error;
}

bool LinuxEnvironment::SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

std::string LinuxEnvironment::CanonicalPath(const std::string& path) {
    std::error_code error;
    return fs::weakly_canonical(path, error).string();
}

}  // namespace tesra::platform
