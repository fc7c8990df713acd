#include "support/tsTrayIcon.h"

#include "platform/Application.h"
#include "platform/PopupMenu.h"
#include "platform/Timer.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

struct ClickRule {
    std::intptr_t code;
    TRzTrayIconClicks click;
    TtsTrayIcon::TNotifyEvent TtsTrayIcon::*event;
};

constexpr ClickRule kClickRules[] = {
    {platform::NIN_LBUTTONDOWN, ticLeftClick, &TtsTrayIcon::OnLButtonDown},
    {platform::NIN_LBUTTONUP, ticLeftClickUp, &TtsTrayIcon::OnLButtonUp},
    {platform::NIN_LBUTTONDBLCLK, ticLeftDblClick, &TtsTrayIcon::OnLButtonDblClick},
    {platform::NIN_RBUTTONDOWN, ticRightClick, &TtsTrayIcon::OnRButtonDown},
    {platform::NIN_RBUTTONUP, ticRightClickUp, &TtsTrayIcon::OnRButtonUp},
    {platform::NIN_RBUTTONDBLCLK, ticRightDblClick, &TtsTrayIcon::OnRButtonDblClick},
};

struct BalloonRule {
    std::intptr_t code;
    TtsTrayIcon::TNotifyEvent TtsTrayIcon::*event;
};

constexpr BalloonRule kBalloonRules[] = {
    {platform::NIN_BALLOONHIDE, &TtsTrayIcon::OnBalloonHintHide},
    {platform::NIN_BALLOONTIMEOUT, &TtsTrayIcon::OnBalloonHintClose},
    {platform::NIN_BALLOONUSERCLICK, &TtsTrayIcon::OnBalloonHintClick},
};

platform::IconImage ApplicationIcon(const platform::Application& app) {
    return platform::IconImage::FromFile(app.IconFile());
}

}  // namespace

std::string TruncateChars(const std::string& text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool starts_char = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (starts_char && chars++ == maxChars) return text.substr(0, i);
    }
    return text;
}

TtsTrayIcon::TtsTrayIcon(platform::Application& app, platform::MessageBoxes& boxes, platform::NotifyIconHost& host,
                         platform::Factory& factory)
    : app_(app), boxes_(boxes), host_(host), timer_(factory.MakeTimer()) {
    data_.icon = ApplicationIcon(app_);
    window_ = host_.CreateMessageWindow([this](const platform::MessageRecord& message) { return WindowProc(message); });
    timer_->SetEnabled(false);
    timer_->SetOnTick([this] { AnimationStep(); });
    timer_->SetInterval(1000);
    new_layout_ = host_.ShellMajorVersion() >= 5;
    data_.size = new_layout_ ? platform::kNotifyIconDataNewSize : platform::kNotifyIconDataOldSize;
    data_.window = window_;
    // One icon to a message window: the window's own identifier tells the program's icons apart.
    data_.id = static_cast<std::uint32_t>(window_);
    data_.flags = platform::NIF_MESSAGE | platform::NIF_ICON;
    data_.callbackMessage = kTrayIconCallbackMessage;
    InstallAppHooks();
    ModifyIcon();
}

TtsTrayIcon::~TtsTrayIcon() {
    host_.Notify(platform::NIM_DELETE, data_);
    host_.DestroyMessageWindow(window_);
    app_.ClearMinimizeHooks(this);
}

bool TtsTrayIcon::Animate() const { return timer_->Enabled(); }
void TtsTrayIcon::SetAnimate(bool animate) { timer_->SetEnabled(animate); }
int TtsTrayIcon::Interval() const { return timer_->Interval(); }
void TtsTrayIcon::SetInterval(int milliseconds) { timer_->SetInterval(milliseconds); }

void TtsTrayIcon::SetEnabled(bool enabled) {
    if (enabled == enabled_ && !re_adding_) return;
    enabled_ = enabled;
    ApplyEnabled();
}

void TtsTrayIcon::ApplyEnabled() {
    if (!enabled_) {
        answer_pending_ = false;
        host_.Notify(platform::NIM_DELETE, data_);
        return;
    }
    // Set first: the answer may come before the add returns.
    answer_pending_ = true;
    if (host_.Notify(platform::NIM_ADD, data_)) {
        lost_ = false;
    } else {
        enabled_ = false;
        answer_pending_ = false;
    }
    InstallAppHooks();
}

void TtsTrayIcon::SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    data_.tip = TruncateChars(hint, new_layout_ ? kTrayTipLengthNew : kTrayTipLengthOld);
    if (hint.empty()) {
        data_.flags &= ~platform::NIF_TIP;
    } else {
        data_.flags |= platform::NIF_TIP;
    }
    ModifyIcon();
}

