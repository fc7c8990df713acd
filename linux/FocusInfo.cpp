#include "linux/FocusInfo.h"

#include <gtk/gtk.h>

#include "platform/Exception.h"

namespace tesra::platform {
namespace {

WidgetFacts FactsOf(GtkWidget* widget) {
    // The name set with gtk_widget_set_name, or the class name when the program gave none.
    return {gtk_widget_get_name(widget), G_OBJECT_TYPE_NAME(widget)};
}

GtkWindow* ActiveWindow() {
    if (!gdk_display_get_default()) return nullptr;
    GtkWindow* active = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item && !active; item = item->next) {
        GtkWindow* window = GTK_WINDOW(item->data);
        if (gtk_window_is_active(window)) active = window;
    }
    g_list_free(windows);
    return active;
}

// The focused control; the edit box inside a combo box stands for the combo box, as the user sees it.
GtkWidget* FocusWidget() {
    GtkWindow* window = ActiveWindow();
    GtkWidget* focus = window ? gtk_window_get_focus(window) : nullptr;
    GtkWidget* combo = focus ? gtk_widget_get_ancestor(focus, GTK_TYPE_COMBO_BOX) : nullptr;
    if (combo && gtk_bin_get_child(GTK_BIN(combo)) == focus) return combo;
    return focus;
}

std::string TextOf(GtkWidget* widget) {
    if (GTK_IS_COMBO_BOX(widget) && gtk_combo_box_get_has_entry(GTK_COMBO_BOX(widget))) {
        widget = gtk_bin_get_child(GTK_BIN(widget));
    }
    if (GTK_IS_ENTRY(widget)) return gtk_entry_get_text(GTK_ENTRY(widget));
    if (GTK_IS_BUTTON(widget)) {
        const char* label = gtk_button_get_label(GTK_BUTTON(widget));
        return label ? label : "";
    }
    if (GTK_IS_LABEL(widget)) return gtk_label_get_text(GTK_LABEL(widget));
    if (GTK_IS_TEXT_VIEW(widget)) {
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(widget));
        if (!buffer) throw Exception("text view without buffer");
        GtkTextIter start, end;
        gtk_text_buffer_get_bounds(buffer, &start, &end);
        g_autofree gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
        return text ? text : "";
    }
    return {};
}

}  // namespace

std::optional<FormFacts> GtkFocusInfo::ActiveForm() {
    GtkWindow* window = ActiveWindow();
    if (!window) return std::nullopt;
    FormFacts facts;
    static_cast<WidgetFacts&>(facts) = FactsOf(GTK_WIDGET(window));
    const char* title = gtk_window_get_title(window);
    facts.caption = title ? title : "";
    return facts;
}

std::optional<WidgetFacts> GtkFocusInfo::FocusedControl() {
    GtkWidget* widget = FocusWidget();
    if (!widget) return std::nullopt;
    return FactsOf(widget);
}

std::string GtkFocusInfo::FocusedControlText() {
    GtkWidget* widget = FocusWidget();
    return widget ? TextOf(widget) : std::string();
}

}  // namespace tesra::platform
