// Feeds arbitrary bytes to the version reader, both as an executable image (ELF or PE) and as a
// version resource block, to find reads outside the data, crashes and hangs.

#include <cstddef>
#include <cstdint>

#include "platform/Exception.h"
#include "setup/VersionResourceFile.h"
#include "setup/tsVersionInfo.h"

namespace {

void Read(tesra::Bytes resource) {
    try {
        auto info = tesra::TtsVersionInfo::FromResource(std::move(resource));
        info.GetValue("Comments");
    } catch (const tesra::Exception&) {
        // A malformed FileVersion is a reported failure, not a fault.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tesra::MemorySource image(data, size);
    Read(tesra::FindVersionResource(image));
    Read(tesra::Bytes(data, data + size));
    return 0;
}
