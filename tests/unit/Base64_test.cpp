#include "support/Base64.h"

#include <gtest/gtest.h>

#include <random>

namespace tesra {
namespace {

// Plain reference encoder, to check long inputs against.
std::string ReferenceBase64(const std::string& bytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[n >> 18 & 63];
        out += alphabet[n >> 12 & 63];
        out += i + 1 < bytes.size() ? alphabet[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[n & 63] : '=';
    }
    return out;
}

TEST(StreamToBase64, StandardVectors) {
    struct Case {
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xFB\xFF", 2), "+/8="},              // the two last letters of the alphabet
        {std::string("\0\0\0", 3), "AAAA"},                // zero bytes are data
        {std::string("\xFF\xD8\xFF\xE0", 4), "/9j/4A=="},  // how every JPEG starts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(StreamToBase64(c.bytes), c.text);
    }
}

TEST(StreamToBase64, LongStreamHasNoLineBreaksAndMatchesReference) {
    // Longer than the pieces handed to the encoder at once, and not a multiple of three.
    std::mt19937 random(7);
    std::string bytes((size_t{3} << 20) * 2 + 5, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    std::string text = StreamToBase64(bytes);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.size() % 4, 0u);
    EXPECT_EQ(text, ReferenceBase64(bytes));
}

}  // namespace
}  // namespace tesra
