#pragma once
// The per-user settings store: an ini file kept in the registry. A section is a key path below the
// root key (it may hold backslashes, such as "TesraBrowser\Urls"; a leading backslash starts from the
// hive's root), an ident is a value name in it. Strings are stored as REG_SZ, integers as DWORDs,
// booleans as the strings "1" and "0". Registry failures surface as platform::RegistryError.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Registry.h"
#include "setup/tsCrypter.h"
#include "support/tsCommon.h"

namespace tesra {

class TtsCustomLog;

extern const char kSettingsRoot[];  // "Software\Kestal\Tesra" below HKEY_CURRENT_USER

class TtsIni {
public:
    // Creates the root key below HKEY_CURRENT_USER when missing; "" selects kSettingsRoot. Where
    // that fails (a settings folder this user may not write), the failure goes to notify (when
    // given) and the store still reads; its writes then fail.
    TtsIni(const std::string& rootPath, platform::Registry& registry, const ErrorNotifyProc& notify = nullptr);

    const std::string& RootPath() const { return root_; }
    TtsCrypter& Crypter() { return crypter_; }

    // The string value (unexpanded for an expandable string), or def when the section or the value
    // is missing. Reading never creates anything. Throws for a value of another type.
    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def);
    // Creates the section when needed and writes a REG_SZ value.
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    // ReadInteger(section, ident, def ? 1 : 0) != 0.
    bool ReadBool(const std::string& section, const std::string& ident, bool def);
    // WriteString with "1" or "0".
    void WriteBool(const std::string& section, const std::string& ident, bool value);
    // A string value read as a decimal integer (def when it is not one), a DWORD as it is (as a
    // signed number), def when the section or value is missing. Throws for a value of another type.
    std::int32_t ReadInteger(const std::string& section, const std::string& ident, std::int32_t def);
    // Creates the section when needed and writes a DWORD.
    void WriteInteger(const std::string& section, const std::string& ident, std::int32_t value);
    // The value as stored, of whatever type, or none when the section or the value is missing.
    // Throws RegistryError when the hive cannot be read.
    std::optional<platform::RegistryValue> ReadValue(const std::string& section, const std::string& ident);

private:
    std::unique_ptr<platform::RegistryKey> CreateSection(const std::string& section);

    platform::Registry& registry_;
    std::string root_;
    TtsCrypter crypter_;
};

// A decimal integer: an optional sign and digits, within 32 signed bits; none otherwise.
std::optional<std::int32_t> ParseDecimalInteger(const std::string& text);

// For a setting read on the way to the page, where a value that cannot be read (of another type, in
// a hive that cannot be read) must not stop the start: the caller takes it as absent, and this puts
// the cause, which names the value, into the client log. Never throws.
void LogUnreadableSetting(TtsCustomLog& log, const platform::RegistryError& cause);

}  // namespace tesra
