#pragma once
// The registry kept in two hive files in the registry export text format. Every change re-reads
// the file under an exclusive lock, applies the change and replaces the file atomically, so that
// several processes and a crash at any moment keep every change made before. Of a hive file that
// does not wholly parse, every line that reads is kept and the others are reported to the client log
// (the error notification); where this user may write the hive, the original is kept beside it
// (file + ".broken-<time>") and the hive is rewritten with what read. A hive of which nothing reads
// starts afresh.
// A hive that does not exist yet holds the keys that the platform always has. The machine hive is
// changed only where this user may write its folder (else full access is refused, as for a user
// without administrator rights). The machine hive also shows keys that the platform provides: the
// uninstall list from the package database and the web engine's version vector; keys of the file at
// those two places are hidden by them and not written back. The uninstall list is made from the
// package database (about a megabyte) only when something looks into it.
// For one thread; several processes may share the files.

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "linux/FileReplace.h"
#include "registry/HiveRegistry.h"

namespace tesra::platform {

struct InstalledPackage {
    std::string name;     // the package; "name:architecture" for the second of two of the same name
    std::string version;  // empty when the status file names none
};

// The installed packages of a dpkg status file, in file order, each name once (ignoring the case of
// A-Z): the second package of a name is "name:architecture", and an entry for a name already listed
// gives that name its version, when it names one.
std::vector<InstalledPackage> ParseDpkgStatus(const std::string& text);

class FileRegistry : public HiveRegistry {
public:
    struct Locations {
        std::string userHive;
        std::string machineHive;
        std::string packageStatus;  // dpkg's status file
    };
    // The user's hive in the user's config folder ("tesrabrowser/HKCU.reg"); the machine's hive
    // "HKLM.reg" in $TESRA_MACHINE_HIVE_DIR, or else in /var/lib/tesrabrowser; /var/lib/dpkg/status.
    static Locations DefaultLocations();

    explicit FileRegistry(Locations locations = DefaultLocations());
    ~FileRegistry() override;

    // Where a damaged hive is reported (what was mended, what was kept); unreported until set.
    void SetErrorNotify(std::function<void(const std::string& text)> notify) { notify_ = std::move(notify); }

    // Holds the hive's lock while work runs; work's changes go to the hive read under it, which is
    // written once at the end.
    void ChangeTogether(RootKey root, Durability durability, const std::function<void()>& work) override;

    void ReadHive(RootKey root, const std::vector<std::string>& reach,
                  const std::function<void(const RegistryNode& hive)>& read) override;
    void ChangeHive(RootKey root, const std::function<void(RegistryNode& hive)>& change) override;
    bool HiveWritable(RootKey root) override;

private:
    void Notify(const std::string& text) const {
        if (notify_) notify_(text);
    }

    struct PackageStamp {
        ino_t inode = 0;
        off_t size = 0;
        long long modified = 0;
        bool operator==(const PackageStamp&) const = default;
    };
    struct Batch;
    struct Hive {
        std::string path;
        FileMode fileMode;
        mode_t folderMode;
        // The tree last read, with the file text it came from (none: no file) and the package
        // database that its uninstall list shows (none: the list is left empty). Compared by text,
        // so that no change of the file goes unseen.
        bool cached = false;
        std::optional<std::string> text;
        std::optional<PackageStamp> packages;
        RegistryNode tree;
        // The changes of ChangeTogether while it runs.
        std::unique_ptr<Batch> batch;
    };

    Hive& HiveOf(RootKey root) { return root == RootKey::CurrentUser ? user_ : machine_; }
    // The tree of this file text, from the cache when it is the text read last.
    const RegistryNode& Current(RootKey root, const std::optional<std::string>& text, bool locked);
    // Writes tree, read from the file text before, unless that is what it holds already.
    void Save(RootKey root, const std::optional<std::string>& before, RegistryNode tree,
              std::optional<PackageStamp> packages, Durability durability);
    RegistryNode Parsed(RootKey root, const std::string& text, bool locked);
    RegistryNode DefaultHive(RootKey root) const;
    // The provided keys, with an empty uninstall list.
    void AddProvidedKeys(RegistryNode& machine) const;
    // Fills the machine tree's uninstall list from the package database as it is now.
    void ShowPackages(RegistryNode& machine, std::optional<PackageStamp>& shown);
    PackageStamp PackagesNow() const;

    Hive user_;
    Hive machine_;
    std::string packageStatus_;
    PackageStamp packageStamp_;
    std::vector<InstalledPackage> packages_;
    std::function<void(const std::string& text)> notify_;
};

}  // namespace tesra::platform
