#pragma once
// The client log's identity of this machine: the program file's version, the computer name and the
// local address.

#include "support/tsLog.h"

namespace tesra {

// The version is read once, here; the host and the address are asked anew for each entry.
LogIdentity MachineLogIdentity();

}  // namespace tesra
