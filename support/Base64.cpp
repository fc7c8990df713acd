#include "support/Base64.h"

#include <glib.h>

namespace tesra {

std::string StreamToBase64(std::string_view stream) {
    // Written in place: the room that GLib asks for a stream encoded in one step, without line breaks.
    std::string text((stream.size() / 3 + 1) * 4 + 4, '\0');
    gint state = 0;
    gint save = 0;
    gsize written = g_base64_encode_step(reinterpret_cast<const guchar*>(stream.data()), stream.size(), FALSE,
                                         text.data(), &state, &save);
    written += g_base64_encode_close(FALSE, text.data() + written, &state, &save);
    text.resize(written);
    return text;
}

}  // namespace tesra
