#include "shell/TesraBrowser.h"

#include <exception>
#include <optional>

#include "platform/Application.h"
#include "platform/Environment.h"
#include "platform/Exception.h"
#include "platform/HandlerGuard.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "services/ServerRegistration.h"
#include "setup/fuInstall.h"
#include "shell/fuInputUrl.h"
#include "shell/fuMain.h"
#include "support/Address.h"
#include "support/FailureLog.h"
#include "support/tsCommon.h"
#include "support/tsTrayIcon.h"

namespace tesra {

namespace {

// The address of the command line in its one URI form; a refused one is said in the start's message
// box before anything is made.
std::optional<std::string> TakeAddress(const std::string& address, const EntryActions& actions) {
    std::optional<std::string> uri = AddressUri(address);
    if (!uri) actions.showInfo(kNetworkError);
    return uri;
}

}  // namespace

StartDecision DecideStart(const std::vector<std::string>& args) {
    using Action = StartDecision::Action;
    if (args.empty()) return {Action::AskAddress, {}};
    if (args.size() == 2) {
        if (SameText(args[0], "-install")) return {Action::Install, args[1]};
        return {Action::Nothing, {}};
    }
    return {Action::Run, args[0]};
}

AutomationSwitches ParseAutomationSwitches(const std::vector<std::string>& args) {
    AutomationSwitches switches;
    for (const auto& arg : args) {
        if (arg.size() < 2 || (arg[0] != '-' && arg[0] != '/')) continue;
        std::string_view name = std::string_view(arg).substr(1);
        if (SameText(name, "regserver")) switches.registerServer = true;
        if (SameText(name, "unregserver")) switches.unregisterServer = true;
        if (SameText(name, "automation") || SameText(name, "embedding")) switches.automation = true;
    }
    return switches;
}

void RunEntry(const std::vector<std::string>& args, const EntryActions& actions) {
    using Action = StartDecision::Action;
    StartDecision decision = DecideStart(args);
    std::optional<std::string> address;
    switch (decision.action) {
    case Action::Nothing:
        return;
    case Action::Install:
        if (address = TakeAddress(decision.address, actions); address) actions.install(*address);
        return;
    case Action::AskAddress:
        address = actions.showAddressDialog();
        break;
    case Action::Run:
        address = TakeAddress(decision.address, actions);
        break;
    }
    if (!address) return;
    try {
        if (actions.isAlreadyRunning()) return;
        actions.startup(*address);
        actions.createMainWindowAndRun(*address);
    } catch (const std::exception& cause) {
        // The one network message, with the real cause on a second line; the log gets the cause too.
        actions.logStartFailure(cause);
        try {
            actions.restoreEnvironment();
        } catch (const std::exception& restoreFailure) {
            // What made the start fail (a full disk) may also stop the restore; the message still comes.
            actions.logStartFailure(restoreFailure);
        }
        actions.showInfo(std::string(kNetworkError) + "\n" + cause.what());
    }
}

EntryActions ProgramEntryActions(const platform::Platform& system, TbLog& log, SetupRun& run, TScreenCapture& capture,
                                 OpenWindow& open) {
    EntryActions actions;
    actions.showAddressDialog = [&system] {
        return ShowAddressDialog(system.factory, system.environment, AppBoxes(system.boxes, system.app));
    };
    // Install mode is not guarded by the entry: its errors go to the general error handling.
    actions.install = [&system, &log, &run](const std::string& address) {
        platform::RunGuarded(system.app.Guard(), [&] { TtbInstaller::Install(system, log.Log(), run, address); });
    };
    actions.startup = [&system, &log, &run](const std::string& address) {
        TtbInstaller::Startup(system, log.Log(), run, address);
    };
    actions.restoreEnvironment = [&system, &run] { TtbInstaller::RestoreEnvironment(system, run); };
    actions.logStartFailure = [&log](const std::exception& cause) { LogStartFailure(log.Log(), cause); };
    actions.isAlreadyRunning = [&system] { return IsAlreadyRunning(system.environment, system.app, system.boxes); };
    actions.showInfo = [&system](const std::string& text) { AppBoxes(system.boxes, system.app).Info(text); };
    actions.createMainWindowAndRun = [&system, &log, &run, &capture, &open](const std::string& address) {
        open.address = address;
        TfmMain main(system, log, run, capture, address);
        // Cleared however the run ends: a box of the failed start still runs events.
        const std::unique_ptr<TfmMain*, void (*)(TfmMain**)> opened(&open.window, [](TfmMain** w) { *w = nullptr; });
        open.window = &main;
        main.FormShow();
        system.app.Run();
    };
    return actions;
}

platform::SessionEvents ProgramSessionEvents(const platform::Platform& system) {
    platform::SessionEvents events;
    events.queryEnd = [&system] { return system.notifyIcons.QueryBroadcast({0, platform::WM_QUERYENDSESSION, 0, 0}); };
    events.refusal = [&system] { return EndSessionRefusal(system.app.Title()); };
    events.end = [&system] {
        system.notifyIcons.Broadcast({0, platform::WM_ENDSESSION, 1, 0});
        system.app.Halt();
    };
    return events;
}

void HandleServerSwitches(const AutomationSwitches& switches, const platform::Platform& system) {
    try {
        if (switches.unregisterServer) {
            UnregisterServer(system.registry);
        } else {
            RegisterServer(system.registry, system.environment.ProgramFile());
        }
    } catch (const std::exception& e) {
        if (switches.registerServer || switches.unregisterServer) AppBoxes(system.boxes, system.app).Error(e.what());
    }
    if (switches.registerServer || switches.unregisterServer) system.app.Halt();
}

bool MayStartWithRuntimeFolder(const std::string& fault, platform::MessageBoxes& boxes,
                               const platform::Application& app,
                               const std::function<void(const std::exception& cause)>& logStartFailure) {
    if (fault.empty()) return true;
    AppBoxes(boxes, app).Error(fault);
    logStartFailure(Exception(fault));
    return false;
}

bool IsAlreadyRunning(platform::Environment& environment, const platform::Application& app,
                      platform::MessageBoxes& boxes) {
    if (environment.TakeInstanceLock(app.Title()) == platform::InstanceLock::Taken) return false;
    boxes.Show("程序已经运行", "提示", platform::MB_ICONINFORMATION | platform::MB_OK);
    return true;
}

}  // namespace tesra
