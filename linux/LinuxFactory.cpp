#include "linux/LinuxFactory.h"

#include <glib.h>

#include "linux/GtkInputUrlView.h"
#include "linux/GtkInstallForm.h"
#include "linux/GtkPopupMenu.h"
#include "linux/Portal.h"
#include "linux/X11HotKeys.h"
#include "platform/HandlerGuard.h"

namespace tesra::platform {
namespace {

// How long a page's registration waits for the desktop's answer before it counts as being asked.
constexpr guint kAnswerWaitMs = 10000;

class RefusingHotKeys final : public HotKeys {
public:
    bool Register(int, unsigned, unsigned) override { return false; }
    bool Unregister(int) override { return false; }
};

// The box comes after the page has its answer: the call that was refused does not wait for the user.
std::function<void(const std::string&)> Deferred(const HandlerGuard& guard,
                                                 std::function<void(const std::string&)> show) {
    return [&guard, show = std::move(show)](const std::string& text) {
        if (!show) return;
        auto* pending = new std::function<void()>([&guard, show, text] { RunGuarded(guard, [&] { show(text); }); });
        g_idle_add(
            [](gpointer data) {
                auto* call = static_cast<std::function<void()>*>(data);
                (*call)();
                delete call;
                return G_SOURCE_REMOVE;
            },
            pending);
    };
}

}  // namespace

LinuxFactory::LinuxFactory(const HandlerGuard& guard, SessionKind session,
                           std::function<void(const std::string&)> showNotice)
    : guard_(guard), session_(session), notice_(Deferred(guard, std::move(showNotice))) {}

std::unique_ptr<Timer> LinuxFactory::MakeTimer() { return MakeGlibTimer(guard_); }

std::unique_ptr<HotKeys> LinuxFactory::MakeHotKeys(HotKeyCallback onHotKey) {
    if (session_ == SessionKind::Wayland)
        return std::make_unique<PortalHotKeys>(guard_, PortalBus(), std::move(onHotKey), notice_, kAnswerWaitMs);
    return MakeX11HotKeys(guard_, std::move(onHotKey));
}

std::unique_ptr<HotKeys> LinuxFactory::MakeProgramHotKeys(HotKeyCallback onHotKey) {
    if (session_ == SessionKind::Wayland) return std::make_unique<RefusingHotKeys>();
    return MakeHotKeys(std::move(onHotKey));
}

std::unique_ptr<PopupMenu> LinuxFactory::MakePopupMenu() { return MakeGtkPopupMenu(guard_); }

std::unique_ptr<InputUrlView> LinuxFactory::MakeInputUrlView() { return std::make_unique<GtkInputUrlView>(guard_); }

std::unique_ptr<InstallForm> LinuxFactory::MakeInstallForm() { return std::make_unique<GtkInstallForm>(); }

}  // namespace tesra::platform
