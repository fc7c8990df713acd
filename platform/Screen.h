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

enum class CursorInPicture { Omitted, Drawn };

class Screen {
public:
    virtual ~Screen() = default;
    // The whole primary display, with or without the cursor drawn at its position. Empty on failure.
    virtual Picture CapturePrimary(CursorInPicture cursor) = 0;
};

}  // namespace tesra::platform
