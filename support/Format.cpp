#include "support/Format.h"

#include <glib.h>

#include <algorithm>

namespace tesra {
namespace {

bool Unprintable(gunichar c) {
    switch (g_unichar_type(c)) {
    case G_UNICODE_CONTROL:
    case G_UNICODE_LINE_SEPARATOR:
    case G_UNICODE_PARAGRAPH_SEPARATOR:
        return true;
    default:
        // The marks that reorder text would let a title show something other than what it says.
        return c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
    }
}

}  // namespace

std::string CaptionText(std::string_view title) {
    std::string text(title);
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    g_autofree gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    std::string caption;
    std::size_t count = 0;
    for (const gchar* p = valid; *p && count < kCaptionLimit; p = g_utf8_next_char(p)) {
        if (Unprintable(g_utf8_get_char(p))) continue;
        caption.append(p, static_cast<std::size_t>(g_utf8_next_char(p) - p));
        ++count;
    }
    return caption;
}

std::string Format(std::string_view format, std::initializer_list<std::string> args) {
    std::string out;
    out.reserve(format.size() + 64);
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        char conversion = format[i + 1];
        if (conversion == '%') {
            out += '%';
            ++i;
        } else if ((conversion == 's' || conversion == 'd') && next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace tesra
