// A picture whose every pixel tells its place, for tests that cut, scale or encode screen pictures.
#pragma once

#include <cstdint>

#include "platform/Screen.h"

namespace tesra::fakes {

// R = x, G = y, B = x + y (each mod 256).
inline platform::Picture NumberedPicture(int width, int height) {
    platform::Picture p{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            p.rgb.push_back(static_cast<std::uint8_t>(x));
            p.rgb.push_back(static_cast<std::uint8_t>(y));
            p.rgb.push_back(static_cast<std::uint8_t>(x + y));
        }
    }
    return p;
}

}  // namespace tesra::fakes
