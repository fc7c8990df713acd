#include "shell/fuMain.h"

#include <algorithm>

#include "platform/Application.h"
#include "platform/Environment.h"
#include "platform/Exception.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/Registry.h"
#include "services/CaptureScreen.h"
#include "services/CustomerInfo.h"
#include "services/MachineAddress.h"
#include "setup/fuInstall.h"
#include "setup/tsIni.h"
#include "shell/CloseToTray.h"
#include "shell/MainMenu.h"
#include "shell/TesraBrowser.h"
#include "support/FailureLog.h"
#include "support/Format.h"
#include "support/FrameBounds.h"
#include "support/IniFile.h"
#include "support/Origin.h"
#include "support/PageRequests.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

constexpr int kBlinkInterval = 500;

void RunIgnoringErrors(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception&) {
    }
}

}  // namespace

std::string PopupKey(platform::WindowId browser) { return std::to_string(static_cast<std::int32_t>(browser)); }

std::string AddMachineParam(const std::string& address, const std::string& machine) {
    return address + (address.find('?') == std::string::npos ? "?" : "&") + "__MAC=" + machine;
}

std::string GetIEVersion(platform::Registry& registry) {
    using namespace platform;
    const std::string path = "\\SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector";
    try {
        // The key is created when missing; a user who may not change the machine's settings reads it.
        auto key = registry.CreateKey(RootKey::LocalMachine, path);
        if (!key) key = registry.OpenKey(RootKey::LocalMachine, path, Access::Read);
        return key ? key->ReadString("IE") : std::string();
    } catch (const RegistryError&) {
        return {};
    }
}

TfmMain::TfmMain(const platform::Platform& platform, TbLog& log, SetupRun& run, TScreenCapture& capture,
                 std::string startAddress)
    : hot_keys_(platform.factory),
      platform_(platform),
      log_(log),
      run_(run),
      boxes_(platform.boxes, platform.app),
      capture_(capture),
      start_address_(std::move(startAddress)),
      frame_(platform.windows.MakeFrame(platform::FrameKind::Main, nullptr)) {
    frame_->SetCaption(platform_.app.Title());
    frame_->SetOnCloseRequest([this] { FormClose(); });
    frame_->SetOnEscape([this] { FormClose(); });
    try {
        FormCreate();
    } catch (const std::exception& e) {
        // The window stays without what the failed step and the steps after it would have set up.
        LogStartFailure(log_.Log(), e);
        boxes_.Info(e.what());
    }
}

void TfmMain::FormCreate() {
    platform_.app.SetMessageFilter(
        [this](const platform::MessageRecord& message, bool& handled) { AppMessage(message, handled); });
    platform::BrowserControl::Events events;
    events.onDownloadComplete = [this] { wbDownloadComplete(); };
    events.onTitleChange = [this](const std::string& text) { wbMainTitleChange(text); };
    events.onDocumentComplete = [this](const std::string& url) { wbMainDocumentComplete(url); };
    events.onNewWindow = [this] { return wbMainNewWindow2(wbMain()); };
    events.isApplication = [this](const std::string& address) { return IsApplicationAddress(address); };
    wbMain().SetEvents(std::move(events));

    blink_timer_ = platform_.factory.MakeTimer();
    reaper_ = platform_.factory.MakeTimer();
    reaper_->SetInterval(0);
    reaper_->SetOnTick([this] { FreeClosedPopups(); });
    CreateTrayMenu();
    CreateTrayIcon();
    hint_ = std::make_unique<NewMessageHint>(
        *FTrayIcon, *blink_timer_, [this] { return frame_->IsVisible(); },
        [this](const platform::BadgeSpec& badge) { return platform_.drawing.DrawBadge(badge); },
        platform_.drawing.StandardIconSize());

    platform::Rect area = MainWindowArea(platform_.windows.WorkArea());
    frame_->SetBounds(area.left, area.top, area.width, area.height);
    NavigateTo(start_address_);

    blink_timer_->SetOnTick([this] { TimerTick(); });
    blink_timer_->SetInterval(kBlinkInterval);
    blink_timer_->SetEnabled(true);
}

TfmMain::~TfmMain() { platform_.app.SetMessageFilter(nullptr); }

void TfmMain::FormShow() {
    frame_->Show();
    platform::Rect area = MainWindowArea(platform_.windows.WorkArea());
    frame_->SetBounds(0, 0, area.width, area.height);
    frame_->BringToFront();
}

void TfmMain::NavigateTo(const std::string& address) {
    wbMain().Navigate(AddMachineParam(address, GetMacOrComputerName(platform_.network)),
                      platform::CacheUse::NoReadFromCache);
}

