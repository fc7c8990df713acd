#include "linux/PortalScreen.h"

#include <gtest/gtest.h>

#include "NumberedPicture.h"

namespace tesra::platform {

bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

void PrintTo(const Rect& r, std::ostream* out) {
    *out << "(" << r.left << ", " << r.top << ") " << r.width << "x" << r.height;
}

namespace {

TEST(MonitorInPicture, MapsLogicalGeometryByThePicturesScale) {
    struct Case {
        const char* name;
        Rect monitor, desktop;
        int pictureWidth, pictureHeight;
        Rect area;
    };
    const Case cases[] = {
        {"one monitor, scale 1", {0, 0, 1280, 800}, {0, 0, 1280, 800}, 1280, 800, {0, 0, 1280, 800}},
        {"one monitor, scale 2", {0, 0, 1280, 800}, {0, 0, 1280, 800}, 2560, 1600, {0, 0, 2560, 1600}},
        {"fractional scale 1.5", {0, 0, 1280, 800}, {0, 0, 1280, 800}, 1920, 1200, {0, 0, 1920, 1200}},
        {"right of two monitors", {1280, 0, 1920, 1080}, {0, 0, 3200, 1080}, 3200, 1080, {1280, 0, 1920, 1080}},
        {"left of two monitors", {0, 0, 1280, 800}, {0, 0, 3200, 1080}, 3200, 1080, {0, 0, 1280, 800}},
        {"lower monitor at scale 2", {0, 800, 1280, 800}, {0, 0, 1280, 1600}, 2560, 3200, {0, 1600, 2560, 1600}},
        {"desktop with a negative origin", {0, 0, 1280, 800}, {-1920, 0, 3200, 1080}, 3200, 1080, {1920, 0, 1280, 800}},
        {"right monitor at 1.25, halves rounded",
         {1366, 0, 1366, 768},
         {0, 0, 2732, 768},
         3415,
         960,
         {1708, 0, 1707, 960}},
        {"monitor past the picture is cut", {1000, 0, 800, 800}, {0, 0, 1280, 800}, 1280, 800, {1000, 0, 280, 800}},
        {"empty desktop", {0, 0, 1280, 800}, {0, 0, 0, 0}, 1280, 800, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MonitorInPicture(c.monitor, c.desktop, c.pictureWidth, c.pictureHeight), c.area);
    }
}

TEST(CropPicture, KeepsThePixelsOfTheArea) {
    struct Case {
        const char* name;
        Rect area;
    };
    const Case cases[] = {
        {"whole picture", {0, 0, 6, 4}},
        {"inner block", {2, 1, 3, 2}},
        {"one pixel in the far corner", {5, 3, 1, 1}},
        {"right column", {5, 0, 1, 4}},
    };
    const Picture picture = fakes::NumberedPicture(6, 4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Picture part = CropPicture(picture, c.area);
        ASSERT_EQ(part.width, c.area.width);
        ASSERT_EQ(part.height, c.area.height);
        ASSERT_EQ(part.rgb.size(), static_cast<size_t>(c.area.width * c.area.height * 3));
        for (int y = 0; y < part.height; ++y) {
            for (int x = 0; x < part.width; ++x) {
                const std::uint8_t* px = &part.rgb[(static_cast<size_t>(y) * part.width + x) * 3];
                EXPECT_EQ(px[0], c.area.left + x);
                EXPECT_EQ(px[1], c.area.top + y);
                EXPECT_EQ(px[2], static_cast<std::uint8_t>(c.area.left + x + c.area.top + y));
            }
        }
    }
}

}  // namespace
}  // namespace tesra::platform
