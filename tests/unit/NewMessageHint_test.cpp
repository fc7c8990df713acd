#include "shell/NewMessageHint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "PlatformFakes.h"
#include "support/tsTrayIcon.h"

namespace tesra {
namespace {

TEST(NewMessageBadge, TextAndPlace) {
    struct Row {
        std::int32_t count;
        std::string text;
        int x;
    };
    const Row rows[] = {
        {1, "1", 8},    {3, "3", 8},           {9, "9", 8}, {10, "9+", 6},
        {250, "9+", 6}, {2147483647, "9+", 6}, {0, "0", 8}, {-5, "-5", 8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.count);
        const platform::BadgeSpec badge = NewMessageBadge(row.count, 32);
        EXPECT_EQ(badge.text, row.text);
        EXPECT_EQ(badge.textX, row.x);
        EXPECT_EQ(badge.textY, 6);
    }
}

TEST(NewMessageBadge, ColoursAndGeometry) {
    const platform::BadgeSpec badge = NewMessageBadge(3, 32);
    EXPECT_EQ(badge.width, 32);
    EXPECT_EQ(badge.height, 32);
    EXPECT_EQ(badge.background, (platform::Rgb{0, 0, 255}));
    EXPECT_EQ(badge.ellipse, (platform::Rgb{255, 255, 0}));
    EXPECT_EQ(badge.textColor, (platform::Rgb{255, 0, 0}));
    EXPECT_EQ(badge.fontPoints, 14);
    EXPECT_EQ(badge.ellipseLeft, 3);
    EXPECT_EQ(badge.ellipseTop, 3);
    EXPECT_EQ(badge.ellipseRight, 29);
    EXPECT_EQ(badge.ellipseBottom, 29);
    EXPECT_EQ(NewMessageBadge(3, 48).ellipseRight, 45);
}

TEST(ClampMessageCount, ScriptNumbersBecomeSigned32Bit) {
    struct Row {
        double value;
        std::int32_t expected;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    const Row rows[] = {
        {3, 3},
        {0, 0},
        {-4, -4},
        {3.9, 3},
        {-3.9, -3},
        {2147483647, 2147483647},
        {2147483648.0, 2147483647},
        {4294967296.0 + 5, 2147483647},
        {1e300, 2147483647},
        {infinity, 2147483647},
        {-2147483648.0, -2147483647 - 1},
        {-1e20, -2147483647 - 1},
        {-infinity, -2147483647 - 1},
        {std::nan(""), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(ClampMessageCount(row.value), row.expected);
    }
}

class NewMessageHintTest : public ::testing::Test {
protected:
    fakes::FakePlatform fake;
    TtsTrayIcon tray{fake.app, fake.boxes, fake.notifyIcons, fake.factory};
    fakes::FakeTimer blinkTimer;
    bool visible = false;
    std::vector<std::int32_t> drawn;
    NewMessageHint hint{tray, blinkTimer, [this] { return visible; },
                        [this](const platform::BadgeSpec& badge) {
                            drawn.push_back(badge.text == "9+" ? 10 : std::stoi(badge.text));
                            return Badge(badge.text);
                        },
                        32};

    void SetUp() override {
        blinkTimer.enabled = true;  // the main window starts it for the page binding
        tray.SetEnabled(true);
    }
    static platform::IconImage Badge(const std::string& text) { return platform::IconImage::FromFile("badge:" + text); }
    static platform::IconImage AppIcon() { return platform::IconImage::FromFile("/icons/app.ico"); }
    std::vector<platform::IconImage> Ticks(int n) {
        std::vector<platform::IconImage> shown;
        for (int i = 0; i < n; ++i) {
            hint.BlinkStep();
            shown.push_back(tray.Icon());
        }
        return shown;
    }
};

TEST_F(NewMessageHintTest, NothingBeforeTheFirstHint) {
    EXPECT_FALSE(hint.HasNewMessages());
    EXPECT_TRUE(hint.BlinkPhase());
    tray.SetIcon(Badge("other"));
    hint.BlinkStep();
    EXPECT_EQ(tray.Icon(), Badge("other"));
    EXPECT_TRUE(drawn.empty());
}

TEST_F(NewMessageHintTest, HiddenWindowBlinksStartingWithTheApplicationIcon) {
    hint.ShowNewMessageHint(3);
    EXPECT_TRUE(blinkTimer.enabled);
    EXPECT_TRUE(hint.ShouldBlink());
    EXPECT_EQ(Ticks(4), (std::vector<platform::IconImage>{AppIcon(), Badge("3"), AppIcon(), Badge("3")}));
    EXPECT_EQ(drawn, (std::vector<std::int32_t>{3, 3, 3, 3}));
}

TEST_F(NewMessageHintTest, LargeCountsRead9Plus) {
    for (std::int32_t count : {10, 250, 2147483647}) {
        SCOPED_TRACE(count);
        hint.ShowNewMessageHint(count);
        const auto shown = Ticks(2);
        EXPECT_TRUE(shown[0] == Badge("9+") || shown[1] == Badge("9+"));
    }
}

TEST_F(NewMessageHintTest, VisibleWindowDoesNotBlinkUntilHidden) {
    visible = true;
    tray.SetIcon(Badge("old"));
    hint.ShowNewMessageHint(5);
    EXPECT_FALSE(blinkTimer.enabled);
    EXPECT_EQ(tray.Icon(), AppIcon());
    visible = false;  // hidden to the tray: the main window arms the timer again
    hint.ArmBlinkTimer();
    EXPECT_TRUE(blinkTimer.enabled);
    EXPECT_EQ(Ticks(2), (std::vector<platform::IconImage>{AppIcon(), Badge("5")}));
}

TEST_F(NewMessageHintTest, ZeroOrNegativeCountStopsTheBlinking) {
    for (std::int32_t count : {0, -1, -2147483647 - 1}) {
        SCOPED_TRACE(count);
        hint.ShowNewMessageHint(4);
        Ticks(2);
        EXPECT_EQ(tray.Icon(), Badge("4"));
        hint.ShowNewMessageHint(count);
        EXPECT_FALSE(blinkTimer.enabled);
        EXPECT_EQ(tray.Icon(), AppIcon());
        EXPECT_EQ(hint.NewMessageCount(), count);
        EXPECT_TRUE(hint.HasNewMessages());
    }
}

TEST_F(NewMessageHintTest, TicksOfTheBindingRetryBlinkTheLastCount) {
    hint.ShowNewMessageHint(0);
    EXPECT_EQ(Ticks(2), (std::vector<platform::IconImage>{AppIcon(), Badge("0")}));
}

TEST_F(NewMessageHintTest, RepeatedHintsDoNotRestartARunningTimer) {
    hint.ShowNewMessageHint(2);
    const int enables = blinkTimer.enableCount;
    hint.ShowNewMessageHint(3);
    hint.ShowNewMessageHint(4);
    EXPECT_EQ(blinkTimer.enableCount, enables);
    EXPECT_TRUE(blinkTimer.enabled);
}

TEST_F(NewMessageHintTest, PhaseContinuesAcrossHints) {
    hint.ShowNewMessageHint(2);
    Ticks(1);
    EXPECT_FALSE(hint.BlinkPhase());
    hint.ShowNewMessageHint(7);
    EXPECT_EQ(Ticks(1), std::vector<platform::IconImage>{Badge("7")});
}

}  // namespace
}  // namespace tesra