void TfmMain::wbMainTitleChange(const std::string& title) {
    // The page's title is the page's to choose: cleaned before any native surface shows it.
    const std::string text = CaptionText(title);
    frame_->SetCaption(text);
    platform_.app.SetTitle(text);
    if (FTrayIcon) FTrayIcon->SetHint(text);
}

void TfmMain::CreateTrayMenu() {
    pmMain_ = platform_.factory.MakePopupMenu();
    platform::MenuItem& items = pmMain_->Items();
    items.Add("显示主窗口").SetOnClick([this](platform::MenuItem&) { miShowMainClick(); });
    items.Add("-");
    items.Add("-");
    platform::MenuItem& settings = items.Add("设置");
    platform::MenuItem& closeToTray = settings.Add("关闭时隐藏到系统托盘");
    closeToTray.SetOnClick([this](platform::MenuItem& item) { miCloseToTrayIconClick(item); });
    closeToTray.SetToggle(platform::MenuToggle::CheckMark);
    closeToTray.SetChecked(IsCloseToTray());
    items.Add("-");
    items.Add("退出").SetOnClick([this](platform::MenuItem&) { platform_.app.Halt(); });
    if (TIniFile* menuIni = run_.menu.get()) {
        BuildTrayMenu(items, *menuIni, [this](platform::MenuItem& item) {
            MenuClickContext context;
            context.isMainWindowVisible = [this] { return frame_->IsVisible(); };
            context.showMainWindow = [this] {
                frame_->Show();
                frame_->BringToFront();
                platform_.app.ProcessMessages();
            };
            context.documentCompleted = [this] { return FDocumentCompleted; };
            context.startAddress = start_address_;
            context.showError = [this](const std::string& text) { boxes_.Error(text); };
            context.navigate = [this](const std::string& address) {
                wbMain().Navigate(address, platform::CacheUse::NoReadFromCache);
            };
            if (TIniFile* file = run_.menu.get()) MenuItemClick(item.Caption(), *file, context);
        });
    }
}

void TfmMain::CreateTrayIcon() {
    FTrayIcon = std::make_unique<TtsTrayIcon>(platform_.app, platform_.boxes, platform_.notifyIcons, platform_.factory);
    FTrayIcon->SetPopupMenu(pmMain_.get());
    FTrayIcon->SetHideOnMinimize(false);
    FTrayIcon->SetRestoreOn(ticNone);
    FTrayIcon->OnLButtonDblClick = [this](TtsTrayIcon&) { ToggleMainWindow(); };
    FTrayIcon->OnTrayLost = [this](TtsTrayIcon&) { TrayLost(); };
    FTrayIcon->ResetIcon();
    FTrayIcon->SetEnabled(true);
}

bool TfmMain::IsCloseToTray() const {
    TtsIni settings("", platform_.registry, log_.ErrorNotify());
    return tesra::IsCloseToTray(ReadUserCloseToTray(settings, log_.Log()), MenuFileCloseToTray(run_.menu.get()));
}

void TfmMain::SetCloseToTray(bool on) {
    TtsIni("", platform_.registry, log_.ErrorNotify()).WriteBool("TesraBrowser", "IsCloseToTrayIcon", on);
}

void TfmMain::miShowMainClick() {
    frame_->Show();
    frame_->BringToFront();
    if (platform_.app.IsMinimized()) platform_.app.Restore();
    platform_.app.BringToFront();
    blink_timer_->SetEnabled(!frame_->IsVisible());
}

void TfmMain::miCloseToTrayIconClick(platform::MenuItem& item) {
    item.SetChecked(!item.Checked());
    SetCloseToTray(item.Checked());
}

void TfmMain::ToggleMainWindow() {
    if (frame_->IsVisible()) {
        frame_->Hide();
    } else {
        frame_->Show();
        if (platform_.app.IsMinimized()) platform_.app.Restore();
        platform_.app.BringToFront();
    }
    ArmBlinkTimer();
}

// Without a tray host nothing could bring a hidden window back: it comes back minimised.
void TfmMain::TrayLost() {
    if (frame_->IsVisible()) return;
    // Minimised first, so that it is mapped minimised rather than seen for a moment.
    frame_->Minimize();
    frame_->Show();
    ArmBlinkTimer();
}

void TfmMain::wbDownloadComplete() {
    TtbInstaller::RestoreEnvironment(platform_, run_);
    // A binding on its way (started by the completed page) is not started twice.
    if (!FServiceBound && !binding_) {
        BindFacade();
        platform_.app.ProcessMessages();
    }
}

