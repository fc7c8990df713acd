#include "linux/X11HotKeys.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <glib.h>

#include <algorithm>
#include <map>

#include "linux/X11ErrorTrap.h"

namespace tesra::platform {
namespace {

constexpr unsigned kModifierBits = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;
constexpr unsigned kHotKeyMask = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;
// Caps Lock and Num Lock must not change what a hot key is: grab every combination of them.
constexpr unsigned kLockVariants[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

std::optional<KeySym> KeySymFromVirtualKey(unsigned vk) {
    if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
    if (vk >= 0x70 && vk <= 0x87) return XK_F1 + (vk - 0x70);
    if (vk >= 0x60 && vk <= 0x69) return XK_KP_0 + (vk - 0x60);
    static const std::map<unsigned, KeySym> named = {
        {0x08, XK_BackSpace},  {0x09, XK_Tab},       {0x0D, XK_Return},      {0x13, XK_Pause},  {0x1B, XK_Escape},
        {0x20, XK_space},      {0x21, XK_Prior},     {0x22, XK_Next},        {0x23, XK_End},    {0x24, XK_Home},
        {0x25, XK_Left},       {0x26, XK_Up},        {0x27, XK_Right},       {0x28, XK_Down},   {0x2C, XK_Print},
        {0x2D, XK_Insert},     {0x2E, XK_Delete},    {0x6A, XK_KP_Multiply}, {0x6B, XK_KP_Add}, {0x6D, XK_KP_Subtract},
        {0x6E, XK_KP_Decimal}, {0x6F, XK_KP_Divide},
    };
    auto it = named.find(vk);
    if (it == named.end()) return std::nullopt;
    return it->second;
}

unsigned XModifiers(unsigned modifiers) {
    return (modifiers & MOD_ALT ? Mod1Mask : 0) | (modifiers & MOD_CONTROL ? ControlMask : 0) |
           (modifiers & MOD_SHIFT ? ShiftMask : 0) | (modifiers & MOD_WIN ? Mod4Mask : 0);
}

}  // namespace

std::optional<X11KeyCombination> X11KeyFromVirtualKey(unsigned modifiers, unsigned virtualKey) {
    if (modifiers & ~kModifierBits) return std::nullopt;
    std::optional<KeySym> keysym = KeySymFromVirtualKey(virtualKey);
    if (!keysym) return std::nullopt;
    return X11KeyCombination{*keysym, XModifiers(modifiers)};
}

// Dispatches when the connection has events, also those that Xlib has already read into its queue
// (a readable socket alone would miss them).
struct X11HotKeys::EventSource {
    GSource base;
    GPollFD poll;
    X11HotKeys* owner;

    static gboolean Prepare(GSource* source, gint* timeout) {
        *timeout = -1;
        return XPending(reinterpret_cast<EventSource*>(source)->owner->display_) > 0;
    }
    static gboolean Check(GSource* source) {
        auto* self = reinterpret_cast<EventSource*>(source);
        return (self->poll.revents & G_IO_IN) && XPending(self->owner->display_) > 0;
    }
    static gboolean Dispatch(GSource* source, GSourceFunc, gpointer) {
        reinterpret_cast<EventSource*>(source)->owner->ReadEvents();
        return G_SOURCE_CONTINUE;
    }
};

X11HotKeys::X11HotKeys(const HandlerGuard& guard, HotKeyCallback onHotKey)
    : guard_(guard), onHotKey_(std::move(onHotKey)), display_(XOpenDisplay(nullptr)) {
    if (!display_) return;
    static GSourceFuncs funcs = {
        &EventSource::Prepare, &EventSource::Check, &EventSource::Dispatch, nullptr, nullptr, nullptr};
    source_ = reinterpret_cast<EventSource*>(g_source_new(&funcs, sizeof(EventSource)));
    source_->owner = this;
    source_->poll = {ConnectionNumber(display_), G_IO_IN | G_IO_HUP | G_IO_ERR, 0};
    g_source_add_poll(&source_->base, &source_->poll);
    g_source_attach(&source_->base, nullptr);
}

X11HotKeys::~X11HotKeys() {
    if (!display_) return;
    {
        X11ErrorTrap trap(display_);
        for (const Registration& key : registrations_) Grab(key, false);
    }
    g_source_destroy(&source_->base);
    g_source_unref(&source_->base);
    XCloseDisplay(display_);
}

bool X11HotKeys::Register(int id, unsigned modifiers, unsigned virtualKey) {
    std::optional<X11KeyCombination> combination = X11KeyFromVirtualKey(modifiers, virtualKey);
    if (!display_ || !combination) return false;
    Registration key{id, XKeysymToKeycode(display_, combination->keysym), combination->modifiers};
    if (!key.keycode) return false;
    bool mine = std::any_of(registrations_.begin(), registrations_.end(), [&](const Registration& r) {
        return r.keycode == key.keycode && r.modifiers == key.modifiers;
    });
    if (mine) return false;  // the server would let this connection grab its own key twice
    X11ErrorTrap trap(display_);
    Grab(key, true);
    if (trap.Sync()) {  // BadAccess: another program holds the key (or one of its lock variants)
        Grab(key, false);
        trap.Sync();
        return false;
    }
    registrations_.push_back(key);
    return true;
}

bool X11HotKeys::Unregister(int id) {
    auto it =
        std::find_if(registrations_.begin(), registrations_.end(), [&](const Registration& r) { return r.id == id; });
    if (it == registrations_.end()) return false;
    X11ErrorTrap trap(display_);
    Grab(*it, false);
    registrations_.erase(it);
    return true;
}

void X11HotKeys::Grab(const Registration& key, bool grab) {
    Window root = DefaultRootWindow(display_);
    for (unsigned lock : kLockVariants) {
        if (grab) {
            XGrabKey(display_, static_cast<int>(key.keycode), key.modifiers | lock, root, False, GrabModeAsync,
                     GrabModeAsync);
        } else {
            XUngrabKey(display_, static_cast<int>(key.keycode), key.modifiers | lock, root);
        }
    }
}

void X11HotKeys::ReadEvents() {
    std::vector<int> pressed;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type != KeyPress) continue;
        unsigned modifiers = event.xkey.state & kHotKeyMask;
        for (const Registration& key : registrations_) {
            if (key.keycode == event.xkey.keycode && key.modifiers == modifiers) pressed.push_back(key.id);
        }
    }
    // Callbacks run after reading: they may register or unregister keys.
    for (int id : pressed) RunGuarded(guard_, [&] { onHotKey_(id); });
}

std::unique_ptr<HotKeys> MakeX11HotKeys(const HandlerGuard& guard, HotKeyCallback onHotKey) {
    return std::make_unique<X11HotKeys>(guard, std::move(onHotKey));
}

}  // namespace tesra::platform
