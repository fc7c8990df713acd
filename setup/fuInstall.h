#pragma once
// The installer: the browser environment settings of each start and their restore, and the
// per-address setup. Its class-level entries are how the rest of the program reaches both.
//
// At each normal start the program points the web engine's cache at a folder of its own, keeps the
// cache when the browser closes, turns the check for newer versions of stored pages off, lets pages
// fetched over SSL be cached and keeps tabs in the hosting process (five registry values, each
// written only where its key opens with full access). Later it puts the user's cache folder and the
// freshness check back.
//
// Each address gets a one-time setup: the icon and the menu file from the application's "/setup/"
// folder, a per-user copy of the program and a desktop shortcut that starts the copy with the
// address. The address is then recorded in the settings store, so that later starts with it only
// load the icon and the menu file that are on disk.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "setup/tsHTTP.h"
#include "setup/tsIni.h"
#include "support/IniFile.h"

namespace tesra {

class TtsCustomLog;

namespace platform {
class Application;
class Environment;
class Factory;
class InstallForm;
class Registry;
struct Platform;
}  // namespace platform

// The settings store's section of the setup records: value name = the address key, data = the address.
extern const char kUrlsSection[];
// The name of the desktop shortcut when the menu file gives none.
extern const char kDefaultShortcutName[];

// What the setup leaves for the rest of the run; the entry keeps one, which the installer and the
// main window share.
struct SetupRun {
    // The current user's cache folder setting as it was read at this start: empty until
    // SetEnvironment has read one; never cleared while the program runs.
    std::string savedCacheFolder;
    // The downloaded menu file of the address; none until the installer loads one.
    std::unique_ptr<TIniFile> menu;
};

// The program's own cache folder: "TesraBrowserCache" in the user's cache folder.
std::string ProgramCacheFolder(platform::Environment& environment);

// The disk cache folder of a browser control being created: the user's "Cache" shell folder with
// %NAME% references expanded; the web engine's default folder when that is missing, unreadable or
// not an absolute path.
std::string BrowserCacheFolder(platform::Registry& registry, platform::Environment& environment);

// Replaces each %NAME% by the environment variable's value; a name that is not set stays as written.
std::string ExpandEnvironmentText(const std::string& text);

// The address's bytes in the system code page folded as value * 31 + byte, modulo 2^32, from 0:
// "abc" gives 96354. Letter case counts.
std::uint32_t UrlHash(const std::string& url);

// The application's setup folder: "setup/" beside the last segment of the address's path, resolved
// on the address's URI form (support/Address.h); "" for an address that is refused.
std::string SetupUrlOf(const std::string& url);

// A shortcut name that stays a plain file name in the desktop folder: path separators and control
// characters become "_", leading dots and blanks go, the length is bounded; kDefaultShortcutName
// when nothing is left.
std::string ShortcutName(const std::string& iconName);

// Whether a running process was started from this program file (names compared ignoring case).
bool IsFileRunning(platform::Environment& environment, const std::string& path);

// The application folder: local application data + "Kestal/TesraBrowser/", created when missing.
// It holds the per-user copy of the program and one folder per address.
std::string AppFolder(platform::Environment& environment);
// The per-user copy's path in the application folder (nothing is created).
std::string ProgramCopyPath(platform::Environment& environment);
// The installed program's path in the package's folder; "" where there is none.
std::string InstalledProgramPath(platform::Environment& environment);

// The program that a start of the running program file runs instead: the installed program, when
// the running file is the per-user copy and the installed program is a newer version (one whose
// version cannot be read is not); "" otherwise. The installed program then refreshes the copy, so
// that a package upgrade reaches the desktop shortcuts at their next start.
std::string HandOverTarget(platform::Environment& environment, const std::string& running, const std::string& copy,
                           const std::string& installed);

class TfmInstall;

// Keeps the progress form painted while a download blocks the thread, and shows what goes on: the
// step with the connection state, painted as soon as it changes, or the bytes received so far.
class TInstallProgress : public ItsDualProgressor {
public:
    explicit TInstallProgress(TfmInstall& form) : form_(form) {}
    int GetMax() override { return max_; }
    int GetPosition() override { return position_; }
    void SetMax(int max) override { max_ = max; }
    void SetPosition(int position) override;
    void SetText(const std::string& text) override;
    void Start() override { position_ = 0; }
    void Finish() override {}

private:
    void Show(const std::string& detail);

    TfmInstall& form_;
    std::chrono::steady_clock::time_point shown_{};
    int max_ = 0;
    int position_ = 0;
};

// The progress form of the full setup: on the screen while the object lives. The application runs
// its events while a step blocks.
class TfmInstall {
public:
    TfmInstall(platform::Factory& factory, platform::Application& app);
    ~TfmInstall();
    TfmInstall(const TfmInstall&) = delete;
    TfmInstall& operator=(const TfmInstall&) = delete;

