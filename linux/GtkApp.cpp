#include "linux/GtkApp.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "linux/IconPixbuf.h"
#include "linux/Leftovers.h"
#include "platform/HandlerGuard.h"

namespace tesra::platform {
namespace {

const char kWidgetIdKey[] = "tesra-window-id";

// Walks up from the widget to the nearest widget that has an identifier.
WindowId NearestId(GtkWidget* widget) {
    for (; widget; widget = gtk_widget_get_parent(widget)) {
        if (WindowId id = WidgetId(widget)) return id;
    }
    return 0;
}

GtkWidget* ToplevelOf(GdkWindow* window) {
    if (!window) return nullptr;
    gpointer data = nullptr;
    gdk_window_get_user_data(gdk_window_get_toplevel(window), &data);
    return data ? GTK_WIDGET(data) : nullptr;
}

// Key data of a key message: repeat count 1, bit 30 set for an auto-repeat, bits 30 and 31 set on release.
std::intptr_t KeyData(const GdkEventKey& key, bool wasDown) {
    std::intptr_t data = 1 | (static_cast<std::intptr_t>(key.hardware_keycode & 0xFF) << 16);
    if (key.type == GDK_KEY_RELEASE) return data | (3L << 30);
    return wasDown ? data | (1L << 30) : data;
}

}  // namespace

WindowId WidgetId(GtkWidget* widget) {
    return reinterpret_cast<WindowId>(g_object_get_data(G_OBJECT(widget), kWidgetIdKey));
}

void SetWidgetId(GtkWidget* widget, WindowId id) {
    g_object_set_data(G_OBJECT(widget), kWidgetIdKey, reinterpret_cast<gpointer>(id));
}

WindowId NewWindowId() {
    // Small positive numbers: they stand in for window handles in texts (signed 32-bit decimal).
    static WindowId next = 0x10000;
    return ++next;
}

KeyModifiers ModifiersOf(guint state) {
    return {(state & GDK_CONTROL_MASK) != 0, (state & GDK_SHIFT_MASK) != 0, (state & GDK_MOD1_MASK) != 0};
}

int VirtualKeyFromKeyval(guint keyval) {
    guint upper = gdk_keyval_to_upper(keyval);
    if (upper >= GDK_KEY_A && upper <= GDK_KEY_Z) return static_cast<int>(upper - GDK_KEY_A + 'A');
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return static_cast<int>(keyval - GDK_KEY_0 + '0');
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return static_cast<int>(keyval - GDK_KEY_F1 + 0x70);
    static const std::map<guint, int> named = {
        {GDK_KEY_Tab, VK_TAB},
        {GDK_KEY_ISO_Left_Tab, VK_TAB},
        {GDK_KEY_Return, VK_RETURN},
        {GDK_KEY_KP_Enter, VK_RETURN},
        {GDK_KEY_Shift_L, VK_SHIFT},
        {GDK_KEY_Shift_R, VK_SHIFT},
        {GDK_KEY_Control_L, VK_CONTROL},
        {GDK_KEY_Control_R, VK_CONTROL},
        {GDK_KEY_Alt_L, VK_MENU},
        {GDK_KEY_Alt_R, VK_MENU},
        {GDK_KEY_Meta_L, VK_MENU},
        {GDK_KEY_ISO_Level3_Shift, VK_MENU},
        {GDK_KEY_Escape, VK_ESCAPE},
        {GDK_KEY_space, VK_SPACE},
        {GDK_KEY_Super_L, VK_LWIN},
        {GDK_KEY_Super_R, VK_RWIN},
        {GDK_KEY_BackSpace, 0x08},
        {GDK_KEY_Page_Up, 0x21},
        {GDK_KEY_Page_Down, 0x22},
        {GDK_KEY_End, 0x23},
        {GDK_KEY_Home, 0x24},
        {GDK_KEY_Left, 0x25},
        {GDK_KEY_Up, 0x26},
        {GDK_KEY_Right, 0x27},
        {GDK_KEY_Down, 0x28},
        {GDK_KEY_Insert, 0x2D},
        {GDK_KEY_Delete, 0x2E},
    };
    auto it = named.find(keyval);
    return it == named.end() ? 0 : it->second;
}

GtkApp::GtkApp() { gdk_event_handler_set(&GtkApp::OnEvent, this, nullptr); }

GtkApp::~GtkApp() {
    gdk_event_handler_set([](GdkEvent* event, gpointer) { gtk_main_do_event(event); }, nullptr, nullptr);
}

bool GtkApp::SetIconFile(const std::string& path) {
    g_autoptr(GdkPixbuf) icon = IconPixbufFromFile(path);
    if (!icon) return false;
    gtk_window_set_default_icon(icon);
    for (GtkWindow* window : windows_) gtk_window_set_icon(window, icon);
    icon_file_ = path;
    return true;
}

void GtkApp::Minimize() {
    if (IsMinimized()) return;
    for (GtkWindow* window : windows_) {
        if (gtk_widget_get_visible(GTK_WIDGET(window))) gtk_window_iconify(window);
    }
}

void GtkApp::SetTaskbarButtonVisible(bool visible) {
    for (GtkWindow* window : windows_) gtk_window_set_skip_taskbar_hint(window, !visible);
}

void GtkApp::ProcessMessages() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

void GtkApp::Run() {
    ++loop_depth_;
    while (!quit_requested_) gtk_main_iteration_do(TRUE);
    --loop_depth_;
}

void GtkApp::Terminate() {
    quit_requested_ = true;
    g_main_context_wakeup(nullptr);
}

void GtkApp::Halt() {
    std::fflush(nullptr);
    RemoveExitFiles();
    // The web engine's threads must not run static destructors under our feet: leave at once.
    _exit(0);
}

bool GtkApp::IsMinimized() const {
    for (GtkWindow* window : windows_) {
        GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window));
        if (gtk_widget_get_visible(GTK_WIDGET(window)) && gdk &&
            (gdk_window_get_state(gdk) & GDK_WINDOW_STATE_ICONIFIED))
            return true;
    }
    return false;
}

