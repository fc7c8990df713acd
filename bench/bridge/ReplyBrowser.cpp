// tesra-bench-reply: the plain WebKitGTK way for page script to ask the UI process something, measured
// beside the program's blocking bridge call by bench/bridge.sh. One window, one web view, a script
// message handler with reply named "tesraBench" that answers each message with its own value at once,
// the address from the command line; quits when the window closes.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

namespace {

constexpr char kHandler[] = "tesraBench";

gboolean Echo(WebKitUserContentManager*, JSCValue* value, WebKitScriptMessageReply* reply, gpointer) {
    webkit_script_message_reply_return_value(reply, value);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    if (argc != 2) {
        g_printerr("usage: tesra-bench-reply ADDRESS\n");
        return 2;
    }

    WebKitUserContentManager* content = webkit_user_content_manager_new();
    if (!webkit_user_content_manager_register_script_message_handler_with_reply(content, kHandler, nullptr)) {
        g_printerr("tesra-bench-reply: cannot register the handler %s\n", kHandler);
        return 1;
    }
    char* signal = g_strconcat("script-message-with-reply-received::", kHandler, nullptr);
    g_signal_connect(content, signal, G_CALLBACK(Echo), nullptr);
    g_free(signal);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 1024, 720);
    gtk_window_set_title(GTK_WINDOW(window), "tesra-bench-reply");
    GtkWidget* view = webkit_web_view_new_with_user_content_manager(content);
    g_object_unref(content);
    gtk_container_add(GTK_CONTAINER(window), view);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
