#include "linux/GtkCaptureUi.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cmath>
#include <exception>

#include "linux/GObjectPtr.h"
#include "linux/PortalScreen.h"
#include "linux/X11ErrorTrap.h"
#include "linux/X11Screen.h"
#include "support/FormLayout.h"

namespace tesra::platform {
namespace {

// Other programs repaint what the dialog covered before the screen picture is taken.
constexpr guint kSettleMs = 150;
// The overlay asks for the input again for a while when another program holds it.
constexpr guint kGrabRetryMs = 50;
constexpr int kGrabRetries = 20;
constexpr double kBackgroundOpacity = 100.0 / 255.0;

void RunLoopFor(guint milliseconds) {
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_timeout_add(
        milliseconds,
        [](gpointer l) {
            g_main_loop_quit(static_cast<GMainLoop*>(l));
            return G_SOURCE_REMOVE;
        },
        loop);
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
}

// The start dialog, on top of every window.
class TfmCaptureManager {
public:
    TfmCaptureManager() : window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)), loop_(g_main_loop_new(nullptr, FALSE)) {
        const CaptureStartLayout& form = kCaptureStartLayout;
        GtkWindow* window = GTK_WINDOW(window_);
        gtk_window_set_title(window, form.caption);
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
        gtk_window_set_keep_above(window, TRUE);
        gtk_window_set_resizable(window, FALSE);
        gtk_window_set_default_size(window, form.width, form.height);
        gtk_window_move(window, form.left, form.top);

        GtkWidget* fixed = gtk_fixed_new();
        gtk_widget_set_size_request(fixed, form.width, form.height);
        GtkWidget* btnStart = gtk_button_new_with_label(form.start.text);
        gtk_widget_set_size_request(btnStart, form.start.width, form.start.height);
        StyleButton(btnStart);
        gtk_fixed_put(GTK_FIXED(fixed), btnStart, form.start.left, form.start.top);
        gtk_container_add(GTK_CONTAINER(window_), fixed);

        g_signal_connect(btnStart, "clicked", G_CALLBACK(&TfmCaptureManager::btnStartClick), this);
        g_signal_connect(window_, "delete-event", G_CALLBACK(&TfmCaptureManager::FormClose), this);
    }
    ~TfmCaptureManager() {
        gtk_widget_destroy(window_);
        g_main_loop_unref(loop_);
    }
    TfmCaptureManager(const TfmCaptureManager&) = delete;
    TfmCaptureManager& operator=(const TfmCaptureManager&) = delete;

    // Shows the dialog and runs the events until it is hidden; whether the button hid it.
    bool ShowUntilHidden() {
        gtk_widget_show_all(window_);
        g_main_loop_run(loop_);
        return Started;
    }

    bool Started = false;

private:
    static void StyleButton(GtkWidget* button) {
        g_autoptr(GtkCssProvider) css = gtk_css_provider_new();
        gtk_css_provider_load_from_data(css,
                                        "button { font-family: \"NSimSun\", \"新宋体\", monospace; font-size: 12px; "
                                        "padding: 0 2px; min-height: 0; }",
                                        -1, nullptr);
        gtk_style_context_add_provider(gtk_widget_get_style_context(button), GTK_STYLE_PROVIDER(css),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }

    static void btnStartClick(GtkButton*, TfmCaptureManager* self) {
        self->Started = true;
        self->Hide();
    }

    static gboolean FormClose(GtkWidget*, GdkEvent*, TfmCaptureManager* self) {
        self->Hide();
        return TRUE;  // hidden, not destroyed: the destructor does that
    }

    void Hide() {
        gtk_widget_hide(window_);
        g_main_loop_quit(loop_);
    }

    GtkWidget* window_;
    GMainLoop* loop_;
};

// The primary display in device pixels, as the screen picture was taken.
Rect PrimaryArea(GdkDisplay* display) {
    if (GDK_IS_X11_DISPLAY(display)) {
        Display* x = GDK_DISPLAY_XDISPLAY(display);
        X11ErrorTrap trap(x);
        Rect area = PrimaryDisplayArea(x);
        if (!trap.Sync()) return area;
    }
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    GdkRectangle r{};
    if (monitor) gdk_monitor_get_geometry(monitor, &r);
    int scale = monitor ? gdk_monitor_get_scale_factor(monitor) : 1;
    return {r.x * scale, r.y * scale, r.width * scale, r.height * scale};
}

cairo_surface_t* ToSurface(const Picture& picture, double scale) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < picture.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<size_t>(y) * stride);
        const std::uint8_t* in = &picture.rgb[static_cast<size_t>(y) * picture.width * 3];
        for (int x = 0; x < picture.width; ++x, in += 3) row[x] = std::uint32_t{in[0]} << 16 | in[1] << 8 | in[2];
    }
    cairo_surface_mark_dirty(surface);
    cairo_surface_set_device_scale(surface, scale, scale);
    return surface;
}

