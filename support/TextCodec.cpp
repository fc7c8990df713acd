#include "support/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace tesra {
namespace {

// Bytes of the bad character at the front of text: its lead byte and the continuation bytes after it.
size_t Utf8BadLength(const char* text, size_t left) {
    auto lead = static_cast<unsigned char>(text[0]);
    size_t expected = lead >= 0xF0 && lead < 0xF8   ? 4
                      : lead >= 0xE0 && lead < 0xF0 ? 3
                      : lead >= 0xC0 && lead < 0xE0 ? 2
                                                    : 1;
    size_t n = 1;
    while (n < expected && n < left && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
    return n;
}

// A lead byte takes the byte after it only when that is a trail byte, so that a bad lead byte does not
// swallow the ASCII character after it.
size_t GbkBadLength(const char* text, size_t left) {
    auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x81 || lead > 0xFE || left < 2) return 1;
    auto trail = static_cast<unsigned char>(text[1]);
    return trail >= 0x40 && trail <= 0xFE && trail != 0x7F ? 2 : 1;
}

size_t Utf16BadLength(const char*, size_t left) { return left >= 2 ? 2 : left; }

enum Direction { kUtf8ToGbk, kGbkToUtf8, kUtf8ToUtf16Le, kUtf16LeToUtf8, kUtf8Check, kDirectionCount };

// One converter per direction and thread, opened on first use: opening one costs more than
// converting a log entry.
class Converters {
public:
    ~Converters() {
        for (iconv_t cd : open_) {
            if (cd != kNone) iconv_close(cd);
        }
    }
    // Reset to its initial state; throws when the system has no such conversion.
    iconv_t Get(Direction direction, const char* to, const char* from) {
        iconv_t& cd = open_[direction];
        if (cd == kNone) cd = iconv_open(to, from);
        if (cd == kNone) throw std::runtime_error(std::string("iconv_open ") + from + " -> " + to);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return cd;
    }

private:
    static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
    iconv_t open_[kDirectionCount] = {kNone, kNone, kNone, kNone, kNone};
};

thread_local Converters g_converters;

struct Conversion {
    Direction direction;
    const char* to;
    const char* from;
    size_t (*badLength)(const char* text, size_t left);
};

const Conversion kUtf8ToGbkConversion{kUtf8ToGbk, "GBK", "UTF-8", Utf8BadLength};
const Conversion kGbkToUtf8Conversion{kGbkToUtf8, "UTF-8", "GBK", GbkBadLength};
const Conversion kUtf8ToUtf16LeConversion{kUtf8ToUtf16Le, "UTF-16LE", "UTF-8", Utf8BadLength};
const Conversion kUtf16LeToUtf8Conversion{kUtf16LeToUtf8, "UTF-8", "UTF-16LE", Utf16BadLength};
const Conversion kUtf8CheckConversion{kUtf8Check, "UTF-8", "UTF-8", Utf8BadLength};

// The text converted. A character that cannot be converted (not valid in the source, or with no form
// in the target) becomes the replacement and the conversion goes on after it; without a replacement
// the whole conversion fails.
std::optional<std::string> Convert(std::string_view text, const Conversion& conversion,
                                   const std::optional<std::string>& replacement) {
    iconv_t cd = g_converters.Get(conversion.direction, conversion.to, conversion.from);
    std::string out;
    out.reserve(text.size() * 2);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (rc != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // EILSEQ or EINVAL: the character at in cannot be converted.
        if (!replacement) return std::nullopt;
        out += *replacement;
        size_t n = conversion.badLength(in, inLeft);
        in += n;
        inLeft -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

std::string Replaced(std::string_view text, const Conversion& conversion, const std::string& replacement = "?") {
    return *Convert(text, conversion, replacement);
}

}  // namespace

std::string Utf8ToGbk(const std::string& utf8) { return Replaced(utf8, kUtf8ToGbkConversion); }
std::string GbkToUtf8(const std::string& gbk) { return Replaced(gbk, kGbkToUtf8Conversion); }

std::string Utf8ToUtf16Le(const std::string& utf8) {
    return Replaced(utf8, kUtf8ToUtf16LeConversion, std::string("?\0", 2));
}
std::string Utf16LeToUtf8(const std::string& utf16) { return Replaced(utf16, kUtf16LeToUtf8Conversion); }

std::optional<std::string> ExactUtf16LeToUtf8(std::string_view utf16) {
    return Convert(utf16, kUtf16LeToUtf8Conversion, std::nullopt);
}

bool IsValidUtf8(const std::string& text) { return Convert(text, kUtf8CheckConversion, std::nullopt).has_value(); }

}  // namespace tesra
