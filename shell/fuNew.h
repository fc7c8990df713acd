#pragma once
// A pop-up window: a page opened by a page of the program, kept on top of other windows.

#include <memory>

#include "platform/Browser.h"

namespace tesra {

class TfmNew {
public:
    TfmNew(platform::BrowserControl& opener);
    platform::Frame& Frame() { return *frame_; }
    platform::BrowserControl& wb1() { return frame_->Browser(); }
    // Hides the window; the pop-up is kept until the program ends.
    void Close() { frame_->Hide(); }

private:
    void actESCExecute() { Close(); }

    std::unique_ptr<platform::Frame> frame_;
};

}  // namespace tesra
