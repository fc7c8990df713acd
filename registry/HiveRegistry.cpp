#include "registry/HiveRegistry.h"

namespace tesra::platform {
namespace {

const char kAccessDenied[] = "拒绝访问";

std::string KeyText(RootKey root, const std::string& path) {
    return path.empty() ? RootName(root) : RootName(root) + "\\" + path;
}

// The path as stored: the spelling of each name as it was first written.
std::string StoredPath(const RegistryNode& hive, const std::vector<std::string>& names) {
    std::string path;
    const RegistryNode* node = &hive;
    for (const auto& name : names) {
        node = node->SubKey(name);
        path = JoinKeyPath(path, node->name);
    }
    return path;
}

class HiveKey : public RegistryKey {
public:
    HiveKey(HiveRegistry& registry, RootKey root, std::vector<std::string> names, std::string path, Access access)
        : registry_(registry), root_(root), names_(std::move(names)), path_(std::move(path)), access_(access) {}

    RootKey Root() const override { return root_; }
    std::string Path() const override { return path_; }
    Access Rights() const override { return access_; }

    std::optional<RegistryValue> Value(const std::string& name) const override {
        std::optional<RegistryValue> result;
        registry_.ReadHive(root_, names_, [&](const RegistryNode& hive) {
            const RegistryNode* key = FindKey(hive, names_);
            if (const RegistryValue* value = key ? key->Value(name) : nullptr) result = *value;
        });
        return result;
    }

    void SetValue(const std::string& name, const RegistryValue& value) override {
        std::string problem = InvalidValueName(name);
        if (problem.empty()) problem = InvalidValueData(value);
        if (!problem.empty()) Fail("写入", name, problem);
        Change("写入", name, [&](RegistryNode& key) {
            key.SetValue(name, value);
            return true;
        });
    }

    bool DeleteValue(const std::string& name) override {
        return Change("删除", name, [&](RegistryNode& key) { return key.DeleteValue(name); });
    }

    std::vector<std::string> SubKeyNames() const override {
        std::vector<std::string> names;
        registry_.ReadHive(root_, names_, [&](const RegistryNode& hive) {
            if (const RegistryNode* key = FindKey(hive, names_)) {
                for (const auto& sub : key->subkeys) names.push_back(sub->name);
            }
        });
        return names;
    }

    std::vector<std::string> ValueNames() const override {
        std::vector<std::string> names;
        registry_.ReadHive(root_, names_, [&](const RegistryNode& hive) {
            if (const RegistryNode* key = FindKey(hive, names_)) {
                for (const auto& [n, v] : key->values) names.push_back(n);
            }
        });
        return names;
    }

private:
    [[noreturn]] void Fail(const std::string& verb, const std::string& name, const std::string& reason) const {
        throw RegistryError(verb + "注册表项“" + KeyText(root_, path_) + "”的值“" + name + "”失败：" + reason);
    }

    // Runs edit on the key inside a hive change; edit returns whether it changed anything.
    bool Change(const std::string& verb, const std::string& name, const std::function<bool(RegistryNode&)>& edit) {
        if (access_ != Access::Full) Fail(verb, name, "注册表项是只读打开的");
        bool provided = false;
        registry_.ReadHive(root_, names_, [&](const RegistryNode& hive) { provided = IsUnderProvided(hive, names_); });
        if (provided || !registry_.HiveWritable(root_)) Fail(verb, name, kAccessDenied);
        bool changed = false;
        registry_.ChangeHive(root_, [&](RegistryNode& hive) {
            RegistryNode* key = FindKey(hive, names_);
            if (!key) Fail(verb, name, "注册表项已被删除");
            if (key->provided) Fail(verb, name, kAccessDenied);
            changed = edit(*key);
        });
        return changed;
    }

    HiveRegistry& registry_;
    RootKey root_;
    std::vector<std::string> names_;
    std::string path_;
    Access access_;
};

}  // namespace

std::unique_ptr<RegistryKey> HiveRegistry::OpenKey(RootKey root, const std::string& path, Access access) {
    auto names = SplitKeyPath(path);
    bool found = false;
    bool provided = false;
    std::string stored;
    ReadHive(root, names, [&](const RegistryNode& hive) {
        found = FindKey(hive, names) != nullptr;
        if (!found) return;
        provided = IsUnderProvided(hive, names);
        stored = StoredPath(hive, names);
    });
    if (!found) return nullptr;
    if (access == Access::Full && !provided && !HiveWritable(root)) return nullptr;
    return std::make_unique<HiveKey>(*this, root, std::move(names), std::move(stored), access);
}

std::unique_ptr<RegistryKey> HiveRegistry::CreateKey(RootKey root, const std::string& path) {
    if (auto existing = OpenKey(root, path, Access::Full)) return existing;
    auto names = SplitKeyPath(path);
    bool refused = !HiveWritable(root);
    if (!refused) {
        ReadHive(root, names, [&](const RegistryNode& hive) { refused = IsUnderProvided(hive, names); });
    }
    if (refused) return nullptr;
    std::string stored;
    ChangeHive(root, [&](RegistryNode& hive) {
        if (IsUnderProvided(hive, names)) {
            throw RegistryError("创建注册表项“" + KeyText(root, path) + "”失败：" + kAccessDenied);
        }
        CreateKeyPath(hive, names);
        stored = StoredPath(hive, names);
    });
    return std::make_unique<HiveKey>(*this, root, std::move(names), std::move(stored), Access::Full);
}

bool HiveRegistry::KeyExists(RootKey root, const std::string& path) {
    auto names = SplitKeyPath(path);
    bool found = false;
    ReadHive(root, names, [&](const RegistryNode& hive) { found = FindKey(hive, names) != nullptr; });
    return found;
}

bool HiveRegistry::DeleteKey(RootKey root, const std::string& path) {
    auto names = SplitKeyPath(path);
    auto fail = [&](const std::string& reason) {
        throw RegistryError("删除注册表项“" + KeyText(root, path) + "”失败：" + reason);
    };
    if (names.empty()) fail("不能删除根项");
    if (!KeyExists(root, path)) return false;
    if (!HiveWritable(root)) fail(kAccessDenied);
    bool deleted = false;
    ChangeHive(root, [&](RegistryNode& hive) {
        if (IsUnderProvided(hive, names)) fail(kAccessDenied);
        RegistryNode* key = FindKey(hive, names);
        if (!key) return;
        if (key->HoldsProvided()) fail(kAccessDenied);
        std::vector<std::string> parent(names.begin(), names.end() - 1);
        deleted = FindKey(hive, parent)->DeleteSubKey(names.back());
    });
    return deleted;
}

}  // namespace tesra::platform
