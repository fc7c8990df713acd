#pragma once
// The program's log set-up: the client log, its debug trace, the exception report and the
// crash-reporting layer of one run, made once by the entry as soon as the platform stands.

#include "platform/Platform.h"
#include "support/CrashReporting.h"
#include "support/tsCommon.h"
#include "support/tsException.h"
#include "support/tsLog.h"

namespace tesra {

// Names the identity in every entry, puts the exception report behind the crash-reporting layer and
// installs that layer on the application: the handler guard and the last entry on a fatal fault. The
// platform outlives the object; destroying it disarms the layer.
class TbLog {
public:
    TbLog(const platform::Platform& platform, LogIdentity identity);

    TtsCustomLog& Log() { return log_; }
    DebugTracer& Trace() { return trace_; }
    ExceptionReport& Report() { return report_; }
    CrashReporter& Crashes() { return crashes_; }
    // LogError on the client log, for the units that report an error they go on without.
    ErrorNotifyProc ErrorNotify();

private:
    DebugTracer trace_;
    TtsLog log_;
    ExceptionReport report_;
    CrashReporter crashes_;
};

}  // namespace tesra
