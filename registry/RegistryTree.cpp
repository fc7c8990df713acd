#include "registry/RegistryTree.h"

#include <algorithm>

namespace tesra::platform {

RegistryNode::RegistryNode(const RegistryNode& other)
    : name(other.name), provided(other.provided), values(other.values) {
    subkeys.reserve(other.subkeys.size());
    for (const auto& sub : other.subkeys) subkeys.push_back(std::make_unique<RegistryNode>(*sub));
}

RegistryNode& RegistryNode::operator=(const RegistryNode& other) {
    if (this != &other) *this = RegistryNode(other);
    return *this;
}

RegistryNode* RegistryNode::SubKey(const std::string& keyName) {
    for (auto& sub : subkeys) {
        if (SameName(sub->name, keyName)) return sub.get();
    }
    return nullptr;
}

const RegistryNode* RegistryNode::SubKey(const std::string& keyName) const {
    return const_cast<RegistryNode*>(this)->SubKey(keyName);
}

const RegistryValue* RegistryNode::Value(const std::string& valueName) const {
    for (const auto& [n, v] : values) {
        if (SameName(n, valueName)) return &v;
    }
    return nullptr;
}

RegistryNode& RegistryNode::AddSubKey(const std::string& keyName) {
    if (RegistryNode* existing = SubKey(keyName)) return *existing;
    subkeys.push_back(std::make_unique<RegistryNode>(keyName));
    return *subkeys.back();
}

void RegistryNode::SetValue(const std::string& valueName, const RegistryValue& value) {
    for (auto& [n, v] : values) {
        if (SameName(n, valueName)) {
            v = value;
            return;
        }
    }
    values.emplace_back(valueName, value);
}

bool RegistryNode::DeleteValue(const std::string& valueName) {
    auto it = std::find_if(values.begin(), values.end(), [&](const auto& nv) { return SameName(nv.first, valueName); });
    if (it == values.end()) return false;
    values.erase(it);
    return true;
}

bool RegistryNode::DeleteSubKey(const std::string& keyName) {
    auto it =
        std::find_if(subkeys.begin(), subkeys.end(), [&](const auto& sub) { return SameName(sub->name, keyName); });
    if (it == subkeys.end()) return false;
    subkeys.erase(it);
    return true;
}

bool RegistryNode::HoldsProvided() const {
    if (provided) return true;
    return std::any_of(subkeys.begin(), subkeys.end(), [](const auto& sub) { return sub->HoldsProvided(); });
}

const RegistryNode* FindKey(const RegistryNode& root, const std::vector<std::string>& path) {
    const RegistryNode* node = &root;
    for (const auto& name : path) {
        node = node->SubKey(name);
        if (!node) return nullptr;
    }
    return node;
}

RegistryNode* FindKey(RegistryNode& root, const std::vector<std::string>& path) {
    return const_cast<RegistryNode*>(FindKey(static_cast<const RegistryNode&>(root), path));
}

RegistryNode& CreateKeyPath(RegistryNode& root, const std::vector<std::string>& path) {
    RegistryNode* node = &root;
    for (const auto& name : path) node = &node->AddSubKey(name);
    return *node;
}

bool IsUnderProvided(const RegistryNode& root, const std::vector<std::string>& path) {
    const RegistryNode* node = &root;
    for (const auto& name : path) {
        if (node->provided) return true;
        node = node->SubKey(name);
        if (!node) return false;
    }
    return node->provided;
}

}  // namespace tesra::platform
