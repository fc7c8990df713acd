#include "linux/LinuxDrawing.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>

namespace tesra::platform {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

struct Measure {
    int largestSide = 0;
    std::optional<PictureSize> size;
    int rowsDecoded = 0;
};

void OnSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
    auto& measure = *static_cast<Measure*>(data);
    measure.size = PictureSize{width, height};
    // Too large for an icon: its size is all that is wanted, no picture is made of it.
    if (std::max(width, height) > measure.largestSide) gdk_pixbuf_loader_set_size(loader, 0, 0);
}

void OnAreaUpdated(GdkPixbufLoader*, int, int y, int, int height, gpointer data) {
    auto& measure = *static_cast<Measure*>(data);
    measure.rowsDecoded = std::max(measure.rowsDecoded, y + height);
}

}  // namespace

std::optional<PictureSize> LinuxDrawing::MeasurePicture(std::string_view bytes, int largestSide) {
    g_autoptr(GdkPixbufLoader) loader = gdk_pixbuf_loader_new();
    Measure measure{largestSide, std::nullopt, 0};
    g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &measure);
    g_signal_connect(loader, "area-updated", G_CALLBACK(OnAreaUpdated), &measure);
    auto tooLarge = [&] { return measure.size && std::max(measure.size->width, measure.size->height) > largestSide; };
    bool written = true;
    for (std::size_t at = 0; at < bytes.size() && written && !tooLarge(); at += kChunk) {
        const std::size_t count = std::min(kChunk, bytes.size() - at);
        written = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data() + at), count, nullptr);
    }
    const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
    if (tooLarge()) return measure.size;
    // Some decoders take a picture that ends early without a word: every row must have come.
    if (!written || !closed || !measure.size || measure.rowsDecoded < measure.size->height) return std::nullopt;
    return measure.size;
}

}  // namespace tesra::platform
