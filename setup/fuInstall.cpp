#include "setup/fuInstall.h"

#include <glib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/Application.h"
#include "platform/Environment.h"
#include "platform/Exception.h"
#include "platform/InstallForm.h"
#include "platform/Platform.h"
#include "platform/Registry.h"
#include "setup/SetupFiles.h"
#include "setup/tsIni.h"
#include "setup/tsVersionInfo.h"
#include "support/Address.h"
#include "support/FailureLog.h"
#include "support/Format.h"
#include "support/IniFile.h"
#include "support/TextCodec.h"
#include "support/tsCommon.h"
#include "support/tsFileUtils.h"
#include "support/tsLog.h"

namespace tesra {

namespace fs = std::filesystem;

using platform::Access;
using platform::RootKey;

namespace {

const char kCacheSettings[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache";
const char kInternetSettings[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kShellFolders[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kMachineInternetSettings[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kExplorerMain[] = "\\Software\\Microsoft\\Internet Explorer\\Main";

// The key with full access, or null when it is missing or this user may not change it.
std::unique_ptr<platform::RegistryKey> OpenForWriting(platform::Registry& registry, RootKey root, const char* path) {
    return registry.OpenKey(root, path, Access::Full);
}

const char kIconFile[] = "TesraBrowser.ico";
const char kMenuFile[] = "TesraBrowser.ini";
// Longest shortcut name in bytes, well below the file systems' limit for a name with its suffix.
const size_t kMaxShortcutName = 200;

bool FileExists(platform::Environment& environment, const std::string& path) {
    return environment.StatusOf(path).kind == platform::PathKind::File;
}

const char kProgramName[] = "TesraBrowser";

std::string AppFolderPath(platform::Environment& environment) {
    return FolderWithSlash(environment.LocalAppDataFolder()) + "Kestal/TesraBrowser/";
}

// The per-user copy, written whole under a temporary name first, so that a failed copy leaves the
// copy before it as it was. The failure goes to the log and is given back; "" when the copy was made.
std::string CopyProgram(platform::Environment& environment, TtsCustomLog& log, const std::string& target) {
    try {
        environment.ReplaceFileWithCopy(environment.ProgramImage(), target, platform::FileMode::Executable);
        return "";
    } catch (const std::exception& e) {
        log.LogError(e.what());
        return e.what();
    }
}

// Why the downloaded bytes may not take the stored file's place; "" when they may.
std::string DownloadRefusal(platform::Drawing& drawing, const std::string& localName, const std::string& bytes) {
    if (localName == kIconFile) return IconRefusal(bytes.size(), drawing.MeasurePicture(bytes, kIconSideLimit));
    return MenuRefusal(bytes);
}

}  // namespace

void TInstallProgress::SetPosition(int position) {
    position_ = position;
    const std::string received = "已接收 " + std::to_string(position_ / 1024) + " KB";
    const std::string text = max_ > 0 ? received + " / " + std::to_string(max_ / 1024) + " KB" : received;
    // Counts come many a second: a few are painted, each waiting for its paint.
    const auto now = std::chrono::steady_clock::now();
    if (now - shown_ >= std::chrono::milliseconds(250)) Show(text);
    form_.App().ProcessMessages();
}

void TInstallProgress::SetText(const std::string& text) {
    // A change of state (connected, receiving, done) is painted at once: it may be the last text
    // before the server stalls, and must not be dropped for the one before it.
    Show(text);
    form_.App().ProcessMessages();
}

void TInstallProgress::Show(const std::string& detail) {
    shown_ = std::chrono::steady_clock::now();
    form_.Form().SetStatus(form_.Step() + "... " + detail);
}

const char kUrlsSection[] = "TesraBrowser\\Urls";
const char kDefaultShortcutName[] = "蓝岸浏览器";

std::uint32_t UrlHash(const std::string& url) {
    std::uint32_t value = 0;
    for (unsigned char byte : Utf8ToGbk(url)) value = value * 31 + byte;
    return value;
}

std::string SetupUrlOf(const std::string& url) {
    const std::optional<std::string> uri = AddressUri(url);
    if (!uri) return "";
    g_autofree gchar* setup = g_uri_resolve_relative(uri->c_str(), "setup/", G_URI_FLAGS_ENCODED, nullptr);
    return setup ? setup : "";
}

std::string ShortcutName(const std::string& iconName) {
    std::string name;
    for (char c : iconName) {
        const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        name += (control || c == '/' || c == '\\') ? '_' : c;
    }
    const size_t begin = name.find_first_not_of(". ");
    name = begin == std::string::npos ? "" : name.substr(begin);
    if (name.size() > kMaxShortcutName) {
        size_t end = kMaxShortcutName;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
        name.resize(end);
    }
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name.empty() ? kDefaultShortcutName : name;
}

bool IsFileRunning(platform::Environment& environment, const std::string& path) {
    const std::string canonical = environment.CanonicalPath(path);
    const std::string name = fs::path(path).filename().string();
    for (const std::string& file : environment.RunningProgramFiles()) {
        if (!ContainsText(fs::path(file).filename().string(), name)) continue;
        if (SameText(file, path) || SameText(file, canonical)) return true;
    }
    return false;
}

TfmInstall::TfmInstall(platform::Factory& factory, platform::Application& app)
    : form_(factory.MakeInstallForm()), app_(app) {
    form_->Show();
}

TfmInstall::~TfmInstall() = default;

void ShowStatus(TfmInstall& form, const std::string& text) {
    form.SetStep(text);
    form.Form().SetStatus(text + "...");
    form.App().ProcessMessages();
}

const TtsHTTP::Timeouts kSetupTimeouts{std::chrono::milliseconds(15000), std::chrono::seconds(30),
                                       std::chrono::milliseconds(60000)};

std::string ProgramCacheFolder(platform::Environment& environment) {
    return environment.CacheFolder() + "/TesraBrowserCache";
}

std::string BrowserCacheFolder(platform::Registry& registry, platform::Environment& environment) {
    std::string folder;
    try {
        if (auto key = registry.OpenKey(RootKey::CurrentUser, kShellFolders, Access::Read)) {
            folder = ExpandEnvironmentText(key->ReadString("Cache"));
        }
    } catch (const platform::RegistryError&) {
        // A setting that cannot be read must not keep the browser from starting.
        folder.clear();
    }
    if (folder.empty() || !std::filesystem::path(folder).is_absolute()) return environment.WebCacheFolder();
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

std::string StartWriteFailures(const std::vector<std::string>& causes) {
    if (causes.empty()) return "";
    std::string text = "启动时未能保存，下次启动时重试：";
    for (size_t i = 0; i < causes.size(); ++i) text += (i ? "；" : "") + causes[i];
    return text;
}

template <typename Step>
void TtbInstaller::Tolerate(Step step) {
    try {
        step();
    } catch (const Exception& e) {
        failures_.push_back(e.what());
    }
}

void TtbInstaller::Startup(const platform::Platform& platform, TtsCustomLog& log, SetupRun& run,
                           const std::string& url) {
    TtbInstaller installer(platform, log, run, url);
    installer.Tolerate([&] { installer.SetEnvironment(); });
    installer.CheckSetup();
    const std::string failures = StartWriteFailures(installer.failures_);
    if (!failures.empty()) log.LogError(failures);
}

void TtbInstaller::Install(const platform::Platform& platform, TtsCustomLog& log, SetupRun& run,
                           const std::string& url) {
    TtbInstaller installer(platform, log, run, url);
    installer.DoInstall();
}

void TtbInstaller::RestoreEnvironment(const platform::Platform& platform, SetupRun& run) {
    std::string& saved = run.savedCacheFolder;
    if (saved.empty()) return;
    // Flushed to the disk: this is the user's own cache folder coming back. Were it lost, the next
    // start would read the program's folder as the user's and hand the engine's default folder back
    // instead. Only the first restore of a run changes anything; the later ones write nothing.
    platform::Registry& registry = platform.registry;
    registry.ChangeTogether(RootKey::CurrentUser, platform::Durability::Durable, [&] {
        if (auto key = OpenForWriting(registry, RootKey::CurrentUser, kShellFolders)) {
            // A start after a run that never restored read our own folder: give the user the engine's
            // default folder instead of keeping ours.
            if (saved == ProgramCacheFolder(platform.environment)) saved = platform.environment.WebCacheFolder();
            key->WriteString("Cache", saved);
        }
        if (auto key = OpenForWriting(registry, RootKey::CurrentUser, kInternetSettings))
            key->WriteDWord("SyncMode5", 4);
    });
}

TtbInstaller::TtbInstaller(const platform::Platform& platform, TtsCustomLog& log, SetupRun& run, std::string url)
    : platform_(platform), log_(log), run_(run), FUrl(std::move(url)), FUrlKey(std::to_string(UrlHash(FUrl))) {}

TtsIni TtbInstaller::Settings() const {
    return TtsIni("", platform_.registry, [this](const std::string& text) { log_.LogError(text); });
}

void TtbInstaller::SetEnvironment() {
    // One write for each hive. The file is still flushed before it takes the hive's place (the hive
    // holds the setup records and settings besides these values), but not the folder: the values
    // are put back after the first download of this run and written again at every start, so a power
    // cut that loses this rename only brings back the hive as the last run left it, whole.
    const auto durability = platform::Durability::Atomic;
    platform::Registry& registry = platform_.registry;
    registry.ChangeTogether(RootKey::CurrentUser, durability, [&] {
        if (auto key = OpenForWriting(registry, RootKey::CurrentUser, kCacheSettings)) key->WriteDWord("Persistent", 1);
        if (auto key = OpenForWriting(registry, RootKey::CurrentUser, kInternetSettings))
            key->WriteDWord("SyncMode5", 0);
        if (auto key = OpenForWriting(registry, RootKey::CurrentUser, kShellFolders)) {
            run_.savedCacheFolder = GetUserCacheFolder();
            key->WriteString("Cache", ProgramCacheFolder(platform_.environment));
        }
    });
    registry.ChangeTogether(RootKey::LocalMachine, durability, [&] {
        if (auto key = OpenForWriting(registry, RootKey::LocalMachine, kMachineInternetSettings)) {
            key->WriteDWord("BypassSSLNoCacheCheck", 1);
        }
        if (auto key = OpenForWriting(registry, RootKey::LocalMachine, kExplorerMain))
            key->WriteDWord("TabProcGrowth", 0);
    });
}

std::string TtbInstaller::GetUserCacheFolder() {
    auto key = OpenForWriting(platform_.registry, RootKey::CurrentUser, kShellFolders);
    try {
        return key ? key->ReadString("Cache") : "";
    } catch (const platform::RegistryError& e) {
        // A value of another type is not a folder to give back: as if there were none.
        LogUnreadableSetting(log_, e);
        return "";
    }
}

std::string TtbInstaller::RecordedAddress() const {
    try {
        return Settings().ReadString(kUrlsSection, FUrlKey, "");
    } catch (const platform::RegistryError& e) {
        // Not a record of this address: the full setup writes it anew.
        LogUnreadableSetting(log_, e);
        return "";
    }
}

void TtbInstaller::CheckSetup() {
    if (SameText(RecordedAddress(), FUrl)) {
        Tolerate([&] { RefreshProgramCopy(); });
        Tolerate([&] { LoadIcon(); });
        Tolerate([&] { LoadMenuIni(); });
        return;
    }
    // Without its record the setup runs again at the next start.
    Tolerate([&] { DoInstall(); });
}

void TtbInstaller::DoInstall() {
    bool done = true;
    std::string copyFailure;
    {
        TfmInstall form(platform_.factory, platform_.app);
        form_ = &form;
        struct Forget {
            TfmInstall*& form;
            ~Forget() { form = nullptr; }
        } forget{form_};
        ShowStatus(form, "正在下载图标");
        done = DownloadIcon() && done;
        LoadIcon();
        ShowStatus(form, "正在下载菜单");
        done = DownloadMenu() && done;
        LoadMenuIni();
        ShowStatus(form, "正在创建桌面快捷方式");
        copyFailure = CreateShortcut();
    }
    // Said once the form is gone, which would cover the box.
    if (!copyFailure.empty())
        AppBoxes(platform_.boxes, platform_.app)
            .Info(Format("复制程序到“%s”失败：%s\n安装没有完成，下次启动时将重新安装。",
                         {ProgramCopyPath(platform_.environment), copyFailure}));
    // A setup that lacks a file it could not fetch, or the program copy, is done again at the next start.
    if (done && copyFailure.empty()) Settings().WriteString(kUrlsSection, FUrlKey, FUrl);
}

bool TtbInstaller::DownloadIcon() { return DownloadFile("TesraBrowser.ico", kIconFile); }

bool TtbInstaller::DownloadMenu() { return DownloadFile("TesraBrowserIni.txt", kMenuFile); }

bool TtbInstaller::DownloadFile(const std::string& remoteName, const std::string& localName) {
    const std::string address = GetSetupUrl() + remoteName;
    if (!curl_) curl_ = LoadCurl(platform_.environment);
    TtsHTTP http(*curl_);
    http.SetTimeouts(kSetupTimeouts);
    http.SetBodyLimit(localName == kIconFile ? kIconFileLimit : kSetupFileLimit);
    http.SetProxyResolver([this](const std::string& url) { return platform_.environment.ProxyFor(url); });
    if (form_) http.SetProgressor(std::make_shared<TInstallProgress>(*form_));
    try {
        std::string bytes;
        http.Get(address, bytes, 0);
        if (const std::string refusal = DownloadRefusal(platform_.drawing, localName, bytes); !refusal.empty())
            throw Exception(Format("接收“%s”失败，%s", {address, refusal}));
        // Replaced whole: a failed write (a full disk) leaves the earlier file as it was.
        platform_.environment.ReplaceFile(GetUrlFolder() + localName, bytes, platform::FileMode::Regular);
        return true;
    } catch (const std::exception& e) {
        log_.LogError(std::string("SSL Error:") + e.what());
        // A file that the server does not have is no failure: the application simply has none.
        return http.FileNotFound();
    }
}

std::string AppFolder(platform::Environment& environment) {
    const std::string folder = AppFolderPath(environment);
    ForceFolder(environment, folder);
    return folder;
}

std::string ProgramCopyPath(platform::Environment& environment) {
    return AppFolderPath(environment) + kProgramName + environment.ProgramFileSuffix();
}

std::string InstalledProgramPath(platform::Environment& environment) {
    const std::string folder = environment.PackageProgramFolder();
    return folder.empty() ? "" : FolderWithSlash(folder) + kProgramName + environment.ProgramFileSuffix();
}

std::string HandOverTarget(platform::Environment& environment, const std::string& running, const std::string& copy,
                           const std::string& installed) {
    if (installed.empty() || !environment.SameFile(running, copy) || environment.SameFile(running, installed) ||
        !FileExists(environment, installed))
        return "";
    try {
        return TtsVersionInfo(environment, installed).Version() > TtsVersionInfo(environment, running).Version()
                   ? installed
                   : "";
    } catch (const std::exception&) {
        return "";
    }
}

std::string TtbInstaller::GetAppFolder() const { return AppFolder(platform_.environment); }

std::string TtbInstaller::GetUrlFolder() const {
    const std::string folder = GetAppFolder() + FUrlKey + "/";
    ForceFolder(platform_.environment, folder);
    return folder;
}

void TtbInstaller::LoadIcon() {
    const std::string icon = GetUrlFolder() + kIconFile;
    // A file that is no picture leaves the program's icon as it is.
    if (FileExists(platform_.environment, icon)) platform_.app.SetIconFile(icon);
}

void TtbInstaller::LoadMenuIni() {
    run_.menu.reset();
    const std::string menu = GetUrlFolder() + kMenuFile;
    if (FileExists(platform_.environment, menu)) run_.menu = std::make_unique<TIniFile>(platform_.environment, menu);
}

void TtbInstaller::RefreshProgramCopy() {
    const std::string copy = ProgramCopyPath(platform_.environment);
    if (!FileExists(platform_.environment, copy)) return;
    std::array<std::int32_t, 4> copyVersion{};
    try {
        copyVersion = TtsVersionInfo(platform_.environment, copy).Version();
    } catch (const std::exception&) {
        // A copy without a readable version is refreshed like an older one.
    }
    if (copyVersion >= TtsVersionInfo(platform_.environment).Version() || IsFileRunning(platform_.environment, copy))
        return;
    CopyProgram(platform_.environment, log_, copy);
}

std::string TtbInstaller::CreateShortcut() {
    platform::Environment& environment = platform_.environment;
    const std::string target = ProgramCopyPath(environment);
    ForceFolder(environment, AppFolderPath(environment));
    // A running copy is never replaced; the shortcut then points at it as it is.
    const std::string copyFailure = IsFileRunning(environment, target) ? "" : CopyProgram(environment, log_, target);
    // A shortcut to a program that is not there would stay broken for good.
    if (!copyFailure.empty() && !FileExists(environment, target)) return copyFailure;
    std::string icon = GetUrlFolder() + kIconFile;
    if (!FileExists(environment, icon)) icon = target;
    std::string name = kDefaultShortcutName;
    if (run_.menu) name = run_.menu->ReadString("System", "IconName", kDefaultShortcutName);
    const std::string desktop = GetDesktopFolder(environment);
    // A desktop that cannot take the shortcut (missing and not to be made, read-only, full) costs the
    // shortcut only: the setup completes and is not repeated at every start.
    try {
        ForceFolder(environment, desktop);
        environment.CreateShellLink(desktop, ShortcutName(name), target, FUrl, icon);
    } catch (const std::exception& e) {
        log_.LogError(std::string("桌面快捷方式未能保存：") + e.what());
    }
    return copyFailure;
}

}  // namespace tesra
