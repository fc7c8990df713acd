#pragma once
// The desktop's waste basket.

#include <string>

namespace tesra::platform {

// Moves the file or folder into the user's trash, without asking and without a progress window.
// True when it is gone from its place; false when the platform has no trash for it or the move
// failed. Never throws. Any thread.
[[nodiscard]] bool MoveToTrash(const std::string& path);

}  // namespace tesra::platform
