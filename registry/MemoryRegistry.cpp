#include "registry/MemoryRegistry.h"

namespace tesra::platform {

void MemoryRegistry::SetWritable(RootKey root, bool writable) { HiveOf(root).writable = writable; }

void MemoryRegistry::AddProvidedKey(RootKey root, const std::string& path,
                                    const std::vector<std::pair<std::string, RegistryValue>>& values) {
    RegistryNode& key = CreateKeyPath(HiveOf(root).tree, SplitKeyPath(path));
    key.provided = true;
    for (const auto& [name, value] : values) key.SetValue(name, value);
}

int MemoryRegistry::ChangeCount(RootKey root) const {
    return root == RootKey::CurrentUser ? user_.changes : machine_.changes;
}

void MemoryRegistry::ChangeTogether(RootKey, Durability, const std::function<void()>& work) { work(); }

void MemoryRegistry::ReadHive(RootKey root, const std::vector<std::string>&,
                              const std::function<void(const RegistryNode& hive)>& read) {
    read(HiveOf(root).tree);
}

void MemoryRegistry::ChangeHive(RootKey root, const std::function<void(RegistryNode& hive)>& change) {
    Hive& hive = HiveOf(root);
    if (!hive.writable) throw RegistryError("写入注册表“" + RootName(root) + "”失败：拒绝访问");
    // Changed on a copy, so that a change that throws halfway leaves nothing behind.
    RegistryNode changed = hive.tree;
    change(changed);
    hive.tree = std::move(changed);
    ++hive.changes;
}

bool MemoryRegistry::HiveWritable(RootKey root) { return HiveOf(root).writable; }

}  // namespace tesra::platform
