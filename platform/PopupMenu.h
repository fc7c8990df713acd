#pragma once
// Popup menus: a tree of items kept here, shown by the platform at the pointer.
// All methods are for the user-interface thread only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tesra::platform {

// Whether an item shows a check box (ticked while Checked).
enum class MenuToggle { Plain, CheckMark };

// What changed in a menu: an item's caption, tick or enabled state, or the tree itself.
enum class MenuChange { Properties, Layout };

class MenuItem {
public:
    using ClickHandler = std::function<void(MenuItem& sender)>;
    using ChangeHandler = std::function<void(const MenuItem& item, MenuChange change)>;

    explicit MenuItem(std::string caption = {});
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    // The caption "-" makes the item a separator line, which cannot be clicked.
    bool IsSeparator() const { return caption_ == "-"; }
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    MenuToggle Toggle() const { return toggle_; }
    void SetToggle(MenuToggle toggle);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    void SetOnClick(ClickHandler handler) { on_click_ = std::move(handler); }
    bool HasOnClick() const { return static_cast<bool>(on_click_); }
    // Runs the click handler; nothing for separators, disabled items or items without a handler.
    // What the handler throws reaches the caller, which runs clicks through the handler guard.
    void Click();

    int Count() const { return static_cast<int>(items_.size()); }
    // The child at index (0 <= index < Count()); throws std::out_of_range otherwise.
    MenuItem& Item(int index);
    const MenuItem& Item(int index) const;
    // Inserts a new child before position index (0 <= index <= Count()) and returns it; throws
    // std::out_of_range otherwise. Children live as long as their parent.
    MenuItem& Insert(int index, std::string caption);
    MenuItem& Add(std::string caption) { return Insert(Count(), std::move(caption)); }

    // Set on the root: runs after every change of an item of the tree (menus that a tray host
    // draws itself are told so). One handler; an empty one removes it.
    void SetOnChange(ChangeHandler handler) { on_change_ = std::move(handler); }

private:
    void Changed(MenuChange change);

    std::string caption_;
    MenuItem* parent_ = nullptr;
    bool checked_ = false;
    MenuToggle toggle_ = MenuToggle::Plain;
    bool enabled_ = true;
    ClickHandler on_click_;
    ChangeHandler on_change_;
    std::vector<std::unique_ptr<MenuItem>> items_;
};

class PopupMenu {
public:
    virtual ~PopupMenu() = default;
    // The root item; its children are the lines of the menu.
    MenuItem& Items() { return items_; }
    const MenuItem& Items() const { return items_; }
    // Shows the menu at the mouse pointer and returns when it has closed. The handler of a clicked
    // item runs afterwards from the message loop (as a posted command would), through the
    // application's handler guard.
    virtual void PopupAtPointer() = 0;

private:
    MenuItem items_;
};

}  // namespace tesra::platform
