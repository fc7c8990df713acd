#include "support/Base64.h"

#include <openssl/evp.h>

#include <algorithm>

namespace tesra {

std::string StreamToBase64(std::string_view stream) {
    // EVP_EncodeBlock takes an int length: feed it whole groups of three bytes, so the pieces join
    // without padding in between.
    constexpr size_t kPiece = size_t{3} << 20;
    std::string text((stream.size() + 2) / 3 * 4 + 1, '\0');  // + the terminator it writes
    size_t written = 0;
    for (size_t offset = 0; offset < stream.size(); offset += kPiece) {
        size_t length = std::min(kPiece, stream.size() - offset);
        written += static_cast<size_t>(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data() + written),
                                                       reinterpret_cast<const unsigned char*>(stream.data() + offset),
                                                       static_cast<int>(length)));
    }
    text.resize(written);
    return text;
}

}  // namespace tesra
