#pragma once
// Frames (GTK top-level windows holding one web view) and the work area.

#include "platform/Browser.h"

namespace tesra::platform {

class GtkWindowSystem final : public WindowSystem {
public:
    std::unique_ptr<Frame> MakeFrame(FrameKind kind, BrowserControl* opener) override;
    Rect WorkArea() const override;
};

}  // namespace tesra::platform
