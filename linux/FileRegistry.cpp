#include "linux/FileRegistry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <unordered_map>

#include "linux/FileReplace.h"
#include "linux/Folders.h"
#include "registry/HiveFile.h"
#include "support/FailureLog.h"
#include "support/tsCommon.h"

namespace tesra::platform {
namespace {

const char kMachineFolder[] = "/var/lib/tesrabrowser";
const char kInternetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kVersionVector[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector";
// The engine stands where Internet Explorer 11 stood.
const char kEngineVersion[] = "11.0000";

std::string ErrorText(int error) { return std::strerror(error); }

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The whole file, or none when it does not exist.
std::optional<std::string> ReadFileText(const std::string& path, const std::string& errorPrefix) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw RegistryError(errorPrefix + ErrorText(errno));
    }
    std::string text;
    char buffer[65536];
    while (true) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int error = errno;
            close(fd);
            throw RegistryError(errorPrefix + ErrorText(error));
        }
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return text;
}

std::optional<std::string> ReadHiveFile(const std::string& path) {
    return ReadFileText(path, "读取注册表文件“" + path + "”失败：");
}

void MakeFolders(const std::string& folder, mode_t mode) {
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0) return;
    std::string parent = FolderOf(folder);
    if (parent != folder) MakeFolders(parent, mode);
    if (mkdir(folder.c_str(), mode) != 0 && errno != EEXIST) {
        throw RegistryError("创建文件夹“" + folder + "”失败：" + ErrorText(errno));
    }
}

// An exclusive lock on the hive's lock file, held while the object lives.
class HiveLock {
public:
    HiveLock(const std::string& hivePath, FileMode mode) {
        std::string path = hivePath + ".lock";
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode == FileMode::Private ? 0600 : 0644);
        if (fd_ < 0) fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd_ < 0) throw RegistryError("锁定注册表文件“" + hivePath + "”失败：" + ErrorText(errno));
        while (flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            int error = errno;
            close(fd_);
            throw RegistryError("锁定注册表文件“" + hivePath + "”失败：" + ErrorText(error));
        }
    }
    ~HiveLock() { close(fd_); }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int fd_ = -1;
};

std::string TimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// A name beside the hive for a copy of its broken text that no file has yet.
std::string AsideName(const std::string& path) {
    std::string aside = path + ".broken-" + TimeStamp();
    struct stat st {};
    for (int n = 1; lstat(aside.c_str(), &st) == 0; ++n)
        aside = path + ".broken-" + TimeStamp() + "-" + std::to_string(n);
    return aside;
}

// At most this many unreadable lines are named in the report; the rest are counted.
constexpr size_t kReportedLines = 10;

std::string ProblemText(const std::string& path, const std::vector<HiveSyntaxError>& problems) {
    std::string text = "注册表文件“" + path + "”有 " + std::to_string(problems.size()) + " 处无法读取（";
    for (size_t i = 0; i < problems.size() && i < kReportedLines; ++i)
        text += (i ? "；" : "") + std::string(problems[i].what());
    if (problems.size() > kReportedLines) text += "；等";
    return text + "），其余内容已读取";
}

// Whether a look at this path needs the uninstall list's entries: at the list or below it.
bool ReachesUninstall(const std::vector<std::string>& reach) {
    static const std::vector<std::string> uninstall = SplitKeyPath(kUninstall);
    if (reach.size() < uninstall.size()) return false;
    return std::equal(uninstall.begin(), uninstall.end(), reach.begin(), SameName);
}

bool Writable(const std::string& path) { return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0; }

}  // namespace

std::vector<InstalledPackage> ParseDpkgStatus(const std::string& text) {
    std::vector<InstalledPackage> packages;
    // Folded name -> place in packages: one look-up per entry, however many packages there are.
    std::unordered_map<std::string, size_t> places;
    auto add = [&](const std::string& key, const std::string& keyVersion) {
        auto [place, added] = places.emplace(FoldName(key), packages.size());
        if (added) {
            packages.push_back({key, keyVersion});
        } else if (!keyVersion.empty()) {
            packages[place->second].version = keyVersion;
        }
    };
    std::string name, version, architecture, status;
    auto finish = [&] {
        size_t space = status.rfind(' ');
        bool installed = status.substr(space == std::string::npos ? 0 : space + 1) == "installed";
        if (InvalidKeyName(name).empty() && installed) {
            add(places.count(FoldName(name)) ? name + ":" + architecture : name, version);
        }
        name.clear();
        version.clear();
        architecture.clear();
        status.clear();
    };
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.empty()) {
            finish();
        } else if (line[0] != ' ' && line[0] != '\t') {
            size_t colon = line.find(':');
            std::string field = line.substr(0, colon);
            std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
            size_t first = value.find_first_not_of(" \t");
            value = first == std::string::npos ? "" : value.substr(first);
            if (field == "Package") name = value;
            if (field == "Version") version = value;
            if (field == "Architecture") architecture = value;
            if (field == "Status") status = value;
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    finish();
    return packages;
}

