#include "linux/GtkPopupMenu.h"

#include <gtk/gtk.h>

namespace tesra::platform {
namespace {

struct PendingClick {
    MenuItem* item;
    std::weak_ptr<bool> alive;
    const HandlerGuard* guard;
};

gboolean RunClick(gpointer data) {
    auto* click = static_cast<PendingClick*>(data);
    if (!click->alive.expired()) RunGuarded(*click->guard, [click] { click->item->Click(); });
    return G_SOURCE_REMOVE;
}

void DeleteClick(gpointer data, GClosure*) { delete static_cast<PendingClick*>(data); }

void DeleteIdleClick(gpointer data) { delete static_cast<PendingClick*>(data); }

// The click runs from the main loop once the menu is gone, as a posted menu command would.
void OnActivate(GtkMenuItem*, gpointer data) {
    auto* click = static_cast<PendingClick*>(data);
    g_idle_add_full(G_PRIORITY_DEFAULT, RunClick, new PendingClick(*click), DeleteIdleClick);
}

GtkWidget* BuildMenu(MenuItem& parent, const std::weak_ptr<bool>& alive, const HandlerGuard& guard);

GtkWidget* BuildItem(MenuItem& item, const std::weak_ptr<bool>& alive, const HandlerGuard& guard) {
    if (item.IsSeparator()) return gtk_separator_menu_item_new();
    const bool checkBox = item.Checked() || item.Toggle() == MenuToggle::CheckMark;
    GtkWidget* widget = checkBox ? gtk_check_menu_item_new_with_label(item.Caption().c_str())
                                 : gtk_menu_item_new_with_label(item.Caption().c_str());
    if (item.Checked()) gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), TRUE);
    gtk_widget_set_sensitive(widget, item.Enabled());
    if (item.Count() > 0) {
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), BuildMenu(item, alive, guard));
    } else {
        g_signal_connect_data(widget, "activate", G_CALLBACK(OnActivate), new PendingClick{&item, alive, &guard},
                              DeleteClick, GConnectFlags(0));
    }
    return widget;
}

GtkWidget* BuildMenu(MenuItem& parent, const std::weak_ptr<bool>& alive, const HandlerGuard& guard) {
    GtkWidget* menu = gtk_menu_new();
    for (int i = 0; i < parent.Count(); ++i) {
        GtkWidget* widget = BuildItem(parent.Item(i), alive, guard);
        gtk_widget_show(widget);
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), widget);
    }
    return menu;
}

struct OpenMenu {
    GMainLoop* loop = nullptr;
    bool closed = false;
};

void OnDeactivate(GtkMenuShell*, gpointer data) {
    auto* open = static_cast<OpenMenu*>(data);
    open->closed = true;
    g_main_loop_quit(open->loop);
}

// Pops up at the pointer, with the event that led here (a click on the tray icon) as its trigger,
// or else with a press of the pointer on the root window made up for the purpose.
void PopupAtPointerNow(GtkMenu* menu) {
    GdkEvent* event = gtk_get_current_event();
    if (!event || !gdk_event_get_window(event)) {
        if (event) gdk_event_free(event);
        event = gdk_event_new(GDK_BUTTON_PRESS);
        event->button.window = GDK_WINDOW(g_object_ref(gdk_get_default_root_window()));
        event->button.time = GDK_CURRENT_TIME;
        gdk_event_set_device(event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    }
    gtk_menu_popup_at_pointer(menu, event);
    gdk_event_free(event);
}

}  // namespace

GtkPopupMenu::GtkPopupMenu(const HandlerGuard& guard) : guard_(guard), alive_(std::make_shared<bool>(true)) {}

GtkPopupMenu::~GtkPopupMenu() = default;

void GtkPopupMenu::PopupAtPointer() {
    g_autoptr(GtkWidget) menu = GTK_WIDGET(g_object_ref_sink(BuildMenu(Items(), alive_, guard_)));
    OpenMenu open{g_main_loop_new(nullptr, FALSE)};
    g_signal_connect(menu, "deactivate", G_CALLBACK(OnDeactivate), &open);
    PopupAtPointerNow(GTK_MENU(menu));
    // A menu that could not take the pointer closes at once.
    if (!open.closed && gtk_widget_get_visible(menu)) g_main_loop_run(open.loop);
    g_signal_handlers_disconnect_by_data(menu, &open);
    gtk_widget_destroy(menu);
    g_main_loop_unref(open.loop);
}

std::unique_ptr<PopupMenu> MakeGtkPopupMenu(const HandlerGuard& guard) { return std::make_unique<GtkPopupMenu>(guard); }

}  // namespace tesra::platform
