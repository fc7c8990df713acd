#pragma once
// The registry rules written once over two hive trees; a subclass decides where the trees live
// (in memory, in files) by implementing the three hive operations.

#include <functional>

#include "platform/Registry.h"
#include "registry/RegistryTree.h"

namespace tesra::platform {

class HiveRegistry : public Registry {
public:
    std::unique_ptr<RegistryKey> OpenKey(RootKey root, const std::string& path, Access access) override;
    std::unique_ptr<RegistryKey> CreateKey(RootKey root, const std::string& path) override;
    bool KeyExists(RootKey root, const std::string& path) override;
    bool DeleteKey(RootKey root, const std::string& path) override;

    // The hive operations, also used by the key handles.
    // Calls read with the hive as it is now, for a look at the key at the path reach (names from the
    // root), the keys on the way to it and its direct subkeys. Below other keys, the hive may leave
    // out what the platform provides. Throws RegistryError when the hive cannot be read.
    virtual void ReadHive(RootKey root, const std::vector<std::string>& reach,
                          const std::function<void(const RegistryNode& hive)>& read) = 0;
    // Applies change to the hive as it is now and keeps the result; when change throws, the hive
    // stays as it was. Keys that the platform provides may be there without their contents: change
    // must not look below them (they never change anyway). Throws RegistryError when the hive cannot be read or
    // written.
    virtual void ChangeHive(RootKey root, const std::function<void(RegistryNode& hive)>& change) = 0;
    // Whether this process may change the hive.
    virtual bool HiveWritable(RootKey root) = 0;
};

}  // namespace tesra::platform