FileRegistry::Locations FileRegistry::DefaultLocations() {
    const char* machine = std::getenv("TESRA_MACHINE_HIVE_DIR");
    std::string machineFolder = machine && *machine ? machine : kMachineFolder;
    // Tests give a package database of their own (a large one, for instance).
    const char* packages = std::getenv("TESRA_PACKAGE_STATUS");
    return {ConfigFolder() + "/tesrabrowser/HKCU.reg", machineFolder + "/HKLM.reg",
            packages && *packages ? packages : "/var/lib/dpkg/status"};
}

FileRegistry::FileRegistry(Locations locations) : packageStatus_(std::move(locations.packageStatus)) {
    user_.path = std::move(locations.userHive);
    user_.fileMode = FileMode::Private;
    user_.folderMode = 0700;
    machine_.path = std::move(locations.machineHive);
    machine_.fileMode = FileMode::Regular;
    machine_.folderMode = 0755;
}

struct FileRegistry::Batch {
    Batch(const std::string& path, FileMode mode) : lock(path, mode) {}
    HiveLock lock;
    std::optional<std::string> before;
    RegistryNode tree;
    std::optional<PackageStamp> packages;
};

FileRegistry::~FileRegistry() = default;

void FileRegistry::ChangeTogether(RootKey root, Durability durability, const std::function<void()>& work) {
    Hive& hive = HiveOf(root);
    if (hive.batch || !HiveWritable(root)) return work();
    MakeFolders(FolderOf(hive.path), hive.folderMode);
    auto batch = std::make_unique<Batch>(hive.path, hive.fileMode);
    batch->before = ReadHiveFile(hive.path);
    batch->tree = Current(root, batch->before, true);
    batch->packages = hive.packages;
    hive.batch = std::move(batch);
    std::exception_ptr failure;
    try {
        work();
    } catch (...) {
        failure = std::current_exception();
    }
    // What work changed before it failed is kept, as it would have been change by change.
    std::unique_ptr<Batch> done = std::move(hive.batch);
    Save(root, done->before, std::move(done->tree), done->packages, durability);
    if (failure) std::rethrow_exception(failure);
}

void FileRegistry::ReadHive(RootKey root, const std::vector<std::string>& reach,
                            const std::function<void(const RegistryNode& hive)>& read) {
    Hive& hive = HiveOf(root);
    if (hive.batch) {
        if (root == RootKey::LocalMachine && ReachesUninstall(reach))
            ShowPackages(hive.batch->tree, hive.batch->packages);
        return read(hive.batch->tree);
    }
    // A machine hive that this user may not even read holds nothing for the user, as for a user
    // without administrator rights: the platform's keys alone.
    bool unreadable = root == RootKey::LocalMachine && faccessat(AT_FDCWD, hive.path.c_str(), R_OK, AT_EACCESS) != 0 &&
                      errno == EACCES;
    Current(root, unreadable ? std::nullopt : ReadHiveFile(hive.path), false);
    if (root == RootKey::LocalMachine && ReachesUninstall(reach)) ShowPackages(hive.tree, hive.packages);
    read(hive.tree);
}

void FileRegistry::ChangeHive(RootKey root, const std::function<void(RegistryNode& hive)>& change) {
    Hive& hive = HiveOf(root);
    if (!HiveWritable(root)) throw RegistryError("写入注册表文件“" + hive.path + "”失败：拒绝访问");
    if (hive.batch) {
        RegistryNode tree = hive.batch->tree;
        change(tree);
        hive.batch->tree = std::move(tree);
        return;
    }
    MakeFolders(FolderOf(hive.path), hive.folderMode);
    HiveLock lock(hive.path, hive.fileMode);
    // Re-read under the lock: another process may have changed the file since we last read it.
    auto before = ReadHiveFile(hive.path);
    RegistryNode tree = Current(root, before, true);
    change(tree);
    Save(root, before, std::move(tree), hive.packages, Durability::Durable);
}

void FileRegistry::Save(RootKey root, const std::optional<std::string>& before, RegistryNode tree,
                        std::optional<PackageStamp> packages, Durability durability) {
    Hive& hive = HiveOf(root);
    std::string text = HiveFileBytes(tree, root);
    // A change that changes nothing (the restore after every download, mostly) costs no write.
    if (text == before) return;
    try {
        ReplaceFile(hive.path, text, hive.fileMode, durability);
    } catch (const FileFailure& e) {
        throw RegistryError(FileFailureText("写入注册表文件", hive.path, e.Error()));
    }
    hive.text = std::move(text);
    hive.tree = std::move(tree);
    hive.packages = packages;
    hive.cached = true;
}

bool FileRegistry::HiveWritable(RootKey root) {
    const std::string& path = HiveOf(root).path;
    std::string folder = FolderOf(path);
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) return Writable(folder) && Writable(path);
    while (stat(folder.c_str(), &st) != 0 && folder != "/" && folder != ".") folder = FolderOf(folder);
    return Writable(folder);
}

