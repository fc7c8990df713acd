#pragma once
// The program's log set-up, the first thing the program does once its platform services are set.

namespace tesra {

// Registers TtsLog as the log class (which installs the exception hook and the error-notification
// hook) and installs the crash-reporting layer: the handler guard and the last entry on a fatal
// fault. Calling it again keeps the log and takes the machine's identity and the log folder anew
// for the fault entry.
void InitializeTbLog();

}  // namespace tesra
