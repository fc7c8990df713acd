#pragma once
// An environment of fakes for the portable units: folders under the test's home, plain file writes,
// recorded program starts and trash moves, a fatal fault handler that is only kept.

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "SupportFakes.h"
#include "platform/Environment.h"
#include "support/FailureLog.h"

namespace tesra::testing {

class FakeEnvironment : public platform::Environment {
public:
    struct Start {
        std::vector<std::string> arguments;
        platform::ShowCommand show;
    };
    struct Link {
        std::string path, target, argument, icon;
    };

    // Empty folders follow the variables of the test's home at each call, as the real ones do.
    std::string desktop, localAppData, cache, webCache;
    std::string programFile = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string packageFolder;
    bool trashWorks = true;
    bool startWorks = true;
    std::vector<std::string> trashed;
    std::vector<Start> starts;
    std::vector<Link> links;
    std::vector<std::string> running;
    std::set<std::string> heldInstanceLocks;
    platform::FatalFaultProc faultHandler = nullptr;
    std::string proxy;  // for every address
    FakeCursor cursor;
    FakeChannel channel;
    FakeFocus focus;

    std::string DesktopFolder() override { return Or(desktop, Home() + "/Desktop"); }
    std::string LocalAppDataFolder() override { return Or(localAppData, Xdg("XDG_DATA_HOME", "/.local/share")); }
    std::string CacheFolder() override { return Or(cache, Xdg("XDG_CACHE_HOME", "/.cache")); }
    std::string WebCacheFolder() override { return Or(webCache, CacheFolder() + "/TesraBrowser"); }
    std::string ProgramFile() override { return programFile; }
    std::string ProgramImage() override { return programFile; }
    std::string PackageProgramFolder() override { return packageFolder; }
    std::string ProgramFileSuffix() override { return ""; }
    bool FolderWritable(const std::string& folder) override { return access(folder.c_str(), W_OK) == 0; }

    platform::PathStatus StatusOf(const std::string& path, platform::Links links) override {
        std::error_code error;
        const auto status = links == platform::Links::Follow ? std::filesystem::status(path, error)
                                                             : std::filesystem::symlink_status(path, error);
        platform::PathStatus result;
        if (!std::filesystem::exists(status)) return result;
        result.kind = std::filesystem::is_regular_file(status) ? platform::PathKind::File
                      : std::filesystem::is_directory(status)  ? platform::PathKind::Folder
                                                               : platform::PathKind::Other;
        if (result.kind == platform::PathKind::File) result.size = std::filesystem::file_size(path, error);
        result.modified = std::filesystem::last_write_time(path, error).time_since_epoch().count();
        return result;
    }
    std::string ReadFile(const std::string& path) override {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw FileFailure("读取文件", path, ENOENT);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::unique_ptr<platform::ReadableFile> OpenForReading(const std::string& path) override {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) return nullptr;
        return std::make_unique<WholeFile>(ReadFile(path));
    }
    void WriteFile(const std::string& path, std::string_view bytes, platform::WriteMode mode) override {
        std::ofstream out(path,
                          std::ios::binary | (mode == platform::WriteMode::Append ? std::ios::app : std::ios::trunc));
        if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
            throw FileFailure("写入文件", path, EIO);
    }
    std::error_code CopyFile(const std::string& source, const std::string& target,
                             platform::IfTargetExists ifExists) override {
        std::error_code error;
        std::filesystem::copy_file(source, target,
                                   ifExists == platform::IfTargetExists::Fail
                                       ? std::filesystem::copy_options::none
                                       : std::filesystem::copy_options::overwrite_existing,
                                   error);
        return error;
    }
    std::error_code MakeFolders(const std::string& path) override {
        std::error_code error;
        std::filesystem::create_directories(path, error);
        return std::filesystem::is_directory(path) ? std::error_code() : error;
    }
    std::error_code RemoveAll(const std::string& path) override {
        std::error_code error;
        std::filesystem::remove_all(path, error);
        return error;
    }
    bool SameFile(const std::string& a, const std::string& b) override {
        std::error_code error;
        return std::filesystem::equivalent(a, b, error);
    }
    std::string CanonicalPath(const std::string& path) override {
        std::error_code error;
        return std::filesystem::weakly_canonical(path, error).string();
    }
    void ReplaceFile(const std::string& path, std::string_view bytes, platform::FileMode mode,
                     platform::Durability) override {
        PlainFile file(path, mode);
        file.Write(bytes);
        file.Commit();
    }
    void ReplaceFileWithCopy(const std::string& source, const std::string& path, platform::FileMode mode) override {
        std::ifstream in(source, std::ios::binary);
        if (!in) throw FileFailure("读取文件", source, ENOENT);
        ReplaceFile(path, std::string(std::istreambuf_iterator<char>(in), {}), mode, platform::Durability::Durable);
    }
    std::unique_ptr<platform::NewFile> StartReplacing(const std::string& path, platform::FileMode mode) override {
        return std::make_unique<PlainFile>(path, mode);
    }
    // The tests run in one process: there is no other process to keep out.
    std::unique_ptr<platform::HeldLock> Lock(const std::string& path) override {
        if (!std::filesystem::exists(path)) throw FileFailure("锁定文件", path, ENOENT);
        return std::make_unique<platform::HeldLock>();
    }
    bool MoveToTrash(const std::string& path) override {
        if (!trashWorks) return false;
        trashed.push_back(path);
        std::error_code error;
        return std::filesystem::remove_all(path, error) > 0;
    }
    void AppendRecord(const platform::RecordFile& file, std::string_view record) override {
        std::error_code error;
        const bool empty =
            !std::filesystem::exists(file.path, error) || std::filesystem::file_size(file.path, error) == 0;
        std::ofstream out(file.path, std::ios::binary | std::ios::app);
        if (!out) throw FileFailure(platform::kOpenFileOperation, file.path, ENOENT);
        if (empty) out << file.header;
        out << record;
    }
    std::string CreateShellLink(const std::string& folder, const std::string& name, const std::string& target,
                                const std::string& argument, const std::string& icon) override {
        const std::string path = folder + "/" + name + ".desktop";
        ReplaceFile(path, "Exec=" + target + " " + argument + "\n", platform::FileMode::Regular,
                    platform::Durability::Durable);
        links.push_back({path, target, argument, icon});
        return path;
    }

