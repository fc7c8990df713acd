#pragma once
// Frames (GTK top-level windows holding one web view) and the work area.

#include "platform/Browser.h"
#include "support/CertificateQuestion.h"

namespace tesra::platform {

class GtkWindowSystem final : public WindowSystem {
public:
    // The frames' browsers share the certificate question.
    explicit GtkWindowSystem(CertificateQuestion& certificates) : certificates_(certificates) {}

    std::unique_ptr<Frame> MakeFrame(FrameKind kind, BrowserControl* opener) override;
    std::optional<Rect> WorkArea() const override;

private:
    CertificateQuestion& certificates_;
};

}  // namespace tesra::platform
