#pragma once
// Screen capture for page script and the Windows-key shortcuts: optionally minimise the program's
// window and wait for the user to start, take a picture of the primary display, let the user drag
// a rectangle over a dimmed copy, and give back the rectangle as a JPEG picture (base64 for script).
// Ctrl+Alt+T, registered for the whole run, only refreshes the kept picture of the display.

#include <functional>
#include <memory>
#include <string>

#include "platform/Browser.h"
#include "platform/CaptureUi.h"
#include "platform/HotKeys.h"
#include "platform/Screen.h"

namespace tesra::platform {
class Factory;
}  // namespace tesra::platform

namespace tesra {

class TScreenCapture {
public:
    // Mode 1 captures at once; any other mode first minimises the host window and asks to start.
    static constexpr int kImmediate = 1;
    static constexpr int kJpegQuality = 90;
    // Id of Ctrl+Alt+T among the capture object's own hot keys.
    static constexpr int HotKeyAtom = 0xC000;

    // The window that a capture minimises (the program's main window), or null when there is none.
    using HostFinder = std::function<platform::Frame*()>;

    // Registers Ctrl+Alt+T as a key of the program's own (refused in a Wayland session, where it
    // would cost a question of the desktop); a refusal goes unnoticed. The program makes one for the
    // whole run; the platform objects outlive it.
    TScreenCapture(platform::Factory& factory, platform::Screen& screen, platform::CaptureUi& ui);
    ~TScreenCapture();
    TScreenCapture(const TScreenCapture&) = delete;
    TScreenCapture& operator=(const TScreenCapture&) = delete;

    void SetHostFinder(HostFinder finder) { FindHostFrameWindow_ = std::move(finder); }
    int Mode() const { return Mode_; }
    void SetMode(int mode) { Mode_ = mode; }
    // The last picture of the display, after a capture the selection (empty when none). Kept as
    // pixels; it becomes a file only when encoded.
    const platform::Picture& Buffer() const { return Buffer_; }

    // Buffer := a picture of the whole primary display. Throws tesra::Exception when there is none.
    void CaptureDesktop();
    // One capture with the current Mode; appends the JPEG file of the selection to output (nothing
    // when the user does not start or selects nothing). The host window is restored also when the
    // capture fails; the failure is passed on.
    void Capture(std::string& output);

private:
    void MinimizeHost();
    void RestoreHost();
    bool AskStart();
    void SelectFromBuffer();
    void WindowProc(int hotKeyId);

    platform::Screen& screen_;
    platform::CaptureUi& ui_;
    platform::Picture Buffer_;
    std::unique_ptr<platform::HotKeys> Window_;
    platform::Frame* HostWindow_ = nullptr;
    int Mode_ = 0;
    HostFinder FindHostFrameWindow_;
    bool Capturing_ = false;
};

// What GetCaptureImage and the Windows-key shortcuts run: Mode := mode, one capture, and the JPEG
// file as base64 text (empty when nothing was selected).
std::string CaptureImageBase64(TScreenCapture& capture, int mode);

}  // namespace tesra
