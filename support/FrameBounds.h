#pragma once
// A frame's bounds are its outer ones, with the decorations that the window manager adds.

#include <optional>

#include "platform/Browser.h"

namespace tesra {

struct Size {
    int width = 0;
    int height = 0;
};

// The content size that gives a frame the outer size, where frame is the frame's outer size now and
// content its content size now (the two are the same before the window manager decorates it). A
// frame reported smaller than its content has no decorations to leave room for.
Size ContentSizeFor(Size outer, Size frame, Size content);

// The area the main window fills: the work area, or where the window system knows none, 963 x 525
// pixels at the origin.
platform::Rect MainWindowArea(const std::optional<platform::Rect>& workArea);

}  // namespace tesra
