#pragma once
// The application object: title, icon, the message loop and its filter, and the keyboard state.
// All methods are for the user-interface thread only.

#include <functional>
#include <string>

#include "platform/HandlerGuard.h"
#include "platform/Messages.h"

namespace tesra::platform {

class Application {
public:
    using MessageFilter = std::function<void(const MessageRecord& message, bool& handled)>;

    virtual ~Application() = default;

    // The application title; it names the instance lock and captions the message boxes.
    virtual std::string Title() const = 0;
    virtual void SetTitle(const std::string& title) = 0;

    // Makes the picture in the icon file the icon of every window of the program. False when the file
    // is not a picture that the platform can read; the icon is then unchanged.
    virtual bool SetIconFile(const std::string& path) = 0;

    // Runs the events that are pending now and returns without waiting for more.
    virtual void ProcessMessages() = 0;
    // Runs the message loop until Terminate is called.
    virtual void Run() = 0;
    // Asks the message loop to end; returns at once.
    virtual void Terminate() = 0;
    // Ends the process at once with exit code 0. Only the standard streams are flushed and the files
    // to be removed at exit removed: no exit handlers and no static destructors run, and no window or
    // tray icon is taken down first (the system does that when the process is gone).
    [[noreturn]] virtual void Halt() = 0;

    // The filter sees every input and window message before it is dispatched; setting handled
    // suppresses the dispatch. One filter; a new one replaces the old.
    virtual void SetMessageFilter(MessageFilter filter) = 0;
    // Whether the key with this virtual-key code is down, as seen by the messages taken so far.
    virtual bool IsKeyDown(int virtualKey) const = 0;

    // Minimised state of the application as a whole, and bringing it to the front.
    virtual bool IsMinimized() const = 0;
    virtual void Restore() = 0;
    virtual void BringToFront() = 0;

    // Task-bar and minimise services of the tray icon; the defaults do nothing.
    // The picture file last accepted by SetIconFile; empty while the program has its default icon.
    virtual std::string IconFile() const { return {}; }
    // Minimises the application as a whole; nothing when it is minimised already.
    virtual void Minimize() {}
    // Shows or hides the application's entries in the task bar.
    virtual void SetTaskbarButtonVisible(bool visible) { (void)visible; }
    // Handlers that run after the application has been minimised or restored as a whole (also by
    // Minimize and Restore). One handler each; a new one replaces the old, an empty one removes it.
    virtual void SetOnMinimize(std::function<void()> handler) { (void)handler; }
    virtual void SetOnRestore(std::function<void()> handler) { (void)handler; }

    // Both handlers above for owner, replacing those of another owner.
    void SetMinimizeHooks(const void* owner, std::function<void()> onMinimize, std::function<void()> onRestore) {
        hookOwner_ = owner;
        SetOnMinimize(std::move(onMinimize));
        SetOnRestore(std::move(onRestore));
    }
    // Removes both handlers when they are still owner's.
    void ClearMinimizeHooks(const void* owner) {
        if (hookOwner_ != owner) return;
        hookOwner_ = nullptr;
        SetOnMinimize({});
        SetOnRestore({});
    }

    // The guard that every handler of this application's platform runs through (the crash-reporting
    // layer's, see RunGuarded); an empty one runs handlers bare.
    void SetHandlerGuard(HandlerGuard guard) { guard_ = std::move(guard); }
    const HandlerGuard& Guard() const { return guard_; }

private:
    HandlerGuard guard_;
    const void* hookOwner_ = nullptr;
};

}  // namespace tesra::platform
