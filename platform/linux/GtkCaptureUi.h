#pragma once
// The capture windows on GTK: the start dialog, and the overlay that covers the primary display
// with the pointer and the keyboard grabbed. Each runs a nested main loop until it closes.

#include "platform/CaptureUi.h"

namespace tesra::platform {

class GtkCaptureUi final : public CaptureUi {
public:
    bool AskStart() override;
    void RunOverlay(const Picture& background, OverlayController& controller) override;
};

}  // namespace tesra::platform
