#pragma once
// A PNG file read row by row into a picture of a smaller size: memory for the small picture and one
// row of the large one, never for the whole large picture.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <string>

namespace tesra::platform {

// The PNG file reduced to width x height by averaging the pixels that fall on each target pixel (a
// new pixbuf with alpha); null when the file is not a PNG that reads, is interlaced, or the PNG
// library is missing.
GdkPixbuf* ReadPngScaled(const std::string& path, int width, int height);

}  // namespace tesra::platform
