#pragma once
// Base64 text of a byte stream, as page script receives captured pictures.

#include <string>
#include <string_view>

namespace tesra {

// The whole stream in the standard alphabet (A-Z, a-z, 0-9, "+", "/"), padded with "=" to a
// multiple of four characters, without line breaks. An empty stream gives the empty text.
std::string StreamToBase64(std::string_view stream);

}  // namespace tesra
