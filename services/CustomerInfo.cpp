#include "services/CustomerInfo.h"

#include <cmath>
#include <exception>

#include "platform/Registry.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\uninstall";

std::string_view AsText(const platform::ProcessorBrand& brand, std::size_t offset, std::size_t length) {
    return {reinterpret_cast<const char*>(brand.data()) + offset, length};
}

}  // namespace

std::string BrandName(const platform::ProcessorBrand& brand) {
    const std::size_t length = brand.back() == 0 ? brand.size() - 1 : brand.size();
    return TrimBlanks(AsText(brand, 0, length));
}

std::string CpuText(const platform::ProcessorBrand& brand, unsigned processorCount) {
    return BrandName(brand) + "," + std::to_string(processorCount) + "," + TrimBlanks(AsText(brand, 40, 4));
}

std::string MemoryText(std::uint64_t totalBytes) {
    // nearbyint rounds in the default mode, to nearest with halves to even.
    const double mebibytes = std::nearbyint(static_cast<double>(totalBytes) / 1024 / 1024);
    return std::to_string(static_cast<std::uint64_t>(mebibytes));
}

std::string WindowsName(std::optional<platform::VersionNumber> number) {
    if (!number) return "未知";
    const auto [major, minor] = *number;
    if (major <= 4) return "Windows NT";
    if (major == 5 && minor == 0) return "Windows 2000";
    if (major == 5 && minor == 1) return "Windows XP";
    if (major == 5 && minor == 2) return "Windows 2003";
    if (major == 6 && minor == 0) return "Windows Vista";
    if (major == 6 && minor == 1) return "Windows 7";
    if (major == 6 && minor == 2) return "Windows 8";
    return "未知";
}

std::string OsVersionText(const platform::OsVersion& version) {
    const std::string& servicePack = version.servicePack;
    return WindowsName(version.number) + " " + servicePack.substr(0, servicePack.find('\0'));
}

std::string ReadCpuInfo(const platform::SystemInformation& system, const AppBoxes& boxes, int) {
    std::string result = "未知";
    try {
        const auto brand = system.ProcessorBrandBytes().value_or(platform::ProcessorBrand{});
        result = BrandName(brand);
        result = CpuText(brand, system.ProcessorCount());
    } catch (const std::exception&) {
        boxes.Info("erro");
    }
    return result;
}

std::string ReadMemoryInfo(const platform::SystemInformation& system) {
    const auto total = system.TotalPhysicalMemory();
    return total ? MemoryText(*total) : std::string();
}

std::string ReadOSVersion(const platform::SystemInformation& system) {
    const auto version = system.Version();
    return version ? OsVersionText(*version) : std::string();
}

std::string ReadInstalledSoft(platform::Registry& registry) {
    using platform::Access;
    using platform::RootKey;
    std::string result;
    try {
        // Read access is enough, so the list does not depend on the right to change the machine hive.
        const auto list = registry.OpenKey(RootKey::LocalMachine, kUninstallKey, Access::Read);
        if (!list) return result;
        for (const std::string& name : list->SubKeyNames()) {
            const auto key =
                registry.OpenKey(RootKey::LocalMachine, std::string(kUninstallKey) + "\\" + name, Access::Read);
            if (!key) continue;
            const bool named = key->HasValue("DisplayName");
            std::string entry = named ? key->ReadString("DisplayName") : name;
            if (key->HasValue("DisplayVersion")) {
                entry += " 版本：" + key->ReadString("DisplayVersion");
            } else {
                entry = name;
            }
            if (named) result += (result.empty() ? "【" : ",【") + entry + "】";
        }
    } catch (const std::exception&) {
        // A value that is not text, or a hive that cannot be read: the list ends here.
    }
    return result;
}

ClientReport ReadClientReport(const platform::SystemInformation& system, platform::Registry& registry,
                              const AppBoxes& boxes) {
    return {ReadCpuInfo(system, boxes, 0), ReadMemoryInfo(system), ReadOSVersion(system), ReadInstalledSoft(registry)};
}

}  // namespace tesra
