// Time from a capture's start to its overlay on the screen, with the program's own screen and overlay of
// this session (X11, or the desktop portals in a Wayland session): the picture taken as GetCaptureImage
// takes it (mode 1, no start dialog), then the overlay until its first frame is drawn, which then closes
// itself with a key. Prints one line per run: "<milliseconds to the picture> <milliseconds to the overlay>".
//
//   tesra-bench-capture-overlay [RUNS]

#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "linux/GtkCaptureUi.h"
#include "linux/Portal.h"
#include "linux/PortalScreen.h"
#include "linux/SessionKind.h"
#include "linux/X11Screen.h"
#include "platform/CaptureUi.h"

namespace {

using namespace tesra::platform;
using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Ends the overlay with a key press as soon as it has drawn its first frame.
class FirstFrame final : public OverlayController {
public:
    Clock::time_point drawn{};

    bool MouseDown(MouseButton, Point) override { return false; }
    void MouseMove(Point) override {}
    bool MouseUp() override { return false; }
    bool KeyDown() override { return true; }
    const Picture* Highlight(Point&) const override {
        if (drawn == Clock::time_point{}) {
            const_cast<FirstFrame*>(this)->drawn = Clock::now();
            g_idle_add(&FirstFrame::PressKey, nullptr);
        }
        return nullptr;
    }

private:
    static gboolean PressKey(gpointer) {
        GList* windows = gtk_window_list_toplevels();
        for (GList* w = windows; w; w = w->next) {
            GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(w->data));
            if (!window || !gtk_widget_get_visible(GTK_WIDGET(w->data))) continue;
            GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
            event->key.window = GDK_WINDOW(g_object_ref(window));
            event->key.send_event = TRUE;
            event->key.keyval = GDK_KEY_Escape;
            GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
            gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
            gdk_event_put(event);
            gdk_event_free(event);
        }
        g_list_free(windows);
        return G_SOURCE_REMOVE;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    bool wayland = CurrentSession() == SessionKind::Wayland;
    std::unique_ptr<Screen> screen;
    if (wayland) {
        screen = std::make_unique<PortalScreen>(PortalBus());
    } else {
        screen = std::make_unique<X11Screen>();
    }
    GtkCaptureUi ui(wayland);
    for (int i = 0; i < runs; ++i) {
        Clock::time_point start = Clock::now();
        Picture picture = screen->CapturePrimary(CursorInPicture::Omitted);
        Clock::time_point taken = Clock::now();
        if (picture.Empty()) {
            std::fprintf(stderr, "no picture of the screen\n");
            return 1;
        }
        FirstFrame controller;
        ui.RunOverlay(picture, controller);
        std::printf("%.1f %.1f\n", Milliseconds(start, taken), Milliseconds(start, controller.drawn));
        std::fflush(stdout);
    }
    return 0;
}
