#pragma once
// The cursor of the whole application.

namespace tesra::platform {

class AppCursor {
public:
    virtual ~AppCursor() = default;
    // Busy: every window of the program shows the hourglass (wait) cursor; otherwise the default
    // cursor. Does nothing without a display. User-interface thread only.
    virtual void SetBusy(bool busy) = 0;
};

}  // namespace tesra::platform
