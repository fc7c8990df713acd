// The program file: sets up the Linux platform, then runs the entry.

#include <gtk/gtk.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "linux/BridgeRequests.h"
#include "linux/BridgeServer.h"
#include "linux/FileRegistry.h"
#include "linux/Folders.h"
#include "linux/GtkApp.h"
#include "linux/GtkCaptureUi.h"
#include "linux/GtkMessageBoxes.h"
#include "linux/GtkWindowSystem.h"
#include "linux/Leftovers.h"
#include "linux/LinuxEnvironment.h"
#include "linux/LinuxFactory.h"
#include "linux/LinuxNetworkIdentity.h"
#include "linux/LinuxNotifyIcons.h"
#include "linux/LinuxSystemInfo.h"
#include "linux/Portal.h"
#include "linux/PortalScreen.h"
#include "linux/SessionGuard.h"
#include "linux/SessionKind.h"
#include "linux/WebContext.h"
#include "linux/X11Screen.h"
#include "platform/HandlerGuard.h"
#include "platform/Platform.h"
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

using namespace tesra;

namespace {

EntryActions LinuxEntryActions(const platform::Platform& system) {
    EntryActions actions;
    actions.showAddressDialog = [] { return ShowAddressDialog(); };
    // Install mode is not guarded by the entry: its errors go to the general error handling.
    actions.install = [](const std::string& address) { platform::RunHandler([&] { TtbInstaller::Install(address); }); };
    actions.startup = [](const std::string& address) { TtbInstaller::Startup(address); };
    actions.restoreEnvironment = [] { TtbInstaller::RestoreEnvironment(); };
    actions.logStartFailure = [](const std::exception& cause) { LogStartFailure(cause); };
    actions.isAlreadyRunning = [] { return IsAlreadyRunning(); };
    actions.showInfo = [&system](const std::string& text) {
        const std::string title = system.app.Title();
        system.boxes.Show(text, title.empty() ? "系统提示" : title, platform::MB_ICONINFORMATION | platform::MB_OK);
    };
    actions.createMainWindowAndRun = [&system] {
        TfmMain main(system);
        main.FormShow();
        system.app.Run();
    };
    return actions;
}

// The end-of-session query goes to the message windows (the tray icon refuses it with a box); at the
// end of the session the icon goes, then the program.
std::unique_ptr<platform::SessionGuard> GuardSession(const platform::Platform& system) {
    platform::SessionEvents events;
    events.queryEnd = [&system] { return system.notifyIcons.QueryBroadcast({0, platform::WM_QUERYENDSESSION, 0, 0}); };
    events.refusal = [&system] { return EndSessionRefusal(system.app.Title()); };
    events.end = [&system] {
        system.notifyIcons.Broadcast({0, platform::WM_ENDSESSION, 1, 0});
        system.app.Halt();
    };
    return platform::StartSessionGuard(std::move(events));
}

// The registration is brought up to date on every start; its failure matters only when asked for.
void HandleServerSwitches(const AutomationSwitches& switches, const platform::Platform& system) {
    try {
        if (switches.unregisterServer) {
            UnregisterServer(system.registry);
        } else {
            RegisterServer(system.registry, platform::ProgramFile());
        }
    } catch (const std::exception& e) {
        if (switches.registerServer || switches.unregisterServer) ShowError(e.what());
    }
    if (switches.registerServer || switches.unregisterServer) system.app.Halt();
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

// What earlier runs left when they were killed while writing: never a file that a running writer holds.
void RemoveLeftoversOfEarlierRuns(platform::Environment& environment) {
    const platform::FileRegistry::Locations hives = platform::FileRegistry::DefaultLocations();
    for (const std::string& folder : {FolderOf(hives.userHive), FolderOf(hives.machineHive),
                                      FolderOf(ProgramCopyPath(environment)), platform::RuntimeFolder()}) {
        platform::RemoveStaleTemporaries(folder);
    }
    platform::RemoveStaleTemporaries(platform::DesktopFolder(), true);
}

}  // namespace

int main(int argc, char** argv) {
    platform::LinuxEnvironment environment;
    // A per-user copy older than the installed program runs that one instead, which refreshes it.
    const std::string newer =
        HandOverTarget(environment.ProgramFile(), ProgramCopyPath(environment), InstalledProgramPath(environment));
    if (!newer.empty()) execv(newer.c_str(), argv);
    std::setlocale(LC_ALL, "");
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "TesraBrowser: cannot open the display\n");
        return 1;
    }
    platform::GtkApp app;
    platform::GtkMessageBoxes boxes;
    platform::GtkWindowSystem windows;
    platform::LinuxNetworkIdentity network;
    platform::LinuxSystemInfo systemInfo;
    platform::FileRegistry registry;
    // A Wayland session reaches hot keys and the screen through the desktop portals.
    const platform::SessionKind session = platform::CurrentSession();
    const bool wayland = session == platform::SessionKind::Wayland;
    std::unique_ptr<platform::Screen> screen;
    if (wayland) {
        screen = std::make_unique<platform::PortalScreen>(platform::PortalBus());
    } else {
        screen = std::make_unique<platform::X11Screen>();
    }
    platform::GtkCaptureUi captureUi(wayland);
    platform::LinuxNotifyIconHost notifyIcons;
    platform::LinuxFactory factory(session, [](const std::string& text) { ShowInfo(text); });
    platform::Platform real{environment, app,     boxes,      registry,    *screen, windows,
                            captureUi,   network, systemInfo, notifyIcons, factory};
    const platform::DefaultPlatform asDefault(real);

    InitializeTbLog(MachineLogIdentity());

    std::vector<std::string> args(argv + 1, argv + argc);
    AutomationSwitches switches = ParseAutomationSwitches(args);
    HandleServerSwitches(switches, real);

    app.SetTitle(kApplicationTitle);
    // Sockets, the instance lock and the page bridge's library live there: a folder that someone else
    // could change is never used.
    if (std::string fault = platform::CheckRuntimeFolder(); !fault.empty()) {
        ShowError(fault);
        LogStartFailure(Exception(fault));
        return 1;
    }
    RemoveLeftoversOfEarlierRuns(environment);
    ProgramServices services(switches.automation, app, registry);
    platform::BridgeServer bridge;
    // Without the socket the pages still show; their calls to the program fail with a message.
    static_cast<void>(bridge.Listen());
    platform::ServeBridgeRequests(bridge, services, [] { return StartAddress; });
    platform::ConfigureWebContext({BrowserCacheFolder, bridge.SocketPath()});

    const std::unique_ptr<platform::SessionGuard> sessionGuard = GuardSession(real);
    // Made before the main window, so that Ctrl+Alt+T works for the whole run.
    TScreenCapture::Instance().SetHostFinder(
        [] { return TfmMain::Instance() ? &TfmMain::Instance()->Frame() : nullptr; });
    RunEntry(args, LinuxEntryActions(real));
    app.Halt();
}
