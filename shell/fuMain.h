#pragma once
// The main window: one frame around the browser control, its pop-ups, the caption that follows the
// page title, and what closing means.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Browser.h"
#include "platform/Messages.h"
#include "platform/PopupMenu.h"
#include "platform/Timer.h"
#include "services/CaptureScreen.h"
#include "services/HotKeyState.h"
#include "setup/fuInstall.h"
#include "shell/NewMessageHint.h"
#include "shell/fuNew.h"
#include "support/tbLog.h"
#include "support/tsCommon.h"
#include "support/tsTrayIcon.h"

namespace tesra {

// The address with "__MAC=" and the machine address appended ("&" when it has a query already).
std::string AddMachineParam(const std::string& address, const std::string& machine);

// The key of a pop-up in PopupWindows: the decimal text of its browser's handle (signed 32-bit).
std::string PopupKey(platform::WindowId browser);

// The hosted engine's version from the machine's "Version Vector" key ("IE"); empty when it cannot be read.
std::string GetIEVersion(platform::Registry& registry);

class TfmMain {
public:
    // FormCreate: wires the browser, places the window on the work area and navigates to the start
    // address, the application's address of this run. A failure of one of its steps is shown in a box
    // and skips the steps after it; the window stays, and nothing of the program is left pointing at it
    // when it goes. The platform, the log, the setup's run and the capture outlive the window.
    TfmMain(const platform::Platform& platform, TbLog& log, SetupRun& run, TScreenCapture& capture,
            std::string startAddress);
    ~TfmMain();
    TfmMain(const TfmMain&) = delete;
    TfmMain& operator=(const TfmMain&) = delete;

    // FormShow: top-left corner of the screen, in front.
    void FormShow();
    void RefreshPage() { wbMain().Refresh(); }
    bool ServiceBound() const { return FServiceBound; }
    HotKeyState& HotKeys() { return hot_keys_; }

    // The application-wide message filter: close requests of the pages, window restore and the
    // page's key shortcuts reach the page's facade once it is bound.
    void AppMessage(const platform::MessageRecord& message, bool& handled);

    // The page's count of new messages: the tray icon blinks with it while the window is hidden.
    void ShowNewMessageHint(std::int32_t count) {
        if (hint_) hint_->ShowNewMessageHint(count);
    }
    TtsTrayIcon& TrayIcon() { return *FTrayIcon; }
    platform::PopupMenu& pmMain() { return *pmMain_; }

    // Closing hides the window to the tray: the user's own setting, or the web application's default.
    bool IsCloseToTray() const;
    void SetCloseToTray(bool on);

    platform::Frame& Frame() { return *frame_; }
    platform::BrowserControl& wbMain() { return frame_->Browser(); }
    // Pop-ups under the decimal text of their browser's handle.
    const std::map<std::string, TfmNew*>& PopupWindows() const { return popup_windows_; }

private:
    void FormCreate();
    void NavigateTo(const std::string& address);
    void wbMainTitleChange(const std::string& title);
    void wbDownloadComplete();
    void wbMainDocumentComplete(const std::string& url);
    platform::BrowserControl* wbMainNewWindow2(platform::BrowserControl& opener);
    void FormClose();
    void ArmBlinkTimer();
    void TimerTick();
    void ClosePopup(TfmNew& popup);
    void FreeClosedPopups();

    // The tray.
    void CreateTrayMenu();
    void CreateTrayIcon();
    void miShowMainClick();
    void miCloseToTrayIconClick(platform::MenuItem& item);
    void ToggleMainWindow();
    void TrayLost();

    // The page hook.
    void BindFacade();
    void OnBound(const platform::BindOutcome& outcome, bool fromTimer);
    // The client report's texts; none when they cannot be read.
    std::optional<platform::ClientTexts> ClientInformation();
    std::vector<std::string> TrustedAddresses() const;
    // The document at the address is the application's: of the origin of one of the trusted addresses.
    bool IsApplicationAddress(const std::string& address) const;

    HotKeyState hot_keys_;
    const platform::Platform& platform_;
    TbLog& log_;
    SetupRun& run_;
    const AppBoxes boxes_;
    TScreenCapture& capture_;
    const std::string start_address_;
    std::unique_ptr<platform::Frame> frame_;
    std::unique_ptr<platform::Timer> blink_timer_;
    std::unique_ptr<platform::Timer> reaper_;  // frees closed pop-ups after the event that closed them
    // The menu outlives the tray icon that shows it; the blink uses both.
    std::unique_ptr<platform::PopupMenu> pmMain_;
    std::unique_ptr<TtsTrayIcon> FTrayIcon;
    std::unique_ptr<NewMessageHint> hint_;
    std::vector<std::unique_ptr<TfmNew>> popups_;
    std::vector<std::unique_ptr<TfmNew>> closed_popups_;
    std::map<std::string, TfmNew*> popup_windows_;
    bool FServiceBound = false;
    bool FClientInfoLogged = false;
    bool FDocumentCompleted = false;
    bool has_facade_host_ = false;    // FFacadeHost lives in the page bridge; this tells whether it is set
    bool binding_ = false;            // a binding request is on its way to the page
    bool report_on_its_way_ = false;  // the client report has been sent and not yet answered
    int report_user_ = 0;             // counts the user changes, so that an old user's answer is ignored
    bool errors_shown_ = false;       // the binding errors of the current document have been shown
    std::string first_page_;          // where the first page really loaded, after any redirection
};

}  // namespace tesra
