#include "linux/LinuxFactory.h"

#include <glib.h>

#include "linux/GtkApp.h"
#include "linux/GtkInputUrlView.h"
#include "linux/GtkInstallForm.h"
#include "linux/GtkPopupMenu.h"
#include "linux/Portal.h"
#include "linux/X11HotKeys.h"

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
std::function<void(const std::string&)> Deferred(std::function<void(const std::string&)> show) {
    return [show = std::move(show)](const std::string& text) {
        if (!show) return;
        auto* pending = new std::function<void()>([show, text] { show(text); });
        g_idle_add(
            [](gpointer data) {
                auto* call = static_cast<std::function<void()>*>(data);
                RunHandler(*call);
                delete call;
                return G_SOURCE_REMOVE;
            },
            pending);
    };
}

}  // namespace

LinuxFactory::LinuxFactory(SessionKind session, std::function<void(const std::string&)> showNotice)
    : session_(session), notice_(Deferred(std::move(showNotice))) {}

std::unique_ptr<Timer> LinuxFactory::MakeTimer() { return MakeGlibTimer(); }

std::unique_ptr<HotKeys> LinuxFactory::MakeHotKeys(HotKeyCallback onHotKey) {
    if (session_ == SessionKind::Wayland)
        return std::make_unique<PortalHotKeys>(PortalBus(), std::move(onHotKey), notice_, kAnswerWaitMs);
    return MakeX11HotKeys(std::move(onHotKey));
}

std::unique_ptr<HotKeys> LinuxFactory::MakeProgramHotKeys(HotKeyCallback onHotKey) {
    if (session_ == SessionKind::Wayland) return std::make_unique<RefusingHotKeys>();
    return MakeHotKeys(std::move(onHotKey));
}

std::unique_ptr<PopupMenu> LinuxFactory::MakePopupMenu() { return MakeGtkPopupMenu(); }

std::unique_ptr<InputUrlView> LinuxFactory::MakeInputUrlView() { return std::make_unique<GtkInputUrlView>(); }

std::unique_ptr<InstallForm> LinuxFactory::MakeInstallForm() { return std::make_unique<GtkInstallForm>(); }

}  // namespace tesra::platform
