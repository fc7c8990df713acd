#pragma once
// Facts about the machine: processor brand and count, physical memory, operating-system version.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tesra::platform {

// The processor brand leaves 0x80000002..0x80000004: per leaf EAX, EBX, ECX, EDX, each register's
// bytes lowest first. Zero bytes are part of it.
using ProcessorBrand = std::array<unsigned char, 48>;

// A Windows-style version number.
struct VersionNumber {
    unsigned major = 0;
    unsigned minor = 0;
};

struct OsVersion {
    // Absent on a system that has no Windows version number.
    std::optional<VersionNumber> number;
    // The service-pack text, or what stands for it on the system (UTF-8).
    std::string servicePack;
};

class SystemInformation {
public:
    virtual ~SystemInformation() = default;
    // The 48 brand bytes; nullopt when the processor has no brand leaves.
    virtual std::optional<ProcessorBrand> ProcessorBrandBytes() const = 0;
    // The number of logical processors online. Throws tesra::Exception when the system cannot tell.
    virtual unsigned ProcessorCount() const = 0;
    // Total physical memory in bytes; nullopt when it cannot be read.
    virtual std::optional<std::uint64_t> TotalPhysicalMemory() const = 0;
    // The system's version; nullopt when it cannot be read.
    virtual std::optional<OsVersion> Version() const = 0;
};

}  // namespace tesra::platform
