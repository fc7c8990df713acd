#pragma once
// The operating system as the portable code sees it: folders, files, processes and fatal faults.
// The Linux layer builds the real one at start-up (linux/LinuxEnvironment); unit tests build one of
// fakes. Units take it from whoever made them, never from the Linux library.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/FatalFault.h"
#include "platform/LockedAppend.h"
#include "platform/SharedLibrary.h"

namespace tesra::platform {

// Permissions of a new file: 0644, 0600 (for the user alone), 0755.
enum class FileMode { Regular, Private, Executable };

// What a replacement must survive. Both keep the file whole: after a crash or a power cut it holds
// the old bytes or the new ones. Durable also makes the new bytes outlast a power cut as soon as
// Commit returns; with Atomic a power cut within the file system's next few seconds may bring back
// the old file, for data that is written anew soon anyway.
enum class Durability { Durable, Atomic };

// A file being written in place of another: until Commit the old file is as it was; destroyed
// without Commit, nothing of the new bytes stays. Failures throw tesra::FileFailure. For one thread.
class NewFile {
public:
    virtual ~NewFile() = default;
    // Appends bytes to the new file.
    virtual void Write(std::string_view bytes) = 0;
    // Puts the new file in the old one's place.
    virtual void Commit(Durability durability = Durability::Durable) = 0;
};

// What a path leads to.
enum class PathKind { Missing, File, Folder, Other };

struct PathStatus {
    PathKind kind = PathKind::Missing;
    std::uint64_t size = 0;     // of a file, in bytes
    std::int64_t modified = 0;  // the time of its last change, in the file system's own ticks
    bool operator==(const PathStatus&) const = default;
};

// Whether StatusOf looks at the target of a symbolic link or at the link itself (then Other).
enum class Links { Follow, NotFollowed };

// How WriteFile treats what the file held.
enum class WriteMode { Truncate, Append };

// What CopyFile does with a target that is there already.
enum class IfTargetExists { Overwrite, Fail };

// A file open for reading at any offset. For one thread.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    // The file's size when it was opened.
    virtual std::uint64_t Size() const = 0;
    // Copies size bytes from offset into out; false (out undefined) when they are not all there or
    // cannot be read. Never throws.
    virtual bool Read(std::uint64_t offset, void* out, std::size_t size) = 0;
};

// How a started program shows its first window, as the classic show commands say; platforms without
// the notion ignore it.
enum class ShowCommand { Normal = 1, NoActivate = 4 };

// What taking the instance lock came to.
enum class InstanceLock { Taken, HeldByAnother };

// An exclusive lock held while the object lives.
class HeldLock {
public:
    virtual ~HeldLock() = default;
};

// Each method says what it gives and what it throws; one that names no thread may be called from any.
class Environment {
public:
    virtual ~Environment() = default;

    // The folders and the program's paths; they never throw.
    // The user's desktop folder, without a trailing separator.
    virtual std::string DesktopFolder() = 0;
    // The user's local application data folder, without a trailing separator.
    virtual std::string LocalAppDataFolder() = 0;
    // The user's cache folder, without a trailing separator.
    virtual std::string CacheFolder() = 0;
    // The web engine's default disk cache folder of this program for the user.
    virtual std::string WebCacheFolder() = 0;
    // Full path of the running program file, as it was started.
    virtual std::string ProgramFile() = 0;
    // A path from which the running program's own bytes are read, whatever became of ProgramFile.
    virtual std::string ProgramImage() = 0;
    // The folder that the platform's package installs the program into; "" when there is none.
    virtual std::string PackageProgramFolder() = 0;
    // The file name suffix of program files, with its dot: none on Linux, ".exe" on Windows.
    virtual std::string ProgramFileSuffix() = 0;
    // Whether this process may create and replace files in the folder.
    virtual bool FolderWritable(const std::string& folder) = 0;

