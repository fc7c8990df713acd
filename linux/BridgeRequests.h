#pragma once
// Serves the requests of the web processes with the program's services.

#include <functional>
#include <string>

#include "linux/BridgeServer.h"
#include "shell/ProgramServices.h"

namespace tesra::platform {

// startAddress: the web application's start address, asked when a web process says hello (it is
// decided after the server starts listening).
void ServeBridgeRequests(BridgeServer& server, ProgramServices& services, std::function<std::string()> startAddress);

}  // namespace tesra::platform
