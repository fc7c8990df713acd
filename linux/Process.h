#pragma once
// Starting other programs.

#include <string>
#include <vector>

#include "platform/Environment.h"

namespace tesra::platform {

// Starts the program arguments[0] (searched in the program path when it names no folder) with the
// other arguments and returns without waiting for it; the show command is ignored, X11 has none. True
// when the program was started. Any thread.
[[nodiscard]] bool StartProgram(const std::vector<std::string>& arguments, ShowCommand show);

}  // namespace tesra::platform
