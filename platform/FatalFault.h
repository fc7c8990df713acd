#pragma once
// The last moment of a process that dies from a fatal fault: invalid memory access, bus error,
// arithmetic fault, illegal instruction or abort.

#include <cstddef>
#include <string>

namespace tesra::platform {

enum class FatalFault { AccessViolation, BusError, ArithmeticFault, IllegalInstruction, Abort };
inline constexpr int kFatalFaultCount = 5;

struct LocalTime {
    int year, month, day, hour, minute, second;
};

// Runs on the faulting thread, once per process, with the process in an unknown state: it may only
// use memory prepared beforehand and AppendForFault. The process then ends as the fault demands.
// context is what the handler was armed with.
using FatalFaultProc = void (*)(void* context, FatalFault fault, const LocalTime& now);

// Arms the handler for every fatal fault (null disarms). Call from the user-interface thread at start.
void SetFatalFaultHandler(FatalFaultProc proc, void* context);

// For FatalFaultProc: appends data to the file at path (created when missing), putting header first
// when the file is empty. Allocates nothing. True when everything was written.
bool AppendForFault(const char* path, const char* header, std::size_t headerSize, const char* data,
                    std::size_t dataSize);

// The platform's short name of a fault ("SIGSEGV" on Linux) and its description ("Segmentation
// fault"); not for the fault handler itself.
const char* FatalFaultName(FatalFault fault);
std::string FatalFaultDescription(FatalFault fault);

}  // namespace tesra::platform
