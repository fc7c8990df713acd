#include "support/tbLog.h"

namespace tesra {

TbLog::TbLog(const platform::Platform& platform, LogIdentity identity)
    : trace_(platform.debug, platform.environment),
      log_(platform.environment, trace_),
      report_(platform, log_),
      crashes_(platform.environment, platform.focus, log_) {
    log_.SetIdentity(std::move(identity));
    crashes_.SetExceptionNotifyProc([this](const ExceptionRecord& record, int stage, bool& proceed) {
        report_.ExceptionHook(record, stage, proceed);
    });
    crashes_.Install(platform.app);
}

ErrorNotifyProc TbLog::ErrorNotify() {
    return [this](const std::string& text) { log_.LogError(text); };
}

}  // namespace tesra
