#include "shell/CloseToTray.h"

#include <charconv>
#include <cstdint>

#include "setup/tsIni.h"
#include "support/IniFile.h"

namespace tesra {
namespace {

using platform::ValueType;

const char kSection[] = "TesraBrowser";
const char kIdent[] = "IsCloseToTrayIcon";

bool DecimalIsNonZero(const std::string& text) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && last == end && value != 0;
}

}  // namespace

bool IsCloseToTray(std::optional<bool> user, std::optional<bool> fileValue) {
    return user.value_or(fileValue.value_or(false));
}

std::optional<bool> UserCloseToTray(const std::optional<platform::RegistryValue>& stored) {
    if (!stored) return std::nullopt;
    switch (stored->type) {
    case ValueType::String:
    case ValueType::ExpandString:
        if (stored->text.empty()) return std::nullopt;
        return DecimalIsNonZero(stored->text);
    case ValueType::DWord:
        return stored->number != 0;
    case ValueType::Binary:
    case ValueType::MultiString:
    case ValueType::None:
    case ValueType::QWord:
        break;
    }
    throw platform::RegistryError(std::string("读取设置“") + kSection + "\\" + kIdent +
                                  "”失败：数据类型不是字符串或 DWORD");
}

std::optional<bool> ReadUserCloseToTray(TtsIni& ini, TtsCustomLog& log) {
    try {
        return UserCloseToTray(ini.ReadValue(kSection, kIdent));
    } catch (const platform::RegistryError& e) {
        LogUnreadableSetting(log, e);
        return std::nullopt;
    }
}

std::optional<bool> MenuFileCloseToTray(const TIniFile* menuIni) {
    if (!menuIni) return std::nullopt;
    return menuIni->ReadBool("System", "IsCloseToTrayIcon", false);
}

}  // namespace tesra
