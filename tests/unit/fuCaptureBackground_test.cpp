#include "services/fuCaptureBackground.h"

#include <gtest/gtest.h>

#include <cstring>

#include "NumberedPicture.h"

namespace tesra {
namespace {

using platform::MouseButton;
using platform::Picture;
using platform::Point;

const std::uint8_t* At(const Picture& p, int x, int y) { return &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3]; }

TEST(SelRectFromDrag, RectangleBetweenStartAndPointer) {
    struct Case {
        const char* name;
        Point start, pointer;
        std::optional<SelRect> rect;
    };
    const Case cases[] = {
        {"drag up and left", {300, 200}, {100, 50}, SelRect{100, 50, 300, 200}},
        {"drag down and right", {100, 50}, {300, 200}, SelRect{100, 50, 300, 200}},
        {"drag up and right", {10, 90}, {40, 20}, SelRect{10, 20, 40, 90}},
        {"drag down and left", {40, 20}, {10, 90}, SelRect{10, 20, 40, 90}},
        {"one pixel high", {5, 7}, {25, 8}, SelRect{5, 7, 25, 8}},
        {"one pixel wide", {5, 7}, {6, 30}, SelRect{5, 7, 6, 30}},
        {"click without moving", {120, 80}, {120, 80}, std::nullopt},
        {"vertical line", {120, 80}, {120, 300}, std::nullopt},
        {"horizontal line", {120, 80}, {10, 80}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SelRectFromDrag(c.start, c.pointer), c.rect);
    }
}

TEST(CopySelection, CopiesTheRectangleWithoutItsRightColumnAndBottomRow) {
    Picture background = fakes::NumberedPicture(400, 300);
    Picture s = CopySelection(background, {100, 50, 300, 200});
    ASSERT_EQ(s.width, 200);
    ASSERT_EQ(s.height, 150);
    ASSERT_EQ(s.rgb.size(), 200u * 150 * 3);
    for (int y = 0; y < s.height; y += 7) {
        for (int x = 0; x < s.width; x += 13) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            EXPECT_EQ(0, std::memcmp(At(s, x, y), At(background, 100 + x, 50 + y), 3));
        }
    }
    EXPECT_EQ(0, std::memcmp(At(s, 199, 149), At(background, 299, 199), 3));  // column 300, row 200 left out
}

TEST(CopySelection, OnePixelHighBecomesTwoHighWithTheRowStretched) {
    Picture background = fakes::NumberedPicture(50, 40);
    Picture s = CopySelection(background, {5, 7, 25, 8});
    ASSERT_EQ(s.width, 20);
    ASSERT_EQ(s.height, 2);
    for (int x = 0; x < 20; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(0, std::memcmp(At(s, x, 0), At(background, 5 + x, 7), 3));
        EXPECT_EQ(0, std::memcmp(At(s, x, 1), At(background, 5 + x, 7), 3));
    }
    Picture twoHigh = CopySelection(background, {5, 7, 25, 9});
    EXPECT_EQ(0, std::memcmp(At(twoHigh, 3, 1), At(background, 8, 8), 3)) << "two rows are copied as they are";
}

// One overlay session: a list of input events, and what the overlay holds when it closes.
TEST(TfmCaptureBackground, InputSequences) {
    enum Kind { LeftDown, OtherDown, Move, Up, Key };
    struct Event {
        Kind kind;
        Point at;
    };
    struct Case {
        const char* name;
        std::vector<Event> events;
        size_t closesAfter;  // index of the event that closes the overlay
        std::optional<SelRect> selection;
    };
    const Case cases[] = {
        {"drag and release",
         {{LeftDown, {300, 200}}, {Move, {200, 120}}, {Move, {100, 50}}, {Up, {}}},
         3,
         SelRect{100, 50, 300, 200}},
        {"click without moving", {{LeftDown, {30, 20}}, {Up, {}}}, 1, std::nullopt},
        {"moving back onto a line drops the selection",
         {{LeftDown, {30, 20}}, {Move, {60, 40}}, {Move, {60, 20}}, {Up, {}}},
         3,
         std::nullopt},
        {"moves before the button are ignored", {{Move, {60, 40}}, {Key, {}}}, 1, std::nullopt},
        {"right button closes at once", {{OtherDown, {30, 20}}}, 0, std::nullopt},
        {"right button during a drag keeps the selection",
         {{LeftDown, {30, 20}}, {Move, {60, 40}}, {OtherDown, {60, 40}}},
         2,
         SelRect{30, 20, 60, 40}},
        {"a key keeps the selection so far",
         {{LeftDown, {30, 20}}, {Move, {10, 25}}, {Key, {}}},
         2,
         SelRect{10, 20, 30, 25}},
        {"pointer beyond the display stops at its edge",
         {{LeftDown, {390, 290}}, {Move, {900, -40}}, {Up, {}}},
         2,
         SelRect{390, 0, 399, 290}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TfmCaptureBackground overlay(fakes::NumberedPicture(400, 300));
        size_t closedAt = c.events.size();
        for (size_t i = 0; i < c.events.size() && closedAt == c.events.size(); ++i) {
            const Event& e = c.events[i];
            bool close = false;
            switch (e.kind) {
            case LeftDown:
                close = overlay.MouseDown(MouseButton::Left, e.at);
                break;
            case OtherDown:
                close = overlay.MouseDown(MouseButton::Other, e.at);
                break;
            case Move:
                overlay.MouseMove(e.at);
                break;
            case Up:
                close = overlay.MouseUp();
                break;
            case Key:
                close = overlay.KeyDown();
                break;
            }
            if (close) closedAt = i;
        }
        EXPECT_EQ(closedAt, c.closesAfter);
        Point corner{-1, -1};
        const Picture* highlight = overlay.Highlight(corner);
        ASSERT_EQ(overlay.Selection().has_value(), c.selection.has_value());
        ASSERT_EQ(highlight != nullptr, c.selection.has_value());
        if (!c.selection) {
            EXPECT_EQ(overlay.Rect(), SelRect{});
            continue;
        }
        EXPECT_EQ(overlay.Rect(), *c.selection);
        EXPECT_EQ(corner.x, c.selection->left);
        EXPECT_EQ(corner.y, c.selection->top);
        EXPECT_EQ(highlight->width, c.selection->right - c.selection->left);
        EXPECT_EQ(0, std::memcmp(At(*highlight, 0, 0), At(overlay.Background(), corner.x, corner.y), 3));
    }
}

}  // namespace
}  // namespace tesra