// The selection overlay: a borderless window over the primary display, crosshair cursor, the
// picture dimmed over the window's background colour and the selection at full brightness.
class OverlayWindow {
public:
    OverlayWindow(const Picture& background, OverlayController& controller, bool fullscreen)
        : controller_(controller),
          window_(gtk_window_new(fullscreen ? GTK_WINDOW_TOPLEVEL : GTK_WINDOW_POPUP)),
          loop_(g_main_loop_new(nullptr, FALSE)) {
        GdkDisplay* display = gtk_widget_get_display(window_);
        if (fullscreen) {
            CoverCaptureMonitor(background);
        } else {
            CoverPrimaryArea(background);
        }
        background_ = ToSurface(background, scale_);
        cursor_.reset(gdk_cursor_new_from_name(display, "crosshair"));

        gtk_widget_set_app_paintable(window_, TRUE);
        gtk_widget_add_events(
            window_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK | GDK_KEY_PRESS_MASK);
        g_signal_connect(window_, "draw", G_CALLBACK(&OverlayWindow::OnDraw), this);
        g_signal_connect(window_, "button-press-event", G_CALLBACK(&OverlayWindow::OnButtonPress), this);
        g_signal_connect(window_, "button-release-event", G_CALLBACK(&OverlayWindow::OnButtonRelease), this);
        g_signal_connect(window_, "motion-notify-event", G_CALLBACK(&OverlayWindow::OnMotion), this);
        g_signal_connect(window_, "key-press-event", G_CALLBACK(&OverlayWindow::OnKeyPress), this);
    }
    ~OverlayWindow() {
        Release();
        gtk_widget_destroy(window_);
        cairo_surface_destroy(background_);
        g_main_loop_unref(loop_);
    }
    OverlayWindow(const OverlayWindow&) = delete;
    OverlayWindow& operator=(const OverlayWindow&) = delete;

    // Shows the overlay and runs the events until the controller closes it. A failure of the
    // controller closes the overlay and is passed on.
    void Run() {
        gtk_widget_realize(window_);
        gdk_window_set_cursor(gtk_widget_get_window(window_), cursor_.get());
        gtk_widget_show_all(window_);
        gdk_display_sync(gtk_widget_get_display(window_));
        if (!Grab()) retry_ = g_timeout_add(kGrabRetryMs, &OverlayWindow::RetryGrab, this);
        g_main_loop_run(loop_);
        Release();
        gtk_widget_hide(window_);
        gdk_display_flush(gtk_widget_get_display(window_));
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    // Where windows cannot be placed: a full-screen window on the monitor that the picture shows.
    void CoverCaptureMonitor(const Picture& background) {
        GtkWindow* window = GTK_WINDOW(window_);
        GdkDisplay* display = gtk_widget_get_display(window_);
        int index = CaptureMonitorIndex(display);
        GdkMonitor* monitor = gdk_display_get_monitor(display, index);
        GdkRectangle area{0, 0, background.width, background.height};
        if (monitor) gdk_monitor_get_geometry(monitor, &area);
        scale_ = area.width > 0 ? static_cast<double>(background.width) / area.width : 1;
        gtk_window_set_decorated(window, FALSE);
        gtk_window_set_default_size(window, area.width, area.height);
        if (monitor) {
            gtk_window_fullscreen_on_monitor(window, gtk_widget_get_screen(window_), index);
        } else {
            gtk_window_fullscreen(window);
        }
    }

    // A pop-up placed exactly over the primary display, in the root window's scale.
    void CoverPrimaryArea(const Picture& background) {
        GtkWindow* window = GTK_WINDOW(window_);
        int scale =
            std::max(gdk_window_get_scale_factor(gdk_screen_get_root_window(gtk_widget_get_screen(window_))), 1);
        scale_ = scale;
        Rect area = PrimaryArea(gtk_widget_get_display(window_));
        gtk_window_move(window, area.left / scale, area.top / scale);
        gtk_window_resize(window, std::max(background.width / scale, 1), std::max(background.height / scale, 1));
    }

    bool Grab() {
        GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(window_));
        grabbed_ = gdk_seat_grab(seat, gtk_widget_get_window(window_), GDK_SEAT_CAPABILITY_ALL, FALSE, cursor_.get(),
                                 nullptr, nullptr, nullptr) == GDK_GRAB_SUCCESS;
        return grabbed_;
    }

