#include "linux/SessionKind.h"

#include <cstdlib>
#include <string_view>

namespace tesra::platform {

SessionKind ChooseSession(const char* forced, const char* waylandDisplay, const char* sessionType) {
    std::string_view force = forced ? forced : "";
    if (force == "x11") return SessionKind::X11;
    if (force == "wayland") return SessionKind::Wayland;
    if (waylandDisplay && *waylandDisplay) return SessionKind::Wayland;
    if (sessionType && std::string_view(sessionType) == "wayland") return SessionKind::Wayland;
    return SessionKind::X11;
}

SessionKind CurrentSession() {
    return ChooseSession(std::getenv("TESRA_SESSION"), std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"));
}

}  // namespace tesra::platform
