#include "support/FrameBounds.h"

#include <algorithm>

namespace tesra {

Size ContentSizeFor(Size outer, Size frame, Size content) {
    return {outer.width - std::max(0, frame.width - content.width),
            outer.height - std::max(0, frame.height - content.height)};
}

platform::Rect MainWindowArea(const std::optional<platform::Rect>& workArea) {
    return workArea.value_or(platform::Rect{0, 0, 963, 525});
}

}  // namespace tesra