    static gboolean RetryGrab(gpointer data) {
        auto* self = static_cast<OverlayWindow*>(data);
        if (self->Grab() || ++self->retries_ >= kGrabRetries) {
            self->retry_ = 0;
            return G_SOURCE_REMOVE;
        }
        return G_SOURCE_CONTINUE;
    }

    // Gives the pointer and the keyboard back; safe to call more than once.
    void Release() {
        if (retry_) g_source_remove(retry_);
        retry_ = 0;
        if (!grabbed_) return;
        GdkDisplay* display = gtk_widget_get_display(window_);
        gdk_seat_ungrab(gdk_display_get_default_seat(display));
        gdk_display_sync(display);  // released for other programs before this returns
        grabbed_ = false;
    }

    void Close() { g_main_loop_quit(loop_); }

    Point ToPicture(double x, double y) const {
        return {static_cast<int>(std::floor(x * scale_)), static_cast<int>(std::floor(y * scale_))};
    }

    // Runs one input handler of the controller; closes when it says so, or when it fails.
    template <typename F>
    void Handle(F handler) {
        if (closing_) return;
        try {
            closing_ = handler();
        } catch (...) {
            failure_ = std::current_exception();
            closing_ = true;
        }
        if (closing_) {
            Close();
        } else {
            gtk_widget_queue_draw(window_);
        }
    }

    static gboolean OnButtonPress(GtkWidget*, GdkEventButton* event, OverlayWindow* self) {
        if (event->type != GDK_BUTTON_PRESS) return TRUE;  // the extra events of double clicks
        MouseButton button = event->button == GDK_BUTTON_PRIMARY ? MouseButton::Left : MouseButton::Other;
        Point at = self->ToPicture(event->x, event->y);
        self->Handle([&] { return self->controller_.MouseDown(button, at); });
        return TRUE;
    }

    static gboolean OnButtonRelease(GtkWidget*, GdkEventButton*, OverlayWindow* self) {
        self->Handle([&] { return self->controller_.MouseUp(); });
        return TRUE;
    }

    static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, OverlayWindow* self) {
        Point at = self->ToPicture(event->x, event->y);
        self->Handle([&] {
            self->controller_.MouseMove(at);
            return false;
        });
        return TRUE;
    }

    static gboolean OnKeyPress(GtkWidget*, GdkEventKey*, OverlayWindow* self) {
        self->Handle([&] { return self->controller_.KeyDown(); });
        return TRUE;
    }

    static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, OverlayWindow* self) {
        GdkRGBA face{240 / 255.0, 240 / 255.0, 240 / 255.0, 1};  // the classic button face
        gtk_style_context_lookup_color(gtk_widget_get_style_context(widget), "theme_bg_color", &face);
        cairo_set_source_rgb(cr, face.red, face.green, face.blue);
        cairo_paint(cr);
        cairo_set_source_surface(cr, self->background_, 0, 0);
        cairo_paint_with_alpha(cr, kBackgroundOpacity);
        Point corner;
        if (const Picture* selection = self->controller_.Highlight(corner)) {
            cairo_surface_t* surface = ToSurface(*selection, self->scale_);
            double x = corner.x / self->scale_, y = corner.y / self->scale_;
            cairo_set_source_surface(cr, surface, x, y);
            cairo_rectangle(cr, x, y, selection->width / self->scale_, selection->height / self->scale_);
            cairo_fill(cr);
            cairo_surface_destroy(surface);
        }
        return TRUE;
    }

    OverlayController& controller_;
    GtkWidget* window_;
    GMainLoop* loop_;
    cairo_surface_t* background_ = nullptr;
    GObjectPtr<GdkCursor> cursor_;
    double scale_ = 1;
    bool grabbed_ = false;
    guint retry_ = 0;
    int retries_ = 0;
    bool closing_ = false;
    std::exception_ptr failure_;
};

}  // namespace

bool GtkCaptureUi::AskStart() {
    bool started = false;
    {
        TfmCaptureManager dialog;
        started = dialog.ShowUntilHidden();
    }
    gdk_display_sync(gdk_display_get_default());
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    RunLoopFor(kSettleMs);
    return started;
}

void GtkCaptureUi::RunOverlay(const Picture& background, OverlayController& controller) {
    if (background.Empty()) return;
    OverlayWindow overlay(background, controller, fullscreen_);
    overlay.Run();
}

}  // namespace tesra::platform
