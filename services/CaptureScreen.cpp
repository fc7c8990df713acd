#include "services/CaptureScreen.h"

#include "platform/CaptureUi.h"
#include "platform/Exception.h"
#include "platform/Platform.h"
#include "services/fuCaptureBackground.h"
#include "support/Base64.h"
#include "support/JpegEncoder.h"

namespace tesra {

TScreenCapture::TScreenCapture(platform::Factory& factory, platform::Screen& screen, platform::CaptureUi& ui)
    : screen_(screen), ui_(ui), Window_(factory.MakeProgramHotKeys([this](int id) { WindowProc(id); })) {
    // A key that another program holds stays with it; the page can still ask for a capture.
    static_cast<void>(Window_->Register(HotKeyAtom, platform::MOD_CONTROL | platform::MOD_ALT, 'T'));
}

TScreenCapture::~TScreenCapture() { Window_->Unregister(HotKeyAtom); }

void TScreenCapture::WindowProc(int hotKeyId) {
    if (hotKeyId == HotKeyAtom) CaptureDesktop();
}

void TScreenCapture::CaptureDesktop() {
    Buffer_ = {};
    Buffer_ = screen_.CapturePrimary(platform::CursorInPicture::Omitted);
    if (Buffer_.Empty()) throw Exception("截取屏幕失败：无法读取屏幕图像");
}

void TScreenCapture::Capture(std::string& output) {
    // The dialog and the overlay run the program's events, so a second capture could start inside.
    if (Capturing_) throw Exception("截取屏幕失败：上一次截屏还没有结束");
    Capturing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{Capturing_};

    MinimizeHost();
    try {
        if (Mode_ == kImmediate || AskStart()) {
            CaptureDesktop();
            SelectFromBuffer();
            RestoreHost();
            output += EncodeJpeg(Buffer_, kJpegQuality);
        } else {
            RestoreHost();
        }
    } catch (...) {
        RestoreHost();
        throw;
    }
}

// Buffer goes to the overlay as its background and comes back as the selection (or empty).
void TScreenCapture::SelectFromBuffer() {
    TfmCaptureBackground overlay(std::move(Buffer_));
    Buffer_ = {};
    ui_.RunOverlay(overlay.Background(), overlay);
    if (overlay.Selection()) Buffer_ = *overlay.Selection();
}

void TScreenCapture::MinimizeHost() {
    if (Mode_ == kImmediate) return;
    if (!HostWindow_ && FindHostFrameWindow_) HostWindow_ = FindHostFrameWindow_();
    if (HostWindow_) HostWindow_->Minimize();
}

void TScreenCapture::RestoreHost() {
    if (!HostWindow_) return;
    platform::Frame* host = HostWindow_;
    HostWindow_ = nullptr;
    host->Restore();
}

bool TScreenCapture::AskStart() { return ui_.AskStart(); }

std::string CaptureImageBase64(TScreenCapture& capture, int mode) {
    capture.SetMode(mode);
    std::string jpeg;
    capture.Capture(jpeg);
    return StreamToBase64(jpeg);
}

}  // namespace tesra
