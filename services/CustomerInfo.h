#pragma once
// The client machine as short texts: processor, physical memory, operating system, installed software.
// Nothing is cached: every call asks the system again.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Registry.h"
#include "platform/SystemInfo.h"
#include "support/tsCommon.h"

namespace tesra {

// The brand bytes as text: a final zero byte dropped, then trimmed.
std::string BrandName(const platform::ProcessorBrand& brand);
// "<brand name>,<count>,<bytes 41 to 44 (ECX of the last leaf), trimmed>".
std::string CpuText(const platform::ProcessorBrand& brand, unsigned processorCount);
// Total memory in whole MiB, a half rounded to the even neighbour: 8 GiB gives "8192".
std::string MemoryText(std::uint64_t totalBytes);
// "Windows NT" up to major 4, the names of 5.0 to 6.2, "未知" for any other or no version.
std::string WindowsName(std::optional<platform::VersionNumber> number);
// The name, one space, the service-pack text up to its first zero byte.
std::string OsVersionText(const platform::OsVersion& version);

// The processor text (mode 0 is the only mode). On a failure an information box "erro" is shown and
// the text is returned as far as it was built ("未知" before the brand was read). A processor
// without brand leaves has an empty brand name.
std::string ReadCpuInfo(const platform::SystemInformation& system, const AppBoxes& boxes, int mode);
// MemoryText of the machine; empty when the memory status cannot be read.
std::string ReadMemoryInfo(const platform::SystemInformation& system);
// OsVersionText of the system; empty when the version cannot be read.
std::string ReadOSVersion(const platform::SystemInformation& system);
// The machine's uninstall list: "【name 版本：version】" per subkey that has a display name, joined by
// ","; a display name without a version is listed under the subkey's own name. Never fails: a
// value that cannot be read as text ends the list there, with the entries gathered so far.
std::string ReadInstalledSoft(platform::Registry& registry);

struct ClientReport {
    std::string cpu;
    std::string memory;
    std::string os;
    std::string software;
};

// The four texts of the client report, in the order the page receives them.
ClientReport ReadClientReport(const platform::SystemInformation& system, platform::Registry& registry,
                              const AppBoxes& boxes);

}  // namespace tesra
