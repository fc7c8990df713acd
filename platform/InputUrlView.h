#pragma once
// The window of the address dialog: caption "请输入地址", the label "地址" beside the editable
// combo box cbUrl, and the buttons "确定", "取消", "清空网址" and "清空缓存". The dialog's rules live
// above the platform; the window shows the controls and reports the user's actions.
// All methods are for the user-interface thread only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tesra::platform {

enum class ModalResult { None = 0, Ok = 1, Cancel = 2 };

class InputUrlView {
public:
    // What the user does; each runs through the handler guard (RunGuarded).
    struct Handlers {
        std::function<void()> onActivate;    // the window was shown, or became active again
        std::function<void()> onOk;          // "确定", or Enter in the combo box
        std::function<void()> onClear;       // "清空网址"
        std::function<void()> onClearCache;  // "清空缓存"
    };

    virtual ~InputUrlView() = default;

    // The combo box's edit text.
    virtual std::string UrlText() const = 0;
    virtual void SetUrlText(const std::string& text) = 0;
    // The combo box's item list, in order.
    virtual std::vector<std::string> UrlItems() const = 0;
    virtual void AddUrlItem(const std::string& text) = 0;
    virtual void ClearUrlItems() = 0;
    // Puts the keyboard focus into the combo box.
    virtual void FocusUrl() = 0;

    // Ends the modal run with this result once the running handler returns.
    virtual void SetModalResult(ModalResult result) = 0;
    // Shows the window modally and runs the program's events until a handler set a result, or the
    // user chose "取消", pressed Esc or closed the window (Cancel). The window is off the screen
    // when this returns.
    virtual ModalResult ShowModal(const Handlers& handlers) = 0;
};

}  // namespace tesra::platform
