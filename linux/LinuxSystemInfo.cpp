#include "linux/LinuxSystemInfo.h"

#include <glib.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "platform/Exception.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace tesra::platform {

#if defined(__x86_64__) || defined(__i386__)
namespace {

std::optional<ProcessorBrand> ReadBrandLeaves() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(0x80000000, &eax, &ebx, &ecx, &edx) || eax < 0x80000004) return std::nullopt;
    ProcessorBrand brand{};
    for (unsigned leaf = 0; leaf < 3; ++leaf) {
        unsigned registers[4] = {};
        __get_cpuid(0x80000002 + leaf, &registers[0], &registers[1], &registers[2], &registers[3]);
        // x86 is little-endian: a register's bytes lie in memory lowest first.
        std::memcpy(brand.data() + leaf * 16, registers, 16);
    }
    return brand;
}

}  // namespace
#endif

std::optional<ProcessorBrand> BrandFromCpuInfo(std::istream& cpuinfo) {
    std::string line;
    while (std::getline(cpuinfo, line)) {
        const auto colon = line.find(':');
        if (!line.starts_with("model name") || colon == std::string::npos) continue;
        const auto start = line.find_first_not_of(" \t", colon + 1);
        const std::string name = start == std::string::npos ? std::string() : line.substr(start);
        ProcessorBrand brand{};
        std::memcpy(brand.data(), name.data(), std::min(name.size(), brand.size()));
        return brand;
    }
    return std::nullopt;
}

std::optional<ProcessorBrand> LinuxSystemInfo::ProcessorBrandBytes() const {
#if defined(__x86_64__) || defined(__i386__)
    if (auto brand = ReadBrandLeaves()) return brand;
#endif
    std::ifstream cpuinfo("/proc/cpuinfo");
    return BrandFromCpuInfo(cpuinfo);
}

unsigned LinuxSystemInfo::ProcessorCount() const {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    if (count < 1) throw Exception("读取处理器数目失败");
    return static_cast<unsigned>(count);
}

std::optional<std::uint64_t> LinuxSystemInfo::TotalPhysicalMemory() const {
    struct sysinfo info {};
    if (sysinfo(&info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
}

std::optional<OsVersion> LinuxSystemInfo::Version() const {
    // GLib reads /etc/os-release, falling back to /usr/lib/os-release; "Linux" is the name's default there.
    g_autofree gchar* pretty = g_get_os_info(G_OS_INFO_KEY_PRETTY_NAME);
    OsVersion version;
    version.servicePack = pretty ? pretty : "Linux";
    return version;
}

}  // namespace tesra::platform
