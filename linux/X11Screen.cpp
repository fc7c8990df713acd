#include "linux/X11Screen.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <memory>

#include "linux/X11ErrorTrap.h"

namespace tesra::platform {
namespace {

Rect RootArea(Display* display) {
    int screen = DefaultScreen(display);
    return {0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
}

bool HasPrimaryOutputs(Display* display) {
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &event, &error) || !XRRQueryVersion(display, &major, &minor)) return false;
    return major > 1 || (major == 1 && minor >= 3);
}

// The rectangle of the CRTC that shows the output; empty when it shows none.
Rect OutputArea(Display* display, RROutput output) {
    Rect area;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (!resources) return area;
    if (XRROutputInfo* info = XRRGetOutputInfo(display, resources, output)) {
        if (info->crtc) {
            if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, info->crtc)) {
                area = {crtc->x, crtc->y, static_cast<int>(crtc->width), static_cast<int>(crtc->height)};
                XRRFreeCrtcInfo(crtc);
            }
        }
        XRRFreeOutputInfo(info);
    }
    XRRFreeScreenResources(resources);
    return area;
}

// The part of a that lies on the root window.
Rect ClipToRoot(Rect a, const Rect& root) {
    int right = std::min(a.left + a.width, root.width), bottom = std::min(a.top + a.height, root.height);
    a.left = std::max(a.left, 0);
    a.top = std::max(a.top, 0);
    a.width = std::max(right - a.left, 0);
    a.height = std::max(bottom - a.top, 0);
    return a;
}

struct ImageDeleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDeleter>;

// An image in a shared memory segment that the server fills; the segment is marked for removal
// as soon as both sides have it, so it cannot outlive the process.
class SharedImage {
public:
    SharedImage(Display* display, const Rect& area, X11ErrorTrap& trap) : display_(display) {
        int screen = DefaultScreen(display);
        image_.reset(XShmCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen), ZPixmap,
                                     nullptr, &segment_, area.width, area.height));
        if (!image_) return;
        segment_.shmid =
            shmget(IPC_PRIVATE, static_cast<size_t>(image_->bytes_per_line) * area.height, IPC_CREAT | 0600);
        if (segment_.shmid < 0) return;
        segment_.shmaddr = image_->data = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
        if (segment_.shmaddr == reinterpret_cast<char*>(-1)) {
            segment_.shmaddr = image_->data = nullptr;
            shmctl(segment_.shmid, IPC_RMID, nullptr);
            return;
        }
        segment_.readOnly = False;
        attached_ = XShmAttach(display, &segment_) && trap.Sync() == 0;
        shmctl(segment_.shmid, IPC_RMID, nullptr);
        filled_ = attached_ &&
                  XShmGetImage(display, DefaultRootWindow(display), image_.get(), area.left, area.top, AllPlanes) &&
                  trap.Sync() == 0;
    }
    ~SharedImage() {
        if (attached_) {
            XShmDetach(display_, &segment_);
            XSync(display_, False);
        }
        if (image_) {
            // Neither belongs to the image: XDestroyImage must not free them.
            image_->data = nullptr;
            image_->obdata = nullptr;
        }
        if (segment_.shmaddr) shmdt(segment_.shmaddr);
    }
    SharedImage(const SharedImage&) = delete;
    SharedImage& operator=(const SharedImage&) = delete;

    const XImage* Filled() const { return filled_ ? image_.get() : nullptr; }

private:
    Display* display_;
    XShmSegmentInfo segment_{};
    ImagePtr image_;
    bool attached_ = false;
    bool filled_ = false;
};

// One colour channel of a pixel value, scaled to 8 bits.
std::uint8_t Channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    int shift = std::countr_zero(mask);
    unsigned long top = mask >> shift;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / top);
}

Picture ToPicture(const XImage& image) {
    Picture picture{image.width, image.height, {}};
    picture.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    std::uint8_t* out = picture.rgb.data();
    bool plain32 = image.bits_per_pixel == 32 && image.byte_order == LSBFirst && image.red_mask == 0xFF0000 &&
                   image.green_mask == 0xFF00 && image.blue_mask == 0xFF;
    for (int y = 0; y < image.height; ++y) {
        if (plain32) {
            const auto* in =
                reinterpret_cast<const std::uint8_t*>(image.data + static_cast<size_t>(y) * image.bytes_per_line);
            for (int x = 0; x < image.width; ++x, in += 4, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
            continue;
        }
        for (int x = 0; x < image.width; ++x, out += 3) {
            unsigned long pixel = XGetPixel(const_cast<XImage*>(&image), x, y);
            out[0] = Channel(pixel, image.red_mask);
            out[1] = Channel(pixel, image.green_mask);
            out[2] = Channel(pixel, image.blue_mask);
        }
    }
    return picture;
}

// Draws the cursor picture (premultiplied ARGB) over the picture of the area, top-left corner at
// the pointer position.
void DrawCursor(Display* display, Picture& picture, const Rect& area) {
    int event = 0, error = 0, major = 2, minor = 0;
    if (!XFixesQueryExtension(display, &event, &error) || !XFixesQueryVersion(display, &major, &minor)) return;
    XFixesCursorImage* cursor = XFixesGetCursorImage(display);
    if (!cursor) return;
    int left = cursor->x - area.left, top = cursor->y - area.top;
    for (int cy = 0; cy < cursor->height; ++cy) {
        int y = top + cy;
        if (y < 0 || y >= picture.height) continue;
        for (int cx = 0; cx < cursor->width; ++cx) {
            int x = left + cx;
            if (x < 0 || x >= picture.width) continue;
            auto argb = static_cast<std::uint32_t>(cursor->pixels[cy * cursor->width + cx]);
            unsigned alpha = argb >> 24;
            std::uint8_t* pixel = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
            for (int c = 0; c < 3; ++c) {
                unsigned source = (argb >> (16 - 8 * c)) & 0xFF;
                pixel[c] = static_cast<std::uint8_t>(std::min(255u, source + pixel[c] * (255 - alpha) / 255));
            }
        }
    }
    XFree(cursor);
}

}  // namespace

Rect PrimaryDisplayArea(Display* display) {
    Rect root = RootArea(display);
    if (!HasPrimaryOutputs(display)) return root;
    RROutput primary = XRRGetOutputPrimary(display, DefaultRootWindow(display));
    if (!primary) return root;
    Rect area = ClipToRoot(OutputArea(display, primary), root);
    return area.width > 0 && area.height > 0 ? area : root;
}

X11Screen::X11Screen() : display_(XOpenDisplay(nullptr)) {}

X11Screen::~X11Screen() {
    if (display_) XCloseDisplay(display_);
}

Picture X11Screen::CapturePrimary(CursorInPicture cursor) {
    if (!display_) return {};
    X11ErrorTrap trap(display_);
    Rect area = PrimaryDisplayArea(display_);
    if (trap.Sync()) area = RootArea(display_);
    Picture picture;
    if (XShmQueryExtension(display_)) {
        SharedImage shared(display_, area, trap);
        if (const XImage* image = shared.Filled()) picture = ToPicture(*image);
    }
    if (picture.Empty()) {
        ImagePtr image(XGetImage(display_, DefaultRootWindow(display_), area.left, area.top,
                                 static_cast<unsigned>(area.width), static_cast<unsigned>(area.height), AllPlanes,
                                 ZPixmap));
        if (!image || trap.Sync()) return {};
        picture = ToPicture(*image);
    }
    if (cursor == CursorInPicture::Drawn) DrawCursor(display_, picture, area);
    trap.Sync();
    return picture;
}

}  // namespace tesra::platform
