// The program file: sets up the Linux platform, then runs the entry.

#include <gtk/gtk.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "linux/BridgeServer.h"
#include "linux/Cursor.h"
#include "linux/DebugChannel.h"
#include "linux/FileRegistry.h"
#include "linux/FocusInfo.h"
#include "linux/Folders.h"
#include "linux/GtkApp.h"
#include "linux/GtkCaptureUi.h"
#include "linux/GtkMessageBoxes.h"
#include "linux/GtkWindowSystem.h"
#include "linux/Leftovers.h"
#include "linux/LinuxDrawing.h"
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
#include "platform/Platform.h"
#include "services/CaptureScreen.h"
#include "services/LogIdentity.h"
#include "setup/fuInstall.h"
#include "shell/ProgramServices.h"
#include "shell/TesraBrowser.h"
#include "shell/fuMain.h"
#include "support/FailureLog.h"
#include "support/tbLog.h"
#include "support/tsCommon.h"

using namespace tesra;

namespace {

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
    platform::LinuxDrawing drawing;
    // A per-user copy older than the installed program runs that one instead, which refreshes it.
    const std::string newer = HandOverTarget(environment, environment.ProgramFile(), ProgramCopyPath(environment),
                                             InstalledProgramPath(environment));
    if (!newer.empty()) execv(newer.c_str(), argv);
    std::setlocale(LC_ALL, "");
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "TesraBrowser: cannot open the display\n");
        return 1;
    }
    platform::GtkApp app;
    platform::GtkMessageBoxes boxes;
    CertificateQuestion certificates(boxes, app);
    platform::GtkWindowSystem windows(app, certificates);
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
    platform::LinuxNotifyIconHost notifyIcons(app.Guard());
    platform::LinuxFactory factory(app.Guard(), session,
                                   [&boxes, &app](const std::string& text) { AppBoxes(boxes, app).Info(text); });
    platform::GtkAppCursor cursor;
    platform::SocketDebugChannel debug;
    platform::GtkFocusInfo focus;
    platform::Platform real{environment, drawing,    app,         boxes,   registry, *screen, windows, captureUi,
                            network,     systemInfo, notifyIcons, factory, cursor,   debug,   focus};

    TbLog log(real, MachineLogIdentity(environment, network));
    registry.SetErrorNotify(log.ErrorNotify());

    std::vector<std::string> args(argv + 1, argv + argc);
    AutomationSwitches switches = ParseAutomationSwitches(args);
    HandleServerSwitches(switches, real);

    app.SetTitle(kApplicationTitle);
    if (!MayStartWithRuntimeFolder(platform::CheckRuntimeFolder(), boxes, app,
                                   [&log](const std::exception& cause) { LogStartFailure(log.Log(), cause); }))
        return 1;
    RemoveLeftoversOfEarlierRuns(environment);
    // Made before the main window, so that Ctrl+Alt+T works for the whole run.
    TScreenCapture capture(factory, *screen, captureUi);
    OpenWindow open;
    SetupRun setup;
    ProgramServices services(
        switches.automation, app, registry, environment, capture, [&open] { return open.window; },
        [&open] { return open.address; });
    platform::BridgeServer bridge(
        [&services](const std::string& name, GVariant* payload) { return services.Answer(name, payload); });
    // Without the socket the pages still show; their calls to the program fail with a message.
    static_cast<void>(bridge.Listen());
    platform::ConfigureWebContext({[&registry, &environment] { return BrowserCacheFolder(registry, environment); },
                                   bridge.SocketPath(), &log.Log()});

    const std::unique_ptr<platform::SessionGuard> sessionGuard =
        platform::StartSessionGuard(ProgramSessionEvents(real));
    capture.SetHostFinder([&open] { return open.window ? &open.window->Frame() : nullptr; });
    RunEntry(args, ProgramEntryActions(real, log, setup, capture, open));
    app.Halt();
}
