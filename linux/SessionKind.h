#pragma once
// Which kind of desktop session the program runs in, and so which implementations of hot keys and
// the screen picture it gets: X11 grabs and root-window reads, or the desktop portals.

namespace tesra::platform {

enum class SessionKind { X11, Wayland };

// TESRA_SESSION ("x11" or "wayland") decides when set to one of those; otherwise a session is Wayland
// when WAYLAND_DISPLAY is set or XDG_SESSION_TYPE is "wayland". Null arguments are unset variables.
SessionKind ChooseSession(const char* forced, const char* waylandDisplay, const char* sessionType);

// The choice for this process's environment.
SessionKind CurrentSession();

}  // namespace tesra::platform
