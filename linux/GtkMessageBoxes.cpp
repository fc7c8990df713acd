#include "linux/GtkMessageBoxes.h"

#include <gtk/gtk.h>

#include <optional>

#include "support/BoxLayout.h"

namespace tesra::platform {
namespace {

struct GtkIcon {
    GtkMessageType type;
    const char* name;  // null for none
};

GtkIcon GtkIconOf(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Error:
        return {GTK_MESSAGE_ERROR, "dialog-error"};
    case BoxIcon::Question:
        return {GTK_MESSAGE_QUESTION, "dialog-question"};
    case BoxIcon::Warning:
        return {GTK_MESSAGE_WARNING, "dialog-warning"};
    case BoxIcon::Information:
        return {GTK_MESSAGE_INFO, "dialog-information"};
    default:
        return {GTK_MESSAGE_OTHER, nullptr};
    }
}

int ResponseOf(MessageBoxAnswer answer) { return answer == IDOK ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL; }

// GTK 3 message boxes draw no icon of their own, so an error would look like a notice: the icon goes in
// front of the text, as users know it from other desktops' boxes.
void AddIcon(GtkWidget* dialog, const char* name) {
    if (!name) return;
    GtkWidget* textArea = gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog));
    GtkWidget* row = gtk_widget_get_parent(textArea);
    if (!GTK_IS_BOX(row)) return;
    GtkWidget* icon = gtk_image_new_from_icon_name(name, GTK_ICON_SIZE_DIALOG);
    gtk_widget_set_valign(icon, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(row), icon, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(row), icon, 0);
    gtk_widget_show(icon);
}

// The box belongs to the application: over its active (or any visible) window.
GtkWindow* OwnerWindow() {
    GtkWindow* owner = nullptr;
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* item = toplevels; item; item = item->next) {
        GtkWindow* window = GTK_WINDOW(item->data);
        if (!gtk_widget_get_visible(GTK_WIDGET(window)) || gtk_window_get_window_type(window) != GTK_WINDOW_TOPLEVEL)
            continue;
        if (!owner || gtk_window_is_active(window)) owner = window;
    }
    g_list_free(toplevels);
    return owner;
}

}  // namespace

int GtkMessageBoxes::Show(const std::string& text, const std::string& caption, unsigned flags) {
    const BoxLayout layout = BoxLayoutOf(flags);
    const GtkIcon icon = GtkIconOf(layout.icon);
    GtkWidget* dialog =
        gtk_message_dialog_new(OwnerWindow(), GTK_DIALOG_MODAL, icon.type, GTK_BUTTONS_NONE, "%s", text.c_str());
    AddIcon(dialog, icon.name);
    for (const BoxButton& button : layout.buttons)
        gtk_dialog_add_button(GTK_DIALOG(dialog), button.caption, ResponseOf(button.answer));
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), ResponseOf(layout.defaultAnswer));
    int response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    std::optional<MessageBoxAnswer> pressed;
    if (response == GTK_RESPONSE_OK) pressed = IDOK;
    if (response == GTK_RESPONSE_CANCEL) pressed = IDCANCEL;
    return BoxAnswer(flags, pressed);
}

}  // namespace tesra::platform
