#pragma once
// Icons in the desktop's notification area (the system tray), in the shape of the classic notify-icon
// call: a record (window, identifier, flags, callback message, icon, tip) is added, modified and
// deleted; mouse notifications arrive as callback messages at a hidden message window of the caller.
// All methods are for the user-interface thread only.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Icon.h"
#include "platform/Messages.h"

namespace tesra::platform {

class PopupMenu;

enum NotifyIconCommand : unsigned { NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2 };

enum NotifyIconFlags : unsigned { NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4 };

// Notification codes, carried as the whole lParam of the callback message.
enum NotifyIconCode : std::intptr_t {
    NIN_LBUTTONDOWN = 513,
    NIN_LBUTTONUP = 514,
    NIN_LBUTTONDBLCLK = 515,
    NIN_RBUTTONDOWN = 516,
    NIN_RBUTTONUP = 517,
    NIN_RBUTTONDBLCLK = 518,
    NIN_BALLOONHIDE = 1027,
    NIN_BALLOONTIMEOUT = 1028,
    NIN_BALLOONUSERCLICK = 1029,
};

// Record sizes of the two classic layouts: the old one holds a tip of 63 characters, the new one 127.
constexpr std::uint32_t kNotifyIconDataOldSize = 88;
constexpr std::uint32_t kNotifyIconDataNewSize = 488;

struct NotifyIconData {
    std::uint32_t size = kNotifyIconDataNewSize;
    WindowId window = 0;   // message window that receives the callback messages
    std::uint32_t id = 0;  // tells apart the icons of one window
    unsigned flags = 0;    // NotifyIconFlags: which of the members below are valid
    unsigned callbackMessage = 0;
    IconImage icon;
    std::string tip;  // UTF-8
    // The icon's menu, for tray hosts that draw it themselves; hosts that only report clicks
    // ignore it. Referenced, not owned.
    PopupMenu* menu = nullptr;
};

class NotifyIconHost {
public:
    // Receives every message sent to a message window; returns the message's answer.
    using MessageHandler = std::function<std::intptr_t(const MessageRecord& message)>;

    virtual ~NotifyIconHost() = default;

    // Creates a hidden window that only receives messages; never 0. The handler runs through the
    // application's handler guard.
    virtual WindowId CreateMessageWindow(MessageHandler handler) = 0;
    // Destroys it; its handler is never called again. Unknown ids are ignored.
    virtual void DestroyMessageWindow(WindowId window) = 0;

    // NIM_ADD offers a new icon to the tray host (false when none takes icons now); whether the host
    // shows it comes later as the AddAnsweredMessage. NIM_MODIFY changes the icon and the tip (the tip
    // shows exactly while NIF_TIP is set); NIM_DELETE removes it. False on failure, also for a modify or
    // delete of an icon that is not there.
    virtual bool Notify(NotifyIconCommand command, const NotifyIconData& data) = 0;

    // Number of the message that every message window receives when the tray host has been created
    // anew (icons then have to be added again).
    virtual unsigned TaskbarCreatedMessage() const = 0;
    // Number of the message that every message window receives when the tray host has gone away and
    // none came back within a few seconds: icons are not seen until "TaskbarCreated".
    virtual unsigned TaskbarLostMessage() const = 0;
    // Number of the message that an icon's window receives once the tray host has answered an add that
    // Notify took: wParam is the icon's identifier, lParam 1 when the icon shows and 0 when the host did
    // not take it in within a short time (the icon is then removed, as after a failed add). It may come
    // before Notify returns, when the host has answered already; a deleted icon is not answered.
    virtual unsigned AddAnsweredMessage() const = 0;
    // Sends a message to every message window, as the platform's broadcasts do (the task bar's
    // re-creation; a session guard may send the end-of-session messages this way).
    virtual void Broadcast(const MessageRecord& message) = 0;
    // A query broadcast (the end-of-session query): one window at a time, stopping at the first
    // that answers 0. False when one did.
    virtual bool QueryBroadcast(const MessageRecord& message) = 0;

    // Major version of the platform's notify-icon support; 5 or more offers the new record layout.
    virtual int ShellMajorVersion() const = 0;
};

}  // namespace tesra::platform
