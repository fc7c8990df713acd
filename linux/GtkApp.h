#pragma once
// The application object on GTK: the main loop, the message filter fed from GDK events, the keyboard
// state, and the message records that windows and web views post.

#include <gtk/gtk.h>

#include <set>
#include <string>

#include "platform/Application.h"
#include "support/EscapeKey.h"

namespace tesra::platform {

class GtkApp final : public Application {
public:
    GtkApp();
    ~GtkApp() override;

    std::string Title() const override { return title_; }
    void SetTitle(const std::string& title) override { title_ = title; }
    bool SetIconFile(const std::string& path) override;
    void ProcessMessages() override;
    void Run() override;
    void Terminate() override;
    [[noreturn]] void Halt() override;
    void SetMessageFilter(MessageFilter filter) override { filter_ = std::move(filter); }
    bool IsKeyDown(int virtualKey) const override { return keys_down_.count(virtualKey) > 0; }
    bool IsMinimized() const override;
    void Restore() override;
    void BringToFront() override;
    std::string IconFile() const override { return icon_file_; }
    void Minimize() override;
    void SetTaskbarButtonVisible(bool visible) override;
    void SetOnMinimize(std::function<void()> handler) override { on_minimize_ = std::move(handler); }
    void SetOnRestore(std::function<void()> handler) override { on_restore_ = std::move(handler); }

    // Passes a message record through the filter; true when the filter handled it.
    bool Filter(const MessageRecord& message);

    // Windows are registered so that events can name their target and the application can act on
    // all of its windows at once.
    void AddWindow(GtkWindow* window);
    void RemoveWindow(GtkWindow* window);
    // Restores the window as the program's own command, which the filter does not see (only the
    // user's restore reaches it).
    void RestoreUnfiltered(GtkWindow* window);

private:
    static void OnEvent(GdkEvent* event, gpointer self);
    bool FilterEvent(GdkEvent* event);

    std::string title_;
    std::string icon_file_;
    std::function<void()> on_minimize_;
    std::function<void()> on_restore_;
    MessageFilter filter_;
    std::set<int> keys_down_;
    std::set<GtkWindow*> windows_;
    std::set<GtkWindow*> unfiltered_restores_;  // minimised windows whose coming restore is the program's
    int loop_depth_ = 0;
    bool quit_requested_ = false;
};

// Identifier of a widget for message records; registered by the frame and browser layers.
WindowId WidgetId(GtkWidget* widget);
void SetWidgetId(GtkWidget* widget, WindowId id);
WindowId NewWindowId();

// The virtual-key code of a GDK key value, 0 when it has none.
int VirtualKeyFromKeyval(guint keyval);
// The modifiers held in a GDK key event's state.
KeyModifiers ModifiersOf(guint state);

}  // namespace tesra::platform
