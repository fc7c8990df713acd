#include "linux/LinuxNotifyIcons.h"

#include <glib.h>

#include "linux/SniTray.h"
#include "linux/XEmbedTray.h"

namespace tesra::platform {
namespace {

constexpr unsigned kTaskbarCreated = 0xC0DE;
constexpr unsigned kTaskbarLost = 0xC0DF;
constexpr unsigned kAddAnswered = 0xC0E0;

}  // namespace

LinuxNotifyIconHost::LinuxNotifyIconHost(const HandlerGuard& guard, TrayProtocols protocols, int embedTimeoutMs,
                                         int graceMs)
    : guard_(guard), grace_ms_(graceMs) {
    if (protocols == TrayProtocols::All) {
        sni_ = std::make_unique<SniTray>(guard_, Listener([this] { HostChanged(sni_.get()); }));
        backends_.push_back(sni_.get());
    }
    xembed_ = std::make_unique<XEmbedTray>(Listener([this] { HostChanged(xembed_.get()); }), embedTimeoutMs);
    backends_.push_back(xembed_.get());
}

TrayBackend::Listener LinuxNotifyIconHost::Listener(std::function<void()> hostChanged) {
    return {[this](const MessageRecord& message) { Send(message); }, std::move(hostChanged),
            [this](WindowId window, std::uint32_t id, bool shown) { AnswerAdd(window, id, shown); }};
}

LinuxNotifyIconHost::~LinuxNotifyIconHost() {
    if (grace_ != 0) g_source_remove(grace_);
    if (created_ != 0) g_source_remove(created_);
    windows_.clear();
    xembed_.reset();
    sni_.reset();
}

WindowId LinuxNotifyIconHost::CreateMessageWindow(MessageHandler handler) {
    const WindowId window = next_window_++;
    windows_[window] = std::move(handler);
    return window;
}

void LinuxNotifyIconHost::DestroyMessageWindow(WindowId window) {
    windows_.erase(window);
    // The platform takes away the icons of a window that goes.
    for (TrayBackend* backend : backends_) backend->DeleteWindow(window);
}

unsigned LinuxNotifyIconHost::TaskbarCreatedMessage() const { return kTaskbarCreated; }

unsigned LinuxNotifyIconHost::TaskbarLostMessage() const { return kTaskbarLost; }

unsigned LinuxNotifyIconHost::AddAnsweredMessage() const { return kAddAnswered; }

void LinuxNotifyIconHost::Broadcast(const MessageRecord& message) { SendToEach(message, Delivery::All); }

bool LinuxNotifyIconHost::QueryBroadcast(const MessageRecord& message) {
    return SendToEach(message, Delivery::UntilRefused);
}

// The windows are listed first: a handler may create or destroy windows.
bool LinuxNotifyIconHost::SendToEach(const MessageRecord& message, Delivery delivery) {
    std::vector<WindowId> targets;
    for (const auto& [window, handler] : windows_) targets.push_back(window);
    for (WindowId window : targets) {
        MessageRecord record = message;
        record.target = window;
        if (Deliver(record) == 0 && delivery == Delivery::UntilRefused) return false;
    }
    return true;
}

void LinuxNotifyIconHost::Send(const MessageRecord& message) { Deliver(message); }

void LinuxNotifyIconHost::AnswerAdd(WindowId window, std::uint32_t id, bool shown) {
    Deliver({window, kAddAnswered, static_cast<std::intptr_t>(id), shown ? 1 : 0});
}

std::intptr_t LinuxNotifyIconHost::Deliver(const MessageRecord& message) {
    const auto found = windows_.find(message.target);
    if (found == windows_.end()) return 1;
    // A copy: the handler may destroy its own window.
    MessageHandler handler = found->second;
    std::intptr_t answer = 1;
    RunGuarded(guard_, [&] { answer = handler(message); });
    return answer;
}

TrayBackend* LinuxNotifyIconHost::Holder(WindowId window, std::uint32_t id) const {
    for (TrayBackend* backend : backends_) {
        if (backend->Has(window, id)) return backend;
    }
    return nullptr;
}

TrayBackend* LinuxNotifyIconHost::Best() const {
    for (TrayBackend* backend : backends_) {
        if (backend->HostPresent()) return backend;
    }
    return nullptr;
}

bool LinuxNotifyIconHost::Notify(NotifyIconCommand command, const NotifyIconData& data) {
    TrayBackend* holder = Holder(data.window, data.id);
    switch (command) {
    case NIM_ADD: {
        if (!windows_.count(data.window)) return false;
        TrayBackend* best = Best();
        if (holder && holder != best) holder->Delete(data.window, data.id);
        const TrayBackend::AddResult result = best ? best->Add(data) : TrayBackend::AddResult::Failed;
        if (result == TrayBackend::AddResult::Failed) return false;
        current_ = best;
        if (result == TrayBackend::AddResult::Shown) AnswerAdd(data.window, data.id, true);
        return true;
    }
    case NIM_MODIFY:
        return holder && holder->Modify(data);
    case NIM_DELETE:
        return holder && holder->Delete(data.window, data.id);
    }
    return false;
}

// A host of the protocol in use that comes back, or a better one, takes the icons again; with no host
// left, the loss is told once the grace time has passed without one.
void LinuxNotifyIconHost::HostChanged(TrayBackend* from) {
    TrayBackend* best = Best();
    if (!best) {
        if (grace_ == 0) grace_ = g_timeout_add(grace_ms_, OnGraceOver, this);
        return;
    }
    if (grace_ != 0) {
        g_source_remove(grace_);
        grace_ = 0;
    }
    if ((best != current_ || best == from) && created_ == 0) created_ = g_idle_add(OnTaskbarCreated, this);
}

gboolean LinuxNotifyIconHost::OnGraceOver(gpointer self) {
    auto* host = static_cast<LinuxNotifyIconHost*>(self);
    host->grace_ = 0;
    host->current_ = nullptr;
    host->Broadcast({0, kTaskbarLost, 0, 0});
    return G_SOURCE_REMOVE;
}

gboolean LinuxNotifyIconHost::OnTaskbarCreated(gpointer self) {
    auto* host = static_cast<LinuxNotifyIconHost*>(self);
    host->created_ = 0;
    host->Broadcast({0, kTaskbarCreated, 0, 0});
    return G_SOURCE_REMOVE;
}

}  // namespace tesra::platform
