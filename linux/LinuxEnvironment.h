#pragma once
// The environment of the running program on Linux: XDG folders, POSIX files and processes.

#include "platform/Environment.h"

namespace tesra::platform {

class LinuxEnvironment : public Environment {
public:
    std::string DesktopFolder() override;
    std::string LocalAppDataFolder() override;
    std::string CacheFolder() override;
    std::string WebCacheFolder() override;
    std::string ProgramFile() override;
    std::string ProgramImage() override;
    std::string PackageProgramFolder() override;
    std::string ProgramFileSuffix() override;
    bool FolderWritable(const std::string& folder) override;

    PathStatus StatusOf(const std::string& path, Links links) override;
    std::string ReadFile(const std::string& path) override;
    std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) override;
    void WriteFile(const std::string& path, std::string_view bytes, WriteMode mode) override;
    std::error_code CopyFile(const std::string& source, const std::string& target, IfTargetExists ifExists) override;
    std::error_code MakeFolders(const std::string& path) override;
    std::error_code RemoveAll(const std::string& path) override;
    bool SameFile(const std::string& a, const std::string& b) override;
    std::string CanonicalPath(const std::string& path) override;

    void ReplaceFile(const std::string& path, std::string_view bytes, FileMode mode, Durability durability) override;
    void ReplaceFileWithCopy(const std::string& source, const std::string& path, FileMode mode) override;
    std::unique_ptr<NewFile> StartReplacing(const std::string& path, FileMode mode) override;
    std::unique_ptr<HeldLock> Lock(const std::string& path) override;
    bool MoveToTrash(const std::string& path) override;
    void AppendRecord(const RecordFile& file, std::string_view record) override;
    std::string CreateShellLink(const std::string& folder, const std::string& name, const std::string& target,
                                const std::string& argument, const std::string& icon) override;

    bool StartProgram(const std::vector<std::string>& arguments, ShowCommand show) override;
    std::vector<std::string> RunningProgramFiles() override;
    InstanceLock TakeInstanceLock(const std::string& name) override;
    std::unique_ptr<SharedLibrary> LoadSharedLibrary(const std::string& name, int version, std::string& error) override;

    void SetFatalFaultHandler(FatalFaultProc proc, void* context) override;
    bool AppendForFault(const char* path, const char* header, std::size_t headerSize, const char* data,
                        std::size_t dataSize) override;
    std::string FatalFaultName(FatalFault fault) override;
    std::string FatalFaultDescription(FatalFault fault) override;

    std::string ProxyFor(const std::string& url) override;
};

}  // namespace tesra::platform
