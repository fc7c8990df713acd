// Runs the real capture windows on an X server: needs DISPLAY (for example a private Xvfb) and
// xdotool for the pointer and keys; skips otherwise.
#include <gtest/gtest.h>  // before Xlib, whose macros (None, Bool) clash with its names

#include "linux/GtkCaptureUi.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "linux/X11Screen.h"
#include "services/fuCaptureBackground.h"

namespace tesra::platform {
namespace {

Picture Numbered(int width, int height) {
    Picture p{width, height, {}};
    p.rgb.reserve(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            p.rgb.push_back(static_cast<std::uint8_t>(x));
            p.rgb.push_back(static_cast<std::uint8_t>(y));
            p.rgb.push_back(200);
        }
    }
    return p;
}

const std::uint8_t* At(const Picture& p, int x, int y) { return &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3]; }

bool Near(const std::uint8_t* pixel, double r, double g, double b) {
    return std::abs(pixel[0] - r) <= 3 && std::abs(pixel[1] - g) <= 3 && std::abs(pixel[2] - b) <= 3;
}

void Xdotool(const std::string& arguments) {
    std::string command = "xdotool " + arguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Steps run one after the other from the overlay's own event loop, each repeated until it says it
// is done; after too many ticks the overlay is ended with a key and the test fails.
class Script {
public:
    using Step = std::function<bool()>;
    explicit Script(std::vector<Step> steps) : steps_(std::move(steps)) {
        source_ = g_timeout_add(20, &Script::Tick, this);
    }
    ~Script() {
        if (source_) g_source_remove(source_);
    }
    bool TimedOut() const { return timed_out_; }

private:
    static gboolean Tick(gpointer data) {
        auto* self = static_cast<Script*>(data);
        if (++self->ticks_ > 500) {
            self->timed_out_ = true;
            std::system("xdotool mouseup 1 key Escape");
            self->source_ = 0;
            return G_SOURCE_REMOVE;
        }
        if (self->next_ < self->steps_.size() && self->steps_[self->next_]()) ++self->next_;
        if (self->next_ < self->steps_.size()) return G_SOURCE_CONTINUE;
        self->source_ = 0;
        return G_SOURCE_REMOVE;
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
    int ticks_ = 0;
    bool timed_out_ = false;
    guint source_ = 0;
};

class GtkCaptureUiTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (DISPLAY is not set)";
        ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
        gchar* xdotool = g_find_program_in_path("xdotool");
        if (!xdotool) GTEST_SKIP() << "xdotool is not installed";
        g_free(xdotool);
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        area_ = PrimaryDisplayArea(display_);
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }

    // Whether another X client can take the pointer now (it is given back at once).
    bool PointerIsFree() {
        int status = XGrabPointer(display_, DefaultRootWindow(display_), False, ButtonPressMask, GrabModeAsync,
                                  GrabModeAsync, None, None, CurrentTime);
        if (status == GrabSuccess) XUngrabPointer(display_, CurrentTime);
        XSync(display_, False);
        return status == GrabSuccess;
    }

    std::string At(int x, int y) const { return std::to_string(area_.left + x) + " " + std::to_string(area_.top + y); }

    Display* display_ = nullptr;
    Rect area_;
};

TEST_F(GtkCaptureUiTest, OverlayDimsThePictureShowsTheDragAndGrabsTheInput) {
    Picture background = Numbered(area_.width, area_.height);
    TfmCaptureBackground controller(background);
    X11Screen screen;
    Picture shown;
    bool grabbedDuringOverlay = false;
    Script script({
        [&] {
            Xdotool("mousemove " + At(300, 200) + " mousedown 1 mousemove " + At(200, 120) + " mousemove " +
                    At(100, 50));
            return true;
        },
        [&] {
            return controller.Rect() == SelRect{100, 50, 300, 200};
        },
        [&] {  // wait until the selection is painted at full brightness
            shown = screen.CapturePrimary(platform::CursorInPicture::Omitted);
            return !shown.Empty() && Near(platform::At(shown, 150, 100), 150, 100, 200);
        },
        [&] {
            grabbedDuringOverlay = !PointerIsFree();
            Xdotool("mouseup 1");
            return true;
        },
    });
    GtkCaptureUi ui;
    ui.RunOverlay(background, controller);
    ASSERT_FALSE(script.TimedOut());

    EXPECT_TRUE(grabbedDuringOverlay);
    EXPECT_TRUE(PointerIsFree()) << "the grab is released when the overlay closes";
    ASSERT_TRUE(controller.Selection().has_value());
    EXPECT_EQ(controller.Selection()->width, 200);
    EXPECT_EQ(controller.Selection()->height, 150);

    // Outside the selection: the picture at opacity 100/255 over the window's background colour.
    GtkWidget* probe = gtk_window_new(GTK_WINDOW_POPUP);
    GdkRGBA face{240 / 255.0, 240 / 255.0, 240 / 255.0, 1};
    gtk_style_context_lookup_color(gtk_widget_get_style_context(probe), "theme_bg_color", &face);
    gtk_widget_destroy(probe);
    const double a = 100.0 / 255.0;
    auto dimmed = [&](int x, int y) {
        return Near(platform::At(shown, x, y), face.red * 255 * (1 - a) + (x % 256) * a,
                    face.green * 255 * (1 - a) + (y % 256) * a, face.blue * 255 * (1 - a) + 200 * a);
    };
    EXPECT_TRUE(dimmed(20, 20));
    EXPECT_TRUE(dimmed(300, 200)) << "column 300 and row 200 are outside";
    EXPECT_TRUE(dimmed(area_.width - 1, area_.height - 1)) << "the overlay covers the whole display";
    EXPECT_TRUE(Near(platform::At(shown, 100, 50), 100, 50, 200));
    EXPECT_TRUE(Near(platform::At(shown, 299, 199), 299 % 256, 199, 200));
}

