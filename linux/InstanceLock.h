#pragma once
// A lock named by a text, visible to every start of the program by the same user, held until the
// process ends.

#include <string>

namespace tesra::platform {

// Takes the lock; true when it was already held by another process (the lock is then not taken).
bool InstanceLockExists(const std::string& name);

}  // namespace tesra::platform
