#include "support/tbLog.h"

#include "support/CrashReporting.h"

namespace tesra {

void InitializeTbLog(LogIdentity identity) {
    SetLogIdentity(std::move(identity));
    RegisterLogClass(LogClassOf<TtsLog>());
    InstallCrashReporting();
}

}  // namespace tesra
