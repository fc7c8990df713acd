#pragma once
// The Linux platform's objects made on demand: GLib timers, X11 hot keys, GTK menus and dialog windows.

#include "platform/Platform.h"

namespace tesra::platform {

// A timer on the GLib main loop.
std::unique_ptr<Timer> MakeGlibTimer();

class LinuxFactory final : public Factory {
public:
    std::unique_ptr<Timer> MakeTimer() override;
    std::unique_ptr<HotKeys> MakeHotKeys(HotKeyCallback onHotKey) override;
    std::unique_ptr<PopupMenu> MakePopupMenu() override;
    std::unique_ptr<InputUrlView> MakeInputUrlView() override;
    std::unique_ptr<InstallForm> MakeInstallForm() override;
};

}  // namespace tesra::platform
