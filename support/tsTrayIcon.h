#pragma once
// TtsTrayIcon: one icon in the desktop's notification area. Turns the icon's mouse and balloon
// notifications into events, shows a popup menu and restores the application on configurable
// clicks, cycles through an image list as an animation, and adds the icon again when the tray host
// has been re-created. User-interface thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Icon.h"
#include "platform/Messages.h"
#include "platform/NotifyIcon.h"
#include "platform/Platform.h"

namespace tesra::platform {
class PopupMenu;
class Timer;
}  // namespace tesra::platform

namespace tesra {

enum TRzTrayIconClicks {
    ticNone,
    ticLeftClick,
    ticLeftDblClick,
    ticLeftClickUp,
    ticRightClick,
    ticRightDblClick,
    ticRightClickUp,
};

using TtsImageList = std::vector<platform::IconImage>;

// The callback message number of the icon's notifications.
constexpr unsigned kTrayIconCallbackMessage = 9250;
// Tip lengths in characters of the two record layouts.
constexpr std::size_t kTrayTipLengthNew = 127;
constexpr std::size_t kTrayTipLengthOld = 63;

class TtsTrayIcon {
public:
    using TNotifyEvent = std::function<void(TtsTrayIcon& sender)>;

    // Shows nothing until Enabled becomes true. The application and the host outlive the icon.
    TtsTrayIcon(platform::Application& app, platform::MessageBoxes& boxes, platform::NotifyIconHost& host,
                platform::Factory& factory);
    ~TtsTrayIcon();
    TtsTrayIcon(const TtsTrayIcon&) = delete;
    TtsTrayIcon& operator=(const TtsTrayIcon&) = delete;

    bool Animate() const;
    void SetAnimate(bool animate);
    bool Enabled() const { return enabled_; }
    // A failed add of the icon leaves Enabled false, also when the tray host answers it later.
    void SetEnabled(bool enabled);
    bool HideOnMinimize() const { return hide_on_minimize_; }
    void SetHideOnMinimize(bool hide) { hide_on_minimize_ = hide; }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    // Referenced, not owned: the caller keeps the menu alive, or sets null before freeing it.
    platform::PopupMenu* PopupMenu() const { return popup_menu_; }
    // Tray hosts that draw the menu themselves get it with the icon.
    void SetPopupMenu(platform::PopupMenu* menu) { popup_menu_ = data_.menu = menu; }
    // Referenced, not owned, like PopupMenu.
    const TtsImageList* Icons() const { return icons_; }
    void SetIcons(const TtsImageList* icons) { icons_ = icons; }
    int IconIndex() const { return icon_index_; }
    void SetIconIndex(int index);
    int Interval() const;
    void SetInterval(int milliseconds);
    TRzTrayIconClicks RestoreOn() const { return restore_on_; }
    void SetRestoreOn(TRzTrayIconClicks click) { restore_on_ = click; }
    TRzTrayIconClicks PopupMenuOn() const { return popup_menu_on_; }
    void SetPopupMenuOn(TRzTrayIconClicks click) { popup_menu_on_ = click; }

    // The icon now shown (the component's own copy).
    const platform::IconImage& Icon() const { return data_.icon; }
    void SetIcon(const platform::IconImage& icon);
    // Shows the application's icon again.
    void ResetIcon();
    void ShowPopupMenu();
    void MinimizeApp();
    void RestoreApp();

    // Whether a tray host shows the icon: Enabled, the host has answered the last add, and no "tray
    // lost" since. While it is false a window hidden to the tray could not be got back.
    bool InTray() const { return enabled_ && !answer_pending_ && !lost_; }

    // The record handed to the notify-icon layer, for inspection.
    const platform::NotifyIconData& Record() const { return data_; }

    TNotifyEvent OnBalloonHintHide;
    TNotifyEvent OnBalloonHintClose;
    TNotifyEvent OnBalloonHintClick;
    TNotifyEvent OnMinimizeApp;
    TNotifyEvent OnRestoreApp;
    TNotifyEvent OnLButtonDown;
    TNotifyEvent OnLButtonUp;
    TNotifyEvent OnLButtonDblClick;
    TNotifyEvent OnRButtonDown;
    TNotifyEvent OnRButtonUp;
    TNotifyEvent OnRButtonDblClick;
    // The tray host went away and none came back: Enabled stays true, and a host that comes later
    // gets the icon again ("TaskbarCreated").
    TNotifyEvent OnTrayLost;

private:
    std::intptr_t WindowProc(const platform::MessageRecord& message);
    void HandleNotification(std::intptr_t code);
    void HandleClick(TRzTrayIconClicks click, TNotifyEvent TtsTrayIcon::*event);
    void Raise(TNotifyEvent TtsTrayIcon::*event);
    void ReAdd();
    void AddAnswered(bool shown);
    void TrayLost();
    void RefuseEndSession();
    void ApplyEnabled();
    void ModifyIcon();
    void InstallAppHooks();
    void AnimationStep();

    platform::Application& app_;
    platform::MessageBoxes& boxes_;
    platform::NotifyIconHost& host_;
    std::unique_ptr<platform::Timer> timer_;
    platform::WindowId window_ = 0;
    platform::NotifyIconData data_;
    const TtsImageList* icons_ = nullptr;
    platform::PopupMenu* popup_menu_ = nullptr;
    std::string hint_;
    int icon_index_ = 0;
    bool enabled_ = false;
    bool hide_on_minimize_ = true;
    TRzTrayIconClicks restore_on_ = ticLeftDblClick;
    TRzTrayIconClicks popup_menu_on_ = ticRightClickUp;
    bool re_adding_ = false;
    bool answer_pending_ = false;  // an add waits for the tray host's answer
    bool lost_ = false;
    bool menu_showing_ = false;
    bool new_layout_ = true;
};

// The text with which the end of the session is refused: the application title, then the request.
std::string EndSessionRefusal(const std::string& title);

// The first maxChars characters of a UTF-8 text (never cuts a character in two).
std::string TruncateChars(const std::string& text, std::size_t maxChars);

}  // namespace tesra
