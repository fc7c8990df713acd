#pragma once
// The program's entry: the command line decides between install mode, the address dialog and a run.

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/SessionEvents.h"

namespace tesra {

namespace platform {
class Application;
class Environment;
class MessageBoxes;
}  // namespace platform

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
    // The address that the user confirmed, in its one URI form; none when the dialog was left.
    std::function<std::optional<std::string>()> showAddressDialog;
    std::function<bool()> isAlreadyRunning;
    std::function<void(const std::string& address)> install;
    std::function<void(const std::string& address)> startup;
    std::function<void()> restoreEnvironment;
    // Keeps the real cause of a failed start (the user sees only the network message).
    std::function<void(const std::exception& cause)> logStartFailure;
    std::function<void(const std::string& address)> createMainWindowAndRun;
    std::function<void(const std::string& text)> showInfo;
};

// Runs the entry's steps after the title is set; the caller then halts the process (exit code 0).
void RunEntry(const std::vector<std::string>& args, const EntryActions& actions);
class TfmMain;
class TScreenCapture;
class TbLog;
struct SetupRun;

// The main window while it is open, and the address it was opened with: what outlives the window (the
// scripting object's services, the capture) reaches it through this.
struct OpenWindow {
    TfmMain* window = nullptr;
    std::string address;
};

// The entry's actions on the program's own units and the platform's objects; the window opened is
// kept in open while it runs. Everything given outlives the actions.
EntryActions ProgramEntryActions(const platform::Platform& system, TbLog& log, SetupRun& run, TScreenCapture& capture,
                                 OpenWindow& open);

// The end-of-session query goes to the message windows (the tray icon refuses it with a box); at the
// end of the session the icon goes, then the program.
platform::SessionEvents ProgramSessionEvents(const platform::Platform& system);

// The registration is brought up to date on every start; its failure matters only when asked for.
// After "REGSERVER" or "UNREGSERVER" the program ends.
void HandleServerSwitches(const AutomationSwitches& switches, const platform::Platform& system);

// A runtime folder that may not be used ends the start: its fault (CheckRuntimeFolder's message) is
// shown in an error box and kept in the log. True when there is none and the start goes on.
bool MayStartWithRuntimeFolder(const std::string& fault, platform::MessageBoxes& boxes,
                               const platform::Application& app,
                               const std::function<void(const std::exception& cause)>& logStartFailure);

// Creates the instance lock named by the application title; shows "程序已经运行" and answers true when
// another copy holds it.
bool IsAlreadyRunning(platform::Environment& environment, const platform::Application& app,
                      platform::MessageBoxes& boxes);

}  // namespace tesra
