#include "shell/fuNew.h"

namespace tesra {

TfmNew::TfmNew(platform::BrowserControl& opener) : frame_(platform::Windows().MakeFrame(platform::FrameKind::Popup, &opener)) {
    frame_->SetOnEscape([this] { actESCExecute(); });
    frame_->SetOnCloseRequest([this] { Close(); });
}

}  // namespace tesra
