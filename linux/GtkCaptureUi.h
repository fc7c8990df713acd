#pragma once
// The capture windows on GTK: the start dialog, and the overlay that covers the primary display
// with the pointer and the keyboard grabbed. Each runs a nested main loop until it closes.

#include "platform/CaptureUi.h"

namespace tesra::platform {

class GtkCaptureUi final : public CaptureUi {
public:
    // A full-screen overlay covers the monitor that PortalScreen's picture shows, as a toplevel: in a
    // Wayland session a window cannot be placed. Otherwise a pop-up over the primary display.
    explicit GtkCaptureUi(bool fullscreenOverlay = false) : fullscreen_(fullscreenOverlay) {}

    bool AskStart() override;
    void RunOverlay(const Picture& background, OverlayController& controller) override;

private:
    bool fullscreen_;
};

}  // namespace tesra::platform
