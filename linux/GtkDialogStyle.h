#pragma once
// The look of the program's own small forms: the font "宋体" at 12 pixels.

#include <gtk/gtk.h>

namespace tesra::platform {

// Gives the widget and all widgets inside it the forms' font.
void ApplyFormFont(GtkWidget* widget);

}  // namespace tesra::platform
