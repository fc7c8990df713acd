#include "linux/SessionKind.h"

#include <gtest/gtest.h>

namespace tesra::platform {
namespace {

TEST(ChooseSession, FollowsTheForcingVariableThenTheSession) {
    struct Case {
        const char* name;
        const char* forced;
        const char* waylandDisplay;
        const char* sessionType;
        SessionKind kind;
    };
    const Case cases[] = {
        {"nothing set", nullptr, nullptr, nullptr, SessionKind::X11},
        {"X11 session", nullptr, nullptr, "x11", SessionKind::X11},
        {"WAYLAND_DISPLAY", nullptr, "wayland-0", nullptr, SessionKind::Wayland},
        {"empty WAYLAND_DISPLAY", nullptr, "", "x11", SessionKind::X11},
        {"session type wayland", nullptr, nullptr, "wayland", SessionKind::Wayland},
        {"session type tty", nullptr, nullptr, "tty", SessionKind::X11},
        {"forced x11 in Wayland", "x11", "wayland-0", "wayland", SessionKind::X11},
        {"forced wayland in X11", "wayland", nullptr, "x11", SessionKind::Wayland},
        {"unknown forcing value", "mir", "wayland-1", nullptr, SessionKind::Wayland},
        {"empty forcing value", "", nullptr, nullptr, SessionKind::X11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChooseSession(c.forced, c.waylandDisplay, c.sessionType), c.kind);
    }
}

}  // namespace
}  // namespace tesra::platform