void TfmMain::wbMainDocumentComplete(const std::string& url) {
    if (wbMain().State() != platform::ReadyState::Complete) return;
    if (first_page_.empty()) first_page_ = url;
    FServiceBound = false;
    errors_shown_ = false;  // a new document: its binding errors are shown once
    if (ContainsStr("paramTo=changeuser", url)) {
        // A report of the user before, still on its way, no longer counts for the new user.
        FClientInfoLogged = false;
        report_on_its_way_ = false;
        ++report_user_;
    }
    std::optional<platform::ClientTexts> report;
    if (ContainsStr("main=true", url) && !FClientInfoLogged && !report_on_its_way_) report = ClientInformation();
    FDocumentCompleted = true;
    if (!wbMain().HasDocument()) return BindFacade();  // the fatal path
    // Binding, report and version go to the page in one go, as one step of the page's life.
    binding_ = true;
    report_on_its_way_ = report.has_value();
    wbMain().Page().CompleteDocument(
        TrustedAddresses(), report, GetIEVersion(platform_.registry),
        [this, asked = report.has_value(), user = report_user_](const platform::DocumentOutcome& outcome) {
            if (asked && user == report_user_) {
                report_on_its_way_ = false;
                // Marked only once the page has it: a report that did not arrive goes with the next main page.
                if (outcome.binding.linkError.empty() && outcome.reportError.empty()) FClientInfoLogged = true;
            }
            OnBound(outcome.binding, false);
            // Not guarded: a page that rejects the statement goes to the general error handling.
            if (!outcome.versionError.empty()) throw Exception(outcome.versionError, "EOleException");
        });
}

std::vector<std::string> TfmMain::TrustedAddresses() const {
    std::vector<std::string> addresses{start_address_};
    if (!first_page_.empty()) addresses.push_back(first_page_);
    return addresses;
}

bool TfmMain::IsApplicationAddress(const std::string& address) const {
    auto trusted = TrustedAddresses();
    return std::any_of(trusted.begin(), trusted.end(), [&](const std::string& t) { return IsSameOrigin(address, t); });
}

void TfmMain::BindFacade() {
    if (!wbMain().HasDocument()) {
        TtbInstaller::RestoreEnvironment(platform_, run_);
        boxes_.Info("网络出错：请检查网络是否正常或输入的网址是否正确,请确认网址是以'/'结束！");
        platform_.app.Terminate();
        return;
    }
    binding_ = true;
    wbMain().Page().BindFacade(TrustedAddresses(),
                               [this](const platform::BindOutcome& outcome) { OnBound(outcome, false); });
}

void TfmMain::OnBound(const platform::BindOutcome& outcome, bool fromTimer) {
    if (!outcome.linkError.empty()) log_.Trace().Trace("BindFacade: " + outcome.linkError);
    if (outcome.bound) FServiceBound = true;
    if (outcome.hasFacadeHost) has_facade_host_ = true;
    if (outcome.retryLater) blink_timer_->SetEnabled(true);
    // Still marked as binding while the boxes are open, so that the timer does not pile up more. A
    // facade that keeps failing is retried, but its errors are shown once per document: a box every
    // 500 ms would leave the user no way to work.
    if (!outcome.errors.empty() && !errors_shown_) {
        errors_shown_ = true;
        for (const auto& error : outcome.errors) boxes_.Info(error);
    }
    binding_ = false;
    if (fromTimer && !hint_->HasNewMessages() && FServiceBound) blink_timer_->SetEnabled(false);
}

std::optional<platform::ClientTexts> TfmMain::ClientInformation() {
    try {
        ClientReport report = ReadClientReport(platform_.system, platform_.registry, boxes_);
        return platform::ClientTexts{report.cpu, report.memory, report.os, report.software};
    } catch (const std::exception&) {
        return std::nullopt;  // the report swallows every error
    }
}

platform::BrowserControl* TfmMain::wbMainNewWindow2(platform::BrowserControl& opener) {
    popups_.push_back(
        std::make_unique<TfmNew>(platform_.windows, opener, [this](TfmNew& popup) { ClosePopup(popup); }));
    TfmNew* popup = popups_.back().get();
    platform::BrowserControl& browser = popup->wb1();
    platform::BrowserControl::Events events;
    // Pop-ups of pop-ups are pop-ups too.
    events.onNewWindow = [this, &browser] { return wbMainNewWindow2(browser); };
    events.isApplication = [this](const std::string& address) { return IsApplicationAddress(address); };
    browser.SetEvents(std::move(events));
    popup->Frame().SetCaption(frame_->Caption());
    popup->Frame().Show();
    popup_windows_[PopupKey(browser.Handle())] = popup;
    return &browser;
}

