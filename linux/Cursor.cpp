#include "linux/Cursor.h"

#include <gtk/gtk.h>

namespace tesra::platform {
void GtkAppCursor::SetBusy(bool busy) {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return;
    g_autoptr(GdkCursor) cursor = busy ? gdk_cursor_new_for_display(display, GDK_WATCH) : nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next) {
        GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(item->data));
        if (window) gdk_window_set_cursor(window, cursor);
    }
    g_list_free(windows);
    // The cursor must change now, before the work that it announces blocks the main loop.
    gdk_display_flush(display);
}

}  // namespace tesra::platform
