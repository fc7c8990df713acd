#pragma once
// Icon pictures as GdkPixbuf.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "platform/Icon.h"

namespace tesra::platform {

// A new pixbuf (the caller unrefs it) from the pixels, or else from the picture file; null when the
// icon is empty or its file cannot be read.
GdkPixbuf* PixbufFromIcon(const IconImage& icon);

}  // namespace tesra::platform