    platform::InstallForm& Form() { return *form_; }
    platform::Application& App() { return app_; }
    // The status last given by ShowStatus, without its "...".
    const std::string& Step() const { return step_; }
    void SetStep(std::string step) { step_ = std::move(step); }

private:
    std::unique_ptr<platform::InstallForm> form_;
    platform::Application& app_;
    std::string step_;
};

// Sets the form's status to text + "..." and lets the program paint it before the work goes on.
void ShowStatus(TfmInstall& form, const std::string& text);

// A setup download gives up when it cannot connect within 15 s, when no byte comes for 30 s, and at
// the latest after 60 s, so that a server that trickles cannot hold the start for long.
extern const TtsHTTP::Timeouts kSetupTimeouts;
// No icon or menu file needs more: a longer answer is refused.
constexpr std::int64_t kSetupFileLimit = 16 * 1024 * 1024;

// The client log's one entry for the writes that a start could not do: "启动时未能保存，下次启动时重试："
// and the causes, separated by "；"; "" when there were none.
std::string StartWriteFailures(const std::vector<std::string>& causes);

class TtbInstaller {
public:
    // Every normal start, before the main window: SetEnvironment, then CheckSetup. The page needs none
    // of their writes: one that fails (a full disk, a data or settings folder that cannot be made)
    // leaves the rest of the start to go on, is done again at the next start, and all of them are
    // said once in the client log (see StartWriteFailures).
    static void Startup(const platform::Platform& platform, TtsCustomLog& log, SetupRun& run, const std::string& url);
    // Install mode: the full setup for the address, without touching the environment settings.
    static void Install(const platform::Platform& platform, TtsCustomLog& log, SetupRun& run, const std::string& url);
    // Puts the user's cache folder and the freshness check back, in one change; nothing when the
    // run's saved cache folder is empty. Run after every completed download, and before the program
    // gives up on a start.
    static void RestoreEnvironment(const platform::Platform& platform, SetupRun& run);

    // The platform, the log (which the failures go to) and the run outlive the installer.
    TtbInstaller(const platform::Platform& platform, TtsCustomLog& log, SetupRun& run, std::string url);

    // Writes the five values in their order, skipping a key that does not open with full access;
    // each hive's values in one change. A write that fails on a key that did open throws
    // platform::RegistryError; the values before it are kept.
    void SetEnvironment();
    // The user's "Cache" shell folder value, unexpanded; "" when the value or its key is missing, and
    // when the value cannot be read as text (the client log names it).
    std::string GetUserCacheFolder();
    // The address recorded for this address key; "" when there is none, and when the record cannot
    // be read as text (the client log names it).
    std::string RecordedAddress() const;

    // A start with an address recorded before (ignoring letter case) refreshes an outdated
    // per-user copy and loads the icon and the menu file from the address folder; any other runs
    // DoInstall.
    void CheckSetup();
    // The full setup with its progress form: icon, menu file, shortcut, and the setup record only
    // when each file was stored (or the server has none) and the program copy is there, so that a
    // setup that could not fetch a file or copy the program is done again at the next start. Neither
    // stops the setup; a failed copy is said in a box once the form is gone.
    void DoInstall();

    // A setup file into the address folder, through the route that the web view takes and following
    // redirections; it replaces the earlier file only when it reads as what it should be (an icon
    // of icon size, a menu file). A failure goes to the error notification ("SSL Error:" and the
    // message) and leaves the earlier file as it was. True when the file was stored, or the server
    // has none (404).
    bool DownloadIcon();
    bool DownloadMenu();
    bool DownloadFile(const std::string& remoteName, const std::string& localName);
    std::string GetSetupUrl() const { return SetupUrlOf(FUrl); }
    // AppFolder() and the address folder below it (FUrlKey + "/"), each created when missing.
    std::string GetAppFolder() const;
    std::string GetUrlFolder() const;
    // The downloaded icon as the program's icon; a file that is no picture is ignored.
    void LoadIcon();
    // The run's menu file: the downloaded one, or none.
    void LoadMenuIni();
    // The per-user copy of the program (unless that copy runs) and the desktop shortcut that starts
    // it with the address, made only when the copy is there. A copy or a shortcut that cannot be
    // saved goes to the error notification with its cause; the setup goes on. The copy's failure is
    // given back ("" when the copy is there).
    std::string CreateShortcut();
    // The per-user copy, replaced by the running program when the copy is an older version (one
    // whose version cannot be read counts as older) and does not run. Without it a package upgrade
    // would never reach the desktop shortcuts, since a set-up address never copies again.
    void RefreshProgramCopy();

    const std::string& UrlKey() const { return FUrlKey; }

private:
    // Runs a step of the start whose failure the page can do without; the failure is kept.
    template <typename Step>
    void Tolerate(Step step);
    // The settings store, which reports to the log.
    TtsIni Settings() const;

    const platform::Platform& platform_;
    TtsCustomLog& log_;
    SetupRun& run_;
    std::string FUrl;
    std::string FUrlKey;
    std::vector<std::string> failures_;
    // Loaded with the first download.
    std::optional<CurlLibrary> curl_;
    // The progress form while DoInstall runs, which the downloads keep painted.
    TfmInstall* form_ = nullptr;
};

}  // namespace tesra
