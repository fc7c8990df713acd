// tesra-bench-floor: the least that any WebKitGTK shell does to show a page: one window, one web view,
// the address from the command line, quit when the window closes. Start-up figures of the real
// program are compared with this floor.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

namespace {

void FollowTitle(WebKitWebView* view, GParamSpec*, gpointer window) {
    const char* title = webkit_web_view_get_title(view);
    gtk_window_set_title(GTK_WINDOW(window), title ? title : "");
}

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    if (argc != 2) {
        g_printerr("usage: tesra-bench-floor ADDRESS\n");
        return 2;
    }
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 1024, 720);
    GtkWidget* view = webkit_web_view_new();
    gtk_container_add(GTK_CONTAINER(window), view);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    g_signal_connect(view, "notify::title", G_CALLBACK(FollowTitle), window);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
