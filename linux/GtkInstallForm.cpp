#include "linux/GtkInstallForm.h"

#include "linux/GtkDialogStyle.h"
#include "support/FormLayout.h"

namespace tesra::platform {
namespace {
constexpr gint64 kPaintWaitUs = 2000000;
}

GtkInstallForm::GtkInstallForm() : window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
    const InstallFormLayout& form = kInstallFormLayout;
    GtkWindow* window = GTK_WINDOW(window_);
    gtk_window_set_title(window, form.caption);
    gtk_window_set_decorated(window, FALSE);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_SPLASHSCREEN);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_keep_above(window, TRUE);
    gtk_window_set_default_size(window, form.width, form.height);
    gtk_widget_set_opacity(window_, form.opacity / 255.0);

    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, form.width, form.height);
    GtkWidget* image1 = gtk_image_new_from_icon_name("system-software-install", GTK_ICON_SIZE_DND);
    gtk_image_set_pixel_size(GTK_IMAGE(image1), form.icon.width);
    gtk_fixed_put(GTK_FIXED(fixed), image1, form.icon.left, form.icon.top);
    lbStatus_ = gtk_label_new(form.status.text);
    gtk_fixed_put(GTK_FIXED(fixed), lbStatus_, form.status.left, form.status.top);
    gtk_container_add(GTK_CONTAINER(window_), fixed);
    ApplyFormFont(window_);
}

GtkInstallForm::~GtkInstallForm() { gtk_widget_destroy(window_); }

void GtkInstallForm::Show() {
    gtk_widget_show_all(window_);
    PaintNow();
}

void GtkInstallForm::SetStatus(const std::string& text) {
    gtk_label_set_text(GTK_LABEL(lbStatus_), text.c_str());
    PaintNow();
}

void GtkInstallForm::PaintNow() {
    // The setup's downloads block the program: what the form says must be on the screen before
    // they start. A window manager that never maps the form must not hold the setup up for long.
    bool painted = false;
    gulong handler = g_signal_connect_after(window_, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, bool* done) {
                                                *done = true;
                                                return FALSE;
                                            }),
                                            &painted);
    gtk_widget_queue_draw(window_);
    const gint64 deadline = g_get_monotonic_time() + kPaintWaitUs;
    while (!painted && g_get_monotonic_time() < deadline) {
        if (gtk_events_pending()) {
            gtk_main_iteration_do(FALSE);
        } else {
            g_usleep(5000);
        }
    }
    g_signal_handler_disconnect(window_, handler);
}

}  // namespace tesra::platform
