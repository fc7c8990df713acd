#include "platform/linux/IconPixbuf.h"

#include <cstring>

namespace tesra::platform {

GdkPixbuf* PixbufFromIcon(const IconImage& icon) {
    if (icon.HasPixels()) {
        GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, icon.width, icon.height);
        if (!pixbuf) return nullptr;
        guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
        const int stride = gdk_pixbuf_get_rowstride(pixbuf);
        const std::size_t row_bytes = std::size_t(icon.width) * 4;
        for (int y = 0; y < icon.height; ++y) {
            std::memcpy(pixels + std::size_t(y) * stride, icon.rgba.data() + y * row_bytes, row_bytes);
        }
        return pixbuf;
    }
    if (icon.file.empty()) return nullptr;
    return gdk_pixbuf_new_from_file(icon.file.c_str(), nullptr);
}

}  // namespace tesra::platform
