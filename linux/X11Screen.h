#pragma once
// The screen of an X server: pictures of the primary display through the server's own image
// requests (shared memory where the server offers it), the cursor from XFixes.

#include "platform/Browser.h"
#include "platform/Screen.h"

typedef struct _XDisplay Display;  // as Xlib declares it; keeps Xlib's macros out of this header

namespace tesra::platform {

// The primary display in root-window pixels: the RandR primary output's rectangle, or the whole
// root window when the server has no RandR or no primary output with a picture.
Rect PrimaryDisplayArea(Display* display);

class X11Screen final : public Screen {
public:
    // Opens its own connection to the display that DISPLAY names; without one every capture is empty.
    X11Screen();
    ~X11Screen() override;
    X11Screen(const X11Screen&) = delete;
    X11Screen& operator=(const X11Screen&) = delete;

    // The cursor is drawn with its picture's top-left corner at the pointer position.
    Picture CapturePrimary(CursorInPicture cursor) override;

private:
    Display* display_;
};

}  // namespace tesra::platform
