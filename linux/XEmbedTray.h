#pragma once
// Notify icons on the XEmbed system tray through GtkStatusIcon. An add is answered when the tray host
// embeds the icon, or fails when it has not within the embed timeout (the icon is then removed); an
// icon whose tray host goes away waits for the next one, and both events are reported as host changes.

#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "linux/TrayBackend.h"

typedef struct _GtkStatusIcon GtkStatusIcon;

namespace tesra::platform {

class XEmbedTray final : public TrayBackend {
public:
    // Needs gtk_init. embedTimeoutMs: how long a tray host may take to embed an added icon.
    XEmbedTray(Listener listener, int embedTimeoutMs);
    ~XEmbedTray() override;

    bool HostPresent() override;
    AddResult Add(const NotifyIconData& data) override;
    bool Modify(const NotifyIconData& data) override;
    bool Delete(WindowId window, std::uint32_t id) override;
    bool Has(WindowId window, std::uint32_t id) const override { return icons_.count({window, id}) > 0; }
    void DeleteWindow(WindowId window) override;

    // The status icon behind an icon, or null; for tests that look at the tray.
    GtkStatusIcon* StatusIcon(WindowId window, std::uint32_t id) const;

    struct Icon;

private:
    using Key = std::pair<WindowId, std::uint32_t>;

    void Remove(const Key& key);
    void EmbedTimedOut(Key key);

    Listener listener_;
    int embed_timeout_ms_;
    std::map<Key, std::unique_ptr<Icon>> icons_;
};

// The notification code of a mouse event on the icon (GdkEventType and button); 0 for others.
std::intptr_t NotifyCodeOfButtonEvent(int gdkEventType, unsigned button);

}  // namespace tesra::platform
