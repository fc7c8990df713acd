#include "linux/GtkDialogStyle.h"

namespace tesra::platform {
namespace {

void AddProvider(GtkWidget* widget, gpointer provider) {
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    if (GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), AddProvider, provider);
}

}  // namespace

void ApplyFormFont(GtkWidget* widget) {
    g_autoptr(GtkCssProvider) css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(
        css, "* { font-family: \"NSimSun\", \"SimSun\", \"宋体\", monospace; font-size: 12px; }", -1, nullptr);
    AddProvider(widget, css);
}

}  // namespace tesra::platform
