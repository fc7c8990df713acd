#include "platform/CaptureUi.h"

#include <stdexcept>

namespace tesra::platform {
namespace {
CaptureUi* g_capture_ui = nullptr;
}

CaptureUi& TheCaptureUi() {
    if (!g_capture_ui) throw std::logic_error("platform service not set: capture ui");
    return *g_capture_ui;
}

void SetCaptureUi(CaptureUi* ui) { g_capture_ui = ui; }

}  // namespace tesra::platform
