#pragma once
// The crash-reporting layer: every exception that an event handler lets escape, and every fatal
// fault, ends here. The layer announces each step of its processing to one exception-notification
// procedure (the client log's exception hook), which decides whether the step is carried out.

#include <exception>
#include <functional>
#include <string>

#include "platform/HandlerGuard.h"

namespace tesra {

// What the layer hands to the notification procedure.
struct ExceptionRecord {
    const std::exception* object = nullptr;  // null for a thrown object that is no std::exception
    std::string reportText;                  // the layer's own text about it; may be empty
};

// Stage codes announced to the notification procedure.
enum ExceptionStage : int {
    kStageShowDialog = 0,  // before the layer reports the exception itself
    kStageSaveLog = 2,     // before the layer saves its own log
    kStageSaved = 3,       // after that
};

// Set before each announcement; the layer carries out the step only while proceed is still set.
using ExceptionNotifyProc = std::function<void(const ExceptionRecord& record, int stage, bool& proceed)>;
void SetExceptionNotifyProc(ExceptionNotifyProc proc);

// Runs the current exception (call inside a catch block) through the layer. tesra::SilentAbort
// ends quietly: no message, no log.
void HandleCurrentException();

// The handler guard: runs the handler and hands what escapes it to HandleCurrentException.
void GuardHandler(const platform::Handler& handler);

// Installs the handler guard and, for fatal faults, one last entry in the client log. Call once
// at start, after the platform services are set and the log class is registered; a second call
// prepares the fault entry anew.
void InstallCrashReporting();

}  // namespace tesra
