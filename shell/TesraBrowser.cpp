#include "shell/TesraBrowser.h"

#include <exception>
#include <optional>

#include "platform/Application.h"
#include "platform/Environment.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "support/Address.h"
#include "support/tsCommon.h"

namespace tesra {

std::string StartAddress;

namespace {

// The address of the command line in its one URI form as StartAddress; a refused one is said in the
// start's message box before anything is made.
bool TakeAddress(const std::string& address, const EntryActions& actions) {
    const std::optional<std::string> uri = AddressUri(address);
    if (!uri) {
        actions.showInfo(kNetworkError);
        return false;
    }
    StartAddress = *uri;
    return true;
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
    switch (decision.action) {
    case Action::Nothing:
        return;
    case Action::Install:
        if (!TakeAddress(decision.address, actions)) return;
        actions.install(StartAddress);
        return;
    case Action::AskAddress:
        if (!actions.showAddressDialog()) return;
        break;
    case Action::Run:
        if (!TakeAddress(decision.address, actions)) return;
        break;
    }
    try {
        if (actions.isAlreadyRunning()) return;
        actions.startup(StartAddress);
        actions.createMainWindowAndRun();
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

bool IsAlreadyRunning() {
    if (platform::Default().environment.TakeInstanceLock(platform::Default().app.Title()) ==
        platform::InstanceLock::Taken)
        return false;
    platform::Default().boxes.Show("程序已经运行", "提示", platform::MB_ICONINFORMATION | platform::MB_OK);
    return true;
}

}  // namespace tesra
