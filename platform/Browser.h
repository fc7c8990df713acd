#pragma once
// The browser control and the frames that host it (the main window and its pop-ups).
// All methods are for the user-interface thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Messages.h"
#include "platform/PageLink.h"

namespace tesra::platform {

enum class ReadyState { Uninitialized = 0, Loading = 1, Loaded = 2, Interactive = 3, Complete = 4 };

// Whether a navigation may take the page from the cache; NoReadFromCache asks the server again.
enum class CacheUse { ReadFromCache, NoReadFromCache };

class BrowserControl {
public:
    struct Events {
        // After every download of a top-level page, also when the navigation failed without a page.
        std::function<void()> onDownloadComplete;
        std::function<void(const std::string& title)> onTitleChange;
        // Once the whole page has loaded (ReadyState is then Complete); the address as text.
        std::function<void(const std::string& url)> onDocumentComplete;
        // A page asks for a new window: return the control that is to show it, or null to refuse.
        std::function<BrowserControl*()> onNewWindow;
        // Whether a document at the address is the application's: another site's document may not
        // print, open pop-ups or save files without a user action, nor have a certificate accepted.
        std::function<bool(const std::string& address)> isApplication;
    };

    virtual ~BrowserControl() = default;
    virtual void SetEvents(Events events) = 0;
    virtual void Navigate(const std::string& url, CacheUse cache) = 0;
    virtual void Refresh() = 0;
    virtual ReadyState State() const = 0;
    // Whether a document is shown: false before the first page and after a load failed without one.
    virtual bool HasDocument() const = 0;
    virtual std::string Url() const = 0;
    // Identifies the control; keys typed in the page and the page's close requests are messages
    // with this target.
    virtual WindowId Handle() const = 0;
    // The page bridge of the control's pages.
    virtual PageLink& Page() = 0;
};

enum class FrameKind {
    Main,   // fixed size, system menu and minimise buttons
    Popup,  // stays on top of other windows
};

class Frame {
public:
    virtual ~Frame() = default;
    virtual BrowserControl& Browser() = 0;
    virtual WindowId Handle() const = 0;

    virtual void SetCaption(const std::string& caption) = 0;
    virtual std::string Caption() const = 0;
    virtual void SetBounds(int left, int top, int width, int height) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool IsVisible() const = 0;
    virtual void BringToFront() = 0;
    virtual void Minimize() = 0;
    virtual bool IsMinimized() const = 0;
    // The program's own restore: the message filter does not see it as a restore command.
    virtual void Restore() = 0;

    // Close box or Esc: the handler decides; the frame itself never closes.
    virtual void SetOnCloseRequest(std::function<void()> onClose) = 0;
    virtual void SetOnEscape(std::function<void()> onEscape) = 0;
};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // A new hidden frame with a browser control. A pop-up passes the control whose page asked for
    // it, so that the new page shares that page's session.
    [[nodiscard]] virtual std::unique_ptr<Frame> MakeFrame(FrameKind kind, BrowserControl* opener) = 0;
    // The desktop work area of the primary display; none when no display is known.
    virtual std::optional<Rect> WorkArea() const = 0;
};

}  // namespace tesra::platform
