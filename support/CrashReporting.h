#pragma once
// The crash-reporting layer: every exception that an event handler lets escape, and every fatal
// fault, ends here. The layer announces each step of its processing to one exception-notification
// procedure (the client log's exception hook), which decides whether the step is carried out.

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FatalFault.h"
#include "platform/HandlerGuard.h"

namespace tesra {

namespace platform {
class Application;
class Environment;
class FocusInfo;
}  // namespace platform
class TtsCustomLog;

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

// The last entries for fatal faults, serialised at start so that the fault handler only fills in
// the time and writes.
struct FaultEntries;

// The crash-reporting layer of one run. The environment, focus, log and the application it is
// installed on outlive it; destroying it disarms what Install armed.
class CrashReporter {
public:
    CrashReporter(platform::Environment& environment, platform::FocusInfo& focus, TtsCustomLog& log);
    ~CrashReporter();
    CrashReporter(const CrashReporter&) = delete;
    CrashReporter& operator=(const CrashReporter&) = delete;

    // The procedure that each step is announced to. Any thread.
    void SetExceptionNotifyProc(ExceptionNotifyProc proc);

    // Runs the current exception (call inside a catch block) through the layer. tesra::SilentAbort
    // ends quietly: no message, no log.
    void HandleCurrentException();

    // The handler guard: runs the handler and hands what escapes it to HandleCurrentException.
    void Guard(const platform::Handler& handler);

    // Makes this the application's handler guard and arms, for fatal faults, one last entry in the
    // client log. Call once the log names its identity; a second call prepares the fault entry anew.
    void Install(platform::Application& app);

private:
    ExceptionNotifyProc NotifyProc();
    void RunStages(const ExceptionRecord& record);
    void PrepareFaultEntries();
    static void WriteFaultEntry(void* context, platform::FatalFault fault, const platform::LocalTime& now);

    platform::Environment& environment_;
    platform::FocusInfo& focus_;
    TtsCustomLog& log_;
    platform::Application* app_ = nullptr;
    std::mutex notifyMutex_;
    ExceptionNotifyProc notify_;
    // Every set of entries stays while the layer does: the fault handler may be reading a replaced one.
    std::vector<std::unique_ptr<FaultEntries>> faultEntries_;
    std::atomic<FaultEntries*> current_{nullptr};
};

}  // namespace tesra
