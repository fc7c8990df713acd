#include "support/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace tesra {
namespace {

// Bytes of the bad character at the front of text: its lead byte and the continuation bytes after it.
size_t Utf8BadLength(const char* text, size_t left) {
    auto lead = static_cast<unsigned char>(text[0]);
    size_t expected = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xC0 && lead < 0xE0 ? 2 : 1;
    size_t n = 1;
    while (n < expected && n < left && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
    return n;
}

size_t GbkBadLength(const char* text, size_t left) {
    auto lead = static_cast<unsigned char>(text[0]);
    return lead >= 0x81 && lead <= 0xFE && left >= 2 ? 2 : 1;
}

size_t Utf16BadLength(const char*, size_t left) { return left >= 2 ? 2 : left; }

std::string Convert(const std::string& text, const char* to, const char* from, size_t (*skip)(const char*, size_t),
                    const std::string& replacement = "?") {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error(std::string("iconv_open ") + from + " -> " + to);
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
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: replace the offending character and go on after it.
        out += replacement;
        size_t n = skip(in, inLeft);
        in += n;
        inLeft -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Utf8ToGbk(const std::string& utf8) { return Convert(utf8, "GBK", "UTF-8", Utf8BadLength); }
std::string GbkToUtf8(const std::string& gbk) { return Convert(gbk, "UTF-8", "GBK", GbkBadLength); }

std::string Utf8ToUtf16Le(const std::string& utf8) {
    return Convert(utf8, "UTF-16LE", "UTF-8", Utf8BadLength, std::string("?\0", 2));
}
std::string Utf16LeToUtf8(const std::string& utf16) { return Convert(utf16, "UTF-8", "UTF-16LE", Utf16BadLength); }

bool IsValidUtf8(const std::string& text) {
    iconv_t cd = iconv_open("UTF-8", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    bool valid = true;
    char buffer[4096];
    while (inLeft > 0 && valid) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        if (iconv(cd, &in, &inLeft, &o, &oLeft) == static_cast<size_t>(-1) && errno != E2BIG) valid = false;
    }
    iconv_close(cd);
    return valid;
}

}  // namespace tesra
