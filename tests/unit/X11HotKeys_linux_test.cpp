// The key table always runs; the grab tests need an X server (DISPLAY, for example a private Xvfb)
// and xdotool for key presses, and skip otherwise.
#include <gtest/gtest.h>  // before Xlib, whose macros (None, Bool) clash with its names

#include "linux/X11HotKeys.h"

#include "CatchingGuard.h"
#include "ScopedEnv.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <glib.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tesra::platform {
namespace {

// Runs handlers bare, as they ran without an application.
const HandlerGuard kBare;

TEST(X11KeyFromVirtualKey, TranslatesModifiersAndKeys) {
    struct Case {
        const char* name;
        unsigned modifiers, virtualKey;
        std::optional<X11KeyCombination> key;
    };
    const Case cases[] = {
        {"Ctrl+Alt+T", 3, 'T', X11KeyCombination{XK_t, ControlMask | Mod1Mask}},
        {"Alt+A", 1, 'A', X11KeyCombination{XK_a, Mod1Mask}},
        {"Shift+Z", 4, 'Z', X11KeyCombination{XK_z, ShiftMask}},
        {"Windows+X", 8, 'X', X11KeyCombination{XK_x, Mod4Mask}},
        {"all four modifiers", 15, 'K', X11KeyCombination{XK_k, Mod1Mask | ControlMask | ShiftMask | Mod4Mask}},
        {"no modifier", 0, 0x78, X11KeyCombination{XK_F9, 0}},
        {"digit 0", 2, '0', X11KeyCombination{XK_0, ControlMask}},
        {"digit 9", 2, '9', X11KeyCombination{XK_9, ControlMask}},
        {"F1", 0, 0x70, X11KeyCombination{XK_F1, 0}},
        {"F24", 0, 0x87, X11KeyCombination{XK_F24, 0}},
        {"numpad 0", 0, 0x60, X11KeyCombination{XK_KP_0, 0}},
        {"numpad 9", 0, 0x69, X11KeyCombination{XK_KP_9, 0}},
        {"numpad plus", 0, 0x6B, X11KeyCombination{XK_KP_Add, 0}},
        {"space", 2, 0x20, X11KeyCombination{XK_space, ControlMask}},
        {"enter", 2, 0x0D, X11KeyCombination{XK_Return, ControlMask}},
        {"escape", 2, 0x1B, X11KeyCombination{XK_Escape, ControlMask}},
        {"tab", 2, 0x09, X11KeyCombination{XK_Tab, ControlMask}},
        {"backspace", 2, 0x08, X11KeyCombination{XK_BackSpace, ControlMask}},
        {"insert", 2, 0x2D, X11KeyCombination{XK_Insert, ControlMask}},
        {"delete", 2, 0x2E, X11KeyCombination{XK_Delete, ControlMask}},
        {"home", 2, 0x24, X11KeyCombination{XK_Home, ControlMask}},
        {"end", 2, 0x23, X11KeyCombination{XK_End, ControlMask}},
        {"page up", 2, 0x21, X11KeyCombination{XK_Page_Up, ControlMask}},
        {"page down", 2, 0x22, X11KeyCombination{XK_Page_Down, ControlMask}},
        {"left", 2, 0x25, X11KeyCombination{XK_Left, ControlMask}},
        {"up", 2, 0x26, X11KeyCombination{XK_Up, ControlMask}},
        {"right", 2, 0x27, X11KeyCombination{XK_Right, ControlMask}},
        {"down", 2, 0x28, X11KeyCombination{XK_Down, ControlMask}},
        {"mask with MOD_NOREPEAT", 0x4002, 'T', std::nullopt},
        {"mask bit 16", 16, 'T', std::nullopt},
        {"code 0", 2, 0, std::nullopt},
        {"Shift key itself", 2, 0x10, std::nullopt},
        {"left Windows key itself", 2, 0x5B, std::nullopt},
        {"punctuation key", 2, 0xBA, std::nullopt},
        {"F25", 0, 0x88, std::nullopt},
        {"code above a byte", 2, 0x141, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(X11KeyFromVirtualKey(c.modifiers, c.virtualKey), c.key);
    }
}

// A second X client, as another program on the desktop.
class OtherProgram {
public:
    OtherProgram() : display_(XOpenDisplay(nullptr)) {}
    ~OtherProgram() { XCloseDisplay(display_); }

    // Whether the server lets this client grab the key with the extra modifiers; released at once.
    bool CanGrab(KeySym keysym, unsigned modifiers) {
        int keycode = XKeysymToKeycode(display_, keysym);
        Window root = DefaultRootWindow(display_);
        XSync(display_, False);
        g_refused = false;
        XErrorHandler previous = XSetErrorHandler(&OtherProgram::Refused);
        XGrabKey(display_, keycode, modifiers, root, False, GrabModeAsync, GrabModeAsync);
        XSync(display_, False);
        bool granted = !g_refused;
        if (granted) XUngrabKey(display_, keycode, modifiers, root);
        XSync(display_, False);
        XSetErrorHandler(previous);
        return granted;
    }
    void Hold(KeySym keysym, unsigned modifiers) {
        XGrabKey(display_, XKeysymToKeycode(display_, keysym), modifiers, DefaultRootWindow(display_), False,
                 GrabModeAsync, GrabModeAsync);
        XSync(display_, False);
    }

private:
    static int Refused(Display*, XErrorEvent* error) {
        if (error->error_code == BadAccess) g_refused = true;
        return 0;
    }
    static inline bool g_refused = false;
    Display* display_;
};

class X11HotKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (DISPLAY is not set)";
        Display* probe = XOpenDisplay(nullptr);
        ASSERT_NE(probe, nullptr) << "cannot open DISPLAY " << std::getenv("DISPLAY");
        XCloseDisplay(probe);
    }