TEST_F(GtkCaptureUiTest, KeyEndsTheOverlayAndKeepsTheSelection) {
    Picture background = Numbered(area_.width, area_.height);
    TfmCaptureBackground controller(background);
    Script script({
        [&] {
            Xdotool("mousemove " + At(40, 30) + " mousedown 1 mousemove " + At(90, 70));
            return true;
        },
        [&] {
            return controller.Selection().has_value() && controller.Rect() == SelRect{40, 30, 90, 70};
        },
        [&] {
            Xdotool("key a");
            return true;
        },
    });
    GtkCaptureUi ui;
    ui.RunOverlay(background, controller);
    std::system("xdotool mouseup 1");
    ASSERT_FALSE(script.TimedOut());
    EXPECT_TRUE(controller.Selection().has_value());
    EXPECT_EQ(controller.Rect(), (SelRect{40, 30, 90, 70}));
    EXPECT_TRUE(PointerIsFree());
}

TEST_F(GtkCaptureUiTest, RightButtonEndsTheOverlayWithoutSelection) {
    Picture background = Numbered(area_.width, area_.height);
    TfmCaptureBackground controller(background);
    Script script({[&] {
        Xdotool("mousemove " + At(40, 30) + " click 3");
        return true;
    }});
    GtkCaptureUi ui;
    ui.RunOverlay(background, controller);
    ASSERT_FALSE(script.TimedOut());
    EXPECT_FALSE(controller.Selection().has_value());
}

// The start dialog, found among the program's top-level windows by its caption.
GtkWindow* StartDialog() {
    GtkWindow* found = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next) {
        GtkWindow* window = GTK_WINDOW(w->data);
        const char* title = gtk_window_get_title(window);
        if (title && std::strcmp(title, "屏幕截图") == 0 && gtk_widget_get_visible(GTK_WIDGET(window))) found = window;
    }
    g_list_free(windows);
    return found;
}

GtkButton* FindButton(GtkWidget* widget) {
    if (GTK_IS_BUTTON(widget)) return GTK_BUTTON(widget);
    if (!GTK_IS_CONTAINER(widget)) return nullptr;
    GtkButton* found = nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* c = children; c && !found; c = c->next) found = FindButton(GTK_WIDGET(c->data));
    g_list_free(children);
    return found;
}

// Whether the window asks the window manager to keep it above the others (_NET_WM_STATE_ABOVE).
bool AskedToStayAbove(GdkWindow* window) {
    Display* x = GDK_WINDOW_XDISPLAY(window);
    Atom state = XInternAtom(x, "_NET_WM_STATE", False), above = XInternAtom(x, "_NET_WM_STATE_ABOVE", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(x, GDK_WINDOW_XID(window), state, 0, 64, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        auto* atoms = reinterpret_cast<Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) found = found || atoms[i] == above;
        XFree(data);
    }
    return found;
}

TEST_F(GtkCaptureUiTest, StartDialogAnswersByHowItWasClosed) {
    struct Case {
        const char* name;
        bool useButton;
    };
    const Case cases[] = {{"start button", true}, {"close box", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string label;
        bool dialogAbove = false;
        Script script({[&] {
            GtkWindow* dialog = StartDialog();
            if (!dialog || !gtk_widget_get_mapped(GTK_WIDGET(dialog))) return false;
            GtkButton* button = FindButton(GTK_WIDGET(dialog));
            if (!button) return false;
            label = gtk_button_get_label(button);
            GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(dialog));
            dialogAbove = gdk_window_get_type_hint(gdk) == GDK_WINDOW_TYPE_HINT_DIALOG && AskedToStayAbove(gdk);
            if (c.useButton) {
                gtk_button_clicked(button);
            } else {
                GdkEvent* close = gdk_event_new(GDK_DELETE);
                close->any.window = GDK_WINDOW(g_object_ref(gdk));
                gtk_main_do_event(close);
                gdk_event_free(close);
            }
            return true;
        }});
        GtkCaptureUi ui;
        EXPECT_EQ(ui.AskStart(), c.useButton);
        ASSERT_FALSE(script.TimedOut());
        EXPECT_EQ(label, "开始截屏");
        EXPECT_TRUE(dialogAbove);
        EXPECT_EQ(StartDialog(), nullptr) << "the dialog is gone when the answer comes";
    }
}

}  // namespace
}  // namespace tesra::platform
