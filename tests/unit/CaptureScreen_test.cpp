#include "services/CaptureScreen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "PlatformFakes.h"

#include "NumberedPicture.h"
#include "platform/Exception.h"

namespace tesra {
namespace {

using platform::MouseButton;
using platform::OverlayController;
using platform::Picture;

std::vector<std::string> g_log;  // what the fakes saw, in order

void DragFrom300x200To100x50(OverlayController& c) {
    c.MouseDown(MouseButton::Left, {300, 200});
    c.MouseMove({100, 50});
    c.MouseUp();
}

// Width and height from the baseline frame header of a JPEG file.
std::pair<int, int> JpegSize(const std::string& jpeg) {
    size_t sof = jpeg.find("\xFF\xC0", 0, 2);
    if (sof == std::string::npos || sof + 9 > jpeg.size()) return {0, 0};
    auto byte = [&](size_t i) { return static_cast<unsigned char>(jpeg[sof + i]); };
    return {byte(7) << 8 | byte(8), byte(5) << 8 | byte(6)};
}

class CaptureScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        screen_.picture = fakes::NumberedPicture(400, 300);
        screen_.log = &g_log;
        ui_.log = &g_log;
        frame_.log = &g_log;
        ui_.user = DragFrom300x200To100x50;
    }

    // The default platform while the fixture lives.
    fakes::FakePlatform fakes;
    testing::FakeScreen& screen_ = fakes.screen;
    fakes::FakeCaptureUi& ui_ = fakes.captureUi;
    fakes::FakeFrame frame_{7, platform::FrameKind::Main};
    // The capture object's hot keys, once made.
    fakes::FakeHotKeys* HotKeys() const {
        return fakes.factory.hotKeys.empty() ? nullptr : fakes.factory.hotKeys.back();
    }
};

TEST_F(CaptureScreenTest, ImmediateModeShowsNoDialogAndMinimisesNothing) {
    TScreenCapture capture(fakes.factory, screen_, ui_);
    capture.SetHostFinder([this] { return &frame_; });
    capture.SetMode(1);
    std::string jpeg;
    capture.Capture(jpeg);
    EXPECT_EQ(g_log, (std::vector<std::string>{"screen", "overlay"}));
    EXPECT_EQ(ui_.backgroundWidth, 400);
    ASSERT_GE(jpeg.size(), 2u);
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(JpegSize(jpeg), std::make_pair(200, 150));
}

TEST_F(CaptureScreenTest, OtherModesMinimiseAskAndRestore) {
    for (int mode : {0, 2, -5}) {
        for (bool start : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "mode " << mode << (start ? ", started" : ", dialog closed"));
            g_log.clear();
            ui_.start = start;
            TScreenCapture capture(fakes.factory, screen_, ui_);
            capture.SetHostFinder([this] { return &frame_; });
            capture.SetMode(mode);
            std::string jpeg;
            capture.Capture(jpeg);
            if (start) {
                EXPECT_EQ(g_log, (std::vector<std::string>{"minimize", "ask", "screen", "overlay", "restore"}));
                EXPECT_EQ(JpegSize(jpeg), std::make_pair(200, 150));
            } else {
                EXPECT_EQ(g_log, (std::vector<std::string>{"minimize", "ask", "restore"}));
                EXPECT_EQ(jpeg, "");
            }
        }
    }
}

TEST_F(CaptureScreenTest, WithoutHostWindowNothingIsMinimised) {
    TScreenCapture capture(fakes.factory, screen_, ui_);
    capture.SetHostFinder([] { return nullptr; });
    capture.SetMode(0);
    std::string jpeg;
    capture.Capture(jpeg);
    EXPECT_EQ(g_log, (std::vector<std::string>{"ask", "screen", "overlay"}));
    EXPECT_FALSE(jpeg.empty());
}

TEST_F(CaptureScreenTest, BufferEndsAsTheSelection) {
    TScreenCapture capture(fakes.factory, screen_, ui_);
    capture.SetMode(1);
    std::string jpeg;
    capture.Capture(jpeg);
    const Picture& b = capture.Buffer();
    ASSERT_EQ(b.width, 200);
    ASSERT_EQ(b.height, 150);
    const std::uint8_t* corner = &screen_.picture.rgb[(50 * 400 + 100) * 3];
    EXPECT_EQ(0, std::memcmp(b.rgb.data(), corner, 3));
}

