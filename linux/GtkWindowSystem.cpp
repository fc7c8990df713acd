#include "linux/GtkWindowSystem.h"

#include <gtk/gtk.h>

#include "linux/GtkApp.h"
#include "linux/WebKitBrowser.h"
#include "platform/HandlerGuard.h"
#include "support/FrameBounds.h"

namespace tesra::platform {
namespace {

class GtkFrame final : public Frame {
public:
    GtkFrame(GtkApp& app, FrameKind kind, WebKitBrowser* opener, CertificateQuestion& certificates)
        : app_(app),
          window_(GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL))),
          browser_(app, opener ? opener->View() : nullptr, certificates),
          id_(NewWindowId()) {
        g_object_ref_sink(window_);
        SetWidgetId(GTK_WIDGET(window_), id_);
        gtk_container_add(GTK_CONTAINER(window_), browser_.Widget());
        if (kind == FrameKind::Main) {
            gtk_window_set_resizable(window_, FALSE);
            gtk_window_set_type_hint(window_, GDK_WINDOW_TYPE_HINT_NORMAL);
        } else {
            gtk_window_set_keep_above(window_, TRUE);
        }
        g_signal_connect(window_, "delete-event", G_CALLBACK(&GtkFrame::OnDelete), this);
        g_signal_connect(window_, "key-press-event", G_CALLBACK(&GtkFrame::OnKey), this);
        app_.AddWindow(window_);
    }

    ~GtkFrame() override {
        app_.RemoveWindow(window_);
        g_signal_handlers_disconnect_by_data(window_, this);
        gtk_widget_destroy(GTK_WIDGET(window_));
        g_object_unref(window_);
    }
    GtkFrame(const GtkFrame&) = delete;
    GtkFrame& operator=(const GtkFrame&) = delete;

    BrowserControl& Browser() override { return browser_; }
    WindowId Handle() const override { return id_; }

    void SetCaption(const std::string& caption) override { gtk_window_set_title(window_, caption.c_str()); }
    std::string Caption() const override {
        const char* title = gtk_window_get_title(window_);
        return title ? title : "";
    }
    void SetBounds(int left, int top, int width, int height) override {
        // The bounds are the outer ones: leave room for the decorations the window manager adds.
        Size content{width, height};
        GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window_));
        if (gdk && gtk_widget_get_mapped(GTK_WIDGET(window_))) {
            GdkRectangle frame;
            gdk_window_get_frame_extents(gdk, &frame);
            content = ContentSizeFor({width, height}, {frame.width, frame.height},
                                     {gdk_window_get_width(gdk), gdk_window_get_height(gdk)});
        }
        gtk_widget_set_size_request(browser_.Widget(), content.width, content.height);
        gtk_window_resize(window_, content.width, content.height);
        gtk_window_move(window_, left, top);
    }
    void Show() override { gtk_widget_show_all(GTK_WIDGET(window_)); }
    void Hide() override { gtk_widget_hide(GTK_WIDGET(window_)); }
    bool IsVisible() const override { return gtk_widget_get_visible(GTK_WIDGET(window_)); }
    void BringToFront() override { gtk_window_present(window_); }
    void Minimize() override { gtk_window_iconify(window_); }
    bool IsMinimized() const override {
        GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window_));
        return gdk && (gdk_window_get_state(gdk) & GDK_WINDOW_STATE_ICONIFIED);
    }
    void Restore() override { app_.RestoreUnfiltered(window_); }
    void SetOnCloseRequest(std::function<void()> onClose) override { on_close_ = std::move(onClose); }
    void SetOnEscape(std::function<void()> onEscape) override { on_escape_ = std::move(onEscape); }

private:
    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
        auto* self = static_cast<GtkFrame*>(data);
        if (self->on_close_) RunGuarded(self->app_.Guard(), self->on_close_);
        return TRUE;  // the handler decides; the frame itself never closes
    }

    static gboolean OnKey(GtkWidget*, GdkEventKey* key, gpointer data) {
        auto* self = static_cast<GtkFrame*>(data);
        if (!self->on_escape_ || !AsksFrameToClose(VirtualKeyFromKeyval(key->keyval), ModifiersOf(key->state)))
            return FALSE;
        RunGuarded(self->app_.Guard(), self->on_escape_);
        return TRUE;
    }

    GtkApp& app_;
    GtkWindow* window_;
    WebKitBrowser browser_;
    WindowId id_;
    std::function<void()> on_close_;
    std::function<void()> on_escape_;
};

}  // namespace

std::unique_ptr<Frame> GtkWindowSystem::MakeFrame(FrameKind kind, BrowserControl* opener) {
    return std::make_unique<GtkFrame>(app_, kind, dynamic_cast<WebKitBrowser*>(opener), certificates_);
}

std::optional<Rect> GtkWindowSystem::WorkArea() const {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
    if (!monitor && display) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return std::nullopt;
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    return Rect{area.x, area.y, area.width, area.height};
}

}  // namespace tesra::platform
