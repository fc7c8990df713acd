#pragma once
// Conversions between the program's UTF-8 texts and the GBK code page of its 8-bit files.

#include <string>

namespace tesra {

// UTF-8 to GBK; a character that GBK cannot hold, or a byte that is not valid UTF-8, becomes "?".
std::string Utf8ToGbk(const std::string& utf8);
// GBK to UTF-8; a byte sequence that is not GBK becomes "?".
std::string GbkToUtf8(const std::string& gbk);
bool IsValidUtf8(const std::string& text);

}  // namespace tesra
