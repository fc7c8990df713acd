#include "linux/LinuxEnvironment.h"

#include "linux/FileLock.h"
#include "linux/FileReplace.h"
#include "linux/Folders.h"
#include "linux/InstanceLock.h"
#include "linux/NetworkRoute.h"
#include "linux/Process.h"
#include "linux/ProcessList.h"
#include "linux/ShellLink.h"
#include "linux/Trash.h"

namespace tesra::platform {

std::string LinuxEnvironment::DesktopFolder() { return platform::DesktopFolder(); }
std::string LinuxEnvironment::LocalAppDataFolder() { return platform::LocalAppDataFolder(); }
std::string LinuxEnvironment::CacheFolder() { return platform::CacheFolder(); }
std::string LinuxEnvironment::WebCacheFolder() { return platform::WebCacheFolder(); }
std::string LinuxEnvironment::ProgramFile() { return platform::ProgramFile(); }
std::string LinuxEnvironment::ProgramImage() { return platform::ProgramImage(); }
std::string LinuxEnvironment::PackageProgramFolder() { return platform::PackageProgramFolder(); }
std::string LinuxEnvironment::ProgramFileSuffix() { return kProgramFileSuffix; }
bool LinuxEnvironment::FolderWritable(const std::string& folder) { return platform::FolderWritable(folder); }

void LinuxEnvironment::ReplaceFile(const std::string& path, std::string_view bytes, FileMode mode,
                                   Durability durability) {
    platform::ReplaceFile(path, bytes, mode, durability);
}

void LinuxEnvironment::ReplaceFileWithCopy(const std::string& source, const std::string& path, FileMode mode) {
    platform::ReplaceFileWithCopy(source, path, mode);
}

std::unique_ptr<NewFile> LinuxEnvironment::StartReplacing(const std::string& path, FileMode mode) {
    return std::make_unique<FileReplacement>(path, mode);
}

std::unique_ptr<HeldLock> LinuxEnvironment::Lock(const std::string& path) { return std::make_unique<FileLock>(path); }

bool LinuxEnvironment::MoveToTrash(const std::string& path) { return platform::MoveToTrash(path); }

std::string LinuxEnvironment::CreateShellLink(const std::string& folder, const std::string& name,
                                              const std::string& target, const std::string& argument,
                                              const std::string& icon) {
    return platform::CreateShellLink(folder, name, target, argument, icon);
}

bool LinuxEnvironment::StartProgram(const std::vector<std::string>& arguments, ShowCommand show) {
    return platform::StartProgram(arguments, show);
}

std::vector<std::string> LinuxEnvironment::RunningProgramFiles() { return platform::RunningProgramFiles(); }

InstanceLock LinuxEnvironment::TakeInstanceLock(const std::string& name) { return platform::TakeInstanceLock(name); }

std::unique_ptr<SharedLibrary> LinuxEnvironment::LoadSharedLibrary(const std::string& name, int version,
                                                                   std::string& error) {
    return platform::LoadSharedLibrary(name, version, error);
}

std::string LinuxEnvironment::ProxyFor(const std::string& url) { return platform::ProxyFor(url); }

}  // namespace tesra::platform