void GtkApp::Restore() {
    for (GtkWindow* window : windows_) gtk_window_deiconify(window);
}

void GtkApp::BringToFront() {
    for (GtkWindow* window : windows_) {
        if (gtk_widget_get_visible(GTK_WIDGET(window))) {
            gtk_window_present(window);
            return;
        }
    }
}

void GtkApp::AddWindow(GtkWindow* window) { windows_.insert(window); }
void GtkApp::RemoveWindow(GtkWindow* window) {
    windows_.erase(window);
    unfiltered_restores_.erase(window);
}

void GtkApp::RestoreUnfiltered(GtkWindow* window) {
    GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window));
    // Only a minimised window gets a restore event; marking another would hide the user's next one.
    if (gdk && (gdk_window_get_state(gdk) & GDK_WINDOW_STATE_ICONIFIED)) unfiltered_restores_.insert(window);
    gtk_window_deiconify(window);
}

bool GtkApp::Filter(const MessageRecord& message) {
    bool handled = false;
    if (filter_) RunGuarded(Guard(), [&] { filter_(message, handled); });
    return handled;
}

void GtkApp::OnEvent(GdkEvent* event, gpointer self) {
    if (!static_cast<GtkApp*>(self)->FilterEvent(event)) gtk_main_do_event(event);
}

bool GtkApp::FilterEvent(GdkEvent* event) {
    GtkWidget* toplevel = ToplevelOf(event->any.window);
    switch (event->type) {
    case GDK_KEY_PRESS:
    case GDK_KEY_RELEASE: {
        const GdkEventKey& key = event->key;
        int vk = VirtualKeyFromKeyval(key.keyval);
        bool press = event->type == GDK_KEY_PRESS;
        bool wasDown = keys_down_.count(vk) > 0;
        if (press) {
            keys_down_.insert(vk);
        } else {
            keys_down_.erase(vk);
        }
        if (!vk) return false;
        GtkWidget* focus = toplevel && GTK_IS_WINDOW(toplevel) ? gtk_window_get_focus(GTK_WINDOW(toplevel)) : nullptr;
        WindowId target = NearestId(focus ? focus : toplevel);
        bool alt = (key.state & GDK_MOD1_MASK) || vk == VK_MENU;
        unsigned number = press ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
        return Filter({target, number, vk, KeyData(key, wasDown)});
    }
    case GDK_FOCUS_CHANGE:
        // Keys released while another program had the focus were never seen: start afresh.
        if (!event->focus_change.in) keys_down_.clear();
        return false;
    case GDK_WINDOW_STATE: {
        const GdkEventWindowState& state = event->window_state;
        if (!(state.changed_mask & GDK_WINDOW_STATE_ICONIFIED)) return false;
        if (state.new_window_state & GDK_WINDOW_STATE_ICONIFIED) {
            if (on_minimize_) RunGuarded(Guard(), on_minimize_);
            return false;
        }
        bool unfiltered = toplevel && GTK_IS_WINDOW(toplevel) && unfiltered_restores_.erase(GTK_WINDOW(toplevel)) > 0;
        if (toplevel && !unfiltered) Filter({NearestId(toplevel), WM_SYSCOMMAND, SC_RESTORE, 0});
        if (on_restore_) RunGuarded(Guard(), on_restore_);
        return false;
    }
    default:
        return false;
    }
}

}  // namespace tesra::platform