const RegistryNode& FileRegistry::Current(RootKey root, const std::optional<std::string>& text, bool locked) {
    Hive& hive = HiveOf(root);
    if (hive.cached && hive.text == text) return hive.tree;
    RegistryNode tree = text ? Parsed(root, *text, locked) : DefaultHive(root);
    if (root == RootKey::LocalMachine) AddProvidedKeys(tree);
    hive.tree = std::move(tree);
    hive.text = text;
    hive.packages.reset();
    hive.cached = true;
    return hive.tree;
}

RegistryNode FileRegistry::Parsed(RootKey root, const std::string& text, bool locked) {
    HiveReading reading = ReadHiveText(text, root);
    if (reading.problems.empty()) return std::move(reading.hive);
    Hive& hive = HiveOf(root);
    // What reads is kept; a hive of which nothing reads starts afresh.
    if (reading.hive.subkeys.empty() && reading.hive.values.empty()) reading.hive = DefaultHive(root);
    std::string report = ProblemText(hive.path, reading.problems);
    if (!HiveWritable(root)) {
        // Not this user's file to mend (the machine's hive for a user without the rights): read only.
        Notify(report + "，文件未作改动");
        return std::move(reading.hive);
    }
    // Only under the lock: another process may have replaced the file since we read it.
    std::optional<HiveLock> lock;
    try {
        if (!locked) lock.emplace(hive.path, hive.fileMode);
    } catch (const RegistryError& e) {
        Notify(report + "，文件未作改动：" + e.what());
        return std::move(reading.hive);
    }
    if (lock) {
        auto now = ReadHiveFile(hive.path);
        if (now != text) return now ? Parsed(root, *now, true) : DefaultHive(root);
    }
    // The original stays beside the hive; the hive then holds what read, so that the next reading
    // is whole and the next change keeps it.
    std::string aside = AsideName(hive.path);
    try {
        ReplaceFile(aside, text, hive.fileMode);
        ReplaceFile(hive.path, HiveFileBytes(reading.hive, root), hive.fileMode);
    } catch (const FileFailure& e) {
        Notify(report + "，文件未能修复：" + e.what());
        return std::move(reading.hive);
    }
    Notify(report + "，原文件已另存为“" + aside + "”");
    return std::move(reading.hive);
}

RegistryNode FileRegistry::DefaultHive(RootKey root) const {
    RegistryNode hive;
    if (root == RootKey::CurrentUser) {
        CreateKeyPath(hive, SplitKeyPath(kInternetSettings));
        CreateKeyPath(hive, SplitKeyPath(JoinKeyPath(kInternetSettings, "Cache")));
        RegistryNode& folders = CreateKeyPath(
            hive, SplitKeyPath("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"));
        folders.SetValue("Cache", RegistryValue::ExpandString(WebCacheFolder()));
    } else {
        CreateKeyPath(hive, SplitKeyPath("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"));
        CreateKeyPath(hive, SplitKeyPath("Software\\Microsoft\\Internet Explorer\\Main"));
    }
    return hive;
}

void FileRegistry::AddProvidedKeys(RegistryNode& machine) const {
    RegistryNode& uninstall = CreateKeyPath(machine, SplitKeyPath(kUninstall));
    uninstall = RegistryNode(uninstall.name);
    uninstall.provided = true;
    RegistryNode& vector = CreateKeyPath(machine, SplitKeyPath(kVersionVector));
    vector = RegistryNode(vector.name);
    vector.provided = true;
    vector.SetValue("IE", RegistryValue::String(kEngineVersion));
}

void FileRegistry::ShowPackages(RegistryNode& machine, std::optional<PackageStamp>& shown) {
    PackageStamp stamp = PackagesNow();
    if (shown == stamp) return;
    if (stamp != packageStamp_) {
        packages_ = ParseDpkgStatus(ReadFileText(packageStatus_, "").value_or(""));
        packageStamp_ = stamp;
    }
    RegistryNode& uninstall = *FindKey(machine, SplitKeyPath(kUninstall));
    uninstall.subkeys.clear();
    uninstall.subkeys.reserve(packages_.size());
    // The names are unique already: no look-up for each of them.
    for (const auto& package : packages_) {
        auto entry = std::make_unique<RegistryNode>(package.name);
        entry->provided = true;
        entry->SetValue("DisplayName", RegistryValue::String(package.name));
        if (!package.version.empty()) entry->SetValue("DisplayVersion", RegistryValue::String(package.version));
        uninstall.subkeys.push_back(std::move(entry));
    }
    shown = stamp;
}

FileRegistry::PackageStamp FileRegistry::PackagesNow() const {
    struct stat st {};
    if (stat(packageStatus_.c_str(), &st) != 0) return {};
    return {st.st_ino, st.st_size, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
}

}  // namespace tesra::platform
