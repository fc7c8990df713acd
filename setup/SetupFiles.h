#pragma once
// Whether a downloaded setup file reads as what it should be. A download takes the place of the
// stored file only then; otherwise the file from an earlier setup stays (an error page answered
// with 200, a picture far too large for an icon).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Icon.h"

namespace tesra {

// The largest icon that the setup takes: its side in pixels and its file in bytes.
constexpr int kIconSideLimit = 256;
constexpr std::int64_t kIconFileLimit = 1024 * 1024;

// Why the downloaded icon may not replace the stored one ("" when it may): its size in bytes and
// the picture it holds, none when it does not read as a picture.
std::string IconRefusal(std::size_t bytes, const std::optional<platform::PictureSize>& picture);

// Why the downloaded menu file may not replace the stored one ("" when it may): it must read as an
// ini file (support/IniFile.h, IsIniText).
std::string MenuRefusal(const std::string& bytes);

}  // namespace tesra