    bool StartProgram(const std::vector<std::string>& arguments, platform::ShowCommand show) override {
        starts.push_back({arguments, show});
        return startWorks;
    }
    std::vector<std::string> RunningProgramFiles() override { return running; }
    platform::InstanceLock TakeInstanceLock(const std::string& name) override {
        return heldInstanceLocks.insert(name).second ? platform::InstanceLock::Taken
                                                     : platform::InstanceLock::HeldByAnother;
    }
    // The system's own loader: the HTTP client's tests download through the real libcurl.
    std::unique_ptr<platform::SharedLibrary> LoadSharedLibrary(const std::string& name, int version,
                                                               std::string& error) override {
        const std::string file = "lib" + name + ".so." + std::to_string(version);
        void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            error = dlerror();
            return nullptr;
        }
        return std::make_unique<Library>(handle);
    }

    void SetFatalFaultHandler(platform::FatalFaultProc proc) override { faultHandler = proc; }
    bool AppendForFault(const char* path, const char*, std::size_t, const char* data, std::size_t size) override {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        return bool(out.write(data, static_cast<std::streamsize>(size)));
    }
    std::string FatalFaultName(platform::FatalFault fault) override {
        static const char* const names[] = {"SIGSEGV", "SIGBUS", "SIGFPE", "SIGILL", "SIGABRT"};
        return names[static_cast<int>(fault)];
    }
    std::string FatalFaultDescription(platform::FatalFault fault) override { return FatalFaultName(fault) + " fault"; }

    std::string ProxyFor(const std::string&) override { return proxy; }

    platform::AppCursor& Cursor() override { return cursor; }
    platform::DebugChannel& Debug() override { return channel; }
    platform::FocusInfo& Focus() override { return focus; }

private:
    // The bytes of a file, read whole when it was opened.
    class WholeFile : public platform::ReadableFile {
    public:
        explicit WholeFile(std::string bytes) : bytes_(std::move(bytes)) {}
        std::uint64_t Size() const override { return bytes_.size(); }
        bool Read(std::uint64_t offset, void* out, std::size_t size) override {
            if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
            bytes_.copy(static_cast<char*>(out), size, offset);
            return true;
        }

    private:
        std::string bytes_;
    };

    // Written beside the target, then renamed over it: the old file stays until Commit.
    class PlainFile : public platform::NewFile {
    public:
        PlainFile(std::string path, platform::FileMode mode)
            : path_(std::move(path)), temp_(path_ + ".new"), mode_(mode), out_(temp_, std::ios::binary) {
            if (!out_) throw FileFailure("写入文件", path_, ENOENT);
        }
        ~PlainFile() override {
            std::error_code error;
            if (!committed_) std::filesystem::remove(temp_, error);
        }
        void Write(std::string_view bytes) override {
            if (!out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
                throw FileFailure("写入文件", path_, EIO);
            }
        }
        void Commit(platform::Durability = platform::Durability::Durable) override {
            out_.close();
            using std::filesystem::perms;
            const perms modes[] = {perms(0644), perms(0600), perms(0755)};
            std::filesystem::permissions(temp_, modes[static_cast<int>(mode_)]);
            std::filesystem::rename(temp_, path_);
            committed_ = true;
        }

    private:
        std::string path_, temp_;
        platform::FileMode mode_;
        std::ofstream out_;
        bool committed_ = false;
    };

    class Library : public platform::SharedLibrary {
    public:
        explicit Library(void* handle) : handle_(handle) {}
        void* Symbol(const char* name) const override { return dlsym(handle_, name); }

    private:
        void* handle_;
    };

