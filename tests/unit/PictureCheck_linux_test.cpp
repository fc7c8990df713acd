#include "linux/LinuxDrawing.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tesra::platform {
namespace {

std::string Encoded(int width, int height, const char* type) {
    g_autoptr(GdkPixbuf) pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    gdk_pixbuf_fill(pixbuf, 0x20a040ff);
    g_autofree gchar* buffer = nullptr;
    gsize size = 0;
    EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, type, nullptr, nullptr));
    return std::string(buffer, size);
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// The signature, header and first rows of a PNG of 16000 x 16000 pixels: what a server's huge
// "icon" begins with.
const std::string kHugePngStart = FromHex(
    "89504e470d0a1a0a0000000d4948445200003e8000003e800806000000417edfde000000934944415478daecc18100000000c3a0f9531fe102"
    "550100000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
    "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
    "00000000000000000000003c030000ffffb015c7b3");

TEST(MeasurePicture, GivesTheSizeOfWhatReadsAsAPicture) {
    struct Row {
        const char* name;
        std::string bytes;
        std::optional<PictureSize> size;
    };
    const std::string png = Encoded(48, 32, "png");
    const Row rows[] = {
        {"PNG", png, PictureSize{48, 32}},
        {"ICO", Encoded(32, 32, "ico"), PictureSize{32, 32}},
        {"a large PNG, not decoded", Encoded(300, 300, "png"), PictureSize{300, 300}},
        {"a huge PNG's first bytes, not decoded", kHugePngStart, PictureSize{16000, 16000}},
        {"an error page", "<!DOCTYPE html><html><body>Not Found</body></html>", std::nullopt},
        {"a cut PNG", png.substr(0, png.size() / 2), std::nullopt},
        {"nothing", "", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(LinuxDrawing().MeasurePicture(row.bytes, 256), row.size);
    }
}

}  // namespace
}  // namespace tesra::platform
