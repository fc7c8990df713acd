#pragma once
// Frames (GTK top-level windows holding one web view) and the work area.

#include "platform/Browser.h"
#include "support/CertificateQuestion.h"

namespace tesra::platform {

class GtkApp;

class GtkWindowSystem final : public WindowSystem {
public:
    // The frames register with the application and run their handlers through its guard; their
    // browsers share the certificate question.
    GtkWindowSystem(GtkApp& app, CertificateQuestion& certificates) : app_(app), certificates_(certificates) {}

    std::unique_ptr<Frame> MakeFrame(FrameKind kind, BrowserControl* opener) override;
    std::optional<Rect> WorkArea() const override;

private:
    GtkApp& app_;
    CertificateQuestion& certificates_;
};

}  // namespace tesra::platform
