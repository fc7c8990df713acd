#pragma once
// TIniFile: reads an ini file of the system code page (GBK; UTF-8 and UTF-16 are recognised) with the platform's rules:
// section and key names compare ignoring case, spaces around keys and values are dropped, a value enclosed as a whole
// in single or double quotes loses that pair, lines that are not entries are ignored. Every read sees the file as it is
// now (the parsed file is kept while its size and modification time stay the same). Texts in and out are UTF-8.
// User-interface thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tesra {

namespace platform {
class Environment;
}  // namespace platform

class TIniFile {
public:
    // The file is read through the environment, which outlives the object.
    TIniFile(platform::Environment& environment, std::string fileName);

    const std::string& FileName() const { return file_name_; }
    // The value, or def when the file, the section or the key is missing.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Decimal, or hexadecimal after "0x" or "$"; def when missing or not a 32-bit integer.
    std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const;
    // ReadInteger(section, key, def ? 1 : 0) != 0.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    // The key names of the section in file order (a repeated key appears each time).
    std::vector<std::string> ReadSection(const std::string& section) const;

    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

private:
    const Section* FindSection(const std::string& name) const;
    void Refresh() const;

    platform::Environment& environment_;
    std::string file_name_;
    mutable std::vector<Section> sections_;
    mutable std::optional<std::int64_t> loaded_time_;
    mutable std::uintmax_t loaded_size_ = 0;
};

// The text of an ini file's bytes as UTF-8: GBK, unless the bytes start with a UTF-8, UTF-16LE or UTF-16BE
// byte-order mark, or are valid UTF-8 and not plain ASCII.
std::string DecodeIniBytes(const std::string& bytes);

// Whether the file's bytes read as an ini file: text without zero characters, with a section
// ("[System]") and without a line of markup (one that begins with "<"). Lines that are not entries
// are still ignored as the reader ignores them; an error page, a picture or a plain message is no
// ini file.
bool IsIniText(const std::string& bytes);

// Parses ini text that is already UTF-8; sections in file order, the first of equal names first.
std::vector<TIniFile::Section> ParseIni(const std::string& text);
// The platform's integer text rule of ReadInteger; nullopt when the text is not a 32-bit integer.
std::optional<std::int32_t> ParseIniInteger(const std::string& text);

}  // namespace tesra
