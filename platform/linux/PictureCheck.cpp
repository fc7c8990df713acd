#include "platform/linux/PictureCheck.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>

namespace tesra::platform {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

struct Measure {
    std::optional<PictureSize> size;
};

void OnSizePrepared(GdkPixbufLoader*, int width, int height, gpointer data) {
    static_cast<Measure*>(data)->size = PictureSize{width, height};
}

}  // namespace

std::optional<PictureSize> MeasurePicture(std::string_view bytes, int largestSide) {
    g_autoptr(GdkPixbufLoader) loader = gdk_pixbuf_loader_new();
    Measure measure;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &measure);
    auto tooLarge = [&] { return measure.size && std::max(measure.size->width, measure.size->height) > largestSide; };
    bool written = true;
    // In pieces, so that a picture too large to be an icon is never decoded at its full size.
    for (std::size_t at = 0; at < bytes.size() && written && !tooLarge(); at += kChunk) {
        const std::size_t count = std::min(kChunk, bytes.size() - at);
        written = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data() + at), count, nullptr);
    }
    const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
    if (tooLarge()) return measure.size;
    if (!written || !closed || !gdk_pixbuf_loader_get_pixbuf(loader)) return std::nullopt;
    return measure.size;
}

}  // namespace tesra::platform