    // Presses the keys with xdotool and runs the main loop until the presses arrive (or 5 s pass).
    std::vector<int> Press(const std::string& keys, size_t expected) {
        std::string command = "xdotool key " + keys;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        gint64 end = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
        while (pressed_.size() < expected && g_get_monotonic_time() < end) {
            if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(10000);
        }
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        return std::exchange(pressed_, {});
    }

    HotKeyCallback Recorder() {
        return [this](int id) { pressed_.push_back(id); };
    }

    std::vector<int> pressed_;
};

TEST_F(X11HotKeysTest, RegisteredKeyIsHeldAgainstOtherProgramsAndReportsItsId) {
    X11HotKeys keys(kBare, Recorder());
    ASSERT_TRUE(keys.Register(1, MOD_CONTROL | MOD_ALT, 'F'));
    OtherProgram other;
    for (unsigned lock : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)}) {
        SCOPED_TRACE(lock);
        EXPECT_FALSE(other.CanGrab(XK_f, ControlMask | Mod1Mask | lock));
    }
    EXPECT_TRUE(other.CanGrab(XK_f, ControlMask)) << "another combination of the key stays free";

    EXPECT_EQ(Press("ctrl+alt+f", 1), std::vector<int>{1});
    // Ctrl+F first: when the hot key that follows has arrived, so has whatever Ctrl+F caused.
    EXPECT_EQ(Press("ctrl+f ctrl+alt+f", 1), std::vector<int>{1}) << "other modifiers are not the hot key";
    ASSERT_EQ(std::system("xdotool key Num_Lock"), 0);
    EXPECT_EQ(Press("ctrl+alt+f", 1), std::vector<int>{1}) << "with Num Lock on";
    ASSERT_EQ(std::system("xdotool key Num_Lock"), 0);
}

TEST_F(X11HotKeysTest, WindowsKeyAndKeyWithoutModifiers) {
    X11HotKeys keys(kBare, Recorder());
    ASSERT_TRUE(keys.Register(7, MOD_WIN, 0x78));  // Windows+F9
    ASSERT_TRUE(keys.Register(8, 0, 0x79));        // F10 alone
    EXPECT_EQ(Press("super+F9", 1), std::vector<int>{7});
    EXPECT_EQ(Press("F10", 1), std::vector<int>{8});
}

