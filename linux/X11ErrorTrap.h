#pragma once
// Catches the X protocol errors of one display connection while it lives, instead of letting
// Xlib's handler end the process. Errors of other connections go to the handler that was there.
// User-interface thread only; traps may nest.

#include <X11/Xlib.h>

namespace tesra::platform {

class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits until the server has answered every request sent so far, then returns the code of the
    // first error caught since the trap was set or last reset (0 when none) and resets it.
    int Sync();

private:
    static int Handle(Display* display, XErrorEvent* error);

    Display* display_;
    X11ErrorTrap* outer_;
    int error_ = 0;
};

}  // namespace tesra::platform
