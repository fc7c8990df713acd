#pragma once
// The Linux platform's objects made on demand: GLib timers, hot keys (X11 grabs, or the desktop's
// GlobalShortcuts portal in a Wayland session), GTK menus and dialog windows.

#include <functional>
#include <string>

#include "linux/PortalHotKeys.h"
#include "linux/SessionKind.h"
#include "platform/HandlerGuard.h"
#include "platform/Platform.h"

namespace tesra::platform {

// A timer on the GLib main loop; its ticks run through the guard.
std::unique_ptr<Timer> MakeGlibTimer(const HandlerGuard& guard);

class LinuxFactory final : public Factory {
public:
    // The objects made run their handlers through the guard (the application's). showNotice tells the
    // user what the desktop cannot do with hot keys (once in a run, from the main loop after the
    // refused registration has answered).
    explicit LinuxFactory(const HandlerGuard& guard, SessionKind session = SessionKind::X11,
                          std::function<void(const std::string&)> showNotice = nullptr);

    std::unique_ptr<Timer> MakeTimer() override;
    std::unique_ptr<HotKeys> MakeHotKeys(HotKeyCallback onHotKey) override;
    // In a Wayland session none: the program's Ctrl+Alt+T only refreshes a picture that the next
    // capture replaces, and a portal session for it could ask the user at every start.
    std::unique_ptr<HotKeys> MakeProgramHotKeys(HotKeyCallback onHotKey) override;
    std::unique_ptr<PopupMenu> MakePopupMenu() override;
    std::unique_ptr<InputUrlView> MakeInputUrlView() override;
    std::unique_ptr<InstallForm> MakeInstallForm() override;

private:
    const HandlerGuard& guard_;
    SessionKind session_;
    HotKeyNotice notice_;
};

}  // namespace tesra::platform
