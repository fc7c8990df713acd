#include "support/FrameBounds.h"

#include <gtest/gtest.h>

#include <optional>

namespace tesra {
namespace {

TEST(ContentSizeFor, LeavesRoomForTheDecorationsOnly) {
    struct Case {
        const char* name;
        Size outer, frame, content, expected;
    };
    const Case cases[] = {
        {"not decorated yet", {602, 365}, {300, 200}, {300, 200}, {602, 365}},
        {"borders and a title bar", {602, 365}, {612, 403}, {602, 365}, {592, 327}},
        {"a title bar only", {1280, 760}, {1000, 737}, {1000, 700}, {1280, 723}},
        {"a frame reported smaller", {602, 365}, {590, 360}, {600, 365}, {602, 365}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Size size = ContentSizeFor(c.outer, c.frame, c.content);
        EXPECT_EQ(size.width, c.expected.width);
        EXPECT_EQ(size.height, c.expected.height);
    }
}

TEST(MainWindowArea, IsTheWorkAreaOrAFixedOneWithoutADisplay) {
    struct Case {
        const char* name;
        std::optional<platform::Rect> workArea;
        platform::Rect expected;
    };
    const Case cases[] = {
        {"a work area below a top panel", platform::Rect{0, 27, 1280, 733}, {0, 27, 1280, 733}},
        {"a work area right of a side panel", platform::Rect{64, 0, 1856, 1080}, {64, 0, 1856, 1080}},
        {"no display known", std::nullopt, {0, 0, 963, 525}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const platform::Rect area = MainWindowArea(c.workArea);
        EXPECT_EQ(area.left, c.expected.left);
        EXPECT_EQ(area.top, c.expected.top);
        EXPECT_EQ(area.width, c.expected.width);
        EXPECT_EQ(area.height, c.expected.height);
    }
}

}  // namespace
}  // namespace tesra
