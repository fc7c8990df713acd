#pragma once
// The version information of an executable file: the ten standard string fields of its version
// resource and the four numbers of its file version, read once when the reader is built.

#include <array>
#include <cstdint>
#include <string>

#include "setup/VersionResource.h"

namespace tesra {

namespace platform {
class Environment;
}  // namespace platform

class TtsVersionInfo {
public:
    static constexpr int kItemCount = 10;
    // The keys of the items, by index.
    static const std::array<const char*, kItemCount> kItemKeys;

    // Reads the version resource of the file through the environment; an empty name is the
    // program's own file. A file without a version resource, or one that cannot be read, gives an
    // empty reader. Throws tesra::Exception when the resource's FileVersion is not a four-part
    // version number.
    explicit TtsVersionInfo(platform::Environment& environment, const std::string& fileName = "");
    // The same for a version resource block already in memory.
    static TtsVersionInfo FromResource(Bytes resource);

    // The stored string of an item (0..9); empty for an index out of range.
    std::string GetItem(int index) const;
    // The string of any key in the string table of the resource's first translation; "N/A" when
    // the reader holds no version resource, empty when the key is absent.
    std::string GetValue(const std::string& key) const;

    bool HasInfo() const { return FHasInfo; }
    // Language and code page of the first translation, as eight lower-case hexadecimal digits.
    const std::string& Translation() const { return FTranslation; }
    // The file version's numbers: major, minor, release, build.
    const std::array<std::int32_t, 4>& Version() const { return FVersion; }

private:
    struct Loaded {};
    TtsVersionInfo(Loaded, Bytes resource);

    bool FHasInfo = false;
    VersionResource FInfoBuffer;
    std::string FTranslation;
    std::array<std::string, kItemCount> FItems;
    std::array<std::int32_t, 4> FVersion{};
};

// The four numbers of a dotted version text such as 1.0.0.41. Items are split as delimited text
// (blanks end an item, double quotes group); an item that is not a decimal integer counts 0. Throws
// tesra::Exception "“text”不是正确的版本号" unless there are exactly four items.
std::array<std::int32_t, 4> ParseVersionNumber(const std::string& text);

// The FileVersion of the file's version resource (empty name: the program's own file); empty when
// the file has none.
std::string GetFileVersionText(platform::Environment& environment, const std::string& fileName);

// FileVersion and InternalName of the program file as comma text, e.g. 1.0.0.41,2014-04-29.
std::string GetVersionText(platform::Environment& environment);

}  // namespace tesra
