#include "support/FrameBounds.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tesra
