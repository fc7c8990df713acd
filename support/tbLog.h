#pragma once
// The program's log set-up, the first thing the program does once its platform services are set.

#include "support/tsLog.h"

namespace tesra {

// Sets the identity that entries name, registers TtsLog as the log class (which installs the exception
// hook and the error-notification hook) and installs the crash-reporting layer: the handler guard and
// the last entry on a fatal fault. Calling it again keeps the log and takes the machine's identity and the log folder
// anew for the fault entry.
void InitializeTbLog(LogIdentity identity);

}  // namespace tesra
