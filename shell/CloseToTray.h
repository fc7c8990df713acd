#pragma once
// Whether closing the main window hides it to the tray: the user's own setting, or while the user
// has none, the web application's default from the menu file.

#include <optional>

#include "platform/Registry.h"

namespace tesra {

class TIniFile;
class TtsIni;
class TtsCustomLog;

// user: the user's own value, none while absent. fileValue: the menu file's
// "System"/"IsCloseToTrayIcon" as a boolean, or nullopt when no menu file is open. Off without either.
bool IsCloseToTray(std::optional<bool> user, std::optional<bool> fileValue);

// The user's stored value read as the setting: none when there is none or its text is empty. Text
// counts as a decimal integer, non-zero meaning on and anything else off; a DWORD (a hand edit, an
// older version: the user's explicit choice) as its number. Throws RegistryError for a value of any
// other type.
std::optional<bool> UserCloseToTray(const std::optional<platform::RegistryValue>& stored);

// The user's value from the settings store. One that cannot be read counts as absent, and the client
// log names it: neither a start nor a close fails for it.
std::optional<bool> ReadUserCloseToTray(TtsIni& ini, TtsCustomLog& log);

// The menu file's default, or nullopt without a menu file; read from the file each time.
std::optional<bool> MenuFileCloseToTray(const TIniFile* menuIni);

}  // namespace tesra
