#pragma once
// Icon pictures as GdkPixbuf. A picture file is read at icon size whatever its own size, so that a
// server's icon of thousands of pixels a side costs a start no more memory than a small one.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <string>
#include <utility>

#include "platform/Icon.h"

namespace tesra::platform {

// The largest side of an icon as read from a file.
inline constexpr int kIconSide = 256;

// The size of a width x height picture fitted into side x side, keeping its proportions; a picture
// that fits already keeps its size. Each side is at least 1.
std::pair<int, int> FitIconSize(int width, int height, int side);

// A new pixbuf (the caller unrefs it) from the pixels, or else from the picture file at icon size;
// null when the icon is empty or its file cannot be read.
GdkPixbuf* PixbufFromIcon(const IconImage& icon);
// The picture file at icon size (a new reference); null when it cannot be read. The last file read
// is kept while its size and modification time stay the same; the reduced picture of a large PNG is
// kept beside it ("<file>-256.png", stamped with the file's size and time) for the next starts.
GdkPixbuf* IconPixbufFromFile(const std::string& path);

}  // namespace tesra::platform
