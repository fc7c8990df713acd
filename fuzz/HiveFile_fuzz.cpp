// The hive file parser on arbitrary bytes: it either rejects the text with a syntax error or yields
// a hive whose written text reads back to the same hive.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "registry/HiveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tesra::platform;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
        RegistryNode hive;
        try {
            hive = ParseHive(text, root);
        } catch (const HiveSyntaxError&) {
            continue;
        }
        std::string written = FormatHive(hive, root);
        // What the registry writes it must read back unchanged; a syntax error here escapes the target.
        if (FormatHive(ParseHive(written, root), root) != written) std::abort();
    }
    return 0;
}
