#pragma once
// Starting other programs.

#include <string>
#include <vector>

namespace tesra::platform {

// Starts the program arguments[0] (searched in the program path when it names no folder) with the
// other arguments and returns without waiting for it. showCommand is the classic show state of the
// new program's first window; platforms without one ignore it. True when the program was started.
// Any thread.
bool StartProgram(const std::vector<std::string>& arguments, int showCommand);

}  // namespace tesra::platform