    static std::string Or(const std::string& value, const std::string& otherwise) {
        return value.empty() ? otherwise : value;
    }
    static std::string Home() {
        const char* home = std::getenv("HOME");
        return home ? home : "";
    }
    static std::string Xdg(const char* variable, const char* underHome) {
        const char* value = std::getenv(variable);
        return value && *value ? value : Home() + underHome;
    }
};

// Another environment (the Linux one in the Linux layer's tests) with the fake cursor, debug
// channel and focus of the test in place of its own.
class EnvironmentWithFakeUi : public platform::Environment {
public:
    explicit EnvironmentWithFakeUi(platform::Environment& base) : base_(base) {}

    FakeCursor cursor;
    FakeChannel channel;
    FakeFocus focus;

    std::string DesktopFolder() override { return base_.DesktopFolder(); }
    std::string LocalAppDataFolder() override { return base_.LocalAppDataFolder(); }
    std::string CacheFolder() override { return base_.CacheFolder(); }
    std::string WebCacheFolder() override { return base_.WebCacheFolder(); }
    std::string ProgramFile() override { return base_.ProgramFile(); }
    std::string ProgramImage() override { return base_.ProgramImage(); }
    std::string PackageProgramFolder() override { return base_.PackageProgramFolder(); }
    std::string ProgramFileSuffix() override { return base_.ProgramFileSuffix(); }
    bool FolderWritable(const std::string& folder) override { return base_.FolderWritable(folder); }
    platform::PathStatus StatusOf(const std::string& path, platform::Links links) override {
        return base_.StatusOf(path, links);
    }
    std::string ReadFile(const std::string& path) override { return base_.ReadFile(path); }
    std::unique_ptr<platform::ReadableFile> OpenForReading(const std::string& path) override {
        return base_.OpenForReading(path);
    }
    void WriteFile(const std::string& path, std::string_view bytes, platform::WriteMode mode) override {
        base_.WriteFile(path, bytes, mode);
    }
    std::error_code CopyFile(const std::string& source, const std::string& target,
                             platform::IfTargetExists ifExists) override {
        return base_.CopyFile(source, target, ifExists);
    }
    std::error_code MakeFolders(const std::string& path) override { return base_.MakeFolders(path); }
    std::error_code RemoveAll(const std::string& path) override { return base_.RemoveAll(path); }
    bool SameFile(const std::string& a, const std::string& b) override { return base_.SameFile(a, b); }
    std::string CanonicalPath(const std::string& path) override { return base_.CanonicalPath(path); }
    void ReplaceFile(const std::string& path, std::string_view bytes, platform::FileMode mode,
                     platform::Durability durability) override {
        base_.ReplaceFile(path, bytes, mode, durability);
    }
    void ReplaceFileWithCopy(const std::string& source, const std::string& path, platform::FileMode mode) override {
        base_.ReplaceFileWithCopy(source, path, mode);
    }
    std::unique_ptr<platform::NewFile> StartReplacing(const std::string& path, platform::FileMode mode) override {
        return base_.StartReplacing(path, mode);
    }
    std::unique_ptr<platform::HeldLock> Lock(const std::string& path) override { return base_.Lock(path); }
    bool MoveToTrash(const std::string& path) override { return base_.MoveToTrash(path); }
    void AppendRecord(const platform::RecordFile& file, std::string_view record) override {
        base_.AppendRecord(file, record);
    }
    std::string CreateShellLink(const std::string& folder, const std::string& name, const std::string& target,
                                const std::string& argument, const std::string& icon) override {
        return base_.CreateShellLink(folder, name, target, argument, icon);
    }
    bool StartProgram(const std::vector<std::string>& arguments, platform::ShowCommand show) override {
        return base_.StartProgram(arguments, show);
    }
    std::vector<std::string> RunningProgramFiles() override { return base_.RunningProgramFiles(); }
    platform::InstanceLock TakeInstanceLock(const std::string& name) override { return base_.TakeInstanceLock(name); }
    std::unique_ptr<platform::SharedLibrary> LoadSharedLibrary(const std::string& name, int version,
                                                               std::string& error) override {
        return base_.LoadSharedLibrary(name, version, error);
    }
    void SetFatalFaultHandler(platform::FatalFaultProc proc) override { base_.SetFatalFaultHandler(proc); }
    bool AppendForFault(const char* path, const char* header, std::size_t headerSize, const char* data,
                        std::size_t dataSize) override {
        return base_.AppendForFault(path, header, headerSize, data, dataSize);
    }
    std::string FatalFaultName(platform::FatalFault fault) override { return base_.FatalFaultName(fault); }
    std::string FatalFaultDescription(platform::FatalFault fault) override {
        return base_.FatalFaultDescription(fault);
    }
    std::string ProxyFor(const std::string& url) override { return base_.ProxyFor(url); }
    platform::AppCursor& Cursor() override { return cursor; }
    platform::DebugChannel& Debug() override { return channel; }
    platform::FocusInfo& Focus() override { return focus; }

private:
    platform::Environment& base_;
};

}  // namespace tesra::testing
