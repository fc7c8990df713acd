#pragma once
// A hive as text in the registry export format ("Windows Registry Editor Version 5.00"):
// [HKEY_CURRENT_USER\Key\Sub] sections, "name"="text", @ for the default value, dword:, hex: for
// binary, hex(2): expandable and hex(7): multi-strings (UTF-16LE, as the format has them), hex(1):
// for strings that a quoted line cannot hold, hex(0): and hex(b): for the untyped and 64-bit values
// that the platform's editors export. The format's files are UTF-16LE with a byte-order mark, and are
// written so; files in UTF-8 (as earlier versions wrote them) are read too.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "registry/RegistryTree.h"

namespace tesra::platform {

extern const char kHiveHeader[];

class HiveSyntaxError : public std::runtime_error {
public:
    HiveSyntaxError(int line, const std::string& reason);
    int Line() const { return line_; }
    const std::string& Reason() const { return reason_; }

private:
    int line_;
    std::string reason_;
};

// A hive read as far as it reads: the keys and values of every line that parsed, and each line that
// did not, in file order.
struct HiveReading {
    RegistryNode hive;
    std::vector<HiveSyntaxError> problems;
};

// Reads every line of the text that parses; what is not part of a complete hive of the given root is
// a problem: a missing header, a line that does not parse (the continuation lines of its value and
// the values below a key line that does not parse go with it), a name or value that the registry
// cannot hold, or a last line that does not end (the mark of a cut-off file; that line is skipped).
HiveReading ReadHiveText(std::string_view text, RootKey root);

// The keys and values of the text; throws the first problem that ReadHiveText finds.
RegistryNode ParseHive(std::string_view text, RootKey root);

// The text of the hive in UTF-8; keys provided by the platform are left out. ParseHive reads it back.
std::string FormatHive(const RegistryNode& hive, RootKey root);
// The bytes of the hive's file: its text in UTF-16LE with the byte-order mark and CR LF line ends, as
// the platform's editors read and write the format.
std::string HiveFileBytes(const RegistryNode& hive, RootKey root);

}  // namespace tesra::platform