// A closed pop-up goes with its page (no sound or timer of it runs on); it is freed once the event
// that closed it has returned, since that event may come from its own window or page.
void TfmMain::ClosePopup(TfmNew& popup) {
    popup_windows_.erase(PopupKey(popup.wb1().Handle()));
    auto owned = std::find_if(popups_.begin(), popups_.end(), [&](const auto& p) { return p.get() == &popup; });
    if (owned == popups_.end()) return;
    popup.Frame().Hide();
    closed_popups_.push_back(std::move(*owned));
    popups_.erase(owned);
    reaper_->SetEnabled(true);
}

void TfmMain::FreeClosedPopups() {
    reaper_->SetEnabled(false);
    closed_popups_.clear();
}

void TfmMain::FormClose() {
    if (IsCloseToTray()) {
        // Without an icon in the tray a hidden window could not be got back: it is minimised instead.
        if (FTrayIcon && FTrayIcon->InTray()) {
            frame_->Hide();
        } else {
            frame_->Minimize();
        }
    } else if (platform_.boxes.Show("您确定要退出系统吗？", "提示", platform::MB_OKCANCEL) == platform::IDOK) {
        ArmBlinkTimer();
        platform_.app.Halt();
    }
    ArmBlinkTimer();
}

// Without what a failed creation skipped, there is nothing to blink.
void TfmMain::ArmBlinkTimer() {
    if (hint_) hint_->ArmBlinkTimer();
}

namespace {

// The page's key shortcuts: Ctrl with one of these keys, and none of Alt, Esc, Shift, Space and Tab.
const char* PageShortcut(int virtualKey) {
    switch (virtualKey) {
    case 'K':
        return "CtrlK";
    case 'L':
        return "CtrlL";
    case 'N':
        return "CtrlN";
    case 'P':
        return "CtrlP";
    case 'S':
        return "CtrlS";
    default:
        return nullptr;
    }
}

}  // namespace

void TfmMain::AppMessage(const platform::MessageRecord& message, bool& handled) {
    using namespace platform;
    if (!FServiceBound) return;
    if (message.number == WM_CLOSE) {
        handled = true;
        if (message.target == wbMain().Handle()) {
            // Only the application's own page ends the program; another site's page, or a pop-up
            // calling its opener's close, is ignored like its other calls.
            RequestSource source;
            source.application = message.wParam == kCloseByBoundApplication;
            source.bound = FServiceBound;
            if (MayServe(PageRequest::CloseProgram, source)) platform_.app.Terminate();
        } else if (auto popup = popup_windows_.find(PopupKey(message.target)); popup != popup_windows_.end()) {
            ClosePopup(*popup->second);
        }
        return;
    }
    if (!has_facade_host_) return;
    // From here on every error is ignored.
    auto ignore = [](const std::string&) {};
    if (message.number == WM_SYSCOMMAND && message.wParam == SC_RESTORE)
        wbMain().Page().DoMessage("RESTORE", "", ignore);
    if (message.target != wbMain().Handle()) return;
    if (message.number != WM_KEYDOWN || (message.lParam & (1L << 31))) return;
    const Application& app = platform_.app;
    if (message.wParam == 'X') {
        // The picture is not used: the shortcut only runs the capture.
        if (app.IsKeyDown(VK_LWIN)) RunIgnoringErrors([this] { CaptureImageBase64(capture_, 1); });
        if (app.IsKeyDown(VK_RWIN)) RunIgnoringErrors([this] { CaptureImageBase64(capture_, 0); });
    }
    const char* shortcut = PageShortcut(static_cast<int>(message.wParam));
    bool otherKeys = app.IsKeyDown(VK_MENU) || app.IsKeyDown(VK_ESCAPE) || app.IsKeyDown(VK_SHIFT) ||
                     app.IsKeyDown(VK_SPACE) || app.IsKeyDown(VK_TAB);
    if (shortcut && app.IsKeyDown(VK_CONTROL) && !otherKeys) {
        handled = true;
        wbMain().Page().DoHotKey(shortcut, ignore);
    }
}

void TfmMain::TimerTick() {
    hint_->BlinkStep();
    if (FServiceBound || binding_ || !wbMain().HasDocument()) return;
    binding_ = true;
    wbMain().Page().BindFacade(TrustedAddresses(),
                               [this](const platform::BindOutcome& outcome) { OnBound(outcome, true); });
}

}  // namespace tesra
