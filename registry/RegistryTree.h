#pragma once
// One hive in memory: a tree of keys whose subkeys and values keep their creation order.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Registry.h"

namespace tesra::platform {

struct RegistryNode {
    std::string name;
    // Supplied by the platform: opened with any access, never changed, never saved with the hive.
    bool provided = false;
    std::vector<std::pair<std::string, RegistryValue>> values;
    std::vector<std::unique_ptr<RegistryNode>> subkeys;

    RegistryNode() = default;
    explicit RegistryNode(std::string keyName) : name(std::move(keyName)) {}
    RegistryNode(const RegistryNode& other);
    RegistryNode& operator=(const RegistryNode& other);
    RegistryNode(RegistryNode&&) = default;
    RegistryNode& operator=(RegistryNode&&) = default;

    // Lookups by name ignore the case of A-Z; null when missing.
    RegistryNode* SubKey(const std::string& keyName);
    const RegistryNode* SubKey(const std::string& keyName) const;
    const RegistryValue* Value(const std::string& valueName) const;

    // The subkey of that name, added at the end when missing.
    RegistryNode& AddSubKey(const std::string& keyName);
    // Replaces a value of that name in place, or adds it at the end.
    void SetValue(const std::string& valueName, const RegistryValue& value);
    bool DeleteValue(const std::string& valueName);
    bool DeleteSubKey(const std::string& keyName);
    // Whether this key or one below it is provided by the platform.
    bool HoldsProvided() const;
};

// The key at the path below root, or null.
const RegistryNode* FindKey(const RegistryNode& root, const std::vector<std::string>& path);
RegistryNode* FindKey(RegistryNode& root, const std::vector<std::string>& path);
// The key at the path, creating missing keys; the new keys are not provided.
RegistryNode& CreateKeyPath(RegistryNode& root, const std::vector<std::string>& path);
// Whether the key at the path, or an existing key on the way to it, is provided.
bool IsUnderProvided(const RegistryNode& root, const std::vector<std::string>& path);

}  // namespace tesra::platform