TEST_F(X11HotKeysTest, KeyTakenByAnotherProgramIsRefusedAndLeavesNothingGrabbed) {
    OtherProgram holder;
    holder.Hold(XK_F5, ControlMask | ShiftMask | Mod2Mask);  // only one lock variant is taken
    X11HotKeys keys(kBare, Recorder());
    EXPECT_FALSE(keys.Register(3, MOD_CONTROL | MOD_SHIFT, 0x74));
    OtherProgram third;
    EXPECT_TRUE(third.CanGrab(XK_F5, ControlMask | ShiftMask)) << "the variants that were granted are given back";
}

TEST_F(X11HotKeysTest, KeyHeldByAnotherReceiverOfTheProgramIsRefused) {
    X11HotKeys capture(kBare, Recorder());
    X11HotKeys page(kBare, Recorder());
    ASSERT_TRUE(capture.Register(0xC000, MOD_CONTROL | MOD_ALT, 'T'));
    EXPECT_FALSE(page.Register(1, MOD_CONTROL | MOD_ALT, 'T'));
}

TEST_F(X11HotKeysTest, SameIdForTwoKeysAndUnregisterReleasesOne) {
    OtherProgram other;
    {
        X11HotKeys keys(kBare, Recorder());
        ASSERT_TRUE(keys.Register(5, MOD_ALT, 'G'));
        EXPECT_FALSE(keys.Register(6, MOD_ALT, 'G')) << "a key of its own is taken as well";
        ASSERT_TRUE(keys.Register(5, MOD_ALT, 'H'));
        EXPECT_EQ(Press("alt+h", 1), std::vector<int>{5});

        EXPECT_TRUE(keys.Unregister(5));
        EXPECT_TRUE(other.CanGrab(XK_g, Mod1Mask)) << "the first registration of the id is released";
        EXPECT_FALSE(other.CanGrab(XK_h, Mod1Mask));
        EXPECT_FALSE(keys.Unregister(6));
        ASSERT_TRUE(keys.Register(9, MOD_ALT, 'J'));
    }
    EXPECT_TRUE(other.CanGrab(XK_h, Mod1Mask)) << "keys still registered are released with the receiver";
    EXPECT_TRUE(other.CanGrab(XK_j, Mod1Mask));
}

TEST_F(X11HotKeysTest, UnknownMaskOrKeyIsRefused) {
    X11HotKeys keys(kBare, Recorder());
    EXPECT_FALSE(keys.Register(1, 16, 'T'));
    EXPECT_FALSE(keys.Register(1, MOD_CONTROL, 0xFF));
    EXPECT_FALSE(keys.Unregister(1));
}

// A press runs through the guard that the receiver was handed, which sees what the callback throws.
TEST_F(X11HotKeysTest, PressRunsThroughTheGuardHandedIn) {
    std::vector<std::string> caught;
    const HandlerGuard guard = testing::CatchingGuard(caught);
    X11HotKeys keys(guard, [this](int id) {
        pressed_.push_back(id);
        throw std::runtime_error("热键失败");
    });
    ASSERT_TRUE(keys.Register(3, MOD_CONTROL | MOD_ALT, 'G'));
    EXPECT_EQ(Press("ctrl+alt+g", 1), std::vector<int>{3});
    EXPECT_EQ(caught, std::vector<std::string>{"热键失败"});
}

TEST(X11HotKeysWithoutDisplay, EveryRegistrationIsRefused) {
    tesra::testing::ScopedEnv display("DISPLAY", ":nothing");
    X11HotKeys keys(kBare, [](int) {});
    EXPECT_FALSE(keys.Register(1, MOD_CONTROL | MOD_ALT, 'T'));
}

}  // namespace
}  // namespace tesra::platform
