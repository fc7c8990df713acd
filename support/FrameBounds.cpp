#include "support/FrameBounds.h"

#include <algorithm>

namespace tesra {

Size ContentSizeFor(Size outer, Size frame, Size content) {
    return {outer.width - std::max(0, frame.width - content.width),
            outer.height - std::max(0, frame.height - content.height)};
}

}  // namespace tesra