    // What is at path now; Missing also when it cannot be looked at. Never throws. Any thread.
    virtual PathStatus StatusOf(const std::string& path, Links links = Links::Follow) = 0;
    // The whole file. Throws tesra::FileFailure "读取文件“<path>”失败：<the system's text>" when it
    // cannot be opened (a missing file too) or read. Any thread.
    virtual std::string ReadFile(const std::string& path) = 0;
    // Opens the file for reading at any offset; null when it cannot be opened. Never throws. Any thread.
    [[nodiscard]] virtual std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) = 0;
    // Writes bytes into the file at path, made when missing, in place: a crash may leave a part (see
    // ReplaceFile for a whole one). Throws tesra::FileFailure "写入文件“<path>”失败：<the system's
    // text>". Any thread.
    virtual void WriteFile(const std::string& path, std::string_view bytes, WriteMode mode) = 0;
    // Copies the file at source to target; a target that is there fails with file_exists when ifExists
    // is Fail. None when the copy was made, the system's error otherwise. Never throws. Any thread.
    [[nodiscard]] virtual std::error_code CopyFile(const std::string& source, const std::string& target,
                                                   IfTargetExists ifExists) = 0;
    // Makes the folder and its missing parents. None when the folder is there afterwards, the
    // system's error otherwise. Never throws. Any thread.
    [[nodiscard]] virtual std::error_code MakeFolders(const std::string& path) = 0;
    // Removes the file or the folder with everything in it; none when nothing is left of it, the
    // system's error otherwise. Never throws. Any thread.
    [[nodiscard]] virtual std::error_code RemoveAll(const std::string& path) = 0;
    // Whether both paths lead to one file or folder that is there. Never throws. Any thread.
    virtual bool SameFile(const std::string& a, const std::string& b) = 0;
    // The path made absolute, its links, "." and ".." resolved as far as it exists; "" when that
    // fails. Never throws. Any thread.
    virtual std::string CanonicalPath(const std::string& path) = 0;

    // Replaces the file at path whole with bytes: a reader sees the old file or the new one, never a
    // part. Throws tesra::FileFailure "写入文件“<path>”失败：<the system's text>". Any thread.
    virtual void ReplaceFile(const std::string& path, std::string_view bytes, FileMode mode,
                             Durability durability = Durability::Durable) = 0;
    // ReplaceFile with the bytes of the file at source. Throws tesra::FileFailure. Any thread.
    virtual void ReplaceFileWithCopy(const std::string& source, const std::string& path, FileMode mode) = 0;
    // Starts writing a file in place of path (see NewFile). Throws tesra::FileFailure.
    [[nodiscard]] virtual std::unique_ptr<NewFile> StartReplacing(const std::string& path, FileMode mode) = 0;
    // Waits for the exclusive lock that the program's processes take on an existing file or folder.
    // Throws tesra::FileFailure "锁定文件“<path>”失败：<the system's text>".
    [[nodiscard]] virtual std::unique_ptr<HeldLock> Lock(const std::string& path) = 0;
    // Moves the file or folder into the user's trash without asking; true when it is gone from its
    // place. Never throws. Any thread.
    [[nodiscard]] virtual bool MoveToTrash(const std::string& path) = 0;
    // Appends a whole record to a file that several processes write at once (see LockedAppend.h):
    // under an exclusive lock on the file that also covers the check of its end, a file that does
    // not end in one of the end marks first has its broken tail (everything after the last mark, or
    // the whole file when it holds none) appended to the side file and cut off; then the record
    // (after the header when the file is empty) goes out in one write. A write that fails is cut
    // back, so no partial record stays. Throws tesra::FileFailure; the file is then as it was, less
    // a tail that reached the side file. Any thread.
    virtual void AppendRecord(const RecordFile& file, std::string_view record) = 0;
    // Writes folder/name + the shortcut suffix, a desktop shortcut starting target with argument,
    // showing icon; returns its path. Throws tesra::Exception. User-interface thread.
    virtual std::string CreateShellLink(const std::string& folder, const std::string& name, const std::string& target,
                                        const std::string& argument, const std::string& icon) = 0;

    // Starts the program arguments[0] with the other arguments without waiting for it; true when it
    // started. Any thread.
    [[nodiscard]] virtual bool StartProgram(const std::vector<std::string>& arguments, ShowCommand show) = 0;
    // The program file of every running process that this user may look at, in no order. Any thread.
    virtual std::vector<std::string> RunningProgramFiles() = 0;
    // Takes the lock named name, held until the process ends; HeldByAnother when another process
    // holds it (it is then not taken). Taken also when the lock cannot be made at all: the start goes
    // on as with a free lock.
    [[nodiscard]] virtual InstanceLock TakeInstanceLock(const std::string& name) = 0;
    // Loads the system library of that name and interface version ("curl", 4); null when it cannot,
    // with the system's reason in error. Any thread.
    [[nodiscard]] virtual std::unique_ptr<SharedLibrary> LoadSharedLibrary(const std::string& name, int version,
                                                                           std::string& error) = 0;

    // Arms proc, called with context, for every fatal fault (null disarms). User-interface thread.
    virtual void SetFatalFaultHandler(FatalFaultProc proc, void* context) = 0;
    // For the fatal fault handler: appends data to the file at path (created when missing), header
    // first when the file is empty. Allocates nothing. True when everything was written.
    virtual bool AppendForFault(const char* path, const char* header, std::size_t headerSize, const char* data,
                                std::size_t dataSize) = 0;
    // The platform's short name of a fault ("SIGSEGV") and its description; not for the fault handler.
    virtual std::string FatalFaultName(FatalFault fault) = 0;
    virtual std::string FatalFaultDescription(FatalFault fault) = 0;

    // The proxy that a request to the address goes through, as the web view's requests do (the
    // desktop's proxy settings, or http_proxy, https_proxy and no_proxy): its address, or "" for a
    // direct connection. Blocks while the settings are looked up.
    virtual std::string ProxyFor(const std::string& url) = 0;
};

}  // namespace tesra::platform
