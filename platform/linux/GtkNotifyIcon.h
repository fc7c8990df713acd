#pragma once
// Notify icons on the XEmbed system tray through GtkStatusIcon. An icon that no tray host embeds
// within the embed timeout is a failed add; an icon that a new tray host embeds again (the old one
// went away) makes every message window receive the "TaskbarCreated" message.

#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "platform/NotifyIcon.h"

typedef struct _GtkStatusIcon GtkStatusIcon;

namespace tesra::platform {

class GtkNotifyIconHost final : public NotifyIconHost {
public:
    // Needs gtk_init. embedTimeoutMs: how long an add waits for a tray host to embed the icon,
    // running the main loop meanwhile.
    explicit GtkNotifyIconHost(int embedTimeoutMs = 2000);
    ~GtkNotifyIconHost() override;

    WindowId CreateMessageWindow(MessageHandler handler) override;
    void DestroyMessageWindow(WindowId window) override;
    bool Notify(NotifyIconCommand command, const NotifyIconData& data) override;
    unsigned TaskbarCreatedMessage() const override;
    void Broadcast(const MessageRecord& message) override;
    int ShellMajorVersion() const override { return 6; }

    // The status icon behind an icon, or null; for tests that look at the tray.
    GtkStatusIcon* StatusIcon(WindowId window, std::uint32_t id) const;

    struct Icon;

private:
    using Key = std::pair<WindowId, std::uint32_t>;

    bool Add(const NotifyIconData& data);
    bool WaitEmbedded(const Key& key);
    void Remove(const Key& key);
    void Send(WindowId window, const MessageRecord& message);

    int embed_timeout_ms_;
    unsigned pending_broadcast_ = 0;  // idle source of a TaskbarCreated broadcast
    WindowId next_window_ = 1;
    std::map<WindowId, MessageHandler> windows_;
    std::map<Key, std::unique_ptr<Icon>> icons_;
};

// The notification code of a mouse event on the icon (GdkEventType and button); 0 for others.
std::intptr_t NotifyCodeOfButtonEvent(int gdkEventType, unsigned button);

}  // namespace tesra::platform
