#pragma once
// Drawing on Linux: badges with Cairo and Pango (CairoBadge.cpp), picture sizes with GdkPixbuf
// (PictureCheck.cpp).

#include "platform/Drawing.h"

namespace tesra::platform {

class LinuxDrawing : public Drawing {
public:
    IconImage DrawBadge(const BadgeSpec& badge) override;
    int StandardIconSize() override;
    std::optional<PictureSize> MeasurePicture(std::string_view bytes, int largestSide) override;
};

}  // namespace tesra::platform
