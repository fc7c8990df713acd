#include "setup/SetupFiles.h"

#include <algorithm>

#include "setup/tsHTTP.h"
#include "support/Format.h"
#include "support/IniFile.h"

namespace tesra {

std::string IconRefusal(std::size_t bytes, const std::optional<platform::PictureSize>& picture) {
    if (static_cast<std::int64_t>(bytes) > kIconFileLimit) return "图标文件大小超过上限 " + SizeText(kIconFileLimit);
    if (!picture) return "它不是图标";
    if (std::max(picture->width, picture->height) > kIconSideLimit || std::min(picture->width, picture->height) < 1)
        return Format("图标 %dx%d 超过上限 %dx%d", picture->width, picture->height, kIconSideLimit, kIconSideLimit);
    return "";
}

std::string MenuRefusal(const std::string& bytes) { return IsIniText(bytes) ? "" : "它不是菜单文件"; }

}  // namespace tesra
