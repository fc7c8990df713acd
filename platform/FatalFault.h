#pragma once
// The last moment of a process that dies from a fatal fault: invalid memory access, bus error,
// arithmetic fault, illegal instruction or abort.

namespace tesra::platform {

enum class FatalFault { AccessViolation, BusError, ArithmeticFault, IllegalInstruction, Abort };
inline constexpr int kFatalFaultCount = 5;

struct LocalTime {
    int year, month, day, hour, minute, second;
};

// Runs on the faulting thread, once per process, with the process in an unknown state: it may only
// use memory prepared beforehand and Environment::AppendForFault. The process then ends as the fault
// demands. context is what the handler was armed with (Environment::SetFatalFaultHandler).
using FatalFaultProc = void (*)(void* context, FatalFault fault, const LocalTime& now);

}  // namespace tesra::platform
