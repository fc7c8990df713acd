#include "platform/linux/LinuxFactory.h"

#include "platform/linux/GtkInputUrlView.h"
#include "platform/linux/GtkInstallForm.h"
#include "platform/linux/GtkPopupMenu.h"
#include "platform/linux/X11HotKeys.h"

namespace tesra::platform {

std::unique_ptr<Timer> LinuxFactory::MakeTimer() { return MakeGlibTimer(); }

std::unique_ptr<HotKeys> LinuxFactory::MakeHotKeys(HotKeyCallback onHotKey) {
    return MakeX11HotKeys(std::move(onHotKey));
}

std::unique_ptr<PopupMenu> LinuxFactory::MakePopupMenu() { return MakeGtkPopupMenu(); }

std::unique_ptr<InputUrlView> LinuxFactory::MakeInputUrlView() { return std::make_unique<GtkInputUrlView>(); }

std::unique_ptr<InstallForm> LinuxFactory::MakeInstallForm() { return std::make_unique<GtkInstallForm>(); }

}  // namespace tesra::platform
