#pragma once
// Pictures of the screen.

#include <cstdint>
#include <vector>

namespace tesra::platform {

// 24-bit picture, rows top to bottom, pixels as R, G, B bytes, no row padding.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    bool Empty() const { return width <= 0 || height <= 0; }
};

class Screen {
public:
    virtual ~Screen() = default;
    // The whole primary display; with the cursor drawn at its position when asked. Empty on failure.
    virtual Picture CapturePrimary(bool withCursor) = 0;
};

}  // namespace tesra::platform
