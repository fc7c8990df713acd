#include "shell/fuNew.h"

#include <gtest/gtest.h>

#include "BrowserFakes.h"

namespace tesra {
namespace {

TEST(Popup, OpensOnTopAtItsPlaceAndSize) {
    fakes::FakeWindowSystem windows;
    fakes::FakeBrowser opener(1);
    TfmNew popup(windows, opener, [](TfmNew&) {});
    ASSERT_EQ(windows.frames.size(), 1u);
    const fakes::FakeFrame& frame = *windows.frames[0];
    EXPECT_EQ(frame.kind, platform::FrameKind::Popup);
    ASSERT_TRUE(frame.bounds);
    EXPECT_EQ(frame.bounds->left, 822);
    EXPECT_EQ(frame.bounds->top, 351);
    EXPECT_EQ(frame.bounds->width, 602);
    EXPECT_EQ(frame.bounds->height, 365);
    EXPECT_FALSE(frame.visible) << "shown by its owner";
}

TEST(Popup, EscAndTheCloseBoxBothAskTheOwner) {
    fakes::FakeWindowSystem windows;
    fakes::FakeBrowser opener(1);
    int closes = 0;
    TfmNew popup(windows, opener, [&](TfmNew& closed) {
        EXPECT_EQ(&closed, &popup);
        ++closes;
    });
    windows.frames[0]->onEscape();
    EXPECT_EQ(closes, 1);
    windows.frames[0]->onClose();
    EXPECT_EQ(closes, 2);
}

}  // namespace
}  // namespace tesra