TEST_F(CaptureScreenTest, NothingSelectedGivesNoBytes) {
    struct Case {
        const char* name;
        std::function<void(OverlayController&)> user;
    };
    const Case cases[] = {
        {"click without moving",
         [](OverlayController& c) {
             c.MouseDown(MouseButton::Left, {50, 50});
             c.MouseUp();
         }},
        {"vertical line",
         [](OverlayController& c) {
             c.MouseDown(MouseButton::Left, {50, 50});
             c.MouseMove({50, 90});
             c.MouseUp();
         }},
        {"right button",
         [](OverlayController& c) {
             c.MouseDown(MouseButton::Other, {50, 50});
         }},
        {"a key", [](OverlayController& c) { c.KeyDown(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui_.user = c.user;
        TScreenCapture capture(fakes.factory, screen_, ui_);
        capture.SetMode(1);
        std::string jpeg;
        capture.Capture(jpeg);
        EXPECT_EQ(jpeg, "");
        EXPECT_TRUE(capture.Buffer().Empty());
    }
}

TEST_F(CaptureScreenTest, OnePixelHighDragGivesAPictureTwoHigh) {
    ui_.user = [](OverlayController& c) {
        c.MouseDown(MouseButton::Left, {10, 40});
        c.MouseMove({70, 41});
        c.MouseUp();
    };
    TScreenCapture capture(fakes.factory, screen_, ui_);
    capture.SetMode(1);
    std::string jpeg;
    capture.Capture(jpeg);
    EXPECT_EQ(JpegSize(jpeg), std::make_pair(60, 2));
}

TEST_F(CaptureScreenTest, FailuresStillRestoreTheHostAndArePassedOn) {
    struct Case {
        const char* name;
        std::function<void(testing::FakeScreen&, fakes::FakeCaptureUi&)> breakIt;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"no screen picture",
         [](testing::FakeScreen& screen, fakes::FakeCaptureUi&) { screen.picture = {}; },
         {"minimize", "ask", "screen", "restore"}},
        {"dialog fails",
         [](testing::FakeScreen&, fakes::FakeCaptureUi& ui) { ui.failAsk = true; },
         {"minimize", "ask", "restore"}},
        {"overlay fails",
         [](testing::FakeScreen&, fakes::FakeCaptureUi& ui) { ui.failOverlay = true; },
         {"minimize", "ask", "screen", "overlay", "restore"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_log.clear();
        screen_.picture = fakes::NumberedPicture(400, 300);
        ui_.failAsk = ui_.failOverlay = false;
        c.breakIt(screen_, ui_);
        TScreenCapture capture(fakes.factory, screen_, ui_);
        capture.SetHostFinder([this] { return &frame_; });
        capture.SetMode(0);
        std::string jpeg;
        EXPECT_THROW(capture.Capture(jpeg), Exception);
        EXPECT_EQ(g_log, c.log);
        EXPECT_EQ(jpeg, "");
        g_log.clear();
        screen_.picture = fakes::NumberedPicture(400, 300);
        ui_.failAsk = ui_.failOverlay = false;
        capture.Capture(jpeg);  // the next capture finds the host again
        EXPECT_EQ(g_log, (std::vector<std::string>{"minimize", "ask", "screen", "overlay", "restore"}));
    }
}

TEST_F(CaptureScreenTest, CaptureStartedDuringACaptureIsRefused) {
    TScreenCapture capture(fakes.factory, screen_, ui_);
    capture.SetHostFinder([this] { return &frame_; });
    capture.SetMode(0);
    bool nestedRefused = false;
    ui_.user = [&](OverlayController& c) {
        std::string inner;
        try {
            capture.Capture(inner);
        } catch (const Exception&) {
            nestedRefused = true;
        }
        DragFrom300x200To100x50(c);
    };
    std::string jpeg;
    capture.Capture(jpeg);
    EXPECT_TRUE(nestedRefused);
    EXPECT_EQ(JpegSize(jpeg), std::make_pair(200, 150));
    EXPECT_EQ(g_log, (std::vector<std::string>{"minimize", "ask", "screen", "overlay", "restore"}));
}

TEST_F(CaptureScreenTest, CtrlAltTOnlyRefreshesTheBuffer) {
    {
        TScreenCapture capture(fakes.factory, screen_, ui_);
        fakes::FakeHotKeys* hotKeys_ = HotKeys();
        ASSERT_NE(hotKeys_, nullptr);
        hotKeys_->log = &g_log;
        ASSERT_EQ(hotKeys_->keys.size(), 1u);
        EXPECT_EQ(hotKeys_->keys[0].id, TScreenCapture::HotKeyAtom);
        EXPECT_EQ(hotKeys_->keys[0].modifiers, 3u);
        EXPECT_EQ(hotKeys_->keys[0].virtualKey, 84u);

        hotKeys_->press(TScreenCapture::HotKeyAtom + 1);
        EXPECT_TRUE(g_log.empty()) << "another id does nothing";
        hotKeys_->press(TScreenCapture::HotKeyAtom);
        EXPECT_EQ(g_log, std::vector<std::string>{"screen"});
        EXPECT_EQ(capture.Buffer().width, 400);
        EXPECT_EQ(capture.Buffer().height, 300);
        g_log.clear();
    }
    EXPECT_EQ(g_log, std::vector<std::string>{"unregister " + std::to_string(TScreenCapture::HotKeyAtom)});
}

TEST_F(CaptureScreenTest, CaptureImageBase64SetsTheModeAndEncodes) {
    TScreenCapture capture(fakes.factory, screen_, ui_);
    ui_.start = false;
    EXPECT_EQ(CaptureImageBase64(capture, 0), "");
    EXPECT_EQ(capture.Mode(), 0);
    std::string text = CaptureImageBase64(capture, 1);
    EXPECT_EQ(capture.Mode(), 1);
    EXPECT_EQ(text.substr(0, 4), "/9j/") << "base64 of FF D8 FF";
    EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos);
}

}  // namespace
}  // namespace tesra
