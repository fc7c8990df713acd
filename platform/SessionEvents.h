#pragma once
// What the program does when the desktop's session manager asks about the session's end.

#include <functional>
#include <string>

namespace tesra::platform {

struct SessionEvents {
    // The end-of-session query: false refuses (a box then tells the user why). May run a nested loop.
    std::function<bool()> queryEnd;
    // Why the session may not end, for a session manager that shows it.
    std::function<std::string()> refusal;
    // The session ends now.
    std::function<void()> end;
};

}  // namespace tesra::platform
