#include "shell/fuNew.h"

namespace tesra {

TfmNew::TfmNew(platform::WindowSystem& windows, platform::BrowserControl& opener, std::function<void(TfmNew&)> onClose)
    : frame_(windows.MakeFrame(platform::FrameKind::Popup, &opener)), on_close_(std::move(onClose)) {
    frame_->SetBounds(kPopupBounds.left, kPopupBounds.top, kPopupBounds.width, kPopupBounds.height);
    frame_->SetOnEscape([this] { actESCExecute(); });
    frame_->SetOnCloseRequest([this] { actESCExecute(); });
}

}  // namespace tesra
