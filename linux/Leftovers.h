#pragma once
// What a run leaves behind when it ends without its own clean-up (a signal, kill -9, a crash, a power
// cut): its page bridge socket and the hidden temporaries of its file writes. Each run removes its socket
// at every exit it lives through, and removes at start what earlier runs left, never what a running
// process still uses.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesra::platform {

// The process id in a page bridge socket's name ("bridge-<pid>.sock"); none for any other name.
std::optional<pid_t> BridgeSocketPid(std::string_view name);
// Whether the name is that of a hidden temporary of the program's file writer: "." + the name of the
// file written + "." + six letters or digits. desktopOnly: only of a desktop entry ("….desktop").
bool IsWriterTemporary(std::string_view name, bool desktopOnly = false);

// The writer's mark on a temporary it is writing: a lock that lives as long as the writer holds fd.
// Returns false when the file was removed meanwhile as a leftover: the writer then makes a new one.
bool MarkTemporaryInUse(int fd);

// Removes from the folder the bridge sockets whose process is gone.
void RemoveStaleBridgeSockets(const std::string& folder);
// Removes from the folder, and from the folders directly in it, the writer temporaries that no
// writer holds. desktopOnly: only the temporaries of desktop entries, in the folder itself.
void RemoveStaleTemporaries(const std::string& folder, bool desktopOnly = false);

// Removes path at every exit of the process that runs code: through Halt or exit, a fatal fault or
// a termination signal (SIGTERM, SIGINT, SIGHUP, SIGQUIT), whose default action then goes on.
void RemoveAtExit(const std::string& path);
// Removes those paths now. Async-signal-safe.
void RemoveExitFiles();

}  // namespace tesra::platform
