#include "setup/tsIni.h"

#include "support/FailureLog.h"
#include "support/tsCommon.h"

namespace tesra {

using platform::Access;
using platform::RegistryError;
using platform::RootKey;
using platform::ValueType;

const char kSettingsRoot[] = "Software\\Kestal\\Tesra";

TtsIni::TtsIni(const std::string& rootPath, platform::Registry& registry, const ErrorNotifyProc& notify)
    : registry_(registry), root_(rootPath.empty() ? kSettingsRoot : rootPath) {
    // A settings folder that this user may not write still reads: the quick path of a start needs
    // nothing more. The failure is kept in the client log.
    try {
        CreateSection("");
    } catch (const RegistryError& e) {
        if (notify) notify(e.what());
    }
}

std::unique_ptr<platform::RegistryKey> TtsIni::CreateSection(const std::string& section) {
    std::string path = platform::JoinKeyPath(root_, section);
    auto key = registry_.CreateKey(RootKey::CurrentUser, path);
    if (!key) throw RegistryError("创建注册表项“HKEY_CURRENT_USER\\" + path + "”失败：拒绝访问");
    return key;
}

std::string TtsIni::ReadString(const std::string& section, const std::string& ident, const std::string& def) {
    auto key = registry_.OpenKey(RootKey::CurrentUser, platform::JoinKeyPath(root_, section), Access::Read);
    auto value = key ? key->Value(ident) : std::nullopt;
    if (!value) return def;
    if (value->type == ValueType::String || value->type == ValueType::ExpandString) return value->text;
    return key->ReadString(ident);  // reports the value's type
}

void TtsIni::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    CreateSection(section)->WriteString(ident, value);
}

bool TtsIni::ReadBool(const std::string& section, const std::string& ident, bool def) {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TtsIni::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

std::int32_t TtsIni::ReadInteger(const std::string& section, const std::string& ident, std::int32_t def) {
    auto key = registry_.OpenKey(RootKey::CurrentUser, platform::JoinKeyPath(root_, section), Access::Read);
    auto value = key ? key->Value(ident) : std::nullopt;
    if (!value) return def;
    if (value->type == ValueType::String || value->type == ValueType::ExpandString) {
        return ParseDecimalInteger(value->text).value_or(def);
    }
    return static_cast<std::int32_t>(key->ReadDWord(ident));
}

void TtsIni::WriteInteger(const std::string& section, const std::string& ident, std::int32_t value) {
    CreateSection(section)->WriteDWord(ident, static_cast<std::uint32_t>(value));
}

std::optional<platform::RegistryValue> TtsIni::ReadValue(const std::string& section, const std::string& ident) {
    auto key = registry_.OpenKey(RootKey::CurrentUser, platform::JoinKeyPath(root_, section), Access::Read);
    return key ? key->Value(ident) : std::nullopt;
}

void LogUnreadableSetting(TtsCustomLog& log, const RegistryError& cause) {
    LogFailure(log, "设置无法读取，按未设置处理", cause);
}

std::optional<std::int32_t> ParseDecimalInteger(const std::string& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t number = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        number = number * 10 + (text[i] - '0');
        if (number > limit) return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -number : number);
}

}  // namespace tesra
