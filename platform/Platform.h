#pragma once
// Every interface through which the portable code reaches the system, in one handle. The program's
// entry builds the real one (linux/main.cpp); unit tests build one of fakes and hand it in.

#include <memory>

#include "platform/Application.h"
#include "platform/Browser.h"
#include "platform/CaptureUi.h"
#include "platform/Cursor.h"
#include "platform/DebugChannel.h"
#include "platform/Drawing.h"
#include "platform/Environment.h"
#include "platform/FocusInfo.h"
#include "platform/HotKeys.h"
#include "platform/InputUrlView.h"
#include "platform/InstallForm.h"
#include "platform/MessageBox.h"
#include "platform/NetworkIdentity.h"
#include "platform/NotifyIcon.h"
#include "platform/PopupMenu.h"
#include "platform/Registry.h"
#include "platform/Screen.h"
#include "platform/SystemInfo.h"
#include "platform/Timer.h"

namespace tesra::platform {

// The platform objects that are made on demand. User-interface thread only.
class Factory {
public:
    virtual ~Factory() = default;
    // A disabled timer with an interval of 1000 ms.
    [[nodiscard]] virtual std::unique_ptr<Timer> MakeTimer() = 0;
    // A new hot-key receiver; each press of one of its keys runs onHotKey with the id through the
    // application's handler guard.
    [[nodiscard]] virtual std::unique_ptr<HotKeys> MakeHotKeys(HotKeyCallback onHotKey) = 0;
    // A receiver for the keys that the program registers for itself, not the page. A platform where a
    // global key may cost the user a question at every start gives one that refuses every key.
    [[nodiscard]] virtual std::unique_ptr<HotKeys> MakeProgramHotKeys(HotKeyCallback onHotKey) {
        return MakeHotKeys(std::move(onHotKey));
    }
    // An empty popup menu.
    [[nodiscard]] virtual std::unique_ptr<PopupMenu> MakePopupMenu() = 0;
    // The window of the address dialog, not yet shown.
    [[nodiscard]] virtual std::unique_ptr<InputUrlView> MakeInputUrlView() = 0;
    // The installer's progress form, not yet shown.
    [[nodiscard]] virtual std::unique_ptr<InstallForm> MakeInstallForm() = 0;
};

// References only: whoever builds the handle keeps the objects alive longer than every unit it
// hands the handle to. A const handle still gives every interface for use.
struct Platform {
    Environment& environment;     // folders, files, processes, fatal faults
    Drawing& drawing;             // badges, icon size, picture sizes
    Application& app;             // title, icon, message loop, keyboard state
    MessageBoxes& boxes;          // modal message boxes
    Registry& registry;           // the two registry hives
    Screen& screen;               // pictures of the primary display
    WindowSystem& windows;        // browser frames and the work area
    CaptureUi& captureUi;         // the screen capture's start dialog and overlay
    NetworkIdentity& network;     // interfaces, computer name, own addresses
    SystemInformation& system;    // processor, memory, system version
    NotifyIconHost& notifyIcons;  // the desktop's notification area
    Factory& factory;             // timers, hot keys, menus and dialog windows made on demand
    AppCursor& cursor;            // the busy cursor
    DebugChannel& debug;          // the debug viewer's channel
    FocusInfo& focus;             // the active window and its focused control
};

}  // namespace tesra::platform
