#pragma once
// An environment of fakes for the portable units: files and folders in memory under a home of its
// own, recorded program starts and trash moves, a fatal fault handler that is only kept.

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "MemEnvironment.h"
#include "SupportFakes.h"
#include "platform/Environment.h"
#include "support/FailureLog.h"

namespace tesra::testing {

class FakeEnvironment : public MemEnvironment {
public:
    struct Start {
        std::vector<std::string> arguments;
        platform::ShowCommand show;
    };
    struct Link {
        std::string path, target, argument, icon;
    };

    // The user's folders, in the memory's own home; an empty web cache folder follows the cache.
    std::string desktop = "/home/tester/Desktop";
    std::string localAppData = "/home/tester/.local/share";
    std::string cache = "/home/tester/.cache";
    std::string webCache;
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

    std::string DesktopFolder() override { return desktop; }
    std::string LocalAppDataFolder() override { return localAppData; }
    std::string CacheFolder() override { return cache; }
    std::string WebCacheFolder() override { return webCache.empty() ? cache + "/TesraBrowser" : webCache; }
    std::string ProgramFile() override { return programFile; }
    std::string ProgramImage() override { return programFile; }
    std::string PackageProgramFolder() override { return packageFolder; }
    std::string ProgramFileSuffix() override { return ""; }

    bool MoveToTrash(const std::string& path) override {
        if (!trashWorks) return false;
        trashed.push_back(path);
        const bool present = StatusOf(path, platform::Links::NotFollowed).kind != platform::PathKind::Missing;
        return present && !RemoveAll(path);
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
    class Library : public platform::SharedLibrary {
    public:
        explicit Library(void* handle) : handle_(handle) {}
        void* Symbol(const char* name) const override { return dlsym(handle_, name); }

    private:
        void* handle_;
    };
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
