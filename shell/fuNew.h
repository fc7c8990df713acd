#pragma once
// A pop-up window: a page opened by a page of the program, kept on top of other windows.

#include <functional>
#include <memory>

#include "platform/Browser.h"

namespace tesra {

// Where a pop-up opens and how large it is, its decorations included.
constexpr platform::Rect kPopupBounds{822, 351, 602, 365};

class TfmNew {
public:
    // onClose runs when the user closes the window (Esc or its close box); the owner frees it.
    TfmNew(platform::WindowSystem& windows, platform::BrowserControl& opener, std::function<void(TfmNew&)> onClose);
    platform::Frame& Frame() { return *frame_; }
    platform::BrowserControl& wb1() { return frame_->Browser(); }

private:
    void actESCExecute() { on_close_(*this); }

    std::unique_ptr<platform::Frame> frame_;
    std::function<void(TfmNew&)> on_close_;
};

}  // namespace tesra
