#pragma once
// Whether a folder may serve as the runtime folder, where the sockets, the instance lock and the page
// bridge's library live: a folder that someone else could change is never used.

#include <string>

namespace tesra {

// What the file system says of the folder.
struct RuntimeFolderState {
    std::string unreadable;  // why the folder could not be looked at; empty when it could
    bool link = false;
    bool folder = false;
    bool own = false;                  // owned by the user who runs the program
    unsigned mode = 0;                 // the permission bits (07777)
    std::string fileSystemUnreadable;  // why its file system could not be looked at; empty when it could
    bool noexec = false;               // its file system is mounted without the right to run programs
};

// Why the folder may not serve: not there, a symbolic link, not a folder, another user's, open to
// anyone but its owner, or on a file system that runs no programs; empty when it may.
std::string RuntimeFolderFaultOf(const RuntimeFolderState& state);

// The message that ends the start when the folder may not serve.
std::string RuntimeFolderMessage(const std::string& folder, const std::string& fault);

}  // namespace tesra
