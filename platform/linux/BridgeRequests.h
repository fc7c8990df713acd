#pragma once
// Serves the requests of the web processes with the program's services.

#include "platform/linux/BridgeServer.h"
#include "shell/ProgramServices.h"

namespace tesra::platform {

void ServeBridgeRequests(BridgeServer& server, ProgramServices& services);

}  // namespace tesra::platform
