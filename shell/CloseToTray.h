#pragma once
// Whether closing the main window hides it to the tray: the user's own setting, or while the user
// has none, the web application's default from the menu file.

#include <optional>
#include <string>

namespace tesra {

class TIniFile;

// userText: the user's stored value as text (empty when absent). fileValue: the menu file's
// "System"/"IsCloseToTrayIcon" as a boolean, or nullopt when no menu file is open. The user's text
// counts as a decimal integer, non-zero meaning on; text that is not a number means off.
bool IsCloseToTray(const std::string& userText, std::optional<bool> fileValue);

// The menu file's default, or nullopt without a menu file; read from the file each time.
std::optional<bool> MenuFileCloseToTray(const TIniFile* menuIni);

}  // namespace tesra
