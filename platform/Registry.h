#pragma once
// The registry: two hives (the current user's and the machine's) of keys that hold typed values.
// Key paths are separated by backslashes and taken from the root of the hive; names compare
// ignoring the case of A-Z and keep the spelling they were first written with. Subkeys and values
// are listed in the order they were created. Key handles name a key by its path: they see changes
// made through other handles and by other processes, and must not outlive their registry.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/Exception.h"

namespace tesra::platform {

enum class RootKey { CurrentUser, LocalMachine };  // HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE

enum class Access { Read, Full };

// REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ, REG_NONE and REG_QWORD. The program itself
// writes only the first five; the others are kept as they were read.
enum class ValueType { String, ExpandString, DWord, Binary, MultiString, None, QWord };

struct RegistryValue {
    ValueType type = ValueType::String;
    std::string text;                  // String and ExpandString (UTF-8, unexpanded)
    std::uint32_t number = 0;          // DWord
    std::vector<std::uint8_t> bytes;   // Binary, None, QWord (8 bytes, little-endian)
    std::vector<std::string> strings;  // MultiString

    static RegistryValue String(std::string text);
    static RegistryValue ExpandString(std::string text);
    static RegistryValue DWord(std::uint32_t number);
    static RegistryValue Binary(std::vector<std::uint8_t> bytes);
    static RegistryValue MultiString(std::vector<std::string> strings);
    static RegistryValue None(std::vector<std::uint8_t> bytes);
    static RegistryValue QWord(std::uint64_t number);

    bool operator==(const RegistryValue& other) const = default;
};

// Every failure of the registry layer: a finished Chinese message that names the key, value or file.
class RegistryError : public Exception {
public:
    explicit RegistryError(const std::string& message) : Exception(message, "ERegistryException") {}
};

class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    virtual RootKey Root() const = 0;
    // The path from the root, without a leading backslash, spelled as stored when it was opened.
    virtual std::string Path() const = 0;
    virtual Access Rights() const = 0;

    // The value, or none when the value or the key itself no longer exists. Throws RegistryError
    // when the hive cannot be read.
    virtual std::optional<RegistryValue> Value(const std::string& name) const = 0;
    // Writes the value; one of the same name is replaced and keeps its place and spelling. The empty
    // name is the key's default value. Throws RegistryError when the handle is read-only, the key is
    // provided by the platform or no longer exists, the name or data cannot be stored (texts must be
    // UTF-8 without NUL, multi-string items non-empty, names without control characters), or the
    // hive cannot be written.
    virtual void SetValue(const std::string& name, const RegistryValue& value) = 0;
    // Deletes the value; false when there was none. Throws like SetValue.
    virtual bool DeleteValue(const std::string& name) = 0;
    // Names of the direct subkeys and of the values, in creation order; empty when the key is gone.
    virtual std::vector<std::string> SubKeyNames() const = 0;
    virtual std::vector<std::string> ValueNames() const = 0;

    bool HasValue(const std::string& name) const;
    // The text of a string or expandable string, unexpanded; "" when the value is missing.
    // Throws RegistryError for a value of another type.
    std::string ReadString(const std::string& name) const;
    // The number of a DWORD value. Throws RegistryError when it is missing or of another type.
    std::uint32_t ReadDWord(const std::string& name) const;
    void WriteString(const std::string& name, const std::string& text);  // REG_SZ
    void WriteExpandString(const std::string& name, const std::string& text);
    void WriteDWord(const std::string& name, std::uint32_t number);
};

class Registry {
public:
    virtual ~Registry() = default;

    // Opens an existing key. Null when it does not exist, or when full access is asked of a hive that
    // this process may not change (the machine hive of a user without administrator rights); keys
    // provided by the platform open with either access. Throws RegistryError for an invalid path
    // (an empty name between backslashes) or a hive that cannot be read.
    virtual std::unique_ptr<RegistryKey> OpenKey(RootKey root, const std::string& path, Access access) = 0;
    // Opens the key with full access, creating it and its missing parents. Null when a missing key
    // cannot be created: the hive may not be changed, or the parent is provided by the platform.
    // Throws like OpenKey, and RegistryError when the hive cannot be written.
    virtual std::unique_ptr<RegistryKey> CreateKey(RootKey root, const std::string& path) = 0;
    virtual bool KeyExists(RootKey root, const std::string& path) = 0;
    // Deletes the key with all its subkeys; false when it does not exist. Throws RegistryError when
    // the hive may not be changed or the key holds keys provided by the platform.
    virtual bool DeleteKey(RootKey root, const std::string& path) = 0;
    // Runs work so that the changes it makes to the hive are kept as one change when it ends, also
    // when it throws (its exception then goes on): another process sees all of them or none, and
    // work reads what it wrote. Durability is that of the one write. When the hive may not be
    // changed, work runs as it would alone. Throws RegistryError when the hive cannot be read or
    // written.
    virtual void ChangeTogether(RootKey root, Durability durability, const std::function<void()>& work) = 0;
};

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
std::string RootName(RootKey root);
// The path of sub below base: sub itself when it begins with a backslash (taken from the root).
std::string JoinKeyPath(const std::string& base, const std::string& sub);
// The key names of a path; one leading and one trailing backslash are allowed, "" is the root.
// Throws RegistryError for an empty or otherwise invalid name.
std::vector<std::string> SplitKeyPath(const std::string& path);
// Names compare ignoring the case of A-Z only.
bool SameName(const std::string& a, const std::string& b);
// The name with A-Z folded to a-z: two names are the same exactly when their folds are equal.
std::string FoldName(std::string name);
// The reason why a name or value cannot be stored, or "" when it can.
std::string InvalidKeyName(const std::string& name);
std::string InvalidValueName(const std::string& name);
std::string InvalidValueData(const RegistryValue& value);

}  // namespace tesra::platform
