#include "platform/PopupMenu.h"

#include <stdexcept>

namespace tesra::platform {
namespace {

void CheckIndex(int index, int limit) {
    if (index < 0 || index > limit) throw std::out_of_range("menu index out of range");
}

}  // namespace

MenuItem::MenuItem(std::string caption) : caption_(std::move(caption)) {}

void MenuItem::SetCaption(std::string caption) {
    if (caption == caption_) return;
    const bool layout = IsSeparator() || caption == "-";
    caption_ = std::move(caption);
    Changed(layout ? MenuChange::Layout : MenuChange::Properties);
}

void MenuItem::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    Changed(MenuChange::Properties);
}

void MenuItem::SetToggle(MenuToggle toggle) {
    if (toggle == toggle_) return;
    toggle_ = toggle;
    Changed(MenuChange::Properties);
}

void MenuItem::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed(MenuChange::Properties);
}

void MenuItem::Changed(MenuChange change) {
    const MenuItem* root = this;
    while (root->parent_) root = root->parent_;
    // A copy: the handler may replace itself.
    if (ChangeHandler handler = root->on_change_) handler(*this, change);
}

void MenuItem::Click() {
    if (IsSeparator() || !enabled_ || !on_click_) return;
    // A copy, so that a handler that replaces itself still runs to its end.
    ClickHandler handler = on_click_;
    handler(*this);
}

MenuItem& MenuItem::Item(int index) {
    CheckIndex(index, Count() - 1);
    return *items_[index];
}

const MenuItem& MenuItem::Item(int index) const {
    CheckIndex(index, Count() - 1);
    return *items_[index];
}

MenuItem& MenuItem::Insert(int index, std::string caption) {
    CheckIndex(index, Count());
    auto item = std::make_unique<MenuItem>(std::move(caption));
    item->parent_ = this;
    MenuItem& result = *item;
    items_.insert(items_.begin() + index, std::move(item));
    Changed(MenuChange::Layout);
    return result;
}

}  // namespace tesra::platform
