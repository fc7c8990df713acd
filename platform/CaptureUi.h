#pragma once
// The windows of a screen capture: the start dialog and the selection overlay. The rules of the
// selection live above the platform; the overlay window only shows them and reports the input.
// All methods are for the user-interface thread only.

#include "platform/Screen.h"

namespace tesra::platform {

struct Point {
    int x = 0;
    int y = 0;
};

enum class MouseButton { Left, Other };

// What the overlay window reports, and what it asks to draw. Points are in picture pixels (the
// overlay's top-left corner is (0, 0)); they may lie outside the picture while the pointer is held.
class OverlayController {
public:
    virtual ~OverlayController() = default;
    // Input handlers return true when the overlay is to close.
    virtual bool MouseDown(MouseButton button, Point at) = 0;
    virtual void MouseMove(Point at) = 0;
    virtual bool MouseUp() = 0;
    virtual bool KeyDown() = 0;
    // The picture to draw at full brightness over the dimmed background, with its top-left corner
    // in corner; null when there is none.
    virtual const Picture* Highlight(Point& corner) const = 0;
};

class CaptureUi {
public:
    virtual ~CaptureUi() = default;
    // Shows the start dialog on top of all windows and runs the program's events until it closes.
    // True when its start button closed it, false when its close box did. When this returns the
    // dialog is off the screen.
    virtual bool AskStart() = 0;
    // Covers the primary display exactly with the picture, dimmed, takes the pointer and the
    // keyboard, and passes the input to the controller until it asks to close; the program's other
    // events run meanwhile. When this returns the overlay is gone and the input released.
    virtual void RunOverlay(const Picture& background, OverlayController& controller) = 0;
};

}  // namespace tesra::platform
