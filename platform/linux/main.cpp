// The program file: sets up the Linux platform, then runs the entry.

#include <gtk/gtk.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/HandlerGuard.h"
#include "platform/linux/BridgeRequests.h"
#include "platform/linux/BridgeServer.h"
#include "platform/linux/FileRegistry.h"
#include "platform/linux/Folders.h"
#include "platform/linux/GtkApp.h"
#include "platform/linux/GtkCaptureUi.h"
#include "platform/linux/GtkInputUrlView.h"
#include "platform/linux/GtkInstallForm.h"
#include "platform/linux/GtkMessageBoxes.h"
#include "platform/linux/GtkPopupMenu.h"
#include "platform/linux/GtkWindowSystem.h"
#include "platform/linux/LinuxEnvironment.h"
#include "platform/linux/LinuxNetworkIdentity.h"
#include "platform/linux/LinuxNotifyIcons.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/SessionGuard.h"
#include "platform/linux/WebContext.h"
#include "platform/linux/X11HotKeys.h"
#include "platform/linux/X11Screen.h"
#include "services/CaptureScreen.h"
#include "services/LogIdentity.h"
#include "services/ServerRegistration.h"
#include "setup/fuInstall.h"
#include "shell/TesraBrowser.h"
#include "shell/fuInputUrl.h"
#include "shell/fuMain.h"
#include "support/FailureLog.h"
#include "support/tbLog.h"
#include "support/tsCommon.h"
#include "support/tsTrayIcon.h"

namespace tesra::platform {
void InstallGlibTimers();
}

using namespace tesra;

namespace {

EntryActions LinuxEntryActions() {
    EntryActions actions;
    actions.showAddressDialog = [] { return ShowAddressDialog(); };
    // Install mode is not guarded by the entry: its errors go to the general error handling.
    actions.install = [](const std::string& address) { platform::RunHandler([&] { TtbInstaller::Install(address); }); };
    actions.startup = [](const std::string& address) { TtbInstaller::Startup(address); };
    actions.restoreEnvironment = [] { TtbInstaller::RestoreEnvironment(); };
    actions.logStartFailure = [](const std::exception& cause) { LogStartFailure(cause); };
    actions.isAlreadyRunning = [] { return IsAlreadyRunning(); };
    actions.showInfo = [](const std::string& text) {
        const std::string title = platform::App().Title();
        platform::Boxes().Show(text, title.empty() ? "系统提示" : title,
                               platform::MB_ICONINFORMATION | platform::MB_OK);
    };
    actions.createMainWindowAndRun = [] {
        TfmMain main(platform::Windows());
        main.FormShow();
        platform::App().Run();
    };
    return actions;
}

// The end-of-session query goes to the message windows (the tray icon refuses it with a box); at the
// end of the session the icon goes, then the program.
std::unique_ptr<platform::SessionGuard> GuardSession() {
    platform::SessionEvents events;
    events.queryEnd = [] { return platform::NotifyIcons().QueryBroadcast({0, platform::WM_QUERYENDSESSION, 0, 0}); };
    events.refusal = [] { return EndSessionRefusal(platform::App().Title()); };
    events.end = [] {
        platform::NotifyIcons().Broadcast({0, platform::WM_ENDSESSION, 1, 0});
        platform::App().Halt();
    };
    return platform::StartSessionGuard(std::move(events));
}

// The registration is brought up to date on every start; its failure matters only when asked for.
void HandleServerSwitches(const AutomationSwitches& switches) {
    try {
        if (switches.unregisterServer) {
            UnregisterServer();
        } else {
            RegisterServer(platform::ProgramFile());
        }
    } catch (const std::exception& e) {
        if (switches.registerServer || switches.unregisterServer) ShowError(e.what());
    }
    if (switches.registerServer || switches.unregisterServer) platform::App().Halt();
}

}  // namespace

int main(int argc, char** argv) {
    platform::LinuxEnvironment environment;
    platform::SetEnvironment(&environment);
    // A per-user copy older than the installed program runs that one instead, which refreshes it.
    const std::string newer = HandOverTarget(platform::ProgramFile(), ProgramCopyPath(), InstalledProgramPath());
    if (!newer.empty()) execv(newer.c_str(), argv);
    std::setlocale(LC_ALL, "");
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "TesraBrowser: cannot open the display\n");
        return 1;
    }
    platform::GtkApp app;
    platform::SetApp(&app);
    platform::GtkMessageBoxes boxes;
    platform::SetBoxes(&boxes);
    platform::InstallGlibTimers();
    platform::GtkWindowSystem windows;
    platform::SetWindows(&windows);
    platform::LinuxNetworkIdentity network;
    platform::SetNetwork(&network);
    platform::LinuxSystemInfo systemInfo;
    platform::SetSystemInformation(&systemInfo);
    platform::FileRegistry registry;
    platform::SetRegistry(&registry);
    platform::X11Screen screen;
    platform::SetScreen(&screen);
    platform::GtkCaptureUi captureUi;
    platform::SetCaptureUi(&captureUi);
    platform::SetHotKeysFactory(platform::MakeX11HotKeys);
    platform::LinuxNotifyIconHost notifyIcons;
    platform::SetNotifyIcons(&notifyIcons);
    platform::SetPopupMenuFactory(platform::MakeGtkPopupMenu);

    InitializeTbLog(MachineLogIdentity());
    platform::SetInstallFormFactory([] { return std::make_unique<platform::GtkInstallForm>(); });
    platform::SetInputUrlViewFactory([] { return std::make_unique<platform::GtkInputUrlView>(); });

    std::vector<std::string> args(argv + 1, argv + argc);
    AutomationSwitches switches = ParseAutomationSwitches(args);
    HandleServerSwitches(switches);

    app.SetTitle(kApplicationTitle);
    // Sockets, the instance lock and the page bridge's library live there: a folder that someone else
    // could change is never used.
    if (std::string fault = platform::CheckRuntimeFolder(); !fault.empty()) {
        ShowError(fault);
        LogStartFailure(Exception(fault));
        return 1;
    }
    ProgramServices services(switches.automation);
    platform::BridgeServer bridge;
    bridge.Listen();
    platform::ServeBridgeRequests(bridge, services, [] { return StartAddress; });
    platform::ConfigureWebContext({BrowserCacheFolder, bridge.SocketPath()});

    const std::unique_ptr<platform::SessionGuard> sessionGuard = GuardSession();
    // Made before the main window, so that Ctrl+Alt+T works for the whole run.
    TScreenCapture::Instance().SetHostFinder(
        [] { return TfmMain::Instance() ? &TfmMain::Instance()->Frame() : nullptr; });
    RunEntry(args, LinuxEntryActions());
    app.Halt();
}
