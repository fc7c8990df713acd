#include "platform/Registry.h"

#include "support/TextCodec.h"

namespace tesra::platform {
namespace {

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasControlCharacter(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

std::string InvalidText(const std::string& text) {
    if (!IsValidUtf8(text)) return "数据不是有效的 UTF-8 文本";
    if (text.find('\0') != std::string::npos) return "字符串中含有空字符";
    return "";
}

[[noreturn]] void ReadFailed(const RegistryKey& key, const std::string& name, const std::string& reason) {
    throw RegistryError("读取注册表项“" + RootName(key.Root()) + "\\" + key.Path() + "”的值“" + name + "”失败：" +
                        reason);
}

}  // namespace

RegistryValue RegistryValue::String(std::string text) {
    RegistryValue v;
    v.type = ValueType::String;
    v.text = std::move(text);
    return v;
}

RegistryValue RegistryValue::ExpandString(std::string text) {
    RegistryValue v;
    v.type = ValueType::ExpandString;
    v.text = std::move(text);
    return v;
}

RegistryValue RegistryValue::DWord(std::uint32_t number) {
    RegistryValue v;
    v.type = ValueType::DWord;
    v.number = number;
    return v;
}

RegistryValue RegistryValue::Binary(std::vector<std::uint8_t> bytes) {
    RegistryValue v;
    v.type = ValueType::Binary;
    v.bytes = std::move(bytes);
    return v;
}

RegistryValue RegistryValue::MultiString(std::vector<std::string> strings) {
    RegistryValue v;
    v.type = ValueType::MultiString;
    v.strings = std::move(strings);
    return v;
}

RegistryValue RegistryValue::None(std::vector<std::uint8_t> bytes) {
    RegistryValue v;
    v.type = ValueType::None;
    v.bytes = std::move(bytes);
    return v;
}

RegistryValue RegistryValue::QWord(std::uint64_t number) {
    RegistryValue v;
    v.type = ValueType::QWord;
    for (int i = 0; i < 8; ++i) v.bytes.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
    return v;
}

bool RegistryKey::HasValue(const std::string& name) const { return Value(name).has_value(); }

std::string RegistryKey::ReadString(const std::string& name) const {
    auto value = Value(name);
    if (!value) return "";
    if (value->type != ValueType::String && value->type != ValueType::ExpandString) {
        ReadFailed(*this, name, "数据类型不是字符串");
    }
    return value->text;
}

std::uint32_t RegistryKey::ReadDWord(const std::string& name) const {
    auto value = Value(name);
    if (!value) ReadFailed(*this, name, "值不存在");
    if (value->type != ValueType::DWord) ReadFailed(*this, name, "数据类型不是 DWORD");
    return value->number;
}

void RegistryKey::WriteString(const std::string& name, const std::string& text) {
    SetValue(name, RegistryValue::String(text));
}

void RegistryKey::WriteExpandString(const std::string& name, const std::string& text) {
    SetValue(name, RegistryValue::ExpandString(text));
}

void RegistryKey::WriteDWord(const std::string& name, std::uint32_t number) {
    SetValue(name, RegistryValue::DWord(number));
}

std::string RootName(RootKey root) { return root == RootKey::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE"; }

std::string JoinKeyPath(const std::string& base, const std::string& sub) {
    if (!sub.empty() && sub.front() == '\\') return sub;
    if (base.empty() || sub.empty()) return base + sub;
    return base.back() == '\\' ? base + sub : base + "\\" + sub;
}

std::vector<std::string> SplitKeyPath(const std::string& path) {
    std::string rest = path;
    if (!rest.empty() && rest.front() == '\\') rest.erase(0, 1);
    if (!rest.empty() && rest.back() == '\\') rest.pop_back();
    std::vector<std::string> names;
    if (rest.empty()) return names;
    size_t start = 0;
    while (true) {
        size_t end = rest.find('\\', start);
        std::string name = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string problem = InvalidKeyName(name);
        if (!problem.empty()) throw RegistryError("注册表项路径“" + path + "”无效：" + problem);
        names.push_back(std::move(name));
        if (end == std::string::npos) return names;
        start = end + 1;
    }
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

std::string FoldName(std::string name) {
    for (char& c : name) c = FoldCase(c);
    return name;
}

std::string InvalidKeyName(const std::string& name) {
    if (name.empty()) return "项名为空";
    if (!IsValidUtf8(name)) return "项名不是有效的 UTF-8 文本";
    if (name.find('\\') != std::string::npos) return "项名中含有反斜杠";
    if (HasControlCharacter(name)) return "项名中含有控制字符";
    return "";
}

std::string InvalidValueName(const std::string& name) {
    if (!IsValidUtf8(name)) return "值名不是有效的 UTF-8 文本";
    if (HasControlCharacter(name)) return "值名中含有控制字符";
    return "";
}

std::string InvalidValueData(const RegistryValue& value) {
    switch (value.type) {
    case ValueType::String:
    case ValueType::ExpandString:
        return InvalidText(value.text);
    case ValueType::MultiString:
        for (const auto& item : value.strings) {
            if (item.empty()) return "多字符串中含有空字符串";
            std::string problem = InvalidText(item);
            if (!problem.empty()) return problem;
        }
        return "";
    case ValueType::QWord:
        return value.bytes.size() == 8 ? "" : "QWORD 值须为 8 个字节";
    case ValueType::DWord:
    case ValueType::Binary:
    case ValueType::None:
        return "";
    }
    return "未知的数据类型";
}

}  // namespace tesra::platform
