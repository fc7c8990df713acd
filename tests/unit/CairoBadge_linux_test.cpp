// Draws the new-message badge with Cairo and looks at its pixels.
#include <gtest/gtest.h>

#include "linux/LinuxDrawing.h"
#include "platform/Exception.h"
#include "shell/NewMessageHint.h"

namespace tesra::platform {
namespace {

struct Pixel {
    int r, g, b, a;
};

Pixel At(const IconImage& icon, int x, int y) {
    const std::size_t i = (std::size_t(y) * icon.width + x) * 4;
    return {icon.rgba[i], icon.rgba[i + 1], icon.rgba[i + 2], icon.rgba[i + 3]};
}

IconImage Draw(const BadgeSpec& badge) { return LinuxDrawing().DrawBadge(badge); }

bool IsBlue(Pixel p) { return p.r == 0 && p.g == 0 && p.b == 255; }
bool IsYellow(Pixel p) { return p.r == 255 && p.g == 255 && p.b == 0; }
bool IsRedText(Pixel p) { return p.r > 200 && p.g < 100 && p.b < 60; }

int RedPixels(const IconImage& icon, int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) count += IsRedText(At(icon, x, y));
    }
    return count;
}

TEST(CairoBadge, ColoursAtKnownPoints) {
    struct Row {
        std::int32_t count;
        bool cornerOfTextCellIsYellow;  // (6, 6) lies outside the ellipse, inside the "9+" cell only
    };
    for (const Row row : {Row{3, false}, Row{10, true}, Row{250, true}, Row{-5, false}, Row{0, false}}) {
        SCOPED_TRACE(row.count);
        const IconImage icon = Draw(tesra::NewMessageBadge(row.count, LinuxDrawing().StandardIconSize()));
        ASSERT_EQ(icon.width, 32);
        ASSERT_EQ(icon.height, 32);
        ASSERT_TRUE(icon.HasPixels());
        for (int i = 3; i < static_cast<int>(icon.rgba.size()); i += 4)
            ASSERT_EQ(icon.rgba[i], 255) << "pixel " << i / 4;
        for (auto [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}, {1, 16}, {16, 1}, {16, 30}, {31, 2}}) {
            EXPECT_TRUE(IsBlue(At(icon, x, y))) << x << "," << y;
        }
        for (auto [x, y] : {std::pair{16, 4}, {4, 16}, {6, 22}}) {
            EXPECT_TRUE(IsYellow(At(icon, x, y))) << x << "," << y;
        }
        EXPECT_EQ(IsYellow(At(icon, 6, 6)), row.cornerOfTextCellIsYellow);
        EXPECT_GT(RedPixels(icon, 6, 6, 32, 32), 15);
        EXPECT_EQ(RedPixels(icon, 0, 0, 32, 6), 0);
        EXPECT_EQ(RedPixels(icon, 0, 0, 6, 32), 0);
    }
}

TEST(CairoBadge, TextDiffersWithTheCount) {
    const IconImage three = Draw(tesra::NewMessageBadge(3, 32));
    const IconImage seven = Draw(tesra::NewMessageBadge(7, 32));
    const IconImage many = Draw(tesra::NewMessageBadge(10, 32));
    EXPECT_NE(three.rgba, seven.rgba);
    EXPECT_NE(three.rgba, many.rgba);
    EXPECT_EQ(many.rgba, Draw(tesra::NewMessageBadge(250, 32)).rgba);
}

TEST(CairoBadge, ALargerBadgeKeepsItsColoursAndSizeZeroThrows) {
    const IconImage icon = Draw(tesra::NewMessageBadge(3, 48));
    EXPECT_EQ(icon.width, 48);
    EXPECT_TRUE(IsBlue(At(icon, 47, 47)));
    EXPECT_TRUE(IsYellow(At(icon, 24, 4)));
    EXPECT_THROW(Draw(tesra::NewMessageBadge(3, 0)), tesra::Exception);
}

}  // namespace
}  // namespace tesra::platform