void TtsTrayIcon::SetIconIndex(int index) {
    icon_index_ = index;
    // An index outside the list keeps the current picture.
    if (icons_ && index >= 0 && index < static_cast<int>(icons_->size())) data_.icon = (*icons_)[index];
    ModifyIcon();
}

void TtsTrayIcon::SetIcon(const platform::IconImage& icon) {
    data_.icon = icon;
    ModifyIcon();
}

void TtsTrayIcon::ResetIcon() {
    data_.icon = ApplicationIcon(app_);
    ModifyIcon();
}

void TtsTrayIcon::ModifyIcon() { host_.Notify(platform::NIM_MODIFY, data_); }

void TtsTrayIcon::InstallAppHooks() {
    app_.SetMinimizeHooks(
        this, [this] { MinimizeApp(); }, [this] { RestoreApp(); });
}

void TtsTrayIcon::ShowPopupMenu() {
    if (!popup_menu_) return;
    // The owner window is not brought forward first: the platform's menu takes the pointer itself,
    // and bringing forward a main window hidden in the tray would show it.
    struct MenuShowing {
        bool& flag;
        explicit MenuShowing(bool& f) : flag(f) { flag = true; }
        ~MenuShowing() { flag = false; }
    } showing(menu_showing_);
    popup_menu_->PopupAtPointer();
}

void TtsTrayIcon::MinimizeApp() {
    app_.Minimize();
    if (enabled_ && hide_on_minimize_) app_.SetTaskbarButtonVisible(false);
    Raise(&TtsTrayIcon::OnMinimizeApp);
}

void TtsTrayIcon::RestoreApp() {
    if (menu_showing_) return;
    app_.Restore();
    if (enabled_) {
        app_.SetTaskbarButtonVisible(true);
        app_.BringToFront();
    }
    Raise(&TtsTrayIcon::OnRestoreApp);
}

std::intptr_t TtsTrayIcon::WindowProc(const platform::MessageRecord& message) {
    if (message.number == kTrayIconCallbackMessage) {
        HandleNotification(message.lParam);
    } else if (message.number == platform::WM_ENDSESSION) {
        if (message.wParam == 1) host_.Notify(platform::NIM_DELETE, data_);
    } else if (message.number == platform::WM_QUERYENDSESSION) {
        RefuseEndSession();
    } else if (message.number == host_.TaskbarCreatedMessage()) {
        ReAdd();
    } else if (message.number == host_.TaskbarLostMessage()) {
        TrayLost();
    } else if (message.number == host_.AddAnsweredMessage() && static_cast<std::uint32_t>(message.wParam) == data_.id) {
        AddAnswered(message.lParam != 0);
    }
    return 0;
}

void TtsTrayIcon::HandleNotification(std::intptr_t code) {
    for (const ClickRule& rule : kClickRules) {
        if (rule.code == code) return HandleClick(rule.click, rule.event);
    }
    for (const BalloonRule& rule : kBalloonRules) {
        if (rule.code == code) return Raise(rule.event);
    }
}

void TtsTrayIcon::HandleClick(TRzTrayIconClicks click, TNotifyEvent TtsTrayIcon::*event) {
    if (restore_on_ == click) RestoreApp();
    if (popup_menu_on_ == click) ShowPopupMenu();
    Raise(event);
}

void TtsTrayIcon::Raise(TNotifyEvent TtsTrayIcon::*event) {
    // A copy: the handler may assign the event anew.
    if (TNotifyEvent handler = this->*event) handler(*this);
}

void TtsTrayIcon::ReAdd() {
    if (!enabled_) return;
    re_adding_ = true;
    try {
        SetEnabled(true);
    } catch (...) {
        // The icon stays away until the next re-creation; nothing to tell the user.
    }
    re_adding_ = false;
}

// The tray host's late answer to an add: a refusal is the failed add, with Enabled turning false.
void TtsTrayIcon::AddAnswered(bool shown) {
    if (!answer_pending_) return;
    answer_pending_ = false;
    if (!shown) enabled_ = false;
}

void TtsTrayIcon::TrayLost() {
    if (!enabled_ || lost_) return;
    lost_ = true;
    Raise(&TtsTrayIcon::OnTrayLost);
}

std::string EndSessionRefusal(const std::string& title) { return title + "正在运行，请先退出!"; }

void TtsTrayIcon::RefuseEndSession() { AppBoxes(boxes_, app_).Info(EndSessionRefusal(app_.Title())); }

void TtsTrayIcon::AnimationStep() {
    if (!icons_) return;
    const int last = static_cast<int>(icons_->size()) - 1;
    SetIconIndex(icon_index_ < last ? icon_index_ + 1 : 0);
    ModifyIcon();
}

}  // namespace tesra
