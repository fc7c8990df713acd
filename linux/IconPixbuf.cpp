#include "linux/IconPixbuf.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "linux/FileReplace.h"
#include "linux/ScaledPng.h"

namespace tesra::platform {
namespace {

// Pictures up to this many pixels are decoded whole before they are scaled: a few megabytes at most.
constexpr std::int64_t kWholeDecodeLimit = 1024 * 1024;

struct FileStamp {
    std::string path;
    off_t size = -1;
    timespec modified{};

    bool operator==(const FileStamp& other) const {
        return path == other.path && size == other.size && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

// The last file read: the window and the tray ask for the same icon, the tray again at each blink.
struct LastIcon {
    FileStamp stamp;
    GdkPixbuf* pixbuf = nullptr;
};
LastIcon g_last;

// The reduced picture of a large file is kept beside it, stamped with the file's size and time, so
// that only the first start after it arrived pays for reading it whole.
std::string ReducedPath(const std::string& path) { return path + "-" + std::to_string(kIconSide) + ".png"; }

std::string StampText(const FileStamp& stamp) {
    return std::to_string(stamp.size) + " " + std::to_string(stamp.modified.tv_sec) + "." +
           std::to_string(stamp.modified.tv_nsec);
}

GdkPixbuf* ReadReduced(const FileStamp& stamp) {
    GdkPixbuf* reduced = gdk_pixbuf_new_from_file(ReducedPath(stamp.path).c_str(), nullptr);
    const char* source = reduced ? gdk_pixbuf_get_option(reduced, "tEXt::Source") : nullptr;
    if (source && source == StampText(stamp) && gdk_pixbuf_get_width(reduced) <= kIconSide &&
        gdk_pixbuf_get_height(reduced) <= kIconSide) {
        return reduced;
    }
    if (reduced) g_object_unref(reduced);
    return nullptr;
}

// Best effort: a folder that takes no file (a full disk) only costs the next start the long read.
void KeepReduced(GdkPixbuf* reduced, const FileStamp& stamp) {
    gchar* bytes = nullptr;
    gsize size = 0;
    const std::string text = StampText(stamp);
    if (!gdk_pixbuf_save_to_buffer(reduced, &bytes, &size, "png", nullptr, "tEXt::Source", text.c_str(), nullptr)) {
        return;
    }
    try {
        ReplaceFile(ReducedPath(stamp.path), std::string_view(bytes, size), FileMode::Regular, Durability::Atomic);
    } catch (const std::exception&) {
    }
    g_free(bytes);
}

GdkPixbuf* ReadIconFile(const FileStamp& stamp) {
    const std::string& path = stamp.path;
    int width = 0, height = 0;
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(path.c_str(), &width, &height);
    if (!format || width <= 0 || height <= 0) return nullptr;
    const auto [w, h] = FitIconSize(width, height, kIconSide);
    if (w == width && h == height) return gdk_pixbuf_new_from_file(path.c_str(), nullptr);
    g_autofree char* name = gdk_pixbuf_format_get_name(format);
    if (std::strcmp(name, "png") == 0) {
        if (GdkPixbuf* kept = ReadReduced(stamp)) return kept;
        if (GdkPixbuf* scaled = ReadPngScaled(path, w, h)) {
            KeepReduced(scaled, stamp);
            return scaled;
        }
    }
    // JPEG pictures are scaled while they are decoded; other kinds only when they are small enough.
    if (std::strcmp(name, "jpeg") != 0 && std::int64_t(width) * height > kWholeDecodeLimit) return nullptr;
    return gdk_pixbuf_new_from_file_at_size(path.c_str(), w, h, nullptr);
}

}  // namespace

std::pair<int, int> FitIconSize(int width, int height, int side) {
    if (width <= side && height <= side) return {width, height};
    if (width >= height) return {side, std::max(1, int(std::int64_t(height) * side / width))};
    return {std::max(1, int(std::int64_t(width) * side / height)), side};
}

GdkPixbuf* IconPixbufFromFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return nullptr;
    const FileStamp stamp{path, st.st_size, st.st_mtim};
    if (!(g_last.pixbuf && g_last.stamp == stamp)) {
        GdkPixbuf* read = ReadIconFile(stamp);
        if (!read) return nullptr;
        if (g_last.pixbuf) g_object_unref(g_last.pixbuf);
        g_last = {stamp, read};
    }
    return GDK_PIXBUF(g_object_ref(g_last.pixbuf));
}

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
    return IconPixbufFromFile(icon.file);
}

}  // namespace tesra::platform
