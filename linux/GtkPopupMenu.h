#pragma once
// Popup menus as GtkMenu, built afresh from the item tree for every popup.

#include <memory>

#include "platform/HandlerGuard.h"
#include "platform/PopupMenu.h"

namespace tesra::platform {

class GtkPopupMenu final : public PopupMenu {
public:
    // Clicks run through the guard.
    explicit GtkPopupMenu(const HandlerGuard& guard);
    ~GtkPopupMenu() override;
    // Runs a nested main loop while the menu is open.
    void PopupAtPointer() override;

private:
    const HandlerGuard& guard_;
    // Clicks waiting to run after the menu closed check that the menu still exists.
    std::shared_ptr<bool> alive_;
};

// For SetPopupMenuFactory.
std::unique_ptr<PopupMenu> MakeGtkPopupMenu(const HandlerGuard& guard);

}  // namespace tesra::platform
