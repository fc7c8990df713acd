#pragma once
// Notify icons on the Linux desktops: a StatusNotifierItem where a StatusNotifierWatcher has a host,
// otherwise an XEmbed tray icon, otherwise none (a failed add). The message windows live here; a host
// that comes (or a better one) is the "TaskbarCreated" broadcast, and a host that went away with none
// back within the grace time is the "tray lost" broadcast.

#include <glib.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "linux/TrayBackend.h"
#include "platform/HandlerGuard.h"
#include "platform/NotifyIcon.h"

namespace tesra::platform {

class XEmbedTray;

// Which tray protocols the host may use.
enum class TrayProtocols { All, XEmbedOnly };

class LinuxNotifyIconHost final : public NotifyIconHost {
public:
    // Needs gtk_init. The message windows' handlers and the menus' clicks run through the guard.
    // embedTimeoutMs: how long an XEmbed tray host may take to embed an added icon; graceMs: how long
    // a lost host may take to come back before the loss is broadcast.
    explicit LinuxNotifyIconHost(const HandlerGuard& guard, TrayProtocols protocols = TrayProtocols::All,
                                 int embedTimeoutMs = 2000, int graceMs = 3000);
    ~LinuxNotifyIconHost() override;

    WindowId CreateMessageWindow(MessageHandler handler) override;
    void DestroyMessageWindow(WindowId window) override;
    bool Notify(NotifyIconCommand command, const NotifyIconData& data) override;
    unsigned TaskbarCreatedMessage() const override;
    unsigned TaskbarLostMessage() const override;
    unsigned AddAnsweredMessage() const override;
    void Broadcast(const MessageRecord& message) override;
    bool QueryBroadcast(const MessageRecord& message) override;
    int ShellMajorVersion() const override { return 6; }

    XEmbedTray& XEmbed() { return *xembed_; }

private:
    enum class Delivery { All, UntilRefused };

    TrayBackend::Listener Listener(std::function<void()> hostChanged);
    void Send(const MessageRecord& message);
    void AnswerAdd(WindowId window, std::uint32_t id, bool shown);
    bool SendToEach(const MessageRecord& message, Delivery delivery);
    std::intptr_t Deliver(const MessageRecord& message);
    TrayBackend* Holder(WindowId window, std::uint32_t id) const;
    TrayBackend* Best() const;
    void HostChanged(TrayBackend* from);
    static gboolean OnGraceOver(gpointer self);
    static gboolean OnTaskbarCreated(gpointer self);

    const HandlerGuard& guard_;
    std::unique_ptr<XEmbedTray> xembed_;
    std::unique_ptr<TrayBackend> sni_;
    std::vector<TrayBackend*> backends_;  // in order of preference
    TrayBackend* current_ = nullptr;      // where the last add went
    int grace_ms_;
    unsigned grace_ = 0;    // timeout source of a lost host
    unsigned created_ = 0;  // idle source of a TaskbarCreated broadcast
    WindowId next_window_ = 1;
    std::map<WindowId, MessageHandler> windows_;
};

}  // namespace tesra::platform
