#include "services/ServerRegistration.h"

#include "platform/Registry.h"
#include "services/TesraBrowser_TLB.h"

namespace tesra {
namespace {

using platform::RootKey;

constexpr char kClasses[] = "Software\\Classes\\";
constexpr char kClassDescription[] = "TesraMessage Object";
constexpr char kAutomationProxy[] = "{00020424-0000-0000-C000-000000000046}";

std::string ClassKey() { return std::string(kClasses) + "CLSID\\" + tlb::CLASS_TesraMessage; }
std::string ProgIdKey() { return std::string(kClasses) + kProgId; }
std::string TypeLibKey() { return std::string(kClasses) + "TypeLib\\" + tlb::LIBID_TesraBrowser; }
std::string InterfaceKey() { return std::string(kClasses) + "Interface\\" + tlb::IID_ITesraMessage; }

// Writes the default value (and the named ones) of a key, creating it.
void Write(platform::Registry& registry, const std::string& path, const std::string& text) {
    auto key = registry.CreateKey(RootKey::CurrentUser, path);
    if (!key) throw platform::RegistryError("无法创建注册表项“HKEY_CURRENT_USER\\" + path + "”");
    key->WriteString("", text);
}

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

void RegisterServer(platform::Registry& registry, const std::string& programPath) {
    const std::string version = std::to_string(tlb::kLibraryMajor) + "." + std::to_string(tlb::kLibraryMinor);
    Write(registry, ProgIdKey(), kClassDescription);
    Write(registry, ProgIdKey() + "\\Clsid", tlb::CLASS_TesraMessage);
    Write(registry, ClassKey(), kClassDescription);
    Write(registry, ClassKey() + "\\LocalServer32", "\"" + programPath + "\" /automation");
    Write(registry, ClassKey() + "\\ProgID", kProgId);
    Write(registry, ClassKey() + "\\TypeLib", tlb::LIBID_TesraBrowser);
    Write(registry, ClassKey() + "\\Version", version);
    Write(registry, TypeLibKey() + "\\" + version, tlb::kLibraryHelp);
    Write(registry, TypeLibKey() + "\\" + version + "\\0\\linux", programPath);
    Write(registry, TypeLibKey() + "\\" + version + "\\FLAGS", "0");
    Write(registry, TypeLibKey() + "\\" + version + "\\HELPDIR", FolderOf(programPath));
    Write(registry, InterfaceKey(), tlb::kInterfaceName);
    Write(registry, InterfaceKey() + "\\ProxyStubClsid32", kAutomationProxy);
    Write(registry, InterfaceKey() + "\\TypeLib", tlb::LIBID_TesraBrowser);
    auto typeLib = registry.CreateKey(RootKey::CurrentUser, InterfaceKey() + "\\TypeLib");
    if (typeLib) typeLib->WriteString("Version", version);
}

void UnregisterServer(platform::Registry& registry) {
    for (const auto& path : {ProgIdKey(), ClassKey(), TypeLibKey(), InterfaceKey()})
        registry.DeleteKey(RootKey::CurrentUser, path);
}

}  // namespace tesra
