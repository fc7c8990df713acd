// Icon files read at icon size, in a temporary folder.
#include "linux/IconPixbuf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SupportFakes.h"
#include "linux/ScaledPng.h"

namespace tesra::platform {
namespace {

namespace fs = std::filesystem;

TEST(IconPixbuf, FitIconSize) {
    struct Row {
        int width, height;
        std::pair<int, int> fitted;
    };
    const Row rows[] = {
        {16, 16, {16, 16}},       {256, 256, {256, 256}},     {256, 100, {256, 100}},
        {257, 257, {256, 256}},   {16000, 16000, {256, 256}}, {4096, 2048, {256, 128}},
        {2048, 4096, {128, 256}}, {100000, 1, {256, 1}},      {1, 100000, {1, 256}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FitIconSize(row.width, row.height, 256), row.fitted) << row.width << "x" << row.height;
    }
}

// A picture whose left half is opaque red and right half half-transparent blue.
GdkPixbuf* TwoHalves(int width, int height) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            guchar* p = pixels + std::size_t(y) * stride + std::size_t(x) * 4;
            const bool left = x < width / 2;
            p[0] = left ? 255 : 0;
            p[1] = 0;
            p[2] = left ? 0 : 255;
            p[3] = left ? 255 : 128;
        }
    }
    return pixbuf;
}

class IconFileTest : public ::testing::Test {
protected:
    // A PNG of the two halves; other kinds (without transparency) in one colour.
    std::string Save(const char* name, int width, int height, const char* type) {
        const std::string path = (home.Root() / name).string();
        const bool png = std::string(type) == "png";
        g_autoptr(GdkPixbuf) picture =
            png ? TwoHalves(width, height) : gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
        if (!png) gdk_pixbuf_fill(picture, 0x00FF00FF);
        EXPECT_TRUE(gdk_pixbuf_save(picture, path.c_str(), type, nullptr, nullptr)) << name;
        return path;
    }
    static const guchar* Pixel(GdkPixbuf* pixbuf, int x, int y) {
        return gdk_pixbuf_get_pixels(pixbuf) + std::size_t(y) * gdk_pixbuf_get_rowstride(pixbuf) +
               std::size_t(x) * gdk_pixbuf_get_n_channels(pixbuf);
    }
    testing::TempHome home;
};

TEST_F(IconFileTest, EveryPictureIsReadAtIconSize) {
    struct Case {
        const char* name;
        int width, height;
        const char* type;
        int readWidth, readHeight;  // 0: not read
    };
    const Case cases[] = {
        {"small.png", 16, 16, "png", 16, 16},        {"largest.png", 256, 256, "png", 256, 256},
        {"wide.png", 3000, 1500, "png", 256, 128},   {"tall.png", 1000, 3000, "png", 85, 256},
        {"photo.jpg", 3000, 3000, "jpeg", 256, 256}, {"medium.bmp", 800, 800, "bmp", 256, 256},
        {"large.bmp", 1100, 1000, "bmp", 0, 0},  // decoded whole only when small enough
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_autoptr(GdkPixbuf) read = IconPixbufFromFile(Save(c.name, c.width, c.height, c.type));
        if (c.readWidth == 0) {
            EXPECT_EQ(read, nullptr);
            continue;
        }
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(gdk_pixbuf_get_width(read), c.readWidth);
        EXPECT_EQ(gdk_pixbuf_get_height(read), c.readHeight);
    }
}

TEST_F(IconFileTest, AReducedPngKeepsItsColoursAndTransparency) {
    g_autoptr(GdkPixbuf) read = ReadPngScaled(Save("big.png", 2000, 1000, "png"), 200, 100);
    ASSERT_NE(read, nullptr);
    ASSERT_TRUE(gdk_pixbuf_get_has_alpha(read));
    const guchar* left = Pixel(read, 10, 50);
    EXPECT_EQ(std::vector<int>(left, left + 4), (std::vector<int>{255, 0, 0, 255}));
    const guchar* right = Pixel(read, 190, 50);
    EXPECT_EQ(std::vector<int>(right, right + 4), (std::vector<int>{0, 0, 255, 128}));
    const guchar* lastLeft = Pixel(read, 99, 50);
    EXPECT_EQ(lastLeft[3], 255) << "the last column of the left half has none of the right";
}

TEST_F(IconFileTest, WhatIsNoPictureIsNotRead) {
    const std::string path = (home.Root() / "TesraBrowser.ico").string();
    std::ofstream(path) << "<html>not an icon</html>";
    EXPECT_EQ(IconPixbufFromFile(path), nullptr);
    EXPECT_EQ(ReadPngScaled(path, 16, 16), nullptr);
    EXPECT_EQ(IconPixbufFromFile((home.Root() / "missing.png").string()), nullptr);
    // A PNG cut off in its pixels.
    const std::string png = Save("cut.png", 1000, 1000, "png");
    fs::resize_file(png, fs::file_size(png) / 2);
    EXPECT_EQ(ReadPngScaled(png, 100, 100), nullptr);
}

TEST_F(IconFileTest, TheSameFileIsReadOnceUntilItChanges) {
    const std::string path = Save("icon.png", 2000, 2000, "png");
    g_autoptr(GdkPixbuf) first = IconPixbufFromFile(path);
    g_autoptr(GdkPixbuf) second = IconPixbufFromFile(path);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    Save("icon.png", 32, 32, "png");
    g_autoptr(GdkPixbuf) third = IconPixbufFromFile(path);
    ASSERT_NE(third, nullptr);
    EXPECT_NE(third, first);
    EXPECT_EQ(gdk_pixbuf_get_width(third), 32);
}

TEST_F(IconFileTest, TheReducedPictureOfALargePngIsKeptForTheNextStarts) {
    const std::string path = Save("TesraBrowser.ico", 2000, 1000, "png");
    const std::string kept = path + "-256.png";
    g_autoptr(GdkPixbuf) first = IconPixbufFromFile(path);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(fs::exists(kept));
    g_autoptr(GdkPixbuf) small = IconPixbufFromFile(Save("small.png", 16, 16, "png"));  // another file read last
    // The kept picture, painted green under the same stamp, is what the next read returns.
    g_autoptr(GdkPixbuf) stamped = gdk_pixbuf_new_from_file(kept.c_str(), nullptr);
    ASSERT_NE(stamped, nullptr);
    const std::string stamp = gdk_pixbuf_get_option(stamped, "tEXt::Source");
    g_autoptr(GdkPixbuf) green = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 256, 128);
    gdk_pixbuf_fill(green, 0x00FF00FF);
    ASSERT_TRUE(gdk_pixbuf_save(green, kept.c_str(), "png", nullptr, "tEXt::Source", stamp.c_str(), nullptr));
    g_autoptr(GdkPixbuf) again = IconPixbufFromFile(path);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Pixel(again, 10, 10)[1], 255) << "read from the kept picture";
    // A changed file is read anew.
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    g_autoptr(GdkPixbuf) changed = IconPixbufFromFile(path);
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(std::vector<int>(Pixel(changed, 10, 10), Pixel(changed, 10, 10) + 4), (std::vector<int>{255, 0, 0, 255}));
}

}  // namespace
}  // namespace tesra::platform
