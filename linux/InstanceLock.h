#pragma once
// A lock named by a text, visible to every start of the program by the same user, held until the
// process ends.

#include <string>

#include "platform/Environment.h"

namespace tesra::platform {

// Takes the lock; HeldByAnother when another process holds it (the lock is then not taken).
[[nodiscard]] InstanceLock TakeInstanceLock(const std::string& name);

}  // namespace tesra::platform
