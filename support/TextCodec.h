#pragma once
// Conversions between the program's UTF-8 texts and the GBK code page of its 8-bit files, and the
// UTF-16 texts of the Windows file formats it reads and writes.

#include <optional>
#include <string>
#include <string_view>

namespace tesra {

// UTF-8 to GBK; a character that GBK cannot hold, or a byte that is not valid UTF-8, becomes "?".
std::string Utf8ToGbk(const std::string& utf8);
// GBK to UTF-8; a byte sequence that is not GBK becomes "?".
std::string GbkToUtf8(const std::string& gbk);
bool IsValidUtf8(const std::string& text);

// UTF-8 to UTF-16 little-endian bytes (the texts of Windows file formats); bad input becomes "?".
std::string Utf8ToUtf16Le(const std::string& utf8);
// UTF-16 little-endian bytes to UTF-8; an unpaired surrogate or an odd last byte becomes "?".
std::string Utf16LeToUtf8(const std::string& utf16);
// UTF-16 little-endian bytes to UTF-8; none when they are not all valid UTF-16 (a stored file's text,
// where a bad character means a damaged file rather than one to read around).
std::optional<std::string> ExactUtf16LeToUtf8(std::string_view utf16);

}  // namespace tesra
