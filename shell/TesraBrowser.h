#pragma once
// The program's entry: the command line decides between install mode, the address dialog and a run.

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/SessionEvents.h"

namespace tesra {

// The web application address of this run.
extern std::string StartAddress;

constexpr char kApplicationTitle[] = "蓝岸浏览器";
// The message of a start that failed, and of an address that is refused.
constexpr char kNetworkError[] = "网络出错：请检查网络是否正常或输入的网址是否正确！";

struct StartDecision {
    enum class Action { AskAddress, Install, Nothing, Run };
    Action action = Action::Nothing;
    std::string address;
};

// The command-line table; the arguments exclude the program name.
StartDecision DecideStart(const std::vector<std::string>& args);

struct AutomationSwitches {
    bool registerServer = false;    // "REGSERVER": register, then end
    bool unregisterServer = false;  // "UNREGSERVER": remove the registration, then end
    bool automation = false;        // "AUTOMATION" or "EMBEDDING": started by the component system
};

// Looks for the switches among all arguments, with a leading "-" or "/", in any case.
AutomationSwitches ParseAutomationSwitches(const std::vector<std::string>& args);

// What the entry does, so that the entry's rules are tested with fakes.
struct EntryActions {
    std::function<bool()> showAddressDialog;  // true when an address was confirmed into StartAddress
    std::function<bool()> isAlreadyRunning;
    std::function<void(const std::string& address)> install;
    std::function<void(const std::string& address)> startup;
    std::function<void()> restoreEnvironment;
    // Keeps the real cause of a failed start (the user sees only the network message).
    std::function<void(const std::exception& cause)> logStartFailure;
    std::function<void()> createMainWindowAndRun;
    std::function<void(const std::string& text)> showInfo;
};

// Runs the entry's steps after the title is set; the caller then halts the process (exit code 0).
void RunEntry(const std::vector<std::string>& args, const EntryActions& actions);
// The entry's actions on the program's own units and the platform's objects.
EntryActions ProgramEntryActions(const platform::Platform& system);

// The end-of-session query goes to the message windows (the tray icon refuses it with a box); at the
// end of the session the icon goes, then the program.
platform::SessionEvents ProgramSessionEvents(const platform::Platform& system);

// The registration is brought up to date on every start; its failure matters only when asked for.
// After "REGSERVER" or "UNREGSERVER" the program ends.
void HandleServerSwitches(const AutomationSwitches& switches, const platform::Platform& system);

// Creates the instance lock named by the application title; shows "程序已经运行" and answers true when
// another copy holds it.
bool IsAlreadyRunning();

}  // namespace tesra
