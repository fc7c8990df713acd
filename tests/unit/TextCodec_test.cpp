#include "support/TextCodec.h"

#include <gtest/gtest.h>

namespace tesra {

TEST(TextCodec, RoundTripsChineseThroughGbk) {
    std::string text = "蓝岸浏览器 abc";
    std::string gbk = Utf8ToGbk(text);
    EXPECT_EQ(gbk, "\xC0\xB6\xB0\xB6\xE4\xAF\xC0\xC0\xC6\xF7 abc");
    EXPECT_EQ(GbkToUtf8(gbk), text);
}

TEST(TextCodec, UnrepresentableAndInvalidBecomeQuestionMarks) {
    struct Case { std::string utf8; std::string gbk; };
    const Case cases[] = {
        {"a\xF0\x9F\x98\x80" "b", "a?b"},   // emoji: no GBK form
        {"x\xFFy", "x?y"},                  // stray byte
        {"\xE8\x93", "?"},                  // truncated sequence at the end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk);
    }
}

TEST(TextCodec, RecognisesValidUtf8) {
    EXPECT_TRUE(IsValidUtf8("服务器错误"));
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_FALSE(IsValidUtf8("\xB7\xFE\xCE\xF1"));  // GBK bytes
}

TEST(TextCodec, ConvertsUtf16LittleEndian) {
    const std::string utf16("\xDD\x84\xB8\x5C" "A\0" "\x3D\xD8\x00\xDE", 10);  // 蓝岸A and an emoji pair
    EXPECT_EQ(Utf16LeToUtf8(utf16), "蓝岸A\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16Le("蓝岸A\xF0\x9F\x98\x80"), utf16);
    // Bad input keeps the UTF-16 alignment: the replacement is one whole character.
    EXPECT_EQ(Utf8ToUtf16Le("a\xFF" "b"), std::string("a\0?\0b\0", 6));
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x3D\xD8" "b\0", 4)), "?b");  // unpaired surrogate
    EXPECT_EQ(Utf16LeToUtf8(std::string("a\0b", 3)), "a?");             // odd last byte
}

}  // namespace tesra
