#include "support/JpegEncoder.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdlib>

#include "platform/Exception.h"

namespace tesra {
namespace {

using platform::Picture;

Picture Pattern(int width, int height) {
    Picture p{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Smooth gradients, so that subsampled colour stays close at every pixel.
            p.rgb.push_back(static_cast<std::uint8_t>(std::min(x * 3 / 2, 255)));
            p.rgb.push_back(static_cast<std::uint8_t>(std::min(y * 3 / 2, 255)));
            p.rgb.push_back(static_cast<std::uint8_t>(128 + (x - y) / 4));
        }
    }
    return p;
}

struct Decoded {
    Picture picture;
    int components = 0;
    bool progressive = false;
    unsigned firstLumaQuant = 0;
};

Decoded Decode(const std::string& jpeg) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
    jpeg_read_header(&info, TRUE);
    Decoded d;
    d.components = info.num_components;
    d.progressive = info.progressive_mode;
    d.firstLumaQuant = info.quant_tbl_ptrs[0] ? info.quant_tbl_ptrs[0]->quantval[0] : 0;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    d.picture.width = static_cast<int>(info.output_width);
    d.picture.height = static_cast<int>(info.output_height);
    d.picture.rgb.resize(static_cast<size_t>(info.output_width) * info.output_height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = d.picture.rgb.data() + static_cast<size_t>(info.output_scanline) * info.output_width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return d;
}

TEST(EncodeJpeg, BaselineFullColourFileThatDecodesNearTheInput) {
    struct Case {
        int width, height;
    };
    const Case cases[] = {{64, 48}, {200, 150}, {1, 2}, {37, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        Picture input = Pattern(c.width, c.height);
        std::string jpeg = EncodeJpeg(input, 90);
        ASSERT_GE(jpeg.size(), 4u);
        EXPECT_EQ(static_cast<unsigned char>(jpeg[0]), 0xFF);
        EXPECT_EQ(static_cast<unsigned char>(jpeg[1]), 0xD8);
        EXPECT_EQ(static_cast<unsigned char>(jpeg[jpeg.size() - 2]), 0xFF);
        EXPECT_EQ(static_cast<unsigned char>(jpeg[jpeg.size() - 1]), 0xD9);
        EXPECT_NE(jpeg.find("\xFF\xC0", 0, 2), std::string::npos) << "baseline frame header";

        Decoded d = Decode(jpeg);
        EXPECT_EQ(d.components, 3);
        EXPECT_FALSE(d.progressive);
        EXPECT_EQ(d.firstLumaQuant, 3u) << "quality 90 scales the luminance DC step 16 to 3";
        ASSERT_EQ(d.picture.width, c.width);
        ASSERT_EQ(d.picture.height, c.height);
        long total = 0;
        int worst = 0;
        for (size_t i = 0; i < input.rgb.size(); ++i) {
            int diff = std::abs(int(input.rgb[i]) - int(d.picture.rgb[i]));
            total += diff;
            worst = std::max(worst, diff);
        }
        EXPECT_LT(static_cast<double>(total) / static_cast<double>(input.rgb.size()), 3.0);
        EXPECT_LT(worst, 40);
    }
}

TEST(EncodeJpeg, QualityChangesTheQuantisation) {
    Picture input = Pattern(32, 32);
    EXPECT_EQ(Decode(EncodeJpeg(input, 30)).firstLumaQuant, 27u);  // 16 * 166% rounded
    EXPECT_GT(EncodeJpeg(input, 90).size(), EncodeJpeg(input, 30).size());
}

TEST(EncodeJpeg, EmptyPictureGivesNoBytes) {
    EXPECT_EQ(EncodeJpeg(Picture{}, 90), "");
    EXPECT_EQ(EncodeJpeg(Picture{0, 10, {}}, 90), "");
}

TEST(EncodeJpeg, ShortPixelDataIsAnError) {
    Picture broken{10, 10, std::vector<std::uint8_t>(10 * 9 * 3)};
    EXPECT_THROW(EncodeJpeg(broken, 90), Exception);
}

}  // namespace
}  // namespace tesra
