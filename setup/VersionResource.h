#pragma once
// The version resource block in the Windows VS_VERSIONINFO layout: nested blocks of a length, a value
// length, a type, a UTF-16LE key and a value, each block aligned to 32 bits from the start of the
// resource. Built at build time for our own executable, queried at run time by the version reader.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tesra {

using Bytes = std::vector<std::uint8_t>;

struct VersionResourceFields {
    std::uint16_t fileVersion[4] = {0, 0, 0, 0};
    std::uint16_t productVersion[4] = {0, 0, 0, 0};
    std::uint16_t language = 0x0804;
    std::uint16_t codePage = 936;
    // Key and value of each string (UTF-8), in the order they are written.
    std::vector<std::pair<std::string, std::string>> strings;
};

// A VS_VERSIONINFO block with the fixed file information, one string table named after the language
// and code page, and the translation entry. Throws std::length_error when it exceeds 65535 bytes.
Bytes BuildVersionResource(const VersionResourceFields& fields);

// Read-only view of a version resource. Every read is bounds-checked: a malformed block answers
// nothing instead of reading outside the data.
class VersionResource {
public:
    explicit VersionResource(Bytes data);

    // The block is a VS_VERSIONINFO block at all (right key, lengths inside the data).
    bool IsValid() const;
    // The text value of a sub-block such as "\StringFileInfo\080403a8\FileVersion" (keys compared
    // ignoring ASCII letter case), up to its terminating zero; none when the path is absent.
    std::optional<std::string> QueryText(const std::string& path) const;
    // The raw value bytes of a sub-block such as "\VarFileInfo\Translation"; none when absent.
    std::optional<Bytes> QueryValue(const std::string& path) const;

private:
    struct Block;
    std::optional<Block> ReadBlock(std::size_t start, std::size_t limit) const;
    std::optional<Block> Find(const std::string& path) const;

    Bytes data_;
};

}  // namespace tesra
