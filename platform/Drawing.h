#pragma once
// Pictures as the platform draws and reads them: the tray's badge, the size of a large icon and the
// size of a downloaded picture. The Linux layer draws with Cairo and reads with GdkPixbuf; unit
// tests use a fake.

#include <optional>
#include <string_view>

#include "platform/Badge.h"
#include "platform/Icon.h"

namespace tesra::platform {

class Drawing {
public:
    virtual ~Drawing() = default;

    // The badge as RGBA pixels, every pixel opaque. Throws tesra::Exception when it cannot be drawn.
    // User-interface thread.
    virtual IconImage DrawBadge(const BadgeSpec& badge) = 0;
    // The platform's standard size of a large icon, in pixels. Any thread.
    virtual int StandardIconSize() = 0;
    // The size of the picture (ICO, PNG, ...) that the bytes hold when they read whole as one; none
    // otherwise. A picture with a side over largestSide is not decoded: its size is given at once.
    // Never throws. Any thread.
    virtual std::optional<PictureSize> MeasurePicture(std::string_view bytes, int largestSide) = 0;
};

}  // namespace tesra::platform
