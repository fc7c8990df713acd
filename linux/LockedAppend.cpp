#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "linux/Descriptor.h"
#include "linux/LinuxEnvironment.h"
#include "support/FailureLog.h"

namespace tesra::platform {
namespace {

// The tail examined for the last end mark before the whole file is read.
constexpr off_t kTailWindow = 64 * 1024;

bool ReadAt(int fd, std::string& text, off_t from, size_t size) {
    text.resize(size);
    size_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, text.data() + done, size - done, from + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool EndsWithMark(std::string_view text, const std::vector<std::string_view>& marks) {
    return std::any_of(marks.begin(), marks.end(), [&](std::string_view mark) { return text.ends_with(mark); });
}

size_t LongestMark(const std::vector<std::string_view>& marks) {
    size_t longest = 0;
    for (std::string_view mark : marks) longest = std::max(longest, mark.size());
    return longest;
}

// Moves everything after the last complete record to the side file, then cuts the file there.
void MendTail(int fd, off_t size, const RecordFile& file) {
    std::string text;
    off_t from = std::max<off_t>(0, size - kTailWindow);
    if (!ReadAt(fd, text, from, static_cast<size_t>(size - from)))
        throw FileFailure("读取文件", file.path, errno ? errno : EIO);
    size_t complete = CompleteLength(text, file.endMarks);
    if (complete == 0 && from > 0) {
        from = 0;
        if (!ReadAt(fd, text, 0, static_cast<size_t>(size)))
            throw FileFailure("读取文件", file.path, errno ? errno : EIO);
        complete = CompleteLength(text, file.endMarks);
    }
    Descriptor side(open(file.sideFile.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (side.Get() < 0) throw FileFailure("写入文件", file.sideFile, errno);
    // The tail is safe in the side file before it leaves the log.
    if (!WriteAll(side.Get(), std::string_view(text).substr(complete)) || fsync(side.Get()) != 0) {
        throw FileFailure("写入文件", file.sideFile, errno ? errno : EIO);
    }
    if (ftruncate(fd, from + static_cast<off_t>(complete)) != 0) throw FileFailure("写入文件", file.path, errno);
}

}  // namespace

void LinuxEnvironment::AppendRecord(const RecordFile& file, std::string_view record) {
    Descriptor fd(open(file.path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (fd.Get() < 0) throw FileFailure(kOpenFileOperation, file.path, errno);
    while (flock(fd.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) throw FileFailure("锁定文件", file.path, errno);
    }
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0) throw FileFailure("读取文件", file.path, errno);
    off_t size = st.st_size;
    if (size > 0) {
        std::string tail;
        size_t examined = std::min<size_t>(static_cast<size_t>(size), LongestMark(file.endMarks));
        if (!ReadAt(fd.Get(), tail, size - static_cast<off_t>(examined), examined)) {
            throw FileFailure("读取文件", file.path, errno ? errno : EIO);
        }
        if (!EndsWithMark(tail, file.endMarks)) {
            MendTail(fd.Get(), size, file);
            if (fstat(fd.Get(), &st) != 0) throw FileFailure("读取文件", file.path, errno);
            size = st.st_size;
        }
    }
    std::string chunk;
    chunk.reserve(file.header.size() + record.size());
    if (size == 0) chunk = file.header;
    chunk += record;
    // One write: a reader or a crash sees the whole entry or none of it. Only a write cut short (a
    // full disk) goes on, to learn the system's reason.
    errno = 0;
    if (WriteAll(fd.Get(), chunk)) return;
    int error = errno ? errno : EIO;
    // Under the lock the file's end is still ours: cutting back removes nothing of another writer.
    // A cut-back that fails leaves a tail that the next append mends.
    int ignored = ftruncate(fd.Get(), size);
    (void)ignored;
    throw FileFailure("写入文件", file.path, error);
}

}  // namespace tesra::platform
