#include "support/tbLog.h"

#include "support/CrashReporting.h"
#include "support/tsLog.h"

namespace tesra {

void InitializeTbLog() {
    RegisterLogClass(LogClassOf<TtsLog>());
    InstallCrashReporting();
}

}  // namespace tesra
