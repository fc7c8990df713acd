#pragma once

#include <istream>

#include "platform/SystemInfo.h"

namespace tesra::platform {

// The first "model name" of a /proc/cpuinfo text, zero-padded to 48 bytes (a longer name is cut);
// nullopt when there is none. It stands in for processors without brand leaves.
std::optional<ProcessorBrand> BrandFromCpuInfo(std::istream& cpuinfo);

// cpuid on x86 (the "model name" of /proc/cpuinfo elsewhere), sysconf, sysinfo and os-release.
// Linux has no Windows version number: the version carries only the distribution's pretty name.
class LinuxSystemInfo final : public SystemInformation {
public:
    std::optional<ProcessorBrand> ProcessorBrandBytes() const override;
    unsigned ProcessorCount() const override;
    std::optional<std::uint64_t> TotalPhysicalMemory() const override;
    std::optional<OsVersion> Version() const override;
};

}  // namespace tesra::platform
