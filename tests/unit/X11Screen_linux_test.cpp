// Needs an X server: runs when DISPLAY is set (for example a private Xvfb), skips otherwise.
#include <gtest/gtest.h>  // before Xlib, whose macros (None, Bool) clash with its names

#include "linux/X11Screen.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdlib>
#include <cstring>

namespace tesra::platform {
namespace {

class X11ScreenTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (DISPLAY is not set)";
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr) << "cannot open DISPLAY " << std::getenv("DISPLAY");
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }

    // A mapped window of one colour (painted by the server itself when mapped).
    Window SolidWindow(int x, int y, int width, int height, unsigned long rgb) {
        XSetWindowAttributes attributes{};
        attributes.background_pixel = rgb;
        attributes.override_redirect = True;
        Window w = XCreateWindow(display_, DefaultRootWindow(display_), x, y, width, height, 0, CopyFromParent,
                                 InputOutput, CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
        XMapRaised(display_, w);
        XSync(display_, False);
        return w;
    }

    bool PointerAt(int x, int y) {
        Window root = 0, child = 0;
        int rootX = 0, rootY = 0, winX = 0, winY = 0;
        unsigned mask = 0;
        XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &winX, &winY, &mask);
        return rootX == x && rootY == y;
    }

    static const std::uint8_t* At(const Picture& p, int x, int y) {
        return &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
    }

    Display* display_ = nullptr;
};

TEST_F(X11ScreenTest, CapturesThePrimaryDisplayWithItsPixels) {
    if (DefaultDepth(display_, DefaultScreen(display_)) != 24) GTEST_SKIP() << "needs a 24-bit display";
    Rect area = PrimaryDisplayArea(display_);
    Window w = SolidWindow(area.left + 40, area.top + 30, 100, 60, 0xC81E5A);

    X11Screen screen;
    Picture picture = screen.CapturePrimary(CursorInPicture::Omitted);
    XDestroyWindow(display_, w);
    XSync(display_, False);

    ASSERT_EQ(picture.width, area.width);
    ASSERT_EQ(picture.height, area.height);
    ASSERT_EQ(picture.rgb.size(), static_cast<size_t>(area.width) * area.height * 3);
    const std::uint8_t* inside = At(picture, 90, 60);
    EXPECT_EQ(inside[0], 0xC8);
    EXPECT_EQ(inside[1], 0x1E);
    EXPECT_EQ(inside[2], 0x5A);
}

TEST_F(X11ScreenTest, DrawsTheCursorWithItsCornerAtThePointer) {
    if (DefaultDepth(display_, DefaultScreen(display_)) != 24) GTEST_SKIP() << "needs a 24-bit display";
    int event = 0, error = 0, major = 2, minor = 0;
    if (!XFixesQueryExtension(display_, &event, &error)) GTEST_SKIP() << "no XFixes";
    XFixesQueryVersion(display_, &major, &minor);
    Rect area = PrimaryDisplayArea(display_);
    // A white field under the pointer, so that the (usually dark-edged) cursor shows on it.
    Window w = SolidWindow(area.left + 100, area.top + 100, 200, 200, 0xFFFFFF);
    XFixesCursorImage* cursor = XFixesGetCursorImage(display_);
    ASSERT_NE(cursor, nullptr);
    int width = cursor->width, height = cursor->height;
    XFree(cursor);

    X11Screen screen;
    Picture plain, with;
    // Another program on the same display may move the pointer meanwhile: try again then.
    for (int attempt = 0; attempt < 5; ++attempt) {
        XWarpPointer(display_, None, DefaultRootWindow(display_), 0, 0, 0, 0, area.left + 150, area.top + 160);
        XSync(display_, False);
        plain = screen.CapturePrimary(CursorInPicture::Omitted);
        with = screen.CapturePrimary(CursorInPicture::Drawn);
        if (PointerAt(area.left + 150, area.top + 160)) break;
    }
    XDestroyWindow(display_, w);
    XSync(display_, False);

    ASSERT_EQ(plain.width, with.width);
    ASSERT_EQ(plain.height, with.height);
    int changedInside = 0, changedOutside = 0;
    for (int y = 0; y < plain.height; ++y) {
        for (int x = 0; x < plain.width; ++x) {
            bool differs = std::memcmp(At(plain, x, y), At(with, x, y), 3) != 0;
            bool inBox = x >= 150 && x < 150 + width && y >= 160 && y < 160 + height;
            (inBox ? changedInside : changedOutside) += differs;
        }
    }
    EXPECT_GT(changedInside, 0);
    EXPECT_EQ(changedOutside, 0);
}

}  // namespace
}  // namespace tesra::platform
