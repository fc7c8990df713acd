#pragma once
// Small badge pictures for the tray icon: a filled background, a filled ellipse and one line of
// text with the ellipse colour behind it, drawn by the platform (see Drawing.h).

#include <cstdint>
#include <string>

#include "platform/Icon.h"

namespace tesra::platform {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

struct BadgeSpec {
    int width = 32;
    int height = 32;
    Rgb background;
    // The ellipse fills the rectangle from (left, top) up to but not including (right, bottom).
    int ellipseLeft = 0;
    int ellipseTop = 0;
    int ellipseRight = 0;
    int ellipseBottom = 0;
    Rgb ellipse;
    // UTF-8; drawn in the drawing surface's default font face, its cell's top-left corner at
    // (textX, textY), on a cell-sized rectangle of the ellipse colour.
    std::string text;
    int textX = 0;
    int textY = 0;
    int fontPoints = 14;
    Rgb textColor;
    bool operator==(const BadgeSpec&) const = default;
};

}  // namespace tesra::platform
