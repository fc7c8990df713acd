#include "linux/PortalScreen.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib/gstdio.h>

#include <algorithm>
#include <cmath>

#include "linux/Portal.h"
#include "platform/Exception.h"

namespace tesra::platform {
namespace {

Rect MonitorArea(GdkMonitor* monitor) {
    GdkRectangle r{};
    gdk_monitor_get_geometry(monitor, &r);
    return {r.x, r.y, r.width, r.height};
}

Rect DesktopArea(GdkDisplay* display) {
    int left = 0, top = 0, right = 0, bottom = 0;
    for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
        Rect m = MonitorArea(gdk_display_get_monitor(display, i));
        if (i == 0 || m.left < left) left = m.left;
        if (i == 0 || m.top < top) top = m.top;
        if (i == 0 || m.left + m.width > right) right = m.left + m.width;
        if (i == 0 || m.top + m.height > bottom) bottom = m.top + m.height;
    }
    return {left, top, right - left, bottom - top};
}

Picture FromPixbuf(GdkPixbuf* pixbuf) {
    Picture picture{gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf), {}};
    int channels = gdk_pixbuf_get_n_channels(pixbuf), stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
    picture.rgb.reserve(static_cast<size_t>(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y) {
        const guchar* in = pixels + static_cast<size_t>(y) * stride;
        for (int x = 0; x < picture.width; ++x, in += channels) picture.rgb.insert(picture.rgb.end(), in, in + 3);
    }
    return picture;
}

// Reads the picture that the portal wrote, then deletes exactly that file.
Picture TakeFile(const std::string& uri) {
    g_autofree gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    if (!path) return {};
    Picture picture;
    if (g_autoptr(GdkPixbuf) pixbuf = gdk_pixbuf_new_from_file(path, nullptr)) {
        if (gdk_pixbuf_get_bits_per_sample(pixbuf) == 8 && gdk_pixbuf_get_n_channels(pixbuf) >= 3)
            picture = FromPixbuf(pixbuf);
    }
    g_unlink(path);
    return picture;
}

}  // namespace

Rect MonitorInPicture(const Rect& monitor, const Rect& desktop, int pictureWidth, int pictureHeight) {
    if (desktop.width <= 0 || desktop.height <= 0) return {};
    double sx = static_cast<double>(pictureWidth) / desktop.width;
    double sy = static_cast<double>(pictureHeight) / desktop.height;
    auto scaled = [](int v, double s, int limit) { return std::clamp(static_cast<int>(std::lround(v * s)), 0, limit); };
    int left = scaled(monitor.left - desktop.left, sx, pictureWidth);
    int top = scaled(monitor.top - desktop.top, sy, pictureHeight);
    int right = scaled(monitor.left + monitor.width - desktop.left, sx, pictureWidth);
    int bottom = scaled(monitor.top + monitor.height - desktop.top, sy, pictureHeight);
    return {left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
}

Picture CropPicture(const Picture& picture, const Rect& area) {
    Picture part{area.width, area.height, {}};
    part.rgb.reserve(static_cast<size_t>(area.width) * area.height * 3);
    for (int y = area.top; y < area.top + area.height; ++y) {
        auto row = picture.rgb.begin() + (static_cast<std::ptrdiff_t>(y) * picture.width + area.left) * 3;
        part.rgb.insert(part.rgb.end(), row, row + static_cast<std::ptrdiff_t>(area.width) * 3);
    }
    return part;
}

int CaptureMonitorIndex(GdkDisplay* display) {
    GdkMonitor* primary = gdk_display_get_primary_monitor(display);
    for (int i = 0; primary && i < gdk_display_get_n_monitors(display); ++i) {
        if (gdk_display_get_monitor(display, i) == primary) return i;
    }
    return 0;
}

Picture PortalScreen::CapturePrimary(CursorInPicture) {
    if (!bus_) throw Exception(kNoScreenshotPortalText);
    PortalRequest request(bus_);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(request.Token().c_str()));
    g_variant_builder_add(&options, "{sv}", "interactive", g_variant_new_boolean(FALSE));
    g_autoptr(GVariant) handle = g_dbus_connection_call_sync(
        bus_, kPortalName, kPortalPath, "org.freedesktop.portal.Screenshot", "Screenshot",
        g_variant_new("(sa{sv})", "", &options), G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    if (!handle) throw Exception(kNoScreenshotPortalText);
    const gchar* path = nullptr;
    g_variant_get(handle, "(&o)", &path);
    request.SetHandle(path);
    // The desktop may ask the user first: as long as that takes.
    if (!request.Wait(0)) throw Exception(kNoScreenshotPortalText);
    if (request.Response() != 0) throw Exception(kScreenshotRefusedText);
    Picture desktop = TakeFile(VardictText(request.Results(), "uri"));
    GdkDisplay* display = gdk_display_get_default();
    if (desktop.Empty() || !display || gdk_display_get_n_monitors(display) == 0) return desktop;
    Rect monitor = MonitorArea(gdk_display_get_monitor(display, CaptureMonitorIndex(display)));
    Rect area = MonitorInPicture(monitor, DesktopArea(display), desktop.width, desktop.height);
    if (area.width <= 0 || area.height <= 0) return {};
    return CropPicture(desktop, area);
}

}  // namespace tesra::platform
