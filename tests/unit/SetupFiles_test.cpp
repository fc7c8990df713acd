#include "setup/SetupFiles.h"

#include <gtest/gtest.h>

#include "support/TextCodec.h"

namespace tesra {
namespace {

using platform::PictureSize;

TEST(IconRefusal, OnlyAPictureOfIconSizeReplacesTheStoredIcon) {
    struct Row {
        const char* name;
        std::size_t bytes;
        std::optional<PictureSize> picture;
        std::string refusal;
    };
    const Row rows[] = {
        {"32x32", 2238, PictureSize{32, 32}, ""},
        {"256x256", 270398, PictureSize{256, 256}, ""},
        {"16x256", 400, PictureSize{16, 256}, ""},
        {"an error page", 512, std::nullopt, "它不是图标"},
        {"257 wide", 9000, PictureSize{257, 16}, "图标 257x16 超过上限 256x256"},
        {"4096x4096", 65536, PictureSize{4096, 4096}, "图标 4096x4096 超过上限 256x256"},
        {"no pixels", 100, PictureSize{0, 0}, "图标 0x0 超过上限 256x256"},
        {"just the byte limit", 1024 * 1024, PictureSize{48, 48}, ""},
        {"over the byte limit", 1024 * 1024 + 1, PictureSize{48, 48}, "图标文件大小超过上限 1 MB"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IconRefusal(row.bytes, row.picture), row.refusal);
    }
}

TEST(MenuRefusal, OnlyAnIniFileReplacesTheStoredMenu) {
    struct Row {
        const char* name;
        std::string bytes;
        bool taken;
    };
    const Row rows[] = {
        {"the demo's file", Utf8ToGbk("; 蓝岸\r\n[System]\r\nIconName=演示\r\n[MainMenu]\r\nA=B\r\n"), true},
        {"a section first", "[System]\nIconName=x\n", true},
        {"blank lines first", "\r\n  \r\n[Menus]\r\n", true},
        {"UTF-8 with its mark", "\xEF\xBB\xBF[System]\r\nIconName=演示\r\n", true},
        {"an error page", "<!DOCTYPE html>\n<html><body>[System]</body></html>\n", false},
        {"an HTML page without a doctype", "<html>\n[System]\nIconName=x\n</html>\n", false},
        {"plain text", "Not Found", false},
        {"lines that are no entries", "garbage without equals\n[System\n=no key\n[System]\nIconName=x\n", true},
        {"no section", "IconName=x\nA=B\n", false},
        {"JSON", "{\"error\": \"[System] is missing\"}", false},
        {"a picture", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), false},
        {"a zero character", std::string("[System]\nIconName=a\0b\n", 22), false},
        {"empty", "", false},
        {"only comments", "; nothing\r\n", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MenuRefusal(row.bytes), row.taken ? "" : "它不是菜单文件");
    }
}

}  // namespace
}  // namespace tesra
