#pragma once
// A registry that lives in memory: for tests, and wherever no hive should touch the disk.
// Both hives start empty and writable.

#include "registry/HiveRegistry.h"

namespace tesra::platform {

class MemoryRegistry : public HiveRegistry {
public:
    // A hive that is not writable refuses changes and opens with full access, as the machine hive
    // does for a user without administrator rights.
    void SetWritable(RootKey root, bool writable);
    // Adds a key provided by the platform (opened with any access, never changed) with these values;
    // missing parents are added as ordinary keys.
    void AddProvidedKey(RootKey root, const std::string& path,
                        const std::vector<std::pair<std::string, RegistryValue>>& values);
    // How many changes each hive has seen (including changes that changed nothing).
    int ChangeCount(RootKey root) const;

    // In memory there is no file to write: work's changes are made (and counted) one by one.
    void ChangeTogether(RootKey root, Durability durability, const std::function<void()>& work) override;

    void ReadHive(RootKey root, const std::vector<std::string>& reach,
                  const std::function<void(const RegistryNode& hive)>& read) override;
    void ChangeHive(RootKey root, const std::function<void(RegistryNode& hive)>& change) override;
    bool HiveWritable(RootKey root) override;

private:
    struct Hive {
        RegistryNode tree;
        bool writable = true;
        int changes = 0;
    };
    Hive& HiveOf(RootKey root) { return root == RootKey::CurrentUser ? user_ : machine_; }

    Hive user_;
    Hive machine_;
};

}  // namespace tesra::platform
