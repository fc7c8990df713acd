#include "linux/ScaledPng.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/SharedLibrary.h"

namespace tesra::platform {
namespace {

// libpng, loaded when a large picture is first read: the program links only what GDK links.
struct PngLibrary {
    decltype(&png_create_read_struct) create_read_struct;
    decltype(&png_create_info_struct) create_info_struct;
    decltype(&png_destroy_read_struct) destroy_read_struct;
    decltype(&png_set_longjmp_fn) set_longjmp_fn;
    decltype(&png_init_io) init_io;
    decltype(&png_read_info) read_info;
    decltype(&png_get_IHDR) get_IHDR;
    decltype(&png_set_expand) set_expand;
    decltype(&png_set_strip_16) set_strip_16;
    decltype(&png_set_gray_to_rgb) set_gray_to_rgb;
    decltype(&png_set_filler) set_filler;
    decltype(&png_read_update_info) read_update_info;
    decltype(&png_get_rowbytes) get_rowbytes;
    decltype(&png_read_row) read_row;
};

template <typename F>
bool Bind(const SharedLibrary& library, F& function, const char* name) {
    function = reinterpret_cast<F>(library.Symbol(name));
    return function != nullptr;
}

const PngLibrary* LoadPng() {
    std::string error;
    std::unique_ptr<SharedLibrary> library = LoadSharedLibrary("png16", 16, error);
    if (!library) return nullptr;
    static PngLibrary png;
    bool bound = Bind(*library, png.create_read_struct, "png_create_read_struct") &&
                 Bind(*library, png.create_info_struct, "png_create_info_struct") &&
                 Bind(*library, png.destroy_read_struct, "png_destroy_read_struct") &&
                 Bind(*library, png.set_longjmp_fn, "png_set_longjmp_fn") &&
                 Bind(*library, png.init_io, "png_init_io") && Bind(*library, png.read_info, "png_read_info") &&
                 Bind(*library, png.get_IHDR, "png_get_IHDR") && Bind(*library, png.set_expand, "png_set_expand") &&
                 Bind(*library, png.set_strip_16, "png_set_strip_16") &&
                 Bind(*library, png.set_gray_to_rgb, "png_set_gray_to_rgb") &&
                 Bind(*library, png.set_filler, "png_set_filler") &&
                 Bind(*library, png.read_update_info, "png_read_update_info") &&
                 Bind(*library, png.get_rowbytes, "png_get_rowbytes") && Bind(*library, png.read_row, "png_read_row");
    return bound ? &png : nullptr;
}

const PngLibrary* Png() {
    static const PngLibrary* png = LoadPng();
    return png;
}

// Sums of premultiplied colour and of alpha per target pixel, and how many source pixels fell on it.
struct Accumulator {
    int width, height;
    std::vector<std::uint64_t> sums;  // r, g, b, a per target pixel
    std::vector<std::uint32_t> counts;

    Accumulator(int w, int h) : width(w), height(h), sums(std::size_t(w) * h * 4), counts(std::size_t(w) * h) {}

    void AddRow(const png_byte* rgba, png_uint_32 sourceWidth, png_uint_32 y, png_uint_32 sourceHeight) {
        const std::size_t row = std::size_t(std::uint64_t(y) * height / sourceHeight) * width;
        for (png_uint_32 x = 0; x < sourceWidth; ++x, rgba += 4) {
            const std::size_t at = row + std::size_t(std::uint64_t(x) * width / sourceWidth);
            std::uint64_t* sum = &sums[at * 4];
            sum[0] += rgba[0] * rgba[3];
            sum[1] += rgba[1] * rgba[3];
            sum[2] += rgba[2] * rgba[3];
            sum[3] += rgba[3];
            ++counts[at];
        }
    }

    GdkPixbuf* Pixbuf() const {
        GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
        if (!pixbuf) return nullptr;
        guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
        const int stride = gdk_pixbuf_get_rowstride(pixbuf);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::size_t at = std::size_t(y) * width + x;
                const std::uint64_t* sum = &sums[at * 4];
                guchar* out = pixels + std::size_t(y) * stride + std::size_t(x) * 4;
                for (int c = 0; c < 3; ++c) out[c] = sum[3] ? guchar(sum[c] / sum[3]) : 0;
                out[3] = counts[at] ? guchar(sum[3] / counts[at]) : 0;
            }
        }
        return pixbuf;
    }
};

// Reads the open PNG into the accumulator; false when it does not read. Between setjmp and the
// library's longjmp only objects without destructors are made.
bool Accumulate(const PngLibrary& png, png_structp reader, png_infop info, std::FILE* file, Accumulator& target,
                std::vector<png_byte>& row) {
    if (setjmp(*png.set_longjmp_fn(reader, longjmp, sizeof(jmp_buf)))) return false;
    png.init_io(reader, file);
    png.read_info(reader, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png.get_IHDR(reader, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    if (interlace != PNG_INTERLACE_NONE) return false;
    // Every kind of PNG as 8-bit RGBA.
    png.set_expand(reader);
    png.set_strip_16(reader);
    png.set_gray_to_rgb(reader);
    png.set_filler(reader, 0xFF, PNG_FILLER_AFTER);
    png.read_update_info(reader, info);
    if (png.get_rowbytes(reader, info) != std::size_t(width) * 4) return false;
    row.resize(std::size_t(width) * 4);
    for (png_uint_32 y = 0; y < height; ++y) {
        png.read_row(reader, row.data(), nullptr);
        target.AddRow(row.data(), width, y, height);
    }
    return true;
}

}  // namespace

GdkPixbuf* ReadPngScaled(const std::string& path, int width, int height) {
    const PngLibrary* png = Png();
    if (!png || width <= 0 || height <= 0) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rbe");
    if (!file) return nullptr;
    png_structp reader = png->create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = reader ? png->create_info_struct(reader) : nullptr;
    Accumulator target(width, height);
    std::vector<png_byte> row;
    const bool read = info && Accumulate(*png, reader, info, file, target, row);
    if (reader) png->destroy_read_struct(&reader, info ? &info : nullptr, nullptr);
    std::fclose(file);
    return read ? target.Pixbuf() : nullptr;
}

}  // namespace tesra::platform
