#pragma once
// One tray protocol (StatusNotifierItem, XEmbed) behind the notify-icon host that chooses among them.
// The host owns the message windows; a back end shows the icons and reports clicks and host changes.

#include <cstdint>
#include <functional>

#include "platform/NotifyIcon.h"

namespace tesra::platform {

class TrayBackend {
public:
    struct Listener {
        // A notification of an icon, for its owner's message window.
        std::function<void(const MessageRecord& message)> send;
        // A tray host of this protocol came or went; HostPresent tells which.
        std::function<void()> hostChanged;
        // The host answered a pending add: the icon shows, or it was removed again.
        std::function<void(WindowId window, std::uint32_t id, bool shown)> addAnswered;
    };

    enum class AddResult { Failed, Shown, Pending };

    virtual ~TrayBackend() = default;

    // Whether a tray host of this protocol takes icons now.
    virtual bool HostPresent() = 0;
    // Shows the icon (an icon already there is brought up to date and offered to the host again):
    // Failed when no host takes it, Pending until the host answers through addAnswered.
    virtual AddResult Add(const NotifyIconData& data) = 0;
    virtual bool Modify(const NotifyIconData& data) = 0;
    virtual bool Delete(WindowId window, std::uint32_t id) = 0;
    virtual bool Has(WindowId window, std::uint32_t id) const = 0;
    // Deletes the icons of a message window that goes.
    virtual void DeleteWindow(WindowId window) = 0;
};

}  // namespace tesra::platform
