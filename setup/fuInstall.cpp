#include "setup/fuInstall.h"

#include <cstdlib>
#include <filesystem>

#include "platform/Folders.h"
#include "platform/Registry.h"

namespace tesra {

using platform::Access;
using platform::Reg;
using platform::RootKey;

namespace {

const char kCacheSettings[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache";
const char kInternetSettings[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kShellFolders[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kMachineInternetSettings[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kExplorerMain[] = "\\Software\\Microsoft\\Internet Explorer\\Main";

// The key with full access, or null when it is missing or this user may not change it.
std::unique_ptr<platform::RegistryKey> OpenForWriting(RootKey root, const char* path) {
    return Reg().OpenKey(root, path, Access::Full);
}

}  // namespace

std::string& SavedCacheFolder() {
    static std::string saved;
    return saved;
}

std::string ProgramCacheFolder() { return platform::CacheFolder() + "/TesraBrowserCache"; }

std::string BrowserCacheFolder() {
    std::string folder;
    try {
        if (auto key = Reg().OpenKey(RootKey::CurrentUser, kShellFolders, Access::Read)) {
            folder = ExpandEnvironmentText(key->ReadString("Cache"));
        }
    } catch (const platform::RegistryError&) {
        // A setting that cannot be read must not keep the browser from starting.
        folder.clear();
    }
    if (folder.empty() || !std::filesystem::path(folder).is_absolute()) return platform::WebCacheFolder();
    return folder;
}

std::string ExpandEnvironmentText(const std::string& text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t open = text.find('%', i);
        size_t close = open == std::string::npos ? std::string::npos : text.find('%', open + 1);
        if (close == std::string::npos) break;
        out.append(text, i, open - i);
        std::string name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value) {
            out += value;
            i = close + 1;
        } else {
            // Not a reference: keep the first '%' and look again from the second.
            out += '%';
            out += name;
            i = close;
        }
    }
    out.append(text, i, std::string::npos);
    return out;
}

void TtbInstaller::Startup(const std::string& url) {
    TtbInstaller installer(url);
    installer.SetEnvironment();
    installer.CheckSetup();
}

void TtbInstaller::Install(const std::string& url) {
    TtbInstaller installer(url);
    installer.DoInstall();
}

void TtbInstaller::RestoreEnvironment() {
    std::string& saved = SavedCacheFolder();
    if (saved.empty()) return;
    if (auto key = OpenForWriting(RootKey::CurrentUser, kShellFolders)) {
        // A start after a run that never restored read our own folder: give the user the engine's
        // default folder instead of keeping ours.
        if (saved == ProgramCacheFolder()) saved = platform::WebCacheFolder();
        key->WriteString("Cache", saved);
    }
    if (auto key = OpenForWriting(RootKey::CurrentUser, kInternetSettings)) key->WriteDWord("SyncMode5", 4);
}

TtbInstaller::TtbInstaller(std::string url) : FUrl(std::move(url)) {}

void TtbInstaller::SetEnvironment() {
    if (auto key = OpenForWriting(RootKey::CurrentUser, kCacheSettings)) key->WriteDWord("Persistent", 1);
    if (auto key = OpenForWriting(RootKey::CurrentUser, kInternetSettings)) key->WriteDWord("SyncMode5", 0);
    if (auto key = OpenForWriting(RootKey::CurrentUser, kShellFolders)) {
        SavedCacheFolder() = GetUserCacheFolder();
        key->WriteString("Cache", ProgramCacheFolder());
    }
    if (auto key = OpenForWriting(RootKey::LocalMachine, kMachineInternetSettings)) {
        key->WriteDWord("BypassSSLNoCacheCheck", 1);
    }
    if (auto key = OpenForWriting(RootKey::LocalMachine, kExplorerMain)) key->WriteDWord("TabProcGrowth", 0);
}

std::string TtbInstaller::GetUserCacheFolder() {
    auto key = OpenForWriting(RootKey::CurrentUser, kShellFolders);
    return key ? key->ReadString("Cache") : "";
}

void TtbInstaller::CheckSetup() {
    // Not built yet: the setup record, the icon and menu downloads and the shortcut come with the
    // setup resources work.
}

void TtbInstaller::DoInstall() {
    // Not built yet: see CheckSetup.
}

}  // namespace tesra
