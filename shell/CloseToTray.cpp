#include "shell/CloseToTray.h"

#include <charconv>
#include <cstdint>

#include "support/IniFile.h"

namespace tesra {
namespace {

bool DecimalIsNonZero(const std::string& text) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && last == end && value != 0;
}

}  // namespace

bool IsCloseToTray(const std::string& userText, std::optional<bool> fileValue) {
    if (fileValue && userText.empty()) return *fileValue;
    return DecimalIsNonZero(userText);
}

std::optional<bool> MenuFileCloseToTray(const TIniFile* menuIni) {
    if (!menuIni) return std::nullopt;
    return menuIni->ReadBool("System", "IsCloseToTrayIcon", false);
}

}  // namespace tesra
