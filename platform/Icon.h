#pragma once
// A portable icon picture: a picture file that the platform reads, or RGBA pixels.

#include <cstdint>
#include <string>
#include <vector>

namespace tesra::platform {

// A picture's size in pixels.
struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};

struct IconImage {
    // A picture file (ICO, PNG, ...); used when there are no pixels.
    std::string file;
    int width = 0;
    int height = 0;
    // Rows top to bottom, 4 bytes per pixel (R, G, B, A, not premultiplied), no row padding.
    std::vector<std::uint8_t> rgba;

    static IconImage FromFile(std::string path) {
        IconImage icon;
        icon.file = std::move(path);
        return icon;
    }
    bool HasPixels() const { return width > 0 && height > 0 && rgba.size() == std::size_t(width) * height * 4; }
    // Neither pixels nor a file: the platform's default application icon.
    bool Empty() const { return !HasPixels() && file.empty(); }
    bool operator==(const IconImage&) const = default;
};

}  // namespace tesra::platform
