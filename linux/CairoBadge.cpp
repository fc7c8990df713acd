#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "linux/LinuxDrawing.h"
#include "platform/Exception.h"

namespace tesra::platform {
namespace {

// The resolution at which points become pixels, as on a standard desktop.
constexpr double kDotsPerInch = 96.0;

void SetColor(cairo_t* cr, const Rgb& color) {
    cairo_set_source_rgb(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0);
}

void FillEllipse(cairo_t* cr, const BadgeSpec& badge) {
    const double width = badge.ellipseRight - badge.ellipseLeft;
    const double height = badge.ellipseBottom - badge.ellipseTop;
    if (width <= 0 || height <= 0) return;
    cairo_save(cr);
    cairo_translate(cr, badge.ellipseLeft + width / 2, badge.ellipseTop + height / 2);
    cairo_scale(cr, width / 2, height / 2);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    SetColor(cr, badge.ellipse);
    cairo_fill(cr);
}

// The text in the default font face, on a rectangle of the ellipse colour as big as its cell.
void DrawText(cairo_t* cr, const BadgeSpec& badge) {
    g_autoptr(PangoLayout) layout = pango_cairo_create_layout(cr);
    pango_cairo_context_set_resolution(pango_layout_get_context(layout), kDotsPerInch);
    pango_layout_context_changed(layout);
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_size(font, badge.fontPoints * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_text(layout, badge.text.c_str(), -1);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    SetColor(cr, badge.ellipse);
    cairo_rectangle(cr, badge.textX, badge.textY, width, height);
    cairo_fill(cr);
    SetColor(cr, badge.textColor);
    cairo_move_to(cr, badge.textX, badge.textY);
    pango_cairo_show_layout(cr, layout);
}

IconImage Pixels(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    IconImage icon;
    icon.width = cairo_image_surface_get_width(surface);
    icon.height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    icon.rgba.reserve(std::size_t(icon.width) * icon.height * 4);
    for (int y = 0; y < icon.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * stride);
        for (int x = 0; x < icon.width; ++x) {
            // Premultiplied native-endian ARGB; every pixel here is opaque.
            const std::uint32_t pixel = row[x];
            const unsigned alpha = pixel >> 24;
            auto channel = [&](int shift) {
                const unsigned value = (pixel >> shift) & 0xFF;
                return static_cast<std::uint8_t>(alpha == 0 ? 0 : std::min(255u, value * 255 / alpha));
            };
            icon.rgba.insert(icon.rgba.end(), {channel(16), channel(8), channel(0), static_cast<std::uint8_t>(alpha)});
        }
    }
    return icon;
}

}  // namespace

IconImage LinuxDrawing::DrawBadge(const BadgeSpec& badge) {
    if (badge.width <= 0 || badge.height <= 0) throw Exception("绘制新消息图标失败：图标大小无效");
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, badge.width, badge.height), cairo_surface_destroy);
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        throw Exception(std::string("绘制新消息图标失败：") +
                        cairo_status_to_string(cairo_surface_status(surface.get())));
    }
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), cairo_destroy);
    // Shapes with hard edges, as on an icon; the text keeps the font's smoothing.
    cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
    SetColor(cr.get(), badge.background);
    cairo_paint(cr.get());
    FillEllipse(cr.get(), badge);
    DrawText(cr.get(), badge);
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
        throw Exception(std::string("绘制新消息图标失败：") + cairo_status_to_string(cairo_status(cr.get())));
    }
    return Pixels(surface.get());
}

int LinuxDrawing::StandardIconSize() { return 32; }

}  // namespace tesra::platform
