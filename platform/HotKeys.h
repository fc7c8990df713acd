#pragma once
// System-wide hot keys. Keys are given as the classic desktop modifier mask and virtual-key code,
// the values that page script passes. All methods are for the user-interface thread only.

#include <functional>
#include <memory>

namespace tesra::platform {

enum HotKeyModifier : unsigned {
    MOD_ALT = 1,
    MOD_CONTROL = 2,
    MOD_SHIFT = 4,
    MOD_WIN = 8,
};

// The hot keys of one receiver (one window): each registration has the receiver's own id, and a
// press anywhere in the session calls the receiver back with that id.
class HotKeys {
public:
    // Releases the keys still registered.
    virtual ~HotKeys() = default;
    // Registers the key with the modifiers (a MOD_* mask) under id. False when the key is taken
    // (by this or another program), or the mask or the key code is not one the platform knows.
    // The same id may be registered again for another key; both registrations stay.
    [[nodiscard]] virtual bool Register(int id, unsigned modifiers, unsigned virtualKey) = 0;
    // Releases one registration made under id; false when there is none.
    virtual bool Unregister(int id) = 0;
};

using HotKeyCallback = std::function<void(int id)>;

}  // namespace tesra::platform
