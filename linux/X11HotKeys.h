#pragma once
// System-wide hot keys on X11: passive key grabs on the root window, one X connection per
// receiver, so that the server itself refuses a key that another receiver or program holds.

#include <optional>
#include <vector>

#include "platform/HandlerGuard.h"
#include "platform/HotKeys.h"

typedef struct _XDisplay Display;  // as Xlib declares it; keeps Xlib's macros out of this header

namespace tesra::platform {

// A key as X names it: a key symbol and a mask of Shift, Control, Mod1 (Alt) and Mod4 (Windows key).
struct X11KeyCombination {
    unsigned long keysym = 0;
    unsigned modifiers = 0;
    bool operator==(const X11KeyCombination&) const = default;
};

// The X key for a desktop modifier mask (MOD_*) and virtual-key code; none when the mask has other
// bits or the code is not one of the keys known here (letters, digits, F1-F24, numeric keypad,
// and the common named keys).
std::optional<X11KeyCombination> X11KeyFromVirtualKey(unsigned modifiers, unsigned virtualKey);

class X11HotKeys final : public HotKeys {
public:
    // Opens its own connection to the display that DISPLAY names and reads it from the GLib main
    // loop; without a display every registration is refused. Presses run through the guard.
    X11HotKeys(const HandlerGuard& guard, HotKeyCallback onHotKey);
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    bool Register(int id, unsigned modifiers, unsigned virtualKey) override;
    bool Unregister(int id) override;

private:
    struct Registration {
        int id;
        unsigned keycode;
        unsigned modifiers;
    };
    struct EventSource;

    void Grab(const Registration& key, bool grab);
    void ReadEvents();

    const HandlerGuard& guard_;
    HotKeyCallback onHotKey_;
    Display* display_;
    EventSource* source_ = nullptr;
    std::vector<Registration> registrations_;
};

// The factory for SetHotKeysFactory.
std::unique_ptr<HotKeys> MakeX11HotKeys(const HandlerGuard& guard, HotKeyCallback onHotKey);

}  // namespace tesra::platform
