#pragma once
// Whether downloaded bytes are a picture, and how large it is, read with GdkPixbuf.

#include <optional>
#include <string_view>

#include "platform/Icon.h"

namespace tesra::platform {

// The size of the picture that the bytes hold when they decode whole; none otherwise. A picture
// with a side over largestSide is not decoded any further once its size is known.
std::optional<PictureSize> MeasurePicture(std::string_view bytes, int largestSide);

}  // namespace tesra::platform
