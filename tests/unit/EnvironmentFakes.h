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
    void* faultContext = nullptr;
    std::string proxy;  // for every address

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

    void SetFatalFaultHandler(platform::FatalFaultProc proc, void* context) override {
        faultHandler = proc;
        faultContext = context;
    }
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

private:
    class Library : public platform::SharedLibrary {
    public:
        explicit Library(void* handle) : handle_(handle) {}
        void* Symbol(const char* name) const override { return dlsym(handle_, name); }

    private:
        void* handle_;
    };
};

}  // namespace tesra::testing
