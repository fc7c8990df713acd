#pragma once
// Baseline JPEG encoding of 24-bit pictures (libjpeg).

#include <string>

#include "platform/Screen.h"

namespace tesra {

// The picture as a baseline (not progressive) JPEG file of the given quality, full colour.
// An empty picture gives the empty text. Throws tesra::Exception when the encoder fails.
std::string EncodeJpeg(const platform::Picture& picture, int quality);

}  // namespace tesra
