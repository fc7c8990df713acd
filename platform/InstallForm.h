#pragma once
// The installer's progress form: borderless, translucent (opacity 200 of 255), centred on the
// screen, 313 x 74 pixels, a 32-pixel icon at left and one status label. It has no logic of its own.
// All methods are for the user-interface thread only.

#include <functional>
#include <memory>
#include <string>

namespace tesra::platform {

class InstallForm {
public:
    // Takes the form off the screen and frees it.
    virtual ~InstallForm() = default;
    // Puts the form on the screen with the status "正在安装..." and paints it, running the
    // program's pending events for a moment if need be.
    virtual void Show() = 0;
    // Replaces the status label's text and paints it the same way.
    virtual void SetStatus(const std::string& text) = 0;
};

}  // namespace tesra::platform
