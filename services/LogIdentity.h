#pragma once
// The client log's identity of this machine: the program file's version, the computer name and the
// local address.

#include "platform/Environment.h"
#include "platform/NetworkIdentity.h"
#include "support/tsLog.h"

namespace tesra {

// The version is read once, here, through the environment; the host and the address are asked of
// the network anew for each entry, so the network outlives every entry written with this identity.
LogIdentity MachineLogIdentity(platform::Environment& environment, platform::NetworkIdentity& network);

}  // namespace tesra
