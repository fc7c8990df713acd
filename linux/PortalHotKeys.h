#pragma once
// System-wide hot keys in a Wayland session, through the desktop's GlobalShortcuts portal: one portal
// session with a fixed token holds all keys of a receiver. A session binds once, so every change
// closes it and creates it again with the whole list.

#include <gio/gio.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/HandlerGuard.h"
#include "platform/HotKeys.h"

namespace tesra::platform {

class PortalRequest;

// The trigger that the portal is asked for: modifiers as CTRL, ALT, SHIFT and LOGO (the Windows
// key), then the key's name ("CTRL+ALT+f"); none for a key that X11HotKeys would refuse too.
std::optional<std::string> PortalTrigger(unsigned modifiers, unsigned virtualKey);

// Tells the user, once in a run, what the desktop cannot do with hot keys.
class HotKeyNotice {
public:
    explicit HotKeyNotice(std::function<void(const std::string& text)> show) : show_(std::move(show)) {}
    void Tell(const std::string& text);

private:
    std::function<void(const std::string&)> show_;
    bool told_ = false;
};

inline constexpr const char* kNoGlobalShortcutsText =
    "当前桌面不提供全局热键，网页注册的热键不会生效。\n"
    "可以在支持全局快捷键的桌面（如 KDE Plasma、GNOME 48 及以上）或 X11 会话中使用本程序。";
inline constexpr const char* kRefusedShortcutText =
    "系统没有允许蓝岸浏览器使用全局热键“%s”。\n"
    "可以在系统设置的“键盘快捷键”中允许或改设蓝岸浏览器的热键。";

class PortalHotKeys final : public HotKeys {
public:
    // Without a bus every registration is refused. How long a registration waits for the desktop's
    // answer before it takes the key as being asked for (the desktop may ask the user first).
    // Presses run through the guard.
    PortalHotKeys(const HandlerGuard& guard, GDBusConnection* bus, HotKeyCallback onHotKey, HotKeyNotice& notice,
                  guint answerWaitMs);
    ~PortalHotKeys() override;
    PortalHotKeys(const PortalHotKeys&) = delete;
    PortalHotKeys& operator=(const PortalHotKeys&) = delete;

    // True when the portal took the key, or is still asking the user after the wait; false (and the
    // notice) when the desktop has no GlobalShortcuts or refused it.
    bool Register(int id, unsigned modifiers, unsigned virtualKey) override;
    bool Unregister(int id) override;

private:
    struct Registration {
        int id;
        std::string shortcut;  // the portal's shortcut id
        std::string trigger;
    };
    enum class Outcome { Bound, Refused, Asking, NoPortal };

    bool HasGlobalShortcuts();
    Outcome Rebuild(const std::string& wanted, bool wait);
    void CloseSession();
    bool CreateSession(GVariant* shortcuts);
    GVariant* ShortcutList() const;
    static void OnActivated(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                            GVariant* parameters, gpointer self);

    const HandlerGuard& guard_;
    GDBusConnection* bus_;
    HotKeyCallback onHotKey_;
    HotKeyNotice& notice_;
    guint answerWaitMs_;
    std::optional<bool> available_;
    std::vector<Registration> registrations_;
    std::vector<std::string> bound_;
    std::string session_;
    std::unique_ptr<PortalRequest> pending_;  // a bind still being answered
    guint activated_ = 0;
};

}  // namespace tesra::platform
